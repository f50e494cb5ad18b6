// The settings values and the recent files in the configuration store: keys, encodings, what a
// damaged or foreign store can and cannot do to them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include <wx/fileconf.h>

#include "gl/AppSettings.h"
#include "app/RecentFiles.h"
#include "app/ShellSettings.h"
#include "support/TestSupport.h"
#include "support/AppSettingsReset.h"
#include "support/WxBaseFixture.h"

namespace {

// A file store of its own in a temporary folder, with the main window's current path; the six
// settings values go back to their start values around each test.
class ShellSettingsTest : public WxBaseTest {
protected:
    void SetUp() override {
        Reset();
        Open();
    }
    void TearDown() override {
        config_.reset();
        Reset();
    }
    static void Reset() { testsupport::RestoreAppSettings(); }
    // (Re)opens the store from its file, as the next run of the program would.
    void Open() {
        if (config_) config_->Flush();
        config_.reset();
        config_ = std::make_unique<wxFileConfig>("", "", wxString::FromUTF8(file_), "",
                                                 wxCONFIG_USE_LOCAL_FILE);
        config_->SetRecordDefaults(true);
        config_->SetPath("/MainFrame");
    }
    wxString Text(const char* key) {
        wxString value;
        return config_->Read(key, &value) ? value : wxString("<missing>");
    }

    testsupport::TempDir dir_;
    std::string file_ = dir_.file("store.ini");
    std::unique_ptr<wxFileConfig> config_;
};

TEST_F(ShellSettingsTest, FirstRunRecordsTheDefaultsAndTheFirstSaveTheValues) {
    LoadSettingsValues(*config_);
    EXPECT_EQ(camera_zoom_factor, 250.0);
    EXPECT_EQ(bvh_scale, 10.0);
    for (const char* key :
         {"/MainFrame/camera/camera_zoom_factor", "/MainFrame/camera/camera_zoom_inc",
          "/MainFrame/camera/camera_default_lens", "/MainFrame/camera/camera_move",
          "/MainFrame/bvh/scale"})
        EXPECT_EQ(Text(key), "") << key;
    EXPECT_EQ(Text("/MainFrame/bvh/inch_unit"), "1");

    SaveSettingsValues(*config_);
    EXPECT_EQ(Text("/MainFrame/camera/camera_zoom_factor"), "250");
    EXPECT_EQ(Text("/MainFrame/camera/camera_zoom_inc"), "0.05");
    EXPECT_EQ(Text("/MainFrame/camera/camera_default_lens"), "45");
    EXPECT_EQ(Text("/MainFrame/camera/camera_move"), "200");
    EXPECT_EQ(Text("/MainFrame/bvh/inch_unit"), "1");
    EXPECT_EQ(Text("/MainFrame/bvh/scale"), "10");
}

TEST_F(ShellSettingsTest, StoredValuesComeBackInTheNextRun) {
    camera_zoom_factor = 125.5;
    camera_zoom_inc = 0.1;
    camera_move = 12.25;
    camera_default_lens = 30;
    bvh_inch_unit = false;
    bvh_scale = 2.5;
    SaveSettingsValues(*config_);
    Open();
    Reset();
    LoadSettingsValues(*config_);
    EXPECT_EQ(camera_zoom_factor, 125.5);
    EXPECT_EQ(camera_zoom_inc, 0.1);
    EXPECT_EQ(camera_move, 12.25);
    EXPECT_EQ(camera_default_lens, 30);
    EXPECT_FALSE(bvh_inch_unit);
    EXPECT_EQ(bvh_scale, 2.5);
}

TEST_F(ShellSettingsTest, OneStoredValueLeavesTheOthersAlone) {
    config_->Write("camera/camera_zoom_inc", "0.1");
    LoadSettingsValues(*config_);
    EXPECT_EQ(camera_zoom_inc, 0.1);
    EXPECT_EQ(camera_zoom_factor, 250.0);
    EXPECT_EQ(camera_default_lens, 45.0);
}

TEST_F(ShellSettingsTest, RefusedStoredValuesKeepTheCurrentOnes) {
    struct Case {
        const char* key;
        const char* text;
        double* setting;
        double kept;
    };
    const Case cases[] = {
        {"camera/camera_zoom_factor", "0", &camera_zoom_factor, 250},
        {"camera/camera_zoom_factor", "-3", &camera_zoom_factor, 250},
        {"camera/camera_zoom_factor", "inf", &camera_zoom_factor, 250},
        {"camera/camera_move", "0", &camera_move, 200},
        {"camera/camera_move", "-0.5", &camera_move, 200},
        {"camera/camera_move", "nan", &camera_move, 200},
        {"camera/camera_default_lens", "0", &camera_default_lens, 45},
        {"camera/camera_default_lens", "180", &camera_default_lens, 45},
        {"camera/camera_default_lens", "-10", &camera_default_lens, 45},
        {"camera/camera_zoom_inc", "nan", &camera_zoom_inc, 0.05},
        {"bvh/scale", "0", &bvh_scale, 10},
        {"bvh/scale", "-1", &bvh_scale, 10},
        {"camera/camera_zoom_factor", "abc", &camera_zoom_factor, 250},
        {"camera/camera_zoom_factor", "12abc", &camera_zoom_factor, 250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " = " << c.text);
        Reset();
        config_->Write(c.key, c.text);
        LoadSettingsValues(*config_);
        EXPECT_EQ(*c.setting, c.kept);
        config_->DeleteEntry(c.key);
    }
}

TEST_F(ShellSettingsTest, AcceptedValuesAtTheEdges) {
    struct Case {
        const char* key;
        const char* text;
        double* setting;
        double value;
    };
    const Case cases[] = {
        {"camera/camera_default_lens", "179.5", &camera_default_lens, 179.5},
        {"camera/camera_default_lens", "0.01", &camera_default_lens, 0.01},
        {"camera/camera_zoom_factor", "1e-6", &camera_zoom_factor, 1e-6},
        // The camera repairs an increment of 0 or less itself.
        {"camera/camera_zoom_inc", "-0.2", &camera_zoom_inc, -0.2},
        {"bvh/scale", " 2.5 ", &bvh_scale, 2.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.key << " = " << c.text);
        Reset();
        config_->Write(c.key, c.text);
        LoadSettingsValues(*config_);
        EXPECT_EQ(*c.setting, c.value);
    }
}

TEST_F(ShellSettingsTest, RealsUseADecimalPointUnderACommaLocale) {
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale on this machine";
    config_->Write("camera/camera_zoom_inc", "0.05");
    camera_zoom_inc = 1;
    LoadSettingsValues(*config_);
    EXPECT_EQ(camera_zoom_inc, 0.05);
    camera_move = 12.5;
    SaveSettingsValues(*config_);
    EXPECT_EQ(Text("/MainFrame/camera/camera_move"), "12.5");
    EXPECT_EQ(ConfigRealText(0.05), "0.05");
}

TEST(ConfigRealText, SixSignificantDigits) {
    EXPECT_EQ(ConfigRealText(250.0), "250");
    EXPECT_EQ(ConfigRealText(0.05), "0.05");
    EXPECT_EQ(ConfigRealText(1.0 / 3.0), "0.333333");
    EXPECT_EQ(ConfigRealText(1234567.0), "1.23457e+06");
}

TEST(SettingsRules, WhatEachSettingAccepts) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (auto rule :
         {IsAcceptedZoomFactor, IsAcceptedCameraMove, IsAcceptedBvhScale, IsAcceptedDefaultLens}) {
        EXPECT_TRUE(rule(1.0));
        EXPECT_FALSE(rule(0.0));
        EXPECT_FALSE(rule(-1.0));
        EXPECT_FALSE(rule(inf));
        EXPECT_FALSE(rule(nan));
    }
    EXPECT_TRUE(IsAcceptedZoomFactor(1000.0));
    EXPECT_TRUE(IsAcceptedDefaultLens(179.99));
    EXPECT_FALSE(IsAcceptedDefaultLens(180.0));
    EXPECT_TRUE(IsAcceptedZoomIncrement(0.0));
    EXPECT_TRUE(IsAcceptedZoomIncrement(-1.0));
    EXPECT_FALSE(IsAcceptedZoomIncrement(nan));
    EXPECT_FALSE(IsAcceptedZoomIncrement(-inf));
}

TEST_F(ShellSettingsTest, HistoryOfTwelveKeepsTheNewestNineAndSavesNine) {
    config_->Write("/History/Count", 12);
    for (int i = 0; i < 12; ++i)
        config_->Write(wxString::Format("/History/File%d", i), wxString::Format("/d/%d.c3d", i));
    RecentFiles history;
    LoadHistory(*config_, history);
    ASSERT_EQ(history.Count(), 9);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(history.At(i), "/d/" + std::to_string(i + 3) + ".c3d");

    SaveHistory(*config_, history);
    EXPECT_EQ(Text("/History/Count"), "9");
    EXPECT_EQ(Text("/History/File0"), "/d/3.c3d");
    EXPECT_EQ(Text("/History/File8"), "/d/11.c3d");
    // What the earlier run wrote beyond the count is removed: the file does not grow for ever.
    for (int i = 9; i < 12; ++i) EXPECT_FALSE(config_->HasEntry(wxString::Format("/History/File%d", i))) << i;
    LoadHistory(*config_, history);
    EXPECT_EQ(history.Count(), 9);
    EXPECT_EQ(history.At(0), "/d/3.c3d");
}

TEST_F(ShellSettingsTest, HistoryEntriesInIndexOrderWithoutEmptiesOrRepeats) {
    config_->Write("/History/Count", 5);
    // Written out of order: the store's order is not the history's.
    config_->Write("/History/File3", "/d/a.c3d");
    config_->Write("/History/File0", "/d/a.c3d");
    config_->Write("/History/File1", "");
    config_->Write("/History/File4", "/d/c.c3d");
    config_->Write("/History/File2", "/d/b.c3d");
    config_->Write("/History/File5", "/d/beyond.c3d");
    config_->Write("/History/File01", "/d/leading-zero.c3d");
    config_->Write("/History/File-1", "/d/negative.c3d");
    config_->Write("/History/Other", "/d/other.c3d");
    RecentFiles history;
    history.Add("/d/old.c3d");
    LoadHistory(*config_, history);
    ASSERT_EQ(history.Count(), 3);
    EXPECT_EQ(history.At(0), "/d/a.c3d");
    EXPECT_EQ(history.At(1), "/d/b.c3d");
    EXPECT_EQ(history.At(2), "/d/c.c3d");
}

TEST_F(ShellSettingsTest, HistoryCountsThatSayLittleOrTooMuch) {
    struct Case {
        const char* what;
        const char* count;  // nullptr: no count key
        int loaded;         // entries loaded from File7 = "/d/x.c3d"
    };
    const Case cases[] = {{"no count", nullptr, 0},
                          {"zero", "0", 0},
                          {"negative", "-4", 0},
                          {"not a number", "many", 0},
                          {"too small for the entry", "7", 0},
                          {"a billion, one entry there", "1000000000", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        config_->DeleteGroup("/History");
        if (c.count) config_->Write("/History/Count", c.count);
        config_->Write("/History/File7", "/d/x.c3d");
        RecentFiles history;
        LoadHistory(*config_, history);
        ASSERT_EQ(history.Count(), c.loaded);
        if (c.loaded == 1) {
            EXPECT_EQ(history.At(0), "/d/x.c3d");
        }
        // Missing entries and a missing count are not recorded.
        EXPECT_FALSE(config_->HasEntry("/History/File0"));
        EXPECT_EQ(config_->HasEntry("/History/Count"), c.count != nullptr);
    }
}

// Thousands of stale entries (a damaged or long-lived store) leave with the next save, and only
// "File" entries of the history group go: other keys stay.
TEST_F(ShellSettingsTest, SavingTheHistoryDropsEveryStaleEntry) {
    config_->Write("/History/Count", 3);
    for (int i = 0; i < 5000; ++i) config_->Write(wxString::Format("/History/File%d", i), "/d/x.c3d");
    config_->Write("/History/File01", "/d/leading-zero.c3d");
    config_->Write("/History/Other", "/d/other.c3d");
    RecentFiles history;
    history.Add("/d/a.c3d");
    history.Add("/d/b.c3d");
    SaveHistory(*config_, history);
    config_->SetPath("/History");
    EXPECT_EQ(config_->GetNumberOfEntries(), 4u);  // Count, File0, File1, Other
    config_->SetPath("/");
    EXPECT_EQ(Text("/History/Count"), "2");
    EXPECT_EQ(Text("/History/File1"), "/d/b.c3d");
    EXPECT_EQ(Text("/History/Other"), "/d/other.c3d");
}

TEST_F(ShellSettingsTest, HistoryKeepsPathsOfAnyScript) {
    RecentFiles history;
    history.Add("/données/marche ü 歩く.c3d");
    SaveHistory(*config_, history);
    Open();
    RecentFiles loaded;
    LoadHistory(*config_, loaded);
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(loaded.At(0), "/données/marche ü 歩く.c3d");
}

}  // namespace

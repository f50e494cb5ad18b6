// DFN companions: the reader in point and analog mode, the annotations and analog-file lookups,
// and the writer read back.
#include "motion/TDataFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "support/TestSupport.h"

namespace {

using testsupport::TempDir;
using testsupport::WriteFileBytes;

// 5 points of dimension 3 over 4 frames at 100 Hz, no analog data.
struct Recording : TDataFile {
    Recording(int32_t nPoints = 5, int32_t frames = 4) : TDataFile(nPoints, frames, 100.0f, 0, 1, 3) {
        verbose = false;
    }
};

std::string Label(const TDataFile& d, int32_t i) { return d.PointLabel(i); }

std::string HeaderEvent(const TDataFile& d, int32_t i) {
    const LabelledItem* e = d.headerEvents ? d.headerEvents->GetItem(i) : nullptr;
    return e ? std::string(e->name) + "@" + std::to_string(e->id) : "";
}

class DfnRead : public ::testing::Test {
protected:
    // Writes `text` as the companion of dir/walk.trt and reads it in point mode.
    bool Read(TDataFile& d, const std::string& text, bool asAnalog = false, int32_t channels = 0) {
        EXPECT_TRUE(WriteFileBytes(dir.file("walk.dfn"), text));
        return d.ReadDFN(data.c_str(), asAnalog, channels);
    }
    TempDir dir;
    std::string data = dir.file("walk.trt");
};

TEST_F(DfnRead, CompanionNameKeepsTheTrialDigit) {
    Recording d;
    ASSERT_TRUE(WriteFileBytes(dir.file("trial.df3"), "#P:10\n"));
    ASSERT_TRUE(WriteFileBytes(dir.file("trial.dfn"), "#P:20\n"));
    EXPECT_TRUE(d.ReadDFN(dir.file("trial.tr3").c_str(), false, 0));
    EXPECT_FLOAT_EQ(d.pointRate, 100.0f);  // from trial.df3
    EXPECT_TRUE(d.ReadDFN(dir.file("trial.tx").c_str(), false, 0));
    EXPECT_FLOAT_EQ(d.pointRate, 50.0f);  // from trial.dfn
    // Letter case of a companion made on Windows does not matter.
    ASSERT_TRUE(WriteFileBytes(dir.file("RUN.DFN"), "#P:4\n"));
    EXPECT_TRUE(d.ReadDFN(dir.file("run.tx").c_str(), false, 0));
    EXPECT_FLOAT_EQ(d.pointRate, 250.0f);
}

TEST_F(DfnRead, WithoutCompanionTheDefaultLabelsAreInPlace) {
    Recording d;
    d.SetPointInfo(0, "LASI", nullptr, nullptr);
    EXPECT_FALSE(d.ReadDFN(data.c_str(), false, 0));
    EXPECT_EQ(Label(d, 0), "Marker 1");
    EXPECT_EQ(Label(d, 4), "Marker 5");
    TDataFile empty(nullptr);
    EXPECT_FALSE(empty.ReadDFN(data.c_str(), false, 0));
    EXPECT_EQ(empty.pointLabels, nullptr);
}

TEST_F(DfnRead, Periods) {
    const struct {
        const char* line;
        float rate;
    } cases[] = {
        {"#P:8.333333", 120.0f}, {"#P:0", 100.0f},     {"#P:-5", 100.0f},   {"#P", 50.0f},
        {"#P:abc", 100.0f},      {"#P:1e-320", 100.0f}, {"#P:  4.0ms", 250.0f}, {"#p:10", 100.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        Recording d;
        EXPECT_TRUE(Read(d, std::string(c.line) + "\n"));
        EXPECT_FLOAT_EQ(d.pointRate, c.rate);
    }
}

TEST_F(DfnRead, DimensionLines) {
    const struct {
        const char* text;
        int32_t dimension;
    } cases[] = {{"#R:4\n", 3}, {"#R:12\n", 1}, {"#R:x\n", 1}, {"#R:2\n", 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Recording d(1, 2);  // 3 rows
        d.dimension = 1;
        EXPECT_TRUE(Read(d, c.text));
        EXPECT_EQ(d.dimension, c.dimension);
        // One label per point, whatever the dimension became.
        EXPECT_EQ(d.pointLabels->count, d.GetPointCount());
    }
}

TEST_F(DfnRead, EventLines) {
    Recording d;
    EXPECT_TRUE(Read(d, "#E:Heel strike\n#E:,35\n#E:Toe off,12\n#E:toe OFF,12\n#E:SYNCHRO,7\n#E\n"));
    ASSERT_EQ(d.headerEvents->count, 4);
    EXPECT_EQ(HeaderEvent(d, 0), "Heel strike@-1");
    EXPECT_EQ(HeaderEvent(d, 1), "35@-1");
    EXPECT_EQ(HeaderEvent(d, 2), "Toe off@12");
    EXPECT_EQ(HeaderEvent(d, 3), "SYNCHRO@7");
    EXPECT_EQ(d.syncFrame, 7);
}

TEST_F(DfnRead, TextValuesEndAtTheNextColonButTheVideoLineDoesNot) {
    Recording d;
    EXPECT_TRUE(Read(d, "#B:C:\\models\\seg.ini\n#V:C;\\video\\walk.avi,10,250\n#J:joint.ini\n"
                        "#C:Format Intel\n#S:1-2-3,4-5\n#I:1\n#X:-999\n#D:44\n"));
    EXPECT_STREQ(d.dfnModel, "C");
    EXPECT_STREQ(d.dfnJoint, "joint.ini");
    EXPECT_STREQ(d.videoFile, "C:\\video\\walk.avi");
    EXPECT_EQ(d.videoFirstFrame, 10);
    EXPECT_EQ(d.videoLastFrame, 250);
    EXPECT_STREQ(d.formatText, "Format Intel");
    EXPECT_STREQ(d.stickText, "1-2-3,4-5");
    EXPECT_EQ(d.dfnIFlag, 1);
    EXPECT_FLOAT_EQ(d.missingValue, -999.0f);
    EXPECT_EQ(d.fieldSeparator, ',');
}

TEST_F(DfnRead, LabelLines) {
    Recording d;
    d.SetPointInfo(2, "kept?", nullptr, nullptr);
    EXPECT_TRUE(Read(d, "[DFN]\n#1:LASI\n#7:Beyond\n#3:\n#03:Zero\n#5:RASI:extra\n; comment\n"));
    ASSERT_EQ(d.pointLabels->count, 5);
    EXPECT_EQ(Label(d, 0), "LASI");
    EXPECT_EQ(Label(d, 2), "Marker 3");  // rebuilt before reading; "#3:" has no value
    EXPECT_EQ(Label(d, 4), "RASI:extra");  // a label keeps its colons
    EXPECT_EQ(d.FindPointLabel("Beyond"), -1);
    EXPECT_EQ(d.FindPointLabel("Zero"), -1);
}

TEST_F(DfnRead, LineEndsAndMissingHeaderReadAlike) {
    for (const char* text : {"[DFN]\n#P:5\n#1:A\n", "[DFN]\r\n#P:5\r\n#1:A\r\n", "#P:5\r#1:A", "#1:A\n#P:5"}) {
        SCOPED_TRACE(text);
        Recording d;
        EXPECT_TRUE(Read(d, text));
        EXPECT_FLOAT_EQ(d.pointRate, 200.0f);
        EXPECT_EQ(Label(d, 0), "A");
    }
}

TEST_F(DfnRead, ALongLineEndsTheReading) {
    Recording d;
    EXPECT_TRUE(Read(d, "#1:A\n#S:" + std::string(3000, '1') + "\n#2:B\n"));
    EXPECT_EQ(Label(d, 0), "A");
    EXPECT_EQ(Label(d, 1), "Marker 2");
    EXPECT_STREQ(d.stickText, "");
}

TEST_F(DfnRead, ModesKeepTheirOwnKeys) {
    const std::string text = "#FP:2\n#Fc:1 2 1 2 3 4 5 6 0 0\n#X:-1\n#E:Strike,3\n#P:2\n#1:Fx\n";
    Recording points;
    EXPECT_TRUE(Read(points, text));
    EXPECT_EQ(points.plateCount, 0);
    EXPECT_EQ(points.plates[0].type, 0);
    EXPECT_FLOAT_EQ(points.missingValue, -1.0f);
    EXPECT_EQ(points.headerEvents->count, 1);
    EXPECT_FLOAT_EQ(points.pointRate, 500.0f);

    TDataFile analog(5, 4, 100.0f, 8, 10, 3);
    analog.verbose = false;
    EXPECT_TRUE(Read(analog, text, true));
    EXPECT_EQ(analog.plateCount, 2);
    EXPECT_EQ(analog.plates[0].type, 2);
    const int32_t channels[8] = {1, 2, 3, 4, 5, 6, 0, 0};
    for (int k = 0; k < 8; ++k) EXPECT_EQ(analog.plates[0].channels[k], channels[k]) << k;
    EXPECT_FLOAT_EQ(analog.missingValue, 0.0f);
    EXPECT_EQ(analog.headerEvents, nullptr);
    EXPECT_FLOAT_EQ(analog.analogRate, 500.0f);
    EXPECT_FLOAT_EQ(analog.pointRate, 100.0f);
    EXPECT_EQ(analog.AnalogLabel(1), "Fx");
    EXPECT_EQ(analog.AnalogLabel(8), "Channel 8");
}

TEST_F(DfnRead, PlateLinesOutsideThePlateTableAreIgnored) {
    TDataFile d(5, 4, 100.0f, 8, 10, 3);
    d.verbose = false;
    EXPECT_TRUE(Read(d, "#FP:65\n#Fo:65 1 2 3\n#Fo:2 1.5 2.5 -3\n#Fp:0 1 2 3 4 5 6 7 8 9 10 11 12\n"
                        "#Fp:64 1 2 3 4 5 6 7 8 9 10 11 12\n#Fc:1 2 3\n#FZ:10\n#FR:20\n",
                     true));
    EXPECT_EQ(d.plateCount, 0);
    EXPECT_FLOAT_EQ(d.plates[1].origin[0], 1.5f);
    EXPECT_FLOAT_EQ(d.plates[1].origin[2], -3.0f);
    EXPECT_FLOAT_EQ(d.plates[63].corners[3][2], 12.0f);
    EXPECT_EQ(d.plates[0].type, 0);  // a short channel line changes nothing
    EXPECT_EQ(d.plateZero[0], 10);
    EXPECT_EQ(d.plateZero[1], 20);
}

TEST_F(DfnRead, AnalogLabelsWithoutAnAnalogTable) {
    Recording d;
    EXPECT_TRUE(Read(d, "#2:EMG\n#4:beyond\n", true, 3));
    ASSERT_NE(d.analogLabels, nullptr);
    EXPECT_EQ(d.analogLabels->count, 3);
    EXPECT_STREQ(d.analogLabels->GetItem(1)->name, "EMG");
}

TEST_F(DfnRead, NumbersIgnoreADecimalCommaLocale) {
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    Recording d;
    EXPECT_TRUE(Read(d, "#P:8.333333\n#X:-0.5\n"));
    EXPECT_FLOAT_EQ(d.pointRate, 120.0f);
    EXPECT_FLOAT_EQ(d.missingValue, -0.5f);
}

TEST_F(DfnRead, AnnotationsReadOnlyTheChosenKeys) {
    ASSERT_TRUE(WriteFileBytes(dir.file("walk.dfn"), "#E:Strike,3\n#S:1-2\n#B:seg.ini\n#P:1\n#1:A\n"));
    {
        Recording d;
        EXPECT_TRUE(d.ReadDFNAnnotations(data.c_str(), true, false, false));
        EXPECT_EQ(d.headerEvents->count, 1);
        EXPECT_STREQ(d.stickText, "");
        EXPECT_EQ(d.dfnModel, nullptr);
        EXPECT_FLOAT_EQ(d.pointRate, 100.0f);
        EXPECT_EQ(Label(d, 0), "M1");
    }
    {
        Recording d;
        EXPECT_TRUE(d.ReadDFNAnnotations(data.c_str(), false, true, true));
        EXPECT_EQ(d.headerEvents->count, 0);
        EXPECT_STREQ(d.stickText, "1-2");
        EXPECT_STREQ(d.dfnModel, "seg.ini");
    }
    Recording d;
    EXPECT_TRUE(d.ReadDFNAnnotations(dir.file("none.trt").c_str(), true, true, true));
}

TEST_F(DfnRead, AnalogFileLookup) {
    Recording d;
    char out[kPathBufferSize];
    ASSERT_TRUE(WriteFileBytes(dir.file("walk.dfn"), "#A:first.tx\n#A\n#A:second.tx\n"));
    EXPECT_TRUE(d.FindAnalogFile(data.c_str(), out));
    EXPECT_EQ(std::string(out), dir.file("second.tx"));

    ASSERT_TRUE(WriteFileBytes(dir.file("walk.dfn"), "#A\n#1:x\n"));
    EXPECT_FALSE(d.FindAnalogFile(data.c_str(), out));
    EXPECT_STREQ(out, "");

    ASSERT_TRUE(WriteFileBytes(dir.file("walk.dfn"), "#A:" + std::string(1100, 'a') + ".tx\n"));
    EXPECT_FALSE(d.FindAnalogFile(data.c_str(), out));

    TDataFile empty(nullptr);
    EXPECT_FALSE(empty.FindAnalogFile(data.c_str(), out));
}

TEST(DfnWrite, ReadsBackWhatItWrote) {
    TempDir dir;
    TDataFile d(3, 4, 120.0f, 2, 5, 3);
    d.verbose = false;
    d.SetPointInfo(0, "LASI", nullptr, nullptr);
    d.SetPointInfo(2, "RASI", nullptr, nullptr);
    std::strcpy(d.stickText, "1-2-3");
    d.missingValue = -1.0f;
    d.dfnIFlag = 1;
    d.AddEvent(2, "Foot Strike", 0, 0, false);
    d.headerEvents = new LabelledItemList();
    d.headerEvents->Add(LabelledItem(3, "Toe Off"));
    d.headerEvents->Add(LabelledItem(2, "Foot Strike"));
    ReplaceText(d.videoFile, "C:\\video.avi");
    d.videoFirstFrame = 1;
    d.videoLastFrame = 3;
    ReplaceText(d.formatText, "Format Intel Float");
    ReplaceText(d.dfnModel, "\\\\seg.ini");
    ReplaceText(d.dfnIn3, "display.in3");
    ReplaceText(d.analogFile, (dir.path() + "/walk_a.tx").c_str());
    const std::string data = dir.file("trial.tr3");
    ASSERT_TRUE(d.WriteDFN(data.c_str()));
    EXPECT_EQ(testsupport::ReadFileBytes(dir.file("trial.df3")),
              "[DFN]\n#P:8.33333\n#X:-1\n#D:9\n#R:3\n#S:1-2-3\n#A:walk_a.tx\n#I:1\n#1:LASI\n#2:M2\n#3:RASI\n"
              "#E:Foot Strike,2\n#E:Toe Off,3\n#V:C:\\video.avi,1,3\n#C:Format Intel Float\n#B:seg.ini\n"
              "#N:display.in3\n");

    Recording back(3, 4);
    ASSERT_TRUE(back.ReadDFN(data.c_str(), false, 0));
    EXPECT_NEAR(back.pointRate, 120.0f, 120.0f * 1e-5f);
    EXPECT_EQ(Label(back, 1), "M2");
    EXPECT_EQ(Label(back, 2), "RASI");
    EXPECT_EQ(HeaderEvent(back, 0), "Foot Strike@2");
    EXPECT_EQ(HeaderEvent(back, 1), "Toe Off@3");
    EXPECT_STREQ(back.videoFile, "C:\\video.avi");
    EXPECT_STREQ(back.dfnModel, "seg.ini");
    char analogPath[kPathBufferSize];
    EXPECT_TRUE(back.FindAnalogFile(data.c_str(), analogPath));
    EXPECT_EQ(std::string(analogPath), dir.file("walk_a.tx"));
}

TEST(DfnWrite, HeaderOnlyWithoutPointsAndNameFromTheFileNotTheFolder) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("v1.2").c_str(), 0755), 0);
    TDataFile d(nullptr);
    d.verbose = false;
    d.pointRate = 0.0f;
    ASSERT_TRUE(d.WriteDFN(dir.file("v1.2/walk").c_str()));
    EXPECT_EQ(testsupport::ReadFileBytes(dir.file("v1.2/walk.dfn")), "[DFN]\n#P:0\n#X:0\n#D:9\n#R:1\n#S:\n#I:0\n");
    EXPECT_FALSE(d.WriteDFN(dir.file("absent/walk.tx").c_str()));
    EXPECT_FALSE(d.WriteDFN(nullptr));
}

}  // namespace

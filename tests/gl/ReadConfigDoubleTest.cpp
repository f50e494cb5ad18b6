#include "gl/ReadConfigDouble.h"

#include <memory>

#include <gtest/gtest.h>
#include <wx/fileconf.h>
#include <wx/sstream.h>

#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

using ConfigReal = WxBaseTest;

TEST_F(ConfigReal, ReadsUnderPointAndCommaLocales) {
    struct Case {
        const char* stored;
        double pointLocale;  // expected under "C"
        double commaLocale;  // expected under a decimal-comma locale
    };
    const double def = -1.5;
    const Case cases[] = {
        {"0.25", 0.25, 0.25},  // written with "." whatever the locale
        {"250", 250, 250},
        {" -3.5e2 ", -350, -350},
        {"0,25", def, 0.25},  // a comma is a decimal point only where the locale says so
        {"abc", def, def},
        {"1.5x", def, def},
        {"", def, def},
    };
    for (bool comma : {false, true}) {
        std::unique_ptr<testsupport::CommaLocale> locale;
        if (comma) {
            locale = std::make_unique<testsupport::CommaLocale>();
            if (!locale->ok()) {
                ADD_FAILURE() << "no decimal-comma locale on this machine";
                continue;
            }
        }
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << (comma ? "comma" : "point") << " locale, text \""
                                            << c.stored << "\"");
            wxStringInputStream empty(wxString{});
            wxFileConfig config(empty);
            config.Write("/v", wxString::FromUTF8(c.stored));
            EXPECT_EQ(ReadConfigDouble(&config, "/v", def), comma ? c.commaLocale : c.pointLocale);
        }
    }
}

TEST_F(ConfigReal, MissingKeyGivesTheDefaultAndNoConfigurationZero) {
    wxStringInputStream empty(wxString{});
    wxFileConfig config(empty);
    EXPECT_EQ(ReadConfigDouble(&config, "/none", 7.5), 7.5);
    EXPECT_EQ(ReadConfigDouble(nullptr, "/none", 7.5), 0.0);
}

TEST_F(ConfigReal, MissingKeyIsRecordedAsEmptyTextWhenDefaultsAreRecorded) {
    wxStringInputStream empty(wxString{});
    wxFileConfig config(empty);
    config.SetRecordDefaults(true);
    EXPECT_EQ(ReadConfigDouble(&config, "/camera/camera_move", 200.0), 200.0);
    EXPECT_TRUE(config.Exists("/camera/camera_move"));
}

}  // namespace

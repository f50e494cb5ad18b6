// Isosurface data files without a display: one vertex per line, malformed rows, locales.
#include "shapes/isosurface.h"

#include <string>

#include <gtest/gtest.h>

#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

#include <wx/log.h>

namespace {

class IsoTest : public WxBaseTest {};

TEST_F(IsoTest, EveryLineIsOneVertex) {
    const struct {
        const char* name;
        std::string text;
        int count;
    } cases[] = {
        {"line end after each", "0 0 0  0 0 1\n1 0 0  0 0 1\n0 1 0  0 0 1\n1 1 0  0 0 1\n", 4},
        {"no final line end", "0 0 0  0 0 1\n1 0 0  0 0 1\n0 1 0  0 0 1\n1 1 0  0 0 1", 4},
        {"blank lines", "\n0 0 0 0 0 1\n\n  \r\n1 0 0 0 0 1\n\n", 2},
        {"CRLF and tabs", "0\t0\t0\t0\t0\t1\r\n1 0 0 0 0 1\r\n", 2},
        {"one line", "1.5 -2 3e1  0 0 -1\n", 1},
        {"empty", "", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        isosurface iso;
        ASSERT_TRUE(iso.ParseText(c.text)) << iso.GetError();
        EXPECT_EQ(iso.GetCount(), c.count);
        EXPECT_EQ(iso.GetNormals().size(), iso.GetVertices().size());
    }
    isosurface iso;
    ASSERT_TRUE(iso.ParseText("1.5 -2 3e1  0 0 -1\n"));
    EXPECT_FLOAT_EQ(iso.GetVertices()[0], 1.5f);
    EXPECT_FLOAT_EQ(iso.GetVertices()[2], 30.0f);
    EXPECT_FLOAT_EQ(iso.GetNormals()[2], -1.0f);
}

TEST_F(IsoTest, MalformedRowsNameTheirLine) {
    const struct {
        const char* name;
        std::string text;
        const char* line;
    } cases[] = {
        {"five numbers", "0 0 0 0 0 1\n1 0 0 0 0\n", "line 2 "},
        {"seven numbers", "0 0 0 0 0 1 7\n", "line 1 "},
        {"a word", "0 0 0 0 0 1\n\n0 0 x 0 0 1\n", "line 3 "},
        {"decimal comma", "0,5 0 0 0 0 1\n", "line 1 "},
        {"trailing text", "0 0 0 0 0 1abc\n", "line 1 "},
        {"not finite", "1e99 0 0 0 0 1\n", "line 1 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        isosurface iso;
        ASSERT_TRUE(iso.ParseText("0 0 0 0 0 1\n"));
        EXPECT_FALSE(iso.ParseText(c.text));
        EXPECT_NE(iso.GetError().find(c.line), std::string::npos) << iso.GetError();
        // What was there before stays.
        EXPECT_EQ(iso.GetCount(), 1);
    }
}

TEST_F(IsoTest, LoadReadsTheFileUnderACommaLocale) {
    testsupport::TempDir dir;
    const std::string path = dir.file("head.dat");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, "0.5 0 0  0 0 1\n1 0.25 0  0 0 1\n0 1 0  0 0 1\n"));
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    isosurface iso;
    iso.SetNormaliseOnLoad(false);  // no GL context here for the display list
    ASSERT_TRUE(iso.Load(wxString::FromUTF8(path.c_str())));
    EXPECT_TRUE(iso.IsLoaded());
    EXPECT_EQ(iso.GetCount(), 3);
    EXPECT_FLOAT_EQ(iso.GetVertices()[0], 0.5f);
    EXPECT_FLOAT_EQ(iso.GetVertices()[4], 0.25f);
    EXPECT_EQ(iso.GetInfo(), "v : 3");
    EXPECT_EQ(iso.GetName(0), "head");
    EXPECT_EQ(iso.GetFileName(), wxString::FromUTF8(path.c_str()));
}

TEST_F(IsoTest, UnreadableEmptyOrMalformedFilesFail) {
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("empty.dat"), "\n\n"));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("bad.dat"), "0 0 0 0 0 1\n1 2 3\n"));
    const struct {
        const char* file;
        const char* message;
    } cases[] = {{"absent.dat", "Unable to open"}, {"empty.dat", "no vertices"}, {"bad.dat", "line 2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        wxLogNull quiet;
        isosurface iso;
        iso.SetNormaliseOnLoad(false);
        EXPECT_FALSE(iso.Load(wxString::FromUTF8(dir.file(c.file).c_str())));
        EXPECT_FALSE(iso.IsLoaded());
        EXPECT_EQ(iso.GetFileName(), "");
        EXPECT_NE(iso.GetError().find(c.message), std::string::npos) << iso.GetError();
    }
}

}  // namespace

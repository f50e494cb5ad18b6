// SHL and TXV text meshes: the file layouts, gzip, line ends, locales and malformed files.
#include <cmath>
#include <cstdio>
#include <random>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "shapes/MeshText.h"
#include "shapes/MeshTestSupport.h"
#include "shapes/shapeSHL.h"
#include "shapes/shapeTVP.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

using testsupport::TempDir;

// A unit square (two triangles and one quad over 4 vertices) with scale 10.
const char* kSquareShl =
    "Version: 2\n"
    "4 2 0 10\n"
    "0.1 0.2 0.3\n0 0 0\n1 0 0\n1 1 0\n"
    "3 1 2 3\n"
    "4 1 2 3 4\n";

const char* kTriangleTxv =
    "#vertex and polygon text file\n"
    "3 1\n"
    "0 0 0  0 0 1\n"
    "1 0 0  0 0 1\n"
    "0 1 0  0 0 1\n"
    "3 1 2 3\n";

bool WriteGzip(const std::string& path, const std::string& text) {
    gzFile f = gzopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = gzwrite(f, text.data(), unsigned(text.size())) == int(text.size());
    return gzclose(f) == Z_OK && ok;
}

class TextMesh : public WxBaseTest {
protected:
    TempDir dir;
};

TEST_F(TextMesh, ShlStoresScaledVerticesAndCappedFaces) {
    // Scale 10 and the vertex 0.1 0.2 0.3 give (1, 2, 3); the 5-corner face keeps 4 corners and
    // its fifth index is dropped, the next record starting after it.
    const std::string text =
        "Version: 2\n3 2 0 10\n0.1 0.2 0.3\n0 0 0\n0.1 0 0\n5 1 2 3 1 2\n3 3 2 1\n";
    std::istringstream in(text);
    shapeSHL shl;
    shl.SetUseDisplayList(false);
    ASSERT_TRUE(shl.Load(in));
    EXPECT_TRUE(shl.IsLoaded());
    ASSERT_EQ(shl.GetVertexCount(), 3);
    ASSERT_EQ(shl.GetFaceCount(), 2);
    const int32_t* f = shl.GetFaces();
    EXPECT_EQ(std::vector<int32_t>(f, f + 10), (std::vector<int32_t>{4, 0, 1, 2, 0, 3, 2, 1, 0, 0}));
    EXPECT_EQ(shl.GetNormals(), nullptr);
    EXPECT_EQ(shl.GetInfo(), "v : 3  f : 2");
    // Extents (1, 2, 3) before normalising: size 1 scales by 1/3, so z spans [-0.5, 0.5] and
    // vertex 0 (the top corner) sits at z = 0.5.
    EXPECT_NEAR(shl.GetVertices()[2], 0.5f, 1e-6f);
    EXPECT_NEAR(shl.GetVertices()[1], 1.0f / 3, 1e-6f);
}

TEST_F(TextMesh, ShlNormalsGoToTheirVertices) {
    std::istringstream in(
        "Version: 2\n3 1 3 1\n0 0 0 1 0 0 0 1 0\n3 1 2 3\n0 0 1\n0 1 0\n1 0 0\n");
    shapeSHL shl;
    shl.SetUseDisplayList(false);
    ASSERT_TRUE(shl.Load(in));
    ASSERT_NE(shl.GetNormals(), nullptr);
    const float* n = shl.GetNormals();
    EXPECT_EQ(std::vector<float>(n, n + 9), (std::vector<float>{0, 0, 1, 0, 1, 0, 1, 0, 0}));
}

TEST_F(TextMesh, ShlWithTooFewNormalsTakesThemFromTheFaces) {
    std::istringstream in("Version: 2\n3 1 1 1\n0 0 0 1 0 0 0 1 0\n3 1 2 3\n0 1 0\n");
    shapeSHL shl;
    shl.SetUseDisplayList(false);
    ASSERT_TRUE(shl.Load(in));
    const float* n = shl.GetNormals();
    ASSERT_NE(n, nullptr);
    for (int v = 0; v < 3; ++v) EXPECT_FLOAT_EQ(n[v * 3 + 2], 1.0f) << v;
}

TEST_F(TextMesh, TvpReadsVerticesWithNormals) {
    std::istringstream in(kTriangleTxv);
    shapeTVP tvp;
    tvp.SetUseDisplayList(false);
    ASSERT_TRUE(tvp.Load(in));
    EXPECT_EQ(tvp.GetTypeName(), "tvp");
    ASSERT_EQ(tvp.GetVertexCount(), 3);
    ASSERT_EQ(tvp.GetFaceCount(), 1);
    const float* n = tvp.GetNormals();
    ASSERT_NE(n, nullptr);
    for (int v = 0; v < 3; ++v) EXPECT_EQ(n[v * 3 + 2], 1.0f);
    const int32_t* f = tvp.GetFaces();
    EXPECT_EQ(std::vector<int32_t>(f, f + 5), (std::vector<int32_t>{3, 0, 1, 2, 0}));
}

// The same meshes through a file: plain, gzip-compressed (suffix in any case), CRLF line ends,
// upper-case header; the shape is named after the file without its last extension.
TEST_F(TextMesh, LoadsFilesPlainGzippedAndWithCrLf) {
    struct Case {
        const char* file;
        std::string text;
        bool gzip;
        std::function<shapeVP*()> make;
        const char* name;
        int vertices;
    } cases[] = {
        {"square.shl", kSquareShl, false, [] { return new shapeSHL; }, "square", 4},
        {"part.SHL.GZ", kSquareShl, true, [] { return new shapeSHL; }, "part.SHL", 4},
        {"crlf.shl", testsupport::WithCrlf(kSquareShl), false, [] { return new shapeSHL; }, "crlf", 4},
        {"upper.shl", std::string("VERSION: 2") + (kSquareShl + 10), false,
         [] { return new shapeSHL; }, "upper", 4},
        {"tri.txv", kTriangleTxv, false, [] { return new shapeTVP; }, "tri", 3},
        {"tri.txv.gz", testsupport::WithCrlf(kTriangleTxv), true, [] { return new shapeTVP; }, "tri.txv", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = dir.file(c.file);
        ASSERT_TRUE(c.gzip ? WriteGzip(path, c.text) : testsupport::WriteFileBytes(path, c.text));
        std::unique_ptr<shapeVP> shape(c.make());
        shape->SetUseDisplayList(false);
        LogCapture log;
        const std::string cwd = dez::CurrentDirectory();
        ASSERT_TRUE(shape->Load(path)) << log.All();
        EXPECT_EQ(dez::CurrentDirectory(), cwd);
        EXPECT_EQ(shape->GetVertexCount(), c.vertices);
        EXPECT_EQ(shape->GetName(0), c.name);
        EXPECT_EQ(shape->GetFileName(), path);
        EXPECT_TRUE(log.entries.empty()) << log.All();
    }
}

// The short path for plain decimals must agree with the C library's conversion to the last bit.
TEST(MeshNumbers, WordToDoubleMatchesStrtod) {
    const char* words[] = {"0", "-0", "1", "+2.5", "-.5", "1.", "0.001", "123456789012345",
                           "1234567890123456789", "3.14159265358979323846", "1e3", "-2.5E-3",
                           "1e22", "1e23", "4.9e-324", "1e400", "inf", "-nan", "0.1", "-194.19950867"};
    for (const char* w : words) {
        SCOPED_TRACE(w);
        double got = 12345;
        ASSERT_TRUE(dez::WordToDouble(w, got));
        const double want = dez::StrToD(w);
        if (std::isnan(want)) {
            EXPECT_TRUE(std::isnan(got));
        } else {
            EXPECT_EQ(got, want);
        }
    }
    // Mixed random decimals, seeded.
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const std::string w = dez::Format("%s%u.%0*u", rng() & 1 ? "-" : "", unsigned(rng() % 100000),
                                          int(rng() % 9 + 1), unsigned(rng() % 1000000000));
        double got = 0;
        ASSERT_TRUE(dez::WordToDouble(w, got)) << w;
        ASSERT_EQ(got, dez::StrToD(w.c_str())) << w;
    }
    for (const char* bad : {"", "-", "+-1", "--1", "1e", "1.5x", "x", ".", "1,5", "0x10"}) {
        double got = 7;
        EXPECT_FALSE(dez::WordToDouble(bad, got)) << bad;
    }
}

TEST_F(TextMesh, NumbersUseThePointUnderADecimalCommaLocale) {
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    std::istringstream in("Version: 2\n3 1 0 0.5\n0.5 0 0\n0 1.5 0\n0 0 2.5\n3 1 2 3\n");
    shapeSHL shl;
    shl.SetUseDisplayList(false);
    shl.SetSize(1.25f);  // the largest extent (1.25 after the scale) keeps its length
    ASSERT_TRUE(shl.Load(in));
    // Extents after the scale 0.5: 0.25, 0.75, 1.25.
    const float* v = shl.GetVertices();
    EXPECT_NEAR(v[0] - v[3], 0.25f, 1e-6f);
    EXPECT_NEAR(v[4] - v[1], 0.75f, 1e-6f);
    EXPECT_NEAR(v[8] - v[2], 1.25f, 1e-6f);
}

// Files that must be refused, each with the message (if any) and no mesh left behind.
TEST_F(TextMesh, RefusesMalformedFiles) {
    struct Case {
        const char* name;
        bool shl;
        std::string text;
        const char* message;  // "" when the file is refused silently
    } cases[] = {
        {"shl header version 3", true, "Version: 3\n3 1 0 1\n", "This is not a valid SHL file"},
        {"tvp header with trailing blank", false,
         "#vertex and polygon text file \n3 1\n", "This file is not a vertex and polygon text file."},
        {"shl zero vertices", true, "Version: 2\n0 1 0 1\n", ""},
        {"shl zero scale", true, "Version: 2\n3 1 0 0\n0 0 0 1 0 0 0 1 0\n3 1 2 3\n", ""},
        {"tvp zero faces", false, "#vertex and polygon text file\n3 0\n", ""},
        {"shl negative count", true, "Version: 2\n-3 1 0 1\n", "do not fit"},
        {"shl huge count", true, "Version: 2\n2000000000 1 0 1\n1 2 3\n", "do not fit"},
        {"tvp huge count", false, "#vertex and polygon text file\n4000000000 4000000000\n",
         "do not fit"},
        {"shl index above the vertices", true, "Version: 2\n3 1 0 1\n0 0 0 1 0 0 0 1 0\n3 1 2 4\n",
         "corner 4 is not a vertex"},
        {"shl index 0", true, "Version: 2\n3 1 0 1\n0 0 0 1 0 0 0 1 0\n3 0 1 2\n",
         "corner 0 is not a vertex"},
        {"tvp negative index", false,
         "#vertex and polygon text file\n3 1\n0 0 0 0 0 1 1 0 0 0 0 1 0 1 0 0 0 1\n3 1 -2 3\n",
         "corner -2 is not a vertex"},
        {"shl negative corner count", true, "Version: 2\n3 1 0 1\n0 0 0 1 0 0 0 1 0\n-3 1 2 3\n",
         "corners"},
        {"shl huge corner count", true,
         "Version: 2\n3 1 0 1\n0 0 0 1 0 0 0 1 0\n999999999999 1 2 3\n", "corners"},
        // Cut short inside a face: the missing index reads 0, which is no vertex.
        {"shl truncated", true, "Version: 2\n3 1 0 1\n0 0 0 1 0 0 0 1 0\n3 1 2", "is not a vertex"},
        {"empty", true, "", "This is not a valid SHL file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.shl ? "bad.shl" : "bad.txv");
        ASSERT_TRUE(testsupport::WriteFileBytes(path, c.text));
        std::unique_ptr<shapeVP> shape(c.shl ? static_cast<shapeVP*>(new shapeSHL)
                                             : static_cast<shapeVP*>(new shapeTVP));
        LogCapture log;
        EXPECT_FALSE(shape->Load(path));
        EXPECT_FALSE(shape->IsLoaded());
        EXPECT_EQ(shape->GetVertices(), nullptr);
        EXPECT_EQ(shape->GetFileName(), "");
        if (*c.message == 0) {
            EXPECT_TRUE(log.entries.empty()) << log.All();
            continue;
        }
        ASSERT_EQ(log.entries.size(), 1u) << log.All();
        EXPECT_EQ(log.entries[0].level, wxLOG_Error);
        EXPECT_EQ(log.entries[0].function, c.shl ? "shapeSHL::Load" : "shapeTVP::Load");
        EXPECT_NE(log.entries[0].text.find(c.message), std::string::npos) << log.entries[0].text;
    }
}

TEST_F(TextMesh, MissingFileIsReportedWithItsPath) {
    for (bool shl : {true, false}) {
        std::unique_ptr<shapeVP> shape(shl ? static_cast<shapeVP*>(new shapeSHL)
                                           : static_cast<shapeVP*>(new shapeTVP));
        const std::string path = dir.file(shl ? "none.shl" : "none.txv.gz");
        LogCapture log;
        EXPECT_FALSE(shape->Load(path));
        ASSERT_EQ(log.entries.size(), 1u);
        EXPECT_EQ(log.entries[0].text, "Unable to open " + path);
        EXPECT_EQ(log.entries[0].function, shl ? "shapeSHL::Load" : "shapeTVP::Load");
    }
}

TEST_F(TextMesh, CorruptGzipIsRefused) {
    const std::string path = dir.file("cut.shl.gz");
    ASSERT_TRUE(WriteGzip(path, kSquareShl));
    std::string bytes = testsupport::ReadFileBytes(path);
    ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes.substr(0, bytes.size() / 2)));
    shapeSHL shl;
    LogCapture log;
    EXPECT_FALSE(shl.Load(path));
    EXPECT_EQ(log.entries.size(), 1u);
}

}  // namespace

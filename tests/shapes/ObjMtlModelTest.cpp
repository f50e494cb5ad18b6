// The OBJ/MTL model reader and its normals and fitting, without a display: faces and fans,
// groups, materials, numbers in any locale, malformed files and the public samples.
#include "shapes/ObjMtlModel.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

using testsupport::TempDir;

// Collects what the reader writes to standard output while it lives.
class StdoutCapture {
public:
    StdoutCapture() : previous_(std::cout.rdbuf(text_.rdbuf())) {}
    ~StdoutCapture() { std::cout.rdbuf(previous_); }
    std::string str() const { return text_.str(); }

private:
    std::ostringstream text_;
    std::streambuf* previous_;
};

std::unique_ptr<ObjMtlModel> Parse(const std::string& text, const std::string& path = "/nowhere/m.obj") {
    return glmParseOBJ(path, text);
}

std::vector<unsigned> Vertices(const ObjMtlModel& m, unsigned t) {
    const auto& v = m.triangles.at(t).vindices;
    return {v[0], v[1], v[2]};
}

const ObjMtlGroup* Group(const ObjMtlModel& m, const std::string& name) {
    for (const auto& g : m.groups)
        if (g.name == name) return &g;
    return nullptr;
}

TEST(ObjMtlReader, PolygonsAreFannedAroundTheFirstCorner) {
    auto m = Parse("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv -1 1 0\n"
                   "f 1 2 3 4\nf 1 2 3 4 5\n");
    ASSERT_EQ(m->TriangleCount(), 5u);
    EXPECT_EQ(Vertices(*m, 0), (std::vector<unsigned>{1, 2, 3}));
    EXPECT_EQ(Vertices(*m, 1), (std::vector<unsigned>{1, 3, 4}));
    EXPECT_EQ(Vertices(*m, 4), (std::vector<unsigned>{1, 4, 5}));
    EXPECT_EQ(m->VertexCount(), 5u);
}

TEST(ObjMtlReader, CornerFormsKeepTheirIndices) {
    const std::string head = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nvn 0 0 1\nvn 0 0 1\n"
                             "vt 0 0\nvt 1 0\nvt 0 1\n";
    const struct {
        const char* face;
        unsigned n[3];
        unsigned t[3];
    } cases[] = {
        {"f 1//3 2//2 3//1", {3, 2, 1}, {0, 0, 0}},
        {"f 1/2/3 2/3/1 3/1/2", {3, 1, 2}, {2, 3, 1}},
        {"f 1/3 2/1 3/2", {0, 0, 0}, {3, 1, 2}},
        {"f 1 2 3", {0, 0, 0}, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.face);
        auto m = Parse(head + c.face + "\n");
        ASSERT_EQ(m->TriangleCount(), 1u);
        const ObjMtlTriangle& t = m->triangles[0];
        EXPECT_EQ(Vertices(*m, 0), (std::vector<unsigned>{1, 2, 3}));
        for (int j = 0; j < 3; ++j) {
            EXPECT_EQ(t.nindices[j], c.n[j]) << j;
            EXPECT_EQ(t.tindices[j], c.t[j]) << j;
        }
    }
}

TEST(ObjMtlReader, FacesGoToTheirGroupsAndGroupsOfOneNameMerge) {
    auto m = Parse("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\ng arm\nf 1 2 3\ng leg\nf 1 3 2\n"
                   "g arm\nf 2 3 1\n");
    ASSERT_EQ(m->GroupCount(), 3u);
    EXPECT_EQ(Group(*m, "default")->triangles, (std::vector<unsigned>{0}));
    EXPECT_EQ(Group(*m, "arm")->triangles, (std::vector<unsigned>{1, 3}));
    EXPECT_EQ(Group(*m, "leg")->triangles, (std::vector<unsigned>{2}));
}

TEST(ObjMtlReader, CrlfAndCommaLocaleReadLikeLf) {
    const std::string text = "v 1.5 2.5 3.5\r\nv -1e-1 +2. 0\r\nv 0 0 1\r\nf 1 2 3\r\n";
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    auto m = Parse(text);
    ASSERT_EQ(m->VertexCount(), 3u);
    const float expected[] = {1.5f, 2.5f, 3.5f, -0.1f, 2.0f, 0.0f};
    for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(m->vertices[3 + i], expected[i]) << i;
    EXPECT_EQ(m->TriangleCount(), 1u);
}

TEST(ObjMtlReader, MalformedFacesAreDroppedWithAMessage) {
    const struct {
        const char* face;
        const char* message;
    } cases[] = {
        {"f 1 2 9", "line 4"},        // beyond the vertices
        {"f 0 1 2", "line 4"},        // indices start at 1
        {"f -1 -2 -3", "line 4"},     // relative indices are not read
        {"f 1//7 2//1 3//1", "line 4"},  // no such normal
        {"f 1/5 2/1 3/1", "line 4"},  // no such texture coordinate
        {"f 99999999999999999999 1 2", "line 4"},
        {"f 1 2", "fewer than three corners"},
        {"f", "fewer than three corners"},
        {"f x y z", "fewer than three corners"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.face);
        StdoutCapture out;
        auto m = Parse(std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\n") + c.face + "\nvn 0 0 1\nvt 0 0\n" +
                       "f 1 2 3\n");
        ASSERT_EQ(m->TriangleCount(), 1u);
        EXPECT_EQ(Vertices(*m, 0), (std::vector<unsigned>{1, 2, 3}));
        // The group lists follow the kept triangles.
        EXPECT_EQ(Group(*m, "default")->triangles, (std::vector<unsigned>{0}));
        EXPECT_NE(out.str().find(c.message), std::string::npos) << out.str();
    }
}

TEST(ObjMtlReader, LaterCornersInAnotherFormEndTheFace) {
    auto m = Parse("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3 4/1\n");
    EXPECT_EQ(m->TriangleCount(), 1u);
}

TEST(ObjMtlReader, UnknownVertexWordIsReported) {
    StdoutCapture out;
    auto m = Parse("vp 1 2\nv 0 0 0\n");
    EXPECT_EQ(m->VertexCount(), 1u);
    EXPECT_NE(out.str().find("_glmFirstPass(): Unknown token \"vp\".\n"), std::string::npos);
}

TEST(ObjMtlReader, MaterialsFromTheLibraryBesideTheFile) {
    TempDir dir;
    ASSERT_TRUE(testsupport::WriteFileBytes(
        dir.file("m.mtl"), "Kd 0.1 0.2 0.3\r\n"
                           "newmtl red\r\nKa 0.5 0 0\r\nKd 1 0 0\r\nKs 0.25 0.25 0.25\r\nNs 500\r\n"
                           "Ni 1.5\r\nNsx 7\r\n"
                           "newmtl a-name-longer-than-one-hundred-and-twenty-seven-characters-"
                           "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"
                           "xxxxxxxxxxxxxxxxxxx\nNs 5000\n"));
    const std::string obj = "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl red\ng one\nf 1 2 3\n"
                            "g two\nusemtl missing\nf 1 2 3\n";
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("m.obj"), obj));
    StdoutCapture out;
    auto m = glmReadOBJ(dir.file("m.obj"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->mtllibname, "m.mtl");
    ASSERT_EQ(m->MaterialCount(), 3u);
    const ObjMtlMaterial& def = m->materials[0];
    EXPECT_EQ(def.name, "default");
    // Values before the first name change "default".
    EXPECT_FLOAT_EQ(def.diffuse[0], 0.1f);
    EXPECT_FLOAT_EQ(def.diffuse[2], 0.3f);
    const ObjMtlMaterial& red = m->materials[1];
    EXPECT_EQ(red.name, "red");
    EXPECT_FLOAT_EQ(red.ambient[0], 0.5f);
    EXPECT_FLOAT_EQ(red.diffuse[0], 1.0f);
    EXPECT_FLOAT_EQ(red.diffuse[1], 0.0f);
    EXPECT_FLOAT_EQ(red.diffuse[3], 1.0f);
    EXPECT_FLOAT_EQ(red.specular[1], 0.25f);
    // Ns 500 is 64 on OpenGL's scale; Ni and other N words leave it alone.
    EXPECT_FLOAT_EQ(red.shininess, 64.0f);
    EXPECT_EQ(m->materials[2].name.size(), 151u);
    EXPECT_FLOAT_EQ(m->materials[2].shininess, 128.0f);
    // "usemtl" names the group's material; the group takes the current one.
    EXPECT_EQ(Group(*m, "one")->material, 1u);
    EXPECT_EQ(Group(*m, "two")->material, 0u);
    EXPECT_NE(out.str().find("_glmFindMaterial():  can't find material \"missing\".\n"),
              std::string::npos)
        << out.str();
}

TEST(ObjMtlReader, UnreadableFilesAreReported) {
    TempDir dir;
    StdoutCapture out;
    EXPECT_FALSE(glmReadOBJ(dir.file("absent.obj")));
    EXPECT_NE(out.str().find("glmReadOBJ() failed: can't open data file " + dir.file("absent.obj") + " (Cannot open '" +
                             dir.file("absent.obj") + "': No such file or directory)"),
              std::string::npos)
        << out.str();
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("m.obj"),
                                            "mtllib gone.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"));
    auto m = glmReadOBJ(dir.file("m.obj"));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->MaterialCount(), 0u);
    EXPECT_EQ(m->TriangleCount(), 1u);
    EXPECT_NE(out.str().find("_glmReadMTL() failed: can't open material file << " + dir.file("gone.mtl") +
                             " (Cannot open '" + dir.file("gone.mtl") + "': No such file or directory)"),
              std::string::npos)
        << out.str();
}

TEST(ObjMtlNormals, SquareSharesOneNormalAtEveryVertex) {
    auto m = Parse("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3\nf 1 3 4\n");
    glmMakeFaceNormals(*m);
    StdoutCapture out;
    glmVertexNormals(*m, 90);
    EXPECT_EQ(m->NormalCount(), 4u);
    EXPECT_NE(out.str().find("glmVertexNormals(): 4 normals generated\n"), std::string::npos);
    for (unsigned i = 1; i <= 4; ++i) {
        EXPECT_FLOAT_EQ(m->normals[3 * i + 2], 1.0f) << i;
        EXPECT_FLOAT_EQ(m->normals[3 * i], 0.0f) << i;
    }
}

TEST(ObjMtlNormals, CubeCornersNeverMixTwoFaces) {
    // A unit cube, two triangles per face, outward winding.
    auto m = Parse("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
                   "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 2 3 7 6\nf 3 4 8 7\nf 4 1 5 8\n");
    ASSERT_EQ(m->TriangleCount(), 12u);
    glmMakeFaceNormals(*m);
    glmVertexNormals(*m, 90);
    for (const ObjMtlTriangle& t : m->triangles) {
        const float* f = &m->facetnorms[3 * t.findex];
        for (int j = 0; j < 3; ++j) {
            const float* n = &m->normals[3 * t.nindices[j]];
            EXPECT_NEAR(n[0], f[0], 1e-6f);
            EXPECT_NEAR(n[1], f[1], 1e-6f);
            EXPECT_NEAR(n[2], f[2], 1e-6f);
        }
    }
    // Each corner: one shared normal for its reference face's two triangles (or one), one of its
    // own for each other triangle: 8 vertices share 36 corners among at most 36 normals.
    EXPECT_LE(m->NormalCount(), 36u);
    EXPECT_GE(m->NormalCount(), 24u);
}

TEST(ObjMtlNormals, DegenerateTrianglesGetZeroNormalsNeverNaN) {
    // A triangle with two equal corners, and two opposite faces sharing all vertices.
    auto m = Parse("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 2\nf 1 2 3\nf 1 3 2\n");
    glmMakeFaceNormals(*m);
    glmVertexNormals(*m, 180);
    for (float x : m->facetnorms) EXPECT_FALSE(std::isnan(x));
    for (float x : m->normals) EXPECT_FALSE(std::isnan(x));
    EXPECT_EQ(m->facetnorms[3], 0.0f);
    // Every corner has a normal within the array.
    for (const ObjMtlTriangle& t : m->triangles)
        for (unsigned n : t.nindices) {
            EXPECT_GE(n, 1u);
            EXPECT_LE(n, m->NormalCount());
        }
}

TEST(ObjMtlFit, CentresAndScalesByTheLargestExtent) {
    const struct {
        const char* name;
        const char* text;
        float factor;
        float extents[3];
    } cases[] = {
        {"off the origin", "v 10 20 30\nv 14 21 30\n", 0.5f, {2.0f, 0.5f, 0.0f}},
        {"flat", "v -1 -1 0\nv 1 3 0\n", 0.5f, {1.0f, 2.0f, 0.0f}},
        {"one point", "v 5 5 5\n", 1.0f, {0, 0, 0}},
        {"empty", "", 1.0f, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto m = Parse(c.text);
        EXPECT_FLOAT_EQ(glmFitToUnitBox(*m), c.factor);
        float e[3];
        glmExtents(*m, e);
        for (int a = 0; a < 3; ++a) EXPECT_NEAR(e[a], c.extents[a], 1e-6f) << a;
        for (float x : m->vertices) EXPECT_TRUE(std::isfinite(x));
    }
}

TEST(ObjMtlMode, ImpossibleModesAreCorrectedWithWarnings) {
    auto bare = Parse("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    StdoutCapture out;
    EXPECT_EQ(glmCheckMode(*bare, GLM_SMOOTH | GLM_MATERIAL), 0u);
    EXPECT_NE(out.str().find("glmDraw() warning: smooth render mode requested with no normals "
                             "defined.\n"),
              std::string::npos);
    EXPECT_NE(out.str().find("material render mode requested with no materials defined."),
              std::string::npos);
    glmMakeFaceNormals(*bare);
    glmVertexNormals(*bare, 90);
    bare->materials.resize(1);
    EXPECT_EQ(glmCheckMode(*bare, GLM_FLAT | GLM_SMOOTH | GLM_COLOR | GLM_MATERIAL),
              GLM_SMOOTH | GLM_MATERIAL);
}

// Counts and boxes from Assimp 5.2 ("assimp info FILE", run once). Assimp's box covers the
// vertices that faces use; spider.obj holds 28 triangles without area that Assimp turns into 28
// lines (1340 triangles), which this reader keeps as triangles.
TEST(ObjMtlSamples, MatchAnIndependentReader) {
    const struct {
        const char* file;
        unsigned triangles;
        unsigned vertices;  // "v" lines
        unsigned materials;
        float lo[3];
        float hi[3];
    } cases[] = {
        {"obj/box.obj", 12, 8, 0, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}},
        {"obj/box_without_lineending.obj", 12, 8, 0, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}},
        {"obj/cube_usemtl.obj", 12, 8, 3, {0, 0, 0}, {1, 1, 1}},
        {"obj/empty_mat.obj", 256, 130, 2, {-1, -1, -1}, {1, 2.802455f, 1}},
        {"obj/concave_polygon.obj", 64, 64, 2, {-1.146f, 1.6575f, 1.6055f}, {-1.146f, 3.1425f, 3.0905f}},
        {"obj/number_formats.obj", 1, 15, 0, {-1, -2, -3}, {1, 2, 3}},
        {"obj/regr01.obj", 2710, 2108, 13, {-194.199509f, -204.511566f, 0}, {1442.085571f, 967.615295f, 337.509033f}},
        {"obj/spider.obj", 1368, 762, 6, {-92.655235f, -42.233826f, -106.691200f}, {57.936218f, 37.503952f, 86.691200f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = testsupport::SampleFile(c.file);
        if (path.empty()) FAIL() << "sample file missing";
        StdoutCapture out;
        auto m = glmReadOBJ(path);
        ASSERT_TRUE(m);
        EXPECT_EQ(m->TriangleCount(), c.triangles);
        EXPECT_EQ(m->VertexCount(), c.vertices);
        EXPECT_EQ(m->MaterialCount(), c.materials);
        float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
        for (const ObjMtlTriangle& t : m->triangles)
            for (unsigned v : t.vindices)
                for (int a = 0; a < 3; ++a) {
                    lo[a] = std::min(lo[a], m->vertices[3 * v + a]);
                    hi[a] = std::max(hi[a], m->vertices[3 * v + a]);
                }
        for (int a = 0; a < 3; ++a) {
            EXPECT_NEAR(lo[a], c.lo[a], 1e-4f * std::max(1.0f, std::abs(c.lo[a]))) << a;
            EXPECT_NEAR(hi[a], c.hi[a], 1e-4f * std::max(1.0f, std::abs(c.hi[a]))) << a;
        }
        unsigned grouped = 0;
        for (const auto& g : m->groups) grouped += unsigned(g.triangles.size());
        EXPECT_EQ(grouped, c.triangles);
    }
}

TEST(ObjMtlSamples, NumbersInEveryNotation) {
    const std::string path = testsupport::SampleFile("obj/number_formats.obj");
    if (path.empty()) FAIL() << "sample file missing";
    auto m = glmReadOBJ(path);
    ASSERT_TRUE(m);
    const struct {
        unsigned v;
        float x, y, z;
    } cases[] = {{3, 1, 2, 3},        {4, -1, -2, -3},       {6, 100, 20, 310},
                 {8, 100, 20, 3.1f},  {11, 0.01f, 0.2f, 3.1f}, {14, 1e10f, 20, 3.1e10f},
                 {15, 100, 20, 310}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.v);
        EXPECT_FLOAT_EQ(m->vertices[3 * c.v], c.x);
        EXPECT_FLOAT_EQ(m->vertices[3 * c.v + 1], c.y);
        EXPECT_FLOAT_EQ(m->vertices[3 * c.v + 2], c.z);
    }
}

}  // namespace

// The indexed OBJ loader and the OBJ mesh shape: the group index, one group or the whole file,
// face corners, locales, malformed faces and the samples.
#include "shapes/objloader.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shapes/MeshTestSupport.h"
#include "shapes/shapeOBJ.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

const char* kArmLeg =
    "g arm\n"
    "v 0 0 0\n"
    "v 1 0 0\n"
    "v 1 1 0\n"
    "v 0 1 0\n"
    "f 1 2 3\n"
    "f 1 3 4\n"
    "g leg\n"
    "v 0 0 1\n"
    "v 1 0 1\n"
    "v 0 1 2\n"
    "f 5 6 7\n";

class ObjLoader : public WxBaseTest {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testsupport::WriteFileBytes(path, text));
        return path;
    }
    TempDir dir;
};

TEST_F(ObjLoader, IndexListsEachGroupsLinesAndFirstVertex) {
    const std::string path = Write("limbs.obj", kArmLeg);
    objloader loader(path, true);
    ASSERT_TRUE(loader.IsOpen());
    EXPECT_FALSE(loader.IndexFromFile());
    EXPECT_EQ(loader.IndexPath(), dir.file("limbs.idx"));
    EXPECT_EQ(testsupport::ReadFileBytes(dir.file("limbs.idx")),
              "# objidx\n# size " + std::to_string(std::string(kArmLeg).size()) +
                  "\n2 6 arm 4 2 0\n9 12 leg 3 1 4\n");
    EXPECT_TRUE(objloader::IsIndexFile(dir.file("limbs.idx")));
    ASSERT_EQ(loader.CountGroups(), 2);
    ObjGroupInfo leg;
    ASSERT_TRUE(loader.GetGroupInfo(2, leg));
    EXPECT_EQ(leg.name, "leg");
    EXPECT_FALSE(loader.GetGroupInfo(3, leg));
    EXPECT_FALSE(loader.GetGroupInfo(0, leg));

    std::vector<float> v;
    std::vector<int32_t> f;
    ASSERT_TRUE(loader.ReadGroup(2, v, f, true)) << loader.Error();
    EXPECT_EQ(v, (std::vector<float>{0, 0, 1, 1, 0, 1, 0, 1, 2}));
    EXPECT_EQ(f, (std::vector<int32_t>{3, 0, 1, 2, 0}));
    // Without rebasing the indices point into the whole file's vertices.
    ASSERT_TRUE(loader.ReadGroupFaces(2, f, false));
    EXPECT_EQ(f, (std::vector<int32_t>{3, 4, 5, 6, 0}));
    ASSERT_TRUE(loader.ReadAll(v, f));
    EXPECT_EQ(v.size(), 21u);
    EXPECT_EQ(f, (std::vector<int32_t>{3, 0, 1, 2, 0, 3, 0, 2, 3, 0, 3, 4, 5, 6, 0}));
}

TEST_F(ObjLoader, IndexIsReusedUntilTheObjChanges) {
    const std::string path = Write("limbs.obj", kArmLeg);
    { objloader first(path, true); }
    const std::string idx = dir.file("limbs.idx");
    objloader second(path, true);
    EXPECT_TRUE(second.IndexFromFile());
    EXPECT_EQ(second.CountGroups(), 2);

    // Same size but newer than the index: rebuilt.
    std::string changed = kArmLeg;
    changed.replace(changed.find("g leg"), 5, "g toe");
    Write("limbs.obj", changed);
    fs::last_write_time(path, fs::last_write_time(idx) + std::chrono::seconds(5));
    objloader third(path, true);
    EXPECT_FALSE(third.IndexFromFile());
    ObjGroupInfo g;
    ASSERT_TRUE(third.GetGroupInfo(2, g));
    EXPECT_EQ(g.name, "toe");

    // Older than the index but another size: rebuilt.
    Write("limbs.obj", std::string(kArmLeg) + "g foot\nv 0 0 0\nv 1 1 1\nv 0 0 1\nf 8 9 10\n");
    fs::last_write_time(path, fs::last_write_time(idx) - std::chrono::seconds(5));
    objloader fourth(path, true);
    EXPECT_FALSE(fourth.IndexFromFile());
    EXPECT_EQ(fourth.CountGroups(), 3);

    // A damaged index is rebuilt too.
    testsupport::WriteFileBytes(idx, "# objidx\n# size 12\n1 2 three\n");
    objloader fifth(path, true);
    EXPECT_FALSE(fifth.IndexFromFile());
    EXPECT_EQ(fifth.CountGroups(), 3);
}

TEST_F(ObjLoader, UnwritableIndexIsKeptInMemory) {
    // A folder where the index file should go cannot be replaced, whoever runs the test.
    const std::string path = Write("limbs.obj", kArmLeg);
    fs::create_directory(dir.file("limbs.idx"));
    objloader loader(path, true);
    EXPECT_TRUE(fs::is_directory(dir.file("limbs.idx")));
    EXPECT_FALSE(loader.IndexFromFile());
    EXPECT_EQ(loader.CountGroups(), 2);
    std::vector<float> v;
    std::vector<int32_t> f;
    EXPECT_TRUE(loader.ReadGroup(1, v, f, true));
    EXPECT_EQ(v.size(), 12u);
}

TEST_F(ObjLoader, GroupRules) {
    // A group line with the same first word continues the group; vertices before the first "g"
    // line belong to the first group, which then starts on line 1; names keep their blanks.
    const std::string path = Write("rules.obj",
                                   "v 0 0 0\nv 1 0 0\ng Arm\nv 0 1 0\nf 1 2 3\n"
                                   "g arm left\nv 0 0 5\nf 2 3 4\n"
                                   "g right leg\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf -3 -2 -1\n");
    objloader loader(path, true);
    ASSERT_EQ(loader.CountGroups(), 2);
    ObjGroupInfo a, b;
    ASSERT_TRUE(loader.GetGroupInfo(1, a));
    EXPECT_EQ(a.name, "Arm");
    EXPECT_EQ(a.firstVertexLine, 1);
    EXPECT_EQ(a.vertexLines, 4);
    EXPECT_EQ(a.faceLines, 2);
    ASSERT_TRUE(loader.GetGroupInfo(2, b));
    EXPECT_EQ(b.name, "right leg");
    EXPECT_EQ(b.vertexOrdinal, 4);
    // The name with a blank survives the index file.
    objloader again(path, true);
    EXPECT_TRUE(again.IndexFromFile());
    ASSERT_TRUE(again.GetGroupInfo(2, b));
    EXPECT_EQ(b.name, "right leg");
    std::vector<float> v;
    std::vector<int32_t> f;
    ASSERT_TRUE(again.ReadGroup(2, v, f, true)) << again.Error();
    // Negative indices count back from the last vertex so far.
    EXPECT_EQ(f, (std::vector<int32_t>{3, 0, 1, 2, 0}));
}

TEST_F(ObjLoader, FaceCorners) {
    struct Case {
        const char* line;
        std::vector<long> corners;
    } cases[] = {
        {"f 5 6 7 8", {5, 6, 7, 8}},
        {"f 1/4/2 5//6 7/1", {1, 5, 7}},
        {"f\t-1 -2\t-3", {-1, -2, -3}},
        {"f 1 2 x 4", {1, 2}},
        {"f", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<long> got;
        EXPECT_EQ(ParseFaceCorners(c.line, got), int(c.corners.size()));
        EXPECT_EQ(got, c.corners);
    }
    EXPECT_TRUE(SameGroupName("Arm", "arm left"));
    EXPECT_FALSE(SameGroupName("arm", "leg"));
}

TEST_F(ObjLoader, PolygonsBecomeFansAndOnlyVLinesAreVertices) {
    const std::string path = Write("fan.obj",
                                   "# comment\r\nv 0 0 0\r\nvn 0 0 1\r\nvt 0.5 0.5\r\nv 1 0 0\r\n"
                                   "v 1 1 0\r\nv 0 1 0\r\nv 0.5 2 0\r\nf 1/1/1 2/1/1 3/1/1 4/1/1 5/1/1\r\n"
                                   "f 1 2\r\nl 1 2\r\n");
    objloader loader(path, false);
    std::vector<float> v;
    std::vector<int32_t> f;
    ASSERT_TRUE(loader.ReadAll(v, f)) << loader.Error();
    EXPECT_EQ(v.size(), 15u);
    // The pentagon gives 3 triangles; the two-corner line none.
    EXPECT_EQ(f, (std::vector<int32_t>{3, 0, 1, 2, 0, 3, 0, 2, 3, 0, 3, 0, 3, 4, 0}));
}

TEST_F(ObjLoader, VertexNumbersUseThePointAndKeepUnreadableValues) {
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    const std::string path = Write("loc.obj", "v 0.25 -1e2 +3.5\nv 1.5 2 x\nf 1 2 1\n");
    objloader loader(path, false);
    std::vector<float> v;
    std::vector<int32_t> f;
    ASSERT_TRUE(loader.ReadAll(v, f));
    EXPECT_EQ(v, (std::vector<float>{0.25f, -100.0f, 3.5f, 1.5f, 2.0f, 3.5f}));
}

TEST_F(ObjLoader, FacesOutsideTheVerticesAreRefused) {
    struct Case {
        const char* name;
        const char* text;
        int group;  // 0: whole file
        const char* message;
    } cases[] = {
        {"index past the end", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n", 0, "uses vertex 4 of 3"},
        {"index 0", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n", 0, "line 4: face corner 0"},
        {"counts back too far", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -4\n", 0,
         "line 4: face corner -4"},
        // The leg's face uses an arm vertex: not one of its own.
        {"other group's vertex", "g arm\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n"
                                 "g leg\nv 0 0 1\nv 1 0 1\nv 0 1 1\nf 1 5 6\n",
         2, "group 2 \"leg\" has a face on vertex 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Write("bad.obj", c.text);
        objloader loader(path, true);
        std::vector<float> v;
        std::vector<int32_t> f;
        const bool ok = c.group == 0 ? loader.ReadAll(v, f) : loader.ReadGroup(c.group, v, f, true);
        EXPECT_FALSE(ok);
        EXPECT_NE(loader.Error().find(c.message), std::string::npos) << loader.Error();
        EXPECT_NE(loader.Error().find(path), std::string::npos) << loader.Error();
    }
}

TEST_F(ObjLoader, ShapeReadsAGroupOrTheWholeFileWithoutNormalising) {
    const std::string path = Write("limbs.obj", kArmLeg);
    shapeOBJ shape;
    EXPECT_EQ(shape.GetTypeName(), "obj");
    EXPECT_EQ(shape.GetPart(), -1);
    {
        // The constructor's part names no group.
        LogCapture log;
        EXPECT_FALSE(shape.Load(path));
        ASSERT_EQ(log.entries.size(), 1u);
        EXPECT_EQ(log.entries[0].function, "shapeOBJ::Load");
        EXPECT_NE(log.entries[0].text.find("no group -1"), std::string::npos);
    }
    const struct {
        int part;
        int vertices;
        int faces;
    } cases[] = {{2, 3, 1}, {1, 4, 2}, {0, 7, 3}, {3, 7, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.part);
        shape.SetPart(c.part);
        ASSERT_TRUE(shape.Load(path));
        EXPECT_TRUE(shape.IsLoaded());
        EXPECT_EQ(shape.GetVertexCount(), c.vertices);
        EXPECT_EQ(shape.GetFaceCount(), c.faces);
        EXPECT_EQ(shape.GetPartCount(), 2);
        EXPECT_NE(shape.GetNormals(), nullptr);
        EXPECT_EQ(shape.GetInfo(), "");
    }
    // Part 2 as stored: not centred or scaled.
    shape.SetPart(2);
    ASSERT_TRUE(shape.Load(path));
    EXPECT_EQ(shape.GetVertices()[8], 2.0f);
    wxArrayString names;
    shape.GetPartNames(&names);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "arm");
    EXPECT_EQ(names[1], "leg");

    LogCapture log;
    EXPECT_FALSE(shape.Load(dir.file("missing.obj")));
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.entries[0].text, "Unable to open  : " + dir.file("missing.obj"));
}

void ExpectGroupsMakeTheWhole(const std::string& path, int groups);

// Counts and boxes from Assimp 5.2 ("assimp info FILE", run once).
TEST_F(ObjLoader, SamplesMatchAnIndependentReader) {
    const struct {
        const char* file;
        int faces;
        float lo[3];
        float hi[3];
    } cases[] = {
        {"obj/box.obj", 12, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}},
        {"obj/cube_usemtl.obj", 12, {0, 0, 0}, {1, 1, 1}},
        {"obj/empty_mat.obj", 256, {-1, -1, -1}, {1, 2.802455f, 1}},
        {"obj/concave_polygon.obj", 64, {-1.146f, 1.6575f, 1.6055f}, {-1.146f, 3.1425f, 3.0905f}},
        {"obj/regr01.obj", 2710, {-194.199509f, -204.511566f, 0}, {1442.085571f, 967.615295f, 337.509033f}},
        // Assimp counts 1340 faces: it drops degenerate triangles, which this loader keeps.
        {"obj/spider.obj", 1368, {-92.655235f, -42.233826f, -106.691200f}, {57.936218f, 37.503952f, 86.691200f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string sample = testsupport::SampleFile(c.file);
        if (sample.empty()) FAIL() << "sample file missing";
        // Copied: the loader writes its index beside the file.
        const std::string path = Write(fs::path(c.file).filename().string(),
                                       testsupport::ReadFileBytes(sample));
        shapeOBJ shape;
        shape.SetPart(0);
        ASSERT_TRUE(shape.Load(path));
        EXPECT_EQ(shape.GetFaceCount(), c.faces);
        float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
        for (int i = 0; i < shape.GetVertexCount(); ++i)
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], shape.GetVertices()[i * 3 + a]);
                hi[a] = std::max(hi[a], shape.GetVertices()[i * 3 + a]);
            }
        for (int a = 0; a < 3; ++a) {
            EXPECT_NEAR(lo[a], c.lo[a], 1e-4f * std::max(1.0f, std::abs(c.lo[a]))) << a;
            EXPECT_NEAR(hi[a], c.hi[a], 1e-4f * std::max(1.0f, std::abs(c.hi[a]))) << a;
        }
    }
    // regr01.obj writes each group's vertices after an empty "g" line, before the group's own:
    // read group by group they add up to the whole file.
    ExpectGroupsMakeTheWhole(dir.file("regr01.obj"), 55);
    // spider.obj keeps all vertices at the top, shared by every group: only the first group has
    // vertices of its own, the others' faces are refused with a message.
    objloader spider(dir.file("spider.obj"), true);
    EXPECT_EQ(spider.CountGroups(), 18);
    std::vector<float> v;
    std::vector<int32_t> f;
    EXPECT_TRUE(spider.ReadGroup(1, v, f, true));
    EXPECT_FALSE(spider.ReadGroup(2, v, f, true));
    EXPECT_NE(spider.Error().find("group 2 \"OK\""), std::string::npos) << spider.Error();
}

void ExpectGroupsMakeTheWhole(const std::string& path, int groups) {
    SCOPED_TRACE(path);
    objloader loader(path, true);
    ASSERT_EQ(loader.CountGroups(), groups);
    size_t faces = 0, vertices = 0;
    for (int g = 1; g <= groups; ++g) {
        std::vector<float> v;
        std::vector<int32_t> f;
        ASSERT_TRUE(loader.ReadGroup(g, v, f, true)) << loader.Error();
        faces += f.size() / 5;
        vertices += v.size() / 3;
    }
    std::vector<float> v;
    std::vector<int32_t> f;
    ASSERT_TRUE(loader.ReadAll(v, f));
    EXPECT_EQ(faces, f.size() / 5);
    EXPECT_EQ(vertices, v.size() / 3);
}

}  // namespace

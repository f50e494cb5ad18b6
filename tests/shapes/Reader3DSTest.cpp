// The 3DS reader and shape: objects and parts, merging, the chunk walk's limits and the samples.
#include "shapes/Reader3DS.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "shapes/Mesh3DSBuilder.h"
#include "shapes/MeshTestSupport.h"
#include "shapes/shape3DS.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

using namespace mesh3ds;

std::vector<int32_t> Faces(const dez::Reader3DS& r) {
    int n = 0;
    const int32_t* f = r.Get3DSFaces(&n);
    return f ? std::vector<int32_t>(f, f + n * 5) : std::vector<int32_t>();
}

bool Open(dez::Reader3DS& r, const std::string& bytes) {
    return r.Open3DSBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), "mem.3ds");
}

TEST(Reader3DS, SelectsOneObjectOrMergesAll) {
    const std::string file = TwoObjects();
    dez::Reader3DS r;
    ASSERT_TRUE(Open(r, file));
    EXPECT_EQ(r.Count3DSObjects(), 2);
    EXPECT_EQ(r.VertexTotal(), 7);
    EXPECT_EQ(r.FaceTotal(), 3);
    const struct {
        int part;
        int vertices;
        std::vector<int32_t> faces;
    } cases[] = {
        // Merged: the third face moves past the first object's 4 vertices.
        {-1, 7, {3, 0, 1, 2, 0, 3, 0, 2, 3, 0, 3, 4, 5, 6, 0}},
        {5, 7, {3, 0, 1, 2, 0, 3, 0, 2, 3, 0, 3, 4, 5, 6, 0}},
        {1, 3, {3, 0, 1, 2, 0}},
        {0, 4, {3, 0, 1, 2, 0, 3, 0, 2, 3, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.part);
        std::string name = "unset";
        ASSERT_TRUE(r.Select3DSObject(c.part, &name)) << r.Error();
        int n = 0;
        ASSERT_NE(r.Get3DSVertices(&n), nullptr);
        EXPECT_EQ(n, c.vertices);
        EXPECT_EQ(Faces(r), c.faces);
        if (c.part == 1) {
            EXPECT_EQ(name, "tri");
        }
    }
    // Second object's first vertex in the merge is its own (0, 0, 1).
    ASSERT_TRUE(r.Select3DSObject(-1, nullptr));
    const float* v = r.Get3DSVertices(nullptr);
    EXPECT_EQ(std::vector<float>(v + 12, v + 15), (std::vector<float>{0, 0, 1}));
}

TEST(Reader3DS, CountsObjectsWithoutMeshesAndAcceptsAnyTopChunk) {
    // A camera object counts as an object (and a part); a file starting with an Object Mesh
    // chunk (no Main) still gives its objects.
    const std::string file =
        Bytes(Make(0x3D3D, {TriMeshObject("box", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2}),
                            Object("cam", {Make(0x4700, {}, std::string(32, '\0'))})}));
    dez::Reader3DS r;
    ASSERT_TRUE(Open(r, file));
    EXPECT_EQ(r.Count3DSObjects(), 2);
    EXPECT_EQ(r.ObjectName(1), "cam");
    ASSERT_TRUE(r.Select3DSObject(1, nullptr));
    EXPECT_EQ(r.Get3DSVertices(nullptr), nullptr);
    ASSERT_TRUE(r.Select3DSObject(-1, nullptr));
    EXPECT_EQ(Faces(r).size(), 5u);
}

TEST(Reader3DS, ReportsFaceMaterialsWithTheirNestingIndent) {
    const std::string file = File({TriMeshObject("m", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2},
                                                 {FaceMaterial("red", {0})})});
    dez::Reader3DS r;
    testing::internal::CaptureStdout();
    Open(r, file);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              std::string(12, ' ') + "Faces with this material: 1\n");
}

TEST(Reader3DS, LongNamesAreCut) {
    const std::string longName(250, 'n');
    dez::Reader3DS r;
    ASSERT_TRUE(Open(r, File({TriMeshObject(longName, {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2})})));
    EXPECT_EQ(r.ObjectName(0), longName.substr(0, 199));
}

// Malformed chunk trees: the walk always ends, and a mesh whose counts or corners do not fit is
// refused with a message naming the source, never read past its chunk.
TEST(Reader3DS, MalformedFilesEndTheWalkOrAreRefused) {
    auto good = [] { return TriMeshObject("ok", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2}); };
    auto withLength = [](Chunk c, uint32_t length) {
        c.forceLength = true;
        c.length = length;
        return c;
    };
    std::string hugeVertices;
    PutU16(hugeVertices, 60000);  // 60000 vertices announced, 3 given
    for (int i = 0; i < 9; ++i) PutF32(hugeVertices, 1);
    std::string hugeFaces;
    PutU16(hugeFaces, 5000);
    PutU16(hugeFaces, 0);

    const struct Case {
        const char* name;
        std::string file;
        int objects;
        bool selectable;  // merged selection succeeds
        const char* error;
    } cases[] = {
        // Length 0 after the first object ends the walk there: the object before it stays.
        {"zero length", File({good(), withLength(Make(0x4000, {}, "x"), 0), good()}), 1, true, ""},
        // A length shorter than the header cannot advance.
        {"length 3", File({good(), withLength(Make(0x4000, {}, "x"), 3), good()}), 1, true, ""},
        // Longer than the file: cut to what is there; the vertex list inside is whole.
        {"past the end", Bytes(withLength(Make(0x4D4D, {Make(0x3D3D, {good()})}), 0xFFFFFFF0u)), 1,
         true, ""},
        {"huge vertex count",
         File({Object("h", {Make(0x4100, {Make(0x4110, {}, hugeVertices),
                                          FaceList({0, 1, 2})})})}),
         1, false, "vertex list of 60000 vertices longer than its chunk"},
        {"huge face count",
         File({Object("h", {Make(0x4100, {VertexList({0, 0, 0, 1, 0, 0, 0, 1, 0}),
                                          Make(0x4120, {}, hugeFaces)})})}),
         1, false, "face list of 5000 faces longer than its chunk"},
        {"corner beyond the vertices",
         File({TriMeshObject("bad", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 3})}), 1, false,
         "face 0 uses vertex 3 of 3"},
        {"faces without vertices", File({Object("nov", {Make(0x4100, {FaceList({0, 1, 2})})})}), 1,
         false, "uses vertex 0 of 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dez::Reader3DS r;
        ASSERT_TRUE(Open(r, c.file));
        EXPECT_EQ(r.Count3DSObjects(), c.objects);
        EXPECT_EQ(r.Select3DSObject(-1, nullptr), c.selectable);
        if (!c.selectable) {
            EXPECT_NE(r.Error().find(c.error), std::string::npos) << r.Error();
            EXPECT_NE(r.Error().find("mem.3ds"), std::string::npos) << r.Error();
            EXPECT_EQ(r.Get3DSVertices(nullptr), nullptr);
        }
    }
}

TEST(Reader3DS, TruncatedFilesNeverReadPastTheirEnd) {
    const std::string file = TwoObjects();
    for (size_t n = 0; n < file.size(); ++n) {
        dez::Reader3DS r;
        const std::string cut = file.substr(0, n);
        ASSERT_TRUE(Open(r, cut));
        // Whatever was whole is usable; nothing half-read is: every face has its vertices.
        if (r.Select3DSObject(-1, nullptr)) {
            int nv = 0;
            r.Get3DSVertices(&nv);
            const auto f = Faces(r);
            for (size_t i = 0; i < f.size(); i += 5)
                for (int k = 1; k <= 3; ++k) ASSERT_LT(f[i + k], nv) << n;
        }
    }
}

TEST(Reader3DS, DeepNestingStops) {
    Chunk c = TriMeshObject("deep", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 2});
    for (int i = 0; i < 300; ++i) c = Make(0x4D4D, {c});
    const std::string file = Bytes(c);
    dez::Reader3DS r;
    ASSERT_TRUE(Open(r, file));
    EXPECT_EQ(r.Count3DSObjects(), 0);
}

class Shape3DS : public WxBaseTest {
protected:
    testsupport::TempDir dir;
};

TEST_F(Shape3DS, LoadsPartsNormalisedAndNamed) {
    const std::string path = dir.file("two.3ds");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, TwoObjects()));
    shape3DS shape;
    EXPECT_EQ(shape.GetTypeName(), "3ds");
    EXPECT_EQ(shape.GetPart(), -1);
    EXPECT_FALSE(shape.GetUseDisplayList());
    shape.SetNormaliseOnLoad(false);  // 3DS meshes are normalised anyway
    shape.SetSize(2.0f);
    LogCapture log;
    ASSERT_TRUE(shape.Load(path)) << log.All();
    EXPECT_EQ(shape.GetVertexCount(), 7);
    EXPECT_EQ(shape.GetFaceCount(), 3);
    EXPECT_EQ(shape.GetPartCount(), 2);
    EXPECT_EQ(shape.GetName(0), "two");
    EXPECT_EQ(shape.GetFileName(), path);
    EXPECT_NE(shape.GetNormals(), nullptr);
    EXPECT_EQ(shape.GetInfo(), "v : 7  f : 3");
    // Extents 1, 1, 1 scaled to 2: x spans [-1, 1].
    EXPECT_FLOAT_EQ(shape.GetVertices()[0], -1.0f);
    EXPECT_FLOAT_EQ(shape.GetVertices()[3], 1.0f);
    wxArrayString names;
    shape.GetPartNames(&names);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[0], "square");
    EXPECT_EQ(names[1], "tri");

    shape.SetPart(1);
    ASSERT_TRUE(shape.Load(path));
    EXPECT_EQ(shape.GetVertexCount(), 3);
    EXPECT_EQ(std::vector<int32_t>(shape.GetFaces(), shape.GetFaces() + 5),
              (std::vector<int32_t>{3, 0, 1, 2, 0}));
}

TEST_F(Shape3DS, FailuresAreReportedAndLeaveNothing) {
    const std::string noObject = dir.file("text.3ds");
    ASSERT_TRUE(testsupport::WriteFileBytes(noObject, "this is no 3DS file at all\n"));
    const std::string cameraOnly = dir.file("camera.3ds");
    ASSERT_TRUE(testsupport::WriteFileBytes(
        cameraOnly, File({Object("cam", {Make(0x4700, {}, std::string(32, '\0'))})})));
    const std::string badIndex = dir.file("bad.3ds");
    ASSERT_TRUE(testsupport::WriteFileBytes(
        badIndex, File({TriMeshObject("bad", {0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 1, 9})})));
    const struct {
        std::string path;
        int part;
        std::vector<std::string> messages;
    } cases[] = {
        {dir.file("missing.3ds"), -1, {"Unable to open 3DS file"}},
        {noObject, -1, {"Unable to read 3DS object"}},
        {cameraOnly, -1, {"Unable to read 3DS object"}},
        {cameraOnly, 0, {"Empty file - Unable to read 3DS file"}},
        {badIndex, -1, {badIndex + ": object 0 \"bad\": face 0 uses vertex 9 of 3",
                        "Unable to read 3DS object"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path + " part " + std::to_string(c.part));
        shape3DS shape;
        shape.SetPart(c.part);
        const std::string cwd = dez::CurrentDirectory();
        LogCapture log;
        EXPECT_FALSE(shape.Load(c.path));
        EXPECT_FALSE(shape.IsLoaded());
        EXPECT_EQ(shape.GetVertices(), nullptr);
        EXPECT_EQ(dez::CurrentDirectory(), cwd);
        ASSERT_EQ(log.entries.size(), c.messages.size()) << log.All();
        for (size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_EQ(log.entries[i].text, c.messages[i]);
            EXPECT_EQ(log.entries[i].level, wxLOG_Error);
            EXPECT_EQ(log.entries[i].function, "shape3DS::Load");
        }
    }
}

// Object names and face counts from Assimp 5.2 ("assimp info FILE --raw", run once); vertex
// count and box of fels.3ds from "assimp info" with its vertex joining, whose box is ours with
// y and z swapped (Assimp turns 3DS files Y-up: (x, y, z) -> (x, z, -y)).
TEST_F(Shape3DS, SamplesMatchAnIndependentReader) {
    const struct {
        const char* file;
        std::vector<std::string> objects;
        int faces;
    } cases[] = {
        {"3ds/test1.3ds",
         {"Box01", "Box02", "Box04", "Box05", "Box06", "Box07", "Box08", "Box09", "Box10"},
         108},
        {"3ds/cubes_with_alpha.3DS", {"Quader01", "Quader02", "Quader03", "Quader04", "Quader05"},
         60},
        {"3ds/RotatingCube.3DS", {"Box01"}, 12},
        {"3ds/CameraRollAnim.3ds", {"Box01", "Camera01"}, 12},
        {"3ds/fels.3ds", {"Default"}, 768},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = testsupport::SampleFile(c.file);
        if (path.empty()) FAIL() << "sample file missing";
        dez::Reader3DS r;
        testing::internal::CaptureStdout();
        ASSERT_TRUE(r.Open3DSFile(path));
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(r.Count3DSObjects(), int(c.objects.size()));
        for (int i = 0; i < r.Count3DSObjects(); ++i) EXPECT_EQ(r.ObjectName(i), c.objects[i]);
        ASSERT_TRUE(r.Select3DSObject(-1, nullptr)) << r.Error();
        EXPECT_EQ(Faces(r).size() / 5, size_t(c.faces));
        shape3DS shape;
        testing::internal::CaptureStdout();
        EXPECT_TRUE(shape.Load(path));
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(shape.GetFaceCount(), c.faces);
    }
    const std::string fels = testsupport::SampleFile("3ds/fels.3ds");
    dez::Reader3DS r;
    ASSERT_TRUE(r.Open3DSFile(fels));
    ASSERT_TRUE(r.Select3DSObject(0, nullptr));
    int n = 0;
    const float* v = r.Get3DSVertices(&n);
    EXPECT_EQ(n, 386);
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (int i = 0; i < n; ++i)
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], v[i * 3 + a]);
            hi[a] = std::max(hi[a], v[i * 3 + a]);
        }
    const float assimpMin[3] = {-2.221913f, -2.564741f, -0.121266f};
    const float assimpMax[3] = {1.282885f, 2.116860f, 3.084285f};
    EXPECT_NEAR(lo[0], assimpMin[0], 1e-5f);
    EXPECT_NEAR(hi[0], assimpMax[0], 1e-5f);
    EXPECT_NEAR(lo[2], assimpMin[1], 1e-5f);
    EXPECT_NEAR(hi[2], assimpMax[1], 1e-5f);
    EXPECT_NEAR(-hi[1], assimpMin[2], 1e-5f);
    EXPECT_NEAR(-lo[1], assimpMax[2], 1e-5f);
}

}  // namespace

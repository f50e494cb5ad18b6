// Opening files through the canvas's factory: what is refused and how it is reported, and what a
// load leaves behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <wx/log.h>

#include "motion/TDataFile.h"
#include "platform/ByteReader.h"
#include "objects/FileNameText.h"
#include "motion/Joint.h"
#include "shapes/shapeBVH.h"
#include "view/CanvasGuiFixture.h"
#include "support/TestSupport.h"

namespace {

class LogCapture : public wxLog {
public:
    struct Entry {
        std::string text;
        std::string function;
    };
    std::vector<Entry> errors;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message,
                     const wxLogRecordInfo& info) override {
        if (level <= wxLOG_Error) errors.push_back({message.utf8_string(), info.func ? info.func : ""});
    }
};

class LoadTest : public CanvasGuiTest {
protected:
    void SetUp() override {
        CanvasGuiTest::SetUp();
        previous_ = wxLog::SetActiveTarget(&log);
    }
    void TearDown() override {
        wxLog::SetActiveTarget(previous_);
        CanvasGuiTest::TearDown();
    }
    LogCapture log;

private:
    wxLog* previous_ = nullptr;
};

TEST_F(LoadTest, EmptyPathClearsTheSceneSilently) {
    canvas->Adopt(new MarkerCloud({{Point3D(0, 0, 1)}}, 50));
    EXPECT_FALSE(canvas->LoadShapeAndMotion("", false));
    EXPECT_EQ(canvas->GetObject(), nullptr);
    EXPECT_TRUE(log.errors.empty());
}

TEST_F(LoadTest, UnknownKindIsNotSupported) {
    testsupport::TempDir dir;
    for (const char* name : {"archive.gz", "C#0001", "notes.doc"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        ASSERT_TRUE(testsupport::WriteFileBytes(path, "some bytes\n"));
        log.errors.clear();
        EXPECT_FALSE(canvas->LoadShapeAndMotion(wxString::FromUTF8(path.c_str()), false));
        EXPECT_EQ(canvas->GetObject(), nullptr);
        ASSERT_EQ(log.errors.size(), 1u);
        EXPECT_EQ(log.errors[0].text, "Format not supported : " + path);
        EXPECT_EQ(log.errors[0].function, "myGLCanvas::LoadShapeAndMotion");
    }
}

TEST_F(LoadTest, FailedLoadIsReportedByTheObjectAndTheCanvas) {
    testsupport::TempDir dir;
    const std::string path = dir.file("model.OBJ");
    // Points only: a model without faces to draw.
    ASSERT_TRUE(testsupport::WriteFileBytes(path, "v 0 0 0\n"));
    canvas->Adopt(new MarkerCloud({{Point3D(0, 0, 1)}}, 50));
    EXPECT_FALSE(canvas->LoadShapeAndMotion(wxString::FromUTF8(path.c_str()), false));
    EXPECT_EQ(canvas->GetObject(), nullptr);
    ASSERT_EQ(log.errors.size(), 3u);
    EXPECT_EQ(log.errors[0].function, "glmObj::Load");
    const std::string reason = " (only points or lines, no faces to draw)";
    EXPECT_EQ(log.errors[1].text, "Unable to load : " + path + reason);
    EXPECT_EQ(log.errors[1].function, "myGLCanvas::LoadShape");
    EXPECT_EQ(log.errors[2].text, "Format not supported : " + path + reason);
    // The scene is empty and the view reset: nothing plays, the range is empty.
    EXPECT_EQ(canvas->GetRangeEnd(), 0);
    EXPECT_FALSE(canvas->HasMotion());
    canvas->Play();
    EXPECT_FALSE(canvas->IsPlaying());
}

// Files that cannot be read are refused before anything opens them (a FIFO would block the
// program for ever), with the system's or the reader's reason after the path. One that cannot be
// opened at all says so, whatever kind its name promises; one that opens says what it holds.
TEST_F(LoadTest, UnreadableFilesAreRefusedWithTheirReason) {
    testsupport::TempDir dir;
    const std::string folder = dir.file("folder.c3d");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::string fifo = dir.file("pipe.c3d");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string empty = dir.file("empty.c3d");
    ASSERT_TRUE(testsupport::WriteFileBytes(empty, ""));
    const std::string garbage = dir.file("garbage.c3d");
    ASSERT_TRUE(testsupport::WriteFileBytes(garbage, std::string(600, 'x')));
    const std::string locked = dir.file("locked.c3d");
    ASSERT_TRUE(testsupport::WriteFileBytes(locked, std::string(600, 'x')));
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    // Root reads a file whatever its mode.
    const bool lockedIsUnreadable = ::access(locked.c_str(), R_OK) != 0;
    const std::string cannotOpen = "Could not open : ";
    const std::string notSupported = "Format not supported : ";
    struct Case {
        std::string path;
        const std::string& what;
        std::string reason;  // "" = any reason the reader gives
    };
    std::vector<Case> cases = {
        {dir.file("missing.c3d"), cannotOpen, "No such file or directory"},
        {folder, cannotOpen, "Is a directory"},
        {fifo, cannotOpen, "not a regular file"},
        {empty, notSupported, "empty file"},
        {dir.file("missing.obj"), cannotOpen, "No such file or directory"},
        {dir.file("missing.unknown"), cannotOpen, "No such file or directory"},
        {garbage, notSupported, ""},
    };
    if (lockedIsUnreadable) cases.push_back({locked, cannotOpen, "Permission denied"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        log.errors.clear();
        EXPECT_FALSE(canvas->LoadShapeAndMotion(wxString::FromUTF8(c.path.c_str()), false));
        EXPECT_EQ(canvas->GetObject(), nullptr);
        ASSERT_FALSE(log.errors.empty());
        const std::string text = log.errors.back().text;
        const std::string head = c.what + c.path + " (";
        ASSERT_EQ(text.compare(0, head.size(), head), 0) << text;
        if (!c.reason.empty()) EXPECT_EQ(text, head + c.reason + ")");
        else EXPECT_GT(text.size(), head.size() + 1);
    }
}

// A recording whose name is not UTF-8 (Latin-1 from an older system) opens like any other.
TEST_F(LoadTest, RecordingWithANameThatIsNotUtf8Opens) {
    testsupport::TempDir dir;
    const std::string path = dir.file("march\xe9.c3d");
    TDataFile recording(3, 10, 100.0f, 0, 1, 4);
    for (int32_t f = 0; f < 10; ++f)
        for (int32_t r = 0; r < recording.points->GetRows(); ++r) recording.points->SetValue(r, f, 100.0 + r + f);
    ASSERT_TRUE(recording.SaveC3D(path.c_str(), "", "", nullptr, false)) << recording.errorText;
    EXPECT_TRUE(canvas->LoadShapeAndMotion(FileNameFromBytes(path.c_str()), false));
    ASSERT_NE(canvas->GetObject(), nullptr);
    EXPECT_TRUE(log.errors.empty());
}

// A recording named by its acquisition system opens as a recording whatever its extension,
// ".dat" (otherwise an isosurface) included.
TEST_F(LoadTest, CPrefixRecordingOpensWhateverItsExtension) {
    testsupport::TempDir dir;
    // Real samples (type 32): 2 points of 3 values, 5 frames at 50 Hz.
    std::string bytes(256, '\0');
    auto* header = reinterpret_cast<uint8_t*>(&bytes[0]);
    header[0] = 32;
    dez::StoreI16LE(header + 1, 2);
    dez::StoreI16LE(header + 3, 3);
    dez::StoreI32LE(header + 5, 5);
    dez::StoreF32LE(header + 9, 50.0f);
    dez::ByteWriter samples;
    for (int f = 0; f < 5; ++f)
        for (int r = 0; r < 6; ++r) samples.PutF32LE(100.0f * (r + 1) + f);
    bytes.append(samples.bytes().begin(), samples.bytes().end());
    for (const char* name : {"c#0042.dat", "c#0043.obj", "c#0044"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        ASSERT_TRUE(testsupport::WriteFileBytes(path, bytes));
        log.errors.clear();
        ASSERT_TRUE(canvas->LoadShapeAndMotion(wxString::FromUTF8(path.c_str()), false));
        ASSERT_NE(canvas->GetObject(), nullptr);
        EXPECT_EQ(canvas->GetObject()->GetTypeName(), "c3d");
        EXPECT_EQ(canvas->GetFrameCount(), 5);
        EXPECT_TRUE(log.errors.empty());
    }
}

// Every OBJ and DXF sample opens and paints, except the OBJ files without faces (points only, and
// UTF-16 text), which the model refuses with its own message before the canvas's two.
TEST_F(LoadTest, ModelAndDrawingSamplesOpenAndPaint) {
    testsupport::TempDir dir;
    const std::string iso = dir.file("strip.DAT");
    ASSERT_TRUE(testsupport::WriteFileBytes(iso, "0 0 0  0 -1 0\n1 0 0  0 -1 0\n0 0 1  0 -1 0\n"
                                                 "1 0 1  0 -1 0\n"));
    const struct {
        std::string path;
        const char* type;  // nullptr: refused
        bool paints;  // something can be seen from the default view
    } files[] = {
        {iso, "iso_surface", true},
        {testsupport::SampleFile("obj/box.obj"), "glm", true},
        {testsupport::SampleFile("obj/box_without_lineending.obj"), "glm", true},
        // A polygon in a plane x = constant, which the front view would see edge-on: it is
        // looked at from the side instead.
        {testsupport::SampleFile("obj/concave_polygon.obj"), "glm", true},
        {testsupport::SampleFile("obj/cube_usemtl.obj"), "glm", true},
        {testsupport::SampleFile("obj/empty_mat.obj"), "glm", true},
        // One triangle without area (its corners on a line) among vertices 1e10 away.
        {testsupport::SampleFile("obj/number_formats.obj"), "glm", false},
        {testsupport::SampleFile("obj/regr01.obj"), "glm", true},
        {testsupport::SampleFile("obj/spider.obj"), "glm", true},
        {testsupport::SampleFile("obj/point_cloud.obj"), nullptr, false},
        {testsupport::SampleFile("obj/box_UTF16BE.obj"), nullptr, false},
        {testsupport::SampleFile("dxf/lineTest.dxf"), "dxf", true},
        {testsupport::SampleFile("dxf/PinkEggFromLW.dxf"), "dxf", true},
        // Polyline meshes only, which a drawing does not read: it opens empty.
        {testsupport::SampleFile("dxf/issue_2229.dxf"), "dxf", false},
    };
    canvas->GetGroundPlane()->visible = false;
    canvas->GetGroundPlane()->showAxis = false;
    canvas->SetShowAxesGizmo(false);
    for (const auto& f : files) {
        SCOPED_TRACE(f.path);
        if (f.path.empty()) continue;  // no sample files here
        log.errors.clear();
        const wxString path = wxString::FromUTF8(f.path.c_str());
        EXPECT_EQ(canvas->LoadShapeAndMotion(path, false), f.type != nullptr);
        if (f.type == nullptr) {
            EXPECT_EQ(canvas->GetObject(), nullptr);
            ASSERT_EQ(log.errors.size(), 3u);
            EXPECT_EQ(log.errors[0].function, "glmObj::Load");
            EXPECT_EQ(log.errors[1].text.compare(0, f.path.size() + 19, "Unable to load : " + f.path + " ("), 0)
                << log.errors[1].text;
            continue;
        }
        ASSERT_NE(canvas->GetObject(), nullptr);
        EXPECT_EQ(canvas->GetObject()->GetTypeName(), f.type);
        EXPECT_TRUE(log.errors.empty());
        const float* bg = canvas->GetBackgroundColour();
        const testsupport::PixelBlock pixels = Paint();
        const int background = pixels.CountNear(int(bg[0] * 255 + 0.5f), int(bg[1] * 255 + 0.5f),
                                                int(bg[2] * 255 + 0.5f), 2);
        if (f.paints) {
            EXPECT_LT(background, pixels.width * pixels.height);
        }
        EXPECT_EQ(testsupport::TakeGLErrors(), "");
    }
}

// Every refusal ends with its reason, whichever reader refused.
TEST_F(LoadTest, EveryRefusalSaysWhy) {
    testsupport::TempDir dir;
    std::string utf16le = "\xff\xfe";
    for (const char c : std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n")) utf16le += std::string{c, '\0'};
    const struct {
        const char* name;
        std::string bytes;  // empty: the path is a sample file
        const char* reason;  // a part of the reason
    } cases[] = {
        {"points.obj", "v 0 0 0\nv 1 0 0\np 1 2\n", "only points or lines, no faces to draw"},
        {"lines.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nl 1 2 3\n", "only points or lines, no faces to draw"},
        {"nothing.obj", "# no statements\n", "no faces to draw, no vertices"},
        {"obj/point_cloud.obj", "", "only points or lines, no faces to draw"},
        {"obj/box_UTF16BE.obj", "", "UTF-16 text"},
        {"le.obj", utf16le, "UTF-16 text"},
        // ".dat" files of other programs.
        {"table.dat", "1 2 3\n4 5 6\n", "not an isosurface text: line 1 does not hold six numbers"},
        {"binary.dat", std::string("\x01\x02\x00\x7f\xff", 5), "not an isosurface text"},
        {"blank.dat", "\n\n", "not an isosurface text: no vertices"},
        {"bad.shl", "Version: 3\n", "not a valid SHL file"},
        {"nothing.shl", "Version: 2\n0 0 0 1\n", "no vertices or no faces"},
        {"bad.txv", "3 1\n", "not a vertex and polygon text file"},
        {"cut.bvh", "HIERARCHY\nROOT A\n{\n", "Token \"OFFSET\" expected"},
        {"open.dxf", "0\nSECTION\n2\nENTITIES\n", "ENTITIES section is not closed by ENDSEC"},
        {"junk.3ds", "not a 3ds file at all", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.file(c.name);
        if (c.bytes.empty())
            path = testsupport::SampleFile(c.name);
        else
            ASSERT_TRUE(testsupport::WriteFileBytes(path, c.bytes));
        log.errors.clear();
        EXPECT_FALSE(canvas->LoadShapeAndMotion(wxString::FromUTF8(path.c_str()), false));
        ASSERT_FALSE(log.errors.empty());
        const std::string text = log.errors.back().text;
        const std::string head = "Format not supported : " + path + " (";
        ASSERT_EQ(text.compare(0, head.size(), head), 0) << text;
        EXPECT_GT(text.size(), head.size() + 1) << text;
        EXPECT_EQ(text.back(), ')');
        EXPECT_NE(text.find(c.reason, head.size()), std::string::npos) << text;
    }
}

TEST_F(LoadTest, EveryLoadStartsWithAViewReset) {
    bool* flags = canvas->GetRenderFlags();
    flags[my3DCanvas::kWire] = true;
    flags[my3DCanvas::kCull] = true;
    flags[my3DCanvas::kSmooth] = false;
    canvas->LoadShapeAndMotion("walk.bvh", false);
    EXPECT_TRUE(flags[my3DCanvas::kSmooth]);
    EXPECT_FALSE(flags[my3DCanvas::kWire]);
    EXPECT_FALSE(flags[my3DCanvas::kCull]);
    EXPECT_FALSE(flags[my3DCanvas::kGLInitialised]);
}

// Mesh files open as their mesh shapes and paint: the background no longer covers the view.
TEST_F(LoadTest, MeshFilesOpenAndPaint) {
    testsupport::TempDir dir;
    const std::string shl = dir.file("tri.SHL");
    ASSERT_TRUE(testsupport::WriteFileBytes(shl, "Version: 2\n3 1 0 1\n0 0 0\n1 0 0\n0 0 1\n3 1 2 3\n"));
    const std::string txv = dir.file("tri.txv");
    ASSERT_TRUE(testsupport::WriteFileBytes(
        txv, "#vertex and polygon text file\n3 1\n0 0 0 0 -1 0\n1 0 0 0 -1 0\n0 0 1 0 -1 0\n"
             "3 1 2 3\n"));
    std::vector<std::pair<std::string, std::string>> cases = {{shl, "shl"}, {txv, "tvp"}};
    for (const char* sample : {"3ds/test1.3ds", "3ds/fels.3ds"}) {
        const std::string path = testsupport::SampleFile(sample);
        if (!path.empty()) cases.emplace_back(path, "3ds");
    }
    canvas->GetGroundPlane()->visible = false;
    canvas->GetGroundPlane()->showAxis = false;
    canvas->SetShowAxesGizmo(false);
    for (const auto& [path, type] : cases) {
        SCOPED_TRACE(path);
        log.errors.clear();
        ASSERT_TRUE(canvas->LoadShapeAndMotion(wxString::FromUTF8(path.c_str()), false));
        ASSERT_NE(canvas->GetObject(), nullptr);
        EXPECT_EQ(canvas->GetObject()->GetTypeName(), type);
        EXPECT_TRUE(log.errors.empty());
        const float* bg = canvas->GetBackgroundColour();
        const testsupport::PixelBlock pixels = Paint();
        const int background = pixels.CountNear(int(bg[0] * 255 + 0.5f), int(bg[1] * 255 + 0.5f),
                                                int(bg[2] * 255 + 0.5f), 2);
        EXPECT_LT(background, pixels.width * pixels.height);
        EXPECT_GT(background, 0);
        EXPECT_EQ(testsupport::TakeGLErrors(), "");
    }
}

// A BVH sample opens as a standing skeleton that plays and reaches its last frame.
TEST_F(LoadTest, SkeletonSamplePlaysToItsLastFrame) {
    const std::string path = testsupport::SampleFile("bvh/01_01.bvh");
    if (path.empty()) FAIL() << "no sample 01_01.bvh";
    ASSERT_TRUE(canvas->LoadShapeAndMotion(wxString::FromUTF8(path.c_str()), false));
    object3D* skeleton = canvas->GetObject();
    ASSERT_NE(skeleton, nullptr);
    EXPECT_EQ(skeleton->GetTypeName(), "bvh");
    EXPECT_TRUE(canvas->HasMotion());
    EXPECT_EQ(canvas->GetFrameCount(), 800);
    EXPECT_EQ(canvas->GetLastFrame(), 799);
    EXPECT_NEAR(canvas->GetRangeEnd(), 799 * 0.0083333, 1e-9);
    EXPECT_TRUE(log.errors.empty());
    canvas->Play();
    EXPECT_TRUE(testsupport::WaitUntil([&] { return canvas->GetCurrentFrame() > 0; }));
    canvas->Stop();
    EXPECT_GT(canvas->GetCurrentFrame(), 0);
    canvas->LastFrame();
    EXPECT_EQ(canvas->GetCurrentFrame(), 799);
    // The paint poses the skeleton at the last sample: the root at the last line's position.
    Paint();
    const auto* shape = dynamic_cast<shapeBVH*>(skeleton);
    ASSERT_NE(shape, nullptr);
    const Point3D& root = shape->GetRoot()->GetPosition();
    EXPECT_NEAR(root.x, 8.9100, 1e-9);
    EXPECT_NEAR(root.y, 22.4260, 1e-9);
    EXPECT_NEAR(root.z, 35.3709, 1e-9);
}

}  // namespace

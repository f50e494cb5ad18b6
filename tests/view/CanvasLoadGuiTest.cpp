// Opening files through the canvas's factory: what is refused and how it is reported, and what a
// load leaves behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wx/log.h>

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
    for (const char* path : {"archive.gz", "C#0001", "notes.doc"}) {
        SCOPED_TRACE(path);
        log.errors.clear();
        EXPECT_FALSE(canvas->LoadShapeAndMotion(path, false));
        EXPECT_EQ(canvas->GetObject(), nullptr);
        ASSERT_EQ(log.errors.size(), 1u);
        EXPECT_EQ(log.errors[0].text, std::string("Format not supported : ") + path);
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
    EXPECT_EQ(log.errors[1].text, "Unable to load : " + path);
    EXPECT_EQ(log.errors[1].function, "myGLCanvas::LoadShape");
    EXPECT_EQ(log.errors[2].text, "Format not supported : " + path);
    // The scene is empty and the view reset: nothing plays, the range is empty.
    EXPECT_EQ(canvas->GetRangeEnd(), 0);
    EXPECT_FALSE(canvas->HasMotion());
    canvas->Play();
    EXPECT_FALSE(canvas->IsPlaying());
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
        // A polygon in a plane x = constant, which the default view sees edge-on.
        {testsupport::SampleFile("obj/concave_polygon.obj"), "glm", false},
        {testsupport::SampleFile("obj/cube_usemtl.obj"), "glm", true},
        {testsupport::SampleFile("obj/empty_mat.obj"), "glm", true},
        // One small triangle among vertices 1e10 away: too small to see once fitted.
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
            EXPECT_EQ(log.errors[1].text, "Unable to load : " + f.path);
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

}  // namespace

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

}  // namespace

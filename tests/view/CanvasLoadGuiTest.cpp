// Opening files through the canvas's factory: what is refused and how it is reported, and what a
// load leaves behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wx/log.h>

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

// A BVH sample opens as a standing skeleton that plays and reaches its last frame.
TEST_F(LoadTest, SkeletonSamplePlaysToItsLastFrame) {
    const std::string path = testsupport::SampleFile("bvh/01_01.bvh");
    if (path.empty()) GTEST_SKIP() << "no sample 01_01.bvh";
    ASSERT_TRUE(canvas->LoadShapeAndMotion(wxString::FromUTF8(path.c_str()), false));
    object3D* skeleton = canvas->GetObject();
    ASSERT_NE(skeleton, nullptr);
    EXPECT_EQ(skeleton->GetTypeName(), "bvh");
    EXPECT_TRUE(canvas->HasMotion());
    EXPECT_EQ(canvas->GetFrameCount(), 2752);
    EXPECT_EQ(canvas->GetLastFrame(), 2751);
    EXPECT_NEAR(canvas->GetRangeEnd(), 2751 * 0.0083333, 1e-9);
    EXPECT_TRUE(log.errors.empty());
    canvas->Play();
    RunEvents(300);
    canvas->Stop();
    EXPECT_GT(canvas->GetCurrentFrame(), 0);
    canvas->LastFrame();
    EXPECT_EQ(canvas->GetCurrentFrame(), 2751);
    // The paint poses the skeleton at the last sample: the root at the last line's position.
    Paint();
    const auto* shape = dynamic_cast<shapeBVH*>(skeleton);
    ASSERT_NE(shape, nullptr);
    const Point3D& root = shape->GetRoot()->GetPosition();
    EXPECT_NEAR(root.x, 8.8787, 1e-9);
    EXPECT_NEAR(root.y, 17.8124, 1e-9);
    EXPECT_NEAR(root.z, 38.5426, 1e-9);
}

}  // namespace

// The BVH shape without drawing: its time line from the file's frames, the scale of the BVH
// settings, the information text, and loads that fail or use relative paths.
#include "shapes/shapeBVH.h"

#include <gtest/gtest.h>

#include <string>

#include "gl/AppSettings.h"
#include "motion/Joint.h"
#include "motion/RecordedMotion.h"
#include "platform/Paths.h"
#include "support/TestSupport.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

// A root with position and rotation channels, one joint, an end site: three channel groups.
std::string Figure(int frames, const char* frameTime) {
    std::string s =
        "HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\n"
        "CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation\n"
        "JOINT Chest\n{\nOFFSET 0 10 0\nCHANNELS 3 Zrotation Xrotation Yrotation\n"
        "End Site\n{\nOFFSET 0 5 0\n}\n}\n}\nMOTION\n";
    s += "Frames: " + std::to_string(frames) + "\nFrame Time: " + frameTime + "\n";
    for (int f = 0; f < frames; ++f) s += std::to_string(f) + " 0 0 0 0 0 " + std::to_string(f % 90) + " 0 0\n";
    return s;
}

class ShapeBVH : public testing::Test {
protected:
    void SetUp() override {
        savedScale_ = bvh_scale;
        savedInch_ = bvh_inch_unit;
        bvh_scale = 10.0;
        bvh_inch_unit = true;
    }
    void TearDown() override {
        bvh_scale = savedScale_;
        bvh_inch_unit = savedInch_;
    }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testsupport::WriteFileBytes(path, text));
        return path;
    }
    testsupport::TempDir dir;

private:
    double savedScale_ = 10.0;
    bool savedInch_ = true;
};

TEST_F(ShapeBVH, TimeLineComesFromTheFrames) {
    const std::string path = Write("walk.bvh", Figure(100, "0.008333"));
    shapeBVH shape;
    EXPECT_EQ(shape.GetTypeName(), "bvh");
    EXPECT_FALSE(shape.GetNormaliseOnLoad());
    CaptureStdout();
    ASSERT_TRUE(shape.Load(path));
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_TRUE(shape.IsLoaded());
    EXPECT_EQ(shape.GetFrameCount(), 100);
    EXPECT_DOUBLE_EQ(shape.GetFramePeriod(), 0.008333);
    EXPECT_DOUBLE_EQ(shape.GetFrameRate(), 1 / 0.008333);
    EXPECT_NEAR(shape.GetDuration(), 0.824967, 1e-12);
    EXPECT_EQ(shape.GetFirstFrame(), 0);
    EXPECT_EQ(shape.GetLastFrame(), 99);
    EXPECT_EQ(shape.GetInfo(), "Segments : 3 - Frames : 100 - duration :0.825 (s)");
    EXPECT_EQ(shape.GetName(0), "walk");
    EXPECT_EQ(shape.GetFileName(), path);
    EXPECT_DOUBLE_EQ(shape.GetScale(), 3.9525691699604746);
    EXPECT_DOUBLE_EQ(shape.GetRoot()->GetScale(), shape.GetScale());
    const float* colour = shape.GetColour();
    EXPECT_FLOAT_EQ(colour[0], 0.95f);
    EXPECT_FLOAT_EQ(colour[2], 0.1f);

    // The last frame's time reads as the last frame; past the end the play range wraps round.
    double t = 99 * 0.008333;
    EXPECT_TRUE(shape.SetTime(t));
    EXPECT_EQ(shape.GetCurrentFrame(), 99);
    t = 0.5 * 0.008333 * 40.2;
    shape.SetTime(t);
    EXPECT_EQ(shape.GetCurrentFrame(), 20);
    t = 1.0;
    shape.SetTime(t);
    EXPECT_EQ(shape.GetCurrentFrame(), 0);

    shape.Clear();
    EXPECT_EQ(shape.GetRoot(), nullptr);
    EXPECT_EQ(shape.GetMotion(), nullptr);
    EXPECT_EQ(shape.GetFramePeriod(), 0);
    EXPECT_EQ(shape.GetFileName(), "");
}

TEST_F(ShapeBVH, AZeroFrameTimeStaysOnFrameZero) {
    shapeBVH shape;
    ASSERT_TRUE(shape.Load(Write("still.bvh", Figure(3, "0"))));
    EXPECT_EQ(shape.GetDuration(), 0);
    EXPECT_EQ(shape.GetFramePeriod(), 0);
    for (double t : {0.0, 0.5, -1.0}) {
        EXPECT_TRUE(shape.SetTime(t));
        EXPECT_EQ(shape.GetCurrentFrame(), 0);
        EXPECT_EQ(t, 0);
    }
}

TEST_F(ShapeBVH, ScaleFollowsTheSettings) {
    const std::string path = Write("walk.bvh", Figure(2, "0.1"));
    bvh_inch_unit = false;
    bvh_scale = 4.0;
    shapeBVH shape;
    ASSERT_TRUE(shape.Load(path));
    EXPECT_EQ(shape.GetScale(), 4.0);
    EXPECT_DOUBLE_EQ(shape.GetRoot()->GetJointRadius(), 0.25);
}

TEST_F(ShapeBVH, FailedLoadLeavesNothingAndRestoresTheFolder) {
    const std::string before = dez::CurrentDirectory();
    const std::string path = Write("broken.bvh", "HIERARCHY\nROOT A\n{\n");
    shapeBVH shape;
    CaptureStdout();
    EXPECT_FALSE(shape.Load(path));
    const std::string printed = GetCapturedStdout();
    EXPECT_NE(printed.find("<bvh> Parse error at " + path + ":4: "), std::string::npos) << printed;
    EXPECT_FALSE(shape.IsLoaded());
    EXPECT_EQ(shape.GetRoot(), nullptr);
    EXPECT_EQ(shape.GetMotion(), nullptr);
    EXPECT_EQ(shape.GetFrameCount(), 0);
    EXPECT_EQ(shape.GetFramePeriod(), 0);
    EXPECT_EQ(dez::CurrentDirectory(), before);
}

TEST_F(ShapeBVH, RelativePathsOpenFromTheCallersFolder) {
    Write("run.bvh", Figure(3, "0.04"));
    const std::string before = dez::CurrentDirectory();
    {
        dez::ScopedWorkingDirectory here(dez::FolderOf(dir.path()));
        shapeBVH shape;
        CaptureStdout();
        const bool loaded = shape.Load(dez::NameOf(dir.path()) + "/run.bvh");
        EXPECT_EQ(GetCapturedStdout(), "");
        EXPECT_TRUE(loaded);
        EXPECT_EQ(shape.GetFrameCount(), 3);
    }
    EXPECT_EQ(dez::CurrentDirectory(), before);
}

TEST(ShapeBVHColour, BytesAre256TimesTheColourAndSaturate) {
    const struct {
        float c;
        int byte;
    } cases[] = {{0.95f, 243}, {0.1f, 26}, {0.7f, 179}, {0.0f, 0}, {0.998f, 255}, {1.0f, 255}, {2.0f, 255}, {-0.3f, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.c);
        EXPECT_EQ(shapeBVH::ColourByte(c.c), c.byte);
    }
}

}  // namespace

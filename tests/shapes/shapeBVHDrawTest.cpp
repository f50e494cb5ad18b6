// The BVH shape drawn in a real GL context: the skeleton in its colour, the box of the pose drawn,
// and the last frame's pose.
#include "shapes/shapeBVH.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "gl/AppSettings.h"
#include "motion/Joint.h"
#include "support/BvhReference.h"
#include "support/GLTestHarness.h"
#include "support/TestSupport.h"

namespace {

class ShapeBVHDraw : public testsupport::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        if (HasFatalFailure()) return;
        bvh_scale = 1.0;
        bvh_inch_unit = false;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-25, 25, -25, 25, -50, 50);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override {
        bvh_scale = 10.0;
        bvh_inch_unit = true;
        GLTest::TearDown();
    }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testsupport::WriteFileBytes(path, text));
        return path;
    }
    testsupport::TempDir dir;
};

TEST_F(ShapeBVHDraw, DrawsThePoseInTheShapesColourAndBoxesIt) {
    shapeBVH shape;
    ASSERT_TRUE(shape.Load(Write("figure.bvh", testsupport::kBvhFigure)));
    // Before any drawing the box is the default.
    EXPECT_EQ(shape.GetWorldPosition()->x, 0);
    shape.Render(GL_RENDER, -1);
    const testsupport::PixelBlock pixels = gl().ReadAll();
    EXPECT_GT(pixels.CountNear(243, 243, 26, 2), 100);
    EXPECT_EQ(pixels.CountDifferentFrom(0, 0, 0, 2) - pixels.CountNear(243, 243, 26, 2), 0);

    // Box of frame 0 from the independent kinematics (scale 1).
    const auto p = testsupport::RefPositions(testsupport::ReadRefBvh(testsupport::kBvhFigure), 0);
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (const auto& q : p)
        for (int i = 0; i < 3; ++i) {
            lo[i] = std::min(lo[i], q[i]);
            hi[i] = std::max(hi[i], q[i]);
        }
    const Point3D* centre = shape.GetWorldPosition();
    for (int i = 0; i < 3; ++i) EXPECT_NEAR((*centre)[i], (lo[i] + hi[i]) / 2, 1e-6);
}

TEST_F(ShapeBVHDraw, TheLastFrameShowsTheLastSample) {
    shapeBVH shape;
    ASSERT_TRUE(shape.Load(Write("figure.bvh", testsupport::kBvhFigure)));
    double t = 2 * 0.01;
    shape.SetTime(t);
    EXPECT_EQ(shape.GetCurrentFrame(), 2);
    shape.Draw();
    const Point3D& root = shape.GetRoot()->GetPosition();
    EXPECT_DOUBLE_EQ(root.x, 2);
    EXPECT_DOUBLE_EQ(root.y, 2.5);
    EXPECT_DOUBLE_EQ(root.z, 2);
}

TEST_F(ShapeBVHDraw, ASkeletonOnOnePointHasNoSize) {
    const std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition Zposition Xrotation Yrotation Zrotation\n"
        "End Site\n{\nOFFSET 0 0 0\n}\n}\nMOTION\nFrames: 1\nFrame Time: 0.1\n3 4 5 0 0 0\n";
    shapeBVH shape;
    ASSERT_TRUE(shape.Load(Write("dot.bvh", text)));
    shape.Draw();
    const Point3D* centre = shape.GetWorldPosition();
    EXPECT_EQ(centre->x, 3);
    EXPECT_EQ(centre->y, 4);
    EXPECT_EQ(centre->z, 5);
    shape.Select(1, -1, false);
    shape.Render(GL_RENDER, -1);  // box and manipulator of a zero size draw without GL errors
}

}  // namespace

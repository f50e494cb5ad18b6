// The canvases in a real window under Xvfb: what a paint shows, defaults, configuration, fonts,
// and a canvas whose context cannot be made.
#include <gtest/gtest.h>
#include <cstdio>

#include "CanvasGuiFixture.h"

namespace {

TEST_F(CanvasGuiTest, PaintsTheBackgroundColour) {
    float* background = canvas->GetBackgroundColour();
    background[0] = 0.8f;
    background[1] = 0.1f;
    background[2] = 0.2f;
    canvas->GetGroundPlane()->visible = false;
    canvas->GetGroundPlane()->showAxis = false;
    canvas->SetShowAxesGizmo(false);
    const testsupport::PixelBlock pixels = Paint();
    ASSERT_EQ(pixels.width, kWidth);
    EXPECT_EQ(pixels.CountNear(204, 26, 51, 2), kWidth * kHeight);
    const unsigned char* p = pixels.at(10, 10);
    std::printf("%d %d %d %d\n", p[0], p[1], p[2], p[3]);
}

}  // namespace

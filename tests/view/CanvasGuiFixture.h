#pragma once
// A shown frame (with menu and four-field status bar) holding a TestCanvas, one per test, on the
// toolkit started by the GL test harness; and reading back what the canvas painted.
#include <gtest/gtest.h>

#include "view/CanvasTestObjects.h"
#include "support/GLTestHarness.h"

class wxGLCamera;

// Window pixel (origin bottom left) of a scene point, worked out from the camera's eye, centre,
// up and lens alone, as a look-at and a perspective projection place it.
struct Pixel {
    double x, y;
    double depth;  // distance in front of the eye along the line of sight
};
Pixel Project(const wxGLCamera& camera, int width, int height, const Point3D& p);

class CanvasGuiTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;

    void SetUp() override;
    void TearDown() override;
    // Paints the canvas through its own paint handler and reads back the frame it drew.
    testsupport::PixelBlock Paint();

    OwnerFrame* frame = nullptr;
    TestCanvas* canvas = nullptr;
};

// Placing the view on a recording's bounds: flat recordings get depth, the ground plane slides
// under the recording by its up axis, and the eye goes to the side named by the screen x-axis.
#include <gtest/gtest.h>

#include <string>

#include "view/ViewPlacement.h"

namespace {

void ExpectPoint(const Point3D& p, double x, double y, double z) {
    EXPECT_NEAR(p.x, x, 1e-5);
    EXPECT_NEAR(p.y, y, 1e-5);
    EXPECT_NEAR(p.z, z, 1e-5);
}

TEST(ViewPlacement, CentreAndEyeOnTheBoundsByScreenAxis) {
    // A box 2 x 1 x 1.6 around (0.5, 1, 0.8): s = 1.25 x 2 = 2.5.
    const double s = 2.5, cx = 0.5, cy = 1, cz = 0.8;
    const struct {
        const char* xScreen;
        double ex, ey;
    } cases[] = {
        {"+X", cx + 1.25 * s - 0.6, 1.5 * cy},
        {"", cx + 1.25 * s - 0.6, 1.5 * cy},
        {"+Z", cx + 1.25 * s - 0.6, 1.5 * cy},
        {"-X", cx - 1.25 * s - 0.6, 1.5 * cy},
        {"+Y", cx, 1.5 * cy + 1.25 * s - 0.6},
        {"-Y", cx, 1.5 * cy - 1.25 * s - 0.6},
        // The texts are the file's own; another case is another text.
        {"-y", cx + 1.25 * s - 0.6, 1.5 * cy},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xScreen);
        float bounds[6] = {-0.5f, 1.5f, 0.5f, 1.5f, 0.0f, 1.6f};
        GroundPlaneSettings plane;
        const ViewPlacement view = PlaceViewOnBounds(bounds, 2, c.xScreen, plane);
        ExpectPoint(view.centre, cx, cy, cz);
        ExpectPoint(view.eye, c.ex, c.ey, cz + s / 3);
    }
}

TEST(ViewPlacement, FlatRecordingGetsDepthAndThePlaneSitsUnderIt) {
    // Every marker at z = 0.3: z widens to 0.2..0.4, and the plane goes 15 mm under it.
    float bounds[6] = {-1, 1, -0.4f, 0.4f, 0.3f, 0.3f};
    GroundPlaneSettings plane;
    plane.autoPlace = true;
    plane.type = 2;
    const ViewPlacement view = PlaceViewOnBounds(bounds, 2, "+X", plane);
    EXPECT_FLOAT_EQ(bounds[4], 0.2f);
    EXPECT_FLOAT_EQ(bounds[5], 0.4f);
    EXPECT_FLOAT_EQ(bounds[0], -1);
    EXPECT_FLOAT_EQ(bounds[1], 1);
    EXPECT_NEAR(view.centre.z, 0.3, 1e-6);
    EXPECT_FLOAT_EQ(plane.position[0], 0);
    EXPECT_FLOAT_EQ(plane.position[1], 0);
    EXPECT_FLOAT_EQ(plane.position[2], 0.2f + 0.015f);
    EXPECT_EQ(plane.type, 0);
    // s = 1.25 x 2 = 2.5, rounded to 3.
    EXPECT_FLOAT_EQ(plane.size, 3);
}

TEST(ViewPlacement, PlaneFollowsTheUpAxis) {
    const struct {
        int up;
        float x, y, z;
    } cases[] = {
        // Bounds x 1..3, y 10..14, z -2..0: centre (2, 12, -1).
        {2, 2, 12, -2 + 0.015f},
        {1, 2, -1, 10 + 0.015f},
        {0, 12, -1, 1 + 0.015f},
        {7, 9, 9, 9},  // an unknown axis leaves the position alone
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.up);
        float bounds[6] = {1, 3, 10, 14, -2, 0};
        GroundPlaneSettings plane;
        plane.autoPlace = true;
        plane.position[0] = plane.position[1] = plane.position[2] = 9;
        PlaceViewOnBounds(bounds, c.up, "+X", plane);
        EXPECT_FLOAT_EQ(plane.position[0], c.x);
        EXPECT_FLOAT_EQ(plane.position[1], c.y);
        EXPECT_FLOAT_EQ(plane.position[2], c.z);
        EXPECT_FLOAT_EQ(plane.size, 5);  // 1.25 x 4 = 5
    }
}

TEST(ViewPlacement, PlaneStaysWithoutAutoPlace) {
    float bounds[6] = {1, 3, 10, 14, -2, 0};
    GroundPlaneSettings plane;
    plane.type = 1;
    plane.size = 7;
    PlaceViewOnBounds(bounds, 2, "+X", plane);
    EXPECT_EQ(plane.type, 1);
    EXPECT_FLOAT_EQ(plane.size, 7);
    EXPECT_FLOAT_EQ(plane.position[2], 0);
}

TEST(ViewPlacement, SinglePointRecording) {
    // One marker: every axis widened, s = 1.25 x 0.2 = 0.25, plane size rounds to 0 and becomes 1.
    float bounds[6] = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};
    GroundPlaneSettings plane;
    plane.autoPlace = true;
    const ViewPlacement view = PlaceViewOnBounds(bounds, 2, "-Y", plane);
    ExpectPoint(view.centre, 0.5, 0.5, 0.5);
    ExpectPoint(view.eye, 0.5, 0.75 - 1.25 * 0.25 - 0.6, 0.5 + 0.25 / 3);
    EXPECT_FLOAT_EQ(plane.size, 1);
}

}  // namespace

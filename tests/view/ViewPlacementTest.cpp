// Placing the view on a recording's bounds: flat recordings get depth, the ground plane slides
// under the recording by its up axis, and the eye goes to the side named by the screen x-axis.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

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

// A recording with nothing measured gets the empty scene's view whatever its plane: an
// auto-placed plane goes back to the origin at its default size, one placed by hand stays.
TEST(ViewPlacement, NothingMeasuredKeepsTheDefaultView) {
    const GroundPlaneSettings fresh;
    for (bool autoPlace : {true, false}) {
        SCOPED_TRACE(autoPlace);
        GroundPlaneSettings plane;
        plane.autoPlace = autoPlace;
        plane.type = 1;
        plane.size = 7;
        plane.position[0] = plane.position[1] = plane.position[2] = 9;
        plane.gridDivisions = 5;
        const ViewPlacement view = PlaceViewOnNothing(plane);
        ExpectPoint(view.centre, DefaultView().centre.x, DefaultView().centre.y, DefaultView().centre.z);
        ExpectPoint(view.eye, DefaultView().eye.x, DefaultView().eye.y, DefaultView().eye.z);
        EXPECT_EQ(plane.type, autoPlace ? fresh.type : 1);
        EXPECT_FLOAT_EQ(plane.size, autoPlace ? fresh.size : 7);
        for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(plane.position[k], autoPlace ? fresh.position[k] : 9) << k;
        EXPECT_EQ(plane.gridDivisions, 5);
    }
}

// Framing a shape: every corner of its box inside the view and one on the edge of the part the
// fill allows, seen along the kind's direction unless that sees the shape edge-on.
class FrameObject : public ::testing::Test {
protected:
    static std::vector<Point3D> Box(const Point3D& low, const Point3D& high) {
        std::vector<Point3D> corners;
        for (int k = 0; k < 8; ++k)
            corners.emplace_back((k & 1) ? high.x : low.x, (k & 2) ? high.y : low.y, (k & 4) ? high.z : low.z);
        return corners;
    }
    // The largest of |x| / half-width and |y| / half-height over the points, as a perspective
    // view from the eye (up +Z) puts them; fails for a point behind the near plane.
    static double Reach(const ViewPlacement& view, const std::vector<Point3D>& points, double lens, double aspect) {
        Point3D f = view.centre - view.eye;
        f.Normalize();
        Point3D r = f.CrossProduct(Point3D(0, 0, 1));
        r.Normalize();
        const Point3D u = r.CrossProduct(f);
        const double t = std::tan(lens / 2 * 3.14159265358979323846 / 180);
        double reach = 0;
        for (const Point3D& p : points) {
            const Point3D d = p - view.eye;
            const double depth = d.x * f.x + d.y * f.y + d.z * f.z;
            EXPECT_GT(depth, 0.1);
            reach = std::max({reach, std::fabs(d.x * r.x + d.y * r.y + d.z * r.z) / depth / (t * aspect),
                              std::fabs(d.x * u.x + d.y * u.y + d.z * u.z) / depth / t});
        }
        return reach;
    }
};

TEST_F(FrameObject, EveryCornerInsideAndOneOnTheEdge) {
    const struct {
        const char* what;
        Point3D low, high, direction;
        double lens, aspect;
        Point3D sight;  // the direction the eye looks along
    } cases[] = {
        {"unit cube", {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}, {0, 3, 0}, 45, 1, {0, 1, 0}},
        {"wide view", {-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}, {0, 3, 0}, 45, 4.0 / 3, {0, 1, 0}},
        {"tall skeleton off the origin", {10, 20, 0}, {11, 30, 8}, {0, 3, -0.5}, 45, 4.0 / 3, {0, 3, -0.5}},
        {"long rod, narrow lens", {100, 0, 0}, {110, 0.1, 1}, {0, 3, 0}, 20, 1, {0, 1, 0}},
        {"tiny part", {0, 0, 0}, {1e-3, 2e-3, 1e-3}, {0, 3, 0}, 45, 1, {0, 1, 0}},
        // Seen edge-on from the front: looked at along the thin axis instead.
        {"plane x = constant", {-1.146, 1.6, 1.7}, {-1.146, 2.5, 3.0}, {0, 3, 0}, 45, 1, {1, 0, 0}},
        {"plan on the floor", {0, 0, 0}, {20, 10, 0}, {0, 3, 0}, 45, 1, {0, 0.25, -1}},
        {"line along y", {0, 0, 0}, {0, 5, 0}, {0, 3, 0}, 45, 1, {1, 0, 0}},
        // Straight down leaves no up: level instead.
        {"asked to look down", {-1, -1, -1}, {1, 1, 1}, {0, 0, -1}, 45, 1, {0, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<Point3D> corners = Box(c.low, c.high);
        ViewPlacement view;
        ASSERT_TRUE(FrameObjectView(corners, c.direction, c.lens, c.aspect, 0.85, view));
        ExpectPoint(view.centre, (c.low.x + c.high.x) / 2, (c.low.y + c.high.y) / 2, (c.low.z + c.high.z) / 2);
        Point3D sight = view.centre - view.eye, expected = c.sight;
        sight.Normalize();
        expected.Normalize();
        ExpectPoint(sight, expected.x, expected.y, expected.z);
        if (c.high.x - c.low.x > 0.5) {
            EXPECT_NEAR(Reach(view, corners, c.lens, c.aspect), 0.85, 1e-9);
        } else {
            EXPECT_LE(Reach(view, corners, c.lens, c.aspect), 0.85 + 1e-9);
        }
    }
}

TEST_F(FrameObject, NothingToFrame) {
    ViewPlacement view;
    EXPECT_FALSE(FrameObjectView({}, Point3D(0, 1, 0), 45, 1, 0.85, view));
    const double nan = std::nan("");
    EXPECT_FALSE(FrameObjectView({Point3D(nan, 0, 0), Point3D(0, INFINITY, 0)}, Point3D(0, 1, 0), 45, 1, 0.85, view));
    // One point: the eye stays in front of the near plane.
    ASSERT_TRUE(FrameObjectView({Point3D(1, 2, 3)}, Point3D(0, 1, 0), 45, 1, 0.85, view));
    ExpectPoint(view.centre, 1, 2, 3);
    EXPECT_GT((view.centre - view.eye).Length(), 0.1);
}

}  // namespace

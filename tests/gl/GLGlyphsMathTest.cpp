#include "gl/GLGlyphs.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct BodyCase {
    float length;
    bool head;
    float scale;
    float headLength, shaftLength, shaftRadius;
};

TEST(ArrowBody, SizesFollowLengthAndScale) {
    const BodyCase cases[] = {
        {1.0f, true, 1.0f, 0.05f, 0.95f, 0.004f},       // head capped at 0.05
        {1.0f, false, 1.0f, 0.05f, 1.0f, 0.004f},       // no head: the shaft takes the length
        {1.0f, true, 1.5f, 0.075f, 0.925f, 0.006f},     // scale multiplies head and radius
        {9.0f, true, 1.0f, 0.05f, 8.95f, 0.004f},       // radius clamped from 0.1
        {0.009f, true, 1.0f, 0.0018f, 0.0072f, 0.0005f},  // radius raised from L / 90, head L / 5
        {1.0f, true, 0.0f, 0.05f, 0.95f, 0.004f},       // scale 0 means unscaled
    };
    for (const BodyCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length << " scale " << c.scale);
        const ArrowBodySize s = ArrowBodySizeFor(c.length, c.head, c.scale);
        EXPECT_NEAR(s.headLength, c.headLength, 1e-6);
        EXPECT_NEAR(s.shaftLength, c.shaftLength, 1e-6);
        EXPECT_NEAR(s.shaftRadius, c.shaftRadius, 1e-7);
        EXPECT_NEAR(s.headRadius, 5 * c.shaftRadius, 1e-6);
    }
}

// Applies the arrow's GL turns to (0, 0, length): first the tilt about X, then the turn about Z.
void Apply(const ArrowTurns& t, double out[3]) {
    const double m = t.tilt * kPi / 180, o = t.turn * kPi / 180;
    const double y1 = -t.length * std::sin(m), z1 = t.length * std::cos(m);
    out[0] = -y1 * std::sin(o);
    out[1] = y1 * std::cos(o);
    out[2] = z1;
}

TEST(ArrowTurns, CarryPlusZOntoTheDirection) {
    const float dirs[][3] = {{0, 0, 1},  {-1, 2, 0}, {1, 2, 0},   {1, 0, 0},    {0, -3, 0},
                             {1, 1, 1},  {-1, -1, -1}, {0, 0, -2}, {-2, 0, 0.5f}, {0.3f, -0.2f, 4}};
    for (const auto& d : dirs) {
        SCOPED_TRACE(testing::Message() << d[0] << ", " << d[1] << ", " << d[2]);
        const ArrowTurns t = ArrowTurnsFor(d[0], d[1], d[2]);
        ASSERT_TRUE(t.drawn);
        double p[3];
        Apply(t, p);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(p[i], d[i], 1e-4);
    }
}

TEST(ArrowTurns, TooShortArrowsAreNotDrawn) {
    EXPECT_FALSE(ArrowTurnsFor(0, 0, 0).drawn);
    EXPECT_FALSE(ArrowTurnsFor(5e-6f, 0, 0).drawn);
    EXPECT_TRUE(ArrowTurnsFor(2e-5f, 0, 0).drawn);
}

}  // namespace

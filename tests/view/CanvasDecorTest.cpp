// Pieces of the base canvas that need no window: the backdrop's tint and the render sizes.
#include <gtest/gtest.h>

#include "view/my3DCanvas.h"

namespace {

TEST(GroundBackdrop, TintAgainstTheBackground) {
    const struct {
        float background[4];
        float expected[4];
    } cases[] = {
        // The default background has a mean of 1/3: 0.2 darker.
        {{0.2f, 0.3f, 0.5f, 1}, {0, 0.1f, 0.3f, 0.5f}},
        // A mean of exactly 0.5 counts as light: 0.2 lighter.
        {{0.5f, 0.5f, 0.5f, 1}, {0.7f, 0.7f, 0.7f, 0.5f}},
        // Clamped to 0..1.
        {{0.1f, 0.0f, 0.05f, 1}, {0, 0, 0, 0.5f}},
        {{1, 0.95f, 0.6f, 0}, {1, 1, 0.8f, 0.5f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.background[0] << " " << c.background[1] << " "
                                        << c.background[2]);
        float out[4];
        GroundBackdropColour(c.background, out);
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(out[i], c.expected[i], 1e-6);
    }
}

TEST(RenderSize, Presets) {
    const int sizes[8][2] = {{0, 0},     {640, 512}, {720, 576},  {720, 480},
                             {640, 480}, {352, 240}, {1440, 960}, {1920, 1080}};
    for (int preset = 1; preset <= 7; ++preset) {
        int w = 0, h = 0;
        ASSERT_TRUE(RenderSizeForPreset(preset, &w, &h));
        EXPECT_EQ(w, sizes[preset][0]);
        EXPECT_EQ(h, sizes[preset][1]);
    }
    for (int preset : {0, -1, 8, 100}) {
        int w = 5, h = 6;
        EXPECT_FALSE(RenderSizeForPreset(preset, &w, &h));
        EXPECT_EQ(w, 5);
        EXPECT_EQ(h, 6);
    }
}

}  // namespace

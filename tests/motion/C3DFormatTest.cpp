#include "motion/C3DFormat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

namespace {

struct FloatCase {
    const char* name;
    uint8_t bytes[4];
    int32_t processor;
    float expected;
};

TEST(C3DFormat, RealsInTheThreeFormats) {
    const FloatCase cases[] = {
        {"Intel 1.0", {0x00, 0x00, 0x80, 0x3F}, 1, 1.0f},
        {"DEC 1.0", {0x80, 0x40, 0x00, 0x00}, 2, 1.0f},
        {"SGI 1.0", {0x3F, 0x80, 0x00, 0x00}, 3, 1.0f},
        {"DEC -0.0625", {0x80, 0xBE, 0x00, 0x00}, 2, -0.0625f},
        {"Intel zero", {0, 0, 0, 0}, 1, 0.0f},
        {"DEC zero", {0, 0, 0, 0}, 2, 0.0f},
        {"SGI zero", {0, 0, 0, 0}, 3, 0.0f},
        // DEC exponent 0 is zero whatever the fraction ("dirty zero").
        {"DEC dirty zero", {0x12, 0x00, 0x34, 0x56}, 2, 0.0f},
        {"unknown processor", {0x00, 0x00, 0x80, 0x3F}, 4, 0.0f},
        {"processor 0", {0x00, 0x00, 0x80, 0x3F}, 0, 0.0f},
    };
    for (const FloatCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ConvertFloat32(c.bytes, c.processor), c.expected);
        const uint16_t words[2] = {static_cast<uint16_t>(c.bytes[0] | (c.bytes[1] << 8)),
                                   static_cast<uint16_t>(c.bytes[2] | (c.bytes[3] << 8))};
        EXPECT_EQ(ConvertFloat(words, c.processor), c.expected);
    }
}

TEST(C3DFormat, DecSmallestExponentsBecomeSubnormalsNotGarbage) {
    // DEC exponent 1: 2^-129 x 1.f, below the IEEE normal range.
    const uint8_t bytes[4] = {0x80, 0x00, 0x00, 0x00};
    const float v = ConvertFloat32(bytes, 2);
    EXPECT_GT(v, 0.0f);
    EXPECT_LT(v, 1e-38f);
}

TEST(C3DFormat, WordsAndLabels) {
    const uint16_t one = 0x0001;  // bytes 01 00
    EXPECT_EQ(ConvertInt16(one, 1), 1);
    EXPECT_EQ(ConvertInt16(one, 2), 1);
    EXPECT_EQ(ConvertInt16(one, 3), 256);
    EXPECT_EQ(ConvertInt16(one, 7), 1);  // unknown processor: as stored
    EXPECT_EQ(ConvertInt16(0xFFFF, 1), -1);

    const uint16_t words[2] = {0x1170, 0x0001};  // 70000, low word first
    EXPECT_EQ(WordsToInt(words, 1), 70000);
    const uint16_t big[2] = {0x7011, 0x0100};  // the same number, each word big-endian
    EXPECT_EQ(WordsToInt(big, 3), 70000);

    uint16_t high = 0, low = 0;
    FloatToWords(1.0f, high, low);
    EXPECT_EQ(high, 0x3F80);
    EXPECT_EQ(low, 0x0000);

    const uint16_t label[2] = {'R' | ('I' << 8), 'C' | (' ' << 8)};
    char out[5];
    PackLabel(label, out);
    EXPECT_STREQ(out, "RIC ");
}

TEST(C3DFormat, FrameOfTimeAndLabelContinuations) {
    EXPECT_EQ(C3DFrameOfTime(100.0, 1.0), 100);
    EXPECT_EQ(C3DFrameOfTime(100.0, 0.99), 99);
    EXPECT_EQ(C3DFrameOfTime(100.0, 1e300), INT32_MAX);
    EXPECT_EQ(C3DFrameOfTime(std::numeric_limits<double>::quiet_NaN(), 1.0), 0);
    EXPECT_EQ(LabelsContinuation("LABELS2"), 2);
    EXPECT_EQ(LabelsContinuation("LABELS"), 0);
    EXPECT_EQ(LabelsContinuation("LABELSX"), 0);
    EXPECT_EQ(LabelsContinuation("LABELS0"), 0);
    EXPECT_EQ(LabelsContinuation("LABELS99999999999"), 99999);
}

}  // namespace

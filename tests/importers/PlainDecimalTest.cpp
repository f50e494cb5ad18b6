// The short path for plain decimals must give the very bits std::from_chars gives, or decline.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "importers/ImportText.h"
#include "importers/TrackFormat.h"

namespace {

template <typename T>
void ExpectSameAsFromChars(const std::string& text) {
    T plain{};
    const char* stop = nullptr;
    const bool taken = dez::PlainDecimal(text.data(), text.data() + text.size(), plain, stop);
    if (!taken) return;  // declined: the general path reads it
    T reference{};
    const auto r = std::from_chars(text.data(), text.data() + text.size(), reference, std::chars_format::general);
    ASSERT_EQ(r.ec, std::errc()) << text;
    EXPECT_EQ(stop, r.ptr) << text;
    EXPECT_EQ(std::memcmp(&plain, &reference, sizeof plain), 0) << text << ": " << plain << " != " << reference;
}

TEST(PlainDecimal, TakesOnlyPlainNumbers) {
    const struct {
        const char* text;
        bool taken;
        size_t used;
    } cases[] = {
        {"123.4567", true, 8}, {"0", true, 1},         {".5", true, 2},       {"7\t8", true, 1},
        {"1.5x", true, 3},     {"5.", false, 0},       {".", false, 0},       {"", false, 0},
        {"-1", false, 0},      {"+1", false, 0},       {"1e3", false, 0},     {"1.5E-2", false, 0},
        {"inf", false, 0},     {"nan", false, 0},      {"0x10", true, 1},     {"0000000000000.000123", true, 20},
        {"9007199254740992", true, 16},  // 2^53, still exact
        {"9007199254740993", false, 0},  // beyond: the division would round twice
        {"00000000000000000001", false, 0},  // 20 digits
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string text = c.text;
        double d = -1;
        const char* stop = nullptr;
        EXPECT_EQ(dez::PlainDecimal(text.data(), text.data() + text.size(), d, stop), c.taken);
        if (c.taken) {
            EXPECT_EQ(static_cast<size_t>(stop - text.data()), c.used);
        }
        ExpectSameAsFromChars<double>(text);
        ExpectSameAsFromChars<float>(text);
    }
}

TEST(PlainDecimal, FloatsHalfWayBetweenTwoFloatsAreDeclined) {
    // 2^24 + 1 lies exactly between two floats: only a correctly rounding reader may decide.
    float f = 0;
    const char* stop = nullptr;
    const std::string midpoint = "16777217";
    EXPECT_FALSE(dez::PlainDecimal(midpoint.data(), midpoint.data() + midpoint.size(), f, stop));
    // Beyond the float range, or below its normal numbers.
    for (const std::string text : {"340282356779733661637539395458142568448", "0.0000000000000000000000000000000000000117"}) {
        EXPECT_FALSE(dez::PlainDecimal(text.data(), text.data() + text.size(), f, stop)) << text;
    }
}

TEST(PlainDecimal, AgreesWithFromCharsOnManyNumbers) {
    std::mt19937_64 random(36);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 19);
        std::string text;
        for (int k = 0; k < digits; ++k) text += static_cast<char>('0' + random() % 10);
        const int point = static_cast<int>(random() % (digits + 1));
        if (point < digits) text.insert(static_cast<size_t>(point), ".");
        ExpectSameAsFromChars<double>(text);
        ExpectSameAsFromChars<float>(text);
        if (HasFailure()) return;
    }
}

// Through the readers' number scanner: signs, blanks and what follows the number as before.
TEST(PlainDecimal, ScannedNumbersKeepTheirMeaning) {
    const struct {
        const char* text;
        float value;
    } cases[] = {{"  -12.5", -12.5f}, {"+3.25abc", 3.25f}, {"+-1", 0.0f}, {"-0.0", -0.0f},
                 {"1.5e2", 150.0f},   {"5.", 5.0f},        {"\t0.1", 0.1f}, {"-16777217", -16777216.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        float v = 99;
        FromString(c.text, v);
        EXPECT_EQ(v, c.value);
        EXPECT_EQ(std::signbit(v), std::signbit(c.value));
    }
}

}  // namespace

#include "motion/TStructure.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> SegmentTexts(const TStructure& s) {
    std::vector<std::string> texts;
    for (int32_t i = 0; i < s.GetSegmentCount(); ++i) texts.push_back(s.GetSegmentText(i));
    return texts;
}

struct ParseCase {
    const char* text;
    int32_t points;
    int32_t error;
    std::vector<std::string> segments;  // chain texts after parsing
};

class StructureParse : public testing::TestWithParam<ParseCase> {};

TEST_P(StructureParse, ChainsAndErrors) {
    const ParseCase& c = GetParam();
    TStructure s(nullptr, 0, 0.0f);
    s.Set(c.text, c.points, 0.0f);
    EXPECT_EQ(s.GetError(), c.error);
    EXPECT_EQ(SegmentTexts(s), c.segments);
}

// Chains after the one in error keep no markers, so their text is empty.
INSTANTIATE_TEST_SUITE_P(
    Texts, StructureParse,
    testing::Values(ParseCase{"1-2-3,3-4", 4, 0, {"1-2-3", "3-4"}}, ParseCase{"1-2,1-2", 4, 0, {"1-2"}},
                    ParseCase{"1-2,2-1", 4, 0, {"1-2", "2-1"}}, ParseCase{"3,3", 4, 0, {"3"}},
                    ParseCase{"a-B,A-b", 4, 1, {""}},  // duplicates by text, case ignored
                    ParseCase{"5", 5, 0, {"5"}},       // a lone number equal to the point count
                    ParseCase{"6", 5, 1, {""}}, ParseCase{"0-1", 5, 1, {""}},
                    ParseCase{"1-2-3-4-5-6", 5, 1, {"1-2-3-4-5"}}, ParseCase{"1-2-3-4-5-1", 5, 2, {"1-2-3-4-5"}},
                    ParseCase{",,1-2,,3-4,", 4, 0, {"1-2", "3-4"}}, ParseCase{"--1--2-", 4, 0, {"1-2"}},
                    ParseCase{" 3x-4y", 4, 0, {"3-4"}},  // leading blanks, trailing junk
                    ParseCase{"9-1,1-2", 4, 1, {"", ""}}, ParseCase{"1-2,7", 4, 1, {"1-2", ""}},
                    ParseCase{"", 4, 0, {}}));

TEST(TStructure, EmptyTextInConstructorAndSet) {
    TStructure fresh("", 4, 0.0f);
    EXPECT_EQ(fresh.GetError(), -1);
    EXPECT_EQ(fresh.GetText(), nullptr);
    TStructure s("1-2", 4, 0.0f);
    EXPECT_EQ(s.GetError(), 0);
    EXPECT_EQ(s.GetSegmentCount(), 1);
    s.Set("", 4, 0.0f);
    EXPECT_EQ(s.GetError(), 0);
    EXPECT_EQ(s.GetSegmentCount(), 0);
    ASSERT_NE(s.GetText(), nullptr);
    EXPECT_STREQ(s.GetText(), "");
}

TEST(TStructure, LineCountIsolatedPointsAndLookup) {
    TStructure s("1-2-3,3-4", 4, 0.0f);
    EXPECT_EQ(s.GetLineCount(), 3);
    EXPECT_EQ(s.GetSegmentText(0), "1-2-3");
    EXPECT_EQ(s.GetSegmentText(2), "");
    EXPECT_EQ(s.GetSegmentText(-1), "");
    EXPECT_EQ(s.GetSegment(2), nullptr);
    EXPECT_TRUE(s.ContainsPoint(4));
    EXPECT_FALSE(s.ContainsPoint(5));

    TStructure lone("1-2,2,7", 8, 0.0f);
    int32_t out[4] = {};
    EXPECT_EQ(lone.GetIsolatedPoints(out, 4), 1);
    EXPECT_EQ(out[0], 7);

    TStructure many("1,2,3", 8, 0.0f);
    int32_t one[1] = {};
    EXPECT_EQ(many.GetIsolatedPoints(one, 1), 3);  // counts them all, writes what fits
    EXPECT_EQ(one[0], 1);
}

TEST(TStructure, RemoveSegmentRewritesTheText) {
    TStructure s("1-2,3-4,5-6", 6, 0.0f);
    EXPECT_FALSE(s.RemoveSegment(3));
    EXPECT_TRUE(s.RemoveSegment(1));
    EXPECT_STREQ(s.GetText(), "1-2,5-6");
    EXPECT_EQ(s.GetSegmentCount(), 2);
    EXPECT_TRUE(s.RemoveSegmentByName("5-6"));
    EXPECT_FALSE(s.RemoveSegmentByName("5-6"));
    EXPECT_TRUE(s.RemoveSegment(0));  // the last one clears everything
    EXPECT_EQ(s.GetText(), nullptr);
    EXPECT_EQ(s.GetSegmentCount(), 0);
}

TEST(TStructure, AddSegmentAndDuplicates) {
    TStructure s("1-2", 6, 0.0f);
    EXPECT_TRUE(s.AddSegment("3-4"));
    EXPECT_STREQ(s.GetText(), "1-2,3-4");
    EXPECT_EQ(s.GetSegmentCount(), 2);

    // A parsed chain keeps only its first number in its working text, so the probe passes and
    // the rebuild drops the duplicate.
    TStructure twice("1-2", 6, 0.0f);
    EXPECT_TRUE(twice.AddSegment("1-2"));
    EXPECT_STREQ(twice.GetText(), "1-2,1-2");
    EXPECT_EQ(twice.GetSegmentCount(), 1);

    TStructure lone("7", 8, 0.0f);
    EXPECT_FALSE(lone.AddSegment("7"));
    EXPECT_STREQ(lone.GetText(), "7");

    TStructure bad("1-2", 4, 0.0f);
    EXPECT_FALSE(bad.AddSegment("3-9"));
    EXPECT_EQ(bad.GetError(), 1);
    EXPECT_STREQ(bad.GetText(), "1-2");

    TStructure empty(nullptr, 4, 0.0f);
    EXPECT_TRUE(empty.AddSegment("2-3"));
    EXPECT_STREQ(empty.GetText(), "2-3");
    EXPECT_FALSE(empty.AddSegment(nullptr));
}

TEST(TStructure, AppendTextIsRawAndStopsWhileInError) {
    TStructure s("1-2", 6, 0.0f);
    s.AppendText(",3-4");
    EXPECT_STREQ(s.GetText(), "1-2,3-4");
    EXPECT_EQ(s.GetSegmentCount(), 2);
    s.AppendText("-5");  // no separator added: the last chain grows
    EXPECT_EQ(s.GetSegmentText(1), "3-4-5");
    s.SetError(1);
    s.AppendText(",6");
    EXPECT_STREQ(s.GetText(), "1-2,3-4-5,6");
    EXPECT_EQ(s.GetSegmentCount(), 2);
}

TEST(TStructure, WarningsGoToStandardOutputOnlyWhenOn) {
    const struct {
        const char* text;
        const char* output;
    } cases[] = {
        {"1-9", "Wrong point range  : 9  max :4\n"},
        {"1-2-3-4-1", "Wrong point value  : 1\n"},
        {"1-2,1-2", "Warning : segment 1-2 already exists\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TStructure s(nullptr, 4, 0.0f);
        testing::internal::CaptureStdout();
        s.Set(c.text, 4, 0.0f);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        s.SetWarnings(true);
        testing::internal::CaptureStdout();
        s.Set(c.text, 4, 0.0f);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
    }
}

TEST(TStructure, ChainCapacity) {
    std::string text;
    for (int i = 1; i <= 2046; ++i) text += std::to_string(i) + "-";
    TStructure fits(text.c_str(), 5000, 0.0f);
    EXPECT_EQ(fits.GetError(), 0);
    EXPECT_EQ(fits.GetSegment(0)->GetCount(), 2046);

    text += "2047";
    TStructure s(nullptr, 5000, 0.0f);
    s.SetWarnings(true);
    testing::internal::CaptureStdout();
    s.Set(text.c_str(), 5000, 0.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Point overflow : 2047/2048\n");
    EXPECT_EQ(s.GetError(), 3);
    EXPECT_EQ(s.GetSegment(0)->GetCount(), 2047);
}

TEST(TStructure, MoreThan2048ChainsAndLargeNumbers) {
    std::string text;
    for (int i = 1; i <= 3000; ++i) text += std::to_string(i) + "-" + std::to_string(i + 20000) + ",";
    TStructure s(text.c_str(), 30000, 0.0f);
    EXPECT_EQ(s.GetError(), 0);
    ASSERT_EQ(s.GetSegmentCount(), 3000);
    EXPECT_EQ(s.GetSegmentText(2999), "3000-23000");
    s.SetPosition(1.0f, 2.0f, 3.0f, 23000);
    s.SetMissingValue(-9.0f);
    float x = 0, y = 0, z = 0;
    ASSERT_TRUE(s.GetPosition(&x, &y, &z, 23000));
    EXPECT_EQ(x, -9.0f);  // every number is reset, however large
}

TEST(TStructure, PositionsAndMarkerAttributes) {
    TStructure s("1-2-1,2-3", 3, 0.0f);
    float x = 0, y = 0, z = 0;
    ASSERT_TRUE(s.GetPosition(&x, &y, &z, 1));
    EXPECT_EQ(x, -1.0f);  // chains start at their own missing value
    s.SetMissingValue(0.0f);
    ASSERT_TRUE(s.GetPosition(&x, &y, &z, 2));
    EXPECT_EQ(x, 0.0f);
    s.SetPosition(1.0f, 2.0f, 3.0f, 1);
    ASSERT_TRUE(s.GetSegment(0)->GetPositionAt(2, &x, &y, &z));  // every occurrence moved
    EXPECT_EQ(z, 3.0f);
    s.SetPosition(4.0f, 5.0f, 6.0f, 2);
    ASSERT_TRUE(s.GetSegment(1)->GetPosition(&x, &y, &z, 2));
    EXPECT_EQ(y, 5.0f);
    s.ResetPosition(2);
    ASSERT_TRUE(s.GetPosition(&x, &y, &z, 2));
    EXPECT_EQ(y, 0.0f);
    EXPECT_FALSE(s.GetPosition(&x, &y, &z, 4));

    TStructure five("4-5", 5, 0.0f);
    EXPECT_TRUE(five.SetMarkerAttributes(5, SegmentColour{10, 20, 30}, 0.02f));
    EXPECT_FALSE(five.SetMarkerAttributes(3, SegmentColour{1, 1, 1}, 1.0f));
    SegmentColour c;
    float size = 0;
    ASSERT_TRUE(five.GetSegment(0)->GetMarkerAttributes(5, c, size));
    EXPECT_EQ(c.red, 10);
    EXPECT_EQ(c.green, 20);
    EXPECT_EQ(c.blue, 30);
    EXPECT_FLOAT_EQ(size, 0.02f);
    ASSERT_TRUE(five.GetSegment(0)->GetMarkerAttributes(4, c, size));
    EXPECT_EQ(c.red, 255);  // default yellow, 0.015
    EXPECT_EQ(c.green, 255);
    EXPECT_EQ(c.blue, 0);
    EXPECT_FLOAT_EQ(size, 0.015f);
    EXPECT_EQ(five.GetSegment(0)->GetColour().blue, 255);  // links default to blue
}

TEST(TStructure, RemovePointDropsAndRenumbersWithoutRelinking) {
    const struct {
        const char* text;
        int32_t removed;
        const char* after;
    } cases[] = {
        {"1-2-3,3-4,5", 3, "1-2,3,4"},  // 3-4 loses 3 and keeps 4 as 3; 5 becomes 4
        {"1-2-3,3-4,5", 1, "1-2,2-3,4"},
        {"2-3,4", 4, "2-3"},  // a lone chain that loses its marker goes
        {"1-2,5-6", 3, "1-2,4-5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TStructure s(c.text, 6, 0.0f);
        s.RemovePoint(c.removed);
        EXPECT_STREQ(s.GetText(), c.after);
        std::string joined;
        for (int32_t i = 0; i < s.GetSegmentCount(); ++i) joined += (i ? "," : "") + s.GetSegmentText(i);
        EXPECT_EQ(joined, c.after);
        EXPECT_FALSE(s.ContainsPoint(0));
        // A rebuild from the text links the same markers.
        s.Set(std::string(s.GetText()).c_str(), 5, 0.0f);
        EXPECT_EQ(s.GetError(), 0);
    }
}

// Records the drawing hooks, as the display layer's chains fill them in.
class RecordingSegment : public TSegment {
public:
    RecordingSegment(const char* text, int32_t points, std::string* log)
        : TSegment(text, points, kSegmentCapacity, 0.0f), log_(log) {}
    void DrawMarker(int32_t k, float, float, float) override { *log_ += "m" + std::to_string(k); }
    void DrawSinglePoint(int32_t, int32_t, int32_t) override { *log_ += "s"; }
    void DrawLink(float x1, float, float, float x2, float, float) override {
        *log_ += "l" + std::to_string(static_cast<int>(x1)) + std::to_string(static_cast<int>(x2));
    }

private:
    std::string* log_;
};

class RecordingStructure : public TStructure {
public:
    RecordingStructure(const char* text, int32_t points) : TStructure(nullptr, points, 0.0f) {
        Set(text, points, 0.0f);
    }
    TSegment* CreateSegment(const char* text, int32_t points) override {
        return new RecordingSegment(text, points, &log);
    }
    std::string log;
};

TEST(TSegment, DrawingWalksTheChainAndBreaksAtMissingMarkers) {
    RecordingStructure s("1-2-3,4", 4);
    for (int32_t m = 1; m <= 4; ++m) s.SetPosition(static_cast<float>(m), 1.0f, 1.0f, m);
    s.DrawAll();
    EXPECT_EQ(s.log, "m0m1l12m2l23s");
    s.log.clear();
    s.ResetPosition(2);  // not seen: no marker, and no line crosses it
    s.DrawSegment(0, 0, 0);
    EXPECT_EQ(s.log, "m0m2");
    s.log.clear();
    s.DrawSegment(2, 0, 0);
    EXPECT_EQ(s.log, "");
}

TEST(TSegment, SetPointsAndText) {
    TSegment seg("1-2", 30000, 4, 0.0f);
    EXPECT_EQ(seg.Parse(false), 0);
    EXPECT_EQ(seg.GetWorkingText(), "1");
    const int32_t numbers[] = {12345, 23456, 3};
    ASSERT_TRUE(seg.SetPoints(numbers, 3));
    EXPECT_EQ(seg.GetWorkingText(), "12345-23456-3");
    std::string text;
    EXPECT_EQ(seg.GetText(text), 3);
    EXPECT_EQ(text, "12345-23456-3");
    EXPECT_STREQ(seg.GetName(), "1-2");
    const int32_t tooMany[] = {1, 2, 3, 4, 5};
    EXPECT_FALSE(seg.SetPoints(tooMany, 5));  // beyond the capacity
    EXPECT_FALSE(seg.SetPoints(tooMany, 0));
    EXPECT_EQ(seg.GetCount(), 3);
}

}  // namespace

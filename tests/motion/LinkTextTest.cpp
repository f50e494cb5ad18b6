// Link texts built chain by chain: AddSegment must leave a structure exactly as rebuilding it
// from the joined text does, whatever happened to the structure before.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "motion/TSegment.h"
#include "motion/TStructure.h"

namespace {

// Everything a chain shows, positions and marker attributes included.
std::string Describe(const TSegment& s) {
    std::string out = std::string(s.GetName()) + "|" + s.GetWorkingText() + "|";
    const SegmentColour& c = s.GetColour();
    out += std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue) + "|";
    for (int32_t k = 0; k < s.GetCount(); ++k) {
        const int32_t number = s.GetPoints()[k];
        float x = 0, y = 0, z = 0, size = 0;
        SegmentColour a;
        s.GetPositionAt(k, &x, &y, &z);
        s.GetMarkerAttributes(number, a, size);
        out += std::to_string(number) + "@" + std::to_string(x) + "/" + std::to_string(y) + "/" + std::to_string(z) +
               "#" + std::to_string(a.red) + "." + std::to_string(a.green) + "." + std::to_string(a.blue) + "." +
               std::to_string(size) + " ";
    }
    return out + "m" + std::to_string(s.GetMissingValue());
}

// What can be seen without handing out a chain.
std::string Outline(const TStructure& s) {
    std::string out = s.GetText() ? std::string("text=") + s.GetText() : std::string("no text");
    out += " error=" + std::to_string(s.GetError()) + " lines=" + std::to_string(s.GetLineCount()) + " chains:";
    for (int32_t i = 0; i < s.GetSegmentCount(); ++i) out += " " + s.GetSegmentText(i);
    return out;
}

std::vector<std::string> Everything(const TStructure& s) {
    std::vector<std::string> out{Outline(s)};
    for (int32_t i = 0; i < s.GetSegmentCount(); ++i) out.push_back(Describe(*s.GetSegment(i)));
    return out;
}

// AddSegment as a full rebuild from the joined text.
bool AddByRebuild(TStructure& s, const char* chain) {
    if (!chain) return false;
    TSegment probe(chain, s.GetPointCount(), kSegmentCapacity, -1.0f);
    if (!s.IsNewSegment(&probe)) return false;
    s.SetError(probe.Parse(s.GetWarnings()));
    if (s.GetError() != 0) return false;
    const std::string old = s.GetText() ? s.GetText() : "";
    const std::string joined = old.empty() ? std::string(chain) : old + "," + chain;
    s.Set(joined.c_str(), s.GetPointCount(), s.GetMissingValue());
    return true;
}

TEST(LinkText, AddSegmentCases) {
    const struct {
        const char* start;  // null: a structure without text
        int32_t points;
        std::vector<const char*> chains;
    } cases[] = {
        {"1-2", 6, {"3-4", "1-2", "1", "5-6", "3-4"}},
        {nullptr, 6, {"1-2", "2-3", "1-2,3", "3", "4-5-6-4"}},
        {"", 6, {"2", "2", "2-1", "2-1"}},
        {"1-9,2-3", 9, {"4-5", "1"}},                // the text is in error: later chains stay unparsed
        {"1-2,,1-2,2-3", 4, {"3-4,,5", "3-4,1-2"}},  // several chains at once, one of them bad
        {"1-2", 4, {"a-B", "A-b", "1-2-3-4-1", "3-0"}},
        {"--1--2-", 4, {"--1", " 3x-4y", ",,"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start ? c.start : "(null)");
        TStructure added(c.start, c.points, 0.0f);
        TStructure rebuilt(c.start, c.points, 0.0f);
        for (const char* chain : c.chains) {
            SCOPED_TRACE(chain);
            EXPECT_EQ(added.AddSegment(chain), AddByRebuild(rebuilt, chain));
            EXPECT_EQ(Outline(added), Outline(rebuilt));
        }
        EXPECT_EQ(Everything(added), Everything(rebuilt));
    }
}

TEST(LinkText, AddSegmentKnownResults) {
    TStructure s("1-2", 6, 0.0f);
    EXPECT_TRUE(s.AddSegment("3-4"));
    EXPECT_TRUE(s.AddSegment("1-2"));  // passes the probe, dropped by the rebuild
    EXPECT_FALSE(s.AddSegment("1"));   // a parsed chain's working text is its first number
    EXPECT_TRUE(s.AddSegment("5,5,6"));
    EXPECT_STREQ(s.GetText(), "1-2,3-4,1-2,5,5,6");
    EXPECT_EQ(Outline(s), "text=1-2,3-4,1-2,5,5,6 error=0 lines=2 chains: 1-2 3-4 5 6");
    EXPECT_FALSE(s.AddSegment("6"));
    EXPECT_FALSE(s.AddSegment("7-8"));
    EXPECT_EQ(s.GetError(), 1);
    EXPECT_STREQ(s.GetText(), "1-2,3-4,1-2,5,5,6");
}

// Random structures under every operation, checked against the rebuild after each step.
TEST(LinkText, RandomHistoriesMatchTheRebuild) {
    std::mt19937 random(2029);
    auto number = [&](int32_t points) { return std::to_string(static_cast<int32_t>(random() % (points + 2))); };
    auto chainText = [&](int32_t points) {
        std::string text = number(points);
        const int more = static_cast<int>(random() % 4);
        for (int k = 0; k < more; ++k) text += (random() % 6 == 0 ? "," : "-") + number(points);
        return text;
    };
    for (int round = 0; round < 200; ++round) {
        const int32_t points = 3 + static_cast<int32_t>(random() % 6);
        const std::string start = random() % 3 == 0 ? std::string() : chainText(points);
        TStructure added(start.c_str(), points, 0.0f);
        TStructure rebuilt(start.c_str(), points, 0.0f);
        std::string history = "start " + start;
        for (int step = 0; step < 30; ++step) {
            const unsigned op = random() % 20;
            const std::string chain = chainText(points);
            const int32_t m = 1 + static_cast<int32_t>(random() % points);
            const float v = static_cast<float>(random() % 100);
            for (TStructure* s : {&added, &rebuilt}) {
                switch (op) {
                    case 0: s->SetPosition(v, v + 1, v + 2, m); break;
                    case 1: s->SetMarkerAttributes(m, SegmentColour{m, 2, 3}, v); break;
                    case 2: s->SetMissingValue(v); break;
                    case 3: s->RemovePoint(m); break;
                    case 4: s->RemoveSegment(m - 1); break;
                    case 5: s->AppendText(("," + chain).c_str()); break;
                    case 6: s->SetError(0); break;
                    case 7:
                        if (TSegment* segment = s->GetSegment(0)) segment->SetColour(SegmentColour{1, 2, 3});
                        break;
                    case 8: s->Set(chain.c_str(), points, 0.0f); break;
                    case 9: s->ResetPosition(m); break;
                    default: break;  // most steps add a chain
                }
            }
            history += " | " + std::to_string(op) + " " + chain + " " + std::to_string(m);
            if (op >= 10) {
                const bool a = added.AddSegment(chain.c_str());
                const bool b = AddByRebuild(rebuilt, chain.c_str());
                ASSERT_EQ(a, b) << history;
            }
            ASSERT_EQ(Outline(added), Outline(rebuilt)) << history;
        }
        ASSERT_EQ(Everything(added), Everything(rebuilt)) << history;
    }
}

TEST(LinkText, WarningsAreThoseOfTheRebuild) {
    TStructure added("1-2,1-2,9", 4, 0.0f);
    TStructure rebuilt("1-2,1-2,9", 4, 0.0f);
    added.SetWarnings(true);
    rebuilt.SetWarnings(true);
    for (const char* chain : {"3-4", "3", "1-2"}) {
        SCOPED_TRACE(chain);
        testing::internal::CaptureStdout();
        const bool a = added.AddSegment(chain);
        const std::string fromAdded = testing::internal::GetCapturedStdout();
        testing::internal::CaptureStdout();
        const bool b = AddByRebuild(rebuilt, chain);
        EXPECT_EQ(fromAdded, testing::internal::GetCapturedStdout());
        EXPECT_EQ(a, b);
    }
    EXPECT_EQ(Everything(added), Everything(rebuilt));
}

TEST(LinkText, IsolatedPoints) {
    const struct {
        const char* text;
        std::vector<int32_t> isolated;
    } cases[] = {
        {"1-2,2,7", {7}},
        {"1,2,3", {1, 2, 3}},
        {"5,1-2,5-6,4,3", {4, 3}},
        {"1-9,3", {1}},  // 1-9 keeps the 1 read before its error, the chain after it nothing
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TStructure s(c.text, 8, 0.0f);
        std::vector<int32_t> out(8, 0);
        const int32_t n = s.GetIsolatedPoints(out.data(), 8);
        out.resize(static_cast<size_t>(n));
        EXPECT_EQ(out, c.isolated);
    }
}

}  // namespace

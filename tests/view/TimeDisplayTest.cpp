// The time text and the event frames of a recording.
#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

#include "motion/LabelledItem.h"
#include "motion/TC3DData.h"
#include "support/TestSupport.h"
#include "view/TimeDisplay.h"

namespace {

TEST(TimeDisplay, TimeText) {
    EXPECT_EQ(FormatTimeText(1.5, 150), "1.500 (s)  [151]");
    EXPECT_EQ(FormatTimeText(0, 0), "0.000 (s)  [1]");
    EXPECT_EQ(FormatTimeText(0.0004, -1), "0.000 (s)");
    EXPECT_EQ(FormatTimeText(12.3456, 1234), "12.346 (s)  [1235]");
    EXPECT_EQ(FormatTimeText(1, 2147483647), "1.000 (s)  [2147483648]");
}

TEST(TimeDisplay, TimeTextKeepsItsPointUnderADecimalCommaLocale) {
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    EXPECT_EQ(FormatTimeText(1.5, 150), "1.500 (s)  [151]");
}

// A recording with events of the EVENT group and header events.
class EventsTest : public ::testing::Test {
protected:
    void SetUp() override {
        recording.events = new LabelledItemList;
        recording.headerEvents = new LabelledItemList;
        recording.events->Add(LabelledItem(150, "LHS"));
        recording.events->Add(LabelledItem(40, "RHS"));
        recording.events->Add(LabelledItem(150, "LTO"));
        recording.headerEvents->Add(LabelledItem(150, "HEADER"));
        recording.headerEvents->Add(LabelledItem(90, "START"));
        recording.headerEvents->Add(LabelledItem(40, "SECOND"));
    }
    TC3DData recording;
};

TEST_F(EventsTest, LabelOnTheFrame) {
    // The first event of the EVENT group wins, then the header events.
    EXPECT_STREQ(EventLabelAt(recording, 150), "LHS");
    EXPECT_STREQ(EventLabelAt(recording, 40), "RHS");
    EXPECT_STREQ(EventLabelAt(recording, 90), "START");
    EXPECT_EQ(EventLabelAt(recording, 91), nullptr);
}

TEST_F(EventsTest, FramesSortedWithDuplicates) {
    EXPECT_EQ(CollectEventFrames(recording), (std::vector<int>{40, 40, 90, 150, 150, 150}));
}

TEST_F(EventsTest, NextAndPreviousInTheRange) {
    const std::vector<int> frames = CollectEventFrames(recording);
    EXPECT_EQ(NextEventFrame(frames, 0, 200), 40);
    EXPECT_EQ(NextEventFrame(frames, 40, 200), 90);
    EXPECT_EQ(NextEventFrame(frames, 90, 200), 150);
    EXPECT_EQ(NextEventFrame(frames, 150, 200), std::nullopt);
    EXPECT_EQ(NextEventFrame(frames, 90, 149), std::nullopt);  // past the range's last frame
    EXPECT_EQ(PreviousEventFrame(frames, 200, 0), 150);
    EXPECT_EQ(PreviousEventFrame(frames, 150, 0), 90);
    EXPECT_EQ(PreviousEventFrame(frames, 40, 0), std::nullopt);
    EXPECT_EQ(PreviousEventFrame(frames, 150, 91), std::nullopt);  // before the range's first
    EXPECT_EQ(NextEventFrame({}, 0, 100), std::nullopt);
    EXPECT_EQ(PreviousEventFrame({}, 100, 0), std::nullopt);
}

TEST(TimeDisplay, RecordingWithoutEvents) {
    TC3DData recording;
    EXPECT_EQ(EventLabelAt(recording, 0), nullptr);
    EXPECT_TRUE(CollectEventFrames(recording).empty());
    // A header-event list that says it holds nothing gives nothing.
    recording.headerEvents = new LabelledItemList;
    EXPECT_TRUE(CollectEventFrames(recording).empty());
}

}  // namespace

// Playback timing with an injected clock: timer intervals, the step of each tick, wrapping in the
// play range both ways, frame steps and the frame a time falls on.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

#include "view/PlaybackClock.h"

namespace {

// A clock the test moves by hand.
struct ManualClock {
    std::int64_t now = 1000;
    PlaybackClock::Clock Get() {
        return [this] { return now; };
    }
};

TEST(PlaybackClock, IntervalFromFrameRateAndSpeed) {
    const struct {
        bool followsFrameRate;
        double period;
        double speed;
        int ms;
    } cases[] = {
        {true, 0.01, 1, 33},    // 100 Hz: never faster than 30 ticks a second
        {true, 0.04, 1, 40},    // 25 Hz: one tick per frame
        {true, 0.01, 0.25, 133},
        {true, 0.04, 0.5, 80},  // half speed doubles the interval
        {true, 0.04, 2, 40},    // faster speeds keep it and take longer steps
        {false, 0.04, 1, 33},   // objects that do not play at a frame rate
        {true, 0, 1, 33},       // a rate of 0 in a file
        {true, std::numeric_limits<double>::infinity(), 1, 33},
        {true, std::nan(""), 1, 33},
        {true, -0.5, 1, 33},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.period << " s at speed " << c.speed);
        ManualClock clock;
        PlaybackClock playback(clock.Get());
        ASSERT_TRUE(playback.SetSpeed(c.speed));
        const double interval = playback.Start(c.followsFrameRate, c.period);
        EXPECT_EQ(interval, playback.GetInterval());
        EXPECT_EQ(TimerMilliseconds(interval), c.ms);
    }
}

TEST(PlaybackClock, SpeedMustBePositiveAndFinite) {
    PlaybackClock playback;
    EXPECT_EQ(playback.GetSpeed(), 1.0);
    for (double bad : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(playback.SetSpeed(bad)) << bad;
        EXPECT_EQ(playback.GetSpeed(), 1.0);
    }
    EXPECT_TRUE(playback.SetSpeed(0.25));
    EXPECT_EQ(playback.GetSpeed(), 0.25);
}

TEST(PlaybackClock, TimerMillisecondsStayInRange) {
    EXPECT_EQ(TimerMilliseconds(1.0 / 30), 33);
    EXPECT_EQ(TimerMilliseconds(0), 1);
    EXPECT_EQ(TimerMilliseconds(0.0004), 1);
    EXPECT_EQ(TimerMilliseconds(-3), 1);
    EXPECT_EQ(TimerMilliseconds(std::nan("")), 1);
    EXPECT_EQ(TimerMilliseconds(1e300), INT_MAX);
    EXPECT_EQ(TimerMilliseconds(std::numeric_limits<double>::infinity()), INT_MAX);
}

TEST(PlaybackClock, TickMovesByElapsedTimesSpeed) {
    const struct {
        double speed;
        bool reverse;
        std::int64_t elapsed;
        double from, to;
    } cases[] = {
        {1, false, 40, 0.5, 0.54},  {2, false, 40, 0.5, 0.58}, {0.5, false, 40, 0.5, 0.52},
        {1, true, 40, 0.5, 0.46},   {2, true, 40, 0.5, 0.42},  {1, false, 0, 0.5, 0.5},
        // A late tick takes a longer step instead of slowing the replay down.
        {1, false, 250, 0.5, 0.75},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.speed << (c.reverse ? " back " : " ") << c.elapsed);
        ManualClock clock;
        PlaybackClock playback(clock.Get());
        playback.SetSpeed(c.speed);
        playback.Start(true, 0.01);
        playback.SetReverse(c.reverse);
        clock.now += c.elapsed;
        EXPECT_NEAR(playback.Tick(c.from, true, 0, 1), c.to, 1e-12);
    }
}

TEST(PlaybackClock, TicksCountFromThePreviousTick) {
    ManualClock clock;
    PlaybackClock playback(clock.Get());
    playback.Start(true, 0.01);
    double t = 0;
    for (int i = 0; i < 5; ++i) {
        clock.now += 33;
        t = playback.Tick(t, true, 0, 10);
    }
    EXPECT_NEAR(t, 0.165, 1e-12);
}

TEST(PlaybackClock, StartPlaysForwards) {
    ManualClock clock;
    PlaybackClock playback(clock.Get());
    playback.SetReverse(true);
    playback.Start(true, 0.01);
    EXPECT_FALSE(playback.IsReverse());
}

TEST(PlaybackClock, TickWrapsInsideTheRange) {
    const struct {
        bool reverse;
        double from;
        std::int64_t elapsed;
        double to;
    } cases[] = {
        {false, 0.98, 40, 0.2},  // past the end: from the start
        {true, 0.22, 40, 1.0},   // before the start: from the end
        {false, 0.96, 40, 1.0},  // landing on the end stays there
        {true, 0.25, 40, 0.21},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << (c.reverse ? " back" : ""));
        ManualClock clock;
        PlaybackClock playback(clock.Get());
        playback.Start(true, 0.01);
        playback.SetReverse(c.reverse);
        clock.now += c.elapsed;
        EXPECT_NEAR(playback.Tick(c.from, true, 0.2, 1.0), c.to, 1e-12);
    }
    // Without an object there is no range to wrap in.
    ManualClock clock;
    PlaybackClock playback(clock.Get());
    playback.Start(true, 0.01);
    clock.now += 500;
    EXPECT_NEAR(playback.Tick(0.98, false, 0.2, 1.0), 1.48, 1e-12);
}

TEST(PlaybackClock, FrameSteps) {
    const double p = 0.01;
    // One frame when the step is 0 or less; a given step is scaled by the speed.
    EXPECT_NEAR(StepForwardTime(0.5, 0, 3, p, 0, 1), 0.51, 1e-12);
    EXPECT_NEAR(StepForwardTime(0.5, -1, 3, p, 0, 1), 0.51, 1e-12);
    EXPECT_NEAR(StepForwardTime(0.5, 0.1, 2, p, 0, 1), 0.7, 1e-12);
    EXPECT_NEAR(StepBackwardTime(0.5, 0, 3, p, 0, 1), 0.49, 1e-12);
    EXPECT_NEAR(StepBackwardTime(0.5, 0.1, 0.5, p, 0, 1), 0.45, 1e-12);
    // On the last frame the next is the first; on the first the previous is the last.
    EXPECT_EQ(StepForwardTime(1.0, 0, 1, p, 0.2, 1.0), 0.2);
    EXPECT_EQ(StepBackwardTime(0.2, 0, 1, p, 0.2, 1.0), 1.0);
    // A time left before the range by a narrowed range comes back in at the end.
    EXPECT_EQ(StepForwardTime(0.0, 0, 1, p, 0.5, 1.0), 1.0);
    // Without a usable period a step is 0.
    EXPECT_EQ(StepForwardTime(0.5, 0, 1, 0, 0, 1), 0.5);
    EXPECT_EQ(StepBackwardTime(0.5, 0, 1, std::numeric_limits<double>::infinity(), 0, 1), 0.5);
}

TEST(PlaybackClock, NearestFrame) {
    EXPECT_EQ(NearestFrame(0.125, 0.01), 13);  // 12.5 + 0.5 rounded down
    EXPECT_EQ(NearestFrame(0.12, 0.01), 12);
    EXPECT_EQ(NearestFrame(0.0, 0.01), 0);
    EXPECT_EQ(NearestFrame(1.5, 0.01), 150);
    EXPECT_EQ(NearestFrame(-0.016, 0.01), -2);
    // A rate of 0 in a file never divides by zero.
    EXPECT_EQ(NearestFrame(1.5, 0), 0);
    EXPECT_EQ(NearestFrame(1.5, std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(NearestFrame(std::nan(""), 0.01), 0);
    EXPECT_EQ(NearestFrame(1e300, 0.01), INT_MAX);
    EXPECT_EQ(NearestFrame(-1e300, 0.01), INT_MIN);
    EXPECT_EQ(FrameTime(150, 0.01), 1.5);
    EXPECT_EQ(FrameTime(150, 0), 0);
    EXPECT_EQ(FrameTime(150, std::numeric_limits<double>::infinity()), 0);
}

TEST(PlaybackClock, MonotonicClockNeverGoesBack) {
    std::int64_t last = MonotonicMilliseconds();
    for (int i = 0; i < 1000; ++i) {
        const std::int64_t now = MonotonicMilliseconds();
        EXPECT_GE(now, last);
        last = now;
    }
}

}  // namespace

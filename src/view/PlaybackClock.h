#pragma once
// The timing of playback, apart from any timer or window: the interval the timer runs at, the
// time each tick moves to, frame steps inside the play range and the frame a time falls on.
// Times are seconds, kept unrounded so that fractional steps add up.
#include <cstdint>
#include <functional>

// Milliseconds of a clock that never runs backwards (wall-clock changes do not disturb playback).
std::int64_t MonotonicMilliseconds();

class PlaybackClock {
public:
    using Clock = std::function<std::int64_t()>;

    // Never faster than this, whatever the frame rate.
    static constexpr double kDefaultPeriod = 1.0 / 30.0;

    explicit PlaybackClock(Clock clock = MonotonicMilliseconds);

    // Only finite speeds above 0 are taken; false leaves the speed as it was.
    bool SetSpeed(double speed);
    double GetSpeed() const { return speed_; }
    bool IsReverse() const { return reverse_; }
    void SetReverse(bool reverse) { reverse_ = reverse; }

    // Begins timing a playback forwards and returns the timer interval in seconds: the default
    // period, raised to the frame period when the object plays at its frame rate
    // (followsFrameRate) and its period is longer, divided by the speed when the speed is below 1.
    // Faster speeds keep the interval and take longer steps.
    double Start(bool followsFrameRate, double framePeriod);
    double GetInterval() const { return interval_; }

    // The time after one tick: moved by the milliseconds elapsed since the previous tick (or
    // Start) times the speed, backwards when reversed; with a range, a time before its start
    // continues from its end and one past its end from its start.
    double Tick(double time, bool hasRange, double rangeStart, double rangeEnd);

private:
    Clock clock_;
    double speed_ = 1.0;
    bool reverse_ = false;
    double interval_ = kDefaultPeriod;
    std::int64_t lastTick_ = 0;
};

// The timer interval in whole milliseconds (truncated), kept within 1 .. INT_MAX so that a huge
// interval never overflows and a tiny one never spins.
int TimerMilliseconds(double interval);

// The frame period when it can divide and multiply (finite and above 0), else 0: a recording
// with a rate of 0 has no usable period.
double UsableFramePeriod(double framePeriod);

// The time of a frame: frame × period, 0 without a usable period.
double FrameTime(int frame, double framePeriod);

// The frame nearest to a time (floor of time / period + 0.5), 0 without a usable period,
// clamped to the int range.
int NearestFrame(double time, double framePeriod);

// One step forwards: `step` × speed, or one frame period when step is 0 or less; past the range's
// end it continues from its start.
double StepForwardTime(double time, double step, double speed, double framePeriod,
                       double rangeStart, double rangeEnd);
// One step backwards; before the range's start it continues from its end.
double StepBackwardTime(double time, double step, double speed, double framePeriod,
                        double rangeStart, double rangeEnd);

#include "view/PlaybackClock.h"

#include <chrono>
#include <climits>
#include <cmath>
#include <utility>

std::int64_t MonotonicMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

PlaybackClock::PlaybackClock(Clock clock) : clock_(std::move(clock)) {}

bool PlaybackClock::SetSpeed(double speed) {
    if (!(speed > 0) || !std::isfinite(speed)) return false;
    speed_ = speed;
    return true;
}

double PlaybackClock::Start(bool followsFrameRate, double framePeriod) {
    reverse_ = false;
    lastTick_ = clock_();
    interval_ = kDefaultPeriod;
    const double period = UsableFramePeriod(framePeriod);
    if (followsFrameRate && period > interval_) interval_ = period;
    if (speed_ < 1) interval_ = interval_ / speed_;
    return interval_;
}

double PlaybackClock::Tick(double time, bool hasRange, double rangeStart, double rangeEnd) {
    const std::int64_t now = clock_();
    const double elapsed = double(now - lastTick_);
    // Read again, as the step is taken from here: the time spent in between is not lost, only
    // counted in the next tick.
    lastTick_ = clock_();
    if (reverse_)
        time = time - elapsed * speed_ / 1000;
    else
        time = time + elapsed * speed_ / 1000;
    if (hasRange) {
        if (time < rangeStart)
            time = rangeEnd;
        else if (time > rangeEnd)
            time = rangeStart;
    }
    return time;
}

int TimerMilliseconds(double interval) {
    const double ms = std::trunc(interval * 1000);
    if (!(ms >= 1)) return 1;
    if (ms >= double(INT_MAX)) return INT_MAX;
    return int(ms);
}

double UsableFramePeriod(double framePeriod) {
    return std::isfinite(framePeriod) && framePeriod > 0 ? framePeriod : 0.0;
}

double FrameTime(int frame, double framePeriod) { return frame * UsableFramePeriod(framePeriod); }

int NearestFrame(double time, double framePeriod) {
    const double period = UsableFramePeriod(framePeriod);
    if (period == 0) return 0;
    const double frame = std::floor(time / period + 0.5);
    if (std::isnan(frame)) return 0;
    if (frame <= double(INT_MIN)) return INT_MIN;
    if (frame >= double(INT_MAX)) return INT_MAX;
    return int(frame);
}

double StepForwardTime(double time, double step, double speed, double framePeriod,
                       double rangeStart, double rangeEnd) {
    const double d = step > 0 ? step * speed : UsableFramePeriod(framePeriod);
    double t = time + d;
    if (t > rangeEnd) t = rangeStart;
    if (t < rangeStart) t = rangeEnd;
    return t;
}

double StepBackwardTime(double time, double step, double speed, double framePeriod,
                        double rangeStart, double rangeEnd) {
    const double d = step > 0 ? step * speed : UsableFramePeriod(framePeriod);
    double t = time - d;
    if (t < rangeStart) t = rangeEnd;
    return t;
}

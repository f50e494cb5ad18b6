// Playback in a real window: the timer id and interval, the current frame moved by a real timer
// in either direction, frame steps, the play range, the time display and the notifications to
// the owner frame.
#include <gtest/gtest.h>

#include <vector>

#include <wx/app.h>
#include <wx/timer.h>
#include <wx/slider.h>
#include <wx/textctrl.h>

#include "view/CanvasGuiFixture.h"
#include "view/PlaybackClock.h"

namespace {

// frames frames of one marker moving up, at `rate` Hz.
MarkerCloud* Recording(int frames, double rate, const wxString& type = "c3d") {
    std::vector<std::vector<Point3D>> samples;
    for (int f = 0; f < frames; ++f) samples.push_back({Point3D(0, 0, 0.01 * f)});
    return new MarkerCloud(samples, rate, type);
}

class PlaybackTest : public CanvasGuiTest {
protected:
    void SetUp() override {
        CanvasGuiTest::SetUp();
        if (HasFatalFailure()) return;
        canvas->SetOwnerFrame(frame);
    }
};

// Long enough (an hour) that no stall of a loaded machine wraps playback round to the start.
constexpr int kLongRecording = 360000;

TEST_F(PlaybackTest, RealTimerAdvancesTheFrameForwards) {
    canvas->Adopt(Recording(kLongRecording, 100));
    canvas->GoToFrame(20, true);
    ASSERT_EQ(canvas->GetObject()->GetCurrentFrame(), 20);
    canvas->Play();
    EXPECT_TRUE(canvas->IsPlaying());
    EXPECT_TRUE(canvas->IsTimerRunning());
    EXPECT_TRUE(testsupport::WaitUntil([&] { return canvas->GetObject()->GetCurrentFrame() > 20; }));
    canvas->Stop();
    const int shown = canvas->GetObject()->GetCurrentFrame();
    EXPECT_GT(shown, 20);
    EXPECT_LT(shown, kLongRecording - 1);
    EXPECT_FALSE(canvas->IsPlaying());
    EXPECT_FALSE(canvas->IsTimerRunning());
    EXPECT_EQ(canvas->GetCurrentFrame(), shown);
}

TEST_F(PlaybackTest, RealTimerRunsBackwards) {
    canvas->Adopt(Recording(kLongRecording, 100));
    const int start = kLongRecording - 20;
    canvas->GoToFrame(start, true);
    canvas->PlayBackward();
    EXPECT_TRUE(canvas->IsReverse());
    EXPECT_TRUE(testsupport::WaitUntil([&] { return canvas->GetObject()->GetCurrentFrame() < start; }));
    canvas->Stop();
    const int shown = canvas->GetObject()->GetCurrentFrame();
    EXPECT_LT(shown, start);
    EXPECT_GT(shown, 0);
}

TEST_F(PlaybackTest, TimerIntervalFollowsTheRecording) {
    const struct {
        double rate;
        const char* type;
        double speed;
        int ms;
    } cases[] = {
        {100, "c3d", 1, 33}, {25, "c3d", 1, 40},  {25, "bvh", 1, 40},  {25, "glm", 1, 33},
        {100, "c3d", 0.25, 133}, {25, "c3d", 4, 40}, {0, "c3d", 1, 33},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz " << c.type << " x" << c.speed);
        canvas->Adopt(Recording(50, c.rate, c.type));
        canvas->SetSpeed(c.speed);
        canvas->Play();
        ASSERT_TRUE(canvas->IsTimerRunning());
        canvas->Stop();
        EXPECT_EQ(TimerMilliseconds(canvas->GetTimerInterval()), c.ms);
    }
}

TEST_F(PlaybackTest, EveryStopClearsPlayingSoPlayWorksAgain) {
    canvas->Adopt(Recording(100, 50));
    const struct {
        const char* what;
        void (*stop)(TestCanvas&);
    } cases[] = {
        {"next frame", [](TestCanvas& c) { c.NextFrame(); }},
        {"previous frame", [](TestCanvas& c) { c.PreviousFrame(); }},
        {"set time", [](TestCanvas& c) { c.SetTime(0.5, true); }},
        {"go to frame", [](TestCanvas& c) { c.GoToFrame(10, true); }},
        {"first frame", [](TestCanvas& c) { c.FirstFrame(); }},
        {"last frame", [](TestCanvas& c) { c.LastFrame(); }},
        {"first frame of the range", [](TestCanvas& c) { c.SetFirstFrame(5); }},
        {"reset view", [](TestCanvas& c) { c.ResetView(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        canvas->Play();
        ASSERT_TRUE(canvas->IsTimerRunning());
        frame->commands.clear();
        c.stop(*canvas);
        EXPECT_FALSE(canvas->IsTimerRunning());
        EXPECT_FALSE(canvas->IsPlaying());
        EXPECT_EQ(frame->Count(myGLCanvas::kNotifyStop), 1);
        canvas->Play();
        EXPECT_TRUE(canvas->IsTimerRunning());
        canvas->Stop();
    }
}

TEST_F(PlaybackTest, StopAndClearSceneDoNotNotify) {
    canvas->Adopt(Recording(100, 50));
    canvas->Play();
    frame->commands.clear();
    canvas->Stop();
    EXPECT_FALSE(canvas->IsPlaying());
    canvas->Play();
    canvas->ClearScene();
    EXPECT_FALSE(canvas->IsPlaying());
    EXPECT_FALSE(canvas->IsTimerRunning());
    EXPECT_EQ(frame->Count(myGLCanvas::kNotifyStop), 0);
    EXPECT_EQ(canvas->GetRangeStart(), 0);
    EXPECT_EQ(canvas->GetRangeEnd(), 0);
}

TEST_F(PlaybackTest, StepsWrapInThePlayRange) {
    canvas->Adopt(Recording(100, 50));
    EXPECT_DOUBLE_EQ(canvas->GetRangeEnd(), 99 * 0.02);
    canvas->LastFrame();
    EXPECT_EQ(canvas->GetObject()->GetCurrentFrame(), 99);
    canvas->NextFrame(0);
    EXPECT_EQ(canvas->GetObject()->GetCurrentFrame(), 0);
    canvas->PreviousFrame(0);
    EXPECT_EQ(canvas->GetObject()->GetCurrentFrame(), 99);
    // A step in seconds is scaled by the speed.
    canvas->GoToFrame(10, true);
    canvas->SetSpeed(2);
    canvas->NextFrame(0.1);
    EXPECT_EQ(canvas->GetObject()->GetCurrentFrame(), 20);
    // Frames outside the range are ignored, and so are speeds of 0 or less.
    canvas->GoToFrame(100, true);
    canvas->GoToFrame(-1, true);
    EXPECT_EQ(canvas->GetObject()->GetCurrentFrame(), 20);
    canvas->SetSpeed(0);
    canvas->SetSpeed(-1);
    EXPECT_EQ(canvas->GetSpeed(), 2);
}

TEST_F(PlaybackTest, TimeIsKeptUnrounded) {
    canvas->Adopt(Recording(100, 100));
    canvas->SetTime(0.125, true);
    EXPECT_EQ(canvas->GetTime(), 0.125);
    EXPECT_EQ(canvas->GetCurrentFrame(), 13);
    canvas->SetTime(0.12, true);
    EXPECT_EQ(canvas->GetCurrentFrame(), 12);
}

TEST_F(PlaybackTest, PlayRangeStopsAndShowsItsEnds) {
    canvas->Adopt(Recording(100, 50));
    auto* slider = new wxSlider(frame, wxID_ANY, 0, 0, 1);
    canvas->SetFrameSlider(slider);
    EXPECT_EQ(slider->GetMin(), 0);
    EXPECT_EQ(slider->GetMax(), 99);
    canvas->Play();
    frame->commands.clear();
    const int updates = frame->updates;
    canvas->SetFirstFrame(30);
    EXPECT_FALSE(canvas->IsPlaying());
    EXPECT_EQ(canvas->GetObject()->GetCurrentFrame(), 30);
    EXPECT_DOUBLE_EQ(canvas->GetRangeStart(), 0.6);
    EXPECT_EQ(slider->GetMin(), 30);
    EXPECT_EQ(frame->Count(myGLCanvas::kNotifyRange), 1);
    EXPECT_GT(frame->updates, updates);
    canvas->SetLastFrame(60);
    EXPECT_EQ(canvas->GetObject()->GetCurrentFrame(), 60);
    EXPECT_DOUBLE_EQ(canvas->GetRangeEnd(), 1.2);
    EXPECT_DOUBLE_EQ(canvas->GetRangeLength(), 0.6);
    EXPECT_EQ(slider->GetMax(), 60);
    canvas->NextFrame();
    EXPECT_EQ(canvas->GetObject()->GetCurrentFrame(), 30);
    // A range of one frame.
    canvas->SetFirstFrame(60);
    EXPECT_EQ(canvas->GetObject()->GetCurrentFrame(), 60);
    canvas->NextFrame();
    EXPECT_EQ(canvas->GetObject()->GetCurrentFrame(), 60);
}

TEST_F(PlaybackTest, TimeDisplay) {
    auto* text = new wxTextCtrl(frame, wxID_ANY);
    auto* slider = new wxSlider(frame, wxID_ANY, 0, 0, 1);
    canvas->SetTimeText(text);
    canvas->Adopt(Recording(200, 100));
    canvas->SetFrameSlider(slider);
    frame->commands.clear();
    canvas->GoToFrame(150, true);
    EXPECT_EQ(text->GetValue(), "1.500 (s)  [151]");
    EXPECT_EQ(frame->commands, (std::vector<int>{6880, 6879, 7014}));
    // With slider tracking off the slider stays; on, it follows the frame.
    EXPECT_EQ(slider->GetValue(), 0);
    canvas->SetSliderTracking(true);
    canvas->GoToFrame(120, true);
    EXPECT_EQ(slider->GetValue(), 120);
    EXPECT_EQ(text->GetValue(), "1.200 (s)  [121]");
    // A slider already showing the frame is not set again.
    slider->SetValue(7);
    canvas->GoToFrame(120, true);
    EXPECT_EQ(slider->GetValue(), 7);
}

TEST_F(PlaybackTest, TogglePlayPlaysAndStopsAndTellsTheOwnerFrame) {
    canvas->Adopt(Recording(100, 50));
    frame->commands.clear();
    const int updates = frame->updates;
    canvas->TogglePlay();
    EXPECT_TRUE(canvas->IsPlaying());
    EXPECT_TRUE(canvas->IsTimerRunning());
    EXPECT_EQ(frame->commands, (std::vector<int>{myGLCanvas::kNotifyPlay}));
    EXPECT_EQ(frame->updates, updates + 1);
    frame->commands.clear();
    canvas->TogglePlay();
    EXPECT_FALSE(canvas->IsPlaying());
    EXPECT_FALSE(canvas->IsTimerRunning());
    EXPECT_EQ(frame->commands, (std::vector<int>{myGLCanvas::kNotifyStop}));
    // Without an owner frame it plays all the same.
    canvas->SetOwnerFrame(nullptr);
    canvas->TogglePlay();
    EXPECT_TRUE(canvas->IsPlaying());
    canvas->Stop();
}

TEST_F(PlaybackTest, RateOfZeroNeverDivides) {
    canvas->Adopt(Recording(10, 0));
    testsupport::EventCounter ticks(wxEVT_TIMER);
    canvas->Play();
    EXPECT_TRUE(testsupport::WaitUntil([&] { return ticks.count() >= 3; }));
    canvas->NextFrame();
    canvas->PreviousFrame();
    canvas->LastFrame();
    EXPECT_EQ(canvas->GetCurrentFrame(), 0);
    EXPECT_EQ(canvas->GetRangeEnd(), 0);
    EXPECT_FALSE(canvas->GetTimeText().empty());
}

TEST_F(PlaybackTest, EventsNeedARecording) {
    // An object that merely calls itself "c3d" has no recording: no events, no jumps.
    canvas->Adopt(Recording(100, 50));
    wxArrayInt frames;
    frames.Add(3);
    canvas->GetEventFrames(frames);
    EXPECT_TRUE(frames.empty());
    canvas->GoToFrame(10, true);
    canvas->NextEvent();
    canvas->PreviousEvent();
    EXPECT_EQ(canvas->GetObject()->GetCurrentFrame(), 10);
}

}  // namespace

// Recordings opened in the running application and played from its menus, tools and sliders: the
// controls' enabled states follow playback, whatever stopped it.
#include <gtest/gtest.h>

#include <string>

#include <wx/menu.h>
#include <wx/slider.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include "app/AnimationControls.h"
#include "app/AppFixture.h"
#include "app/DemoRecording.h"
#include "app/FrameIds.h"
#include "app/MyFrame.h"
#include "app/MyFrameDnDFile.h"
#include "motion/TDataFile.h"
#include "support/GLTestHarness.h"
#include "support/TestSupport.h"
#include "view/myGLCanvas.h"
#include "objects/object3D.h"

namespace {

using apptest::AppTest;

// A recording of `frames` frames and one marker, written by the program's own writer.
std::string WriteRecording(const std::string& name, int frames) {
    const std::string path = apptest::FileInHome(name);
    TDataFile data(1, frames, 100.0f, 0, 0, 3);
    for (int f = 0; f < frames; ++f) data.points->SetValue(2, f, 100.0 + f);
    return data.SaveFile(path.c_str(), kFileC3D) ? path : std::string();
}

// Whether each of the ten animation commands is enabled, in the menu and on the toolbar alike,
// as the rules say for the canvas's state right now.
void ExpectControls(bool playable, bool playing) {
    MyFrame& frame = AppTest::frame();
    for (int id : kAnimationCommands) {
        SCOPED_TRACE(id);
        const bool expected = IsAnimationCommandEnabled(id, playable, playing);
        EXPECT_EQ(frame.GetMenuBar()->IsEnabled(id), expected);
        EXPECT_EQ(frame.GetToolbar()->GetToolEnabled(id), expected);
    }
}

class PlaybackTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        if (HasFatalFailure()) return;
        demo_ = apptest::FileInHome("walk.c3d");
        ASSERT_TRUE(WriteDemoRecording(demo_));
        ASSERT_TRUE(frame().OpenFile(wxString::FromUTF8(demo_)));
        canvas_ = frame().GetCanvas();
    }
    void TearDown() override {
        if (canvas_ != nullptr) canvas_->Stop();
    }
    // Runs idle time, when the toolkit asks the window about its tools' enabled states, and opens
    // the menus as far as their items' states go (GTK asks about menu items when a menu opens).
    static void Idle() {
        Yield();
        wxTheApp->ProcessIdle();
        frame().DoMenuUpdates();
    }

    std::string demo_;
    myGLCanvas* canvas_ = nullptr;
};

TEST_F(PlaybackTest, AnOpenedRecordingIsDescribedEverywhere) {
    EXPECT_EQ(frame().GetTitle(), wxString::FromUTF8("Dezozuza version 1.9 [" + demo_ + "]"));
    EXPECT_EQ(frame().GetStatusBar()->GetStatusText(1), "walk.c3d");
    EXPECT_FALSE(frame().GetStatusBar()->GetStatusText(2).empty());
    EXPECT_EQ(frame().GetFrameSlider()->GetMin(), canvas_->GetFirstFrame());
    EXPECT_EQ(frame().GetFrameSlider()->GetMax(), canvas_->GetLastFrame());
    EXPECT_EQ(canvas_->GetFrameCount(), kDemoFrames);
    // The time readout shows the first frame at once, before any step or play.
    EXPECT_TRUE(frame().GetTimeText()->GetValue().StartsWith("0.000 (s)  [1]"))
        << frame().GetTimeText()->GetValue();
    EXPECT_EQ(frame().GetHistory().At(frame().GetHistory().Count() - 1), demo_);
    ExpectControls(true, false);
}

TEST_F(PlaybackTest, OpeningTheSamePathAgainKeepsTheHistoryAsItIs) {
    const RecentFiles before = frame().GetHistory();
    ASSERT_TRUE(frame().OpenFile(wxString::FromUTF8(demo_)));
    EXPECT_EQ(frame().GetHistory().Entries(), before.Entries());
}

TEST_F(PlaybackTest, MenuCommandsDrivePlayback) {
    Command(kIdPlay);
    EXPECT_TRUE(canvas_->IsPlaying());
    EXPECT_FALSE(canvas_->IsReverse());
    ExpectControls(true, true);
    Command(kIdPlay);  // disabled while playing; a stray command changes nothing
    EXPECT_TRUE(canvas_->IsPlaying());
    Command(kIdStop);
    EXPECT_FALSE(canvas_->IsPlaying());
    ExpectControls(true, false);
    Command(kIdPlayBackward);
    EXPECT_TRUE(canvas_->IsPlaying());
    EXPECT_TRUE(canvas_->IsReverse());
    Command(kIdStop);
    EXPECT_FALSE(canvas_->IsPlaying());
}

TEST_F(PlaybackTest, StepsAndJumps) {
    struct Step {
        int command;
        int frameAfter;  // -1: the last frame of the play range
    };
    const Step steps[] = {
        {kIdFirstFrame, 0},     {kIdNextFrame, 1},  {kIdNextFrame, 2},
        {kIdPreviousFrame, 1},  {kIdLastFrame, -1}, {kIdNextFrame, 0},  // wraps to the start
        {kIdPreviousFrame, -1},                                         // and back to the end
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "command " << s.command);
        Command(s.command);
        EXPECT_EQ(canvas_->GetCurrentFrame(),
                  s.frameAfter < 0 ? canvas_->GetLastFrame() : s.frameAfter);
        EXPECT_FALSE(canvas_->IsPlaying());
        ExpectControls(true, false);
    }
}

TEST_F(PlaybackTest, StopsByJumpsAndResetViewRefreshTheControls) {
    for (int command :
         {kIdFirstFrame, kIdLastFrame, kIdNextFrame, kIdPreviousFrame, kIdResetView}) {
        SCOPED_TRACE(command);
        Command(kIdPlay);
        ASSERT_TRUE(canvas_->IsPlaying());
        Command(command);
        EXPECT_FALSE(canvas_->IsPlaying());
        ExpectControls(true, false);
    }
}

TEST_F(PlaybackTest, TheViewStoppingByItselfRefreshesTheControlsAtIdleTime) {
    Command(kIdPlay);
    ASSERT_TRUE(canvas_->IsPlaying());
    canvas_->LastFrame();  // as the view's own End key does
    Idle();
    ExpectControls(true, false);
}

TEST_F(PlaybackTest, MovingTheFrameSliderStopsPlaybackAndShowsThatFrame) {
    Command(kIdPlay);
    ASSERT_TRUE(canvas_->IsPlaying());
    Scroll(wxEVT_SCROLL_THUMBTRACK, kIdFrameSlider, 50);
    EXPECT_FALSE(canvas_->IsPlaying());
    EXPECT_EQ(canvas_->GetCurrentFrame(), 50);
    ExpectControls(true, false);
    // Every kind of scroll event moves the frame.
    Scroll(wxEVT_SCROLL_PAGEDOWN, kIdFrameSlider, 60);
    EXPECT_EQ(canvas_->GetCurrentFrame(), 60);
    Scroll(wxEVT_SCROLL_CHANGED, kIdFrameSlider, 70);
    EXPECT_EQ(canvas_->GetCurrentFrame(), 70);
}

TEST_F(PlaybackTest, PlaybackMovesTheSliderWithoutStoppingItself) {
    Command(kIdPlay);
    const int start = canvas_->GetCurrentFrame();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return canvas_->GetCurrentFrame() >= start + 5; }));
    EXPECT_TRUE(canvas_->IsPlaying()) << "the slider following playback must not stop it";
    EXPECT_EQ(frame().GetFrameSlider()->GetValue(), canvas_->GetCurrentFrame());
    Command(kIdStop);
}

TEST_F(PlaybackTest, PlayRangeCommands) {
    // Set first frame at frame 40: the range is 40 to the end, the slider with it.
    Command(kIdFirstFrame);
    canvas_->GoToFrame(40, true);
    Command(kIdSetFirstFrame);
    EXPECT_EQ(canvas_->GetFirstFrame(), 40);
    EXPECT_EQ(frame().GetFrameSlider()->GetMin(), 40);
    EXPECT_EQ(frame().GetFrameSlider()->GetValue(), 40);
    // Set last frame at 150.
    canvas_->GoToFrame(150, true);
    Command(kIdSetLastFrame);
    EXPECT_EQ(canvas_->GetLastFrame(), 150);
    EXPECT_EQ(frame().GetFrameSlider()->GetMax(), 150);
    // Reset: the whole recording, the view back on the frame it showed.
    canvas_->GoToFrame(100, true);
    Command(kIdResetFirstLast);
    EXPECT_EQ(canvas_->GetFirstFrame(), 0);
    EXPECT_EQ(canvas_->GetLastFrame(), kDemoFrames - 1);
    EXPECT_EQ(canvas_->GetCurrentFrame(), 100);
    EXPECT_EQ(frame().GetFrameSlider()->GetMin(), 0);
    EXPECT_EQ(frame().GetFrameSlider()->GetMax(), kDemoFrames - 1);
    EXPECT_FALSE(canvas_->IsPlaying());
}

TEST_F(PlaybackTest, TheSpeedSliderSetsThePlaybackSpeed) {
    Scroll(wxEVT_SCROLL_THUMBRELEASE, kIdSpeedSlider, 8);
    EXPECT_DOUBLE_EQ(canvas_->GetSpeed(), 2.0);
    EXPECT_EQ(frame().GetSpeedText()->GetValue(), "2.00x ");
    Scroll(wxEVT_SCROLL_LINEUP, kIdSpeedSlider, 4);
    EXPECT_DOUBLE_EQ(canvas_->GetSpeed(), 1.0);
}

TEST_F(PlaybackTest, RecordingsOfOneOrTwoFramesHaveNothingToPlay) {
    for (int frames : {1, 2}) {
        SCOPED_TRACE(frames);
        const std::string path = WriteRecording("short" + std::to_string(frames) + ".c3d", frames);
        ASSERT_FALSE(path.empty());
        ASSERT_TRUE(frame().OpenFile(wxString::FromUTF8(path)));
        ExpectControls(false, false);
        Idle();
        ExpectControls(false, false);
    }
    const std::string three = WriteRecording("short3.c3d", 3);
    ASSERT_TRUE(frame().OpenFile(wxString::FromUTF8(three)));
    ExpectControls(true, false);
}

TEST_F(PlaybackTest, AFailedOpenAfterARecordingEmptiesTheWindow) {
    Command(kIdPlay);
    const RecentFiles before = frame().GetHistory();
    EXPECT_FALSE(frame().OpenFile(wxString::FromUTF8(apptest::MissingFile())));
    EXPECT_EQ(frame().GetTitle(), "Dezozuza version 1.9");
    EXPECT_EQ(frame().GetStatusBar()->GetStatusText(1), "");
    EXPECT_EQ(frame().GetStatusBar()->GetStatusText(2), "");
    EXPECT_EQ(frame().GetTimeText()->GetValue(), "");
    EXPECT_EQ(frame().GetFrameSlider()->GetMax(), 100);
    EXPECT_EQ(frame().GetHistory().Entries(), before.Entries());
    EXPECT_EQ(canvas_->GetObject(), nullptr);
    EXPECT_FALSE(canvas_->IsPlaying());
    ExpectControls(false, false);
}

TEST_F(PlaybackTest, ADropOpensTheFirstFileThatOpensAndReadsNoFurther) {
    const std::string second = WriteRecording("second.c3d", 10);
    const std::string third = WriteRecording("third.c3d", 10);
    MyFrameDnDFile target(&frame());
    wxArrayString paths;
    paths.Add(wxString::FromUTF8(apptest::MissingFile()));
    paths.Add(wxString::FromUTF8(second));
    paths.Add(wxString::FromUTF8(third));
    EXPECT_TRUE(target.OnDropFiles(10, 10, paths));
    EXPECT_EQ(frame().GetTitle(), wxString::FromUTF8("Dezozuza version 1.9 [" + second + "]"));
    for (const std::string& entry : frame().GetHistory().Entries()) EXPECT_NE(entry, third);
}

TEST_F(PlaybackTest, ARecentEntryOpensItsFile) {
    const std::string other = WriteRecording("other.c3d", 10);
    ASSERT_TRUE(frame().OpenFile(wxString::FromUTF8(other)));
    const RecentFiles& history = frame().GetHistory();
    int demoIndex = -1;
    for (int i = 0; i < history.Count(); ++i)
        if (history.At(i) == demo_) demoIndex = i;
    ASSERT_GE(demoIndex, 0);
    Command(kIdRecentFirst + demoIndex);
    EXPECT_EQ(frame().GetTitle(), wxString::FromUTF8("Dezozuza version 1.9 [" + demo_ + "]"));
}

}  // namespace

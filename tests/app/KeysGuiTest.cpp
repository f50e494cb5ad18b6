// Keys pressed through the X server (real key events, as a user's) in the running application at
// its first-start size: each menu key does what its label says wherever the focus is, Space plays
// and stops, and text boxes and the property grid keep their editing keys.
#include <gtest/gtest.h>

#include <string>

#include <wx/propgrid/propgrid.h>
#include <wx/slider.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "app/AppFixture.h"
#include "app/DemoRecording.h"
#include "app/FrameIds.h"
#include "app/MyFrame.h"
#include "motion/TDataFile.h"
#include "view/myGLCanvas.h"

namespace {

using apptest::AppTest;

class KeysTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        if (HasFatalFailure()) return;
        const std::string demo = apptest::FileInHome("keys.c3d");
        ASSERT_TRUE(WriteDemoRecording(demo));
        ASSERT_TRUE(frame().OpenFile(wxString::FromUTF8(demo)));
        canvas_ = frame().GetCanvas();
        frame().Raise();
        // Without a window manager the X server gives the keys to the window under the pointer.
        ASSERT_TRUE(sim_.MouseMove(canvas_->GetScreenRect().GetLeftTop() + wxPoint(40, 40)));
        Wait([] { return false; }, 100);
    }
    void TearDown() override {
        if (canvas_ != nullptr) canvas_->Stop();
        if (frame().IsFullScreen()) Command(kIdFullScreen);
        // The pointer must not hover over the windows of the tests that follow.
        sim_.MouseMove(wxPoint(1270, 1010));
        Wait([] { return false; }, 50);
    }

    // Runs events until `done` or about `ms` milliseconds have passed; whether it is done.
    template <typename Done>
    static bool Wait(Done done, int ms = 1000) {
        for (int i = 0; i < ms / 10; ++i) {
            if (done()) return true;
            wxMilliSleep(10);
            Yield();
        }
        return done();
    }
    // One key press and release through the X server, with the focus on `focus` first.
    void Press(wxWindow* focus, int key, int modifiers = wxMOD_NONE) {
        focus->SetFocus();
        Wait([focus] { return wxWindow::FindFocus() == focus; }, 300);
        ASSERT_TRUE(sim_.Char(key, modifiers));
        Wait([] { return false; }, 60);
    }

    myGLCanvas* canvas_ = nullptr;
    wxUIActionSimulator sim_;
};

TEST_F(KeysTest, TheWindowOpensAtItsFirstStartSize) {
    // The fixture's store had no window geometry: this is what a first start shows.
    EXPECT_FALSE(frame().IsMaximized());
    const wxSize client = frame().GetClientSize();
    EXPECT_EQ(client, wxSize(1000, 800));
}

// The same keys from the view, a slider and a toolbar button: the menus' meaning each time.
TEST_F(KeysTest, MenuKeysDoWhatTheLabelsSayWhereverTheFocusIs) {
    wxWindow* places[] = {canvas_, frame().GetFrameSlider(), frame().GetSpeedSlider()};
    for (wxWindow* focus : places) {
        SCOPED_TRACE(focus->GetName());
        canvas_->GoToFrame(50, true);

        Press(focus, WXK_SPACE);
        EXPECT_TRUE(Wait([&] { return canvas_->IsPlaying(); })) << "Space plays";
        EXPECT_FALSE(canvas_->IsReverse());
        Press(focus, WXK_SPACE);
        EXPECT_TRUE(Wait([&] { return !canvas_->IsPlaying(); })) << "Space stops";

        Press(focus, WXK_PAGEDOWN);
        EXPECT_TRUE(Wait([&] { return canvas_->IsPlaying(); })) << "PgDn: Play";
        EXPECT_FALSE(canvas_->IsReverse());
        Press(focus, WXK_SPACE);
        ASSERT_TRUE(Wait([&] { return !canvas_->IsPlaying(); }));

        Press(focus, WXK_PAGEUP);
        EXPECT_TRUE(Wait([&] { return canvas_->IsPlaying(); })) << "PgUp: Play backward";
        EXPECT_TRUE(canvas_->IsReverse());
        Press(focus, WXK_SPACE);
        ASSERT_TRUE(Wait([&] { return !canvas_->IsPlaying(); }));

        Press(focus, WXK_END);
        EXPECT_TRUE(Wait([&] { return canvas_->GetCurrentFrame() == canvas_->GetLastFrame(); }))
            << "End: Last Frame";
        Press(focus, WXK_HOME);
        EXPECT_TRUE(Wait([&] { return canvas_->GetCurrentFrame() == canvas_->GetFirstFrame(); }))
            << "Home: First Frame";

        Press(focus, WXK_F12);
        EXPECT_TRUE(Wait([&] { return frame().IsFullScreen(); })) << "F12: full screen";
        Press(focus, WXK_F12);
        EXPECT_TRUE(Wait([&] { return !frame().IsFullScreen(); })) << "F12 again: back";
    }
}

TEST_F(KeysTest, HomeAndEndJumpWhilePlaying) {
    Press(canvas_, WXK_SPACE);
    ASSERT_TRUE(Wait([&] { return canvas_->IsPlaying(); }));
    Press(canvas_, WXK_END);
    EXPECT_TRUE(Wait([&] { return !canvas_->IsPlaying(); }));
    EXPECT_EQ(canvas_->GetCurrentFrame(), canvas_->GetLastFrame());
}

// Text boxes and the grid keep the keys they edit or move with; the menus get the rest. The page
// keys move in the Log and the grid only: in a one-line box they are the menus' again.
TEST_F(KeysTest, TextBoxesAndTheGridKeepTheirEditingKeys) {
    const struct {
        wxWindow* focus;
        bool pages;
    } places[] = {
        {frame().GetSpeedText(), false},
        {frame().GetTimeText(), false},
        {frame().GetLogText(), true},
        {frame().GetPropertyGrid(), true},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(place.focus->GetName());
        canvas_->GoToFrame(50, true);
        for (int key : {WXK_SPACE, WXK_HOME, WXK_END, WXK_LEFT, WXK_RIGHT}) {
            SCOPED_TRACE(key);
            Press(place.focus, key);
            EXPECT_FALSE(canvas_->IsPlaying());
            EXPECT_EQ(canvas_->GetCurrentFrame(), 50);
        }
        Press(place.focus, WXK_PAGEDOWN);
        EXPECT_EQ(Wait([&] { return canvas_->IsPlaying(); }, 300), !place.pages);
        canvas_->Stop();
        canvas_->GoToFrame(50, true);
        Press(place.focus, WXK_F12);
        EXPECT_TRUE(Wait([&] { return frame().IsFullScreen(); })) << "F12 edits nothing";
        Command(kIdFullScreen);
        Wait([&] { return !frame().IsFullScreen(); });
    }
}

// As the Play command, Space plays nothing of one or two frames, whatever has the focus.
TEST_F(KeysTest, SpacePlaysOnlyWhatPlayMay) {
    const std::string path = apptest::FileInHome("two.c3d");
    TDataFile data(1, 2, 100.0f, 0, 0, 3);
    ASSERT_TRUE(data.SaveFile(path.c_str(), kFileC3D));
    ASSERT_TRUE(frame().OpenFile(wxString::FromUTF8(path)));
    Press(canvas_, WXK_SPACE);
    EXPECT_FALSE(Wait([&] { return canvas_->IsPlaying(); }, 300));
}

TEST_F(KeysTest, ViewKeysStayWithTheView) {
    canvas_->GoToFrame(50, true);
    Press(canvas_, WXK_RIGHT);
    EXPECT_TRUE(Wait([&] { return canvas_->GetCurrentFrame() == 51; })) << "Right: next frame";
    Press(canvas_, WXK_LEFT);
    EXPECT_TRUE(Wait([&] { return canvas_->GetCurrentFrame() == 50; })) << "Left: previous frame";
    const int mode = canvas_->GetMouseMode();
    Press(canvas_, WXK_TAB);
    EXPECT_TRUE(Wait([&] { return canvas_->GetMouseMode() == (mode + 1) % 5; })) << "Tab";
    canvas_->SetMouseMode(mode);
}

}  // namespace

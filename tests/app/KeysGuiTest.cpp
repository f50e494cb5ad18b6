// Keys pressed through the X server (real key events, as a user's) in the running application at
// its first-start size: each menu key does what its label says wherever the focus is, Space plays
// and stops, and text boxes and the property grid keep their editing keys.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <dlfcn.h>

#include <wx/propgrid/propgrid.h>
#include <wx/slider.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "app/AppFixture.h"
#include "app/DemoRecording.h"
#include "app/FrameIds.h"
#include "app/MyFrame.h"
#include "motion/TDataFile.h"
#include "objects/object3D.h"
#include "support/GLTestHarness.h"
#include "gl/wxGLCamera.h"
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
        const wxPoint inView = canvas_->GetScreenRect().GetLeftTop() + wxPoint(40, 40);
        ASSERT_TRUE(sim_.MouseMove(inView));
        ASSERT_TRUE(Wait([&] { return wxGetMousePosition() == inView; }));
    }

    static bool Wait(const std::function<bool()>& done) { return testsupport::WaitUntil(done); }
    // One key press and release through the X server, with the focus on `focus` first (or where
    // the program left it, without one); back once the program has seen the release, so that
    // whatever the press did is done.
    void Press(wxWindow* focus, int key, int modifiers = wxMOD_NONE) {
        const int released = releases_.count();
        Send(focus, key, modifiers);
        ASSERT_TRUE(Wait([&] { return releases_.count() > released; })) << "key " << key << " never arrived";
    }
    // The same without waiting for the release: for a key that hides the focused control (the
    // release then reaches no control at all); the caller waits on what the key does.
    void Send(wxWindow* focus, int key, int modifiers = wxMOD_NONE) {
        if (focus != nullptr) {
            focus->SetFocus();
            ASSERT_TRUE(Wait([focus] { return wxWindow::FindFocus() == focus; }));
        }
        ASSERT_TRUE(sim_.Char(key, modifiers));
    }

    myGLCanvas* canvas_ = nullptr;
    wxUIActionSimulator sim_;
    // Once a key's release has come, everything its press did is done.
    testsupport::EventCounter releases_{wxEVT_KEY_UP};
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
        EXPECT_EQ(canvas_->IsPlaying(), !place.pages);
        canvas_->Stop();
        canvas_->GoToFrame(50, true);
        // Full screen hides the Log and the grid: their key release goes nowhere.
        Send(place.focus, WXK_F12);
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
    EXPECT_FALSE(canvas_->IsPlaying());
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

// The middle of a tool's button on the screen. The toolkit has no such query on GTK: GTK itself is
// asked (it is loaded already). The toolkit wraps GTK's toolbar in a box of its own.
wxPoint ToolCentre(wxToolBar& toolbar, int id, wxWindow& top) {
    const auto gtk = [](const char* name) { return dlsym(RTLD_DEFAULT, name); };
    const auto nthItem = reinterpret_cast<void* (*)(void*, int)>(gtk("gtk_toolbar_get_nth_item"));
    const auto binChild = reinterpret_cast<void* (*)(void*)>(gtk("gtk_bin_get_child"));
    const auto instanceIs = reinterpret_cast<int (*)(void*, unsigned long)>(gtk("g_type_check_instance_is_a"));
    const auto toolbarType = reinterpret_cast<unsigned long (*)()>(gtk("gtk_toolbar_get_type"));
    const auto translate =
        reinterpret_cast<int (*)(void*, void*, int, int, int*, int*)>(gtk("gtk_widget_translate_coordinates"));
    const auto width = reinterpret_cast<int (*)(void*)>(gtk("gtk_widget_get_allocated_width"));
    const auto height = reinterpret_cast<int (*)(void*)>(gtk("gtk_widget_get_allocated_height"));
    const int pos = toolbar.GetToolPos(id);
    if (!nthItem || !binChild || !instanceIs || !toolbarType || !translate || !width || !height || pos < 0)
        return wxDefaultPosition;
    void* bar = toolbar.GetHandle();
    if (!instanceIs(bar, toolbarType())) bar = binChild(bar);
    void* item = bar != nullptr ? nthItem(bar, pos) : nullptr;
    int x = 0, y = 0;
    if (item == nullptr || !translate(item, top.GetHandle(), 0, 0, &x, &y)) return wxDefaultPosition;
    return top.GetScreenPosition() + wxPoint(x + width(item) / 2, y + height(item) / 2);
}

// Space plays and stops where the program itself leaves the focus: after an open, after a click
// on a tool button, after an open from the recent files made from a text box.
TEST_F(KeysTest, SpacePlaysWhereTheProgramLeavesTheFocus) {
    EXPECT_EQ(wxWindow::FindFocus(), canvas_);
    Press(nullptr, WXK_SPACE);
    EXPECT_TRUE(canvas_->IsPlaying());
    Press(nullptr, WXK_SPACE);
    EXPECT_FALSE(canvas_->IsPlaying());

    const wxPoint tool = ToolCentre(*frame().GetToolbar(), kIdNextFrame, frame());
    ASSERT_NE(tool, wxDefaultPosition);
    const int shown = canvas_->GetCurrentFrame();
    ASSERT_TRUE(sim_.MouseMove(tool));
    ASSERT_TRUE(Wait([&] { return wxGetMousePosition() == tool; }));
    ASSERT_TRUE(sim_.MouseClick());
    ASSERT_TRUE(Wait([&] { return canvas_->GetCurrentFrame() == shown + 1; })) << "the tool did nothing";
    Press(nullptr, WXK_SPACE);
    EXPECT_TRUE(canvas_->IsPlaying()) << "a click on a tool button took the keys";
    Press(nullptr, WXK_SPACE);
    EXPECT_FALSE(canvas_->IsPlaying());

    frame().GetSpeedText()->SetFocus();
    ASSERT_TRUE(Wait([&] { return wxWindow::FindFocus() == frame().GetSpeedText(); }));
    Command(kIdRecentFirst + frame().GetHistory().Count() - 1);
    EXPECT_EQ(wxWindow::FindFocus(), canvas_);
    Press(nullptr, WXK_SPACE);
    EXPECT_TRUE(canvas_->IsPlaying());
}

// Stopped, the readout gives the time of the frame shown (the demo plays at 50 Hz: 20 ms a
// frame), not the playback clock's time between two frames.
TEST_F(KeysTest, TheReadoutAfterAStopShowsTheTimeOfTheFrameShown) {
    Press(canvas_, WXK_SPACE);
    ASSERT_TRUE(Wait([&] { return canvas_->GetCurrentFrame() > 3; }));
    Press(canvas_, WXK_SPACE);
    ASSERT_FALSE(canvas_->IsPlaying());
    const int shown = canvas_->GetObject()->GetCurrentFrame();
    const int ms = shown * 20;
    const wxString expected = wxString::Format("%d.%03d (s)  [%d]", ms / 1000, ms % 1000, shown + 1);
    const wxString text = frame().GetTimeText()->GetValue();
    EXPECT_TRUE(text == expected || text.StartsWith(expected + " ")) << text << " for frame " << shown;
    EXPECT_EQ(canvas_->GetCurrentFrame(), shown);
}

// The display keys of the view and the grid's rows agree: "w" ticks and clears "Wire mode", Up
// moves the eye position shown.
TEST_F(KeysTest, DisplayKeysKeepTheGridInStep) {
    wxPropertyGrid* grid = frame().GetPropertyGrid();
    ASSERT_NE(grid->GetPropertyByName("Wire Mode"), nullptr);
    for (bool wire : {true, false}) {
        SCOPED_TRACE(wire);
        Press(canvas_, 'w');
        EXPECT_EQ(canvas_->GetWire(), wire);
        EXPECT_EQ(grid->GetPropertyValue("Wire Mode").GetBool(), wire);
    }
    double before[3], eye[3];
    canvas_->GetCamera()->GetEye(&before[0], &before[1], &before[2]);
    Press(canvas_, WXK_UP);
    canvas_->GetCamera()->GetEye(&eye[0], &eye[1], &eye[2]);
    ASSERT_FALSE(eye[0] == before[0] && eye[1] == before[1] && eye[2] == before[2]);
    const char* rows[] = {"eye_X", "eye_Y", "eye_Z"};
    for (int axis = 0; axis < 3; ++axis)
        EXPECT_DOUBLE_EQ(grid->GetPropertyValue(rows[axis]).GetDouble(), eye[axis]) << rows[axis];
}

}  // namespace

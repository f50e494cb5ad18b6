// The main window of the running application: what start-up made of the store, menus, toolbar,
// status bar and panes as tables, the sliders' events, the recent files, failed opens, the Log
// page, the dialogs and full screen.
#include <gtest/gtest.h>

#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <wx/accel.h>
#include <wx/aui/auibook.h>
#include <wx/config.h>
#include <wx/file.h>
#include <wx/filedlg.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/propgrid/propgrid.h>
#include <wx/slider.h>
#include <wx/statusbr.h>
#include <wx/testing.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>

#include "app/AnimationControls.h"
#include "app/AppFixture.h"
#include "gl/AppSettings.h"
#include "app/FrameIds.h"
#include "support/GLTestHarness.h"
#include "app/MyApp.h"
#include "app/MyFrame.h"
#include "app/MyFrameDnDFile.h"
#include "view/myGLCanvas.h"

namespace {

using apptest::AppTest;

// What a message box showed; answers OK.
class ExpectMessageBox : public wxExpectModalBase<wxMessageDialog, ExpectMessageBox> {
public:
    struct Seen {
        wxString message, caption;
        long style = 0;
        bool hasParent = false;
    };
    explicit ExpectMessageBox(Seen* seen) : m_seen(seen) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override {
        m_seen->message = dialog->GetMessage();
        m_seen->caption = dialog->GetCaption();
        m_seen->style = dialog->GetMessageDialogStyle();
        return wxID_OK;
    }

private:
    Seen* m_seen;
};

// What a file dialog showed; cancels it (GTK's file chooser gives back no path it has not
// shown, so an answer cannot be tested this way).
class ExpectFileDialog : public wxExpectModalBase<wxFileDialog, ExpectFileDialog> {
public:
    struct Seen {
        wxString message, wildcard;
        long style = 0;
        wxWindow* parent = nullptr;
    };
    explicit ExpectFileDialog(Seen* seen) : m_seen(seen) {}

protected:
    int OnInvoked(wxFileDialog* dialog) const override {
        m_seen->message = dialog->GetMessage();
        m_seen->wildcard = dialog->GetWildcard();
        m_seen->style = dialog->GetWindowStyle();
        m_seen->parent = dialog->GetParent();
        return wxID_CANCEL;
    }

private:
    Seen* m_seen;
};

wxString StatusText(int field) { return AppTest::frame().GetStatusBar()->GetStatusText(field); }

std::vector<int> ItemIds(wxMenu* menu) {
    std::vector<int> ids;
    for (size_t i = 0; i < menu->GetMenuItemCount(); ++i) {
        wxMenuItem* item = menu->FindItemByPosition(i);
        ids.push_back(item->IsSubMenu() ? -2 : item->GetId());
    }
    return ids;
}

}  // namespace

namespace {

TEST_F(AppTest, StartUpShowsTheVersionAndTakesTheStoredSettings) {
    EXPECT_EQ(frame().GetTitle(), "Dezozuza version 1.9");
    EXPECT_TRUE(frame().IsShown());
    EXPECT_EQ(camera_zoom_inc, 0.1);
    EXPECT_EQ(camera_zoom_factor, 250.0);
    EXPECT_EQ(element_tooltips_enabled, 0);
    EXPECT_EQ(selected_trajectory_enabled, 0);
    ASSERT_NE(frame().GetCanvas(), nullptr);
    EXPECT_EQ(frame().GetCanvas()->GetName(), "kxGLCanvas");
}

TEST_F(AppTest, MenusAsATable) {
    wxMenuBar* bar = frame().GetMenuBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->GetMenuCount(), 3u);
    EXPECT_EQ(bar->GetMenuLabel(0), "&File");
    EXPECT_EQ(bar->GetMenuLabel(1), "&Animation");
    EXPECT_EQ(bar->GetMenuLabel(2), "&Help");

    const int sep = wxID_SEPARATOR, sub = -2;
    EXPECT_EQ(ItemIds(bar->GetMenu(0)),
              (std::vector<int>{kIdOpen, sep, kIdSaveImage, sep, kIdResetView, kIdFullScreen, sep,
                                sub, sep, kIdExit}));
    EXPECT_EQ(ItemIds(bar->GetMenu(1)),
              (std::vector<int>{kIdPlay, kIdPlayBackward, kIdStop, sep, kIdPreviousFrame,
                                kIdNextFrame, sep, kIdFirstFrame, kIdLastFrame, sep,
                                kIdSetFirstFrame, kIdSetLastFrame, kIdResetFirstLast}));
    EXPECT_EQ(ItemIds(bar->GetMenu(2)), (std::vector<int>{kIdAbout}));

    struct Item {
        int id;
        const char* label;
        const char* help;  // nullptr: the toolkit's own help of a stock id
        bool image;
        bool enabled;  // with nothing open
    };
    // GTK takes no arrow key without a modifier as a menu key: the toolkit drops "\tLeft" and
    // "\tRight" from the labels (the 3-D view steps frames with those keys itself).
    const Item items[] = {
        {kIdOpen, "&Open...", "Open a file", true, true},
        {kIdSaveImage, "Save image", "", false, true},
        {kIdResetView, "Reset View", "", false, true},
        {kIdFullScreen, "FullScreen On/Off\tF12", "Show/Restore full screen application", false,
         true},
        {kIdExit, "E&xit\tALT-X", nullptr, false, true},
        {kIdPlay, "&Play\tPgDn", "Play animation", true, false},
        {kIdPlayBackward, "&Play backward\tPgUp", "Play animation backwars", true, false},
        {kIdStop, "Play/Stop\tSpace", "&Stop animation", true, false},
        {kIdPreviousFrame, "&Back one frame", "", false, false},
        {kIdNextFrame, "&Forward one frame", "", false, false},
        {kIdFirstFrame, "First Frame\tHome", "", false, false},
        {kIdLastFrame, "Last Frame\tEnd", "", false, false},
        {kIdSetFirstFrame, "Set first frame", "", true, false},
        {kIdSetLastFrame, "Set last frame", "", true, false},
        {kIdResetFirstLast, "Reset first and last frame", "", true, false},
        {kIdAbout, "&About...", "", false, true},
    };
    for (const Item& item : items) {
        SCOPED_TRACE(item.label);
        wxMenuItem* menuItem = bar->FindItem(item.id);
        ASSERT_NE(menuItem, nullptr);
        EXPECT_EQ(menuItem->GetItemLabel(), item.label);
        if (item.help) {
            EXPECT_EQ(menuItem->GetHelp(), item.help);
        }
        EXPECT_EQ(menuItem->GetBitmap().IsOk(), item.image);
        EXPECT_EQ(menuItem->IsEnabled(), item.enabled);
        EXPECT_EQ(menuItem->GetKind(), wxITEM_NORMAL);
    }
}

TEST_F(AppTest, EveryAcceleratorIsAKeyTheToolkitKnows) {
    struct Accel {
        int id;
        int flags;
        int key;
    };
    const Accel accels[] = {
        {kIdFullScreen, wxACCEL_NORMAL, WXK_F12}, {kIdExit, wxACCEL_ALT, 'X'},
        {kIdPlay, wxACCEL_NORMAL, WXK_PAGEDOWN},  {kIdPlayBackward, wxACCEL_NORMAL, WXK_PAGEUP},
        {kIdStop, wxACCEL_NORMAL, WXK_SPACE},     {kIdFirstFrame, wxACCEL_NORMAL, WXK_HOME},
        {kIdLastFrame, wxACCEL_NORMAL, WXK_END},
    };
    for (const Accel& a : accels) {
        SCOPED_TRACE(a.id);
        std::unique_ptr<wxAcceleratorEntry> entry(frame().GetMenuBar()->FindItem(a.id)->GetAccel());
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->GetFlags(), a.flags);
        EXPECT_EQ(entry->GetKeyCode(), a.key);
    }
}

TEST_F(AppTest, ToolbarAsATable) {
    wxToolBar* toolbar = frame().GetToolbar();
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->GetId(), kIdToolbar);
    EXPECT_EQ(toolbar->GetName(), "toolbar");
    EXPECT_EQ(frame().GetToolBar(), toolbar);
    struct Tool {
        int id;  // wxID_SEPARATOR for a separator
        const char* label;
        const char* help;
        bool control;
        bool enabled;  // with nothing open
    };
    const int sep = wxID_SEPARATOR;
    const Tool tools[] = {
        {kIdOpen, "Open", "Open shape file", false, true},
        {sep, "", "", false, true},
        {kIdFirstFrame, "First Frame", "First Frame", false, false},
        {kIdPlayBackward, "Play Back", "Play animation backward", false, false},
        {kIdStop, "Stop", "Stop animation", false, false},
        {kIdPlay, "Play", "Play animation forward", false, false},
        {kIdLastFrame, "Last Frame", "Last Frame", false, false},
        {sep, "", "", false, true},
        {kIdSetFirstFrame, "Set First Frame", "Set First Frame", false, false},
        {kIdSetLastFrame, "Set Last Frame", "Set Last Frame", false, false},
        {kIdResetFirstLast, "Reset first and last frame", "Reset first and last frame", false,
         false},
        {sep, "", "", false, true},
        {kIdPreviousFrame, "Previous Frame", "Previous Frame", false, false},
        {kIdNextFrame, "Next Frame", "Next Frame", false, false},
        {sep, "", "", false, true},
        {kIdFrameSlider, "", "", true, true},
        {kIdSpeedText, "", "", true, true},
        {kIdSpeedSlider, "", "", true, true},
        {sep, "", "", false, true},
        {kIdTimeText, "", "", true, true},
    };
    ASSERT_EQ(toolbar->GetToolsCount(), std::size(tools));
    for (size_t i = 0; i < std::size(tools); ++i) {
        const Tool& t = tools[i];
        SCOPED_TRACE(testing::Message() << "tool " << i);
        const wxToolBarToolBase* tool = toolbar->GetToolByPos(static_cast<int>(i));
        EXPECT_EQ(tool->IsSeparator(), t.id == sep);
        if (t.id == sep) continue;
        EXPECT_EQ(tool->GetId(), t.id);
        EXPECT_EQ(tool->IsControl(), t.control);
        if (t.control) {
            EXPECT_EQ(tool->GetControl()->GetId(), t.id);
            continue;
        }
        EXPECT_EQ(tool->GetLabel(), t.label);
        EXPECT_EQ(tool->GetShortHelp(), t.help);
        EXPECT_TRUE(tool->GetNormalBitmap().IsOk());
        EXPECT_EQ(toolbar->GetToolEnabled(t.id), t.enabled);
    }
}

TEST_F(AppTest, ToolbarControls) {
    wxSlider* frameSlider = frame().GetFrameSlider();
    EXPECT_EQ(frameSlider->GetMin(), 0);
    EXPECT_EQ(frameSlider->GetMax(), 100);
    EXPECT_EQ(frameSlider->GetName(), "slider");
    wxSlider* speed = frame().GetSpeedSlider();
    EXPECT_EQ(speed->GetMin(), 1);
    EXPECT_EQ(speed->GetMax(), 8);
    EXPECT_EQ(speed->GetToolTipText(), "Play back speed");
    wxTextCtrl* speedText = frame().GetSpeedText();
    EXPECT_FALSE(speedText->IsEditable());
    EXPECT_EQ(speedText->GetToolTipText(), "Play back speed value");
    wxTextCtrl* time = frame().GetTimeText();
    EXPECT_FALSE(time->IsEditable());
    EXPECT_EQ(time->GetName(), "text");
}

// At the first-start size (this fixture's store holds no geometry) the toolbar shows all of
// itself: the last control, the time readout, ends inside it, and so does every other control.
TEST_F(AppTest, EveryToolbarControlIsVisibleAtTheFirstStartSize) {
    ASSERT_FALSE(frame().IsMaximized());
    wxToolBar* toolbar = frame().GetToolbar();
    Yield();
    const wxRect bar(toolbar->GetClientSize());
    for (int id : {kIdFrameSlider, kIdSpeedText, kIdSpeedSlider, kIdTimeText}) {
        SCOPED_TRACE(id);
        wxWindow* control = toolbar->FindWindow(id);
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(control->IsShownOnScreen());
        const wxRect r = control->GetRect();
        EXPECT_TRUE(bar.Contains(r)) << r.x << "+" << r.width << " in a bar " << bar.width
                                     << " wide";
    }
    // The readout holds the time of a long recording whole, with room for the box's frame and
    // margins.
    wxTextCtrl* time = frame().GetTimeText();
    EXPECT_LT(time->GetTextExtent("100.000 (s)  [10001]").x + 20, time->GetSize().x);
}

TEST_F(AppTest, StatusBarHasFourFieldsTheLastOneFixed) {
    wxStatusBar* bar = frame().GetStatusBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetName(), "status_line");
    ASSERT_EQ(bar->GetFieldsCount(), 4);
    EXPECT_EQ(bar->GetStatusWidth(0), -1);
    EXPECT_EQ(bar->GetStatusWidth(1), -1);
    EXPECT_EQ(bar->GetStatusWidth(2), -1);
    EXPECT_EQ(bar->GetStatusWidth(3), 130);
}

TEST_F(AppTest, PanesAndTheirPages) {
    wxAuiManager& manager = frame().GetDockingManager();
    struct Pane {
        const char* name;
        const char* caption;
        int direction;
    };
    const Pane panes[] = {{"MAINBOOK", "", wxAUI_DOCK_CENTER},
                          {"SETTINGS", "Properties", wxAUI_DOCK_LEFT},
                          {"message_pane", "Message View", wxAUI_DOCK_BOTTOM}};
    for (const Pane& p : panes) {
        SCOPED_TRACE(p.name);
        wxAuiPaneInfo& info = manager.GetPane(p.name);
        ASSERT_TRUE(info.IsOk());
        EXPECT_TRUE(info.IsShown());
        EXPECT_EQ(info.caption, p.caption);
        EXPECT_EQ(info.dock_direction, p.direction);
        EXPECT_TRUE(info.window->IsShown());
    }
    EXPECT_FALSE(manager.GetPane("SETTINGS").HasCloseButton());
    EXPECT_TRUE(manager.GetPane("message_pane").HasCloseButton());

    struct Page {
        const char* pane;
        const char* caption;
        wxWindow* window;
    };
    const Page pages[] = {{"SETTINGS", "3D Parameters", frame().GetPropertyGrid()},
                          {"MAINBOOK", "3D View", frame().GetCanvas()},
                          {"message_pane", "Log", frame().GetLogText()}};
    for (const Page& p : pages) {
        SCOPED_TRACE(p.caption);
        auto* book = wxDynamicCast(manager.GetPane(p.pane).window, wxAuiNotebook);
        ASSERT_NE(book, nullptr);
        ASSERT_EQ(book->GetPageCount(), 1u);
        EXPECT_EQ(book->GetPageText(0), p.caption);
        EXPECT_EQ(book->GetPage(0), p.window);
    }
    EXPECT_EQ(frame().GetPropertyGrid()->GetId(), kIdPropertyGrid);
    // The six categories of the "3D Parameters" page.
    EXPECT_EQ(frame().GetPropertyGrid()->GetRoot()->GetChildCount(), 6u);
    EXPECT_FALSE(frame().GetLogText()->IsEditable());
    EXPECT_TRUE(frame().GetLogText()->IsMultiLine());
}

TEST_F(AppTest, SettingsLiveUnderTheWindowsPathWhereverTheStoreWas) {
    wxConfigBase* config = wxConfigBase::Get();
    ASSERT_NE(config, nullptr);
    const double zoom = camera_zoom_factor;
    camera_zoom_factor = 321;
    config->SetPath("/Elsewhere");
    frame().SaveSettings(config);
    EXPECT_EQ(config->Read("/MainFrame/camera/camera_zoom_factor", ""), "321");
    EXPECT_EQ(config->Read("/MainFrame/canvas/show_buttons", ""), "1");
    EXPECT_FALSE(config->HasEntry("/Elsewhere/camera/camera_zoom_factor"));

    camera_zoom_factor = zoom;
    config->SetPath("/Elsewhere");
    frame().LoadSettings(config);
    EXPECT_EQ(camera_zoom_factor, 321);
    camera_zoom_factor = zoom;
}

TEST_F(AppTest, EveryScrollEventOfTheSpeedSliderSetsTheSpeed) {
    const wxEventType types[] = {
        wxEVT_SCROLL_THUMBTRACK, wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_LINEUP,
        wxEVT_SCROLL_LINEDOWN,   wxEVT_SCROLL_PAGEUP,       wxEVT_SCROLL_PAGEDOWN,
        wxEVT_SCROLL_TOP,        wxEVT_SCROLL_BOTTOM,       wxEVT_SCROLL_CHANGED};
    const struct {
        int position;
        const char* text;
        double speed;
    } positions[] = {{1, "0.25x ", 0.25}, {8, "2.00x ", 2.0}, {4, "1.00x ", 1.0}};
    for (const wxEventType type : types) {
        for (const auto& p : positions) {
            SCOPED_TRACE(testing::Message()
                         << "event type " << type << ", position " << p.position);
            Scroll(type, kIdSpeedSlider, p.position);
            EXPECT_EQ(frame().GetSpeedText()->GetValue(), p.text);
            EXPECT_DOUBLE_EQ(frame().GetCanvas()->GetSpeed(), p.speed);
        }
    }
}

TEST_F(AppTest, TheFrameSliderWithoutARecordingChangesNothing) {
    Scroll(wxEVT_SCROLL_THUMBTRACK, kIdFrameSlider, 30);
    EXPECT_FALSE(frame().GetCanvas()->IsPlaying());
    EXPECT_EQ(frame().GetCanvas()->GetCurrentFrame(), 0);
    frame().GetFrameSlider()->SetValue(0);
}

TEST_F(AppTest, TheRecentMenuShowsTheStoredHistory) {
    const RecentFiles& history = frame().GetHistory();
    ASSERT_GE(history.Count(), 2);
    EXPECT_EQ(history.At(0), apptest::FileInHome("kept.c3d"));
    EXPECT_EQ(history.At(1), apptest::MissingFile());
    wxMenu* recent = frame().GetRecentMenu();
    ASSERT_GE(recent->GetMenuItemCount(), 2u);
    EXPECT_EQ(recent->FindItemByPosition(0)->GetId(), kIdRecentFirst);
    EXPECT_EQ(recent->FindItemByPosition(0)->GetItemLabel(), apptest::FileInHome("kept.c3d"));
    EXPECT_TRUE(recent->FindItemByPosition(0)->IsEnabled());
    EXPECT_FALSE(recent->FindItemByPosition(1)->IsEnabled()) << "the missing file's item";
}

TEST_F(AppTest, LogPageReceivesStandardOutputAndError) {
    wxTextCtrl* log = frame().GetLogText();
    const wxString before = log->GetValue();
    std::cout << "printed to cout " << 42 << "\n";
    std::cerr << "printed to cerr";
    EXPECT_EQ(log->GetValue(), before + "printed to cout 42\n") << "an unfinished line waits";
    std::cerr << std::endl;
    std::cout << "caf\xC3";
    std::cout << "\xA9 \xE2\x82\xAC" << std::endl;
    EXPECT_EQ(log->GetValue(),
              before + "printed to cout 42\nprinted to cerr\n" + wxString::FromUTF8("café €\n"));
}

TEST_F(AppTest, MessagesShownInDialogsAlsoGoToTheLogPage) {
    wxTextCtrl* log = frame().GetLogText();
    const wxString before = log->GetValue();
    wxLogError("a failure of %d", 3);
    wxLogWarning("a doubt");
    wxLogMessage("a remark");
    wxLogStatus("for the status bar only");
    wxLogVerbose("for the verbose only");
    EXPECT_EQ(log->GetValue(), before + "Error: a failure of 3\nWarning: a doubt\na remark\n");
    // A file that is not there says that it could not be opened, with the system's reason.
    const wxString missing = wxString::FromUTF8(apptest::MissingFile());
    EXPECT_FALSE(frame().OpenFile(missing));
    EXPECT_TRUE(log->GetValue().Contains("Error: Could not open : " + missing +
                                         " (No such file or directory)\n"))
        << log->GetValue();
    EXPECT_FALSE(log->GetValue().Contains("Format not supported"));
}

TEST_F(AppTest, AboutBox) {
    ExpectMessageBox::Seen seen;
    wxTEST_DIALOG(Command(kIdAbout), ExpectMessageBox(&seen));
    EXPECT_EQ(seen.message, "Simple 3D animation Viewer\nDezozuza version 1.9");
    EXPECT_EQ(seen.caption, "Message");
    EXPECT_TRUE(seen.style & wxOK);
    EXPECT_TRUE(seen.style & wxCENTRE);
    EXPECT_FALSE(seen.style & wxCANCEL);
}

TEST_F(AppTest, OpenDialogCancelledChangesNothing) {
    frame().SetTitle("Dezozuza version 1.9");
    const int historyCount = frame().GetHistory().Count();
    ExpectFileDialog::Seen seen;
    wxTEST_DIALOG(Command(kIdOpen), ExpectFileDialog(&seen));
    EXPECT_EQ(seen.message, "Choose shape Model");
    EXPECT_TRUE(seen.wildcard.StartsWith("Motion and shape files|*.dxf;*.dxf.gz;"));
    EXPECT_TRUE(seen.wildcard.EndsWith("|All files (*.*)|*.*"));
    EXPECT_EQ(seen.wildcard.Freq('|'), 19);  // ten filters
    EXPECT_TRUE(seen.style & wxFD_OPEN);
    EXPECT_EQ(frame().GetHistory().Count(), historyCount);
}

TEST_F(AppTest, SaveImageDialog) {
    ExpectFileDialog::Seen seen;
    wxTEST_DIALOG(Command(kIdSaveImage), ExpectFileDialog(&seen));
    EXPECT_EQ(seen.message, "Save Image");
    EXPECT_EQ(
        seen.wildcard,
        "BMP files (*.bmp)|*.bmp|PNG files (*.png)|*.png|JPEG files (*.jpg)|*.jpg|GIF files "
        "(*.gif)|"
        "*.gif|TIFF files (*.tif)|*.tif|PCX files (*.pcx)|*.pcx|XPM files (*.xpm)|*.xpm|PNM files "
        "(*.pnm)|*.pnm");
    EXPECT_TRUE(seen.style & wxFD_SAVE);
    EXPECT_TRUE(seen.style & wxFD_OVERWRITE_PROMPT);
    EXPECT_EQ(seen.parent, &frame());
}

TEST_F(AppTest, AFailedOpenLeavesNothingDescribingThePreviousFile) {
    // As if a file had been shown before.
    frame().SetTitle("Dezozuza version 1.9 [/earlier/walk.c3d]");
    frame().GetStatusBar()->SetStatusText("walk.c3d", 1);
    frame().GetStatusBar()->SetStatusText("14 markers", 2);
    frame().GetFrameSlider()->SetRange(20, 50);
    frame().GetFrameSlider()->SetValue(30);
    const int historyCount = frame().GetHistory().Count();

    const std::string bad = apptest::FileInHome("kept.c3d");  // not a recording
    EXPECT_FALSE(frame().OpenFile(wxString::FromUTF8(bad)));
    EXPECT_EQ(frame().GetTitle(), "Dezozuza version 1.9");
    EXPECT_EQ(StatusText(1), "");
    EXPECT_EQ(StatusText(2), "");
    EXPECT_EQ(frame().GetFrameSlider()->GetMin(), 0);
    EXPECT_EQ(frame().GetFrameSlider()->GetMax(), 100);
    EXPECT_EQ(frame().GetFrameSlider()->GetValue(), 0);
    EXPECT_EQ(frame().GetHistory().Count(), historyCount);
    EXPECT_FALSE(frame().GetToolbar()->GetToolEnabled(kIdPlay));
    EXPECT_EQ(frame().GetCanvas()->GetObject(), nullptr);
}

TEST_F(AppTest, AnEmptyPathIsRefusedBeforeAnythingChanges) {
    frame().SetTitle("unchanged");
    EXPECT_FALSE(frame().OpenFile(""));
    EXPECT_EQ(frame().GetTitle(), "unchanged");
    frame().SetTitle("Dezozuza version 1.9");
}

TEST_F(AppTest, ADropAnswersWhetherAFileOpened) {
    MyFrameDnDFile target(&frame());
    wxArrayString paths;
    paths.Add(wxString::FromUTF8(apptest::MissingFile()));
    paths.Add(wxString::FromUTF8(apptest::FileInHome("kept.c3d")));
    EXPECT_FALSE(target.OnDropFiles(0, 0, paths));
    EXPECT_FALSE(target.OnDropFiles(0, 0, wxArrayString()));
}

TEST_F(AppTest, RecentFilesRules) {
    // Existing files of our own, so that the existence check lets them in.
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i) {
        files.push_back(apptest::FileInHome("r" + std::to_string(i) + "&b.txt"));
        wxFile().Create(wxString::FromUTF8(files.back()), true);
    }
    const int before = frame().GetHistory().Count();
    frame().AddToHistory(wxString::FromUTF8(apptest::FileInHome("nothing-here.c3d")), true);
    EXPECT_EQ(frame().GetHistory().Count(), before) << "a missing file with the existence check";
    frame().AddToHistory(wxString::FromUTF8(files[0]), true);
    ASSERT_EQ(frame().GetHistory().Count(), before + 1);
    frame().AddToHistory(wxString::FromUTF8(files[0]), false);
    EXPECT_EQ(frame().GetHistory().Count(), before + 1) << "a path already listed";

    for (const std::string& f : files) frame().AddToHistory(wxString::FromUTF8(f), false);
    const RecentFiles& history = frame().GetHistory();
    ASSERT_EQ(history.Count(), 9);
    EXPECT_EQ(history.At(8), files[9]);
    wxMenu* recent = frame().GetRecentMenu();
    ASSERT_EQ(recent->GetMenuItemCount(), 9u);
    for (int i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        wxMenuItem* item = recent->FindItemByPosition(i);
        EXPECT_EQ(item->GetId(), kIdRecentFirst + i);
        // "&" doubled: shown as it is rather than taken for a mnemonic.
        wxString expected = wxString::FromUTF8(history.At(i));
        expected.Replace("&", "&&");
        EXPECT_EQ(item->GetItemLabel(), expected);
        EXPECT_TRUE(item->IsEnabled());
        EXPECT_EQ(item->GetHelp(), "");
    }
}

TEST_F(AppTest, ARecentEntryThatDoesNotOpenLeavesTheHistoryAlone) {
    const RecentFiles before = frame().GetHistory();
    frame().SetTitle("something else");
    Command(kIdRecentFirst);
    EXPECT_EQ(frame().GetTitle(), "Dezozuza version 1.9");
    EXPECT_EQ(frame().GetHistory().Entries(), before.Entries());
    Command(kIdRecentRangeEnd);  // beyond the entries: nothing to open
    EXPECT_EQ(frame().GetHistory().Entries(), before.Entries());
}

TEST_F(AppTest, FullScreenAndBackShowsTheSidePanes) {
    wxAuiManager& manager = frame().GetDockingManager();
    const wxRect place = frame().GetRect();
    Command(kIdFullScreen);
    Yield();
    EXPECT_TRUE(frame().IsFullScreen());
    // No window manager here: the window covers the screen by itself.
    EXPECT_TRUE(testsupport::WaitUntil([&] { return frame().GetRect() == wxRect(0, 0, 1280, 1024); }));
    EXPECT_FALSE(manager.GetPane("SETTINGS").IsShown());
    EXPECT_FALSE(manager.GetPane("message_pane").IsShown());
    EXPECT_NE(frame().GetMenuBar(), nullptr);
    Command(kIdFullScreen);
    Yield();
    EXPECT_FALSE(frame().IsFullScreen());
    EXPECT_TRUE(manager.GetPane("SETTINGS").IsShown());
    EXPECT_TRUE(manager.GetPane("message_pane").IsShown());
    EXPECT_FALSE(frame().IsMaximized());
    // Without a window manager too, the window is back where it was, at its size.
    EXPECT_TRUE(testsupport::WaitUntil([&] { return frame().GetRect() == place; }))
        << "at " << frame().GetRect().x << "," << frame().GetRect().y << " "
        << frame().GetRect().width << "x" << frame().GetRect().height;
    EXPECT_EQ(frame().GetClientSize(), wxSize(1000, 800));
}

// Run by test_app_window_manager: maximizing needs a window manager.
TEST_F(AppTest, FullScreenFromAMaximizedWindowStaysMaximizedUnderAWindowManager) {
    // The window manager answers in its own time: wait for each state change.
    const auto waitFor = [&](bool maximized, bool fullScreen) {
        for (int i = 0; i < 200; ++i) {
            Yield();
            // Full screen hides the maximized state: only the full-screen state counts then.
            if ((fullScreen || frame().IsMaximized() == maximized) && frame().IsFullScreen() == fullScreen)
                return true;
            wxMilliSleep(10);
        }
        return false;
    };
    frame().Maximize(true);
    ASSERT_TRUE(waitFor(true, false)) << "the window was not maximized: is a window manager running?";
    Command(kIdFullScreen);
    EXPECT_TRUE(waitFor(true, true));
    Command(kIdFullScreen);
    EXPECT_TRUE(waitFor(true, false));
    wxAuiManager& manager = frame().GetDockingManager();
    EXPECT_TRUE(frame().IsMaximized());
    EXPECT_TRUE(manager.GetPane("SETTINGS").IsShown());
    EXPECT_TRUE(manager.GetPane("message_pane").IsShown());
    frame().Maximize(false);
    Yield();
}

}  // namespace

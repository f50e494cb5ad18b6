#pragma once
// The main window: menus, toolbar with the frame and speed sliders, a four-field status bar and
// three docking panes (the "Properties" notebook on the left, the 3-D view in the centre, the
// "Message View" notebook with the "Log" page at the bottom). It opens files into the 3-D view,
// drives its playback from menus, tools, accelerators and sliders, keeps the recent files and the
// window geometry in the configuration store, and shows what the program writes to std::cout and
// std::cerr in the "Log" page while it lives.
#include <memory>
#include <streambuf>

#include <wx/aui/aui.h>
#include <wx/frame.h>
#include <wx/string.h>

#include "app/RecentFiles.h"

class LogStreamBuf;
class myGLCanvas;
class wxAuiNotebook;
class wxCloseEvent;
class wxCommandEvent;
class wxKeyEvent;
class wxConfigBase;
class wxLocale;
class wxLogChain;
class wxMenu;
class wxMenuBar;
class wxPropertyGrid;
class wxPropertyGridEvent;
class wxScrollEvent;
class wxSlider;
class wxTextCtrl;
class wxToolBar;
class wxUpdateUIEvent;

class MyFrame : public wxFrame {
public:
    MyFrame(wxLocale* locale, const wxString& title, const wxPoint& position, const wxSize& size,
            long style = wxDEFAULT_FRAME_STYLE);
    ~MyFrame() override;

    // The toolkit's update (what is invalid is repainted at once), then UpdateControls: the canvas
    // calls it when its playback state changed.
    void Update() override;

    // Opens a file into the 3-D view. On success the status bar, frame slider, recent files and
    // title describe it; on failure the view is empty and the window says so (title back to the
    // version text, controls refreshed, the status fields and frame slider cleared), the history
    // untouched. An empty path, or no canvas, changes nothing and answers false.
    bool OpenFile(const wxString& path);

    // Gives the 3-D view the keyboard focus, so that its keys and the menu keys (Space above all)
    // work without a click first: at the first show and after every open.
    void FocusView();

    // Full screen by the window manager, or without one by covering the screen ourselves.
    bool IsFullScreen() const override;

    // Adds the path to the recent files (with checkExists, only a path naming an existing file)
    // and rebuilds the submenu.
    void AddToHistory(const wxString& path, bool checkExists);
    // The recent submenu from the history: one item per entry, ids 6001 onwards, items of missing
    // files disabled.
    void UpdateHistoryMenu();
    // The frame slider's range and value from the canvas's play range, when it holds more than
    // one frame.
    void SyncFrameSlider();

    // Enables or disables the ten animation commands in the menu and on the toolbar.
    void EnableAnimationControls(bool enable);
    // The animation commands' enabled state from the canvas's motion and playing state.
    void UpdateControls();

    // Rebuilds the "3D Parameters" grid from the view and the settings values as they are now.
    void FillPropertyGrid();
    // The grid's rows again from the view's values, where a key or the view's menu changed them
    // (the row being edited is left alone).
    void RefreshPropertyValues();

    void LoadSettings(wxConfigBase* config);
    void SaveSettings(wxConfigBase* config);

    // What other parts of the program and the tests read.
    myGLCanvas* GetCanvas() const { return m_canvas; }
    wxSlider* GetFrameSlider() const { return m_frameSlider; }
    wxSlider* GetSpeedSlider() const { return m_speedSlider; }
    wxTextCtrl* GetSpeedText() const { return m_speedText; }
    wxTextCtrl* GetTimeText() const { return m_timeText; }
    wxTextCtrl* GetLogText() const { return m_logText; }
    wxToolBar* GetToolbar() const { return m_toolbar; }
    wxMenu* GetRecentMenu() const { return m_recentMenu; }
    wxPropertyGrid* GetPropertyGrid() const { return m_propertyGrid; }
    const RecentFiles& GetHistory() const { return m_history; }
    wxAuiManager& GetDockingManager() { return m_dockingManager; }

private:
    void CreateMenus();
    void CreateToolbar();
    void CreateStatusLine();
    void CreatePanes();
    void BindHandlers();
    void RestoreGeometry(wxConfigBase* config);
    void SaveGeometry(wxConfigBase* config);
    void CreateCanvas();
    // Whether the canvas has a recording of more than two frames to play.
    bool HasPlayableMotion() const;
    // After a failed open: nothing on screen may describe the file that was shown before.
    void ShowNothingOpen();

    void OnOpen(wxCommandEvent& event);
    void OnRecentFile(wxCommandEvent& event);
    void OnQuit(wxCommandEvent& event);
    void OnAbout(wxCommandEvent& event);
    void OnPlay(wxCommandEvent& event);
    void OnPlayBackward(wxCommandEvent& event);
    void OnStop(wxCommandEvent& event);
    void OnPreviousFrame(wxCommandEvent& event);
    void OnNextFrame(wxCommandEvent& event);
    void OnFirstFrame(wxCommandEvent& event);
    void OnLastFrame(wxCommandEvent& event);
    void OnResetView(wxCommandEvent& event);
    void OnFullScreen(wxCommandEvent& event);
    void OnSetFirstFrame(wxCommandEvent& event);
    void OnSetLastFrame(wxCommandEvent& event);
    void OnResetFirstLast(wxCommandEvent& event);
    void OnSaveImage(wxCommandEvent& event);
    void OnScroll(wxScrollEvent& event);
    void OnClose(wxCloseEvent& event);
    // The window's menu keys, before any control sees them.
    void OnCharHook(wxKeyEvent& event);
    // The menu command of a key by the menu labels' accelerators (Space: play or stop),
    // wxID_NONE for any other key. Modifiers are the toolkit's wxMOD_ flags.
    int MenuCommandForKey(int keyCode, int modifiers) const;
    // What kind of text control has the focus: none, a one-line text box, or a control that
    // also pages (a multi-line text, the property grid).
    enum class TextFocus { None, Line, Pages };
    TextFocus FocusedText() const;
    // A grid entry the rules refuse is vetoed (the row shows its old value again) with the reason
    // in the status bar; an accepted one is applied and the view repainted.
    void OnPropertyChanging(wxPropertyGridEvent& event);
    void OnPropertyChanged(wxPropertyGridEvent& event);
    void OnUpdateAnimationCommand(wxUpdateUIEvent& event);

    wxLocale* m_locale = nullptr;
    myGLCanvas* m_canvas = nullptr;
    wxToolBar* m_toolbar = nullptr;
    wxMenuBar* m_menuBar = nullptr;
    wxMenu* m_fileMenu = nullptr;
    wxMenu* m_recentMenu = nullptr;
    wxMenu* m_animationMenu = nullptr;
    wxMenu* m_helpMenu = nullptr;
    wxSlider* m_frameSlider = nullptr;
    wxSlider* m_speedSlider = nullptr;
    wxTextCtrl* m_speedText = nullptr;
    wxTextCtrl* m_logText = nullptr;
    wxTextCtrl* m_timeText = nullptr;
    RecentFiles m_history;
    // std::cout's and std::cerr's own buffers while the "Log" page stands in for them.
    std::streambuf* m_savedOutput = nullptr;
    std::streambuf* m_savedError = nullptr;
    std::unique_ptr<LogStreamBuf> m_logBuffer;
    // Copies the text of the log's message dialogs to the "Log" page while the window lives.
    std::unique_ptr<wxLogChain> m_logChain;
    wxAuiManager m_dockingManager;
    wxPropertyGrid* m_propertyGrid = nullptr;
    wxAuiNotebook* m_mainNotebook = nullptr;
    wxAuiNotebook* m_settingsNotebook = nullptr;
    wxAuiNotebook* m_messageNotebook = nullptr;
    // Whether the window was maximized when full screen was last entered.
    bool m_wasMaximized = false;
    // Full screen without a window manager: the window covers the screen and goes back to this
    // place and size afterwards.
    bool m_coversScreen = false;
    wxRect m_placeBeforeFullScreen;
};

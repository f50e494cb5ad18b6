#include "app/MyFrame.h"

#include <iostream>
#include <memory>
#include <string>

#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/accel.h>
#include <wx/aui/auibook.h>
#include <wx/config.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/propgrid/propgrid.h>
#include <wx/settings.h>
#include <wx/slider.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/toolbar.h>

#include "app/AnimationControls.h"
#include "app/DesktopQuirks.h"
#include "gl/AppSettings.h"
#include "app/FrameArt.h"
#include "app/FrameIds.h"
#include "app/LogStreamBuf.h"
#include "app/MyFrameDnDFile.h"
#include "app/ParameterGridControl.h"
#include "app/ShellSettings.h"
#include "app/WindowGeometry.h"
#include "view/myGLCanvas.h"
#include "objects/shape3D.h"

namespace {

// The open dialog's filters; the first is selected when it opens.
const char kOpenFilter[] =
    "Motion and shape files|*.dxf;*.dxf.gz;*.dat;*.obj;*.3ds;*.shl;*.txv;*.txv.gz;*.shl.gz;*.bvh;"
    "*.c3d;*.mdf;*.cme;*.mdf;*.ric;*.rif;*.txt;*.trt;c#*.*|"
    "Motion data files|*.c3d;*.mdf;*.cme;*.mdf;*.ric;*.rif;*.txt;*.trt;c#*.*|"
    "Motion BVH files (*.bvh)|*.bvh|"
    "OBJ files (*.obj)|*.obj|"
    "3DS files (*.3ds)|*.3ds|"
    "DXF files (*.dxf;*.dxf)|*.dxf;*.dxf.gz|"
    "Iso Surface files (*.dat)|*.dat|"
    "SHL files (*.shl)|*.shl|"
    "Vertex/Facet files (*.txv)|*.txv;*.txv.gz|"
    "All files (*.*)|*.*";

// The save-image dialog's filters, BMP first. No "|" after the last one: the toolkit would read
// it as the start of a ninth filter without a pattern.
const char kSaveImageFilter[] =
    "BMP files (*.bmp)|*.bmp|PNG files (*.png)|*.png|JPEG files (*.jpg)|*.jpg|GIF files "
    "(*.gif)|*.gif|TIFF files (*.tif)|*.tif|PCX files (*.pcx)|*.pcx|XPM files (*.xpm)|*.xpm|PNM "
    "files (*.pnm)|*.pnm";

constexpr int kToolImageSize = 20;
constexpr int kStatusFields = 4;
constexpr int kFrameSliderMax = 100;

// The store's current path while the window lives: its own keys and the settings' relative keys
// ("camera/...", "bvh/...", "canvas/...") live under it.
const char kFramePath[] = "/MainFrame";

const char kMainPane[] = "MAINBOOK";
const char kSettingsPane[] = "SETTINGS";
const char kMessagePane[] = "message_pane";

void AppendItem(wxMenu* menu, int id, const wxString& label, const wxString& help = wxString(),
                const wxBitmap& bitmap = wxNullBitmap) {
    auto* item = new wxMenuItem(menu, id, label, help);
    if (bitmap.IsOk()) item->SetBitmap(bitmap);
    menu->Append(item);
}

// The stock "home" picture of the reset-range command; our own first-frame picture where the
// icon theme has none.
wxBitmap HomeBitmap() {
    wxBitmap bitmap = wxArtProvider::GetBitmap(wxART_GO_HOME, wxART_OTHER,
                                               wxSize(kToolImageSize, kToolImageSize));
    return bitmap.IsOk() ? bitmap : FrameBitmap(FrameImage::FirstFrame);
}

// A path as a menu label: '&' would otherwise be taken as a mnemonic marker and vanish.
wxString MenuLabelForPath(const wxString& path) {
    wxString label = path;
    label.Replace("&", "&&");
    return label;
}

// The text of every message the toolkit's log shows in a dialog (errors, warnings, plain
// messages) written to standard error too, and so to the "Log" page: it stays there once the
// dialog is closed.
class DialogTextToLogPage : public wxLog {
protected:
    void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo&) override {
        if (level > wxLOG_Message) return;
        const char* prefix = level <= wxLOG_Error ? "Error: " : level == wxLOG_Warning ? "Warning: " : "";
        std::cerr << prefix << message.utf8_string() << std::endl;
    }
};

// Letters of key codes in one case. Only ASCII: the special keys' codes lie above 255, where a
// Unicode case mapping would pair Page Up with Page Down (U+016E and U+016F).
int AsciiUpper(int keyCode) { return keyCode >= 'a' && keyCode <= 'z' ? keyCode - 'a' + 'A' : keyCode; }

bool NamesExistingFile(const wxString& path) {
    const wxFileName name(path);
    return name.IsOk() && name.FileExists();
}

}  // namespace

MyFrame::MyFrame(wxLocale* locale, const wxString& title, const wxPoint& position,
                 const wxSize& size, long style)
    : wxFrame(nullptr, wxID_ANY, title, position, size, style, "frame"), m_locale(locale) {
    SetIcon(FrameIcon());
    SetTitle(kVersionText);

    CreateMenus();
    CreateToolbar();
    CreateStatusLine();
    CreatePanes();
    BindHandlers();

    m_dockingManager.SetArtProvider(new wxAuiDefaultDockArt);
    m_dockingManager.GetArtProvider()->SetMetric(wxAUI_DOCKART_PANE_BORDER_SIZE, 0);

    wxConfigBase* config = wxConfigBase::Get();
    if (config != nullptr) {
        config->SetPath(kFramePath);
        RestoreGeometry(config);
        LoadSettings(config);
    }

    SetDropTarget(new MyFrameDnDFile(this));

    wxAuiPaneInfoArray& panes = m_dockingManager.GetAllPanes();
    for (size_t i = 0; i < panes.GetCount(); ++i)
        if (!panes[i].IsToolbar()) panes[i].Hide();
    m_dockingManager.GetPane(kSettingsPane).Show().Left().Position(0);
    m_dockingManager.GetPane(kMainPane).Show();
    m_dockingManager.GetPane(kMessagePane).Show();
    m_dockingManager.GetArtProvider()->SetMetric(wxAUI_DOCKART_PANE_BORDER_SIZE, 0);

    CreateCanvas();

    SetAutoLayout(true);
    wxTheApp->Yield(true);
    element_tooltips_enabled = 0;
    selected_trajectory_enabled = 0;
    SendSizeEvent();
    m_dockingManager.Update();

    if (config != nullptr) LoadSettings(config);
    FillPropertyGrid();
}

void MyFrame::BindHandlers() {
    Bind(wxEVT_MENU, &MyFrame::OnOpen, this, kIdOpen);
    Bind(wxEVT_MENU, &MyFrame::OnQuit, this, kIdExit);
    Bind(wxEVT_MENU, &MyFrame::OnAbout, this, kIdAbout);
    Bind(wxEVT_MENU, &MyFrame::OnPlay, this, kIdPlay);
    Bind(wxEVT_MENU, &MyFrame::OnPlayBackward, this, kIdPlayBackward);
    Bind(wxEVT_MENU, &MyFrame::OnStop, this, kIdStop);
    Bind(wxEVT_MENU, &MyFrame::OnPreviousFrame, this, kIdPreviousFrame);
    Bind(wxEVT_MENU, &MyFrame::OnNextFrame, this, kIdNextFrame);
    Bind(wxEVT_MENU, &MyFrame::OnFirstFrame, this, kIdFirstFrame);
    Bind(wxEVT_MENU, &MyFrame::OnLastFrame, this, kIdLastFrame);
    Bind(wxEVT_MENU, &MyFrame::OnResetView, this, kIdResetView);
    Bind(wxEVT_MENU, &MyFrame::OnFullScreen, this, kIdFullScreen);
    Bind(wxEVT_MENU, &MyFrame::OnSetFirstFrame, this, kIdSetFirstFrame);
    Bind(wxEVT_MENU, &MyFrame::OnSetLastFrame, this, kIdSetLastFrame);
    Bind(wxEVT_MENU, &MyFrame::OnResetFirstLast, this, kIdResetFirstLast);
    Bind(wxEVT_MENU, &MyFrame::OnRecentFile, this, kIdRecentFirst, kIdRecentRangeEnd);
    Bind(wxEVT_MENU, &MyFrame::OnSaveImage, this, kIdSaveImage);
    // Every kind of slider scroll, so that whatever moved a slider (drag, keys, page clicks in the
    // track) the frame shown and the speed shown are the ones in force.
    for (const wxEventTypeTag<wxScrollEvent>& type :
         {wxEVT_SCROLL_TOP, wxEVT_SCROLL_BOTTOM, wxEVT_SCROLL_LINEUP, wxEVT_SCROLL_LINEDOWN,
          wxEVT_SCROLL_PAGEUP, wxEVT_SCROLL_PAGEDOWN, wxEVT_SCROLL_THUMBTRACK,
          wxEVT_SCROLL_THUMBRELEASE, wxEVT_SCROLL_CHANGED})
        Bind(type, &MyFrame::OnScroll, this);
    Bind(wxEVT_CLOSE_WINDOW, &MyFrame::OnClose, this);
    Bind(wxEVT_CHAR_HOOK, &MyFrame::OnCharHook, this);
    Bind(wxEVT_PG_CHANGING, &MyFrame::OnPropertyChanging, this, kIdPropertyGrid);
    Bind(wxEVT_PG_CHANGED, &MyFrame::OnPropertyChanged, this, kIdPropertyGrid);
    // The view stops playback on its own too (its keys, its popup menu): the controls follow at
    // the next idle time whatever stopped it.
    for (int id : kAnimationCommands)
        Bind(wxEVT_UPDATE_UI, &MyFrame::OnUpdateAnimationCommand, this, id);
}

MyFrame::~MyFrame() {
    wxConfigBase* config = wxConfigBase::Get();
    if (config != nullptr) {
        SaveSettings(config);
        if (!IsIconized()) SaveGeometry(config);
    }
    m_dockingManager.UnInit();
    // The log target of before again (what the dialogs still hold is shown by it).
    m_logChain.reset();
    std::cout.rdbuf(m_savedOutput);
    std::cerr.rdbuf(m_savedError);
    // The "Log" page still exists (children go after this body): the last unfinished line goes
    // there.
    if (m_logBuffer) m_logBuffer->Flush();
    m_logBuffer.reset();
}

void MyFrame::Update() {
    wxFrame::Update();
    UpdateControls();
    RefreshPropertyValues();
}

// ---------------------------------------------------------------------------------------------
// Construction

void MyFrame::CreateMenus() {
    m_fileMenu = new wxMenu;
    AppendItem(m_fileMenu, kIdOpen, _("&Open..."), _("Open a file"), FrameBitmap(FrameImage::Open));
    m_fileMenu->AppendSeparator();
    AppendItem(m_fileMenu, kIdSaveImage, _("Save image"));
    m_fileMenu->AppendSeparator();
    AppendItem(m_fileMenu, kIdResetView, _("Reset View"));
    AppendItem(m_fileMenu, kIdFullScreen, _("FullScreen On/Off\tF12"),
               _("Show/Restore full screen application"));
    m_fileMenu->AppendSeparator();
    m_recentMenu = new wxMenu;
    for (int id = kIdRecentFirst; id <= kIdRecentLast; ++id)
        AppendItem(m_recentMenu, id, _("No file."));
    m_fileMenu->AppendSubMenu(m_recentMenu, _("Recent files"));
    m_fileMenu->AppendSeparator();
    AppendItem(m_fileMenu, kIdExit, _("E&xit\tALT-X"));

    m_animationMenu = new wxMenu;
    // GTK knows Page Down as "PgDn"; with "PgDown" the item would have no key at all. GTK takes
    // no arrow key without a modifier as a menu key, so the toolkit drops "Left" and "Right":
    // those steps are the 3-D view's own keys. Space plays as well as stops (OnCharHook), and
    // its label says so.
    AppendItem(m_animationMenu, kIdPlay, _("&Play\tPgDn"), _("Play animation"),
               FrameBitmap(FrameImage::Play));
    AppendItem(m_animationMenu, kIdPlayBackward, _("&Play backward\tPgUp"),
               _("Play animation backwars"), FrameBitmap(FrameImage::PlayBackward));
    AppendItem(m_animationMenu, kIdStop, _("Play/Stop\tSpace"), _("&Stop animation"),
               FrameBitmap(FrameImage::Stop));
    m_animationMenu->AppendSeparator();
    AppendItem(m_animationMenu, kIdPreviousFrame, _("&Back one frame\tLeft"));
    AppendItem(m_animationMenu, kIdNextFrame, _("&Forward one frame\tRight"));
    m_animationMenu->AppendSeparator();
    AppendItem(m_animationMenu, kIdFirstFrame, _("First Frame\tHome"));
    AppendItem(m_animationMenu, kIdLastFrame, _("Last Frame\tEnd"));
    m_animationMenu->AppendSeparator();
    AppendItem(m_animationMenu, kIdSetFirstFrame, _("Set first frame"), wxString(),
               FrameBitmap(FrameImage::SetFirst));
    AppendItem(m_animationMenu, kIdSetLastFrame, _("Set last frame"), wxString(),
               FrameBitmap(FrameImage::SetLast));
    AppendItem(m_animationMenu, kIdResetFirstLast, _("Reset first and last frame"), wxString(),
               HomeBitmap());

    m_helpMenu = new wxMenu;
    AppendItem(m_helpMenu, kIdAbout, _("&About..."));

    m_menuBar = new wxMenuBar;
    m_menuBar->Append(m_fileMenu, _("&File"));
    m_menuBar->Append(m_animationMenu, _("&Animation"));
    m_menuBar->Append(m_helpMenu, _("&Help"));
    SetMenuBar(m_menuBar);
}

void MyFrame::CreateToolbar() {
    m_toolbar = wxFrame::CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT, kIdToolbar, "toolbar");
    m_toolbar->SetToolBitmapSize(wxSize(kToolImageSize, kToolImageSize));

    m_toolbar->AddTool(kIdOpen, _("Open"), FrameBitmap(FrameImage::Open), _("Open shape file"));
    m_toolbar->AddSeparator();
    m_toolbar->AddTool(kIdFirstFrame, _("First Frame"), FrameBitmap(FrameImage::FirstFrame),
                       _("First Frame"));
    m_toolbar->AddTool(kIdPlayBackward, _("Play Back"), FrameBitmap(FrameImage::PlayBackward),
                       _("Play animation backward"));
    m_toolbar->AddTool(kIdStop, _("Stop"), FrameBitmap(FrameImage::Stop), _("Stop animation"));
    m_toolbar->AddTool(kIdPlay, _("Play"), FrameBitmap(FrameImage::Play),
                       _("Play animation forward"));
    m_toolbar->AddTool(kIdLastFrame, _("Last Frame"), FrameBitmap(FrameImage::LastFrame),
                       _("Last Frame"));
    m_toolbar->AddSeparator();
    m_toolbar->AddTool(kIdSetFirstFrame, _("Set First Frame"), FrameBitmap(FrameImage::SetFirst),
                       _("Set First Frame"));
    m_toolbar->AddTool(kIdSetLastFrame, _("Set Last Frame"), FrameBitmap(FrameImage::SetLast),
                       _("Set Last Frame"));
    m_toolbar->AddTool(kIdResetFirstLast, _("Reset first and last frame"), HomeBitmap(),
                       _("Reset first and last frame"));
    m_toolbar->AddSeparator();
    m_toolbar->AddTool(kIdPreviousFrame, _("Previous Frame"),
                       FrameBitmap(FrameImage::PreviousFrame), _("Previous Frame"));
    m_toolbar->AddTool(kIdNextFrame, _("Next Frame"), FrameBitmap(FrameImage::NextFrame),
                       _("Next Frame"));
    m_toolbar->AddSeparator();

    // Sized so that the whole toolbar fits the first-start window: a control the toolbar cannot
    // place is not shown at all (GTK offers no overflow here).
    m_frameSlider = new wxSlider(
        m_toolbar, kIdFrameSlider, 0, 0, kFrameSliderMax, wxDefaultPosition, wxSize(200, 30),
        wxSL_HORIZONTAL | wxSL_AUTOTICKS | wxSL_BOTH, wxDefaultValidator, "slider");
    m_speedText = new wxTextCtrl(m_toolbar, kIdSpeedText, "1.0", wxDefaultPosition, wxSize(40, -1),
                                 wxTE_READONLY | wxTE_CENTRE, wxDefaultValidator, "text");
    m_speedText->SetToolTip(_("Play back speed value"));
    m_speedSlider =
        new wxSlider(m_toolbar, kIdSpeedSlider, kSpeedSliderInitial, kSpeedSliderMin,
                     kSpeedSliderMax, wxDefaultPosition, wxSize(80, 30),
                     wxSL_HORIZONTAL | wxSL_AUTOTICKS | wxSL_BOTTOM, wxDefaultValidator, "slider");
    m_speedSlider->SetTickFreq(1);
    m_speedSlider->SetToolTip(_("Play back speed"));
    m_timeText = new wxTextCtrl(m_toolbar, kIdTimeText, wxString(), wxDefaultPosition,
                                wxSize(170, -1), wxTE_READONLY, wxDefaultValidator, "text");
    m_toolbar->AddControl(m_frameSlider);
    m_toolbar->AddControl(m_speedText);
    m_toolbar->AddControl(m_speedSlider);
    m_toolbar->AddSeparator();
    m_toolbar->AddControl(m_timeText);
    m_toolbar->Realize();
    KeepToolButtonsFromFocus(*m_toolbar);

    UpdateControls();
}

void MyFrame::CreateStatusLine() {
    wxStatusBar* statusBar = CreateStatusBar(1, wxSTB_DEFAULT_STYLE, 0, "status_line");
    const int widths[kStatusFields] = {-1, -1, -1, 130};
    statusBar->SetFieldsCount(kStatusFields, widths);
    if (m_canvas != nullptr) m_canvas->SetStatusBar(statusBar);
}

void MyFrame::CreatePanes() {
    const wxSize client = GetClientSize();
    const wxPoint outside(client.x, client.y);  // out of sight until the docking manager places it
    const wxColour menuColour = wxSystemSettings::GetColour(wxSYS_COLOUR_MENU);
    const long notebookStyle = wxAUI_NB_TOP | wxAUI_NB_TAB_SPLIT | wxAUI_NB_TAB_MOVE |
                               wxAUI_NB_MIDDLE_CLICK_CLOSE | wxNO_BORDER;

    m_settingsNotebook =
        new wxAuiNotebook(this, wxID_ANY, outside, wxSize(250, 400), notebookStyle);
    m_settingsNotebook->SetArtProvider(new wxAuiSimpleTabArt);
    m_propertyGrid = new wxPropertyGrid(this, kIdPropertyGrid, wxDefaultPosition, wxDefaultSize,
                                        wxSUNKEN_BORDER | wxTAB_TRAVERSAL, "wxPropertyGrid");
    m_propertyGrid->SetExtraStyle(wxPG_EX_MODE_BUTTONS | wxPG_EX_HELP_AS_TOOLTIPS);
    m_propertyGrid->SetCellBackgroundColour(menuColour);
    // An entry the grid cannot read or the view refuses is reported in the status bar rather
    // than in a message box, and the row goes back to its value.
    m_propertyGrid->SetValidationFailureBehavior(wxPG_VFB_SHOW_MESSAGE_ON_STATUSBAR);
    m_settingsNotebook->AddPage(m_propertyGrid, _("3D Parameters"), false);

    m_mainNotebook =
        new wxAuiNotebook(this, kIdMainNotebook, outside, wxSize(430, 200), notebookStyle);

    m_messageNotebook = new wxAuiNotebook(this, wxID_ANY, outside, wxSize(430, 100), notebookStyle);
    m_messageNotebook->SetArtProvider(new wxAuiSimpleTabArt);
    m_messageNotebook->SetWindowStyleFlag(
        (m_messageNotebook->GetWindowStyleFlag() & ~wxAUI_NB_TOP) | wxAUI_NB_BOTTOM);
    m_logText = new wxTextCtrl(this, wxID_ANY, wxString(), wxPoint(0, 0), wxDefaultSize,
                               wxNO_BORDER | wxTE_RICH | wxTE_MULTILINE | wxTE_READONLY,
                               wxDefaultValidator, "text");
    m_messageNotebook->AddPage(m_logText, _("Log"), false);

    m_dockingManager.SetManagedWindow(this);
    m_dockingManager.AddPane(m_mainNotebook,
                             wxAuiPaneInfo().Name(kMainPane).CenterPane().PaneBorder(false));
    m_dockingManager.AddPane(m_settingsNotebook, wxAuiPaneInfo()
                                                     .Name(kSettingsPane)
                                                     .Caption(_("Properties"))
                                                     .Left()
                                                     .Layer(1)
                                                     .Position(1)
                                                     .CloseButton(false)
                                                     .MaximizeButton(false));
    m_dockingManager.AddPane(
        m_messageNotebook, wxAuiPaneInfo().Name(kMessagePane).Caption(_("Message View")).Bottom());

    // From here on whatever the program writes to std::cout and std::cerr goes to the "Log" page,
    // one batch of whole lines at a time.
    wxTextCtrl* log = m_logText;
    m_logBuffer = std::make_unique<LogStreamBuf>([log](const std::string& text) {
        log->AppendText(wxString::FromUTF8(text.data(), text.size()));
    });
    m_savedOutput = std::cout.rdbuf(m_logBuffer.get());
    m_savedError = std::cerr.rdbuf(m_logBuffer.get());
    // The log target in force (the dialogs) keeps every message; the page gets a copy.
    m_logChain = std::make_unique<wxLogChain>(new DialogTextToLogPage);
}

void MyFrame::RestoreGeometry(wxConfigBase* config) {
    WindowGeometry geometry;
    config->Read("x", &geometry.x, geometry.x);
    config->Read("y", &geometry.y, geometry.y);
    config->Read("w", &geometry.width, geometry.width);
    config->Read("h", &geometry.height, geometry.height);
    config->Read("IsMaximized", &geometry.maximized, geometry.maximized);
    if (geometry.maximized == 1) {
        Maximize(true);
        return;
    }
    geometry = ClampToScreen(geometry, wxSystemSettings::GetMetric(wxSYS_SCREEN_X),
                             wxSystemSettings::GetMetric(wxSYS_SCREEN_Y));
    Move(geometry.x, geometry.y);
    SetClientSize(geometry.width, geometry.height);
}

void MyFrame::SaveGeometry(wxConfigBase* config) {
    const wxSize client = GetClientSize();
    const wxPoint position = GetPosition();
    config->SetPath(kFramePath);
    config->Write("x", position.x);
    config->Write("y", position.y);
    config->Write("w", client.x);
    config->Write("h", client.y);
    config->Write("IsMaximized", IsMaximized() ? 1 : 0);
}

void MyFrame::CreateCanvas() {
    if (m_mainNotebook == nullptr) return;
    // wxWANTS_CHARS: Tab and the arrow keys belong to the view (mouse modes, frame steps).
    m_canvas = new myGLCanvas(this, wxID_ANY, wxDefaultPosition, wxSize(500, 500), wxNO_BORDER | wxWANTS_CHARS,
                              "kxGLCanvas");
    m_canvas->SetOwnerFrame(this);
    m_canvas->UpdateStatusBar();
    m_canvas->SetTimeText(m_timeText);
    m_canvas->SetFrameSlider(m_frameSlider);
    m_canvas->UpdateStatusBar();
    m_canvas->SetStatusBarInUse(true);
    m_canvas->SetStatusBar(GetStatusBar());
    m_mainNotebook->AddPage(m_canvas, _("3D View"), false);
}

// ---------------------------------------------------------------------------------------------
// Settings

void MyFrame::LoadSettings(wxConfigBase* config) {
    if (config == nullptr) return;
    config->SetPath(kFramePath);
    LoadHistory(*config, m_history);
    UpdateHistoryMenu();
    if (m_canvas != nullptr) {
        m_canvas->LoadConfig(config);
        // The keys below are relative to the window's own path, whatever the canvas did.
        config->SetPath(kFramePath);
        m_canvas->Refresh(true);
        bool showButtons = true;
        config->Read("canvas/show_buttons", &showButtons);
        m_canvas->SetShowButtons(showButtons);
    }
    LoadSettingsValues(*config);
}

void MyFrame::SaveSettings(wxConfigBase* config) {
    if (config == nullptr) return;
    config->SetPath(kFramePath);
    SaveHistory(*config, m_history);
    if (m_canvas != nullptr) {
        m_canvas->SaveConfig(config);
        config->SetPath(kFramePath);
        config->Write("canvas/show_buttons", m_canvas->GetShowButtons());
    }
    SaveSettingsValues(*config);
}

// ---------------------------------------------------------------------------------------------
// The 3D Parameters grid

void MyFrame::FillPropertyGrid() {
    if (m_canvas == nullptr || m_propertyGrid == nullptr) return;
    CanvasParameters canvas(*m_canvas);
    FillParameterGrid(*m_propertyGrid, canvas);
}

void MyFrame::RefreshPropertyValues() {
    if (m_canvas == nullptr || m_propertyGrid == nullptr) return;
    CanvasParameters canvas(*m_canvas);
    RefreshParameterGrid(*m_propertyGrid, canvas);
}

void MyFrame::OnPropertyChanging(wxPropertyGridEvent& event) {
    if (m_canvas == nullptr || event.GetProperty() == nullptr) return;
    GridValue value;
    if (!GridValueFromVariant(event.GetValue(), &value)) return;
    CanvasParameters canvas(*m_canvas);
    const std::string refusal =
        ParameterGrid(canvas).Check(event.GetPropertyName().utf8_string(), value);
    if (refusal.empty()) return;
    event.Veto();
    event.SetValidationFailureMessage(wxGetTranslation(wxString::FromUTF8(refusal)));
}

void MyFrame::OnPropertyChanged(wxPropertyGridEvent& event) {
    if (m_canvas == nullptr) return;
    GridValue value;
    if (event.GetProperty() != nullptr && GridValueFromVariant(event.GetValue(), &value)) {
        CanvasParameters canvas(*m_canvas);
        ParameterGrid(canvas).Apply(event.GetPropertyName().utf8_string(), value);
    }
    m_canvas->Refresh(false);
}

// ---------------------------------------------------------------------------------------------
// Opening files and the recent files

bool MyFrame::OpenFile(const wxString& path) {
    if (path.empty() || m_canvas == nullptr) return false;
    // Whatever had the focus before (a dialog's button, a toolbar button, nothing at all), the
    // keys now go to the view.
    FocusView();
    if (!m_canvas->LoadShapeAndMotion(path, false)) {
        ShowNothingOpen();
        return false;
    }
    m_canvas->SetSliderTracking(true);
    m_canvas->Refresh(false);
    wxStatusBar* statusBar = GetStatusBar();
    if (statusBar != nullptr) statusBar->SetStatusText(wxFileName(path).GetFullName(), 1);
    if (auto* shape = dynamic_cast<shape3D*>(m_canvas->GetObject())) {
        if (statusBar != nullptr) statusBar->SetStatusText(shape->GetInfo(), 2);
        SyncFrameSlider();
        // The readout shows where a recording stands from the start, not only after a step.
        if (m_canvas->HasMotion())
            m_canvas->UpdateTimeDisplay();
        else
            m_timeText->Clear();
    }
    UpdateControls();
    AddToHistory(path, false);
    UpdateControls();
    m_canvas->Refresh(true);
    SetTitle(wxString::Format("%s [%s]", kVersionText, path));
    // The new view placed its camera (and perhaps its plane) on the recording.
    FillPropertyGrid();
    return true;
}

void MyFrame::FocusView() {
    if (m_canvas != nullptr) m_canvas->SetFocus();
}

void MyFrame::ShowNothingOpen() {
    SetTitle(kVersionText);
    if (wxStatusBar* statusBar = GetStatusBar()) {
        for (int field = 0; field < statusBar->GetFieldsCount(); ++field)
            statusBar->SetStatusText(wxString(), field);
    }
    m_frameSlider->SetRange(0, kFrameSliderMax);
    m_frameSlider->SetValue(0);
    m_timeText->Clear();
    UpdateControls();
}

void MyFrame::AddToHistory(const wxString& path, bool checkExists) {
    if (checkExists && !NamesExistingFile(path)) return;
    if (m_history.Add(path.utf8_string())) UpdateHistoryMenu();
}

void MyFrame::UpdateHistoryMenu() {
    while (m_recentMenu->GetMenuItemCount() > 0)
        m_recentMenu->Destroy(m_recentMenu->FindItemByPosition(0));
    for (int i = 0; i < m_history.Count() && i < RecentFiles::kCapacity; ++i) {
        const wxString path = wxString::FromUTF8(m_history.At(i));
        m_recentMenu->Append(kIdRecentFirst + i, MenuLabelForPath(path));
        m_recentMenu->Enable(kIdRecentFirst + i, NamesExistingFile(path));
    }
}

void MyFrame::SyncFrameSlider() {
    if (m_canvas == nullptr || m_frameSlider == nullptr) return;
    const int first = m_canvas->GetFirstFrame();
    const int last = m_canvas->GetLastFrame();
    if (first < last) {
        m_frameSlider->SetRange(first, last);
        m_frameSlider->SetValue(first);
    }
}

void MyFrame::OnOpen(wxCommandEvent&) {
    const wxString path = wxFileSelector(_("Choose shape Model"), wxString(), wxString(),
                                         wxString(), kOpenFilter, wxFD_OPEN, nullptr);
    if (!path.empty()) OpenFile(path);
}

void MyFrame::OnRecentFile(wxCommandEvent& event) {
    const int index = event.GetId() - kIdRecentFirst;
    if (index >= 0 && index < m_history.Count()) OpenFile(wxString::FromUTF8(m_history.At(index)));
}

// ---------------------------------------------------------------------------------------------
// Animation controls

bool MyFrame::HasPlayableMotion() const {
    if (m_canvas == nullptr) return false;
    object3D* object = m_canvas->GetObject();
    return ::HasPlayableMotion(true, object != nullptr, m_canvas->HasMotion(),
                               object != nullptr ? object->GetFrameCount() : 0);
}

void MyFrame::EnableAnimationControls(bool enable) {
    if (m_animationMenu == nullptr || m_toolbar == nullptr) return;
    for (int id : kAnimationCommands) {
        m_animationMenu->Enable(id, enable);
        m_toolbar->EnableTool(id, enable);
    }
    m_toolbar->Refresh(true);
}

void MyFrame::UpdateControls() {
    // The toolkit may ask for an update while the window is still being built.
    if (m_fileMenu == nullptr || m_animationMenu == nullptr || m_toolbar == nullptr) return;
    m_fileMenu->Enable(kIdOpen, true);
    const bool playable = HasPlayableMotion();
    if (!playable) {
        EnableAnimationControls(false);
    } else {
        const bool playing = m_canvas->IsPlaying();
        EnableAnimationControls(true);
        for (int id : kAnimationCommands) {
            if (IsAnimationCommandEnabled(id, true, playing)) continue;
            m_animationMenu->Enable(id, false);
            m_toolbar->EnableTool(id, false);
        }
    }
    m_toolbar->Refresh(false);
}

void MyFrame::OnUpdateAnimationCommand(wxUpdateUIEvent& event) {
    const bool playing = m_canvas != nullptr && m_canvas->IsPlaying();
    event.Enable(IsAnimationCommandEnabled(event.GetId(), HasPlayableMotion(), playing));
}

void MyFrame::OnPlay(wxCommandEvent&) {
    if (m_canvas != nullptr && m_canvas->HasMotion() && !m_canvas->IsPlaying()) m_canvas->Play();
    UpdateControls();
}

void MyFrame::OnPlayBackward(wxCommandEvent&) {
    if (m_canvas != nullptr && m_canvas->HasMotion() && !m_canvas->IsPlaying())
        m_canvas->PlayBackward();
    UpdateControls();
}

void MyFrame::OnStop(wxCommandEvent&) {
    if (m_canvas != nullptr && m_canvas->HasMotion() && m_canvas->IsPlaying()) m_canvas->Stop();
    UpdateControls();
}

void MyFrame::OnPreviousFrame(wxCommandEvent&) {
    if (m_canvas != nullptr && m_canvas->HasMotion()) m_canvas->PreviousFrame(0);
    UpdateControls();
}

void MyFrame::OnNextFrame(wxCommandEvent&) {
    if (m_canvas != nullptr && m_canvas->HasMotion()) m_canvas->NextFrame(0);
    UpdateControls();
}

void MyFrame::OnFirstFrame(wxCommandEvent&) {
    if (m_canvas == nullptr) return;
    m_canvas->FirstFrame();
    UpdateControls();
}

void MyFrame::OnLastFrame(wxCommandEvent&) {
    if (m_canvas == nullptr) return;
    m_canvas->LastFrame();
    UpdateControls();
}

void MyFrame::OnResetView(wxCommandEvent&) {
    if (m_canvas == nullptr) return;
    m_canvas->ResetView();
    m_canvas->Refresh(true);
    UpdateControls();
}

void MyFrame::OnSetFirstFrame(wxCommandEvent&) {
    if (m_canvas == nullptr || m_canvas->GetFrameCount() <= 1) return;
    m_canvas->SetFirstFrame(m_canvas->GetCurrentFrame());
    m_canvas->Refresh(false);
    SyncFrameSlider();
}

void MyFrame::OnSetLastFrame(wxCommandEvent&) {
    if (m_canvas == nullptr || m_canvas->GetFrameCount() <= 1) return;
    m_canvas->SetLastFrame(m_canvas->GetCurrentFrame());
    m_canvas->Refresh(false);
    SyncFrameSlider();
}

void MyFrame::OnResetFirstLast(wxCommandEvent&) {
    if (m_canvas == nullptr) return;
    const int frames = m_canvas->GetFrameCount();
    if (frames < 2) return;
    const int current = m_canvas->GetCurrentFrame();
    m_canvas->SetFirstFrame(0);
    m_canvas->SetLastFrame(frames - 1);
    m_canvas->GoToFrame(current, true);
    m_canvas->Refresh(false);
    SyncFrameSlider();
}

void MyFrame::OnScroll(wxScrollEvent& event) {
    switch (event.GetId()) {
    case kIdFrameSlider:
        if (m_canvas != nullptr) {
            // The frame chosen by hand is the frame shown: playback stops and says so.
            m_canvas->Stop();
            m_canvas->GoToFrame(m_frameSlider->GetValue(), true);
            UpdateControls();
        }
        break;
    case kIdSpeedSlider:
        if (m_speedText != nullptr && m_canvas != nullptr) {
            const double speed = SpeedFromSliderPosition(m_speedSlider->GetValue());
            m_speedText->SetValue(wxString::FromUTF8(SpeedText(speed)));
            m_canvas->SetSpeed(speed);
        }
        break;
    default:
        event.Skip();
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Keys

MyFrame::TextFocus MyFrame::FocusedText() const {
    const wxWindow* focus = wxWindow::FindFocus();
    if (focus == nullptr) return TextFocus::None;
    // dynamic_cast, not wxDynamicCast: the latter casts down before it checks the type.
    if (const auto* text = dynamic_cast<const wxTextCtrl*>(focus))
        return text->IsMultiLine() ? TextFocus::Pages : TextFocus::Line;
    // The grid's own rows and its editors (children of the grid).
    for (const wxWindow* w = focus; w != nullptr; w = w->GetParent())
        if (w == m_propertyGrid) return TextFocus::Pages;
    return TextFocus::None;
}

int MyFrame::MenuCommandForKey(int keyCode, int modifiers) const {
    if (m_menuBar == nullptr) return wxID_NONE;
    if (keyCode == WXK_SPACE && modifiers == wxMOD_NONE)
        return SpaceCommand(m_canvas != nullptr && m_canvas->IsPlaying());
    // The accelerators as the labels show them: the labels are the one table of the menu keys.
    for (size_t m = 0; m < m_menuBar->GetMenuCount(); ++m) {
        for (const wxMenuItem* item : m_menuBar->GetMenu(m)->GetMenuItems()) {
            const std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
            if (accel && accel->GetFlags() == modifiers &&
                AsciiUpper(accel->GetKeyCode()) == AsciiUpper(keyCode))
                return item->GetId();
        }
    }
    return wxID_NONE;
}

void MyFrame::OnCharHook(wxKeyEvent& event) {
    // Here before the focused control sees the key: a menu key does what its label says
    // wherever the focus is (the 3-D view, a slider, a button), except that a text box and the
    // property grid keep their editing keys.
    const int key = event.GetKeyCode();
    const int modifiers = event.GetModifiers();
    const TextFocus text = FocusedText();
    if (text != TextFocus::None && IsTextEditingKey(key, modifiers, text == TextFocus::Pages)) {
        event.Skip();
        return;
    }
    const int id = MenuCommandForKey(key, modifiers);
    if (id == wxID_NONE) {
        event.Skip();
        return;
    }
    // A command disabled now leaves the key to the control (the view's Home and End still jump
    // while playing, as the labels say); but Space plays only what the Play command may play.
    const bool playing = m_canvas != nullptr && m_canvas->IsPlaying();
    if (!IsAnimationCommandEnabled(id, HasPlayableMotion(), playing)) {
        if (key != WXK_SPACE) event.Skip();
        return;
    }
    wxCommandEvent command(wxEVT_MENU, id);
    command.SetEventObject(this);
    ProcessWindowEvent(command);
}

// ---------------------------------------------------------------------------------------------
// Window commands

bool MyFrame::IsFullScreen() const { return m_coversScreen || wxFrame::IsFullScreen(); }

void MyFrame::OnFullScreen(wxCommandEvent&) {
    if (!IsFullScreen()) {
        m_dockingManager.HideHint();
        m_dockingManager.GetPane(kSettingsPane).Hide();
        m_dockingManager.GetPane(kMessagePane).Hide();
        m_dockingManager.Update();
        m_wasMaximized = IsMaximized();
        if (WindowManagerOffersFullScreen()) {
            Maximize(true);
            SendSizeEvent();
            wxTheApp->Yield(true);
            ShowFullScreen(true, wxFULLSCREEN_NOBORDER | wxFULLSCREEN_NOCAPTION);
        } else {
            // Without a window manager nobody draws borders or keeps places: the window simply
            // covers the screen, through GTK, so that GTK knows where to put it back.
            m_placeBeforeFullScreen = GetRect();
            m_coversScreen = true;
            SetSize(0, 0, wxSystemSettings::GetMetric(wxSYS_SCREEN_X),
                    wxSystemSettings::GetMetric(wxSYS_SCREEN_Y));
        }
        if (m_canvas != nullptr) m_canvas->Refresh(true);
        return;
    }
    if (m_coversScreen) {
        m_coversScreen = false;
        SetSize(m_placeBeforeFullScreen);
    } else {
        ShowFullScreen(false, wxFULLSCREEN_NOBORDER | wxFULLSCREEN_NOCAPTION);
    }
    if (m_canvas != nullptr) m_canvas->Refresh(true);
    // The side panes come back whether or not the window had been maximized: nothing else would
    // ever show them again.
    m_dockingManager.GetPane(kSettingsPane).Show();
    m_dockingManager.GetPane(kMessagePane).Show();
    m_dockingManager.Update();
    if (!m_wasMaximized) Maximize(false);
    SendSizeEvent();
    wxTheApp->Yield(true);
}

void MyFrame::OnSaveImage(wxCommandEvent&) {
    if (m_canvas == nullptr) return;
    const wxString path = wxFileSelector("Save Image", wxString(), wxString(), wxString(),
                                         kSaveImageFilter, wxFD_SAVE | wxFD_OVERWRITE_PROMPT, this);
    // A failed save, of any format, has logged its path and cause for the error dialog already.
    if (!path.empty()) m_canvas->SaveImage(path, false, false);
}

void MyFrame::OnAbout(wxCommandEvent&) {
    wxMessageBox(wxString(_("Simple 3D animation Viewer\n")) + kVersionText, "Message",
                 wxOK | wxCENTRE);
}

void MyFrame::OnQuit(wxCommandEvent&) { Close(true); }

void MyFrame::OnClose(wxCloseEvent&) {
    if (m_canvas != nullptr && m_canvas->ShouldStopOnClose()) m_canvas->Stop();
    Destroy();
}

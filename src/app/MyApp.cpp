#include "app/MyApp.h"

#include <csignal>
#include <iostream>
#include <memory>
#include <string>

#include <wx/cmdline.h>
#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/weakref.h>

#include "app/FrameIds.h"
#include "app/ModalDialogTracker.h"
#include "app/MyFrame.h"
#include "app/SettingsStore.h"
#include "view/myGLCanvas.h"

namespace {

const wxCmdLineEntryDesc kCommandLine[] = {
    {wxCMD_LINE_PARAM, nullptr, nullptr, "input files", wxCMD_LINE_VAL_STRING,
     wxCMD_LINE_PARAM_OPTIONAL | wxCMD_LINE_PARAM_MULTIPLE},
    {wxCMD_LINE_NONE, nullptr, nullptr, nullptr, wxCMD_LINE_VAL_NONE, 0},
};

// Runs from the event loop (the toolkit defers it there), never inside the signal itself.
void OnTerminateSignal(int) {
    if (auto* app = dynamic_cast<MyApp*>(wxTheApp)) app->RequestShutdown();
}

// A command-line path made absolute against the working directory at start-up, so that the title
// and the recent files name the file wherever the program runs next. "" stays "".
wxString AbsolutePath(const wxString& path) {
    if (path.empty()) return path;
    wxFileName name(path);
    name.MakeAbsolute();
    return name.GetFullPath();
}

}  // namespace

MyApp* MyApp::Create() {
    wxAppConsole::CheckBuildOptions(WX_BUILD_OPTIONS_SIGNATURE, "Dezozuza");
    return new MyApp;
}

void MyApp::OnInitCmdLine(wxCmdLineParser& parser) {
    wxApp::OnInitCmdLine(parser);
    parser.AddParam("input files", wxCMD_LINE_VAL_STRING,
                    wxCMD_LINE_PARAM_OPTIONAL | wxCMD_LINE_PARAM_MULTIPLE);
}

bool MyApp::OnInit() {
    if (!wxApp::OnInit()) return false;

    wxInitAllImageHandlers();

    bool localeSet = false;
    {
        wxLogNull quiet;  // our own message below says it
        localeSet = m_locale.Init(wxLANGUAGE_DEFAULT, wxLOCALE_LOAD_DEFAULT);
    }
    if (!localeSet) std::cout << "This language is not supported by the system.\n";
    wxLocale::AddCatalogLookupPathPrefix(".");
    m_locale.AddCatalog(kAppName);

    SetVendorName(kVendorName);
    SetAppName(kAppName);
    m_settingsPath = wxFileConfig::GetLocalFileName(kAppName);
    wxString settingsNote;
    std::unique_ptr<wxFileConfig> store = OpenSettingsStore(m_settingsPath, &settingsNote, &m_settingsKept);
    store->SetRecordDefaults(true);
    delete wxConfigBase::Set(store.release());

    ModalDialogTracker::Get().Register();
    SetSignalHandler(SIGTERM, OnTerminateSignal);

    // Weak: whatever runs during the yields below must not leave this function a dangling frame.
    wxWeakRef<MyFrame> frame =
        new MyFrame(&m_locale, "3D Dezozuza", wxDefaultPosition, wxSize(950, 800));
    SetTopWindow(frame);
    frame->Show(true);
    // The Log pane exists now.
    if (!settingsNote.empty()) std::cout << settingsNote.utf8_string() << std::endl;
    wxSafeYield();
    // GTK gave the focus to the first control that takes it (a toolbar button); the view's keys
    // must work at first sight, with or without a recording named.
    if (frame) frame->FocusView();

    wxCmdLineParser parser(kCommandLine, argc, argv);
    if (parser.Parse(true) != 0) {
        if (frame && frame->GetCanvas() != nullptr)
            frame->GetCanvas()->LoadShapeAndMotion(wxString(), false);
    } else {
        for (size_t i = 0; i < parser.GetParamCount() && frame; ++i)
            if (frame->OpenFile(AbsolutePath(parser.GetParam(i)))) break;
    }
    if (!frame) return false;
    if (frame->GetCanvas() != nullptr) frame->GetCanvas()->Refresh(true);

    m_started = true;
    if (m_shutdownRequested) RequestShutdown();
    return true;
}

int MyApp::OnExit() {
    SetSignalHandler(SIGTERM, SIG_DFL);
    ModalDialogTracker::Get().Unregister();
    // Written here, never by the store's destructor: a failure is reported on standard error and
    // standard output, not in a dialog that would block the exit.
    std::unique_ptr<wxConfigBase> config(wxConfigBase::Set(nullptr));
    if (auto* store = dynamic_cast<wxFileConfig*>(config.get()); store && !m_settingsPath.empty()) {
        std::string text;
        if (!m_settingsKept.empty()) {
            // What the file holds may be all the user has; a passing failure must not cost it.
            text = "The settings were not saved: the settings file " + m_settingsPath.utf8_string() + " " +
                   m_settingsKept.utf8_string() + ", so it was left as it is.";
        } else if (std::string error; !WriteSettingsStore(*store, m_settingsPath, &error)) {
            text = "The settings could not be saved: " + error;
        }
        if (!text.empty()) {
            std::cerr << text << std::endl;
            std::cout << text << std::endl;
        }
    }
    wxApp::OnExit();
    return 0;
}

MyFrame* MyApp::GetFrame() const { return dynamic_cast<MyFrame*>(GetTopWindow()); }

void MyApp::RequestShutdown() {
    // Before start-up is over (a signal can arrive while a file loads) the window is only closed
    // once OnInit is done with it.
    if (!m_started) {
        m_shutdownRequested = true;
        return;
    }
    // A modal dialog runs its own loop; the main window can only close once it has ended. Any
    // dialog still to come (a message the log shows at idle time) is refused.
    ModalDialogTracker& dialogs = ModalDialogTracker::Get();
    dialogs.RefuseNew();
    dialogs.CancelAll();
    CallAfter([this] {
        ModalDialogTracker::Get().CancelAll();
        if (MyFrame* frame = GetFrame()) frame->Close(false);
    });
}

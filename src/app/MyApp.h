#pragma once
// The application object: translation, the configuration store, the main window, the files named
// on the command line, and an orderly shut-down on SIGTERM.
#include <wx/app.h>
#include <wx/intl.h>
#include <wx/string.h>

class MyFrame;
class wxCmdLineParser;

class MyApp : public wxApp {
public:
    // A new application object, after checking that the toolkit library matches the build options
    // this program was compiled with (the toolkit's own start code does the same).
    static MyApp* Create();

    MyApp() = default;
    ~MyApp() override = default;

    bool OnInit() override;
    int OnExit() override;
    // The toolkit's own command-line handling accepts the "input files" too, so that it does not
    // refuse the paths before the program reads them.
    void OnInitCmdLine(wxCmdLineParser& parser) override;

    // The main window while it exists, else null.
    MyFrame* GetFrame() const;

    // Closes the main window as its close box does, after cancelling any modal dialog that would
    // keep the event loop from getting there. SIGTERM ends here.
    void RequestShutdown();

private:
    wxLocale m_locale;
    // OnInit has finished; a shut-down asked for before then waits for it.
    bool m_started = false;
    bool m_shutdownRequested = false;
    // The settings file (~/.Dezozuza), written at exit.
    wxString m_settingsPath;
    // Why the settings file is left as it is at exit (it could not be read at start, or was damaged
    // and could not be set aside), "" when it is written.
    wxString m_settingsKept;
};

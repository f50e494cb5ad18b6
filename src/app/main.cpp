// The program's entry: the toolkit runs MyApp.
#include <wx/app.h>
#include <wx/debug.h>
#include <wx/log.h>

#include "app/MyApp.h"

int main(int argc, char* argv[]) {
    // A failed toolkit assertion in the shipped program is not worth a dialog or a stop; the
    // tests install a handler that makes each one a failure.
    wxSetAssertHandler(nullptr);
    // Debug and trace messages stay out of the user's way.
    wxLog::SetLogLevel(wxLOG_Info);
    wxApp::SetInstance(MyApp::Create());
    return wxEntry(argc, argv);
}

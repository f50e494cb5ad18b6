// The program's entry: the toolkit runs MyApp.
#include <wx/app.h>
#include <wx/debug.h>
#include <wx/log.h>

#include <string>
#include <vector>

#include "app/MyApp.h"
#include "objects/FileNameText.h"

int main(int argc, char* argv[]) {
    // A failed toolkit assertion in the shipped program is not worth a dialog or a stop; the
    // tests install a handler that makes each one a failure.
    wxSetAssertHandler(nullptr);
    // Debug and trace messages stay out of the user's way.
    wxLog::SetLogLevel(wxLOG_Info);
    wxApp::SetInstance(MyApp::Create());
    // The toolkit drops arguments that are not valid UTF-8; file names can be any bytes, so each
    // argument reaches it as text that still leads back to its bytes.
    std::vector<std::string> texts;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) texts.push_back(FileNameFromBytes(argv[i]).utf8_string());
    for (std::string& text : texts) args.push_back(text.data());
    args.push_back(nullptr);
    return wxEntry(argc, args.data());
}

#include "gl/ReadConfigDouble.h"

#include <string>

#include <wx/confbase.h>
#include <wx/string.h>

#include "platform/NumberText.h"

double ReadConfigDouble(wxConfigBase* config, const wxString& key, double defaultValue) {
    if (config == nullptr) return 0.0;
    wxString text;
    config->Read(key, &text, wxString());
    // A value written under a decimal-comma locale by a locale-dependent writer carries the
    // locale's separator; map it to "." and parse without the locale.
    std::string number = text.utf8_string();
    const char separator = dez::LocaleDecimalSeparator();
    if (separator != '.') {
        for (char& c : number)
            if (c == separator) c = '.';
    }
    double value = 0.0;
    return dez::ParseDouble(number, value) ? value : defaultValue;
}

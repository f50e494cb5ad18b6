#include "gl/ReadConfigDouble.h"

#include <algorithm>
#include <cmath>
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

double ReadConfigDoubleIn(wxConfigBase* config, const wxString& key, double current, double low, double high) {
    if (config == nullptr) return current;
    const double value = ReadConfigDouble(config, key, current);
    if (!std::isfinite(value)) return current;
    return std::clamp(value, low, high);
}

long ReadConfigLongIn(wxConfigBase* config, const wxString& key, long current, long low, long high) {
    if (config == nullptr) return current;
    long value = current;
    if (!config->Read(key, &value, current)) return current;
    return std::clamp(value, low, high);
}

#pragma once
// The program's settings file (~/.Dezozuza): opened so that a damaged file costs the user nothing
// but its values, and written so that a failure at exit never blocks the exit nor leaves debris.
#include <memory>
#include <string>

#include <wx/string.h>

class wxFileConfig;

// The store read from `path`. A file the store cannot parse is set aside (renamed to
// "<path>.damaged", replacing an older one) and the store starts from the defaults; a path that is
// not a readable regular file also starts from the defaults. `note` then says what happened (for
// the Log), else it is emptied. The store never writes by itself: WriteSettingsStore does.
std::unique_ptr<wxFileConfig> OpenSettingsStore(const wxString& path, wxString* note);

// Writes the store to `path` through a temporary file renamed over it. On failure: false, the old
// file untouched, no temporary file left, and `error` says why. No dialog is ever shown.
bool WriteSettingsStore(wxFileConfig& config, const wxString& path, std::string* error);

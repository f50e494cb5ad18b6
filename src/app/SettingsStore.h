#pragma once
// The program's settings file (~/.Dezozuza): opened so that a damaged file costs the user nothing
// but its values, and one that cannot be read costs nothing at all; written so that a failure at
// exit never blocks the exit nor leaves debris.
#include <memory>
#include <string>

#include <wx/string.h>

class wxFileConfig;

// The store read from `path`, which is read once. The store starts from the defaults when
//  - there is no file (silently);
//  - a character device stands in its place (the settings linked to /dev/null to discard them:
//    it is never read, silently, and WriteSettingsStore writes through it);
//  - the store cannot parse the file: it is set aside under the first free name of
//    "<path>.damaged", "<path>.damaged.2", "<path>.damaged.3"... (never over an earlier one);
//  - the file exists but cannot be read (no permission, too many open files, changed while it was
//    read, no memory, a directory, a FIFO...), or is damaged and cannot be set aside.
// In the last case `kept` gets why, as a clause that follows the file's name ("cannot be read
// (Permission denied)"): the file must be left as it is at exit, so that what it holds outlives a
// passing failure. Otherwise `kept` is emptied. `note` says what happened, for the Log, or is
// emptied. The store never writes by itself: WriteSettingsStore does.
std::unique_ptr<wxFileConfig> OpenSettingsStore(const wxString& path, wxString* note, wxString* kept);

// Writes the store to `path` through a temporary file renamed over it (a character device is
// written through). On failure: false, the old file untouched, no temporary file left, and `error`
// says why. No dialog is ever shown.
bool WriteSettingsStore(wxFileConfig& config, const wxString& path, std::string* error);

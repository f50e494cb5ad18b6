#include "app/SettingsStore.h"

#include <cstdio>
#include <vector>

#include <wx/fileconf.h>
#include <wx/log.h>
#include <wx/sstream.h>

#include "platform/GuardedRead.h"
#include "platform/Paths.h"
#include "platform/SafeWriter.h"

namespace {

// Collects what the store reports while it parses, instead of letting the toolkit show it in a
// dialog at every start.
class ParseReports : public wxLog {
public:
    bool damaged = false;

protected:
    void DoLogRecord(wxLogLevel level, const wxString&, const wxLogRecordInfo&) override {
        if (level <= wxLOG_Error) damaged = true;
    }
};

std::unique_ptr<wxFileConfig> Defaults() {
    wxStringInputStream empty{wxString()};
    return std::make_unique<wxFileConfig>(empty);
}

// Lines the store would stumble on: an entry without '=' or without a name (the toolkit asserts on
// those), a group header without its ']'. Blank lines and ';' or '#' comments are fine.
bool HasMalformedLine(const std::vector<uint8_t>& bytes) {
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = start;
        while (end < bytes.size() && bytes[end] != '\n') ++end;
        size_t a = start, b = end;
        while (a < b && (bytes[a] == ' ' || bytes[a] == '\t' || bytes[a] == '\r')) ++a;
        while (b > a && (bytes[b - 1] == ' ' || bytes[b - 1] == '\t' || bytes[b - 1] == '\r')) --b;
        start = end + 1;
        if (a == b || bytes[a] == ';' || bytes[a] == '#') continue;
        if (bytes[a] == '[') {
            bool closed = false;
            for (size_t i = a + 1; i < b && !closed; ++i) closed = bytes[i] == ']';
            if (!closed) return true;
            continue;
        }
        size_t equals = a;
        while (equals < b && bytes[equals] != '=') ++equals;
        if (equals == b) return true;
        size_t nameEnd = equals;
        while (nameEnd > a && (bytes[nameEnd - 1] == ' ' || bytes[nameEnd - 1] == '\t')) --nameEnd;
        if (nameEnd == a) return true;
    }
    return false;
}

// The store read from the file; null when the file is damaged (*damaged) or cannot be read (the
// reason in *unread: a file that cannot be read now is not damaged, and is left as it is).
std::unique_ptr<wxFileConfig> Parse(const wxString& path, bool* damaged, std::string* unread) {
    std::vector<uint8_t> bytes;
    if (!dez::ReadWholeFile(path.utf8_string(), bytes, unread)) return nullptr;
    if (HasMalformedLine(bytes)) {
        *damaged = true;
        return nullptr;
    }
    ParseReports reports;
    wxLog* previous = wxLog::SetActiveTarget(&reports);
    auto config = std::make_unique<wxFileConfig>(wxEmptyString, wxEmptyString, path, wxEmptyString,
                                                 wxCONFIG_USE_LOCAL_FILE);
    wxLog::SetActiveTarget(previous);
    *damaged = reports.damaged;
    return config;
}

}  // namespace

std::unique_ptr<wxFileConfig> OpenSettingsStore(const wxString& path, wxString* note) {
    if (note) note->clear();
    const std::string file = path.utf8_string();
    std::unique_ptr<wxFileConfig> config;
    if (dez::FileExists(file) && dez::FileSize(file) >= 0) {
        bool damaged = false;
        std::string unread;
        config = Parse(path, &damaged, &unread);
        if (!config && !damaged) {
            config = Defaults();
            if (note)
                *note = "The settings file " + path + " cannot be read (" + wxString::FromUTF8(unread.c_str()) +
                        "); the settings start from their defaults.";
        } else if (damaged) {
            const std::string aside = file + ".damaged";
            const bool moved = std::rename(file.c_str(), aside.c_str()) == 0;
            config = Defaults();
            if (note) {
                *note = "The settings file " + path + " could not be read; " +
                        (moved ? "it was set aside as " + wxString::FromUTF8(aside.c_str()) : wxString("it was left as it is")) +
                        " and the settings start from their defaults.";
            }
        }
    } else {
        const std::string reason = dez::UnreadableReason(file);
        config = Defaults();
        if (note && reason != "No such file or directory")
            *note = "The settings file " + path + " cannot be read (" + wxString::FromUTF8(reason.c_str()) +
                    "); the settings start from their defaults.";
    }
    // Saving is ours: the toolkit's own save at destruction would report failures in a dialog.
    config->DisableAutoSave();
    return config;
}

bool WriteSettingsStore(wxFileConfig& config, const wxString& path, std::string* error) {
    wxStringOutputStream text;
    if (!config.Save(text)) {
        if (error) *error = "Cannot write the settings";
        return false;
    }
    const std::string bytes = text.GetString().utf8_string();
    return dez::WriteFileAtomically(path.utf8_string(), bytes.data(), bytes.size(), error);
}

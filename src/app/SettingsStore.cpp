#include "app/SettingsStore.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <wx/fileconf.h>
#include <wx/log.h>

#include "gl/ConfigFile.h"
#include "platform/FileDescriptor.h"
#include "platform/GuardedRead.h"

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

std::unique_ptr<wxFileConfig> Defaults() { return ConfigFromBytes(nullptr, 0); }

// Lines the store would stumble on: an entry without '=' or without a name (the toolkit asserts on
// those), a group header without its ']'. Blank lines and ';' or '#' comments are fine.
bool HasMalformedLine(const std::vector<uint8_t>& bytes) {
    // A UTF-8 byte order mark (an editor's) is no part of the first line.
    size_t start = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
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

// The store the bytes hold; null when they are damaged.
std::unique_ptr<wxFileConfig> Parse(const std::vector<uint8_t>& bytes) {
    if (HasMalformedLine(bytes)) return nullptr;
    if (bytes.empty()) return Defaults();
    ParseReports reports;
    wxLog* previous = wxLog::SetActiveTarget(&reports);
    auto config = ConfigFromBytes(bytes.data(), bytes.size());
    wxLog::SetActiveTarget(previous);
    if (reports.damaged) return nullptr;
    return config;
}

// The cause in a failed read's message, without the step and the path the note names already.
std::string CauseOf(const std::string& error, const std::string& path) {
    const std::string quoted = "'" + path + "': ";
    const size_t at = error.find(quoted);
    if (at != std::string::npos) return error.substr(at + quoted.size());
    if (error.rfind(path + " ", 0) == 0) return error.substr(path.size() + 1);
    return error.empty() ? std::string("unknown cause") : error;
}

// Renames `from` to `to` unless `to` exists (EEXIST then); false with errno set.
bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    // The file system cannot be asked not to replace in a rename; a new name made by link() never
    // replaces one.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    if (::unlink(from.c_str()) != 0) {
        const int err = errno;
        ::unlink(to.c_str());
        errno = err;
        return false;
    }
    return true;
}

// Moves a damaged file to the first free name of "<file>.damaged", "<file>.damaged.2", ...: an
// earlier set-aside may be all that is left of the user's settings. The name used, or "" with
// the cause in *why.
std::string SetAside(const std::string& file, std::string* why) {
    constexpr int kMostSetAsides = 1000;
    for (int n = 1; n <= kMostSetAsides; ++n) {
        const std::string aside = file + ".damaged" + (n == 1 ? std::string() : "." + std::to_string(n));
        if (RenameWithoutReplacing(file, aside)) return aside;
        if (errno != EEXIST) {
            *why = std::strerror(errno);
            return std::string();
        }
    }
    *why = "every name up to " + file + ".damaged." + std::to_string(kMostSetAsides) + " is taken";
    return std::string();
}

}  // namespace

std::unique_ptr<wxFileConfig> OpenSettingsStore(const wxString& path, wxString* note, wxString* kept) {
    if (note) note->clear();
    if (kept) kept->clear();
    const std::string file = path.utf8_string();
    std::unique_ptr<wxFileConfig> config;
    std::string unread;  // why the file is left as it is, "" when it may be written at exit
    struct stat st;
    if (::stat(file.c_str(), &st) != 0) {
        if (errno != ENOENT) unread = std::string("cannot be read (") + std::strerror(errno) + ")";
    } else if (S_ISCHR(st.st_mode)) {
        // The settings linked to /dev/null to discard them: nothing to read (a device may block or
        // answer for ever), and the write at exit goes through to it.
    } else if (!S_ISREG(st.st_mode)) {
        // A folder is said as the system says it; any other node by what it is.
        unread = std::string("cannot be read (") +
                 (S_ISDIR(st.st_mode) ? std::strerror(EISDIR)
                                      : "it is " + std::string(dez::NodeKind(st.st_mode)) + ", not a regular file") +
                 ")";
    } else {
        std::vector<uint8_t> bytes;
        std::string error;
        if (!dez::ReadWholeFile(file, bytes, &error)) {
            // Removed meanwhile: as if it had never been there.
            if (::stat(file.c_str(), &st) == 0 || errno != ENOENT)
                unread = "cannot be read (" + CauseOf(error, file) + ")";
        } else {
            config = Parse(bytes);
            if (!config) {
                std::string why;
                const std::string aside = SetAside(file, &why);
                if (aside.empty()) {
                    unread = "is damaged and could not be set aside (" + why + ")";
                } else if (note) {
                    *note = "The settings file " + path + " is damaged; it was set aside as " +
                            wxString::FromUTF8(aside.c_str()) + " and the settings start from their defaults.";
                }
            }
        }
    }
    if (!unread.empty()) {
        if (kept) *kept = wxString::FromUTF8(unread.c_str());
        if (note)
            *note = "The settings file " + path + " " + wxString::FromUTF8(unread.c_str()) +
                    "; the settings start from their defaults and this run's settings will not be kept.";
    }
    if (!config) config = Defaults();
    // Saving is ours: the toolkit's own save at destruction would report failures in a dialog.
    config->DisableAutoSave();
    return config;
}

bool WriteSettingsStore(wxFileConfig& config, const wxString& path, std::string* error) {
    return WriteConfigFile(config, path.utf8_string(), error);
}

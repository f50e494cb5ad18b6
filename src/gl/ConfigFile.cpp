#include "gl/ConfigFile.h"

#include <cerrno>
#include <sys/stat.h>
#include <vector>

#include <wx/fileconf.h>
#include <wx/mstream.h>
#include <wx/sstream.h>

#include "platform/GuardedRead.h"
#include "platform/SafeWriter.h"

std::unique_ptr<wxFileConfig> ConfigFromBytes(const void* data, size_t size) {
    if (size == 0) {
        wxStringInputStream empty{wxString()};
        return std::make_unique<wxFileConfig>(empty);
    }
    wxMemoryInputStream in(data, size);
    return std::make_unique<wxFileConfig>(in);
}

std::unique_ptr<wxFileConfig> ReadConfigFile(const std::string& path, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!dez::ReadWholeFile(path, bytes, error)) {
        // No file yet (or a link to none, which a save creates) is no failure: its store starts
        // empty.
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return ConfigFromBytes(nullptr, 0);
        return nullptr;
    }
    return ConfigFromBytes(bytes.data(), bytes.size());
}

bool WriteConfigFile(wxFileConfig& config, const std::string& path, std::string* error) {
    wxStringOutputStream text;
    if (!config.Save(text)) {
        if (error) *error = "Cannot write the entries for '" + path + "'";
        return false;
    }
    const std::string bytes = text.GetString().utf8_string();
    return dez::WriteFileAtomically(path, bytes.data(), bytes.size(), error);
}

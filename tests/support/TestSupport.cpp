#include "support/TestSupport.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "dez-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

TempDir::~TempDir() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string SamplesDir() { return DEZ_SAMPLES_DIR; }

std::string SampleFile(const std::string& relative) {
    const std::string path = SamplesDir() + "/" + relative;
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) return path;
    // The samples belong to the project: a missing one is a broken checkout, never a reason to skip.
    ADD_FAILURE() << "sample file missing: " << path;
    return {};
}

CommaLocale::CommaLocale() {
    const std::string built = std::string(DEZ_BUILD_DIR) + "/locale";
    std::error_code ec;
    if (fs::is_directory(built, ec)) setenv("LOCPATH", built.c_str(), 1);
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr && std::localeconv()->decimal_point[0] == ',') {
            try {
                std::locale::global(std::locale(name));
            } catch (...) {
                // The C locale alone is enough for the C library's conversions.
            }
            ok_ = true;
            return;
        }
    }
    std::setlocale(LC_ALL, "C");
}

CommaLocale::~CommaLocale() {
    std::setlocale(LC_ALL, "C");
    std::locale::global(std::locale::classic());
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::vector<std::string> NamesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool CopySamples(const TempDir& dir, const std::string& folder, const std::vector<std::string>& names) {
    for (const std::string& entry : names) {
        const size_t arrow = entry.find('>');
        const std::string from = entry.substr(0, arrow);
        const std::string to = arrow == std::string::npos ? from : entry.substr(arrow + 1);
        const std::string src = SampleFile(folder + "/" + from);
        if (src.empty()) return false;
        if (!WriteFileBytes(dir.file(to), ReadFileBytes(src))) {
            ADD_FAILURE() << "cannot copy sample " << src << " to " << dir.file(to);
            return false;
        }
    }
    return true;
}

std::string WithCrlf(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

bool MakeSocket(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

}  // namespace testsupport

// glibc keeps its copy of the LOCPATH list for the life of the process once a locale is loaded
// through it; that is not ours to free.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
    return "leak:__argz_add_sep\n";
}

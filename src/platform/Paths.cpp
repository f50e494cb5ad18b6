#include "platform/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace dez {

namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

size_t LastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Names of the regular files in a folder (symbolic links followed), in no particular order.
std::vector<std::string> RegularFilesIn(const std::string& folder) {
    const std::string dir = folder.empty() ? std::string(".") : folder;
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> d(::opendir(dir.c_str()));
    if (!d) return names;
    while (const dirent* entry = ::readdir(d.get())) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) regular = IsRegularFile(JoinPath(dir, name));
        if (regular) names.emplace_back(name);
    }
    return names;
}

bool MatchFrom(const std::string& p, size_t pn, const std::string& s) {
    // Iterative matching with one backtrack point: the latest '*' absorbs one more character
    // whenever the rest fails, which is linear in practice and never recurses.
    size_t pi = 0;
    size_t si = 0;
    size_t star = std::string::npos;
    size_t mark = 0;
    while (si < s.size()) {
        if (pi < pn && p[pi] == '*') {
            star = pi++;
            mark = si;
        } else if (pi < pn && (p[pi] == '?' || ToLowerAscii(p[pi]) == ToLowerAscii(s[si]))) {
            ++pi;
            ++si;
        } else if (star != std::string::npos) {
            pi = star + 1;
            si = ++mark;
        } else {
            return false;
        }
    }
    while (pi < pn && p[pi] == '*') ++pi;
    return pi == pn;
}

}  // namespace

std::string FolderOf(const std::string& path) {
    const size_t sep = LastSeparator(path);
    if (sep == std::string::npos) return {};
    size_t end = sep;
    while (end > 0 && IsSeparator(path[end - 1])) --end;
    if (end == 0) return path.substr(0, 1);
    return path.substr(0, end);
}

std::string NameOf(const std::string& path) {
    const size_t sep = LastSeparator(path);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string ExtensionOf(const std::string& path) {
    const std::string name = NameOf(path);
    if (name == "." || name == "..") return {};
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return {};
    return name.substr(dot);
}

std::string StemOf(const std::string& path) {
    const std::string name = NameOf(path);
    return name.substr(0, name.size() - ExtensionOf(name).size());
}

std::string ReplaceExtension(const std::string& path, const std::string& ext) {
    std::string base = path.substr(0, path.size() - ExtensionOf(path).size());
    if (ext.empty()) return base;
    if (ext[0] != '.') base += '.';
    return base + ext;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (name.empty()) return folder;
    if (name[0] == '/') return name;
    if (IsSeparator(folder.back())) return folder + name;
    return folder + "/" + name;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) &&
           ::access(path.c_str(), R_OK) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string UnreadableReason(const std::string& path) {
    if (path.empty()) return "no file name";
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return std::strerror(EISDIR);
    if (!S_ISREG(st.st_mode)) return "not a regular file";
    if (::access(path.c_str(), R_OK) != 0) return std::strerror(errno);
    if (st.st_size == 0) return "empty file";
    return "";
}

long long FileSize(const std::string& path) {
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<long long>(st.st_size);
}

std::string CurrentDirectory() {
    std::vector<char> buf(512);
    for (;;) {
        if (::getcwd(buf.data(), buf.size()) != nullptr) return std::string(buf.data());
        if (errno != ERANGE || buf.size() > (1u << 20)) return {};
        buf.resize(buf.size() * 2);
    }
}

std::string AbsolutePath(const std::string& path) {
    if (path.empty()) return {};
    std::string full = path;
    if (path[0] != '/') {
        const std::string cwd = CurrentDirectory();
        if (cwd.empty()) return {};
        full = cwd + "/" + path;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= full.size()) {
        size_t end = full.find('/', start);
        if (end == std::string::npos) end = full.size();
        const std::string part = full.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();  // ".." of the root is the root
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += "/" + part;
    return result.empty() ? std::string("/") : result;
}

std::string TempDirectory() {
    const char* env = std::getenv("TMPDIR");
    if (env != nullptr && IsDirectory(env)) return env;
    return "/tmp";
}

std::string FindCompanionFile(const std::string& folder, const std::string& name) {
    if (name.empty()) return {};
    const std::string exact = JoinPath(folder, name);
    if (IsRegularFile(exact)) return exact;
    std::vector<std::string> names = RegularFilesIn(folder);
    std::sort(names.begin(), names.end());
    for (const std::string& candidate : names) {
        if (EqualsNoCase(candidate, name)) return JoinPath(folder, candidate);
    }
    return {};
}

std::string FindCompanionFile(const std::string& path) {
    return FindCompanionFile(FolderOf(path), NameOf(path));
}

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    if (MatchFrom(pattern, pattern.size(), name)) return true;
    // Windows lets a final ".*" match the end of the name, so "*.*" and "data.*" match "data".
    const size_t n = pattern.size();
    return n >= 2 && pattern[n - 2] == '.' && pattern[n - 1] == '*' &&
           name.find('.') == std::string::npos && MatchFrom(pattern, n - 2, name);
}

std::vector<std::string> ListMatchingFiles(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names = RegularFilesIn(folder);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [&](const std::string& n) { return !WildcardMatch(pattern, n); }),
                names.end());
    std::sort(names.begin(), names.end());
    return names;
}

bool FindFirstMatchingFile(const std::string& pattern, std::string& outName) {
    const std::string name = NameOf(pattern);
    if (name.empty()) return false;
    const std::vector<std::string> found = ListMatchingFiles(FolderOf(pattern), name);
    if (found.empty()) return false;
    outName = found.front();
    return true;
}

bool FindFirstMatchingFile(const char* pattern, char* outName, size_t outSize) {
    if (outName == nullptr || outSize == 0) return false;
    outName[0] = '\0';
    if (pattern == nullptr) return false;
    std::string found;
    if (!FindFirstMatchingFile(std::string(pattern), found) || found.size() >= outSize) return false;
    std::memcpy(outName, found.c_str(), found.size() + 1);
    return true;
}

ScopedWorkingDirectory::ScopedWorkingDirectory(const std::string& folder) {
    if (folder.empty()) {
        ok_ = true;
        return;
    }
    previous_ = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // O_PATH needs no read permission on the folder and still serves fchdir.
    if (previous_ < 0) previous_ = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    // Without a way back, do not leave at all.
    if (previous_ < 0) return;
    changed_ = ok_ = ::chdir(folder.c_str()) == 0;
}

ScopedWorkingDirectory::~ScopedWorkingDirectory() {
    if (changed_ && ::fchdir(previous_) != 0) {
        // Nothing sensible is left to do in a destructor; the folder was held open, so this
        // only happens when it was deleted.
    }
    if (previous_ >= 0) ::close(previous_);
}

std::string MakeTempFile(const std::string& folder, const std::string& prefix, const std::string& suffix) {
    const std::string dir = folder.empty() ? TempDirectory() : folder;
    std::string path = JoinPath(dir, prefix + "XXXXXX" + suffix);
    const int fd = ::mkostemps(path.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) return {};
    ::close(fd);
    return path;
}

bool RemoveFile(const std::string& path) {
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

}  // namespace dez

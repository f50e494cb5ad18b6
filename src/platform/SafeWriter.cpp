#include "platform/SafeWriter.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/FileDescriptor.h"
#include "platform/InPlaceRewrite.h"
#include "platform/Paths.h"

namespace dez {

namespace {

// The process umask, read without changing it (umask() can only be queried by setting it,
// which would race with other threads creating files).
mode_t CurrentUmask() {
    std::FILE* f = std::fopen("/proc/self/status", "re");
    mode_t mask = 022;
    if (f == nullptr) return mask;
    char line[256];
    while (std::fgets(line, sizeof line, f) != nullptr) {
        unsigned int value = 0;
        if (std::sscanf(line, "Umask: %o", &value) == 1) {
            mask = static_cast<mode_t>(value & 0777);
            break;
        }
    }
    std::fclose(f);
    return mask;
}

// The file a chain of symbolic links ends at (the path itself when it is no link). A dangling
// link gives the path it names, so that saving creates the file the link points to. A chain that
// never ends (a loop) or a link that cannot be read gives false with errno set: replacing the
// link itself would break it.
bool LinkTarget(const std::string& path, std::string& target) {
    std::string current = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            target = current;
            return true;
        }
        std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (n < 0) return false;
        if (static_cast<size_t>(n) >= buffer.size()) {
            errno = ENAMETOOLONG;
            return false;
        }
        const std::string link(buffer.data(), static_cast<size_t>(n));
        const size_t slash = current.rfind('/');
        current = link[0] == '/' || slash == std::string::npos ? link : current.substr(0, slash + 1) + link;
    }
    errno = ELOOP;
    return false;
}

// Writes the bytes through a character device (a discard such as /dev/null takes them all). Not
// waiting: a device that would block (a terminal nobody reads) fails with its reason instead.
bool WriteThroughDevice(const std::string& path, const uint8_t* p, size_t n, std::string* error) {
    struct stat st;
    FdGuard fd(OpenAndQuery(path, O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, st, error));
    if (fd.get() < 0) return false;
    if (!S_ISCHR(st.st_mode)) {
        if (error) *error = "Cannot write '" + path + "': it was replaced meanwhile by " + NodeKind(st.st_mode);
        return false;
    }
    while (n > 0) {
        const ssize_t written = ::write(fd.get(), p, n);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            SetErrnoText(error, "Cannot write", path, written < 0 ? errno : EIO);
            return false;
        }
        p += written;
        n -= static_cast<size_t>(written);
    }
    if (fd.Close() != 0) {
        SetErrnoText(error, "Cannot close", path, errno);
        return false;
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& requested, const void* data, size_t size, std::string* error) {
    if (requested.empty()) {
        SetErrnoText(error, "Cannot write", requested, ENOENT);
        return false;
    }
    if (data == nullptr && size > 0) {
        SetErrnoText(error, "Cannot write", requested, EINVAL);
        return false;
    }
    // A symbolic link stays a link: the file it points to is the one replaced.
    std::string path;
    if (!LinkTarget(requested, path)) {
        SetErrnoText(error, "Cannot follow the links of", requested, errno);
        return false;
    }
    // Only '/' separates here: the target is a real POSIX path, not a name from a recording.
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        SetErrnoText(error, "Cannot write", path, EISDIR);
        return false;
    }

    mode_t mode = 0644 & ~CurrentUmask();
    bool regular = false;
    bool linked = false;
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            SetErrnoText(error, "Cannot write", path, EISDIR);
            return false;
        }
        // A rename over a device node would replace the node itself (as root, /dev/null for
        // all): a character device takes the bytes, anything else is left alone.
        if (S_ISCHR(existing.st_mode)) return WriteThroughDevice(path, static_cast<const uint8_t*>(data), size, error);
        if (!S_ISREG(existing.st_mode)) {
            if (error) *error = "Cannot replace '" + path + "': it is " + NodeKind(existing.st_mode) + ", not a regular file";
            return false;
        }
        // A file nobody may write (or this user may not) is not replaced behind its owner's back,
        // even by a user the system would let do it.
        if ((existing.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0) {
            SetErrnoText(error, "Cannot replace", path, EACCES);
            return false;
        }
        mode = existing.st_mode & 07777;
        regular = true;
        // A rename would split a hard link: such a file is rewritten in place.
        linked = existing.st_nlink > 1;
    }

    // Hidden, next to the target (rename only works within one file system), short enough for
    // NAME_MAX even when the target's name is not.
    std::string temp = JoinPath(folder, "." + name.substr(0, 200) + ".XXXXXX");
    FdGuard fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        const int err = errno;
        // A writable file in a folder that takes no new file (not this user's, or out of
        // entries) can still be rewritten in place.
        if (regular) {
            if (RewriteInPlace(path, data, size, error)) return true;
            if (error) *error += std::string(" (no temporary file could be made beside it: ") + std::strerror(err) + ")";
            return false;
        }
        SetErrnoText(error, "Cannot create a temporary file for", path, err);
        return false;
    }
    const char* step = nullptr;
    if (::fchmod(fd.get(), mode) != 0) {
        step = "Cannot set the permissions of";
    } else if (!WriteAllAt(fd.get(), static_cast<const uint8_t*>(data), size, 0)) {
        step = "Cannot write";
    } else if (::fsync(fd.get()) != 0) {
        step = "Cannot flush";
    } else if (fd.Close() != 0) {
        step = "Cannot close";
    }
    if (step != nullptr) {
        const int err = errno;
        if (fd.get() >= 0) fd.Close();
        ::unlink(temp.c_str());
        SetErrnoText(error, step, path, err);
        return false;
    }
    if (linked) {
        // The complete copy on disk outlives a crash in the middle of the rewrite; a failed
        // rewrite leaves the old content in place, never a split link.
        const bool rewritten = RewriteInPlace(path, data, size, error);
        ::unlink(temp.c_str());
        return rewritten;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        SetErrnoText(error, "Cannot replace", path, err);
        return false;
    }
    // Make the rename itself durable; a failure here no longer endangers any data.
    FdGuard dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return true;
}

}  // namespace dez

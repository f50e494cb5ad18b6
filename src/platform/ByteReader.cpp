#include "platform/ByteReader.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <new>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Memory.h"
#include "platform/Parallel.h"
#include "platform/Paths.h"

namespace dez {

bool ByteReader::Seek(size_t pos) {
    if (pos > size_) {
        ok_ = false;
        return false;
    }
    pos_ = pos;
    return true;
}

bool ByteReader::Skip(size_t n) {
    if (n > remaining()) {
        ok_ = false;
        return false;
    }
    pos_ += n;
    return true;
}

bool ByteReader::ReadU8(uint8_t& v) {
    if (remaining() < 1) {
        v = 0;
        ok_ = false;
        return false;
    }
    v = data_[pos_++];
    return true;
}

bool ByteReader::ReadI8(int8_t& v) {
    uint8_t u = 0;
    const bool done = ReadU8(u);
    v = static_cast<int8_t>(u);
    return done;
}

bool ByteReader::ReadBytes(void* dst, size_t n) {
    if (n == 0) return true;
    if (dst == nullptr) {
        ok_ = false;
        return false;
    }
    if (n > remaining()) {
        std::memset(dst, 0, n);
        ok_ = false;
        return false;
    }
    std::memcpy(dst, data_ + pos_, n);
    pos_ += n;
    return true;
}

void ByteWriter::PutBytes(const void* src, size_t n) {
    if (n == 0 || src == nullptr) return;
    std::memcpy(Grow(n), src, n);
}

std::vector<uint8_t> ByteWriter::TakeBytes() {
    std::vector<uint8_t> out;
    out.swap(bytes_);
    return out;
}

#define DEZ_PATCH(Name, Type, Width, Store)      \
    bool ByteWriter::Name(size_t at, Type v) {   \
        uint8_t* p = At(at, Width);              \
        if (p == nullptr) return false;          \
        Store(p, v);                             \
        return true;                             \
    }

DEZ_PATCH(PatchU16LE, uint16_t, 2, StoreU16LE)
DEZ_PATCH(PatchU16BE, uint16_t, 2, StoreU16BE)
DEZ_PATCH(PatchI16LE, int16_t, 2, StoreI16LE)
DEZ_PATCH(PatchI16BE, int16_t, 2, StoreI16BE)
DEZ_PATCH(PatchU32LE, uint32_t, 4, StoreU32LE)
DEZ_PATCH(PatchU32BE, uint32_t, 4, StoreU32BE)
DEZ_PATCH(PatchI32LE, int32_t, 4, StoreI32LE)
DEZ_PATCH(PatchI32BE, int32_t, 4, StoreI32BE)
DEZ_PATCH(PatchF32LE, float, 4, StoreF32LE)
DEZ_PATCH(PatchF32BE, float, 4, StoreF32BE)
#undef DEZ_PATCH

bool ByteWriter::PatchU8(size_t at, uint8_t v) {
    uint8_t* p = At(at, 1);
    if (p == nullptr) return false;
    *p = v;
    return true;
}

namespace {

void SetError(std::string* error, const std::string& what, const std::string& path, int err) {
    if (error) *error = what + " '" + path + "': " + std::strerror(err);
}

// Closes a POSIX descriptor when it goes out of scope (unless released).
class FdGuard {
public:
    explicit FdGuard(int fd) : fd_(fd) {}
    ~FdGuard() {
        if (fd_ >= 0) ::close(fd_);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return fd_; }
    // Closes now and reports the result; the descriptor is gone either way.
    int Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

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

// Writes all the bytes at the given offset (a short write goes on where it stopped).
bool WriteAllAt(int fd, const uint8_t* p, size_t n, off_t at) {
    while (n > 0) {
        const ssize_t written = ::pwrite(fd, p, n, at);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        p += written;
        at += written;
        n -= static_cast<size_t>(written);
    }
    return true;
}

}  // namespace


namespace {

// The file opened without waiting (a FIFO named like a data file would otherwise block the open
// for ever).
int OpenForReading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK); }

// Refuses anything but a regular file; `st` is what the file looks like before it is read.
bool CheckRegular(const std::string& path, int fd, struct stat& st, std::string* error) {
    if (::fstat(fd, &st) != 0) {
        SetError(error, "Cannot query", path, errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        SetError(error, "Cannot read", path, EISDIR);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        if (error) *error = "Cannot read '" + path + "': not a regular file";
        return false;
    }
    return true;
}

// The kernel's notices of writes and truncations reaching one open file. Sizes and times alone
// miss a truncation and rewrite to the same size within one clock tick (times move by ticks on
// many kernels); a notice is queued however quick the change. Where none can be had (no /proc,
// the per-user limit reached) sizes and times still catch the slower changes.
class ChangeNotices {
public:
    explicit ChangeNotices(int fd) : notices_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        if (notices_.get() < 0) return;
        // The open file itself: the path may already name another one.
        char self[64];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
        if (::inotify_add_watch(notices_.get(), self, IN_MODIFY) < 0) notices_.Close();
    }
    // True when a write or a truncation reached the file since the watch was set.
    bool Seen() const {
        if (notices_.get() < 0) return false;
        alignas(struct inotify_event) char buffer[sizeof(struct inotify_event) + NAME_MAX + 1];
        for (;;) {
            const ssize_t n = ::read(notices_.get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            return n > 0;
        }
    }

private:
    FdGuard notices_;
};

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

// Whether the file looked the same before and after a read that got `have` bytes: the same size,
// that many bytes, the same modification and change times.
bool Steady(const struct stat& before, const struct stat& after, size_t have) {
    if (before.st_size != after.st_size || !SameTime(before.st_mtim, after.st_mtim) ||
        !SameTime(before.st_ctim, after.st_ctim))
        return false;
    // A file that reports no size (an entry of /proc or /sys) has what the read got.
    return after.st_size == 0 || static_cast<uint64_t>(after.st_size) == have;
}

// The path names another file than the one read (a new one was renamed over it meanwhile).
bool Replaced(const std::string& path, const struct stat& opened) {
    struct stat now;
    return ::stat(path.c_str(), &now) == 0 && (now.st_dev != opened.st_dev || now.st_ino != opened.st_ino);
}

// Reads buffer[have .. capacity) from offset `have` of the file; -1 with errno on failure,
// else the bytes read (0 at the end).
ssize_t ReadSome(int fd, char* buffer, size_t capacity, size_t have) {
    for (;;) {
        const ssize_t got = ::pread(fd, buffer + have, capacity - have, static_cast<off_t>(have));
        if (got >= 0 || errno != EINTR) return got;
    }
}

// Reads buffer[0, size) from the start of the file on several threads: on a large file most of
// the time goes into the first touch of the fresh buffer and the copy, which split evenly. True
// when every byte came; else the caller reads it all again on one thread (the file changed, or
// a read failed and will fail again with its reason).
bool ReadInParallel(int fd, char* buffer, size_t size) {
    constexpr size_t kParallelBytes = size_t{8} << 20;
    const unsigned threads = HardwareThreads();
    if (size < kParallelBytes || threads < 2) return false;
    const size_t count = size_t{2} * threads;
    const size_t piece = (size + count - 1) / count;
    std::atomic<bool> complete{true};
    RunTasks(count, threads, [&](size_t k) {
        size_t at = std::min(size, k * piece);
        const size_t end = std::min(size, at + piece);
        while (at < end && complete) {
            const ssize_t got = ::pread(fd, buffer + at, end - at, static_cast<off_t>(at));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                complete = false;
                return;
            }
            at += static_cast<size_t>(got);
        }
    });
    return complete;
}

// Opens the file and reads it whole with readAll(fd, sizeHint, have), which returns 0 or an errno
// value and counts the bytes it got in `have`. A file written, truncated or replaced while it was
// read is read once more; when it changes again the read fails rather than hand on a mix of
// versions (or the zeros a truncation leaves in a read that meets it).
template <typename ReadAll>
bool ReadSteadily(const std::string& path, std::string* error, size_t& have, const ReadAll& readAll) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        FdGuard fd(OpenForReading(path));
        if (fd.get() < 0) {
            SetError(error, "Cannot open", path, errno);
            return false;
        }
        // Set before the first look at the file, so that no change after that look goes unseen.
        const ChangeNotices notices(fd.get());
        struct stat before;
        if (!CheckRegular(path, fd.get(), before, error)) return false;
        have = 0;
        const int failed = readAll(fd.get(), before.st_size > 0 ? static_cast<size_t>(before.st_size) : 0, have);
        if (failed != 0) {
            SetError(error, "Cannot read", path, failed);
            return false;
        }
        struct stat after;
        if (::fstat(fd.get(), &after) != 0) {
            SetError(error, "Cannot query", path, errno);
            return false;
        }
        if (Steady(before, after, have) && !notices.Seen() && !Replaced(path, after)) return true;
    }
    if (error) *error = path + " changed while it was read";
    return false;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string* error) {
    std::vector<uint8_t> bytes;
    size_t have = 0;
    const bool read = ReadSteadily(path, error, have, [&bytes](int fd, size_t hint, size_t& got) -> int {
        try {
            // Straight into the vector, one byte beyond the size so that growth shows at once.
            std::vector<uint8_t>().swap(bytes);
            bytes.reserve(hint + 1);
            AdviseLargeBlock(bytes.data(), bytes.capacity());
            bytes.resize(hint + 1);
            for (;;) {
                if (got == bytes.size()) bytes.resize(bytes.size() + bytes.size() / 2 + 65536);
                const ssize_t n = ReadSome(fd, reinterpret_cast<char*>(bytes.data()), bytes.size(), got);
                if (n < 0) return errno;
                if (n == 0) return 0;
                got += static_cast<size_t>(n);
            }
        } catch (const std::exception&) {
            return ENOMEM;
        }
    });
    if (!read) return false;
    bytes.resize(have);
    out.swap(bytes);
    return true;
}

bool ReadWholeFile(const std::string& path, FileBytes& out, std::string* error) {
    std::unique_ptr<char, FileBytes::Free> buffer;
    size_t have = 0;
    const bool read = ReadSteadily(path, error, have, [&buffer](int fd, size_t hint, size_t& got) -> int {
        // Read straight into the final buffer; one byte more than the size tells at once whether
        // the file has grown since, and a grown file gets room to go on.
        size_t capacity = hint + 1;
        buffer.reset(static_cast<char*>(std::malloc(capacity)));
        if (!buffer) return ENOMEM;
        AdviseLargeBlock(buffer.get(), capacity);
        if (ReadInParallel(fd, buffer.get(), hint)) got = hint;
        for (;;) {
            if (got == capacity) {
                const size_t grown = capacity + capacity / 2 + 65536;
                char* bigger = static_cast<char*>(std::realloc(buffer.get(), grown));
                if (!bigger) return ENOMEM;
                buffer.release();
                buffer.reset(bigger);
                capacity = grown;
                AdviseLargeBlock(buffer.get(), capacity);
            }
            const ssize_t n = ReadSome(fd, buffer.get(), capacity, got);
            if (n < 0) return errno;
            if (n == 0) return 0;
            got += static_cast<size_t>(n);
        }
    });
    if (!read) return false;
    out.data_ = std::move(buffer);
    out.size_ = have;
    return true;
}

namespace {

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

// Writes the old content back over a rewrite that failed; 0 or the errno value of the step that
// failed.
int PutBack(int fd, const uint8_t* old, size_t size) {
    if (!WriteAllAt(fd, old, size, 0) || ::ftruncate(fd, static_cast<off_t>(size)) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
}

// Rewrites the existing file `path` with the new bytes, keeping its inode and so its other names.
// The room for the new size is taken before the first old byte is overwritten, and the old
// content is kept in memory (a nearly full disk may have no room for a second copy) to be put
// back when a write still fails part-way: the file ends up holding one version whole, the old
// one whenever false comes back (save for a put-back that failed too, which the error says).
bool RewriteInPlace(const std::string& path, const void* data, size_t size, std::string* error) {
    FdGuard fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        SetError(error, "Cannot open", path, errno);
        return false;
    }
    struct stat st;
    if (::fstat(fd.get(), &st) != 0) {
        SetError(error, "Cannot query", path, errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        if (error) *error = "Cannot write '" + path + "': not a regular file";
        return false;
    }
    const size_t oldSize = static_cast<size_t>(st.st_size);
    std::unique_ptr<uint8_t[]> old(new (std::nothrow) uint8_t[oldSize > 0 ? oldSize : 1]);
    if (!old) {
        SetError(error, "Cannot keep a copy of", path, ENOMEM);
        return false;
    }
    for (size_t have = 0; have < oldSize;) {
        const ssize_t got = ::pread(fd.get(), old.get() + have, oldSize - have, static_cast<off_t>(have));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            SetError(error, "Cannot read", path, errno);
            return false;
        }
        if (got == 0) {
            if (error) *error = path + " changed while it was read";
            return false;
        }
        have += static_cast<size_t>(got);
    }
    if (size > 0) {
        const int refused = ::posix_fallocate(fd.get(), 0, static_cast<off_t>(size));
        if (refused != 0) {
            // A reservation that stopped short may have lengthened the file with zeros.
            struct stat now;
            int lost = 0;
            if (::fstat(fd.get(), &now) == 0 && now.st_size != st.st_size && ::ftruncate(fd.get(), st.st_size) != 0)
                lost = errno;
            SetError(error, "Cannot make room for", path, refused);
            if (lost != 0 && error) *error += std::string("; its old length could not be put back: ") + std::strerror(lost);
            return false;
        }
    }
    const char* step = nullptr;
    if (!WriteAllAt(fd.get(), static_cast<const uint8_t*>(data), size, 0)) {
        step = "Cannot write";
    } else if (size < oldSize && ::ftruncate(fd.get(), static_cast<off_t>(size)) != 0) {
        step = "Cannot shorten";
    } else if (::fsync(fd.get()) != 0) {
        step = "Cannot flush";
    }
    if (step != nullptr) {
        const int err = errno;
        const int lost = PutBack(fd.get(), old.get(), oldSize);
        SetError(error, step, path, err);
        if (lost != 0 && error) *error += std::string("; its old content could not be put back: ") + std::strerror(lost);
        return false;
    }
    if (fd.Close() != 0) {
        SetError(error, "Cannot close", path, errno);
        return false;
    }
    return true;
}

}  // namespace

bool WriteFileAtomically(const std::string& requested, const void* data, size_t size, std::string* error) {
    if (requested.empty()) {
        SetError(error, "Cannot write", requested, ENOENT);
        return false;
    }
    if (data == nullptr && size > 0) {
        SetError(error, "Cannot write", requested, EINVAL);
        return false;
    }
    // A symbolic link stays a link: the file it points to is the one replaced.
    std::string path;
    if (!LinkTarget(requested, path)) {
        SetError(error, "Cannot follow the links of", requested, errno);
        return false;
    }
    // Only '/' separates here: the target is a real POSIX path, not a name from a recording.
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        SetError(error, "Cannot write", path, EISDIR);
        return false;
    }

    mode_t mode = 0644 & ~CurrentUmask();
    bool regular = false;
    bool linked = false;
    struct stat existing;
    if (::stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            SetError(error, "Cannot write", path, EISDIR);
            return false;
        }
        // A file nobody may write (or this user may not) is not replaced behind its owner's back,
        // even by a user the system would let do it.
        if ((existing.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0) {
            SetError(error, "Cannot replace", path, EACCES);
            return false;
        }
        mode = existing.st_mode & 07777;
        regular = S_ISREG(existing.st_mode);
        // A rename would split a hard link: such a file is rewritten in place.
        linked = regular && existing.st_nlink > 1;
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
        SetError(error, "Cannot create a temporary file for", path, err);
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
        SetError(error, step, path, err);
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
        SetError(error, "Cannot replace", path, err);
        return false;
    }
    // Make the rename itself durable; a failure here no longer endangers any data.
    FdGuard dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return true;
}

}  // namespace dez

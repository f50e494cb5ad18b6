#include "platform/GuardedRead.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

#include "platform/FileDescriptor.h"
#include "platform/Memory.h"
#include "platform/Parallel.h"

namespace dez {

namespace {

// The kernel's notices of writes and truncations reaching the files being read. Sizes and times
// alone miss a truncation and rewrite to the same size within one clock tick (times move by ticks
// on many kernels); a notice is queued however quick the change. One inotify instance serves the
// whole process: making and dropping one for every read costs far more than the read of a small
// file. Where none can be had (no /proc, the per-user limits reached) sizes and times still
// catch the slower changes.
class Notices {
public:
    static Notices& Get() {
        static Notices* notices = new Notices;  // never destroyed: reads may run during exit
        return *notices;
    }

    // Watches the open file (its path may already name another one) and answers the watch, -1
    // when none could be set; *mark is what Seen compares with.
    int Add(int fd, uint64_t* mark) {
        std::lock_guard<std::mutex> lock(mutex_);
        // A forked child shares the parent's instance: it makes one of its own.
        if (owner_ != ::getpid()) {
            if (notices_ >= 0) ::close(notices_);
            notices_ = -1;
            watches_.clear();
            owner_ = ::getpid();
        }
        if (notices_ < 0) notices_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (notices_ < 0) return -1;
        char self[64];
        std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
        const int watch = ::inotify_add_watch(notices_, self, IN_MODIFY);
        if (watch < 0) return -1;
        // Two reads of one file share its watch.
        Drain();
        Watch& w = watches_[watch];
        ++w.users;
        *mark = w.changes;
        return watch;
    }

    // True when a write or a truncation reached the watched file since the mark.
    bool Seen(int watch, uint64_t mark) {
        if (watch < 0) return false;
        std::lock_guard<std::mutex> lock(mutex_);
        Drain();
        const auto w = watches_.find(watch);
        return w == watches_.end() || w->second.changes != mark;
    }

    void Remove(int watch) {
        if (watch < 0) return;
        std::lock_guard<std::mutex> lock(mutex_);
        const auto w = watches_.find(watch);
        if (w == watches_.end() || --w->second.users > 0) return;
        watches_.erase(w);
        if (owner_ == ::getpid()) ::inotify_rm_watch(notices_, watch);
    }

private:
    struct Watch {
        int users = 0;
        uint64_t changes = 0;
    };

    // Counts the queued notices against their watches. A queue that overflowed lost some: every
    // watched file counts as changed then.
    void Drain() {
        alignas(struct inotify_event) char buffer[64 * (sizeof(struct inotify_event) + NAME_MAX + 1)];
        for (;;) {
            const ssize_t n = ::read(notices_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return;
            for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(struct inotify_event)) <= n;) {
                struct inotify_event event;
                std::memcpy(&event, buffer + at, sizeof event);
                if (event.mask & IN_Q_OVERFLOW) {
                    for (auto& w : watches_) ++w.second.changes;
                } else if (event.mask & IN_MODIFY) {
                    const auto w = watches_.find(event.wd);
                    if (w != watches_.end()) ++w->second.changes;
                }
                at += static_cast<ssize_t>(sizeof(struct inotify_event) + event.len);
            }
        }
    }

    std::mutex mutex_;
    int notices_ = -1;
    pid_t owner_ = 0;
    std::unordered_map<int, Watch> watches_;
};

// A write caught in the middle has changed the times already, if ever, and sends its notice only
// when it ends: this waits for it to end. Asking where the data end takes the file's lock that
// writes hold throughout on the common file systems (ext4, btrfs, tmpfs); the answer itself does
// not matter.
void WaitForWriteInProgress(int fd) { ::lseek(fd, 0, SEEK_HOLE); }

}  // namespace

WatchedFile::~WatchedFile() {
    Notices::Get().Remove(watch_);
    if (fd_ >= 0) ::close(fd_);
}

bool WatchedFile::Open(const std::string& path, std::string* error) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        SetErrnoText(error, "Cannot open", path, errno);
        return false;
    }
    // Set before the first look at the file, so that no change after that look goes unseen.
    watch_ = Notices::Get().Add(fd_, &noticeMark_);
    struct stat st;
    if (::fstat(fd_, &st) != 0) {
        SetErrnoText(error, "Cannot query", path, errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        SetErrnoText(error, "Cannot read", path, EISDIR);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        if (error) *error = "Cannot read '" + path + "': not a regular file";
        return false;
    }
    size_ = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
    device_ = st.st_dev;
    inode_ = st.st_ino;
    modified_[0] = st.st_mtim.tv_sec;
    modified_[1] = st.st_mtim.tv_nsec;
    changed_[0] = st.st_ctim.tv_sec;
    changed_[1] = st.st_ctim.tv_nsec;
    // A write under way now has set the times just looked at; its bytes are whole before the
    // first read. One that starts later changes the times again (to the nanosecond once they
    // have been looked at, on kernels with fine-grained times) or sends its notice before the
    // end of the read.
    WaitForWriteInProgress(fd_);
    return true;
}

size_t WatchedFile::ReadAt(uint64_t offset, void* dst, size_t n) {
    if (fd_ < 0 || n == 0) return 0;
    if (offset > static_cast<uint64_t>(INT64_MAX) - n) {
        Fail(EOVERFLOW);
        return 0;
    }
    char* out = static_cast<char*>(dst);
    size_t got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd_, out + got, n - got, static_cast<off_t>(offset + got));
        if (r < 0) {
            if (errno == EINTR) continue;
            Fail(errno);
            break;
        }
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    // A file that reports no size (an entry of /proc or /sys) has what the reads get.
    if (size_ > 0) {
        if (got < n && offset + got < size_) short_ = true;
        if (offset + got > size_) beyond_ = true;
    }
    return got;
}

bool WatchedFile::Unchanged() {
    WaitForWriteInProgress(fd_);
    struct stat now;
    if (::fstat(fd_, &now) != 0) {
        Fail(errno);
        return false;
    }
    const uint64_t size = now.st_size > 0 ? static_cast<uint64_t>(now.st_size) : 0;
    if (short_ || beyond_ || size != size_ || now.st_mtim.tv_sec != modified_[0] ||
        now.st_mtim.tv_nsec != modified_[1] || now.st_ctim.tv_sec != changed_[0] ||
        now.st_ctim.tv_nsec != changed_[1])
        return false;
    if (Notices::Get().Seen(watch_, noticeMark_)) return false;
    // The path names another file than the one read (a new one was renamed over it meanwhile).
    struct stat named;
    if (::stat(path_.c_str(), &named) == 0 &&
        (static_cast<uint64_t>(named.st_dev) != device_ || static_cast<uint64_t>(named.st_ino) != inode_))
        return false;
    return true;
}

namespace guarded_read {

bool Settle(WatchedFile& file, bool done, std::string* error, bool* answer) {
    const bool steady = file.Unchanged();
    if (file.failure() != 0) {
        SetErrnoText(error, "Cannot read", file.path(), file.failure());
        *answer = false;
        return true;
    }
    if (!steady) return false;
    if (error) error->clear();
    *answer = done;
    return true;
}

}  // namespace guarded_read

std::string ChangedWhileRead(const std::string& path) { return path + " changed while it was read"; }

namespace {

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

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, std::string* error) {
    std::vector<uint8_t> bytes;
    size_t have = 0;
    const bool read = ReadSteadily(path, error, [&](WatchedFile& file) {
        have = 0;
        try {
            // Straight into the vector, one byte beyond the size so that growth shows at once.
            std::vector<uint8_t>().swap(bytes);
            bytes.reserve(file.size() + 1);
            AdviseLargeBlock(bytes.data(), bytes.capacity());
            bytes.resize(file.size() + 1);
            for (;;) {
                if (have == bytes.size()) bytes.resize(bytes.size() + bytes.size() / 2 + 65536);
                const size_t n = file.ReadAt(have, bytes.data() + have, bytes.size() - have);
                if (n == 0) return true;
                have += n;
            }
        } catch (const std::exception&) {
            file.Fail(ENOMEM);
            return false;
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
    const bool read = ReadSteadily(path, error, [&](WatchedFile& file) {
        // Read straight into the final buffer; one byte more than the size tells at once whether
        // the file has grown since, and a grown file gets room to go on.
        have = 0;
        const size_t hint = static_cast<size_t>(file.size());
        size_t capacity = hint + 1;
        buffer.reset(static_cast<char*>(std::malloc(capacity)));
        if (!buffer) {
            file.Fail(ENOMEM);
            return false;
        }
        AdviseLargeBlock(buffer.get(), capacity);
        if (ReadInParallel(file.descriptor(), buffer.get(), hint)) have = hint;
        for (;;) {
            if (have == capacity) {
                const size_t grown = capacity + capacity / 2 + 65536;
                char* bigger = static_cast<char*>(std::realloc(buffer.get(), grown));
                if (!bigger) {
                    file.Fail(ENOMEM);
                    return false;
                }
                buffer.release();
                buffer.reset(bigger);
                capacity = grown;
                AdviseLargeBlock(buffer.get(), capacity);
            }
            const size_t n = file.ReadAt(have, buffer.get() + have, capacity - have);
            if (n == 0) return true;
            have += n;
        }
    });
    if (!read) return false;
    out.data_ = std::move(buffer);
    out.size_ = have;
    return true;
}

}  // namespace dez

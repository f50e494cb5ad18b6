#pragma once
// Small POSIX pieces shared by the guarded read and the safe writer: a descriptor closed on scope
// exit, writes that go on after a short count, and error texts that name the step and the path.
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>

namespace dez {

// Closes a POSIX descriptor when it goes out of scope.
class FdGuard {
public:
    explicit FdGuard(int fd = -1) : fd_(fd) {}
    ~FdGuard();
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return fd_; }
    // Closes the one held (if any) and holds `fd` instead.
    void Reset(int fd = -1);
    // Closes now and reports the result; the descriptor is gone either way.
    int Close();

private:
    int fd_;
};

// Opens `path` with the given flags and looks at what was opened (into `st`): the descriptor, or
// -1 with the failed step in `error`.
int OpenAndQuery(const std::string& path, int flags, struct stat& st, std::string* error);

// What a node that is no regular file is, for messages: "a FIFO", "a socket", "a block device",
// "a character device", "a directory", else "not a regular file".
const char* NodeKind(mode_t mode);

// "<what> '<path>': <the system's text for err>" into *error (when given).
void SetErrnoText(std::string* error, const std::string& what, const std::string& path, int err);

// Writes all n bytes at the given offset (a short write goes on where it stopped); false with
// errno set when a write fails.
bool WriteAllAt(int fd, const uint8_t* p, size_t n, off_t at);

}  // namespace dez

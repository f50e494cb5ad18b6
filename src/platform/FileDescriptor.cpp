#include "platform/FileDescriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace dez {

FdGuard::~FdGuard() {
    if (fd_ >= 0) ::close(fd_);
}

void FdGuard::Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

int FdGuard::Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
}

int OpenAndQuery(const std::string& path, int flags, struct stat& st, std::string* error) {
    const int fd = ::open(path.c_str(), flags);
    if (fd < 0) {
        SetErrnoText(error, "Cannot open", path, errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0) {
        SetErrnoText(error, "Cannot query", path, errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

const char* NodeKind(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISDIR(mode)) return "a directory";
    return "not a regular file";
}

void SetErrnoText(std::string* error, const std::string& what, const std::string& path, int err) {
    if (error) *error = what + " '" + path + "': " + std::strerror(err);
}

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

}  // namespace dez

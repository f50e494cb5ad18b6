#include "platform/InPlaceRewrite.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileDescriptor.h"

namespace dez {

namespace {

// Writes the old content back over a rewrite that failed; 0 or the errno value of the step that
// failed.
int PutBack(int fd, const uint8_t* old, size_t size) {
    if (!WriteAllAt(fd, old, size, 0) || ::ftruncate(fd, static_cast<off_t>(size)) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
}

}  // namespace

bool RewriteInPlace(const std::string& path, const void* data, size_t size, std::string* error) {
    struct stat st;
    FdGuard fd(OpenAndQuery(path, O_RDWR | O_CLOEXEC | O_NONBLOCK, st, error));
    if (fd.get() < 0) return false;
    if (!S_ISREG(st.st_mode)) {
        if (error) *error = "Cannot write '" + path + "': not a regular file";
        return false;
    }
    const size_t oldSize = static_cast<size_t>(st.st_size);
    std::unique_ptr<uint8_t[]> old(new (std::nothrow) uint8_t[oldSize > 0 ? oldSize : 1]);
    if (!old) {
        SetErrnoText(error, "Cannot keep a copy of", path, ENOMEM);
        return false;
    }
    for (size_t have = 0; have < oldSize;) {
        const ssize_t got = ::pread(fd.get(), old.get() + have, oldSize - have, static_cast<off_t>(have));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            SetErrnoText(error, "Cannot read", path, errno);
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
            SetErrnoText(error, "Cannot make room for", path, refused);
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
        SetErrnoText(error, step, path, err);
        if (lost != 0 && error) *error += std::string("; its old content could not be put back: ") + std::strerror(lost);
        return false;
    }
    if (fd.Close() != 0) {
        SetErrnoText(error, "Cannot close", path, errno);
        return false;
    }
    return true;
}

}  // namespace dez

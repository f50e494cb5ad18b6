#include "support/FileRewriter.h"

#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace testsupport {

namespace {

bool WriteAll(int fd, const std::string& bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const ssize_t n = ::pwrite(fd, bytes.data() + at, bytes.size() - at, static_cast<off_t>(at));
        if (n <= 0) return false;
        at += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

FileRewriter::FileRewriter(std::string path, std::vector<std::string> versions, Mode mode,
                           std::chrono::microseconds pause)
    : path_(std::move(path)), versions_(std::move(versions)), mode_(mode), pause_(pause) {
    if (mode_ != Mode::Rename) fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
    if (versions_.size() >= 2 && (mode_ == Mode::Rename || fd_ >= 0)) thread_ = std::thread([this] { Run(); });
}

FileRewriter::~FileRewriter() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) ::close(fd_);
}

bool FileRewriter::WriteVersion(const std::string& bytes) {
    switch (mode_) {
        case Mode::TruncateAndWrite:
            return ::ftruncate(fd_, 0) == 0 && WriteAll(fd_, bytes);
        case Mode::WriteOver:
            return WriteAll(fd_, bytes);
        case Mode::Rename: {
            const std::string temp = path_ + ".next";
            const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd < 0) return false;
            const bool written = WriteAll(fd, bytes);
            return ::close(fd) == 0 && written && ::rename(temp.c_str(), path_.c_str()) == 0;
        }
    }
    return false;
}

void FileRewriter::Run() {
    for (size_t k = 1; !stop_ && !failed_; ++k) {
        if (!WriteVersion(versions_[k % versions_.size()])) {
            failed_ = true;
            break;
        }
        ++rewrites_;
        if (pause_.count() > 0) std::this_thread::sleep_for(pause_);
    }
}

}  // namespace testsupport

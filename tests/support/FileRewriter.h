#pragma once
// Another program rewriting a file over and over while a test reads it, for the checks that a
// reader hands back one version of a file or says that it changed, never a mix of versions.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

class FileRewriter {
public:
    enum class Mode {
        // As a program that saves in place does: truncate, then write.
        TruncateAndWrite,
        // One write of the whole version over the old one, without truncating (versions of one
        // size leave no trace of the truncation that sizes and emptiness would show).
        WriteOver,
        // As a careful program does: a new file renamed over the old one.
        Rename,
    };
    // The file holds versions[0] already; the writer writes versions[1], [2], ... in turn,
    // waiting `pause` after each, until it is destroyed (which stops and joins it however the
    // test ends).
    FileRewriter(std::string path, std::vector<std::string> versions, Mode mode,
                 std::chrono::microseconds pause = std::chrono::microseconds(0));
    ~FileRewriter();
    FileRewriter(const FileRewriter&) = delete;
    FileRewriter& operator=(const FileRewriter&) = delete;
    // False when the writer could not start or a write failed.
    bool ok() const { return thread_.joinable() && !failed_; }
    size_t rewrites() const { return rewrites_; }

private:
    bool WriteVersion(const std::string& bytes);
    void Run();

    std::string path_;
    std::vector<std::string> versions_;
    Mode mode_;
    std::chrono::microseconds pause_;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<bool> failed_{false};
    std::atomic<size_t> rewrites_{0};
    std::thread thread_;
};

}  // namespace testsupport

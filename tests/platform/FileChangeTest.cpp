// Whole-file reads of a file another program rewrites meanwhile: a read hands back one version of
// the file or says that it changed, never a mix of versions nor the zeros a truncation leaves in
// a read that meets it.
#include "platform/GuardedRead.h"
#include "platform/SafeWriter.h"

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace {

// The versions the other program writes in turn: each of a size of its own and all of one byte
// value of its own, never 0.
struct Version {
    char value;
    std::string bytes;
};

std::vector<Version> Versions(size_t base) {
    return {{'A', std::string(base, 'A')}, {'B', std::string(base + 4099, 'B')}, {'C', std::string(base + 12289, 'C')}};
}

// Writes the next version over and over until stopped, either as a program that saves in place
// does (truncate, then write) or as a careful one does (a new file renamed over the old). Stops
// and joins however the test ends.
class Rewriter {
public:
    Rewriter(const std::string& path, const std::vector<Version>& versions, bool renames)
        : path_(path), fd_(renames ? -1 : ::open(path.c_str(), O_WRONLY | O_CLOEXEC)), versions_(versions) {
        if (renames || fd_ >= 0) thread_ = std::thread([this, renames] { renames ? Replace() : Rewrite(); });
    }
    ~Rewriter() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) ::close(fd_);
    }
    Rewriter(const Rewriter&) = delete;
    Rewriter& operator=(const Rewriter&) = delete;
    bool ok() const { return thread_.joinable() && !failed_; }
    size_t rewrites() const { return rewrites_; }

private:
    void Rewrite() {
        for (size_t k = 1; !stop_ && !failed_; ++k) {
            const std::string& bytes = versions_[k % versions_.size()].bytes;
            if (::ftruncate(fd_, 0) != 0) failed_ = true;
            for (size_t at = 0; at < bytes.size() && !failed_;) {
                const ssize_t n = ::pwrite(fd_, bytes.data() + at, bytes.size() - at, static_cast<off_t>(at));
                if (n <= 0) failed_ = true;
                at += n > 0 ? static_cast<size_t>(n) : 0;
            }
            if (!failed_) ++rewrites_;
        }
    }
    void Replace() {
        for (size_t k = 1; !stop_ && !failed_; ++k) {
            const std::string& bytes = versions_[k % versions_.size()].bytes;
            if (dez::WriteFileAtomically(path_, bytes.data(), bytes.size()))
                ++rewrites_;
            else
                failed_ = true;
        }
    }

    std::string path_;
    int fd_;
    const std::vector<Version>& versions_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> failed_{false};
    std::atomic<size_t> rewrites_{0};
    std::thread thread_;
};

// "" when the bytes read are a start of one version, in place (all of one version's value, no
// longer than it) or, when `whole`, all of it; the fault otherwise.
std::string Fault(const char* data, size_t size, const std::vector<Version>& versions, bool whole) {
    if (size == 0) return whole ? "empty" : "";
    for (const Version& v : versions) {
        if (data[0] != v.value) continue;
        if (size > v.bytes.size()) return "longer than the version it starts like";
        if (whole && size < v.bytes.size()) return "a part of a version";
        return std::memcmp(data, v.bytes.data(), size) == 0 ? "" : "a mix of versions or zeros";
    }
    return data[0] == 0 ? "starts with a zero" : "bytes of no version";
}

// What the checks can ask: a file rewritten in place yields a start of one version at least,
// without a zero and without a byte of another; not always the whole of it, since a rewrite
// caught while its writer pauses half-way is a steady file of its own, which no reader can tell
// from a finished one. A file replaced by renames is whole in every version.
TEST(ReadWholeFile, FileRewrittenWhileItIsRead) {
    struct Case {
        const char* what;
        size_t base;
        bool fileBytes;
        bool renames;
        size_t reads;     // at least this many reads...
        size_t rewrites;  // ...and this many rewrites meanwhile
    };
    // The large files are read on several threads (from 8 MiB on), the small ones on one.
    const Case cases[] = {
        {"large file into FileBytes", size_t{9} << 20, true, false, 200, 100},
        {"large file into a vector", size_t{9} << 20, false, false, 200, 100},
        {"small file into FileBytes", 64 << 10, true, false, 3000, 1000},
        {"small file into a vector", 64 << 10, false, false, 3000, 1000},
        {"small file replaced by renames", 64 << 10, false, true, 1000, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const std::string path = dir.file("track.trc");
        const std::vector<Version> versions = Versions(c.base);
        ASSERT_TRUE(testsupport::WriteFileBytes(path, versions[0].bytes));
        const std::string changed = path + " changed while it was read";
        size_t reads = 0;
        std::string fault;
        {
            Rewriter rewriter(path, versions, c.renames);
            ASSERT_TRUE(rewriter.ok());
            // Bounded only so that a writer that stalls fails the test instead of hanging it.
            while ((reads < c.reads || rewriter.rewrites() < c.rewrites) && reads < 100 * c.reads && fault.empty()) {
                ++reads;
                std::string error;
                bool read = false;
                if (c.fileBytes) {
                    dez::FileBytes bytes;
                    read = dez::ReadWholeFile(path, bytes, &error);
                    if (read) fault = Fault(bytes.data(), bytes.size(), versions, c.renames);
                } else {
                    std::vector<uint8_t> bytes;
                    read = dez::ReadWholeFile(path, bytes, &error);
                    if (read)
                        fault = Fault(reinterpret_cast<const char*>(bytes.data()), bytes.size(), versions, c.renames);
                }
                if (!read && error != changed) fault = "unexpected error: " + error;
            }
            EXPECT_TRUE(rewriter.ok());
            if (fault.empty()) {
                EXPECT_GE(rewriter.rewrites(), c.rewrites) << "the file was not rewritten while it was read";
            }
        }
        EXPECT_EQ(fault, "") << "after " << reads << " reads";
        // Once the writer is done the file reads whole again.
        dez::FileBytes last;
        std::string error;
        ASSERT_TRUE(dez::ReadWholeFile(path, last, &error)) << error;
        EXPECT_EQ(Fault(last.data(), last.size(), versions, true), "");
    }
}

}  // namespace

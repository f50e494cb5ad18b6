// Whole-file reads of a file another program rewrites meanwhile: a read hands back one version of
// the file or says that it changed, never a mix of versions nor the zeros a truncation leaves in
// a read that meets it.
#include "platform/GuardedRead.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/FileRewriter.h"
#include "support/TestSupport.h"

namespace {

// The versions the other program writes in turn: all of one byte value of their own, never 0,
// each of a size of its own unless `sameSize` (as a program that writes over in place makes).
struct Version {
    char value;
    std::string bytes;
};

std::vector<Version> Versions(size_t base, bool sameSize) {
    return {{'A', std::string(base, 'A')},
            {'B', std::string(base + (sameSize ? 0 : 4099), 'B')},
            {'C', std::string(base + (sameSize ? 0 : 12289), 'C')}};
}

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

// What the checks can ask: a file truncated and written yields a start of one version at least,
// without a zero and without a byte of another; not always the whole of it, since a rewrite
// caught while its writer pauses half-way is a steady file of its own, which no reader can tell
// from a finished one. A file replaced by renames, or written over by versions of one size, is
// whole in every version.
TEST(ReadWholeFile, FileRewrittenWhileItIsRead) {
    struct Case {
        const char* what;
        size_t base;
        bool fileBytes;
        testsupport::FileRewriter::Mode mode;
        size_t reads;     // at least this many reads...
        size_t rewrites;  // ...and this many rewrites meanwhile
    };
    // The large files are read on several threads (from 8 MiB on), the small ones on one.
    using Mode = testsupport::FileRewriter::Mode;
    const Case cases[] = {
        {"large file into FileBytes", size_t{9} << 20, true, Mode::TruncateAndWrite, 200, 100},
        {"large file into a vector", size_t{9} << 20, false, Mode::TruncateAndWrite, 200, 100},
        {"small file into FileBytes", 64 << 10, true, Mode::TruncateAndWrite, 3000, 1000},
        {"small file into a vector", 64 << 10, false, Mode::TruncateAndWrite, 3000, 1000},
        {"small file replaced by renames", 64 << 10, false, Mode::Rename, 1000, 20},
        {"large file written over into FileBytes", size_t{9} << 20, true, Mode::WriteOver, 100, 50},
        {"small file written over into a vector", 64 << 10, false, Mode::WriteOver, 3000, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempDir dir;
        const std::string path = dir.file("track.trc");
        const bool whole = c.mode != Mode::TruncateAndWrite;
        const std::vector<Version> versions = Versions(c.base, c.mode == Mode::WriteOver);
        ASSERT_TRUE(testsupport::WriteFileBytes(path, versions[0].bytes));
        const std::string changed = path + " changed while it was read";
        size_t reads = 0;
        std::string fault;
        {
            std::vector<std::string> contents;
            for (const Version& v : versions) contents.push_back(v.bytes);
            testsupport::FileRewriter rewriter(path, contents, c.mode);
            ASSERT_TRUE(rewriter.ok());
            // Bounded only so that a writer that stalls fails the test instead of hanging it.
            while ((reads < c.reads || rewriter.rewrites() < c.rewrites) && reads < 100 * c.reads && fault.empty()) {
                ++reads;
                std::string error;
                bool read = false;
                if (c.fileBytes) {
                    dez::FileBytes bytes;
                    read = dez::ReadWholeFile(path, bytes, &error);
                    if (read) fault = Fault(bytes.data(), bytes.size(), versions, whole);
                } else {
                    std::vector<uint8_t> bytes;
                    read = dez::ReadWholeFile(path, bytes, &error);
                    if (read)
                        fault = Fault(reinterpret_cast<const char*>(bytes.data()), bytes.size(), versions, whole);
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

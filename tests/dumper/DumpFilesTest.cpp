// The file half of the frame dumper, without GL: automatic numbering that never overwrites,
// stereo pairs under one number, named dumps, the dump counter, every refusal and failure with
// its message and cause on standard error, and old files left whole by a failed write. Relative
// names land in a temporary working directory.
#include "dumper/WindowDump.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "support/ChildProcess.h"
#include "support/TestSupport.h"
#include "dumper/WriteBitmap.h"
#include "platform/Paths.h"

namespace {

constexpr int kW = 3;
constexpr int kH = 2;

std::vector<unsigned char> Pixels(unsigned char seed) {
    std::vector<unsigned char> p(kW * kH * 4);
    for (std::size_t i = 0; i < p.size(); ++i) p[i] = static_cast<unsigned char>(seed + 7 * i);
    return p;
}

// What WriteBitmap makes of the pixels, for comparison with the dumped files.
std::string Encoded(const std::vector<unsigned char>& pixels, int code,
                    const std::string& scratch) {
    std::FILE* f = std::fopen(scratch.c_str(), "wb");
    if (!f) return "";
    const bool ok = WriteBitmap(f, pixels.data(), kW, kH, code);
    std::fclose(f);
    return ok ? testsupport::ReadFileBytes(scratch) : "";
}

std::string Numbered(const char* side, int n, const char* ext) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%04d.%s", side, n, ext);
    return buf;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// For messages that name a numbered file: its number depends on the dumps before.
bool Frames(const std::string& text, const std::string& start, const std::string& end) {
    return text.size() >= start.size() + end.size() && text.compare(0, start.size(), start) == 0 &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class DumpFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(cwd_.ok());
        scratch_ = scratchDir_.file("expected");
    }

    std::vector<std::string> Files() const { return dez::ListMatchingFiles("", "*"); }

    // Dumps once with an automatic name and returns the number it used (the only new file).
    int DumpNumber(int code = 1) {
        const std::vector<std::string> before = Files();
        EXPECT_TRUE(WriteDumpFiles("", left_.data(), nullptr, kW, kH, code));
        for (const std::string& f : Files()) {
            bool known = false;
            for (const std::string& b : before) known = known || b == f;
            if (!known) return std::stoi(f);
        }
        ADD_FAILURE() << "no new file";
        return -1;
    }

    // Runs a call that must fail, and returns what it printed on standard error.
    template <typename Call>
    std::string Failure(Call call) {
        testing::internal::CaptureStderr();
        const bool ok = call();
        const std::string printed = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(ok);
        return printed;
    }

    testsupport::TempDir dir_;
    testsupport::TempDir scratchDir_;
    dez::ScopedWorkingDirectory cwd_{dir_.path()};
    std::string scratch_;
    std::vector<unsigned char> left_ = Pixels(1);
    std::vector<unsigned char> right_ = Pixels(100);
};

TEST_F(DumpFilesTest, AutomaticNamesCountUpAndSkipExistingFiles) {
    const int n = DumpNumber();
    ASSERT_GE(n, 0);
    EXPECT_EQ(testsupport::ReadFileBytes(Numbered("", n, "tga")), Encoded(left_, 1, scratch_));
    // An existing file, even one that cannot be read, and a folder are skipped, never touched.
    ASSERT_TRUE(testsupport::WriteFileBytes(Numbered("", n + 1, "tga"), "keep"));
    ASSERT_EQ(chmod(Numbered("", n + 1, "tga").c_str(), 0), 0);
    ASSERT_EQ(mkdir(Numbered("", n + 3, "tga").c_str(), 0755), 0);
    EXPECT_EQ(DumpNumber(), n + 2);
    EXPECT_EQ(DumpNumber(), n + 4);
    ASSERT_EQ(chmod(Numbered("", n + 1, "tga").c_str(), 0644), 0);
    EXPECT_EQ(testsupport::ReadFileBytes(Numbered("", n + 1, "tga")), "keep");
    // The counter is shared by all variants.
    EXPECT_EQ(DumpNumber(-2), n + 5);
    EXPECT_TRUE(Exists(Numbered("", n + 5, "ppm")));
}

TEST_F(DumpFilesTest, StereoPairsShareOneNumber) {
    const int n = DumpNumber(-6);
    ASSERT_TRUE(WriteDumpFiles("", left_.data(), right_.data(), kW, kH, -6));
    EXPECT_EQ(testsupport::ReadFileBytes(Numbered("L_", n + 1, "eps")),
              Encoded(left_, -6, scratch_));
    EXPECT_EQ(testsupport::ReadFileBytes(Numbered("R_", n + 1, "eps")),
              Encoded(right_, -6, scratch_));
    // A pair counts once.
    EXPECT_EQ(DumpNumber(-6), n + 2);

    // A number taken on either side is skipped for both, and no half pair is left behind.
    ASSERT_TRUE(testsupport::WriteFileBytes(Numbered("R_", n + 3, "eps"), "right"));
    ASSERT_TRUE(testsupport::WriteFileBytes(Numbered("L_", n + 4, "eps"), "left"));
    ASSERT_TRUE(WriteDumpFiles("", left_.data(), right_.data(), kW, kH, -6));
    EXPECT_FALSE(Exists(Numbered("L_", n + 3, "eps")));
    EXPECT_EQ(testsupport::ReadFileBytes(Numbered("R_", n + 3, "eps")), "right");
    EXPECT_EQ(testsupport::ReadFileBytes(Numbered("L_", n + 4, "eps")), "left");
    EXPECT_FALSE(Exists(Numbered("R_", n + 4, "eps")));
    EXPECT_TRUE(Exists(Numbered("L_", n + 5, "eps")));
    EXPECT_TRUE(Exists(Numbered("R_", n + 5, "eps")));
    EXPECT_EQ(DumpNumber(-6), n + 6);
}

TEST_F(DumpFilesTest, NamedDumpsOverwriteAndCount) {
    const int n = DumpNumber();
    ASSERT_TRUE(testsupport::WriteFileBytes("shot.ppm", "old content"));
    ASSERT_TRUE(WriteDumpFiles("shot", left_.data(), nullptr, kW, kH, -2));
    EXPECT_EQ(testsupport::ReadFileBytes("shot.ppm"), Encoded(left_, -2, scratch_));
    EXPECT_EQ(DumpNumber(), n + 2);

    // Stereo: the prefix goes before the file's own name, not before its folder.
    ASSERT_EQ(mkdir("sub", 0755), 0);
    ASSERT_TRUE(WriteDumpFiles("sub/shot", left_.data(), right_.data(), kW, kH, 1));
    EXPECT_EQ(testsupport::ReadFileBytes("sub/L_shot.tga"), Encoded(left_, 1, scratch_));
    EXPECT_EQ(testsupport::ReadFileBytes("sub/R_shot.tga"), Encoded(right_, 1, scratch_));
    EXPECT_EQ(DumpNumber(), n + 4);
}

TEST_F(DumpFilesTest, RefusalsOpenNoFileAndKeepTheCounter) {
    const int n = DumpNumber();
    const std::vector<std::string> before = Files();
    struct Case {
        const char* what;
        std::string name;
        int w, h, code;
        bool stereo;
        const char* message;
    };
    const std::string unknown = "WindowDump - Unknown image format code\n";
    const std::string size = "WindowDump - Image size not supported by the format\n";
    const std::string tooLong = "WindowDump - File name too long\n";
    const std::vector<Case> cases = {
        {"code 0", "", kW, kH, 0, false, unknown.c_str()},
        {"code 10", "x", kW, kH, 10, false, unknown.c_str()},
        {"code -14", "", kW, kH, -14, true, unknown.c_str()},
        {"code INT_MIN", "", kW, kH, INT_MIN, false, unknown.c_str()},
        {"empty frame", "", 0, kH, 1, false, size.c_str()},
        {"negative height", "x", kW, -1, 2, false, size.c_str()},
        {"TGA wider than 16 bits", "", 65536, 1, 1, false, size.c_str()},
        // "name.tga" of 512 characters does not fit, nor does "L_name.tga" of 512.
        {"long name", std::string(508, 'a'), kW, kH, 1, false, tooLong.c_str()},
        {"long stereo name", std::string(506, 'a'), kW, kH, 1, true, tooLong.c_str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Failure([&] {
                      const unsigned char* right = c.stereo ? right_.data() : nullptr;
                      return WriteDumpFiles(c.name, left_.data(), right, c.w, c.h, c.code);
                  }),
                  c.message);
        EXPECT_EQ(Files(), before);
    }
    EXPECT_EQ(DumpNumber(), n + 1);
}

TEST_F(DumpFilesTest, OpenAndWriteFailures) {
    const int n = DumpNumber();
    const std::string writeFailed = "WindowDump - Failed to write image file: ";
    struct Case {
        const char* what;
        std::string name;
        bool stereo;
        std::string message;
    };
    // 511 characters pass the length check; the file system then refuses the name.
    const std::string longName(507, 'a');
    const Case cases[] = {
        {"name too long for the file system", longName, false,
         writeFailed + "Cannot replace '" + longName + ".tga': " + std::strerror(ENAMETOOLONG)},
        {"missing folder", "missing/x", false,
         writeFailed + "Cannot create a temporary file for 'missing/x.tga': " +
             std::strerror(ENOENT)},
        // The right file cannot be written: the left one, complete, stays.
        {"right file is a folder", "pair", true,
         writeFailed + "Cannot write 'R_pair.tga': " + std::strerror(EISDIR)},
    };
    ASSERT_EQ(mkdir("R_pair.tga", 0755), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Failure([&] {
                      const unsigned char* right = c.stereo ? right_.data() : nullptr;
                      return WriteDumpFiles(c.name, left_.data(), right, kW, kH, 1);
                  }),
                  c.message + "\n");
    }
    EXPECT_EQ(testsupport::ReadFileBytes("L_pair.tga"), Encoded(left_, 1, scratch_));

    // A device that takes the open but no data: a short write is a failure.
    if (access("/dev/full", W_OK) == 0) {
        ASSERT_EQ(symlink("/dev/full", "full.ppm"), 0);
        EXPECT_EQ(Failure([&] {
                      return WriteDumpFiles("full", left_.data(), nullptr, kW, kH, -2);
                  }),
                  writeFailed + "Cannot write '/dev/full': " + std::strerror(ENOSPC) + "\n");
    }
    EXPECT_FALSE(WriteDumpFiles("", nullptr, nullptr, kW, kH, 1));
    EXPECT_EQ(DumpNumber(), n + 1);
}

// No numbered file can be created: the claim fails with its cause, and nothing is left.
TEST_F(DumpFilesTest, NumberedDumpInAClosedFolder) {
    ASSERT_EQ(mkdir("closed", 0755), 0);
    testsupport::ClosedFolder closed(dir_.file("closed"));
    ASSERT_EQ(closed.Close({}), "");
    const std::string report = testsupport::AsUnprivilegedUser(dir_.file("closed"), [&] {
        std::string r;
        testing::internal::CaptureStderr();
        const bool ok = WriteDumpFiles("", left_.data(), nullptr, kW, kH, 1);
        const std::string printed = testing::internal::GetCapturedStderr();
        testsupport::Check(r, !ok, "dumped into a closed folder");
        testsupport::Check(r,
                           Frames(printed,
                                  "WindowDump - Failed to open file for window dump: Cannot create '",
                                  std::string(".tga': ") + std::strerror(EACCES) + "\n"),
                           "message: " + printed);
        testsupport::Check(r, dez::ListMatchingFiles("", "*").empty(), "a file was left");
        return r;
    });
    EXPECT_EQ(report, "");
}

// On a full disk an existing named dump keeps its old content whole, and a numbered dump leaves
// neither a partial image nor its claimed empty file; each failure names the file and the cause.
TEST_F(DumpFilesTest, FullDiskLeavesOldDumpsWholeAndNoPartialFile) {
    // 128 x 128 pixels give files of 48 kB and more, far beyond the room left.
    constexpr int kSide = 128;
    std::vector<unsigned char> large(kSide * kSide * 4);
    unsigned state = 7;
    for (unsigned char& byte : large) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<unsigned char>(state >> 16);
    }
    struct Case {
        const char* what;
        std::string name;  // "" numbered
        bool stereo;
        std::vector<std::string> existing;  // files there before, each to be kept whole
    };
    const Case cases[] = {
        {"named", "shot", false, {"shot.tga"}},
        {"named pair", "pair", true, {"L_pair.tga", "R_pair.tga"}},
        {"numbered", "", false, {}},
        {"numbered pair", "", true, {}},
    };
    // A page or two of room on a small disk of its own, or else files limited to 8000 bytes.
    const testsupport::Room room{2 * 4096, 8000};
    const std::string cause = testsupport::FullDiskCause();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = dir_.file("disk");
        ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
        const std::string report = testsupport::WithLittleRoom(
            folder, 256 * 1024, room,
            [&](const std::string& f) {
                std::string r;
                for (const std::string& name : c.existing)
                    testsupport::Check(
                        r, testsupport::WriteFileBytes(f + "/" + name, "old " + name), name);
                return r;
            },
            [&](const std::string& f) {
                std::string r;
                // Left again before the small disk is unmounted.
                const dez::ScopedWorkingDirectory onTheDisk(f);
                if (!onTheDisk.ok()) return std::string("cannot enter the small disk\n");
                testing::internal::CaptureStderr();
                const unsigned char* right = c.stereo ? large.data() : nullptr;
                const bool ok = WriteDumpFiles(c.name, large.data(), right, kSide, kSide, 1);
                const std::string printed = testing::internal::GetCapturedStderr();
                testsupport::Check(r, !ok, "dumped without room");
                testsupport::Check(
                    r,
                    Frames(printed, "WindowDump - Failed to write image file: Cannot write '",
                           ".tga': " + cause + "\n"),
                    "message: " + printed);
                for (const std::string& name : c.existing)
                    testsupport::Check(r, testsupport::ReadFileBytes(name) == "old " + name,
                                       name + " lost its old content");
                std::vector<std::string> names;
                for (const std::string& name : dez::ListMatchingFiles("", "*"))
                    if (name != "filler") names.push_back(name);
                testsupport::Check(r, names == c.existing,
                                   "a partial, claimed or temporary file was left");
                return r;
            });
        EXPECT_EQ(report, "");
        std::filesystem::remove_all(folder);
    }
}

}  // namespace

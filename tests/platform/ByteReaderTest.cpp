#include "platform/ByteReader.h"
#include "platform/GuardedRead.h"
#include "platform/SafeWriter.h"

#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestSupport.h"
#include "platform/Paths.h"

namespace {

using dez::ByteReader;
using dez::ByteWriter;

const uint8_t kSeq[8] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};

TEST(ByteDecoders, IntegersInBothByteOrders) {
    EXPECT_EQ(dez::LoadU16LE(kSeq), 0x0201u);
    EXPECT_EQ(dez::LoadU16BE(kSeq), 0x0102u);
    EXPECT_EQ(dez::LoadU32LE(kSeq), 0x04030201u);
    EXPECT_EQ(dez::LoadU32BE(kSeq), 0x01020304u);
    const uint8_t neg[4] = {0xFF, 0xFE, 0xFD, 0xFC};
    EXPECT_EQ(dez::LoadI16LE(neg), -257);          // 0xFEFF
    EXPECT_EQ(dez::LoadI16BE(neg), -2);            // 0xFFFE
    EXPECT_EQ(dez::LoadI32LE(neg), -50462977);     // 0xFCFDFEFF
    EXPECT_EQ(dez::LoadI32BE(neg), -66052);        // 0xFFFEFDFC
}

// IEEE 754 encodings: 1.0f = 3F800000, -2.5f = C0200000, 1.0 = 3FF0000000000000,
// -0.1 = BFB999999999999A.
TEST(ByteDecoders, FloatsInBothByteOrders) {
    const uint8_t oneBE[4] = {0x3F, 0x80, 0x00, 0x00};
    const uint8_t oneLE[4] = {0x00, 0x00, 0x80, 0x3F};
    const uint8_t negBE[4] = {0xC0, 0x20, 0x00, 0x00};
    EXPECT_EQ(dez::LoadF32BE(oneBE), 1.0f);
    EXPECT_EQ(dez::LoadF32LE(oneLE), 1.0f);
    EXPECT_EQ(dez::LoadF32BE(negBE), -2.5f);
    const uint8_t dBE[8] = {0xBF, 0xB9, 0x99, 0x99, 0x99, 0x99, 0x99, 0x9A};
    uint8_t dLE[8];
    for (int i = 0; i < 8; ++i) dLE[i] = dBE[7 - i];
    EXPECT_EQ(dez::LoadF64BE(dBE), -0.1);
    EXPECT_EQ(dez::LoadF64LE(dLE), -0.1);
    const uint8_t d1[8] = {0x3F, 0xF0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(dez::LoadF64BE(d1), 1.0);
}

TEST(ByteEncoders, MatchTheDecoders) {
    uint8_t b[8];
    dez::StoreU16LE(b, 0x0201);
    EXPECT_EQ(0, std::memcmp(b, kSeq, 2));
    dez::StoreU16BE(b, 0x0102);
    EXPECT_EQ(0, std::memcmp(b, kSeq, 2));
    dez::StoreU32LE(b, 0x04030201u);
    EXPECT_EQ(0, std::memcmp(b, kSeq, 4));
    dez::StoreU32BE(b, 0x01020304u);
    EXPECT_EQ(0, std::memcmp(b, kSeq, 4));
    dez::StoreI16BE(b, -2);
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[1], 0xFE);
    dez::StoreI32LE(b, -66052);
    EXPECT_EQ(dez::LoadI32LE(b), -66052);
    dez::StoreI16LE(b, std::numeric_limits<int16_t>::min());
    EXPECT_EQ(dez::LoadI16LE(b), std::numeric_limits<int16_t>::min());
    dez::StoreI32BE(b, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(dez::LoadI32BE(b), std::numeric_limits<int32_t>::min());
    dez::StoreF32BE(b, -2.5f);
    EXPECT_EQ(b[0], 0xC0);
    EXPECT_EQ(b[1], 0x20);
    dez::StoreF32LE(b, -2.5f);
    EXPECT_EQ(dez::LoadF32LE(b), -2.5f);
    dez::StoreF64BE(b, -0.1);
    EXPECT_EQ(b[0], 0xBF);
    EXPECT_EQ(b[7], 0x9A);
    dez::StoreF64LE(b, -0.1);
    EXPECT_EQ(b[0], 0x9A);
    EXPECT_EQ(dez::LoadF64LE(b), -0.1);
}

TEST(ByteWriterReader, RoundTripEveryWidth) {
    ByteWriter w;
    w.PutU8(0xAB);
    w.PutI8(-5);
    w.PutU16LE(0xBEEF);
    w.PutU16BE(0xBEEF);
    w.PutI16LE(-12345);
    w.PutI16BE(-12345);
    w.PutU32LE(0xDEADBEEFu);
    w.PutU32BE(0xDEADBEEFu);
    w.PutI32LE(-123456789);
    w.PutI32BE(-123456789);
    w.PutF32LE(3.5f);
    w.PutF32BE(-0.125f);
    w.PutF64LE(1e-300);
    w.PutF64BE(-6.25e100);
    const char tail[3] = {'e', 'n', 'd'};
    w.PutBytes(tail, 3);
    w.PutZeros(2);
    ASSERT_EQ(w.size(), 1u + 1 + 2 * 4 + 4 * 4 + 4 * 2 + 8 * 2 + 3 + 2);

    ByteReader r(w.bytes());
    uint8_t u8;
    int8_t i8;
    uint16_t u16;
    int16_t i16;
    uint32_t u32;
    int32_t i32;
    float f;
    double d;
    EXPECT_TRUE(r.ReadU8(u8) && u8 == 0xAB);
    EXPECT_TRUE(r.ReadI8(i8) && i8 == -5);
    EXPECT_TRUE(r.ReadU16LE(u16) && u16 == 0xBEEF);
    EXPECT_TRUE(r.ReadU16BE(u16) && u16 == 0xBEEF);
    EXPECT_TRUE(r.ReadI16LE(i16) && i16 == -12345);
    EXPECT_TRUE(r.ReadI16BE(i16) && i16 == -12345);
    EXPECT_TRUE(r.ReadU32LE(u32) && u32 == 0xDEADBEEFu);
    EXPECT_TRUE(r.ReadU32BE(u32) && u32 == 0xDEADBEEFu);
    EXPECT_TRUE(r.ReadI32LE(i32) && i32 == -123456789);
    EXPECT_TRUE(r.ReadI32BE(i32) && i32 == -123456789);
    EXPECT_TRUE(r.ReadF32LE(f) && f == 3.5f);
    EXPECT_TRUE(r.ReadF32BE(f) && f == -0.125f);
    EXPECT_TRUE(r.ReadF64LE(d) && d == 1e-300);
    EXPECT_TRUE(r.ReadF64BE(d) && d == -6.25e100);
    char got[5];
    EXPECT_TRUE(r.ReadBytes(got, 5));
    EXPECT_EQ(std::string(got, 5), std::string("end\0\0", 5));
    EXPECT_EQ(r.remaining(), 0u);
    EXPECT_TRUE(r.ok());
}

struct ShortRead {
    const char* name;
    size_t width;
    // Reads with the output preset to a non-zero value; `zeroed` tells whether it was cleared.
    std::function<bool(ByteReader&, bool& zeroed)> read;
};

template <typename T>
std::function<bool(ByteReader&, bool&)> Reader(bool (ByteReader::*method)(T&)) {
    return [method](ByteReader& r, bool& zeroed) {
        T v = static_cast<T>(7);
        const bool done = (r.*method)(v);
        zeroed = v == T();
        return done;
    };
}

const std::vector<ShortRead>& ShortReads() {
    static const std::vector<ShortRead> reads = {
        {"U8", 1, Reader(&ByteReader::ReadU8)},
        {"I8", 1, Reader(&ByteReader::ReadI8)},
        {"U16LE", 2, Reader(&ByteReader::ReadU16LE)},
        {"U16BE", 2, Reader(&ByteReader::ReadU16BE)},
        {"I16LE", 2, Reader(&ByteReader::ReadI16LE)},
        {"I16BE", 2, Reader(&ByteReader::ReadI16BE)},
        {"U32LE", 4, Reader(&ByteReader::ReadU32LE)},
        {"U32BE", 4, Reader(&ByteReader::ReadU32BE)},
        {"I32LE", 4, Reader(&ByteReader::ReadI32LE)},
        {"I32BE", 4, Reader(&ByteReader::ReadI32BE)},
        {"F32LE", 4, Reader(&ByteReader::ReadF32LE)},
        {"F32BE", 4, Reader(&ByteReader::ReadF32BE)},
        {"F64LE", 8, Reader(&ByteReader::ReadF64LE)},
        {"F64BE", 8, Reader(&ByteReader::ReadF64BE)},
        {"Bytes3", 3,
         [](ByteReader& r, bool& zeroed) {
             uint8_t v[3] = {7, 7, 7};
             const bool done = r.ReadBytes(v, 3);
             zeroed = v[0] == 0 && v[1] == 0 && v[2] == 0;
             return done;
         }},
    };
    return reads;
}

// Each read is tried with one byte short (starting one byte into the buffer, so a reader that
// ignored the position would still find enough bytes) and with exactly enough.
TEST(ByteReader, ShortReadsAtEveryWidth) {
    for (const ShortRead& c : ShortReads()) {
        SCOPED_TRACE(c.name);
        // Exactly sized heap buffer, so ASan sees any read past the end.
        std::vector<uint8_t> bytes(c.width, 0xA5);
        ByteReader r(bytes);
        ASSERT_TRUE(r.Skip(1));
        bool zeroed = false;
        EXPECT_FALSE(c.read(r, zeroed));
        EXPECT_TRUE(zeroed);
        EXPECT_EQ(r.pos(), 1u);
        EXPECT_FALSE(r.ok());
        // Sticky: a later read that fits still succeeds, but ok() stays false.
        ASSERT_TRUE(r.Seek(0));
        EXPECT_TRUE(c.read(r, zeroed));
        EXPECT_FALSE(zeroed);
        EXPECT_EQ(r.pos(), c.width);
        EXPECT_FALSE(r.ok());

        ByteReader empty(nullptr, 0);
        EXPECT_FALSE(c.read(empty, zeroed));
        EXPECT_TRUE(zeroed);
    }
}

TEST(ByteReader, SeekSkipAndPeek) {
    const std::vector<uint8_t> bytes(kSeq, kSeq + 8);
    ByteReader r(bytes);
    EXPECT_EQ(r.size(), 8u);
    EXPECT_TRUE(r.Seek(8));  // the end itself is a valid position
    EXPECT_EQ(r.remaining(), 0u);
    EXPECT_EQ(r.Peek(1), nullptr);
    EXPECT_NE(r.Peek(0), nullptr);
    EXPECT_TRUE(r.ok());
    EXPECT_FALSE(r.Seek(9));
    EXPECT_EQ(r.pos(), 8u);
    EXPECT_FALSE(r.ok());

    ByteReader s(bytes);
    EXPECT_TRUE(s.Skip(6));
    ASSERT_NE(s.Peek(2), nullptr);
    EXPECT_EQ(s.Peek(2)[1], 0x08);
    EXPECT_EQ(s.Peek(3), nullptr);
    EXPECT_FALSE(s.Skip(3));
    EXPECT_EQ(s.pos(), 6u);
    // A huge count must not wrap around the bounds check.
    EXPECT_FALSE(s.Skip(static_cast<size_t>(-1)));
    EXPECT_EQ(s.Peek(static_cast<size_t>(-1)), nullptr);
    EXPECT_FALSE(s.ok());

    // A null buffer with a size claims nothing.
    ByteReader bogus(nullptr, 100);
    EXPECT_EQ(bogus.size(), 0u);
}

TEST(ByteWriter, PatchInsideOnly) {
    ByteWriter w;
    w.PutZeros(6);
    EXPECT_TRUE(w.PatchU16LE(0, 0x0201));
    EXPECT_TRUE(w.PatchU32BE(2, 0x01020304u));
    EXPECT_EQ(std::vector<uint8_t>({1, 2, 1, 2, 3, 4}), w.bytes());
    EXPECT_TRUE(w.PatchI16BE(4, -2));
    EXPECT_EQ(w.bytes()[4], 0xFF);
    EXPECT_TRUE(w.PatchF32LE(2, 1.0f));
    EXPECT_EQ(w.bytes()[5], 0x3F);
    EXPECT_FALSE(w.PatchU32LE(3, 0));
    EXPECT_FALSE(w.PatchU16BE(5, 0));
    EXPECT_FALSE(w.PatchU8(6, 0));
    EXPECT_FALSE(w.PatchI32LE(static_cast<size_t>(-2), 0));
    EXPECT_TRUE(w.PatchU8(5, 9));
    const std::vector<uint8_t> taken = w.TakeBytes();
    EXPECT_EQ(taken.size(), 6u);
    EXPECT_EQ(taken[5], 9);
    EXPECT_EQ(w.size(), 0u);
}

TEST(ReadWholeFile, ReadsEverythingOrFailsWithAReason) {
    testsupport::TempDir dir;
    std::string content(200000, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("data.bin"), content));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("empty.bin"), ""));

    std::vector<uint8_t> out;
    std::string error;
    ASSERT_TRUE(dez::ReadWholeFile(dir.file("data.bin"), out, &error));
    EXPECT_EQ(std::string(out.begin(), out.end()), content);

    ASSERT_TRUE(dez::ReadWholeFile(dir.file("empty.bin"), out, &error));
    EXPECT_TRUE(out.empty());

    out.assign(3, 1);
    for (const std::string& bad : {dir.file("missing.bin"), dir.path(), std::string()}) {
        SCOPED_TRACE(bad);
        error.clear();
        EXPECT_FALSE(dez::ReadWholeFile(bad, out, &error));
        EXPECT_NE(error.find("'" + bad + "'"), std::string::npos) << error;
        EXPECT_EQ(out.size(), 3u);  // untouched on failure
    }
}

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Only regular files are read: a FIFO would block the open (and the program) for ever.
TEST(ReadWholeFile, RefusesWhatIsNotARegularFile) {
    testsupport::TempDir dir;
    const std::string fifo = dir.file("pipe.c3d");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, dir.path(), std::string("/dev/null")}) {
        SCOPED_TRACE(path);
        std::vector<uint8_t> bytes{1, 2};
        std::string error;
        EXPECT_FALSE(dez::ReadWholeFile(path, bytes, &error));
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2}));
    }
}

TEST(WriteFileAtomically, CreatesAndReplaces) {
    testsupport::TempDir dir;
    const std::string path = dir.file("out.c3d");
    const mode_t oldMask = ::umask(022);
    std::string error;
    EXPECT_TRUE(dez::WriteFileAtomically(path, "first", 5, &error)) << error;
    ::umask(oldMask);
    EXPECT_EQ(testsupport::ReadFileBytes(path), "first");
    EXPECT_EQ(ModeOf(path), 0644u);

    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    EXPECT_TRUE(dez::WriteFileAtomically(path, "second!", 7, &error)) << error;
    EXPECT_EQ(testsupport::ReadFileBytes(path), "second!");
    EXPECT_EQ(ModeOf(path), 0600u);

    EXPECT_TRUE(dez::WriteFileAtomically(path, nullptr, 0, &error)) << error;
    EXPECT_EQ(dez::FileSize(path), 0);
    // "*" also lists hidden names: no temporary file is left beside the target.
    EXPECT_EQ(dez::ListMatchingFiles(dir.path(), "*"), std::vector<std::string>{"out.c3d"});
}

// Restores the file-size limit and SIGXFSZ handling however the test ends.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
    bool ok_ = false;
};

// The write itself fails half-way (the file-size limit works even for root): the old file must
// survive unchanged and no temporary file may be left behind.
TEST(WriteFileAtomically, FailedWriteKeepsTheOldFile) {
    testsupport::TempDir dir;
    const std::string path = dir.file("keep.c3d");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, "precious"));
    const std::string big(100000, 'x');
    std::string error;
    bool written = true;
    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.ok());
        written = dez::WriteFileAtomically(path, big.data(), big.size(), &error);
    }
    EXPECT_FALSE(written);
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(testsupport::ReadFileBytes(path), "precious");
    EXPECT_EQ(dez::ListMatchingFiles(dir.path(), "*"), std::vector<std::string>{"keep.c3d"});
}

TEST(WriteFileAtomically, RefusesImpossibleTargets) {
    testsupport::TempDir dir;
    ASSERT_TRUE(dez::WriteFileAtomically(dir.file("sub.txt"), "x", 1));
    struct Case {
        std::string path;
        const char* why;
    };
    const Case cases[] = {
        {dir.file("no-such-folder/out.c3d"), "folder missing"},
        {dir.path(), "target is a folder"},
        {dir.file("sub.txt/inner"), "parent is a file"},
        {"", "empty path"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        std::string error;
        EXPECT_FALSE(dez::WriteFileAtomically(c.path, "data", 4, &error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_TRUE(dez::IsDirectory(dir.path()));
    EXPECT_EQ(testsupport::ReadFileBytes(dir.file("sub.txt")), "x");
    EXPECT_EQ(dez::ListMatchingFiles(dir.path(), "*"), std::vector<std::string>{"sub.txt"});
}

// Saving through a link keeps the link: a symbolic link still points at the (now replaced)
// target, a dangling one gets its target created, and a hard-linked file stays one file.
TEST(WriteFileAtomically, LinksStayLinks) {
    testsupport::TempDir dir;
    const std::string target = dir.file("real.c3d");
    ASSERT_TRUE(testsupport::WriteFileBytes(target, "old"));
    const std::string link = dir.file("link.c3d");
    ASSERT_EQ(::symlink("real.c3d", link.c_str()), 0);
    std::string error;
    ASSERT_TRUE(dez::WriteFileAtomically(link, "new", 3, &error)) << error;
    struct stat st;
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(testsupport::ReadFileBytes(target), "new");

    const std::string dangling = dir.file("dangling.c3d");
    ASSERT_EQ(::symlink(dir.file("made.c3d").c_str(), dangling.c_str()), 0);
    ASSERT_TRUE(dez::WriteFileAtomically(dangling, "made", 4, &error)) << error;
    ASSERT_EQ(::lstat(dangling.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(testsupport::ReadFileBytes(dir.file("made.c3d")), "made");

    const std::string second = dir.file("second.c3d");
    ASSERT_EQ(::link(target.c_str(), second.c_str()), 0);
    ASSERT_TRUE(dez::WriteFileAtomically(second, "both names", 10, &error)) << error;
    EXPECT_EQ(testsupport::ReadFileBytes(target), "both names");
    ASSERT_EQ(::stat(second.c_str(), &st), 0);
    EXPECT_EQ(st.st_nlink, 2u);
    // No temporary file is left beside them.
    EXPECT_EQ(dez::ListMatchingFiles(dir.path(), "*"),
              (std::vector<std::string>{"dangling.c3d", "link.c3d", "made.c3d", "real.c3d", "second.c3d"}));
}

// A chain of links that never ends names no file: the save is refused and the links stay as
// they were (none is replaced by a file).
TEST(WriteFileAtomically, LinkLoopsAreRefused) {
    testsupport::TempDir dir;
    ASSERT_EQ(::symlink("self.c3d", dir.file("self.c3d").c_str()), 0);
    ASSERT_EQ(::symlink("b.c3d", dir.file("a.c3d").c_str()), 0);
    ASSERT_EQ(::symlink("a.c3d", dir.file("b.c3d").c_str()), 0);
    for (const char* name : {"self.c3d", "a.c3d", "b.c3d"}) {
        SCOPED_TRACE(name);
        std::string error;
        EXPECT_FALSE(dez::WriteFileAtomically(dir.file(name), "data", 4, &error));
        EXPECT_NE(error.find(dir.file(name)), std::string::npos) << error;
        struct stat st;
        ASSERT_EQ(::lstat(dir.file(name).c_str(), &st), 0);
        EXPECT_TRUE(S_ISLNK(st.st_mode));
    }
    // Nothing else was left beside them.
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 3u);
}

// A read-only file is not replaced, even by a user (root) whom the system would let do it.
TEST(WriteFileAtomically, ReadOnlyFilesAreRefused) {
    testsupport::TempDir dir;
    const std::string path = dir.file("locked.c3d");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, "keep"));
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    std::string error;
    EXPECT_FALSE(dez::WriteFileAtomically(path, "lost", 4, &error));
    EXPECT_NE(error.find("Permission denied"), std::string::npos) << error;
    EXPECT_EQ(testsupport::ReadFileBytes(path), "keep");
    EXPECT_EQ(dez::ListMatchingFiles(dir.path(), "*"), std::vector<std::string>{"locked.c3d"});
}

}  // namespace

// The frame dumper's encoders: golden bytes of a 3 x 2 frame in every variant, the row order of
// the code's sign, run-length packets, grey conversion, EPS line breaks, size limits, refusals,
// short writes, and every file the toolkit can read decoded back through wxImage.
#include "dumper/WriteBitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include "view/ImageOutput.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::string;

Bytes Hex(const std::string& hex) {
    Bytes out;
    std::string digits;
    for (char c : hex)
        if (c != ' ' && c != '\n') digits += c;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        out += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
}

std::string ToHex(const Bytes& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 15];
    }
    return out;
}

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// An RGBA frame, rows bottom to top as GL returns them.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;
    unsigned char* at(int x, int y) { return &rgba[(std::size_t(y) * width + x) * 4]; }
    const unsigned char* at(int x, int y) const { return &rgba[(std::size_t(y) * width + x) * 4]; }
    Frame Flipped() const {
        Frame f = *this;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                std::copy(at(x, y), at(x, y) + 4, f.at(x, height - 1 - y));
        return f;
    }
};

// Pixel (x, y) of the 3 x 2 frame is 4k+1 .. 4k+4 with k = 3y + x: the bottom row holds
// (1,2,3,4) (5,6,7,8) (9,10,11,12), the top row (13,..,16) (17,..,20) (21,..,24).
Frame SmallFrame() {
    Frame f{3, 2, {}};
    for (int i = 1; i <= 24; ++i) f.rgba.push_back(static_cast<unsigned char>(i));
    return f;
}

// Seeded pseudo-random frame with runs of equal pixels, so the run-length variants see both
// packet kinds. No std distributions: they differ between library implementations.
Frame PatternFrame(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    Frame f{w, h, std::vector<unsigned char>(std::size_t(w) * h * 4)};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned char* p = f.at(x, y);
            if (x > 0 && random() % 3 == 0) {
                std::copy(f.at(x - 1, y), f.at(x - 1, y) + 4, p);
            } else {
                const std::uint32_t v = random();
                for (int c = 0; c < 4; ++c) p[c] = static_cast<unsigned char>(v >> (8 * c));
            }
        }
    }
    return f;
}

class EncoderTest : public ::testing::Test {
protected:
    // WriteBitmap into a fresh file, then that file's bytes.
    Bytes Encode(const Frame& f, int code, bool* ok = nullptr) {
        const std::string path = dir_.file("out" + std::to_string(count_++));
        {
            FilePtr file(std::fopen(path.c_str(), "wb"));
            EXPECT_TRUE(file);
            const bool written = WriteBitmap(file.get(), f.rgba.data(), f.width, f.height, code);
            if (ok) *ok = written;
        }
        return testsupport::ReadFileBytes(path);
    }
    testsupport::TempDir dir_;
    int count_ = 0;
};

// ---- Golden bytes of the 3 x 2 frame ----

const char kTiffDirectory[] =
    "000e"
    "0100 0003 00000001 0003 0000"
    "0101 0003 00000001 0002 0000"
    "0102 0003 00000003 000000c8"
    "0103 0003 00000001 0001 0000"
    "0106 0003 00000001 0002 0000"
    "0111 0004 00000001 00000008"
    "0112 0003 00000001 0001 0000"
    "0115 0003 00000001 0003 0000"
    "0116 0003 00000001 0002 0000"
    "0117 0004 00000001 00000012"
    "0118 0003 00000003 000000ce"
    "0119 0003 00000003 000000d4"
    "011c 0003 00000001 0001 0000"
    "0153 0003 00000003 000000da"
    "00000000"
    "000800080008 000000000000 00ff00ff00ff 000100010001";

Bytes SgiHeader() {
    Bytes h = Hex("01da 00 01 0003 0003 0002 0003 00000000 000000ff 00000000");
    std::string name = "WriteBitmap, tkv";
    name.resize(80, '\0');
    h += name;
    h += Bytes(4 + 404, '\0');
    return h;
}

const char kEpsHead[] =
    "%!PS-Adobe-3.0 EPSF-3.0\n"
    "%%Creator: Created from vexilpic by Halbrook\n"
    "%%BoundingBox: 0 0 3 2\n"
    "%%LanguageLevel: 2\n"
    "%%Pages: 1\n"
    "%%DocumentData: Clean7Bit\n"
    "3 2 scale\n"
    "3 2 8 [3 0 0 -2 0 2]\n";

struct GoldenCase {
    int code;
    Bytes expected;
};

std::vector<GoldenCase> GoldenCases() {
    const Bytes tgaHead24 = Hex("00 00 02 0000000000 0000 0000 0300 0200 18 00");
    const Bytes tgaHead32 = Hex("00 00 02 0000000000 0000 0000 0300 0200 20 08");
    const Bytes rleHead24 = Hex("00 00 0a 0000000000 0000 0000 0300 0200 18 00");
    const Bytes rleHead32 = Hex("00 00 0a 0000000000 0000 0000 0300 0200 20 08");
    const Bytes bottomBgr = Hex("030201 070605 0b0a09");
    const Bytes topBgr = Hex("0f0e0d 131211 171615");
    const Bytes bottomRgb = Hex("010203 050607 090a0b");
    const Bytes topRgb = Hex("0d0e0f 111213 151617");
    return {
        {1, tgaHead24 + bottomBgr + topBgr},
        {-1, tgaHead24 + topBgr + bottomBgr},
        {11, tgaHead32 + Hex("03020104 07060508 0b0a090c 0f0e0d10 13121114 17161518")},
        // Three different pixels make one raw packet of 3 per row.
        {12, rleHead24 + Hex("02") + bottomBgr + Hex("02") + topBgr},
        {13, rleHead32 + Hex("02 03020104 07060508 0b0a090c 02 0f0e0d10 13121114 17161518")},
        {-2, "P6\n3 2\n255\n" + topRgb + bottomRgb},
        {2, "P6\n3 2\n255\n" + bottomRgb + topRgb},
        {3, SgiHeader() + Hex("010509 0d1115 02060a 0e1216 03070b 0f1317")},
        {4, Hex("02060a 0e1216")},
        {-4, Hex("0e1216 02060a")},
        {-5, Hex("4d4d002a 0000001a") + topRgb + bottomRgb + Hex(kTiffDirectory)},
        {5, Hex("4d4d002a 0000001a") + bottomRgb + topRgb + Hex(kTiffDirectory)},
        {-6, std::string(kEpsHead) +
                 "{currentfile 3 3 mul string readhexstring pop} bind\nfalse 3 colorimage\n"
                 "0d0e0f\n111213\n151617\n010203\n050607\n090a0b\n"
                 "\n%%EOF\n"},
        {-7, std::string(kEpsHead) +
                 "{currentfile 3 string readhexstring pop} bind\nfalse 1 colorimage\n"
                 "0e12\n1602\n060a\n"
                 "\n%%EOF\n"},
        {8, bottomRgb + topRgb},
        {9, Hex("424d 4e000000 00000000 36000000 28000000 03000000 02000000 0100 1800 00000000"
                "18000000 01000000 01000000 00000000 00000000") +
                bottomBgr + Hex("000000") + topBgr + Hex("000000")},
    };
}

TEST_F(EncoderTest, SmallFrameGoldenBytesInEveryVariant) {
    for (const GoldenCase& c : GoldenCases()) {
        SCOPED_TRACE("code " + std::to_string(c.code));
        bool ok = false;
        const Bytes actual = Encode(SmallFrame(), c.code, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(ToHex(actual), ToHex(c.expected));
    }
}

TEST_F(EncoderTest, TiffDirectoryOffsetsFollowTheData) {
    // 3 x 2 gives 18 data bytes, the directory at 26 and a file of 224 bytes.
    const Bytes tiff = Encode(SmallFrame(), -5);
    ASSERT_EQ(tiff.size(), 224u);
    auto u16 = [&](std::size_t at) {
        return unsigned((unsigned char)tiff[at] << 8 | (unsigned char)tiff[at + 1]);
    };
    auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
    EXPECT_EQ(u32(4), 26u);
    ASSERT_EQ(u16(26), 14u);
    unsigned previousTag = 0;
    for (std::size_t e = 0; e < 14; ++e) {
        const std::size_t at = 28 + 12 * e;
        const unsigned tag = u16(at);
        SCOPED_TRACE("tag " + std::to_string(tag));
        EXPECT_GT(tag, previousTag) << "directory entries must be sorted by tag";
        previousTag = tag;
        // Values that do not fit in four bytes lie inside the file.
        const unsigned type = u16(at + 2), count = u32(at + 4);
        if (type == 3 && count == 3) {
            EXPECT_LE(u32(at + 8) + 6, tiff.size());
        }
    }
    EXPECT_EQ(u32(28 + 168), 0u);
}

TEST_F(EncoderTest, NegativeCodeWritesTheRowsInOppositeOrder) {
    // The header never depends on the sign: a flipped frame under the opposite sign is the same
    // file, in every variant.
    const Frame f = PatternFrame(7, 5, 11);
    for (int code : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13}) {
        SCOPED_TRACE("code " + std::to_string(code));
        EXPECT_EQ(ToHex(Encode(f, code)), ToHex(Encode(f.Flipped(), -code)));
    }
}

TEST_F(EncoderTest, FileSizesFromThePixelCount) {
    struct Case {
        int code, w, h;
        std::size_t size;
    };
    const Case cases[] = {
        {1, 5, 3, 18 + 45},        {11, 5, 3, 18 + 60},      {2, 5, 3, 11 + 45},
        {3, 5, 3, 512 + 45},       {4, 5, 3, 15},            {8, 5, 3, 45},
        {-5, 3, 2, 224},           {-5, 5, 3, 45 + 206},
        // Rows of 9 bytes are padded to 12: image size 12, file size 66.
        {9, 3, 1, 66},             {9, 4, 1, 54 + 12},       {9, 1, 2, 54 + 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("code " + std::to_string(c.code) + " " + std::to_string(c.w) + " x " +
                     std::to_string(c.h));
        const Bytes file = Encode(PatternFrame(c.w, c.h, 3), c.code);
        EXPECT_EQ(file.size(), c.size);
        if (c.code == 9) {
            const auto u32 = [&](std::size_t at) {
                unsigned v = 0;
                for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(file[at + i]);
                return v;
            };
            EXPECT_EQ(u32(2), c.size);
            EXPECT_EQ(u32(34), c.size - 54);
        }
    }
}

TEST_F(EncoderTest, GreyIsTheMeanRoundedDown) {
    struct Case {
        unsigned char r, g, b;
        int grey;
    };
    const Case cases[] = {{255, 255, 254, 254}, {255, 255, 255, 255}, {0, 0, 2, 0},
                          {1, 1, 2, 1},         {0, 0, 0, 0},         {10, 20, 31, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b));
        const Frame f{1, 1, {c.r, c.g, c.b, 77}};
        EXPECT_EQ(Encode(f, 4), Bytes(1, static_cast<char>(c.grey)));
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", c.grey);
        const Bytes eps = Encode(f, -7);
        EXPECT_NE(eps.find(std::string("colorimage\n") + hex + "\n\n%%EOF\n"), std::string::npos)
            << eps;
    }
}

// Lengths of the hexadecimal pixel lines of an EPS file.
std::vector<std::size_t> EpsDataLines(const Bytes& eps) {
    std::vector<std::size_t> lengths;
    std::size_t at = eps.find("colorimage\n");
    if (at == std::string::npos) return lengths;
    at += 11;
    const std::size_t end = eps.rfind("\n%%EOF\n");
    while (at < end) {
        const std::size_t nl = eps.find('\n', at);
        if (nl == std::string::npos || nl > end) {
            lengths.push_back(end - at);
            break;
        }
        lengths.push_back(nl - at);
        at = nl + 1;
    }
    return lengths;
}

TEST_F(EncoderTest, EpsLinesEndAt72CharactersOrTheWidth) {
    struct Case {
        int code, w, h;
        std::vector<std::size_t> lines;
    };
    const std::vector<Case> cases = {
        // Colour pixels of 6 characters: a wide row ends its lines at 72 characters.
        {-6, 100, 1, {72, 72, 72, 72, 72, 72, 72, 72, 24}},
        // Grey, 2 characters a pixel: 36 pixels a line.
        {-7, 100, 1, {72, 72, 56}},
        // A narrower row ends a line as soon as it holds as many characters as the row has
        // pixels (7 pixels, 42 characters, for 40); lines run on across rows.
        {-6, 40, 2, {42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 42, 18}},
        {-7, 5, 2, {6, 6, 6, 2}},
        {-6, 2, 2, {6, 6, 6, 6}},
        {-7, 1, 3, {2, 2, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("code " + std::to_string(c.code) + " width " + std::to_string(c.w));
        const Frame f = PatternFrame(c.w, c.h, 5);
        const Bytes eps = Encode(f, c.code);
        EXPECT_EQ(EpsDataLines(eps), c.lines);
        // The pixels come in full, top row first.
        std::string hex;
        for (int y = c.h - 1; y >= 0; --y)
            for (int x = 0; x < c.w; ++x) {
                const unsigned char* p = f.at(x, y);
                char buf[8];
                if (c.code == -6)
                    std::snprintf(buf, sizeof buf, "%02x%02x%02x", p[0], p[1], p[2]);
                else
                    std::snprintf(buf, sizeof buf, "%02x", (p[0] + p[1] + p[2]) / 3);
                hex += buf;
            }
        std::string written;
        for (char ch : eps.substr(eps.find("colorimage\n") + 11))
            if (std::isxdigit(static_cast<unsigned char>(ch))) written += ch;
        EXPECT_EQ(written.substr(0, hex.size()), hex);
        EXPECT_EQ(eps.substr(eps.size() - 7), "\n%%EOF\n");
    }
}

// ---- Run-length rows ----

TEST_F(EncoderTest, TgaRunLengthPackets) {
    const unsigned char a[4] = {1, 2, 3, 4}, b[4] = {5, 6, 7, 8}, c[4] = {9, 10, 11, 12};
    const unsigned char aOtherAlpha[4] = {1, 2, 3, 5};
    auto row = [](std::initializer_list<const unsigned char*> pixels) {
        std::vector<unsigned char> r;
        for (const unsigned char* p : pixels) r.insert(r.end(), p, p + 4);
        return r;
    };
    auto repeat = [](const unsigned char* p, int n) {
        std::vector<unsigned char> r;
        for (int i = 0; i < n; ++i) r.insert(r.end(), p, p + 4);
        return r;
    };
    std::vector<unsigned char> distinct130;
    std::string distinct130Bgr;
    for (int i = 0; i < 130; ++i) {
        const unsigned char p[4] = {static_cast<unsigned char>(i), 0, 0, 0};
        distinct130.insert(distinct130.end(), p, p + 4);
        distinct130Bgr += Hex("0000") + Bytes(1, static_cast<char>(i));
    }
    struct Case {
        const char* name;
        std::vector<unsigned char> row;
        int n;
        Bytes expected;
    };
    const std::vector<Case> cases = {
        {"200 equal: runs of 128 and 72", repeat(a, 200), 3, Hex("ff 030201 c7 030201")},
        {"A B B B C", row({a, b, b, b, c}), 3, Hex("00 030201 82 070605 80 0b0a09")},
        {"one pixel", row({a}), 3, Hex("80 030201")},
        {"A A", row({a, a}), 3, Hex("81 030201")},
        {"A B", row({a, b}), 3, Hex("01 030201 070605")},
        {"129 equal", repeat(a, 129), 4, Hex("ff 03020104 80 03020104")},
        {"130 distinct: raw 128 and raw 2", distinct130, 3,
         Hex("7f") + distinct130Bgr.substr(0, 3 * 128) + Hex("01") +
             distinct130Bgr.substr(3 * 128)},
        // Pixels differing only in alpha are different, even when alpha is not written.
        {"alpha differs", row({a, aOtherAlpha}), 3, Hex("01 030201 030201")},
        {"alpha differs, 32 bits", row({a, aOtherAlpha}), 4, Hex("01 03020104 03020105")},
        {"A B B", row({a, b, b}), 4, Hex("00 03020104 81 07060508")},
    };
    for (const Case& cs : cases) {
        SCOPED_TRACE(cs.name);
        const std::string path = dir_.file("rle");
        {
            FilePtr file(std::fopen(path.c_str(), "wb"));
            ASSERT_TRUE(file);
            EXPECT_TRUE(WriteTgaRleRow(file.get(), cs.row.data(), int(cs.row.size() / 4), cs.n));
        }
        EXPECT_EQ(ToHex(testsupport::ReadFileBytes(path)), ToHex(cs.expected));
    }
    FilePtr file(std::fopen(dir_.file("bad").c_str(), "wb"));
    EXPECT_FALSE(WriteTgaRleRow(file.get(), a, 0, 3));
    EXPECT_FALSE(WriteTgaRleRow(file.get(), a, 1, 2));
    EXPECT_FALSE(WriteTgaRleRow(file.get(), nullptr, 1, 3));
    file.reset();
    EXPECT_EQ(testsupport::ReadFileBytes(dir_.file("bad")), "");
}

TEST_F(EncoderTest, HexBytes) {
    struct Case {
        const char* text;
        bool ok;
        Bytes bytes;
    };
    const Case cases[] = {
        {"4d4d002a", true, Bytes("MM\0*", 4)},
        {"00FFaB", true, Hex("00ffab")},
        {"", true, ""},
        {"abc", false, ""},
        {"0g", false, ""},
        {"12 4", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string path = dir_.file("hex");
        {
            FilePtr file(std::fopen(path.c_str(), "wb"));
            EXPECT_EQ(WriteHexBytes(file.get(), c.text), c.ok);
        }
        EXPECT_EQ(ToHex(testsupport::ReadFileBytes(path)), ToHex(c.bytes));
    }
}

// ---- Codes, sizes and refusals ----

TEST(BitmapCodes, ExtensionOfEveryCode) {
    struct Case {
        int code;
        const char* ext;
    };
    const Case cases[] = {
        {1, "tga"},  {2, "ppm"},  {3, "rgb"},  {4, "raw"},     {5, "tif"},       {6, "eps"},
        {7, "eps"},  {8, "raw"},  {9, "bmp"},  {11, "tga"},    {12, "tga"},      {13, "tga"},
        {-5, "tif"}, {-13, "tga"}, {0, nullptr}, {10, nullptr}, {-10, nullptr},  {14, nullptr},
        {-14, nullptr}, {INT_MAX, nullptr}, {INT_MIN, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        const char* ext = BitmapExtension(c.code);
        if (c.ext)
            EXPECT_STREQ(ext, c.ext);
        else
            EXPECT_EQ(ext, nullptr);
    }
}

TEST(BitmapCodes, SizeLimitsOfTheVariants) {
    struct Case {
        int code, w, h;
        bool ok;
    };
    const Case cases[] = {
        {1, 1, 1, true},          {1, 0, 1, false},          {1, 1, -1, false},
        {1, 65535, 65535, true},  {1, 65536, 1, false},      {13, 1, 65536, false},
        {3, 65535, 2, true},      {3, 2, 65536, false},
        // TIFF sizes are 16-bit and its offsets 32-bit: 3 x W x H + 206 must fit.
        {-5, 65535, 1, true},     {-5, 65536, 1, false},     {-5, 65535, 21845, true},
        {-5, 65535, 21846, false},
        // BMP: padded rows x H + 54 must fit in 32 bits.
        {9, 65536, 21845, true},  {9, 65536, 21846, false},  {9, INT_MAX, 1, false},
        {2, 100000, 100000, true}, {8, INT_MAX, 2, true},
        {0, 1, 1, false},         {10, 1, 1, false},         {INT_MIN, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("code " + std::to_string(c.code) + " " + std::to_string(c.w) + " x " +
                     std::to_string(c.h));
        EXPECT_EQ(BitmapSizeSupported(c.w, c.h, c.code), c.ok);
    }
}

TEST_F(EncoderTest, RefusalsWriteNothing) {
    const Frame f = SmallFrame();
    for (int code : {0, 10, -10, 14, INT_MIN}) {
        SCOPED_TRACE(code);
        bool ok = true;
        EXPECT_EQ(Encode(f, code, &ok), "");
        EXPECT_FALSE(ok);
    }
    bool ok = true;
    EXPECT_EQ(Encode(Frame{0, 2, {}}, 1, &ok), "");
    EXPECT_FALSE(ok);
    FilePtr file(std::fopen(dir_.file("null").c_str(), "wb"));
    EXPECT_FALSE(WriteBitmap(file.get(), nullptr, 3, 2, 1));
    EXPECT_FALSE(WriteBitmap(nullptr, f.rgba.data(), 3, 2, 1));
}

TEST_F(EncoderTest, ShortWriteAnswersFailure) {
    // /dev/full accepts the open and fails every write with "no space left".
    FilePtr full(std::fopen("/dev/full", "wb"));
    if (!full) GTEST_SKIP() << "no /dev/full here";
    const Frame small = SmallFrame();
    EXPECT_FALSE(WriteBitmap(full.get(), small.rgba.data(), 3, 2, 1));
    const Frame big = PatternFrame(300, 300, 2);
    for (int code : {-2, -5, 9, 12, -6}) {
        SCOPED_TRACE(code);
        FilePtr f(std::fopen("/dev/full", "wb"));
        EXPECT_FALSE(WriteBitmap(f.get(), big.rgba.data(), big.width, big.height, code));
    }
}

// ---- Decoding back through the toolkit ----

class DecodeTest : public EncoderTest {
protected:
    static void SetUpTestSuite() {
        // The toolkit's base without a display: enough for image files.
        init_ = new wxInitializer;
        ASSERT_TRUE(init_->IsOk());
        RegisterImageHandlers();
    }
    static void TearDownTestSuite() {
        delete init_;
        init_ = nullptr;
    }
    static wxInitializer* init_;
};
wxInitializer* DecodeTest::init_ = nullptr;

TEST_F(DecodeTest, EveryVariantTheToolkitReadsComesBackUpright) {
    struct Case {
        int code;
        wxBitmapType type;
        bool alpha;
    };
    // The sign that makes each format upright.
    const Case cases[] = {
        {1, wxBITMAP_TYPE_TGA, false},  {11, wxBITMAP_TYPE_TGA, true},
        {12, wxBITMAP_TYPE_TGA, false}, {13, wxBITMAP_TYPE_TGA, true},
        {-2, wxBITMAP_TYPE_PNM, false}, {-5, wxBITMAP_TYPE_TIFF, false},
        {9, wxBITMAP_TYPE_BMP, false},
    };
    for (const Frame& f : {PatternFrame(37, 23, 7), PatternFrame(1, 1, 8), PatternFrame(130, 3, 9),
                           PatternFrame(2, 5, 10)}) {
        for (const Case& c : cases) {
            SCOPED_TRACE("code " + std::to_string(c.code) + ", " + std::to_string(f.width) + " x " +
                         std::to_string(f.height));
            const std::string path = dir_.file("decode");
            {
                FilePtr file(std::fopen(path.c_str(), "wb"));
                ASSERT_TRUE(WriteBitmap(file.get(), f.rgba.data(), f.width, f.height, c.code));
            }
            wxImage image;
            wxLogNull quiet;
            ASSERT_TRUE(image.LoadFile(path, c.type));
            ASSERT_EQ(image.GetWidth(), f.width);
            ASSERT_EQ(image.GetHeight(), f.height);
            EXPECT_EQ(image.HasAlpha(), c.alpha);
            int wrong = 0;
            for (int y = 0; y < f.height; ++y) {
                for (int x = 0; x < f.width; ++x) {
                    // Image row 0 is the top, the frame's row 0 the bottom.
                    const unsigned char* p = f.at(x, f.height - 1 - y);
                    if (image.GetRed(x, y) != p[0] || image.GetGreen(x, y) != p[1] ||
                        image.GetBlue(x, y) != p[2] || (c.alpha && image.GetAlpha(x, y) != p[3]))
                        ++wrong;
                }
            }
            EXPECT_EQ(wrong, 0);
        }
    }
}

}  // namespace

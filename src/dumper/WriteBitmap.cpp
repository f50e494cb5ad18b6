#include "dumper/WriteBitmap.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "platform/ByteReader.h"

namespace {

enum Variant {
    kTga24 = 1,
    kPpm = 2,
    kSgi = 3,
    kRawGrey = 4,
    kTiff = 5,
    kEpsColour = 6,
    kEpsGrey = 7,
    kRawRgb = 8,
    kBmp = 9,
    kTga32 = 11,
    kTga24Rle = 12,
    kTga32Rle = 13,
};

// Magnitude of the code, or 0 when it selects no variant. INT_MIN has no magnitude in an int.
int VariantOf(int code) {
    if (code == 0 || code < -13 || code > 13) return 0;
    const int v = std::abs(code);
    return v == 10 ? 0 : v;
}

constexpr std::uint64_t kMax16 = 0xFFFF;
constexpr std::uint64_t kMax32 = 0xFFFFFFFF;

// Size of the TIFF pixel block; the file is this plus 206 bytes.
std::uint64_t TiffDataSize(int w, int h) { return 3ull * std::uint64_t(w) * std::uint64_t(h); }
// BMP rows are padded to a multiple of four bytes.
std::uint64_t BmpRowSize(int w) { return (3ull * std::uint64_t(w) + 3) / 4 * 4; }

// Hexadecimal text to bytes; false for an odd length or a non-digit.
bool DecodeHex(const char* hex, std::vector<std::uint8_t>& out) {
    out.clear();
    if (!hex) return false;
    const std::size_t n = std::strlen(hex);
    if (n % 2 != 0) return false;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    out.reserve(n / 2);
    for (std::size_t i = 0; i < n; i += 2) {
        const int hi = digit(hex[i]);
        const int lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0) {
            out.clear();
            return false;
        }
        out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    return true;
}

// Collects bytes and hands them to the stream in blocks; remembers the first failed write so the
// encoders can run to the end and be checked once.
class Sink {
public:
    explicit Sink(std::FILE* file) : file_(file) {}
    dez::ByteWriter& out() { return out_; }
    void Hex(const char* fixedHex) {
        std::vector<std::uint8_t> bytes;
        if (!DecodeHex(fixedHex, bytes)) {
            ok_ = false;
            return;
        }
        out_.PutBytes(bytes.data(), bytes.size());
    }
    void Text(const std::string& text) { out_.PutBytes(text.data(), text.size()); }
    // Writes what has been collected once it is big enough to be worth a call; the encoders call
    // it after every pixel, so memory stays bounded whatever the width.
    void Drain(bool force = false) {
        if (out_.size() == 0 || (!force && out_.size() < (std::size_t(1) << 16))) return;
        if (ok_ && std::fwrite(out_.data(), 1, out_.size(), file_) != out_.size()) ok_ = false;
        out_.Clear();
    }
    bool Finish() {
        Drain(true);
        if (ok_ && std::fflush(file_) != 0) ok_ = false;
        return ok_ && !std::ferror(file_);
    }

private:
    std::FILE* file_;
    dez::ByteWriter out_;
    bool ok_ = true;
};

// printf into a std::string; only integers and fixed texts are formatted, so the locale plays no
// part.
template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buffer[256];
    const int n = std::snprintf(buffer, sizeof buffer, format, args...);
    return n > 0 ? std::string(buffer, std::min<std::size_t>(std::size_t(n), sizeof buffer - 1))
                 : std::string();
}

bool SamePixel(const std::uint8_t* a, const std::uint8_t* b) { return std::memcmp(a, b, 4) == 0; }

void PutPixel(dez::ByteWriter& out, const std::uint8_t* p, int bytesPerPixel) {
    out.PutU8(p[2]);
    out.PutU8(p[1]);
    out.PutU8(p[0]);
    if (bytesPerPixel == 4) out.PutU8(p[3]);
}

void AppendTgaRleRow(dez::ByteWriter& out, const std::uint8_t* row, int width, int n) {
    auto px = [row](int i) { return row + std::size_t(i) * 4; };
    int i = 0;
    while (i < width) {
        if (i == width - 1) {
            out.PutU8(128);
            PutPixel(out, px(i), n);
            ++i;
        } else if (SamePixel(px(i), px(i + 1))) {
            int count = 2;
            while (i + count < width && count < 128 && SamePixel(px(i + count), px(i))) ++count;
            out.PutU8(static_cast<std::uint8_t>(128 + count - 1));
            PutPixel(out, px(i), n);
            i += count;
        } else {
            int count = 1;
            while (i + count < width && count < 128 && !SamePixel(px(i + count), px(i + count - 1)))
                ++count;
            // A pixel equal to its predecessor stopped the packet: that pair starts a run.
            if (i + count < width && count < 128 && SamePixel(px(i + count), px(i + count - 1)))
                --count;
            out.PutU8(static_cast<std::uint8_t>(count - 1));
            for (int k = 0; k < count; ++k) PutPixel(out, px(i + k), n);
            i += count;
        }
    }
}

// Integer mean of R, G and B, rounded down.
std::uint8_t Grey(const std::uint8_t* p) {
    return static_cast<std::uint8_t>((p[0] + p[1] + p[2]) / 3);
}

class Encoder {
public:
    Encoder(Sink& sink, const std::uint8_t* rgba, int w, int h, int code)
        : sink_(sink), out_(sink.out()), rgba_(rgba), w_(w), h_(h), bottomFirst_(code > 0) {}

    // Pixels of the k-th row written to the file.
    const std::uint8_t* Row(int k) const {
        const int y = bottomFirst_ ? k : h_ - 1 - k;
        return rgba_ + std::size_t(y) * std::size_t(w_) * 4;
    }

    void Tga(bool alpha, bool rle) {
        out_.PutU8(0);
        out_.PutU8(0);
        out_.PutU8(rle ? 10 : 2);
        out_.PutZeros(5);
        out_.PutU16LE(0);
        out_.PutU16LE(0);
        out_.PutU16LE(static_cast<std::uint16_t>(w_));
        out_.PutU16LE(static_cast<std::uint16_t>(h_));
        out_.PutU8(alpha ? 32 : 24);
        // Eight attribute bits, origin bottom left.
        out_.PutU8(alpha ? 8 : 0);
        const int n = alpha ? 4 : 3;
        for (int k = 0; k < h_; ++k) {
            const std::uint8_t* row = Row(k);
            if (rle) {
                AppendTgaRleRow(out_, row, w_, n);
            } else {
                for (int x = 0; x < w_; ++x) {
                    PutPixel(out_, row + std::size_t(x) * 4, n);
                    sink_.Drain();
                }
            }
            sink_.Drain();
        }
    }

    void Rgb() {
        for (int k = 0; k < h_; ++k) {
            const std::uint8_t* row = Row(k);
            for (int x = 0; x < w_; ++x) {
                out_.PutBytes(row + std::size_t(x) * 4, 3);
                sink_.Drain();
            }
            sink_.Drain();
        }
    }

    void Ppm() {
        sink_.Text(Format("P6\n%d %d\n255\n", w_, h_));
        Rgb();
    }

    void Sgi() {
        out_.PutU16BE(474);
        out_.PutU8(0);  // verbatim, no run-length
        out_.PutU8(1);  // one byte per channel
        out_.PutU16BE(3);
        out_.PutU16BE(static_cast<std::uint16_t>(w_));
        out_.PutU16BE(static_cast<std::uint16_t>(h_));
        sink_.Hex("000300000000000000ff00000000");
        static const char kName[80] = "WriteBitmap, tkv";
        out_.PutBytes(kName, sizeof kName);
        out_.PutU32BE(0);  // normal colour map
        out_.PutZeros(404);
        // Channel planes one after another, each holding every row.
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < h_; ++k) {
                const std::uint8_t* row = Row(k);
                for (int x = 0; x < w_; ++x) {
                    out_.PutU8(row[std::size_t(x) * 4 + c]);
                    sink_.Drain();
                }
                sink_.Drain();
            }
        }
    }

    void RawGrey() {
        for (int k = 0; k < h_; ++k) {
            const std::uint8_t* row = Row(k);
            for (int x = 0; x < w_; ++x) {
                out_.PutU8(Grey(row + std::size_t(x) * 4));
                sink_.Drain();
            }
            sink_.Drain();
        }
    }

    void Tiff() {
        const std::uint32_t d = static_cast<std::uint32_t>(TiffDataSize(w_, h_));
        const auto w = static_cast<std::uint16_t>(w_);
        const auto h = static_cast<std::uint16_t>(h_);
        sink_.Hex("4d4d002a");
        out_.PutU32BE(d + 8);
        Rgb();
        out_.PutU16BE(14);
        // A single SHORT value fills the first two bytes of its four-byte field.
        sink_.Hex("0100000300000001");
        out_.PutU16BE(w);
        out_.PutU16BE(0);
        sink_.Hex("0101000300000001");
        out_.PutU16BE(h);
        out_.PutU16BE(0);
        sink_.Hex("0102000300000003");
        out_.PutU32BE(d + 182);
        sink_.Hex("010300030000000100010000");
        sink_.Hex("010600030000000100020000");
        sink_.Hex("011100040000000100000008");
        sink_.Hex("011200030000000100010000");
        sink_.Hex("011500030000000100030000");
        sink_.Hex("0116000300000001");
        out_.PutU16BE(h);
        out_.PutU16BE(0);
        sink_.Hex("0117000400000001");
        out_.PutU32BE(d);
        sink_.Hex("0118000300000003");
        out_.PutU32BE(d + 188);
        sink_.Hex("0119000300000003");
        out_.PutU32BE(d + 194);
        sink_.Hex("011c00030000000100010000");
        sink_.Hex("0153000300000003");
        out_.PutU32BE(d + 200);
        sink_.Hex("00000000");
        sink_.Hex("000800080008");
        sink_.Hex("000000000000");
        sink_.Hex("00ff00ff00ff");
        sink_.Hex("000100010001");
    }

    void Eps(bool colour) {
        sink_.Text("%!PS-Adobe-3.0 EPSF-3.0\n");
        sink_.Text("%%Creator: Created from vexilpic by Halbrook\n");
        sink_.Text(Format("%%%%BoundingBox: %d %d %d %d\n", 0, 0, w_, h_));
        sink_.Text("%%LanguageLevel: 2\n");
        sink_.Text("%%Pages: 1\n");
        sink_.Text("%%DocumentData: Clean7Bit\n");
        sink_.Text(Format("%d %d scale\n", w_, h_));
        // The image matrix puts the first data row at the top.
        sink_.Text(Format("%d %d 8 [%d 0 0 -%d 0 %d]\n", w_, h_, w_, h_, h_));
        if (colour) {
            sink_.Text(Format("{currentfile 3 %d mul string readhexstring pop} bind\n", w_));
            sink_.Text("false 3 colorimage\n");
        } else {
            sink_.Text(Format("{currentfile %d string readhexstring pop} bind\n", w_));
            sink_.Text("false 1 colorimage\n");
        }
        static const char kDigits[] = "0123456789abcdef";
        auto hex = [this](std::uint8_t v) {
            out_.PutU8(static_cast<std::uint8_t>(kDigits[v >> 4]));
            out_.PutU8(static_cast<std::uint8_t>(kDigits[v & 15]));
        };
        // Lines end after the pixel that brings them to 72 characters or to the width.
        long long lineChars = 0;
        for (int k = 0; k < h_; ++k) {
            const std::uint8_t* row = Row(k);
            for (int x = 0; x < w_; ++x) {
                const std::uint8_t* p = row + std::size_t(x) * 4;
                if (colour) {
                    hex(p[0]);
                    hex(p[1]);
                    hex(p[2]);
                    lineChars += 6;
                } else {
                    hex(Grey(p));
                    lineChars += 2;
                }
                if (lineChars >= 72 || lineChars >= w_) {
                    out_.PutU8('\n');
                    lineChars = 0;
                }
                sink_.Drain();
            }
            sink_.Drain();
        }
        sink_.Text("\n%%EOF\n");
    }

    void Bmp() {
        const std::uint64_t rowSize = BmpRowSize(w_);
        const auto s = static_cast<std::uint32_t>(rowSize * std::uint64_t(h_));
        out_.PutU8('B');
        out_.PutU8('M');
        out_.PutU32LE(s + 54);
        out_.PutU32LE(0);
        out_.PutU32LE(54);
        out_.PutU32LE(40);
        out_.PutU32LE(static_cast<std::uint32_t>(w_));
        out_.PutU32LE(static_cast<std::uint32_t>(h_));
        out_.PutU16LE(1);
        out_.PutU16LE(24);
        out_.PutU32LE(0);
        out_.PutU32LE(s);
        out_.PutU32LE(1);
        out_.PutU32LE(1);
        out_.PutU32LE(0);
        out_.PutU32LE(0);
        const std::size_t padding = std::size_t(rowSize - 3ull * std::uint64_t(w_));
        for (int k = 0; k < h_; ++k) {
            const std::uint8_t* row = Row(k);
            for (int x = 0; x < w_; ++x) {
                PutPixel(out_, row + std::size_t(x) * 4, 3);
                sink_.Drain();
            }
            out_.PutZeros(padding);
            sink_.Drain();
        }
    }

private:
    Sink& sink_;
    dez::ByteWriter& out_;
    const std::uint8_t* rgba_;
    int w_;
    int h_;
    bool bottomFirst_;
};

bool Encode(std::FILE* file, const std::uint8_t* rgba, int width, int height, int code) {
    Sink sink(file);
    Encoder encoder(sink, rgba, width, height, code);
    switch (VariantOf(code)) {
    case kTga24: encoder.Tga(false, false); break;
    case kPpm: encoder.Ppm(); break;
    case kSgi: encoder.Sgi(); break;
    case kRawGrey: encoder.RawGrey(); break;
    case kTiff: encoder.Tiff(); break;
    case kEpsColour: encoder.Eps(true); break;
    case kEpsGrey: encoder.Eps(false); break;
    case kRawRgb: encoder.Rgb(); break;
    case kBmp: encoder.Bmp(); break;
    case kTga32: encoder.Tga(true, false); break;
    case kTga24Rle: encoder.Tga(false, true); break;
    case kTga32Rle: encoder.Tga(true, true); break;
    default: return false;
    }
    return sink.Finish();
}

}  // namespace

const char* BitmapExtension(int code) {
    switch (VariantOf(code)) {
    case kTga24:
    case kTga32:
    case kTga24Rle:
    case kTga32Rle:
        return "tga";
    case kPpm:
        return "ppm";
    case kSgi:
        return "rgb";
    case kRawGrey:
    case kRawRgb:
        return "raw";
    case kTiff:
        return "tif";
    case kEpsColour:
    case kEpsGrey:
        return "eps";
    case kBmp:
        return "bmp";
    default:
        return nullptr;
    }
}

bool BitmapSizeSupported(int width, int height, int code) {
    const int variant = VariantOf(code);
    if (variant == 0 || width < 1 || height < 1) return false;
    const std::uint64_t w = std::uint64_t(width);
    const std::uint64_t h = std::uint64_t(height);
    // The RGBA input of width x height pixels must be addressable.
    if (w * h > SIZE_MAX / 4) return false;
    switch (variant) {
    case kTga24:
    case kTga32:
    case kTga24Rle:
    case kTga32Rle:
    case kSgi:
        return w <= kMax16 && h <= kMax16;
    case kTiff:
        return w <= kMax16 && h <= kMax16 && TiffDataSize(width, height) + 206 <= kMax32;
    case kBmp:
        return BmpRowSize(width) * h + 54 <= kMax32;
    default:
        return true;
    }
}

bool WriteBitmap(std::FILE* file, const unsigned char* rgba, int width, int height, int code) {
    if (!file || !rgba || !BitmapSizeSupported(width, height, code)) return false;
    try {
        return Encode(file, rgba, width, height, code);
    } catch (const std::exception&) {  // out of memory for a block of output
        return false;
    }
}


bool WriteHexBytes(std::FILE* file, const char* hex) {
    std::vector<std::uint8_t> bytes;
    if (!file || !DecodeHex(hex, bytes)) return false;
    return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool WriteTgaRleRow(std::FILE* file, const unsigned char* row, int width, int bytesPerPixel) {
    if (!file || !row || width < 1 || (bytesPerPixel != 3 && bytesPerPixel != 4)) return false;
    try {
        dez::ByteWriter out;
        AppendTgaRleRow(out, row, width, bytesPerPixel);
        return std::fwrite(out.data(), 1, out.size(), file) == out.size();
    } catch (const std::exception&) {
        return false;
    }
}

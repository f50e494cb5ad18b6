#include "platform/TextEncoding.h"

#include <algorithm>

namespace dez {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

size_t Utf8SequenceLength(const unsigned char* p, size_t n, bool* incomplete) {
    if (incomplete) *incomplete = false;
    if (p == nullptr || n == 0) return 0;
    const unsigned char c = p[0];
    if (c < 0x80) return 1;
    size_t width;
    // The allowed range of the second byte excludes overlong forms, surrogates and values
    // above U+10FFFF in one check.
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        width = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        width = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        width = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    for (size_t k = 1; k < width; ++k) {
        if (k >= n) {
            if (incomplete) *incomplete = true;
            return 0;
        }
        const unsigned char min = k == 1 ? lo : 0x80;
        const unsigned char max = k == 1 ? hi : 0xBF;
        if (p[k] < min || p[k] > max) return 0;
    }
    return width;
}

bool IsValidUtf8(const char* s, size_t n) {
    if (s == nullptr) return n == 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    size_t i = 0;
    while (i < n) {
        const size_t width = Utf8SequenceLength(p + i, n - i);
        if (width == 0) return false;
        i += width;
    }
    return true;
}

TextEncoding DetectTextEncoding(const uint8_t* data, size_t size, size_t* bomLength) {
    if (bomLength) *bomLength = 0;
    if (data == nullptr) size = 0;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        if (bomLength) *bomLength = 3;
        return TextEncoding::Utf8;
    }
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        if (bomLength) *bomLength = 2;
        return TextEncoding::Utf16LE;
    }
    if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        if (bomLength) *bomLength = 2;
        return TextEncoding::Utf16BE;
    }
    if (size >= 2 && size % 2 == 0) {
        // Text in UTF-16 is mostly ASCII or Latin letters, so one byte of each unit is zero.
        const size_t pairs = std::min<size_t>(size / 2, 256);
        size_t zeroHigh = 0;  // "A\0": little-endian
        size_t zeroLow = 0;   // "\0A": big-endian
        for (size_t i = 0; i < pairs; ++i) {
            const uint8_t a = data[2 * i];
            const uint8_t b = data[2 * i + 1];
            if (a != 0 && b == 0) ++zeroHigh;
            if (a == 0 && b != 0) ++zeroLow;
        }
        if (zeroHigh * 2 >= pairs && zeroHigh > zeroLow) return TextEncoding::Utf16LE;
        if (zeroLow * 2 >= pairs && zeroLow > zeroHigh) return TextEncoding::Utf16BE;
    }
    return IsValidUtf8(reinterpret_cast<const char*>(data), size) ? TextEncoding::Utf8
                                                                    : TextEncoding::Latin1;
}

std::string Utf16ToUtf8(const uint8_t* data, size_t size, bool bigEndian) {
    std::string out;
    if (data == nullptr) return out;
    out.reserve(size);
    const size_t units = size / 2;
    auto unit = [&](size_t i) -> uint32_t {
        const uint8_t a = data[2 * i];
        const uint8_t b = data[2 * i + 1];
        return bigEndian ? static_cast<uint32_t>((a << 8) | b) : static_cast<uint32_t>((b << 8) | a);
    };
    for (size_t i = 0; i < units; ++i) {
        const uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < units) {
                const uint32_t next = unit(i + 1);
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (next - 0xDC00));
                    ++i;
                    continue;
                }
            }
            AppendUtf8(out, kReplacement);
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            AppendUtf8(out, kReplacement);
        } else {
            AppendUtf8(out, u);
        }
    }
    if (size % 2 != 0) AppendUtf8(out, kReplacement);
    return out;
}

std::string Latin1ToUtf8(const uint8_t* data, size_t size) {
    std::string out;
    if (data == nullptr) return out;
    out.reserve(size);
    for (size_t i = 0; i < size; ++i) AppendUtf8(out, data[i]);
    return out;
}

std::string DecodeTextToUtf8(const uint8_t* data, size_t size) {
    if (data == nullptr) return {};
    size_t bom = 0;
    const TextEncoding encoding = DetectTextEncoding(data, size, &bom);
    data += bom;
    size -= bom;
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return Utf16ToUtf8(data, size, false);
    case TextEncoding::Utf16BE:
        return Utf16ToUtf8(data, size, true);
    case TextEncoding::Latin1:
        return Latin1ToUtf8(data, size);
    case TextEncoding::Utf8:
        break;
    }
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace dez

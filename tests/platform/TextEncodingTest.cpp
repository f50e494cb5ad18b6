#include "platform/TextEncoding.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

using dez::TextEncoding;

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

// ASCII text as UTF-16 code units of the given byte order.
std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        if (bigEndian) out += '\0';
        out += c;
        if (!bigEndian) out += '\0';
    }
    return out;
}

const char* Name(TextEncoding e) {
    switch (e) {
    case TextEncoding::Utf8: return "Utf8";
    case TextEncoding::Utf16LE: return "Utf16LE";
    case TextEncoding::Utf16BE: return "Utf16BE";
    case TextEncoding::Latin1: return "Latin1";
    }
    return "?";
}

TEST(TextEncoding, Detect) {
    const std::string xml = "<?xml version=\"1.0\"?><KinematicModel>";
    struct Case {
        const char* what;
        std::string bytes;
        TextEncoding encoding;
        size_t bom;
    };
    const Case cases[] = {
        {"UTF-8 BOM", "\xEF\xBB\xBF" + xml, TextEncoding::Utf8, 3},
        {"UTF-16LE BOM", "\xFF\xFE" + Utf16(xml, false), TextEncoding::Utf16LE, 2},
        {"UTF-16BE BOM", "\xFE\xFF" + Utf16(xml, true), TextEncoding::Utf16BE, 2},
        {"UTF-16LE no BOM", Utf16(xml, false), TextEncoding::Utf16LE, 0},
        {"UTF-16BE no BOM", Utf16(xml, true), TextEncoding::Utf16BE, 0},
        {"UTF-16LE one char", Utf16("A", false), TextEncoding::Utf16LE, 0},
        // An odd size cannot be whole UTF-16 units; such bytes are valid UTF-8 (with NULs).
        {"odd size", Utf16(xml, false) + "x", TextEncoding::Utf8, 0},
        {"ASCII", xml, TextEncoding::Utf8, 0},
        {"UTF-8", "caf\xC3\xA9 \xE2\x82\xAC", TextEncoding::Utf8, 0},
        {"Latin-1", "caf\xE9", TextEncoding::Latin1, 0},
        {"empty", "", TextEncoding::Utf8, 0},
        {"BOM only", "\xFF\xFE", TextEncoding::Utf16LE, 2},
        {"lone FF", "\xFF", TextEncoding::Latin1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> b = Bytes(c.bytes);
        size_t bom = 99;
        EXPECT_STREQ(Name(dez::DetectTextEncoding(b.data(), b.size(), &bom)), Name(c.encoding));
        EXPECT_EQ(bom, c.bom);
    }
    EXPECT_STREQ(Name(dez::DetectTextEncoding(nullptr, 5)), "Utf8");
}

TEST(TextEncoding, Utf16ToUtf8) {
    struct Case {
        const char* what;
        std::string le;  // little-endian input; the big-endian run swaps each pair
        std::string utf8;
    };
    const Case cases[] = {
        {"ASCII", Utf16("LASI", false), "LASI"},
        {"e acute", std::string("\xE9\x00", 2), "\xC3\xA9"},
        {"euro", "\xAC\x20", "\xE2\x82\xAC"},
        {"U+FFFF", "\xFF\xFF", "\xEF\xBF\xBF"},
        {"surrogate pair U+1F600", std::string("\x3D\xD8\x00\xDE", 4), "\xF0\x9F\x98\x80"},
        {"pair U+10FFFF", "\xFF\xDB\xFF\xDF", "\xF4\x8F\xBF\xBF"},
        {"high surrogate at end", std::string("A\x00\x3D\xD8", 4), "A\xEF\xBF\xBD"},
        {"high surrogate then char", std::string("\x3D\xD8" "B\x00", 4), "\xEF\xBF\xBD" "B"},
        {"two high surrogates then low", std::string("\x3D\xD8\x3D\xD8\x00\xDE", 6), "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {"lone low surrogate", std::string("\x00\xDE" "C\x00", 4), "\xEF\xBF\xBD" "C"},
        {"odd trailing byte", std::string("A\x00" "B", 3), "A\xEF\xBF\xBD"},
        {"single byte", "Z", "\xEF\xBF\xBD"},
        {"NUL unit kept", std::string("\x00\x00", 2), std::string("\0", 1)},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Exactly sized heap copies, so ASan sees any read past the end.
        const std::vector<uint8_t> le = Bytes(c.le);
        EXPECT_EQ(dez::Utf16ToUtf8(le.data(), le.size(), false), c.utf8);
        std::vector<uint8_t> be = le;
        for (size_t i = 0; i + 1 < be.size(); i += 2) std::swap(be[i], be[i + 1]);
        EXPECT_EQ(dez::Utf16ToUtf8(be.data(), be.size(), true), c.utf8);
    }
    EXPECT_EQ(dez::Utf16ToUtf8(nullptr, 4, false), "");
}

TEST(TextEncoding, DecodeTextToUtf8) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {"UTF-8 BOM dropped", "\xEF\xBB\xBF<a/>", "<a/>"},
        {"UTF-8 unchanged", "caf\xC3\xA9", "caf\xC3\xA9"},
        {"UTF-16LE BOM", "\xFF\xFE" + Utf16("<a>\xE9", false), "<a>\xC3\xA9"},
        {"UTF-16BE BOM", "\xFE\xFF" + Utf16("<b/>", true), "<b/>"},
        {"UTF-16LE no BOM", Utf16("<vsk/>", false), "<vsk/>"},
        {"UTF-16BE no BOM", Utf16("<vsk/>", true), "<vsk/>"},
        {"UTF-16LE BOM odd size", "\xFF\xFE" + Utf16("ab", false) + "c", "ab\xEF\xBF\xBD"},
        {"Latin-1", "Gr\xF6\xDF" "e", "Gr\xC3\xB6\xC3\x9F" "e"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> b = Bytes(c.bytes);
        EXPECT_EQ(dez::DecodeTextToUtf8(b.data(), b.size()), c.utf8);
    }
}

TEST(TextEncoding, IsValidUtf8) {
    struct Case {
        const char* what;
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"ASCII", "abc", true},
        {"two bytes", "\xC3\xA9", true},
        {"three bytes", "\xE2\x82\xAC", true},
        {"four bytes", "\xF0\x9F\x98\x80", true},
        {"max", "\xF4\x8F\xBF\xBF", true},
        {"NUL", std::string("a\0b", 3), true},
        {"overlong 2", "\xC0\x80", false},
        {"overlong 2 C1", "\xC1\xBF", false},
        {"overlong 3", "\xE0\x80\x80", false},
        {"overlong 4", "\xF0\x80\x80\x80", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"above max", "\xF4\x90\x80\x80", false},
        {"F5 lead", "\xF5\x80\x80\x80", false},
        {"lone continuation", "\x80", false},
        {"truncated 3", "\xE2\x82", false},
        {"truncated 4", "\xF0\x9F\x98", false},
        {"bad continuation", "\xC3\x28", false},
        {"empty", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<char> b(c.bytes.begin(), c.bytes.end());
        EXPECT_EQ(dez::IsValidUtf8(b.data(), b.size()), c.valid);
    }
    EXPECT_TRUE(dez::IsValidUtf8(nullptr, 0));
    EXPECT_FALSE(dez::IsValidUtf8(nullptr, 1));
}

}  // namespace

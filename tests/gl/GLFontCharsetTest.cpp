#include "gl/GLBitmapFont.h"

#include <gtest/gtest.h>

namespace {

TEST(GLFontCharset, SymbolFaceInAnyCaseAsksForTheSymbolSet) {
    EXPECT_EQ(GLFontCharsetForFace("Symbol"), GLFontCharset::Symbol);
    EXPECT_EQ(GLFontCharsetForFace("SYMBOL"), GLFontCharset::Symbol);
    EXPECT_EQ(GLFontCharsetForFace("symbol"), GLFontCharset::Symbol);
    EXPECT_EQ(GLFontCharsetForFace("Times"), GLFontCharset::Ansi);
    EXPECT_EQ(GLFontCharsetForFace("Symbols"), GLFontCharset::Ansi);
    EXPECT_EQ(GLFontCharsetForFace(""), GLFontCharset::Ansi);
    EXPECT_EQ(GLFontCharsetForFace(nullptr), GLFontCharset::Ansi);
}

TEST(GLFontCharset, CodesMapToTheCharactersOfTheirSet) {
    struct Case {
        GLFontCharset set;
        unsigned char code;
        char32_t expected;
    };
    const Case cases[] = {
        {GLFontCharset::Ansi, 'A', U'A'},
        {GLFontCharset::Ansi, ' ', U' '},
        {GLFontCharset::Ansi, 0x80, U'\u20AC'},  // euro sign of Windows-1252
        {GLFontCharset::Ansi, 0x81, 0},          // a hole of Windows-1252
        {GLFontCharset::Ansi, 0xE9, U'\u00E9'},  // Latin-1 half
        {GLFontCharset::Ansi, 0x0A, 0},          // control codes have no glyph
        {GLFontCharset::Ansi, 0x7F, 0},
        {GLFontCharset::Symbol, 'a', U'\u03B1'},  // alpha
        {GLFontCharset::Symbol, 'G', U'\u0393'},  // Gamma
        {GLFontCharset::Symbol, '0', U'0'},
        {GLFontCharset::Symbol, 0xB0, U'\u00B0'},  // degree
        {GLFontCharset::Symbol, 0x80, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << int(c.code));
        EXPECT_EQ(GLFontCodePoint(c.set, c.code), c.expected);
    }
}

}  // namespace

#include "platform/TextUtil.h"

#include <string>

#include <gtest/gtest.h>

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(TextUtil, EqualsNoCase) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    };
    const Case cases[] = {
        {"LASI", "lasi", true},     {"", "", true},          {"abc", "abd", false},
        {"abc", "ab", false},       {"a1_Z", "A1_z", true},  {"\xc3\xa9", "\xc3\x89", false},  // é vs É: ASCII only
        {"[", "{", false},          {"@", "`", false},  // neighbours of the letter ranges do not fold
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(dez::EqualsNoCase(c.a, c.b), c.equal);
    }
}

TEST(TextUtil, CompareNoCaseLikeStricmp) {
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    const Case cases[] = {
        {"abc", "ABC", 0}, {"a", "B", -1},  {"B", "a", 1},   {"ab", "abc", -1},
        {"", "", 0},       {"z", "\xe9", -1},  // bytes above 127 compare as unsigned
        {"_", "a", -1},    // '_' (95) sorts before 'a' (97) but after 'A' (65): folding is to lower case
        {nullptr, "", 0},  {nullptr, "a", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a ? c.a : "(null)") + " / " + c.b);
        EXPECT_EQ(Sign(dez::CompareNoCase(c.a, c.b)), c.sign);
        EXPECT_EQ(Sign(dez::CompareNoCase(c.b, c.a)), -c.sign);
    }
}

TEST(TextUtil, CompareNoCaseN) {
    EXPECT_EQ(dez::CompareNoCaseN("!MKR#2 extra", "!mkr#2", 6), 0);
    EXPECT_LT(dez::CompareNoCaseN("!MKR#1", "!mkr#2", 6), 0);
    EXPECT_EQ(dez::CompareNoCaseN("ab", "ab", 10), 0);  // stops at the terminator
    EXPECT_EQ(dez::CompareNoCaseN("x", "y", 0), 0);
}

TEST(TextUtil, CaseConversionTouchesOnlyAscii) {
    EXPECT_EQ(dez::ToUpperAscii("Heel-l \xc3\xa9"), "HEEL-L \xc3\xa9");
    EXPECT_EQ(dez::ToLowerAscii("RFHD_Z9"), "rfhd_z9");
}

TEST(TextUtil, TrimBlanks) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"  LASI \r\n", "LASI"},
        {"\t a b \t", "a b"},
        {"", ""},
        {" \x01\x1f ", ""},
        {std::string("\0x\0", 3), "x"},
        {"\xa0x\xa0", "\xa0x\xa0"},  // a signed-char compare would treat 0xA0 as a blank
        {"x\x7f", "x\x7f"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(dez::TrimBlanks(c.in), c.out);
        EXPECT_EQ(dez::TrimBlanksView(c.in), c.out);
        EXPECT_EQ(dez::IsAllBlanks(c.in), c.out.empty());
    }
}

}  // namespace

#include "platform/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

// glibc 2.36's newlocale() never frees its copy of the LOCPATH search list, which the
// decimal-comma locale of the test support sets; that leak is the C library's, not ours.
// Weak, so a project-wide definition takes precedence.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
    return "leak:__argz_add_sep\n";
}

namespace {

using dez::AtoF;
using dez::AtoI;
using dez::Format;
using dez::FormatTo;
using dez::ParseDecimal;
using dez::ParseDouble;
using dez::ParseInt;
using dez::StrToD;
using dez::StrToL;

struct DoubleCase {
    const char* text;
    bool ok;
    double value;
};

void CheckParseDoubleTable() {
    const DoubleCase cases[] = {
        {"1.5", true, 1.5},
        {"  -0.25\t\r\n", true, -0.25},
        {"1e3", true, 1000.0},
        {"-.5", true, -0.5},
        {"+7", true, 7.0},
        {"0x10", true, 16.0},
        {"1e-320", true, 1e-320},  // underflow to a subnormal still converts
        {"", false, 0},
        {"   ", false, 0},
        {"1,5", false, 0},
        {"1.5x", false, 0},
        {"1.5 2", false, 0},
        {"abc", false, 0},
        {"1e999", false, 0},
        {"-1e999", false, 0},
    };
    for (const DoubleCase& c : cases) {
        SCOPED_TRACE(c.text);
        double out = 42.0;
        EXPECT_EQ(ParseDouble(c.text, out), c.ok);
        EXPECT_EQ(out, c.ok ? c.value : 42.0);  // failure leaves the output alone
    }
}

TEST(NumberText, ParseDoubleWholeText) {
    CheckParseDoubleTable();
}

TEST(NumberText, ParseDoubleStopsAtEmbeddedNul) {
    double out = 0;
    EXPECT_FALSE(ParseDouble(std::string_view("1.5\0" "7", 5), out));
    EXPECT_TRUE(ParseDouble(std::string_view("2.5xyz", 3), out));  // a view of "2.5" only
    EXPECT_EQ(out, 2.5);
}

TEST(NumberText, ParseIntWholeText) {
    struct Case {
        const char* text;
        bool ok;
        long value;
    };
    const Case cases[] = {
        {"42", true, 42},         {" -17 ", true, -17},   {"+3", true, 3},
        {"007", true, 7},         {"", false, 0},         {"4 2", false, 0},
        {"1.0", false, 0},        {"0x10", false, 0},     {"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        long out = 99;
        EXPECT_EQ(ParseInt(c.text, out), c.ok);
        EXPECT_EQ(out, c.ok ? c.value : 99);
    }
}

// ParseDecimal must agree with std::from_chars on the whole text: the same acceptance and the
// same bits (so -0 stays -0). Failures leave the output alone.
void ExpectDecimalLikeFromChars(const std::string& text) {
    SCOPED_TRACE(text);
    const char* first = text.data();
    const char* last = first + text.size();
    double expected = 0;
    const std::from_chars_result r = std::from_chars(first, last, expected);
    const bool ok = r.ec == std::errc() && r.ptr == last;
    double got = 42.0;
    ASSERT_EQ(ParseDecimal(first, last, got), ok);
    if (!ok) expected = 42.0;
    std::uint64_t a = 0, b = 0;
    std::memcpy(&a, &expected, sizeof a);
    std::memcpy(&b, &got, sizeof b);
    ASSERT_EQ(a, b) << got << " instead of " << expected;
}

TEST(NumberText, ParseDecimalEdgesLikeFromChars) {
    const char* cases[] = {
        "0", "-0", "-0.0", "0.", ".0", ".5", "-.5", "5.", "-5.", "00012.5000", "9.3722", "-17.3198",
        "0.1", "0.3", "2.675", "1.005", "123456.789", ".0083333",
        // Mantissas around 2^53 and around 19 digits: the fast path's limits.
        "9007199254740992", "9007199254740993", "-9007199254740993", "900719925474099.3", "900719925474099.5",
        "9999999999999999999", "99999999999999999999", "1234567890.123456789", "0.0000000000000000001",
        "0.00000000000000000001", "18446744073709551615", "18446744073709551616", "184467440737095516170",
        "0.1000000000000000055511151231257827", "4.9406564584124654e-324", "2.2250738585072014e-308",
        "1.7976931348623157e308", "1e23", "8.98846567431158e307",
        // What the fast path leaves to from_chars, and what neither takes.
        "1e5", "1E5", "-1.5e-3", "1.5e", "1e400", "-1e400", "1e-400", "inf", "-inf", "nan", "infinity",
        "0x10", "+1", "+-1", "--1", "", "-", ".", "-.", "..5", "1.2.3", "1,5", "1 ", " 1", "1\r", "1-", "٣"};
    for (const char* c : cases) ExpectDecimalLikeFromChars(c);
    // Bytes next to the digits in the code table, and bytes above 127, alone and at every place
    // of a run of digits long enough to be read eight bytes at a time.
    for (int c = 1; c < 256; ++c) {
        const std::string byte(1, static_cast<char>(c));
        ExpectDecimalLikeFromChars(byte);
        ExpectDecimalLikeFromChars("1" + byte + "5");
        for (std::size_t at = 0; at <= 12; ++at) {
            std::string text = "-123456789.123";
            text.insert(at + 1, byte);
            ExpectDecimalLikeFromChars(text);
        }
    }
}

TEST(NumberText, ParsePlainDecimalStopsWhereTheDecimalEnds) {
    const struct {
        const char* text;
        int stop;  // -1: no plain decimal there
        double value;
    } cases[] = {
        {"12.5 7", 4, 12.5},
        {"-3.25e2", 5, -3.25},
        {"-17.3198\r\n", 8, -17.3198},
        {"123456.789012345x", 16, 123456.789012345},
        {"1234567890.123456789", -1, 0},  // 19 digits, but above 2^53
        {"0.000000001234567890123", -1, 0},  // 22 digits
        {"12345678901234567890 1", -1, 0},
        {"9007199254740993", -1, 0},
        {"+1", -1, 0},
        {"-", -1, 0},
        {"-.", -1, 0},
        {"", -1, 0},
        {".5.5", 2, 0.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const char* last = c.text + std::strlen(c.text);
        double out = 42.0;
        const char* stop = dez::ParsePlainDecimal(c.text, last, out);
        if (c.stop < 0) {
            EXPECT_EQ(stop, nullptr);
            EXPECT_EQ(out, 42.0);
        } else {
            EXPECT_EQ(stop, c.text + c.stop);
            EXPECT_EQ(out, c.value);
        }
    }
}

TEST(NumberText, ParseDecimalRandomTextsLikeFromChars) {
    std::mt19937 rng(20261211);
    const char kDigits[] = "0123456789";
    // Plain decimals with up to 24 digits either side of the point: both paths and their border.
    for (int i = 0; i < 100000; ++i) {
        std::string text;
        if (rng() % 2) text += '-';
        const unsigned whole = rng() % 13, fraction = rng() % 13;
        for (unsigned k = 0; k < whole; ++k) text += kDigits[rng() % 10];
        if (fraction > 0 || rng() % 4 == 0) text += '.';
        for (unsigned k = 0; k < fraction; ++k) text += kDigits[rng() % 10];
        if (rng() % 16 == 0) text += "e" + std::to_string(static_cast<int>(rng() % 40) - 20);
        ASSERT_NO_FATAL_FAILURE(ExpectDecimalLikeFromChars(text));
    }
    // Doubles of any magnitude written as programs write them.
    const char* formats[] = {"%.17g", "%.4f", "%.6f", "%.15f", "%.20f", "%g", "%.10e"};
    for (int i = 0; i < 50000; ++i) {
        const std::uint64_t bits = (std::uint64_t(rng()) << 32) | rng();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        if (!std::isfinite(value)) continue;
        // Mostly the range of angles and positions, sometimes anything.
        if (rng() % 4 != 0) value = std::fmod(value, 1000.0);
        char buf[512];
        FormatTo(buf, sizeof buf, formats[rng() % 7], value);
        ASSERT_NO_FATAL_FAILURE(ExpectDecimalLikeFromChars(buf));
    }
}

TEST(NumberText, StrToDAndStrToLReportTheEnd) {
    char* end = nullptr;
    const char* text = "3.25 rest";
    EXPECT_EQ(StrToD(text, &end), 3.25);
    EXPECT_EQ(end, text + 4);
    const char* hex = "ff;";
    EXPECT_EQ(StrToL(hex, &end, 16), 255);
    EXPECT_EQ(end, hex + 2);
    EXPECT_EQ(StrToD(nullptr, &end), 0.0);
    EXPECT_EQ(end, nullptr);
    EXPECT_EQ(StrToL(nullptr), 0);
}

TEST(NumberText, AtoFAndAtoILikeTheCLibrary) {
    EXPECT_EQ(AtoF("2.5abc"), 2.5);
    EXPECT_EQ(AtoF("junk"), 0.0);
    EXPECT_EQ(AtoF(nullptr), 0.0);
    EXPECT_EQ(AtoI(" 12xyz"), 12);
    EXPECT_EQ(AtoI("-8"), -8);
    EXPECT_EQ(AtoI("junk"), 0);
    EXPECT_EQ(AtoI(nullptr), 0);
    EXPECT_EQ(AtoI("99999999999"), 2147483647);
    EXPECT_EQ(AtoI("-99999999999"), -2147483647 - 1);
}

TEST(NumberText, FormatAnyLength) {
    EXPECT_EQ(Format("%d-%s", 7, "x"), "7-x");
    EXPECT_EQ(Format("%.3f", 0.5), "0.500");
    const std::string longText(1000, 'y');
    const std::string formatted = Format("<%s|%d>", longText.c_str(), 12);
    EXPECT_EQ(formatted, "<" + longText + "|12>");
    EXPECT_EQ(Format("%s", ""), "");
}

TEST(NumberText, FormatToTruncatesAndTerminates) {
    char buf[6];
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(FormatTo(buf, sizeof buf, "%s", "abcdefgh"), 8);
    EXPECT_STREQ(buf, "abcde");
    EXPECT_EQ(FormatTo(buf, sizeof buf, "%.1f", 2.25), 3);
    EXPECT_STREQ(buf, "2.2");
    EXPECT_EQ(FormatTo(nullptr, 0, "%d", 12345), 5);  // size query, as with snprintf
}

// Under a decimal-comma locale the C library reads "1.5" as 1; the helpers must not.
TEST(NumberText, IndependentOfADecimalCommaLocale) {
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale on this machine";

    // Proves the locale is really in force for the plain C library.
    EXPECT_EQ(std::strtod("1.5", nullptr), 1.0);
    char plain[32];
    std::snprintf(plain, sizeof plain, "%g", 1.5);
    EXPECT_STREQ(plain, "1,5");
    EXPECT_EQ(dez::LocaleDecimalSeparator(), ',');

    EXPECT_EQ(StrToD("1.5"), 1.5);
    EXPECT_EQ(AtoF("1.5"), 1.5);
    double out = 0;
    EXPECT_TRUE(ParseDouble("1.5", out));
    EXPECT_EQ(out, 1.5);
    EXPECT_FALSE(ParseDouble("1,5", out));
    const char decimal[] = "-1.5", withComma[] = "1,5";
    EXPECT_TRUE(ParseDecimal(decimal, decimal + 4, out));
    EXPECT_EQ(out, -1.5);
    EXPECT_FALSE(ParseDecimal(withComma, withComma + 3, out));
    EXPECT_EQ(Format("%g", 1.5), "1.5");
    EXPECT_EQ(Format("%.2f;%e", 0.25, 1000.0), "0.25;1.000000e+03");
    char buf[32];
    FormatTo(buf, sizeof buf, "%g", -2.75);
    EXPECT_STREQ(buf, "-2.75");
    CheckParseDoubleTable();

    {
        dez::ScopedCLocale c;
        double scanned = 0;
        ASSERT_EQ(std::sscanf("2.25", "%lf", &scanned), 1);
        EXPECT_EQ(scanned, 2.25);
        EXPECT_EQ(dez::LocaleDecimalSeparator(), '.');
    }
    // Back to the user's locale after the guard.
    std::snprintf(plain, sizeof plain, "%g", 2.25);
    EXPECT_STREQ(plain, "2,25");
    // The helpers leave the thread's locale as they found it.
    EXPECT_EQ(dez::LocaleDecimalSeparator(), ',');
}

TEST(NumberText, DecimalSeparatorOfTheCLocale) {
    EXPECT_EQ(dez::LocaleDecimalSeparator(), '.');
}

}  // namespace

#pragma once
// Numbers in text that never depend on the process locale. The application switches to the
// user's locale at start-up, so plain strtod/printf would read and write "1,5" under a
// decimal-comma locale; files and configuration values always carry ".".
#include <cfloat>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace dez {

// strtod in the "C" locale (decimal point '.'), whatever the process or thread locale is.
// A null text gives 0 and sets *end to null.
double StrToD(const char* text, char** end = nullptr);
// strtol in the "C" locale. A null text gives 0 and sets *end to null.
long StrToL(const char* text, char** end = nullptr, int base = 10);

// The whole text must be one number; blanks (bytes up to 32) may surround it. Accepts what
// strtod accepts ("1e3", "-.5", "inf", hexadecimal); a value that overflows the type fails.
// On failure `out` is left unchanged.
bool ParseDouble(std::string_view text, double& out);
bool ParseInt(std::string_view text, long& out);

// The whole of [first, last) read as std::from_chars reads a double (no blanks, no leading '+',
// "inf", "nan" and exponents allowed): true and `out` set exactly when from_chars would consume
// all of it without error, with the same value bit for bit. Plain decimals (ParsePlainDecimal)
// take a fast path; anything else goes to from_chars. On failure `out` is left unchanged.
bool ParseDecimal(const char* first, const char* last, double& out);

// The fast path of ParseDecimal alone, for tokenisers that find the end of a number as they
// read it: a plain decimal at `first` ('-'? digits, '.' and digits, at most 19 digits in all and
// a mantissa up to 2^53). Returns where it stops, with `out` set to what from_chars gives for
// the text up to there, or null (`out` unchanged) when no such decimal starts there.
inline const char* ParsePlainDecimal(const char* first, const char* last, double& out) {
    // A mantissa up to 2^53 and a power of ten up to 1e22 are both exact doubles, so one
    // correctly rounded division gives the correctly rounded value from_chars gives.
    static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                         1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    // Arithmetic carried out wider than double (x87) could round twice: from_chars does it all.
    if (FLT_EVAL_METHOD != 0) return nullptr;
    const char* p = first;
    // Signs come and go at random in motion data: no branch on them.
    const bool negative = p != last && *p == '-';
    p += negative;
    unsigned long long mantissa = 0;
    const char* digits = p;
    while (p != last && static_cast<unsigned char>(*p - '0') < 10) mantissa = mantissa * 10 + (*p++ - '0');
    std::ptrdiff_t count = p - digits;
    std::ptrdiff_t fraction = 0;
    if (p != last && *p == '.') {
        const char* start = ++p;
        while (p != last && static_cast<unsigned char>(*p - '0') < 10) mantissa = mantissa * 10 + (*p++ - '0');
        fraction = p - start;
        count += fraction;
    }
    // Past 19 digits the mantissa may have wrapped; the test on it comes after the count's.
    if (count == 0 || count > 19 || mantissa > (1ULL << 53)) return nullptr;
    // Signed, as the mantissa fits: an unsigned conversion costs a test of the top bit.
    double value = static_cast<double>(static_cast<long long>(mantissa)) / kPowers[fraction];
    unsigned long long bits;
    std::memcpy(&bits, &value, sizeof bits);
    bits |= static_cast<unsigned long long>(negative) << 63;
    std::memcpy(&value, &bits, sizeof value);
    out = value;
    return p;
}

// atof / atoi in the "C" locale: the leading number, 0 when there is none or text is null.
// AtoI clamps values beyond the int range instead of overflowing.
double AtoF(const char* text);
int AtoI(const char* text);

// printf-style formatting in the "C" locale, any length. Returns "" on a format error.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
// snprintf in the "C" locale: always NUL-terminates when size > 0 and returns what snprintf
// returns (the length the full text needs, or a negative value on error).
int FormatTo(char* buf, size_t size, const char* fmt, ...) __attribute__((format(printf, 3, 4)));

// Switches the calling thread to the "C" locale until the guard dies, for code that has to call
// C library conversions itself (sscanf and the like).
class ScopedCLocale {
public:
    ScopedCLocale();
    ~ScopedCLocale();
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;

private:
    void* previous_;  // locale_t, kept opaque so this header needs no <locale.h>
};

// The decimal separator of the locale in force for the calling thread ('.' or ',' usually),
// for code that has to turn a stored "." into it before a locale-dependent conversion.
char LocaleDecimalSeparator();

}  // namespace dez

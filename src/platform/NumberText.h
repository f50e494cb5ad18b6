#pragma once
// Numbers in text that never depend on the process locale. The application switches to the
// user's locale at start-up, so plain strtod/printf would read and write "1,5" under a
// decimal-comma locale; files and configuration values always carry ".".
#include <cstddef>
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
// all of it without error, with the same value bit for bit. Plain decimals of up to 19 digits
// ("-12.3456", "0", ".5") take a fast path; anything else goes to from_chars. On failure `out`
// is left unchanged.
bool ParseDecimal(const char* first, const char* last, double& out);

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

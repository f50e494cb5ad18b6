#include "platform/NumberText.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <vector>

#include "platform/TextUtil.h"

namespace dez {

namespace {

// Created once and never freed: it is shared by every thread for the life of the process.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Sets the thread's locale to "C" for one C library call.
class ThreadCLocale {
public:
    ThreadCLocale() : previous_(CLocale() ? uselocale(CLocale()) : static_cast<locale_t>(nullptr)) {}
    ~ThreadCLocale() {
        if (previous_) uselocale(previous_);
    }
    ThreadCLocale(const ThreadCLocale&) = delete;
    ThreadCLocale& operator=(const ThreadCLocale&) = delete;

private:
    locale_t previous_;
};

int VFormatTo(char* buf, size_t size, const char* fmt, va_list args) {
    ThreadCLocale c;
    return std::vsnprintf(buf, size, fmt, args);
}

}  // namespace

double StrToD(const char* text, char** end) {
    if (text == nullptr) {
        if (end) *end = nullptr;
        return 0.0;
    }
    if (CLocale()) return strtod_l(text, end, CLocale());
    ThreadCLocale c;
    return std::strtod(text, end);
}

long StrToL(const char* text, char** end, int base) {
    if (text == nullptr) {
        if (end) *end = nullptr;
        return 0;
    }
    if (CLocale()) return strtol_l(text, end, base, CLocale());
    return std::strtol(text, end, base);
}

bool ParseDecimal(const char* first, const char* last, double& out) {
    double value = 0;
    const char* end = ParsePlainDecimal(first, last, value);
    if (end && end == last) {
        out = value;
        return true;
    }
    const std::from_chars_result r = std::from_chars(first, last, value);
    if (r.ec != std::errc() || r.ptr != last) return false;
    out = value;
    return true;
}

bool ParseDouble(std::string_view text, double& out) {
    const std::string trimmed = TrimBlanks(text);
    if (trimmed.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double value = StrToD(trimmed.c_str(), &end);
    // An embedded NUL also stops the conversion short of the end, so such text fails here.
    if (end != trimmed.c_str() + trimmed.size()) return false;
    if (errno == ERANGE && std::isinf(value)) return false;
    out = value;
    return true;
}

bool ParseInt(std::string_view text, long& out) {
    const std::string trimmed = TrimBlanks(text);
    if (trimmed.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long value = StrToL(trimmed.c_str(), &end, 10);
    if (end != trimmed.c_str() + trimmed.size() || errno == ERANGE) return false;
    out = value;
    return true;
}

double AtoF(const char* text) {
    return StrToD(text, nullptr);
}

int AtoI(const char* text) {
    const long value = StrToL(text, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

std::string Format(const char* fmt, ...) {
    if (fmt == nullptr) return {};
    char small[256];
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    const int needed = VFormatTo(small, sizeof small, fmt, args);
    va_end(args);
    std::string result;
    if (needed >= 0 && static_cast<size_t>(needed) < sizeof small) {
        result.assign(small, static_cast<size_t>(needed));
    } else if (needed >= 0) {
        std::vector<char> big(static_cast<size_t>(needed) + 1);
        const int written = VFormatTo(big.data(), big.size(), fmt, again);
        if (written >= 0) result.assign(big.data(), std::min(static_cast<size_t>(written), big.size() - 1));
    }
    va_end(again);
    return result;
}

int FormatTo(char* buf, size_t size, const char* fmt, ...) {
    if (buf == nullptr) size = 0;
    if (fmt == nullptr) {
        if (size > 0) buf[0] = '\0';
        return -1;
    }
    va_list args;
    va_start(args, fmt);
    const int result = VFormatTo(buf, size, fmt, args);
    va_end(args);
    // vsnprintf leaves the buffer undefined on an encoding error.
    if (result < 0 && size > 0) buf[0] = '\0';
    return result;
}

ScopedCLocale::ScopedCLocale()
    : previous_(CLocale() ? static_cast<void*>(uselocale(CLocale())) : nullptr) {}

ScopedCLocale::~ScopedCLocale() {
    if (previous_) uselocale(static_cast<locale_t>(previous_));
}

char LocaleDecimalSeparator() {
    const lconv* conv = localeconv();
    if (conv == nullptr || conv->decimal_point == nullptr || conv->decimal_point[0] == '\0') return '.';
    return conv->decimal_point[0];
}

}  // namespace dez

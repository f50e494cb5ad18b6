#include "importers/ImportText.h"

#include <charconv>
#include <climits>
#include <limits>

#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/TextUtil.h"

namespace dez {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t SkipDigits(std::string_view text, size_t i) {
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i;
}

}  // namespace

double LeadingNumber(std::string_view text, bool infinityWords, bool* found) {
    if (found) *found = false;
    size_t i = 0;
    while (i < text.size() && IsSpaceC(text[i])) ++i;
    const size_t start = i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (infinityWords && text.size() - i >= 3 && EqualsNoCase(text.substr(i, 3), "inf")) {
        if (found) *found = true;
        return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
    }
    const size_t intEnd = SkipDigits(text, i);
    size_t end = intEnd;
    bool digits = intEnd > i;
    if (end < text.size() && text[end] == '.') {
        const size_t fracEnd = SkipDigits(text, end + 1);
        digits = digits || fracEnd > end + 1;
        end = fracEnd;
    }
    if (!digits) return 0.0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        size_t e = end + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
        const size_t expEnd = SkipDigits(text, e);
        if (expEnd > e) end = expEnd;
    }
    if (found) *found = true;
    // A plain decimal takes the short exact path; else from_chars on exactly the prefix rounds as
    // strtod does; beyond the double range (where it gives no value) strtod on a copy of the
    // prefix gives HUGE_VAL or 0, and cannot read on into a hexadecimal or "nan" form.
    const char* unsignedPart = text.data() + (text[start] == '+' || text[start] == '-' ? start + 1 : start);
    double value = 0.0;
    const char* stop = nullptr;
    if (PlainDecimal(unsignedPart, text.data() + end, value, stop) && stop == text.data() + end)
        return negative ? -value : value;
    const size_t from = text[start] == '+' ? start + 1 : start;
    const auto r = std::from_chars(text.data() + from, text.data() + end, value, std::chars_format::general);
    if (r.ec == std::errc() && r.ptr == text.data() + end) return value;
    char small[64];
    const std::string_view number = text.substr(start, end - start);
    if (number.size() < sizeof small) {
        number.copy(small, number.size());
        small[number.size()] = '\0';
        return StrToD(small);
    }
    return StrToD(std::string(number).c_str());
}

int32_t LeadingInteger(std::string_view text, bool* found) {
    if (found) *found = false;
    size_t i = 0;
    while (i < text.size() && IsSpaceC(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const size_t end = SkipDigits(text, i);
    if (end == i) return 0;
    if (found) *found = true;
    long long value = 0;
    for (size_t k = i; k < end; ++k) {
        value = value * 10 + (text[k] - '0');
        if (value > static_cast<long long>(INT32_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

bool ReadDataFile(const std::string& path, std::vector<uint8_t>& out, std::string* error) {
    if (FileSize(path) < 0) {
        if (error) *error = "Cannot open " + path + ": no such file";
        return false;
    }
    return ReadWholeFile(path, out, error);
}

bool ReadRecordingFile(const char* filePath, std::vector<uint8_t>& out, std::string& error) {
    const std::string path = filePath ? filePath : "";
    std::string why;
    if (ReadWholeFile(path, out, &why)) return true;
    // The reader's message ends with the system's reason after the quoted path; a file that kept
    // changing while it was read has no such reason, and its message says so whole.
    const size_t quote = why.rfind("': ");
    error = "Cannot open " + NameOf(path) + ": " + (quote == std::string::npos ? why : why.substr(quote + 3));
    return false;
}

bool TextLines::Next(std::string_view& line) {
    line = std::string_view();
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    line = text_.substr(pos_, end - pos_);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos_ = end + 1;
    ++number_;
    return true;
}

void AppendNumber(std::string& out, double value) {
    // to_chars with the general format and a precision is printf's "%g" in the "C" locale.
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 6);
    out.append(text, result.ptr);
}

}  // namespace dez

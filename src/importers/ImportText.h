#pragma once
// Number reading and writing shared by the text importers and writers. Files carry "." whatever
// the process locale, and the readers take the leading number of a field the way the formats'
// own tools did: what follows the number is ignored, a field without one reads as 0.
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace dez {

// isspace in the "C" locale: blank, tab, LF, VT, FF and CR separate words in the text formats.
inline bool IsSpaceC(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The longest decimal number at the start of `text` after blanks: sign, digits, fraction and
// exponent, and with `infinityWords` also "inf" / "infinity" (any case). 0 when there is none;
// `found` (when given) tells which. Never hexadecimal or "nan".
double LeadingNumber(std::string_view text, bool infinityWords = false, bool* found = nullptr);
// The leading decimal integer after blanks (sign and digits; "3.7" gives 3), clamped to the
// int32 range; 0 when there is none.
int32_t LeadingInteger(std::string_view text, bool* found = nullptr);
// A plain decimal at `first` (digits, and a point followed by digits; no sign, no exponent, at
// most 19 digits) converted exactly as std::from_chars would convert it, without its cost: the
// large text tables are mostly such numbers. False, nothing changed, for anything else (the caller
// then takes the general path); else `value` and the end of the number in `stop`.
// Inline: the tables call them once per value.
inline bool PlainDecimal(const char* first, const char* last, double& value, const char*& stop) {
    uint64_t m = 0;
    int digits = 0;
    const char* p = first;
    for (; p < last && *p >= '0' && *p <= '9'; ++p, ++digits) m = m * 10 + static_cast<unsigned>(*p - '0');
    const bool integerPart = p > first;
    int after = 0;
    if (p < last && *p == '.') {
        ++p;
        for (; p < last && *p >= '0' && *p <= '9'; ++p, ++after) m = m * 10 + static_cast<unsigned>(*p - '0');
        if (after == 0) return false;
    } else if (!integerPart) {
        return false;
    }
    if (digits + after > 19 || (p < last && (*p == 'e' || *p == 'E'))) return false;
    // Both operands exact in a double: the one division rounds correctly.
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (m > (uint64_t{1} << 53)) return false;
    value = static_cast<double>(m) / kPowersOfTen[after];
    stop = p;
    return true;
}

inline bool PlainDecimal(const char* first, const char* last, float& value, const char*& stop) {
    double d = 0;
    const char* end = nullptr;
    if (!PlainDecimal(first, last, d, end)) return false;
    // The correctly rounded double rounds to the correctly rounded float unless it lies exactly
    // half-way between two floats (the midpoints are doubles, so no other value crosses one), or
    // outside the range of normal floats.
    if (d != 0 && (d < static_cast<double>(std::numeric_limits<float>::min()) ||
                   d > static_cast<double>(std::numeric_limits<float>::max())))
        return false;
    uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    if ((bits & 0x1FFFFFFFu) == 0x10000000u) return false;
    value = static_cast<float>(d);
    stop = end;
    return true;
}
// Reads a whole regular file. Anything else is refused before it is opened: a companion named in
// a file must not make a reader wait on a FIFO or read /dev/zero for ever.
bool ReadDataFile(const std::string& path, std::vector<uint8_t>& out, std::string* error = nullptr);
// Reads the recording a reader was given (a null path reads as ""). On failure `error` is the
// reader's message, "Cannot open <name without its folder>: <system reason>": the caller's
// "Error reading" and the full path follow it.
bool ReadRecordingFile(const char* filePath, std::vector<uint8_t>& out, std::string& error);
// A text cut into lines at LF; a CR before the LF is not part of the line, so CRLF text reads
// like LF text. A last line without LF counts; nothing after a final LF does.
class TextLines {
public:
    explicit TextLines(std::string_view text) : text_(text) {}
    // False at the end of the text (line emptied).
    bool Next(std::string_view& line);
    // 1-based number of the line Next returned last.
    int32_t LineNumber() const { return number_; }
    bool AtEnd() const { return pos_ >= text_.size(); }
    // The text after the line Next returned last.
    std::string_view Rest() const { return pos_ < text_.size() ? text_.substr(pos_) : std::string_view(); }

private:
    std::string_view text_;
    size_t pos_ = 0;
    int32_t number_ = 0;
};

// Appends `value` as printf's "%g" in the "C" locale: six significant digits, fixed or
// scientific, whichever is shorter.
void AppendNumber(std::string& out, double value);

}  // namespace dez

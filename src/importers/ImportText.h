#pragma once
// Number reading and writing shared by the text importers and writers. Files carry "." whatever
// the process locale, and the readers take the leading number of a field the way the formats'
// own tools did: what follows the number is ignored, a field without one reads as 0.
#include <cstdint>
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

#pragma once
// What the OBJ/MTL, DXF and isosurface readers share: lines and blank-separated words over text
// in memory, and numbers read with "." whatever the locale.
#include <cstddef>
#include <string_view>

namespace dez {

// Lines end at LF (and, when asked, at a lone CR as well; CR LF is then one line end). Within a
// line, words are runs of characters other than blank, tab, CR, VT and FF.
class ShapeWords {
public:
    explicit ShapeWords(std::string_view text, bool crEndsLine = false)
        : text_(text), crEndsLine_(crEndsLine) {}

    // The next line without its line end; false at the end of the text. A last line without a
    // line end counts; a line end at the very end starts no further line.
    bool NextLine(std::string_view& line);
    // The next word of the text, "" at its end.
    std::string_view Next();
    // Byte offset of the next unread character.
    size_t Offset() const { return pos_; }
    bool AtEnd() const { return pos_ >= text_.size(); }

private:
    std::string_view text_;
    size_t pos_ = 0;
    bool crEndsLine_;
};

bool IsShapeBlank(char c);
// The text without blanks at either end.
std::string_view TrimBlanks(std::string_view text);
// The text after a UTF-8 byte order mark, when it starts with one.
std::string_view SkipByteOrderMark(std::string_view text);

// The leading number of a word as strtod reads it in the "C" locale ("1.5e3", "-.5", "+2"); 0 when
// the word does not start with a number or the number is not finite in single precision.
float ShapeNumber(std::string_view word);
// The leading decimal integer of a word ("62", "-7", "+3x"), clamped to the int range; 0 when
// the word does not start with one.
int ShapeInteger(std::string_view word);

}  // namespace dez

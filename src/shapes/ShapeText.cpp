#include "shapes/ShapeText.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>

namespace dez {

bool IsShapeBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

bool ShapeWords::NextLine(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    size_t end = pos_;
    while (end < text_.size() && text_[end] != '\n' && !(crEndsLine_ && text_[end] == '\r')) ++end;
    line = text_.substr(pos_, end - pos_);
    if (end < text_.size()) {
        if (text_[end] == '\r') {
            ++end;
            if (end < text_.size() && text_[end] == '\n') ++end;
        } else {
            ++end;
        }
    }
    pos_ = end;
    return true;
}

std::string_view ShapeWords::Next() {
    while (pos_ < text_.size() && (IsShapeBlank(text_[pos_]) || text_[pos_] == '\n')) ++pos_;
    const size_t start = pos_;
    while (pos_ < text_.size() && !IsShapeBlank(text_[pos_]) && text_[pos_] != '\n') ++pos_;
    return text_.substr(start, pos_ - start);
}

std::string_view TrimBlanks(std::string_view text) {
    size_t b = 0, e = text.size();
    while (b < e && IsShapeBlank(text[b])) ++b;
    while (e > b && IsShapeBlank(text[e - 1])) --e;
    return text.substr(b, e - b);
}

std::string_view SkipByteOrderMark(std::string_view text) {
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") return text.substr(3);
    return text;
}

float ShapeNumber(std::string_view word) {
    const char* p = word.data();
    const char* end = p + word.size();
    // from_chars takes no leading '+', which strtod accepts.
    if (p < end && *p == '+') ++p;
    if (p < end && (*p == '+' || *p == '-') && word[0] == '+') return 0.0f;
    double value = 0;
    const auto r = std::from_chars(p, end, value);
    if (r.ec != std::errc()) return 0.0f;
    const float f = float(value);
    return std::isfinite(f) ? f : 0.0f;
}

int ShapeInteger(std::string_view word) {
    size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
    int64_t value = 0;
    bool any = false;
    for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) {
        any = true;
        if (value <= INT_MAX) value = value * 10 + (word[i] - '0');
    }
    if (!any) return 0;
    if (negative) return value > int64_t(INT_MAX) + 1 ? INT_MIN : int(-value);
    return value > INT_MAX ? INT_MAX : int(value);
}

}  // namespace dez

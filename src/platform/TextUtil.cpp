#include "platform/TextUtil.h"

namespace dez {

namespace {

unsigned char FoldLower(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldLower(a[i]) != FoldLower(b[i])) return false;
    }
    return true;
}

int CompareNoCaseN(const char* a, const char* b, size_t n) {
    if (a == nullptr) a = "";
    if (b == nullptr) b = "";
    for (size_t i = 0; i < n; ++i) {
        const int ca = FoldLower(a[i]);
        const int cb = FoldLower(b[i]);
        if (ca != cb) return ca - cb;
        if (ca == 0) break;
    }
    return 0;
}

int CompareNoCase(const char* a, const char* b) {
    return CompareNoCaseN(a, b, static_cast<size_t>(-1));
}

char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

char ToLowerAscii(char c) {
    return static_cast<char>(FoldLower(c));
}

std::string ToUpperAscii(std::string text) {
    for (char& c : text) c = ToUpperAscii(c);
    return text;
}

std::string ToLowerAscii(std::string text) {
    for (char& c : text) c = ToLowerAscii(c);
    return text;
}

std::string TrimBlanks(std::string_view text) { return std::string(TrimBlanksView(text)); }

std::string_view TrimBlanksView(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
    return text.substr(begin, end - begin);
}

bool IsAllBlanks(std::string_view text) { return TrimBlanksView(text).empty(); }

}  // namespace dez

#pragma once
// ASCII case folding and blank trimming for labels, names and keys. Only A-Z/a-z fold, so the
// results never depend on the locale and UTF-8 bytes pass through unchanged.
#include <cstddef>
#include <string>
#include <string_view>

namespace dez {

bool EqualsNoCase(std::string_view a, std::string_view b);
// Like stricmp / strncasecmp in the "C" locale: the sign tells the order of the folded bytes
// (compared as unsigned). A null pointer counts as "".
int CompareNoCase(const char* a, const char* b);
int CompareNoCaseN(const char* a, const char* b, size_t n);

char ToUpperAscii(char c);
char ToLowerAscii(char c);
std::string ToUpperAscii(std::string text);
std::string ToLowerAscii(std::string text);

// Removes the bytes with codes up to 32 (blanks and control characters) from both ends.
std::string TrimBlanks(std::string_view text);
// The same, as a view into `text`.
std::string_view TrimBlanksView(std::string_view text);
// True when every byte has a code up to 32 (an empty text too).
bool IsAllBlanks(std::string_view text);

}  // namespace dez

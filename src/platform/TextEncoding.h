#pragma once
// Detection of a text file's encoding and conversion to UTF-8, the program's internal encoding.
// Files written on Windows may come as UTF-16 (with or without a byte-order mark) or in a
// single-byte code page.
#include <cstddef>
#include <cstdint>
#include <string>

namespace dez {

enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Latin1 };

// A byte-order mark decides (EF BB BF, FF FE, FE FF; its length goes to *bomLength, else 0).
// Without one, an even-sized text where at least half of the first (up to 256) byte pairs have a
// zero byte in the same place, and more such pairs than with the zero in the other place, is
// UTF-16 of that byte order; otherwise valid UTF-8 is UTF-8 (plain ASCII included) and anything
// else is Latin-1.
TextEncoding DetectTextEncoding(const uint8_t* data, size_t size, size_t* bomLength = nullptr);

// UTF-16 to UTF-8. Surrogate pairs are combined; an unpaired surrogate and an odd trailing byte
// each become U+FFFD. A BOM in the data is converted like any other character.
std::string Utf16ToUtf8(const uint8_t* data, size_t size, bool bigEndian);
// Latin-1 (ISO 8859-1) to UTF-8.
std::string Latin1ToUtf8(const uint8_t* data, size_t size);

// Detects the encoding, drops the BOM and returns the text as UTF-8 (UTF-8 input is passed
// through unchanged otherwise).
std::string DecodeTextToUtf8(const uint8_t* data, size_t size);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no truncated sequence.
bool IsValidUtf8(const char* s, size_t n);
// Length of the valid UTF-8 sequence at p[0] (at most n bytes), 0 when it is not one; *incomplete
// tells whether the bytes so far are the start of a sequence cut off by the end of the text.
size_t Utf8SequenceLength(const unsigned char* p, size_t n, bool* incomplete = nullptr);

}  // namespace dez

#pragma once
// Line reading of marker-set label files (.mkr): text files in which a first line "!MKR#1" or
// "!MKR#2" tells the layout. The readers that apply them to a recording are members of TDataFile.
#include <cstddef>
#include <iosfwd>
#include <string>

// Lines of this length or more end the reading of a .mkr file.
constexpr size_t kMkrLineMax = 2560;

// The whole file as text: UTF-16 (with or without a byte-order mark) converted to UTF-8, a UTF-8
// byte-order mark dropped, other bytes kept as they are. False when the file cannot be read, with
// the reason in `error` when given.
bool ReadMkrText(const std::string& path, std::string& text, std::string* error = nullptr);
// Next non-empty line with blanks (codes up to 32) cut from both ends; false at the end of the
// stream or at a line of kMkrLineMax characters or more.
bool ReadTrimmedLine(std::istream& in, std::string& line);
// 2 or 1 when the first non-empty line is "!MKR#2" or "!MKR#1" (case ignored), 0 for any other
// line, -1 when the file cannot be read or has no non-empty line.
int GetMkrVersion(const std::string& path);

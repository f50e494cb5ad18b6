#pragma once
// TAF tracker recordings: sensors as points of the point table, or every value as an analog
// channel.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class TDataFile;
namespace dez {
class ByteReader;
}

// The payload of a type-4 header item: a byte 2, an int32 length L, L bytes of text. Nothing when
// the first byte is not 2 (the item ends there) or when the file ends inside (file.ok() is then
// false).
std::optional<std::string> ReadTAFString(dez::ByteReader& file);

// TDataFile::ReadTAF on the bytes of a file; `name` names it in messages.
bool ReadTAFBuffer(TDataFile& data, const uint8_t* bytes, size_t size, bool asPoints, const std::string& name);

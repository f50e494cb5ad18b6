#pragma once
// Pieces shared by the track-file family: TRC/TRB marker tracks, their ANC/ANB analog companions
// and the CAL plate calibration. Number parsing, the tagged binary records, labelled text rows and the force-plate channel groups; plus the byte-level parsers the readers
// and the fuzz targets run on data already in memory.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "importers/ImportText.h"

class TDataFile;
namespace dez {
class ByteReader;
}

// Bit depth of the last ANC companion was 16: the plate channels then take the factor -1
// instead of -25. Cleared at the start of every track-file load and every ANC read.
extern bool gAnalogIs16Bit;

// Sets "<name>: <what>" as the recording's error text and gives false, for the readers' failures.
bool TrackFail(TDataFile& data, const std::string& name, const std::string& what);

// Reads a number from the start of a text as a formatted input stream would: leading white space
// (CR included) skipped, the longest prefix forming a number taken, the rest ignored; always with
// "." as the decimal point. No number gives 0; a value out of the type's range gives its limit.
// Defined for uint16_t, int, float, double and uint64_t.
template <typename T>
void FromString(std::string_view text, T& value);
// The same reading, telling how many characters (white space included) the number took: 0 when
// the text does not start with one.
size_t ScanDouble(std::string_view text, double& value);
size_t ScanInt(std::string_view text, int& value);

// Tagged binary records (little-endian words; a 32-bit value is two words, high word first).
// Each reads one record with the expected tag and returns its size in 4-byte units, or 0 when the
// tag, the size or the bytes left do not fit (what was read stays consumed).
int32_t ReadTagInt(dez::ByteReader& file, uint16_t tag, uint32_t& value);
int32_t ReadTagFloat(dez::ByteReader& file, uint16_t tag, float& value);
// A size word stands before the value in the files (tag, 1, high, low), as in the other records;
// it is read but not checked. The two words after it are the value's bits.
int32_t ReadTagWordPair(dez::ByteReader& file, uint16_t tag, uint32_t& bits);
int32_t ReadTagString(dez::ByteReader& file, uint16_t tag, std::string& text);
int32_t ReadTagShorts(dez::ByteReader& file, uint16_t tag, std::vector<uint16_t>& words);
int32_t ReadTagBytes(dez::ByteReader& file, uint16_t tag, std::vector<uint8_t>& bytes);
// `length` bytes as text, NUL bytes included; "" when fewer bytes remain.
std::string ReadFixedText(dez::ByteReader& file, size_t length);

// The value after `key` (which may stand anywhere in the line) up to the next tab or the end of
// the line; false when the key is absent or nothing follows it.
bool GetTaggedValue(std::string_view line, std::string_view key, std::string& value);
// A row that begins with `key`: a final tab dropped, the key word and the one separator after it
// skipped, the rest cut at tabs, each field trimmed of blanks (empty fields kept). False, no
// fields, when the line does not begin with the key.
bool SplitLabelledRow(std::string_view line, std::string_view key, std::vector<std::string>& fields);
// The next line holds at least n reals separated by white space (further text ignored). The line
// is consumed either way; false also at the end of the text.
bool ReadRealsLine(dez::TextLines& lines, int32_t n, std::vector<double>& reals);

// Force-plate channel groups: the 1-based analog channel numbers of FX FY FZ MX MY MZ of a plate.
using PlateChannelGroup = std::array<int32_t, 6>;
// 1-based position of the first label equal to `name` once upper-cased, -1 when none; only the
// first `count` labels are looked at.
int32_t FindLabelIndex(const std::vector<std::string>& labels, int32_t count, const std::string& name);
bool MatchChannelGroup(const std::vector<std::string>& labels, int32_t count, const std::string (&names)[6],
                       PlateChannelGroup& group);
// Marks "FX1" style (none, 0-8) and then "F1X" style (0-9).
void FindPlateChannelGroups(const std::vector<std::string>& labels, int32_t count,
                            std::vector<PlateChannelGroup>& groups);
// prefix + mark + "FX" style (mark none, 0-8).
void FindPrefixedPlateChannelGroups(const std::vector<std::string>& labels, const char* prefix, int32_t count,
                                    std::vector<PlateChannelGroup>& groups);
// Every group of a recording's analog labels, in the order the calibration numbers its plates.
std::vector<PlateChannelGroup> FindAllPlateChannelGroups(const TDataFile& data);
// Turns each corner (x, y) in the plate's plane by the upper-left 2 x 2 of the rotation rows.
void TransformPlateCorners(double (&corners)[4][3], const double (&rotation)[3][3]);

// The readers on bytes already in memory; `name` is the file name used in messages. Each fills
// the recording only on success and leaves its reason in the error text otherwise.
// ParseTRC and ParseANC read the data of a large file on several threads, with the same result:
// `threads` 0 chooses (one thread for small files), 1 reads on this thread alone, more uses that many.
// Cuts text into `count` pieces for a parallel read: bounds[k] to bounds[k + 1] is piece k. Each
// cut is moved forward to just after a line end (atLineEnds) or to the next blank, so no line or
// word is split; pieces may be empty.
std::vector<const char*> CutTextForThreads(std::string_view text, size_t count, bool atLineEnds);

bool ParseTRC(TDataFile& data, std::string_view text, const std::string& name, unsigned threads = 0);
bool ParseTRB(TDataFile& data, const uint8_t* bytes, size_t size, const std::string& name);
bool ParseANC(TDataFile& data, std::string_view text, const std::string& name, unsigned threads = 0);
bool ParseBinaryAnalog(TDataFile& data, const uint8_t* bytes, size_t size, const std::string& name);
// ParseCalFile gives the number of plates it created.
int32_t ParseCalFile(TDataFile& data, std::string_view text, const std::string& name);

// True when a rows x columns table is in proportion with a file of `fileSize` bytes; a header
// that asks for more is refused before anything is allocated.
bool TableFitsFile(int64_t rows, int64_t columns, size_t fileSize);

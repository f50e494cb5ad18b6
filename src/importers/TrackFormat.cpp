#include "importers/TrackFormat.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "motion/TDataFile.h"
#include "platform/ByteReader.h"
#include "platform/NumberText.h"
#include "platform/TextUtil.h"

bool gAnalogIs16Bit = false;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

size_t SkipSpace(std::string_view text, size_t i) {
    while (i < text.size() && dez::IsSpaceC(text[i])) ++i;
    return i;
}

// The number at the start of `text` (after white space): the characters used, 0 when none.
// Formatted stream input takes a leading '+' and never reads "inf" or "nan"; from_chars is
// locale-free, so "," never counts as a decimal point.
template <typename T>
size_t ScanNumber(std::string_view text, T& value) {
    value = T();
    size_t i = SkipSpace(text, 0);
    if (i < text.size() && text[i] == '+') {
        ++i;
        if (i < text.size() && text[i] == '-') return 0;
    }
    const bool negative = i < text.size() && text[i] == '-';
    const size_t body = negative ? i + 1 : i;
    if (body >= text.size()) return 0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    if constexpr (std::is_floating_point_v<T>) {
        if (!IsDigit(text[body]) && !(text[body] == '.' && body + 1 < text.size() && IsDigit(text[body + 1])))
            return 0;
        T plain{};
        const char* stop = nullptr;
        if (dez::PlainDecimal(text.data() + body, last, plain, stop)) {
            value = negative ? -plain : plain;
            return static_cast<size_t>(stop - text.data());
        }
        const auto r = std::from_chars(first, last, value, std::chars_format::general);
        if (r.ec == std::errc::result_out_of_range) {
            // Too large gives the limit, too small gives 0 (from_chars leaves value unset).
            const std::string copy(first, static_cast<size_t>(r.ptr - first));
            const double d = dez::StrToD(copy.c_str());
            const double limit = std::numeric_limits<T>::max();
            value = static_cast<T>(d > limit ? limit : d < -limit ? -limit : d);
        } else if (r.ec != std::errc()) {
            value = T();
            return 0;
        }
        return static_cast<size_t>(r.ptr - text.data());
    } else {
        if (!IsDigit(text[body])) return 0;
        if (negative && std::is_unsigned_v<T>) return 0;
        const auto r = std::from_chars(first, last, value);
        if (r.ec == std::errc::result_out_of_range) {
            value = negative ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
        } else if (r.ec != std::errc()) {
            value = T();
            return 0;
        }
        return static_cast<size_t>(r.ptr - text.data());
    }
}

bool ReadWord(dez::ByteReader& file, uint16_t& word) { return file.ReadU16LE(word); }

// Tag word and, for the sized records, an int16 size n in 4-byte units with 4n bytes present.
bool ReadTagAndCount(dez::ByteReader& file, uint16_t tag, int16_t& n, size_t unitBytes) {
    uint16_t t = 0;
    if (!ReadWord(file, t) || t != tag) return false;
    if (!file.ReadI16LE(n) || n < 0) return false;
    return static_cast<size_t>(n) * unitBytes <= file.remaining();
}

}  // namespace

bool TrackFail(TDataFile& data, const std::string& name, const std::string& what) {
    data.SetErrorText((name + ": " + what).c_str());
    return false;
}

template <typename T>
void FromString(std::string_view text, T& value) {
    ScanNumber(text, value);
}

template void FromString<uint16_t>(std::string_view, uint16_t&);
template void FromString<int>(std::string_view, int&);
template void FromString<float>(std::string_view, float&);
template void FromString<double>(std::string_view, double&);
template void FromString<uint64_t>(std::string_view, uint64_t&);

size_t ScanDouble(std::string_view text, double& value) { return ScanNumber(text, value); }
size_t ScanInt(std::string_view text, int& value) { return ScanNumber(text, value); }

// ---------------------------------------------------------------------------------------------
// Tagged records

int32_t ReadTagInt(dez::ByteReader& file, uint16_t tag, uint32_t& value) {
    value = 0;
    uint16_t t = 0, size = 0, high = 0, low = 0;
    if (!ReadWord(file, t) || t != tag) return 0;
    if (!ReadWord(file, size) || size != 1) return 0;
    if (!ReadWord(file, high) || !ReadWord(file, low)) return 0;
    value = (static_cast<uint32_t>(high) << 16) | low;
    return 2;
}

int32_t ReadTagFloat(dez::ByteReader& file, uint16_t tag, float& value) {
    value = 0.0f;
    uint16_t t = 0, size = 0;
    if (!ReadWord(file, t) || t != tag) return 0;
    if (!ReadWord(file, size) || size != 1) return 0;
    return file.ReadF32LE(value) ? 2 : 0;
}

int32_t ReadTagWordPair(dez::ByteReader& file, uint16_t tag, uint32_t& bits) {
    bits = 0;
    uint16_t t = 0, size = 0, high = 0, low = 0;
    if (!ReadWord(file, t) || t != tag) return 0;
    if (!ReadWord(file, size) || !ReadWord(file, high) || !ReadWord(file, low)) return 0;
    bits = (static_cast<uint32_t>(high) << 16) | low;
    return 2;
}

int32_t ReadTagString(dez::ByteReader& file, uint16_t tag, std::string& text) {
    text.clear();
    int16_t n = 0;
    if (!ReadTagAndCount(file, tag, n, 4)) return 0;
    text = ReadFixedText(file, 4 * static_cast<size_t>(n));
    while (!text.empty() && text.back() == '\0') text.pop_back();
    const size_t start = text.find_first_not_of('\0');
    text.erase(0, start == std::string::npos ? text.size() : start);
    return n + 1;
}

int32_t ReadTagShorts(dez::ByteReader& file, uint16_t tag, std::vector<uint16_t>& words) {
    words.clear();
    int16_t n = 0;
    if (!ReadTagAndCount(file, tag, n, 4)) return 0;
    words.resize(2 * static_cast<size_t>(n));
    for (uint16_t& w : words) ReadWord(file, w);
    return n + 1;
}

int32_t ReadTagBytes(dez::ByteReader& file, uint16_t tag, std::vector<uint8_t>& bytes) {
    bytes.clear();
    int16_t n = 0;
    if (!ReadTagAndCount(file, tag, n, 4)) return 0;
    bytes.resize(4 * static_cast<size_t>(n));
    file.ReadBytes(bytes.data(), bytes.size());
    return n + 1;
}

std::string ReadFixedText(dez::ByteReader& file, size_t length) {
    if (length == 0 || length > file.remaining()) return std::string();
    std::string text(length, '\0');
    file.ReadBytes(&text[0], length);
    return text;
}

// ---------------------------------------------------------------------------------------------
// Text

bool GetTaggedValue(std::string_view line, std::string_view key, std::string& value) {
    value.clear();
    const size_t at = line.find(key);
    if (at == std::string_view::npos || at + key.size() >= line.size()) return false;
    std::string_view rest = line.substr(at + key.size());
    rest = rest.substr(0, rest.find('\t'));
    if (!rest.empty() && rest.back() == '\r') rest.remove_suffix(1);
    value.assign(rest);
    return true;
}

bool SplitLabelledRow(std::string_view line, std::string_view key, std::vector<std::string>& fields) {
    fields.clear();
    if (line.substr(0, key.size()) != key) return false;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\t') line.remove_suffix(1);
    size_t i = SkipSpace(line, 0);
    while (i < line.size() && !dez::IsSpaceC(line[i])) ++i;
    if (i < line.size()) ++i;  // the one separator after the key word
    std::string_view rest = line.substr(i);
    if (rest.empty()) return true;
    for (;;) {
        const size_t tab = rest.find('\t');
        fields.push_back(dez::TrimBlanks(rest.substr(0, tab)));
        if (tab == std::string_view::npos) break;
        rest.remove_prefix(tab + 1);
    }
    return true;
}

bool ReadRealsLine(dez::TextLines& lines, int32_t n, std::vector<double>& reals) {
    reals.clear();
    std::string_view line;
    if (!lines.Next(line)) return false;
    for (int32_t k = 0; k < n; ++k) {
        double v = 0.0;
        const size_t used = ScanNumber(line, v);
        if (used == 0) return false;
        reals.push_back(v);
        line.remove_prefix(used);
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Force-plate channel groups

int32_t FindLabelIndex(const std::vector<std::string>& labels, int32_t count, const std::string& name) {
    const size_t n = std::min(labels.size(), static_cast<size_t>(count < 0 ? 0 : count));
    for (size_t i = 0; i < n; ++i)
        if (!labels[i].empty() && dez::ToUpperAscii(labels[i]) == name) return static_cast<int32_t>(i + 1);
    return -1;
}

bool MatchChannelGroup(const std::vector<std::string>& labels, int32_t count, const std::string (&names)[6],
                       PlateChannelGroup& group) {
    for (int k = 0; k < 6; ++k) {
        group[static_cast<size_t>(k)] = FindLabelIndex(labels, count, names[k]);
        if (group[static_cast<size_t>(k)] < 0) return false;
    }
    return true;
}

namespace {

const char* const kMarks[] = {"", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};

}  // namespace

void FindPlateChannelGroups(const std::vector<std::string>& labels, int32_t count,
                            std::vector<PlateChannelGroup>& groups) {
    PlateChannelGroup group{};
    for (int m = 0; m < 10; ++m) {  // "FX1": no mark, then 0 to 8
        const std::string k = kMarks[m];
        const std::string names[6] = {"FX" + k, "FY" + k, "FZ" + k, "MX" + k, "MY" + k, "MZ" + k};
        if (MatchChannelGroup(labels, count, names, group)) groups.push_back(group);
    }
    for (int m = 1; m < 11; ++m) {  // "F1X": 0 to 9
        const std::string k = kMarks[m];
        const std::string names[6] = {"F" + k + "X", "F" + k + "Y", "F" + k + "Z",
                                      "M" + k + "X", "M" + k + "Y", "M" + k + "Z"};
        if (MatchChannelGroup(labels, count, names, group)) groups.push_back(group);
    }
}

void FindPrefixedPlateChannelGroups(const std::vector<std::string>& labels, const char* prefix, int32_t count,
                                    std::vector<PlateChannelGroup>& groups) {
    PlateChannelGroup group{};
    for (int m = 0; m < 10; ++m) {
        const std::string k = std::string(prefix ? prefix : "") + kMarks[m];
        const std::string names[6] = {k + "FX", k + "FY", k + "FZ", k + "MX", k + "MY", k + "MZ"};
        if (MatchChannelGroup(labels, count, names, group)) groups.push_back(group);
    }
}

std::vector<PlateChannelGroup> FindAllPlateChannelGroups(const TDataFile& data) {
    std::vector<PlateChannelGroup> groups;
    if (!data.analog || !data.analogLabels) return groups;
    const int32_t count = data.analog->GetRows();
    // Channels past the end of the label list (an ANC file may count more channels than it
    // names) give empty entries, which match no name.
    std::vector<std::string> labels;
    for (int32_t n = 1; n <= count; ++n) labels.push_back(data.AnalogLabel(n));
    FindPlateChannelGroups(labels, count, groups);
    FindPrefixedPlateChannelGroups(labels, "FP", count, groups);
    return groups;
}

void TransformPlateCorners(double (&corners)[4][3], const double (&rotation)[3][3]) {
    for (auto& c : corners) {
        const double x = c[0], y = c[1];
        c[0] = rotation[0][0] * x + rotation[0][1] * y;
        c[1] = rotation[1][0] * x + rotation[1][1] * y;
    }
}

bool TableFitsFile(int64_t rows, int64_t columns, size_t fileSize) {
    if (rows <= 0 || columns <= 0 || rows > INT32_MAX || columns > INT32_MAX) return false;
    const int64_t cells = rows * columns;
    // A sample takes a few bytes in any of these files; sixteen cells per byte (with room for
    // small files of mostly missing markers) is far beyond any real recording.
    constexpr int64_t kSlack = int64_t{1} << 20;
    return cells <= INT32_MAX && cells <= 16 * static_cast<int64_t>(fileSize) + kSlack;
}

std::vector<const char*> CutTextForThreads(std::string_view text, size_t count, bool atLineEnds) {
    const char* const base = text.data();
    const char* const last = base + text.size();
    std::vector<const char*> bounds(count + 1, last);
    bounds[0] = base;
    for (size_t k = 1; k < count; ++k) {
        const char* at = std::max(bounds[k - 1], base + text.size() / count * k);
        if (atLineEnds) {
            const void* found = at == last ? nullptr : std::memchr(at, '\n', static_cast<size_t>(last - at));
            at = found ? static_cast<const char*>(found) + 1 : last;
        } else {
            while (at != last && !dez::IsSpaceC(*at)) ++at;
        }
        bounds[k] = at;
    }
    return bounds;
}

#include "shapes/MeshText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>
#include <string>
#include <vector>

#include <zlib.h>

#include "platform/GuardedRead.h"
#include "platform/NumberText.h"

namespace dez {

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool EndsWithGz(const std::string& path) {
    if (path.size() < 3) return false;
    std::string tail = path.substr(path.size() - 3);
    for (char& c : tail) c = char(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".gz";
}

// What one inflated file may grow to: more than any mesh this program draws, and a stop for
// compressed bombs.
constexpr size_t kMaxInflated = size_t(1) << 31;

}  // namespace

bool InflateBytes(std::string_view packed, std::string& out) {
    z_stream zs{};
    // 15 window bits + 32: accept a gzip or a zlib header.
    if (inflateInit2(&zs, 15 + 32) != Z_OK) return false;
    // zlib counts in 32-bit units: the input goes in and the output comes out in slices.
    constexpr size_t kSlice = size_t(1) << 30;
    std::string result;
    result.resize(std::min(std::max<size_t>(packed.size() * 4, 4096), kMaxInflated));
    size_t consumed = 0, produced = 0;
    int rc = Z_OK;
    while (rc == Z_OK) {
        if (zs.avail_in == 0 && consumed < packed.size()) {
            const size_t slice = std::min(packed.size() - consumed, kSlice);
            zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + consumed));
            zs.avail_in = uInt(slice);
            consumed += slice;
        }
        if (produced == result.size()) {
            if (result.size() >= kMaxInflated) break;
            result.resize(std::min(result.size() * 2, kMaxInflated));
        }
        zs.next_out = reinterpret_cast<Bytef*>(&result[produced]);
        const size_t room = std::min(result.size() - produced, kSlice);
        zs.avail_out = uInt(room);
        rc = inflate(&zs, Z_NO_FLUSH);
        produced += room - zs.avail_out;
        // No progress possible: with all input given, the stream is cut short.
        if (rc == Z_BUF_ERROR && zs.avail_in == 0 && consumed == packed.size()) break;
        if (rc == Z_BUF_ERROR) rc = Z_OK;
    }
    inflateEnd(&zs);
    if (rc != Z_STREAM_END) return false;
    result.resize(produced);
    out.swap(result);
    return true;
}

bool ReadMeshFile(const std::string& path, std::string& out, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, &error)) {
        if (error.empty()) error = "cannot read " + path;
        return false;
    }
    std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (EndsWithGz(path)) {
        if (!InflateBytes(view, out)) {
            error = path + ": not a complete gzip or zlib stream";
            return false;
        }
        return true;
    }
    out.assign(view);
    return true;
}

bool WordToDouble(std::string_view word, double& out) {
    const char* p = word.data();
    const char* end = p + word.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    if (p < end && (*p == '+' || *p == '-')) return false;  // a second sign
    double value = 0;
    if (!ParseDecimal(p, end, value)) {
        // Beyond the double range the C conversion gives infinity or zero; anything else that
        // from_chars refuses is no number.
        double unused = 0;
        const auto r = std::from_chars(p, end, unused);
        if (r.ptr != end || r.ec != std::errc::result_out_of_range) return false;
        const std::string copy(p, end);
        value = StrToD(copy.c_str());
    }
    out = negative ? -value : value;
    return true;
}

std::string_view MeshWords::FirstLine() {
    size_t end = pos_;
    while (end < text_.size() && text_[end] != '\n' && text_[end] != '\r') ++end;
    std::string_view line = text_.substr(pos_, end - pos_);
    if (end < text_.size() && text_[end] == '\r') ++end;
    if (end < text_.size() && text_[end] == '\n') ++end;
    pos_ = end;
    return line;
}

std::string_view MeshWords::Next() {
    while (pos_ < text_.size() && IsSeparator(text_[pos_])) ++pos_;
    const size_t start = pos_;
    while (pos_ < text_.size() && !IsSeparator(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
}

long long MeshWords::NextInt() { return ToInt(Next()); }

double MeshWords::NextReal() { return ToReal(Next()); }

long long MeshWords::ToInt(std::string_view w) {
    const char* p = w.data();
    const char* end = p + w.size();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
    unsigned long long value = 0;
    const auto r = std::from_chars(p, end, value);
    constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (r.ec == std::errc::result_out_of_range || value > kMax)
        return negative ? std::numeric_limits<long long>::min() : std::numeric_limits<long long>::max();
    if (r.ec != std::errc()) return 0;
    return negative ? -static_cast<long long>(value) : static_cast<long long>(value);
}

double MeshWords::ToReal(std::string_view w) {
    const char* p = w.data();
    const char* end = p + w.size();
    // from_chars takes no leading '+', which the C conversion accepts.
    if (p < end && *p == '+' && p + 1 < end && *(p + 1) != '-') ++p;
    double value = 0;
    const auto r = std::from_chars(p, end, value);
    if (r.ec == std::errc::result_out_of_range) {
        // Too large: the C conversion gives infinity; too small: zero.
        const std::string copy(p, end);
        return StrToD(copy.c_str());
    }
    return r.ec == std::errc() ? value : 0.0;
}

bool ReadTextFaces(MeshWords& words, long long faceCount, long long vertexCount,
                   std::vector<int32_t>& faces, std::string& error) {
    faces.assign(size_t(faceCount) * 5, 0);
    for (long long i = 0; i < faceCount; ++i) {
        const size_t at = words.Offset();
        const long long k = words.NextInt();
        if (k < 0 || size_t(k) > words.Remaining()) {
            error = Format("face %lld at byte %zu has %lld corners", i + 1, at, k);
            return false;
        }
        int32_t* face = &faces[size_t(i) * 5];
        face[0] = int32_t(std::min<long long>(k, 4));
        for (long long j = 0; j < k; ++j) {
            const long long index = words.NextInt();
            if (j >= 4) continue;
            if (index < 1 || index > vertexCount) {
                error = Format("face %lld at byte %zu: corner %lld is not a vertex (1 to %lld)",
                               i + 1, at, index, vertexCount);
                return false;
            }
            face[1 + j] = int32_t(index - 1);
        }
    }
    return true;
}

}  // namespace dez

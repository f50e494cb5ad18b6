#include "importers/TCPrefixFile.h"

#include <cmath>
#include <vector>

#include "platform/ByteReader.h"
#include "platform/GuardedRead.h"

namespace {

constexpr size_t kHeaderSize = 256;
constexpr int kTypeReal = 32;
constexpr int kTypePoints = 1;
constexpr int kTypeChannels = 16;
// The recording holds 1 to 10 values per point.
constexpr int32_t kMaxValuesPerItem = 10;
// Float samples below this mark a gap.
constexpr float kGapBelow = -3.5e28f;
// Integer samples: 12-bit readings centred on 2048 over +-10 units.
constexpr double kConverterZero = 2048.0;
constexpr double kConverterRange = 10.0;

}  // namespace

double RoundToNearest(double value) { return std::ceil(value - 0.5); }

TCPrefixFile::TCPrefixFile(const char* filePath) {
    if (filePath) Read(filePath);
}

bool TCPrefixFile::Fail(const char* why) {
    message_ = why;
    samples_.reset();
    valid_ = false;
    return false;
}

bool TCPrefixFile::Read(const char* filePath) {
    path_.clear();
    samples_.reset();
    valid_ = false;
    type_ = 0;
    if (!filePath) return Fail("no file given");
    std::vector<uint8_t> bytes;
    std::string why;
    if (!dez::ReadWholeFile(filePath, bytes, &why)) {
        path_ = filePath;
        rate_ = 1.0;
        frames_ = 0;
        return Fail(("Unable to open the file: " + why).c_str());
    }
    const bool ok = ReadBuffer(bytes.data(), bytes.size());
    path_ = filePath;
    return ok;
}

bool TCPrefixFile::ReadBuffer(const uint8_t* data, size_t size) {
    path_.clear();
    samples_.reset();
    message_.clear();
    valid_ = false;
    type_ = 0;
    rate_ = 1.0;
    frames_ = 0;
    items_ = 0;
    valuesPerItem_ = 0;
    if (!data || size < kHeaderSize) return Fail("the file is shorter than its 256-byte header");
    const uint8_t* h = data;
    type_ = h[0];
    int32_t p = 0;  // scale exponent of integer samples
    if (type_ == kTypeReal) {
        items_ = dez::LoadI16LE(h + 1);
        valuesPerItem_ = dez::LoadI16LE(h + 3);
        frames_ = dez::LoadI32LE(h + 5);
        rate_ = RoundToNearest(dez::LoadF32LE(h + 9));
    } else if (type_ == kTypePoints || type_ == kTypeChannels) {
        rate_ = dez::LoadI16LE(h + 3);
        p = static_cast<int8_t>(h[93]);
        if (type_ == kTypePoints) {
            items_ = h[1];
            valuesPerItem_ = 3;
            frames_ = dez::LoadU16LE(h + 6);
        } else {
            items_ = static_cast<int8_t>(h[90]);
            valuesPerItem_ = 1;
            frames_ = dez::LoadI32LE(h + 98);
        }
    } else {
        return Fail("unknown type byte");
    }
    if (items_ <= 0 || valuesPerItem_ <= 0 || valuesPerItem_ > kMaxValuesPerItem)
        return Fail("no items or an unusable number of values per item");
    if (frames_ <= 0) return Fail("no frames");
    if (!(rate_ > 0.0) || !std::isfinite(rate_)) return Fail("no positive sampling rate");

    const int32_t rows = items_ * valuesPerItem_;
    const size_t width = type_ == kTypeReal ? 4 : 2;
    const size_t available = (size - kHeaderSize) / width / static_cast<size_t>(rows);
    if (static_cast<size_t>(frames_) > available) return Fail("the file ends inside its samples");
    auto table = std::make_unique<Matrix2D>(rows, frames_);
    if (table->GetRows() == 0) return Fail("not enough memory for the samples");

    // Integer samples are converted exactly, in real arithmetic: a whole-number step would
    // quantise every value to units of 2^-p.
    const double divisor = std::ldexp(1.0, p);
    const uint8_t* s = data + kHeaderSize;
    double* out = table->GetData();  // column-major: one frame's rows follow one another
    const size_t count = static_cast<size_t>(rows) * static_cast<size_t>(frames_);
    for (size_t i = 0; i < count; ++i, s += width) {
        if (type_ == kTypeReal) {
            const float v = dez::LoadF32LE(s);
            out[i] = v < kGapBelow ? 0.0 : v;
        } else {
            const double v = dez::LoadI16LE(s);
            out[i] = kConverterRange * (v - kConverterZero) / kConverterZero / divisor;
        }
    }
    samples_ = std::move(table);
    valid_ = true;
    return true;
}

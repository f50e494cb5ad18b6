#pragma once
// Reader of one file of a "c#" recording: a 256-byte header, then the samples frame by frame.
// Type 32 holds float samples of points or channels; types 1 (3-D points) and 16 (channels) hold
// 12-bit converter readings around 2048 in int16 words.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "motion/Matrix2D.h"

class TCPrefixFile {
public:
    // Reads `path` at once when one is given.
    explicit TCPrefixFile(const char* path = nullptr);
    TCPrefixFile(const TCPrefixFile&) = delete;
    TCPrefixFile& operator=(const TCPrefixFile&) = delete;

    // Returns IsValid().
    bool Read(const char* path);
    bool ReadBuffer(const uint8_t* data, size_t size);

    bool IsValid() const { return valid_; }
    // Rows are items x values per item, columns are frames; null until a read succeeds.
    const Matrix2D* GetSamples() const { return samples_.get(); }
    double GetRate() const { return rate_; }
    int32_t GetFrames() const { return frames_; }
    int32_t GetItems() const { return items_; }
    int32_t GetValuesPerItem() const { return valuesPerItem_; }
    int32_t GetType() const { return type_; }
    const std::string& GetPath() const { return path_; }
    // Why the last read failed ("" after a success).
    const std::string& GetMessage() const { return message_; }

private:
    bool Fail(const char* why);

    std::string path_;
    std::unique_ptr<Matrix2D> samples_;
    std::string message_;
    bool valid_ = false;
    double rate_ = 1.0;
    int32_t frames_ = 0;
    int32_t items_ = 0;
    int32_t valuesPerItem_ = 0;
    int32_t type_ = 0;
};

// The whole number nearest to `value`; exactly halfway goes down (2.5 gives 2, -2.5 gives -3).
double RoundToNearest(double value);

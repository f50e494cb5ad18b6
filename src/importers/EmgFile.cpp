// EMG files, imported as the analog part of another recording. Layout, little-endian int16:
//   0  start time: milliseconds, then seconds     4  end time: milliseconds, then seconds
//   8  channel count                             10  sampling rate (Hz)
//   12 .. 1023 not read (the files keep 8-character channel names from 12)
//   1024 samples: per sample one int16 per channel. Files are padded to whole 512-byte blocks.
#include "motion/TDataFile.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "importers/ImportText.h"
#include "platform/ByteReader.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"

namespace {

constexpr size_t kEmgHeaderSize = 1024;

}  // namespace

bool TDataFile::ImportEMG(const char* filePath) {
    const std::string target = filePath ? filePath : "";
    const std::string name = dez::NameOf(target);
    std::vector<uint8_t> bytes;
    std::string error;
    if (!dez::ReadRecordingFile(filePath, bytes, error)) {
        SetErrorText(error.c_str());
        return false;
    }
    if (bytes.size() < kEmgHeaderSize) {
        SetErrorText(dez::Format("%s: the file ends inside its 1024-byte header", name.c_str()).c_str());
        return false;
    }
    const uint8_t* h = bytes.data();
    const double ms0 = dez::LoadI16LE(h), s0 = dez::LoadI16LE(h + 2);
    const double ms1 = dez::LoadI16LE(h + 4), s1 = dez::LoadI16LE(h + 6);
    const int32_t channels = dez::LoadI16LE(h + 8);
    const int32_t rate = dez::LoadI16LE(h + 10);
    // The last sample of the span is not stored, hence the - 1.
    const double span = std::trunc((ms1 / 1000 + s1 - s0 - ms0 / 1000) * rate) - 1;
    if (channels < 0 || rate < 0) {
        SetErrorText(dez::Format("%s: damaged header (%d channels, rate %d)", name.c_str(), channels, rate).c_str());
        return false;
    }
    const int32_t samples = span > 0 ? static_cast<int32_t>(std::min(span, 2147483647.0)) : 0;
    const double needed = static_cast<double>(kEmgHeaderSize) + 2.0 * channels * samples;
    if (needed > static_cast<double>(bytes.size())) {
        SetErrorText(dez::Format("%s: truncated, %zu of the %.0f bytes of %d samples x %d channels are there",
                                 name.c_str(), bytes.size(), needed, samples, channels)
                         .c_str());
        return false;
    }
    // No channel or no sample gives an empty table.
    auto table = std::make_unique<Matrix2D>(channels, samples);
    const int64_t values = static_cast<int64_t>(channels) * samples;
    if (values > 0 && (table->GetRows() != channels || table->GetCols() != samples)) {
        SetErrorText(dez::Format("%s: not enough memory for %d samples", name.c_str(), samples).c_str());
        return false;
    }
    double* out = table->GetData();
    for (int64_t k = 0; k < values; ++k) out[k] = dez::LoadI16LE(h + kEmgHeaderSize + 2 * k);

    ClearAnalog();
    analog = table.release();
    analogRate = static_cast<float>(rate);
    analogLabels = new LabelledItemList();
    for (int32_t c = 0; c < channels; ++c) SetAnalogLabel(("EMG " + std::to_string(c + 1)).c_str(), c, nullptr, nullptr);
    return true;
}

// Analog companions of the track files: the ANC text form and the tagged binary form (.anb).
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "importers/TrackFormat.h"
#include "motion/TDataFile.h"
#include "platform/ByteReader.h"
#include "platform/GuardedRead.h"
#include "platform/Memory.h"
#include "platform/NumberText.h"
#include "platform/Parallel.h"
#include "platform/Paths.h"

namespace {

// Bit depths of real converters; beyond these 2^B stops being a usable scale.
bool BitDepthUsable(int64_t bits) { return bits >= 1 && bits <= 32; }

// Replaces the analog part by the table, its rate and one label per name; the label ids count
// channels from 0.
void StoreAnalog(TDataFile& d, std::unique_ptr<Matrix2D> table, float rate, const std::vector<std::string>& names,
                 size_t labelled) {
    delete d.analog;
    d.analog = table.release();
    d.analogRate = rate;
    if (!d.analogLabels) d.analogLabels = new LabelledItemList();
    for (size_t k = 0; k < labelled && k < names.size(); ++k)
        d.analogLabels->Add(LabelledItem(static_cast<int32_t>(k), names[k].c_str()));
    d.InvalidatePlateCache();
}

// Below this size the samples of an ANC file are read on one thread: starting threads would cost
// more than they save.
constexpr size_t kParallelBytes = size_t{8} << 20;

// Calls word(first, last) for each white-space separated word of [first, last); stops early when
// word gives false.
template <typename Word>
void ForEachWord(const char* first, const char* last, Word&& word) {
    for (;;) {
        while (first != last && dez::IsSpaceC(*first)) ++first;
        if (first == last) return;
        const char* end = first;
        while (end != last && !dez::IsSpaceC(*end)) ++end;
        if (!word(first, end)) return;
        first = end;
    }
}

// The samples read as the serial loop reads them, on `threads` threads: the text is cut into
// pieces between words, the words of each are counted, and then each piece fills the samples its
// words belong to (a time word, then a value per channel). False when the words run out before
// the last sample, a value is no number or a piece failed: the serial loop then says which.
bool ReadSamplesInParallel(std::string_view text, int64_t samples, uint64_t channels, size_t stored, size_t rows,
                           const std::vector<double>& scale, double* cells, unsigned threads) {
    // A few pieces per thread even out threads that start late.
    const size_t count = size_t{4} * threads;
    const std::vector<const char*> bounds = CutTextForThreads(text, count, false);
    std::vector<uint64_t> first(count + 1, 0);
    if (!dez::RunTasks(count, threads, [&](size_t k) {
            uint64_t n = 0;
            ForEachWord(bounds[k], bounds[k + 1], [&n](const char*, const char*) {
                ++n;
                return true;
            });
            first[k + 1] = n;
        }))
        return false;
    for (size_t k = 0; k < count; ++k) first[k + 1] += first[k];
    // The header check keeps samples x (channels + 1) below the size of the file.
    const uint64_t perSample = channels + 1;
    if (first[count] < static_cast<uint64_t>(samples) * perSample) return false;
    std::atomic<bool> noNumber{false};
    const bool done = dez::RunTasks(count, threads, [&](size_t k) {
        uint64_t s = first[k] / perSample;
        uint64_t at = first[k] % perSample;
        ForEachWord(bounds[k], bounds[k + 1], [&](const char* a, const char* b) {
            if (s >= static_cast<uint64_t>(samples)) return false;
            double* const column = cells + s * rows;
            if (at == 0) {
                std::fill(column + stored, column + rows, 0.0);
            } else {
                double v = 0.0;
                const std::string_view word(a, static_cast<size_t>(b - a));
                if (ScanDouble(word, v) != word.size()) {
                    noNumber = true;
                    return false;
                }
                if (at - 1 < stored) column[at - 1] = v * scale[at - 1];
            }
            if (++at == perSample) {
                at = 0;
                ++s;
            }
            return true;
        });
    });
    return done && !noNumber;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ANC

bool ParseANC(TDataFile& d, std::string_view text, const std::string& name, unsigned requestedThreads) {
    static const std::string_view kSignature = "File_Type:\tAnalog R/C ASCII\tGeneration#:\t";
    dez::TextLines lines(text);
    std::string_view line;
    if (!lines.Next(line) || line.substr(0, kSignature.size()) != kSignature)
        return TrackFail(d, name, "not an ANC file: line 1 is not \"File_Type: Analog R/C ASCII\"");
    int generation = 0;
    FromString(line.substr(kSignature.size(), 1), generation);
    if (generation != 1 && generation != 2)
        return TrackFail(d, name, dez::Format("generation %d is neither 1 nor 2 (line 1)", generation));

    std::string_view header[3];  // lines 2 to 4
    for (std::string_view& h : header)
        if (!lines.Next(h)) return TrackFail(d, name, dez::Format("the file ends in its header, at line %d", lines.LineNumber() + 1));
    std::string value;
    double duration = 0.0, rate = 0.0;
    uint64_t channels = 0;
    int bits = 0;
    if (GetTaggedValue(header[1], "Duration(Sec.):\t", value)) FromString(value, duration);
    if (GetTaggedValue(header[1], "#Channels:\t", value)) FromString(value, channels);
    if (GetTaggedValue(header[2], "BitDepth:\t", value)) FromString(value, bits);
    if (GetTaggedValue(header[2], "PreciseRate:\t", value)) FromString(value, rate);
    for (int i = 5; i <= 8; ++i) lines.Next(line);
    if (channels == 0) return TrackFail(d, name, "#Channels is missing or 0 (line 3)");
    if (!BitDepthUsable(bits)) return TrackFail(d, name, dez::Format("BitDepth %d cannot be used (line 4)", bits));
    if (!(rate > 0.0)) return TrackFail(d, name, "PreciseRate is missing or not above 0 (line 4)");

    std::vector<std::string> names, rates, ranges;
    std::string_view row;
    lines.Next(row);
    SplitLabelledRow(row, "Name", names);
    lines.Next(row);
    SplitLabelledRow(row, "Rate", rates);
    lines.Next(row);
    SplitLabelledRow(row, "Range", ranges);
    if (lines.LineNumber() < 11) return TrackFail(d, name, "the file ends before its channel rows (lines 9 to 11)");
    if (names.empty()) return TrackFail(d, name, "line 9 names no channel");

    // Samples counted by the duration; the tolerance keeps a product such as 2.3 x 1000 =
    // 2299.9999... from losing the last sample.
    const double product = duration * rate;
    const double samplesReal = std::floor(product + 1e-9 * std::max(1.0, std::fabs(product))) + 1.0;
    if (!(samplesReal >= 1.0)) return TrackFail(d, name, "Duration(Sec.) and PreciseRate give no sample (lines 3, 4)");
    // Each sample is a time and a value per channel, each at least a character and a separator.
    const std::string_view samplesText = lines.Rest();
    if (samplesReal * (static_cast<double>(channels) + 1.0) * 2.0 > static_cast<double>(samplesText.size()) + 2.0)
        return TrackFail(d, name, dez::Format("%.6g samples of %llu channels are more than the file holds", samplesReal,
                                         static_cast<unsigned long long>(channels)));
    const int64_t samples = static_cast<int64_t>(samplesReal);
    const int64_t rows = static_cast<int64_t>(names.size());
    if (!TableFitsFile(rows, samples, text.size()))
        return TrackFail(d, name, dez::Format("%lld channels of %lld samples are more than the file can hold",
                                         static_cast<long long>(rows), static_cast<long long>(samples)));

    // Only channels both named and counted are stored; each needs a range other than 0.
    const size_t stored = static_cast<size_t>(std::min<uint64_t>(channels, names.size()));
    if (ranges.size() < stored)
        return TrackFail(d, name, dez::Format("line 11 gives %zu ranges for %zu channels", ranges.size(), stored));
    std::vector<double> scale(stored);
    for (size_t k = 0; k < stored; ++k) {
        uint16_t range = 0;
        FromString(ranges[k], range);
        if (range == 0) return TrackFail(d, name, dez::Format("channel %zu has range 0 (line 11)", k + 1));
        const double full = std::ldexp(1.0, bits);
        scale[k] = generation == 1 ? full / range : range * 2.0 / 1000.0 / full;
    }

    // Every cell is written below (named channels beyond the count as 0), so the table is not
    // cleared first.
    auto table = std::make_unique<Matrix2D>();
    if (!table->Resize(static_cast<int32_t>(rows), static_cast<int32_t>(samples), false))
        return TrackFail(d, name, "not enough memory for the analog table");
    dez::AdviseLargeBlock(table->GetData(), sizeof(double) * static_cast<size_t>(table->size));
    // Sample values are white-space separated numbers; line ends carry no meaning.
    unsigned threads = requestedThreads;
    if (threads == 0) threads = samplesText.size() > kParallelBytes ? dez::HardwareThreads() : 1;
    if (threads < 2 || !ReadSamplesInParallel(samplesText, samples, channels, stored, static_cast<size_t>(rows), scale,
                                              table->GetData(), threads)) {
        std::string_view rest = samplesText;
        auto nextWord = [&rest](std::string_view& word) {
            size_t i = 0;
            while (i < rest.size() && dez::IsSpaceC(rest[i])) ++i;
            size_t j = i;
            while (j < rest.size() && !dez::IsSpaceC(rest[j])) ++j;
            word = rest.substr(i, j - i);
            rest.remove_prefix(j);
            return !word.empty();
        };
        std::string_view word;
        for (int64_t s = 0; s < samples; ++s) {
            double* const column = table->GetData() + static_cast<size_t>(s) * static_cast<size_t>(rows);
            if (!nextWord(word))
                return TrackFail(d, name, dez::Format("the samples end at sample %lld of %lld", static_cast<long long>(s) + 1,
                                                 static_cast<long long>(samples)));
            for (uint64_t k = 0; k < channels; ++k) {
                double v = 0.0;
                if (!nextWord(word))
                    return TrackFail(d, name, dez::Format("the samples end at sample %lld of %lld", static_cast<long long>(s) + 1,
                                                     static_cast<long long>(samples)));
                if (ScanDouble(word, v) != word.size())
                    return TrackFail(d, name, dez::Format("sample %lld of channel %llu is not a number",
                                                     static_cast<long long>(s) + 1, static_cast<unsigned long long>(k) + 1));
                if (k < stored) column[k] = v * scale[k];
            }
            std::fill(column + stored, column + rows, 0.0);
        }
    }
    StoreAnalog(d, std::move(table), static_cast<float>(rate), names, stored);
    gAnalogIs16Bit = bits == 16;
    return true;
}

bool TDataFile::ReadANC(const char* trackPath) {
    gAnalogIs16Bit = false;
    const std::string track = trackPath ? trackPath : "";
    // Beside the track file, under its name; a file written on Windows may differ in case.
    const std::string file = dez::FindCompanionFile(dez::FolderOf(track), dez::StemOf(track) + ".anc");
    if (file.empty()) return false;
    dez::FileBytes bytes;
    std::string error;
    if (!dez::ReadWholeFile(file, bytes, &error)) return TrackFail(*this, dez::NameOf(file), "cannot be read (" + error + ")");
    return ParseANC(*this, bytes.text(), dez::NameOf(file));
}

// ---------------------------------------------------------------------------------------------
// Binary analog file

bool ParseBinaryAnalog(TDataFile& d, const uint8_t* bytes, size_t size, const std::string& name) {
    dez::ByteReader f(bytes, size);
    uint16_t w0 = 1, w1 = 1;
    f.ReadU16LE(w0);
    f.ReadU16LE(w1);
    if (!f.ok() || w0 != 0 || w1 != 0) return TrackFail(d, name, "not a binary analog file: it does not begin with two zero words");

    int64_t sum = 0;
    size_t at = 0;
    auto bad = [&](int tag) {
        return TrackFail(d, name, dez::Format("header record %d at byte %zu is missing or malformed", tag, at));
    };
    // Records in their fixed order; each adds its size to the sum checked against the header size.
    auto record = [&](int tag, auto&& read) {
        at = f.pos();
        const int32_t got = read();
        if (got == 0) return bad(tag);
        sum += got;
        return true;
    };
    uint32_t headerSize = 0, unusedInt = 0, bits = 0, rateBits = 0, count = 0, unusedPair = 0;
    std::string unusedText;
    std::vector<uint8_t> unusedBytes;
    std::vector<uint16_t> unusedWords, ranges;
    const bool headerRead = record(0x8000, [&] { return ReadTagInt(f, 0x8000, headerSize); }) &&
                            record(257, [&] { return ReadTagInt(f, 257, unusedInt); }) &&
                            record(264, [&] { return ReadTagString(f, 264, unusedText); }) &&
                            record(265, [&] { return ReadTagInt(f, 265, bits); }) &&
                            record(266, [&] { return ReadTagWordPair(f, 266, rateBits); }) &&
                            record(258, [&] { return ReadTagInt(f, 258, count); }) &&
                            record(259, [&] { return ReadTagBytes(f, 259, unusedBytes); }) &&
                            record(260, [&] { return ReadTagShorts(f, 260, unusedWords); }) &&
                            record(261, [&] { return ReadTagWordPair(f, 261, unusedPair); }) &&
                            record(262, [&] { return ReadTagShorts(f, 262, ranges); });
    if (!headerRead) return false;
    if (count == 0) return TrackFail(d, name, "the channel count is 0");
    // A name record takes at least 4 bytes.
    if (count > f.remaining() / 4)
        return TrackFail(d, name, dez::Format("%u channel names cannot fit in the file", count));
    std::vector<std::string> names(count);
    for (std::string& n : names)
        if (!record(263, [&] { return ReadTagString(f, 263, n); })) return false;
    if (1 + sum != headerSize)
        return TrackFail(d, name, dez::Format("the header size %u does not match its records (%lld)", headerSize,
                                         static_cast<long long>(1 + sum)));
    if (ranges.size() < count)
        return TrackFail(d, name, dez::Format("record 262 gives %zu ranges for %u channels", ranges.size(), count));
    if (!BitDepthUsable(bits)) return TrackFail(d, name, dez::Format("bit depth %u cannot be used", bits));
    float rate = 0.0f;
    std::memcpy(&rate, &rateBits, sizeof rate);
    if (!std::isfinite(rate) || rate <= 0.0f) return TrackFail(d, name, "the analog rate is not a number above 0");
    std::vector<double> scale(count);
    for (uint32_t k = 0; k < count; ++k) {
        if (ranges[k] == 0) return TrackFail(d, name, dez::Format("channel %u has range 0", k + 1));
        scale[k] = ranges[k] * 2.0 / 1000.0 / std::ldexp(1.0, static_cast<int>(bits));
    }

    // The data section: two zero words, record 0x8100 with its size D in 4-byte units counted
    // from the zero words, then the samples.
    const size_t dataStart = f.pos();
    f.ReadU16LE(w0);
    f.ReadU16LE(w1);
    if (!f.ok() || w0 != 0 || w1 != 0)
        return TrackFail(d, name, dez::Format("the data section at byte %zu does not begin with two zero words", dataStart));
    uint32_t dataUnits = 0;
    at = f.pos();
    if (ReadTagInt(f, 0x8100, dataUnits) == 0) return bad(0x8100);
    if (4 * static_cast<uint64_t>(dataUnits) > size - dataStart)
        return TrackFail(d, name, dez::Format("the data section at byte %zu claims %llu bytes, the file holds %zu", dataStart,
                                         4 * static_cast<unsigned long long>(dataUnits), size - dataStart));
    const int64_t words = 2 * static_cast<int64_t>(dataUnits) - 6;
    const int64_t samples = words > 0 ? words / count : 0;
    if (samples < 1) return TrackFail(d, name, "the data section holds no sample");
    if (!TableFitsFile(count, samples, size))
        return TrackFail(d, name, "the channel count is out of proportion with the file size");
    auto table = std::make_unique<Matrix2D>(static_cast<int32_t>(count), static_cast<int32_t>(samples));
    if (table->GetRows() != static_cast<int32_t>(count)) return TrackFail(d, name, "not enough memory for the analog table");
    // Samples are signed, as the same trial's ANC file shows: reading them unsigned would turn
    // every negative value into one near 65536.
    for (int64_t s = 0; s < samples; ++s) {
        for (uint32_t k = 0; k < count; ++k) {
            int16_t w = 0;
            f.ReadI16LE(w);
            table->SetValue(static_cast<int32_t>(k), static_cast<int32_t>(s), w * scale[k]);
        }
    }
    StoreAnalog(d, std::move(table), rate, names, names.size());
    return true;
}

bool TDataFile::ReadBinaryAnalog(const char* filePath) {
    const std::string file = filePath ? filePath : "";
    std::vector<uint8_t> bytes;
    std::string error;
    if (!dez::ReadWholeFile(file, bytes, &error)) return TrackFail(*this, dez::NameOf(file), "cannot be read (" + error + ")");
    return ParseBinaryAnalog(*this, bytes.data(), bytes.size(), dez::NameOf(file));
}

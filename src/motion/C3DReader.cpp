// Reading a C3D file into the recording: header, parameter section, data section.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "motion/C3DFormat.h"
#include "motion/C3DParameters.h"
#include "motion/TC3DData.h"
#include "platform/ByteReader.h"
#include "platform/GuardedRead.h"
#include "platform/Memory.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"

namespace {

constexpr uint64_t kBlock = 512;
// Data are read in pieces of whole frames of about this size.
constexpr size_t kChunkBytes = size_t{1} << 20;

// The bytes of a C3D file, from memory or from disk. Get answers n bytes at an offset: a pointer
// into the source when they are all there, else `scratch` holding what there is followed by zeros.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    virtual const uint8_t* Get(uint64_t offset, size_t n, std::vector<uint8_t>& scratch) = 0;
};

class BufferSource : public ByteSource {
public:
    BufferSource(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
    uint64_t Size() const override { return size_; }
    const uint8_t* Get(uint64_t offset, size_t n, std::vector<uint8_t>& scratch) override {
        if (offset <= size_ && n <= size_ - offset) return data_ + offset;
        scratch.assign(n, 0);
        if (offset < size_) std::memcpy(scratch.data(), data_ + offset, static_cast<size_t>(size_ - offset));
        return scratch.data();
    }

private:
    const uint8_t* data_;
    uint64_t size_;
};

// A file read where the decoder asks, through the guard that notices a file changed meanwhile:
// a gigabyte recording is never copied whole into memory.
class FileSource : public ByteSource {
public:
    explicit FileSource(dez::WatchedFile& file) : file_(file) {}
    uint64_t Size() const override { return file_.size(); }
    const uint8_t* Get(uint64_t offset, size_t n, std::vector<uint8_t>& scratch) override {
        if (scratch.size() < n) scratch.resize(n);
        size_t got = 0;
        // Only the bytes the file had when opened: a file that grows or shrinks meanwhile is
        // read again as a whole by the guard.
        if (offset < file_.size())
            got = file_.ReadAt(offset, scratch.data(), static_cast<size_t>(std::min<uint64_t>(n, file_.size() - offset)));
        if (got < n) std::memset(scratch.data() + got, 0, n - got);
        return scratch.data();
    }

private:
    dez::WatchedFile& file_;
};

// What the data section decoder needs, fixed before the first frame.
struct FrameLayout {
    int32_t points = 0;          // points stored per frame in the file
    int32_t channels = 0;
    int32_t samplesPerFrame = 0;
    int32_t dimension = 4;
    int32_t pointRows = 0;       // rows of the point table
    float scale = 1.0f;          // header scale factor
    float pointScale = 1.0f;     // POINT:SCALE
    bool rescale = false;        // float files: POINT:SCALE differs from the header's scale
    bool analogUnsigned = false;
    double residualStep = 0.0;   // |header scale|, the unit of the residual byte
    const float* offsets = nullptr;  // per channel
    const float* factors = nullptr;  // per channel: 1 for channels calibrated later
};

// Residual and camera mask of the fourth point word. A negative word marks a point that was not
// measured; otherwise its low byte, unsigned, is the residual in steps of the scale (0 for a
// computed or gap-filled point) and its high byte the camera mask.
inline void StoreResidual(double* out, bool invalid, uint16_t word, const FrameLayout& layout) {
    out[3] = invalid ? kInvalidResidual : static_cast<double>(word & 0xFFu) * layout.residualStep;
    if (layout.dimension == 5) out[4] = static_cast<double>(word >> 8);
}

// Decodes `frames` whole frames from `src` into the tables, starting at frame `first`. The format
// test happens once per call; the inner loops only convert and store, in file order, which is
// also the order of the column-major tables.
template <int32_t Processor, bool IntegerData>
void DecodeFrames(const uint8_t* src, int64_t first, int64_t frames, const FrameLayout& L, double* pointData,
                  double* analogData) {
    using c3dformat::DecodeFloat;
    using c3dformat::DecodeInt16;
    constexpr size_t kValue = IntegerData ? 2 : 4;
    const int32_t analogPerFrame = L.channels * L.samplesPerFrame;
    for (int64_t f = first; f < first + frames; ++f) {
        double* column = pointData + static_cast<size_t>(f) * static_cast<size_t>(L.pointRows);
        for (int32_t p = 0; p < L.points; ++p, src += 4 * kValue) {
            double* out = column + static_cast<size_t>(p) * static_cast<size_t>(L.dimension);
            if constexpr (IntegerData) {
                for (int k = 0; k < 3; ++k) out[k] = static_cast<float>(DecodeInt16<Processor>(src + 2 * k)) * L.scale;
                const int16_t word = DecodeInt16<Processor>(src + 6);
                StoreResidual(out, word < 0, static_cast<uint16_t>(word), L);
            } else {
                for (int k = 0; k < 3; ++k) {
                    float v = DecodeFloat<Processor>(src + 4 * k);
                    if (L.rescale) v *= L.pointScale;
                    out[k] = v;
                }
                const float w = DecodeFloat<Processor>(src + 12);
                // Truncated to an integer; only its low 16 bits count, so clamping is harmless. A
                // word that is no number says nothing valid either.
                const bool invalid = !(w >= 0.0f);
                const int32_t whole = invalid ? -1 : (w >= 2147483647.0f ? INT32_MAX : static_cast<int32_t>(w));
                StoreResidual(out, invalid, static_cast<uint16_t>(static_cast<uint32_t>(whole) & 0xFFFFu), L);
            }
        }
        if (analogPerFrame == 0) continue;
        double* samples = analogData + static_cast<size_t>(f) * static_cast<size_t>(analogPerFrame);
        for (int32_t s = 0; s < L.samplesPerFrame; ++s) {
            for (int32_t c = 0; c < L.channels; ++c, src += kValue) {
                float raw;
                if constexpr (IntegerData) {
                    const int16_t v = DecodeInt16<Processor>(src);
                    raw = L.analogUnsigned ? static_cast<float>(static_cast<uint16_t>(v)) : static_cast<float>(v);
                } else {
                    raw = DecodeFloat<Processor>(src);
                }
                *samples++ = (raw - L.offsets[c]) * L.factors[c];
            }
        }
    }
}

using DecodeFunction = void (*)(const uint8_t*, int64_t, int64_t, const FrameLayout&, double*, double*);

DecodeFunction PickDecoder(int32_t processor, bool integerData) {
    switch (processor) {
        case kC3DIntel:
            return integerData ? DecodeFrames<kC3DIntel, true> : DecodeFrames<kC3DIntel, false>;
        case kC3DDec:
            return integerData ? DecodeFrames<kC3DDec, true> : DecodeFrames<kC3DDec, false>;
        default:
            return integerData ? DecodeFrames<kC3DMips, true> : DecodeFrames<kC3DMips, false>;
    }
}

}  // namespace

float TC3DData::ScaleAnalogValue(float raw, float offset, float scale, int32_t channel) const {
    for (int32_t p = 0; p < plateCount && p < kMaxPlates; ++p) {
        if (!PlateUsesCalibration(p)) continue;
        for (int32_t k = 0; k < 6; ++k)
            if (plates[p].channels[k] - 1 == channel) return raw - offset;
    }
    return (raw - offset) * scale;
}

namespace {

// The reader proper, shared by the file and memory entry points.
class C3DLoad {
public:
    C3DLoad(TC3DData& data, ByteSource& source) : d_(data), src_(source) {}
    bool Run(bool keepCameraMask, bool readFrames, bool stripPrefixes);

private:
    bool Fail(const char* text) {
        d_.SetErrorText(text);
        return false;
    }

    TC3DData& d_;
    ByteSource& src_;
    std::vector<uint8_t> scratch_;
};

// Points, channels and analog samples per frame: what one frame of the data section holds.
struct DataLayout {
    int32_t points = 0;
    int32_t channels = 0;
    int32_t samplesPerFrame = 0;

    int64_t FrameBytes(int64_t valueSize) const {
        return valueSize * (static_cast<int64_t>(points) * 4 + static_cast<int64_t>(channels) * samplesPerFrame);
    }
    // Without channels the samples per frame mean nothing.
    bool SameAnalog(const DataLayout& o) const {
        return channels == o.channels && (channels == 0 || samplesPerFrame == o.samplesPerFrame);
    }
    bool operator==(const DataLayout& o) const { return points == o.points && SameAnalog(o); }
};

bool UsableRate(double rate) { return std::isfinite(rate) && rate > 0.0; }

// The first value of a kept parameter, or nothing when the file has no such parameter.
const TC3DParameter* KeptParameter(const TC3DData& d, const char* group, const char* name) {
    const TC3DGroup* g = d.FindGroup(group);
    const TC3DParameter* p = g ? g->FindParameter(name) : nullptr;
    return p && p->elementCount > 0 ? p : nullptr;
}

std::string Number(double v) { return dez::Format("%g", v); }

// Pads a label list made from the header's count to `count` items ("<prefix><n>"), and drops the
// made-up labels beyond it when the file holds fewer items than the header said. Linear in the
// count: a damaged header or POINT:USED may name tens of thousands.
void FitLabels(LabelledItemList*& list, int32_t count, const char* prefix) {
    if (count <= 0) return;
    if (!list || list->count < count) {
        LabelledItemList* made = TC3DData::MakeLabelList(count, prefix);
        for (int32_t i = 0; list && i < list->count && i < made->count; ++i)
            if (list->items[i] && made->items[i]) made->items[i]->CopyFrom(*list->items[i]);
        delete list;
        list = made;
        return;
    }
    int32_t keep = list->count;
    while (keep > count && list->items[keep - 1] && prefix + std::to_string(keep) == list->items[keep - 1]->name) --keep;
    for (int32_t i = keep; i < list->count; ++i) delete list->items[i];
    list->count = keep;
}

bool C3DLoad::Run(bool keepCameraMask, bool readFrames, bool stripPrefixes) {
    const uint64_t fileLength = src_.Size();
    uint8_t header[kBlock];
    std::memcpy(header, src_.Get(0, kBlock, scratch_), kBlock);

    const int32_t firstBlock = header[0];
    const uint64_t parameterStart = firstBlock > 1 ? (static_cast<uint64_t>(firstBlock) - 1) * kBlock : kBlock;
    if (fileLength < parameterStart + 4) {
        const auto length = static_cast<unsigned long long>(fileLength);
        return Fail((fileLength < kBlock ? dez::Format("C3D file ends at byte %llu, inside its header (512 bytes)", length)
                                         : dez::Format("C3D file ends at byte %llu, inside its parameter section (from byte %llu)",
                                                       length, static_cast<unsigned long long>(parameterStart)))
                        .c_str());
    }
    uint8_t parameterHeader[4];
    std::memcpy(parameterHeader, src_.Get(parameterStart, 4, scratch_), 4);
    d_.processor = static_cast<int32_t>(parameterHeader[3]) - 83;
    gC3DParameterEndBlock = firstBlock + static_cast<int8_t>(parameterHeader[2]);
    const int32_t processor = d_.processor;
    if (processor < kC3DIntel || processor > kC3DMips) return Fail("Processor Error");

    // Counts and frame numbers are unsigned 16-bit words, so files of 32768 frames and more load.
    auto word = [&](size_t at) { return static_cast<uint16_t>(ConvertInt16(dez::LoadU16LE(header + at), processor)); };
    DataLayout headerLayout;
    headerLayout.points = word(2);
    const int32_t analogValues = word(4);
    const int32_t headerFirst = word(6);
    const int32_t headerLast = word(8);
    int64_t frames = static_cast<int64_t>(headerLast) - headerFirst + 1;
    const float scale = ConvertFloat32(header + 12, processor);
    const float headerRate = ConvertFloat32(header + 20, processor);
    d_.pointRate = headerRate;
    if (frames < 1) return Fail("Empty File");

    headerLayout.samplesPerFrame = word(18);
    headerLayout.channels =
        headerLayout.samplesPerFrame != 0 ? analogValues / headerLayout.samplesPerFrame : analogValues;
    if (headerLayout.channels != 0) d_.SetAnalogChannelCount(headerLayout.channels);
    d_.integerData = !(scale < 0.0f);
    const int64_t valueSize = d_.integerData ? 2 : 4;

    const int32_t dataStart = word(16);
    const int64_t offset = dataStart >= 1 ? (static_cast<int64_t>(dataStart) - 1) * static_cast<int64_t>(kBlock)
                                          : static_cast<int64_t>(fileLength) - frames * headerLayout.FrameBytes(valueSize);
    gC3DDataOffset = static_cast<long>(offset);
    if (offset <= 0) return Fail("Offset Error");

    d_.SetPointCount(headerLayout.points);

    // The parameter section runs up to the data section; the data may move only to the block after
    // the parameter blocks (POINT:DATA_START), so no record may reach past the later of the two.
    const int64_t movedStart = (static_cast<int64_t>(gC3DParameterEndBlock) - 1) * static_cast<int64_t>(kBlock);
    const uint64_t claimedSectionEnd = static_cast<uint64_t>(offset > movedStart ? offset : movedStart);
    const uint64_t sectionEnd = claimedSectionEnd > fileLength ? fileLength : claimedSectionEnd;
    if (parameterStart + 4 < sectionEnd) {
        std::vector<uint8_t> sectionBytes;
        const uint8_t* bytes = src_.Get(0, static_cast<size_t>(sectionEnd), sectionBytes);
        dez::ByteReader section(bytes, static_cast<size_t>(sectionEnd));
        section.Seek(static_cast<size_t>(parameterStart + 4));
        while (d_.ReadParameterRecord(section)) {
        }
    }
    if (d_.analogUnsigned) {
        for (float& o : d_.analogOffset)
            if (o < 0.0f) o += 65536.0f;
    }

    // Header and parameters may disagree; the parameters are followed where they are readable,
    // and every disagreement is reported.
    std::vector<std::string> notes;
    const TC3DParameter* rateParameter = KeptParameter(d_, "POINT", "RATE");
    const double parameterRate = rateParameter ? rateParameter->Number(0) : 0.0;
    if (UsableRate(parameterRate) &&
        (!UsableRate(headerRate) || std::fabs(parameterRate - headerRate) > 1e-4 * parameterRate)) {
        d_.pointRate = static_cast<float>(parameterRate);
        notes.push_back("C3D header rate " + Number(headerRate) + ", POINT:RATE " + Number(parameterRate) + ": " +
                        Number(parameterRate) + " Hz used");
    } else if (!UsableRate(headerRate) && !(headerRate == 0.0f && !rateParameter)) {
        d_.pointRate = 0.0f;
        notes.push_back("C3D header rate " + Number(headerRate) + " and no usable POINT:RATE: frame rate unknown");
    }

    const int64_t dataOffset = gC3DDataOffset;
    const int64_t available =
        static_cast<int64_t>(fileLength) > dataOffset ? static_cast<int64_t>(fileLength) - dataOffset : 0;
    // Frame range: TRIAL gives it for recordings longer than the header's 16-bit fields. A file
    // without samples has no length to check a TRIAL range against, so it keeps the header's.
    const uint32_t trialFirst = static_cast<uint32_t>(d_.firstFrame);
    const uint32_t trialLast = static_cast<uint32_t>(d_.lastFrame);
    const bool trialRange = trialFirst != 0 && trialLast > trialFirst;
    auto framesOf = [&](const DataLayout& l) {
        return trialRange && l.FrameBytes(valueSize) > 0 ? static_cast<int64_t>(trialLast) - trialFirst + 1
                                                         : static_cast<int64_t>(headerLast) - headerFirst + 1;
    };
    // The data section ends with the frames, or at the end of the block they end in (padding);
    // failing both, less than a block after them.
    auto fits = [&](const DataLayout& l, bool exactly) {
        const int64_t frameSize = l.FrameBytes(valueSize);
        const int64_t count = framesOf(l);
        if (frameSize > 0 && count > available / frameSize) return false;
        const int64_t expected = count * frameSize;
        const int64_t block = static_cast<int64_t>(kBlock);
        if (exactly) return available == expected || available == (expected + block - 1) / block * block;
        return available - expected < block;
    };

    // Candidate layouts, the parameters' first. The first one whose frames end the data section
    // exactly (or with the padding of their last block) is read; else the first that leaves less
    // than a block; else the first (a file cut short).
    const TC3DParameter* pointsUsed = KeptParameter(d_, "POINT", "USED");
    const TC3DParameter* channelsUsed = KeptParameter(d_, "ANALOG", "USED");
    const TC3DParameter* analogRateParameter = KeptParameter(d_, "ANALOG", "RATE");
    const int32_t parameterPoints = pointsUsed ? pointsUsed->Integer(0, true) : -1;
    const int32_t parameterChannels = channelsUsed ? channelsUsed->Integer(0, true) : -1;
    int32_t parameterSamples = -1;
    if (parameterChannels > 0 && analogRateParameter && UsableRate(d_.pointRate)) {
        const double ratio = analogRateParameter->Number(0) / d_.pointRate;
        if (std::isfinite(ratio) && ratio >= 0.5 && ratio < 65536.0 &&
            std::fabs(ratio - std::floor(ratio + 0.5)) < 1e-3 * ratio)
            parameterSamples = static_cast<int32_t>(std::floor(ratio + 0.5));
    }
    std::vector<int32_t> pointChoices;
    if (parameterPoints >= 0) pointChoices.push_back(parameterPoints);
    pointChoices.push_back(headerLayout.points);
    std::vector<std::pair<int32_t, int32_t>> analogChoices;  // channels, samples per frame
    if (parameterChannels == 0) analogChoices.emplace_back(0, 0);
    if (parameterChannels > 0 && parameterSamples > 0) analogChoices.emplace_back(parameterChannels, parameterSamples);
    analogChoices.emplace_back(headerLayout.channels, headerLayout.samplesPerFrame);
    if (parameterChannels > 0 && analogValues % parameterChannels == 0)
        analogChoices.emplace_back(parameterChannels, analogValues / parameterChannels);
    if (parameterChannels > 0 && headerLayout.samplesPerFrame > 0)
        analogChoices.emplace_back(parameterChannels, headerLayout.samplesPerFrame);
    DataLayout layoutRead{pointChoices.front(), analogChoices.front().first, analogChoices.front().second};
    bool bySize = false;
    for (bool exactly : {true, false}) {
        for (int32_t p : pointChoices) {
            for (const auto& a : analogChoices) {
                const DataLayout candidate{p, a.first, a.second};
                if (!bySize && fits(candidate, exactly)) {
                    layoutRead = candidate;
                    bySize = true;
                }
            }
        }
    }
    const size_t layoutNotes = notes.size();
    if (parameterPoints >= 0 && parameterPoints != headerLayout.points)
        notes.push_back(dez::Format("C3D header %d points, POINT:USED %d: %d read", headerLayout.points, parameterPoints,
                                    layoutRead.points));
    const bool analogDiffers = (parameterChannels >= 0 && parameterChannels != headerLayout.channels) ||
                               (parameterSamples > 0 && parameterSamples != headerLayout.samplesPerFrame && headerLayout.channels != 0);
    if (analogDiffers || !layoutRead.SameAnalog(headerLayout)) {
        std::string said = dez::Format("C3D header %d analog values at %d a frame, ANALOG:USED %d", analogValues,
                                       headerLayout.samplesPerFrame, parameterChannels);
        if (parameterSamples > 0) said += dez::Format(" at %d a frame", parameterSamples);
        notes.push_back(said + dez::Format(": read %d channels x %d samples a frame", layoutRead.channels,
                                           layoutRead.samplesPerFrame));
    }
    if (bySize && notes.size() > layoutNotes) notes.back() += ", the layout the data section's size supports";
    const int32_t points = layoutRead.points;
    const int32_t channels = layoutRead.channels;
    const int32_t samplesPerFrame = layoutRead.samplesPerFrame;
    const int64_t frameBytes = layoutRead.FrameBytes(valueSize);
    if (points != headerLayout.points) FitLabels(d_.pointLabels, points, "Marker ");
    if (channels != headerLayout.channels) FitLabels(d_.analogLabels, channels, "Channel ");

    frames = framesOf(layoutRead);
    if (trialRange && frameBytes > 0) {
        // TRIAL's range stands.
    } else {
        d_.firstFrame = headerFirst;
        d_.lastFrame = headerLast;
    }

    // Header events: the header has room for 18. Their frames take the rate finally chosen.
    const int16_t eventCount = ConvertInt16(dez::LoadU16LE(header + 300), processor);
    if (eventCount != 0) {
        delete d_.headerEvents;
        d_.headerEvents = new LabelledItemList();
        for (int32_t i = 0; i < eventCount && i < 18; ++i) {
            const float t = ConvertFloat32(header + 304 + 4 * i, processor);
            const uint16_t words[2] = {dez::LoadU16LE(header + 396 + 4 * i), dez::LoadU16LE(header + 398 + 4 * i)};
            char label[5];
            PackLabel(words, label);
            d_.headerEvents->Add(LabelledItem(C3DFrameOfTime(d_.pointRate, t), label, nullptr, -1));
        }
    }

    // Event times count from the first frame of the recording, whichever group named it.
    if (d_.eventTimes && d_.firstFrame > 1 && d_.pointRate > 0) {
        const double shift = (static_cast<double>(d_.firstFrame) - 1.0) / d_.pointRate;
        for (int32_t i = 0; i < d_.eventTimeCount; ++i) d_.eventTimes[i] -= shift;
    }

    // A file that ends before its data section holds no frame at all: nothing to open.
    if (frameBytes > 0 && available == 0) {
        const uint64_t parameterEnd = parameterStart + static_cast<uint64_t>(static_cast<uint8_t>(parameterHeader[2])) * kBlock;
        return Fail(fileLength < parameterEnd
                        ? dez::Format("C3D file ends at byte %llu, inside its parameter section (bytes %llu to %llu)",
                                      static_cast<unsigned long long>(fileLength),
                                      static_cast<unsigned long long>(parameterStart),
                                      static_cast<unsigned long long>(parameterEnd))
                              .c_str()
                        : dez::Format("C3D file ends at byte %llu, before its data section (byte %lld): no frame present",
                                      static_cast<unsigned long long>(fileLength), static_cast<long long>(dataOffset))
                              .c_str());
    }

    // The tables hold the frames the file has room for, never more: a header or TRIAL range that
    // claims more than the file holds must not allocate for data that is not there.
    bool shortFile = false;
    const int64_t claimedFrames = frames;
    if (frameBytes > 0 && frames > available / frameBytes) {
        const int64_t present = (available + frameBytes - 1) / frameBytes;
        shortFile = true;
        frames = present > 0 ? present : 1;
        d_.lastFrame = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(static_cast<uint32_t>(d_.firstFrame)) + frames - 1));
    }

    d_.dimension = keepCameraMask ? 5 : 4;
    const int64_t tablePoints = points >= 1 ? points : 1;
    if (frames > INT32_MAX || d_.dimension * tablePoints * frames > INT32_MAX ||
        static_cast<int64_t>(channels) * samplesPerFrame * frames > INT32_MAX)
        return Fail("C3D file too large");

    if (channels != 0) {
        d_.analogRate = static_cast<float>(samplesPerFrame) * d_.pointRate;
        d_.analog = new Matrix2D();
        const int64_t columns = frames * samplesPerFrame;
        if (columns > 0 && !d_.analog->Resize(channels, static_cast<int32_t>(columns), !readFrames))
            return Fail("Not enough memory for the analog samples");
        dez::AdviseLargeBlock(d_.analog->GetData(), sizeof(double) * static_cast<size_t>(d_.analog->size));
    }
    d_.headerPointCount = points;
    int32_t slot = 0;
    for (int32_t p = 0; p < d_.plateCount && p < kMaxPlates; ++p)
        if (d_.plates[p].type == 4) d_.plates[p].calibrationIndex = slot++;
    if (d_.headerPointCount < 1) d_.headerPointCount = 1;
    d_.points = new Matrix2D();
    // The placeholder of a file without points is never decoded into: it starts as missing samples.
    if (!d_.points->Resize(static_cast<int32_t>(d_.dimension * tablePoints), static_cast<int32_t>(frames),
                           !readFrames || points < 1))
        return Fail("Not enough memory for the points");
    dez::AdviseLargeBlock(d_.points->GetData(), sizeof(double) * static_cast<size_t>(d_.points->size));
    if (points < 1) {
        d_.pointPlaceholder = true;
        d_.SetPointCount(0);
    }
    d_.missingValue = 0.0f;

    if (readFrames) {
        // Per-channel offsets and factors, so that the inner loop does no plate search.
        std::vector<float> offsets(static_cast<size_t>(channels)), factors(static_cast<size_t>(channels));
        for (int32_t c = 0; c < channels; ++c) {
            const bool known = c < kMaxAnalogFactors;
            offsets[static_cast<size_t>(c)] = known ? d_.analogOffset[c] : 0.0f;
            const float scaleFactor = static_cast<float>((known ? d_.analogScale[c] : 1.0f) * gAnalogGenScale);
            factors[static_cast<size_t>(c)] = d_.ScaleAnalogValue(1.0f, 0.0f, scaleFactor, c);
        }
        FrameLayout layout;
        layout.points = points;
        layout.channels = channels;
        layout.samplesPerFrame = samplesPerFrame;
        layout.dimension = d_.dimension;
        layout.pointRows = d_.points->GetRows();
        layout.scale = scale;
        layout.pointScale = d_.pointScale;
        layout.rescale = !d_.integerData && d_.pointScale != scale;
        layout.analogUnsigned = d_.analogUnsigned;
        const double step = std::fabs(static_cast<double>(scale));
        layout.residualStep = std::isfinite(step) ? step : 0.0;
        layout.offsets = offsets.data();
        layout.factors = factors.data();
        const DecodeFunction decode = PickDecoder(processor, d_.integerData);
        double* pointData = d_.points->GetData();
        double* analogData = d_.analog ? d_.analog->GetData() : nullptr;
        if (frameBytes > 0) {
            const int64_t chunkFrames = frameBytes >= static_cast<int64_t>(kChunkBytes) ? 1 : static_cast<int64_t>(kChunkBytes) / frameBytes;
            for (int64_t f = 0; f < frames; f += chunkFrames) {
                const int64_t n = frames - f < chunkFrames ? frames - f : chunkFrames;
                const uint8_t* bytes = src_.Get(static_cast<uint64_t>(dataOffset + f * frameBytes),
                                                static_cast<size_t>(n * frameBytes), scratch_);
                decode(bytes, f, n, layout, pointData, analogData);
            }
        }
        // The points of a last frame cut short are not in the file: they were not measured.
        if (shortFile && points > 0) {
            const int64_t inLast = available - (frames - 1) * frameBytes;
            const int64_t pointBytes = 4 * valueSize;
            double* column = pointData + static_cast<size_t>(frames - 1) * static_cast<size_t>(layout.pointRows);
            for (int32_t p = 0; p < points; ++p)
                if ((p + 1) * pointBytes > inLast) column[static_cast<size_t>(p) * static_cast<size_t>(d_.dimension) + 3] = kInvalidResidual;
        }
    }
    if (d_.analog) d_.ApplyCalibration();
    d_.BuildEvents();
    if (stripPrefixes && d_.subjectsUsed < 2) d_.StripSubjectPrefixes();
    if (shortFile) {
        notes.push_back(dez::Format("C3D data section ends early: %lld of %lld frames present, the rest read as 0",
                                    static_cast<long long>(available / frameBytes), static_cast<long long>(claimedFrames)));
    }
    if (!notes.empty()) {
        std::string text;
        for (const std::string& n : notes) text += (text.empty() ? "" : "; ") + n;
        d_.SetErrorText(text.c_str());
    }
    return true;
}

}  // namespace

bool TC3DData::LoadC3D(const char* filePath, bool keepCameraMask, bool readFrames, bool stripPrefixes) {
    movieDelaysEdited = false;
    swapYZ = false;
    Clear();
    if (!filePath) return false;
    ReplaceText(path, filePath);
    errorText[0] = '\0';
    const std::string reason = dez::UnreadableReason(filePath);
    if (!reason.empty()) {
        SetErrorText(reason.c_str());
        return false;
    }
    // A file rewritten while it is read is read again, or refused: never a mix of two versions.
    std::string error;
    const bool loaded = dez::ReadSteadily(filePath, &error, [&](dez::WatchedFile& file) {
        movieDelaysEdited = false;
        Clear();
        ReplaceText(path, filePath);
        errorText[0] = '\0';
        FileSource source(file);
        return C3DLoad(*this, source).Run(keepCameraMask, readFrames, stripPrefixes);
    });
    if (!error.empty()) {
        Clear();
        ReplaceText(path, filePath);
        SetErrorText(error.c_str());
    }
    return loaded;
}

bool TC3DData::LoadC3DFromBuffer(const uint8_t* bytes, size_t size, bool keepCameraMask, bool readFrames,
                                 bool stripPrefixes) {
    movieDelaysEdited = false;
    swapYZ = false;
    Clear();
    errorText[0] = '\0';
    BufferSource source(bytes, size);
    return C3DLoad(*this, source).Run(keepCameraMask, readFrames, stripPrefixes);
}

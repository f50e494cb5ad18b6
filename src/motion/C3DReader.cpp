// Reading a C3D file into the recording: header, parameter section, data section.
#include <cerrno>
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

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

class FileSource : public ByteSource {
public:
    explicit FileSource(std::FILE* file) : file_(file) {
        if (std::fseek(file_.get(), 0, SEEK_END) == 0) {
            const long end = std::ftell(file_.get());
            size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
        }
    }
    uint64_t Size() const override { return size_; }
    const uint8_t* Get(uint64_t offset, size_t n, std::vector<uint8_t>& scratch) override {
        if (scratch.size() < n) scratch.resize(n);
        size_t got = 0;
        if (offset < size_ && std::fseek(file_.get(), static_cast<long>(offset), SEEK_SET) == 0)
            got = std::fread(scratch.data(), 1, n, file_.get());
        if (got < n) std::memset(scratch.data() + got, 0, n - got);
        return scratch.data();
    }

private:
    std::unique_ptr<std::FILE, FileCloser> file_;
    uint64_t size_ = 0;
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
    float missing = 0.0f;
    const float* offsets = nullptr;  // per channel
    const float* factors = nullptr;  // per channel: 1 for channels calibrated later
};

// Residual and camera mask of the fourth point word. A low byte of 0 or less marks a point that
// was not measured: its residual is the missing value.
inline void StoreResidual(double* out, uint16_t word, float scale, bool floatFile, const FrameLayout& layout) {
    const auto low = static_cast<int8_t>(static_cast<uint8_t>(word & 0xFFu));
    if (low > 0) {
        const float r = floatFile ? -static_cast<float>(low) * scale : static_cast<float>(low) * scale;
        out[3] = r;
    } else {
        out[3] = layout.missing;
    }
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
                StoreResidual(out, static_cast<uint16_t>(DecodeInt16<Processor>(src + 6)), L.scale, false, L);
            } else {
                for (int k = 0; k < 3; ++k) {
                    float v = DecodeFloat<Processor>(src + 4 * k);
                    if (L.rescale) v *= L.pointScale;
                    out[k] = v;
                }
                const float w = DecodeFloat<Processor>(src + 12);
                // Truncated to an integer; only its low 16 bits count, so clamping is harmless.
                const int32_t whole = (w == w) ? (w >= 2147483647.0f ? INT32_MAX : (w <= -2147483648.0f ? INT32_MIN : static_cast<int32_t>(w))) : 0;
                StoreResidual(out, static_cast<uint16_t>(static_cast<uint32_t>(whole) & 0xFFFFu), L.scale, true, L);
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

bool C3DLoad::Run(bool keepCameraMask, bool readFrames, bool stripPrefixes) {
    const uint64_t fileLength = src_.Size();
    uint8_t header[kBlock];
    std::memcpy(header, src_.Get(0, kBlock, scratch_), kBlock);

    const int32_t firstBlock = header[0];
    const uint64_t parameterStart = firstBlock > 1 ? (static_cast<uint64_t>(firstBlock) - 1) * kBlock : kBlock;
    uint8_t parameterHeader[4];
    std::memcpy(parameterHeader, src_.Get(parameterStart, 4, scratch_), 4);
    d_.processor = static_cast<int32_t>(parameterHeader[3]) - 83;
    gC3DParameterEndBlock = firstBlock + static_cast<int8_t>(parameterHeader[2]);
    const int32_t processor = d_.processor;
    if (processor < kC3DIntel || processor > kC3DMips) return Fail("Processor Error");

    // Counts and frame numbers are unsigned 16-bit words, so files of 32768 frames and more load.
    auto word = [&](size_t at) { return static_cast<uint16_t>(ConvertInt16(dez::LoadU16LE(header + at), processor)); };
    const int32_t points = word(2);
    const int32_t analogValues = word(4);
    const int32_t headerFirst = word(6);
    const int32_t headerLast = word(8);
    int64_t frames = static_cast<int64_t>(headerLast) - headerFirst + 1;
    const float scale = ConvertFloat32(header + 12, processor);
    d_.pointRate = ConvertFloat32(header + 20, processor);
    if (frames < 1) return Fail("Empty File");

    const int32_t samplesPerFrame = word(18);
    const int32_t channels = samplesPerFrame != 0 ? analogValues / samplesPerFrame : analogValues;
    if (channels != 0) d_.SetAnalogChannelCount(channels);
    d_.integerData = !(scale < 0.0f);
    const int64_t valueSize = d_.integerData ? 2 : 4;
    const int64_t frameBytes = valueSize * (static_cast<int64_t>(points) * 4 +
                                            static_cast<int64_t>(channels) * samplesPerFrame);

    const int32_t dataStart = word(16);
    const int64_t offset = dataStart >= 1 ? (static_cast<int64_t>(dataStart) - 1) * static_cast<int64_t>(kBlock)
                                          : static_cast<int64_t>(fileLength) - frames * frameBytes;
    gC3DDataOffset = static_cast<long>(offset);
    if (offset <= 0) return Fail("Offset Error");

    // Header events: the header has room for 18.
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

    d_.SetPointCount(points);

    // The parameter section runs up to the data section; the data may move only to the block after
    // the parameter blocks (POINT:DATA_START), so no record may reach past the later of the two.
    const int64_t movedStart = (static_cast<int64_t>(gC3DParameterEndBlock) - 1) * static_cast<int64_t>(kBlock);
    uint64_t sectionEnd = static_cast<uint64_t>(offset > movedStart ? offset : movedStart);
    if (sectionEnd > fileLength) sectionEnd = fileLength;
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

    // Frame range: TRIAL gives it for recordings longer than the header's 16-bit fields. A file
    // without samples has no length to check a TRIAL range against, so it keeps the header's.
    const uint32_t trialFirst = static_cast<uint32_t>(d_.firstFrame);
    const uint32_t trialLast = static_cast<uint32_t>(d_.lastFrame);
    if (trialFirst != 0 && trialLast > trialFirst && frameBytes > 0) {
        frames = static_cast<int64_t>(trialLast) - trialFirst + 1;
    } else {
        d_.firstFrame = headerFirst;
        d_.lastFrame = headerLast;
        frames = static_cast<int64_t>(headerLast) - headerFirst + 1;
    }

    // Event times count from the first frame of the recording, whichever group named it.
    if (d_.eventTimes && d_.firstFrame > 1 && d_.pointRate > 0) {
        const double shift = (static_cast<double>(d_.firstFrame) - 1.0) / d_.pointRate;
        for (int32_t i = 0; i < d_.eventTimeCount; ++i) d_.eventTimes[i] -= shift;
    }

    // The tables hold the frames the file has room for, never more: a header or TRIAL range that
    // claims more than the file holds must not allocate for data that is not there.
    const int64_t dataOffset = gC3DDataOffset;
    const int64_t available = static_cast<int64_t>(fileLength) > dataOffset ? static_cast<int64_t>(fileLength) - dataOffset : 0;
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
        layout.missing = d_.missingValue;
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
    }
    if (d_.analog) d_.ApplyCalibration();
    d_.BuildEvents();
    if (stripPrefixes && d_.subjectsUsed < 2) d_.StripSubjectPrefixes();
    if (shortFile) {
        d_.SetErrorText(dez::Format("C3D data section ends early: %lld of %lld frames present, the rest read as 0",
                                    static_cast<long long>(available / frameBytes), static_cast<long long>(claimedFrames))
                            .c_str());
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
    std::FILE* file = std::fopen(filePath, "rb");
    if (!file) {
        SetErrorText(std::strerror(errno));
        return false;
    }
    FileSource source(file);
    return C3DLoad(*this, source).Run(keepCameraMask, readFrames, stripPrefixes);
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

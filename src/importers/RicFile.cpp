// RIC-family recordings (RIC, RIF, RAW, RAH) of a gait laboratory, with the joint angle, moment and
// power files that share their layout. Layout, little-endian:
//   0    512-byte header: int16 frames at 2, markers at 4, four blocks of 12 uint16 event frames at
//        8 (left foot off), 32 (right foot off), 56 (left foot strike), 80 (right foot strike),
//        int16 rate (Hz) at 430
//   512  frames x markers x 4 floats (x, y, z and a fourth value)
//   then padding up to the next 512-byte boundary (a full block when the data end on one), then
//   the names: 8 bytes per marker, or for the .ang file 16 bytes per angle (10 unused + 6).
// Files carry a few bytes after the names (a stray end byte in the RAW files); they are not read.
#include "motion/TDataFile.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "importers/ImportText.h"
#include "platform/ByteReader.h"
#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/TextUtil.h"

namespace {

constexpr size_t kHeaderSize = 512;
constexpr size_t kBlock = 512;
constexpr size_t kBytesPerMarkerFrame = 16;
constexpr size_t kMarkerNameSize = 8;
constexpr size_t kAngleEntrySize = 16;
constexpr size_t kAngleNameOffset = 10;
constexpr size_t kAngleNameSize = 6;
// Samples at or beyond this magnitude mark a marker or angle that was not measured.
constexpr float kMissingMagnitude = 9999.0f;

// The magnitude test also catches NaN, which a damaged file may hold.
bool IsMeasured(float v) { return std::fabs(v) < kMissingMagnitude; }
float Measured(float v) { return IsMeasured(v) ? v : 0.0f; }

// Stores the four values of one marker (or angle, moment, power) in a frame; `factor` converts
// the coordinates only. A sample none of whose coordinates was measured is absent: its residual is
// invalid. Otherwise the fourth value is its residual (0 when not measured), so that a present
// moment never turns invalid through the sign of its conversion.
void StoreSample(const uint8_t* in, double* out, float factor) {
    float v[4];
    for (int c = 0; c < 4; ++c) v[c] = dez::LoadF32LE(in + 4 * c);
    for (int c = 0; c < 3; ++c) out[c] = static_cast<float>(Measured(v[c]) * factor);
    const bool absent = !IsMeasured(v[0]) && !IsMeasured(v[1]) && !IsMeasured(v[2]);
    out[3] = absent ? kInvalidResidual : Measured(v[3]);
}

// Bytes of the padding that follows `dataBytes` of samples.
size_t PaddingAfter(size_t dataBytes) { return kBlock - dataBytes % kBlock; }

// A fixed-width name cut at its trailing blanks and control characters; the first character is
// kept whatever it is, so a name of blanks stays one blank.
std::string FixedName(const uint8_t* p, size_t width) {
    size_t n = width;
    while (n > 1 && p[n - 1] < '!') --n;
    std::string name(reinterpret_cast<const char*>(p), n);
    const size_t nul = name.find('\0');
    if (nul != std::string::npos) name.resize(nul);
    return name;
}

// Companion of a recording: same folder and name, another extension, any case.
std::string Companion(const char* recordingPath, const char* extension) {
    const std::string path = recordingPath ? recordingPath : "";
    return dez::FindCompanionFile(dez::FolderOf(path), dez::StemOf(path) + extension);
}

bool IsRicOrRif(const char* path) {
    const std::string ext = dez::ToUpperAscii(dez::ExtensionOf(path ? path : ""));
    return ext == ".RIC" || ext == ".RIF";
}

enum class CompanionKind { Angles, Moments, Powers };

}  // namespace

bool TDataFile::ReadRICHeader(dez::ByteReader& file, int32_t* markers, int32_t* frames, int32_t* rate,
                              bool withEvents) {
    const size_t start = file.pos();
    const uint8_t* h = file.Peek(kHeaderSize);
    if (!h) return false;
    const int32_t f = dez::LoadI16LE(h + 2);
    const int32_t n = dez::LoadI16LE(h + 4);
    const int32_t r = dez::LoadI16LE(h + 430);
    if (markers) *markers = n;
    if (frames) *frames = f;
    if (rate) *rate = r;
    file.Seek(start + kHeaderSize);
    const bool valid = f > 0 && n > 0 && r > 0;
    if (valid && withEvents) {
        InitEventContexts();
        static const struct {
            const char* name;
            int32_t icon;
            int32_t context;  // 0 left, 1 right
        } kBlocks[4] = {{"Foot Off", 2, 0}, {"Foot Off", 2, 1}, {"Foot Strike", 1, 0}, {"Foot Strike", 1, 1}};
        for (int b = 0; b < 4; ++b) {
            for (int i = 0; i < 12; ++i) {
                // 0 is an empty slot and 65535 an unset one.
                const int32_t frame = dez::LoadU16LE(h + 8 + 24 * b + 2 * i);
                if (frame >= 1 && frame <= 65534 && frame < f)
                    AddEvent(frame, kBlocks[b].name, kBlocks[b].context, kBlocks[b].icon, false);
            }
        }
    }
    return valid;
}

bool TDataFile::ReadRIC(const char* filePath, bool readFrames, bool companions) {
    const std::string target = filePath ? filePath : "";
    const std::string name = dez::NameOf(target);
    std::vector<uint8_t> bytes;
    std::string error;
    if (!dez::ReadRecordingFile(filePath, bytes, error)) {
        SetErrorText(error.c_str());
        return false;
    }
    dez::ByteReader file(bytes);
    int32_t markers = 0, frames = 0, rate = 0;
    if (bytes.size() < kHeaderSize) {
        SetErrorText(dez::Format("%s: the file ends inside its 512-byte header", name.c_str()).c_str());
        return false;
    }
    if (!ReadRICHeader(file, &markers, &frames, &rate, false)) {
        SetErrorText(dez::Format("%s: invalid header (%d frames, %d markers, rate %d)", name.c_str(), frames,
                                 markers, rate)
                         .c_str());
        return false;
    }
    const size_t dataBytes = static_cast<size_t>(frames) * static_cast<size_t>(markers) * kBytesPerMarkerFrame;
    if (file.remaining() < dataBytes) {
        SetErrorText(dez::Format("%s: truncated, %zu of the %zu bytes of its %d frames x %d markers are there",
                                 name.c_str(), file.remaining(), dataBytes, frames, markers)
                         .c_str());
        return false;
    }
    auto table = std::make_unique<Matrix2D>(markers * 4, frames);
    if (table->GetRows() != markers * 4 || table->GetCols() != frames) {
        SetErrorText(dez::Format("%s: not enough memory for %d frames", name.c_str(), frames).c_str());
        return false;
    }
    // The events come only once the header and the samples are known to be whole.
    file.Seek(0);
    ReadRICHeader(file, nullptr, nullptr, nullptr, true);
    if (readFrames) {
        double* out = table->GetData();
        const uint8_t* in = file.Peek(dataBytes);
        const size_t samples = dataBytes / kBytesPerMarkerFrame;
        for (size_t k = 0; k < samples; ++k) StoreSample(in + kBytesPerMarkerFrame * k, out + 4 * k, 1.0f);
    }
    file.Skip(dataBytes);

    dimension = 4;
    pointRate = static_cast<float>(rate);
    missingValue = 0.0f;
    delete points;
    points = table.release();
    delete pointLabels;
    pointLabels = nullptr;

    // A file whose padding or names are cut keeps its default labels.
    if (file.Skip(PaddingAfter(dataBytes)) && file.remaining() >= static_cast<size_t>(markers) * kMarkerNameSize) {
        pointLabels = new LabelledItemList();
        for (int32_t m = 0; m < markers; ++m) {
            const std::string label = FixedName(file.Peek(kMarkerNameSize), kMarkerNameSize);
            pointLabels->Add(LabelledItem(m + 1, label.c_str(), nullptr, -1));
            file.Skip(kMarkerNameSize);
        }
    }
    if (!pointLabels) SetPointCount(0);

    if (companions && IsRicOrRif(filePath)) {
        ReadANG(filePath);
        ReadMOM(filePath);
        ReadPWR(filePath);
        if (!ReadPlateFiles(filePath)) ReadGRFiles(filePath);
    }
    ReadDFNAnnotations(filePath, true, true, true);
    firstFrame = 0;
    lastFrame = points->GetCols() - 1;
    modified = false;  // events and companions are part of the load, not edits
    return true;
}

namespace {

// Labels of the moments and powers in the order the files store them.
const char* const kMomentNames[6] = {"RHipMoment", "RKneeMoment", "RAnkleMoment",
                                     "LHipMoment", "LKneeMoment", "LAnkleMoment"};
const char* const kPowerNames[6] = {"RHipPower", "RKneePower", "RAnklePower",
                                    "LHipPower", "LKneePower", "LAnklePower"};

// Appends one companion as further points; the data object is only touched once the whole file is
// known to be there.
bool AppendCompanion(TDataFile& d, const char* recordingPath, CompanionKind kind) {
    static const char* const kExtensions[3] = {".ang", ".mom", ".pwr"};
    const char* extension = kExtensions[static_cast<int>(kind)];
    const std::string path = Companion(recordingPath, extension);
    if (path.empty() || !d.points || d.dimension != 4) return false;
    std::vector<uint8_t> bytes;
    if (!dez::ReadWholeFile(path, bytes)) return false;
    dez::ByteReader file(bytes);
    int32_t count = 0, frames = 0, rate = 0;
    if (!d.ReadRICHeader(file, &count, &frames, &rate, false)) return false;
    if (frames != d.points->GetCols()) return false;
    const size_t dataBytes = static_cast<size_t>(frames) * static_cast<size_t>(count) * kBytesPerMarkerFrame;
    if (file.remaining() < dataBytes) {
        d.SetErrorText(dez::Format("%s: truncated, skipped", dez::NameOf(path).c_str()).c_str());
        return false;
    }
    const int32_t oldPoints = d.GetNumberOfPoints();
    const int32_t oldRows = d.points->GetRows();
    const int32_t rows = (oldPoints + count) * 4;
    auto table = std::make_unique<Matrix2D>(rows, frames);
    if (table->GetRows() != rows || table->GetCols() != frames) return false;
    for (int32_t f = 0; f < frames; ++f)
        for (int32_t r = 0; r < oldRows; ++r)
            table->SetValue(r, f, static_cast<float>(d.points->GetValue(r, f)));
    const uint8_t* in = file.Peek(dataBytes);
    // Moments and powers are stored per kilogram-metre with the opposite sign.
    const float factor = kind == CompanionKind::Angles ? 1.0f : -1000.0f;
    for (int32_t f = 0; f < frames; ++f) {
        for (int32_t k = 0; k < count; ++k) {
            double sample[4];
            StoreSample(in + kBytesPerMarkerFrame * (static_cast<size_t>(f) * count + k), sample, factor);
            for (int c = 0; c < 4; ++c) table->SetValue(oldRows + 4 * k + c, f, sample[c]);
        }
    }
    file.Skip(dataBytes);
    delete d.points;
    d.points = table.release();

    std::vector<std::string> names;
    if (kind == CompanionKind::Angles) {
        if (file.Skip(PaddingAfter(dataBytes))) {
            for (int32_t i = 0; i < count && file.remaining() >= kAngleEntrySize; ++i) {
                names.push_back(FixedName(file.Peek(kAngleEntrySize) + kAngleNameOffset, kAngleNameSize));
                file.Skip(kAngleEntrySize);
            }
        }
        // Angles the file does not name still get a label, so labels and points stay in step.
        for (int32_t i = static_cast<int32_t>(names.size()); i < count; ++i)
            names.push_back(dez::Format("Angle %d", i + 1));
    } else {
        const char* const* fixed = kind == CompanionKind::Moments ? kMomentNames : kPowerNames;
        const char* numbered = kind == CompanionKind::Moments ? "Moment %d" : "Power %d";
        for (int32_t i = 0; i < count; ++i) names.push_back(count <= 6 ? fixed[i] : dez::Format(numbered, i + 1));
    }
    if (!d.pointLabels) d.pointLabels = new LabelledItemList();
    for (int32_t i = 0; i < count; ++i) {
        const char* label = names[static_cast<size_t>(i)].c_str();
        SetListItem(label, oldPoints + i, d.pointLabels);
        switch (kind) {
        case CompanionKind::Angles: d.AddAngle(label, nullptr, nullptr); break;
        case CompanionKind::Moments: d.AddMoment(label, "N.mm", nullptr); break;
        case CompanionKind::Powers: d.AddPower(label, nullptr, nullptr); break;
        }
    }
    return true;
}

}  // namespace

bool TDataFile::ReadANG(const char* recordingPath) {
    return AppendCompanion(*this, recordingPath, CompanionKind::Angles);
}

bool TDataFile::ReadMOM(const char* recordingPath) {
    return AppendCompanion(*this, recordingPath, CompanionKind::Moments);
}

bool TDataFile::ReadPWR(const char* recordingPath) {
    return AppendCompanion(*this, recordingPath, CompanionKind::Powers);
}

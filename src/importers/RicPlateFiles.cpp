// Force-plate companions of RIC recordings, each read into six analog channels:
// - <name>.pl1 .. .pl4: six 6-byte reals per sample (Fx, Fy, Fz, centre of pressure x and y in mm,
//   free moment Tz in N.mm), sized by the shared <name>.inf (783-byte record per plate: int16 rate
//   at 6, int16 duration in 1/100 s at 8);
// - <name>.gr1 .. .gr8 (read only when there is no .pl file): a 512-byte header (uint16 sample
//   count at 0, uint16 rate at 2, uint16 start in ms at 54, float plate sizes a, b, c at 136, the
//   four corners as 12 floats at 148), then six floats per sample (fx, fy, fz, centre of pressure
//   u and v in mm, free moment q). The files carry further blocks after the samples, not read here.
#include "motion/TDataFile.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/ByteReader.h"
#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"

namespace {

constexpr size_t kInfRecordSize = 783;
constexpr size_t kInfFieldsEnd = 10;  // the rate and the duration lie in the first 10 bytes
constexpr size_t kReal48Size = 6;
constexpr size_t kPlateSampleSize = 6 * kReal48Size;
constexpr size_t kGrHeaderSize = 512;
constexpr size_t kGrSampleSize = 6 * 4;
constexpr int32_t kMaxPlateFiles = 4;
constexpr int32_t kMaxGrFiles = 8;
// Largest analog table (values) a plate file may ask for; the column count of a .gr file comes
// from its rate and the recording's length, not from its size, so it needs a bound of its own.
constexpr double kMaxAnalogValues = 64.0 * 1024 * 1024;

// <name><extension><n> beside the recording, any case (".pl1" finds "TRIAL.PL1").
std::string PlateFileName(const char* recordingPath, const char* extension, int32_t n) {
    const std::string path = recordingPath ? recordingPath : "";
    return dez::FindCompanionFile(dez::FolderOf(path), dez::StemOf(path) + extension + std::to_string(n));
}

// Reads the numbered companions <name><extension>1, 2, ... up to `most`, stopping at the first
// one missing or refused; true when at least one was read.
template <typename Read>
bool ReadNumberedFiles(const char* recordingPath, const char* extension, int32_t most, Read read) {
    int32_t count = 0;
    for (int32_t n = 1; n <= most; ++n) {
        const std::string file = PlateFileName(recordingPath, extension, n);
        if (file.empty() || !read(file.c_str(), n)) break;
        ++count;
    }
    return count > 0;
}

// Makes room for six channels of `samples` columns after the existing ones and labels them
// "Channel %d"; returns the first new row, or -1 (nothing changed) when the table would be too big.
// Old channels keep all their columns: the table is as long as the longer of the two.
int32_t AddSixChannels(TDataFile& d, int32_t samples) {
    const int32_t first = d.analog ? d.analog->GetRows() : 0;
    const int32_t oldCols = d.analog ? d.analog->GetCols() : 0;
    const int32_t cols = samples > oldCols ? samples : oldCols;
    if (cols <= 0 || static_cast<double>(first + 6) * cols > kMaxAnalogValues) return -1;
    auto table = std::make_unique<Matrix2D>(first + 6, cols);
    if (table->GetRows() != first + 6 || table->GetCols() != cols) return -1;
    for (int32_t c = 0; c < oldCols; ++c)
        for (int32_t r = 0; r < first; ++r) table->SetValue(r, c, static_cast<float>(d.analog->GetValue(r, c)));
    delete d.analog;
    d.analog = table.release();
    if (!d.analogLabels) d.analogLabels = new LabelledItemList();
    for (int32_t j = 0; j < 6; ++j) {
        const std::string label = dez::Format("Channel %d", first + j + 1);
        d.analogLabels->Insert(LabelledItem(first + j + 1, label.c_str(), nullptr, -1), first + j);
    }
    d.InvalidatePlateCache();
    return first;
}

}  // namespace

float Real48ToFloat(const uint8_t* b) {
    // The real's exponent is biased by 129, the float's by 127; exponent bytes 1 and 2 would wrap
    // to infinities and denormals, so like 0 they give 0.
    if (b[0] <= 2) return 0.0f;
    const uint32_t sign = (b[5] & 0x80u) << 24;
    const uint32_t exponent = static_cast<uint32_t>(b[0] - 2) << 23;
    const uint32_t fraction = (static_cast<uint32_t>(b[5] & 0x7Fu) << 16) | (static_cast<uint32_t>(b[4]) << 8) | b[3];
    const uint32_t bits = sign | exponent | fraction;
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

bool TDataFile::ReadPlateInfo(const char* platePath, int32_t* samples, int32_t* rate, int32_t plate) {
    const std::string file = platePath ? platePath : "";
    const std::string info = dez::FindCompanionFile(dez::FolderOf(file), dez::StemOf(file) + ".inf");
    std::vector<uint8_t> bytes;
    if (info.empty() || !dez::ReadWholeFile(info, bytes)) return false;
    const size_t at = static_cast<size_t>(plate > 0 ? plate - 1 : 0) * kInfRecordSize;
    if (at + kInfFieldsEnd > bytes.size()) {
        SetErrorText(dez::Format("%s: no record for plate %d", dez::NameOf(info).c_str(), plate).c_str());
        return false;
    }
    const int32_t r = dez::LoadI16LE(&bytes[at + 6]);
    const int32_t duration = dez::LoadI16LE(&bytes[at + 8]);
    if (rate) *rate = r;
    if (samples) *samples = static_cast<int32_t>(duration / 100.0 * r);
    return true;
}

bool TDataFile::ReadPlateFile(const char* platePath, int32_t plate) {
    int32_t samples = 0, rate = 0;
    if (!ReadPlateInfo(platePath, &samples, &rate, plate)) return false;
    const std::string name = dez::NameOf(platePath ? platePath : "");
    std::vector<uint8_t> bytes;
    if (!platePath || !dez::ReadWholeFile(platePath, bytes)) return false;
    if (rate <= 0 || samples <= 0) {
        SetErrorText(dez::Format("%s: its .inf record gives rate %d and %d samples", name.c_str(), rate, samples)
                         .c_str());
        return false;
    }
    // A short file gives what it holds; the columns it lacks are not made at all.
    const int32_t whole = static_cast<int32_t>(std::min<size_t>(bytes.size() / kPlateSampleSize, INT32_MAX));
    if (whole < samples) {
        SetErrorText(dez::Format("%s: holds %d of the %d samples its .inf gives", name.c_str(), whole, samples)
                         .c_str());
        samples = whole;
        if (samples == 0) return false;
    }
    const int32_t k = AddSixChannels(*this, samples);
    if (k < 0) return false;
    for (int32_t i = 0; i < samples; ++i)
        for (int32_t j = 0; j < 6; ++j)
            analog->SetValue(k + j, i, Real48ToFloat(&bytes[(static_cast<size_t>(i) * 6 + j) * kReal48Size]));
    analogRate = static_cast<float>(rate);
    static const char* const kForces[3] = {"Fx", "Fy", "Fz"};
    static const char* const kMoments[3] = {"Mx", "My", "Mz"};
    for (int32_t j = 0; j < 3; ++j) SetAnalogLabel(kForces[j], k + j, "N", nullptr);
    // Centre of pressure and free moment become moments about the plate origin, in N.m.
    for (int32_t i = 0; i < samples; ++i) {
        const float fx = static_cast<float>(analog->GetValue(k, i));
        const float fy = static_cast<float>(analog->GetValue(k + 1, i));
        const float fz = static_cast<float>(analog->GetValue(k + 2, i));
        const float px = static_cast<float>(analog->GetValue(k + 3, i)) / 1000.0f;
        const float py = static_cast<float>(analog->GetValue(k + 4, i)) / 1000.0f;
        const float tz = static_cast<float>(analog->GetValue(k + 5, i)) / 1000.0f;
        analog->SetValue(k + 3, i, py * fz);
        analog->SetValue(k + 4, i, -(px * fz));
        analog->SetValue(k + 5, i, tz + px * fy - py * fx);
    }
    for (int32_t j = 0; j < 3; ++j) SetAnalogLabel(kMoments[j], k + 3 + j, "N.m", nullptr);
    return true;
}

bool TDataFile::ReadPlateFiles(const char* recordingPath) {
    return ReadNumberedFiles(recordingPath, ".pl", kMaxPlateFiles,
                             [this](const char* file, int32_t n) { return ReadPlateFile(file, n); });
}

bool TDataFile::ReadGRFile(const char* grPath, int32_t plate) {
    const std::string name = dez::NameOf(grPath ? grPath : "");
    std::vector<uint8_t> bytes;
    if (!grPath || !dez::ReadWholeFile(grPath, bytes)) return false;
    if (bytes.size() < kGrHeaderSize) {
        SetErrorText(dez::Format("%s: the file ends inside its 512-byte header", name.c_str()).c_str());
        return false;
    }
    const uint8_t* h = bytes.data();
    int32_t count = dez::LoadU16LE(h);
    const int32_t rate = dez::LoadU16LE(h + 2);
    const int32_t start = dez::LoadU16LE(h + 54);
    const double a = dez::LoadF32LE(h + 136);
    const double b = dez::LoadF32LE(h + 140);
    const double c = dez::LoadF32LE(h + 144);
    double corners[12];
    for (int i = 0; i < 12; ++i) corners[i] = dez::LoadF32LE(h + 148 + 4 * i);
    for (int k = 0; k < 4; ++k) corners[3 * k + 1] = -corners[3 * k + 1];
    const double origin[3] = {a / 2, c / 2, b / 2};

    // The channels span the recording at the plate's rate.
    const double span = pointRate > 0 ? rate / static_cast<double>(pointRate) * GetFrameCount() : 0.0;
    if (!(span >= 1.0) || span > kMaxAnalogValues) {
        SetErrorText(dez::Format("%s: rate %d Hz gives no usable sample count", name.c_str(), rate).c_str());
        return false;
    }
    const int32_t samples = static_cast<int32_t>(span);
    const size_t whole = (bytes.size() - kGrHeaderSize) / kGrSampleSize;
    if (whole < static_cast<size_t>(count)) {
        SetErrorText(dez::Format("%s: holds %zu of its %d samples", name.c_str(), whole, count).c_str());
        count = static_cast<int32_t>(whole);
    }
    const bool hadAnalog = analog != nullptr;
    const int32_t k = AddSixChannels(*this, samples);
    if (k < 0) return false;
    if (!hadAnalog) analogRate = static_cast<float>(rate);
    static const char* const kNames[6] = {"Fx ", "Fy ", "Fz ", "Mx ", "My ", "Mz "};
    for (int32_t j = 0; j < 6; ++j)
        SetAnalogLabel((kNames[j] + std::to_string(plate)).c_str(), k + j, j < 3 ? "N" : "N.mm", nullptr);

    // The sample taken at the start time goes one column later than the time itself gives.
    const int32_t firstColumn = static_cast<int32_t>(std::ceil(start / 1000.0 * rate + 1));
    const double h2 = std::fabs(c / 2);
    for (int32_t s = 0; s < count; ++s) {
        const uint8_t* p = h + kGrHeaderSize + static_cast<size_t>(s) * kGrSampleSize;
        const double fx = -static_cast<double>(dez::LoadF32LE(p));
        const double fy = -static_cast<double>(dez::LoadF32LE(p + 4));
        const double fz = -static_cast<double>(dez::LoadF32LE(p + 8));
        const double u = dez::LoadF32LE(p + 12);
        const double v = dez::LoadF32LE(p + 16);
        const double q = dez::LoadF32LE(p + 20);
        const double du = b / 2 - u;
        const double dv = v - a / 2;
        const double values[6] = {fx, fy, fz, -(du * fz + fy * h2), dv * fz + fx * h2, -(dv * fy + q - du * fx)};
        const int32_t column = firstColumn + s;
        if (column >= samples) break;
        for (int32_t j = 0; j < 6; ++j) analog->SetValue(k + j, column, values[j]);
    }
    const int32_t channels[6] = {k + 1, k + 2, k + 3, k + 4, k + 5, k + 6};
    AddForcePlate(4, channels, corners, origin);
    return true;
}

bool TDataFile::ReadGRFiles(const char* recordingPath) {
    return ReadNumberedFiles(recordingPath, ".gr", kMaxGrFiles,
                             [this](const char* file, int32_t plate) { return ReadGRFile(file, plate); });
}

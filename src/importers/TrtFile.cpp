// TRT and TRX binary trajectory files, read and written. Both hold a table of little-endian float
// samples, frame after frame, signal after signal within a frame, after a 23-byte magic text.
//
// TRT (signal count in one byte):              TRX (signal count in 32 bits):
//   0  magic "...TRT" 0x1A                       0  magic "...TRX" 0x1A
//  23  int32 frames F                           23  int32 frames F
//  27  uint8 signals S                          27  int32 signals S
//  28  float rate (Hz)                          31  float rate (Hz)
//  32  int32 0, int32 0, int32 F - 1            35  int32 values per point
//  44  uint8 1, uint8 S, float rate / 2.1       39  F x S floats
//  50  F x S floats
//  then per signal the floats 1.0 and 0.0, and one signed byte: values per point.
#include "motion/TDataFile.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "importers/ImportText.h"
#include "platform/ByteReader.h"
#include "platform/NumberText.h"
#include "platform/SafeWriter.h"

namespace {

enum class Layout { TRT, TRX };

constexpr size_t kMagicSize = 23;
constexpr size_t kTrtHeaderSize = 50;
constexpr size_t kTrxHeaderSize = 39;
// The rows of a point table become label records (one per point at first); no recording has more
// signals than a C3D file can have points.
constexpr int64_t kMaxSignals = 65535;

// "Fichier de Donn\x82" "es TR" + 'T' or 'X' + 0x1A: "Données" in the DOS code page.
void Magic(Layout layout, uint8_t* out) {
    std::memcpy(out, "Fichier de Donn\x82" "es TR", 21);
    out[21] = layout == Layout::TRT ? 'T' : 'X';
    out[22] = 0x1A;
}

bool HasMagic(const std::vector<uint8_t>& bytes, Layout layout) {
    uint8_t magic[kMagicSize];
    Magic(layout, magic);
    return bytes.size() >= kMagicSize && std::memcmp(bytes.data(), magic, kMagicSize) == 0;
}

const char* Name(Layout layout) { return layout == Layout::TRT ? "TRT" : "TRX"; }

struct Trajectory {
    std::unique_ptr<Matrix2D> table;
    float rate = 0.0f;
    int32_t dimension = 1;
    std::string lost;  // what a file cut in its trailer lost, said with the load
};

// Decodes a file whose magic matched; empty on success, else why the file is refused.
std::string Decode(const std::vector<uint8_t>& bytes, Layout layout, bool readFrames, const std::string& path,
                   Trajectory& out) {
    const size_t header = layout == Layout::TRT ? kTrtHeaderSize : kTrxHeaderSize;
    if (bytes.size() < header)
        return dez::Format("%s: the %s header ends early (%zu of %zu bytes)", path.c_str(), Name(layout),
                           bytes.size(), header);
    const uint8_t* p = bytes.data();
    const int32_t frames = dez::LoadI32LE(p + 23);
    int64_t signals = 0;
    int32_t stored = 1;
    if (layout == Layout::TRT) {
        signals = p[27];
        out.rate = dez::LoadF32LE(p + 28);
    } else {
        signals = dez::LoadI32LE(p + 27);
        out.rate = dez::LoadF32LE(p + 31);
        stored = dez::LoadI32LE(p + 35);
    }
    if (frames < 0 || signals < 0)
        return dez::Format("%s: negative size (%d frames, %lld signals)", path.c_str(), frames,
                           static_cast<long long>(signals));
    // An empty table is no recording, whichever of its sizes is 0.
    if (frames == 0 || signals == 0)
        return dez::Format("%s: the %s file holds no %s (%d frames of %lld signals)", path.c_str(), Name(layout),
                           frames == 0 ? "frame" : "signal", frames, static_cast<long long>(signals));
    if (signals > kMaxSignals)
        return dez::Format("%s: %lld signals, more than the %lld a recording may have", path.c_str(),
                           static_cast<long long>(signals), static_cast<long long>(kMaxSignals));
    if (!std::isfinite(out.rate) || out.rate < 0)
        return dez::Format("%s: the sampling rate %g is no rate", path.c_str(), static_cast<double>(out.rate));
    const uint64_t samples = static_cast<uint64_t>(frames) * static_cast<uint64_t>(signals);
    const uint64_t available = (bytes.size() - header) / 4;
    if (samples > available)
        return dez::Format("%s: %d frames of %lld signals need %llu samples, the file holds %llu", path.c_str(),
                           frames, static_cast<long long>(signals), static_cast<unsigned long long>(samples),
                           static_cast<unsigned long long>(available));
    if (layout == Layout::TRT) {
        // The trailer: a pair of floats per signal, then the values per point. Files cut in the
        // trailer keep their samples and count one value per point.
        const uint64_t at = header + 4 * samples + 8 * static_cast<uint64_t>(signals);
        stored = at < bytes.size() ? static_cast<int8_t>(p[at]) : 1;
        if (at >= bytes.size())
            out.lost = dez::Format("%s: the TRT trailer ends early (%zu of %llu bytes): its values per point are "
                                   "lost, one is taken",
                                   path.c_str(), bytes.size(), static_cast<unsigned long long>(at + 1));
    }
    out.dimension = stored >= 1 && stored <= 10 ? stored : 1;
    out.table = std::make_unique<Matrix2D>(static_cast<int32_t>(signals), frames);
    if (samples > 0 && out.table->GetRows() != signals)
        return dez::Format("%s: no memory for %d frames of %lld signals", path.c_str(), frames,
                           static_cast<long long>(signals));
    // The file's frame-major order is the table's column-major order.
    if (readFrames && samples > 0) {
        double* data = out.table->GetData();
        const uint8_t* s = p + header;
        for (uint64_t i = 0; i < samples; ++i) data[i] = dez::LoadF32LE(s + 4 * i);
    }
    return std::string();
}

// Reads `path` in the layout its magic names (`only` restricts it to one); the data object is
// changed only when the file was read.
bool ReadLayout(TDataFile& d, const char* filePath, const Layout* only, bool asAnalog, bool readFrames) {
    const std::string file = filePath ? filePath : "";
    std::vector<uint8_t> bytes;
    std::string why;
    if (!dez::ReadDataFile(file, bytes, &why)) {
        d.SetErrorText(why.c_str());
        return false;
    }
    Layout layout = Layout::TRT;
    if (only) {
        layout = *only;
        if (!HasMagic(bytes, layout)) {
            d.SetErrorText(dez::Format("%s is no %s file", file.c_str(), Name(layout)).c_str());
            return false;
        }
    } else if (HasMagic(bytes, Layout::TRX)) {
        layout = Layout::TRX;
    } else if (!HasMagic(bytes, Layout::TRT)) {
        d.SetErrorText(dez::Format("%s is neither a TRT nor a TRX file", file.c_str()).c_str());
        return false;
    }
    Trajectory t;
    const std::string error = Decode(bytes, layout, readFrames, file, t);
    if (!error.empty()) {
        d.SetErrorText(error.c_str());
        return false;
    }
    if (!t.lost.empty()) d.SetErrorText(t.lost.c_str());
    if (asAnalog) {
        delete d.analog;
        d.analog = t.table.release();
        d.analogRate = t.rate;
        d.InvalidatePlateCache();
    } else {
        delete d.points;
        d.points = t.table.release();
        d.pointRate = t.rate;
        d.dimension = t.dimension;
    }
    return true;
}

void PutMagic(dez::ByteWriter& w, Layout layout) {
    uint8_t magic[kMagicSize];
    Magic(layout, magic);
    w.PutBytes(magic, kMagicSize);
}

void PutSamples(dez::ByteWriter& w, const Matrix2D& table) {
    const int32_t rows = table.GetRows();
    const int32_t cols = table.GetCols();
    for (int32_t f = 0; f < cols; ++f)
        for (int32_t r = 0; r < rows; ++r) w.PutF32LE(static_cast<float>(table.GetValue(r, f)));
}

bool SaveWithCompanion(TDataFile& d, const std::string& file, const dez::ByteWriter& w) {
    std::string why;
    if (!dez::WriteFileAtomically(file, w.data(), w.size(), &why)) {
        d.SetErrorText(("Unable to save " + file + ": " + why).c_str());
        return false;
    }
    return d.WriteDFN(file.c_str());
}

}  // namespace

bool TDataFile::ReadTRTFile(const char* filePath, bool asAnalog, bool readFrames) {
    const Layout layout = Layout::TRT;
    return ReadLayout(*this, filePath, &layout, asAnalog, readFrames);
}

bool TDataFile::ReadTRXFile(const char* filePath, bool asAnalog, bool readFrames) {
    const Layout layout = Layout::TRX;
    return ReadLayout(*this, filePath, &layout, asAnalog, readFrames);
}

bool TDataFile::ReadTRT(const char* filePath, bool readFrames) {
    delete points;
    points = nullptr;
    // Either layout, whatever the extension says.
    if (!ReadLayout(*this, filePath, nullptr, false, readFrames)) return false;
    ReadDFN(filePath, false, 0);
    BuildEvents();
    return true;
}

bool TDataFile::WriteTRT(const char* filePath) {
    if (!points || !filePath) return false;
    const std::string file = filePath;
    const int32_t rows = points->GetRows();
    if (rows > 255) {
        SetErrorText(("Unable to save " + file + " :  too much data ").c_str());
        return false;
    }
    const int32_t frames = points->GetCols();
    dez::ByteWriter w;
    PutMagic(w, Layout::TRT);
    w.PutI32LE(frames);
    w.PutU8(static_cast<uint8_t>(rows));
    w.PutF32LE(pointRate);
    w.PutI32LE(0);
    w.PutI32LE(0);
    w.PutI32LE(frames - 1);
    w.PutU8(1);
    w.PutU8(static_cast<uint8_t>(rows));
    w.PutF32LE(static_cast<float>(static_cast<double>(pointRate) / 2.1));
    PutSamples(w, *points);
    for (int32_t r = 0; r < rows; ++r) {
        w.PutF32LE(1.0f);
        w.PutF32LE(0.0f);
    }
    w.PutI8(static_cast<int8_t>(dimension));
    return SaveWithCompanion(*this, file, w);
}

bool TDataFile::WriteTRX(const char* filePath) {
    if (!points || !filePath) return false;
    const std::string file = filePath;
    // The reader refuses more; a file that cannot be read back is not written.
    if (points->GetRows() > kMaxSignals) {
        SetErrorText(("Unable to save " + file + " :  too much data ").c_str());
        return false;
    }
    dez::ByteWriter w;
    PutMagic(w, Layout::TRX);
    w.PutI32LE(points->GetCols());
    w.PutI32LE(points->GetRows());
    w.PutF32LE(pointRate);
    w.PutI32LE(dimension);
    PutSamples(w, *points);
    return SaveWithCompanion(*this, file, w);
}

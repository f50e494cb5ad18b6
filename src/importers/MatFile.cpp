// Level-4 MAT-file of the point table ("MAT3DV_K") and, when there is one, the analog table
// ("MAT3DV_A"): one single-precision matrix each, one row per frame, a time column first.
//
// Each matrix: int32 type 10 (little-endian, single precision, full), int32 rows (frames),
// int32 columns (signals + 1), int32 0 (real), int32 9 (name length with its NUL), the name,
// then the data column after column.
#include "motion/TDataFile.h"

#include <string>

#include "platform/ByteReader.h"
#include "platform/SafeWriter.h"

namespace {

void PutMatrix(dez::ByteWriter& w, const char (&name)[9], const Matrix2D& table, float period) {
    const int32_t signals = table.GetRows();
    const int32_t frames = table.GetCols();
    w.PutI32LE(10);
    w.PutI32LE(frames);
    w.PutI32LE(signals + 1);
    w.PutI32LE(0);
    w.PutI32LE(9);
    w.PutBytes(name, 9);
    // Frame / period in milliseconds (frame x rate / 1000), as the tools reading these files
    // expect; without a rate there is no time, and the column stays 0.
    for (int32_t i = 0; i < frames; ++i) w.PutF32LE(period > 0 ? static_cast<float>(i) / period : 0.0f);
    for (int32_t r = 0; r < signals; ++r)
        for (int32_t f = 0; f < frames; ++f) w.PutF32LE(static_cast<float>(table.GetValue(r, f)));
}

}  // namespace

bool TDataFile::WriteMatFile(const char* filePath) {
    if (!points || !filePath) return false;
    dez::ByteWriter w;
    PutMatrix(w, "MAT3DV_K", *points, GetPointPeriod());
    if (analog) PutMatrix(w, "MAT3DV_A", *analog, GetAnalogPeriod());
    std::string why;
    if (!dez::WriteFileAtomically(filePath, w.data(), w.size(), &why)) {
        SetErrorText(("Unable to save " + std::string(filePath) + ": " + why).c_str());
        return false;
    }
    return true;
}

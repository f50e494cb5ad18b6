// libFuzzer target for the CODA MDF reader and its import: any bytes must be read or refused
// cleanly, and whatever is read must copy into a recording whose plates answer.
//   build-fuzz/fuzz/fuzz_mdf_reader -max_len=65536 fuzz/corpus-mdf <seed folders>
#include <cstddef>
#include <cstdint>

#include "importers/MdfFile.h"
#include "importers/TCodaFile.h"
#include "motion/TDataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TCodaFile coda(nullptr, false);
    if (!coda.ReadBuffer(data, size)) return 0;
    TDataFile d(nullptr);
    d.verbose = false;
    // The first two bytes past the magic double as a marker range, as an .stp file would give.
    const int32_t first = size > 4 ? static_cast<int8_t>(data[4]) : 0;
    const int32_t last = size > 5 ? static_cast<int8_t>(data[5]) : 0;
    ImportCodaFile(d, coda, first, last);
    for (int32_t p = 0; p < d.plateCount && d.analog; ++p) {
        TPlateForces f;
        d.GetPlateForces(p, 0, &f, 10.0f, false);
        d.GetPlateForces(p, d.analog->GetCols() - 1, &f, 10.0f, false);
    }
    return 0;
}

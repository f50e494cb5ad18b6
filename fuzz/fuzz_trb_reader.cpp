// libFuzzer target for the TRB binary track reader: any bytes must load or fail cleanly, and a
// loaded recording must answer the queries that walk its table and labels.
//   build-fuzz/fuzz/fuzz_trb_reader -max_len=65536 fuzz/corpus-trb <seed folders>
#include <cstddef>
#include <cstdint>

#include "importers/TrackFormat.h"
#include "motion/TDataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TDataFile d(nullptr);
    d.verbose = false;
    if (!ParseTRB(d, data, size, "fuzz.trb")) return 0;
    char label[256];
    for (int32_t i = 0; i < d.GetNumberOfPoints(); ++i) d.GetPointLabel(label, i);
    double sum = 0.0;
    for (int32_t f = 0; f < d.GetFrameCount(); ++f) sum += d.points->GetValue(0, f);
    volatile double sink = sum;  // keeps the walk
    (void)sink;
    return 0;
}

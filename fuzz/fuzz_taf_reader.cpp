// libFuzzer target for the TAF reader, in points mode and as the analog companion of a
// recording: any bytes must load or be refused cleanly.
//   build-fuzz/fuzz/fuzz_taf_reader -max_len=65536 fuzz/corpus-taf
#include <cstddef>
#include <cstdint>

#include "importers/TafFile.h"
#include "motion/TDataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        TDataFile d(nullptr);
        d.verbose = false;
        ReadTAFBuffer(d, data, size, true, "fuzz.taf");
    }
    {
        TDataFile d(2, 5, 100.0f, 0, 1, 3);
        d.verbose = false;
        ReadTAFBuffer(d, data, size, false, "fuzz.taf");
    }
    return 0;
}

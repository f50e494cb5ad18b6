// libFuzzer target for the binary analog companion of track files, followed by the plate channel
// scaling that runs on what it read.
//   build-fuzz/fuzz/fuzz_anb_reader -max_len=65536 fuzz/corpus-anb <seed folders>
#include <cstddef>
#include <cstdint>

#include "importers/TrackFormat.h"
#include "motion/TDataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TDataFile d(1, 1, 100.0f, 0, 1, 3);
    d.verbose = false;
    if (!ParseBinaryAnalog(d, data, size, "fuzz.anb")) return 0;
    d.ScaleForcePlateChannels();
    char label[256];
    for (int32_t n = 1; n <= d.GetAnalogChannelCount(); ++n) d.GetAnalogLabel(label, n);
    return 0;
}

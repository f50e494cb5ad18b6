// libFuzzer target for the text members of the track-file family: the first byte picks the TRC
// reader, the ANC reader, or the ANC reader followed by a calibration file made of the rest.
//   build-fuzz/fuzz/fuzz_track_text -max_len=65536 fuzz/corpus-text <seed folders>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "importers/TrackFormat.h"
#include "motion/TDataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    TDataFile d(1, 1, 100.0f, 0, 1, 3);
    d.verbose = false;
    switch (data[0] % 3) {
    case 0: ParseTRC(d, text, "fuzz.trc"); break;
    case 1: ParseANC(d, text, "fuzz.anc"); break;
    default: {
        // Two plates' channels, then the calibration text.
        static const char kAnc[] =
            "File_Type:\tAnalog R/C ASCII\tGeneration#:\t2\n\nDuration(Sec.):\t0.001\t#Channels:\t12\n"
            "BitDepth:\t12\tPreciseRate:\t1000\n\n\n\n\n"
            "Name\tf1x\tf1y\tf1z\tm1x\tm1y\tm1z\tFX2\tFY2\tFZ2\tMX2\tMY2\tMZ2\nRate\nRange\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\t1\n"
            "0 1 2 3 4 5 6 7 8 9 10 11 12\n0 1 2 3 4 5 6 7 8 9 10 11 12\n";
        if (ParseANC(d, kAnc, "fuzz.anc")) ParseCalFile(d, text, "fuzz.cal");
        break;
    }
    }
    return 0;
}

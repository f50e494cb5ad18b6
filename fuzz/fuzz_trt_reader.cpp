// libFuzzer target for the TRT / TRX reader: any bytes must load or fail cleanly, as points (with
// the companion lookups that follow a load) and as an imported analog table.
//   build-fuzz/fuzz/fuzz_trt_reader -max_len=65536 CORPUS SEEDS
// The reader takes a path, so each input goes through a file in a folder made once per run.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "motion/TDataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = fuzzsupport::WriteFolderFile("in.trt", data, size);
    TDataFile d(nullptr);
    d.verbose = false;
    if (d.LoadFile(in.c_str(), kFileTRT, true)) {
        float box[6];
        d.GetBoundingBox(box, 6, false);
    }
    TDataFile a(2, 3, 100.0f, 0, 1, 3);
    a.verbose = false;
    a.ImportAnalogFile(in.c_str());
    return 0;
}

// libFuzzer target for the TRT / TRX reader: any bytes must load or fail cleanly, as points (with
// the companion lookups that follow a load) and as an imported analog table.
//   build-fuzz/fuzz/fuzz_trt_reader -max_len=65536 CORPUS SEEDS
// The reader takes a path, so each input goes through a file in a folder made once per run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "motion/TDataFile.h"
#include "platform/Paths.h"

namespace {

std::string gFolder;

// Plain writes: the atomic save flushes to disk, which would slow every run down a hundredfold.
void Put(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) std::abort();
}

void RemoveFolder() {
    for (const char* name : {"in.trt"}) dez::RemoveFile(gFolder + "/" + name);
    std::remove(gFolder.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/fuzz_trt_XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    gFolder = pattern;
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = gFolder + "/in.trt";
    Put(in, data, size);
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

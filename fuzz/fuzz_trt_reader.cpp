// libFuzzer target for the TRT / TRX reader: any bytes must load or fail cleanly, as points (with
// the companion lookups that follow a load) and as an imported analog table; what loads is written
// back in both layouts.
//   build-fuzz/fuzz/fuzz_trt_reader -max_len=65536 CORPUS SEEDS
// The reader takes a path, so each input goes through a file in a folder made once per run.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "motion/TDataFile.h"
#include "platform/ByteReader.h"
#include "platform/Paths.h"

namespace {

std::string gFolder;

void RemoveFolder() {
    for (const char* name : {"in.trt", "in.dfn", "out.trt", "out.trx"}) dez::RemoveFile(gFolder + "/" + name);
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
    if (!dez::WriteFileAtomically(in, data, size)) std::abort();
    TDataFile d(nullptr);
    d.verbose = false;
    if (d.LoadFile(in.c_str(), kFileTRT, true)) {
        d.GetBoundingBox(nullptr, 0, false);
        d.WriteTRX((gFolder + "/out.trx").c_str());
        if (d.points->GetRows() <= 255) d.WriteTRT((gFolder + "/out.trt").c_str());
    }
    TDataFile a(2, 3, 100.0f, 0, 1, 3);
    a.verbose = false;
    a.ImportAnalogFile(in.c_str());
    return 0;
}

// libFuzzer target for the text-table and DFN readers: the input is read as a TX table and, the
// same bytes, as its DFN companion (point mode, analog mode, annotations and the analog-file
// lookup).
//   build-fuzz/fuzz/fuzz_text_reader -max_len=65536 CORPUS SEEDS
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
    for (const char* name : {"in.tx", "in.dfn"}) dez::RemoveFile(gFolder + "/" + name);
    std::remove(gFolder.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/fuzz_text_XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    gFolder = pattern;
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = gFolder + "/in.tx";
    Put(in, data, size);
    Put(gFolder + "/in.dfn", data, size);
    TDataFile d(nullptr);
    d.verbose = false;
    if (d.LoadFile(in.c_str(), kFileText, true)) {
        d.ReadDFNAnnotations(in.c_str(), true, true, true);
    }
    TDataFile a(2, 3, 100.0f, 0, 1, 3);
    a.verbose = false;
    a.ImportAnalogFile(in.c_str());
    a.ReadDFN(in.c_str(), true, 5);
    a.GetPlateCount();
    return 0;
}

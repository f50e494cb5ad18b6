// libFuzzer target for the text-table and DFN readers: the input is read as a TX table and, the
// same bytes, as its DFN companion (point mode, analog mode, annotations and the analog-file
// lookup); what loads is written back as text.
//   build-fuzz/fuzz/fuzz_text_reader -max_len=65536 CORPUS SEEDS
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
    for (const char* name : {"in.tx", "in.dfn", "out.tx", "out.dfn"}) dez::RemoveFile(gFolder + "/" + name);
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
    if (!dez::WriteFileAtomically(in, data, size) || !dez::WriteFileAtomically(gFolder + "/in.dfn", data, size))
        std::abort();
    TDataFile d(nullptr);
    d.verbose = false;
    if (d.LoadFile(in.c_str(), kFileText, true)) {
        d.ReadDFNAnnotations(in.c_str(), true, true, true);
        d.WriteText((gFolder + "/out.tx").c_str(), false);
    }
    TDataFile a(2, 3, 100.0f, 0, 1, 3);
    a.verbose = false;
    a.ImportAnalogFile(in.c_str());
    a.ReadDFN(in.c_str(), true, 5);
    a.GetPlateCount();
    return 0;
}

// libFuzzer target for the text-table and DFN readers: the input is read as a TX table and, the
// same bytes, as its DFN companion (point mode, analog mode, annotations and the analog-file
// lookup).
//   build-fuzz/fuzz/fuzz_text_reader -max_len=65536 CORPUS SEEDS
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "motion/TDataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string in = fuzzsupport::WriteFolderFile("in.tx", data, size);
    fuzzsupport::WriteFolderFile("in.dfn", data, size);
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

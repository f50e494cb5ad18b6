// libFuzzer target for the reader of "c#" recordings: any bytes must be read or refused
// cleanly, and a valid read must hold the table its header announces.
//   build-fuzz/fuzz/fuzz_cprefix_reader -max_len=65536 fuzz/corpus-cprefix
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "importers/TCPrefixFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TCPrefixFile file;
    if (!file.ReadBuffer(data, size)) return 0;
    const Matrix2D* s = file.GetSamples();
    if (!s || s->GetRows() != file.GetItems() * file.GetValuesPerItem() || s->GetCols() != file.GetFrames())
        std::abort();
    return 0;
}

// libFuzzer target for the isosurface data reader: any text must read or fail cleanly, with one
// normal per vertex.
//   build-fuzz/fuzz/fuzz_isosurface -max_len=65536 fuzz/corpus-iso
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shapes/isosurface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    isosurface surface;
    surface.ParseText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (surface.GetNormals().size() != surface.GetVertices().size() ||
        surface.GetVertices().size() % 3 != 0)
        std::abort();
    return 0;
}

// libFuzzer target for the DXF drawing reader: any text must read or fail cleanly, with every
// entity's colour a palette index and no corner left NaN by normalising.
//   build-fuzz/fuzz/fuzz_dxf_drawing -max_len=65536 fuzz/corpus-dxf <seed folders>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shapes/DXFRenderer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DXFRenderer drawing;
    drawing.ParseText(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const DXFEntity& e : drawing.GetEntities()) {
        if (e.colour < 1 || e.colour > 255) std::abort();
        for (const auto& corner : e.corners)
            for (float x : corner)
                if (std::isnan(x)) std::abort();
        for (float x : e.normal)
            if (std::isnan(x)) std::abort();
    }
    return 0;
}

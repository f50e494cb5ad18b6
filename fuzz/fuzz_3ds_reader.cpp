// libFuzzer target for the 3DS reader: any bytes must walk to an end, and every selection it
// hands out must hold only faces whose corners are among its vertices.
//   build-fuzz/fuzz/fuzz_3ds_reader -max_len=65536 -close_fd_mask=1 fuzz/corpus-3ds <seed folders>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "shapes/Reader3DS.h"

namespace {

void CheckSelection(const dez::Reader3DS& r) {
    int vertices = 0, faces = 0;
    const float* v = r.Get3DSVertices(&vertices);
    const int32_t* f = r.Get3DSFaces(&faces);
    if ((v == nullptr) != (vertices == 0) || (f == nullptr) != (faces == 0)) std::abort();
    for (int i = 0; i < faces; ++i) {
        if (f[i * 5] != 3) std::abort();
        for (int c = 1; c <= 3; ++c)
            if (f[i * 5 + c] < 0 || f[i * 5 + c] >= vertices) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    dez::Reader3DS r;
    r.Open3DSBytes(data, size, "fuzz.3ds");
    const int objects = r.Count3DSObjects();
    for (int i = -1; i < objects && i < 64; ++i) {
        std::string name;
        if (r.Select3DSObject(i, &name)) CheckSelection(r);
    }
    return 0;
}

// libFuzzer target for the C3D reader: any bytes must load or fail cleanly, and whatever loads must
// also go through the queries that walk the tables, the kept groups and the writer's composition.
//   build-fuzz/fuzz/fuzz_c3d_reader -max_len=65536 fuzz/corpus <seed folders>
#include <cstddef>
#include <cstdint>

#include "motion/C3DParameters.h"
#include "motion/TC3DData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (int variant = 0; variant < 2; ++variant) {
        TC3DData d;
        d.verbose = false;
        if (!d.LoadC3DFromBuffer(data, size, variant == 0, true, variant == 0)) continue;
        char set[256], display[256];
        for (int32_t i = -1; i < 3; ++i) d.GetMarkerSetNames(set, display, i);
        float* residuals = d.GetResiduals(0);
        delete[] residuals;
        uint8_t* masks = d.GetCameraMasks(0);
        delete[] masks;
        float* matrices = d.GetAllCalibrationMatrices();
        delete[] matrices;
        int32_t* channels = d.GetAllPlateChannels();
        delete[] channels;
    }
    return 0;
}

// libFuzzer target for the C3D writer: whatever the reader accepts is saved, read back, and must
// come back as the same recording (same sizes, the same points and validity, the same analog
// samples within single precision). A difference is a crash.
//   build-fuzz/fuzz/fuzz_c3d_roundtrip -max_len=65536 fuzz/corpus <seed folders>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "motion/TC3DData.h"

namespace {

bool Same(double a, double b, double relative) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::fabs(a - b) <= relative * (1.0 + std::fabs(a));
}

// A difference is a crash that names the check it failed.
#define CHECK(condition)                                                              \
    do {                                                                              \
        if (!(condition)) {                                                           \
            std::fprintf(stderr, "round trip differs: %s (line %d)\n", #condition, __LINE__); \
            __builtin_trap();                                                         \
        }                                                                             \
    } while (0)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/fuzz_c3d_roundtrip_" + std::to_string(::getpid()) + ".c3d";
    TC3DData first;
    first.verbose = false;
    if (!first.LoadC3DFromBuffer(data, size, true, true, false)) return 0;
    if (!first.SaveC3D(path.c_str(), "", "", nullptr, true)) return 0;
    TC3DData second;
    second.verbose = false;
    const bool reloaded = second.LoadC3D(path.c_str(), true, true, false);
    std::remove(path.c_str());
    CHECK(reloaded);
    CHECK(first.GetPointCount() == second.GetPointCount());
    CHECK(first.GetFrameCount() == second.GetFrameCount());
    CHECK(first.GetAnalogChannelCount() == second.GetAnalogChannelCount());
    const int32_t dim = first.dimension;
    CHECK(dim == second.dimension);
    for (int32_t f = 0; f < first.GetFrameCount(); ++f) {
        for (int32_t p = 0; p < first.GetPointCount(); ++p) {
            const int32_t row = p * dim;
            const double r1 = first.points->GetValue(row + 3, f), r2 = second.points->GetValue(row + 3, f);
            // Valid points (computed ones with residual 0 among them) stay valid, invalid ones invalid.
            CHECK(IsValidResidual(r1) == IsValidResidual(r2));
            if (r1 == 0.0) CHECK(r2 == 0.0);
            // Beyond single precision a coordinate cannot travel; such files are not worth comparing.
            for (int k = 0; k < 3; ++k) {
                const double a = first.points->GetValue(row + k, f);
                if (std::fabs(a) < 3e38) CHECK(Same(a, second.points->GetValue(row + k, f), 1e-6));
            }
        }
    }
    // A table of no samples (a header that names channels but gives them no room) is none.
    if (first.analog && first.analog->GetRows() > 0 && first.analog->GetCols() > 0) {
        CHECK(second.analog != nullptr);
        CHECK(first.analog->GetCols() == second.analog->GetCols());
        for (int32_t c = 0; c < first.analog->GetCols(); ++c)
            for (int32_t r = 0; r < first.analog->GetRows(); ++r) {
                const double a = first.analog->GetValue(r, c);
                if (std::fabs(a) < 1e30) CHECK(Same(a, second.analog->GetValue(r, c), 1e-4));
            }
    }
    return 0;
}

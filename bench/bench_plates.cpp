// Force-plate results of a 10-minute recording at 1000 Hz with four plates (types 2, 4, 1 and 3),
// each result asked for separately as the drawing code and the model do.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>

#include "motion/TDataFile.h"

namespace {

constexpr int32_t kSeconds = 600;
constexpr int32_t kPointRate = 100;
constexpr int32_t kSamplesPerFrame = 10;  // 1000 Hz analog
constexpr int32_t kPlates = 4;
constexpr int32_t kTypes[kPlates] = {2, 4, 1, 3};
constexpr int32_t kChannels = 6 + 6 + 6 + 8;

std::unique_ptr<TDataFile> MakeRecording() {
    auto d = std::make_unique<TDataFile>(1, kSeconds * kPointRate, static_cast<float>(kPointRate), kChannels,
                                         kSamplesPerFrame, 3);
    int32_t first = 1;
    for (int32_t p = 0; p < kPlates; ++p) {
        int32_t channels[8];
        for (int32_t j = 0; j < 8; ++j) channels[j] = first + j;
        first += kTypes[p] == 3 ? 8 : 6;
        const double x = 600.0 * p;
        const double corners[12] = {x + 200, 300, 0, x - 200, 300, 0, x - 200, -300, 0, x + 200, -300, 0};
        const double origin[3] = {1.5, -0.5, -40};
        d->AddForcePlate(kTypes[p], channels, corners, origin);
    }
    // Smooth, plate-like signals; the exact values do not matter to the timing.
    Matrix2D& a = *d->analog;
    const int32_t columns = a.GetCols();
    for (int32_t c = 0; c < columns; ++c) {
        const double t = c / 1000.0;
        for (int32_t r = 0; r < kChannels; ++r) a.SetValue(r, c, 400.0 * std::sin(t * (1.0 + 0.1 * r)) + 5.0 * r);
    }
    d->plateZero[0] = 1;  // a one-second baseline, as recordings usually carry
    d->plateZero[1] = 1000;
    return d;
}

TDataFile& Recording() {
    static std::unique_ptr<TDataFile> recording = MakeRecording();
    return *recording;
}

// Every result of every plate: 4 x 600000 calls.
void BM_AllPlateResults(benchmark::State& state) {
    TDataFile& d = Recording();
    const int32_t columns = d.analog->GetCols();
    for (auto _ : state) {
        double sum = 0.0;
        TPlateForces r;
        for (int32_t p = 0; p < kPlates; ++p) {
            for (int32_t c = 0; c < columns; ++c) {
                d.GetPlateForces(p, c, &r, 20.0f, false);
                sum += r.force[2] + r.cop[0];
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kPlates * columns);
}
BENCHMARK(BM_AllPlateResults)->Unit(benchmark::kMillisecond);

// The drawing code's pattern: one sample per video frame, all plates of that frame in turn.
void BM_ResultsPerVideoFrame(benchmark::State& state) {
    TDataFile& d = Recording();
    const int32_t frames = d.GetFrameCount();
    for (auto _ : state) {
        double sum = 0.0;
        TPlateForces r;
        for (int32_t f = 0; f < frames; ++f) {
            for (int32_t p = 0; p < kPlates; ++p) {
                d.GetPlateForces(p, f * kSamplesPerFrame, &r, 20.0f, false);
                sum += r.force[2];
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kPlates * frames);
}
BENCHMARK(BM_ResultsPerVideoFrame)->Unit(benchmark::kMillisecond);

// One result when nothing is prepared (the baseline mean over 1000 samples and the orientation
// redone), for comparison with the per-call cost above.
void BM_UnpreparedResult(benchmark::State& state) {
    TDataFile& d = Recording();
    TPlateForces r;
    int32_t c = 0;
    for (auto _ : state) {
        d.InvalidatePlateCache();
        d.GetPlateForces(0, c, &r, 20.0f, false);
        benchmark::DoNotOptimize(r);
        c = (c + 7919) % d.analog->GetCols();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UnpreparedResult);

}  // namespace

BENCHMARK_MAIN();

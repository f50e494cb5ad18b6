// The model's signal routines on one coordinate of a 10-minute recording at 100 Hz (60,000
// samples); a model run applies them to some 45 such signals per pass. Each iteration restores the
// signal first (a copy of 60,000 doubles, a few microseconds).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "model/SignalFilter.h"

namespace {

constexpr int kSamples = 60000;
constexpr double kRate = 100.0;

// A walking-like coordinate with noise, never exactly 0 (the missing value).
std::vector<double> Signal(int n) {
    std::mt19937 random(1);
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i) {
        const double t = i / kRate;
        v[i] = 1.0 + 0.3 * std::sin(2.0 * 3.14159265358979 * 0.9 * t) + 0.001 * (random() / 4294967296.0);
    }
    return v;
}

// Gaps of 5 samples every 500 samples: 600 missing samples.
std::vector<double> SignalWithGaps(int n) {
    std::vector<double> v = Signal(n);
    for (int i = 250; i + 5 < n; i += 500)
        for (int j = 0; j < 5; ++j) v[i + j] = 0.0;
    return v;
}

template <typename Run>
void Measure(benchmark::State& state, const std::vector<double>& input, Run run) {
    std::vector<double> v(input.size());
    const int n = static_cast<int>(input.size());
    for (auto _ : state) {
        v = input;
        run(v.data(), n);
        benchmark::DoNotOptimize(v.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_ButterworthFilter(benchmark::State& state) {
    Measure(state, Signal(kSamples), [](double* v, int n) { SignalFilter().ButterworthFilter(v, n, 6.0, kRate, false); });
}
BENCHMARK(BM_ButterworthFilter)->Unit(benchmark::kMicrosecond);

void BM_MovingAverage(benchmark::State& state) {
    Measure(state, Signal(kSamples), [](double* v, int n) { SignalFilter().MovingAverage(v, n, 6.0, kRate); });
}
BENCHMARK(BM_MovingAverage)->Unit(benchmark::kMicrosecond);

void BM_FivePointDerivative(benchmark::State& state) {
    Measure(state, Signal(kSamples), [](double* v, int n) { SignalFilter().FivePointDerivative(v, n, kRate); });
}
BENCHMARK(BM_FivePointDerivative)->Unit(benchmark::kMicrosecond);

void BM_FillGaps(benchmark::State& state) {
    Measure(state, SignalWithGaps(kSamples), [](double* v, int n) {
        if (!SignalFilter().FillGaps(v, n, n / 10)) std::abort();
    });
}
BENCHMARK(BM_FillGaps)->Unit(benchmark::kMicrosecond);

// The model's usual pair: fill the gaps, then smooth.
void BM_FillGapsThenButterworth(benchmark::State& state) {
    Measure(state, SignalWithGaps(kSamples), [](double* v, int n) {
        SignalFilter filter;
        filter.FillGaps(v, n, n / 10);
        filter.ButterworthFilter(v, n, 6.0, kRate, false);
    });
}
BENCHMARK(BM_FillGapsThenButterworth)->Unit(benchmark::kMicrosecond);

void BM_SplineDerivative(benchmark::State& state) {
    Measure(state, Signal(kSamples), [](double* v, int n) { SignalFilter().SplineDerivative(v, n, kRate, 1); });
}
BENCHMARK(BM_SplineDerivative)->Unit(benchmark::kMicrosecond);

// Linear in n: the time per sample stays flat from 7,500 to 60,000 samples.
void BM_GcvsplSmooth(benchmark::State& state) {
    const int order = static_cast<int>(state.range(1));
    Measure(state, Signal(static_cast<int>(state.range(0))),
            [order](double* v, int n) { SignalFilter().GcvsplSmooth(v, n, kRate, order); });
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_GcvsplSmooth)
    ->ArgsProduct({{7500, 15000, 30000, kSamples}, {0}})
    ->Args({kSamples, 1})
    ->Args({kSamples, 2})
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();

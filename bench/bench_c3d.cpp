// Loading and saving C3D files of about 100 MB, next to reading the same bytes without parsing, and
// loading a file of a gait trial's size.
// Run: build/bench/bench_c3d (the files are generated in a temporary folder at start).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "motion/TC3DData.h"
#include "motion/TDataFile.h"
#include "platform/ByteReader.h"
#include "platform/GuardedRead.h"
#include "platform/Paths.h"
#include "platform/SafeWriter.h"

namespace {

constexpr int kMarkers = 200;
constexpr int kFrames = 30000;
constexpr int kChannels = 32;
constexpr int kSamplesPerFrame = 10;

struct Files {
    std::string folder;
    std::string small;
    std::string floats;
    std::string integers;
    std::string saved;
};

// A recording of kMarkers markers and kChannels analog channels with varied values, saved once as
// a float file; the integer file is that one with its data section re-encoded as int16.
Files& Generated() {
    static Files files = [] {
        Files f;
        f.folder = dez::TempDirectory() + "/dez_bench_c3d";
        std::string ignored = dez::MakeTempFile(dez::TempDirectory(), "dez_bench_c3d_", ".c3d");
        f.floats = ignored;
        f.integers = ignored + ".int.c3d";
        f.saved = ignored + ".saved.c3d";
        f.small = ignored + ".small.c3d";
        {
            // The size of a gait trial: what opening one costs beyond its bytes shows here.
            TDataFile small(40, 500, 100.0f, 16, 10, 4);
            small.verbose = false;
            double* p = small.points->GetData();
            for (int64_t i = 0; i < static_cast<int64_t>(small.points->size); ++i) p[i] = (i % 4 == 3) ? 1.0 : static_cast<double>(i % 2000);
            if (!small.SaveC3D(f.small.c_str(), "Vederiz", "bench", nullptr, false)) std::abort();
        }
        TDataFile d(kMarkers, kFrames, 100.0f, kChannels, kSamplesPerFrame, 4);
        d.verbose = false;
        double* p = d.points->GetData();
        for (int64_t i = 0; i < static_cast<int64_t>(d.points->size); ++i)
            p[i] = (i % 4 == 3) ? 1.0 : static_cast<double>((i * 7919) % 20000) * 0.1 - 1000.0;
        double* a = d.analog->GetData();
        for (int64_t i = 0; i < static_cast<int64_t>(d.analog->size); ++i) a[i] = static_cast<double>((i * 31) % 4000) - 2000.0;
        if (!d.SaveC3D(f.floats.c_str(), "Vederiz", "bench", nullptr, false)) std::abort();

        // Integer variant: same header and parameters, scale 0.1, int16 samples.
        std::vector<uint8_t> bytes;
        if (!dez::ReadWholeFile(f.floats, bytes)) std::abort();
        const size_t dataStart = (static_cast<size_t>(dez::LoadU16LE(bytes.data() + 16)) - 1) * 512;
        std::vector<uint8_t> out(bytes.begin(), bytes.begin() + static_cast<long>(dataStart));
        dez::StoreF32LE(out.data() + 12, 0.1f);
        for (size_t at = dataStart; at + 4 <= bytes.size(); at += 4) {
            const float v = dez::LoadF32LE(bytes.data() + at);
            const auto w = static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
            const size_t o = out.size();
            out.resize(o + 2);
            dez::StoreI16LE(out.data() + o, w);
        }
        if (!dez::WriteFileAtomically(f.integers, out.data(), out.size())) std::abort();
        return f;
    }();
    return files;
}

void SetBytes(benchmark::State& state, const std::string& path) {
    const long long size = dez::FileSize(path);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
    state.counters["MB"] = static_cast<double>(size) / 1e6;
}

void PlainRead(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        std::vector<uint8_t> bytes;
        if (!dez::ReadWholeFile(path, bytes)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(bytes.data());
    }
    SetBytes(state, path);
}

void Load(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        TC3DData d;
        d.verbose = false;
        if (!d.LoadC3D(path.c_str(), false, true, false)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(d.points);
    }
    SetBytes(state, path);
}

void BM_LoadSmall(benchmark::State& state) { Load(state, Generated().small); }
void BM_PlainReadFloat(benchmark::State& state) { PlainRead(state, Generated().floats); }
void BM_LoadFloat(benchmark::State& state) { Load(state, Generated().floats); }
void BM_PlainReadInteger(benchmark::State& state) { PlainRead(state, Generated().integers); }
void BM_LoadInteger(benchmark::State& state) { Load(state, Generated().integers); }

void BM_SaveFloat(benchmark::State& state) {
    TC3DData d;
    d.verbose = false;
    if (!d.LoadC3D(Generated().floats.c_str(), false, true, false)) state.SkipWithError("load failed");
    for (auto _ : state) {
        if (!d.SaveC3D(Generated().saved.c_str(), "Vederiz", "bench", nullptr, false)) state.SkipWithError("save failed");
    }
    SetBytes(state, Generated().saved);
}

BENCHMARK(BM_LoadSmall)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_PlainReadFloat)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadFloat)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainReadInteger)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadInteger)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveFloat)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Generated();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const Files& f = Generated();
    for (const std::string& path : {f.small, f.floats, f.integers, f.saved}) dez::RemoveFile(path);
    return 0;
}

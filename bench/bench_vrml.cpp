// VRML97 export of a motion scene: markers x keys values over a long play range, with links.
// Times are per whole export; the counter gives values written per second, which stays flat when
// the marker count grows if the export is linear in markers x keys.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

#include <wx/dynarray.h>
#include <wx/init.h>
#include <wx/string.h>

#include "motion/TDataFile.h"
#include "scene/shapeC3D.h"
#include "support/TestSupport.h"

namespace {

constexpr int32_t kFrames = 2000;
constexpr float kRate = 100.0f;

// Counts what it is given and keeps nothing, so only the export is timed.
class CountingBuffer : public std::streambuf {
public:
    size_t bytes = 0;

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override {
        bytes += size_t(n);
        return n;
    }
    int_type overflow(int_type c) override {
        ++bytes;
        return c;
    }
};

std::string WriteRecording(int32_t markers) {
    TDataFile d(markers, kFrames, kRate, 0, 0, 3);
    for (int32_t f = 0; f < kFrames; ++f) {
        const double t = f / kRate;
        for (int32_t p = 0; p < markers; ++p) {
            const double a = 0.1 * p + t;
            d.points->SetValue(3 * p, f, 1000.0 * std::cos(a) + 100.0 * t);
            d.points->SetValue(3 * p + 1, f, 1000.0 * std::sin(a));
            d.points->SetValue(3 * p + 2, f, 1000.0 + 6.0 * p);
        }
    }
    static testsupport::TempDir folder;
    const std::string path = folder.file("dez-bench-vrml-" + std::to_string(markers) + ".c3d");
    if (!d.SaveFile(path.c_str(), kFileC3D)) return {};
    return path;
}

void BM_ExportVRML(benchmark::State& state) {
    const int32_t markers = int32_t(state.range(0));
    const std::string path = WriteRecording(markers);
    shapeC3D scene;
    if (path.empty() || !scene.Load(wxString::FromUTF8(path))) {
        state.SkipWithError("the recording could not be written or loaded");
        return;
    }
    // Links over every pair of neighbouring markers.
    for (int32_t p = 0; p + 1 < markers; p += 2) {
        wxArrayInt pair;
        pair.Add(p);
        pair.Add(p + 1);
        scene.AddToDisplayList(pair, true);
    }
    size_t bytes = 0;
    for (auto _ : state) {
        CountingBuffer sink;
        std::ostream out(&sink);
        benchmark::DoNotOptimize(scene.ExportVRML(out, 1.0));
        bytes = sink.bytes;
    }
    state.counters["values"] =
        benchmark::Counter(double(markers) * kFrames * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["MB"] = double(bytes) / 1e6;
}
BENCHMARK(BM_ExportVRML)->Arg(25)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    wxInitializer init;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

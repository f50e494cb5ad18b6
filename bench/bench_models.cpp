// Reading OBJ/MTL models, DXF drawings and isosurface data: the largest public sample of each
// kind (from tests/data/samples; a missing one is reported as its benchmark's error) and a
// generated isosurface of 200 000 lines.
// Run: build/bench/bench_models
#include <benchmark/benchmark.h>

#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <wx/string.h>

#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "shapes/DXFRenderer.h"
#include "shapes/ObjMtlModel.h"
#include "shapes/isosurface.h"

namespace {

std::string Sample(const char* relative) {
    const std::string path = std::string(DEZ_SAMPLES_DIR) + "/" + relative;
    return dez::FileExists(path) ? path : std::string();
}

// The model functions report to standard output; a benchmark only wants their time.
struct QuietOutput {
    QuietOutput() : previous(std::cout.rdbuf(sink.rdbuf())) {}
    ~QuietOutput() { std::cout.rdbuf(previous); }
    std::ostringstream sink;
    std::streambuf* previous;
};

void BM_ReadObj(benchmark::State& state, const char* file) {
    const std::string path = Sample(file);
    if (path.empty()) {
        state.SkipWithError("no sample files");
        return;
    }
    QuietOutput quiet;
    for (auto _ : state) {
        auto model = glmReadOBJ(path);
        benchmark::DoNotOptimize(model->TriangleCount());
        quiet.sink.str("");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * dez::FileSize(path));
}
BENCHMARK_CAPTURE(BM_ReadObj, regr01, "obj/regr01.obj")->Unit(benchmark::kMicrosecond);

// What a load does besides drawing: read, fit, facet and vertex normals.
void BM_ObjModelReady(benchmark::State& state, const char* file) {
    const std::string path = Sample(file);
    if (path.empty()) {
        state.SkipWithError("no sample files");
        return;
    }
    QuietOutput quiet;
    for (auto _ : state) {
        auto model = glmReadOBJ(path);
        glmFitToUnitBox(*model);
        glmMakeFaceNormals(*model);
        glmVertexNormals(*model, 90);
        benchmark::DoNotOptimize(model->NormalCount());
        quiet.sink.str("");
    }
}
BENCHMARK_CAPTURE(BM_ObjModelReady, regr01, "obj/regr01.obj")->Unit(benchmark::kMicrosecond);

void BM_LoadDxf(benchmark::State& state, const char* file) {
    const std::string path = Sample(file);
    if (path.empty()) {
        state.SkipWithError("no sample files");
        return;
    }
    for (auto _ : state) {
        DXFRenderer drawing;
        benchmark::DoNotOptimize(drawing.Load(wxString::FromUTF8(path.c_str())));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * dez::FileSize(path));
}
BENCHMARK_CAPTURE(BM_LoadDxf, issue_2229, "dxf/issue_2229.dxf")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LoadDxf, PinkEggFromLW, "dxf/PinkEggFromLW.dxf")->Unit(benchmark::kMicrosecond);

void BM_ParseIsosurface(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < 200000; ++i)
        text += dez::Format("%.6f %.6f %.6f  %.6f %.6f %.6f\n", i * 0.001, (i % 977) * 0.01,
                            (i % 13) * 0.5, 0.0, 0.6, 0.8);
    for (auto _ : state) {
        isosurface surface;
        benchmark::DoNotOptimize(surface.ParseText(text));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ParseIsosurface)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

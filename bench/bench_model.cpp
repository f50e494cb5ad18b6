// The body model over a long recording: a 15-segment model on 60,000 frames (10 minutes at
// 100 Hz), with short marker gaps, gap filling and low-pass filtering on; then the whole run with
// resultants, 14 joints on two force plates and the inverse dynamics; then the viewer's build of
// the same model from its model file (read, run, joints, inverse dynamics, display objects).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>

#include <wx/init.h>

#include "ModelFileText.h"
#include "model/C3DModel.h"
#include "model/TBiomecaModel.h"
#include "motion/TDataFile.h"
#include "platform/Paths.h"

namespace {

constexpr int kFrames = 60000;
constexpr float kRate = 100.0f;
constexpr int kSegments = 15;
constexpr int kMarkers = 3 * kSegments;
constexpr int kChannels = 12;  // two 6-channel plates
constexpr int kSamplesPerFrame = 10;

// Each segment a rigid triad turning and drifting on its own, with a 5-frame gap every 2,000
// frames in one of its markers.
std::unique_ptr<TDataFile> MakeRecording() {
    auto d = std::make_unique<TDataFile>(kMarkers, kFrames, kRate, kChannels, kSamplesPerFrame, 3);
    for (int plate = 0; plate < 2; ++plate) {
        int channels[8] = {};
        for (int c = 0; c < 6; ++c) channels[c] = 6 * plate + c + 1;
        const double x = 600.0 * plate;
        const double corners[12] = {x + 600, 400, 0, x, 400, 0, x, 0, 0, x + 600, 0, 0};
        const double origin[3] = {0, 0, -40};
        d->AddForcePlate(2, channels, corners, origin);
    }
    Matrix2D& analog = *d->analog;
    for (int c = 0; c < analog.GetCols(); ++c) {
        const double t = c / double(kRate * kSamplesPerFrame);
        for (int r = 0; r < kChannels; ++r)
            analog.SetValue(r, c, (r % 6 == 2 ? 700.0 : 20.0) * (1.0 + std::sin(t + r)));
    }
    Matrix2D& p = *d->points;
    for (int f = 0; f < kFrames; ++f) {
        const double t = f / double(kRate);
        for (int s = 0; s < kSegments; ++s) {
            const double a = 0.5 * std::sin(0.7 * t + s), b = 0.3 * std::cos(1.1 * t + s), c = 0.2 * t * (s + 1);
            const double ox = 300.0 * std::sin(0.1 * t) + 100.0 * s, oy = 50.0 * s, oz = 900.0 + 10.0 * std::cos(t);
            // Local markers: origin, 400 mm along z, 100 mm along x; rotated by Rz(c) Ry(b) Rx(a).
            const double local[3][3] = {{0, 0, 0}, {0, 0, 400}, {100, 0, 0}};
            for (int m = 0; m < 3; ++m) {
                double x = local[m][0], y = local[m][1], z = local[m][2];
                double y1 = std::cos(a) * y - std::sin(a) * z, z1 = std::sin(a) * y + std::cos(a) * z;
                double x2 = std::cos(b) * x + std::sin(b) * z1, z2 = -std::sin(b) * x + std::cos(b) * z1;
                double x3 = std::cos(c) * x2 - std::sin(c) * y1, y3 = std::sin(c) * x2 + std::cos(c) * y1;
                const bool gone = m == 1 && (f + 97 * s) % 2000 < 5;
                const int row = 3 * (3 * s + m);
                p.SetValue(row, f, gone ? 0.0 : x3 + ox);
                p.SetValue(row + 1, f, gone ? 0.0 : y3 + oy);
                p.SetValue(row + 2, f, gone ? 0.0 : z2 + oz);
            }
        }
    }
    return d;
}

TDataFile& Recording() {
    static std::unique_ptr<TDataFile> recording = MakeRecording();
    return *recording;
}

void SetUpModel(TBiomecaModel& model) {
    model.IsLabel = false;
    model.Coupure = 6.0;
    model.SegmentCount = kSegments;
    for (int s = 0; s < kSegments; ++s) {
        BodySegment& seg = *model.Segments[s];
        seg.P1 = 3 * s + 1;
        seg.P2 = 3 * s + 2;
        seg.P3 = 3 * s + 3;
        seg.Mass = 1.0 / kSegments;
    }
}

void BM_Kinematics(benchmark::State& state) {
    TDataFile& d = Recording();
    TBiomecaModel model;
    SetUpModel(model);
    for (auto _ : state) {
        double ratio = model.TotalMass;
        model.Kinematics = model.ComputeKinematics(&d, ratio, true, false, model.Coupure, model.Gravity, 0, kFrames - 1,
                                                   nullptr, 0.0, 1e-5, true, true, true);
        benchmark::DoNotOptimize(model.Kinematics->GetData());
    }
    state.counters["per_frame"] = benchmark::Counter(
        double(kFrames), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Kinematics)->Unit(benchmark::kMillisecond);

// Resultant forces and moments of the 15 segments (the kinematics computed once beforehand).
void BM_Resultants(benchmark::State& state) {
    TDataFile& d = Recording();
    TBiomecaModel model;
    SetUpModel(model);
    model.ComputeSegments(&d, 0, kFrames - 1, nullptr);
    for (auto _ : state) {
        model.ResultantForces = model.ComputeResultantForces(false);
        model.ResultantMoments = model.ComputeResultantMoments(false);
        benchmark::DoNotOptimize(model.ResultantMoments->GetData());
    }
    state.counters["per_frame"] = benchmark::Counter(
        double(kFrames), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Resultants)->Unit(benchmark::kMillisecond);

// Kinematics and resultants, two chains of seven segments each standing on a plate (2 ground
// contacts and 12 joints at markers), and the inverse dynamics.
void BM_WholeModel(benchmark::State& state) {
    TDataFile& d = Recording();
    TBiomecaModel model;
    SetUpModel(model);
    for (auto _ : state) {
        model.Reset(false);
        model.ComputeSegments(&d, 0, kFrames - 1, nullptr);
        for (int chain = 0; chain < 2; ++chain) {
            const int base = 7 * chain;
            model.MakeFirstJoint(chain + 1, nullptr, nullptr, 1, true, true, &d, 3 * base + 1, 0, true, 0, base,
                                 nullptr, nullptr);
            for (int s = base; s < base + 6; ++s) model.MakeJoint(s, s + 1, 3 * (s + 1) + 1, "joint", 0, &d);
        }
        model.InverseDynamics(&d);
        benchmark::DoNotOptimize(model.Joints[13]->Moment->GetData());
    }
    state.counters["joints"] = model.JointCount;
    state.counters["per_frame"] = benchmark::Counter(
        double(kFrames), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_WholeModel)->Unit(benchmark::kMillisecond);

// The viewer's build: the combined model file of the same 15 segments and 14 joints on two plates,
// read, run and given its display objects (no GL context: lists are made at the first draw).
void BM_BuildModel(benchmark::State& state) {
    static wxInitializer toolkit;
    TDataFile& d = Recording();
    const std::string path = dez::MakeTempFile("", "dez-bench-model-", ".ini");
    {
        std::ofstream out(path, std::ios::binary);
        out << ModelFileText(kSegments, 7, true);
        if (path.empty() || !out) {
            state.SkipWithError("the model file could not be written");
            return;
        }
    }
    int joints = 0;
    for (auto _ : state) {
        C3DModel model;
        if (!model.BuildModel(&d, wxString::FromUTF8(path), false)) {
            state.SkipWithError("the model did not build");
            return;
        }
        joints = model.JointCount;
        benchmark::DoNotOptimize(model.Kinematics->GetData());
    }
    dez::RemoveFile(path);
    state.counters["joints"] = joints;
    state.counters["per_frame"] =
        benchmark::Counter(double(kFrames), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BuildModel)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

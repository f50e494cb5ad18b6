// Drawing a motion scene as playback does, once per frame: a 300-marker, 4-plate recording in the
// GL context of the display tests (run under xvfb-run). Times are per drawn frame.
//   xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" ./bench_scene_render
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include <GL/gl.h>
#include <wx/dynarray.h>
#include <wx/string.h>

#include "ModelFileText.h"
#include "model/C3DModel.h"
#include "support/GLTestHarness.h"
#include "support/TestSupport.h"
#include "motion/TDataFile.h"
#include "platform/Paths.h"
#include "scene/shapeC3D.h"
#include "scene/wxStructure.h"

namespace {

constexpr int32_t kMarkers = 300;
constexpr int32_t kFrames = 1000;
constexpr float kRate = 100.0f;
constexpr int32_t kSamplesPerFrame = 10;
constexpr int32_t kPlates = 4;
constexpr int32_t kChannels = 6 * kPlates;

// Markers on a moving figure of 2 x 2 x 2 m, plates under it with a changing force.
std::string WriteRecording() {
    TDataFile d(kMarkers, kFrames, kRate, kChannels, kSamplesPerFrame, 3);
    for (int32_t f = 0; f < kFrames; ++f) {
        const double t = f / kRate;
        for (int32_t p = 0; p < kMarkers; ++p) {
            const double a = 0.1 * p + t;
            d.points->SetValue(3 * p, f, 1000.0 * std::cos(a) + 100.0 * t);
            d.points->SetValue(3 * p + 1, f, 1000.0 * std::sin(a));
            d.points->SetValue(3 * p + 2, f, 1000.0 + 6.0 * p);
        }
    }
    for (int32_t p = 0; p < kPlates; ++p) {
        int32_t channels[6];
        for (int32_t j = 0; j < 6; ++j) channels[j] = 6 * p + j + 1;
        const double x = 600.0 * p - 900.0;
        const double corners[12] = {x + 200, 300, 0, x - 200, 300, 0, x - 200, -300, 0, x + 200, -300, 0};
        const double origin[3] = {0, 0, -40};
        d.AddForcePlate(2, channels, corners, origin);
    }
    for (int32_t c = 0; c < d.analog->GetCols(); ++c)
        for (int32_t p = 0; p < kPlates; ++p) {
            d.analog->SetValue(6 * p + 0, c, 50.0 * std::sin(c / 300.0));
            d.analog->SetValue(6 * p + 2, c, 700.0 + 100.0 * std::sin(c / 500.0 + p));
        }
    // A folder of our own, removed with its recording when the program ends.
    static testsupport::TempDir folder;
    const std::string path = folder.file("dez-bench-scene.c3d");
    if (!d.SaveFile(path.c_str(), kFileC3D)) return {};
    return path;
}

enum Setup { kMarkersOnly, kTrajectories, kTrajectoriesAndLinks, kWithModel };

void RenderFrames(benchmark::State& state, Setup setup) {
    testsupport::GLTestHarness& gl = testsupport::GLTestHarness::Get();
    if (!gl.ok() || !gl.MakeCurrent()) {
        state.SkipWithError(("no GL context: " + gl.error()).c_str());
        return;
    }
    static const std::string path = WriteRecording();
    shapeC3D scene;
    if (path.empty() || !scene.Load(wxString::FromUTF8(path))) {
        state.SkipWithError("the recording could not be written or loaded");
        return;
    }
    if (setup == kTrajectories || setup == kTrajectoriesAndLinks) {
        for (int32_t i = 0; i < kMarkers; ++i) {
            MarkerDisplay* m = scene.GetMarkerDisplay(i);
            m->trajectory = 1;
            m->before = 50;
            m->after = 50;
        }
    }
    if (setup == kWithModel) {
        // A 15-segment chain with its 14 joints and the centre of mass on the first 45 markers.
        static testsupport::TempDir folder;
        const std::string model = folder.file("bench-scene-model.ini");
        if (!testsupport::WriteFileBytes(model, ModelFileText(15, 15, false)) ||
            !scene.LoadModel(wxString::FromUTF8(model)) || scene.GetModel()->SegmentCount != 15) {
            state.SkipWithError("the model could not be built");
            return;
        }
        state.counters["joints"] = scene.GetModel()->JointCount;
    }
    if (setup == kTrajectoriesAndLinks) {
        // Chains of five markers.
        for (int32_t first = 0; first + 5 <= kMarkers; first += 5) {
            wxArrayInt chain;
            for (int32_t i = first; i < first + 5; ++i) chain.Add(i);
            scene.AddToDisplayList(chain, true);
        }
    }
    gl.ResetState();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(-60, 1, 0, 0);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    int frame = 0;
    for (auto _ : state) {
        double t = frame / kRate;
        scene.SetTime(t);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.Render(GL_RENDER, -1);
        glFinish();
        frame = (frame + 1) % kFrames;
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
}

void BM_MarkersAndPlates(benchmark::State& state) { RenderFrames(state, kMarkersOnly); }
void BM_WithTrajectories(benchmark::State& state) { RenderFrames(state, kTrajectories); }
void BM_WithTrajectoriesAndLinks(benchmark::State& state) {
    RenderFrames(state, kTrajectoriesAndLinks);
}
// The same with a 15-segment model and its glyphs (compare with BM_MarkersAndPlates).
void BM_MarkersPlatesAndModel(benchmark::State& state) { RenderFrames(state, kWithModel); }
// Three selected markers' trajectories over the whole play range of a 20-marker recording at
// 100 Hz, one minute against one hour: the paths are built once, thinned to the view, so a
// frame should cost the same for both (compare the two in the same run).
std::string WriteLongRecording(int32_t frames) {
    constexpr int32_t markers = 20;
    TDataFile d(markers, frames, kRate, 0, 1, 3);
    for (int32_t f = 0; f < frames; ++f) {
        const double t = f / kRate;
        for (int32_t p = 0; p < markers; ++p) {
            const double a = 0.1 * p + t;
            d.points->SetValue(3 * p, f, 1000.0 * std::cos(a) + 100.0 * t);
            d.points->SetValue(3 * p + 1, f, 1000.0 * std::sin(a));
            d.points->SetValue(3 * p + 2, f, 1000.0 + 6.0 * p + 50.0 * std::sin(3.0 * t));
        }
    }
    static testsupport::TempDir folder;
    const std::string path = folder.file("dez-bench-long-" + std::to_string(frames) + ".c3d");
    if (!d.SaveFile(path.c_str(), kFileC3D)) return {};
    return path;
}

void RenderSelectedTrajectories(benchmark::State& state, int32_t frames, bool relative) {
    testsupport::GLTestHarness& gl = testsupport::GLTestHarness::Get();
    if (!gl.ok() || !gl.MakeCurrent()) {
        state.SkipWithError(("no GL context: " + gl.error()).c_str());
        return;
    }
    const std::string path = WriteLongRecording(frames);
    shapeC3D scene;
    if (path.empty() || !scene.Load(wxString::FromUTF8(path))) {
        state.SkipWithError("the recording could not be written or loaded");
        return;
    }
    for (int32_t i = 0; i < 3; ++i) scene.GetMarkerDisplay(3 + 5 * i)->selectionOrder = i + 1;
    if (relative) scene.SetReferenceMarker(0, true);
    gl.ResetState();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(-60, 1, 0, 0);
    glEnable(GL_DEPTH_TEST);
    int frame = 0;
    for (auto _ : state) {
        double t = frame / kRate;
        scene.SetTime(t);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.Render(GL_RENDER, -1);
        glFinish();
        frame = (frame + 1) % 1000;
    }
    glDisable(GL_DEPTH_TEST);
    state.counters["frames"] = frames;
}

void BM_ThreeTrajectories_1min(benchmark::State& state) { RenderSelectedTrajectories(state, 6000, false); }
void BM_ThreeTrajectories_1hour(benchmark::State& state) { RenderSelectedTrajectories(state, 360000, false); }
BENCHMARK(BM_ThreeTrajectories_1min)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThreeTrajectories_1hour)->Unit(benchmark::kMillisecond)->UseRealTime();
// The same with the view following marker 1: the paths move under the view every frame, so
// they are thinned again every frame.
void BM_ThreeTrajectoriesRelative_1min(benchmark::State& state) { RenderSelectedTrajectories(state, 6000, true); }
void BM_ThreeTrajectoriesRelative_1hour(benchmark::State& state) {
    RenderSelectedTrajectories(state, 360000, true);
}
BENCHMARK(BM_ThreeTrajectoriesRelative_1min)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ThreeTrajectoriesRelative_1hour)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(BM_MarkersAndPlates)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MarkersPlatesAndModel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WithTrajectories)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WithTrajectoriesAndLinks)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

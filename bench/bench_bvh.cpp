// BVH skeletons with the public sample 01_01.bvh (2 MB, 31 joints, 2752 frames at 120 Hz):
// reading its bytes alone against loading it, posing the skeleton for a frame, posing every
// frame once after a load, and drawing a posed frame as playback does. Playback keeps the
// recording's rate while pose plus draw stay under one frame time (8.3 ms). The drawing needs
// the GL context of the display tests:
//   xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" ./bench_bvh
#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>
#include <string>

#include <GL/gl.h>
#include <wx/string.h>

#include "gl/AppSettings.h"
#include "motion/BvhParser.h"
#include "motion/Joint.h"
#include "motion/RecordedMotion.h"
#include "shapes/shapeBVH.h"
#include "support/GLTestHarness.h"
#include "support/TestSupport.h"

namespace {

const std::string& SamplePath() {
    static const std::string path = testsupport::SampleFile("bvh/01_01.bvh");
    return path;
}

void BM_ReadBytes(benchmark::State& state) {
    if (SamplePath().empty()) return state.SkipWithError("no sample bvh/01_01.bvh");
    for (auto _ : state) {
        std::ifstream in(SamplePath(), std::ios::binary);
        in.seekg(0, std::ios::end);
        std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
        in.seekg(0, std::ios::beg);
        in.read(&bytes[0], static_cast<std::streamsize>(bytes.size()));
        benchmark::DoNotOptimize(bytes.data());
    }
}

void BM_Load(benchmark::State& state) {
    if (SamplePath().empty()) return state.SkipWithError("no sample bvh/01_01.bvh");
    for (auto _ : state) {
        BvhParser parser(SamplePath());
        std::unique_ptr<Joint> root;
        std::unique_ptr<RecordedMotion> motion;
        if (!parser.Load(root, motion)) return state.SkipWithError("the sample did not load");
        benchmark::DoNotOptimize(root.get());
    }
}

void BM_PoseFrame(benchmark::State& state) {
    if (SamplePath().empty()) return state.SkipWithError("no sample bvh/01_01.bvh");
    BvhParser parser(SamplePath());
    std::unique_ptr<Joint> root;
    std::unique_ptr<RecordedMotion> motion;
    if (!parser.Load(root, motion)) return state.SkipWithError("the sample did not load");
    int frame = 0;
    for (auto _ : state) {
        root->UpdatePose(*motion, frame * parser.GetFrameTime(), Point3D(), Quaternion());
        benchmark::DoNotOptimize(root->GetPosition());
        frame = (frame + 1) % parser.GetFrameCount();
    }
}

// Every frame posed once right after loading, as a first playback does: rotation samples are
// made when a pose first needs them, so this carries the cost the load no longer has.
void BM_FirstPlayback(benchmark::State& state) {
    if (SamplePath().empty()) return state.SkipWithError("no sample bvh/01_01.bvh");
    for (auto _ : state) {
        state.PauseTiming();
        BvhParser parser(SamplePath());
        std::unique_ptr<Joint> root;
        std::unique_ptr<RecordedMotion> motion;
        if (!parser.Load(root, motion)) return state.SkipWithError("the sample did not load");
        state.ResumeTiming();
        for (int frame = 0; frame < parser.GetFrameCount(); ++frame) {
            root->UpdatePose(*motion, frame * parser.GetFrameTime(), Point3D(), Quaternion());
            benchmark::DoNotOptimize(root->GetPosition());
        }
    }
}

// Pose and draw of one frame through the shape, lit and depth-tested as in the view.
void BM_DrawFrame(benchmark::State& state) {
    if (SamplePath().empty()) return state.SkipWithError("no sample bvh/01_01.bvh");
    testsupport::GLTestHarness& gl = testsupport::GLTestHarness::Get();
    if (!gl.ok() || !gl.MakeCurrent()) return state.SkipWithError(("no GL context: " + gl.error()).c_str());
    shapeBVH shape;
    if (!shape.Load(wxString::FromUTF8(SamplePath()))) return state.SkipWithError("the sample did not load");
    gl.ResetState();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-15, 15, -15, 15, -50, 50);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    int frame = 0;
    for (auto _ : state) {
        double t = frame * shape.GetFramePeriod();
        shape.SetTime(t);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        shape.Render(GL_RENDER, -1);
        glFinish();
        frame = (frame + 1) % shape.GetFrameCount();
    }
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
}

BENCHMARK(BM_ReadBytes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PoseFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FirstPlayback)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

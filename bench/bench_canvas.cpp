// Paint time of the 3-D view per frame: a 950 x 800 scene canvas playing a 300-marker, 100 Hz
// recording. Playback ticks at most 30 times a second, so a frame must paint in well under 33 ms.
// The recording is a C3D file written at start and opened through the canvas's factory, as a
// file from the open dialog would be.
// Needs a display: xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" build/bench/bench_canvas
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/log.h>

#include <GL/gl.h>

#include "motion/TDataFile.h"
#include "view/myGLCanvas.h"
#include "objects/object3D.h"
#include "platform/Paths.h"

namespace {

constexpr int kMarkers = 300;
constexpr int kFrames = 500;
constexpr float kRate = 100;
constexpr int kWidth = 950;
constexpr int kHeight = 800;

// Marker m at frame f, in millimetres: a body-sized cloud drifting along x.
void MarkerAt(int m, int f, double out[3]) {
    out[0] = 400 * std::sin(m * 0.37) + 2.0 * f;
    out[1] = 300 * std::cos(m * 0.53);
    out[2] = 100 + 1600.0 * m / kMarkers + 20 * std::sin(f * 0.1 + m);
}

std::string WriteRecording() {
    TDataFile data(kMarkers, kFrames, kRate, 0, 1, 4);
    data.verbose = false;
    for (int f = 0; f < kFrames; ++f)
        for (int m = 0; m < kMarkers; ++m) {
            double p[3];
            MarkerAt(m, f, p);
            for (int k = 0; k < 3; ++k) data.points->SetValue(m * 4 + k, f, p[k]);
            data.points->SetValue(m * 4 + 3, f, 1.0);
        }
    const std::string path = dez::MakeTempFile(dez::TempDirectory(), "dez_bench_canvas_", ".c3d");
    if (path.empty() || !data.SaveC3D(path.c_str(), "Vederiz", "bench", nullptr, false)) return "";
    return path;
}

struct View {
    wxFrame* frame = nullptr;
    myGLCanvas* canvas = nullptr;
    bool loaded = false;
    std::string path;
};

View* TheView() {
    static View* view = [] {
        auto* v = new View;
        v->frame = new wxFrame(nullptr, wxID_ANY, "bench", wxPoint(0, 0));
        v->canvas = new myGLCanvas(v->frame, wxID_ANY, wxDefaultPosition, wxSize(kWidth, kHeight));
        v->frame->SetClientSize(kWidth, kHeight);
        v->frame->Show();
        for (int i = 0; i < 200 && !v->canvas->IsShownOnScreen(); ++i) wxTheApp->Yield(true);
        for (int i = 0; i < 20; ++i) wxTheApp->Yield(true);
        v->path = WriteRecording();
        v->loaded = !v->path.empty() && v->canvas->LoadShapeAndMotion(v->path, false);
        return v;
    }();
    return view;
}

// One playback tick's paint: the next frame, then the whole frame painted and finished.
void BM_PaintFrame(benchmark::State& state) {
    View* view = TheView();
    myGLCanvas* canvas = view->canvas;
    if (canvas->GetContext() == nullptr || canvas->GetClientSize() != wxSize(kWidth, kHeight)) {
        state.SkipWithError("no 950 x 800 GL canvas");
        return;
    }
    if (!view->loaded) {
        state.SkipWithError("the recording did not open");
        return;
    }
    const bool decorOnly = state.range(0) == 0;
    canvas->GetObject()->SetVisible(!decorOnly);
    int frame = 0;
    for (auto _ : state) {
        canvas->GoToFrame(frame, false);
        frame = (frame + 1) % kFrames;
        canvas->RenderAndSwap();
        glFinish();
    }
    canvas->GetObject()->SetVisible(true);
    state.SetLabel(decorOnly ? "decor only" : "300 markers");
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PaintFrame)->Arg(0)->Arg(kMarkers)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    wxApp::SetInstance(new wxApp);
    int wxArgc = 1;
    char* wxArgv[] = {argv[0], nullptr};
    if (!wxEntryStart(wxArgc, wxArgv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "bench_canvas needs a display (run it under xvfb-run)\n");
        return 1;
    }
    // Messages go to the terminal, not to dialogs.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const View* view = TheView();
    if (!view->path.empty()) std::remove(view->path.c_str());
    view->frame->Destroy();
    wxEntryCleanup();
    return 0;
}

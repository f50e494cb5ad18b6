// Loading and drawing polygon meshes: a generated 1-million-triangle OBJ file and the largest
// samples, against the time to read their bytes; drawing needs the GL context of the display
// tests (run under xvfb-run). Load times are per load, draw times per frame (glFinish included).
//   xvfb-run -a -s "-screen 0 1280x1024x24 +extension GLX" ./bench_meshes
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <wx/string.h>

#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "platform/SafeWriter.h"
#include "shapes/glmObj.h"
#include "shapes/objloader.h"
#include "shapes/shape3DS.h"
#include "shapes/shapeOBJ.h"
#include "support/GLTestHarness.h"
#include "support/TestSupport.h"

namespace {

// A wavy grid of 708 x 708 vertices: 2 x 707 x 707 = 999 698 triangles, about 44 MB of text.
constexpr int kGrid = 708;

// A wavy grid of n x n vertices as OBJ text.
std::string GridObj(int n, const std::string& name) {
    static testsupport::TempDir folder;
    std::string text;
    text.reserve(size_t(n) * n * 68);
    text += "g surface\n";
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            text += dez::Format("v %.6f %.6f %.6f\n", i / double(n), j / double(n),
                                0.05 * std::sin(i * 0.05) * std::cos(j * 0.07));
    for (int j = 0; j + 1 < n; ++j)
        for (int i = 0; i + 1 < n; ++i) {
            const int a = j * n + i + 1, b = a + 1, c = a + n, d = c + 1;
            text += dez::Format("f %d %d %d\nf %d %d %d\n", a, b, d, a, d, c);
        }
    const std::string p = folder.file(name);
    return dez::WriteFileAtomically(p, text.data(), text.size()) ? p : std::string();
}

const std::string& BigObj() {
    static const std::string path = GridObj(kGrid, "grid.obj");
    return path;
}

// 1582 x 1582 vertices: 2 x 1581 x 1581 = 4 999 122 triangles, about 240 MB of text.
const std::string& HugeObj() {
    static const std::string path = GridObj(1582, "grid5m.obj");
    return path;
}

std::string Largest(const char* sample) { return testsupport::SampleFile(sample); }

void ReadBytes(benchmark::State& state, const std::string& path) {
    if (path.empty()) {
        state.SkipWithError("file missing");
        return;
    }
    for (auto _ : state) {
        std::vector<uint8_t> bytes;
        dez::ReadWholeFile(path, bytes);
        benchmark::DoNotOptimize(bytes.data());
    }
}

template <typename Shape>
void LoadMesh(benchmark::State& state, const std::string& path, int part) {
    if (path.empty()) {
        state.SkipWithError("file missing");
        return;
    }
    for (auto _ : state) {
        Shape shape;
        shape.SetUseDisplayList(false);
        shape.SetPart(part);
        if (!shape.Load(wxString::FromUTF8(path))) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(shape.GetVertices());
    }
}

void BM_ReadBytes_Grid1M(benchmark::State& s) { ReadBytes(s, BigObj()); }
void BM_LoadOBJ_Grid1M(benchmark::State& s) { LoadMesh<shapeOBJ>(s, BigObj(), 0); }
// The group read goes through the index, written by the first load.
void BM_LoadOBJGroup_Grid1M(benchmark::State& s) { LoadMesh<shapeOBJ>(s, BigObj(), 1); }
void BM_ReadBytes_regr01(benchmark::State& s) { ReadBytes(s, Largest("obj/regr01.obj")); }
void BM_LoadOBJ_regr01(benchmark::State& s) { LoadMesh<shapeOBJ>(s, Largest("obj/regr01.obj"), 0); }
void BM_ReadBytes_fels(benchmark::State& s) { ReadBytes(s, Largest("3ds/fels.3ds")); }
void BM_Load3DS_fels(benchmark::State& s) { LoadMesh<shape3DS>(s, Largest("3ds/fels.3ds"), -1); }

BENCHMARK(BM_ReadBytes_Grid1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOBJ_Grid1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOBJGroup_Grid1M)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadBytes_regr01)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadOBJ_regr01)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadBytes_fels)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Load3DS_fels)->Unit(benchmark::kMicrosecond);

// The viewer's whole load of an OBJ model (read, normals, what drawing needs) against assimp's bare
// parse of the same file (`assimp info --raw`: no post-processing; from assimp-utils, in a process of its own): compare the
// two of one run, as the machine's load moves both alike.
void ViewerLoad(benchmark::State& state, const std::string& path) {
    testsupport::GLTestHarness& gl = testsupport::GLTestHarness::Get();
    if (!gl.ok() || !gl.MakeCurrent()) {
        state.SkipWithError(("no GL context: " + gl.error()).c_str());
        return;
    }
    for (auto _ : state) {
        glmObj model;
        if (path.empty() || !model.Load(wxString::FromUTF8(path))) {
            state.SkipWithError("load failed");
            return;
        }
        glFinish();
    }
}

void AssimpInfo(benchmark::State& state, const std::string& path) {
    if (path.empty() || std::system("command -v assimp > /dev/null 2>&1") != 0) {
        state.SkipWithError("assimp (assimp-utils) is not installed");
        return;
    }
    const std::string command = "assimp info '" + path + "' --raw > /dev/null 2>&1";
    for (auto _ : state)
        if (std::system(command.c_str()) != 0) state.SkipWithError("assimp info failed");
}

void BM_ViewerLoadOBJ_1M(benchmark::State& s) { ViewerLoad(s, BigObj()); }
void BM_AssimpInfoOBJ_1M(benchmark::State& s) { AssimpInfo(s, BigObj()); }
void BM_ViewerLoadOBJ_5M(benchmark::State& s) { ViewerLoad(s, HugeObj()); }
void BM_AssimpInfoOBJ_5M(benchmark::State& s) { AssimpInfo(s, HugeObj()); }
BENCHMARK(BM_ViewerLoadOBJ_1M)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AssimpInfoOBJ_1M)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ViewerLoadOBJ_5M)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AssimpInfoOBJ_5M)->Unit(benchmark::kMillisecond)->UseRealTime();

// One frame of a normalised mesh filling the view: through its display list, or drawn directly
// (vertex arrays), or in immediate mode (no vertex normals: a face normal per face).
enum DrawMode { kList, kArrays, kImmediate };

void DrawFrames(benchmark::State& state, const std::string& path, DrawMode mode) {
    testsupport::GLTestHarness& gl = testsupport::GLTestHarness::Get();
    if (!gl.ok() || !gl.MakeCurrent()) {
        state.SkipWithError(("no GL context: " + gl.error()).c_str());
        return;
    }
    struct Mesh : shapeOBJ {
        void DropNormals() { m_normals.clear(); }
    } mesh;
    mesh.SetPart(0);
    mesh.SetUseDisplayList(mode == kList);
    if (path.empty() || !mesh.Load(wxString::FromUTF8(path))) {
        state.SkipWithError("mesh missing");
        return;
    }
    if (mode == kImmediate) mesh.DropNormals();
    mesh.SetSize(1.8f);
    mesh.Normalise();
    gl.ResetState();
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glMatrixMode(GL_MODELVIEW);
    glRotatef(-60, 1, 0, 0);
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        mesh.Draw();
        glFinish();
    }
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_COLOR_MATERIAL);
    gl.ResetState();
    state.counters["triangles"] = mesh.GetFaceCount();
}

void BM_Draw_Grid1M_List(benchmark::State& s) { DrawFrames(s, BigObj(), kList); }
void BM_Draw_Grid1M_Arrays(benchmark::State& s) { DrawFrames(s, BigObj(), kArrays); }
void BM_Draw_Grid1M_Immediate(benchmark::State& s) { DrawFrames(s, BigObj(), kImmediate); }
void BM_Draw_regr01_Arrays(benchmark::State& s) { DrawFrames(s, Largest("obj/regr01.obj"), kArrays); }

BENCHMARK(BM_Draw_Grid1M_List)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Draw_Grid1M_Arrays)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Draw_Grid1M_Immediate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Draw_regr01_Arrays)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

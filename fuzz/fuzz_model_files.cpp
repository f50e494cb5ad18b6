// libFuzzer target for the model files: the input is a combined model file (settings, segments,
// joints and display groups), built against a small recording with two force plates. Any text
// must build a model or be refused cleanly, without a toolkit assertion; a built model keeps its
// tables of the sizes it claims, and saves.
//   build-fuzz/fuzz/fuzz_model_files -max_len=65536 fuzz/corpus-model tests/data/model
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include <wx/debug.h>
#include <wx/init.h>
#include <wx/log.h>

#include "model/C3DModel.h"
#include "motion/TDataFile.h"

namespace {

class NullLog : public wxLog {
protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override {}
};

// A toolkit assertion is a dialog in the viewer: a finding here.
void AbortOnAssert(const wxString& file, int line, const wxString&, const wxString& condition, const wxString& message) {
    std::fprintf(stderr, "toolkit assertion %s:%d: %s %s\n", static_cast<const char*>(file.utf8_str()), line,
                 static_cast<const char*>(condition.utf8_str()), static_cast<const char*>(message.utf8_str()));
    std::abort();
}

std::unique_ptr<TDataFile> MakeRecording() {
    constexpr int kMarkers = 9, kFrames = 40;
    auto d = std::make_unique<TDataFile>(kMarkers, kFrames, 100.0f, 12, 2, 3);
    for (int plate = 0; plate < 2; ++plate) {
        int channels[8] = {};
        for (int c = 0; c < 6; ++c) channels[c] = 6 * plate + c + 1;
        const double x = 600.0 * plate;
        const double corners[12] = {x + 600, 400, 0, x, 400, 0, x, 0, 0, x + 600, 0, 0};
        const double origin[3] = {0, 0, -40};
        d->AddForcePlate(2, channels, corners, origin);
    }
    for (int c = 0; c < d->analog->GetCols(); ++c)
        for (int r = 0; r < 12; ++r) d->analog->SetValue(r, c, r % 6 == 2 ? 700.0 : 10.0 * std::sin(c + r));
    for (int f = 0; f < kFrames; ++f)
        for (int m = 0; m < kMarkers; ++m) {
            d->points->SetValue(3 * m, f, 100.0 * m + 5.0 * f);
            d->points->SetValue(3 * m + 1, f, 30.0 * (m % 3) + std::cos(0.1 * f + m));
            d->points->SetValue(3 * m + 2, f, 900.0 - 100.0 * (m / 3) + 20.0 * std::sin(0.2 * f));
        }
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static wxInitializer* toolkit = [] {
        auto* init = new wxInitializer;
        wxLog::SetActiveTarget(new NullLog);
        // The toolkit's file store (the save) formats a trace line for every line it writes, which
        // costs more than the writing; warnings and errors are still formatted, so that their
        // format strings are exercised.
        wxLog::SetLogLevel(wxLOG_Info);
        wxSetAssertHandler(AbortOnAssert);
        return init;
    }();
    static std::unique_ptr<TDataFile> recording = MakeRecording();
    static const std::string folder = [] {
        char name[] = "/dev/shm/dez-fuzz-model-XXXXXX";
        const char* made = mkdtemp(name);
        if (!made) std::abort();
        return std::string(made);
    }();
    // Gone with the process, with the saves and the meshes they copied beside them (registered
    // once the folder's name exists, so that it runs before the name is destroyed).
    static const bool removal = std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }) == 0;
    (void)removal;
    (void)toolkit;
    const std::string path = folder + "/model.ini";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    C3DModel model;
    if (model.BuildModel(recording.get(), wxString::FromUTF8(path), false)) {
        if (model.SegmentCount < 0 || model.SegmentCount > kBodySegmentSlots) std::abort();
        if (model.JointCount < 0 || model.JointCount > kBodyJointSlots) std::abort();
        if (model.segmentObjects.size() != size_t(model.SegmentCount)) std::abort();
        if (model.jointObjects.size() != size_t(model.JointCount)) std::abort();
        for (int i = -1; i <= model.SegmentCount + model.JointCount + 1; ++i) {
            model.UpdateSegmentObject(i, 5);
            model.UpdateJointObject(i - model.SegmentCount - 1, 5);
            float at[3];
            model.GetItemPosition(i, at);
            model.GetItemName(i);
            model.SelectItem(i + 100000, 1, true);
        }
        model.OffsetSelectedObjects(3, 4, 2);
        wxArrayInt selection;
        model.GetSelection(selection);
        model.SaveModel(wxString::FromUTF8(folder + "/saved.ini"));
    }
    return 0;
}

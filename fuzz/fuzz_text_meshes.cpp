// libFuzzer target for the SHL and TXV text meshes: the first byte picks the format, the rest is
// the file. Any text must load or be refused cleanly; a loaded mesh keeps its corners among its
// vertices.
//   build-fuzz/fuzz/fuzz_text_meshes -max_len=65536 fuzz/corpus-text
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include <wx/log.h>

#include "shapes/shapeSHL.h"
#include "shapes/shapeTVP.h"

namespace {

class NullLog : public wxLog {
protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override {}
};

template <typename Shape>
void LoadOne(const std::string& text) {
    Shape shape;
    shape.SetUseDisplayList(false);
    std::istringstream in(text);
    if (!shape.Load(in)) return;
    const int vertices = shape.GetVertexCount();
    const int32_t* f = shape.GetFaces();
    for (int i = 0; i < shape.GetFaceCount(); ++i) {
        const int corners = f[i * 5];
        if (corners < 0 || corners > 4) std::abort();
        for (int c = 1; c <= corners; ++c)
            if (f[i * 5 + c] < 0 || f[i * 5 + c] >= vertices) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The refusals' messages are not what is tested.
    static const bool quiet = (wxLog::SetActiveTarget(new NullLog), true);
    (void)quiet;
    if (size == 0) return 0;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1) LoadOne<shapeSHL>(text);
    else LoadOne<shapeTVP>(text);
    return 0;
}

// libFuzzer target for the indexed OBJ loader: the bytes become an OBJ file (in /dev/shm when
// there is one, the loader reads paths), which is indexed and read whole and group by group. Any
// file must load or be refused cleanly, with every corner among the vertices read.
//   build-fuzz/fuzz/fuzz_obj_loader -max_len=65536 fuzz/corpus-obj <seed folders>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <wx/log.h>

#include "platform/Paths.h"
#include "platform/SafeWriter.h"
#include "shapes/objloader.h"

namespace {

class NullLog : public wxLog {
protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override {}
};

void Check(const std::vector<float>& v, const std::vector<int32_t>& f) {
    const auto count = int32_t(v.size() / 3);
    for (size_t i = 0; i < f.size(); i += 5)
        for (int c = 1; c <= 3; ++c)
            if (f[i + c] < 0 || f[i + c] >= count) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = [] {
        wxLog::SetActiveTarget(new NullLog);
        const std::string base = dez::IsDirectory("/dev/shm") ? "/dev/shm" : dez::TempDirectory();
        return dez::JoinPath(base, "dez-fuzz-obj-" + std::to_string(getpid()));
    }();
    static const bool made = (::mkdir(folder.c_str(), 0700), true);
    (void)made;
    const std::string path = folder + "/f.obj";
    dez::WriteFileAtomically(path, data, size);
    ::unlink((folder + "/f.idx").c_str());
    objloader loader(path, true);
    std::vector<float> v;
    std::vector<int32_t> f;
    if (loader.ReadAll(v, f)) Check(v, f);
    for (int g = 0; g <= loader.CountGroups() + 1 && g < 64; ++g)
        if (loader.ReadGroup(g, v, f, true)) Check(v, f);
    return 0;
}

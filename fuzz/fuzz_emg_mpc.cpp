// libFuzzer target for the EMG import and the MPC/CME text reader: the first byte picks the
// reader, the rest is the file (an MPC recording gets a .vm companion after the separator "#VM#").
//   build-fuzz/fuzz/fuzz_emg_mpc -max_len=65536 CORPUS SEEDS
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "motion/TDataFile.h"

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        char name[] = "/tmp/fuzz-emg-XXXXXX";
        const char* made = mkdtemp(name);
        if (!made) std::abort();
        return std::string(made);
    }();
    return folder;
}

void Put(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool emg = data[0] % 2 == 0;
    ++data;
    --size;
    if (emg) {
        const std::string path = Folder() + "/trial.emg";
        Put(path, data, size);
        TDataFile d(2, 10, 100.0f, 0, 1, 3);
        d.verbose = false;
        if (d.ImportAnalogFile(path.c_str())) {
            char label[256];
            for (int32_t n = 1; n <= d.GetAnalogChannelCount(); ++n) d.GetAnalogLabel(label, n);
        }
        return 0;
    }
    const std::string sep = "#VM#";
    const uint8_t* cut = std::search(data, data + size, sep.begin(), sep.end());
    const std::string path = Folder() + "/walk.mpc";
    const std::string vm = Folder() + "/walk.vm";
    Put(path, data, static_cast<size_t>(cut - data));
    if (cut != data + size) {
        Put(vm, cut + sep.size(), static_cast<size_t>(data + size - cut) - sep.size());
    } else {
        unlink(vm.c_str());
    }
    TDataFile d(nullptr);
    d.verbose = false;
    if (d.LoadFile(path.c_str(), kFileDetect, true)) {
        char label[256];
        for (int32_t i = 0; i < d.GetNumberOfPoints() + 2; ++i) d.GetPointLabel(label, i);
    }
    return 0;
}

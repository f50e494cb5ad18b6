// libFuzzer target for the EMG import and the MPC/CME text reader: the first byte picks the
// reader, the rest is the file (an MPC recording gets a .vm companion after the separator "#VM#").
//   build-fuzz/fuzz/fuzz_emg_mpc -max_len=65536 CORPUS SEEDS
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "motion/TDataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool emg = data[0] % 2 == 0;
    ++data;
    --size;
    if (emg) {
        const std::string path = fuzzsupport::WriteFolderFile("trial.emg", data, size);
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
    const std::string path = fuzzsupport::WriteFolderFile("walk.mpc", data, static_cast<size_t>(cut - data));
    if (cut != data + size) {
        fuzzsupport::WriteFolderFile("walk.vm", cut + sep.size(),
                                     static_cast<size_t>(data + size - cut) - sep.size());
    } else {
        fuzzsupport::RemoveFolderFile("walk.vm");
    }
    TDataFile d(nullptr);
    d.verbose = false;
    if (d.LoadFile(path.c_str(), kFileDetect, true)) {
        char label[256];
        for (int32_t i = 0; i < d.GetNumberOfPoints() + 2; ++i) d.GetPointLabel(label, i);
    }
    return 0;
}

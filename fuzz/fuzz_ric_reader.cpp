// libFuzzer target for the RIC-family reader with its companions: the input is cut at the
// separator "#RIC#" into the recording, its .ang, .mom and .pwr files, the .inf and .pl1 plate
// files and two .gr files, written as files beside each other and loaded; whatever loads must also
// answer the plate queries. The first byte picks the extension (only .RIC and .RIF read companions).
//   build-fuzz/fuzz/fuzz_ric_reader -max_len=65536 CORPUS SEEDS
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "motion/TDataFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const char* const kRecordings[4] = {"walk.RIC", "walk.rif", "walk.RAW", "walk.rah"};
    static const char* const kCompanions[] = {"walk.ang", "walk.MOM", "walk.pwr", "walk.inf",
                                              "walk.pl1", "walk.gr1", "walk.GR2"};
    const char* const recordingName = kRecordings[data[0] % 4];
    ++data;
    --size;
    // Cut the rest into parts.
    const std::string sep = "#RIC#";
    std::vector<std::pair<size_t, size_t>> parts;
    size_t start = 0;
    for (size_t i = 0; i + sep.size() <= size; ++i) {
        if (std::equal(sep.begin(), sep.end(), data + i)) {
            parts.emplace_back(start, i - start);
            start = i + sep.size();
            i = start - 1;
        }
    }
    parts.emplace_back(start, size - start);
    for (const char* r : kRecordings) fuzzsupport::RemoveFolderFile(r);
    const std::string recording =
        fuzzsupport::WriteFolderFile(recordingName, data + parts[0].first, parts[0].second);
    for (size_t k = 0; k < sizeof kCompanions / sizeof kCompanions[0]; ++k) {
        if (k + 1 < parts.size())
            fuzzsupport::WriteFolderFile(kCompanions[k], data + parts[k + 1].first, parts[k + 1].second);
        else
            fuzzsupport::RemoveFolderFile(kCompanions[k]);
    }

    TDataFile d(nullptr);
    d.verbose = false;
    if (!d.LoadFile(recording.c_str(), kFileDetect, true)) return 0;
    TPlateForces forces;
    for (int32_t p = 0; p < d.GetPlateCount(); ++p) {
        for (int32_t c = 0; d.analog && c < d.analog->GetCols(); c += 7) d.GetPlateForces(p, c, &forces, 5.0f, false);
    }
    char label[256];
    for (int32_t i = 0; i < d.GetNumberOfPoints(); ++i) d.GetPointLabel(label, i);
    return 0;
}

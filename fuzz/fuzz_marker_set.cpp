// libFuzzer target for marker label files (.mkr), versions 1 and 2, for one subject and for a
// recording of two subjects, read into a link structure with and without reordering.
//   build-fuzz/fuzz/fuzz_marker_set -max_len=65536 CORPUS fuzz/seeds/marker_set
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "motion/LabelledItem.h"
#include "motion/MkrFile.h"
#include "motion/TDataFile.h"
#include "motion/TStructure.h"

namespace {

const char* const kLabels[] = {"A", "B", "C", "D", "Bob:A", "Bob:B", "Eve:A", "Eve:B", " a "};
constexpr int kPoints = static_cast<int>(sizeof kLabels / sizeof kLabels[0]);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzzsupport::WriteInput(data, size, ".mkr");
    GetMkrVersion(path);
    for (int variant = 0; variant < 4; ++variant) {
        TDataFile d(kPoints, 2, 100.0f, 0, 1, 3);
        d.verbose = false;
        d.markerSetFlag = static_cast<uint8_t>(variant & 1);
        for (int i = 0; i < kPoints; ++i) d.SetPointLabel(kLabels[i], i, nullptr, nullptr);
        if (variant >= 2) {
            d.usesPrefixes = true;
            d.subjectNames = TDataFile::MakeLabelList(0, nullptr);
            d.subjectNames->Add(LabelledItem(1, "Bob"));
            d.subjectNames->Add(LabelledItem(2, "Eve"));
            d.subjectsUsed = 2;
        }
        TStructure links(nullptr, 0, 0.0f);
        const char* section = (variant & 1) ? "[Other]" : nullptr;
        if (!d.LoadMkrFile(path.c_str(), section, &links)) continue;
        if (d.GetPointCount() != kPoints) __builtin_trap();
        for (int32_t i = 0; i < links.GetSegmentCount(); ++i) links.GetSegmentText(i);
    }
    return 0;
}

// libFuzzer target for skeleton files (.vsk): the reader alone, then read beside a recording
// into a link structure, with and without reordering the recording's points.
//   build-fuzz/fuzz/fuzz_skeleton -max_len=65536 CORPUS fuzz/seeds/skeleton
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "motion/TDataFile.h"
#include "motion/TStructure.h"
#include "motion/TVskFile.h"
#include "motion/XmlParser.h"

namespace {

// Labels the seeds use, a repeat and one that differs only in case and blanks.
const char* const kLabels[] = {"LASI", "RASI", "LPSI", "RPSI", "A", "B", "C", " lasi ", "A"};
constexpr int kPoints = static_cast<int>(sizeof kLabels / sizeof kLabels[0]);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzzsupport::WriteInput(data, size, ".vsk");
    XmlSetParseOptions(kXmlEncodingUtf8, true, true, true);
    const TVskFile vsk(path.c_str());
    for (const VskMarker& m : vsk.markers()) vsk.FindMarker(m.name.c_str());

    for (int reorder = 0; reorder < 2; ++reorder) {
        TDataFile d(kPoints, 2, 100.0f, 0, 1, 3);
        d.verbose = false;
        d.markerSetFlag = static_cast<uint8_t>(reorder);
        for (int i = 0; i < kPoints; ++i) d.SetPointLabel(kLabels[i], i, nullptr, nullptr);
        TStructure links(nullptr, 0, 0.0f);
        if (!d.LoadVskFile(path.c_str(), &links)) continue;
        if (d.GetPointCount() != kPoints) __builtin_trap();  // a reorder moves points, never drops one
        for (int32_t i = 0; i < links.GetSegmentCount(); ++i) links.GetSegmentText(i);
    }
    return 0;
}

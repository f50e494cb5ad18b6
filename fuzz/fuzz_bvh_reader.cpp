// libFuzzer target for the BVH reader: any bytes must load or fail cleanly, and whatever loads
// must pose at any time and export its pose.
//   build-fuzz/fuzz/fuzz_bvh_reader -max_len=65536 fuzz/corpus-bvh <seed folders>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string_view>

#include "motion/BvhParser.h"
#include "motion/Joint.h"
#include "motion/RecordedMotion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    BvhParser parser("fuzz.bvh", 2.5);
    parser.SetQuiet(true);
    std::unique_ptr<Joint> root;
    std::unique_ptr<RecordedMotion> motion;
    if (!parser.LoadFromBuffer(std::string_view(reinterpret_cast<const char*>(data), size), root, motion))
        return 0;
    const double d = motion->GetDuration();
    for (double t : {0.0, 0.37 * d, d, 1.5 * d, -d, parser.GetFrameTime()}) {
        root->UpdatePose(*motion, t, Point3D(), Quaternion());
        std::ostringstream out;
        root->ExportPovRay(out);
    }
    return 0;
}

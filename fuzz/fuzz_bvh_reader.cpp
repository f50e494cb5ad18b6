// libFuzzer target for the BVH reader: any bytes must load or fail cleanly, and whatever loads
// must pose at any time and export its pose. Its number conversion is checked on the side.
//   build-fuzz/fuzz/fuzz_bvh_reader -max_len=65536 fuzz/corpus-bvh <seed folders>
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string_view>

#include "motion/BvhParser.h"
#include "motion/Joint.h"
#include "motion/RecordedMotion.h"
#include "platform/NumberText.h"

namespace {

// The reader's number conversion must take and give what from_chars does, bit for bit.
void CheckNumber(const char* first, const char* last) {
    double fast = 0, reference = 0;
    const bool ok = dez::ParseDecimal(first, last, fast);
    const std::from_chars_result r = std::from_chars(first, last, reference);
    if (ok != (r.ec == std::errc() && r.ptr == last)) std::abort();
    if (ok && std::memcmp(&fast, &reference, sizeof fast) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    // The input's first line, and its last 24 bytes, each read as one number.
    const char* newline = static_cast<const char*>(std::memchr(text, '\n', size));
    CheckNumber(text, newline ? newline : text + size);
    CheckNumber(text + size - std::min<size_t>(size, 24), text + size);
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

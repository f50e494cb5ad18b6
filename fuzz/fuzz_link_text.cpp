// libFuzzer target for link texts. The first line is the structure's text, each further line a
// chain added with AddSegment (a line starting with '!' takes a point out instead, one with '?'
// hands out a chain). Two structures follow the same steps, one adding chains as the program
// does and one rebuilding from the joined text each time; any difference between them traps.
//   build-fuzz/fuzz/fuzz_link_text -max_len=65536 CORPUS fuzz/seeds/link_text
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "motion/TSegment.h"
#include "motion/TStructure.h"
#include "platform/NumberText.h"

namespace {

bool AddByRebuild(TStructure& s, const std::string& chain) {
    TSegment probe(chain.c_str(), s.GetPointCount(), kSegmentCapacity, -1.0f);
    if (!s.IsNewSegment(&probe)) return false;
    s.SetError(probe.Parse(false));
    if (s.GetError() != 0) return false;
    const std::string old = s.GetText() ? s.GetText() : "";
    const std::string joined = old.empty() ? chain : old + "," + chain;
    s.Set(joined.c_str(), s.GetPointCount(), s.GetMissingValue());
    return true;
}

std::string Outline(const TStructure& s) {
    std::string out = s.GetText() ? s.GetText() : "(none)";
    out += "|" + std::to_string(s.GetError()) + "|" + std::to_string(s.GetLineCount());
    for (int32_t i = 0; i < s.GetSegmentCount(); ++i) out += "|" + s.GetSegmentText(i);
    int32_t isolated[16];
    out += "|" + std::to_string(s.GetIsolatedPoints(isolated, 16));
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // Few points, so that chains often parse; up to 65536 for large numbers.
    const int32_t raw = data[0] | ((data[1] & 0x0F) << 8);
    const int32_t points = 1 + raw % ((data[1] & 0x80) ? 65536 : 16);
    const std::string input(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::vector<std::string> lines;
    for (size_t start = 0; start <= input.size();) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        lines.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    TStructure added(lines[0].c_str(), points, 0.0f);
    TStructure rebuilt(lines[0].c_str(), points, 0.0f);
    for (size_t k = 1; k < lines.size(); ++k) {
        const std::string& line = lines[k];
        if (!line.empty() && line[0] == '!') {
            const int32_t number = dez::AtoI(line.c_str() + 1);
            added.RemovePoint(number);
            rebuilt.RemovePoint(number);
        } else if (!line.empty() && line[0] == '?') {
            added.GetSegment(0);
        } else if (added.AddSegment(line.c_str()) != AddByRebuild(rebuilt, line)) {
            __builtin_trap();
        }
        if (Outline(added) != Outline(rebuilt)) __builtin_trap();
    }
    return 0;
}

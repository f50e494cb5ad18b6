// Text parsers on inputs crafted to cost the most per byte: an XML element folding a comment
// every few bytes, link texts of many chains (at once and one chain at a time), and a skeleton
// file with many markers read into a link structure. Each should grow linearly with its size.
// Run: build/bench/bench_parsers
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "motion/TDataFile.h"
#include "motion/TStructure.h"
#include "motion/XmlParser.h"
#include "platform/Paths.h"

namespace {

// "<a>" + "<b/>t<!---->t" repeated up to about `bytes` + "</a>": every comment is folded.
std::string FoldingDocument(int64_t bytes) {
    const std::string unit = "<b/>t<!---->t";
    std::string text = "<a>";
    text.reserve(static_cast<size_t>(bytes) + 16);
    while (static_cast<int64_t>(text.size() + unit.size()) < bytes) text += unit;
    return text + "</a>";
}

void BM_XmlCommentFolding(benchmark::State& state) {
    XmlSetParseOptions(kXmlEncodingUtf8, true, true, true);
    const std::string text = FoldingDocument(state.range(0));
    for (auto _ : state) {
        XmlParseResult r;
        XmlTreeNode root = XmlParseDocumentText(text.c_str(), nullptr, &r);
        if (r.code != kXmlOk || root.TextCount() == 0) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(root);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_XmlCommentFolding)->Arg(64 << 10)->Arg(256 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// Chain k links markers k and k + 1.
std::string Chain(int32_t k) { return std::to_string(k) + "-" + std::to_string(k + 1); }

void BM_LinkTextWhole(benchmark::State& state) {
    const auto chains = static_cast<int32_t>(state.range(0));
    std::string text;
    for (int32_t k = 1; k <= chains; ++k) text += (k > 1 ? "," : "") + Chain(k);
    for (auto _ : state) {
        TStructure s(nullptr, chains + 1, 0.0f);
        s.Set(text.c_str(), chains + 1, 0.0f);
        if (s.GetSegmentCount() != chains) state.SkipWithError("chains lost");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * chains);
}
BENCHMARK(BM_LinkTextWhole)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// As the display settings are read back: one AddSegment per link.
void BM_LinkTextOneByOne(benchmark::State& state) {
    const auto chains = static_cast<int32_t>(state.range(0));
    std::vector<std::string> texts;
    for (int32_t k = 1; k <= chains; ++k) texts.push_back(Chain(k));
    for (auto _ : state) {
        TStructure s(nullptr, chains + 1, 0.0f);
        for (const std::string& chain : texts) s.AddSegment(chain.c_str());
        if (s.GetSegmentCount() != chains) state.SkipWithError("chains lost");
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * chains);
}
BENCHMARK(BM_LinkTextOneByOne)->Arg(2000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A skeleton of `markers` markers M0, M1, ... with a stick between each even marker and the
// next among the first 200 (the recording's link text holds no more than about that), read
// beside a recording of the first `points` of them.
void SkeletonColours(benchmark::State& state, int32_t markers, int32_t points) {
    std::string xml = "<?xml version=\"1.0\"?>\n<KinematicModel><MarkerSet><Markers>\n";
    for (int32_t m = 0; m < markers; ++m)
        xml += "<Marker NAME=\"M" + std::to_string(m) + "\" RADIUS=\"14\" RGB=\"" + std::to_string(m % 256) +
               " 20 30\"/>\n";
    xml += "</Markers><Sticks>\n";
    for (int32_t m = 0; m + 1 < markers && m < 200; m += 2)
        xml += "<Stick MARKER1=\"M" + std::to_string(m) + "\" MARKER2=\"M" + std::to_string(m + 1) +
               "\" RGB=\"255 0 0\"/>\n";
    xml += "</Sticks></MarkerSet></KinematicModel>\n";
    const std::string file = dez::MakeTempFile(dez::TempDirectory(), "dez_bench_vsk_", ".vsk");
    if (FILE* f = std::fopen(file.c_str(), "wb")) {
        std::fwrite(xml.data(), 1, xml.size(), f);
        std::fclose(f);
    }
    for (auto _ : state) {
        state.PauseTiming();
        TDataFile d(points, 2, 100.0f, 0, 1, 3);
        d.verbose = false;
        // Reversed, so that the skeleton reorders every point.
        for (int32_t i = 0; i < points; ++i)
            d.SetPointLabel(("M" + std::to_string(points - 1 - i)).c_str(), i, nullptr, nullptr);
        TStructure links(nullptr, 0, 0.0f);
        state.ResumeTiming();
        if (!d.LoadVskFile(file.c_str(), &links)) state.SkipWithError("skeleton refused");
        benchmark::DoNotOptimize(links.GetSegmentCount());
    }
    std::remove(file.c_str());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * markers);
}

void BM_SkeletonManyMarkers(benchmark::State& state) {
    SkeletonColours(state, static_cast<int32_t>(state.range(0)), 200);
}
BENCHMARK(BM_SkeletonManyMarkers)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// As many points as markers: every marker reaches the links.
void BM_SkeletonManyPoints(benchmark::State& state) {
    SkeletonColours(state, static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(0)));
}
BENCHMARK(BM_SkeletonManyPoints)->Arg(5000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

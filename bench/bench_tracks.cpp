// Loading large text tables: a TRC track of 100 markers x 100,000 frames (about 300 MB), an ANC
// analog companion and a TX table, each next to reading the same file as `cat` does (128 KiB
// reads into one buffer). Compare the load with the read of the same run ("x_cat", each load
// against a read just before it): the machine's load moves both alike. The counters give the
// peak resident memory of a load (reset before it) against the table and the file it reads.
// Run: build/bench/bench_tracks (the files are generated in a temporary folder at start).
#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "motion/TDataFile.h"
#include "platform/Paths.h"
#include "platform/SafeWriter.h"

namespace {

constexpr int kMarkers = 100;
constexpr int kFrames = 100000;
constexpr int kChannels = 16;
constexpr int kSamples = 1000000;
constexpr int kSignals = 100;
constexpr int kRows = 100000;

void Append(std::string& out, double v) {
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 4);
    out.append(text, r.ptr);
}

std::string WriteOrDie(const std::string& path, const std::string& text) {
    if (!dez::WriteFileAtomically(path, text.data(), text.size())) std::abort();
    return path;
}

struct Files {
    std::string trc, anc, tx;
};

const Files& Generated() {
    static const Files files = [] {
        Files f;
        const std::string base = dez::MakeTempFile(dez::TempDirectory(), "dez_bench_tracks_", ".trc");
        f.trc = base;
        f.anc = base.substr(0, base.size() - 4) + ".anc";
        f.tx = base + ".tx";
        std::string text;
        text.reserve(size_t(320) << 20);
        text += "PathFileType\t4\t(X/Y/Z)\tbench.trc\n"
                "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\n"
                "100\t100\t" + std::to_string(kFrames) + "\t" + std::to_string(kMarkers) + "\tmm\n"
                "Frame#\tTime";
        for (int m = 0; m < kMarkers; ++m) text += "\tM" + std::to_string(m) + "\t\t";
        text += "\n\t";
        for (int m = 0; m < kMarkers; ++m) text += "\tX" + std::to_string(m + 1) + "\tY\tZ";
        text += "\n\n";
        for (int f0 = 0; f0 < kFrames; ++f0) {
            text += std::to_string(f0 + 1);
            text += '\t';
            Append(text, f0 / 100.0);
            for (int m = 0; m < kMarkers; ++m)
                for (int c = 0; c < 3; ++c) {
                    text += '\t';
                    // Every 50th marker of every 7th frame is missing.
                    if (m % 50 == 7 && f0 % 7 == 0) continue;
                    Append(text, 1000.0 * std::sin(0.001 * f0 + 0.1 * m + c) + 0.37 * c);
                }
            text += '\n';
        }
        WriteOrDie(f.trc, text);

        text.clear();
        text += "File_Type:\tAnalog R/C ASCII\tGeneration#:\t2\n"
                "Board_Type:\tbench\tPolarity:\tBipolar\n"
                "Trial_Name:\tbench\tTrial#:\t1\tDuration(Sec.):\t" + std::to_string((kSamples - 1) / 1000) +
                "\t#Channels:\t" + std::to_string(kChannels) + "\n"
                "BitDepth:\t16\tPreciseRate:\t1000.0\n\n\n\n\nName";
        for (int k = 0; k < kChannels; ++k) text += "\tA" + std::to_string(k + 1);
        text += "\nRate";
        for (int k = 0; k < kChannels; ++k) text += "\t1000";
        text += "\nRange";
        for (int k = 0; k < kChannels; ++k) text += "\t10000";
        text += "\n";
        for (int s = 0; s < kSamples; ++s) {
            Append(text, s / 1000.0);
            for (int k = 0; k < kChannels; ++k) {
                text += '\t';
                text += std::to_string((s * 31 + k * 977) % 65536 - 32768);
            }
            text += '\n';
        }
        WriteOrDie(f.anc, text);

        text.clear();
        for (int r = 0; r < kRows; ++r) {
            for (int k = 0; k < kSignals; ++k) {
                if (k > 0) text += '\t';
                Append(text, 100.0 * std::cos(0.002 * r + k));
            }
            text += "\r\n";
        }
        WriteOrDie(f.tx, text);
        return f;
    }();
    return files;
}

// Resets the peak resident size the kernel keeps for this process; false when it cannot.
bool ResetPeak() {
    const int fd = ::open("/proc/self/clear_refs", O_WRONLY);
    if (fd < 0) return false;
    const bool ok = ::write(fd, "5", 1) == 1;
    ::close(fd);
    return ok;
}

// Peak resident size in MiB ("VmHWM"), or -1.
double PeakMiB() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    double kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %lf kB", &kib) == 1) break;
    std::fclose(f);
    return kib < 0 ? -1 : kib / 1024.0;
}

double CurrentMiB() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    double kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmRSS: %lf kB", &kib) == 1) break;
    std::fclose(f);
    return kib < 0 ? -1 : kib / 1024.0;
}

// What `cat file > /dev/null` does: the bytes read, 0 when the file does not open.
size_t CatOnce(const std::string& path) {
    static char buffer[128 * 1024];
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    size_t total = 0;
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) total += size_t(got);
    ::close(fd);
    return total;
}

void Cat(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        const size_t total = CatOnce(path);
        if (total == 0) {
            state.SkipWithError("cannot open");
            return;
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["file_MiB"] = double(dez::FileSize(path)) / (1 << 20);
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Each load is paired with a cat of the same file just before it: "x_cat" is the ratio of their
// total times, which a busy machine moves less than either time.
template <typename LoadFn>
void Load(benchmark::State& state, const std::string& path, LoadFn&& load) {
    double peak = 0, before = 0, table = 0, catSeconds = 0, loadSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(CatOnce(path));
        catSeconds += Seconds(start);
        TDataFile* d = new TDataFile(nullptr);
        d->verbose = false;
        before = CurrentMiB();
        const bool reset = ResetPeak();
        state.ResumeTiming();
        start = std::chrono::steady_clock::now();
        const bool ok = load(*d);
        loadSeconds += Seconds(start);
        state.PauseTiming();
        if (reset) peak = PeakMiB() - before;
        const Matrix2D* m = d->points ? d->points : d->analog;
        table = m ? double(m->size) * sizeof(double) / (1 << 20) : 0;
        delete d;
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("load failed");
            return;
        }
    }
    state.counters["file_MiB"] = double(dez::FileSize(path)) / (1 << 20);
    state.counters["table_MiB"] = table;
    state.counters["peak_MiB"] = peak;
    state.counters["x_cat"] = catSeconds > 0 ? loadSeconds / catSeconds : 0;
}

void BM_CatTRC(benchmark::State& s) { Cat(s, Generated().trc); }
void BM_LoadTRC(benchmark::State& s) {
    Load(s, Generated().trc, [](TDataFile& d) { return d.ReadTRC(Generated().trc.c_str()); });
}
void BM_CatANC(benchmark::State& s) { Cat(s, Generated().anc); }
void BM_LoadANC(benchmark::State& s) {
    Load(s, Generated().anc, [](TDataFile& d) { return d.ReadANC(Generated().trc.c_str()); });
}
void BM_CatTX(benchmark::State& s) { Cat(s, Generated().tx); }
void BM_LoadTX(benchmark::State& s) {
    Load(s, Generated().tx, [](TDataFile& d) { return d.ReadTX(Generated().tx.c_str(), true); });
}

BENCHMARK(BM_CatTRC)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadTRC)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CatANC)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadANC)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CatTX)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadTX)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const int status = benchmark::ReportUnrecognizedArguments(argc, argv) ? 1 : 0;
    if (status == 0) benchmark::RunSpecifiedBenchmarks();
    const Files& f = Generated();
    for (const std::string& p : {f.trc, f.anc, f.tx}) std::remove(p.c_str());
    benchmark::Shutdown();
    return status;
}

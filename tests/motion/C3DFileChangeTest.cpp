// A C3D file rewritten by another program while it is loaded: every load holds one whole version
// of the file or fails with "<path> changed while it was read", never frames of two versions.
#include "motion/TC3DData.h"
#include "platform/ByteReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/FileRewriter.h"
#include "support/TestSupport.h"

namespace {

using testsupport::FileRewriter;

std::unique_ptr<TC3DData> Load(const std::string& path) {
    auto d = std::make_unique<TC3DData>();
    d->verbose = false;
    d->LoadC3D(path.c_str(), false, true, true);
    return d;
}

// The trial with every marker mirrored through the origin: a second version of the same size,
// whose frames differ from the first's wherever a marker was seen. The file is a little-endian
// float file: the header gives the points and analog values of a frame and the data's block.
std::string Mirrored(std::string bytes) {
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    const size_t points = dez::LoadU16LE(b + 2);
    const size_t analog = dez::LoadU16LE(b + 4);
    const size_t frames = size_t(dez::LoadU16LE(b + 8)) - dez::LoadU16LE(b + 6) + 1;
    const size_t data = (size_t(dez::LoadU16LE(b + 16)) - 1) * 512;
    const size_t frameBytes = (4 * points + analog) * 4;
    for (size_t f = 0; f < frames; ++f)
        for (size_t p = 0; p < points; ++p)
            for (size_t k = 0; k < 3; ++k) {
                const size_t sign = data + f * frameBytes + p * 16 + k * 4 + 3;
                if (sign < bytes.size()) bytes[sign] = char(bytes[sign] ^ 0x80);
            }
    return bytes;
}

// Frames of the load that are those of the version, from the first on.
int32_t FramesAlike(const TC3DData& load, const TC3DData& version) {
    if (load.GetFrameCount() != version.GetFrameCount() || !load.points || !version.points ||
        load.points->rows != version.points->rows || (load.analog == nullptr) != (version.analog == nullptr))
        return 0;
    const size_t pointRows = size_t(load.points->rows);
    const size_t analogPerFrame =
        load.analog ? size_t(load.analog->size) / size_t(std::max(1, load.GetFrameCount())) : 0;
    int32_t f = 0;
    for (; f < load.GetFrameCount(); ++f) {
        if (std::memcmp(load.points->data + f * pointRows, version.points->data + f * pointRows,
                        pointRows * sizeof(double)) != 0)
            break;
        if (analogPerFrame > 0 && std::memcmp(load.analog->data + f * analogPerFrame,
                                              version.analog->data + f * analogPerFrame,
                                              analogPerFrame * sizeof(double)) != 0)
            break;
    }
    return f;
}

// The frames a load found in a file cut short, from its note; all of them when there is none.
int32_t FramesPresent(const TC3DData& load) {
    long long present = 0, claimed = 0;
    const char* note = std::strstr(load.errorText, "ends early: ");
    if (note && std::sscanf(note, "ends early: %lld of %lld", &present, &claimed) == 2) return int32_t(present);
    return load.GetFrameCount();
}

// "" when a successful load holds one version, whole, or the first frames of one version with
// the note that the file ends early (a file caught empty or half-written by a writer that
// truncates holds just that: a state the file was really in).
std::string Fault(const TC3DData& load, const std::vector<std::unique_ptr<TC3DData>>& versions, bool cutShort) {
    for (const auto& v : versions) {
        const int32_t alike = FramesAlike(load, *v);
        if (alike == load.GetFrameCount() && std::string(load.errorText) == v->errorText) return "";
        if (cutShort && alike >= FramesPresent(load) && FramesPresent(load) < load.GetFrameCount()) return "";
    }
    std::string alike;
    for (const auto& v : versions) alike += " " + std::to_string(FramesAlike(load, *v));
    return "a load holding no single version: frames alike from the first," + alike + " of " +
           std::to_string(load.GetFrameCount()) + " (" + load.errorText + ")";
}

TEST(C3DFileChange, ALoadIsOneVersionOrSaysTheFileChanged) {
    const std::string sample = testsupport::SampleFile("c3d/sample_01/Eb015pr.c3d");
    ASSERT_FALSE(sample.empty());
    testsupport::TempDir dir;
    const std::vector<std::string> contents = {testsupport::ReadFileBytes(sample), Mirrored(testsupport::ReadFileBytes(sample))};
    ASSERT_EQ(contents[0].size(), contents[1].size());
    std::vector<std::unique_ptr<TC3DData>> versions;
    for (size_t k = 0; k < contents.size(); ++k) {
        const std::string path = dir.file("version" + std::to_string(k) + ".c3d");
        ASSERT_TRUE(testsupport::WriteFileBytes(path, contents[k]));
        versions.push_back(Load(path));
        ASSERT_GT(versions.back()->GetFrameCount(), 0) << versions.back()->errorText;
    }
    ASSERT_LT(FramesAlike(*versions[0], *versions[1]), versions[0]->GetFrameCount());
    // A writer that pauses must leave the file steady for several loads at a time, however slow
    // this build loads (a sanitizer build takes many times longer).
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) Load(dir.file("version0.c3d"));
    const auto loadTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start) / 10;

    struct Case {
        const char* what;
        FileRewriter::Mode mode;
        std::chrono::microseconds pause;
        size_t rewrites;  // at least this many while it is loaded
    };
    using std::chrono::microseconds;
    const Case cases[] = {
        {"written over in place, 2 ms apart", FileRewriter::Mode::WriteOver, microseconds(2000), 200},
        {"written over in place without pause", FileRewriter::Mode::WriteOver, microseconds(0), 200},
        {"truncated and written, 2 ms apart", FileRewriter::Mode::TruncateAndWrite, microseconds(2000), 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("trial.c3d");
        ASSERT_TRUE(testsupport::WriteFileBytes(path, contents[0]));
        const std::string changed = path + " changed while it was read";
        const bool truncates = c.mode == FileRewriter::Mode::TruncateAndWrite;
        size_t loads = 0, whole = 0;
        std::string fault;
        {
            const microseconds pause = c.pause.count() > 0 ? std::max(c.pause, 4 * loadTime) : c.pause;
            FileRewriter rewriter(path, contents, c.mode, pause);
            ASSERT_TRUE(rewriter.ok());
            // Bounded only so that a writer that stalls fails the test instead of hanging it.
            while ((loads < 3000 || rewriter.rewrites() < c.rewrites) && loads < 100000 && fault.empty()) {
                ++loads;
                const auto load = Load(path);
                if (load->GetFrameCount() > 0) {
                    fault = Fault(*load, versions, truncates);
                    ++whole;
                } else if (!truncates && load->errorText != changed) {
                    // Written over in place, the file is always one whole version or changing.
                    fault = std::string("unexpected error: ") + load->errorText;
                }
            }
            EXPECT_TRUE(rewriter.ok());
            if (fault.empty()) {
                EXPECT_GE(rewriter.rewrites(), c.rewrites) << "the file was not rewritten while it was loaded";
            }
        }
        EXPECT_EQ(fault, "") << "after " << loads << " loads";
        // A writer that never pauses may keep every load from finding the file steady.
        if (c.pause.count() > 0) {
            EXPECT_GT(whole, 0u) << "no load succeeded";
        }
        // Once the writer is done the file loads whole again.
        const auto last = Load(path);
        EXPECT_EQ(Fault(*last, versions, false), "");
    }
}

}  // namespace

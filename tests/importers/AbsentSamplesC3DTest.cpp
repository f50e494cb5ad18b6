// Recordings of the track, RIC and TAF formats saved as C3D and read back: a marker the file gives
// as absent in a frame is an invalid point after the round trip, never a valid point at the
// origin; every present sample stays valid with its coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "motion/TDataFile.h"
#include "platform/ByteReader.h"
#include "support/TestSupport.h"

namespace {

using Samples = std::set<std::pair<int32_t, int32_t>>;  // (point, frame)

// Writes the recording's files into `dir` and returns the one to load.
using Maker = std::function<std::string(const testsupport::TempDir& dir)>;

// The samples the loaded files give as absent.
using Oracle = std::function<Samples(const testsupport::TempDir& dir, const TDataFile& loaded)>;

struct Case {
    const char* name;
    Maker make;
    Oracle absent;
    int32_t points = 0;  // expected point count, 0: any
};

std::string Write(const testsupport::TempDir& dir, const char* name, const std::string& bytes) {
    const std::string path = dir.file(name);
    return testsupport::WriteFileBytes(path, bytes) ? path : std::string();
}

std::string Text(const dez::ByteWriter& w) { return std::string(w.bytes().begin(), w.bytes().end()); }

// Three markers over three frames. Frame 2: A has an empty field, B's line ends before it; the
// last frame stops after A, so B and C are absent there.
std::string MakeTrc(const testsupport::TempDir& dir) {
    const std::string t =
        "PathFileType\t4\t(X/Y/Z)\tgaps.trc\r\n"
        "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\r\n"
        "100\t100\t3\t3\tmm\r\n"
        "Frame#\tTime\tA\t\t\tB\t\t\tC\t\t\t\r\n"
        "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\tX3\tY3\tZ3\r\n"
        "\r\n"
        "1\t0.00\t1.5\t2.5\t-3.5\t4\t5\t6\t7\t8\t9\r\n"
        "2\t0.01\t\t2\t3\t\t\t\t17\t18\t19\r\n"
        "3\t0.02\t21\t22\t23\r\n";
    return Write(dir, "gaps.trc", t);
}

// Three named markers over three frames; a marker has no record in a frame where it was not seen.
std::string MakeTrb(const testsupport::TempDir& dir) {
    dez::ByteWriter names;
    for (uint16_t m = 1; m <= 3; ++m) {
        names.PutU16LE(268);
        names.PutU16LE(2);
        names.PutU16LE(m);
        names.PutU16LE(0);
        names.PutBytes(m == 1 ? "A\0\0\0" : m == 2 ? "B\0\0\0" : "C\0\0\0", 4);
    }
    const std::vector<std::vector<int16_t>> seen = {{1, 2, 3}, {1, 3}, {2}};
    dez::ByteWriter blocks;
    for (size_t f = 0; f < seen.size(); ++f) {
        blocks.PutU16LE(0);
        blocks.PutU16LE(0);
        blocks.PutU16LE(0x0600);
        blocks.PutU16LE(static_cast<uint16_t>(f + 1));
        blocks.PutI16LE(static_cast<int16_t>(3 + 6 * seen[f].size()));
        blocks.PutU16LE(0);
        for (int16_t m : seen[f]) {
            blocks.PutI16LE(m);
            blocks.PutU16LE(0);
            for (int c = 0; c < 3; ++c) blocks.PutF32LE(static_cast<float>(100 * m + 10 * f + c + 1));
            blocks.PutF32LE(0.5f);  // residual
            blocks.PutU32LE(0);
        }
    }
    dez::ByteWriter w;
    w.PutU16LE(0);
    w.PutU16LE(0);
    w.PutU16LE(0xFFFF);
    w.PutU16LE(0xFFFF);
    const size_t offset = 60 + names.size();
    w.PutU16LE(static_cast<uint16_t>(offset / 4 >> 16));
    w.PutU16LE(static_cast<uint16_t>(offset / 4));
    for (uint16_t tag : {257, 258, 259, 260, 261, 277}) {
        w.PutU16LE(tag);
        w.PutU16LE(1);
        if (tag == 259) {
            w.PutF32LE(60.0f);
        } else {
            w.PutU32LE(0);
        }
    }
    w.PutBytes(names.data(), names.size());
    w.PutBytes(blocks.data(), blocks.size());
    return Write(dir, "gaps.trb", Text(w));
}

// A RIC-layout file: header, samples from value(frame, item, component), padding, names.
std::string Ric(int frames, int items, const std::function<float(int, int, int)>& value, const char* namePrefix) {
    std::vector<uint8_t> h(512, 0);
    dez::StoreI16LE(&h[2], static_cast<int16_t>(frames));
    dez::StoreI16LE(&h[4], static_cast<int16_t>(items));
    for (size_t i = 8; i < 104; i += 2) dez::StoreU16LE(&h[i], 0xFFFF);  // no events
    dez::StoreI16LE(&h[430], 50);
    dez::ByteWriter w;
    w.PutBytes(h.data(), h.size());
    for (int f = 0; f < frames; ++f)
        for (int m = 0; m < items; ++m)
            for (int c = 0; c < 4; ++c) w.PutF32LE(value(f, m, c));
    w.PutZeros(512 - (static_cast<size_t>(frames) * items * 16) % 512);
    for (int m = 0; m < items; ++m) {
        std::string name = namePrefix + std::to_string(m + 1);
        name.resize(8, ' ');
        w.PutBytes(name.data(), name.size());
    }
    return Text(w);
}

// Markers: 0 is missing in frame 1 (every value at the missing magnitude, as the laboratory's
// files give it) and 1 carries the usual -9999 fourth value. The moments beside it: moment 0 lacks
// only its x in frame 0 (still present), moment 1 lacks everything in frame 2.
std::string MakeRic(const testsupport::TempDir& dir) {
    const std::string ric = Write(dir, "walk.RIC", Ric(3, 2, [](int f, int m, int c) {
        if (f == 1 && m == 0) return c == 1 ? 12000.0f : -9999.0f;
        return c == 3 ? -9999.0f : static_cast<float>(100 * f + 10 * m + c + 1);
    }, "M"));
    Write(dir, "walk.mom", Ric(3, 2, [](int f, int m, int c) {
        if ((f == 0 && m == 0 && c == 0) || (f == 2 && m == 1)) return -9999.0f;
        return c == 3 ? 0.25f : 0.001f * static_cast<float>(f + m + c + 1);
    }, "X"));
    return ric;
}

// Values that are no positions load as channels; the recording's one point only keeps their frames.
std::string MakeTafChannels(const testsupport::TempDir& dir) {
    dez::ByteWriter w;
    w.PutU32LE(0x05F42A96);
    w.PutF64LE(100.0);
    w.PutI32LE(1);  // sensors
    w.PutI32LE(2);  // values
    w.PutI32LE(4);  // frames
    w.PutI32LE(0);  // header item bytes
    for (int k = 0; k < 8; ++k) w.PutF64LE(0.5 * k);
    return Write(dir, "channels.taf", Text(w));
}

Oracle Fixed(Samples samples) {
    return [samples](const testsupport::TempDir&, const TDataFile&) { return samples; };
}

Oracle AllFrames(int32_t point, int32_t frames) {
    Samples s;
    for (int32_t f = 0; f < frames; ++f) s.emplace(point, f);
    return Fixed(s);
}

// Track samples: the readers leave a marker the file does not give at the origin, where no
// measured marker of these trials sits.
Samples AtOriginGaps(const testsupport::TempDir&, const TDataFile& d) {
    Samples s;
    for (int32_t p = 0; p < d.GetNumberOfPoints(); ++p)
        for (int32_t f = 0; f < d.GetFrameCount(); ++f) {
            bool origin = true;
            for (int c = 0; c < 3; ++c) origin = origin && d.points->GetValue(4 * p + c, f) == 0.0;
            if (origin) s.emplace(p, f);
        }
    return s;
}

// RIC-layout files read straight from their bytes, their items appended in the order given: a
// sample none of whose three coordinates was measured (magnitude 9999 or more) is absent.
Oracle RicGaps(std::vector<std::string> files) {
    return [files](const testsupport::TempDir& dir, const TDataFile&) {
        Samples s;
        int32_t first = 0;
        for (const std::string& name : files) {
            const std::string bytes = testsupport::ReadFileBytes(dir.file(name));
            if (bytes.size() < 512) break;
            const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
            const int32_t frames = dez::LoadI16LE(b + 2), items = dez::LoadI16LE(b + 4);
            if (bytes.size() < 512 + 16 * static_cast<size_t>(frames) * items) break;
            for (int32_t f = 0; f < frames; ++f)
                for (int32_t m = 0; m < items; ++m) {
                    bool absent = true;
                    for (int c = 0; c < 3; ++c)
                        absent = absent && !(std::fabs(dez::LoadF32LE(b + 512 + 16 * (f * items + m) + 4 * c)) <
                                             9999.0f);
                    if (absent) s.emplace(first + m, f);
                }
            first += items;
        }
        return s;
    };
}

// A public sample copied into the folder with the companions it names.
Maker Sample(const char* folder, std::vector<std::string> files) {
    return [folder, files](const testsupport::TempDir& dir) {
        if (!testsupport::CopySamples(dir, folder, files)) return std::string();
        return dir.file(files.front());
    };
}

bool Load(TDataFile& d, const std::string& path) {
    d.verbose = false;
    return d.LoadFile(path.c_str(), kFileDetect, true);
}

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class AbsentSamplesToC3D : public ::testing::TestWithParam<Case> {};

TEST_P(AbsentSamplesToC3D, StayInvalidAfterTheRoundTrip) {
    const Case& c = GetParam();
    testsupport::TempDir dir;
    const std::string path = c.make(dir);
    ASSERT_FALSE(path.empty());
    TDataFile original(nullptr);
    ASSERT_TRUE(Load(original, path)) << original.GetErrorText();
    ASSERT_EQ(original.GetDimension(), 4);
    const int32_t points = original.GetNumberOfPoints();
    const int32_t frames = original.GetFrameCount();
    if (c.points > 0) {
        ASSERT_EQ(points, c.points);
    }

    const Samples absent = c.absent(dir, original);
    ASSERT_FALSE(absent.empty()) << "the recording has no gap";
    for (int32_t p = 0; p < points; ++p)
        for (int32_t f = 0; f < frames; ++f) {
            const bool gap = absent.count({p, f}) > 0;
            ASSERT_EQ(IsValidResidual(original.points->GetValue(4 * p + 3, f)), !gap)
                << "as read, point " << p << " frame " << f;
        }

    const std::string saved = dir.file("saved.c3d");
    ASSERT_TRUE(original.SaveFile(saved.c_str(), kFileC3D)) << original.GetErrorText();
    TDataFile back(nullptr);
    ASSERT_TRUE(Load(back, saved)) << back.GetErrorText();
    const int32_t stride = back.GetDimension();  // the reader adds the camera masks
    ASSERT_GE(stride, 4);
    ASSERT_EQ(back.GetNumberOfPoints(), points);
    ASSERT_EQ(back.GetFrameCount(), frames);
    for (int32_t p = 0; p < points; ++p)
        for (int32_t f = 0; f < frames; ++f) {
            const bool gap = absent.count({p, f}) > 0;
            ASSERT_EQ(IsValidResidual(back.points->GetValue(stride * p + 3, f)), !gap)
                << "read back, point " << p << " frame " << f;
            if (gap) continue;
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(back.points->GetValue(stride * p + k, f),
                          static_cast<float>(original.points->GetValue(4 * p + k, f)))
                    << "point " << p << " frame " << f << " value " << k;
        }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, AbsentSamplesToC3D,
    ::testing::Values(
        Case{"TrcFixture", MakeTrc, Fixed({{0, 1}, {1, 1}, {1, 2}, {2, 2}}), 3},
        Case{"TrbFixture", MakeTrb, Fixed({{1, 1}, {0, 2}, {2, 2}}), 3},
        Case{"RicWithMomentsFixture", MakeRic, Fixed({{0, 1}, {3, 2}}), 4},
        Case{"TafChannelsPlaceholder", MakeTafChannels, AllFrames(0, 4), 1},
        Case{"GaitTrc", Sample("track", {"Gait.trc"}), AtOriginGaps},
        Case{"GaitTrb", Sample("track", {"gait.trb"}), AtOriginGaps},
        Case{"EliteRaw", Sample("elite/1123xa01", {"1123xa01.RAW"}), RicGaps({"1123xa01.RAW"})},
        Case{"EliteRah", Sample("elite/561XXA01", {"561XXA01.RAH"}), RicGaps({"561XXA01.RAH"})},
        Case{"EliteRicWithCompanions",
             Sample("elite/1123xa01", {"1123xa01.RIC", "1123xa01.ANG", "1123xa01.MOM", "1123xa01.PWR"}),
             RicGaps({"1123xa01.RIC", "1123xa01.ANG", "1123xa01.MOM", "1123xa01.PWR"})}),
    [](const ::testing::TestParamInfo<Case>& p) { return std::string(p.param.name); });

}  // namespace

// "c#" recordings: the point file and its "v1" analog companion, in their real (type 32) and
// integer (types 1 and 16) layouts.
#include "importers/TCPrefixFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/TestSupport.h"
#include "motion/TDataFile.h"
#include "platform/ByteReader.h"

namespace {

constexpr size_t kHeader = 256;

std::string Real(int16_t items, int16_t values, int32_t frames, float rate,
                 const std::function<float(int, int)>& sample) {
    std::string b(kHeader, '\0');
    auto* p = reinterpret_cast<uint8_t*>(&b[0]);
    p[0] = 32;
    dez::StoreI16LE(p + 1, items);
    dez::StoreI16LE(p + 3, values);
    dez::StoreI32LE(p + 5, frames);
    dez::StoreF32LE(p + 9, rate);
    dez::ByteWriter w;
    for (int f = 0; f < frames; ++f)
        for (int r = 0; r < items * values; ++r) w.PutF32LE(sample(f, r));
    return b + std::string(w.bytes().begin(), w.bytes().end());
}

// Type 1 (points) or 16 (channels) with integer samples and scale exponent p.
std::string Integer(int type, int items, int32_t frames, int16_t rate, int8_t p,
                    const std::function<int16_t(int, int)>& sample) {
    std::string b(kHeader, '\0');
    auto* h = reinterpret_cast<uint8_t*>(&b[0]);
    h[0] = static_cast<uint8_t>(type);
    dez::StoreI16LE(h + 3, rate);
    h[93] = static_cast<uint8_t>(p);
    int rows = items;
    if (type == 1) {
        h[1] = static_cast<uint8_t>(items);
        dez::StoreU16LE(h + 6, static_cast<uint16_t>(frames));
        rows = 3 * items;
    } else {
        h[90] = static_cast<uint8_t>(items);
        dez::StoreI32LE(h + 98, frames);
    }
    dez::ByteWriter w;
    for (int f = 0; f < frames; ++f)
        for (int r = 0; r < rows; ++r) w.PutI16LE(sample(f, r));
    return b + std::string(w.bytes().begin(), w.bytes().end());
}

std::unique_ptr<TCPrefixFile> Parse(const std::string& bytes) {
    auto file = std::make_unique<TCPrefixFile>();
    file->ReadBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return file;
}

TEST(CPrefix, RoundToNearestGoesDownAtHalves) {
    const double cases[][2] = {{2.5, 2}, {-2.5, -3}, {99.5, 99}, {99.6, 100}, {99.4, 99}, {-0.2, 0}, {7, 7}};
    for (const auto& c : cases) EXPECT_EQ(RoundToNearest(c[0]), c[1]) << c[0];
}

TEST(CPrefix, RealRateAndGaps) {
    for (const auto& [stored, rate] : {std::pair<float, double>{99.5f, 99}, {99.6f, 100}, {2.5f, 2}}) {
        const auto f = Parse(Real(1, 1, 2, stored, [](int, int) { return 1.0f; }));
        ASSERT_TRUE(f->IsValid());
        EXPECT_EQ(f->GetRate(), rate) << stored;
    }
    const float values[] = {-1e30f, -3.4e28f, 5.5f};
    const auto f = Parse(Real(3, 1, 1, 100, [&](int, int r) { return values[r]; }));
    ASSERT_TRUE(f->IsValid());
    EXPECT_EQ(f->GetSamples()->GetValue(0, 0), 0.0);  // below -3.5e28: a gap
    EXPECT_EQ(f->GetSamples()->GetValue(1, 0), static_cast<double>(-3.4e28f));
    EXPECT_EQ(f->GetSamples()->GetValue(2, 0), 5.5);
}

// 10 x (s - 2048) / 2048 / 2^p, exactly: one count is 10/2048 units, not 0.
TEST(CPrefix, IntegerSamplesConvertExactly) {
    const struct {
        int16_t s;
        int8_t p;
        double value;
    } cases[] = {{2048, 0, 0.0}, {3072, 0, 5.0}, {1024, 0, -5.0}, {2049, 0, 10.0 / 2048},
                 {2047, 1, -5.0 / 2048}, {4095, 2, 10.0 * 2047 / 2048 / 4}, {0, -1, -20.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.s << " p " << int(c.p));
        const auto f = Parse(Integer(16, 1, 1, 1000, c.p, [&](int, int) { return c.s; }));
        ASSERT_TRUE(f->IsValid());
        EXPECT_DOUBLE_EQ(f->GetSamples()->GetValue(0, 0), c.value);
    }
}

TEST(CPrefix, RefusedHeaders) {
    const std::string good = Real(2, 3, 2, 100, [](int, int) { return 1.0f; });
    auto patched = [&](size_t at, int16_t v) {
        std::string b = good;
        dez::StoreI16LE(reinterpret_cast<uint8_t*>(&b[at]), v);
        return b;
    };
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"short header", good.substr(0, 100)},
        {"unknown type", "\x07" + good.substr(1)},
        {"no items", patched(1, 0)},
        {"negative items and values", patched(3, -3).replace(1, 2, "\xFE\xFF")},
        {"eleven values per item", patched(3, 11)},
        {"no frames", patched(5, 0)},
        {"rate rounds to 0", Real(2, 3, 2, 0.4f, [](int, int) { return 1.0f; })},
        {"no rate", Integer(1, 2, 3, 0, 0, [](int, int) { return 0; })},
        {"cut samples", good.substr(0, good.size() - 1)},
        {"frames beyond the file", patched(7, 0x4000)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto f = Parse(c.bytes);
        EXPECT_FALSE(f->IsValid());
        EXPECT_EQ(f->GetSamples(), nullptr);
        EXPECT_FALSE(f->GetMessage().empty());
    }
}

class CPrefixLoad : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_.file(name);
        testsupport::WriteFileBytes(path, bytes);
        return path;
    }
    testsupport::TempDir dir_;
};

TEST_F(CPrefixLoad, PointsTurnedZUpWithTheirCompanion) {
    const std::string path = Write("c#12.c3r", Integer(1, 10, 250, 200, 0, [](int f, int r) {
        return static_cast<int16_t>(2048 + 16 * (r % 3 + 1) + f);  // (x, y, z) of 16, 32, 48 counts
    }));
    Write("v1#12.c3r", Integer(16, 4, 500, 400, 0, [](int f, int r) { return static_cast<int16_t>(2048 + r + f); }));
    TDataFile d(path.c_str());
    ASSERT_TRUE(d.points);
    EXPECT_EQ(d.kind, kFileCPrefix);
    EXPECT_EQ(d.points->GetRows(), 30);
    EXPECT_EQ(d.GetFrameCount(), 250);
    EXPECT_EQ(d.pointRate, 200.0f);
    EXPECT_EQ(d.dimension, 3);
    EXPECT_EQ(d.PointLabel(0), "marker 1");
    EXPECT_EQ(d.PointLabel(9), "marker 10");
    EXPECT_EQ(d.lastFrame, 249);
    EXPECT_STREQ(d.formatText, "c#12");
    // Stored (x, y, z) = (16, 32, 48) counts becomes (x, -z, y).
    const double unit = 10.0 / 2048;
    EXPECT_DOUBLE_EQ(d.points->GetValue(27, 0), 16 * unit);
    EXPECT_DOUBLE_EQ(d.points->GetValue(28, 0), -48 * unit);
    EXPECT_DOUBLE_EQ(d.points->GetValue(29, 0), 32 * unit);
    ASSERT_TRUE(d.analog);
    EXPECT_EQ(d.analog->GetRows(), 4);
    EXPECT_EQ(d.analog->GetCols(), 500);
    EXPECT_EQ(d.analogRate, 400.0f);
    EXPECT_EQ(d.AnalogLabel(4), "Channel 4");
    EXPECT_DOUBLE_EQ(d.analog->GetValue(3, 10), 13 * unit);
}

TEST_F(CPrefixLoad, RealPointsWithoutCompanion) {
    const std::string path = Write("c#walk.dat", Real(1, 3, 2, 60, [](int f, int r) { return r + 1.0f + 10 * f; }));
    Write("v1#walk.dat", "not a recording");
    TDataFile d(path.c_str());
    ASSERT_TRUE(d.points);
    EXPECT_EQ(d.points->GetValue(0, 1), 11.0);
    EXPECT_EQ(d.points->GetValue(1, 1), -13.0);
    EXPECT_EQ(d.points->GetValue(2, 1), 12.0);
    EXPECT_EQ(d.pointRate, 60.0f);
    EXPECT_FALSE(d.analog);
}

TEST_F(CPrefixLoad, ChannelFileAsPointsStaysUnturned) {
    const std::string path = Write("c#ch", Integer(16, 3, 5, 100, 0, [](int, int r) { return static_cast<int16_t>(2048 + r); }));
    TDataFile d(path.c_str());
    ASSERT_TRUE(d.points);
    EXPECT_EQ(d.dimension, 1);
    EXPECT_EQ(d.GetPointCount(), 3);
    EXPECT_DOUBLE_EQ(d.points->GetValue(2, 4), 2 * 10.0 / 2048);
}

TEST_F(CPrefixLoad, KindByNameAndRefusals) {
    TDataFile probe(nullptr);
    probe.DetectFileType("/data/c#walk.dat");
    EXPECT_EQ(probe.kind, kFileCPrefix);
    probe.DetectFileType("/data/C#walk.dat");
    EXPECT_EQ(probe.kind, kFileText);
    probe.DetectFileType("/data/c#walk.c3d");
    EXPECT_EQ(probe.kind, kFileC3D);

    const std::string bad = Write("c#bad.dat", std::string(300, '\x07'));
    TDataFile d(nullptr);
    d.verbose = false;
    EXPECT_FALSE(d.LoadFile(bad.c_str(), kFileDetect, true));
    EXPECT_FALSE(d.points);
    EXPECT_NE(std::string(d.GetErrorText()).find("c#bad.dat: unknown type byte"), std::string::npos);

    // Without samples asked for, a valid point file is accepted but makes no tables.
    const std::string good = Write("c#7.dat", Real(1, 3, 1, 50, [](int, int) { return 1.0f; }));
    TDataFile sizes(nullptr);
    EXPECT_TRUE(sizes.ReadCPrefix(good.c_str(), false));
    EXPECT_FALSE(sizes.points);
    EXPECT_STREQ(sizes.formatText, "c#7");
}

}  // namespace

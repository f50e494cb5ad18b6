// Force-plate companions of RIC recordings: 6-byte reals, .pl/.inf plate files and .gr
// ground-reaction files turned into analog channels and plates.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "motion/TDataFile.h"
#include "platform/ByteReader.h"
#include "platform/Paths.h"

namespace {

TEST(Real48, KnownBytes) {
    // Turbo Pascal's Real type as written by its runtime; pi loses the fraction bits a float lacks.
    const struct {
        uint8_t b[6];
        float expected;
    } cases[] = {
        {{0x81, 0, 0, 0, 0, 0}, 1.0f},
        {{0x82, 0, 0, 0, 0, 0x80}, -2.0f},
        {{0x80, 0, 0, 0, 0, 0}, 0.5f},
        {{0x84, 0, 0, 0, 0, 0x20}, 10.0f},
        {{0x87, 0, 0, 0, 0, 0x48}, 100.0f},
        {{0x81, 0, 0, 0, 0, 0xC0}, -1.5f},
        {{0x82, 0x21, 0xA2, 0xDA, 0x0F, 0x49}, 3.14159250259399414f},
        {{0x7D, 0xCD, 0xCC, 0xCC, 0xCC, 0x4C}, 0.0999999940395355225f},
        {{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0.0f},
        {{0x01, 0, 0, 0, 0, 0x80}, 0.0f},  // would wrap to an infinite exponent
        {{0x02, 0, 0, 0, 0x12, 0x34}, 0.0f},  // would be a denormal
        {{0x03, 0, 0, 0, 0, 0}, 1.17549435e-38f},  // smallest normal float
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, 1.70141173e38f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.b[0]));
        EXPECT_EQ(Real48ToFloat(c.b), c.expected);
    }
}

// The 6-byte real of a float (exact: the two low fraction bytes stay 0).
std::string Real48Of(float v) {
    std::string out(6, '\0');
    if (v == 0.0f) return out;
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    out[0] = static_cast<char>(((bits >> 23) & 0xFF) + 2);
    out[3] = static_cast<char>(bits & 0xFF);
    out[4] = static_cast<char>((bits >> 8) & 0xFF);
    out[5] = static_cast<char>(((bits >> 16) & 0x7F) | ((bits >> 24) & 0x80));
    return out;
}

std::string InfRecord(int16_t rate, int16_t hundredths) {
    std::string r(783, '\0');
    dez::StoreI16LE(reinterpret_cast<uint8_t*>(&r[6]), rate);
    dez::StoreI16LE(reinterpret_cast<uint8_t*>(&r[8]), hundredths);
    return r;
}

// Samples of six values: Fx, Fy, Fz, Px (mm), Py (mm), Tz (N.mm).
std::string PlateSamples(const std::vector<std::vector<float>>& samples) {
    std::string out;
    for (const auto& s : samples)
        for (float v : s) out += Real48Of(v);
    return out;
}

struct GrLayout {
    uint16_t count = 2;
    uint16_t rate = 100;
    uint16_t startMs = 0;
    float a = 600, b = 400, c = 22;
    std::vector<std::vector<float>> samples;  // fx fy fz u v q
};

std::string MakeGr(const GrLayout& s) {
    std::vector<uint8_t> h(512, 0);
    dez::StoreU16LE(&h[0], s.count);
    dez::StoreU16LE(&h[2], s.rate);
    dez::StoreU16LE(&h[54], s.startMs);
    dez::StoreF32LE(&h[136], s.a);
    dez::StoreF32LE(&h[140], s.b);
    dez::StoreF32LE(&h[144], s.c);
    for (int i = 0; i < 12; ++i) dez::StoreF32LE(&h[148 + 4 * i], static_cast<float>(10 * i + 1));
    dez::ByteWriter w;
    w.PutBytes(h.data(), h.size());
    for (const auto& smp : s.samples)
        for (float v : smp) w.PutF32LE(v);
    return std::string(w.bytes().begin(), w.bytes().end());
}

// A recording of 100 frames at 100 Hz, 2 markers, optionally with an analog table of 8 channels.
struct Recording {
    testsupport::TempDir dir;
    TDataFile d;
    std::string path;
    explicit Recording(int channels = 0) : d(2, 100, 100.0f, channels, 2, 4), path(dir.file("walk.ric")) {
        d.verbose = false;
        if (d.analog)
            for (int r = 0; r < channels; ++r) d.analog->SetValue(r, 199, r + 0.25);
    }
    void Write(const std::string& name, const std::string& bytes) {
        ASSERT_TRUE(testsupport::WriteFileBytes(dir.file(name), bytes));
    }
};

TEST(RicPlateFiles, PlateFileBecomesForcesAndMomentsAboutTheOrigin) {
    Recording t;
    t.Write("walk.inf", InfRecord(1000, 250));
    t.Write("WALK.PL1", PlateSamples({{10, -20, 500, 100, 200, 3000}, {1, 2, 3, 0, 0, 0}}));
    ASSERT_TRUE(t.d.ReadPlateFiles(t.path.c_str()));
    ASSERT_NE(t.d.analog, nullptr);
    EXPECT_EQ(t.d.analog->GetRows(), 6);
    // The file holds 2 of the 2,500 samples (rate 1000 x 2.5 s) its .inf announces: what is there
    // is read, with a message.
    EXPECT_EQ(t.d.analog->GetCols(), 2);
    EXPECT_NE(std::string(t.d.GetErrorText()).find("2 of the 2500"), std::string::npos) << t.d.GetErrorText();
    EXPECT_FLOAT_EQ(t.d.GetAnalogRate(), 1000.0f);
    const double expected[6] = {10, -20, 500, 0.2 * 500, -(0.1 * 500), 3 + 0.1 * -20 - 0.2 * 10};
    for (int j = 0; j < 6; ++j) EXPECT_NEAR(t.d.analog->GetValue(j, 0), expected[j], 1e-4) << j;
    const char* labels[6] = {"Fx", "Fy", "Fz", "Mx", "My", "Mz"};
    for (int j = 0; j < 6; ++j) {
        EXPECT_EQ(t.d.AnalogLabel(j + 1), labels[j]);
        char unit[256];
        ASSERT_TRUE(t.d.GetAnalogUnit(unit, j + 1));
        EXPECT_STREQ(unit, j < 3 ? "N" : "N.m");
    }
    EXPECT_EQ(t.d.plateCount, 0);  // plate files carry no geometry
}

TEST(RicPlateFiles, InfRecordGivesTheSampleCount) {
    Recording t;
    t.Write("walk.inf", InfRecord(1000, 250) + InfRecord(500, 3));
    int32_t samples = 0, rate = 0;
    ASSERT_TRUE(t.d.ReadPlateInfo(t.dir.file("walk.pl1").c_str(), &samples, &rate, 1));
    EXPECT_EQ(samples, 2500);
    EXPECT_EQ(rate, 1000);
    ASSERT_TRUE(t.d.ReadPlateInfo(t.dir.file("walk.pl2").c_str(), &samples, &rate, 2));
    EXPECT_EQ(samples, 15);
    ASSERT_TRUE(t.d.ReadPlateInfo(t.dir.file("walk.pl2").c_str(), &samples, &rate, 0));
    EXPECT_EQ(samples, 2500);
    EXPECT_FALSE(t.d.ReadPlateInfo(t.dir.file("walk.pl3").c_str(), &samples, &rate, 3));  // no record 3
}

TEST(RicPlateFiles, TwoPlatesUnderAnExistingAnalogTable) {
    Recording t(8);
    t.Write("walk.inf", InfRecord(100, 100) + InfRecord(100, 150));
    std::vector<std::vector<float>> samples(150, {1, 2, 3, 0, 0, 0});
    t.Write("walk.pl1", PlateSamples(std::vector<std::vector<float>>(samples.begin(), samples.begin() + 100)));
    t.Write("walk.pl2", PlateSamples(samples));
    t.Write("walk.pl4", PlateSamples(samples));  // not reached: plate file 3 is missing
    ASSERT_TRUE(t.d.ReadPlateFiles(t.path.c_str()));
    ASSERT_EQ(t.d.analog->GetRows(), 20);
    // The old table is 200 samples long; the plates' shorter channels do not cut it.
    ASSERT_EQ(t.d.analog->GetCols(), 200);
    for (int r = 0; r < 8; ++r) EXPECT_DOUBLE_EQ(t.d.analog->GetValue(r, 199), r + 0.25) << r;
    EXPECT_EQ(t.d.AnalogLabel(8), "A8");
    EXPECT_EQ(t.d.AnalogLabel(9), "Fx");
    EXPECT_EQ(t.d.AnalogLabel(15), "Fx");
    EXPECT_EQ(t.d.AnalogLabel(20), "Mz");
    EXPECT_DOUBLE_EQ(t.d.analog->GetValue(8 + 2, 99), 3.0);
    EXPECT_DOUBLE_EQ(t.d.analog->GetValue(8 + 2, 100), 0.0);  // past plate 1's samples
    EXPECT_DOUBLE_EQ(t.d.analog->GetValue(14 + 2, 149), 3.0);
}

TEST(RicPlateFiles, GroundReactionFilesAddChannelsAndPlates) {
    Recording t;
    GrLayout g;
    g.count = 2;
    g.rate = 200;
    g.startMs = 0;
    g.samples = {{10, -20, 500, 250, 350, 1000}, {1, 1, 1, 1, 1, 1}};
    t.Write("walk.gr1", MakeGr(g));
    g.startMs = 1000;
    t.Write("walk.GR2", MakeGr(g));
    t.Write("walk.gr4", MakeGr(g));  // not reached
    ASSERT_TRUE(t.d.ReadGRFiles(t.path.c_str()));
    ASSERT_EQ(t.d.analog->GetRows(), 12);
    EXPECT_EQ(t.d.analog->GetCols(), 200);  // 200 Hz over 100 frames at 100 Hz
    EXPECT_FLOAT_EQ(t.d.GetAnalogRate(), 200.0f);
    ASSERT_EQ(t.d.GetPlateCount(), 2);
    // Start 0 ms: the first sample lands in column 1; start 1000 ms at 200 Hz: column 201, past the end.
    for (int j = 0; j < 6; ++j) EXPECT_EQ(t.d.analog->GetValue(j, 0), 0.0);
    const double fx = -10, fy = 20, fz = -500, du = 200 - 250, dv = 350 - 300, h = 11;
    const double expected[6] = {fx, fy, fz, -(du * fz + fy * h), dv * fz + fx * h, -(dv * fy + 1000 - du * fx)};
    for (int j = 0; j < 6; ++j) EXPECT_NEAR(t.d.analog->GetValue(j, 1), expected[j], 1e-9) << j;
    for (int r = 6; r < 12; ++r)
        for (int c = 0; c < 200; ++c) ASSERT_EQ(t.d.analog->GetValue(r, c), 0.0);
    EXPECT_EQ(t.d.AnalogLabel(1), "Fx 1");
    EXPECT_EQ(t.d.AnalogLabel(12), "Mz 2");
    char unit[256];
    ASSERT_TRUE(t.d.GetAnalogUnit(unit, 12));
    EXPECT_STREQ(unit, "N.mm");
    int type = 0, channels[8] = {};
    double corners[12], origin[3];
    ASSERT_TRUE(t.d.GetPlateGeometry(1, &type, channels, corners, origin));
    EXPECT_EQ(type, 4);
    EXPECT_EQ(channels[0], 7);
    EXPECT_EQ(channels[5], 12);
    EXPECT_DOUBLE_EQ(corners[0], 1.0);
    EXPECT_DOUBLE_EQ(corners[1], -11.0);
    EXPECT_DOUBLE_EQ(corners[11], 111.0);
    EXPECT_DOUBLE_EQ(origin[0], 300.0);
    EXPECT_DOUBLE_EQ(origin[1], 11.0);
    EXPECT_DOUBLE_EQ(origin[2], 200.0);
}

TEST(RicPlateFiles, GroundReactionRateDoesNotReplaceAnExistingOne) {
    Recording t(8);
    const float before = t.d.GetAnalogRate();
    GrLayout g;
    g.rate = 1000;
    g.samples = {{1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1}};
    t.Write("walk.gr1", MakeGr(g));
    ASSERT_TRUE(t.d.ReadGRFiles(t.path.c_str()));
    EXPECT_EQ(t.d.analog->GetRows(), 14);
    EXPECT_EQ(t.d.analog->GetCols(), 1000);
    EXPECT_FLOAT_EQ(t.d.GetAnalogRate(), before);
    EXPECT_DOUBLE_EQ(t.d.analog->GetValue(7, 199), 7.25);
}

TEST(RicPlateFiles, RicRecordingPrefersPlateFiles) {
    testsupport::TempDir dir;
    // A 100-frame recording at 100 Hz with one marker and no names.
    std::vector<uint8_t> h(512 + 100 * 16 + 512, 0);
    dez::StoreI16LE(&h[2], 100);
    dez::StoreI16LE(&h[4], 1);
    dez::StoreI16LE(&h[430], 100);
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("walk.ric"), std::string(h.begin(), h.end())));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("walk.inf"), InfRecord(100, 100)));
    ASSERT_TRUE(testsupport::WriteFileBytes(
        dir.file("walk.pl1"), PlateSamples(std::vector<std::vector<float>>(100, {0, 0, 700, 0, 0, 0}))));
    GrLayout g;
    g.samples = {{1, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, 1}};
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("walk.gr1"), MakeGr(g)));
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(d.LoadFile(dir.file("walk.ric").c_str(), kFileDetect, true));
    ASSERT_NE(d.analog, nullptr);
    EXPECT_EQ(d.analog->GetRows(), 6);
    EXPECT_EQ(d.GetPlateCount(), 0);
    EXPECT_DOUBLE_EQ(d.analog->GetValue(2, 50), 700.0);
    // Without plate files the ground-reaction file is read.
    ASSERT_TRUE(dez::RemoveFile(dir.file("walk.pl1")));
    ASSERT_TRUE(d.LoadFile(dir.file("walk.ric").c_str(), kFileDetect, true));
    EXPECT_EQ(d.analog->GetRows(), 6);
    EXPECT_EQ(d.GetPlateCount(), 1);
}

TEST(RicPlateFiles, DamagedFilesEndTheirSeries) {
    struct Case {
        const char* what;
        std::string gr1;
        int channels;  // analog rows afterwards
        float pointRate;
    };
    GrLayout g;
    g.count = 3;
    g.samples = {{1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}};
    const std::string whole = MakeGr(g);
    GrLayout noRate = g;
    noRate.rate = 0;
    GrLayout huge = g;  // 65535 Hz over 100 frames at 0.01 Hz: 650 million samples per channel
    huge.rate = 65535;
    const Case cases[] = {
        {"header cut", whole.substr(0, 511), 0, 100.0f},
        {"empty", std::string(), 0, 100.0f},
        {"no rate", MakeGr(noRate), 0, 100.0f},
        {"huge rate", MakeGr(huge), 0, 0.01f},
        {"samples cut", whole.substr(0, 512 + 24 + 10), 6, 100.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Recording t;
        t.d.pointRate = c.pointRate;
        t.Write("walk.gr1", c.gr1);
        t.Write("walk.gr2", whole);
        t.d.ReadGRFiles(t.path.c_str());
        EXPECT_EQ(t.d.analog ? t.d.analog->GetRows() : 0, c.channels == 0 ? 0 : 12);
        if (c.channels) {
            EXPECT_DOUBLE_EQ(t.d.analog->GetValue(0, 1), -1.0);
            EXPECT_DOUBLE_EQ(t.d.analog->GetValue(0, 2), 0.0);  // the cut sample
        }
    }
    // A plate file with nothing whole in it, and an .inf without the plate's record.
    Recording t;
    t.Write("walk.inf", InfRecord(100, 100));
    t.Write("walk.pl1", std::string(35, '\x81'));
    EXPECT_FALSE(t.d.ReadPlateFiles(t.path.c_str()));
    EXPECT_EQ(t.d.analog, nullptr);
    t.Write("walk.pl1", PlateSamples({{1, 1, 1, 1, 1, 1}}));
    t.Write("walk.pl2", PlateSamples({{1, 1, 1, 1, 1, 1}}));
    ASSERT_TRUE(t.d.ReadPlateFiles(t.path.c_str()));
    EXPECT_EQ(t.d.analog->GetRows(), 6);
}

}  // namespace

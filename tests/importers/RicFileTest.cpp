// RIC-family recordings and their angle, moment and power companions: fixtures written here, then
// the public gait-laboratory trials.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "motion/TDataFile.h"
#include "platform/ByteReader.h"

namespace {

struct RicLayout {
    int frames = 3;
    int markers = 2;
    int rate = 50;
    // Event frames per block: left foot off, right foot off, left strike, right strike.
    std::vector<uint16_t> events[4];
    // Value c (0-3) of marker m at frame f.
    std::function<float(int f, int m, int c)> value = [](int f, int m, int c) {
        return static_cast<float>(100 * f + 10 * m + c);
    };
    std::vector<std::string> names;  // 8 bytes each; none: the file ends after the padding
    int nameWidth = 8;
    int nameOffset = 0;  // bytes of each entry before the name (10 for .ang files)
    bool padding = true;
};

std::string MakeRic(const RicLayout& s) {
    dez::ByteWriter w;
    w.PutZeros(512);
    std::vector<uint8_t> h(512, 0);
    dez::StoreI16LE(&h[2], static_cast<int16_t>(s.frames));
    dez::StoreI16LE(&h[4], static_cast<int16_t>(s.markers));
    for (int b = 0; b < 4; ++b) {
        for (int i = 0; i < 12; ++i) {
            const uint16_t v = i < static_cast<int>(s.events[b].size()) ? s.events[b][i] : 0xFFFF;
            dez::StoreU16LE(&h[8 + 24 * b + 2 * i], v);
        }
    }
    dez::StoreI16LE(&h[430], static_cast<int16_t>(s.rate));
    std::string out(h.begin(), h.end());
    dez::ByteWriter data;
    for (int f = 0; f < s.frames; ++f)
        for (int m = 0; m < s.markers; ++m)
            for (int c = 0; c < 4; ++c) data.PutF32LE(s.value(f, m, c));
    const size_t bytes = data.size();
    if (s.padding || !s.names.empty()) data.PutZeros(512 - bytes % 512);
    for (const std::string& n : s.names) {
        std::string entry(static_cast<size_t>(s.nameOffset), '\0');
        entry += n;
        entry.resize(static_cast<size_t>(s.nameOffset + s.nameWidth), ' ');
        data.PutBytes(entry.data(), entry.size());
    }
    out.append(data.bytes().begin(), data.bytes().end());
    return out;
}

// TDataFile cannot be copied; tests load into one they own.
bool LoadInto(TDataFile& d, const std::string& path) {
    d.verbose = false;
    return d.LoadFile(path.c_str(), kFileDetect, true);
}

std::vector<std::string> EventsOf(const TDataFile& d) {
    std::vector<std::string> out;
    for (int i = 0; d.events && i < d.events->count; ++i) {
        const LabelledItem* e = d.events->GetItem(i);
        out.push_back(std::string(e->name) + "@" + std::to_string(e->id) + "/" + e->context + "#" +
                      std::to_string(e->value));
    }
    return out;
}

TEST(RicFile, HeaderEventsKeepFramesInsideTheRecording) {
    testsupport::TempDir dir;
    RicLayout s;
    s.frames = 250;
    s.markers = 1;
    s.events[0] = {0, 57, 300};
    s.events[1] = {249};
    s.events[2] = {250, 1};
    s.events[3] = {65534, 65535, 12};
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("t.ric"), MakeRic(s)));
    TDataFile d(nullptr);
    ASSERT_TRUE(LoadInto(d, dir.file("t.ric")));
    EXPECT_EQ(EventsOf(d), (std::vector<std::string>{"Foot Off@57/Left#2", "Foot Off@249/Right#2",
                                                     "Foot Strike@1/Left#1", "Foot Strike@12/Right#1"}));
    EXPECT_FALSE(d.IsModified());
}

TEST(RicFile, SamplesNamesAndMissingValues) {
    testsupport::TempDir dir;
    RicLayout s;
    s.frames = 3;
    s.markers = 2;
    s.rate = 60;
    s.names = {"        ", "LASI"};
    s.value = [](int f, int m, int c) {
        if (f == 1 && m == 0) return c == 0 ? -9999.0f : c == 1 ? 12000.0f : c == 2 ? 9998.9f : NAN;
        return static_cast<float>(100 * f + 10 * m + c);
    };
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("t.RAW"), MakeRic(s)));
    TDataFile d(nullptr);
    ASSERT_TRUE(LoadInto(d, dir.file("t.RAW")));
    EXPECT_EQ(d.GetDimension(), 4);
    EXPECT_EQ(d.GetNumberOfPoints(), 2);
    EXPECT_EQ(d.GetFrameCount(), 3);
    EXPECT_FLOAT_EQ(d.GetPointRate(), 60.0f);
    EXPECT_EQ(d.PointLabel(0), " ");
    EXPECT_EQ(d.PointLabel(1), "LASI");
    EXPECT_EQ(d.lastFrame, 2);
    EXPECT_DOUBLE_EQ(d.points->GetValue(4 + 2, 2), 212.0);  // marker 1, z, frame 2
    EXPECT_DOUBLE_EQ(d.points->GetValue(3, 0), 3.0);        // the fourth value is kept
    EXPECT_EQ(d.points->GetValue(0, 1), 0.0);
    EXPECT_EQ(d.points->GetValue(1, 1), 0.0);
    EXPECT_FLOAT_EQ(static_cast<float>(d.points->GetValue(2, 1)), 9998.9f);
    EXPECT_EQ(d.points->GetValue(3, 1), 0.0);  // NaN
}

TEST(RicFile, PaddingIsAWholeBlockWhenTheDataEndOnABoundary) {
    testsupport::TempDir dir;
    RicLayout s;
    s.frames = 32;
    s.markers = 2;  // 32 x 2 x 16 = 1024 bytes
    s.names = {"RASI", "r knee 1"};
    const std::string bytes = MakeRic(s);
    ASSERT_EQ(bytes.size(), 512u + 1024u + 512u + 16u);
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("t.rah"), bytes));
    TDataFile d(nullptr);
    ASSERT_TRUE(LoadInto(d, dir.file("t.rah")));
    EXPECT_EQ(d.PointLabel(0), "RASI");
    EXPECT_EQ(d.PointLabel(1), "r knee 1");
}

TEST(RicFile, WithoutWholeNamesThePointsGetNumberedLabels) {
    testsupport::TempDir dir;
    RicLayout s;
    s.names = {"A", "B"};
    std::string bytes = MakeRic(s);
    bytes.pop_back();  // the last name is cut
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("t.raw"), bytes));
    TDataFile d(nullptr);
    ASSERT_TRUE(LoadInto(d, dir.file("t.raw")));
    EXPECT_EQ(d.PointLabel(0), "Marker 1");
    EXPECT_EQ(d.PointLabel(1), "Marker 2");
}

TEST(RicFile, DamagedFilesAreRefused) {
    testsupport::TempDir dir;
    RicLayout good;
    good.names = {"A", "B"};
    const std::string whole = MakeRic(good);
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::vector<Case> cases;
    for (size_t cut : {size_t{0}, size_t{1}, size_t{431}, size_t{511}, size_t{512}, size_t{512 + 95}})
        cases.push_back({"cut", whole.substr(0, cut)});
    for (int field : {2, 4, 430}) {
        for (int16_t v : {int16_t{0}, int16_t{-1}, int16_t{-32768}}) {
            std::string b = whole;
            dez::StoreI16LE(reinterpret_cast<uint8_t*>(&b[static_cast<size_t>(field)]), v);
            cases.push_back({"field", b});
        }
    }
    std::string huge = whole;  // 32767 frames x 32767 markers announced in a small file
    dez::StoreI16LE(reinterpret_cast<uint8_t*>(&huge[2]), 32767);
    dez::StoreI16LE(reinterpret_cast<uint8_t*>(&huge[4]), 32767);
    cases.push_back({"huge", huge});
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(std::string(cases[i].what) + " " + std::to_string(i));
        ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("bad.ric"), cases[i].bytes));
        TDataFile d(nullptr);
        EXPECT_FALSE(LoadInto(d, dir.file("bad.ric")));
        EXPECT_EQ(d.points, nullptr);
        EXPECT_EQ(d.GetEventCount(), 0);
    }
}

// A recording of `frames` frames and `markers` markers beside which companions are written.
struct Trial {
    testsupport::TempDir dir;
    std::string recording;
    Trial(const char* name, int frames, int markers) {
        RicLayout s;
        s.frames = frames;
        s.markers = markers;
        for (int m = 0; m < markers; ++m) s.names.push_back("M" + std::to_string(m + 1));
        recording = dir.file(name);
        testsupport::WriteFileBytes(recording, MakeRic(s));
    }
    void Companion(const char* name, int frames, int count, float first, std::vector<std::string> names = {}) {
        RicLayout s;
        s.frames = frames;
        s.markers = count;
        s.value = [first](int f, int m, int c) { return f == 0 && m == 0 && c == 0 ? first : 1.0f; };
        s.names = std::move(names);
        s.nameWidth = 6;
        s.nameOffset = s.names.empty() ? 0 : 10;
        testsupport::WriteFileBytes(dir.file(name), MakeRic(s));
    }
};

TEST(RicFile, CompanionsAppendLabelledModelOutputs) {
    Trial t("walk.RIC", 5, 2);
    t.Companion("walk.ANG", 5, 2, 12.5f, {"R_PELV", "L_HIP"});
    t.Companion("walk.mom", 5, 6, 0.5f);
    t.Companion("walk.Pwr", 5, 8, -9999.0f);
    TDataFile d(nullptr);
    ASSERT_TRUE(LoadInto(d, t.recording));
    ASSERT_EQ(d.GetNumberOfPoints(), 2 + 2 + 6 + 8);
    EXPECT_EQ(d.PointLabel(2), "R_PELV");
    EXPECT_EQ(d.PointLabel(3), "L_HIP");
    EXPECT_DOUBLE_EQ(d.points->GetValue(2 * 4, 0), 12.5);
    EXPECT_EQ(d.PointLabel(4), "RHipMoment");
    EXPECT_EQ(d.PointLabel(9), "LAnkleMoment");
    EXPECT_DOUBLE_EQ(d.points->GetValue(4 * 4, 0), -500.0);
    EXPECT_DOUBLE_EQ(d.points->GetValue(4 * 4 + 1, 0), -1000.0);
    EXPECT_EQ(d.PointLabel(10), "Power 1");
    EXPECT_EQ(d.PointLabel(17), "Power 8");
    EXPECT_EQ(d.points->GetValue(10 * 4, 0), 0.0);  // -9999 is a missing value
    // The recording's own samples are kept.
    EXPECT_DOUBLE_EQ(d.points->GetValue(4 + 1, 3), 311.0);
    ASSERT_NE(d.angles, nullptr);
    ASSERT_NE(d.moments, nullptr);
    ASSERT_NE(d.powers, nullptr);
    EXPECT_EQ(d.angles->count, 2);
    EXPECT_EQ(d.moments->count, 6);
    EXPECT_EQ(d.powers->count, 8);
    EXPECT_EQ(d.modelOutputCount, 16);
    char unit[256];
    ASSERT_EQ(d.GetPointUnit(unit, 4), 4);
    EXPECT_STREQ(unit, "N.mm");
    EXPECT_TRUE(d.IsModelOutputPoint(3));
    EXPECT_FALSE(d.IsModelOutputPoint(1));
}

TEST(RicFile, CompanionsThatDoNotFitAreSkipped) {
    Trial t("walk.rif", 101, 2);
    t.Companion("walk.ang", 100, 2, 1.0f, {"A", "B"});  // another frame count
    t.Companion("walk.mom", 101, 6, 1.0f);
    {
        // A moment file cut inside its samples, and powers without names (they are not needed).
        std::string mom = testsupport::ReadFileBytes(t.dir.file("walk.mom"));
        ASSERT_TRUE(testsupport::WriteFileBytes(t.dir.file("walk.mom"), mom.substr(0, 512 + 100)));
    }
    t.Companion("walk.pwr", 101, 1, 2.0f);
    TDataFile d(nullptr);
    ASSERT_TRUE(LoadInto(d, t.recording));
    ASSERT_EQ(d.GetNumberOfPoints(), 3);
    EXPECT_EQ(d.PointLabel(2), "RHipPower");
    EXPECT_DOUBLE_EQ(d.points->GetValue(8, 0), -2000.0);
}

TEST(RicFile, AnglesWithoutNamesStillGetLabels) {
    Trial t("walk.ric", 4, 1);
    t.Companion("walk.ang", 4, 3, 1.0f, {"KNEE"});  // one name for three angles
    TDataFile d(nullptr);
    ASSERT_TRUE(LoadInto(d, t.recording));
    ASSERT_EQ(d.GetNumberOfPoints(), 4);
    EXPECT_EQ(d.PointLabel(1), "KNEE");
    EXPECT_EQ(d.PointLabel(2), "Angle 2");
    EXPECT_EQ(d.PointLabel(3), "Angle 3");
    EXPECT_EQ(d.angles->count, 3);
}

TEST(RicFile, RawAndRahRecordingsReadNoCompanions) {
    for (const char* name : {"walk.RAW", "walk.rah"}) {
        SCOPED_TRACE(name);
        Trial t(name, 5, 2);
        t.Companion("walk.ang", 5, 1, 1.0f, {"A"});
        testsupport::WriteFileBytes(t.dir.file("walk.gr1"), std::string(512, '\0'));
        TDataFile d(nullptr);
        ASSERT_TRUE(LoadInto(d, t.recording));
        EXPECT_EQ(d.GetNumberOfPoints(), 2);
        EXPECT_EQ(d.analog, nullptr);
    }
}

// ---- Public trials ----

struct SampleTrial {
    const char* file;
    int frames;
    int markers;
    std::vector<std::string> events;
    int points;      // with the companions
    int channels;    // plate channels
    int plates;
    const char* firstLabel;
    const char* firstAngle;
};

// Reference values read from the files with an independent script (Python struct).
const SampleTrial kTrials[] = {
    {"elite/1123xa01/1123xa01.RIC", 540, 14,
     {"Foot Off@257/Left#2", "Foot Off@219/Right#2", "Foot Strike@213/Left#1", "Foot Strike@296/Left#1",
      "Foot Strike@173/Right#1", "Foot Strike@255/Right#1"},
     32, 12, 2, "r should", "R_PELV"},
    {"elite/561XXA01/561XXA01.RIC", 361, 14,
     {"Foot Off@114/Left#2", "Foot Off@170/Right#2", "Foot Strike@49/Left#1", "Foot Strike@161/Left#1",
      "Foot Strike@105/Right#1", "Foot Strike@216/Right#1"},
     32, 18, 3, "r should", nullptr},
};

TEST(RicSamples, TrialsOpenWithTheirCompanions) {
    for (const SampleTrial& s : kTrials) {
        SCOPED_TRACE(s.file);
        const std::string path = testsupport::SampleFile(s.file);
        if (path.empty()) FAIL() << "sample file missing";
        TDataFile d(nullptr);
        ASSERT_TRUE(LoadInto(d, path));
        EXPECT_EQ(d.GetFrameCount(), s.frames);
        EXPECT_FLOAT_EQ(d.GetPointRate(), 100.0f);
        EXPECT_EQ(EventsOf(d), s.events);
        ASSERT_EQ(d.GetNumberOfPoints(), s.points);
        EXPECT_EQ(d.PointLabel(0), s.firstLabel);
        EXPECT_EQ(d.angles->count, 10);
        EXPECT_EQ(d.moments->count, 6);
        EXPECT_EQ(d.powers->count, 2);
        if (s.firstAngle) {
            EXPECT_EQ(d.PointLabel(s.markers), s.firstAngle);
        }
        EXPECT_EQ(d.PointLabel(s.markers + 10), "RHipMoment");
        EXPECT_EQ(d.PointLabel(s.markers + 16), "RHipPower");
        // A mid-stance marker sits within the laboratory's couple of metres.
        for (int m = 0; m < s.markers; ++m) {
            const double x = d.points->GetValue(4 * m, s.frames / 2);
            EXPECT_LT(std::fabs(x), 5000.0) << m;
        }
        ASSERT_NE(d.analog, nullptr);
        EXPECT_EQ(d.analog->GetRows(), s.channels);
        EXPECT_EQ(d.analog->GetCols(), s.frames);
        EXPECT_EQ(d.GetPlateCount(), s.plates);
        EXPECT_FLOAT_EQ(d.GetAnalogRate(), 100.0f);
        EXPECT_EQ(d.AnalogLabel(3), "Fz 1");
        EXPECT_EQ(d.AnalogLabel(s.channels), "Mz " + std::to_string(s.plates));
        for (int p = 0; p < s.plates; ++p) {
            double peak = 0, moment = 0;
            for (int c = 0; c < d.analog->GetCols(); ++c) {
                peak = std::max(peak, -d.analog->GetValue(6 * p + 2, c));
                moment = std::max(moment, std::fabs(d.analog->GetValue(6 * p + 4, c)));
            }
            // Body weight of a walking child or adult, and its moment about a plate's centre
            // (N.mm) when the foot lands well off it.
            EXPECT_GT(peak, 150.0) << p;
            EXPECT_LT(peak, 2000.0) << p;
            EXPECT_GT(moment, 1e3) << p;
            EXPECT_LT(moment, 5e5) << p;
        }
    }
}

TEST(RicSamples, PlateChannelsMatchAnIndependentReading) {
    const std::string path = testsupport::SampleFile("elite/1123xa01/1123xa01.RIC");
    if (path.empty()) FAIL() << "sample file missing";
    TDataFile d(nullptr);
    ASSERT_TRUE(LoadInto(d, path));
    // Python over 1123xa01.GR1 (sample 23) and .GR2 (sample 24), with the moments about the centre.
    const struct {
        int row0;
        int column;
        double v[6];
    } refs[] = {
        {0, 198, {-37.1044921875, 9.6357421875, -205.798828125, -18929.68996846676, 48183.15647122264, 1700.729886546731}},
        {6, 235, {13.27587890625, -12.39013671875, -173.6171875, 27705.11984348297, 18940.836987495422, 1158.023378252983}},
    };
    for (const auto& r : refs) {
        for (int j = 0; j < 6; ++j) {
            SCOPED_TRACE(j);
            EXPECT_NEAR(d.analog->GetValue(r.row0 + j, r.column), r.v[j], 1e-6 * std::fabs(r.v[j]) + 1e-9);
        }
    }
    EXPECT_EQ(d.analog->GetValue(2, 174), 0.0);  // before plate 1's first sample
    TPlateForces forces;
    ASSERT_TRUE(d.GetPlateForces(0, 198, &forces, 5.0f, false));
    // The plate turns its force into laboratory axes, which keeps its size.
    const double size = std::sqrt(37.1044921875 * 37.1044921875 + 9.6357421875 * 9.6357421875 +
                                  205.798828125 * 205.798828125);
    EXPECT_NEAR(std::hypot(forces.force[0], forces.force[1], forces.force[2]), size, 1e-3);
    int type = 0, channels[8] = {};
    double corners[12], origin[3];
    ASSERT_TRUE(d.GetPlateGeometry(1, &type, channels, corners, origin));
    EXPECT_EQ(type, 4);
    EXPECT_EQ(channels[0], 7);
    EXPECT_EQ(channels[5], 12);
    EXPECT_NEAR(corners[0], 402.1354064941406, 1e-4);
    EXPECT_NEAR(corners[1], 4.532993793487549, 1e-4);
    EXPECT_DOUBLE_EQ(origin[0], 300.0);
    EXPECT_DOUBLE_EQ(origin[1], 11.0);
    EXPECT_DOUBLE_EQ(origin[2], 200.0);
}

TEST(RicSamples, RawAndRahOfATrialAgree) {
    for (const char* stem : {"elite/1123xa01/1123xa01", "elite/561XXA01/561XXA01"}) {
        SCOPED_TRACE(stem);
        const std::string raw = testsupport::SampleFile(std::string(stem) + ".RAW");
        const std::string rah = testsupport::SampleFile(std::string(stem) + ".RAH");
        if (raw.empty() || rah.empty()) FAIL() << "sample file missing";
        TDataFile a(nullptr), b(nullptr);
        ASSERT_TRUE(LoadInto(a, raw));
        ASSERT_TRUE(LoadInto(b, rah));
        EXPECT_EQ(a.GetFrameCount(), b.GetFrameCount());
        EXPECT_EQ(a.GetNumberOfPoints(), 20);
        EXPECT_EQ(b.GetNumberOfPoints(), 20);
        EXPECT_EQ(a.GetPointRate(), b.GetPointRate());
        EXPECT_EQ(EventsOf(a), EventsOf(b));
        EXPECT_EQ(a.PointLabel(19), "sacrum");
        EXPECT_EQ(a.analog, nullptr);
    }
}

TEST(RicSamples, ThreeMarkerTrialAndItsGroundReactionFiles) {
    const std::string path = testsupport::SampleFile("elite/1216XB01/1216XB01.RAW");
    if (path.empty()) FAIL() << "sample file missing";
    TDataFile d(nullptr);
    ASSERT_TRUE(LoadInto(d, path));
    EXPECT_EQ(d.GetFrameCount(), 657);
    EXPECT_EQ(d.GetNumberOfPoints(), 3);
    EXPECT_FLOAT_EQ(d.GetPointRate(), 100.0f);
    EXPECT_EQ(d.PointLabel(2), "M3");
    EXPECT_EQ(d.analog, nullptr);  // a RAW recording reads no plate file by itself
    ASSERT_TRUE(d.ReadGRFiles(path.c_str()));
    EXPECT_EQ(d.analog->GetRows(), 12);
    EXPECT_EQ(d.analog->GetCols(), 1314);  // 200 Hz over 657 frames at 100 Hz
    EXPECT_FLOAT_EQ(d.GetAnalogRate(), 200.0f);
    EXPECT_EQ(d.GetPlateCount(), 2);
    EXPECT_NEAR(d.analog->GetValue(2, 661), -631.7802734375, 1e-9);
    EXPECT_NEAR(d.analog->GetValue(10, 809), -65700.6942243576, 1e-6);  // My 2
}

TEST(RicSamples, TruncatedRecordingIsRefused) {
    const std::string path = testsupport::SampleFile("elite/Truncated.RAH");
    if (path.empty()) FAIL() << "sample file missing";
    TDataFile d(nullptr);
    EXPECT_FALSE(LoadInto(d, path));
    EXPECT_EQ(d.points, nullptr);
    EXPECT_NE(std::string(d.GetErrorText()).find("truncated"), std::string::npos) << d.GetErrorText();
}

}  // namespace

// EMG files imported as the analog part of a recording.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"
#include "motion/TDataFile.h"
#include "platform/ByteReader.h"

namespace {

struct EmgLayout {
    int16_t ms0 = 0, s0 = 0, ms1 = 0, s1 = 1;
    int16_t channels = 2;
    int16_t rate = 10;
    int samples = -1;  // samples written; -1: as many as the header promises
};

int Promised(const EmgLayout& s) {
    return static_cast<int>((s.ms1 / 1000.0 + s.s1 - s.s0 - s.ms0 / 1000.0) * s.rate) - 1;
}

// Sample i of channel c is 100 c + i, minus 1000 on odd channels.
std::string MakeEmg(const EmgLayout& s) {
    std::vector<uint8_t> h(1024, 0xCD);
    const int16_t fields[6] = {s.ms0, s.s0, s.ms1, s.s1, s.channels, s.rate};
    for (int i = 0; i < 6; ++i) dez::StoreI16LE(&h[2 * i], fields[i]);
    dez::ByteWriter w;
    w.PutBytes(h.data(), h.size());
    const int n = s.samples >= 0 ? s.samples : Promised(s);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < s.channels; ++c) w.PutI16LE(static_cast<int16_t>(100 * c + i - (c % 2 ? 1000 : 0)));
    return std::string(w.bytes().begin(), w.bytes().end());
}

struct EmgDir {
    testsupport::TempDir dir;
    TDataFile d{2, 10, 100.0f, 0, 1, 3};
    EmgDir() { d.verbose = false; }
    std::string Write(const EmgLayout& s, const char* name = "trial.emg") {
        const std::string p = dir.file(name);
        testsupport::WriteFileBytes(p, MakeEmg(s));
        return p;
    }
};

TEST(EmgFile, SampleCountFollowsTheHeaderTimes) {
    const struct {
        EmgLayout layout;
        int channels;
        int samples;
    } cases[] = {
        {{0, 0, 0, 10, 8, 1000, -1}, 8, 9999},
        {{500, 2, 0, 3, 3, 200, -1}, 3, 99},
        {{0, 0, 564, 4, 8, 1000, -1}, 8, 4563},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.samples);
        EmgDir t;
        ASSERT_TRUE(t.d.ImportAnalogFile(t.Write(c.layout).c_str()));
        ASSERT_NE(t.d.analog, nullptr);
        EXPECT_EQ(t.d.analog->GetRows(), c.channels);
        EXPECT_EQ(t.d.analog->GetCols(), c.samples);
        EXPECT_FLOAT_EQ(t.d.GetAnalogRate(), static_cast<float>(c.layout.rate));
        EXPECT_EQ(t.d.AnalogLabel(1), "EMG 1");
        EXPECT_EQ(t.d.AnalogLabel(c.channels), "EMG " + std::to_string(c.channels));
        EXPECT_DOUBLE_EQ(t.d.analog->GetValue(1, c.samples - 1), 100 + c.samples - 1 - 1000);
        EXPECT_DOUBLE_EQ(t.d.analog->GetValue(2, 5), 205);
        EXPECT_EQ(t.d.kind, kFileText);  // the recording's kind is restored
    }
}

TEST(EmgFile, NoChannelsGiveAnEmptyTable) {
    EmgDir t;
    EmgLayout s;
    s.channels = 0;
    ASSERT_TRUE(t.d.ImportEMG(t.Write(s).c_str()));
    ASSERT_NE(t.d.analog, nullptr);
    EXPECT_EQ(t.d.analog->GetRows(), 0);
    EXPECT_EQ(t.d.AnalogLabel(1), "");
}

TEST(EmgFile, ShortOrDamagedFilesLeaveTheAnalogTableAsItWas) {
    EmgLayout whole;
    whole.channels = 3;
    whole.rate = 100;
    whole.s1 = 2;  // 199 samples
    const std::string bytes = MakeEmg(whole);
    EmgLayout negative = whole;
    negative.channels = -3;
    EmgLayout huge = whole;  // 32767 s at 32767 Hz in a small file
    huge.s1 = 32767;
    huge.rate = 32767;
    huge.samples = 2;
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"header cut", bytes.substr(0, 1023)},
        {"samples cut", bytes.substr(0, bytes.size() - 1)},
        {"negative channels", MakeEmg(negative)},
        {"huge", MakeEmg(huge)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EmgDir t;
        t.d.analog = new Matrix2D(4, 20);
        t.d.analog->SetValue(3, 19, 7.0);
        t.d.analogRate = 200.0f;
        const std::string p = t.dir.file("bad.emg");
        ASSERT_TRUE(testsupport::WriteFileBytes(p, c.bytes));
        EXPECT_FALSE(t.d.ImportEMG(p.c_str()));
        ASSERT_NE(t.d.analog, nullptr);
        EXPECT_EQ(t.d.analog->GetRows(), 4);
        EXPECT_DOUBLE_EQ(t.d.analog->GetValue(3, 19), 7.0);
        EXPECT_FLOAT_EQ(t.d.GetAnalogRate(), 200.0f);
        EXPECT_NE(std::string(t.d.GetErrorText()), "");
    }
}

TEST(EmgFile, DfnNamesTheEmgOfARecording) {
    // A recording whose .dfn names its EMG: the load imports it as the analog table.
    const std::string emg = testsupport::SampleFile("elite/1123xa01/1123xa01.EMG");
    const std::string raw = testsupport::SampleFile("elite/1123xa01/1123xa01.RAW");
    if (emg.empty() || raw.empty()) FAIL() << "sample file missing";
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("walk.raw"), testsupport::ReadFileBytes(raw)));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("walk.EMG"), testsupport::ReadFileBytes(emg)));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("walk.dfn"), "[DFN]\r\n#A:walk.EMG\r\n#E:Start,12\r\n#S:1-2-3\r\n"));
    TDataFile d(nullptr);
    d.verbose = false;
    ASSERT_TRUE(d.LoadFile(dir.file("walk.raw").c_str(), kFileDetect, true));
    EXPECT_EQ(d.GetFrameCount(), 540);
    ASSERT_NE(d.analog, nullptr);
    // Independent reading (Python struct): 8 channels, end 4 s 564 ms at 1000 Hz.
    EXPECT_EQ(d.analog->GetRows(), 8);
    EXPECT_EQ(d.analog->GetCols(), 4563);
    EXPECT_FLOAT_EQ(d.GetAnalogRate(), 1000.0f);
    EXPECT_EQ(d.AnalogLabel(8), "EMG 8");
    EXPECT_STREQ(d.stickText, "1-2-3");
    EXPECT_EQ(d.GetHeaderEventCount(), 1);
    EXPECT_FALSE(d.IsModified());
}

}  // namespace

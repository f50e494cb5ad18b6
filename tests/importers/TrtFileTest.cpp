// TRT and TRX trajectories: the two layouts read and written, damaged and hostile files refused.
#include "motion/TDataFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "support/TestSupport.h"
#include "platform/ByteReader.h"

namespace {

using testsupport::TempDir;

std::string Magic(char last) { return std::string("Fichier de Donn\x82" "es TR") + last + '\x1A'; }

// A TRT file built by hand: sample s of frame f is f * 100 + s.
std::string Trt(int32_t frames, uint8_t signals, float rate, int8_t dimension, bool trailer = true) {
    dez::ByteWriter w;
    const std::string magic = Magic('T');
    w.PutBytes(magic.data(), magic.size());
    w.PutI32LE(frames);
    w.PutU8(signals);
    w.PutF32LE(rate);
    w.PutI32LE(0);
    w.PutI32LE(0);
    w.PutI32LE(frames - 1);
    w.PutU8(1);
    w.PutU8(signals);
    w.PutF32LE(rate / 2.1f);
    for (int32_t f = 0; f < frames; ++f)
        for (int s = 0; s < signals; ++s) w.PutF32LE(static_cast<float>(f * 100 + s));
    if (trailer) {
        for (int s = 0; s < signals; ++s) {
            w.PutF32LE(1.0f);
            w.PutF32LE(0.0f);
        }
        w.PutI8(dimension);
    }
    return std::string(reinterpret_cast<const char*>(w.data()), w.size());
}

std::string Trx(int32_t frames, int32_t signals, float rate, int32_t dimension, int32_t samplesWritten = -1) {
    dez::ByteWriter w;
    const std::string magic = Magic('X');
    w.PutBytes(magic.data(), magic.size());
    w.PutI32LE(frames);
    w.PutI32LE(signals);
    w.PutF32LE(rate);
    w.PutI32LE(dimension);
    const int32_t n = samplesWritten >= 0 ? samplesWritten : frames * signals;
    for (int32_t i = 0; i < n; ++i) w.PutF32LE(static_cast<float>((i / signals) * 100 + i % signals));
    return std::string(reinterpret_cast<const char*>(w.data()), w.size());
}

class TrtFile : public ::testing::Test {
protected:
    // Loads `bytes` saved as `name` through the load dispatcher.
    bool Load(TDataFile& d, const std::string& bytes, const std::string& name = "walk.trt") {
        file = dir.file(name);
        EXPECT_TRUE(testsupport::WriteFileBytes(file, bytes));
        d.verbose = false;
        return d.LoadFile(file.c_str(), kFileDetect, true);
    }
    TempDir dir;
    std::string file;
};

TEST_F(TrtFile, ReadsSamplesRateAndDimension) {
    TDataFile d(nullptr);
    ASSERT_TRUE(Load(d, Trt(100, 6, 120.0f, 3)));
    EXPECT_EQ(d.kind, kFileTRT);
    EXPECT_EQ(d.dimension, 3);
    EXPECT_EQ(d.GetPointCount(), 2);
    EXPECT_EQ(d.GetFrameCount(), 100);
    EXPECT_FLOAT_EQ(d.pointRate, 120.0f);
    EXPECT_DOUBLE_EQ(d.points->GetValue(5, 99), 9905.0);
    EXPECT_EQ(d.PointLabel(1), "Marker 2");
}

TEST_F(TrtFile, StoredDimensionsOutsideTheRangeGiveOne) {
    const struct {
        const char* name;
        std::string bytes;
        int32_t dimension;
    } cases[] = {
        {"TRT 0", Trt(2, 6, 50.0f, 0), 1},   {"TRT 11", Trt(2, 6, 50.0f, 11), 1},
        {"TRT 10", Trt(2, 20, 50.0f, 10), 10}, {"TRX -2", Trx(2, 6, 50.0f, -2), 1},
        {"TRX 2", Trx(2, 6, 50.0f, 2), 2},   {"TRT without trailer", Trt(2, 6, 50.0f, 3, false), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TDataFile d(nullptr);
        ASSERT_TRUE(Load(d, c.bytes));
        EXPECT_EQ(d.dimension, c.dimension);
        EXPECT_EQ(d.GetFrameCount(), 2);
    }
}

TEST_F(TrtFile, TheMagicDecidesTheLayout) {
    TDataFile trx(nullptr);
    ASSERT_TRUE(Load(trx, Trx(3, 4, 60.0f, 2), "named.trt"));
    EXPECT_EQ(trx.GetPointCount(), 2);
    EXPECT_FLOAT_EQ(trx.pointRate, 60.0f);
    EXPECT_DOUBLE_EQ(trx.points->GetValue(3, 2), 203.0);

    std::string wrong = Trt(2, 3, 50.0f, 3);
    wrong[15] = '\xE9';
    TDataFile d(nullptr);
    EXPECT_FALSE(Load(d, wrong));
    EXPECT_EQ(d.points, nullptr);
    EXPECT_NE(std::string(d.GetErrorText()).find("neither a TRT nor a TRX"), std::string::npos);

    // The one-layout readers refuse the other layout and change nothing.
    TDataFile kept(1, 2, 100.0f, 0, 1, 3);
    kept.verbose = false;
    EXPECT_FALSE(kept.ReadTRTFile(file.c_str(), false, true));
    testsupport::WriteFileBytes(file, Trt(2, 3, 50.0f, 3));
    EXPECT_FALSE(kept.ReadTRXFile(file.c_str(), false, true));
    EXPECT_FLOAT_EQ(kept.pointRate, 100.0f);
    EXPECT_EQ(kept.GetFrameCount(), 2);
}

TEST_F(TrtFile, ShortAndHostileFilesAreRefused) {
    const std::string good = Trt(4, 6, 100.0f, 3);
    const size_t samplesEnd = 50 + 4 * 4 * 6;
    for (size_t n = 23; n < samplesEnd; n += 7) {
        SCOPED_TRACE(n);
        TDataFile d(nullptr);
        EXPECT_FALSE(Load(d, good.substr(0, n)));
        EXPECT_NE(std::string(d.GetErrorText()).find(file), std::string::npos) << d.GetErrorText();
    }
    for (size_t n = samplesEnd; n < good.size(); n += 5) {  // cut in the trailer: samples kept, loss said
        SCOPED_TRACE(n);
        TDataFile d(nullptr);
        EXPECT_TRUE(Load(d, good.substr(0, n)));
        EXPECT_EQ(d.GetFrameCount(), 4);
        EXPECT_EQ(d.dimension, 1);
        EXPECT_EQ(std::string(d.GetErrorText()),
                  file + ": the TRT trailer ends early (" + std::to_string(n) + " of " + std::to_string(good.size()) +
                      " bytes): its values per point are lost, one is taken");
    }
    const struct {
        const char* name;
        std::string bytes;
    } hostile[] = {
        {"negative frames", Trx(-1, 3, 50.0f, 3, 0)},
        {"negative signals", Trx(1, -3, 50.0f, 3, 0)},
        {"frames x signals beyond the file", Trx(INT32_MAX, INT32_MAX / 40000, 50.0f, 3, 0)},
        {"more signals than a recording may have", Trx(1, 70000, 50.0f, 1)},
        {"rate NaN", Trx(1, 3, std::nanf(""), 3)},
        {"rate negative", Trt(1, 3, -10.0f, 3)},
    };
    for (const auto& c : hostile) {
        SCOPED_TRACE(c.name);
        TDataFile d(nullptr);
        EXPECT_FALSE(Load(d, c.bytes, "hostile.trx"));
        EXPECT_EQ(d.points, nullptr);
    }
}

// A table with nothing in it is refused, as a recording or as an analog companion.
TEST_F(TrtFile, EmptyTablesAreRefused) {
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"TRT of 0 frames", Trt(0, 6, 100.0f, 3), ": the TRT file holds no frame (0 frames of 6 signals)"},
        {"TRT of 0 signals", Trt(5, 0, 100.0f, 3), ": the TRT file holds no signal (5 frames of 0 signals)"},
        {"TRT of neither", Trt(0, 0, 100.0f, 3), ": the TRT file holds no frame (0 frames of 0 signals)"},
        {"TRX of 0 frames", Trx(0, 6, 100.0f, 3), ": the TRX file holds no frame (0 frames of 6 signals)"},
        {"TRX of 0 signals", Trx(5, 0, 100.0f, 3), ": the TRX file holds no signal (5 frames of 0 signals)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TDataFile d(nullptr);
        EXPECT_FALSE(Load(d, c.bytes));
        EXPECT_EQ(d.points, nullptr);
        EXPECT_EQ(std::string(d.GetErrorText()), file + c.reason);

        TDataFile withAnalog(2, 10, 100.0f, 0, 1, 3);
        withAnalog.verbose = false;
        EXPECT_FALSE(withAnalog.ImportAnalogFile(file.c_str()));
        EXPECT_EQ(withAnalog.analog, nullptr);
    }
}

TEST_F(TrtFile, WriterLayouts) {
    TDataFile d(85, 3, 105.0f, 0, 1, 3);  // 255 rows
    d.verbose = false;
    for (int32_t f = 0; f < 3; ++f)
        for (int32_t r = 0; r < 255; ++r) d.points->SetValue(r, f, r + 0.25 * f);
    const std::string trt = dir.file("big.trt");
    ASSERT_TRUE(d.SaveFile(trt.c_str(), kFileTRT));
    const std::string bytes = testsupport::ReadFileBytes(trt);
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    ASSERT_EQ(bytes.size(), 50u + 4 * 3 * 255 + 8 * 255 + 1);
    EXPECT_EQ(bytes.substr(0, 23), Magic('T'));
    EXPECT_EQ(dez::LoadI32LE(b + 23), 3);
    EXPECT_EQ(b[27], 255);
    EXPECT_FLOAT_EQ(dez::LoadF32LE(b + 28), 105.0f);
    EXPECT_EQ(dez::LoadI32LE(b + 40), 2);
    EXPECT_EQ(b[44], 1);
    EXPECT_EQ(b[45], 255);
    EXPECT_FLOAT_EQ(dez::LoadF32LE(b + 46), 50.0f);
    EXPECT_FLOAT_EQ(dez::LoadF32LE(b + 50 + 4 * (255 + 7)), 7.25f);  // frame 1, row 7
    EXPECT_FLOAT_EQ(dez::LoadF32LE(b + 50 + 4 * 3 * 255), 1.0f);
    EXPECT_EQ(b[bytes.size() - 1], 3);
    EXPECT_TRUE(testsupport::ReadFileBytes(dir.file("big.dfn")).rfind("[DFN]\n", 0) == 0);

    TDataFile wide(100, 2, 50.0f, 0, 1, 3);  // 300 rows
    wide.verbose = false;
    const std::string trx = dir.file("wide.tr2");
    ASSERT_TRUE(wide.SaveFile(trx.c_str(), kFileTRT));
    const std::string x = testsupport::ReadFileBytes(trx);
    ASSERT_EQ(x.size(), 39u + 4 * 2 * 300);
    EXPECT_EQ(x.substr(0, 23), Magic('X'));
    EXPECT_EQ(dez::LoadI32LE(reinterpret_cast<const uint8_t*>(x.data()) + 27), 300);
    EXPECT_EQ(dez::LoadI32LE(reinterpret_cast<const uint8_t*>(x.data()) + 35), 3);
    EXPECT_FALSE(testsupport::ReadFileBytes(dir.file("wide.df2")).empty());
    EXPECT_FALSE(wide.WriteTRT(dir.file("refused.trt").c_str()));
    EXPECT_NE(std::string(wide.GetErrorText()).find(" :  too much data"), std::string::npos);
    EXPECT_TRUE(testsupport::ReadFileBytes(dir.file("refused.trt")).empty());
}

TEST_F(TrtFile, WrittenFilesReadBack) {
    for (const bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "TRX" : "TRT");
        TDataFile d(wide ? 90 : 4, 5, 240.0f, 0, 1, 3);
        d.verbose = false;
        d.missingValue = -9999.0f;
        for (int32_t f = 0; f < 5; ++f)
            for (int32_t r = 0; r < d.points->GetRows(); ++r) d.points->SetValue(r, f, std::sin(r * 0.1 + f) * 1000.0);
        d.points->SetValue(2, 3, -9999.0);
        d.SetPointInfo(1, "RASI", nullptr, nullptr);
        const std::string path = dir.file(wide ? "back.trx" : "back.trt");
        ASSERT_TRUE(d.SaveFile(path.c_str(), kFileTRT));
        TDataFile back(nullptr);
        back.verbose = false;
        ASSERT_TRUE(back.LoadFile(path.c_str(), kFileDetect, true));
        ASSERT_EQ(back.points->GetRows(), d.points->GetRows());
        ASSERT_EQ(back.GetFrameCount(), 5);
        for (int32_t f = 0; f < 5; ++f)
            for (int32_t r = 0; r < d.points->GetRows(); ++r)
                ASSERT_EQ(back.points->GetValue(r, f), static_cast<float>(d.points->GetValue(r, f))) << r << " " << f;
        // The companion's period, printed with six digits, replaces the header's rate.
        EXPECT_NEAR(back.pointRate, 240.0f, 240.0f * 1e-5f);
        EXPECT_FLOAT_EQ(back.missingValue, -9999.0f);
        EXPECT_EQ(back.dimension, 3);
        EXPECT_EQ(back.PointLabel(1), "RASI");
    }
}

TEST_F(TrtFile, AnalogImportKeepsEverySample) {
    const std::string analog = dir.file("force.trt");
    ASSERT_TRUE(testsupport::WriteFileBytes(analog, Trt(1234, 8, 1000.0f, 1)));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("force.dfn"), "#P:0.5\n#1:Fx\n#FP:1\n"));
    TDataFile d(2, 100, 100.0f, 0, 1, 3);
    d.verbose = false;
    ASSERT_TRUE(d.ImportAnalogFile(analog.c_str()));
    EXPECT_EQ(d.analog->GetRows(), 8);
    EXPECT_EQ(d.analog->GetCols(), 1234);
    EXPECT_FLOAT_EQ(d.analogRate, 2000.0f);  // the companion's period wins
    EXPECT_EQ(d.AnalogLabel(1), "Fx");
    EXPECT_EQ(d.GetPlateCount(), 1);
    EXPECT_EQ(d.dimension, 3);  // an analog import leaves the points alone
}

TEST_F(TrtFile, LoadThroughCompanionAnalogFile) {
    const std::string analog = dir.file("walk_a.trt");
    ASSERT_TRUE(testsupport::WriteFileBytes(analog, Trt(40, 2, 400.0f, 1)));
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("walk.dfn"), "#A:walk_a.trt\n#R:3\n"));
    TDataFile d(nullptr);
    ASSERT_TRUE(Load(d, Trt(10, 6, 100.0f, 1)));
    ASSERT_NE(d.analog, nullptr);
    EXPECT_EQ(d.analog->GetCols(), 40);
    EXPECT_FLOAT_EQ(d.analogRate, 400.0f);
    EXPECT_EQ(std::string(d.analogFile), analog);
    EXPECT_EQ(d.dimension, 3);
    EXPECT_FALSE(d.IsModified());
}

}  // namespace

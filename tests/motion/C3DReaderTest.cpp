#include "motion/C3DFixture.h"
#include "motion/C3DFormat.h"
#include "motion/C3DParameters.h"
#include "motion/TC3DData.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using c3dtest::C3DFixture;
using c3dtest::PointSample;

namespace {

// With DEZ_FUZZ_SEEDS naming a folder, every fixture read is also left there as a seed for the
// reader's fuzz target.
void KeepAsSeed(const std::vector<uint8_t>& bytes) {
    static int counter = 0;
    const char* folder = std::getenv("DEZ_FUZZ_SEEDS");
    if (!folder || !*folder) return;
    const std::string name = std::string(folder) + "/fixture_" + std::to_string(++counter) + ".c3d";
    testsupport::WriteFileBytes(name, std::string(bytes.begin(), bytes.end()));
}

std::unique_ptr<TC3DData> Load(const std::vector<uint8_t>& bytes, bool keepCameraMask = false, bool readFrames = true,
                               bool strip = true) {
    KeepAsSeed(bytes);
    auto d = std::make_unique<TC3DData>();
    d->verbose = false;
    d->LoadC3DFromBuffer(bytes.data(), bytes.size(), keepCameraMask, readFrames, strip);
    return d;
}

bool Loads(TC3DData& d, const std::vector<uint8_t>& bytes, bool keepCameraMask = false) {
    KeepAsSeed(bytes);
    d.verbose = false;
    return d.LoadC3DFromBuffer(bytes.data(), bytes.size(), keepCameraMask, true, true);
}

C3DFixture Standard(int processor, bool integer) {
    C3DFixture f(processor);
    f.points = 3;
    f.channels = 2;
    f.samplesPerFrame = 4;
    f.scale = integer ? 0.5f : -0.5f;
    f.StandardParameters();
    f.Floats(2, "SCALE", {2.0f, 0.5f});
    f.Int16s(2, "OFFSET", {10, -4});
    f.Floats(2, "GEN_SCALE", {0.5f});
    f.headerEvents = {{0.05f, "HS"}};
    return f;
}

TEST(C3DReader, SameRecordingInEveryProcessorAndNumberFormat) {
    for (int processor = 1; processor <= 3; ++processor) {
        for (bool integer : {true, false}) {
            SCOPED_TRACE("processor " + std::to_string(processor) + (integer ? " integer" : " float"));
            C3DFixture f = Standard(processor, integer);
            TC3DData d;
            ASSERT_TRUE(Loads(d, f.Build())) << d.errorText;
            EXPECT_EQ(d.processor, processor);
            EXPECT_EQ(d.integerData, integer);
            EXPECT_EQ(d.GetPointCount(), 3);
            EXPECT_EQ(d.GetFrameCount(), 10);
            EXPECT_EQ(d.GetDimension(), 4);
            EXPECT_FLOAT_EQ(d.pointRate, 100.0f);
            EXPECT_FLOAT_EQ(d.analogRate, 400.0f);
            EXPECT_EQ(d.PointLabel(2), "PT3");
            EXPECT_EQ(d.AnalogLabel(2), "CH2");
            char out[256];
            ASSERT_TRUE(d.GetHeaderEvent(out, 0));
            EXPECT_STREQ(out, "HS");
            EXPECT_EQ(d.FindHeaderEvent("HS"), 5);
            // Frame 4, point 1: (5, 20, -4); integer values are multiplied by the scale.
            const double k = integer ? 0.5 : 1.0;
            EXPECT_DOUBLE_EQ(d.points->GetValue(4 + 0, 4), 5 * k);
            EXPECT_DOUBLE_EQ(d.points->GetValue(4 + 1, 4), 20 * k);
            EXPECT_DOUBLE_EQ(d.points->GetValue(4 + 2, 4), -4 * k);
            // Residual byte 4: x scale for integers, x -scale for floats, both 2.0 here.
            EXPECT_DOUBLE_EQ(d.points->GetValue(4 + 3, 4), 2.0);
            // Analog frame 3 sample 2 channel 1: raw 132, offset -4, scale 0.5 x gen 0.5.
            EXPECT_DOUBLE_EQ(d.analog->GetValue(1, 3 * 4 + 2), (132 + 4) * 0.25);
            EXPECT_DOUBLE_EQ(d.analog->GetValue(0, 3 * 4 + 2), (32 - 10) * 1.0);
        }
    }
}

TEST(C3DReader, HeaderErrors) {
    struct Case {
        const char* name;
        std::function<void(C3DFixture&)> change;
        const char* error;
    };
    const Case cases[] = {
        {"processor byte 83", [](C3DFixture& f) { f.processorByte = 83; }, "Processor Error"},
        {"processor byte 87", [](C3DFixture& f) { f.processorByte = 87; }, "Processor Error"},
        {"last frame before first", [](C3DFixture& f) { f.firstFrame = 10; f.lastFrame = 9; f.dataFrames = 0; }, "Empty File"},
        {"data start block 1", [](C3DFixture& f) { f.dataStart = 1; }, "Offset Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        C3DFixture f;
        f.StandardParameters();
        c.change(f);
        TC3DData d;
        EXPECT_FALSE(Loads(d, f.Build()));
        EXPECT_STREQ(d.errorText, c.error);
    }
}

TEST(C3DReader, MissingFilesAndEmptyInput) {
    TC3DData d;
    d.verbose = false;
    EXPECT_FALSE(d.LoadC3D(nullptr, false, true, true));
    testsupport::TempDir dir;
    EXPECT_FALSE(d.LoadC3D(dir.file("absent.c3d").c_str(), false, true, true));
    EXPECT_STREQ(d.errorText, "No such file or directory");
    EXPECT_STREQ(d.path, dir.file("absent.c3d").c_str());
    EXPECT_FALSE(d.LoadC3D(dir.path().c_str(), false, true, true));  // a folder
    EXPECT_STREQ(d.errorText, "Is a directory");
    EXPECT_FALSE(d.LoadC3DFromBuffer(nullptr, 0, false, true, true));
    EXPECT_FALSE(d.HasPoints());
}

TEST(C3DReader, FileAndBufferGiveTheSameRecording) {
    C3DFixture f = Standard(3, true);
    const std::vector<uint8_t> bytes = f.Build();
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::WriteFileBytes(dir.file("t.c3d"), std::string(bytes.begin(), bytes.end())));
    TC3DData fromFile;
    fromFile.verbose = false;
    ASSERT_TRUE(fromFile.LoadC3D(dir.file("t.c3d").c_str(), true, true, true));
    auto fromBuffer = Load(bytes, true);
    ASSERT_EQ(fromFile.points->GetRows(), fromBuffer->points->GetRows());
    for (int i = 0; i < fromFile.points->size; ++i) EXPECT_EQ(fromFile.points->data[i], fromBuffer->points->data[i]);
    for (int i = 0; i < fromFile.analog->size; ++i) EXPECT_EQ(fromFile.analog->data[i], fromBuffer->analog->data[i]);
}

TEST(C3DReader, DataStartZeroCountsBackFromTheEnd) {
    for (bool integer : {true, false}) {
        SCOPED_TRACE(integer ? "integer" : "float");
        C3DFixture f;
        f.points = 10;
        f.channels = 8;
        f.samplesPerFrame = 10;
        f.lastFrame = 100;
        f.scale = integer ? 1.0f : -1.0f;
        f.StandardParameters();
        f.extraParameterBlocks = 3;  // the data do not follow the parameters
        f.dataStart = 0;
        const std::vector<uint8_t> bytes = f.Build();
        auto d = Load(bytes);
        ASSERT_TRUE(d->HasPoints()) << d->errorText;
        const long frameBytes = integer ? 10 * 8 + 80 * 2 : 10 * 16 + 80 * 4;
        EXPECT_EQ(gC3DDataOffset, static_cast<long>(bytes.size()) - 100 * frameBytes);
        EXPECT_DOUBLE_EQ(d->points->GetValue(1, 99), 10.0);
        EXPECT_DOUBLE_EQ(d->analog->GetValue(7, 99 * 10 + 9), 99 * 10 + 9 + 700);
    }
}

TEST(C3DReader, FrameRangesBeyondSixteenBits) {
    {
        SCOPED_TRACE("header range of 40000 frames");
        C3DFixture f;
        f.points = 1;
        f.scale = 1.0f;
        f.lastFrame = 40000;
        f.point = [](int frame, int) { return PointSample{float(frame % 1000), 1, 2, 0}; };
        f.StandardParameters();
        auto d = Load(f.Build());
        EXPECT_EQ(d->GetFrameCount(), 40000);
        EXPECT_EQ(d->lastFrame, 40000);
        EXPECT_DOUBLE_EQ(d->points->GetValue(0, 39999), 999.0);
    }
    {
        SCOPED_TRACE("TRIAL range of 70000 frames");
        C3DFixture f;
        f.points = 1;
        f.scale = 1.0f;
        f.lastFrame = 4464;  // 70000 in 16 bits
        f.dataFrames = 70000;
        f.StandardParameters();
        f.Group(3, "TRIAL");
        f.Int16s(3, "ACTUAL_START_FIELD", {1, 0});
        f.Int16s(3, "ACTUAL_END_FIELD", {70000 & 0xFFFF, 70000 >> 16});
        auto d = Load(f.Build());
        EXPECT_EQ(d->GetFrameCount(), 70000);
        EXPECT_EQ(d->firstFrame, 1);
        EXPECT_EQ(d->lastFrame, 70000);
    }
    {
        SCOPED_TRACE("TRIAL start 0 leaves the header range");
        C3DFixture f;
        f.StandardParameters();
        f.Group(3, "TRIAL");
        f.Int16s(3, "ACTUAL_START_FIELD", {0, 0});
        f.Int16s(3, "ACTUAL_END_FIELD", {500, 0});
        auto d = Load(f.Build());
        EXPECT_EQ(d->GetFrameCount(), 10);
    }
}

TEST(C3DReader, ResidualWordsAndCameraMasks) {
    struct Case {
        bool integer;
        float word;
        double residual;
        double mask;
    };
    // Integer scale 0.5; float scale -0.5 (residual = -byte x scale). Only a negative fourth word
    // marks a point as not measured; the residual byte is unsigned.
    const double invalid = kInvalidResidual;
    const Case cases[] = {
        {true, -1, invalid, 255},        // FFFF: not measured, all cameras
        {true, 0x0305, 2.5, 3},          // mask 3, residual 5 x scale
        {true, 0x0300, 0.0, 3},          // residual byte 0: valid, computed or gap-filled
        {true, 0x03C8, 100.0, 3},        // residual byte 200: unsigned
        {true, -32763, invalid, 0x80},   // 8005: negative whatever its low byte
        {false, -1, invalid, 255},       // the float file's "not measured" matches the integer one
        {false, 0x0305, 2.5, 3},
        {false, 0x0300, 0.0, 3},
        {false, 0x03C8, 100.0, 3},
        {false, std::nanf(""), invalid, 255},  // no number: not measured
        {false, 1e20f, 127.5, 255},      // beyond any integer: clamped, never undefined
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.word) + (c.integer ? " integer" : " float"));
        C3DFixture f;
        f.points = 1;
        f.scale = c.integer ? 0.5f : -0.5f;
        f.point = [&](int, int) { return PointSample{1, 2, 3, c.word}; };
        f.StandardParameters();
        auto d = Load(f.Build(), true);
        ASSERT_EQ(d->GetDimension(), 5);
        EXPECT_DOUBLE_EQ(d->points->GetValue(3, 0), c.residual);
        EXPECT_DOUBLE_EQ(d->points->GetValue(4, 0), c.mask);
        auto four = Load(f.Build(), false);
        EXPECT_EQ(four->GetDimension(), 4);
        EXPECT_EQ(four->points->GetRows(), 4);
    }
}

TEST(C3DReader, WithoutFramesTheTablesAreFullSizeAndZero) {
    C3DFixture f = Standard(1, true);
    f.Group(4, "FORCE_PLATFORM");
    f.Int16s(4, "USED", {1});
    auto d = Load(f.Build(), false, false);
    ASSERT_TRUE(d->HasPoints());
    EXPECT_EQ(d->GetFrameCount(), 10);
    EXPECT_EQ(d->analog->GetCols(), 40);
    for (int i = 0; i < d->points->size; ++i) ASSERT_EQ(d->points->data[i], 0.0);
    for (int i = 0; i < d->analog->size; ++i) ASSERT_EQ(d->analog->data[i], 0.0);
    EXPECT_EQ(d->PointLabel(0), "PT1");
    EXPECT_EQ(d->plateCount, 1);
    EXPECT_EQ(d->GetHeaderEventCount(), 1);
}

TEST(C3DReader, HeaderEvents) {
    C3DFixture f;
    f.StandardParameters();
    f.headerEvents = {{1.0f, "A"}, {0.99f, "B"}};
    auto d = Load(f.Build());
    EXPECT_EQ(d->FindHeaderEvent("A"), 100);
    EXPECT_EQ(d->FindHeaderEvent("B"), 99);

    C3DFixture none;
    none.StandardParameters();
    EXPECT_EQ(Load(none.Build())->headerEvents, nullptr);

    // The header has room for 18 events; a larger count must not read the bytes beyond.
    C3DFixture many;
    many.StandardParameters();
    for (int i = 0; i < 18; ++i) many.headerEvents.push_back({0.01f * i, "E" + std::to_string(i)});
    many.headerEventCount = 25;
    EXPECT_EQ(Load(many.Build())->GetHeaderEventCount(), 18);
}

TEST(C3DReader, PointScaleOfFloatFiles) {
    for (float pointScale : {-1.0f, 10.0f}) {
        SCOPED_TRACE(pointScale);
        C3DFixture f;
        f.scale = -1.0f;
        f.Group(1, "POINT");
        f.Floats(1, "SCALE", {pointScale});
        auto d = Load(f.Build());
        const double factor = pointScale == -1.0f ? 1.0 : 10.0;
        EXPECT_DOUBLE_EQ(d->points->GetValue(1, 2), 10.0 * factor);
    }
}

TEST(C3DReader, AnalogOffsetsFollowTheFormat) {
    struct Case {
        const char* format;
        int offset;
        int raw;
        double expected;
    };
    const Case cases[] = {
        {nullptr, -5, 100, 105.0},         // signed: -5 stays -5
        {"SIGNED", -5, -100, -95.0},
        {"UNSIGNED", 2048, -1, 65535.0 - 2048.0},  // sample FFFF is 65535
        {"UNSIGNED", -5, 0, -65531.0},     // offset FFFB is 65531
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format ? c.format : "no FORMAT");
        for (bool formatFirst : {true, false}) {
            C3DFixture f;
            f.scale = 1.0f;
            f.channels = 1;
            f.samplesPerFrame = 1;
            f.analog = [&](int, int, int) { return float(c.raw); };
            f.StandardParameters();
            if (c.format && formatFirst) f.Text(2, "FORMAT", c.format);
            f.Int16s(2, "OFFSET", {c.offset});
            if (c.format && !formatFirst) f.Text(2, "FORMAT", c.format);
            auto d = Load(f.Build());
            EXPECT_DOUBLE_EQ(d->analog->GetValue(0, 0), c.expected);
        }
    }
}

TEST(C3DReader, GenScaleZeroIsIgnored) {
    C3DFixture f;
    f.scale = 1.0f;
    f.channels = 1;
    f.samplesPerFrame = 1;
    f.analog = [](int, int, int) { return 8.0f; };
    f.StandardParameters();
    f.Floats(2, "GEN_SCALE", {0.0f});
    f.Floats(2, "SCALE", {0.5f});
    auto d = Load(f.Build());
    EXPECT_DOUBLE_EQ(gAnalogGenScale, 1.0);
    EXPECT_DOUBLE_EQ(d->analog->GetValue(0, 0), 4.0);
}

TEST(C3DReader, ChannelsBeyondTheStoredFactorsAreUnscaled) {
    C3DFixture f;
    f.scale = 1.0f;
    f.points = 0;
    f.channels = 130;
    f.samplesPerFrame = 1;
    f.analog = [](int, int, int c) { return float(c); };
    f.StandardParameters();
    f.Floats(2, "SCALE", std::vector<float>(130, 2.0f), {130});
    auto d = Load(f.Build());
    ASSERT_EQ(d->GetAnalogChannelCount(), 130);
    EXPECT_DOUBLE_EQ(d->analog->GetValue(127, 0), 254.0);
    EXPECT_DOUBLE_EQ(d->analog->GetValue(129, 0), 129.0);
    EXPECT_EQ(d->GetPointCount(), 0);  // analog only: no marker
}

// A type-4 plate on channels 2 .. 7 (1-based) of 8, with a calibration matrix of `values` values.
C3DFixture PlateFile(std::vector<int> plateChannels, int matrixValues, float diagonal) {
    C3DFixture f;
    f.scale = 1.0f;
    f.channels = 8;
    f.samplesPerFrame = 2;
    f.analog = [](int, int, int c) { return float(c + 1); };
    f.StandardParameters();
    f.Floats(2, "SCALE", {1, 2, 3, 4, 5, 6, 7, 8});
    f.Floats(2, "GEN_SCALE", {0.5f});
    f.Group(4, "FORCE_PLATFORM");
    f.Int16s(4, "USED", {1});
    f.Int16s(4, "TYPE", {4});
    f.Int16s(4, "CHANNEL", plateChannels, {6, 1});
    std::vector<float> matrix(static_cast<size_t>(matrixValues), 0.0f);
    for (int i = 0; i < 6 && i * 7 < matrixValues; ++i) matrix[static_cast<size_t>(i * 7)] = diagonal;
    if (matrixValues == 36) f.Floats(4, "CAL_MATRIX", matrix, {6, 6, 1});
    else if (matrixValues > 0) f.Floats(4, "CAL_MATRIX", matrix, {matrixValues, 1, 1});
    return f;
}

TEST(C3DReader, CalibratedPlates) {
    {
        SCOPED_TRACE("identity matrix");
        auto d = Load(PlateFile({2, 3, 4, 5, 6, 7}, 36, 1.0f).Build());
        for (int c = 0; c < 8; ++c) EXPECT_DOUBLE_EQ(d->analog->GetValue(c, 3), (c + 1) * (c + 1) * 0.5);
        EXPECT_EQ(d->plates[0].type, 2);
    }
    {
        SCOPED_TRACE("diagonal 2");
        auto d = Load(PlateFile({2, 3, 4, 5, 6, 7}, 36, 2.0f).Build());
        EXPECT_DOUBLE_EQ(d->analog->GetValue(1, 0), 2 * 2 * 2 * 0.5);
        EXPECT_DOUBLE_EQ(d->analog->GetValue(0, 0), 1 * 1 * 0.5);  // not a plate channel
    }
    // Broken descriptions: the plate's channels are scaled like any other and nothing is read
    // outside the table or the matrix.
    const struct {
        const char* name;
        std::vector<int> channels;
        int values;
    } broken[] = {{"matrix of 20 values", {2, 3, 4, 5, 6, 7}, 20},
                  {"no matrix", {2, 3, 4, 5, 6, 7}, 0},
                  {"channel 0", {0, 3, 4, 5, 6, 7}, 36},
                  {"channel 9 of 8", {2, 3, 4, 5, 6, 9}, 36}};
    for (const auto& b : broken) {
        SCOPED_TRACE(b.name);
        auto d = Load(PlateFile(b.channels, b.values, 2.0f).Build());
        ASSERT_TRUE(d->analog);
        for (int c = 0; c < 8; ++c) EXPECT_DOUBLE_EQ(d->analog->GetValue(c, 1), (c + 1) * (c + 1) * 0.5);
        EXPECT_EQ(d->plates[0].type, 2);
        EXPECT_FLOAT_EQ(d->ScaleAnalogValue(10.0f, 2.0f, 3.0f, 2), 24.0f);
    }
}

TEST(C3DReader, PointLabelContinuations) {
    auto texts = [](int n, const std::string& prefix) {
        std::vector<std::string> t;
        for (int i = 0; i < n; ++i) t.push_back(prefix + std::to_string(i));
        return t;
    };
    {
        SCOPED_TRACE("LABELS then LABELS2");
        C3DFixture f;
        f.points = 270;
        f.dataFrames = 1;
        f.Group(1, "POINT");
        f.Texts(1, "LABELS", texts(255, "A"), 5);
        f.Texts(1, "LABELS2", texts(10, "B"), 5);
        auto d = Load(f.Build());
        EXPECT_EQ(d->PointLabel(254), "A254");
        EXPECT_EQ(d->PointLabel(255), "B0");
        EXPECT_EQ(d->PointLabel(264), "B9");
        EXPECT_EQ(d->PointLabel(265), "Marker 266");
    }
    {
        SCOPED_TRACE("LABELS2 alone pads the list");
        C3DFixture f;
        f.points = 20;
        f.Group(1, "POINT");
        f.Texts(1, "LABELS2", texts(10, "B"), 5);
        f.Texts(1, "LABELS0", texts(3, "X"), 5);
        f.Texts(1, "LABELSX", texts(3, "Y"), 5);
        f.Texts(1, "LABELS99999", texts(3, "Z"), 5);
        auto d = Load(f.Build());
        EXPECT_EQ(d->pointLabels->count, 265);
        EXPECT_EQ(d->PointLabel(19), "Marker 20");
        EXPECT_EQ(d->PointLabel(20), " ");
        EXPECT_EQ(d->PointLabel(264), "B9");
        EXPECT_EQ(d->PointLabel(0), "Marker 1");
    }
    {
        SCOPED_TRACE("fewer labels than points, blank labels");
        C3DFixture f;
        f.points = 15;
        f.Group(1, "POINT");
        std::vector<std::string> labels = texts(12, "L");
        labels[3] = "";
        f.Texts(1, "LABELS", labels, 8);
        auto d = Load(f.Build());
        EXPECT_EQ(d->PointLabel(11), "L11");
        EXPECT_EQ(d->PointLabel(3), "");
        EXPECT_EQ(d->PointLabel(12), "Marker 13");
        EXPECT_EQ(d->PointLabel(14), "Marker 15");
    }
}

TEST(C3DReader, EventTimesCountFromTheFirstFrameWhateverTheOrder) {
    for (bool trialFirst : {true, false}) {
        SCOPED_TRACE(trialFirst ? "TRIAL before EVENT" : "EVENT before TRIAL");
        C3DFixture f;
        f.firstFrame = 101;
        f.lastFrame = 300;
        f.points = 1;
        f.StandardParameters();
        auto trial = [&] {
            f.Group(3, "TRIAL");
            f.Int16s(3, "ACTUAL_START_FIELD", {101, 0});
            f.Int16s(3, "ACTUAL_END_FIELD", {300, 0});
        };
        if (trialFirst) trial();
        f.Group(5, "EVENT");
        f.Texts(5, "LABELS", {"Foot Strike", "Foot Off", "A", "B", "C"}, 12);
        f.Floats(5, "TIMES", {0, 2.0f, 0, 2.5f, 0, 3.0f}, {2, 3});
        f.Floats(5, "BADTIMES", {0, 2.0f, 0}, {3, 1});
        f.Int16s(5, "ICON_IDS", {7, -2});
        f.Raw(5, "GENERIC_FLAGS", 1, {2}, {1, 0});
        f.Texts(5, "SUBJECTS", {"Jane", "Jane"}, 4);
        if (!trialFirst) trial();
        auto d = Load(f.Build());
        ASSERT_EQ(d->GetEventCount(), 5);
        EXPECT_EQ(d->events->items[0]->id, 100);
        EXPECT_EQ(d->events->items[1]->id, 150);
        EXPECT_EQ(d->events->items[2]->id, 200);
        EXPECT_EQ(d->events->items[3]->id, 4);  // no time: keeps its position + 1
        EXPECT_EQ(d->events->items[4]->id, 5);
        EXPECT_EQ(d->events->items[0]->value, 7);
        EXPECT_EQ(d->events->items[1]->value, -2);
        EXPECT_EQ(d->events->items[2]->value, -1);
        EXPECT_EQ(d->events->items[0]->flag, 1);
        EXPECT_STREQ(d->events->items[1]->subject, "Jane");
        EXPECT_EQ(d->eventTimes, nullptr);
    }
    // TIMES must be [2, n].
    C3DFixture f;
    f.StandardParameters();
    f.Group(5, "EVENT");
    f.Texts(5, "LABELS", {"A"}, 4);
    f.Floats(5, "TIMES", {0, 0.05f, 0}, {3, 1});
    EXPECT_EQ(Load(f.Build())->events->items[0]->id, 1);
}

TEST(C3DReader, ParameterEdgeCases) {
    C3DFixture f;
    f.points = 2;
    f.StandardParameters();
    f.Text(1, "X_SCREEN", "+");  // one character only
    f.Text(1, "Y_SCREEN", "+Z");
    f.Group(4, "FORCE_PLATFORM");
    f.Int16s(4, "USED", {70});
    f.Int16s(4, "ZERO", {5});  // one value of two
    f.Group(-1 * -3, "GRP");
    f.Raw(3, "abc", 2, {}, {1, 0});
    f.Group(6, "EVENT_CONTEXT");
    f.Texts(6, "LABELS", {"Left", "Right"}, 5);
    f.Int16s(6, "COLOURS", {255, 0, 128, 7}, {2, 2});  // two of three components per context
    f.Group(7, "TRIAL");
    f.Int16s(7, "ACTUAL_START_FIELD", {1});  // one word of two
    f.Int16s(7, "ACTUAL_END_FIELD", {10});
    f.Group(8, "EVENT");
    f.Int16s(8, "USED", {0});
    f.Raw(9, "ORPHAN", 2, {}, {1, 0});  // parameter of a group never declared
    auto d = Load(f.Build());
    ASSERT_TRUE(d->HasPoints()) << d->errorText;
    EXPECT_STREQ(d->xScreen, "+");
    EXPECT_STREQ(d->yScreen, "+Z");
    EXPECT_EQ(d->plateCount, 64);
    EXPECT_EQ(d->plateZero[0], 5);
    EXPECT_EQ(d->plateZero[1], 0);
    const TC3DGroup* grp = d->FindGroup("GRP");
    ASSERT_NE(grp, nullptr);
    EXPECT_EQ(grp->id, 3);
    ASSERT_NE(grp->FindParameter("ABC"), nullptr);
    EXPECT_EQ(grp->FindParameter("ABC")->Integer(0, false), 1);
    EXPECT_EQ(d->contextColourCount, 2);
    const uint8_t expected[6] = {255, 0, 0, 128, 7, 0};
    EXPECT_EQ(std::memcmp(d->contextColours, expected, 6), 0);
    EXPECT_EQ(d->GetFrameCount(), 10);
    EXPECT_TRUE(d->FindGroup("POINT")->FindParameter("USED")->locked);
    EXPECT_FALSE(d->FindGroup("EVENT")->FindParameter("USED")->locked);
    EXPECT_EQ(d->FindGroup("POINT")->FindParameter("ORPHAN"), nullptr);
}

TEST(C3DReader, DataStartParameter) {
    struct Case {
        const char* name;
        int extraBlocks;
        int headerStart;  // -1: natural
        int parameter;    // POINT:DATA_START; 0 = the block after the parameters
        bool moves;
    };
    const Case cases[] = {
        {"same as the header", 0, -1, -1, false},
        {"block after the parameters", 2, 5, 0, true},
        {"any other block", 2, 5, 4, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        C3DFixture f;
        f.scale = 1.0f;
        f.extraParameterBlocks = c.extraBlocks;
        f.StandardParameters();
        // The parameters fit in block 2, so the block after them is 3 and the natural start 3 + extra.
        const int natural = 3 + c.extraBlocks;
        f.Int16s(1, "DATA_START", {c.parameter == -1 ? natural : (c.parameter == 0 ? 3 : c.parameter)});
        f.dataStart = c.headerStart == -1 ? natural : c.headerStart;
        TC3DData d;
        Loads(d, f.Build());
        EXPECT_EQ(gC3DDataOffset, c.moves ? 2 * 512 : (f.dataStart - 1) * 512);
    }
}

TEST(C3DReader, MarkerSetNames) {
    C3DFixture f;
    f.StandardParameters();
    f.Group(3, "SUBJECTS");
    f.Texts(3, "MARKER_SETS", {"PlugInGait", "Second set"}, 16);
    f.Texts(3, "DISPLAY_SETS", {"Display one"}, 16);
    auto d = Load(f.Build());
    char set[256], display[256];
    EXPECT_TRUE(d->GetMarkerSetNames(set, display, 1));
    EXPECT_STREQ(set, "Second set");
    EXPECT_STREQ(display, "");  // only one display set: the second is not read from beyond it
    EXPECT_TRUE(d->GetMarkerSetNames(set, display, -3));
    EXPECT_STREQ(set, "PlugInGait");
    EXPECT_STREQ(display, "Display one");
    EXPECT_TRUE(d->GetMarkerSetNames(set, display, 7));
    EXPECT_STREQ(set, "");
    C3DFixture plain;
    plain.StandardParameters();
    EXPECT_FALSE(Load(plain.Build())->GetMarkerSetNames(set, display, 0));
}

TEST(C3DReader, SubjectPrefixesAreStripped) {
    C3DFixture f;
    f.points = 2;
    f.Group(1, "POINT");
    f.Texts(1, "LABELS", {"Jane:LASI", "Jane:RASI"}, 10);
    f.Group(3, "SUBJECTS");
    f.Int16s(3, "USES_PREFIXES", {1});
    f.Int16s(3, "USED", {1});
    f.Texts(3, "NAMES", {"Jane"}, 4);
    EXPECT_EQ(Load(f.Build(), false, true, true)->PointLabel(1), "RASI");
    EXPECT_EQ(Load(f.Build(), false, true, false)->PointLabel(1), "Jane:RASI");
}

TEST(C3DReader, BrokenParameterSectionsEndTheWalkSafely) {
    struct Case {
        const char* name;
        std::function<void(C3DFixture&)> records;
    };
    const Case cases[] = {
        {"group distance 0 ends the section", [](C3DFixture& f) { f.Group(5, "END", 0); f.Int16s(5, "AFTER", {1}); }},
        {"group distance 1 ends the section", [](C3DFixture& f) { f.Group(5, "END", 1); f.Int16s(5, "AFTER", {1}); }},
        {"group distance past the file", [](C3DFixture& f) { f.Group(5, "END", 60000); }},
        {"data larger than the section",
         [](C3DFixture& f) { f.Group(5, "BIG"); f.RawRecordBytes({5, 5, 'H', 'U', 'G', 'E', 'X', 0, 0, 4, 3, 255, 255, 255}); }},
        {"nine dimensions",
         [](C3DFixture& f) {
             f.Group(5, "DIMS");
             f.Raw(5, "NINE", 1, {1, 1, 1, 1, 1, 1, 1, 1, 2}, {7, 8});
             f.Int16s(5, "AFTER", {1});
         }},
        {"negative dimension count",
         [](C3DFixture& f) { f.Group(5, "NEG"); f.RawRecordBytes({3, 5, 'N', 'E', 'G', 6, 0, 2, 0xF0, 9, 0, 0}); }},
        {"unknown type", [](C3DFixture& f) { f.Group(5, "T"); f.Raw(5, "ODD", 3, {2}, {1, 2, 3, 4, 5, 6}); }},
        {"name length past the end", [](C3DFixture& f) { f.RawRecordBytes({127, 5, 'A'}); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        C3DFixture f;
        f.StandardParameters();
        c.records(f);
        auto d = Load(f.Build());
        EXPECT_TRUE(d->HasPoints()) << d->errorText;
        EXPECT_EQ(d->PointLabel(1), "PT2");
        if (const TC3DGroup* g = d->FindGroup("DIMS")) {
            EXPECT_EQ(g->FindParameter("NINE"), nullptr);  // skipped, but the walk went on
            EXPECT_NE(g->FindParameter("AFTER"), nullptr);
        }
        if (const TC3DGroup* g = d->FindGroup("END")) {
            EXPECT_EQ(g->FindParameter("AFTER"), nullptr);
        }
    }
}

std::string Text(const TC3DData& d) { return d.errorText; }
bool Mentions(const TC3DData& d, const std::string& part) { return Text(d).find(part) != std::string::npos; }

// Header words that disagree with the parameters: the parameters are followed unless the data
// section's size supports only the header's layout, and the disagreement is reported.
TEST(C3DReader, HeaderCountsAreCheckedAgainstTheParameters) {
    struct Case {
        const char* name;
        int headerPoints;  // patched into header word 2
        int usedPoints;    // POINT:USED and the points stored in the data section...
        int storedPoints;  // ...unless this differs
        int expectedPoints;
        const char* note;
    };
    const Case cases[] = {
        {"header says 1 point", 1, 3, 3, 3,
         "C3D header 1 points, POINT:USED 3: 3 read, the layout the data section's size supports"},
        {"header says more", 7, 3, 3, 3,
         "C3D header 7 points, POINT:USED 3: 3 read, the layout the data section's size supports"},
        {"POINT:USED wrong, the data hold the header's", 5, 3, 5, 5,
         "C3D header 5 points, POINT:USED 3: 5 read, the layout the data section's size supports"},
        {"agreeing", 3, 3, 3, 3, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        C3DFixture f;
        f.points = c.storedPoints;
        f.lastFrame = 40;  // more than a block of data, so a wrong layout cannot pass for padding
        f.Group(1, "POINT");
        f.Int16s(1, "USED", {c.usedPoints}, {}, true);
        f.Floats(1, "RATE", {f.rate});
        f.Texts(1, "LABELS", {"PT1", "PT2", "PT3"}, 4);
        std::vector<uint8_t> bytes = f.Build();
        f.enc.PutInt16(bytes.data() + 2, c.headerPoints);
        TC3DData d;
        ASSERT_TRUE(Loads(d, bytes)) << d.errorText;
        EXPECT_EQ(Text(d), c.note);
        ASSERT_EQ(d.GetPointCount(), c.expectedPoints);
        EXPECT_EQ(d.GetFrameCount(), 40);
        EXPECT_EQ(d.PointLabel(2), "PT3");
        if (c.expectedPoints > 3) {
            EXPECT_EQ(d.PointLabel(4), "Marker 5");
        }
        EXPECT_EQ(d.pointLabels->count, std::max(3, c.expectedPoints));
        const PointSample last = f.point(39, c.expectedPoints - 1);
        EXPECT_DOUBLE_EQ(d.points->GetValue(4 * (c.expectedPoints - 1) + 1, 39), last.y);
    }
}

TEST(C3DReader, HeaderRateIsCheckedAgainstPointRate) {
    const float nan = std::nanf("");
    const float inf = INFINITY;
    struct Case {
        float headerRate;
        bool withParameter;  // POINT:RATE 50
        float expected;
        const char* note;
    };
    const Case cases[] = {
        {nan, true, 50, "C3D header rate nan, POINT:RATE 50: 50 Hz used"},
        {0, true, 50, "C3D header rate 0, POINT:RATE 50: 50 Hz used"},
        {-1, true, 50, "C3D header rate -1, POINT:RATE 50: 50 Hz used"},
        {inf, true, 50, "C3D header rate inf, POINT:RATE 50: 50 Hz used"},
        {60, true, 50, "C3D header rate 60, POINT:RATE 50: 50 Hz used"},
        {50, true, 50, ""},
        {nan, false, 0, "C3D header rate nan and no usable POINT:RATE: frame rate unknown"},
        {-inf, false, 0, "C3D header rate -inf and no usable POINT:RATE: frame rate unknown"},
        {0, false, 0, ""},  // no rate anywhere, as before
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.headerRate) + (c.withParameter ? " with POINT:RATE" : ""));
        C3DFixture f;
        f.points = 1;
        f.channels = 1;
        f.samplesPerFrame = 4;
        f.rate = 50;
        f.headerEvents = {{0.1f, "HS"}};
        f.Group(1, "POINT");
        f.Int16s(1, "USED", {1});
        if (c.withParameter) f.Floats(1, "RATE", {50});
        std::vector<uint8_t> bytes = f.Build();
        f.enc.PutFloat(bytes.data() + 20, c.headerRate);
        TC3DData d;
        ASSERT_TRUE(Loads(d, bytes)) << d.errorText;
        EXPECT_EQ(Text(d), c.note);
        EXPECT_EQ(d.pointRate, c.expected);
        EXPECT_EQ(d.analogRate, 4 * c.expected);
        // Header events take the rate that was chosen.
        EXPECT_EQ(d.FindHeaderEvent("HS"), c.expected > 0 ? 5 : 0);
    }
}

// The header claims 16 analog values a frame at 7 samples a frame (2 channels), ANALOG:USED 16
// channels at ANALOG:RATE / POINT:RATE = 7: the layout the data section holds is read.
TEST(C3DReader, AnalogLayoutFollowsTheDataSection) {
    struct Case {
        int storedSamples;  // 16 channels at this many samples a frame are stored
        const char* read;
    };
    for (const Case& c : {Case{7, "read 16 channels x 7 samples a frame"}, Case{1, "read 16 channels x 1 samples a frame"}}) {
        SCOPED_TRACE(c.storedSamples);
        C3DFixture f;
        f.points = 2;
        f.channels = 16;
        f.samplesPerFrame = c.storedSamples;
        f.lastFrame = 20;
        f.StandardParameters();
        f.Floats(2, "RATE", {700});
        std::vector<uint8_t> bytes = f.Build();
        f.enc.PutInt16(bytes.data() + 4, 16);
        f.enc.PutInt16(bytes.data() + 18, 7);
        TC3DData d;
        ASSERT_TRUE(Loads(d, bytes)) << d.errorText;
        EXPECT_TRUE(Mentions(d, "C3D header 16 analog values at 7 a frame, ANALOG:USED 16 at 7 a frame")) << Text(d);
        EXPECT_TRUE(Mentions(d, c.read)) << Text(d);
        EXPECT_TRUE(Mentions(d, "the layout the data section's size supports")) << Text(d);
        ASSERT_EQ(d.GetAnalogChannelCount(), 16);
        ASSERT_EQ(d.analog->GetCols(), 20 * c.storedSamples);
        EXPECT_EQ(d.analogRate, 100.0f * c.storedSamples);
        EXPECT_EQ(d.AnalogLabel(16), "CH16");
        const int frame = 19, sample = c.storedSamples - 1, channel = 15;
        EXPECT_DOUBLE_EQ(d.analog->GetValue(channel, frame * c.storedSamples + sample), f.analog(frame, sample, channel));
        // The points after the analog samples of each frame are in their places too.
        EXPECT_DOUBLE_EQ(d.points->GetValue(4, frame), f.point(frame, 1).x);
    }
}

// A file that ends before its data section has no frame to show: it is refused, saying where it
// ends, instead of opening as one empty frame.
TEST(C3DReader, FilesEndingBeforeTheirDataAreRefused) {
    C3DFixture f;
    f.StandardParameters();
    const std::vector<uint8_t> whole = f.Build();
    const size_t dataStart = whole.size() - 10 * 2 * 16;
    struct Case {
        size_t length;
        std::string message;
    };
    const Case cases[] = {
        {600, "C3D file ends at byte 600, inside its parameter section (bytes 512 to 1024)"},
        {513, "C3D file ends at byte 513, inside its parameter section (from byte 512)"},
        {300, "C3D file ends at byte 300, inside its header (512 bytes)"},
        {dataStart, "C3D file ends at byte " + std::to_string(dataStart) + ", before its data section (byte " +
                        std::to_string(dataStart) + "): no frame present"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(c.length));
        TC3DData d;
        EXPECT_FALSE(Loads(d, cut));
        EXPECT_EQ(Text(d), c.message);
        EXPECT_FALSE(d.HasPoints());
    }
    // One byte of data is a frame begun: it loads, saying what is missing.
    const std::vector<uint8_t> begun(whole.begin(), whole.begin() + static_cast<long>(dataStart + 1));
    TC3DData d;
    ASSERT_TRUE(Loads(d, begun));
    EXPECT_EQ(d.GetFrameCount(), 1);
    EXPECT_TRUE(Mentions(d, "0 of 10 frames present")) << Text(d);
    // Its points are not in the file: not measured.
    EXPECT_FALSE(IsValidResidual(d.points->GetValue(3, 0)));
    EXPECT_FALSE(IsValidResidual(d.points->GetValue(7, 0)));
}

TEST(C3DReader, ShortFilesLoadWhatIsThere) {
    C3DFixture f;
    f.scale = 1.0f;
    f.points = 2;
    f.lastFrame = 1000;
    f.StandardParameters();
    std::vector<uint8_t> bytes = f.Build();
    const size_t dataStart = bytes.size() - 1000 * 16;
    bytes.resize(dataStart + 10 * 16 + 6);  // 10 frames and 3 words of the 11th
    auto d = Load(bytes);
    ASSERT_TRUE(d->HasPoints());
    EXPECT_EQ(d->GetFrameCount(), 11);
    EXPECT_EQ(d->lastFrame, 11);
    EXPECT_DOUBLE_EQ(d->points->GetValue(0, 10), 11.0);
    EXPECT_DOUBLE_EQ(d->points->GetValue(4, 10), 0.0);  // second point of frame 11: not in the file
    EXPECT_NE(std::string(d->errorText).find("10 of 1000 frames"), std::string::npos) << d->errorText;
}

TEST(C3DReader, ClaimsBeyondTheFileDoNotAllocate) {
    // A TRIAL range of two billion frames of 65535 points in a file of a few blocks: the tables
    // are sized by the bytes present, not by the claim.
    C3DFixture f;
    f.scale = 1.0f;
    f.points = 65535;
    f.channels = 255;
    f.samplesPerFrame = 255;
    f.lastFrame = 65535;
    f.dataFrames = 0;
    f.Group(3, "TRIAL");
    f.Int16s(3, "ACTUAL_START_FIELD", {1, 0});
    f.Int16s(3, "ACTUAL_END_FIELD", {0xFFFF, 0x7FFF});
    std::vector<uint8_t> bytes = f.Build();
    bytes.resize(bytes.size() + 100, 0);
    auto d = Load(bytes);
    ASSERT_TRUE(d->HasPoints()) << d->errorText;
    EXPECT_EQ(d->GetFrameCount(), 1);
    EXPECT_EQ(d->GetPointCount(), 65535);
    EXPECT_LE(d->analog->GetCols(), 255);
}

}  // namespace

// A name length byte of 0x80 (-128) means 128 name bytes with no room for a terminator: group and
// parameter names are bounded by their length.
TEST(C3DReader, NamesOf128BytesAreBoundedByTheirLength) {
    C3DFixture f;
    f.StandardParameters();
    const std::string longName(128, 'Q');
    f.Group(9, longName);
    f.Raw(9, longName, 1, {}, {7}, true);  // locked: the length byte is -128
    f.Raw(9, "AFTER", 1, {}, {5});
    auto d = Load(f.Build());
    const TC3DGroup* group = d->FindGroup(longName.c_str());
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(std::strlen(group->name), 128u);
    ASSERT_EQ(group->parameterCount, 2);
    EXPECT_EQ(std::string(group->parameters[0]->name), longName);
    EXPECT_EQ(group->parameters[0]->bytes[0], 7);
    EXPECT_STREQ(group->parameters[1]->name, "AFTER");
}

// Groups keep every parameter the file holds (vendor groups often hold more than a hundred).
TEST(C3DReader, GroupsKeepEveryParameter) {
    C3DFixture f;
    f.StandardParameters();
    f.Group(9, "VENDOR");
    for (int i = 0; i < 150; ++i) f.Int16s(9, "P" + std::to_string(i), {i});
    auto d = Load(f.Build());
    const TC3DGroup* group = d->FindGroup("VENDOR");
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->parameterCount, 150);
    EXPECT_EQ(group->FindParameter("P149")->words[0], 149);
}

// Analog-only recordings (EMG systems write them) open without a marker: the placeholder table
// that carries their frames holds missing samples only.
TEST(C3DReader, AnalogOnlyRecordingHasNoMarker) {
    C3DFixture f;
    f.scale = 1.0f;
    f.points = 0;
    f.channels = 3;
    f.samplesPerFrame = 2;
    f.StandardParameters();
    auto d = Load(f.Build());
    ASSERT_TRUE(d->HasPoints());
    EXPECT_EQ(d->GetPointCount(), 0);
    EXPECT_EQ(d->GetFrameCount(), 10);
    ASSERT_EQ(d->GetAnalogChannelCount(), 3);
    EXPECT_DOUBLE_EQ(d->analog->GetValue(2, 5), f.analog(2, 1, 2));
    for (int32_t r = 0; r < d->points->GetRows(); ++r)
        for (int32_t c = 0; c < d->points->GetCols(); ++c) EXPECT_EQ(d->points->GetValue(r, c), 0.0);
}

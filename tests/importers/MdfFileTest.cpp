// CODA MDF files: the tagged-section reader, its scaling, and the import into the data object
// with the marker range of a ".stp" setup file. Fixtures are composed here section by section.
#include "importers/MdfFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "support/TestSupport.h"
#include "importers/TCodaFile.h"
#include "motion/TDataFile.h"
#include "platform/ByteReader.h"
#include "platform/NumberText.h"

namespace {

struct Entry {
    uint16_t m = 0;
    std::vector<uint8_t> payload;
};

Entry Text(const std::string& text) {
    return {static_cast<uint16_t>(text.size()), std::vector<uint8_t>(text.begin(), text.end())};
}
Entry I16(std::initializer_list<int16_t> values, uint16_t m = 1) {
    dez::ByteWriter w;
    for (int16_t v : values) w.PutI16LE(v);
    return {m, w.bytes()};
}
Entry F32(std::initializer_list<float> values) {
    dez::ByteWriter w;
    for (float v : values) w.PutF32LE(v);
    return {1, w.bytes()};
}

// Composes an MDF file: descriptors first, then the sections in the same order.
class Mdf {
public:
    explicit Mdf(uint8_t version = 3, uint8_t subVersion = 0) : version_(version), subVersion_(subVersion) {}

    Mdf& Section(int tag, int elementSize, std::vector<Entry> entries) {
        sections_.push_back({static_cast<uint16_t>(tag | (elementSize << 8)), std::move(entries)});
        return *this;
    }
    // `count` markers of `frames` samples; value(marker, frame, axis) in stored units.
    Mdf& Markers(int count, int frames, const std::function<float(int, int, int)>& value) {
        std::vector<Entry> entries;
        for (int k = 0; k < count; ++k) {
            dez::ByteWriter w;
            for (int f = 0; f < frames; ++f)
                for (int a = 0; a < 3; ++a) {
                    if (version_ < 3) w.PutI16LE(static_cast<int16_t>(value(k, f, a)));
                    else w.PutF32LE(value(k, f, a));
                }
            entries.push_back({static_cast<uint16_t>(frames), w.bytes()});
        }
        return Section(2, version_ < 3 ? 6 : 12, std::move(entries));
    }
    // Tag 3 (force) or 4 (EMG) channels; value(channel, sample) raw.
    Mdf& Channels(int tag, int count, int samples, const std::function<int16_t(int, int)>& value) {
        std::vector<Entry> entries;
        for (int c = 0; c < count; ++c) {
            dez::ByteWriter w;
            for (int s = 0; s < samples; ++s) w.PutI16LE(value(c, s));
            entries.push_back({static_cast<uint16_t>(samples), w.bytes()});
        }
        return Section(tag, 2, std::move(entries));
    }
    Mdf& Rate(int tag, int16_t hz) { return Section(tag, 2, {I16({hz})}); }
    Mdf& Names(int tag, const std::vector<std::string>& names) {
        std::vector<Entry> entries;
        for (const std::string& n : names) entries.push_back(Text(n));
        return Section(tag, 1, std::move(entries));
    }
    // Plates with origin (10i, 20i, 30i) and corners (100i + c, 200i + c, c) stored, and a maker.
    Mdf& Plates(int count, const char* maker) {
        std::vector<Entry> origins, corners, makers;
        for (int i = 0; i < count; ++i) {
            origins.push_back(I16({static_cast<int16_t>(10 * i), static_cast<int16_t>(20 * i), static_cast<int16_t>(30 * i)}));
            for (int c = 0; c < 4; ++c)
                corners.push_back(I16({static_cast<int16_t>(100 * i + c), static_cast<int16_t>(200 * i + c),
                                       static_cast<int16_t>(c)}));
            std::string text(32, '\0');
            text.replace(0, std::strlen(maker), maker);
            makers.push_back({1, std::vector<uint8_t>(text.begin(), text.end())});
        }
        Section(20, 6, std::move(origins));
        Section(21, 6, std::move(corners));
        return Section(31, 0, std::move(makers));
    }

    std::string Bytes(int descriptorsOverride = -1) const {
        dez::ByteWriter w;
        w.PutBytes("CODA", 4);
        w.PutU8(version_);
        w.PutU8(subVersion_);
        w.PutU16LE(static_cast<uint16_t>(descriptorsOverride >= 0 ? descriptorsOverride : sections_.size()));
        for (const auto& s : sections_) {
            w.PutU16LE(s.tagWord);
            w.PutU16LE(static_cast<uint16_t>(s.entries.size()));
        }
        for (const auto& s : sections_)
            for (const Entry& e : s.entries) {
                w.PutU16LE(e.m);
                w.PutBytes(e.payload.data(), e.payload.size());
            }
        return std::string(w.bytes().begin(), w.bytes().end());
    }

private:
    struct Sec {
        uint16_t tagWord;
        std::vector<Entry> entries;
    };
    uint8_t version_, subVersion_;
    std::vector<Sec> sections_;
};

std::unique_ptr<TCodaFile> ReadBytes(const std::string& bytes) {
    auto coda = std::make_unique<TCodaFile>(nullptr, false);
    coda->ReadBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return coda;
}

// Marker value that tells marker, frame and axis apart.
float Coded(int k, int f, int a) { return static_cast<float>(100 * k + 10 * f + a); }

// A recording of `markers` markers of 4 frames, 8 force channels per plate and 2 EMG channels.
Mdf Recording(int markers, int plates, const char* maker, int forces) {
    Mdf mdf;
    mdf.Markers(markers, 4, Coded).Rate(7, 100).Rate(8, 200).Rate(9, 400);
    if (forces > 0) mdf.Channels(3, forces, 8, [](int c, int s) { return static_cast<int16_t>(c * 10 + s); });
    mdf.Channels(4, 2, 16, [](int c, int s) { return static_cast<int16_t>(c + s); });
    mdf.Section(18, 4, std::vector<Entry>(static_cast<size_t>(forces), F32({1.0f})));
    if (plates > 0) mdf.Plates(plates, maker);
    return mdf;
}

class MdfLoad : public ::testing::Test {
protected:
    // Writes the file (and a setup file when given) and loads it through the dispatcher.
    std::unique_ptr<TDataFile> Load(const std::string& bytes, const std::string& stp = "") {
        const std::string path = dir_.file("trial.mdf");
        testsupport::WriteFileBytes(path, bytes);
        if (!stp.empty()) testsupport::WriteFileBytes(dir_.file("setup.stp"), stp);
        auto d = std::make_unique<TDataFile>(nullptr);
        d->verbose = false;
        d->LoadFile(path.c_str(), kFileDetect, true);
        return d;
    }
    testsupport::TempDir dir_;
};

// ---------------------------------------------------------------------------------------------
// The reader

TEST(TCodaFile, MarkerResolutionGivesMillimetres) {
    const struct {
        uint8_t version;
        uint16_t resolution;  // 0: no resolution entry
        float stored, expected;
    } cases[] = {{2, 100, 1234, 123.4f}, {2, 0, 1234, 1234}, {3, 1000, 56.25f, 56.25f}, {3, 10, 500, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "version " << int(c.version) << " resolution " << c.resolution);
        Mdf mdf(c.version);
        mdf.Markers(1, 2, [&](int, int, int) { return c.stored; });
        mdf.Section(13, 2, {c.resolution ? I16({static_cast<int16_t>(c.resolution)}) : Entry{}});
        const auto coda = ReadBytes(mdf.Bytes());
        ASSERT_TRUE(coda->IsValid());
        ASSERT_EQ(coda->GetMarkerCount(), 1);
        EXPECT_NEAR(coda->GetMarker(0)->x[1], c.expected, 1e-4);
        EXPECT_NEAR(coda->GetMarker(0)->z[0], c.expected, 1e-4);
    }
}

TEST(TCodaFile, PlateGeometryScale) {
    const struct {
        uint8_t version, subVersion;
        uint16_t resolution;
        const char* comment;
        double scale;
    } cases[] = {
        {2, 1, 0, "", 0.1},  {2, 1, 0, "*CODA/mpx30 trial*", 0.01}, {2, 0, 0, "", 0.2},
        {3, 0, 0, "", 0.1},  {3, 0, 0, "x/MPX30", 0.01},            {2, 1, 100, "", 0.1},
        {3, 0, 1000, "", 0.1}, {3, 1, 10, "", 0.1},  // version 3: tenths of a millimetre always
        {2, 0, 50, "", 0.05}, {2, 1, 0, "/mpx30", 0.1},  // the slash must follow the first character
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "v" << int(c.version) << "." << int(c.subVersion) << " res "
                                        << c.resolution << " '" << c.comment << "'");
        Mdf mdf(c.version, c.subVersion);
        mdf.Names(0, {c.comment}).Markers(1, 1, Coded);
        mdf.Section(13, 2, {c.resolution ? I16({static_cast<int16_t>(c.resolution)}) : Entry{}});
        mdf.Plates(2, "Kistler");
        const auto coda = ReadBytes(mdf.Bytes());
        ASSERT_EQ(coda->GetPlateCount(), 2);
        const CodaPlate* p = coda->GetPlate(1);
        EXPECT_NEAR(p->origin[2], 30 * c.scale, 1e-5);
        EXPECT_NEAR(p->corners[3 * 2 + 0], 102 * c.scale, 1e-4);  // corner 3 x of plate 2
        EXPECT_NEAR(p->corners[3 * 3 + 1], 203 * c.scale, 1e-4);
    }
}

TEST(TCodaFile, ChannelScales) {
    Mdf mdf;
    mdf.Channels(3, 2, 3, [](int, int s) { return static_cast<int16_t>(100 * (s + 1)); });
    mdf.Channels(4, 2, 3, [](int, int s) { return static_cast<int16_t>(100 * (s + 1)); });
    mdf.Section(18, 4, {Entry{}, F32({0.25f})});
    mdf.Section(19, 4, {F32({2.0f}), Entry{}});
    mdf.Names(24, {"Quads"});
    const auto coda = ReadBytes(mdf.Bytes());
    ASSERT_EQ(coda->GetForceCount(), 2);
    EXPECT_FLOAT_EQ(coda->GetForce(0)->samples[2], 300 * 0.05f);  // no scale: 0.05
    EXPECT_FLOAT_EQ(coda->GetForce(1)->samples[2], 300 * 0.25f);
    EXPECT_FLOAT_EQ(coda->GetEmg(0)->samples[0], 100 * 2e-6f);
    EXPECT_FLOAT_EQ(coda->GetEmg(1)->samples[0], 100 * 1.842e-6f);
    EXPECT_EQ(coda->GetForce(1)->name, "Force Plate #1");
    EXPECT_EQ(coda->GetEmg(0)->name, "Quads");
    EXPECT_EQ(coda->GetEmg(1)->name, "Emg #1");
}

TEST(TCodaFile, SectionsAndRates) {
    Mdf mdf;
    mdf.Names(0, {"first", "second comment"});
    mdf.Section(50, 4, {{3, std::vector<uint8_t>(12, 0xEE)}});  // unknown: 4 x 3 bytes skipped
    mdf.Section(7, 2, {I16({250})}).Section(8, 2, {Entry{}});    // m = 0 sets the rate to 0
    mdf.Markers(2, 3, Coded).Names(22, {"Head"});
    mdf.Section(22, 1, {Text("Head"), Text("Tail"), Text("Spare")});  // the third has no marker
    const auto coda = ReadBytes(mdf.Bytes());
    ASSERT_TRUE(coda->IsValid());
    EXPECT_EQ(coda->GetComment(), "second comment");
    EXPECT_EQ(coda->GetMarkerRate(), 250.0f);
    EXPECT_EQ(coda->GetForceRate(), 0.0f);
    EXPECT_EQ(coda->GetEmgRate(), 100.0f);
    EXPECT_EQ(coda->GetMarker(1)->name, "Tail");
    EXPECT_EQ(coda->GetMarker(1)->y[2], Coded(1, 2, 1));
    EXPECT_EQ(coda->GetMinMarkerCapacity(), 3);
}

// Tags 25 to 27 hold texts and words whose size the tag word gives (the sample file has a
// seven-character text under tag 25); without one, a byte or seven words.
TEST(TCodaFile, KeptTagsSizedByTheirTagWord) {
    const struct {
        const char* name;
        int tag, elementSize;
        Entry entry;
    } cases[] = {
        {"text of 25", 25, 1, Text("hao011")},
        {"word of 27", 27, 2, I16({7})},
        {"byte of 26", 26, 0, {1, {0x55}}},
        {"seven words of 27", 27, 0, I16({1, 2, 3, 4, 5, 6, 7})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Mdf mdf;
        mdf.Section(c.tag, c.elementSize, {c.entry, c.entry}).Plates(1, "AMTI");
        const auto coda = ReadBytes(mdf.Bytes());
        ASSERT_EQ(coda->GetPlateCount(), 1);
        EXPECT_TRUE(coda->GetPlate(0)->amti);
        EXPECT_FLOAT_EQ(coda->GetPlate(0)->corners[3 * 3 + 1], 0.3f);
    }
}

TEST(TCodaFile, RefusalsGiveTheirMessage) {
    const std::string notCoda = "CUDA" + Mdf().Bytes().substr(4);
    const struct {
        std::string bytes;
        const char* message;
    } cases[] = {
        {"", "This is not a coda motion file"},
        {"COD", "This is not a coda motion file"},
        {notCoda, "This is not a coda motion file"},
        {Mdf().Bytes(), "This file is empty or this is not a coda motion data file!"},  // D = 0
        {Mdf().Names(0, {"x"}).Bytes(1001), "This file is empty or this is not a coda motion data file!"},
        {Mdf().Names(0, {"x"}).Bytes(3), "This file is empty or this is not a coda motion data file!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const auto coda = ReadBytes(c.bytes);
        EXPECT_FALSE(coda->IsValid());
        EXPECT_EQ(coda->GetMessage(), c.message);
    }
    TCodaFile none(nullptr, false);
    EXPECT_EQ(none.GetMessage(), "Unable to open an empty file");
    testsupport::TempDir dir;
    TCodaFile missing(dir.file("absent.mdf").c_str(), false);
    EXPECT_EQ(missing.GetMessage(),
              "Unable to open the file: Cannot open '" + dir.file("absent.mdf") + "': No such file or directory");
}

// A file cut anywhere reads what comes before the cut; counts that the file cannot hold never
// make the reader allocate beyond the file.
TEST(TCodaFile, TruncatedAndHostileCounts) {
    const std::string full = Recording(3, 1, "AMTI", 8).Names(22, {"a", "b", "c"}).Bytes();
    for (size_t n = 0; n <= full.size(); ++n) {
        const auto coda = ReadBytes(full.substr(0, n));
        size_t markerBytes = 0, forceBytes = 0;
        for (int32_t i = 0; i < coda->GetMarkerCount(); ++i) markerBytes += 12 * coda->GetMarker(i)->x.size();
        for (int32_t i = 0; i < coda->GetForceCount(); ++i) forceBytes += 2 * coda->GetForce(i)->samples.size();
        ASSERT_LE(markerBytes, n) << n;
        ASSERT_LE(forceBytes, n) << n;
    }
    const auto whole = ReadBytes(full);
    EXPECT_TRUE(whole->IsValid());
    EXPECT_TRUE(whole->IsComplete());
    EXPECT_EQ(whole->GetSectionsEnd(), full.size());
    const size_t sectionsStart = 8 + 4 * whole->GetTags().size();
    for (size_t n = sectionsStart; n < full.size(); ++n) ASSERT_FALSE(ReadBytes(full.substr(0, n))->IsComplete()) << n;

    // 65535 markers of 65535 samples announced by a file of a few bytes.
    Mdf hostile;
    hostile.Section(2, 12, {{65535, std::vector<uint8_t>(24, 0)}});
    std::string bytes = hostile.Bytes();
    bytes[10] = bytes[11] = '\xFF';  // entry count of the section
    const auto coda = ReadBytes(bytes);
    EXPECT_TRUE(coda->IsValid());
    EXPECT_EQ(coda->GetMarkerCount(), 1);
    EXPECT_EQ(coda->GetMinMarkerCapacity(), 2);
}

// ---------------------------------------------------------------------------------------------
// Setup files

TEST(StpMarkerRange, Lines) {
    const struct {
        const char* name;
        std::string text;
        bool found;
        int32_t first, last;
    } cases[] = {
        {"plain", "[General]\nX=1\n[Acquisition]\nMarkers=5-12\nRate=200\n", true, 5, 12},
        {"CRLF", "[Acquisition]\r\nMarkers=5-12\r\n", true, 5, 12},
        {"last wins", "[Acquisition]\nMarkers=1-4\n[Acquisition]\nMarkers=3-9", true, 3, 9},
        {"not right after", "[Acquisition]\nRate=200\nMarkers=5-12\n", false, 0, 0},
        {"other key", "[Acquisition]\nmarkers=5-12\n", false, 0, 0},
        {"one field", "[Acquisition]\nMarkers=12\n", false, 0, 0},
        {"long line ends reading", std::string(600, 'x') + "\n[Acquisition]\nMarkers=5-12\n", false, 0, 0},
        {"no section", "Markers=5-12\n", false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        testsupport::WriteFileBytes(dir.file("session.stp"), c.text);
        int32_t first = -7, last = -7;
        EXPECT_EQ(ReadSTPMarkerRange(dir.file("trial.mdf").c_str(), &first, &last), c.found);
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(last, c.last);
    }
    testsupport::TempDir empty;
    int32_t first = -7, last = -7;
    EXPECT_FALSE(ReadSTPMarkerRange(empty.file("trial.mdf").c_str(), &first, &last));
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 0);
}

// ---------------------------------------------------------------------------------------------
// Import into the data object

TEST_F(MdfLoad, StpRangeTakesSomeMarkers) {
    Mdf mdf = Recording(40, 0, "", 0);
    std::vector<std::string> names;
    for (int k = 1; k <= 40; ++k) names.push_back("M" + std::to_string(k));
    mdf.Names(22, names);
    const auto d = Load(mdf.Bytes(), "[Acquisition]\nMarkers=5-12\n");
    ASSERT_TRUE(d->points);
    EXPECT_EQ(d->GetPointCount(), 8);
    EXPECT_EQ(d->GetFrameCount(), 4);
    EXPECT_EQ(d->PointLabel(0), "M5");
    EXPECT_EQ(d->pointLabels->GetItem(0)->id, 5);
    EXPECT_EQ(d->PointLabel(7), "M12");
    EXPECT_EQ(d->pointLabels->GetItem(7)->id, 12);
    EXPECT_EQ(d->points->GetValue(0, 2), Coded(4, 2, 0));
    EXPECT_EQ(d->points->GetValue(3 * 7 + 2, 3), Coded(11, 3, 2));
    EXPECT_EQ(d->pointRate, 100.0f);
    EXPECT_EQ(d->lastFrame, 3);
}

TEST_F(MdfLoad, StpRangeBeyondTheMarkersIsClamped) {
    const struct {
        const char* stp;
        int32_t points, firstValueMarker;
    } cases[] = {
        {"[Acquisition]\nMarkers=5-40\n", 6, 4},  // last clamped to 10
        {"[Acquisition]\nMarkers=30-40\n", 10, 0},  // wholly beyond: every marker
        {"[Acquisition]\nMarkers=0-0\n", 10, 0},
        {"[Acquisition]\nMarkers=9-3\n", 1, -1},  // an empty range: one placeholder point
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stp);
        const auto d = Load(Recording(10, 1, "AMTI", 8).Bytes(), c.stp);
        ASSERT_TRUE(d->points);
        EXPECT_EQ(d->GetPointCount(), c.points);
        if (c.firstValueMarker >= 0) EXPECT_EQ(d->points->GetValue(1, 1), Coded(c.firstValueMarker, 1, 1));
        else EXPECT_EQ(d->PointLabel(0), "Empty");
    }
}

TEST_F(MdfLoad, AmtiPlates) {
    const auto d = Load(Recording(3, 2, "AMTI OR6-7", 16).Bytes());
    ASSERT_TRUE(d->points && d->analog);
    ASSERT_EQ(d->analog->GetRows(), 18);
    // Force channels at 200 Hz, EMG at 400 Hz: the table runs at 400 Hz and holds all 16 EMG
    // samples; force sample s lands on column 2s, the columns between are interpolated.
    EXPECT_EQ(d->analog->GetCols(), 16);
    EXPECT_EQ(d->analogRate, 400.0f);
    const char* names[] = {"Fx1", "Fy1", "Fz1", "Mx1", "My1", "Mz1", "Xp1", "Yp1",
                           "Fx2", "Fy2", "Fz2", "Mx2", "My2", "Mz2", "Xp2", "Yp2"};
    for (int c = 0; c < 16; ++c) {
        SCOPED_TRACE(names[c]);
        EXPECT_EQ(d->AnalogLabel(c + 1), names[c]);
        const double gain = (c % 8 >= 3 && c % 8 <= 5) ? -1000.0 : -1.0;
        EXPECT_DOUBLE_EQ(d->analog->GetValue(c, 10), gain * (c * 10 + 5));
        EXPECT_DOUBLE_EQ(d->analog->GetValue(c, 11), gain * (c * 10 + 5.5));
        EXPECT_DOUBLE_EQ(d->analog->GetValue(c, 15), gain * (c * 10 + 7));  // the last sample's period
    }
    EXPECT_EQ(d->AnalogLabel(17), "Emg #0");
    EXPECT_NEAR(d->analog->GetValue(16, 7), 7 * 1.842e-6, 1e-9);  // EMG rows are not inverted
    ASSERT_EQ(d->plateCount, 2);
    int32_t type = 0, channels[8];
    double corners[12], origin[3];
    ASSERT_TRUE(d->GetPlateGeometry(1, &type, channels, corners, origin));
    EXPECT_EQ(type, 2);
    EXPECT_EQ(channels[0], 9);
    EXPECT_EQ(channels[5], 14);
    // Corners 1-4 are the file's corners 2, 3, 4, 1 (version 3: tenths of a millimetre).
    EXPECT_FLOAT_EQ(corners[0], 10.1f);
    EXPECT_FLOAT_EQ(corners[3 * 2 + 1], 20.3f);
    EXPECT_FLOAT_EQ(corners[3 * 3 + 0], 10.0f);
    EXPECT_FLOAT_EQ(origin[1], 2.0f);
}

TEST_F(MdfLoad, OtherMakersAndNoPlates) {
    auto d = Load(Recording(2, 1, "Kistler", 8).Bytes());
    ASSERT_TRUE(d->analog);
    const char* names[] = {"FX121", "FX341", "FX141", "FX231", "FZ11", "FZ21", "FZ31", "FZ41"};
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(d->AnalogLabel(c + 1), names[c]);
        EXPECT_DOUBLE_EQ(d->analog->GetValue(c, 6), -(c * 10 + 3));  // sample 3 of 200 Hz at 400 Hz
    }
    int32_t type = 0, channels[8];
    ASSERT_TRUE(d->GetPlateGeometry(0, &type, channels, nullptr, nullptr));
    EXPECT_EQ(type, 3);
    EXPECT_EQ(channels[7], 8);

    d = Load(Recording(2, 0, "", 9).Bytes());
    ASSERT_TRUE(d->analog);
    EXPECT_EQ(d->AnalogLabel(1), "Channel#1-1");
    EXPECT_EQ(d->AnalogLabel(9), "Channel#1-2");
    EXPECT_DOUBLE_EQ(d->analog->GetValue(8, 4), 82);  // gain 1 without plates
    EXPECT_EQ(d->plateCount, 0);
}

TEST_F(MdfLoad, ChannelsWithoutMarkers) {
    Mdf mdf;
    mdf.Rate(9, 50).Channels(4, 2, 16, [](int c, int s) { return static_cast<int16_t>(c + s); });
    const auto d = Load(mdf.Bytes());
    ASSERT_TRUE(d->points);
    EXPECT_EQ(d->GetPointCount(), 1);
    EXPECT_EQ(d->PointLabel(0), "Empty");
    EXPECT_EQ(d->GetFrameCount(), 16);
    EXPECT_EQ(d->points->GetValue(2, 15), 0.0);
    EXPECT_EQ(d->analogRate, 50.0f);
    EXPECT_EQ(d->pointRate, 50.0f);  // the smaller of 100 (no marker rate) and 50
    EXPECT_EQ(d->lastFrame, 15);

    // Neither markers nor channels: no recording.
    const auto none = Load(Mdf().Names(0, {"comment only"}).Bytes());
    EXPECT_FALSE(none->points);
    const auto refused = Load("CODA");
    EXPECT_FALSE(refused->points);
    EXPECT_NE(std::string(refused->GetErrorText()).find("This is not a coda motion file"), std::string::npos);
}

// One long force channel beside thousands of empty EMG channels would ask for a table of
// channels x samples far beyond the file: the channels are dropped, the markers stay.
TEST_F(MdfLoad, ChannelTableBoundedByTheFile) {
    Mdf mdf;
    mdf.Markers(1, 2, Coded).Channels(3, 1, 20000, [](int, int s) { return static_cast<int16_t>(s); });
    mdf.Section(4, 2, std::vector<Entry>(30000, Entry{}));
    const auto d = Load(mdf.Bytes());
    ASSERT_TRUE(d->points);
    EXPECT_FALSE(d->analog);
}

// Force and EMG channels of two rates share one table at the faster rate: the faster kind's
// samples go in as they are, the slower kind's land on the columns of their own times and are
// interpolated between them, held through their last sample period and 0 after it.
TEST_F(MdfLoad, ChannelsOfTwoRatesShareTheFasterTimeBase) {
    const struct {
        const char* name;
        int16_t forceRate, emgRate;
        int forceSamples, emgSamples;
        float tableRate;
        int32_t columns;
        // (row, column, value) with force channel c sample s = 10c + s and EMG sample s = s,
        // before the plate gain of -1 and the EMG scale.
        std::vector<std::tuple<int32_t, int32_t, double>> values;
    } cases[] = {
        {"EMG twice as fast", 200, 400, 4, 8, 400, 8, {{1, 2, -11}, {1, 3, -11.5}, {1, 7, -13}, {8, 5, 5}}},
        {"plates four times as fast", 1000, 250, 12, 3, 1000, 12, {{0, 11, -11}, {8, 4, 1}, {8, 6, 1.5}, {8, 9, 2}}},
        {"a ratio of 3 to 2", 300, 200, 6, 4, 300, 6, {{8, 1, 2.0 / 3}, {8, 3, 2}, {8, 4, 8.0 / 3}, {8, 5, 3}}},
        {"EMG longer at one rate", 200, 200, 4, 6, 200, 6, {{8, 5, 5}, {0, 3, -3}, {0, 4, 0}}},
        {"EMG twice as fast and short", 200, 400, 4, 4, 400, 8, {{1, 6, -13}, {1, 7, -13}, {8, 3, 3}, {8, 4, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Mdf mdf;
        mdf.Markers(1, 2, Coded).Rate(7, 100).Rate(8, c.forceRate).Rate(9, c.emgRate);
        mdf.Channels(3, 8, c.forceSamples, [](int ch, int s) { return static_cast<int16_t>(ch * 10 + s); });
        mdf.Channels(4, 1, c.emgSamples, [](int, int s) { return static_cast<int16_t>(s); });
        mdf.Section(18, 4, std::vector<Entry>(8, F32({1.0f})));
        mdf.Section(19, 4, {F32({1e6f})});  // EMG in stored units
        mdf.Plates(1, "Kistler");
        const auto d = Load(mdf.Bytes());
        ASSERT_TRUE(d->analog);
        EXPECT_STREQ(d->GetErrorText(), "");
        EXPECT_EQ(d->analogRate, c.tableRate);
        EXPECT_EQ(d->analog->GetCols(), c.columns);
        for (const auto& [row, col, value] : c.values)
            EXPECT_NEAR(d->analog->GetValue(row, col), value, 1e-9) << row << " " << col;
        EXPECT_EQ(d->plateCount, 1);
    }
}

// Rates the file does not give are said, as is a pair of rates that cannot share a time base.
TEST_F(MdfLoad, MissingOrUnusableRatesAreSaid) {
    Mdf mdf;
    mdf.Markers(1, 2, Coded).Section(9, 2, {Entry{}});  // EMG rate 0
    mdf.Channels(3, 8, 4, [](int ch, int s) { return static_cast<int16_t>(ch * 10 + s); });
    mdf.Channels(4, 1, 4, [](int, int s) { return static_cast<int16_t>(s); });
    const auto d = Load(mdf.Bytes());
    ASSERT_TRUE(d->points && d->analog);
    EXPECT_EQ(d->pointRate, 100.0f);
    EXPECT_EQ(d->analogRate, 100.0f);
    EXPECT_EQ(d->analog->GetCols(), 4);
    EXPECT_STREQ(d->GetErrorText(),
                 "trial.mdf: no marker rate in the file, 100 Hz taken; no force-channel rate in the file, 100 Hz "
                 "taken; EMG at 0 Hz and force channels at 100 Hz cannot share a time base; both are read at 100 Hz");
}

// A composed recording cut anywhere in its sections: refused, naming the section, unless only
// sections the import does not use are lost.
TEST_F(MdfLoad, CutRecordingIsRefusedWithWhatWasLost) {
    Mdf mdf = Recording(3, 1, "AMTI", 8);
    mdf.Section(34, 2, {I16({1}), I16({2})});  // a kept, unused table last
    const std::string full = mdf.Bytes();
    const size_t sections = ReadBytes(full)->GetTags().size();
    ASSERT_EQ(sections, 11u);
    for (size_t n = 8 + 4 * sections; n < full.size(); ++n) {
        const auto d = Load(full.substr(0, n));
        const std::string text = d->GetErrorText();
        SCOPED_TRACE(testing::Message() << n << ": " << text);
        if (n >= full.size() - 8) {  // inside the last section: two entries of 4 bytes
            ASSERT_TRUE(d->points);
            EXPECT_EQ(d->pointRate, 100.0f);
            EXPECT_EQ(d->analogRate, 400.0f);
            EXPECT_EQ(text, dez::Format("trial.mdf: section 11 of 11 (tag 34) runs past the end at byte %zu; only "
                                        "sections not used here are lost",
                                        n));
        } else {
            EXPECT_FALSE(d->points);
            EXPECT_EQ(text.rfind("trial.mdf: cut short or damaged, section ", 0), 0u);
        }
    }
}

TEST_F(MdfLoad, DecimalCommaLocale) {
    testsupport::CommaLocale comma;
    if (!comma.ok()) GTEST_SKIP() << "no decimal-comma locale";
    const auto d = Load(Recording(12, 1, "AMTI", 8).Bytes(), "[Acquisition]\r\nMarkers=2-3\r\n");
    ASSERT_TRUE(d->points);
    EXPECT_EQ(d->GetPointCount(), 2);
    EXPECT_EQ(d->pointRate, 100.0f);
}

TEST(MdfSample, OpensWithMarkersChannelsAndPlate) {
    const std::string path = testsupport::SampleFile("mdf/gait-bilateral-1997-Kistlerx1.mdf");
    if (path.empty()) FAIL() << "sample file missing";
    TDataFile d(path.c_str());
    ASSERT_TRUE(d.points);
    EXPECT_EQ(d.kind, kFileMDF);
    EXPECT_EQ(d.GetPointCount(), 24);
    EXPECT_EQ(d.GetFrameCount(), 512);
    EXPECT_EQ(d.pointRate, 200.0f);
    EXPECT_EQ(d.PointLabel(0), "L.Sac.Wand");
    EXPECT_EQ(d.PointLabel(23), "R.Hip");
    // First sample of the first marker as stored (floats, resolution 1000 um: millimetres).
    EXPECT_NEAR(d.points->GetValue(0, 0), 1907.9, 1e-3);
    EXPECT_NEAR(d.points->GetValue(2, 0), 891.9, 1e-3);
    ASSERT_TRUE(d.analog);
    // Eight plate channels of 511 samples at 200 Hz, eight EMG of 1,023 at 400 Hz: the table runs
    // at 400 Hz and keeps every EMG sample.
    EXPECT_EQ(d.analog->GetRows(), 16);
    EXPECT_EQ(d.analog->GetCols(), 1023);
    EXPECT_EQ(d.analogRate, 400.0f);
    EXPECT_EQ(d.GetAnalogSamplesPerFrame(), 2.0f);
    EXPECT_STREQ(d.GetErrorText(), "");  // nothing lost, nothing assumed
    EXPECT_EQ(d.AnalogLabel(1), "FX121");
    EXPECT_EQ(d.AnalogLabel(8), "FZ41");
    EXPECT_EQ(d.AnalogLabel(9), "R.Quads");
    ASSERT_EQ(d.plateCount, 1);
    int32_t type = 0, channels[8];
    double corners[12], origin[3];
    ASSERT_TRUE(d.GetPlateGeometry(0, &type, channels, corners, origin));
    EXPECT_EQ(type, 3);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(channels[k], k + 1);
    // A 600 x 400 mm plate (stored in tenths of a millimetre), the file's corners 2, 3, 4, 1.
    const double expectedCorners[12] = {-300, 200, 0, 300, 200, 0, 300, -200, 0, -300, -200, 0};
    for (int k = 0; k < 12; ++k) EXPECT_NEAR(corners[k], expectedCorners[k], 1e-4) << k;
    EXPECT_NEAR(origin[0], 200, 1e-4);
    EXPECT_NEAR(origin[1], 120, 1e-4);
    EXPECT_NEAR(origin[2], 58, 1e-4);
    // The plate's maker comes after the sections of tags 25 to 27: read in step with the file.
    const TCodaFile coda(path.c_str(), false);
    ASSERT_EQ(coda.GetPlateCount(), 1);
    EXPECT_EQ(std::string(coda.GetPlate(0)->makerModel), "Unspecified ");
    EXPECT_EQ(coda.GetPlate(0)->typeWord, 0);

    ASSERT_EQ(coda.GetForceCount(), 8);
    ASSERT_EQ(coda.GetEmgCount(), 8);
    EXPECT_EQ(coda.GetForceRate(), 200.0f);
    EXPECT_EQ(coda.GetEmgRate(), 400.0f);
    for (int32_t j = 0; j < 8; ++j) {
        const CodaChannel* emg = coda.GetEmg(j);
        ASSERT_EQ(emg->capacity, 1023);
        for (int32_t s = 0; s < 1023; ++s) ASSERT_EQ(d.analog->GetValue(8 + j, s), emg->samples[s]) << j << " " << s;
    }
    for (int32_t c = 0; c < 8; ++c) {
        const CodaChannel* ch = coda.GetForce(c);
        ASSERT_EQ(ch->capacity, 511);
        for (int32_t s = 0; s < 511; ++s) {
            ASSERT_EQ(d.analog->GetValue(c, 2 * s), -ch->samples[s]) << c << " " << s;
            const double between = s + 1 < 511 ? -(double{ch->samples[s]} + ch->samples[s + 1]) / 2.0 : -ch->samples[s];
            ASSERT_NEAR(d.analog->GetValue(c, 2 * s + 1), between, 1e-9) << c << " " << s;
        }
        EXPECT_EQ(d.analog->GetValue(c, 1022), 0.0);  // after the plate's last sample period
    }

    // One right-foot stance: the vertical force rises to about body weight and is flat before.
    // At every marker frame the plate reads that frame's own samples: its forces change from
    // frame 0 as the sums of its channels do (FX12 + FX34, FX14 + FX23, FZ1 to FZ4; the stored
    // channels point the other way), whatever baseline the plate subtracts, in the plate's axes.
    float peak = 0.0f, quiet = 0.0f;
    int32_t peakFrame = -1;
    TPlateForces first;
    ASSERT_TRUE(d.GetPlateForces(0, 0, &first, 10.0f, true));
    for (int32_t frame = 0; frame < 511; ++frame) {
        const int32_t col = static_cast<int32_t>(frame * d.GetAnalogSamplesPerFrame());
        TPlateForces f, local;
        ASSERT_TRUE(d.GetPlateForces(0, col, &f, 10.0f, false));
        ASSERT_TRUE(d.GetPlateForces(0, col, &local, 10.0f, true));
        auto change = [&](int c) {
            return -static_cast<double>(coda.GetForce(c)->samples[frame]) + coda.GetForce(c)->samples[0];
        };
        const double tol = 1e-3 * (1.0 + std::fabs(f.force[2]));
        ASSERT_NEAR(local.force[0] - first.force[0], change(0) + change(1), tol) << frame;
        ASSERT_NEAR(local.force[1] - first.force[1], change(2) + change(3), tol) << frame;
        ASSERT_NEAR(local.force[2] - first.force[2], change(4) + change(5) + change(6) + change(7), tol) << frame;
        if (f.force[2] > peak) {
            peak = f.force[2];
            peakFrame = frame;
        }
        if (frame < 75) quiet = std::max(quiet, std::fabs(f.force[2]));
    }
    EXPECT_GT(peak, 450.0f);
    EXPECT_LT(peak, 1500.0f);
    EXPECT_LT(quiet, 20.0f);
    // Columns between the frames lie between their neighbours' forces.
    TPlateForces before, mid, after;
    const int32_t col = 2 * peakFrame;
    ASSERT_TRUE(d.GetPlateForces(0, col - 2, &before, 10.0f, false));
    ASSERT_TRUE(d.GetPlateForces(0, col - 1, &mid, 10.0f, false));
    ASSERT_TRUE(d.GetPlateForces(0, col, &after, 10.0f, false));
    EXPECT_NEAR(mid.force[2], (before.force[2] + after.force[2]) / 2, 1e-3 * peak);
}

// Damaged copies of the sample: refused with the file's name and what is wrong, or loaded with
// a note of what was lost; never a short recording at a default rate said by nobody.
TEST(MdfSample, DamagedCopiesAreRefusedOrSayWhatWasLost) {
    const std::string sample = testsupport::ReadFileBytes(testsupport::SampleFile("mdf/gait-bilateral-1997-Kistlerx1.mdf"));
    ASSERT_EQ(sample.size(), 175699u);
    std::string firstTag = sample;
    firstTag[8] = 1;  // the comment's tag 0 becomes tag 1: every later section is read out of step
    const struct {
        const char* name;
        std::string bytes;
        bool loads;
        const char* said;  // part of the message
    } cases[] = {
        {"cut at a quarter", sample.substr(0, sample.size() / 4), false,
         "cut short or damaged, section 3 of 28 (tag 2) runs past the end at byte 43924; lost: markers, force "
         "channels, EMG, rates, resolutions, scales, plates, names"},
        {"cut at a half", sample.substr(0, sample.size() / 2), false, "section 3 of 28 (tag 2) runs past the end at byte 87849"},
        {"cut at three quarters", sample.substr(0, sample.size() * 3 / 4), false, "lost: markers, force channels, EMG, rates"},
        {"cut in the plate channels", sample.substr(0, 150000), false, "section 4 of 28 (tag 3) runs past the end at byte 150000; lost: force channels, EMG, rates"},
        {"cut after the rates", sample.substr(0, 174700), false, "lost: resolutions, scales, plates, names"},
        {"damaged first descriptor tag", firstTag, false, "cut short or damaged, section 3 of 28 (tag 2) runs past the end"},
        {"cut in the last section", sample.substr(0, sample.size() - 10), true,
         "section 28 of 28 (tag 34) runs past the end at byte 175689; only sections not used here are lost"},
        {"bytes after the last section", sample + std::string(10, '\0'), true, "10 bytes after the last section not read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        const std::string path = dir.file("gait-bilateral-1997-Kistlerx1.mdf");
        testsupport::WriteFileBytes(path, c.bytes);
        TDataFile d(nullptr);
        d.verbose = false;
        EXPECT_EQ(d.LoadFile(path.c_str(), kFileDetect, true), c.loads);
        const std::string text = d.GetErrorText();
        EXPECT_EQ(text.rfind("gait-bilateral-1997-Kistlerx1.mdf: ", 0), 0u) << text;
        EXPECT_NE(text.find(c.said), std::string::npos) << text;
        if (!c.loads) {
            EXPECT_FALSE(d.points);
            continue;
        }
        ASSERT_TRUE(d.points && d.analog);
        EXPECT_EQ(d.GetPointCount(), 24);
        EXPECT_EQ(d.GetFrameCount(), 512);
        EXPECT_EQ(d.pointRate, 200.0f);
        EXPECT_EQ(d.analog->GetCols(), 1023);
        EXPECT_EQ(d.analogRate, 400.0f);
        EXPECT_EQ(d.plateCount, 1);
    }
}

// Any one byte of the descriptor table changed: the copy is refused with a reason, or it loads
// at the file's rate, or its note says what was taken instead.
TEST(MdfSample, DamagedDescriptorsNeverLoadSilentlyWrong) {
    const std::string sample = testsupport::ReadFileBytes(testsupport::SampleFile("mdf/gait-bilateral-1997-Kistlerx1.mdf"));
    testsupport::TempDir dir;
    const std::string path = dir.file("trial.mdf");
    for (size_t at = 8; at < 8 + 4 * 28; ++at)
        for (const int value : {0x00, 0xFF, static_cast<uint8_t>(sample[at]) ^ 0x01}) {
            std::string bytes = sample;
            bytes[at] = static_cast<char>(value);
            if (bytes == sample) continue;
            testsupport::WriteFileBytes(path, bytes);
            TDataFile d(nullptr);
            d.verbose = false;
            const bool loaded = d.LoadFile(path.c_str(), kFileDetect, true);
            const std::string text = d.GetErrorText();
            SCOPED_TRACE(testing::Message() << "byte " << at << " = " << value << ": " << text);
            if (!loaded) EXPECT_EQ(text.rfind("trial.mdf: ", 0), 0u);
            else if (text.empty()) EXPECT_EQ(d.pointRate, 200.0f);
            else EXPECT_EQ(text.rfind("trial.mdf: ", 0), 0u);
        }
}

}  // namespace

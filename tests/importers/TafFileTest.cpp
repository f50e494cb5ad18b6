// TAF tracker recordings: sensors as points (with axis tips for orientation trackers), values as
// analog channels, events, and the refusal of cut or inconsistent files.
#include "importers/TafFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"
#include "motion/TDataFile.h"
#include "platform/ByteReader.h"

namespace {

// Composes a TAF file; sample(frame, sensor, value) gives the stored doubles.
struct Taf {
    double rate = 120.0;
    int32_t sensors = 2, values = 3, frames = 3;
    std::vector<std::string> strings;  // tracker name, then labels
    std::vector<uint8_t> leadingItems;  // raw items before the strings
    std::function<double(int, int, int)> sample = [](int f, int s, int v) { return 100.0 * s + 10.0 * v + f; };
    std::vector<std::pair<int32_t, int32_t>> events;
    bool withEvents = false;

    std::string Bytes() const {
        dez::ByteWriter items;
        items.PutBytes(leadingItems.data(), leadingItems.size());
        for (const std::string& s : strings) {
            items.PutU8(4);
            items.PutU8(2);
            items.PutI32LE(static_cast<int32_t>(s.size()));
            items.PutBytes(s.data(), s.size());
        }
        dez::ByteWriter w;
        w.PutU32LE(0x05F42A96);
        w.PutF64LE(rate);
        w.PutI32LE(sensors);
        w.PutI32LE(values);
        w.PutI32LE(frames);
        w.PutI32LE(static_cast<int32_t>(items.size()));
        w.PutBytes(items.data(), items.size());
        for (int f = 0; f < frames; ++f)
            for (int s = 0; s < sensors; ++s)
                for (int v = 0; v < values; ++v) w.PutF64LE(sample(f, s, v));
        if (withEvents) {
            w.PutI32LE(static_cast<int32_t>(events.size()));
            for (const auto& [sensor, frame] : events) {
                w.PutI32LE(sensor);
                w.PutI32LE(frame);
            }
        }
        return std::string(w.bytes().begin(), w.bytes().end());
    }
};

struct Loaded {
    std::unique_ptr<TDataFile> d = std::make_unique<TDataFile>(nullptr);
    bool ok = false;
};

Loaded Read(const std::string& bytes, bool asPoints = true) {
    Loaded r;
    r.d->verbose = false;
    r.ok = ReadTAFBuffer(*r.d, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), asPoints, "t.taf");
    return r;
}

void ExpectPoint(const TDataFile& d, int point, int frame, double x, double y, double z) {
    const int row = point * d.dimension;
    EXPECT_NEAR(d.points->GetValue(row, frame), x, 1e-9);
    EXPECT_NEAR(d.points->GetValue(row + 1, frame), y, 1e-9);
    EXPECT_NEAR(d.points->GetValue(row + 2, frame), z, 1e-9);
}

// Two sensors of seven values: position, then the quaternion w x y z. Sensor 0 has the identity,
// sensor 1 a quarter turn about z.
Taf OrientationTracker(const char* name) {
    Taf t;
    t.values = 7;
    t.frames = 2;
    t.strings = {name};
    t.sample = [](int f, int s, int v) {
        const double h = std::sqrt(0.5);
        const double q[2][4] = {{1, 0, 0, 0}, {h, 0, 0, h}};
        return v < 3 ? (v + 1) + 10.0 * s + 100.0 * f : q[s][v - 3];
    };
    return t;
}

TEST(TafFile, OrientationTrackerGivesAxisPoints) {
    for (const char* name : {"liberty", "PATRIOT", "Liberty LATUS", "minuteman", "Fast Track"}) {
        SCOPED_TRACE(name);
        const Loaded r = Read(OrientationTracker(name).Bytes());
        ASSERT_TRUE(r.ok);
        const TDataFile& d = *r.d;
        EXPECT_EQ(d.dimension, 4);
        ASSERT_EQ(d.GetPointCount(), 8);
        EXPECT_EQ(d.GetFrameCount(), 2);
        ExpectPoint(d, 0, 0, 10, 20, 30);  // positions x 10
        ExpectPoint(d, 2, 0, 35, 20, 30);  // sensor 1's x tip, identity
        ExpectPoint(d, 4, 0, 10, 20, 55);  // its z tip
        // Sensor 2 at (110, 120, 130) in frame 0, its axes turned back by a quarter turn about z.
        ExpectPoint(d, 1, 0, 110, 120, 130);
        ExpectPoint(d, 5, 0, 110, 95, 130);
        ExpectPoint(d, 6, 1, 1135, 1120, 1130);
        EXPECT_EQ(d.points->GetValue(3, 0), 0.0);  // the fourth value stays 0
        EXPECT_EQ(d.PointLabel(0), "Sensor#1");
        EXPECT_EQ(d.PointLabel(2), "frame_marker_1.x");
        EXPECT_EQ(d.PointLabel(7), "frame_marker_2.z");
        EXPECT_EQ(d.pointLabels->GetItem(7)->id, 8);
        EXPECT_EQ(d.pointRate, 120.0f);
        EXPECT_EQ(d.lastFrame, 1);
        EXPECT_EQ(d.playLast, 1);
    }
}

TEST(TafFile, ScaleAndDimensionByTracker) {
    const struct {
        const char* name;
        std::vector<std::string> strings;
        int32_t values;
        int32_t points, dimension;
    } cases[] = {
        {"other tracker", {"Polhemus 3Space"}, 7, 2, 7},
        {"no name, 6 values", {}, 6, 2, 6},
        {"no name, 10 values", {}, 10, 8, 4},
        {"no name, 7 values", {}, 7, 2, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Taf t;
        t.values = c.values;
        t.strings = c.strings;
        t.sample = [](int, int, int v) { return v == 0 ? 1.0 : v >= 3 && v != 6 ? 0.0 : 1.0; };
        const Loaded r = Read(t.Bytes());
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(r.d->GetPointCount(), c.points);
        EXPECT_EQ(r.d->dimension, c.dimension);
        const bool scaled = c.values == 6 || c.values == 10;
        EXPECT_EQ(r.d->points->GetValue(0, 0), scaled ? 10.0 : 1.0);
    }
}

TEST(TafFile, LabelsFromTheHeader) {
    Taf t;
    t.leadingItems = {1, 0xAA, 2, 1, 2, 3, 4, 3, 0, 0, 0, 0, 0, 0, 0, 0, 9, 4, 7};  // 4 7: no string
    t.strings = {"tracker", std::string(5000, 'L'), "Right"};
    Loaded r = Read(t.Bytes());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.d->PointLabel(0), std::string(255, 'L'));  // labels keep 255 characters
    EXPECT_EQ(r.d->PointLabel(1), "Right");

    t.strings = {"tracker", "only one"};
    r = Read(t.Bytes());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.d->PointLabel(0), "Sensor#1");
    EXPECT_EQ(r.d->PointLabel(1), "Sensor#2");
}

TEST(TafFile, FewValuesBecomeChannels) {
    Taf t;
    t.values = 2;
    t.sensors = 3;
    t.frames = 4;
    const Loaded r = Read(t.Bytes());
    ASSERT_TRUE(r.ok);
    ASSERT_TRUE(r.d->analog);
    EXPECT_EQ(r.d->analog->GetRows(), 6);
    EXPECT_EQ(r.d->analog->GetCols(), 4);
    EXPECT_EQ(r.d->analog->GetValue(3, 2), 100.0 * 1 + 10.0 * 1 + 2);  // sensor 1, value 1, frame 2
    EXPECT_EQ(r.d->AnalogLabel(6), "Channel #6");
    EXPECT_EQ(r.d->analogRate, 120.0f);
    // One placeholder point carries the frames.
    EXPECT_EQ(r.d->dimension, 4);
    EXPECT_EQ(r.d->GetPointCount(), 1);
    EXPECT_EQ(r.d->GetFrameCount(), 4);
    EXPECT_EQ(r.d->headerPointCount, 1);
    EXPECT_EQ(r.d->pointRate, 120.0f);
    EXPECT_EQ(r.d->lastFrame, 3);
}

TEST(TafFile, EventsInsideTheFrames) {
    Taf t;
    t.withEvents = true;
    t.events = {{3, 0}, {1, 2}, {2, 3}, {4, -1}};  // frames 3 and -1 lie outside 0 .. 2
    const Loaded r = Read(t.Bytes());
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.d->GetEventCount(), 2);
    const LabelledItem* e = r.d->events->GetItem(1);
    EXPECT_STREQ(e->name, "Sensor 1");
    EXPECT_EQ(e->id, 2);
    EXPECT_STREQ(e->context, "General");
    EXPECT_EQ(e->value, 0);

    t.events.clear();  // a count of 0 is a complete file
    EXPECT_TRUE(Read(t.Bytes()).ok);
}

// Every cut of a file is refused, with its reason; so are counts the file cannot hold.
TEST(TafFile, CutAndInconsistentFilesAreRefused) {
    Taf t;
    t.strings = {"Liberty", "a", "b"};
    t.withEvents = true;
    t.events = {{1, 1}};
    const std::string full = t.Bytes();
    ASSERT_TRUE(Read(full).ok);
    const size_t withoutEvents = full.size() - 12;  // a file may end right after its samples
    for (size_t n = 0; n < full.size(); ++n) {
        if (n == withoutEvents) continue;
        const Loaded r = Read(full.substr(0, n));
        EXPECT_FALSE(r.ok) << n;
        EXPECT_FALSE(r.d->points) << n;
        EXPECT_NE(std::string(r.d->GetErrorText()).find("t.taf: "), std::string::npos) << n;
    }

    auto patched = [&](size_t at, int32_t v) {
        std::string b = full;
        dez::StoreI32LE(reinterpret_cast<uint8_t*>(&b[at]), v);
        return b;
    };
    std::string badRate = full;
    dez::StoreF64LE(reinterpret_cast<uint8_t*>(&badRate[4]), std::nan(""));
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } cases[] = {
        {"magic", "XXXX" + full.substr(4), "not a TAF file"},
        {"rate", badRate, "sampling rate"},
        {"no sensors", patched(12, 0), "no samples"},
        {"negative values", patched(16, -3), "no samples"},
        {"huge frames", patched(20, 0x7FFFFFFF), "ends inside its samples"},
        {"header past the end", patched(24, 1 << 20), "header items run past"},
        {"negative header", patched(24, -1), "header items run past"},
        {"string past the end", patched(30, 1 << 30), "ends inside its header items"},
        {"event count", patched(full.size() - 12, 1000), "event list"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Loaded r = Read(c.bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(std::string(r.d->GetErrorText()).find(c.reason), std::string::npos) << r.d->GetErrorText();
    }
}

TEST(TafFile, LoadAndAnalogImport) {
    testsupport::TempDir dir;
    Taf t;
    t.values = 3;
    const std::string path = dir.file("walk.taf");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, t.Bytes()));
    TDataFile d(path.c_str());
    ASSERT_TRUE(d.points);
    EXPECT_EQ(d.kind, kFileTAF);
    EXPECT_EQ(d.GetPointCount(), 2);
    EXPECT_FALSE(d.analog);

    // The same file as the analog companion of a recording replaces only its analog part.
    TDataFile rec(4, 10, 50.0f, 2, 1, 3);
    rec.verbose = false;
    rec.points->SetValue(0, 0, 7.0);
    ASSERT_TRUE(rec.ImportAnalogFile(path.c_str()));
    EXPECT_EQ(rec.GetPointCount(), 4);
    EXPECT_EQ(rec.points->GetValue(0, 0), 7.0);
    EXPECT_EQ(rec.pointRate, 50.0f);
    ASSERT_TRUE(rec.analog);
    EXPECT_EQ(rec.analog->GetRows(), 6);
    EXPECT_EQ(rec.analog->GetValue(5, 2), 100.0 + 20.0 + 2);
    EXPECT_EQ(rec.AnalogLabel(1), "Channel #1");
    EXPECT_EQ(rec.analogRate, 120.0f);

    TDataFile missing(dir.file("absent.taf").c_str());
    EXPECT_FALSE(missing.points);
}

}  // namespace

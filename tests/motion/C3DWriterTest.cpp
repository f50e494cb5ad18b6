#include "motion/C3DFixture.h"
#include "motion/C3DParameters.h"
#include "motion/TC3DData.h"
#include "motion/TDataFile.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"
#include "platform/ByteReader.h"
#include "platform/Paths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using c3dtest::C3DFixture;
using c3dtest::PointSample;

namespace {

std::vector<uint8_t> Bytes(const std::string& path) {
    const std::string s = testsupport::ReadFileBytes(path);
    return std::vector<uint8_t>(s.begin(), s.end());
}

std::unique_ptr<TC3DData> Reload(const std::string& path, bool keepCameraMask = true) {
    auto d = std::make_unique<TC3DData>();
    d->verbose = false;
    EXPECT_TRUE(d->LoadC3D(path.c_str(), keepCameraMask, true, false)) << d->errorText;
    return d;
}

// n points, `frames` frames at 100 Hz, dimension `dim`; point p at frame f is (f, p, -1).
std::unique_ptr<TDataFile> Recording(int n, int frames, int dim = 4, int channels = 0, int spf = 1) {
    auto d = std::make_unique<TDataFile>(n, frames, 100.0f, channels, spf, dim);
    d->verbose = false;
    for (int f = 0; f < frames; ++f)
        for (int p = 0; p < n; ++p) {
            d->points->SetValue(p * dim, f, f);
            d->points->SetValue(p * dim + 1, f, p);
            d->points->SetValue(p * dim + 2, f, -1);
        }
    return d;
}

// The float written as the fourth value of point p in frame f of a file our writer wrote.
float FourthWord(const std::vector<uint8_t>& file, int points, int channels, int f, int p) {
    const size_t dataStart = (static_cast<size_t>(dez::LoadU16LE(file.data() + 16)) - 1) * 512;
    const size_t frameBytes = static_cast<size_t>(points) * 16 + static_cast<size_t>(channels) * 4;
    return dez::LoadF32LE(file.data() + dataStart + f * frameBytes + p * 16 + 12);
}

TEST(C3DWriter, RoundTripOfADecIntegerFile) {
    C3DFixture f(2);
    f.points = 3;
    f.channels = 2;
    f.samplesPerFrame = 2;
    f.scale = 0.25f;
    f.StandardParameters();
    f.Floats(2, "SCALE", {0.5f, 2.0f});
    f.Int16s(2, "OFFSET", {1, -1});
    f.Text(1, "X_SCREEN", "+X");
    f.Group(3, "EVENT");
    f.Texts(3, "LABELS", {"Foot Strike", "Foot Off"}, 12);
    f.Texts(3, "CONTEXTS", {"Left", "Right"}, 5);
    f.Floats(3, "TIMES", {0, 0.03f, 0, 0.07f}, {2, 2});
    f.Texts(3, "SUBJECTS", {"Jane", "Jane"}, 4);
    f.Group(4, "EVENT_CONTEXT");
    f.Texts(4, "LABELS", {"Left", "Right"}, 5);
    f.Group(5, "FORCE_PLATFORM");
    f.Int16s(5, "USED", {1});
    f.Int16s(5, "TYPE", {2});
    f.Int16s(5, "CHANNEL", {1, 2, 1, 2, 1, 2}, {6, 1});
    f.Floats(5, "CORNERS", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, {3, 4, 1});
    f.Group(6, "SUBJECTS");
    f.Texts(6, "MARKER_SETS", {"Set"}, 3);
    f.Group(7, "VENDOR_GROUP");
    f.Floats(7, "VALUE", {1.5f, 2.5f});
    f.headerEvents = {{0.04f, "HS"}};
    TC3DData d;
    d.verbose = false;
    const std::vector<uint8_t> original = f.Build();
    ASSERT_TRUE(d.LoadC3DFromBuffer(original.data(), original.size(), true, true, false));

    testsupport::TempDir dir;
    const std::string out = dir.file("out.c3d");
    ASSERT_TRUE(d.SaveC3D(out.c_str(), "Vederiz", "Dezozuza", nullptr, true)) << d.errorText;
    EXPECT_EQ(d.processor, 1);
    const std::vector<uint8_t> file = Bytes(out);
    EXPECT_EQ(file[512 + 3], 84);
    EXPECT_EQ(dez::LoadF32LE(file.data() + 12), -0.0625f);

    auto back = Reload(out);
    EXPECT_FALSE(back->integerData);
    ASSERT_EQ(back->points->size, d.points->size);
    for (int i = 0; i < d.points->size; ++i) ASSERT_DOUBLE_EQ(back->points->data[i], d.points->data[i]) << i;
    ASSERT_EQ(back->analog->size, d.analog->size);
    for (int i = 0; i < d.analog->size; ++i) ASSERT_DOUBLE_EQ(back->analog->data[i], d.analog->data[i]) << i;
    EXPECT_EQ(back->PointLabel(2), "PT3");
    EXPECT_EQ(back->AnalogLabel(2), "CH2");
    EXPECT_STREQ(back->xScreen, "+X");
    ASSERT_EQ(back->GetEventCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(back->events->items[i]->id, d.events->items[i]->id);
        EXPECT_STREQ(back->events->items[i]->name, d.events->items[i]->name);
        EXPECT_STREQ(back->events->items[i]->context, d.events->items[i]->context);
        EXPECT_STREQ(back->events->items[i]->subject, "Jane");
    }
    EXPECT_EQ(back->FindHeaderEvent("HS"), 4);
    EXPECT_EQ(back->plateCount, 1);
    EXPECT_FLOAT_EQ(back->plates[0].corners[3][2], 12.0f);
    char set[256], display[256];
    EXPECT_TRUE(back->GetMarkerSetNames(set, display, 0));
    EXPECT_STREQ(set, "Set");
    ASSERT_NE(back->FindGroup("VENDOR_GROUP"), nullptr);
    EXPECT_FLOAT_EQ(back->FindGroup("VENDOR_GROUP")->FindParameter("VALUE")->reals[1], 2.5f);
    // Other readers learn the data format from POINT:SCALE too.
    EXPECT_FLOAT_EQ(back->FindGroup("POINT")->FindParameter("SCALE")->reals[0], -0.0625f);
    EXPECT_EQ(back->FindGroup("MANUFACTURER")->FindParameter("COMPANY")->elementCount, 7);
}

TEST(C3DWriter, FourthPointWord) {
    struct Case {
        const char* name;
        int dim;
        double residual;
        double mask;
        double x;
        float word;
    };
    const Case cases[] = {
        {"dimension 3", 3, 0, 0, 5, 768.0f},
        {"residual 1.25", 4, 1.25, 0, 5, 788.0f},
        {"residual too large saturates", 4, 20.0, 0, 5, 3 * 256 + 255.0f},
        {"residual byte of 128 and more", 4, 12.0, 0, 5, 3 * 256 + 192.0f},
        {"mask kept", 5, 1.0, 0x81, 5, 0x81 * 256 + 16.0f},
        {"no mask, not at the origin", 5, 0.5, 0, 5, 3 * 256 + 8.0f},
        {"residual below one step keeps one step", 4, 0.01, 0, 5, 3 * 256 + 1.0f},
        {"computed point (residual 0) stays valid", 4, 0.0, 0, 5, 768.0f},
        {"computed point, mask kept as a full byte", 5, 0.0, 0xFF, 5, 0xFF * 256.0f},
        {"not measured (negative residual)", 4, kInvalidResidual, 0, 5, -1.0f},
        {"not measured, whatever its mask", 5, -0.5, 0xFF, 5, -1.0f},
        {"no residual at all (NaN)", 4, std::nan(""), 0, 5, -1.0f},
        {"no mask, at the origin", 5, 0.0, 0, 0, 0.0f},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = Recording(1, 2, c.dim);
        d->points->SetValue(0, 1, c.x);
        d->points->SetValue(1, 1, 0);
        d->points->SetValue(2, 1, 0);
        if (c.dim >= 4) d->points->SetValue(3, 1, c.residual);
        if (c.dim >= 5) d->points->SetValue(4, 1, c.mask);
        ASSERT_TRUE(d->SaveC3D(dir.file("w.c3d").c_str(), "", "", nullptr, false));
        EXPECT_EQ(FourthWord(Bytes(dir.file("w.c3d")), 1, 0, 1, 0), c.word);
    }
}

// Validity survives load, save and reload in integer and float files: residual byte 0 (a
// computed point) stays valid with residual 0, bytes of 128 and more stay valid (saturated at the
// written file's largest residual), negative words stay invalid.
TEST(C3DWriter, PointValiditySurvivesASave) {
    const float words[] = {3 * 256 + 5, 3 * 256 + 0, 3 * 256 + 200, 255, -1, -32763};
    const bool valid[] = {true, true, true, true, false, false};
    testsupport::TempDir dir;
    for (bool integer : {true, false}) {
        SCOPED_TRACE(integer ? "integer" : "float");
        C3DFixture f;
        f.points = 6;
        f.scale = integer ? 0.05f : -0.05f;
        f.point = [&](int frame, int p) { return PointSample{float(frame + 1), float(p), 7, words[p]}; };
        f.StandardParameters();
        const std::vector<uint8_t> bytes = f.Build();
        TC3DData d;
        d.verbose = false;
        ASSERT_TRUE(d.LoadC3DFromBuffer(bytes.data(), bytes.size(), false, true, false));
        ASSERT_TRUE(d.SaveC3D(dir.file("v.c3d").c_str(), "", "", nullptr, true)) << d.errorText;
        auto back = Reload(dir.file("v.c3d"), false);
        ASSERT_EQ(back->GetPointCount(), 6);
        for (int p = 0; p < 6; ++p) {
            SCOPED_TRACE(p);
            const double before = d.points->GetValue(4 * p + 3, 2);
            const double after = back->points->GetValue(4 * p + 3, 2);
            EXPECT_EQ(IsValidResidual(before), valid[p]);
            EXPECT_EQ(IsValidResidual(after), valid[p]);
            if (valid[p]) {
                EXPECT_NEAR(after, std::fmin(before, 255.0 / 16), 1.0 / 16);
            }
            EXPECT_FLOAT_EQ(back->points->GetValue(4 * p, 2), d.points->GetValue(4 * p, 2));
        }
        EXPECT_EQ(back->points->GetValue(4 * 1 + 3, 0), 0.0);  // computed: exactly 0
    }
}

TEST(C3DWriter, LongLabelListsAreSplit) {
    struct Case {
        int points;
        std::vector<int> parts;
    };
    const Case cases[] = {{300, {255, 45}}, {510, {255, 255}}, {511, {255, 255, 1}}};
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.points);
        auto d = Recording(c.points, 1, 3);
        ASSERT_TRUE(d->SaveC3D(dir.file("l.c3d").c_str(), "", "", nullptr, false));
        auto back = Reload(dir.file("l.c3d"));
        const TC3DGroup* point = back->FindGroup("POINT");
        for (size_t i = 0; i < c.parts.size(); ++i) {
            const std::string name = i == 0 ? "LABELS" : "LABELS" + std::to_string(i + 1);
            const TC3DParameter* p = point->FindParameter(name.c_str());
            ASSERT_NE(p, nullptr) << name;
            EXPECT_EQ(p->dims[1], c.parts[i]);
        }
        EXPECT_EQ(point->FindParameter(("LABELS" + std::to_string(c.parts.size() + 1)).c_str()), nullptr);
        EXPECT_EQ(back->pointLabels->count, c.points);
        EXPECT_EQ(back->PointLabel(c.points - 1), "M" + std::to_string(c.points));
    }
}

TEST(C3DWriter, HeaderEvents) {
    testsupport::TempDir dir;
    auto d = Recording(1, 100);
    d->headerEvents = new LabelledItemList();
    d->headerEvents->Add(LabelledItem(10, "HS", nullptr, -1));
    d->headerEvents->Add(LabelledItem(50, "HS", nullptr, -1));
    ASSERT_TRUE(d->SaveC3D(dir.file("h.c3d").c_str(), "", "", nullptr, false));
    auto back = Reload(dir.file("h.c3d"));
    ASSERT_EQ(back->GetHeaderEventCount(), 2);
    EXPECT_EQ(back->headerEvents->items[0]->id, 10);
    EXPECT_EQ(back->headerEvents->items[1]->id, 50);  // its own frame, not the first HS's

    for (int i = 2; i < 19; ++i) d->headerEvents->Add(LabelledItem(i, ("E" + std::to_string(i)).c_str(), nullptr, -1));
    ASSERT_TRUE(d->SaveC3D(dir.file("h.c3d").c_str(), "", "", nullptr, false));
    back = Reload(dir.file("h.c3d"));
    ASSERT_EQ(back->GetHeaderEventCount(), 18);
    EXPECT_STREQ(back->headerEvents->items[17]->name, "E17");
}

TEST(C3DWriter, AnalogSamplesPerFrame) {
    testsupport::TempDir dir;
    auto d = Recording(1, 10, 4);
    d->analogRate = 1000.0f;
    d->pointRate = 120.0f;
    d->analog = new Matrix2D(1, 84);
    for (int c = 0; c < 84; ++c) d->analog->SetValue(0, c, c);
    ASSERT_TRUE(d->SaveC3D(dir.file("a.c3d").c_str(), "", "", nullptr, false));
    const std::vector<uint8_t> file = Bytes(dir.file("a.c3d"));
    EXPECT_EQ(dez::LoadU16LE(file.data() + 18), 8);
    const size_t dataStart = (static_cast<size_t>(dez::LoadU16LE(file.data() + 16)) - 1) * 512;
    auto sample = [&](int f, int j) { return dez::LoadF32LE(file.data() + dataStart + f * (16 + 32) + 16 + 4 * j); };
    EXPECT_EQ(sample(3, 0), 25.0f);
    EXPECT_EQ(sample(3, 7), 32.0f);
    EXPECT_EQ(sample(5, 0), 42.0f);
    EXPECT_EQ(sample(5, 7), 49.0f);
}

TEST(C3DWriter, KeptParametersAreCopiedOnlyWhenAsked) {
    C3DFixture f;
    f.StandardParameters();
    f.Text(1, "X_SCREEN", "-Z");
    const std::vector<uint8_t> bytes = f.Build();
    testsupport::TempDir dir;
    for (bool copy : {true, false}) {
        SCOPED_TRACE(copy ? "copy" : "no copy");
        TC3DData d;
        d.verbose = false;
        ASSERT_TRUE(d.LoadC3DFromBuffer(bytes.data(), bytes.size(), false, true, false));
        ASSERT_TRUE(d.SaveC3D(dir.file("k.c3d").c_str(), "", "Dezozuza", nullptr, copy));
        auto back = Reload(dir.file("k.c3d"));
        const TC3DGroup* point = back->FindGroup("POINT");
        EXPECT_EQ(point->FindParameter("X_SCREEN") != nullptr, copy);
        int labels = 0;
        for (int i = 0; i < point->parameterCount; ++i) labels += std::strcmp(point->parameters[i]->name, "LABELS") == 0;
        EXPECT_EQ(labels, 1);
        if (copy) {
            EXPECT_STREQ(point->parameters[point->parameterCount - 1]->name, "X_SCREEN");
        }
        // An empty company is not written; an empty DFN text is written as 31 blanks.
        EXPECT_EQ(back->FindGroup("MANUFACTURER")->FindParameter("COMPANY"), nullptr);
        EXPECT_NE(back->FindGroup("MANUFACTURER")->FindParameter("SOFTWARE"), nullptr);
        EXPECT_EQ(std::string(back->dfnModel), std::string(31, ' '));
    }
}

TEST(C3DWriter, SavingTwiceGivesTheSameFile) {
    testsupport::TempDir dir;
    auto d = Recording(4, 20, 5, 2, 3);
    const int32_t version[3] = {1, 9, 0};
    ASSERT_TRUE(d->SaveC3D(dir.file("1.c3d").c_str(), "Vederiz", "Dezozuza", version, true));
    ASSERT_TRUE(d->SaveC3D(dir.file("2.c3d").c_str(), "Vederiz", "Dezozuza", version, true));
    EXPECT_EQ(testsupport::ReadFileBytes(dir.file("1.c3d")), testsupport::ReadFileBytes(dir.file("2.c3d")));
}

TEST(C3DWriter, LongRecordingsCarryTheirLengthInTrial) {
    testsupport::TempDir dir;
    auto d = Recording(1, 65536, 3);
    ASSERT_TRUE(d->SaveC3D(dir.file("long.c3d").c_str(), "", "", nullptr, false));
    auto back = Reload(dir.file("long.c3d"));
    EXPECT_EQ(back->GetFrameCount(), 65536);
    EXPECT_DOUBLE_EQ(back->points->GetValue(0, 65535), 65535.0);
}

TEST(C3DWriter, RefusalsAndFailures) {
    testsupport::TempDir dir;
    {
        auto d = Recording(2, 5, 3);
        d->dimension = 2;
        EXPECT_FALSE(d->SaveC3D(dir.file("x.c3d").c_str(), "", "", nullptr, false));
        EXPECT_STREQ(d->errorText, "Dimension must be greater or equal to 3");
    }
    {
        TC3DData empty;
        empty.verbose = false;
        EXPECT_FALSE(empty.SaveC3D(dir.file("x.c3d").c_str(), "", "", nullptr, false));
        EXPECT_STREQ(empty.errorText, "");
    }
    {
        auto d = Recording(2, 5, 3);
        EXPECT_FALSE(d->SaveC3D(dir.file("no/such/folder/x.c3d").c_str(), "", "", nullptr, false));
        EXPECT_EQ(std::string(d->errorText), "Unable to open C3D file for writing: Cannot create a temporary file for '" +
                                                 dir.file("no/such/folder/x.c3d") + "': No such file or directory");
    }
    {
        // Saving over a folder fails and leaves it as it was.
        auto d = Recording(2, 5, 3);
        const std::string folder = dir.file("folder.c3d");
        ASSERT_TRUE(std::filesystem::create_directory(folder));
        EXPECT_FALSE(d->SaveC3D(folder.c_str(), "", "", nullptr, false));
        EXPECT_NE(std::string(d->errorText), "");
        EXPECT_TRUE(std::filesystem::is_directory(folder));
    }
    {
        // A link that leads back to itself names no file: refused, the link stays.
        auto d = Recording(2, 5, 4);
        const std::string loop = dir.file("loop.c3d");
        std::filesystem::create_symlink("loop.c3d", loop);
        EXPECT_FALSE(d->SaveC3D(loop.c_str(), "", "", nullptr, false));
        EXPECT_NE(std::string(d->errorText).find("loop.c3d"), std::string::npos) << d->errorText;
        EXPECT_TRUE(std::filesystem::is_symlink(loop));
    }
}

TEST(C3DWriter, SavingOverAFileReplacesItWhole) {
    testsupport::TempDir dir;
    const std::string target = dir.file("rec.c3d");
    ASSERT_TRUE(testsupport::WriteFileBytes(target, std::string(100000, 'x')));
    auto d = Recording(3, 7, 4);
    ASSERT_TRUE(d->SaveC3D(target.c_str(), "", "", nullptr, false));
    auto back = Reload(target);
    EXPECT_EQ(back->GetFrameCount(), 7);
    // No temporary file is left next to it.
    EXPECT_EQ(dez::ListMatchingFiles(dir.path(), "*"), std::vector<std::string>{"rec.c3d"});
    // A save that is refused before writing leaves the file alone.
    const std::string before = testsupport::ReadFileBytes(target);
    d->dimension = 2;
    EXPECT_FALSE(d->SaveC3D(target.c_str(), "", "", nullptr, false));
    EXPECT_EQ(testsupport::ReadFileBytes(target), before);
}

// A hard-linked C3D on a nearly full disk: the save is refused with its cause, and both names
// keep the old bytes (the link whole) rather than one name getting a part of the new file.
TEST(C3DWriter, SavingOverAHardLinkedFileOnAFullDisk) {
    testsupport::TempDir dir;
    const std::string folder = dir.file("disk");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    auto small = Recording(2, 500, 3);
    auto large = Recording(4, 1000, 3);
    // About 18 kB before, 66 kB after: room for the temporary copy, not for the growth in place
    // (or, under a file size limit, not even for the copy).
    const testsupport::Room room{20 * 4096, 40000};
    const std::string report = testsupport::WithLittleRoom(
        folder, 200 * 1024, room,
        [&](const std::string& f) {
            std::string r;
            testsupport::Check(r, small->SaveC3D((f + "/rec.c3d").c_str(), "", "", nullptr, false), small->errorText);
            testsupport::Check(r, ::link((f + "/rec.c3d").c_str(), (f + "/other.c3d").c_str()) == 0, "no link");
            return r;
        },
        [&](const std::string& f) {
            const std::string rec = f + "/rec.c3d", other = f + "/other.c3d";
            const std::string before = testsupport::ReadFileBytes(rec);
            std::string r;
            testsupport::Check(r, !large->SaveC3D(rec.c_str(), "", "", nullptr, false), "saved without room");
            const std::string error = large->errorText;
            testsupport::Check(r, error.rfind("Error writing C3D file: ", 0) == 0, "error: " + error);
            testsupport::Check(r, error.find("'" + rec + "': " + testsupport::FullDiskCause()) != std::string::npos,
                               "the error hides the cause: " + error);
            testsupport::Check(r, testsupport::ReadFileBytes(rec) == before, "rec.c3d lost its old bytes");
            testsupport::Check(r, testsupport::ReadFileBytes(other) == before, "other.c3d lost its old bytes");
            struct stat a, b;
            testsupport::Check(r, ::stat(rec.c_str(), &a) == 0 && ::stat(other.c_str(), &b) == 0 && a.st_ino == b.st_ino,
                               "the link was split");
            std::vector<std::string> names;
            for (const std::string& name : dez::ListMatchingFiles(f, "*"))
                if (name != "filler") names.push_back(name);
            testsupport::Check(r, names == std::vector<std::string>{"other.c3d", "rec.c3d"}, "a temporary file was left");
            return r;
        });
    EXPECT_EQ(report, "");
}

// In a folder the user may not write to no temporary file can be made: a writable C3D there is
// rewritten in place, and a new one is refused with the cause.
TEST(C3DWriter, SavingIntoAFolderWithoutWritePermission) {
    testsupport::TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const std::string folder = dir.file("rodir");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    auto first = Recording(2, 5, 3);
    ASSERT_TRUE(first->SaveC3D((folder + "/trial.c3d").c_str(), "", "", nullptr, false)) << first->errorText;
    testsupport::ClosedFolder closed(folder);
    ASSERT_EQ(closed.Close({"trial.c3d"}), "");
    auto second = Recording(3, 40, 3);
    const std::string report = testsupport::AsUnprivilegedUser(dir.path(), [&] {
        std::string r;
        testsupport::Check(r, second->SaveC3D("rodir/trial.c3d", "", "", nullptr, false), second->errorText);
        testsupport::Check(r, !second->SaveC3D("rodir/new.c3d", "", "", nullptr, false), "saved a new file");
        testsupport::Check(r,
                           std::string(second->errorText) ==
                               "Unable to open C3D file for writing: Cannot create a temporary file for "
                               "'rodir/new.c3d': Permission denied",
                           second->errorText);
        return r;
    });
    EXPECT_EQ(report, "");
    auto back = Reload(folder + "/trial.c3d");
    EXPECT_EQ(back->GetPointCount(), 3);
    EXPECT_EQ(back->GetFrameCount(), 40);
    EXPECT_EQ(dez::ListMatchingFiles(folder, "*"), std::vector<std::string>{"trial.c3d"});
}

}  // namespace

// An analog-only recording saves back as one: no point is invented, the analog samples stay.
TEST(C3DWriter, AnalogOnlyRecordingSavesWithoutPoints) {
    c3dtest::C3DFixture f;
    f.scale = 1.0f;
    f.points = 0;
    f.channels = 2;
    f.samplesPerFrame = 4;
    f.StandardParameters();
    const std::vector<uint8_t> bytes = f.Build();
    TC3DData d;
    d.verbose = false;
    ASSERT_TRUE(d.LoadC3DFromBuffer(bytes.data(), bytes.size(), true, true, false));
    testsupport::TempDir dir;
    ASSERT_TRUE(d.SaveC3D(dir.file("emg.c3d").c_str(), "", "", nullptr, true)) << d.errorText;
    const std::vector<uint8_t> file = Bytes(dir.file("emg.c3d"));
    EXPECT_EQ(file[2] | (file[3] << 8), 0);  // header point count
    auto back = Reload(dir.file("emg.c3d"));
    EXPECT_EQ(back->GetPointCount(), 0);
    EXPECT_EQ(back->GetFrameCount(), 10);
    EXPECT_EQ(back->FindGroup("POINT")->FindParameter("USED")->words[0], 0);
    ASSERT_EQ(back->GetAnalogChannelCount(), 2);
    for (int c = 0; c < 2; ++c)
        for (int s = 0; s < 40; ++s) EXPECT_DOUBLE_EQ(back->analog->GetValue(c, s), d.analog->GetValue(c, s));
}

// Every parameter of a kept group survives a save.
TEST(C3DWriter, KeptGroupsKeepEveryParameter) {
    c3dtest::C3DFixture f;
    f.StandardParameters();
    f.Group(9, "VENDOR");
    for (int i = 0; i < 120; ++i) f.Int16s(9, "P" + std::to_string(i), {i});
    const std::vector<uint8_t> bytes = f.Build();
    TC3DData d;
    d.verbose = false;
    ASSERT_TRUE(d.LoadC3DFromBuffer(bytes.data(), bytes.size(), true, true, false));
    testsupport::TempDir dir;
    ASSERT_TRUE(d.SaveC3D(dir.file("v.c3d").c_str(), "", "", nullptr, true)) << d.errorText;
    auto back = Reload(dir.file("v.c3d"));
    const TC3DGroup* vendor = back->FindGroup("VENDOR");
    ASSERT_NE(vendor, nullptr);
    EXPECT_EQ(vendor->parameterCount, 120);
    ASSERT_NE(vendor->FindParameter("P119"), nullptr);
    EXPECT_EQ(vendor->FindParameter("P119")->words[0], 119);
}

// Groups the writer composes keep the kept parameters it does not compose; the ones it composes
// come from the recording, so events deleted since the load stay deleted.
TEST(C3DWriter, ComposedGroupsKeepTheRestOfTheirParameters) {
    c3dtest::C3DFixture f;
    f.StandardParameters();
    f.Group(3, "MANUFACTURER");
    f.Text(3, "COMPANY", "Lab");
    f.Text(3, "VERSION_LABEL", "1.2.3");
    f.Group(4, "EVENT");
    f.Int16s(4, "USED", {2});
    f.Texts(4, "LABELS", {"Foot Strike", "Foot Off"}, 12);
    f.Floats(4, "TIMES", {0, 0.03f, 0, 0.07f}, {2, 2});
    f.Int16s(4, "ICONS_IDS", {3, 4});
    f.Group(5, "EVENT_CONTEXT");
    f.Int16s(5, "USED", {1});
    f.Texts(5, "LABELS", {"Left"}, 4);
    f.Text(5, "FILE_EXPORT_ROOT", "exports");
    f.Group(6, "DFN");
    f.Text(6, "MODEL", "gait.mod");
    f.Text(6, "EXTRA", "kept");
    const std::vector<uint8_t> bytes = f.Build();
    testsupport::TempDir dir;
    struct Case {
        const char* name;
        const char* company;
        bool deleteEvents;
    };
    for (const Case& c : {Case{"company given", "Vederiz", false}, Case{"no company", "", false},
                          Case{"events deleted", "", true}}) {
        SCOPED_TRACE(c.name);
        TC3DData d;
        d.verbose = false;
        ASSERT_TRUE(d.LoadC3DFromBuffer(bytes.data(), bytes.size(), true, true, false));
        if (c.deleteEvents) d.events->Clear();
        ASSERT_TRUE(d.SaveC3D(dir.file("m.c3d").c_str(), c.company, "Dezozuza", nullptr, true)) << d.errorText;
        auto back = Reload(dir.file("m.c3d"));
        const TC3DGroup* maker = back->FindGroup("MANUFACTURER");
        ASSERT_NE(maker, nullptr);
        ASSERT_NE(maker->FindParameter("VERSION_LABEL"), nullptr);
        EXPECT_STREQ(maker->FindParameter("VERSION_LABEL")->Text(), "1.2.3");
        ASSERT_NE(maker->FindParameter("COMPANY"), nullptr);
        EXPECT_EQ(std::string(maker->FindParameter("COMPANY")->Text()), *c.company ? c.company : "Lab");
        EXPECT_EQ(std::string(maker->FindParameter("SOFTWARE")->Text()), "Dezozuza");
        const TC3DGroup* events = back->FindGroup("EVENT");
        ASSERT_NE(events, nullptr);
        ASSERT_NE(events->FindParameter("ICONS_IDS"), nullptr);
        EXPECT_EQ(events->FindParameter("ICONS_IDS")->words[1], 4);
        EXPECT_EQ(back->GetEventCount(), c.deleteEvents ? 0 : 2);
        if (!c.deleteEvents) {
            ASSERT_NE(back->FindGroup("EVENT_CONTEXT"), nullptr);
            const TC3DParameter* root = back->FindGroup("EVENT_CONTEXT")->FindParameter("FILE_EXPORT_ROOT");
            ASSERT_NE(root, nullptr);
            EXPECT_STREQ(root->Text(), "exports");
        }
        const TC3DParameter* extra = back->FindGroup("DFN")->FindParameter("EXTRA");
        ASSERT_NE(extra, nullptr);
        EXPECT_STREQ(extra->Text(), "kept");
        // Nothing is written twice.
        for (const char* group : {"MANUFACTURER", "EVENT", "DFN"}) {
            const TC3DGroup* g = back->FindGroup(group);
            for (size_t i = 0; i < g->parameters.size(); ++i)
                for (size_t j = i + 1; j < g->parameters.size(); ++j)
                    EXPECT_STRNE(g->parameters[i]->name, g->parameters[j]->name) << group;
        }
    }
}

// A recording without rates (a header rate of 0) keeps every analog sample: the samples per
// frame come from the table sizes.
TEST(C3DWriter, AnalogSamplesSurviveWithoutRates) {
    TDataFile d(2, 3, 100.0f, 2, 4, 4);
    d.pointRate = 0.0f;
    d.analogRate = 0.0f;
    for (int32_t c = 0; c < d.analog->GetCols(); ++c)
        for (int32_t r = 0; r < 2; ++r) d.analog->SetValue(r, c, 10.0 * r + c);
    testsupport::TempDir dir;
    ASSERT_TRUE(d.SaveC3D(dir.file("norate.c3d").c_str(), "", "", nullptr, false)) << d.errorText;
    auto back = Reload(dir.file("norate.c3d"));
    ASSERT_NE(back->analog, nullptr);
    ASSERT_EQ(back->analog->GetCols(), 12);
    for (int32_t c = 0; c < 12; ++c) EXPECT_DOUBLE_EQ(back->analog->GetValue(1, c), 10.0 + c);
}

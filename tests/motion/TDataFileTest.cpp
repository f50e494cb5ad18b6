#include "motion/TDataFile.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "platform/Paths.h"
#include "support/TestSupport.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// Points of dimension 3 labelled M1 .. Mn over `frames` frames, 100 Hz, no analog data.
std::unique_ptr<TDataFile> Recording(int n, int frames = 4, int dim = 3) {
    return std::make_unique<TDataFile>(n, frames, 100.0f, 0, 1, dim);
}

// The error text holds `part`; an empty part means no error text at all.
void ExpectErrorHolds(const char* text, const char* part) {
    if (*part) {
        EXPECT_NE(std::string(text).find(part), std::string::npos) << text;
    } else {
        EXPECT_STREQ(text, "");
    }
}

void SetPoint(TDataFile& d, int i, int f, double x, double y, double z) {
    const int row = i * d.dimension;
    d.points->SetValue(row, f, x);
    d.points->SetValue(row + 1, f, y);
    if (d.dimension >= 3) d.points->SetValue(row + 2, f, z);
}

// ---------------------------------------------------------------------------------------------
// File kinds

TEST(TDataFileKind, DetectedFromTheExtension) {
    const struct {
        const char* path;
        int32_t kind;
    } cases[] = {
        {"walk.C3D", kFileC3D},          {"walk.c3d", kFileC3D},         {"walk.trc", kFileTrack},
        {"walk.TRB", kFileTrack},        {"walk.tr4", kFileTRT},         {"walk.trt", kFileTRT},
        {"walk.TRX", kFileTRT},          {"walk.TRAIL", kFileTRT},       {"walk.txt", kFileText},
        {"walk.tx", kFileText},          {"walk.dat", kFileText},        {"walk.ric", kFileRIC},
        {"walk.RIF", kFileRIC},          {"walk.raw", kFileRIC},         {"walk.rah", kFileRIC},
        {"walk.emg", kFileEMG},          {"walk.mpc", kFileMPC},         {"walk.CME", kFileMPC},
        {"walk.mdf", kFileMDF},          {"walk.taf", kFileTAF},         {"walk.bvh", kFileBVH},
        {"c#0001", kFileCPrefix},        {"C#0001", kFileText},          {"c#walk.dat", kFileCPrefix},
        {"c#walk.c3d", kFileC3D},        {"walk", kFileText},            {"/data/c#7/walk", kFileText},
        {"/data/x.c3d/walk", kFileText}, {"C:\\data\\walk.C3D", kFileC3D}, {"walk.t", kFileText},
        {"", kFileText},
    };
    TDataFile d(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        d.kind = -1;
        d.DetectFileType(c.path);
        EXPECT_EQ(d.kind, c.kind);
    }
    d.DetectFileType(nullptr);
    EXPECT_EQ(d.kind, kFileText);
}

// ---------------------------------------------------------------------------------------------
// Load dispatch. The readers fail on missing files with their own error text (placeholders name
// themselves), which tells which one the dispatch reached.

TEST(TDataFileLoad, EachKindReachesItsReader) {
    const struct {
        const char* name;
        int32_t kind;
        const char* reason;  // "" none
    } cases[] = {
        {"walk.trt", kFileTRT, "No such file or directory"},
        {"walk.txt", kFileText, "No such file or directory"},
        {"walk.c3d", kFileC3D, "No such file or directory"},
        {"walk.ric", kFileRIC, "No such file or directory"},
        {"walk.mpc", kFileMPC, "No such file or directory"},
        {"walk.mdf", kFileMDF, "No such file or directory"},
        {"c#walk", kFileCPrefix, "No such file or directory"},
        {"walk.trc", kFileTrack, "No such file or directory"},
        {"walk.taf", kFileTAF, "No such file or directory"},
        {"walk.bvh", kFileBVH, "No such file or directory"},
        {"walk.emg", kFileEMG, "No such file or directory"},
    };
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name);
        TDataFile d(nullptr);
        CaptureStdout();
        EXPECT_FALSE(d.LoadFile(path.c_str(), kFileDetect, true));
        const std::string printed = GetCapturedStdout();
        EXPECT_EQ(d.kind, c.kind);
        EXPECT_NE(printed.find("Error reading " + path + "\n"), std::string::npos) << printed;
        EXPECT_FALSE(d.HasPoints());
        EXPECT_EQ(d.path, nullptr);
        ExpectErrorHolds(d.GetErrorText(), c.reason);
    }
}

// Only readable regular files reach a reader: a FIFO would block the open for ever.
TEST(TDataFileLoad, UnreadableFilesAreRefusedBeforeAnyReader) {
    testsupport::TempDir dir;
    const std::string fifo = dir.file("pipe.c3d");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string empty = dir.file("empty.trt");
    ASSERT_TRUE(testsupport::WriteFileBytes(empty, ""));
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {fifo, "not a regular file"},
        {dir.path(), "Is a directory"},
        {empty, "empty file"},
        {dir.file("none.c3d"), "No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        TDataFile d(nullptr);
        CaptureStdout();
        EXPECT_FALSE(d.LoadFile(c.path.c_str(), kFileDetect, true));
        GetCapturedStdout();
        EXPECT_FALSE(d.HasPoints());
        EXPECT_EQ(std::string(d.GetErrorText()), dez::NameOf(c.path) + ": " + c.reason);
        TC3DData direct;
        EXPECT_FALSE(direct.LoadC3D(c.path.c_str(), true, true, true));
        EXPECT_STREQ(direct.GetErrorText(), c.reason);
    }
}

TEST(TDataFileLoad, GivenKindOverridesTheExtension) {
    testsupport::TempDir dir;
    const std::string path = dir.file("walk.c3d");
    ASSERT_TRUE(testsupport::WriteFileBytes(path, "x"));
    TDataFile d(nullptr);
    CaptureStdout();
    EXPECT_FALSE(d.LoadFile(path.c_str(), kFileTRT, true));
    GetCapturedStdout();
    EXPECT_EQ(d.kind, kFileTRT);
    ExpectErrorHolds(d.GetErrorText(), "is neither a TRT nor a TRX file");  // the TRT reader ran
    CaptureStdout();
    EXPECT_FALSE(d.LoadFile(path.c_str(), kFileMat, true));  // save-only kind
    EXPECT_EQ(GetCapturedStdout(), "Error reading " + path + "\n");
    EXPECT_EQ(d.kind, kFileMat);
}

TEST(TDataFileLoad, FailureLeavesAnEmptyRecording) {
    auto d = Recording(3, 10);
    d->analog = new Matrix2D(6, 10);
    d->analogRate = 100;
    d->analogLabels = TC3DData::MakeLabelList(6, "A");
    d->plateCount = 1;
    d->plates[0].type = 2;
    d->SetPath("/data/old.c3d");
    ReplaceText(d->videoFile, "old.avi");
    ReplaceText(d->comment, "old");
    d->modified = true;
    CaptureStdout();
    EXPECT_FALSE(d->LoadFile("/nowhere/walk.trt", kFileDetect, true));
    GetCapturedStdout();
    EXPECT_EQ(d->points, nullptr);
    EXPECT_EQ(d->analog, nullptr);
    EXPECT_EQ(d->pointLabels, nullptr);
    EXPECT_EQ(d->analogLabels, nullptr);
    EXPECT_EQ(d->path, nullptr);
    EXPECT_EQ(d->videoFile, nullptr);
    EXPECT_EQ(d->comment, nullptr);
    EXPECT_EQ(d->plateCount, 0);  // plates of the freed analog table are gone too
    EXPECT_FALSE(d->IsModified());
}

TEST(TDataFileLoad, PathConstructorFallsBackToTextKind) {
    CaptureStdout();
    TDataFile d("/nowhere/walk.trt");
    EXPECT_NE(GetCapturedStdout().find("Error reading /nowhere/walk.trt\n"), std::string::npos);
    EXPECT_EQ(d.kind, kFileText);
    EXPECT_FALSE(d.HasPoints());
}

TEST(TDataFileLoad, OwnPathAsArgumentIsSafe) {
    // The clearing frees the stored path before the readers see the argument.
    TDataFile d(nullptr);
    d.SetPath("/nowhere/walk.trt");
    CaptureStdout();
    EXPECT_FALSE(d.LoadFile(d.path, kFileDetect, true));
    EXPECT_NE(GetCapturedStdout().find("Error reading /nowhere/walk.trt\n"), std::string::npos);
    d.SetPath("/nowhere/again.trt");
    d.SetPath(d.path);
    EXPECT_STREQ(d.path, "/nowhere/again.trt");
    CaptureStdout();
    EXPECT_FALSE(d.LoadKeepPath(d.path, kFileDetect));
    GetCapturedStdout();
    EXPECT_STREQ(d.path, "/nowhere/again.trt");
}

TEST(TDataFileLoad, LoadKeepPathRestoresThePreviousPath) {
    TDataFile d(nullptr);
    CaptureStdout();
    EXPECT_FALSE(d.LoadKeepPath("/nowhere/walk.txt", kFileDetect));
    GetCapturedStdout();
    EXPECT_EQ(d.path, nullptr);  // none before, none after
    d.SetPath("/data/original.c3d");
    CaptureStdout();
    EXPECT_FALSE(d.LoadKeepPath("/tmp/state.trt", kFileTRT));
    GetCapturedStdout();
    EXPECT_STREQ(d.path, "/data/original.c3d");
}

TEST(TDataFileLoad, AnalogImportReachesItsReaderAndKeepsTheKind) {
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"emg.trt", "Cannot open emg.trt"},
        {"emg.txt", "Unable to open emg.txt"},
        {"emg.emg", "Cannot open emg.emg: No such file or directory"},
        {"emg.taf", "emg.taf: Unable to open the file"},
        {"emg.c3d", ""},  // no analog reader for this kind
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = Recording(2, 5);
        d->kind = kFileRIC;
        d->analog = new Matrix2D(2, 5);
        d->plateCount = 1;
        ReplaceText(d->analogFile, "old.emg");
        d->errorText[0] = '\0';
        CaptureStdout();
        EXPECT_FALSE(d->ImportAnalogFile(c.name));
        GetCapturedStdout();
        ExpectErrorHolds(d->GetErrorText(), c.reason);
        EXPECT_EQ(d->kind, kFileRIC);
        EXPECT_EQ(d->analog, nullptr);
        EXPECT_EQ(d->analogFile, nullptr);
        EXPECT_EQ(d->plateCount, 0);
        EXPECT_TRUE(d->HasPoints());  // the points are not the analog part
    }
    auto d = Recording(2, 5);
    ReplaceText(d->analogFile, "own.emg");
    CaptureStdout();
    EXPECT_FALSE(d->ImportAnalogFile(d->analogFile));  // freed by the clearing, then used
    GetCapturedStdout();
    EXPECT_STREQ(d->GetErrorText(), "Cannot open own.emg: No such file or directory");
}

// ---------------------------------------------------------------------------------------------
// Save dispatch

TEST(TDataFileSave, EachKindReachesItsWriter) {
    const struct {
        int32_t kind;
        int points;
        int dim;
        bool saveFileOnly;
        const char* reason;  // "" when no writer runs
    } cases[] = {
        {kFileTRT, 51, 5, false, "Unable to save /nowhere/out."},  // 255 rows: TRT
        {kFileTRT, 64, 4, false, "Unable to save /nowhere/out."},  // 256 rows: TRX
        {kFileText, 2, 3, false, "Unable to open /nowhere/out."},
        {kFileMat, 2, 3, true, "Unable to save /nowhere/out.y"},
        {kFileRIC, 2, 3, false, ""},
        {kFileEMG, 2, 3, false, ""},
        {kFileBVH, 2, 3, false, ""},
        {99, 2, 3, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        SCOPED_TRACE(c.points);
        auto d = Recording(c.points, 3, c.dim);
        d->SetPath("/nowhere/out.x");
        d->kind = c.kind;
        d->modified = true;
        CaptureStdout();
        EXPECT_FALSE(d->Save());
        ExpectErrorHolds(d->GetErrorText(), c.saveFileOnly ? "" : c.reason);
        d->errorText[0] = '\0';
        EXPECT_FALSE(d->SaveFile("/nowhere/out.y", c.kind));
        GetCapturedStdout();
        ExpectErrorHolds(d->GetErrorText(), c.reason);
        EXPECT_TRUE(d->IsModified());  // only a successful Save clears it
    }
}

TEST(TDataFileSave, NothingToSaveWithoutPoints) {
    TDataFile d(0, 0, 100.0f, 4, 10, 3);  // analog only
    d.SetPath("/nowhere/a.trt");
    d.kind = kFileTRT;
    EXPECT_FALSE(d.Save());
    EXPECT_FALSE(d.SaveFile("/nowhere/a.trt", kFileTRT));
    EXPECT_STREQ(d.GetErrorText(), "");
    auto withPoints = Recording(1);
    withPoints->kind = kFileTRT;
    EXPECT_FALSE(withPoints->Save());  // no path to save to
    EXPECT_FALSE(withPoints->SaveFile(nullptr, kFileTRT));
}

// ---------------------------------------------------------------------------------------------
// Paths

TEST(TDataFilePath, NamesOfTheDataAndAnalogFiles) {
    TDataFile d(nullptr);
    char out[kPathBufferSize];
    std::strcpy(out, "untouched");
    d.GetFileName(out);
    EXPECT_STREQ(out, "untouched");  // no path: the buffer stays
    d.GetPath(out);
    EXPECT_STREQ(out, "");
    d.SetPath(nullptr);
    EXPECT_EQ(d.path, nullptr);
    d.SetPath("/data/trial 1/walk.C3D");
    d.GetFileName(out);
    EXPECT_STREQ(out, "walk.C3D");
    d.GetAnalogFileName(out);
    EXPECT_STREQ(out, "walk.C3D");
    ReplaceText(d.analogFile, "/data/trial 1/");
    d.GetAnalogFileName(out);
    EXPECT_STREQ(out, "walk.C3D");  // an analog path without a name does not count
    ReplaceText(d.analogFile, "/data/emg/walk.emg");
    d.GetAnalogFileName(out);
    EXPECT_STREQ(out, "walk.emg");
    d.GetPath(out);
    EXPECT_STREQ(out, "/data/trial 1/walk.C3D");
    d.SetPath("");
    std::strcpy(out, "x");
    d.GetFileName(out);
    EXPECT_STREQ(out, "");

    const std::string longPath = "/" + std::string(3000, 'p');
    d.SetPath(longPath.c_str());
    d.GetPath(out);  // cut to the buffer, never past it
    EXPECT_EQ(std::strlen(out), static_cast<size_t>(kPathBufferSize - 1));
}

// ---------------------------------------------------------------------------------------------
// Events

TEST(TDataFileEvents, FirstEventCreatesTheDefaultContexts) {
    auto d = Recording(1, 100);
    EXPECT_TRUE(d->AddEvent(12, "Foot Strike", 0, 4, true));
    ASSERT_NE(d->eventContextLabels, nullptr);
    ASSERT_EQ(d->eventContextLabels->count, 3);
    const char* names[] = {"Left", "Right", "General"};
    const char* descriptions[] = {"Left Side Event", "Right Side Event", "General Event"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const LabelledItem* label = d->eventContextLabels->GetItem(i);
        EXPECT_EQ(label->id, i + 1);
        EXPECT_STREQ(label->name, names[i]);
        EXPECT_STREQ(label->context, descriptions[i]);
        EXPECT_EQ(label->value, -1);
        const LabelledItem* description = d->eventContextDescriptions->GetItem(i);
        EXPECT_EQ(description->id, i + 1);
        EXPECT_STREQ(description->name, descriptions[i]);
        EXPECT_EQ(description->value, -1);
        EXPECT_EQ(d->contextIconIds[i], i);
    }
    EXPECT_EQ(d->contextIconIdCount, 3);
    EXPECT_EQ(d->contextColourCount, 3);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(d->contextColours[i], 0);
    ASSERT_NE(d->eventDescriptions, nullptr);
    ASSERT_NE(d->eventContexts, nullptr);
    ASSERT_NE(d->eventSubjects, nullptr);

    ASSERT_EQ(d->GetEventCount(), 1);
    const LabelledItem* e = d->events->GetItem(0);
    EXPECT_EQ(e->id, 12);
    EXPECT_STREQ(e->name, "Foot Strike");
    EXPECT_STREQ(e->context, "Left");
    EXPECT_EQ(e->contextIndex, 0);
    EXPECT_EQ(e->value, 4);
    EXPECT_TRUE(d->IsModified());
}

TEST(TDataFileEvents, RangeContextAndDuplicates) {
    auto d = Recording(1, 100);
    EXPECT_FALSE(d->AddEvent(101, "late", 0, 0, true));
    EXPECT_FALSE(d->AddEvent(-1, "early", 0, 0, true));
    EXPECT_EQ(d->events, nullptr);  // refused before anything is made
    EXPECT_TRUE(d->AddEvent(100, "last", 0, 0, true));  // the frame count itself is accepted
    EXPECT_TRUE(d->AddEvent(150, "unchecked", 0, 0, false));
    EXPECT_TRUE(d->AddEvent(20, "far context", 7, 0, true));
    EXPECT_STREQ(d->events->GetItem(2)->context, "Left");
    EXPECT_TRUE(d->AddEvent(30, "negative context", -2, 0, true));
    EXPECT_STREQ(d->events->GetItem(3)->context, "Left");
    EXPECT_TRUE(d->AddEvent(40, "general", 2, 0, true));
    EXPECT_STREQ(d->events->GetItem(4)->context, "General");
    EXPECT_EQ(d->events->GetItem(4)->contextIndex, 2);
    EXPECT_TRUE(d->AddEvent(40, "GENERAL", 1, 0, true));  // same name and frame: kept once
    EXPECT_EQ(d->GetEventCount(), 5);
    EXPECT_TRUE(d->AddEvent(41, nullptr, 1, 0, true));
    EXPECT_STREQ(d->events->GetItem(5)->name, "Event");

    // Existing contexts are kept; an empty context list gives an empty context text.
    delete d->eventContextLabels;
    d->eventContextLabels = new LabelledItemList();
    d->InitEventContexts();
    EXPECT_EQ(d->eventContextLabels->count, 0);
    EXPECT_TRUE(d->AddEvent(50, "no context", 0, 0, true));
    EXPECT_STREQ(d->events->GetItem(6)->context, "");
    EXPECT_EQ(d->events->GetItem(6)->contextIndex, -1);
}

TEST(TDataFileEvents, Remove) {
    auto d = Recording(1, 100);
    EXPECT_FALSE(d->RemoveEvent(5));
    EXPECT_FALSE(d->RemoveHeaderEvent(5));
    d->AddEvent(5, "a", 0, 0, true);
    d->AddEvent(5, "b", 0, 0, true);
    d->modified = false;
    EXPECT_FALSE(d->RemoveEvent(6));
    EXPECT_FALSE(d->IsModified());
    EXPECT_TRUE(d->RemoveEvent(5));
    ASSERT_EQ(d->GetEventCount(), 1);
    EXPECT_STREQ(d->events->GetItem(0)->name, "b");
    EXPECT_TRUE(d->IsModified());

    d->headerEvents = new LabelledItemList();
    d->headerEvents->Add(LabelledItem(7, "RHS"));
    d->modified = false;
    EXPECT_TRUE(d->RemoveHeaderEvent(7));
    EXPECT_EQ(d->GetHeaderEventCount(), 0);
    EXPECT_TRUE(d->IsModified());
}

// ---------------------------------------------------------------------------------------------
// Points

TEST(TDataFilePoints, AddPointAppendsZeroRowsAndALabel) {
    auto d = Recording(2, 3);
    SetPoint(*d, 1, 2, 7, 8, 9);
    d->pointLabels->Add(LabelledItem(3, "extra"));  // a label beyond the points
    EXPECT_TRUE(d->AddPoint("NEW"));
    EXPECT_EQ(d->GetPointCount(), 3);
    EXPECT_EQ(d->points->GetValue(5, 2), 9.0);  // earlier rows kept
    for (int f = 0; f < 3; ++f)
        for (int r = 6; r < 9; ++r) EXPECT_EQ(d->points->GetValue(r, f), 0.0);
    const LabelledItem* item = d->pointLabels->GetItem(2);
    EXPECT_STREQ(item->name, "NEW");
    EXPECT_EQ(item->id, 3);
    EXPECT_EQ(item->value, -1);
    EXPECT_STREQ(d->pointLabels->GetItem(3)->name, "extra");
    EXPECT_TRUE(d->IsModified());

    TDataFile none(nullptr);
    EXPECT_FALSE(none.AddPoint("x"));
    auto noLabels = Recording(1);
    delete noLabels->pointLabels;
    noLabels->pointLabels = nullptr;
    EXPECT_FALSE(noLabels->AddPoint("x"));
    TDataFile empty(0, 0, 100.0f, 2, 1, 3);
    empty.points = new Matrix2D(2, 3);  // fewer rows than one point
    empty.pointLabels = new LabelledItemList();
    EXPECT_FALSE(empty.AddPoint("x"));
}

TEST(TDataFilePoints, SetPointInfo) {
    auto d = Recording(3);
    EXPECT_FALSE(d->SetPointInfo(3, "X", nullptr, nullptr));
    EXPECT_FALSE(d->SetPointInfo(-1, "X", nullptr, nullptr));
    EXPECT_FALSE(d->IsModified());
    EXPECT_TRUE(d->SetPointInfo(1, "LASI", "", nullptr));
    EXPECT_EQ(d->PointLabel(1), "LASI");
    ASSERT_NE(d->pointUnits, nullptr);  // an empty unit creates the list but sets nothing
    EXPECT_STREQ(d->pointUnits->GetItem(1)->name, " ");
    EXPECT_EQ(d->pointDescriptions, nullptr);
    EXPECT_TRUE(d->IsModified());
    EXPECT_TRUE(d->SetPointInfo(2, "RASI", "mm", "right"));
    EXPECT_STREQ(d->pointUnits->GetItem(2)->name, "mm");
    EXPECT_STREQ(d->pointDescriptions->GetItem(2)->name, "right");
}

TEST(TDataFilePoints, FindPointLabel) {
    auto d = Recording(3);
    d->SetPointInfo(1, "LASI", nullptr, nullptr);
    const struct {
        const char* name;
        int32_t index;
    } cases[] = {{"  lasi ", 1}, {"LASI", 1}, {"\tLasi\r\n", 1}, {"M3", 2}, {"lasi x", -1}, {"", -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(d->FindPointLabel(c.name), c.index);
    }
    EXPECT_EQ(d->FindPointLabel(nullptr), -1);
    const std::string longName = std::string(80, 'M');
    d->SetPointInfo(0, longName.substr(0, 79).c_str(), nullptr, nullptr);
    EXPECT_EQ(d->FindPointLabel(longName.substr(0, 79).c_str()), 0);
    EXPECT_EQ(d->FindPointLabel(longName.c_str()), -1);  // not cut into a false match
    TDataFile none(nullptr);
    EXPECT_EQ(none.FindPointLabel("LASI"), -1);
}

// ---------------------------------------------------------------------------------------------
// Bounds and trajectories

TEST(TDataFileBounds, OriginIsAlwaysInside) {
    auto d = Recording(2, 10);
    for (int f = 0; f < 10; ++f) {
        SetPoint(*d, 0, f, 100 + f, 50, 20);
        SetPoint(*d, 1, f, 200, 80, 30 + f);
    }
    float box[6];
    ASSERT_TRUE(d->GetBoundingBox(box, 6, false));
    const float expected[6] = {0, 200, 0, 80, 0, 39};
    for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(box[k], expected[k]) << k;

    // Negative values widen the box below the origin; missing samples and model outputs are
    // left out.
    SetPoint(*d, 0, 3, -50, -60, -70);
    SetPoint(*d, 0, 5, 0, -500, -500);  // x equals the missing value 0
    d->SetPointInfo(1, "LHipAngles", nullptr, nullptr);
    d->AddAngle("LHipAngles", "deg", nullptr);
    ASSERT_TRUE(d->GetBoundingBox(box, 6, false));
    const float second[6] = {-50, 109, -60, 50, -70, 20};
    for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(box[k], second[k]) << k;
}

// Unmeasured samples (negative or NaN residual) keep whatever coordinates their file gave, often
// huge ones: they must not stretch the box, and when nothing at all was measured the box is the
// origin alone and says so. Recordings without residuals are read as before.
TEST(TDataFileBounds, UnmeasuredSamplesAreLeftOut) {
    constexpr double kFar = -1e9;
    const double nan = std::nan("");
    struct Sample {
        int point, frame;
        double x, y, z, residual;
    };
    const struct Case {
        const char* name;
        int dim;
        std::vector<Sample> samples;
        float box[6];
        bool measured;
    } cases[] = {
        {"flagged samples among measured ones",
         4,
         {{0, 0, 100, 50, 20, 0.5}, {0, 1, kFar, kFar, kFar, -1}, {1, 0, 300, -40, 900, 0},
          {1, 1, -kFar, -kFar, -kFar, -1}},
         {0, 300, -40, 50, 0, 900},
         true},
        {"with a camera row, a NaN residual is no measure either",
         5,
         {{0, 0, 100, 50, 20, 1}, {0, 1, kFar, kFar, kFar, nan}, {1, 1, -200, 60, 10, 2}},
         {-200, 100, 0, 60, 0, 20},
         true},
        {"every sample flagged", 4, {{0, 0, kFar, kFar, kFar, -1}, {1, 1, kFar, 5, 5, -1}}, {0, 0, 0, 0, 0, 0}, false},
        {"every sample missing", 4, {}, {0, 0, 0, 0, 0, 0}, false},
        // Three values a point: the row after a point's z is the next point's x, no residual,
        // however negative it is.
        {"no residuals", 3, {{0, 0, 100, 50, 20, 0}, {1, 0, -300, 10, 10, 0}}, {-300, 100, 0, 50, 0, 20}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto d = Recording(2, 2, c.dim);
        ASSERT_EQ(d->dimension, c.dim);
        for (const Sample& s : c.samples) {
            SetPoint(*d, s.point, s.frame, s.x, s.y, s.z);
            if (c.dim >= 4) d->points->SetValue(s.point * c.dim + 3, s.frame, s.residual);
        }
        // Samples not set stay at the missing value 0.
        float box[6];
        bool measured = !c.measured;
        ASSERT_TRUE(d->GetBoundingBox(box, 6, false, &measured));
        EXPECT_EQ(measured, c.measured);
        for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(box[k], c.box[k]) << k;
    }
}

TEST(TDataFileBounds, CubeRestsOnTheLowestMarker) {
    auto d = Recording(1, 2);
    SetPoint(*d, 0, 0, 100, 40, 10);
    SetPoint(*d, 0, 1, 300, 60, 20);
    float box[6];
    ASSERT_TRUE(d->GetBoundingBox(box, 6, true));
    // Box x 0..300, y 0..60, z 0..20; half size 150 around the centres 150, 30 and 10, so z
    // becomes -140..160, then lifted to start at the markers' z min (0).
    const float expected[6] = {0, 300, -120, 180, 0, 300};
    for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(box[k], expected[k]) << k;
}

TEST(TDataFileBounds, PlateCentreGivesTheFloor) {
    auto d = Recording(1, 2);
    SetPoint(*d, 0, 0, 100, 40, 900);
    d->analog = new Matrix2D(6, 2);
    d->plateCount = 1;
    const float corners[12] = {0, 0, -15, 10, 0, -15, 10, 10, -15, 0, 10, -15};
    d->SetPlateCorners(0, corners);
    float box[6];
    ASSERT_TRUE(d->GetBoundingBox(box, 6, false));
    EXPECT_FLOAT_EQ(box[4], -15.0f);
    EXPECT_FLOAT_EQ(box[5], 900.0f);
}

TEST(TDataFileBounds, SamplesEveryHundredthOfTheFrames) {
    auto d = Recording(1, 250);  // step 2: odd frames are not looked at
    SetPoint(*d, 0, 0, 10, 10, 10);
    SetPoint(*d, 0, 7, 5000, 10, 10);
    SetPoint(*d, 0, 248, 20, 10, 10);
    float box[6];
    ASSERT_TRUE(d->GetBoundingBox(box, 6, false));
    EXPECT_FLOAT_EQ(box[1], 20.0f);
}

TEST(TDataFileBounds, RefusalsAndPlanarData) {
    auto d = Recording(1, 2);
    float box[6] = {};
    EXPECT_FALSE(d->GetBoundingBox(box, 5, false));
    EXPECT_FALSE(d->GetBoundingBox(nullptr, 6, false));
    auto planar = Recording(1, 2, 3);
    planar->dimension = 2;  // three rows read as a point and a half; only the first counts here
    planar->points->SetValue(0, 1, 40);
    planar->points->SetValue(1, 1, -30);
    float four[4];
    EXPECT_FALSE(planar->GetBoundingBox(four, 3, false));
    ASSERT_TRUE(planar->GetBoundingBox(four, 4, true));
    // x 0..40, y -30..0: half size 20 around the centres 20 and -15.
    EXPECT_FLOAT_EQ(four[0], 0);
    EXPECT_FLOAT_EQ(four[1], 40);
    EXPECT_FLOAT_EQ(four[2], -35);
    EXPECT_FLOAT_EQ(four[3], 5);
    planar->dimension = 1;
    EXPECT_FALSE(planar->GetBoundingBox(box, 6, false));
}

TEST(TDataFileTrajectory, CopiesOneMarkerInSinglePrecision) {
    auto d = Recording(2, 4);
    for (int f = 0; f < 4; ++f) SetPoint(*d, 1, f, 0.1 * f, 10 + f, 20 + f);
    Matrix2D out(3, 4);
    d->GetTrajectory(2, &out, false);
    for (int f = 0; f < 4; ++f) {
        EXPECT_EQ(out.GetValue(0, f), static_cast<double>(static_cast<float>(0.1 * f)));
        EXPECT_EQ(out.GetValue(1, f), 10 + f);
        EXPECT_EQ(out.GetValue(2, f), 20 + f);
    }
    d->GetTrajectory(2, &out, true);
    EXPECT_EQ(out.GetValue(1, 3), 23);
    EXPECT_EQ(out.GetValue(2, 3), 13);

    Matrix2D shorter(3, 2);  // later frames are dropped
    d->GetTrajectory(2, &shorter, false);
    EXPECT_EQ(shorter.GetValue(2, 1), 21);

    Matrix2D untouched(3, 4);
    untouched.Fill(-1);
    d->GetTrajectory(0, &untouched, false);
    d->GetTrajectory(3, &untouched, false);
    Matrix2D wrongRows(4, 4);
    wrongRows.Fill(-1);
    d->GetTrajectory(1, &wrongRows, false);
    d->GetTrajectory(1, nullptr, false);
    EXPECT_EQ(untouched.GetValue(0, 0), -1);
    EXPECT_EQ(wrongRows.GetValue(0, 0), -1);
}

TEST(TDataFileTrajectory, LowDimensionsHaveNoBorrowedCoordinates) {
    auto d = Recording(2, 2);  // 6 rows
    for (int r = 0; r < 6; ++r) d->points->SetValue(r, 1, r + 1);
    Matrix2D out(3, 2);
    d->dimension = 2;  // three points of (x, y)
    d->GetTrajectory(2, &out, false);
    EXPECT_EQ(out.GetValue(0, 1), 3);
    EXPECT_EQ(out.GetValue(1, 1), 4);
    EXPECT_EQ(out.GetValue(2, 1), 0);
    d->GetTrajectory(2, &out, true);  // planar (x, y) becomes x, 0, y
    EXPECT_EQ(out.GetValue(1, 1), 0);
    EXPECT_EQ(out.GetValue(2, 1), 4);
    d->dimension = 1;  // six one-value points: y is not the next point's x
    d->GetTrajectory(2, &out, false);
    EXPECT_EQ(out.GetValue(0, 1), 2);
    EXPECT_EQ(out.GetValue(1, 1), 0);
}

}  // namespace

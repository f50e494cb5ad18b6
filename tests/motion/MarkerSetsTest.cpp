#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "motion/MkrFile.h"
#include "motion/TDataFile.h"
#include "motion/TStructure.h"
#include "motion/TVskFile.h"
#include "support/TestSupport.h"
#include "platform/Paths.h"

namespace {

// Sample of point i, coordinate r, frame c: distinct for every cell, exact in single precision.
double Sample(int i, int r, int c) { return i * 100 + r * 10 + c + 0.5; }

// A recording of the labelled points over three frames, saved (as a name only) in `folder`.
class Recording : public TDataFile {
public:
    Recording(const std::vector<std::string>& labels, const std::string& folder = "")
        : TDataFile(static_cast<int32_t>(labels.size()), 3, 100.0f, 0, 1, 3) {
        for (size_t i = 0; i < labels.size(); ++i) {
            const int n = static_cast<int>(i);
            SetPointLabel(labels[i].c_str(), n, ("u" + labels[i]).c_str(), ("d" + labels[i]).c_str());
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) points->SetValue(n * 3 + r, c, Sample(n, r, c));
        }
        if (!folder.empty()) ReplaceText(path, dez::JoinPath(folder, "trial.c3d").c_str());
        verbose = false;
    }

    bool GetMarkerSetNames(char* markerSet, char* displaySet, int32_t subject) override {
        if (subject != 0 || markerSetName.empty()) return TDataFile::GetMarkerSetNames(markerSet, displaySet, subject);
        std::snprintf(markerSet, 256, "%s", markerSetName.c_str());
        std::snprintf(displaySet, 256, "%s", displaySetName.c_str());
        return true;
    }

    std::vector<std::string> Labels() const {
        std::vector<std::string> out;
        for (int i = 0; i < GetPointCount(); ++i) out.push_back(PointLabel(i));
        return out;
    }
    std::string Unit(int i) const {
        char text[256];
        GetPointUnit(text, i);
        return text;
    }
    std::string Description(int i) const {
        char text[256];
        GetPointDescription(text, i);
        return text;
    }
    // Which original point now stands at index i (from its samples).
    int Origin(int i) const { return static_cast<int>(points->GetValue(i * 3, 0) / 100); }
    void SetSubjects(const std::vector<std::string>& names) {
        subjectNames = MakeLabelList(0, nullptr);
        for (size_t i = 0; i < names.size(); ++i)
            subjectNames->Add(LabelledItem(static_cast<int32_t>(i + 1), names[i].c_str()));
        subjectsUsed = static_cast<int32_t>(names.size());
    }

    std::string markerSetName;
    std::string displaySetName;
};

// Stands in for the display layer's structure, which drops the chains its constructor made.
class LinklessStructure : public TStructure {
public:
    LinklessStructure(const char* text, int32_t points) : TStructure(text, points, 0.0f) { DeleteSegments(); }
};

std::vector<std::string> Chains(const TStructure& s) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < s.GetSegmentCount(); ++i) out.push_back(s.GetSegmentText(i));
    return out;
}

const char* const kSkeleton = R"(<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<KinematicModel>
  <Parameters>
    <Parameter NAME="Height" VALUE="1800.5" PRIOR="1700" SD="3.25" HIDDEN="1"/>
    <StaticParameter NAME="Mass" VALUE="72.25" REQUIRED="1" EXPRESSION="a+b"/>
    <Other NAME="X" ADVANCED="0"/>
  </Parameters>
  <MarkerSet>
    <Markers>
      <Marker NAME="LASI" POSITION="1.5 -2 3e1" RADIUS="14.5" RGB="255 0 128" COVARIANCE="1 2 3" SEGMENT="pelvis"/>
      <Marker NAME="RASI" RADIUS="12.5" RGB="10 20"/>
      <Point NAME="SACR" RGB="1 2 3" STATUS="optional"/>
    </Markers>
    <Sticks>
      <Stick MARKER1="LASI" MARKER2="RASI" RGB="255 0 0"/>
      <Stick MARKER1="RASI" MARKER2="SACR" RGB="0 255 0"/>
      <Stick MARKER1="SACR" MARKER2="NOPE" RGB="0 0 255"/>
    </Sticks>
  </MarkerSet>
</KinematicModel>
)";

std::string LowerCaseNames(std::string text) {
    for (const char* word :
         {"NAME",       "POSITION", "RADIUS",         "RGB",       "COVARIANCE", "SEGMENT", "STATUS",
          "MARKER1",    "MARKER2",  "VALUE",          "PRIOR",     "SD=",        "HIDDEN",  "REQUIRED",
          "EXPRESSION", "ADVANCED", "KinematicModel", "MarkerSet", "Markers",    "Sticks",  "Parameters"}) {
        const std::string from = word;
        const std::string to = dez::ToLowerAscii(from);
        for (size_t p = text.find(from); p != std::string::npos; p = text.find(from, p + to.size()))
            text.replace(p, from.size(), to);
    }
    return text;
}

// UTF-8 (ASCII here) to UTF-16.
std::string Utf16(const std::string& text, bool bigEndian) {
    std::string out;
    for (char c : text) {
        out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return out;
}

class MarkerSets : public testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string file = dir.file(name);
        EXPECT_TRUE(testsupport::WriteFileBytes(file, bytes));
        return file;
    }
    testsupport::TempDir dir;
};

TEST_F(MarkerSets, SkeletonReadsInEveryWriting) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"plain", kSkeleton},
        {"lower case", LowerCaseNames(kSkeleton)},
        {"byte-order mark", "\xEF\xBB\xBF" + std::string(kSkeleton)},
        {"UTF-16 with mark", "\xFF\xFE" + Utf16(kSkeleton, false)},
        {"UTF-16 big-endian without mark", Utf16(kSkeleton, true)},
    };
    testsupport::CommaLocale comma;  // numbers never follow the locale
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TVskFile vsk(Write("s.vsk", c.bytes).c_str());
        ASSERT_TRUE(vsk.ok()) << vsk.message();
        ASSERT_EQ(vsk.markers().size(), 3u);
        const VskMarker& lasi = vsk.markers()[0];
        EXPECT_EQ(lasi.name, "LASI");
        EXPECT_FLOAT_EQ(lasi.position[0], 1.5f);
        EXPECT_FLOAT_EQ(lasi.position[1], -2.0f);
        EXPECT_FLOAT_EQ(lasi.position[2], 30.0f);
        EXPECT_FLOAT_EQ(lasi.radius, 14.5f);
        EXPECT_EQ(lasi.colour[2], 128);
        EXPECT_FLOAT_EQ(lasi.covariance[2], 3.0f);
        EXPECT_FLOAT_EQ(lasi.covariance[3], 0.0f);
        EXPECT_EQ(lasi.segment, "pelvis");
        const VskMarker& rasi = vsk.markers()[1];
        EXPECT_EQ(rasi.colour[0], 10);
        EXPECT_EQ(rasi.colour[1], 20);
        EXPECT_EQ(rasi.colour[2], 0);  // short RGB: the rest stays 0
        EXPECT_EQ(rasi.segment, "None");
        EXPECT_EQ(vsk.markers()[2].status, "optional");
        ASSERT_EQ(vsk.sticks().size(), 3u);
        EXPECT_EQ(vsk.sticks()[1].marker2, "SACR");
        EXPECT_EQ(vsk.sticks()[1].colour[1], 255);
        ASSERT_EQ(vsk.parameters().size(), 3u);
        EXPECT_FLOAT_EQ(vsk.parameters()[0].value, 1800.5f);
        EXPECT_FLOAT_EQ(vsk.parameters()[0].sd, 3.25f);
        EXPECT_TRUE(vsk.parameters()[0].hidden);
        EXPECT_FALSE(vsk.parameters()[0].isStatic);
        EXPECT_TRUE(vsk.parameters()[1].isStatic);
        EXPECT_TRUE(vsk.parameters()[1].required);
        EXPECT_EQ(vsk.parameters()[1].expression, "a+b");
        EXPECT_FALSE(vsk.parameters()[2].isStatic);
        EXPECT_EQ(vsk.FindMarker("sacr"), &vsk.markers()[2]);
        EXPECT_EQ(vsk.FindMarker("NOPE"), nullptr);
    }
}

TEST_F(MarkerSets, SkeletonReordersAndColoursTheLinks) {
    const std::string file = Write("s.vsk", kSkeleton);
    Recording d({"RASI", "X1", "lasi", "SACR"});
    TStructure links(nullptr, 0, 0.0f);
    ASSERT_TRUE(d.LoadVskFile(file.c_str(), &links));
    // Skeleton order and spelling, then the points it does not name.
    EXPECT_EQ(d.Labels(), (std::vector<std::string>{"LASI", "RASI", "SACR", "X1"}));
    EXPECT_EQ(d.Origin(0), 2);
    EXPECT_EQ(d.Origin(1), 0);
    EXPECT_EQ(d.Origin(2), 3);
    EXPECT_EQ(d.Origin(3), 1);
    EXPECT_DOUBLE_EQ(d.points->GetValue(0 * 3 + 2, 1), Sample(2, 2, 1));
    EXPECT_EQ(d.Unit(0), "ulasi");  // descriptions and units move with their points
    EXPECT_EQ(d.Description(3), "dX1");
    EXPECT_STREQ(d.stickText, "1-2,2-3");  // the stick to a missing marker is left out
    EXPECT_STREQ(d.skeletonFile, file.c_str());

    ASSERT_EQ(Chains(links), (std::vector<std::string>{"1-2", "2-3"}));
    EXPECT_EQ(links.GetSegment(0)->GetColour().red, 255);
    EXPECT_EQ(links.GetSegment(1)->GetColour().green, 255);
    EXPECT_EQ(links.GetSegment(1)->GetColour().blue, 0);
    EXPECT_TRUE(links.HasMarkerAttributes());
    SegmentColour c;
    float size = 0;
    ASSERT_TRUE(links.GetSegment(0)->GetMarkerAttributes(1, c, size));
    EXPECT_EQ(c.red, 255);
    EXPECT_EQ(c.blue, 128);
    EXPECT_FLOAT_EQ(size, 14.5f);
    ASSERT_TRUE(links.GetSegment(0)->GetMarkerAttributes(2, c, size));
    EXPECT_EQ(c.green, 20);
    EXPECT_EQ(c.blue, 0);
    EXPECT_FLOAT_EQ(size, 12.5f);
}

TEST_F(MarkerSets, SkeletonWithoutReorderColoursByNameOrPosition) {
    const std::string file = Write("s.vsk", kSkeleton);
    Recording d({"RASI", "X1", "lasi", "SACR"});
    d.markerSetFlag = 0;
    TStructure links(nullptr, 0, 0.0f);
    ASSERT_TRUE(d.LoadVskFile(file.c_str(), &links));
    EXPECT_EQ(d.Labels(), (std::vector<std::string>{"RASI", "X1", "lasi", "SACR"}));
    EXPECT_EQ(d.Origin(0), 0);
    EXPECT_STREQ(d.stickText, "3-1,1-4");
    SegmentColour c;
    float size = 0;
    ASSERT_TRUE(links.GetSegment(0)->GetMarkerAttributes(1, c, size));  // RASI by its name
    EXPECT_FLOAT_EQ(size, 12.5f);
    ASSERT_TRUE(links.GetSegment(0)->GetMarkerAttributes(3, c, size));  // "lasi" is no exact name: third marker
    EXPECT_EQ(c.red, 1);
    EXPECT_EQ(c.blue, 3);
}

TEST_F(MarkerSets, SkeletonNeverDuplicatesOrDropsAPoint) {
    const std::string file = Write("dup.vsk", R"(<KinematicModel><MarkerSet><Markers>
        <M NAME="A"/><M NAME="B"/><M NAME="A"/><M NAME="A"/>
        </Markers><Sticks><S MARKER1="A" MARKER2="B"/></Sticks></MarkerSet></KinematicModel>)");
    for (const std::vector<std::string>& labels :
         {std::vector<std::string>{"A", "A", "B"}, std::vector<std::string>{"B", "A", "C"}}) {
        Recording d(labels);
        ASSERT_TRUE(d.LoadVskFile(file.c_str(), nullptr));
        std::vector<int> origins;
        for (int i = 0; i < 3; ++i) origins.push_back(d.Origin(i));
        std::sort(origins.begin(), origins.end());
        EXPECT_EQ(origins, (std::vector<int>{0, 1, 2}));
        EXPECT_EQ(d.pointLabels->count, 3);
    }
}

TEST_F(MarkerSets, RefusedSkeletonsChangeNothing) {
    std::string many = "<KinematicModel><MarkerSet><Sticks>";
    for (int i = 10; i < 100; ++i)
        for (int j = 10; j < 20; ++j)
            many += "<S MARKER1='M" + std::to_string(i) + "' MARKER2='M" + std::to_string(j) + "'/>";
    many += "</Sticks></MarkerSet></KinematicModel>";
    const struct {
        const char* name;
        std::string bytes;
        const char* error;
    } cases[] = {
        {"other first element", "<?xml version='1.0'?><Skeleton/>", "Not a Vicon Skeletton File"},
        {"warning", "<KinematicModel><MarkerSet></KinematicModel>", "Not a Vicon Skeletton File"},
        {"broken", "<KinematicModel><MarkerSet x=></KinematicModel>", "Not a Vicon Skeletton File"},
        {"too many links", many, "Stick text too long"},
    };
    std::vector<std::string> labels;
    for (int i = 1; i <= 100; ++i) labels.push_back("M" + std::to_string(i));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Recording d(labels);
        std::snprintf(d.stickText, sizeof d.stickText, "1-2");
        TStructure links("1-2", 100, 0.0f);
        EXPECT_FALSE(d.LoadVskFile(Write("bad.vsk", c.bytes).c_str(), &links));
        EXPECT_STREQ(d.GetErrorText(), c.error);
        EXPECT_STREQ(d.stickText, "1-2");
        EXPECT_EQ(d.PointLabel(0), "M1");
        EXPECT_STREQ(links.GetText(), "1-2");
        EXPECT_EQ(d.skeletonFile, nullptr);
    }
    Recording d(labels);
    EXPECT_FALSE(d.LoadVskFile(dir.file("absent.vsk").c_str(), nullptr));
    EXPECT_STREQ(d.GetErrorText(), "Not a Vicon Skeletton File");
}

TEST_F(MarkerSets, SkeletonWithoutMarkerSetLoadsEmpty) {
    const std::string file = Write("e.vsk", "<KinematicModel/>");
    Recording d({"A", "B"});
    std::snprintf(d.stickText, sizeof d.stickText, "1-2");
    TStructure links(nullptr, 0, 0.0f);
    ASSERT_TRUE(d.LoadVskFile(file.c_str(), &links));
    EXPECT_STREQ(d.stickText, "");
    EXPECT_EQ(links.GetSegmentCount(), 0);
    EXPECT_EQ(d.Labels(), (std::vector<std::string>{"A", "B"}));
}

TEST_F(MarkerSets, MkrVersion) {
    const struct {
        std::string bytes;
        int version;
    } cases[] = {
        {"!MKR#2\n", 2},
        {"\n  \t\n  !mkr#1  \r\n", 1},
        {"\xEF\xBB\xBF!MKR#1\n", 1},
        {"hello\n!MKR#1\n", 0},
        {"\n \n", -1},
        {"", -1},
        {"\xFF\xFE" + Utf16("!MKR#2\r\n", false), 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(GetMkrVersion(Write("v.mkr", c.bytes)), c.version);
    }
    EXPECT_EQ(GetMkrVersion(dir.file("absent.mkr")), -1);
}

TEST_F(MarkerSets, MkrVersion1ReordersByTheFile) {
    const std::string file = Write("set.mkr", "!MKR#1\n3\nC  first\nX\nA\t1\n2\nC, A\nB\n");
    Recording d({"A", "B", "C"});
    TStructure links(nullptr, 0, 0.0f);
    ASSERT_TRUE(d.LoadMkrFile(file.c_str(), nullptr, &links));
    EXPECT_EQ(d.Labels(), (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_EQ(d.Origin(0), 2);
    EXPECT_EQ(d.Unit(0), "uC");
    EXPECT_STREQ(d.stickText, "1-2,3");
    EXPECT_EQ(Chains(links), (std::vector<std::string>{"1-2", "3"}));
    EXPECT_STREQ(d.skeletonFile, file.c_str());

    Recording kept({"A", "B", "C"});
    kept.markerSetFlag = 0;
    ASSERT_TRUE(kept.LoadMkrFile(file.c_str(), nullptr, nullptr));
    EXPECT_EQ(kept.Labels(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_STREQ(kept.stickText, "3-1,2");
}

TEST_F(MarkerSets, MkrVersion1FailuresLeaveTheRecording) {
    for (const char* text : {"!MKR#1\n0\nA\n0\n", "!MKR#1\n3\nA\n", "!MKR#1\n1\nB\n", "MKR\n1\nA\n0\n"}) {
        SCOPED_TRACE(text);
        Recording d({"A", "B"});
        std::snprintf(d.stickText, sizeof d.stickText, "1-2");
        EXPECT_FALSE(d.ReadMkrV1(Write("f.mkr", text).c_str(), nullptr));
        EXPECT_STREQ(d.stickText, "1-2");
        EXPECT_EQ(d.Labels(), (std::vector<std::string>{"A", "B"}));
    }
}

TEST_F(MarkerSets, MkrVersion1KeepsExistingLinksInStepWithAReorder) {
    // No link of the file is usable: the links already there follow their points.
    const std::string file = Write("set.mkr", "!MKR#1\n2\nB\nA\n1\nA,Z\n");
    Recording d({"A", "B", "C"});
    std::snprintf(d.stickText, sizeof d.stickText, "1-3,2");
    ASSERT_TRUE(d.ReadMkrV1(file.c_str(), nullptr));
    EXPECT_EQ(d.Labels(), (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_STREQ(d.stickText, "2-3,1");
}

TEST_F(MarkerSets, MkrVersion2Links) {
    const std::string file = Write("set.mkr",
                                   "!MKR#2\n[Other]\nA\nB\nA,B\nname=A,C\nB,C\n"
                                   "[Autolabel]\nA\nX\nB\nC\nA,B,C\nA,X,C\nX,A\nA\nname = A,B\nA,B,C,[x\nB,C\n");
    // A fourth point, so that the closed chain over A, B, C is not longer than the recording.
    Recording d({"A", "B", "C", "D"});
    d.markerSetFlag = 0;
    TStructure links(nullptr, 0, 0.0f);
    ASSERT_TRUE(d.LoadMkrFile(file.c_str(), nullptr, &links));
    EXPECT_STREQ(d.stickText, "1-2-3-1,1-3,1-2");
    EXPECT_EQ(Chains(links), (std::vector<std::string>{"1-2-3-1", "1-3", "1-2"}));
    EXPECT_STREQ(d.GetErrorText(), "");

    // Outside "[Autolabel]" a line with "=" ends the links.
    ASSERT_TRUE(d.LoadMkrFile(file.c_str(), "[other]", nullptr));
    EXPECT_STREQ(d.stickText, "1-2");
}

TEST_F(MarkerSets, MkrVersion2ReordersAndReportsProblems) {
    const std::string file = Write("set.mkr", "!MKR#2\n[Autolabel]\nB\nA\nA,B\n[Empty]\nZ\n[Short]\nC\nA\n");
    Recording d({"A", "B", "C"});
    ASSERT_TRUE(d.ReadMkrV2(file.c_str(), "[Autolabel]", nullptr));
    EXPECT_EQ(d.Labels(), (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_STREQ(d.stickText, "2-1");

    const struct {
        const char* section;
        bool ok;
        std::string error;
    } cases[] = {
        {"[Empty]", false, "Unable to find markers !"},
        {"[Nope]", false, "Unable to find section : [Nope]"},
        {"[Short]", true, "Unable to read line from mkr file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section);
        Recording e({"A", "B", "C"});
        std::snprintf(e.stickText, sizeof e.stickText, "1-2");
        EXPECT_EQ(e.ReadMkrV2(file.c_str(), c.section, nullptr), c.ok);
        EXPECT_EQ(e.GetErrorText(), c.error);
        EXPECT_STREQ(e.stickText, c.ok ? "2-3" : "1-2");  // kept, renumbered by the reorder
    }
    // Once every point has matched, the next line is a link line even without a comma before it.
    const std::string full = Write("full.mkr", "!MKR#2\n[Autolabel]\nC\nB\nA\nA,C\n");
    Recording f({"A", "B", "C"});
    f.markerSetFlag = 0;
    ASSERT_TRUE(f.ReadMkrV2(full.c_str(), "[Autolabel]", nullptr));
    EXPECT_STREQ(f.stickText, "1-3");

    Recording e({"A"});
    EXPECT_FALSE(e.ReadMkrV2(dir.file("absent.mkr").c_str(), "[Autolabel]", nullptr));
    EXPECT_EQ(std::string(e.GetErrorText()),
              "Unable to open mkr file: Cannot open '" + dir.file("absent.mkr") + "': No such file or directory");
}

TEST_F(MarkerSets, MkrSubjectsLinkEverySubject) {
    const std::string file = Write("set.mkr", "!MKR#2\n[Autolabel]\nA\nB\nA,B\nB,C\n");
    Recording d({"Bob:A", "Bob:B", "Eve:B", "Eve:A"});
    d.usesPrefixes = true;
    d.SetSubjects({"Bob", "Eve"});
    TStructure links(nullptr, 0, 0.0f);
    ASSERT_TRUE(d.LoadMkrFile(file.c_str(), nullptr, &links));
    EXPECT_STREQ(d.stickText, "1-2,2,4-3,3");  // B,C: only B is there
    EXPECT_EQ(d.Labels(), (std::vector<std::string>{"Bob:A", "Bob:B", "Eve:B", "Eve:A"}));
    EXPECT_EQ(links.GetSegmentCount(), 4);

    Recording one({"Bob:A", "Bob:B"});
    one.SetSubjects({"Bob"});
    EXPECT_FALSE(one.ReadMkrSubjects(file.c_str(), "[Autolabel]", nullptr));
    EXPECT_STREQ(one.GetErrorText(), "Invalid number of Subjects");
}

TEST_F(MarkerSets, LookupOrderBesideTheRecording) {
    // Each candidate links a different pair, so the stick text tells which one was read.
    Write("s.VSK",
          R"(<KinematicModel><MarkerSet><Sticks><S MARKER1="A" MARKER2="B"/></Sticks></MarkerSet></KinematicModel>)");
    Write("S.mkr", "!MKR#2\n[Autolabel]\nA\nA,D\n[Disp]\nA\nA,C\n");
    Write("b.mkr", "!MKR#2\n[Disp]\nA\nB,D\n");
    Write("a.mkr", "!MKR#2\n[Disp]\nA\nB,C\n");
    Write("Bob.vsk",
          R"(<KinematicModel><MarkerSet><Sticks><S MARKER1="C" MARKER2="D"/></Sticks></MarkerSet></KinematicModel>)");
    Write("c.vsk",
          R"(<KinematicModel><MarkerSet><Sticks><S MARKER1="A" MARKER2="D"/></Sticks></MarkerSet></KinematicModel>)");
    const struct {
        const char* removeAfter;
        const char* read;
        const char* stickText;
    } steps[] = {
        {"s.VSK", "s.VSK", "1-2"}, {"S.mkr", "S.mkr", "1-3"},     {"a.mkr", "a.mkr", "2-3"},
        {"b.mkr", "b.mkr", "2-4"}, {"Bob.vsk", "Bob.vsk", "3-4"}, {"c.vsk", "c.vsk", "1-4"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.read);
        Recording d({"A", "B", "C", "D"}, dir.path());
        d.markerSetName = "S";
        d.displaySetName = "Disp";
        d.SetSubjects({"Bob"});
        d.markerSetFlag = 0;
        TStructure links(nullptr, 0, 0.0f);
        EXPECT_TRUE(d.LoadMarkerSet(&links));
        EXPECT_EQ(dez::NameOf(d.skeletonFile ? d.skeletonFile : ""), step.read);
        EXPECT_STREQ(d.stickText, step.stickText);
        EXPECT_STREQ(links.GetText(), step.stickText);
        EXPECT_TRUE(dez::RemoveFile(dir.file(step.removeAfter)));
    }
}

TEST_F(MarkerSets, RecordingLinksReachTheFigureWithoutCompanions) {
    for (const bool withPath : {true, false}) {
        SCOPED_TRACE(withPath);
        Recording d({"A", "B", "C"}, withPath ? dir.path() : "");
        std::snprintf(d.stickText, sizeof d.stickText, "1-2,2-3");
        LinklessStructure links(d.stickText, 3);
        ASSERT_EQ(links.GetSegmentCount(), 0);
        EXPECT_FALSE(d.LoadMarkerSet(&links));
        EXPECT_EQ(Chains(links), (std::vector<std::string>{"1-2", "2-3"}));
        for (int32_t marker = 1; marker <= 3; ++marker) EXPECT_TRUE(links.ContainsPoint(marker));
    }
}

TEST_F(MarkerSets, FormatTextGoesToTheComment) {
    const struct {
        int32_t processor;
        bool integer;
        const char* text;
    } cases[] = {{1, false, "Format Intel Float"},
                 {2, false, "Format DEC Float"},
                 {3, true, "Format SGI/MIPS Integer"},
                 {0, false, "Format  Float"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Recording d({"A"}, dir.path());
        d.processor = c.processor;
        d.integerData = c.integer;
        d.LoadMarkerSet(nullptr);
        EXPECT_STREQ(d.comment, c.text);
        EXPECT_STREQ(d.formatText, c.text);
    }
}

}  // namespace

// Recordings read from C3D files pick up their marker-set companions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "motion/C3DFixture.h"
#include "motion/TDataFile.h"
#include "motion/TStructure.h"
#include "support/TestSupport.h"
#include "platform/Paths.h"

namespace {

const char* const kSkeleton = R"(<?xml version="1.0" encoding="UTF-8"?>
<KinematicModel>
  <MarkerSet>
    <Markers>
      <Marker NAME="LASI" RADIUS="14" RGB="255 0 128"/>
      <Marker NAME="RASI" RADIUS="12" RGB="10 20 30"/>
      <Marker NAME="SACR" RADIUS="10" RGB="1 2 3"/>
    </Markers>
    <Sticks>
      <Stick MARKER1="LASI" MARKER2="RASI" RGB="255 0 0"/>
      <Stick MARKER1="RASI" MARKER2="SACR" RGB="0 255 0"/>
    </Sticks>
  </MarkerSet>
</KinematicModel>
)";

std::vector<std::string> Labels(const TDataFile& d) {
    std::vector<std::string> out;
    for (int i = 0; i < d.GetPointCount(); ++i) out.push_back(d.PointLabel(i));
    return out;
}

class MarkerSetsFromC3D : public testing::Test {
protected:
    // A recording of four labelled points written by our C3D writer; x of point p is 100 p.
    std::string WriteRecording() {
        TDataFile d(4, 5, 100.0f, 0, 1, 3);
        d.verbose = false;
        const char* labels[] = {"RASI", "X1", "LASI", "SACR"};
        for (int p = 0; p < 4; ++p) {
            d.SetPointLabel(labels[p], p, "mm", nullptr);
            for (int f = 0; f < 5; ++f) d.points->SetValue(p * 3, f, 100.0 * p);
        }
        const std::string file = dir.file("trial.c3d");
        EXPECT_TRUE(d.SaveC3D(file.c_str(), "", "", nullptr, false)) << d.errorText;
        return file;
    }
    void Write(const std::string& name, const std::string& text) {
        ASSERT_TRUE(testsupport::WriteFileBytes(dir.file(name), text));
    }
    testsupport::TempDir dir;
};

TEST_F(MarkerSetsFromC3D, SkeletonBesideTheFileGivesLinksColoursAndSizes) {
    const std::string file = WriteRecording();
    Write("subject.vsk", kSkeleton);
    TDataFile d(0, 0, 100.0f, 0, 1, 3);
    d.verbose = false;
    ASSERT_TRUE(d.LoadC3D(file.c_str(), true, true, false)) << d.errorText;
    EXPECT_EQ(Labels(d), (std::vector<std::string>{"LASI", "RASI", "SACR", "X1"}));
    EXPECT_DOUBLE_EQ(d.points->GetValue(0, 0), 200.0);  // LASI was the third point
    EXPECT_STREQ(d.stickText, "1-2,2-3");
    EXPECT_EQ(dez::NameOf(d.skeletonFile), "subject.vsk");
    EXPECT_STREQ(d.comment, "Format Intel Float");

    // What the scene object does with a fresh structure after the load.
    TStructure links(nullptr, 0, 0.0f);
    EXPECT_TRUE(d.LoadMarkerSet(&links));
    EXPECT_EQ(Labels(d), (std::vector<std::string>{"LASI", "RASI", "SACR", "X1"}));
    ASSERT_EQ(links.GetSegmentCount(), 2);
    EXPECT_EQ(links.GetSegmentText(0), "1-2");
    EXPECT_EQ(links.GetSegment(0)->GetColour().red, 255);
    EXPECT_EQ(links.GetSegment(1)->GetColour().green, 255);
    EXPECT_TRUE(links.HasMarkerAttributes());
    SegmentColour c;
    float size = 0;
    ASSERT_TRUE(links.GetSegment(1)->GetMarkerAttributes(3, c, size));
    EXPECT_EQ(c.red, 1);
    EXPECT_EQ(c.blue, 3);
    EXPECT_FLOAT_EQ(size, 10.0f);
}

TEST_F(MarkerSetsFromC3D, LabelFileBesideTheFile) {
    const std::string file = WriteRecording();
    Write("set.mkr", "!MKR#1\n2\nSACR\nRASI\n2\nSACR,RASI\nRASI,X1\n");
    TDataFile d(0, 0, 100.0f, 0, 1, 3);
    d.verbose = false;
    ASSERT_TRUE(d.LoadC3D(file.c_str(), true, true, false)) << d.errorText;
    EXPECT_EQ(Labels(d), (std::vector<std::string>{"SACR", "RASI", "X1", "LASI"}));
    EXPECT_STREQ(d.stickText, "1-2,2-3");
}

TEST_F(MarkerSetsFromC3D, MarkerSetNamedByTheSubjectComesFirst) {
    c3dtest::C3DFixture f;
    f.points = 3;
    f.StandardParameters();  // labels PT1, PT2, PT3
    f.Group(3, "SUBJECTS");
    f.Int16s(3, "USED", {1});
    f.Texts(3, "NAMES", {"Bob"}, 3);
    f.Texts(3, "MARKER_SETS", {"Full"}, 4);
    f.Texts(3, "DISPLAY_SETS", {"Disp"}, 4);
    const std::vector<uint8_t> bytes = f.Build();
    const std::string file = dir.file("walk.c3d");
    ASSERT_TRUE(testsupport::WriteFileBytes(file, std::string(bytes.begin(), bytes.end())));
    Write("a.mkr", "!MKR#2\n[Disp]\nPT1\nPT1,PT2\n");
    Write("full.MKR", "!MKR#2\n[Autolabel]\nPT1\nPT1,PT2\n[Disp]\nPT1\nPT2,PT3\n");

    TDataFile d(0, 0, 100.0f, 0, 1, 3);
    d.verbose = false;
    d.markerSetFlag = 0;
    ASSERT_TRUE(d.LoadC3D(file.c_str(), true, true, false)) << d.errorText;
    EXPECT_EQ(dez::NameOf(d.skeletonFile), "full.MKR");
    EXPECT_STREQ(d.stickText, "2-3");

    Write(
        "Full.vsk",
        R"(<KinematicModel><MarkerSet><Sticks><S MARKER1="PT3" MARKER2="PT1"/></Sticks></MarkerSet></KinematicModel>)");
    TDataFile e(0, 0, 100.0f, 0, 1, 3);
    e.verbose = false;
    e.markerSetFlag = 0;
    ASSERT_TRUE(e.LoadC3D(file.c_str(), true, true, false)) << e.errorText;
    EXPECT_EQ(dez::NameOf(e.skeletonFile), "Full.vsk");
    EXPECT_STREQ(e.stickText, "3-1");
}

TEST_F(MarkerSetsFromC3D, PublicSamplesFollowALabelFileBesideThem) {
    for (const char* name : {"c3d/sample_01/Eb015pr.c3d", "c3d/sample_02/dec_real.c3d", "c3d/sample_02/sgi_int.c3d",
                             "c3d/sample_03/gait-pig.c3d", "c3d/sample_10/TYPE-2.C3D"}) {
        SCOPED_TRACE(name);
        const std::string sample = testsupport::SampleFile(name);
        if (sample.empty()) FAIL() << "sample file missing";
        TDataFile original(0, 0, 100.0f, 0, 1, 3);
        original.verbose = false;
        ASSERT_TRUE(original.LoadC3D(sample.c_str(), true, true, false)) << original.errorText;
        const int n = original.GetPointCount();
        ASSERT_GE(n, 3);

        // The same file beside a label file that lists its markers backwards and links the first two.
        const std::string copy = dir.file("copy.c3d");
        ASSERT_TRUE(testsupport::WriteFileBytes(copy, testsupport::ReadFileBytes(sample)));
        const std::vector<std::string> labels = Labels(original);
        std::string mkr = "!MKR#1\n" + std::to_string(n) + "\n";
        for (int i = n - 1; i >= 0; --i) mkr += labels[static_cast<size_t>(i)] + "\n";
        mkr += "1\n" + labels[0] + "," + labels[1] + "\n";
        Write("set.mkr", mkr);

        TDataFile d(0, 0, 100.0f, 0, 1, 3);
        d.verbose = false;
        ASSERT_TRUE(d.LoadC3D(copy.c_str(), true, true, false)) << d.errorText;
        ASSERT_EQ(d.GetPointCount(), n);
        const int dim = d.GetDimension();
        const int last = d.GetFrameCount() - 1;
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(d.PointLabel(i), labels[static_cast<size_t>(n - 1 - i)]) << i;
            for (int r = 0; r < dim; ++r) {
                const double was = original.points->GetValue((n - 1 - i) * dim + r, last);
                EXPECT_EQ(d.points->GetValue(i * dim + r, last), static_cast<double>(static_cast<float>(was))) << i;
            }
        }
        EXPECT_EQ(std::string(d.stickText), std::to_string(n) + "-" + std::to_string(n - 1));
    }
}

}  // namespace

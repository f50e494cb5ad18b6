// BVH files read as motion data: joints as points in depth-first order (Z-up, scaled), the joint
// tree as the stick figure, joint rotations as angle points, and nothing changed on a refusal.
#include "motion/TDataFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "motion/BvhParser.h"
#include "motion/Joint.h"
#include "motion/RecordedMotion.h"
#include "motion/SkeletonMath.h"
#include "support/BvhReference.h"
#include "support/TestSupport.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

std::vector<std::string> Labels(const TDataFile& d) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < d.GetPointCount(); ++i) out.push_back(d.PointLabel(i));
    return out;
}

// Point k at frame f as stored: (x, y, z) of the point table.
std::array<double, 3> Stored(const TDataFile& d, int k, int f) {
    return {d.points->GetValue(3 * k, f), d.points->GetValue(3 * k + 1, f), d.points->GetValue(3 * k + 2, f)};
}

class BvhMarkers : public testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testsupport::WriteFileBytes(path, text));
        return path;
    }
    testsupport::TempDir dir;
};

TEST_F(BvhMarkers, JointsBecomePointsAndTheTreeTheStickFigure) {
    const std::string path = Write("figure.bvh", testsupport::kBvhFigure);
    TDataFile d(path.c_str(), 1, 1, 10.0);
    ASSERT_TRUE(d.HasPoints());
    EXPECT_EQ(d.kind, kFileBVH);
    EXPECT_EQ(d.GetDimension(), 3);
    EXPECT_EQ(d.GetFrameCount(), 3);
    EXPECT_FLOAT_EQ(d.GetPointRate(), 100.0f);
    EXPECT_EQ(d.firstFrame, 0);
    EXPECT_EQ(d.lastFrame, 2);
    EXPECT_EQ(Labels(d), (std::vector<std::string>{"Hips", "Spine", "Head", "Head-EF", "LeftLeg", "LeftLeg-EF",
                                                   "rot_Hips", "rot_Spine", "rot_Head", "rot_LeftLeg"}));
    EXPECT_STREQ(d.stickText, "1-2,1-5,2-3,3-4,5-6 ");
    EXPECT_TRUE(d.IsModelOutputPoint(6));
    EXPECT_FALSE(d.IsModelOutputPoint(5));
    char unit[256];
    d.GetPointUnit(unit, 9);
    EXPECT_STREQ(unit, "deg");

    // Positions: the independent kinematics, scaled by 10 and turned Z-up, (x, y, z) -> (x, -z, y).
    const testsupport::RefBvh ref = testsupport::ReadRefBvh(testsupport::kBvhFigure);
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(f);
        const auto expected = testsupport::RefPositions(ref, f);
        for (int k = 0; k < 6; ++k) {
            const auto p = Stored(d, k, f);
            EXPECT_NEAR(p[0], 10 * expected[k][0], 1e-9);
            EXPECT_NEAR(p[1], -10 * expected[k][2], 1e-9);
            EXPECT_NEAR(p[2], 10 * expected[k][1], 1e-9);
        }
    }
    // The root at frame 0 stands at its position channels (1, 2, 3).
    const auto hips = Stored(d, 0, 0);
    EXPECT_DOUBLE_EQ(hips[0], 10);
    EXPECT_DOUBLE_EQ(hips[1], -30);
    EXPECT_DOUBLE_EQ(hips[2], 20);

    // Rotation points: the sample's angles in degrees, stored (a, -c, b). LeftLeg's frame 2 lists
    // Z -60, Y 10, X -5.
    std::unique_ptr<Joint> root;
    std::unique_ptr<RecordedMotion> motion;
    BvhParser parser(path);
    ASSERT_TRUE(parser.Load(root, motion));
    double e[3];
    QuaternionToEuler(dynamic_cast<const RotationalTriDOF&>(*motion->GetTriDOF(4)).GetSample(2), e);
    const auto leg = Stored(d, 9, 2);
    EXPECT_NEAR(leg[0], e[0] * 180 / M_PI, 1e-9);
    EXPECT_NEAR(leg[1], -e[2] * 180 / M_PI, 1e-9);
    EXPECT_NEAR(leg[2], e[1] * 180 / M_PI, 1e-9);
    // A lone Z turn comes back as itself.
    const auto still = Stored(d, 6, 0);
    EXPECT_EQ(still[0], 0);
    EXPECT_EQ(still[2], 0);
}

TEST_F(BvhMarkers, DuplicateNamesLinkByIndex) {
    const std::string text =
        "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n"
        "JOINT B\n{\nOFFSET 1 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\nEnd Site\n{\nOFFSET 1 0 0\n}\n}\n"
        "JOINT B\n{\nOFFSET 0 1 0\nCHANNELS 3 Xrotation Yrotation Zrotation\nEnd Site\n{\nOFFSET 0 1 0\n}\n}\n"
        "}\nMOTION\nFrames: 1\nFrame Time: 0.04\n0 0 0 0 0 0 0 0 0\n";
    TDataFile d(Write("twins.bvh", text).c_str());
    ASSERT_TRUE(d.HasPoints());
    EXPECT_STREQ(d.stickText, "1-2,1-4,2-3,4-5 ");
    EXPECT_FLOAT_EQ(d.GetPointRate(), 25.0f);
    // The second B's rotation has its own point, not the first's.
    EXPECT_EQ(d.GetPointCount(), 5 + 3);
}

TEST_F(BvhMarkers, RefusalsLeaveTheRecordingUnchanged) {
    TDataFile d(2, 4, 50.0f, 0, 1, 3);
    d.points->SetValue(0, 0, 7.0);
    std::strcpy(d.stickText, "1-2 ");
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"no frame", "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n"
                     "End Site\n{\nOFFSET 0 1 0\n}\n}\nMOTION\nFrames: 0\nFrame Time: 0.1\n"},
        {"zero frame time", "HIERARCHY\nROOT A\n{\nOFFSET 0 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n"
                            "End Site\n{\nOFFSET 0 1 0\n}\n}\nMOTION\nFrames: 1\nFrame Time: 0\n0 0 0\n"},
        {"not BVH", "garbage"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CaptureStdout();
        EXPECT_FALSE(d.ReadBVH(Write("bad.bvh", c.text).c_str()));
        GetCapturedStdout();
        EXPECT_EQ(d.GetFrameCount(), 4);
        EXPECT_EQ(d.points->GetValue(0, 0), 7.0);
        EXPECT_STREQ(d.stickText, "1-2 ");
    }
    EXPECT_FALSE(d.ReadBVH(nullptr));
}

// Thousands of end sites and a frame every six bytes would ask for gigabytes of point table.
TEST_F(BvhMarkers, TablesOutOfProportionAreRefused) {
    std::string text = "HIERARCHY\nROOT R\n{\nOFFSET 0 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n";
    for (int i = 0; i < 4000; ++i) text += "End Site { OFFSET 0 1 0 }\n";
    text += "}\nMOTION\nFrames: 12000\nFrame Time: 0.01\n";
    for (int i = 0; i < 12000; ++i) text += "0 0 0\n";
    TDataFile d(2, 4, 50.0f, 0, 1, 3);
    d.verbose = false;
    EXPECT_FALSE(d.ReadBVH(Write("huge.bvh", text).c_str()));
    EXPECT_STREQ(d.GetErrorText(), "BVH file too large to read as markers: 4002 points of 12000 frames");
    EXPECT_EQ(d.GetFrameCount(), 4);
}

TEST_F(BvhMarkers, LongStickFiguresEndAfterTheLastWholeLink) {
    std::string text = "HIERARCHY\nROOT R\n{\nOFFSET 0 0 0\nCHANNELS 3 Xrotation Yrotation Zrotation\n";
    for (int i = 0; i < 600; ++i) text += "End Site { OFFSET 0 1 0 }\n";
    text += "}\nMOTION\nFrames: 1\nFrame Time: 0.1\n0 0 0\n";
    TDataFile d(Write("wide.bvh", text).c_str());
    ASSERT_TRUE(d.HasPoints());
    // 600 links do not fit: the text holds every whole link that does, the last "," a blank.
    std::string expected;
    for (int child = 2; child <= 601; ++child) {
        const std::string item = "1-" + std::to_string(child) + ",";
        if (expected.size() + item.size() > static_cast<std::size_t>(kStickTextSize - 1)) break;
        expected += item;
    }
    expected.back() = ' ';
    EXPECT_LT(expected.size(), 600u * 6);
    EXPECT_EQ(std::string(d.stickText), expected);
}

// The recording read as markers gives the skeleton's own joint positions, frame by frame, to
// the last frame (the last sample, not the first again).
TEST_F(BvhMarkers, SampleMatchesTheSkeleton) {
    const std::string path = testsupport::SampleFile("bvh/01_01.bvh");
    if (path.empty()) FAIL() << "no sample 01_01.bvh";
    TDataFile d(path.c_str(), 1, 1, 2.5);
    ASSERT_TRUE(d.HasPoints());
    EXPECT_EQ(d.kind, kFileBVH);
    ASSERT_EQ(d.GetFrameCount(), 800);
    EXPECT_NEAR(d.GetPointRate(), 1 / 0.0083333, 1e-3);

    BvhParser parser(path);
    std::unique_ptr<Joint> root;
    std::unique_ptr<RecordedMotion> motion;
    ASSERT_TRUE(parser.Load(root, motion));
    std::vector<const Joint*> joints;
    std::vector<const Joint*> todo{root.get()};
    while (!todo.empty()) {
        const Joint* j = todo.back();
        todo.pop_back();
        joints.push_back(j);
        for (int i = j->GetChildCount() - 1; i >= 0; --i) todo.push_back(j->GetChild(i));
    }
    EXPECT_EQ(d.GetPointCount(), static_cast<int32_t>(joints.size()) + motion->GetTriDOFCount() - 1);
    for (int f : {0, 777, 799}) {
        SCOPED_TRACE(f);
        root->UpdatePose(*motion, f * parser.GetFrameTime(), Point3D(), Quaternion());
        for (std::size_t k = 0; k < joints.size(); ++k) {
            const Point3D& p = joints[k]->GetPosition();
            const auto s = Stored(d, static_cast<int>(k), f);
            EXPECT_NEAR(s[0], 2.5 * p.x, 1e-9);
            EXPECT_NEAR(s[1], -2.5 * p.z, 1e-9);
            EXPECT_NEAR(s[2], 2.5 * p.y, 1e-9);
        }
    }
    root->UpdatePose(*motion, 0, Point3D(), Quaternion());
    const Point3D first = root->GetPosition();
    EXPECT_NE(Stored(d, 0, 799)[0], 2.5 * first.x);
}

}  // namespace

#include "model/TBiomecaModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

namespace {

std::unique_ptr<Matrix2D> Table(int rows, int cols) { return std::make_unique<Matrix2D>(rows, cols); }

bool AddPlain(TBiomecaModel& model, int distal, int proximal) {
    return model.AddJoint(distal, proximal, 0, "j", nullptr, nullptr, 1, nullptr, nullptr, 0, nullptr, nullptr, 0, -1,
                          1, true);
}

TEST(BodyModelRecords, DefaultsAfterConstruction) {
    TBiomecaModel model;
    ASSERT_TRUE(model.Segments[5]);
    const BodySegment& s = *model.Segments[5];
    EXPECT_STREQ(s.Name, "Body #5");
    EXPECT_EQ(s.P1, 1);
    EXPECT_EQ(s.P2, 2);
    EXPECT_EQ(s.P3, 1);
    EXPECT_EQ(s.Mass, 0.1);
    EXPECT_EQ(s.CG, 0.5);
    EXPECT_EQ(s.P1P2Axis, 2);
    EXPECT_EQ(s.CF3, -1);
    EXPECT_STREQ(model.Segments[255]->Name, "Body #255");
    for (int j : {0, 17, 255}) {
        SCOPED_TRACE(j);
        const BodyJoint& joint = *model.Joints[j];
        EXPECT_EQ(joint.Distal, -1);
        EXPECT_EQ(joint.Normal, 1);
        EXPECT_TRUE(joint.CoP);
        EXPECT_EQ(joint.Index, j);
        EXPECT_EQ(joint.Nodes[31], -1);
        EXPECT_EQ(joint.Channels[7], -1);
    }
    EXPECT_EQ(model.TotalMass, 70.0);
    EXPECT_EQ(model.Divide, 1000.0);
    EXPECT_EQ(model.Gravity, -9.805);
    EXPECT_TRUE(model.IsLabel);
    EXPECT_FALSE(model.Kinematics);
}

TEST(BodyModelRecords, JointTableRefusesWhenFull) {
    TBiomecaModel model;
    model.SegmentCount = 3;
    for (int j = 0; j < kBodyJointSlots; ++j) model.Joints[j]->Proximal = 99;  // chain never continues
    model.JointCount = kBodyJointSlots;
    EXPECT_FALSE(model.AddJoint(-1, 0, 0, "x", Table(3, 4), nullptr, 0, nullptr, nullptr, 1, nullptr, nullptr, 0, 0,
                                1, true));
    EXPECT_FALSE(model.AddNode(0, std::array<int, 1>{0}.data(), 1));
    EXPECT_EQ(model.JointCount, kBodyJointSlots);
    EXPECT_FALSE(model.Warnings.empty());
}

TEST(BodyModelRecords, ChainsGrowFromTheGroundUp) {
    TBiomecaModel model;
    model.SegmentCount = 5;
    ASSERT_TRUE(model.AddJoint(-1, 0, 3, "contact", Table(3, 4), nullptr, 0, Table(3, 4), Table(3, 4), 1, nullptr,
                               nullptr, 0, 0, 1, true));
    EXPECT_FALSE(model.TestJoint(1, 2));  // 1 is not yet reached
    EXPECT_FALSE(AddPlain(model, 1, 2));
    EXPECT_TRUE(AddPlain(model, 0, 1));
    EXPECT_FALSE(AddPlain(model, 0, 1));  // the same pair twice
    EXPECT_TRUE(AddPlain(model, 1, 2));
    EXPECT_EQ(model.JointCount, 3);
    EXPECT_EQ(model.Joints[2]->Index, 2);
    EXPECT_EQ(model.Joints[0]->Position, 3);
    EXPECT_STREQ(model.Joints[0]->Name, "contact");
    EXPECT_EQ(model.Joints[0]->FrameType, 0);  // no orientation table
    ASSERT_TRUE(model.Joints[0]->Force);

    // Appending (2, 3) twice: the second is refused.
    TBiomecaModel other;
    other.SegmentCount = 5;
    EXPECT_TRUE(AddPlain(other, 2, 3));
    EXPECT_FALSE(AddPlain(other, 2, 3));
}

TEST(BodyModelRecords, JointsNamingSegmentsOutsideTheModelAreRefused) {
    TBiomecaModel model;
    model.SegmentCount = 2;
    for (auto pair : {std::pair<int, int>{2, 0}, {0, 2}, {-2, 0}, {0, -5}, {300, 1}}) {
        SCOPED_TRACE(testing::Message() << pair.first << "-" << pair.second);
        EXPECT_FALSE(AddPlain(model, pair.first, pair.second));
    }
    EXPECT_EQ(model.JointCount, 0);
    EXPECT_EQ(model.Warnings.size(), 5u);
}

TEST(BodyModelRecords, NodesCollectJointsOfOneSegment) {
    TBiomecaModel model;
    model.SegmentCount = 6;
    ASSERT_TRUE(AddPlain(model, 0, 4));
    ASSERT_TRUE(model.AddJoint(-1, 1, 0, "c2", nullptr, nullptr, 0, nullptr, nullptr, 2, nullptr, nullptr, 0, 3, 1,
                               true));
    const int first[] = {0};
    const int second[] = {1};
    ASSERT_TRUE(model.AddNode(4, first, 1));
    ASSERT_TRUE(model.AddNode(4, second, 1));
    ASSERT_EQ(model.JointCount, 3);
    const BodyJoint& node = *model.Joints[2];
    EXPECT_EQ(node.Distal, -1);
    EXPECT_EQ(node.Proximal, 4);
    ASSERT_EQ(node.NodeCount, 2);
    EXPECT_EQ(node.Nodes[0], 0);
    EXPECT_EQ(node.Nodes[1], 1);
    // A joint from the node's segment continues the chain.
    EXPECT_TRUE(model.TestJoint(4, 5));

    // Indices that name no joint yet, and counts outside 1-32, are refused.
    const int bad[] = {3};
    const int negative[] = {-1};
    EXPECT_FALSE(model.AddNode(4, bad, 1));
    EXPECT_FALSE(model.AddNode(4, negative, 1));
    EXPECT_FALSE(model.AddNode(4, first, 0));
    EXPECT_FALSE(model.AddNode(4, nullptr, 1));
    std::array<int, 33> many{};
    EXPECT_FALSE(model.AddNode(3, many.data(), 33));
    EXPECT_EQ(model.JointCount, 3);

    // A node never grows past 32 entries: 2 + 30 fits, one more is refused.
    std::array<int, 30> thirty{};
    EXPECT_TRUE(model.AddNode(4, thirty.data(), 30));
    EXPECT_EQ(node.NodeCount, 32);
    EXPECT_FALSE(model.AddNode(4, first, 1));
    EXPECT_EQ(node.NodeCount, 32);
}

TEST(BodyModelRecords, ResetKeepsSegmentsUnlessAskedForDefaults) {
    TBiomecaModel model;
    model.SegmentCount = 2;
    model.TotalMass = 80.0;
    model.Divide = 10.0;
    model.Segments[1]->Mass = 0.3;
    model.Segments[0]->ExtForce = Table(3, 5);
    ASSERT_TRUE(AddPlain(model, 0, 1));
    model.Reset(false);
    EXPECT_EQ(model.SegmentCount, 2);
    EXPECT_EQ(model.Segments[1]->Mass, 0.3);
    EXPECT_EQ(model.TotalMass, 80.0);
    EXPECT_EQ(model.JointCount, 0);
    EXPECT_STREQ(model.Joints[0]->Name, "");
    EXPECT_FALSE(model.Segments[0]->ExtForce);
    model.Warnings.push_back("old");
    model.Reset(true);
    EXPECT_TRUE(model.Warnings.empty());
    EXPECT_EQ(model.TotalMass, 70.0);
    EXPECT_EQ(model.Divide, 1000.0);
    EXPECT_EQ(model.SegmentCount, 0);
    EXPECT_EQ(model.Segments[1]->Mass, 0.1);

    // After FreeData the records are gone until SetDefaults; record operations refuse meanwhile.
    model.FreeData();
    EXPECT_FALSE(model.Segments[0]);
    EXPECT_FALSE(AddPlain(model, -1, 0));
    EXPECT_FALSE(model.TestJoint(0, 1));
    model.SetDefaults();
    EXPECT_TRUE(model.Joints[255]);
}

// Sets up one segment with a kinematics table whose length row is `length` and radius row `radius`.
void OneSegment(TBiomecaModel& model, double length, double radius) {
    model.SegmentCount = 1;
    model.Kinematics = Table(2 * kKinematicsRows, 4);
    for (int f = 0; f < 4; ++f) {
        model.Kinematics->SetValue(6, f, length);
        model.Kinematics->SetValue(7, f, radius);
    }
    model.KinematicsDone = true;
    model.FirstFrame = 0;
}

TEST(SegmentInertia, RadiiOfGyrationScaleWithTheSegment) {
    TBiomecaModel model;
    OneSegment(model, 0.4, 0.05);
    model.IsRadius = true;
    model.TotalMass = 60.0;
    BodySegment& s = *model.Segments[0];
    s.Mass = 0.05;  // 3 kg
    s.Ixx = 0.289;
    s.Iyy = 0.3;
    s.Izz = 0.5;
    double m = 0, i1 = 0, i2 = 0, i3 = 0;
    ASSERT_TRUE(model.GetSegmentInertia(0, &m, &i1, &i2, &i3, -1));
    EXPECT_DOUBLE_EQ(m, 3.0);
    EXPECT_DOUBLE_EQ(i1, 3.0 * 0.1156 * 0.1156);
    EXPECT_DOUBLE_EQ(i2, 3.0 * 0.12 * 0.12);
    EXPECT_DOUBLE_EQ(i3, 3.0 * 0.025 * 0.025);

    model.IsRadius = false;
    s.Ixx = -0.02;
    ASSERT_TRUE(model.GetSegmentInertia(0, &m, &i1, &i2, &i3, 2));
    EXPECT_DOUBLE_EQ(i1, 0.02);
    EXPECT_DOUBLE_EQ(i3, 0.5);
}

TEST(SegmentInertia, AddedMassFollowsTheParallelAxisTheorem) {
    TBiomecaModel model;
    OneSegment(model, 0.4, 0.05);
    model.TotalMass = 50.0;
    BodySegment& s = *model.Segments[0];
    s.Mass = 0.1;
    s.Ixx = 0.1;
    s.Iyy = 0.2;
    s.Izz = 0.03;
    struct Case {
        double mass, dx, dy, dz, ixx, iyy, izz;
    };
    const Case cases[] = {
        {0.5, 0.0, 0.0, 0.1, 0.0, 0.0, 0.001},
        {2.0, 0.05, -0.1, 0.2, 0.01, -0.02, 0.003},
        {-1.0, 0.3, 0.3, 0.3, 1.0, 1.0, 1.0},  // a negative mass adds nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mass);
        s.AddMass = c.mass;
        s.AddOffsetX = c.dx;
        s.AddOffsetY = c.dy;
        s.AddOffsetZ = c.dz;
        s.AddIxx = c.ixx;
        s.AddIyy = c.iyy;
        s.AddIzz = c.izz;
        double m = 0, i1 = 0, i2 = 0, i3 = 0;
        ASSERT_TRUE(model.GetSegmentInertia(0, &m, &i1, &i2, &i3, -1));
        // A point mass at (dx, dy, dz) adds m (dy^2 + dz^2) about x, and so on.
        const double am = c.mass > 0 ? c.mass : 0.0;
        const double k = c.mass > 0 ? 1.0 : 0.0;
        EXPECT_NEAR(m, 5.0 + am, 1e-12);
        EXPECT_NEAR(i1, 0.1 + k * (std::fabs(c.ixx) + am * (c.dy * c.dy + c.dz * c.dz)), 1e-12);
        EXPECT_NEAR(i2, 0.2 + k * (std::fabs(c.iyy) + am * (c.dx * c.dx + c.dz * c.dz)), 1e-12);
        EXPECT_NEAR(i3, 0.03 + k * (std::fabs(c.izz) + am * (c.dx * c.dx + c.dy * c.dy)), 1e-12);
    }
}

TEST(SegmentInertia, RefusesWithoutMatchingKinematics) {
    TBiomecaModel model;
    double m = 0;
    EXPECT_FALSE(model.GetSegmentInertia(0, &m, nullptr, nullptr, nullptr, -1));  // no table
    OneSegment(model, 0.4, 0.05);
    EXPECT_TRUE(model.GetSegmentInertia(0, &m, nullptr, nullptr, nullptr, -1));
    EXPECT_FALSE(model.GetSegmentInertia(1, &m, nullptr, nullptr, nullptr, -1));   // the whole body
    EXPECT_FALSE(model.GetSegmentInertia(-1, &m, nullptr, nullptr, nullptr, -1));
    model.KinematicsDone = false;
    EXPECT_FALSE(model.GetSegmentInertia(0, &m, nullptr, nullptr, nullptr, -1));
    model.KinematicsDone = true;
    model.SegmentCount = 2;  // table rows no longer match
    EXPECT_FALSE(model.GetSegmentInertia(0, &m, nullptr, nullptr, nullptr, -1));
    model.SegmentCount = 1;
    model.IsRadius = true;
    EXPECT_TRUE(model.GetSegmentInertia(0, &m, nullptr, nullptr, nullptr, 1000));  // past the table: length 0
}

TEST(BodyModelRecords, EveryItemHasItsOwnNumber) {
    TBiomecaModel model;
    for (int segments : {0, 1, 7}) {
        SCOPED_TRACE(segments);
        model.SegmentCount = segments;
        std::vector<int> items;
        for (int s = 0; s < segments; ++s) items.push_back(s);
        items.push_back(model.CentreOfMassItem());
        for (int j = 0; j < 5; ++j) items.push_back(model.JointItem(j));
        std::sort(items.begin(), items.end());
        EXPECT_EQ(std::adjacent_find(items.begin(), items.end()), items.end());
        EXPECT_EQ(model.CentreOfMassItem(), segments);
    }
}

}  // namespace

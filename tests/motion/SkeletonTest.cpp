// Skeleton and recorded motion: the quaternion helpers, interpolation and the motion's time
// line, rotation orders against matrix products, the drawing scale and the POV-Ray text.
#include "motion/Joint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "motion/RecordedMotion.h"
#include "motion/SkeletonMath.h"
#include "support/BvhReference.h"
#include "support/TestSupport.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

Quaternion Q(double x, double y, double z, double w) {
    Quaternion q;
    q.x = x;
    q.y = y;
    q.z = z;
    q.w = w;
    return q;
}

void ExpectQuaternion(const Quaternion& q, double x, double y, double z, double w, double tol = 1e-12) {
    EXPECT_NEAR(q.x, x, tol);
    EXPECT_NEAR(q.y, y, tol);
    EXPECT_NEAR(q.z, z, tol);
    EXPECT_NEAR(q.w, w, tol);
}

// Rotation matrix of a quaternion by rotating the three unit vectors.
testsupport::RefMatrix MatrixOf(const Quaternion& q) {
    testsupport::RefMatrix m = testsupport::RefIdentity();
    for (int c = 0; c < 3; ++c) {
        Point3D e;
        e[c] = 1;
        const Point3D r = RotateByQuaternion(e, q);
        for (int row = 0; row < 3; ++row) m[4 * row + c] = r[row];
    }
    return m;
}

TEST(SkeletonMath, QuaternionHelpers) {
    ExpectQuaternion(AxisAngleToQuaternion(Point3D(0, 0, 0), 1.0), 0, 0, 0, 1);
    // The axis need not be unit length.
    ExpectQuaternion(AxisAngleToQuaternion(Point3D(0, 2, 0), kPi / 2), 0, std::sqrt(0.5), 0, std::sqrt(0.5));
    const Point3D v = RotateByQuaternion(Point3D(1, 0, 0), AxisAngleToQuaternion(Point3D(0, 0, 1), kPi / 2));
    EXPECT_NEAR(v.x, 0, 1e-15);
    EXPECT_NEAR(v.y, 1, 1e-15);
    // p q applies q first: a quarter turn about X then one about Z takes Y to Z... then stays.
    const Quaternion qx = AxisAngleToQuaternion(Point3D(1, 0, 0), kPi / 2);
    const Quaternion qz = AxisAngleToQuaternion(Point3D(0, 0, 1), kPi / 2);
    const Point3D w = RotateByQuaternion(Point3D(0, 1, 0), QuaternionProduct(qz, qx));
    EXPECT_NEAR(w.z, 1, 1e-15);

    EXPECT_FALSE(PointsDiffer(Point3D(1, 2, 3), Point3D(1, 2, 3 + 0.9e-4)));
    EXPECT_TRUE(PointsDiffer(Point3D(1, 2, 3), Point3D(1, 2, 3 + 1.1e-4)));

    double length = 0, pitch = 0, yaw = 0;
    DirectionAngles(Point3D(0, 2, 0), &length, &pitch, &yaw);
    EXPECT_EQ(length, 2);
    EXPECT_DOUBLE_EQ(pitch, -kPi / 2);
    EXPECT_EQ(yaw, 0);
    // Every direction: +Z turned by yaw about Y after pitch about X points along d.
    for (const Point3D& d : {Point3D(1, 2, 3), Point3D(-1, -0.5, -2), Point3D(3, 0, -0.1), Point3D(0, -1, 0)}) {
        DirectionAngles(d, &length, &pitch, &yaw);
        const Point3D along(std::cos(pitch) * std::sin(yaw), -std::sin(pitch), std::cos(pitch) * std::cos(yaw));
        EXPECT_NEAR(along.x * length, d.x, 1e-12);
        EXPECT_NEAR(along.y * length, d.y, 1e-12);
        EXPECT_NEAR(along.z * length, d.z, 1e-12);
    }
}

TEST(SkeletonMath, SlerpAndEulerEdges) {
    const Quaternion a = AxisAngleToQuaternion(Point3D(0, 0, 1), 0.2);
    const Quaternion b = AxisAngleToQuaternion(Point3D(0, 0, 1), 1.4);
    // Far apart: the rotation angle blends evenly.
    const Quaternion mid = QuaternionSlerp(a, b, 0.25);
    ExpectQuaternion(mid, 0, 0, std::sin(0.25), std::cos(0.25));
    // q and -q are one rotation: the sign is folded in.
    const Quaternion minusA = Q(-a.x, -a.y, -a.z, -a.w);
    for (double t : {0.0, 0.3, 1.0}) ExpectQuaternion(QuaternionSlerp(a, minusA, t), a.x, a.y, a.z, a.w);
    // Nearly equal rotations blend linearly and may come out a little short of unit length.
    const Quaternion c = Q(0, 0, std::sin(0.3), std::cos(0.3));
    const Quaternion lin = QuaternionSlerp(Q(0, 0, 0, 1), c, 0.5);
    ExpectQuaternion(lin, 0, 0, 0.5 * c.z, 0.5 * (1 + c.w));

    double e[3];
    QuaternionToEuler(Q(0, 0, 0, 1), e);
    EXPECT_EQ(e[0], 0);
    EXPECT_EQ(e[1], 0);
    EXPECT_EQ(e[2], 0);
    QuaternionToEuler(Q(0, std::sqrt(0.5), 0, std::sqrt(0.5)), e);
    EXPECT_DOUBLE_EQ(e[1], kPi / 2);
    EXPECT_EQ(e[2], 0);
    // Away from the poles the three angles rebuild the rotation as Rz Ry Rx.
    const Quaternion q = QuaternionProduct(
        QuaternionProduct(AxisAngleToQuaternion(Point3D(0, 0, 1), 1.1), AxisAngleToQuaternion(Point3D(0, 1, 0), -0.7)),
        AxisAngleToQuaternion(Point3D(1, 0, 0), 0.3));
    QuaternionToEuler(q, e);
    EXPECT_NEAR(e[0], 0.3, 1e-12);
    EXPECT_NEAR(e[1], -0.7, 1e-12);
    EXPECT_NEAR(e[2], 1.1, 1e-12);
}

TEST(RecordedMotion, InterpolationAndTimeLine) {
    const double x[5] = {0, 10, 20, 30, 40}, zero[5] = {0, 0, 0, 0, 0};
    TranslationalTriDOF line("A.position", 5, x, zero, zero);
    EXPECT_NEAR(line.Interpolate(0.6).x, 24, 1e-12);  // 0.4 of the way from sample 2 to 3
    EXPECT_EQ(line.Interpolate(1.0).x, 40);
    EXPECT_EQ(line.Interpolate(-0.5).x, 0);
    EXPECT_EQ(line.Interpolate(std::nan("")).x, 0);

    std::vector<std::unique_ptr<TriDOF>> groups;
    groups.push_back(std::make_unique<TranslationalTriDOF>("A.position", 5, x, zero, zero));
    const RecordedMotion motion("m", 0.4, std::move(groups));
    // The last frame's time is the end of the motion: it shows the last sample, also when the
    // time is formed as frame x period; later times loop round.
    const struct {
        double t;
        double expected;
    } times[] = {{0, 0}, {0.1, 0.25}, {4 * 0.1, 1}, {0.4, 1}, {0.8, 1}, {0.6, 0.5}, {0.44, 0.1}, {-0.1, 0.75}};
    for (const auto& c : times) {
        SCOPED_TRACE(c.t);
        EXPECT_NEAR(motion.NormalisedTime(c.t), c.expected, 1e-12);
    }
    EXPECT_EQ(motion.EvalTranslation(0, motion.NormalisedTime(0.4)).x, 40);
    const RecordedMotion still("still", 0, {});
    EXPECT_EQ(still.NormalisedTime(5), 0);

    EXPECT_EQ(motion.GetTriDOF(1), nullptr);
    EXPECT_EQ(motion.GetTriDOF(-1), nullptr);
    try {
        motion.EvalRotation(0, 0);
        ADD_FAILURE() << "no exception";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Evaluating 0-th triDOF in recorded motion m with 1 triDOFs.");
    }
    try {
        TranslationalTriDOF none("B.position", 0, x, x, x);
        ADD_FAILURE() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "Creating \"B.position\" TranslationalTriDOF with no samples (# of samples = 0)");
    }
    RotationalTriDOF one("C.rotation", 1, x, x, x, kBvhXYZ);
    EXPECT_THROW(one.GetSample(1), std::out_of_range);
}

TEST(RecordedMotion, EveryRotationOrderComposesInListedOrder) {
    const char* axes[6][3] = {{"X", "Y", "Z"}, {"X", "Z", "Y"}, {"Y", "Z", "X"},
                              {"Y", "X", "Z"}, {"Z", "X", "Y"}, {"Z", "Y", "X"}};
    const double listed[3] = {25, -40, 70};  // the angles in the order the channels are listed
    for (int order = 0; order < 6; ++order) {
        SCOPED_TRACE(order);
        double byAxis[3] = {0, 0, 0};
        testsupport::RefMatrix expected = testsupport::RefIdentity();
        for (int i = 0; i < 3; ++i) {
            const int axis = axes[order][i][0] - 'X';
            byAxis[axis] = listed[i];
            expected = testsupport::RefMultiply(expected, testsupport::RefRotation(axis, listed[i]));
        }
        const RotationalTriDOF group("J.rotation", 1, &byAxis[0], &byAxis[1], &byAxis[2], order);
        const testsupport::RefMatrix got = MatrixOf(group.GetSample(0));
        for (int k = 0; k < 16; ++k) EXPECT_NEAR(got[k], expected[k], 1e-12) << k;
    }
}

// Groups reading a shared frame-by-frame table: each picks its own columns, and the rotation
// made from the table on demand is the one made from the same angles given as arrays.
TEST(RecordedMotion, GroupsShareOneTable) {
    // Two frames of: position x y z, then angles listed Z, X, Y.
    const auto table = std::make_shared<std::vector<double>>(
        std::vector<double>{1, 2, 3, 70, 25, -40, 4, 5, 6, -10, 5, 80});
    const int position[3] = {0, 1, 2}, angles[3] = {4, 5, 3};
    const TranslationalTriDOF move("R.position", table, 6, position);
    const RotationalTriDOF turn("R.rotation", table, 6, angles, kBvhZXY);
    EXPECT_EQ(move.GetSampleCount(), 2);
    EXPECT_EQ(turn.GetSampleCount(), 2);
    EXPECT_EQ(move.Interpolate(1).y, 5);
    EXPECT_EQ(move.Interpolate(0.5).z, 4.5);
    const double x[2] = {25, 5}, y[2] = {-40, 80}, z[2] = {70, -10};
    const RotationalTriDOF own("R.rotation", 2, x, y, z, kBvhZXY);
    for (int i : {1, 0, 1}) {
        SCOPED_TRACE(i);
        const Quaternion a = turn.GetSample(i), b = own.GetSample(i);
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
        EXPECT_EQ(a.z, b.z);
        EXPECT_EQ(a.w, b.w);
    }
    const Quaternion half = turn.Interpolate(0.5), ownHalf = own.Interpolate(0.5);
    EXPECT_EQ(half.w, ownHalf.w);

    // Tables that cannot hold the group.
    const int outside[3] = {0, 1, 6}, negative[3] = {-1, 1, 2};
    const auto ragged = std::make_shared<std::vector<double>>(std::vector<double>(7, 0.0));
    const auto empty = std::make_shared<std::vector<double>>();
    EXPECT_THROW(TranslationalTriDOF("A", table, 6, outside), std::invalid_argument);
    EXPECT_THROW(RotationalTriDOF("A", table, 6, negative, kBvhXYZ), std::invalid_argument);
    EXPECT_THROW(TranslationalTriDOF("A", ragged, 6, position), std::invalid_argument);
    EXPECT_THROW(TranslationalTriDOF("A", table, 0, position), std::invalid_argument);
    EXPECT_THROW(RotationalTriDOF("A", nullptr, 6, position, kBvhXYZ), std::invalid_argument);
    try {
        RotationalTriDOF("B.rotation", empty, 3, position, kBvhXYZ);
        ADD_FAILURE() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "Creating \"B.rotation\" RotationalTriDOF with no samples (# of samples = 0)");
    }
}

TEST(Joint, ScaleAndPovRayExport) {
    EXPECT_DOUBLE_EQ(Joint::ScaleFromSettings(10, true), 3.9525691699604746);
    EXPECT_EQ(Joint::ScaleFromSettings(10, false), 10);
    const double scale = Joint::ScaleFromSettings(10, true);
    EXPECT_NEAR(25.3 / scale, 6.4009, 1e-12);

    // Root, a joint on the root (no bone), a joint with a child, and an end site.
    auto root = std::make_unique<Joint>("R", Point3D(0, 0, 0), Quaternion(), -1, -1, scale);
    auto onRoot = std::make_unique<Joint>("S", Point3D(0, 0, 0), Quaternion(), -1, -1, scale);
    auto arm = std::make_unique<Joint>("A", Point3D(1.5, 0, 0), Quaternion(), -1, -1, scale);
    arm->AddChild(std::make_unique<Joint>("A-EF", Point3D(0, 2, 0), Quaternion(), -1, -1, scale));
    onRoot->AddChild(std::move(arm));
    root->AddChild(std::move(onRoot));
    EXPECT_DOUBLE_EQ(root->GetBoneRadius(), 0.5 / scale);
    EXPECT_DOUBLE_EQ(root->GetJointRadius(), 1 / scale);
    const RecordedMotion motion("m", 1, {});
    root->UpdatePose(motion, 0, Point3D(0, 0, 0.25), Quaternion());
    testsupport::CommaLocale comma;
    std::ostringstream out;
    out.imbue(std::locale(""));
    root->ExportPovRay(out);
    EXPECT_EQ(out.str(),
              "cylinder { <0, 0, 0.25>, <1.5, 0, 0.25>, th, 1 }\n"
              "sphere { <1.5, 0, 0.25>, th, jnt }\n"
              "cylinder { <1.5, 0, 0.25>, <1.5, 2, 0.25>, th, 1 }\n");
}

}  // namespace

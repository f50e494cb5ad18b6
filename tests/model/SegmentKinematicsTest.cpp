// Segment kinematics against synthetic recordings whose segments move by known rigid motions.
// The motions are built here from plain rotation matrices, independently of the geometry code.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "model/SyntheticMotion.h"
#include "model/SignalFilter.h"
#include "model/TBiomecaModel.h"
#include "motion/LabelledItem.h"
#include "motion/TDataFile.h"
#include "motion/geometry.h"

namespace {

using namespace synthetic;

const double kNaN = std::numeric_limits<double>::quiet_NaN();

double K(const TBiomecaModel& m, int segment, int row, int frame) {
    return m.Kinematics->GetValue(kKinematicsRows * segment + row, frame);
}

TEST(SegmentKinematics, RigidMotionGivesBackCentreLengthAndOrientation) {
    ToleranceGuard guard;
    // Turns about z through more than a full turn (unwrapping), with tilts and a translation.
    auto angles = [](double t) { return Vec{0.3 * std::sin(2 * t), 0.2 * std::cos(3 * t), 4.0 * t - 1.0}; };
    Body body{kTriad, [&](double t) {
                  const Vec a = angles(t);
                  return Pose{Cardan(a[0], a[1], a[2]), Vec{0.5 * t, 1.0 - 0.2 * t, 0.9 + 0.05 * std::sin(t)}};
              }};
    const int frames = 200;
    auto data = Record({body}, frames, 100.0f);
    TBiomecaModel model;
    model.IsLabel = false;
    model.SegmentCount = 1;
    UseMarkers(*model.Segments[0], 1, 2, 3);
    model.Segments[0]->CG = 0.25;
    model.Segments[0]->Mass = 0.5;
    double ratio = model.TotalMass;
    model.Kinematics = model.ComputeKinematics(data.get(), ratio, true, false, 6.0, -9.805, 0, frames - 1, nullptr,
                                               0.0, 1e-5, true, true, false);
    ASSERT_TRUE(model.Kinematics);
    EXPECT_TRUE(model.KinematicsDone);
    EXPECT_EQ(gGeometryTolerance, 1e-5);
    EXPECT_EQ(model.Kinematics->GetRows(), 32);
    EXPECT_EQ(model.SampleRate, 100.0);
    EXPECT_DOUBLE_EQ(ratio, 0.5);
    EXPECT_DOUBLE_EQ(model.SegmentMassSum, 35.0);
    for (int f = 0; f < frames; ++f) {  // the last frame of the range included
        SCOPED_TRACE(f);
        const Pose pose = body.pose(f / 100.0);
        const Vec com = Apply(pose.rotation, Vec{0, 0, 0.1});
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(K(model, 0, c, f), com[c] + pose.origin[c], 1e-9);
            // Whole body: the one segment's centre.
            EXPECT_NEAR(K(model, 1, c, f), com[c] + pose.origin[c], 1e-9);
        }
        EXPECT_NEAR(K(model, 0, 6, f), 0.4, 1e-12);
        const Vec a = angles(f / 100.0);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(K(model, 0, 3 + c, f), a[c], 1e-9);
        // The quaternion maps the segment axes onto the laboratory.
        double q[4];
        for (int c = 0; c < 4; ++c) q[c] = K(model, 0, 12 + c, f);
        for (int axis = 0; axis < 3; ++axis) {
            Vec e{};
            e[axis] = 1.0;
            const Vec got = RotateByQuaternion(q, e);
            const Vec want = Apply(pose.rotation, e);
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], want[c], 1e-9);
        }
        // Axis and angle describe the same rotation: cos(angle / 2) = |w|.
        EXPECT_NEAR(std::cos(K(model, 0, 11, f) / 2.0), q[0], 1e-9);
    }
}

TEST(SegmentKinematics, GapsAreBridgedByTheFilling) {
    ToleranceGuard guard;
    auto angles = [](double t) { return Vec{0.4 * std::sin(t), 0.1 + 0.3 * t, 3.0 * t}; };
    Body body{kTriad, [&](double t) {
                  const Vec a = angles(t);
                  return Pose{Cardan(a[0], a[1], a[2]), Vec{0.3 * t, 0.1 * std::cos(t), 1.0}};
              }};
    const int frames = 200;
    auto data = Record({body}, frames, 100.0f);
    // P2 gone in 95-100 (around the z turn passing pi), P3 in 150-153.
    Remove(*data, 2, 95, 100);
    Remove(*data, 3, 150, 153);
    TBiomecaModel model;
    model.IsLabel = false;
    model.SegmentCount = 1;
    UseMarkers(*model.Segments[0], 1, 2, 3);
    double ratio = 70.0;
    model.Kinematics = model.ComputeKinematics(data.get(), ratio, true, false, 6.0, -9.805, 0, frames - 1, nullptr,
                                               0.0, 1e-5, true, true, false);
    ASSERT_TRUE(model.Kinematics);
    for (int f : {94, 95, 97, 100, 101, 150, 152, 153}) {
        SCOPED_TRACE(f);
        const Pose pose = body.pose(f / 100.0);
        const Vec com = Apply(pose.rotation, Vec{0, 0, 0.2});
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(K(model, 0, c, f), com[c] + pose.origin[c], 1e-5);
        EXPECT_NEAR(K(model, 0, 6, f), 0.4, 1e-5);
        const Vec a = angles(f / 100.0);
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(K(model, 0, 3 + c, f), a[c], 1e-4);
        double q[4];
        for (int c = 0; c < 4; ++c) q[c] = K(model, 0, 12 + c, f);
        const Vec z = RotateByQuaternion(q, Vec{0, 0, 1});
        const Vec want = Apply(pose.rotation, Vec{0, 0, 1});
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(z[c], want[c], 1e-3);
    }
}

TEST(SegmentKinematics, GapLimitIsATenthOfTheFrames) {
    ToleranceGuard guard;
    Body body{kTriad, [](double t) { return Pose{Cardan(0.1, 0.2, 0.3), Vec{0.2 + t, 0.5, 1.0}}; }};
    for (int missing : {10, 11}) {
        SCOPED_TRACE(missing);
        auto data = Record({body}, 100, 50.0f);
        Remove(*data, 2, 40, 40 + missing - 1);
        TBiomecaModel model;
        model.IsLabel = false;
        model.SegmentCount = 1;
        UseMarkers(*model.Segments[0], 1, 2, 3);
        double ratio = 70.0;
        model.Kinematics = model.ComputeKinematics(data.get(), ratio, true, false, 6.0, -9.805, 0, 99, nullptr, 0.0,
                                                   1e-5, true, true, false);
        ASSERT_TRUE(model.Kinematics);
        const double offset = Apply(Cardan(0.1, 0.2, 0.3), Vec{0, 0, 0.2})[0];
        for (int f = 40; f < 40 + missing; ++f) {
            if (missing == 10)
                EXPECT_NEAR(K(model, 0, 0, f), offset + 0.2 + f / 50.0, 1e-9);
            else
                EXPECT_EQ(K(model, 0, 0, f), 0.0);
        }
    }
}

TEST(SegmentKinematics, OneAndTwoMarkerSegments) {
    ToleranceGuard guard;
    Body body{kTriad, [](double t) { return Pose{Cardan(0.5, -0.4, 1.0 + t), Vec{0.1, 0.2, 0.3 + t}}; }};
    auto data = Record({body}, 50, 50.0f);
    TBiomecaModel model;
    model.IsLabel = false;
    model.SegmentCount = 2;
    UseMarkers(*model.Segments[0], 2, 2, 3);  // one marker
    UseMarkers(*model.Segments[1], 1, 2, 1);  // two markers
    LabelledItemList warnings;
    ASSERT_TRUE(model.ComputeSegments(data.get(), 0, 49, &warnings));
    for (int f = 0; f < 50; ++f) {
        SCOPED_TRACE(f);
        const Pose pose = body.pose(f / 50.0);
        const Vec p2 = Apply(pose.rotation, Vec{0, 0, 0.4});
        // No cut-off, no filtering: the one-marker centre is the marker.
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(K(model, 0, c, f), p2[c] + pose.origin[c], 1e-6);
        EXPECT_EQ(K(model, 0, 6, f), 0.02);
        EXPECT_EQ(K(model, 0, 7, f), 0.02);
        for (int r = 3; r < 16; ++r) {
            if (r != 6 && r != 7) {
                EXPECT_EQ(K(model, 0, r, f), 0.0);
            }
        }
        // Two markers: the third angle is 0 and the first two point the z axis along P1 -> P2.
        EXPECT_EQ(K(model, 1, 5, f), 0.0);
        const Vec axis = Apply(Cardan(K(model, 1, 3, f), K(model, 1, 4, f), 0.0), Vec{0, 0, 1});
        const Vec want = Apply(pose.rotation, Vec{0, 0, 1});
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(axis[c], want[c], 1e-9);
    }
    ASSERT_EQ(warnings.count, 1);
    EXPECT_STREQ(warnings.GetItem(0)->name, "Segment 2 : 2 markers only");
    EXPECT_EQ(warnings.GetItem(0)->id, 0);
    EXPECT_EQ(warnings.GetItem(0)->value, -1);
}

TEST(SegmentKinematics, MarkersFoundByLabel) {
    ToleranceGuard guard;
    Body body{kTriad, [](double t) { return Pose{Cardan(0.0, 0.0, t), Vec{0, 0, 1}}; }};
    auto data = Record({body}, 20, 50.0f);
    TBiomecaModel model;
    model.SegmentCount = 1;
    BodySegment& s = *model.Segments[0];
    UseMarkers(s, 3, 3, 3);
    std::snprintf(s.Name1, sizeof s.Name1, "m1");
    std::snprintf(s.Name2, sizeof s.Name2, " M2 ");
    std::snprintf(s.Name3, sizeof s.Name3, "nowhere");  // not found: P3 becomes P1
    LabelledItemList warnings;
    ASSERT_TRUE(model.ComputeSegments(data.get(), 0, 19, &warnings));
    EXPECT_NEAR(K(model, 0, 6, 10), 0.4, 1e-9);
    ASSERT_EQ(warnings.count, 1);
    EXPECT_STREQ(warnings.GetItem(0)->name, "Segment 1 : 2 markers only");
}

TEST(SegmentKinematics, WholeBodyCentreWithAMissingSegment) {
    ToleranceGuard guard;
    Body a{kTriad, [](double t) { return Pose{Cardan(0, 0, 0), Vec{0.1 * t, 0, 1}}; }};
    Body b{kTriad, [](double t) { return Pose{Cardan(0.2, 0, 0), Vec{1, 0.2 * t, 0.5}}; }};
    for (bool checkcom : {true, false}) {
        SCOPED_TRACE(checkcom);
        auto data = Record({a, b}, 40, 50.0f);
        Remove(*data, 5, 10, 12);  // segment 2's P2
        TBiomecaModel model;
        model.IsLabel = false;
        model.checkcom = checkcom;
        model.SegmentCount = 2;
        UseMarkers(*model.Segments[0], 1, 2, 3);
        UseMarkers(*model.Segments[1], 4, 5, 6);
        model.Segments[0]->Mass = 0.3;
        model.Segments[1]->Mass = 0.1;
        double ratio = 70.0;
        model.Kinematics = model.ComputeKinematics(data.get(), ratio, true, false, 6.0, -9.805, 0, 39, nullptr, 0.0,
                                                   1e-5, false, false, false);
        ASSERT_TRUE(model.Kinematics);
        EXPECT_DOUBLE_EQ(ratio, 0.4);
        for (int f : {9, 10, 12, 13}) {
            SCOPED_TRACE(f);
            const Vec ca = {0.1 * f / 50.0, 0, 1.2};
            const Pose pb = b.pose(f / 50.0);
            const Vec rb = Apply(pb.rotation, Vec{0, 0, 0.2});
            const Vec cb = {rb[0] + pb.origin[0], rb[1] + pb.origin[1], rb[2] + pb.origin[2]};
            const bool gone = f >= 10 && f <= 12;
            for (int c = 0; c < 3; ++c) {
                const double whole = K(model, 2, c, f);
                if (!gone)
                    EXPECT_NEAR(whole, (0.3 * ca[c] + 0.1 * cb[c]) / 0.4, 1e-12);
                else if (checkcom)
                    EXPECT_EQ(whole, 0.0);
                else  // the segments present, weighted among themselves
                    EXPECT_NEAR(whole, ca[c], 1e-12);
            }
        }
    }
}

TEST(SegmentKinematics, WholeBodyWithoutBodyMassSumsTheShares) {
    ToleranceGuard guard;
    Body a{kTriad, [](double) { return Pose{Cardan(0, 0, 0), Vec{1, 2, 3}}; }};
    auto data = Record({a}, 10, 50.0f);
    TBiomecaModel model;
    model.IsLabel = false;
    model.TotalMass = 0.0;
    model.SegmentCount = 1;
    UseMarkers(*model.Segments[0], 1, 2, 3);
    model.Segments[0]->Mass = 0.25;
    double ratio = 0.0;
    model.Kinematics = model.ComputeKinematics(data.get(), ratio, true, false, 6.0, -9.805, 0, 9, nullptr, 0.0, 1e-5,
                                               false, false, false);
    ASSERT_TRUE(model.Kinematics);
    EXPECT_EQ(ratio, 1.0);
    EXPECT_NEAR(K(model, 1, 2, 5), 0.25 * 3.2, 1e-12);
}

TEST(SegmentKinematics, ValidFramesAndComputedRange) {
    ToleranceGuard guard;
    Body a{kTriad, [](double t) { return Pose{Cardan(0.1, 0.2, 0.3), Vec{t, 0, 1}}; }};
    auto data = Record({a}, 100, 100.0f);
    Remove(*data, 1, 0, 9);
    Remove(*data, 2, 90, 99);
    Remove(*data, 3, 0, 50);  // P3 is not looked at
    TBiomecaModel model;
    model.IsLabel = false;
    model.SegmentCount = 1;
    UseMarkers(*model.Segments[0], 1, 2, 3);
    EXPECT_EQ(model.FindFirstValidFrame(data.get()), 10);
    EXPECT_EQ(model.FindLastValidFrame(data.get()), 89);
    // Markers outside the recording are looked up as marker 1.
    model.SegmentCount = 2;
    UseMarkers(*model.Segments[1], 7, 8, 9);  // outside the recording: marker 1 is used
    EXPECT_EQ(model.FindFirstValidFrame(data.get()), 10);
    model.SegmentCount = 1;

    // Frames outside the range stay 0; both ends of the range are computed.
    Remove(*data, 3, 0, 99);
    auto full = Record({a}, 100, 100.0f);
    double ratio = 70.0;
    model.Kinematics = model.ComputeKinematics(full.get(), ratio, true, false, 6.0, -9.805, 60, 20, nullptr, 0.0, 1e-5,
                                               false, false, false);
    ASSERT_TRUE(model.Kinematics);
    EXPECT_EQ(model.FirstFrame, 20);
    EXPECT_EQ(model.LastFrame, 60);
    EXPECT_EQ(K(model, 0, 6, 19), 0.0);
    EXPECT_NEAR(K(model, 0, 6, 20), 0.4, 1e-12);
    EXPECT_NEAR(K(model, 0, 6, 60), 0.4, 1e-12);
    EXPECT_EQ(K(model, 0, 6, 61), 0.0);
    // A range past the recording ends at its last frame.
    model.Kinematics = model.ComputeKinematics(full.get(), ratio, true, false, 6.0, -9.805, 0, 500, nullptr, 0.0, 1e-5,
                                               false, false, false);
    EXPECT_EQ(model.LastFrame, 99);
    EXPECT_NEAR(K(model, 0, 6, 99), 0.4, 1e-12);
}

TEST(SegmentKinematics, UnwrapsJumpsAboveTwoAndAHalfRadians) {
    ToleranceGuard guard;
    struct Case {
        double before, after, expected;
    };
    const Case cases[] = {
        {3.0, -3.0, -3.0 + 2 * kPi},
        {-3.0, 3.0, 3.0 - 2 * kPi},
        {0.1, 2.5, 2.5},  // a jump of 2.4 stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        Body a{kTriad, [&](double t) { return Pose{Cardan(0.0, 0.0, t < 0.5 ? c.before : c.after), Vec{0, 0, 1}}; }};
        auto data = Record({a}, 50, 50.0f);
        TBiomecaModel model;
        model.IsLabel = false;
        model.SegmentCount = 1;
        UseMarkers(*model.Segments[0], 1, 2, 3);
        double ratio = 70.0;
        model.Kinematics = model.ComputeKinematics(data.get(), ratio, true, false, 6.0, -9.805, 0, 49, nullptr, 0.0,
                                                   1e-5, true, false, false);
        ASSERT_TRUE(model.Kinematics);
        EXPECT_NEAR(K(model, 0, 5, 24), c.before, 1e-9);
        EXPECT_NEAR(K(model, 0, 5, 25), c.expected, 1e-9);
        EXPECT_NEAR(K(model, 0, 5, 49), c.expected, 1e-9);
    }
}

TEST(SegmentKinematics, HanavanParametersReplaceTheRecords) {
    ToleranceGuard guard;
    Body a{kTriad, [](double) { return Pose{Cardan(0, 0, 0), Vec{0, 0, 1}}; }};
    auto data = Record({a}, 10, 50.0f);
    for (bool withList : {true, false}) {
        SCOPED_TRACE(withList);
        TBiomecaModel model;
        model.IsLabel = false;
        model.Type = 4;
        model.SegmentCount = 1;
        BodySegment& s = *model.Segments[0];
        UseMarkers(s, 1, 2, 3);
        s.ModelSegment = 4;
        s.R1 = 0.03;
        if (withList) {
            model.HanavanData.assign(41, 0.3);
            model.HanavanData[40] = 62.0;
            model.HanavanSize = 41;
        }
        ASSERT_TRUE(model.ComputeSegments(data.get(), 0, 9, nullptr));
        if (withList) {
            EXPECT_EQ(model.TotalMass, 62.0);
            // A cylinder of radius 0.3 / 2 pi and length 0.3.
            const double r = 0.3 / (2 * kPi);
            EXPECT_NEAR(s.Mass * 62.0, 1000.0 / 1.26 * kPi * r * r * 0.3, 1e-9);
            EXPECT_NEAR(s.R1, r, 1e-12);
            EXPECT_NEAR(K(model, 0, 7, 5), r, 1e-9);  // the radius as it stands
        } else {
            EXPECT_EQ(model.TotalMass, 70.0);
            EXPECT_EQ(s.Mass, 0.1);
            EXPECT_NEAR(K(model, 0, 7, 5), 0.03, 1e-9);  // R1 read as metres
        }
    }
}

TEST(SegmentKinematics, RadiusRatioBecomesMetres) {
    ToleranceGuard guard;
    Body a{kTriad, [](double) { return Pose{Cardan(0, 0, 0), Vec{0, 0, 1}}; }};
    auto data = Record({a}, 10, 50.0f);
    TBiomecaModel model;
    model.IsLabel = false;
    model.SegmentCount = 1;
    UseMarkers(*model.Segments[0], 1, 2, 3);
    model.Segments[0]->R1 = 0.25;
    ASSERT_TRUE(model.ComputeSegments(data.get(), 0, 9, nullptr));
    EXPECT_NEAR(K(model, 0, 7, 3), 0.1, 1e-9);
    EXPECT_NEAR(model.Segments[0]->R1, 0.1, 1e-9);
    EXPECT_NEAR(model.Segments[0]->R2, 0.1, 1e-9);
    EXPECT_NEAR(model.Segments[0]->Long, 0.4, 1e-9);
}

TEST(SegmentKinematics, FilteringKeepsAStraightLineMotion) {
    ToleranceGuard guard;
    Body a{kTriad, [](double t) { return Pose{Cardan(0.2, 0.1, 0.3 + 0.5 * t), Vec{1.5 * t, 0.2, 1.0 - 0.4 * t}}; }};
    auto data = Record({a}, 300, 100.0f);
    TBiomecaModel model;
    model.IsLabel = false;
    model.Coupure = 6.0;
    model.SegmentCount = 1;
    UseMarkers(*model.Segments[0], 1, 2, 3);
    model.Segments[0]->CG = 0.0;
    ASSERT_TRUE(model.ComputeSegments(data.get(), 0, 299, nullptr));
    for (int f = 50; f < 250; f += 10) {
        SCOPED_TRACE(f);
        EXPECT_NEAR(K(model, 0, 0, f), 1.5 * f / 100.0, 1e-6);
        EXPECT_NEAR(K(model, 0, 2, f), 1.0 - 0.4 * f / 100.0, 1e-6);
        EXPECT_NEAR(K(model, 0, 5, f), 0.3 + 0.5 * f / 100.0, 1e-6);
    }
}

TEST(SegmentKinematics, PlanarRecording) {
    ToleranceGuard guard;
    const int frames = 60;
    TDataFile data(2, frames, 50.0f, 0, 1, 3);
    delete data.points;
    data.points = new Matrix2D(4, frames);
    data.dimension = 2;
    auto phi = [](int f) { return -2.0 + 0.06 * f; };  // crosses 0: the sign follows dx
    for (int f = 0; f < frames; ++f) {
        data.points->SetValue(0, f, 100.0 + f);
        data.points->SetValue(1, f, 200.0);
        data.points->SetValue(2, f, 100.0 + f + 500.0 * std::sin(phi(f)));
        data.points->SetValue(3, f, 200.0 + 500.0 * std::cos(phi(f)));
    }
    TBiomecaModel model;
    model.IsLabel = false;
    model.SegmentCount = 2;
    UseMarkers(*model.Segments[0], 1, 2, 1);
    UseMarkers(*model.Segments[1], 1, 1, 1);
    model.Segments[0]->CG = 0.5;
    double ratio = 70.0;
    model.Kinematics = model.ComputeKinematics(&data, ratio, true, false, 6.0, -9.805, 0, frames - 1, nullptr, 0.0,
                                               1e-5, true, true, false);
    ASSERT_TRUE(model.Kinematics);
    for (int f = 0; f < frames; ++f) {
        SCOPED_TRACE(f);
        EXPECT_NEAR(K(model, 0, 0, f), 0.1 + f / 1000.0 + 0.25 * std::sin(phi(f)), 1e-12);
        EXPECT_EQ(K(model, 0, 1, f), 0.0);
        EXPECT_NEAR(K(model, 0, 2, f), 0.2 + 0.25 * std::cos(phi(f)), 1e-12);
        EXPECT_NEAR(K(model, 0, 6, f), 0.5, 1e-12);
        EXPECT_NEAR(K(model, 0, 7, f), 0.05, 1e-12);
        EXPECT_NEAR(K(model, 0, 4, f), phi(f), 1e-9);
        EXPECT_NEAR(K(model, 0, 11, f), phi(f), 1e-9);
        EXPECT_EQ(K(model, 0, 9, f), 1.0);
        // Quaternion of a turn phi about y.
        EXPECT_NEAR(std::fabs(K(model, 0, 12, f)), std::cos(phi(f) / 2), 1e-9);
        EXPECT_NEAR(std::fabs(K(model, 0, 14, f)), std::fabs(std::sin(phi(f) / 2)), 1e-9);
        EXPECT_NEAR(K(model, 1, 0, f), 0.1 + f / 1000.0, 1e-12);
        EXPECT_NEAR(K(model, 1, 2, f), 0.2, 1e-12);
        EXPECT_EQ(K(model, 1, 6, f), 0.025);
        // Whole body: x, 0, y.
        EXPECT_NEAR(K(model, 2, 0, f), (K(model, 0, 0, f) + K(model, 1, 0, f)) / 2, 1e-12);
        EXPECT_EQ(K(model, 2, 1, f), 0.0);
    }
}

TEST(SegmentKinematics, BadNumbersAreRefusedWithAWarning) {
    ToleranceGuard guard;
    Body a{kTriad, [](double t) { return Pose{Cardan(0, 0, t), Vec{0, 0, 1}}; }};
    auto data = Record({a}, 20, 50.0f);
    struct Case {
        const char* what;
        std::function<void(TBiomecaModel&)> spoil;
        bool kinematics;  // a table is still made
    };
    const Case cases[] = {
        {"segment count above 256", [](TBiomecaModel& m) { m.SegmentCount = 300; }, true},
        {"negative segment count", [](TBiomecaModel& m) { m.SegmentCount = -4; }, true},
        {"marker beyond the recording", [](TBiomecaModel& m) { m.Segments[0]->P2 = 9; }, true},
        {"negative marker", [](TBiomecaModel& m) { m.Segments[0]->P3 = -2; }, true},
        {"Divide 0", [](TBiomecaModel& m) { m.Divide = 0.0; }, false},
        {"Divide NaN", [](TBiomecaModel& m) { m.Divide = std::nan(""); }, false},
        {"cut-off NaN", [](TBiomecaModel& m) { m.Coupure = std::nan(""); }, true},
        {"cut-off negative", [](TBiomecaModel& m) { m.Coupure = -3.0; }, true},
        {"Hanavan size past the list",
         [](TBiomecaModel& m) {
             m.Type = 4;
             m.HanavanData.assign(41, 0.2);
             m.HanavanSize = 90;
         },
         true},
        {"Hanavan list too short",
         [](TBiomecaModel& m) {
             m.Type = 4;
             m.HanavanData.assign(20, 0.2);
             m.HanavanSize = 20;
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TBiomecaModel model;
        model.IsLabel = false;
        model.SegmentCount = 1;
        UseMarkers(*model.Segments[0], 1, 2, 3);
        model.Segments[0]->ModelSegment = 1;
        c.spoil(model);
        LabelledItemList warnings;
        EXPECT_EQ(model.ComputeSegments(data.get(), 0, 19, &warnings), c.kinematics);
        EXPECT_FALSE(model.Warnings.empty());
        EXPECT_GE(warnings.count, 1);
        if (model.Kinematics) {
            for (int r = 0; r < model.Kinematics->GetRows(); ++r)
                for (int f = 0; f < 20; ++f) ASSERT_TRUE(std::isfinite(model.Kinematics->GetValue(r, f)));
        }
        EXPECT_EQ(model.TotalMass, 70.0);
    }
    TBiomecaModel model;
    EXPECT_FALSE(model.ComputeSegments(nullptr, 0, 10, nullptr));
    TDataFile empty(0, 0, 50.0f, 0, 1, 3);
    EXPECT_FALSE(model.ComputeSegments(&empty, 0, 10, nullptr));
}

TEST(SegmentKinematics, GapFillingMatchesOneSplineOverTheWholeRow) {
    ToleranceGuard guard;
    // A long row with gaps near each other, alone, and near the ends: the fill must equal one
    // natural spline through every present sample of the row.
    Body body{kTriad, [](double t) {
                  return Pose{Cardan(0.3 * std::sin(t), 0.2, 0.5 * t), Vec{0.4 * std::sin(1.7 * t), 0.1 * t, 1.0}};
              }};
    const int frames = 3000;
    auto data = Record({body}, frames, 100.0f);
    for (auto gap : {std::pair<int, int>{3, 6}, {100, 104}, {150, 153}, {290, 291}, {1500, 1530}, {2990, 2995}})
        Remove(*data, 2, gap.first, gap.second);
    auto run = [&](bool fill) {
        auto model = std::make_unique<TBiomecaModel>();
        model->IsLabel = false;
        model->SegmentCount = 1;
        UseMarkers(*model->Segments[0], 1, 2, 3);
        double ratio = 70.0;
        model->Kinematics = model->ComputeKinematics(data.get(), ratio, true, false, 6.0, -9.805, 0, frames - 1,
                                                     nullptr, 0.0, 1e-5, false, fill, false);
        return model;
    };
    auto filled = run(true);
    auto raw = run(false);
    ASSERT_TRUE(filled->Kinematics && raw->Kinematics);
    // The raw rows' gaps are the frames their masks mark; a true 0.0 (the centre's y at frame 0)
    // is data.
    SignalFilter signal;
    const auto& gaps = raw->Gaps.at(0);
    for (int row : {0, 1, 2, 6, 12}) {
        SCOPED_TRACE(row);
        const FrameMask& mask = row == 12 ? gaps.orientation : gaps.centre;
        ASSERT_EQ(mask.size(), size_t(frames));
        std::vector<double> whole(frames);
        for (int f = 0; f < frames; ++f) whole[f] = mask[f] ? kNaN : raw->Kinematics->GetValue(row, f);
        ASSERT_TRUE(signal.FillGaps(whole.data(), frames, frames / 10));
        for (int f = 0; f < frames; ++f)
            ASSERT_NEAR(filled->Kinematics->GetValue(row, f), whole[f], 1e-12 * (1.0 + std::fabs(whole[f]))) << f;
    }
}

}  // namespace

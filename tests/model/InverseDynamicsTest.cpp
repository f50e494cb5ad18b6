// Inverse dynamics against mechanics that a wrong sign or index cannot pass.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "model/SyntheticMotion.h"
#include "model/TBiomecaModel.h"
#include "motion/TDataFile.h"

namespace {

using namespace synthetic;

constexpr float kRate = 100.0f;
constexpr double kG = 9.805;

void SetSegment(TBiomecaModel& model, int s, int firstMarker, double mass) {
    UseMarkers(*model.Segments[s], firstMarker, firstMarker + 1, firstMarker + 2);
    model.Segments[s]->Mass = mass / model.TotalMass;
}

std::unique_ptr<Matrix2D> Constant(int frames, Vec v) {
    auto t = std::make_unique<Matrix2D>(3, frames);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < 3; ++c) t->SetValue(c, f, v[c]);
    return t;
}

TEST(InverseDynamics, PendulumMomentMatchesTheClosedForm) {
    ToleranceGuard guard;
    const double length = 0.6, mass = 2.0, ig = 0.06;
    const Vec hinge{0.1, 0.2, 1.2};
    auto theta = [](double t) { return 0.6 * std::sin(2 * kPi * 0.7 * t); };
    // Markers: tip, hinge, and one beside the tip; the segment's z axis runs from tip to hinge.
    Body pendulum{{Vec{0, 0, -length}, Vec{0, 0, 0}, Vec{0.1, 0, -length}},
                  [&](double t) { return Pose{Ry(theta(t)), hinge}; }};
    Body support{kTriad, [](double) { return Pose{Cardan(0, 0, 0), Vec{1, 1, 1}}; }};
    // 200 Hz: the derivative's five-sample averages then leave the swing's harmonics alone.
    const int frames = 800;
    const double rate = 200.0;
    auto data = Record({pendulum, support}, frames, float(rate));
    TBiomecaModel model;
    model.IsLabel = false;
    model.Coupure = 10.0;
    model.SegmentCount = 2;
    SetSegment(model, 0, 1, mass);
    SetSegment(model, 1, 4, 5.0);
    model.Segments[0]->Ixx = model.Segments[0]->Iyy = ig;
    model.Segments[0]->Izz = 0.001;
    ASSERT_TRUE(model.ComputeSegments(data.get(), 0, frames - 1, nullptr));
    // The free tip, as a contact without loads, then the hinge on the support.
    ASSERT_TRUE(model.MakeFirstJoint(0, nullptr, nullptr, 1, false, true, data.get(), 1, 1, true, 0, 0, "M1", "M1"));
    ASSERT_TRUE(model.MakeJoint(0, 1, 2, "hinge", 0, data.get()));
    ASSERT_TRUE(model.InverseDynamics(data.get()));
    const BodyJoint& j = *model.Joints[1];
    ASSERT_TRUE(j.Force && j.Moment);
    const double l = length / 2, io = ig + mass * l * l;
    for (int f = 120; f < 680; f += 20) {
        SCOPED_TRACE(f);
        const double t = f / rate, h = 1e-4;
        const double th = theta(t);
        const double acc = (theta(t + h) - 2 * th + theta(t - h)) / (h * h);
        // The stored load is the support's; the pendulum receives the opposite.
        EXPECT_NEAR(-j.Moment->GetValue(1, f), io * acc + mass * kG * l * std::sin(th), 1e-2);
        EXPECT_NEAR(j.Moment->GetValue(0, f), 0.0, 1e-6);
        EXPECT_NEAR(j.Moment->GetValue(2, f), 0.0, 1e-6);
        // Force on the support: the pendulum's weight minus its mass times acceleration.
        const double vel = (theta(t + h) - theta(t - h)) / (2 * h);
        const double ax = -l * (std::cos(th) * acc - std::sin(th) * vel * vel);
        const double az = l * (std::sin(th) * acc + std::cos(th) * vel * vel);
        // The 10 Hz low-pass, run twice, takes a few tenths of a percent off the faster terms.
        EXPECT_NEAR(j.Force->GetValue(0, f), -mass * ax, 4e-2);
        EXPECT_NEAR(j.Force->GetValue(2, f), -mass * kG - mass * az, 4e-2);
    }
}

// A type-2 plate along the laboratory axes, 600 x 400 mm, centre (300, 200, 0) mm.
void AddPlate(TDataFile& data) {
    const int channels[8] = {1, 2, 3, 4, 5, 6, 0, 0};
    const double corners[12] = {600, 400, 0, 0, 400, 0, 0, 0, 0, 600, 0, 0};
    const double origin[3] = {0, 0, 0};
    ASSERT_TRUE(data.AddForcePlate(2, channels, corners, origin));
}

TEST(InverseDynamics, StandingStillOnAPlate) {
    ToleranceGuard guard;
    const Vec ankle{0.30, 0.25, 0.10};
    const Vec cop{0.35, 0.18, 0.0};
    const double bodyMass = 60.0, weight = bodyMass * kG;
    Body foot{kTriad, [](double) { return Pose{Rx(kPi / 2), Vec{0.2, 0.2, 0.05}}; }};
    Body body{kTriad, [&](double) { return Pose{Cardan(0, 0, 0), ankle}; }};
    const int frames = 50;
    auto markers = Record({foot, body}, frames, kRate);
    TDataFile data(6, frames, kRate, 6, 1, 3);
    *data.points = *markers->points;
    AddPlate(data);
    // Channels in N and N.mm about the plate centre: the centre of pressure lies at `cop`.
    const double px = (cop[0] - 0.3) * 1000, py = (cop[1] - 0.2) * 1000;
    for (int k = 0; k < frames; ++k) {
        data.analog->SetValue(2, k, weight);
        data.analog->SetValue(3, k, py * weight);   // Mx
        data.analog->SetValue(4, k, -px * weight);  // My
    }
    TBiomecaModel model;
    model.IsLabel = false;
    model.SegmentCount = 2;
    SetSegment(model, 0, 1, 0.0);  // a massless foot
    SetSegment(model, 1, 4, bodyMass);
    ASSERT_TRUE(model.ComputeSegments(&data, 0, frames - 1, nullptr));
    ASSERT_TRUE(model.MakeFirstJoint(1, nullptr, nullptr, 1, true, true, &data, 2, 2, true, 0, 0, "M2", "M2"));
    ASSERT_TRUE(model.MakeJoint(0, 1, 4, "ankle", 0, &data));
    // The contact applies the measured force at the measured centre of pressure.
    const BodyJoint& contact = *model.Joints[0];
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(contact.Centre->GetValue(c, 20), cop[c], 1e-6);
    ASSERT_TRUE(model.InverseDynamics(&data));
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(contact.Centre->GetValue(c, 20), cop[c], 1e-6);  // kept
    const BodyJoint& a = *model.Joints[1];
    // The body receives its weight at the ankle, with the moment of that weight about the ankle
    // from the centre of pressure: (cop - ankle) x (0, 0, W).
    for (int f = 0; f < frames; f += 7) {
        SCOPED_TRACE(f);
        EXPECT_NEAR(a.Force->GetValue(2, f), weight, 1e-3);
        EXPECT_NEAR(a.Moment->GetValue(0, f), (cop[1] - ankle[1]) * weight, 1e-3);
        EXPECT_NEAR(a.Moment->GetValue(1, f), -(cop[0] - ankle[0]) * weight, 1e-3);
        EXPECT_NEAR(a.Moment->GetValue(2, f), 0.0, 1e-3);
    }
}

TEST(InverseDynamics, ProximalForceAddsTheSegmentsWeightAndInertia) {
    ToleranceGuard guard;
    const Vec acc{0.8, -0.5, 1.5};
    auto moving = [&](Vec start) {
        return [=](double t) {
            Vec o;
            for (int c = 0; c < 3; ++c) o[c] = start[c] + 0.5 * acc[c] * t * t;
            return Pose{Cardan(0.1, 0.2, 0.3), o};
        };
    };
    const int frames = 300;
    auto markers = Record({Body{kTriad, moving(Vec{0, 0, 0})}, Body{kTriad, moving(Vec{0, 0, 0.5})}}, frames, kRate);
    TDataFile data(6, frames, kRate, 6, 1, 3);
    *data.points = *markers->points;
    for (int k = 0; k < frames; ++k) {
        data.analog->SetValue(0, k, 20.0);
        data.analog->SetValue(2, k, 700.0);
        data.analog->SetValue(4, k, 15.0);
    }
    TBiomecaModel model;
    model.IsLabel = false;
    model.Coupure = 10.0;
    model.SegmentCount = 2;
    const double m0 = 3.0, m1 = 8.0;
    SetSegment(model, 0, 1, m0);
    SetSegment(model, 1, 4, m1);
    ASSERT_TRUE(model.ComputeSegments(&data, 0, frames - 1, nullptr));
    const int channels[8] = {0, 1, 2, 3, 4, 5, -1, -1};
    ASSERT_TRUE(model.MakeFirstJoint(0, nullptr, channels, 1, true, true, &data, 1, 1, true, 0, 0, "M1", "M1"));
    ASSERT_TRUE(model.MakeJoint(0, 1, 4, "knee", 0, &data));
    ASSERT_TRUE(model.MakeLastJoint(1, 5, 0, "hip", &data));
    ASSERT_TRUE(model.InverseDynamics(&data));
    const Vec ground{20.0, 0.0, 700.0};
    for (int f = 100; f < 200; f += 10) {
        SCOPED_TRACE(f);
        for (int c = 0; c < 3; ++c) {
            const double gravity = c == 2 ? -kG : 0.0;
            const double knee = ground[c] + m0 * (gravity - acc[c]);
            EXPECT_NEAR(model.Joints[1]->Force->GetValue(c, f), knee, 1e-3);
            EXPECT_NEAR(model.Joints[2]->Force->GetValue(c, f), knee + m1 * (gravity - acc[c]), 1e-3);
        }
    }
}

// Four segments at rest: two legs (0, 1), a pelvis (2) and a trunk (3).
struct Pelvis {
    std::unique_ptr<TDataFile> data;
    TBiomecaModel model;
    explicit Pelvis(double addMass) {
        std::vector<Body> bodies;
        for (int s = 0; s < 4; ++s)
            bodies.push_back(Body{kTriad, [s](double) { return Pose{Cardan(0, 0, 0), Vec{0.3 * s, 0, 1}}; }});
        data = Record(bodies, 30, kRate);
        model.IsLabel = false;
        model.SegmentCount = 4;
        for (int s = 0; s < 4; ++s) SetSegment(model, s, 3 * s + 1, 5.0);
        SetSegment(model, 2, 7, 10.0);
        model.Segments[2]->AddMass = addMass;
        EXPECT_TRUE(model.ComputeSegments(data.get(), 0, 29, nullptr));
        for (int leg = 0; leg < 2; ++leg)
            EXPECT_TRUE(model.AddJoint(-1, leg, 0, "foot", Constant(30, Vec{0.3 * leg, 0, 0}), nullptr, 0,
                                       Constant(30, Vec{0, 0, 100}), Constant(30, Vec{0, 0, 0}), 0, nullptr, nullptr, 0,
                                       3 * leg, 1, true));
        const int members[] = {0, 1};
        EXPECT_TRUE(model.AddNode(2, members, 2));
        EXPECT_TRUE(model.MakeJoint(2, 3, 10, "lumbar", 0, data.get()));
    }
};

TEST(InverseDynamics, NodeSumsItsMembersLoads) {
    ToleranceGuard guard;
    for (double addMass : {0.0, 2.0}) {
        SCOPED_TRACE(addMass);
        Pelvis p(addMass);
        ASSERT_TRUE(p.model.InverseDynamics(p.data.get()));
        const BodyJoint& lumbar = *p.model.Joints[3];
        ASSERT_TRUE(lumbar.Force);
        for (int f = 0; f < 30; f += 5) {
            EXPECT_NEAR(lumbar.Force->GetValue(2, f), 200.0 - (10.0 + addMass) * kG, 1e-6);
            EXPECT_NEAR(lumbar.Force->GetValue(0, f), 0.0, 1e-6);
        }
        EXPECT_FALSE(p.model.Joints[2]->Force);  // the node itself carries nothing
    }
}

TEST(InverseDynamics, JointsWithoutLoadsBelowKeepNone) {
    ToleranceGuard guard;
    Pelvis p(0.0);
    TBiomecaModel& m = p.model;
    m.Reset(false);
    ASSERT_TRUE(m.MakeJoint(0, 1, 4, "first", 0, p.data.get()));   // no ground contact below it
    ASSERT_TRUE(m.MakeJoint(1, 2, 7, "second", 0, p.data.get()));
    ASSERT_TRUE(m.InverseDynamics(p.data.get()));
    EXPECT_FALSE(m.Joints[0]->Force);
    EXPECT_FALSE(m.Joints[1]->Force);
    EXPECT_FALSE(m.Joints[1]->Moment);
}

TEST(InverseDynamics, PlanarMomentsHaveOneComponent) {
    ToleranceGuard guard;
    const int frames = 60;
    TDataFile data(6, frames, kRate, 6, 1, 3);
    delete data.points;
    data.points = new Matrix2D(12, frames);
    data.dimension = 2;
    for (int f = 0; f < frames; ++f) {
        const double a = 0.4 * std::sin(f / 10.0);
        const double planar[6][2] = {{10, 0},    {100, 400},  {100, 0},
                                     {100, 400}, {100 + 400 * std::sin(a), 400 + 400 * std::cos(a)}, {100, 400}};
        for (int p = 0; p < 6; ++p)
            for (int c = 0; c < 2; ++c) data.points->SetValue(2 * p + c, f, planar[p][c]);
        data.analog->SetValue(1, f, 500.0);  // the plane's vertical is the second channel
        data.analog->SetValue(0, f, 30.0);
    }
    TBiomecaModel model;
    model.IsLabel = false;
    model.Coupure = 10.0;
    model.SegmentCount = 2;
    UseMarkers(*model.Segments[0], 1, 2, 1);
    UseMarkers(*model.Segments[1], 4, 5, 4);
    ASSERT_TRUE(model.ComputeSegments(&data, 0, frames - 1, nullptr));
    const int channels[8] = {0, 1, 2, 3, 4, 5, -1, -1};
    ASSERT_TRUE(model.MakeFirstJoint(0, nullptr, channels, 1, true, true, &data, 1, 1, true, 0, 0, "M1", "M1"));
    ASSERT_TRUE(model.MakeJoint(0, 1, 4, "knee", 0, &data));
    ASSERT_TRUE(model.InverseDynamics(&data));
    const BodyJoint& knee = *model.Joints[1];
    ASSERT_TRUE(knee.Moment);
    bool any = false;
    for (int f = 0; f < frames; ++f) {
        EXPECT_EQ(knee.Moment->GetValue(0, f), 0.0);
        EXPECT_EQ(knee.Moment->GetValue(2, f), 0.0);
        any = any || std::fabs(knee.Moment->GetValue(1, f)) > 1.0;
    }
    EXPECT_TRUE(any);
}

TEST(InverseDynamics, RefusesWithoutRecordingJointsOrKinematics) {
    ToleranceGuard guard;
    Pelvis p(0.0);
    EXPECT_FALSE(p.model.InverseDynamics(nullptr));
    TBiomecaModel none;
    EXPECT_FALSE(none.InverseDynamics(p.data.get()));  // no joints, no kinematics
    p.model.Kinematics.reset();
    EXPECT_FALSE(p.model.InverseDynamics(p.data.get()));
}

}  // namespace

// Resultant forces and moments against closed forms and independently differentiated rotations.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "model/SyntheticMotion.h"
#include "model/TBiomecaModel.h"
#include "motion/TDataFile.h"

namespace {

using namespace synthetic;

constexpr float kRate = 200.0f;

// One triad segment following `pose`, inertia given as moments (kg m2), 10 Hz low-pass.
struct OneSegment {
    std::unique_ptr<TDataFile> data;
    TBiomecaModel model;

    OneSegment(std::function<Pose(double)> pose, int frames, double mass, double i1, double i2, double i3) {
        data = Record({Body{kTriad, std::move(pose)}}, frames, kRate);
        model.IsLabel = false;
        model.Coupure = 10.0;
        model.Degre = false;
        model.SegmentCount = 1;
        BodySegment& s = *model.Segments[0];
        UseMarkers(s, 1, 2, 3);
        s.CG = 0.5;
        s.Mass = mass / model.TotalMass;
        s.Ixx = i1;
        s.Iyy = i2;
        s.Izz = i3;
    }
    bool Run() { return model.ComputeSegments(data.get(), 0, data->GetFrameCount() - 1, nullptr); }
    double Force(int c, int f) const { return model.ResultantForces->GetValue(c, f); }
    double Moment(int c, int f) const { return model.ResultantMoments->GetValue(c, f); }
};

TEST(ResultantLoads, ForceIsMassTimesAcceleration) {
    ToleranceGuard guard;
    struct Case {
        const char* what;
        Vec velocity;
        Vec acceleration;
    };
    const Case cases[] = {
        {"constant velocity", Vec{0.8, -0.3, 0.1}, Vec{0, 0, 0}},
        {"free fall", Vec{0.5, 0, 0}, Vec{0, 0, -9.805}},
        {"accelerating sideways", Vec{0, 0.2, 0}, Vec{1.5, -0.7, 0.4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto pose = [&](double t) {
            Vec o;
            for (int k = 0; k < 3; ++k) o[k] = c.velocity[k] * t + 0.5 * c.acceleration[k] * t * t;
            return Pose{Cardan(0.2, -0.1, 0.4), o};
        };
        OneSegment s(pose, 400, 4.0, 0.1, 0.1, 0.02);
        ASSERT_TRUE(s.Run());
        ASSERT_TRUE(s.model.ResultantForces);
        EXPECT_EQ(s.model.ResultantForces->GetRows(), 6);
        // Away from the ends, where the filters start from the first samples and ring.
        for (int f = 120; f <= 280; f += 20) {
            SCOPED_TRACE(f);
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(s.Force(k, f), 4.0 * c.acceleration[k], 5e-4);
                // The whole body: the same segment, with the whole-body mass (the segment's here).
                EXPECT_NEAR(s.Force(3 + k, f), 4.0 * c.acceleration[k], 5e-4);
            }
        }
    }
}

TEST(ResultantLoads, AddedMassJoinsTheSegmentAndTheBody) {
    ToleranceGuard guard;
    OneSegment s([](double t) { return Pose{Cardan(0, 0, 0), Vec{0, 0, -0.5 * 9.805 * t * t}}; }, 300, 4.0, 0.1, 0.1,
                  0.1);
    s.model.Segments[0]->AddMass = 2.0;
    ASSERT_TRUE(s.Run());
    EXPECT_NEAR(s.Force(2, 150), -6.0 * 9.805, 1e-6);
    EXPECT_NEAR(s.Force(5, 150), -6.0 * 9.805, 1e-6);
}

TEST(ResultantLoads, NoMomentAtRestOrSpinningAboutAPrincipalAxis) {
    ToleranceGuard guard;
    struct Case {
        const char* what;
        std::function<Pose(double)> pose;
    };
    const Case cases[] = {
        {"at rest", [](double) { return Pose{Cardan(0.3, 0.2, -0.5), Vec{0.1, 0.2, 0.9}}; }},
        {"spinning about its long axis", [](double t) { return Pose{Cardan(0, 0, 6.0 * t), Vec{0, 0, 1}}; }},
        {"spinning about a tilted long axis",
         [](double t) { return Pose{Cardan(0.4, -0.3, 5.0 * t), Vec{0.2 * t, 0, 1}}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OneSegment s(c.pose, 400, 3.0, 0.05, 0.07, 0.01);
        ASSERT_TRUE(s.Run());
        ASSERT_TRUE(s.model.ResultantMoments);
        for (int f = 120; f <= 280; f += 20)
            for (int k = 0; k < 6; ++k) EXPECT_NEAR(s.Moment(k, f), 0.0, 1e-5) << f << " " << k;
    }
}

// Body-frame angular velocity from rotation matrices: the axial vector of R^T dR/dt.
Vec BodyRate(const std::function<Mat(double)>& rotation, double t) {
    const double h = 1e-5;
    const Mat r = rotation(t), a = rotation(t + h), b = rotation(t - h);
    Mat d{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) d[i][j] = (a[i][j] - b[i][j]) / (2 * h);
    Mat rt{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) rt[i][j] = r[j][i];
    const Mat w = Mul(rt, d);
    return Vec{w[2][1], w[0][2], w[1][0]};
}

TEST(ResultantLoads, EulerEquationsForATiltedSpin) {
    ToleranceGuard guard;
    // Spin about the laboratory z axis of a segment whose principal axes are tilted from it, with
    // a slowly growing rate: the body-frame rate changes direction and magnitude.
    const Mat tilt = Mul(Rx(0.35), Ry(-0.25));
    auto rotation = [&](double t) { return Mul(Rz(1.5 * t + 0.4 * t * t), tilt); };
    const double i1 = 0.08, i2 = 0.05, i3 = 0.015;
    OneSegment s([&](double t) { return Pose{rotation(t), Vec{0, 0, 1}}; }, 500, 5.0, i1, i2, i3);
    ASSERT_TRUE(s.Run());
    for (int f = 60; f < 440; f += 20) {
        SCOPED_TRACE(f);
        const double t = f / double(kRate), h = 1e-4;
        const Vec w = BodyRate(rotation, t);
        const Vec wa = BodyRate(rotation, t + h), wb = BodyRate(rotation, t - h);
        Vec dw;
        for (int k = 0; k < 3; ++k) dw[k] = (wa[k] - wb[k]) / (2 * h);
        // Euler's equations in the principal axes, then the moment in laboratory axes.
        const Vec body{i1 * dw[0] - (i2 - i3) * w[1] * w[2], i2 * dw[1] - (i3 - i1) * w[2] * w[0],
                       i3 * dw[2] - (i1 - i2) * w[0] * w[1]};
        const Vec lab = Apply(rotation(t), body);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(s.Moment(k, f), lab[k], 2e-4 + 2e-3 * std::fabs(lab[k]));
        // The angular velocity curve is R w.
        auto curve = s.model.ComputeSegmentCurve(0, 1, 0, nullptr);
        ASSERT_TRUE(curve);
        const Vec wl = Apply(rotation(t), w);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(curve->GetValue(k, f), wl[k], 1e-3);
        EXPECT_NEAR(curve->GetValue(3, f), std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]), 1e-3);
    }
}

TEST(ResultantLoads, AngularAccelerationIsTheDerivativeOfTheVelocity) {
    ToleranceGuard guard;
    auto rotation = [](double t) { return Cardan(0.3 * std::sin(2 * t), 0.4 * std::cos(1.3 * t), 0.8 * t); };
    OneSegment s([&](double t) { return Pose{rotation(t), Vec{0, 0, 1}}; }, 600, 2.0, 0.1, 0.1, 0.1);
    ASSERT_TRUE(s.Run());
    auto velocity = s.model.ComputeSegmentCurve(0, 1, 0, nullptr);
    auto acceleration = s.model.ComputeSegmentCurve(0, 2, 0, nullptr);
    ASSERT_TRUE(velocity && acceleration);
    for (int f = 80; f < 520; f += 20) {
        SCOPED_TRACE(f);
        // In laboratory axes d(R w)/dt = R dw/dt, since R (w x w) = 0.
        for (int k = 0; k < 3; ++k) {
            const double numeric = (velocity->GetValue(k, f + 1) - velocity->GetValue(k, f - 1)) * kRate / 2.0;
            EXPECT_NEAR(acceleration->GetValue(k, f), numeric, 2e-3);
        }
    }
    // Degrees scale the angular kinds only; the moment kind stays in N.m.
    s.model.Degre = true;
    auto degrees = s.model.ComputeSegmentCurve(0, 2, 0, nullptr);
    EXPECT_NEAR(degrees->GetValue(0, 300), acceleration->GetValue(0, 300) * 180.0 / kPi, 1e-9);
    auto moment = s.model.ComputeSegmentCurve(0, 2, 1, nullptr);
    EXPECT_NEAR(moment->GetValue(0, 300), s.Moment(0, 300), 1e-12);
}

TEST(ResultantLoads, CurveFormsAndNames) {
    ToleranceGuard guard;
    OneSegment s([](double t) { return Pose{Cardan(0.2, 0.1, 2.0 * t), Vec{0, 0, 1}}; }, 300, 2.0, 0.1, 0.1, 0.1);
    std::snprintf(s.model.Segments[0]->Name, 80, "Thigh");
    ASSERT_TRUE(s.Run());
    CurveNames names;
    auto angles = s.model.ComputeSegmentCurve(0, 0, 0, &names);
    ASSERT_TRUE(angles);
    EXPECT_EQ(names.name, "Thigh - Angular Position (Rad)");
    EXPECT_EQ(names.x, "Rx");
    EXPECT_NEAR(angles->GetValue(2, 150), 2.0 * 150 / kRate, 1e-6);
    // The Cardan form: plain angle rates, (0, 0, 2) here, in laboratory axes.
    auto rates = s.model.ComputeSegmentCurve(0, -1, 1, &names);
    EXPECT_EQ(names.name, "Thigh - [R'] Angular Velocity (Rad/s)");
    EXPECT_EQ(names.total, "|R'|");
    const Vec lab = Apply(Cardan(0.2, 0.1, 2.0 * 150 / kRate), Vec{0, 0, 2.0});
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(rates->GetValue(k, 150), lab[k], 1e-6);
    auto energy = s.model.ComputeSegmentCurve(0, 1, 2, &names);
    EXPECT_EQ(names.total, "Er");
    EXPECT_NEAR(energy->GetValue(3, 150), 0.5 * 0.1 * 4.0, 1e-6);
    s.model.ComputeSegmentCurve(0, 2, 1, &names);
    EXPECT_EQ(names.name, "Thigh - Torque (N.m)");
    auto third = s.model.ComputeSegmentCurve(0, 3, 0, nullptr);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->GetValue(0, 150), 0.0);
    EXPECT_FALSE(s.model.ComputeSegmentCurve(1, 1, 0, nullptr));  // the whole body has none
    EXPECT_FALSE(s.model.ComputeSegmentCurve(-1, 1, 0, nullptr));
    for (int f = 0; f < 300; f += 50) EXPECT_EQ(s.Moment(3, f), 0.0);
}

TEST(ResultantLoads, ExternalLoadsComeFromAnalogChannels) {
    TBiomecaModel model;
    model.SegmentCount = 2;
    BodySegment& s = *model.Segments[0];
    s.CF0 = 1;
    s.CF2 = 3;
    s.CF3 = 4;   // the analog row count: skipped
    s.CF5 = -7;  // no channel
    Matrix2D analog(4, 1000);
    for (int c = 0; c < 1000; ++c) {
        analog.SetValue(1, c, c);
        analog.SetValue(3, c, c % 2 ? 5.0 : 0.0);
    }
    model.LoadExternalForces(&analog, 100);
    ASSERT_TRUE(s.ExtForce && s.ExtMoment);
    EXPECT_FALSE(model.Segments[1]->ExtForce);  // no channel at all
    EXPECT_EQ(s.ExtForce->GetValue(0, 3), 30.0);   // frame 3 takes column 30
    EXPECT_EQ(s.ExtForce->GetValue(2, 3), 0.0);    // an analog 0 leaves 0
    EXPECT_EQ(s.ExtForce->GetValue(0, 99), 990.0);
    for (int f = 0; f < 100; ++f) EXPECT_EQ(s.ExtMoment->GetValue(0, f), 0.0);

    Matrix2D short150(4, 150);
    for (int c = 0; c < 150; ++c) short150.SetValue(3, c, c);
    model.LoadExternalForces(&short150, 100);
    EXPECT_EQ(s.ExtForce->GetValue(2, 1), 2.0);  // 1.5 rounds away from zero
    EXPECT_EQ(s.ExtForce->GetValue(2, 99), 149.0);
    // Fewer analog samples than frames: the last frames' columns lie past the table.
    Matrix2D tiny(4, 1);
    tiny.SetValue(3, 0, 1.0);
    model.LoadExternalForces(&tiny, 100);
    EXPECT_EQ(s.ExtForce->GetValue(2, 0), 1.0);
    EXPECT_EQ(s.ExtForce->GetValue(2, 99), 0.0);
    model.LoadExternalForces(nullptr, 100);
    EXPECT_FALSE(s.ExtForce);
}

TEST(ResultantLoads, ExternalLoadsAddedWhenAsked) {
    ToleranceGuard guard;
    OneSegment s([](double) { return Pose{Cardan(0, 0, 0), Vec{0, 0, 1}}; }, 100, 2.0, 0.1, 0.1, 0.1);
    ASSERT_TRUE(s.Run());
    s.model.Segments[0]->ExtForce = std::make_unique<Matrix2D>(3, 100);
    s.model.Segments[0]->ExtMoment = std::make_unique<Matrix2D>(3, 100);
    s.model.Segments[0]->ExtForce->SetValue(1, 50, 7.0);
    s.model.Segments[0]->ExtMoment->SetValue(2, 50, -3.0);
    auto forces = s.model.ComputeResultantForces(true);
    auto moments = s.model.ComputeResultantMoments(true);
    EXPECT_NEAR(forces->GetValue(1, 50), 7.0, 1e-9);
    EXPECT_NEAR(forces->GetValue(4, 50), 0.0, 1e-9);  // not the whole body
    EXPECT_NEAR(moments->GetValue(2, 50), -3.0, 1e-9);
    EXPECT_NEAR(s.Force(1, 50), 0.0, 1e-9);  // the run's own resultants leave them out
    s.model.KinematicsDone = false;
    EXPECT_FALSE(s.model.ComputeResultantForces(false));
    EXPECT_FALSE(s.model.ComputeResultantMoments(false));
}

TEST(ResultantLoads, EveryDerivativeSettingGivesMassTimesAcceleration) {
    ToleranceGuard guard;
    struct Case {
        const char* what;
        bool spline, splineDerivative, smooth;
        double tolerance;
    };
    const Case cases[] = {
        {"five-point", false, false, false, 5e-4},
        {"five-point, averaged", false, false, true, 5e-3},
        {"cubic spline derivative", false, true, false, 5e-3},
        {"quintic smoothing spline", true, false, false, 5e-2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto rising = [](double t) { return Pose{Cardan(0.1, 0.2, 0.3), Vec{0.3 * t, 0, 1.0 + 0.6 * t * t}}; };
        OneSegment s(rising, 400, 4.0, 0.1, 0.1, 0.02);
        s.model.UseSpline = c.spline;
        s.model.UseSplineDerivative = c.splineDerivative;
        s.model.SmoothDerivative = c.smooth;
        ASSERT_TRUE(s.Run());
        for (int f = 120; f <= 280; f += 40) {
            SCOPED_TRACE(f);
            EXPECT_NEAR(s.Force(0, f), 0.0, c.tolerance * 4.0);
            EXPECT_NEAR(s.Force(2, f), 4.0 * 1.2, c.tolerance * 4.0);
        }
    }
}

}  // namespace

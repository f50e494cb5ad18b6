// Frames the model cannot compute come out missing (MissingValue, marked in the frame masks), and
// frames it can compute are not spoiled by missing neighbours: gaps are filled where the fill limit
// allows, and no filter or derivative window reaches across what is left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "model/SyntheticMotion.h"
#include "model/TBiomecaModel.h"
#include "motion/TDataFile.h"

namespace {

using namespace synthetic;

constexpr float kRate = 100.0f;

bool IsMissing(const FrameMask& mask, int f) { return size_t(f) < mask.size() && mask[size_t(f)] != 0; }

// A segment at constant velocity, turned and off every laboratory plane.
Pose Uniform(double t) { return Pose{Cardan(0.2, -0.1, 0.4), Vec{0.2 + 0.8 * t, 0.5 - 0.3 * t, 0.9 + 0.2 * t}}; }

Vec UniformCentre(double t) {
    // Centre of mass halfway along P1 -> P2 (local (0, 0, 0.2)).
    const Pose p = Uniform(t);
    const Vec r = Apply(p.rotation, Vec{0, 0, 0.2});
    return Vec{p.origin[0] + r[0], p.origin[1] + r[1], p.origin[2] + r[2]};
}

// One 7 kg segment on markers 1-3, computed over every frame.
std::unique_ptr<TBiomecaModel> OneSegment(const TDataFile& data) {
    auto model = std::make_unique<TBiomecaModel>();
    model->IsLabel = false;
    model->Coupure = 6.0;
    model->SegmentCount = 1;
    model->Segments[0]->Mass = 7.0 / model->TotalMass;
    UseMarkers(*model->Segments[0], 1, 2, 3);
    EXPECT_TRUE(model->ComputeSegments(&data, 0, data.GetFrameCount() - 1, nullptr));
    return model;
}

TEST(MissingSamples, UniformMotionWhoseMarkersAppearLate) {
    ToleranceGuard guard;
    const int frames = 200;
    auto data = Record({Body{kTriad, Uniform}}, frames, kRate);
    for (int m = 1; m <= 3; ++m) Remove(*data, m, 0, 19);
    auto model = OneSegment(*data);
    for (int block : {0, 1}) {  // the segment and the whole body
        SCOPED_TRACE(block);
        const auto& gaps = model->Gaps.at(size_t(block));
        for (int f = 0; f < frames; ++f) {
            SCOPED_TRACE(f);
            ASSERT_EQ(IsMissing(gaps.centre, f), f < 20);
            ASSERT_EQ(IsMissing(gaps.force, f), f < 20);
            for (int c = 0; c < 3; ++c) {
                const double at = model->Kinematics->GetValue(16 * block + c, f);
                const double force = model->ResultantForces->GetValue(3 * block + c, f);
                if (f < 20) {
                    ASSERT_EQ(at, model->MissingValue);
                    ASSERT_EQ(force, model->MissingValue);
                } else {
                    // No acceleration at all, from the first frame with markers on.
                    ASSERT_NEAR(at, UniformCentre(f / double(kRate))[c], 1e-9);
                    ASSERT_NEAR(force, 0.0, 1e-6);
                }
            }
        }
    }
}

TEST(MissingSamples, GapsWithinTheFillLimitAreFilledTheOthersStayMissing) {
    ToleranceGuard guard;
    const int frames = 300;  // the fill limit is 30 missing samples
    for (int length : {5, 40}) {
        SCOPED_TRACE(length);
        auto data = Record({Body{kTriad, Uniform}}, frames, kRate);
        Remove(*data, 2, 100, 100 + length - 1);
        auto model = OneSegment(*data);
        const bool filled = length <= frames / 10;
        const auto& gaps = model->Gaps.at(0);
        for (int f = 0; f < frames; ++f) {
            SCOPED_TRACE(f);
            const bool gap = f >= 100 && f < 100 + length;
            ASSERT_EQ(IsMissing(gaps.centre, f), gap && !filled);
            ASSERT_EQ(IsMissing(gaps.orientation, f), gap && !filled);
            ASSERT_EQ(IsMissing(gaps.force, f), gap && !filled);
            if (gap && !filled) continue;
            for (int c = 0; c < 3; ++c) {
                // The samples beside a gap are the true centre, not pulled towards the gap.
                ASSERT_NEAR(model->Kinematics->GetValue(c, f), UniformCentre(f / double(kRate))[c], 1e-9);
                ASSERT_NEAR(model->ResultantForces->GetValue(c, f), 0.0, 1e-6);
            }
        }
    }
}

// A sole carrying the ankle marker (4) on a ground contact, a shank above; the ankle marker drops
// out for three frames. The ankle loads there come from the filled marker and match the full
// recording's within 1 % of their peak; elsewhere they are the same.
TEST(MissingSamples, ThreeFrameDropoutOfTheAnkleMarker) {
    ToleranceGuard guard;
    const int frames = 240;
    auto foot = [](double t) {
        return Pose{Ry(0.3 * std::sin(2.0 * t)), Vec{0.3 + 0.1 * std::sin(2.0 * t), 0.2, 0.1 + 0.05 * std::sin(3.0 * t)}};
    };
    auto shank = [](double t) { return Pose{Rx(0.2 * std::sin(1.5 * t)), Vec{0.35, 0.2, 0.5 + 0.02 * t}}; };
    const std::vector<Vec> sole{Vec{0, 0, 0}, Vec{0.2, 0, 0}, Vec{0, 0.08, 0}, Vec{0.02, 0, 0.09}};
    auto run = [&](bool dropout) {
        auto markers = Record({Body{sole, foot}, Body{kTriad, shank}}, frames, kRate);
        auto data = std::make_unique<TDataFile>(7, frames, kRate, 6, 1, 3);
        *data->points = *markers->points;
        if (dropout) Remove(*data, 4, 120, 122);
        for (int k = 0; k < frames; ++k) {
            data->analog->SetValue(0, k, 30.0);
            data->analog->SetValue(1, k, -10.0);
            data->analog->SetValue(2, k, 600.0 + 100.0 * std::sin(k / 20.0));
            data->analog->SetValue(3, k, 5.0);
        }
        auto model = std::make_unique<TBiomecaModel>();
        model->IsLabel = false;
        model->Coupure = 10.0;
        model->SegmentCount = 2;
        UseMarkers(*model->Segments[0], 1, 2, 3);
        UseMarkers(*model->Segments[1], 5, 6, 7);
        model->Segments[0]->Mass = 1.2 / model->TotalMass;
        model->Segments[1]->Mass = 3.5 / model->TotalMass;
        EXPECT_TRUE(model->ComputeSegments(data.get(), 0, frames - 1, nullptr));
        const int channels[8] = {0, 1, 2, 3, 4, 5, -1, -1};
        double deltas[4] = {320.0, 210.0, 0.0, 0.0};
        EXPECT_TRUE(model->MakeFirstJoint(0, deltas, channels, 1, true, true, data.get(), 1, 1, true, 0, 0, "M1", "M1"));
        EXPECT_TRUE(model->MakeJoint(0, 1, 4, "ankle", 0, data.get()));
        EXPECT_TRUE(model->InverseDynamics(data.get()));
        return model;
    };
    auto full = run(false);
    auto gap = run(true);
    const BodyJoint& a = *full->Joints[1];
    const BodyJoint& b = *gap->Joints[1];
    ASSERT_TRUE(a.Force && a.Moment && b.Force && b.Moment);
    EXPECT_TRUE(b.CentreMissing.empty());
    EXPECT_TRUE(b.LoadMissing.empty());
    for (const Matrix2D* table : {a.Force.get(), a.Moment.get()}) {
        const Matrix2D* other = table == a.Force.get() ? b.Force.get() : b.Moment.get();
        double peak = 0.0;
        for (int f = 0; f < frames; ++f)
            peak = std::max(peak, std::hypot(table->GetValue(0, f), table->GetValue(1, f), table->GetValue(2, f)));
        ASSERT_GT(peak, 1.0);
        for (int f = 0; f < frames; ++f)
            for (int c = 0; c < 3; ++c) ASSERT_NEAR(other->GetValue(c, f), table->GetValue(c, f), 0.01 * peak) << f;
    }
}

// A centre of rotation whose estimate is refused has no frame at all; the last frames of a moving
// centre's window have none either. The joint's loads are missing wherever its centre is.
TEST(MissingSamples, RefusedCentreOfRotationIsMissing) {
    ToleranceGuard guard;
    struct Case {
        const char* what;
        int frames;
        double cutoff;
        int missingFrom;  // frames from here on have no centre
    };
    const Case cases[] = {
        {"no cut-off", 120, 0.0, 0},
        {"recording shorter than the window", 15, 10.0, 0},
        {"the window's last frames", 120, 10.0, 120 - 21},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto swing = [](double t) { return Pose{Ry(0.8 * std::sin(2.0 * t)), Vec{0.3, 0.2, 0.9}}; };
        auto rest = [](double) { return Pose{Cardan(0, 0, 0), Vec{0.6, 0.4, 1.1}}; };
        auto markers = Record({Body{kTriad, swing}, Body{kTriad, rest}}, c.frames, kRate);
        TDataFile data(6, c.frames, kRate, 6, 1, 3);
        *data.points = *markers->points;
        for (int k = 0; k < c.frames; ++k) data.analog->SetValue(2, k, 100.0);
        TBiomecaModel model;
        model.IsLabel = false;
        model.Coupure = c.cutoff;
        model.SegmentCount = 2;
        UseMarkers(*model.Segments[0], 1, 2, 3);
        UseMarkers(*model.Segments[1], 4, 5, 6);
        ASSERT_TRUE(model.ComputeSegments(&data, 0, c.frames - 1, nullptr));
        const int channels[8] = {0, 1, 2, 3, 4, 5, -1, -1};
        ASSERT_TRUE(model.MakeFirstJoint(0, nullptr, channels, 1, true, true, &data, 1, 1, true, 0, 0, "M1", "M1"));
        ASSERT_TRUE(model.MakeJoint(0, 1, -3, "centre", 0, &data));
        ASSERT_TRUE(model.InverseDynamics(&data));
        const BodyJoint& j = *model.Joints[1];
        ASSERT_TRUE(j.Centre && j.Force && j.Moment);
        for (int f = 0; f < c.frames; ++f) {
            SCOPED_TRACE(f);
            const bool gone = f >= c.missingFrom;
            ASSERT_EQ(IsMissing(j.CentreMissing, f), gone);
            ASSERT_EQ(IsMissing(j.LoadMissing, f), gone);
            if (!gone) continue;
            for (int k = 0; k < 3; ++k) {
                ASSERT_EQ(j.Centre->GetValue(k, f), model.MissingValue);
                ASSERT_EQ(j.Force->GetValue(k, f), model.MissingValue);
                ASSERT_EQ(j.Moment->GetValue(k, f), model.MissingValue);
            }
        }
        if (c.missingFrom > 0) {
            // The swing's axis is the laboratory y through (0.3, 0.2, 0.9): x and z of the centre.
            EXPECT_NEAR(j.Centre->GetValue(0, 50), 0.3, 1e-3);
            EXPECT_NEAR(j.Centre->GetValue(2, 50), 0.9, 1e-3);
        }
    }
}

// One missing convention: a marker is missing when all its coordinates are the missing value, or
// when its residual is negative (the recording could not measure it, whatever it kept); a single
// coordinate of exactly 0.0 is a measurement.
TEST(MissingSamples, WhichMarkersAreMissing) {
    ToleranceGuard guard;
    const int frames = 60;
    // Marker 1's x crosses 0.0 exactly at frame 10.
    auto cross = [](double t) { return Pose{Cardan(0, 0, 0), Vec{-0.1 + t, 0.3, 0.8}}; };
    auto markers = Record({Body{kTriad, cross}}, frames, kRate);
    ASSERT_EQ(markers->points->GetValue(0, 10), 0.0);
    TDataFile data(3, frames, kRate, 0, 1, 4);  // x, y, z and the residual
    for (int f = 0; f < frames; ++f)
        for (int p = 0; p < 3; ++p) {
            for (int c = 0; c < 3; ++c) data.points->SetValue(4 * p + c, f, markers->points->GetValue(3 * p + c, f));
            data.points->SetValue(4 * p + 3, f, 0.5);
        }
    for (int f : {0, 1, 2, 30, 31}) data.points->SetValue(4 * 1 + 3, f, -1.0);  // marker 2 flagged invalid
    TBiomecaModel model;
    model.IsLabel = false;
    model.SegmentCount = 1;
    UseMarkers(*model.Segments[0], 1, 2, 3);
    EXPECT_EQ(model.FindFirstValidFrame(&data), 3);
    double ratio = 70.0;
    model.Kinematics = model.ComputeKinematics(&data, ratio, true, false, 6.0, -9.805, 0, frames - 1, nullptr, 0.0,
                                               1e-5, false, false, false);
    ASSERT_TRUE(model.Kinematics);
    for (int f = 0; f < frames; ++f)
        EXPECT_EQ(IsMissing(model.Gaps.at(0).centre, f), f <= 2 || f == 30 || f == 31) << f;
    // Filled, the invalid frames take the line's values, not the coordinates the file kept.
    for (int f = 0; f < frames; ++f) data.points->SetValue(4 * 1 + 2, f, f == 30 || f == 31 ? 5000.0 : data.points->GetValue(4 * 1 + 2, f));
    model.Kinematics = model.ComputeKinematics(&data, ratio, true, false, 6.0, -9.805, 0, frames - 1, nullptr, 0.0,
                                               1e-5, false, true, false);
    ASSERT_TRUE(model.Kinematics);
    EXPECT_NEAR(model.Kinematics->GetValue(2, 30), 0.8 + 0.2, 1e-9);
}

}  // namespace

// Model records as a hostile model file could leave them: random marker numbers, axes, segment
// and joint indices, counts and sizes. Every run must finish without reading or writing outside
// a table (the sanitizer build checks that) and report the refusals as warnings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "model/SyntheticMotion.h"
#include "model/TBiomecaModel.h"
#include "motion/LabelledItem.h"
#include "motion/TDataFile.h"

namespace {

using namespace synthetic;

// Integers in [lo, hi] from the raw generator (std distributions differ between libraries).
int Pick(std::mt19937& rng, int lo, int hi) { return lo + int(rng() % uint32_t(hi - lo + 1)); }

TEST(ModelRobustness, RandomRecordsNeverLeaveTheTables) {
    ToleranceGuard guard;
    std::mt19937 rng(20261211);
    std::vector<Body> bodies;
    for (int s = 0; s < 4; ++s)
        bodies.push_back(Body{kTriad, [s](double t) { return Pose{Cardan(0.1 * s, 0.3 * t, t), Vec{0.2 * s, t, 1}}; }});
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const int frames = Pick(rng, 1, 80);
        auto markers = Record(bodies, frames, 50.0f);
        TDataFile data(12, frames, 50.0f, Pick(rng, 0, 1) ? 8 : 0, 2, 3);
        *data.points = *markers->points;
        for (int m = 1; m <= 12; ++m)
            if (Pick(rng, 0, 3) == 0) Remove(data, m, Pick(rng, 0, frames - 1), Pick(rng, 0, frames - 1));
        if (data.analog) {
            const int channels[8] = {1, 2, 3, 4, 5, 6, 0, 0};
            const double corners[12] = {600, 400, 0, 0, 400, 0, 0, 0, 0, 600, 0, 0};
            const double origin[3] = {0, 0, -20};
            data.AddForcePlate(2, channels, corners, origin);
            for (int c = 0; c < data.analog->GetCols(); ++c)
                for (int r = 0; r < 8; ++r) data.analog->SetValue(r, c, Pick(rng, -500, 900));
        }

        TBiomecaModel model;
        model.IsLabel = Pick(rng, 0, 4) == 0;
        model.Coupure = Pick(rng, -2, 30);
        model.Type = Pick(rng, 0, 5);
        model.checkcom = Pick(rng, 0, 1);
        model.checkcontact = Pick(rng, 0, 1);
        model.contactdistance = 0.1;
        model.SegmentCount = Pick(rng, -3, 6);
        if (Pick(rng, 0, 1)) {
            model.HanavanData.assign(size_t(Pick(rng, 0, 90)), 0.25);
            model.HanavanSize = Pick(rng, -5, 100);
        }
        for (int s = 0; s < 8; ++s) {
            BodySegment& seg = *model.Segments[s];
            UseMarkers(seg, Pick(rng, -2, 14), Pick(rng, -2, 14), Pick(rng, -2, 14));
            seg.P1P2Axis = Pick(rng, -1, 3);
            seg.P3Axis = Pick(rng, -1, 3);
            seg.ModelSegment = Pick(rng, -1, 11);
            seg.Left = Pick(rng, 0, 1);
            seg.CF0 = Pick(rng, -3, 9);
            seg.CF4 = Pick(rng, -3, 9);
            seg.AddMass = Pick(rng, -1, 2);
            std::snprintf(seg.Name1, sizeof seg.Name1, "M%d", Pick(rng, 0, 14));
        }
        LabelledItemList warnings;
        const int first = Pick(rng, -5, frames + 5), last = Pick(rng, -5, frames + 5);
        model.LoadExternalForces(data.analog, frames);
        if (!model.ComputeSegments(&data, first, last, &warnings)) continue;
        EXPECT_GE(model.FindFirstValidFrame(&data), 0);
        EXPECT_LT(model.FindLastValidFrame(&data), frames);
        model.ComputeResultantForces(true);
        model.ComputeResultantMoments(true);
        for (int call = 0; call < 12; ++call) {
            const int a = Pick(rng, -2, 7), b = Pick(rng, -2, 7), p = Pick(rng, -4, 14);
            double deltas[4] = {10, 20, 30, 0.01};
            const int channels[8] = {Pick(rng, -2, 9), 1, 2, 3, 4, 5, Pick(rng, -2, 9), 7};
            const int nodes[3] = {Pick(rng, -2, 6), Pick(rng, -2, 6), Pick(rng, -2, 6)};
            switch (Pick(rng, 0, 3)) {
            case 0:
                model.MakeFirstJoint(Pick(rng, -1, 3), deltas, channels, Pick(rng, 0, 1), Pick(rng, 0, 1),
                                     Pick(rng, 0, 1), &data, p, p, true, Pick(rng, -14, 14), a, "M1", "M2");
                break;
            case 1:
                model.MakeJoint(a, b, p, "j", Pick(rng, 0, 4), &data);
                break;
            case 2:
                model.MakeLastJoint(a, p, 0, "end", &data);
                break;
            default:
                model.AddNode(a, nodes, Pick(rng, -1, 3));
                break;
            }
        }
        model.InverseDynamics(&data);
        for (int s = -1; s <= model.SegmentCount; ++s)
            for (int order : {-2, 0, 1, 2, 3}) model.ComputeSegmentCurve(s, order, Pick(rng, 0, 2), nullptr);
    }
}

}  // namespace

// The whole model on a real gait recording with two force plates (public sample file): a small
// lower-limb model of our own on its marker clusters, run from the kinematics to the inverse
// dynamics. The joint loads must be finite at every frame and of a plausible size.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include "support/TestSupport.h"
#include "model/TBiomecaModel.h"
#include "motion/LabelledItem.h"
#include "motion/TDataFile.h"
#include "motion/geometry.h"

namespace {

struct SegmentRecipe {
    const char* name;
    const char* markers[3];
    double mass;  // share of the body mass
};

// Cluster markers: feet RFT/LFT, shanks RSK/LSK, thighs RTH/LTH, pelvis PV.
const SegmentRecipe kSegments[] = {
    {"Right foot", {"RFT3", "RFT1", "RFT2"}, 0.0145},  {"Right shank", {"RSK3", "RSK1", "RSK2"}, 0.0465},
    {"Right thigh", {"RTH3", "RTH1", "RTH2"}, 0.1},    {"Left foot", {"LFT3", "LFT1", "LFT2"}, 0.0145},
    {"Left shank", {"LSK3", "LSK1", "LSK2"}, 0.0465},  {"Left thigh", {"LTH3", "LTH1", "LTH2"}, 0.1},
    {"Pelvis", {"PV1", "PV3", "PV2"}, 0.142},
};

TEST(GaitModel, JointLoadsOfARealGaitTrialAreFiniteAndPlausible) {
    const std::string path = testsupport::SampleFile("c3d/sample_01/Eb015pr.c3d");
    if (path.empty()) FAIL() << "sample file missing";
    const double saved = gGeometryTolerance;
    TDataFile data(path.c_str());
    ASSERT_TRUE(data.HasPoints());
    ASSERT_EQ(data.GetPlateCount(), 2);
    const int frames = data.GetFrameCount();

    TBiomecaModel model;
    model.TotalMass = 80.0;
    model.Coupure = 6.0;
    model.SegmentCount = 7;
    for (int s = 0; s < 7; ++s) {
        BodySegment& seg = *model.Segments[s];
        std::snprintf(seg.Name, sizeof seg.Name, "%s", kSegments[s].name);
        std::snprintf(seg.Name1, sizeof seg.Name1, "%s", kSegments[s].markers[0]);
        std::snprintf(seg.Name2, sizeof seg.Name2, "%s", kSegments[s].markers[1]);
        std::snprintf(seg.Name3, sizeof seg.Name3, "%s", kSegments[s].markers[2]);
        seg.Mass = kSegments[s].mass;
        seg.Ixx = seg.Iyy = 0.05;
        seg.Izz = 0.01;
    }
    int last = std::min(model.FindLastValidFrame(&data), frames - 1);
    int first = model.FindFirstValidFrame(&data);
    if (last <= first) first = last - 1;
    if (first < 0) first = 0;
    LabelledItemList warnings;
    ASSERT_TRUE(model.ComputeSegments(&data, first, last, &warnings));
    EXPECT_EQ(warnings.count, 0);

    auto marker = [&](const char* label) { return data.FindPointLabel(label) + 1; };
    // Right leg on plate 2, left leg on plate 1; the hips meet on the pelvis.
    ASSERT_TRUE(model.MakeFirstJoint(2, nullptr, nullptr, 1, true, true, &data, marker("RFT1"), 0, true, 0, 0, "RFT1",
                                     nullptr));
    ASSERT_TRUE(model.MakeJoint(0, 1, marker("RSK4"), "Right ankle", 2, &data));
    ASSERT_TRUE(model.MakeJoint(1, 2, marker("RTH4"), "Right knee", 2, &data));
    ASSERT_TRUE(model.MakeJoint(2, 6, marker("PV1"), "Right hip", 3, &data));
    ASSERT_TRUE(model.MakeFirstJoint(1, nullptr, nullptr, 1, true, true, &data, marker("LFT1"), 0, true, 0, 3, "LFT1",
                                     nullptr));
    ASSERT_TRUE(model.MakeJoint(3, 4, marker("LSK4"), "Left ankle", 2, &data));
    ASSERT_TRUE(model.MakeJoint(4, 5, marker("LTH4"), "Left knee", 2, &data));
    ASSERT_TRUE(model.MakeJoint(5, 6, marker("PV3"), "Left hip", 3, &data));
    const int hips[] = {3, 7};
    ASSERT_TRUE(model.AddNode(6, hips, 2));
    ASSERT_TRUE(model.InverseDynamics(&data));

    const double weight = 80.0 * 9.805;
    double peakAnkleForce = 0.0;
    for (int j = 0; j < model.JointCount; ++j) {
        const BodyJoint& joint = *model.Joints[j];
        if (joint.NodeCount > 0) continue;
        SCOPED_TRACE(joint.Name);
        ASSERT_TRUE(joint.Force && joint.Moment && joint.Centre);
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < 3; ++c) {
                ASSERT_TRUE(std::isfinite(joint.Force->GetValue(c, f))) << f;
                ASSERT_TRUE(std::isfinite(joint.Moment->GetValue(c, f))) << f;
                ASSERT_TRUE(std::isfinite(joint.Centre->GetValue(c, f))) << f;
            }
            if (f < first + 5 || f > last - 5) continue;  // the filters' start and end
            const double force = std::hypot(joint.Force->GetValue(0, f), joint.Force->GetValue(1, f),
                                            joint.Force->GetValue(2, f));
            const double moment = std::hypot(joint.Moment->GetValue(0, f), joint.Moment->GetValue(1, f),
                                             joint.Moment->GetValue(2, f));
            EXPECT_LT(force, 2.5 * weight) << f;
            EXPECT_LT(moment, 400.0) << f;
            if (j == 1 || j == 5) peakAnkleForce = std::max(peakAnkleForce, force);
        }
    }
    // In stance the ankle carries about the body's weight.
    EXPECT_GT(peakAnkleForce, 0.7 * weight);
    SetGeometryTolerance(saved);
}

}  // namespace

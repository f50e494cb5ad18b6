// The public BVH samples: joint world positions of chosen frames against forward kinematics
// computed independently from the file's offsets and channels (plain matrix products), up to the
// last frame. Skips when the samples are absent.
#include "motion/BvhParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "motion/Joint.h"
#include "motion/RecordedMotion.h"
#include "support/BvhReference.h"
#include "support/TestSupport.h"

namespace {

void DepthFirst(const Joint* j, std::vector<const Joint*>& out) {
    out.push_back(j);
    for (int i = 0; i < j->GetChildCount(); ++i) DepthFirst(j->GetChild(i), out);
}

struct Sample {
    const char* file;
    int frames;
    double frameTime;
    int channels;
};

class BvhSamples : public testing::TestWithParam<Sample> {};

TEST_P(BvhSamples, PosesMatchMatrixForwardKinematics) {
    const Sample& s = GetParam();
    const std::string path = testsupport::SampleFile(std::string("bvh/") + s.file);
    if (path.empty()) FAIL() << "no sample " << s.file;
    BvhParser parser(path);
    std::unique_ptr<Joint> root;
    std::unique_ptr<RecordedMotion> motion;
    ASSERT_TRUE(parser.Load(root, motion));
    EXPECT_EQ(parser.GetFrameCount(), s.frames);
    EXPECT_DOUBLE_EQ(parser.GetFrameTime(), s.frameTime);
    EXPECT_EQ(3 * motion->GetTriDOFCount(), s.channels);

    const testsupport::RefBvh ref = testsupport::ReadRefBvh(testsupport::ReadFileBytes(path));
    std::vector<const Joint*> joints;
    DepthFirst(root.get(), joints);
    ASSERT_EQ(joints.size(), ref.joints.size());
    for (std::size_t k = 0; k < joints.size(); ++k) ASSERT_EQ(joints[k]->GetName(), ref.joints[k].name);

    // The last frame, at the time frame x period, shows the last sample, not the first.
    for (int f : {0, 1, s.frames / 2 + 1, s.frames - 1}) {
        SCOPED_TRACE(f);
        root->UpdatePose(*motion, f * parser.GetFrameTime(), Point3D(), Quaternion());
        const auto expected = testsupport::RefPositions(ref, f);
        for (std::size_t k = 0; k < joints.size(); ++k) {
            SCOPED_TRACE(joints[k]->GetName());
            const Point3D& p = joints[k]->GetPosition();
            const double tol = 1e-9 * (1 + std::fabs(expected[k][0]) + std::fabs(expected[k][1]) + std::fabs(expected[k][2]));
            EXPECT_NEAR(p.x, expected[k][0], tol);
            EXPECT_NEAR(p.y, expected[k][1], tol);
            EXPECT_NEAR(p.z, expected[k][2], tol);
        }
    }
}

// Boxing_Toes promises 800 frames and holds 801 lines: the promise is read, never past it.
INSTANTIATE_TEST_SUITE_P(Files, BvhSamples,
                         testing::Values(Sample{"01_01.bvh", 800, 0.0083333, 96},
                                         Sample{"Boxing_Toes.bvh", 800, 0.01, 66}),
                         [](const testing::TestParamInfo<Sample>& p) { return std::to_string(p.index); });

}  // namespace

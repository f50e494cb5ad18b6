// The fixture model run on the public gait trial (c3d/sample_01/Eb015pr.c3d): what the model
// cannot compute comes out missing, a marker lost for a few frames leaves the loads of the other
// frames as they were, and the model's refusals reach the Log.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "model/C3DModel.h"
#include "model/ModelFixture.h"
#include "support/WxBaseFixture.h"

namespace {

using modeltest::LogCapture;
using modeltest::TrialFolder;

constexpr double kWeight = 80.0 * 9.805;  // the fixture's body mass

bool IsMissing(const FrameMask& mask, int f) { return size_t(f) < mask.size() && mask[size_t(f)] != 0; }

double Norm(const Matrix2D& table, int f) {
    return std::hypot(table.GetValue(0, f), table.GetValue(1, f), table.GetValue(2, f));
}

class ModelRun : public WxBaseTest {
protected:
    void SetUp() override {
        if (!folder.ok()) FAIL() << "sample file missing";
    }
    std::unique_ptr<C3DModel> Build(TDataFile& data, std::string* log = nullptr) {
        auto model = std::make_unique<C3DModel>();
        std::string logged;
        {
            LogCapture capture(logged);
            EXPECT_TRUE(model->BuildModel(&data, wxString(), false)) << logged;
        }
        if (log) *log = logged;
        return model;
    }
    TrialFolder folder;
};

// At the end of the walk the markers leave the volume: the last frame every segment can be
// computed at is 444. No joint above the feet has a load after it, and none before it jumps to
// thousands of newtons as the gaps used to make it.
TEST_F(ModelRun, FramesBeyondTheMarkersAreMissingNotSpikes) {
    auto data = folder.LoadTrial();
    auto model = Build(*data);
    ASSERT_EQ(model->JointCount, modeltest::kJoints);
    EXPECT_EQ(model->LastFrame, 444);
    const int frames = data->GetFrameCount();
    for (int j = 0; j < model->JointCount; ++j) {
        const BodyJoint& joint = *model->Joints[j];
        if (joint.Distal < 0) continue;  // the plates' measurements and the node
        SCOPED_TRACE(joint.Name);
        ASSERT_TRUE(joint.Force && joint.Moment);
        for (int f = 0; f < frames; ++f) {
            SCOPED_TRACE(f);
            if (f > model->LastFrame || f < model->FirstFrame) {
                ASSERT_TRUE(IsMissing(joint.LoadMissing, f));
                for (int c = 0; c < 3; ++c) {
                    ASSERT_EQ(joint.Force->GetValue(c, f), model->MissingValue);
                    ASSERT_EQ(joint.Moment->GetValue(c, f), model->MissingValue);
                }
            }
            if (IsMissing(joint.LoadMissing, f)) continue;
            ASSERT_LT(Norm(*joint.Force, f), 1.5 * kWeight);
        }
    }
    // The hips (joints 3 and 7) carry the swinging leg, about 125 N, up to the end.
    for (int j : {3, 7}) {
        for (int f = 430; f <= model->LastFrame; ++f) {
            if (IsMissing(model->Joints[j]->LoadMissing, f)) continue;
            EXPECT_NEAR(Norm(*model->Joints[j]->Force, f), 125, 25) << f;
        }
    }
}

// The right shank's marker RSK1 lost for five frames in the middle of the right stance: the loads
// of every other frame stay within 1 % of their peak of the full trial's.
TEST_F(ModelRun, AMarkerLostInStanceChangesNoOtherFrame) {
    auto full = folder.LoadTrial();
    auto reference = Build(*full);
    auto data = folder.LoadTrial();
    const int marker = data->FindPointLabel("RSK1");
    ASSERT_GE(marker, 0);
    // The middle of the right foot's stance on its plate.
    const Matrix2D& contact = *reference->Joints[0]->Force;
    int first = -1, last = -1;
    for (int f = 0; f < contact.GetCols(); ++f)
        if (contact.GetValue(2, f) > 0.5 * kWeight) {
            if (first < 0) first = f;
            last = f;
        }
    ASSERT_GT(last - first, 20);
    const int from = (first + last) / 2 - 2, to = from + 4;
    const int dimension = data->GetDimension();
    for (int f = from; f <= to; ++f)
        for (int c = 0; c < 3; ++c) data->points->SetValue(dimension * marker + c, f, 0.0);
    auto model = Build(*data);
    ASSERT_EQ(model->JointCount, reference->JointCount);
    for (int j = 0; j < model->JointCount; ++j) {
        const BodyJoint& a = *reference->Joints[j];
        const BodyJoint& b = *model->Joints[j];
        if (!a.Force || !a.Moment) continue;
        SCOPED_TRACE(a.Name);
        ASSERT_TRUE(b.Force && b.Moment);
        for (auto table : {&BodyJoint::Force, &BodyJoint::Moment}) {
            const Matrix2D& x = *(a.*table);
            const Matrix2D& y = *(b.*table);
            double peak = 0.0;
            for (int f = 0; f < x.GetCols(); ++f)
                if (!IsMissing(a.LoadMissing, f)) peak = std::max(peak, Norm(x, f));
            for (int f = 0; f < x.GetCols(); ++f) {
                if (f >= from && f <= to) continue;
                ASSERT_EQ(IsMissing(a.LoadMissing, f), IsMissing(b.LoadMissing, f)) << f;
                if (IsMissing(a.LoadMissing, f)) continue;
                for (int c = 0; c < 3; ++c) ASSERT_NEAR(y.GetValue(c, f), x.GetValue(c, f), 0.01 * peak) << f;
            }
        }
    }
}

// Every refusal of the model goes to the Log when the model is built, and a negative force
// threshold is refused for the default like the other bad values.
TEST_F(ModelRun, RefusalsReachTheLog) {
    struct Case {
        const char* from;
        const char* to;
        const char* logged;
    };
    const Case cases[] = {
        {"FZseuil=10", "FZseuil=-5", "Force threshold -5 refused: 10 N used"},
        {"Coupure=6", "Coupure=-1", "Cut-off frequency"},
    };
    const std::string original = folder.Read("lowerlimb_segments.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        std::string text = original;
        const size_t at = text.find(c.from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, std::string(c.from).size(), c.to);
        folder.Write("lowerlimb_segments.ini", text);
        auto data = folder.LoadTrial();
        std::string log;
        auto model = Build(*data, &log);
        EXPECT_NE(log.find(c.logged), std::string::npos) << log;
        ASSERT_FALSE(model->Warnings.empty());
        for (const std::string& warning : model->Warnings) EXPECT_NE(log.find(warning), std::string::npos) << warning;
        EXPECT_EQ(model->FZseuil, 10.0);
    }
    folder.Write("lowerlimb_segments.ini", original);
}

}  // namespace

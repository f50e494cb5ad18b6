// Saved states of the body model: a drag undone gives back the glyphs and the same results, and
// the modified flag.
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/dir.h>

#include "model/C3DModel.h"
#include "model/ModelFixture.h"
#include "motion/Matrix2D.h"
#include "support/TestSupport.h"
#include "support/WxBaseFixture.h"

namespace {

std::vector<double> Values(const Matrix2D* table) {
    if (!table || !table->data) return {};
    return std::vector<double>(table->data, table->data + size_t(table->rows) * size_t(table->cols));
}

// Points $TMPDIR at a folder while it lives.
class TempDirEnv {
public:
    explicit TempDirEnv(const std::string& folder) {
        if (const char* p = std::getenv("TMPDIR")) {
            had_ = true;
            previous_ = p;
        }
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TempDirEnv() {
        if (had_)
            setenv("TMPDIR", previous_.c_str(), 1);
        else
            unsetenv("TMPDIR");
    }

private:
    bool had_ = false;
    std::string previous_;
};

size_t StateFiles(const std::string& folder) {
    wxArrayString files;
    wxDir::GetAllFiles(wxString::FromUTF8(folder), &files, "mi*", wxDIR_FILES);
    return files.size();
}

class ModelUndo : public WxBaseTest {
protected:
    void SetUp() override {
        if (!folder.ok()) FAIL() << "sample file missing";
        data = folder.LoadTrial();
        model = std::make_unique<C3DModel>();
        testing::internal::CaptureStdout();
        const bool built = model->BuildModel(data.get(), wxString(), false);
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(built);
        ASSERT_EQ(model->SegmentCount, modeltest::kSegments);
    }
    void TearDown() override {
        if (model) model->ClearUndo();
    }

    modeltest::TrialFolder folder;
    testsupport::TempDir temp;
    std::unique_ptr<TDataFile> data;
    std::unique_ptr<C3DModel> model;
};

TEST_F(ModelUndo, ADragUndoneGivesBackTheGlyphsAndTheSameResults) {
    TempDirEnv env(temp.path());
    EXPECT_FALSE(model->IsModified());  // a build resets the flag
    const std::vector<double> kinematics = Values(model->Kinematics.get());
    const std::vector<double> force = Values(model->Joints[1]->Force.get());
    ASSERT_FALSE(kinematics.empty());
    model->UpdateSegmentObject(2, 100);
    const double pose[3] = {model->segmentObjects[2]->position[0], model->segmentObjects[2]->position[1],
                            model->segmentObjects[2]->position[2]};

    model->SelectItem(2, 1, true);
    ASSERT_TRUE(model->PushUndo("Move", data.get()));
    EXPECT_FALSE(model->IsModified()) << "a saved state leaves the flag as it was";
    EXPECT_EQ(StateFiles(temp.path()), 1u);
    model->OffsetSelectedObjects(30, 40, 1);  // offset Y
    model->OffsetSelectedObjects(3, 4, 5);    // rotation Z
    ASSERT_NE(model->segmentObjects[2]->offsetY, 0.0f);
    ASSERT_NE(model->segmentObjects[2]->rotationZ, 0.0f);

    testing::internal::CaptureStdout();
    EXPECT_TRUE(model->Undo(data.get()));
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(model->IsModified());
    EXPECT_EQ(model->GetUndoCount(), 0);
    EXPECT_EQ(StateFiles(temp.path()), 0u) << "the state's file goes with its record";
    EXPECT_FLOAT_EQ(model->segmentObjects[2]->offsetY, 0.0f);
    EXPECT_FLOAT_EQ(model->segmentObjects[2]->rotationZ, 0.0f);
    EXPECT_EQ(model->GetModelFileName(), wxString::FromUTF8(folder.file("lowerlimb_segments.ini")));
    model->UpdateSegmentObject(2, 100);
    for (int c = 0; c < 3; ++c) EXPECT_DOUBLE_EQ(model->segmentObjects[2]->position[c], pose[c]);
    // The rebuild from the saved state runs the same model on the same recording.
    const std::vector<double> again = Values(model->Kinematics.get());
    ASSERT_EQ(again.size(), kinematics.size());
    size_t different = 0;
    for (size_t i = 0; i < again.size(); ++i)
        if (!(again[i] == kinematics[i] || std::abs(again[i] - kinematics[i]) <= 1e-9 * (1 + std::abs(kinematics[i]))))
            ++different;
    EXPECT_EQ(different, 0u);
    const std::vector<double> forceAgain = Values(model->Joints[1]->Force.get());
    ASSERT_EQ(forceAgain.size(), force.size());
    for (size_t i = 0; i < force.size(); i += 97) EXPECT_NEAR(forceAgain[i], force[i], 1e-6 * (1 + std::abs(force[i])));
}

TEST_F(ModelUndo, AnEmptyStackUndoesNothingButMarksTheModel) {
    EXPECT_FALSE(model->Undo(data.get()));
    EXPECT_TRUE(model->IsModified());
    EXPECT_EQ(model->SegmentCount, modeltest::kSegments);
}

}  // namespace

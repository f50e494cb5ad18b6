// The body model of a scene listed in a tree control, and the scene exported with a progress gauge
// (real GTK windows under Xvfb).
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <wx/dataview.h>
#include <wx/filename.h>
#include <wx/bitmap.h>
#include <wx/bmpbndl.h>
#include <wx/frame.h>
#include <wx/gauge.h>

#include "model/C3DModel.h"
#include "model/ModelFixture.h"
#include "scene/My3DItemData.h"
#include "scene/shapeC3D.h"
#include "support/GLTestHarness.h"

namespace {

class ModelTree : public testsupport::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        if (HasFatalFailure()) return;
        frame = new wxFrame(nullptr, wxID_ANY, "model tree");
        tree = new wxDataViewTreeCtrl(frame, wxID_ANY);
        frame->Show();
    }
    void TearDown() override {
        if (frame) frame->Destroy();
        GLTest::TearDown();
    }
    // Loads the gait trial, whose companion names the fixture model: false (skip) without samples.
    bool LoadTrial() {
        if (!folder.ok()) return false;
        EXPECT_TRUE(scene.Load(wxString::FromUTF8(folder.trial())));
        EXPECT_NE(scene.GetModel(), nullptr);
        return scene.GetModel() != nullptr;
    }
    wxDataViewItem Child(const wxDataViewItem& parent, unsigned n) { return tree->GetNthChild(parent, n); }
    static const My3DItemData* Data(wxDataViewTreeCtrl* t, const wxDataViewItem& item) {
        return dynamic_cast<const My3DItemData*>(t->GetItemData(item));
    }

    modeltest::TrialFolder folder;
    shapeC3D scene;
    wxFrame* frame = nullptr;
    wxDataViewTreeCtrl* tree = nullptr;
};

TEST_F(ModelTree, SegmentsCentreOfMassAndJoints) {
    if (!LoadTrial()) FAIL() << "sample file missing";
    C3DModel* model = scene.GetModel();
    ASSERT_EQ(model->SegmentCount, modeltest::kSegments);
    ASSERT_TRUE(model->KinematicsDone);
    // The host's icons: segments, joints and the centre of mass take numbers 1, 2 and 4.
    wxVector<wxBitmapBundle> images;
    for (int i = 0; i < 5; ++i) images.push_back(wxBitmapBundle(wxBitmap(16, 16)));
    tree->SetImages(images);
    // Twice: the second call replaces what the first put in.
    ASSERT_TRUE(scene.FillModelTree(tree));
    ASSERT_TRUE(scene.FillModelTree(tree));

    const wxDataViewItem top;
    ASSERT_EQ(tree->GetChildCount(top), 1);
    const wxDataViewItem root = Child(top, 0);
    EXPECT_EQ(tree->GetItemText(root), wxFileName(model->GetModelFileName()).GetName());
    EXPECT_FALSE(tree->GetItemText(root).empty());
    EXPECT_TRUE(tree->IsContainer(root));
    EXPECT_EQ(tree->GetItemData(root), nullptr);
    ASSERT_EQ(tree->GetChildCount(root), 2);

    const wxDataViewItem segments = Child(root, 0);
    EXPECT_EQ(tree->GetItemText(segments), "Segments [7]");
    ASSERT_EQ(tree->GetChildCount(segments), modeltest::kSegments + 1);
    for (int i = 0; i <= modeltest::kSegments; ++i) {
        SCOPED_TRACE(i);
        const wxDataViewItem item = Child(segments, i);
        const My3DItemData* data = Data(tree, item);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->type, 100);
        EXPECT_EQ(data->index, i);
        EXPECT_EQ(data->name, model->GetItemName(i));
        EXPECT_TRUE(data->second.empty());
        EXPECT_TRUE(data->third.empty());
        EXPECT_EQ(tree->GetItemText(item), wxString::Format("%s [%d]", model->GetItemName(i), i + 1));
    }
    EXPECT_EQ(Data(tree, Child(segments, modeltest::kSegments))->name, "CoM");

    const wxDataViewItem joints = Child(root, 1);
    EXPECT_EQ(tree->GetItemText(joints), "Joints [9]");
    ASSERT_EQ(tree->GetChildCount(joints), modeltest::kJoints);
    for (int j = 0; j < modeltest::kJoints; ++j) {
        SCOPED_TRACE(j);
        const wxDataViewItem item = Child(joints, j);
        const My3DItemData* data = Data(tree, item);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->type, 101);
        EXPECT_EQ(data->index, j);
        EXPECT_EQ(data->name, model->GetJointName(j));
        EXPECT_EQ(tree->GetItemText(item), wxString::Format("%s [%d]", model->GetJointName(j), j + 1));
    }
    for (const wxDataViewItem& container : {root, segments, joints}) EXPECT_TRUE(tree->IsExpanded(container));
}

TEST_F(ModelTree, NoJointsNoFileNameNoModelNoTree) {
    if (!LoadTrial()) FAIL() << "sample file missing";
    C3DModel* model = scene.GetModel();
    model->JointCount = 0;
    model->modelFileName.clear();
    ASSERT_TRUE(scene.FillModelTree(tree));
    const wxDataViewItem root = Child(wxDataViewItem(), 0);
    EXPECT_EQ(tree->GetItemText(root), "NoName");
    ASSERT_EQ(tree->GetChildCount(root), 1);  // no joints node
    EXPECT_EQ(tree->GetItemText(Child(root, 0)), "Segments [7]");

    EXPECT_FALSE(scene.FillModelTree(nullptr));
    scene.DropModel();
    EXPECT_FALSE(scene.FillModelTree(tree));
    EXPECT_EQ(tree->GetChildCount(wxDataViewItem()), 0);
}

TEST_F(ModelTree, ExportFollowedByAProgressGauge) {
    if (!LoadTrial()) FAIL() << "sample file missing";
    auto* gauge = new wxGauge(frame, wxID_ANY, 1);
    std::ostringstream out;
    // The export lets the toolkit handle pending events between items; the gauge follows the
    // markers, links, segments and joints in turn and ends on the last joint.
    ASSERT_TRUE(scene.ExportVRML(out, 10 * scene.GetFrameRate(), gauge));
    EXPECT_EQ(gauge->GetRange(), modeltest::kJoints);
    EXPECT_EQ(gauge->GetValue(), modeltest::kJoints - 1);
    EXPECT_NE(out.str().find("DEF JNT_8 Transform {"), std::string::npos);
}

}  // namespace

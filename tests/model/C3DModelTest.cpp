#include "model/C3DModel.h"

#include <gtest/gtest.h>

#include "support/WxBaseFixture.h"

namespace {

using ModelStandIn = WxBaseTest;

TEST_F(ModelStandIn, BuildsNoModelAndKnowsNoItem) {
    C3DModel model;
    EXPECT_EQ(model.Divide, 1000.0);
    EXPECT_TRUE(model.showSegments);
    EXPECT_TRUE(model.showJoints);
    EXPECT_FALSE(model.BuildModel(nullptr, "walk.mod", false));
    EXPECT_FALSE(model.BuildModel(nullptr, "", true));
    EXPECT_EQ(model.SegmentCount, 0);
    EXPECT_EQ(model.JointCount, 0);
    EXPECT_EQ(model.GetModelFileName(), "");
    for (int id : {0, 1, 100000, 100005, -3}) {
        SCOPED_TRACE(id);
        float p[3] = {1, 2, 3};
        EXPECT_FALSE(model.GetItemPosition(id, p));
        EXPECT_EQ(p[0], 0.0f);
        EXPECT_EQ(model.MapItemIndex(id), -1);
        EXPECT_EQ(model.GetItemName(id), "");
        EXPECT_EQ(model.GetItemNameById(id), "");
        EXPECT_EQ(model.GetJointName(id), "");
    }
    model.SelectItem(100000, 1, true);
    EXPECT_EQ(model.CountSelected(), 0);
    wxArrayInt selection;
    model.GetSelection(selection);
    EXPECT_TRUE(selection.IsEmpty());
    float centre[3];
    EXPECT_FALSE(model.GetSelectionCentroid(centre));
}

TEST_F(ModelStandIn, CentreOfMassIsTheItemAfterTheSegments) {
    C3DModel model;
    model.comComputed = 1;
    EXPECT_EQ(model.GetItemName(0), "CoM");
    EXPECT_EQ(model.GetItemNameById(100000), "CoM");
    EXPECT_EQ(model.MapItemIndex(100000), 1);
    model.SelectItem(100000, 4, false);
    EXPECT_EQ(model.CountSelectedSegments(), 1);
    wxArrayInt selection;
    model.GetSelection(selection);
    ASSERT_EQ(selection.GetCount(), 1u);
    EXPECT_EQ(selection[0], 0);
    model.ClearSelection();
    EXPECT_EQ(model.CountSelected(), 0);
    model.Reset(true);
    EXPECT_EQ(model.comComputed, 0);
}

TEST_F(ModelStandIn, SavedStatesPushAndPop) {
    C3DModel model;
    EXPECT_FALSE(model.Undo(nullptr));
    EXPECT_TRUE(model.PushUndo("one", nullptr));
    EXPECT_TRUE(model.PushUndo("two", nullptr));
    EXPECT_EQ(model.GetUndoCount(), 2);
    EXPECT_TRUE(model.Undo(nullptr));
    EXPECT_EQ(model.GetUndoCount(), 1);
    model.ClearUndo();
    EXPECT_EQ(model.GetUndoCount(), 0);
}

}  // namespace

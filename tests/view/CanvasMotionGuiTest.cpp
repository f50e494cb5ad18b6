// The scene canvas on a real motion recording (written by the program's C3D writer and opened
// through the canvas's own load): picking its markers, the popup menu with their names, follow,
// freeze and free, adding markers and links to the display list, orbiting about and centring on
// the selection.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wx/arrstr.h>

#include "view/CanvasInputFixture.h"
#include "view/PopupMenuItems.h"
#include "scene/SceneRecordings.h"
#include "support/TestSupport.h"
#include "scene/shapeC3D.h"
#include "gl/wxGLCamera.h"
#include "scene/wxStructure.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kFrames = 20;

class CanvasMotionTest : public CanvasInputTest {
protected:
    void SetUp() override {
        CanvasInputTest::SetUp();
        if (HasFatalFailure()) return;
        scenetest::RecordingRecipe recipe;
        recipe.points = 3;
        recipe.frames = kFrames;
        recipe.labels = {"LASI", "RASI", "LKNE"};
        // Millimetres; RASI walks along x by 10 mm a frame.
        recipe.point = [](int f, int p, double xyz[3]) {
            const double at[3][3] = {{100, 100, 700}, {600, 200, 900}, {-700, -300, 200}};
            xyz[0] = at[p][0] + (p == 1 ? 10.0 * f : 0);
            xyz[1] = at[p][1];
            xyz[2] = at[p][2];
            return true;
        };
        const std::string path = scenetest::WriteRecording(recipe, dir_.path() + "/walk.c3d");
        ASSERT_FALSE(path.empty());
        ASSERT_TRUE(canvas->LoadShapeAndMotion(wxString::FromUTF8(path), false));
        motion = dynamic_cast<shapeC3D*>(canvas->GetObject());
        ASSERT_NE(motion, nullptr);
        ASSERT_EQ(motion->GetMarkerCount(), 3);
        Paint();
    }

    // Where the recording draws marker i now (scene units), as the object reports it.
    Point3D MarkerAt(int i) {
        wxArrayInt kept;
        motion->GetSelection(kept);
        motion->Select(0, -1, false);
        motion->Select(1, i + 1, false);
        float centre[3] = {0, 0, 0};
        EXPECT_TRUE(motion->GetSelectionCentre(centre));
        motion->Select(0, -1, false);
        for (std::size_t k = 0; k < kept.size(); ++k)
            if (kept[k] >= 0) motion->Select(int(k) + 1, kept[k] + 1, false);
        return Point3D(centre[0], centre[1], centre[2]);
    }

    void Click(int marker, bool ctrl = false) {
        Buttons left{true};
        left.ctrl = ctrl;
        Mouse(wxEVT_LEFT_DOWN, At(MarkerAt(marker)), left);
        Paint();
    }

    std::vector<std::string> Links() {
        wxArrayString names;
        if (motion->GetLinks() != nullptr) motion->GetLinks()->GetLinkNames(&names);
        std::vector<std::string> out;
        for (const wxString& name : names) out.push_back(name.utf8_string());
        return out;
    }

    testsupport::TempDir dir_;
    shapeC3D* motion = nullptr;
};

TEST_F(CanvasMotionTest, ClickAndHoverPickTheRecordingsMarkers) {
    const char* labels[] = {"LASI", "RASI", "LKNE"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(labels[i]);
        Click(i);
        EXPECT_EQ(Selection(motion), std::vector<int>{i});
        EXPECT_EQ(motion->GetSelectionOrder(i + 1), 1);
        EXPECT_EQ(Status(), labels[i]);
    }
    Click(0, true);
    EXPECT_EQ(Selection(motion), (std::vector<int>{2, 0}));

    ASSERT_TRUE(canvas->GetElementToolTips());
    Mouse(wxEVT_MOTION, At(MarkerAt(1)));
    Paint();
    EXPECT_TRUE(motion->IsHighlighted(2));
    EXPECT_FALSE(motion->IsHighlighted(1));
    EXPECT_EQ(canvas->GetToolTipText(), "RASI [2]");
    Mouse(wxEVT_MOTION, wxPoint(3, 3));
    Paint();
    EXPECT_FALSE(motion->IsHighlighted(2));
    EXPECT_EQ(canvas->GetToolTipText(), "");
}

TEST_F(CanvasMotionTest, PopupMenuNamesTheSelectedMarkers) {
    PopupMenuContext context;
    context.hasObject = context.isRecording = true;
    EXPECT_EQ(MenuItems(*canvas->CreatePopupMenu()), Expected(context));

    Click(1);
    context.markers = {1};
    context.firstMarkerName = "RASI";
    context.hasCentre = true;
    const std::vector<std::string> one = MenuItems(*canvas->CreatePopupMenu());
    EXPECT_EQ(one, Expected(context));
    ASSERT_GE(one.size(), 4u);
    EXPECT_EQ(one[0], "11013 And marker(s) to the display list");
    EXPECT_EQ(one[1], "-");
    EXPECT_EQ(one[2], "7006 Follow <RASI> Position");
    EXPECT_EQ(one[3], "7007 Freeze <RASI> Position");

    Click(2, true);
    context.markers = {1, 2};
    EXPECT_EQ(MenuItems(*canvas->CreatePopupMenu()), Expected(context));
}

TEST_F(CanvasMotionTest, FollowFreezeAndFree) {
    // Nothing selected: nothing to follow.
    Command(kCmdFollow);
    EXPECT_EQ(motion->GetReferenceMarker(), -1);

    Click(1);
    Command(kCmdFollow);
    EXPECT_EQ(motion->GetReferenceMarker(), 1);
    EXPECT_FALSE(motion->IsRelativeToReference());
    // The camera's centre tracks the marker as the recording plays.
    for (int f : {0, 10, 19}) {
        SCOPED_TRACE(f);
        canvas->GoToFrame(f, true);
        Paint();
        // The object reports positions in single precision.
        ExpectSamePoint(Centre(*canvas->GetCamera()), MarkerAt(1), 1e-6);
    }

    Command(kCmdFreeze);
    EXPECT_EQ(motion->GetReferenceMarker(), 1);
    EXPECT_TRUE(motion->IsRelativeToReference());
    Paint();
    ExpectSamePoint(Centre(*canvas->GetCamera()), Point3D(0, 0, 0));

    PopupMenuContext context;
    context.hasObject = context.isRecording = true;
    context.markers = {1};
    context.firstMarkerName = "RASI";
    context.referenceMarker = 1;
    context.referenceName = "RASI";
    context.hasCentre = true;
    EXPECT_EQ(MenuItems(*canvas->CreatePopupMenu()), Expected(context));

    Command(kCmdFree);
    EXPECT_EQ(motion->GetReferenceMarker(), -1);
    EXPECT_FALSE(motion->IsRelativeToReference());
}

TEST_F(CanvasMotionTest, AddMarkersAndLinksToTheDisplayList) {
    const std::vector<std::string> before = Links();
    // A link needs two markers: with one nothing is saved, added or announced.
    Click(2);
    Command(kCmdAddMarkersAndLink);
    EXPECT_EQ(canvas->GetUndoCount(), 0);
    EXPECT_EQ(frame->Count(myGLCanvas::kNotifyDisplayList), 0);
    EXPECT_EQ(Links(), before);

    Click(0, true);
    Command(kCmdAddMarkersAndLink);
    EXPECT_EQ(canvas->GetUndoCount(), 1);
    EXPECT_EQ(canvas->GetUndoDescription(), "View link");
    EXPECT_EQ(frame->Count(myGLCanvas::kNotifyDisplayList), 1);
    std::vector<std::string> links = Links();
    ASSERT_EQ(links.size(), before.size() + 1);
    EXPECT_EQ(links.back().rfind("3-1", 0), 0u) << links.back();

    Click(1);
    Command(kCmdAddMarkers);
    EXPECT_EQ(canvas->GetUndoCount(), 2);
    EXPECT_EQ(canvas->GetUndoDescription(), "View marker");
    EXPECT_EQ(frame->Count(myGLCanvas::kNotifyDisplayList), 2);
    links = Links();
    ASSERT_EQ(links.size(), before.size() + 2);
    EXPECT_EQ(links.back(), "2");

    // Nothing selected: nothing happens.
    Key(WXK_ESCAPE);
    Command(kCmdAddMarkers);
    EXPECT_EQ(canvas->GetUndoCount(), 2);
}

TEST_F(CanvasMotionTest, SpacePlaysAndStopsAndTellsTheOwner) {
    const int updates = frame->updates;
    EXPECT_FALSE(Key(WXK_SPACE));
    EXPECT_TRUE(canvas->IsPlaying());
    EXPECT_TRUE(canvas->IsTimerRunning());
    EXPECT_FALSE(canvas->IsReverse());
    EXPECT_EQ(frame->Count(myGLCanvas::kNotifyPlay), 1);
    EXPECT_GE(frame->updates, updates + 1);
    Key(WXK_SPACE);
    EXPECT_FALSE(canvas->IsPlaying());
    EXPECT_FALSE(canvas->IsTimerRunning());
    EXPECT_EQ(frame->Count(myGLCanvas::kNotifyStop), 1);
    EXPECT_GE(frame->updates, updates + 2);
}

TEST_F(CanvasMotionTest, OrbitTurnsAboutTheSelectionCentre) {
    Click(2);
    float centre[3];
    ASSERT_TRUE(canvas->GetCentre(centre));
    wxGLCamera expected = *canvas->GetCamera();
    expected.OrbitAround(-12 * kPi / 360, -5 * kPi / 360, centre[0], centre[1], centre[2]);
    Mouse(wxEVT_LEFT_DOWN, wxPoint(200, 50), {true});
    Mouse(wxEVT_MOTION, wxPoint(212, 55), {true});
    ExpectSamePoint(Eye(*canvas->GetCamera()), Eye(expected));
    ExpectSamePoint(Centre(*canvas->GetCamera()), Centre(expected));
}

TEST_F(CanvasMotionTest, CentreViewOnTheSelection) {
    Click(0);
    const Point3D eye = Eye(*canvas->GetCamera());
    const Point3D marker = MarkerAt(0);
    Command(kCmdCentreView);
    ExpectSamePoint(Centre(*canvas->GetCamera()), marker, 1e-6);
    ExpectSamePoint(canvas->GetDefaultCentre(), marker, 1e-6);
    ExpectSamePoint(Eye(*canvas->GetCamera()), eye);
}

}  // namespace

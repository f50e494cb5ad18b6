// The scene canvas's input in a real window under Xvfb: clicks and hovering pick markers at their
// projected pixels, manipulator handles, overflowing selection buffers, coalesced picks; mouse
// drags and the wheel move the camera by the mode and buttons; the keys; the popup menu's items
// and commands; the mode buttons.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <wx/menu.h>
#include <wx/tglbtn.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include "view/CanvasInputFixture.h"
#include "support/GLTestHarness.h"
#include "view/PickProcessing.h"
#include "view/PopupMenuItems.h"
#include "gl/wxGLCamera.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------------------------
// Picking

TEST_F(CanvasInputTest, ClickAtAMarkerSelectsIt) {
    PickableCloud* cloud = AdoptCloud();
    const char* names[] = {"LASI", "RASI", "LKNE"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(names[i]);
        const int updates = frame->updates;
        Mouse(wxEVT_LEFT_DOWN, At(kMarkers[i]), {true});
        EXPECT_TRUE(canvas->IsPickRequested());
        Paint();
        EXPECT_FALSE(canvas->IsPickRequested());
        // A click without Ctrl replaces the selection: the marker alone, with order 1.
        EXPECT_EQ(Selection(cloud), std::vector<int>{i});
        EXPECT_EQ(cloud->GetSelectionOrder(i + 1), 1);
        EXPECT_EQ(Status(), names[i]);
        EXPECT_EQ(frame->updates, updates + 1);
        EXPECT_EQ(canvas->GetPickMode(), kPickNone);
        EXPECT_EQ(testsupport::TakeGLErrors(), "");
    }
}

TEST_F(CanvasInputTest, ARealClickThroughTheXServerSelectsTheMarker) {
    PickableCloud* cloud = AdoptCloud();
    wxUIActionSimulator sim;
    const wxPoint target = canvas->ClientToScreen(At(kMarkers[1]));
    ASSERT_TRUE(sim.MouseMove(target));
    ASSERT_TRUE(testsupport::WaitUntil([&] { return wxGetMousePosition() == target; }));
    ASSERT_TRUE(sim.MouseClick());
    EXPECT_TRUE(testsupport::WaitUntil([&] { return !Selection(cloud).empty(); }));
    EXPECT_EQ(Selection(cloud), std::vector<int>{1});
    EXPECT_EQ(Status(), "RASI");
    // The pointer must not hover over the windows of the tests that follow.
    const wxPoint away(1270, 1010);
    ASSERT_TRUE(sim.MouseMove(away));
    EXPECT_TRUE(testsupport::WaitUntil([&] { return wxGetMousePosition() == away; }));
}

TEST_F(CanvasInputTest, CtrlClickAddsWithTheNextOrder) {
    PickableCloud* cloud = AdoptCloud();
    Mouse(wxEVT_LEFT_DOWN, At(kMarkers[2]), {true});
    Paint();
    Buttons ctrl{true};
    ctrl.ctrl = true;
    Mouse(wxEVT_LEFT_DOWN, At(kMarkers[0]), ctrl);
    Paint();
    EXPECT_EQ(Selection(cloud), (std::vector<int>{2, 0}));
    EXPECT_EQ(cloud->GetSelectionOrder(1), 2);
    // Without Ctrl the selection starts over.
    Mouse(wxEVT_LEFT_DOWN, At(kMarkers[1]), {true});
    Paint();
    EXPECT_EQ(Selection(cloud), std::vector<int>{1});
}

TEST_F(CanvasInputTest, EmptySpaceKeepsTheSelectionUntilADoubleClick) {
    PickableCloud* cloud = AdoptCloud();
    Mouse(wxEVT_LEFT_DOWN, At(kMarkers[1]), {true});
    Paint();
    const wxPoint empty(5, kHeight / 2);
    Mouse(wxEVT_LEFT_DOWN, empty, {true});
    Paint();
    EXPECT_EQ(Selection(cloud), std::vector<int>{1});
    Buttons ctrl{true};
    ctrl.ctrl = true;
    Mouse(wxEVT_LEFT_DCLICK, empty, ctrl);
    Paint();
    EXPECT_EQ(Selection(cloud), std::vector<int>{1});
    const int updates = frame->updates;
    Mouse(wxEVT_LEFT_DCLICK, empty, {true});
    Paint();
    EXPECT_TRUE(Selection(cloud).empty());
    EXPECT_EQ(frame->updates, updates + 1);
}

TEST_F(CanvasInputTest, HoverHighlightsAndNamesTheMarker) {
    PickableCloud* cloud = AdoptCloud();
    canvas->SetElementToolTips(true);
    Mouse(wxEVT_MOTION, At(kMarkers[1]));
    Paint();
    EXPECT_EQ(cloud->IsHighlighted(2), 1);
    EXPECT_EQ(cloud->IsHighlighted(1), 0);
    EXPECT_EQ(cloud->IsHighlighted(3), 0);
    EXPECT_TRUE(Selection(cloud).empty());
    EXPECT_EQ(Status(), "RASI");
    EXPECT_EQ(canvas->GetToolTipText(), "RASI [2]");

    Mouse(wxEVT_MOTION, At(kMarkers[2]));
    Paint();
    EXPECT_EQ(cloud->IsHighlighted(2), 0);
    EXPECT_EQ(cloud->IsHighlighted(3), 1);

    Mouse(wxEVT_MOTION, wxPoint(5, 5));
    Paint();
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(cloud->IsHighlighted(n), 0);
    EXPECT_EQ(canvas->GetToolTipText(), "");
    EXPECT_EQ(Status(), " ");

    // Without element tool tips only the status bar names it.
    canvas->SetElementToolTips(false);
    Mouse(wxEVT_MOTION, At(kMarkers[0]));
    Paint();
    EXPECT_EQ(Status(), "LASI");
    EXPECT_EQ(canvas->GetToolTipText(), "");
}

TEST_F(CanvasInputTest, MiddleClickPicksButChangesNoSelection) {
    PickableCloud* cloud = AdoptCloud();
    Mouse(wxEVT_LEFT_DOWN, At(kMarkers[0]), {true});
    Paint();
    Mouse(wxEVT_MOTION, At(kMarkers[1]));
    Paint();
    ASSERT_EQ(cloud->IsHighlighted(2), 1);
    Mouse(wxEVT_MIDDLE_DOWN, At(kMarkers[2]), Buttons{false, true});
    Paint();
    EXPECT_EQ(cloud->IsHighlighted(2), 0);
    EXPECT_EQ(cloud->IsHighlighted(3), 0);
    EXPECT_EQ(Selection(cloud), std::vector<int>{0});
}

TEST_F(CanvasInputTest, ModelItemsAreSelectedByTheirIds) {
    auto* cloud = new PickableCloud({kMarkers}, {"LASI", "RASI", "LKNE"});
    cloud->modelItems = {{-0.3, 0.4, 1.2}};
    canvas->Adopt(cloud);
    Paint();
    Mouse(wxEVT_LEFT_DOWN, At(cloud->modelItems[0]), {true});
    Paint();
    EXPECT_EQ(cloud->modelSelection, std::vector<int>{100000});
    EXPECT_EQ(Status(), "item0");
    // A model item is no marker: the commands on the selected marker do not take it.
    EXPECT_EQ(Selection(cloud), std::vector<int>{100000});
}

TEST_F(CanvasInputTest, HoverRequestsAreCoalescedIntoOnePickAndNoExtraPaint) {
    PickableCloud* cloud = AdoptCloud();
    const int passes = cloud->selectPasses;
    for (int i = 0; i < 3; ++i) Mouse(wxEVT_MOTION, At(kMarkers[i]));
    Mouse(wxEVT_MOTION, At(kMarkers[1]));
    const int refreshes = canvas->refreshes;
    Paint();
    EXPECT_EQ(cloud->selectPasses, passes + 1);
    EXPECT_EQ(cloud->IsHighlighted(2), 1);
    EXPECT_EQ(cloud->IsHighlighted(3), 0);
    // The pick asks for no repaint of its own: only the test's own request was made.
    EXPECT_EQ(canvas->refreshes, refreshes + 1);
    // Whatever is still due is painted now: no pick may come with it.
    canvas->Update();
    wxTheApp->Yield(true);
    EXPECT_EQ(cloud->selectPasses, passes + 1);
}

TEST_F(CanvasInputTest, AnOverflowingBufferIsNoHit) {
    // 600 markers on one spot make 3000 words of hit records: more than the buffer holds.
    std::vector<Point3D> crowd(600, Point3D(-0.2, 0, 0.8));
    std::vector<wxString> names(600, "crowd");
    crowd.push_back(kMarkers[1]);
    names.push_back("RASI");
    auto* cloud = new PickableCloud({crowd}, names);
    canvas->Adopt(cloud);
    canvas->SetElementToolTips(true);
    Paint();
    Mouse(wxEVT_LEFT_DOWN, At(kMarkers[1]), {true});
    Paint();
    ASSERT_EQ(Selection(cloud), std::vector<int>{600});

    Mouse(wxEVT_LEFT_DOWN, At(crowd[0]), {true});
    Paint();
    EXPECT_EQ(Selection(cloud), std::vector<int>{600});
    Mouse(wxEVT_LEFT_DCLICK, At(crowd[0]), {true});
    Paint();
    EXPECT_TRUE(Selection(cloud).empty());
    EXPECT_EQ(canvas->GetToolTipText(), "");
    EXPECT_EQ(testsupport::TakeGLErrors(), "");
}

TEST_F(CanvasInputTest, HandleClickThenDragMovesTheSelection) {
    selected_trajectory_enabled = 1;
    PickableCloud* cloud = AdoptCloud();
    const wxPoint marker = At(kMarkers[0]);
    // A right click selects with the manipulator on; its Y arrow is then drawn beside the marker.
    Mouse(wxEVT_RIGHT_DOWN, marker, Buttons{false, false, true});
    Paint();
    ASSERT_EQ(Selection(cloud), std::vector<int>{0});
    ASSERT_TRUE(cloud->selects.back().manipulate);
    EXPECT_EQ(canvas->GetActiveHandle(), -1);

    // Hovering over the handle highlights the marker and leaves the handle inactive.
    const wxPoint handle = At(kMarkers[0] + cloud->handleOffset);
    Mouse(wxEVT_MOTION, handle);
    Paint();
    EXPECT_EQ(canvas->GetActiveHandle(), -1);

    Mouse(wxEVT_RIGHT_DOWN, handle, Buttons{false, false, true});
    Paint();
    EXPECT_EQ(canvas->GetActiveHandle(), 1);
    EXPECT_EQ(cloud->lastActiveHandle, 1);

    // The first event of this drag reports no motion: no saved state, and none later either.
    Buttons right{false, false, true};
    MoveTo(handle, right);
    EXPECT_TRUE(cloud->moves.empty());
    MoveTo(handle + wxPoint(3, -2), right);
    ASSERT_EQ(cloud->moves.size(), 1u);
    EXPECT_TRUE(cloud->undoTexts.empty());
    const double h = 2.0 / canvas->GetCamera()->GetLens();
    EXPECT_NEAR(cloud->moves[0][0], 3 * h, 1e-6);
    EXPECT_NEAR(cloud->moves[0][1], -2 * h, 1e-6);
    EXPECT_EQ(cloud->moves[0][2], 1);
    EXPECT_EQ(frame->Count(myGLCanvas::kNotifySelectionMoved), 1);

    // A new drag that moves at once saves exactly one state.
    Press(wxEVT_RIGHT_DOWN, handle, right);
    MoveTo(handle + wxPoint(1, 1), right);
    MoveTo(handle + wxPoint(4, 1), right);
    EXPECT_EQ(cloud->undoTexts, std::vector<std::string>{"Move object"});
    EXPECT_EQ(cloud->moves.size(), 3u);
    EXPECT_EQ(frame->Count(myGLCanvas::kNotifySelectionMoved), 3);
    const Point3D eye = Eye(*canvas->GetCamera());
    ExpectSamePoint(Eye(*canvas->GetCamera()), eye);
}

TEST_F(CanvasInputTest, ClearedSceneForgetsTheActiveHandle) {
    selected_trajectory_enabled = 1;
    PickableCloud* cloud = AdoptCloud();
    Mouse(wxEVT_RIGHT_DOWN, At(kMarkers[0]), Buttons{false, false, true});
    Paint();
    Mouse(wxEVT_RIGHT_DOWN, At(kMarkers[0] + cloud->handleOffset), Buttons{false, false, true});
    Paint();
    ASSERT_EQ(canvas->GetActiveHandle(), 1);
    canvas->ClearScene();
    EXPECT_EQ(canvas->GetActiveHandle(), -1);
    // A drag now turns the camera instead of moving a selection that is gone.
    const Point3D eye = Eye(*canvas->GetCamera());
    Mouse(wxEVT_LEFT_DOWN, wxPoint(100, 100), {true});
    MoveTo(wxPoint(120, 100), {true});
    EXPECT_GT((Eye(*canvas->GetCamera()) - eye).Length(), 1e-3);
}

// ---------------------------------------------------------------------------------------------
// Drags and the wheel

TEST_F(CanvasInputTest, DragsMoveTheCameraByModeAndButtons) {
    AdoptCloud();
    const double h = 2.0 / canvas->GetCamera()->GetLens();
    const double turn = kPi / 360;
    Buttons left{true}, right{false, false, true}, middle{false, true}, both{true, false, true};
    Buttons leftAlt = left;
    leftAlt.alt = true;
    const struct {
        const char* what;
        int mode;
        Buttons buttons;
        int dx, dy;
        std::function<void(wxGLCamera&)> expected;
    } cases[] = {
        {"orbit", 0, left, 10, -4, [&](wxGLCamera& c) { c.Rotate(-4 * turn, 10 * turn); }},
        {"orbit in mode 2", 2, left, -7, 3, [&](wxGLCamera& c) { c.Rotate(3 * turn, -7 * turn); }},
        {"pan with both buttons", 0, both, 20, 5, [&](wxGLCamera& c) { c.Pan(20 * h, 5 * h); }},
        {"pan in mode 1", 1, left, 100, 0, [&](wxGLCamera& c) { c.Pan(100 * h, 0); }},
        {"Alt: dolly in mode 1", 1, leftAlt, 3, 10, [&](wxGLCamera& c) { c.Dolly(10 * h); }},
        {"dolly in mode 4", 4, left, 3, 10, [&](wxGLCamera& c) { c.Dolly(-10 * h); }},
        {"zoom in with the right button", 0, right, 2, -30, [](wxGLCamera& c) { c.ZoomIn(); }},
        {"zoom out in mode 3", 3, left, 0, 2, [](wxGLCamera& c) { c.ZoomOut(); }},
        {"zoom: sideways does nothing", 3, left, 25, 0, [](wxGLCamera&) {}},
        {"middle button pans", 0, middle, -6, 8, [&](wxGLCamera& c) { c.Pan(-6 * h, 8 * h); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        canvas->ResetView();
        canvas->SetMouseMode(c.mode);
        wxGLCamera expected = *canvas->GetCamera();
        c.expected(expected);
        const wxPoint start(150, 120);
        const wxEventType down = c.buttons.left     ? wxEVT_LEFT_DOWN
                                 : c.buttons.right ? wxEVT_RIGHT_DOWN
                                                    : wxEVT_MIDDLE_DOWN;
        Press(down, start, c.buttons);
        MoveTo(start + wxPoint(c.dx, c.dy), c.buttons);
        ExpectSamePoint(Eye(*canvas->GetCamera()), Eye(expected));
        ExpectSamePoint(Centre(*canvas->GetCamera()), Centre(expected));
        EXPECT_DOUBLE_EQ(canvas->GetCamera()->GetLens(), expected.GetLens());
        EXPECT_TRUE(canvas->IsDragInProgress());
    }
    canvas->SetMouseMode(0);
}

TEST_F(CanvasInputTest, ZoomDragStepsOncePerEvent) {
    AdoptCloud();
    canvas->SetMouseMode(3);
    const double lens = canvas->GetCamera()->GetLens();
    Press(wxEVT_LEFT_DOWN, wxPoint(100, 100), {true});
    MoveTo(wxPoint(100, 40), {true});
    const double once = canvas->GetCamera()->GetLens();
    EXPECT_LT(once, lens);
    MoveTo(wxPoint(100, 39), {true});
    EXPECT_NEAR(canvas->GetCamera()->GetLens() / once, once / lens, 1e-9);
}

TEST_F(CanvasInputTest, SameDragDolliesOppositeWaysInModes1And4) {
    AdoptCloud();
    Buttons leftAlt{true};
    leftAlt.alt = true;
    double distances[2];
    const int modes[2] = {1, 4};
    for (int k = 0; k < 2; ++k) {
        canvas->ResetView();
        canvas->SetMouseMode(modes[k]);
        const double before = Distance(*canvas->GetCamera());
        Press(wxEVT_LEFT_DOWN, wxPoint(100, 100), leftAlt);
        MoveTo(wxPoint(100, 110), leftAlt);
        distances[k] = Distance(*canvas->GetCamera()) - before;
    }
    EXPECT_LT(distances[0], 0);
    EXPECT_GT(distances[1], 0);
    EXPECT_NEAR(distances[0], -distances[1], 1e-9);
}

TEST_F(CanvasInputTest, AltMiddleDragMovesTheEyeAlongTheSightButNeverPastTheCentre) {
    AdoptCloud();
    Buttons altMiddle{false, true};
    altMiddle.alt = true;
    wxGLCamera* camera = canvas->GetCamera();
    const Point3D centre = Centre(*camera);
    const double d = Distance(*camera);
    Press(wxEVT_MIDDLE_DOWN, wxPoint(100, 100), altMiddle);
    MoveTo(wxPoint(100, 105), altMiddle);
    EXPECT_NEAR(Distance(*camera), d * 1.5, 1e-9);
    ExpectSamePoint(Centre(*camera), centre);

    // Ten pixels up would put the eye on the centre, more would put it past: refused.
    const Point3D eye = Eye(*camera);
    for (int dy : {-10, -25}) {
        SCOPED_TRACE(dy);
        Press(wxEVT_MIDDLE_DOWN, wxPoint(100, 100), altMiddle);
        MoveTo(wxPoint(100, 100 + dy), altMiddle);
        ExpectSamePoint(Eye(*camera), eye);
    }
    Press(wxEVT_MIDDLE_DOWN, wxPoint(100, 100), altMiddle);
    MoveTo(wxPoint(100, 95), altMiddle);
    EXPECT_NEAR(Distance(*camera), d * 1.5 * 0.5, 1e-9);
}

TEST_F(CanvasInputTest, DollyDragsNeverReachTheCentre) {
    AdoptCloud();
    canvas->SetMouseMode(4);
    wxGLCamera* camera = canvas->GetCamera();
    // A long upward drag in one event: far more than the whole way.
    const Point3D eye = Eye(*camera);
    Press(wxEVT_LEFT_DOWN, wxPoint(100, 200), {true});
    MoveTo(wxPoint(100, 10), {true});
    ExpectSamePoint(Eye(*camera), eye);
    // Many short ones approach the centre but never get there.
    for (int y = 200; y > 10; y -= 5) MoveTo(wxPoint(100, y), {true});
    EXPECT_GT(Distance(*camera), 0);
    canvas->SetMouseMode(0);
}

TEST_F(CanvasInputTest, Wheel) {
    std::vector<std::vector<Point3D>> frames(5, kMarkers);
    auto* cloud = new PickableCloud(frames, {"LASI", "RASI", "LKNE"});
    canvas->Adopt(cloud);
    Paint();
    canvas->GoToFrame(2, true);
    ASSERT_EQ(cloud->GetCurrentFrame(), 2);
    // Away from the user: a frame back; towards: a frame forward.
    Mouse(wxEVT_MOUSEWHEEL, wxPoint(50, 50), Buttons(), 120);
    EXPECT_EQ(cloud->GetCurrentFrame(), 1);
    Mouse(wxEVT_MOUSEWHEEL, wxPoint(50, 50), Buttons(), -120);
    Mouse(wxEVT_MOUSEWHEEL, wxPoint(50, 50), Buttons(), -120);
    EXPECT_EQ(cloud->GetCurrentFrame(), 3);

    Buttons ctrl;
    ctrl.ctrl = true;
    const double d = Distance(*canvas->GetCamera());
    Mouse(wxEVT_MOUSEWHEEL, wxPoint(50, 50), ctrl, 120);
    EXPECT_NEAR(Distance(*canvas->GetCamera()), d * (1 - double(0.05f)), 1e-9);
    Mouse(wxEVT_MOUSEWHEEL, wxPoint(50, 50), ctrl, -120);
    EXPECT_NEAR(Distance(*canvas->GetCamera()),
                d * (1 - double(0.05f)) * (1 + double(0.05f)), 1e-9);
    EXPECT_EQ(cloud->GetCurrentFrame(), 3);
}

TEST_F(CanvasInputTest, IgnoredEventsAreConsumedAndLeaveThePickState) {
    AdoptCloud();
    Mouse(wxEVT_MOTION, wxPoint(10, 10));
    Paint();
    for (wxEventType type : {wxEVT_LEFT_UP, wxEVT_RIGHT_DCLICK, wxEVT_MIDDLE_DCLICK,
                             wxEVT_ENTER_WINDOW, wxEVT_LEAVE_WINDOW, wxEVT_AUX1_DOWN,
                             wxEVT_MOUSEWHEEL}) {
        SCOPED_TRACE(type);
        EXPECT_TRUE(Mouse(type, wxPoint(20, 30)));
        EXPECT_FALSE(canvas->IsPickRequested());
    }
}

// ---------------------------------------------------------------------------------------------
// Keys

TEST_F(CanvasInputTest, Keys) {
    PickableCloud* cloud = AdoptCloud();
    wxGLCamera* camera = canvas->GetCamera();

    // Tab cycles the modes, and the buttons show exactly the current one pressed.
    for (int expected : {1, 2, 3, 4, 0}) {
        EXPECT_FALSE(Key(WXK_TAB));
        EXPECT_EQ(canvas->GetMouseMode(), expected);
        for (int i = 0; i < 5; ++i) {
            auto* button = wxDynamicCast(canvas->FindWindow(6000 + i), wxToggleButton);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->GetValue(), i == expected);
        }
    }

    int updates = frame->updates;
    const double lens = camera->GetLens();
    Key('+');
    EXPECT_LT(camera->GetLens(), lens);
    Key('-');
    EXPECT_NEAR(camera->GetLens(), lens, 1e-9);
    EXPECT_EQ(frame->updates, updates + 2);

    const double d = Distance(*camera);
    Key(WXK_UP);
    EXPECT_NEAR(Distance(*camera), d * 0.9, 1e-9);
    Key(WXK_DOWN);
    EXPECT_NEAR(Distance(*camera), d * 0.9 * 1.1, 1e-9);

    wxGLCamera expected = *camera;
    expected.RotateAxis(2, kPi / 360);
    expected.RotateAxis(0, -kPi / 360);
    Key('z');
    Key('X');
    ExpectSamePoint(Eye(*camera), Eye(expected));

    EXPECT_FALSE(canvas->GetWire());
    Key('w');
    EXPECT_TRUE(canvas->GetWire());
    EXPECT_TRUE(cloud->IsWireframe());
    Key('W');
    EXPECT_FALSE(cloud->IsWireframe());
    const bool cull = canvas->GetRenderFlags()[my3DCanvas::kCull];
    Key('c');
    EXPECT_NE(canvas->GetRenderFlags()[my3DCanvas::kCull], cull);
    const bool smooth = canvas->GetRenderFlags()[my3DCanvas::kSmooth];
    Key('S');
    EXPECT_NE(canvas->GetRenderFlags()[my3DCanvas::kSmooth], smooth);

    // F10 four times turns the object back to where it started.
    const Quaternion start = *cloud->GetWorldOrientation();
    for (int i = 0; i < 4; ++i) Key(WXK_F10);
    const Quaternion end = *cloud->GetWorldOrientation();
    const double dot = start.x * end.x + start.y * end.y + start.z * end.z + start.w * end.w;
    EXPECT_NEAR(std::fabs(dot), 1, 1e-9);
    Key(WXK_F11);
    EXPECT_EQ(cloud->rotations.back(), (std::pair<int, double>(1, kPi / 2)));
    // F12 and the page keys belong to the main window's menus: the view passes them on.
    const size_t turns = cloud->rotations.size();
    for (int key : {WXK_F12, WXK_PAGEUP, WXK_PAGEDOWN}) EXPECT_TRUE(Key(key));
    EXPECT_EQ(cloud->rotations.size(), turns);

    Mouse(wxEVT_LEFT_DOWN, At(kMarkers[0]), {true});
    Paint();
    ASSERT_FALSE(Selection(cloud).empty());
    Key(WXK_ESCAPE);
    EXPECT_TRUE(Selection(cloud).empty());

    // Frame keys repaint through the time change and do not call Update.
    updates = frame->updates;
    EXPECT_FALSE(Key(WXK_END));
    EXPECT_FALSE(Key(WXK_HOME));
    EXPECT_EQ(frame->updates, updates);

    // Keys without an action go on to the toolkit.
    EXPECT_TRUE(Key('a'));
    EXPECT_TRUE(Key(WXK_F9));
    EXPECT_EQ(frame->updates, updates);

    Key('r');
    EXPECT_FALSE(canvas->GetRenderFlags()[my3DCanvas::kCull]);
    EXPECT_TRUE(canvas->GetRenderFlags()[my3DCanvas::kSmooth]);
    EXPECT_EQ(testsupport::TakeGLErrors(), "");
}

TEST_F(CanvasInputTest, KeysWithoutAnObject) {
    for (int key : {WXK_ESCAPE, WXK_F10, WXK_F11, WXK_SPACE, WXK_LEFT, WXK_HOME}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(Key(key));
    }
}

// ---------------------------------------------------------------------------------------------
// The popup menu and its commands

TEST_F(CanvasInputTest, PopupMenuItems) {
    PopupMenuContext none;
    EXPECT_EQ(MenuItems(*canvas->CreatePopupMenu()), Expected(none));
    const std::unique_ptr<wxMenu> menu = canvas->CreatePopupMenu();
    for (wxMenuItem* item : menu->GetMenuItems()) {
        EXPECT_FALSE(item->IsCheckable());
        EXPECT_TRUE(item->IsEnabled());
        EXPECT_EQ(item->GetHelp(), "");
    }

    canvas->Adopt(new PickableCloud({kMarkers}, {"LASI", "RASI", "LKNE"}, 100, "mesh"));
    PopupMenuContext mesh;
    mesh.hasObject = true;
    EXPECT_EQ(MenuItems(*canvas->CreatePopupMenu()), Expected(mesh));
}

TEST_F(CanvasInputTest, RightClickOpensTheMenuByModeAndCtrl) {
    AdoptCloud();
    Buttons right{false, false, true};
    Mouse(wxEVT_RIGHT_DOWN, wxPoint(40, 50), right);
    EXPECT_TRUE(canvas->popups.empty());
    EXPECT_TRUE(canvas->IsPickRequested());
    Paint();

    Buttons ctrlRight = right;
    ctrlRight.ctrl = true;
    Mouse(wxEVT_RIGHT_DOWN, wxPoint(41, 51), ctrlRight);
    ASSERT_EQ(canvas->popups.size(), 1u);
    EXPECT_EQ(canvas->popups[0], wxPoint(41, 51));
    EXPECT_FALSE(canvas->IsPickRequested());
    EXPECT_EQ(canvas->GetPickMode(), kPickRight);

    for (int mode = 1; mode <= 4; ++mode) {
        SCOPED_TRACE(mode);
        canvas->SetMouseMode(mode);
        Mouse(wxEVT_RIGHT_DOWN, wxPoint(42, 52), right);
        EXPECT_EQ(canvas->popups.size(), 1u + mode);
        EXPECT_FALSE(canvas->IsPickRequested());
    }
    canvas->SetMouseMode(0);
}

TEST_F(CanvasInputTest, ViewCommands) {
    AdoptCloud();
    wxGLCamera* camera = canvas->GetCamera();
    const struct {
        int id;
        void (wxGLCamera::*preset)();
    } views[] = {{kCmdFrontView, &wxGLCamera::ViewFront}, {kCmdBackView, &wxGLCamera::ViewBack},
                 {kCmdLeftView, &wxGLCamera::ViewLeft},   {kCmdRightView, &wxGLCamera::ViewRight},
                 {kCmdTopView, &wxGLCamera::ViewTop},     {kCmdBottomView, &wxGLCamera::ViewBottom}};
    for (const auto& v : views) {
        SCOPED_TRACE(v.id);
        canvas->ResetView();
        camera->Rotate(0.3, 0.7);
        wxGLCamera expected = *camera;
        (expected.*v.preset)();
        Command(v.id);
        ExpectSamePoint(Eye(*camera), Eye(expected));
    }
    camera->Rotate(0.3, 0.7);
    Command(kCmdResetView);
    ExpectSamePoint(Eye(*camera), canvas->GetDefaultEye());
    ExpectSamePoint(Centre(*camera), canvas->GetDefaultCentre());
}

TEST_F(CanvasInputTest, VerticalAxisCommandsReplaceEachOther) {
    PickableCloud* cloud = AdoptCloud();
    const Matrix4x4 identity = *cloud->GetOrientationMatrix();
    Command(kCmdVerticalAxisX);
    EXPECT_EQ(canvas->GetVerticalAxis(), 1);
    const Matrix4x4 turned = *cloud->GetOrientationMatrix();
    // The Y axis of the object now points along Z.
    EXPECT_NEAR(turned.m[6], 1, 1e-12);
    Command(kCmdVerticalAxisX);
    for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(cloud->GetOrientationMatrix()->m[i], turned.m[i]);
    Command(kCmdVerticalAxisZ);
    EXPECT_EQ(canvas->GetVerticalAxis(), 3);
    Command(kCmdResetVerticalAxis);
    EXPECT_EQ(canvas->GetVerticalAxis(), 0);
    for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(cloud->GetOrientationMatrix()->m[i], identity.m[i]);

    // Without an object nothing changes.
    canvas->ClearScene();
    Command(kCmdVerticalAxisY);
    EXPECT_EQ(canvas->GetVerticalAxis(), 0);
}

TEST_F(CanvasInputTest, CentreViewWithoutASelectionCentreOnlyRepaints) {
    AdoptCloud();
    wxGLCamera* camera = canvas->GetCamera();
    const Point3D centre = Centre(*camera);
    Command(kCmdCentreView);
    ExpectSamePoint(Centre(*camera), centre);
}

TEST_F(CanvasInputTest, ModeButtonsAreConsumedByTheCanvas) {
    std::vector<int> seenByFrame;
    frame->Bind(wxEVT_TOGGLEBUTTON, [&](wxCommandEvent& e) { seenByFrame.push_back(e.GetId()); });
    frame->Bind(wxEVT_MENU, [&](wxCommandEvent& e) {
        seenByFrame.push_back(e.GetId());
        e.Skip();
    }, 6000, 6004);
    for (int i = 4; i >= 0; --i) {
        SCOPED_TRACE(i);
        auto* button = wxDynamicCast(canvas->FindWindow(6000 + i), wxToggleButton);
        ASSERT_NE(button, nullptr);
        wxCommandEvent click(wxEVT_TOGGLEBUTTON, 6000 + i);
        click.SetEventObject(button);
        click.SetInt(1);
        button->GetEventHandler()->ProcessEvent(click);
        EXPECT_EQ(canvas->GetMouseMode(), i);
    }
    EXPECT_TRUE(seenByFrame.empty());
}

}  // namespace

// The mouse without a window: the mode cycle, what each event does to the pick state, the drag
// action of every mode and button, the size of each drag step, the wheel, and the eye move along
// the line of sight.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "view/MouseModes.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

TEST(MouseMode, ValidModesAndTheTabCycle) {
    const struct {
        int mode, valid, next;
    } cases[] = {{0, 0, 1}, {1, 1, 2}, {2, 2, 3},  {3, 3, 4},
                 {4, 4, 0}, {5, 0, 1}, {7, 0, 1}, {-1, 0, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        EXPECT_EQ(ValidMouseMode(c.mode), c.valid);
        EXPECT_EQ(NextMouseMode(c.mode), c.next);
    }
}

TEST(RespondToMouse, EventTable) {
    using K = MouseEventKind;
    struct Expect {
        bool repaint, focus, endDrag, keep;
        int pickMode;
        bool pick, popup;
    };
    const struct {
        const char* what;
        K kind;
        int mode;
        bool ctrl;
        Expect e;
    } cases[] = {
        {"right click, mode 0", K::RightDown, 0, false, {true, true, true, true, 2, true, false}},
        {"Ctrl+right click, mode 0", K::RightDown, 0, true, {true, true, true, true, 2, false, true}},
        {"right click, mode 1", K::RightDown, 1, false, {true, true, true, true, 2, false, true}},
        {"right click, mode 4", K::RightDown, 4, true, {true, true, true, true, 2, false, true}},
        {"left click", K::LeftDown, 2, false, {true, true, true, false, 1, true, false}},
        {"Ctrl+left click", K::LeftDown, 0, true, {true, true, true, true, 1, true, false}},
        {"middle click", K::MiddleDown, 0, true, {true, true, true, true, 3, true, false}},
        {"hover", K::Hover, 3, false, {true, false, true, true, 4, true, false}},
        {"double click", K::LeftDoubleClick, 0, false, {true, true, true, false, 6, true, false}},
        {"Ctrl+double click", K::LeftDoubleClick, 0, true, {true, true, true, true, 6, true, false}},
        {"wheel", K::Wheel, 0, true, {true, false, true, true, -1, false, false}},
        {"a drag", K::Drag, 0, false, {true, false, false, true, 5, false, false}},
        {"anything else", K::Other, 0, true, {false, false, false, true, -1, false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const MouseResponse r = RespondToMouse(c.kind, c.mode, c.ctrl);
        EXPECT_EQ(r.repaint, c.e.repaint);
        EXPECT_EQ(r.setFocus, c.e.focus);
        EXPECT_EQ(r.endDrag, c.e.endDrag);
        EXPECT_EQ(r.keepSelection, c.e.keep);
        EXPECT_EQ(r.pickMode, c.e.pickMode);
        EXPECT_EQ(r.requestPick, c.e.pick);
        EXPECT_EQ(r.showPopup, c.e.popup);
    }
}

TEST(WheelAction, StepsAndDolly) {
    const struct {
        const char* what;
        int rotation, delta;
        bool ctrl;
        bool dolly;
        double amount;
        int frameStep;
    } cases[] = {
        {"away from the user: a frame back", 120, 120, false, false, 0, -1},
        {"towards the user: a frame forward", -120, 120, false, false, 0, 1},
        {"half a notch still steps", 60, 120, false, false, 0, -1},
        {"Ctrl: dolly in", 120, 120, true, true, double(0.05f), 0},
        {"Ctrl: dolly out", -120, 120, true, true, -double(0.05f), 0},
        {"Ctrl: two notches are one step", 240, 120, true, true, double(0.05f), 0},
        {"Ctrl: less than a notch", 60, 120, true, true, 0, 0},
        {"Ctrl: no notch size", 30, 0, true, true, double(0.05f), 0},
        {"Ctrl: a negative notch size", -30, -120, true, true, -double(0.05f), 0},
        {"no rotation", 0, 120, true, false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const WheelStep s = WheelAction(c.rotation, c.delta, c.ctrl);
        EXPECT_EQ(s.dolly, c.dolly);
        EXPECT_EQ(s.amount, c.amount);
        EXPECT_EQ(s.frameStep, c.frameStep);
    }
}

TEST(ChooseDragAction, ModesAndButtons) {
    using A = DragAction;
    // Per mode: left, right, middle, left + right, left + middle, no known button.
    const struct {
        int mode;
        A left, right, middle, leftRight, leftMiddle, none;
    } cases[] = {
        {0, A::Orbit, A::Zoom, A::MiddleMove, A::Pan, A::Orbit, A::None},
        {1, A::Pan, A::Zoom, A::MiddleMove, A::Pan, A::Pan, A::None},
        {2, A::Orbit, A::Zoom, A::MiddleMove, A::Orbit, A::Orbit, A::None},
        {3, A::Zoom, A::Zoom, A::MiddleMove, A::Zoom, A::Zoom, A::None},
        {4, A::Dolly, A::Zoom, A::MiddleMove, A::Dolly, A::Dolly, A::None},
        {9, A::Orbit, A::Zoom, A::MiddleMove, A::Pan, A::Orbit, A::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        EXPECT_EQ(ChooseDragAction(c.mode, true, false, false, -1), c.left);
        EXPECT_EQ(ChooseDragAction(c.mode, false, false, true, -1), c.right);
        EXPECT_EQ(ChooseDragAction(c.mode, false, true, false, -1), c.middle);
        EXPECT_EQ(ChooseDragAction(c.mode, true, false, true, -1), c.leftRight);
        EXPECT_EQ(ChooseDragAction(c.mode, true, true, false, -1), c.leftMiddle);
        EXPECT_EQ(ChooseDragAction(c.mode, false, false, false, -1), c.none);
        // An active handle makes every drag a move of the selection.
        for (int handle = 0; handle < 6; ++handle)
            EXPECT_EQ(ChooseDragAction(c.mode, false, false, true, handle), A::MoveSelection);
    }
}

TEST(ComputeDragStep, StepsOfEachAction) {
    using Op = DragOp;
    const double h = 2.0 / 45;
    const double turn = kPi / 360;
    auto input = [](int mode, bool l, bool m, bool r, bool alt, double dx, double dy) {
        DragInput in;
        in.mouseMode = mode;
        in.left = l;
        in.middle = m;
        in.right = r;
        in.altDown = alt;
        in.dx = dx;
        in.dy = dy;
        return in;
    };
    const struct {
        const char* what;
        DragInput in;
        Op op;
        double a, b;
        int pickMode;
    } cases[] = {
        {"pan of 100 pixels", input(1, true, false, false, false, 100, 0), Op::Pan, 100 * h, 0, 2},
        {"pan with both buttons", input(0, true, false, true, false, -3, 7), Op::Pan, -3 * h,
         7 * h, 2},
        {"Alt in mode 1: dolly by dy", input(1, true, false, false, true, 4, 6), Op::Dolly, 6 * h,
         0, 2},
        {"mode 4: dolly by -dy", input(4, true, false, false, false, 4, 6), Op::Dolly, -6 * h, 0,
         5},
        {"mode 4 without vertical motion", input(4, true, false, false, false, 4, 0), Op::None, 0,
         0, 5},
        {"orbit without a centre", input(0, true, false, false, false, 10, -4), Op::Rotate,
         -4 * turn, 10 * turn, 1},
        {"zoom in: upwards", input(3, true, false, false, false, 0, -50), Op::ZoomIn, 0, 0, 5},
        {"zoom out: downwards", input(0, false, false, true, false, 9, 1), Op::ZoomOut, 0, 0, 5},
        {"zoom: sideways does nothing", input(3, true, false, false, false, 40, 0), Op::None, 0, 0,
         5},
        {"middle button: pan", input(0, false, true, false, false, 5, -5), Op::Pan, 5 * h,
         -5 * h, 2},
        {"Alt+middle button: along the sight", input(2, false, true, false, true, 5, -3),
         Op::MoveEyeAlongSight, -0.3, 0, 5},
        {"no known button", input(0, false, false, false, false, 5, 5), Op::None, 0, 0, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DragStep s = ComputeDragStep(c.in);
        EXPECT_EQ(s.op, c.op);
        EXPECT_NEAR(s.a, c.a, 1e-12);
        EXPECT_NEAR(s.b, c.b, 1e-12);
        EXPECT_EQ(s.pickMode, c.pickMode);
    }
}

TEST(ComputeDragStep, OrbitAboutTheSelectionCentre) {
    DragInput in;
    in.left = true;
    in.dx = 36;
    in.dy = -18;
    in.hasCentre = true;
    const DragStep s = ComputeDragStep(in);
    EXPECT_EQ(s.op, DragOp::OrbitAround);
    EXPECT_NEAR(s.a, -36 * kPi / 360, 1e-12);
    EXPECT_NEAR(s.b, 18 * kPi / 360, 1e-12);
    EXPECT_EQ(s.pickMode, kPickLeft);
}

TEST(ComputeDragStep, ManipulatorMoves) {
    const struct {
        int handle;
        double dx, dy;
        bool moves;
        double scale;
    } cases[] = {
        {0, 3, -2, true, 2.0 / 30},   // arrows: pan scale / lens
        {2, 0, 5, true, 2.0 / 30},
        {3, 3, -2, true, 0.1},        // rings: 0.1 per pixel
        {5, -1, 0, true, 0.1},
        {1, 0, 0, false, 0},          // no motion, no move
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.handle);
        DragInput in;
        in.mouseMode = 3;
        in.left = true;
        in.lens = 30;
        in.activeHandle = c.handle;
        in.dx = c.dx;
        in.dy = c.dy;
        const DragStep s = ComputeDragStep(in);
        EXPECT_EQ(s.op, c.moves ? DragOp::MoveSelection : DragOp::None);
        EXPECT_NEAR(s.a, c.dx * c.scale, 1e-12);
        EXPECT_NEAR(s.b, c.dy * c.scale, 1e-12);
        EXPECT_EQ(s.pickMode, kPickDrag);
    }
}

TEST(ComputeDragStep, LensOfZeroMovesNothing) {
    DragInput in;
    in.mouseMode = 1;
    in.left = true;
    in.dx = 10;
    in.dy = 10;
    in.lens = 0;
    const DragStep s = ComputeDragStep(in);
    EXPECT_EQ(s.op, DragOp::Pan);
    EXPECT_EQ(s.a, 0);
    EXPECT_EQ(s.b, 0);
}

TEST(MoveEyeAlongSight, NeverOntoOrPastTheCentre) {
    const double centre[3] = {1, 2, 3};
    const struct {
        double t;
        bool moved;
        double distance;  // of the eye from the centre afterwards; it starts at 2
    } cases[] = {
        {0.5, true, 3},  {0, true, 2},       {-0.5, true, 1},
        {-0.99, true, 0.02}, {-1, false, 2}, {-3.5, false, 2},
        {std::numeric_limits<double>::quiet_NaN(), false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.t);
        double eye[3] = {1, 2, 5};
        EXPECT_EQ(MoveEyeAlongSight(centre, eye, c.t), c.moved);
        EXPECT_DOUBLE_EQ(eye[0], 1);
        EXPECT_DOUBLE_EQ(eye[1], 2);
        EXPECT_NEAR(eye[2] - 3, c.distance, 1e-12);
    }
}

}  // namespace

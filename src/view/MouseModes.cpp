#include "view/MouseModes.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// Turn per pixel of an orbit drag: half a degree.
constexpr double kOrbitPerPixel = kPi / 360;
// Manipulator rings turn by this per pixel.
constexpr double kRingPerPixel = 0.1;
// The wheel's dolly step with Ctrl.
constexpr float kWheelDolly = 0.05f;

int Sign(long long v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

}  // namespace

int ValidMouseMode(int mode) { return mode >= 0 && mode < kMouseModeCount ? mode : kMouseDefault; }

int NextMouseMode(int mode) { return ValidMouseMode(ValidMouseMode(mode) + 1); }

MouseResponse RespondToMouse(MouseEventKind kind, int mouseMode, bool controlDown) {
    MouseResponse r;
    switch (kind) {
        case MouseEventKind::RightDown:
            r.repaint = r.setFocus = r.endDrag = true;
            r.pickMode = kPickRight;
            // In the modes the right button has no drag of its own: it always opens the menu.
            if (ValidMouseMode(mouseMode) != kMouseDefault || controlDown)
                r.showPopup = true;
            else
                r.requestPick = true;
            break;
        case MouseEventKind::LeftDown:
            r.repaint = r.setFocus = r.endDrag = r.requestPick = true;
            r.keepSelection = controlDown;
            r.pickMode = kPickLeft;
            break;
        case MouseEventKind::MiddleDown:
            r.repaint = r.setFocus = r.endDrag = r.requestPick = true;
            r.pickMode = kPickMiddle;
            break;
        case MouseEventKind::Hover:
            r.repaint = r.endDrag = r.requestPick = true;
            r.pickMode = kPickHover;
            break;
        case MouseEventKind::LeftDoubleClick:
            r.repaint = r.setFocus = r.endDrag = r.requestPick = true;
            r.keepSelection = controlDown;
            r.pickMode = kPickDoubleClick;
            break;
        case MouseEventKind::Wheel:
            r.repaint = r.endDrag = true;
            break;
        case MouseEventKind::Drag:
            // The drag algorithm decides (ComputeDragStep); it always repaints.
            r.repaint = true;
            r.pickMode = kPickDrag;
            break;
        case MouseEventKind::Other:
            break;
    }
    return r;
}

WheelStep WheelAction(int rotation, int delta, bool controlDown) {
    WheelStep step;
    if (rotation == 0) return step;
    if (controlDown) {
        const int s = delta > 0 ? Sign(rotation / delta) : Sign(rotation);
        step.dolly = true;
        step.amount = static_cast<double>(static_cast<float>(s * kWheelDolly));
    } else {
        step.frameStep = rotation > 0 ? -1 : 1;
    }
    return step;
}

DragAction ChooseDragAction(int mouseMode, bool left, bool middle, bool right, int activeHandle) {
    if (activeHandle >= 0) return DragAction::MoveSelection;
    const int mode = ValidMouseMode(mouseMode);
    if (mode != kMouseDefault && left) {
        switch (mode) {
            case kMouseTranslate:
                return DragAction::Pan;
            case kMouseRotate:
                return DragAction::Orbit;
            case kMouseZoom:
                return DragAction::Zoom;
            default:
                return DragAction::Dolly;
        }
    }
    if (left && right) return DragAction::Pan;
    if (left) return DragAction::Orbit;
    if (right) return DragAction::Zoom;
    if (middle) return DragAction::MiddleMove;
    return DragAction::None;
}

DragStep ComputeDragStep(const DragInput& in) {
    DragStep step;
    // Pan and dolly step per pixel; a lens of 0 (which the camera never keeps) would divide by 0.
    const double h = in.lens > 0 ? in.panScale / in.lens : 0;
    switch (ChooseDragAction(in.mouseMode, in.left, in.middle, in.right, in.activeHandle)) {
        case DragAction::MoveSelection: {
            if (in.dx == 0 && in.dy == 0) break;
            const double scale = in.activeHandle >= 3 ? kRingPerPixel : h;
            step.op = DragOp::MoveSelection;
            step.a = in.dx * scale;
            step.b = in.dy * scale;
            break;
        }
        case DragAction::Pan:
            step.pickMode = kPickRight;
            if (in.altDown) {
                step.op = DragOp::Dolly;
                step.a = in.dy * h;
            } else {
                step.op = DragOp::Pan;
                step.a = in.dx * h;
                step.b = in.dy * h;
            }
            break;
        case DragAction::Orbit:
            step.pickMode = kPickLeft;
            if (in.hasCentre) {
                step.op = DragOp::OrbitAround;
                step.a = -in.dx * kOrbitPerPixel;
                step.b = -in.dy * kOrbitPerPixel;
            } else {
                step.op = DragOp::Rotate;
                step.a = in.dy * kOrbitPerPixel;
                step.b = in.dx * kOrbitPerPixel;
            }
            break;
        case DragAction::Zoom:
            // One step per event, whatever the distance.
            if (in.dy < 0) step.op = DragOp::ZoomIn;
            if (in.dy > 0) step.op = DragOp::ZoomOut;
            break;
        case DragAction::MiddleMove:
            if (in.altDown) {
                step.op = DragOp::MoveEyeAlongSight;
                step.a = in.dy / 10;
            } else {
                step.pickMode = kPickRight;
                step.op = DragOp::Pan;
                step.a = in.dx * h;
                step.b = in.dy * h;
            }
            break;
        case DragAction::Dolly:
            if (in.dy != 0) {
                step.op = DragOp::Dolly;
                step.a = -in.dy * h;
            }
            break;
        case DragAction::None:
            break;
    }
    return step;
}

bool MoveEyeAlongSight(const double centre[3], double eye[3], double t) {
    // The eye ends at (1 + t) times its distance from the centre, on the same side only for 1 + t
    // above 0.
    if (!(t > -1)) return false;
    for (int i = 0; i < 3; ++i) eye[i] += (eye[i] - centre[i]) * t;
    return true;
}

#pragma once
// The mouse side of the scene canvas, apart from any window: the five mouse modes, what each kind
// of mouse event does to the pick state, which camera move (or manipulator move) a drag makes and
// by how much, and the wheel's step. The canvas applies the results to its camera, scene object and
// pick state.
#include "view/PickProcessing.h"

// The modes of the toggle buttons "D", "T", "R", "Z" and "M": what a left-button drag does.
enum MouseMode {
    kMouseDefault = 0,    // by the buttons held
    kMouseTranslate = 1,  // pan; with Alt, dolly
    kMouseRotate = 2,     // orbit
    kMouseZoom = 3,       // zoom
    kMouseMove = 4,       // dolly
};
constexpr int kMouseModeCount = 5;

// 0 to 4 stay; any other value (also a negative one) is mode 0.
int ValidMouseMode(int mode);
// Tab: 0, 1, 2, 3, 4, then 0 again.
int NextMouseMode(int mode);

// The first matching row of the mouse table.
enum class MouseEventKind {
    Drag,             // motion with at least one button down
    RightDown,
    LeftDown,
    MiddleDown,
    Hover,            // motion with no button down
    LeftDoubleClick,
    Wheel,            // wheel turned (rotation not 0)
    Other,            // button releases, enter, leave, other buttons, magnify, other double clicks
};

// What an event other than a drag does to the pick state. Every event also records the cursor,
// the modifier keys and keep selection = true before this, and the last mouse position after.
struct MouseResponse {
    bool repaint = false;
    bool setFocus = false;
    // Drag in progress = false: the next drag event is the first of a new drag.
    bool endDrag = false;
    bool keepSelection = true;
    // -1 leaves the pick mode as it is.
    int pickMode = -1;
    bool requestPick = false;
    // The popup menu at the pointer (which withdraws any pending pick).
    bool showPopup = false;
};

MouseResponse RespondToMouse(MouseEventKind kind, int mouseMode, bool controlDown);

// The wheel: with Ctrl a dolly of ±0.05 (rounded to single precision) by the sign of whole
// notches (rotation / delta); without Ctrl one frame back for a turn away from the user (positive
// rotation), one frame forward otherwise.
struct WheelStep {
    bool dolly = false;
    double amount = 0;
    // -1 previous frame, +1 next frame, 0 none.
    int frameStep = 0;
};
// A delta of 0 or below (no notch size reported) takes the rotation's own sign.
WheelStep WheelAction(int rotation, int delta, bool controlDown);

enum class DragAction { None, MoveSelection, Pan, Orbit, Zoom, MiddleMove, Dolly };

// What a drag does: the manipulator moves the selection when a handle is active; otherwise a mode
// other than 0 decides for the left button, and the buttons decide the rest (left and right: pan,
// left: orbit, right: zoom, middle: middle-button move).
DragAction ChooseDragAction(int mouseMode, bool left, bool middle, bool right, int activeHandle);

struct DragInput {
    int mouseMode = kMouseDefault;
    bool left = false;
    bool middle = false;
    bool right = false;
    bool altDown = false;
    // Pointer motion since the last event, in pixels (y grows downwards).
    double dx = 0;
    double dy = 0;
    // The camera's lens angle (degrees) and the canvas's pan scale: a pan or dolly moves
    // panScale / lens per pixel.
    double lens = 45;
    double panScale = 2.0;
    int activeHandle = -1;
    // An orbit turns about the selection centre when there is one.
    bool hasCentre = false;
};

enum class DragOp {
    None,
    MoveSelection,  // MoveSelection(a, b, active handle)
    Pan,            // Pan(a, b)
    Dolly,          // Dolly(a)
    OrbitAround,    // OrbitAround(a, b, the selection centre)
    Rotate,         // Rotate(a, b)
    ZoomIn,
    ZoomOut,
    MoveEyeAlongSight,  // eye += (eye - centre) × a, see MoveEyeAlongSight
};

struct DragStep {
    DragOp op = DragOp::None;
    double a = 0;
    double b = 0;
    // The pick mode the drag leaves behind.
    int pickMode = kPickDrag;
};

// An orbit turns half a degree per pixel; a pan of 100 pixels with a 45-degree lens passes
// 100 × 2 / 45 to the camera. The manipulator moves 0.1 per pixel on a ring, panScale / lens on an
// arrow, and not at all for an event without motion.
DragStep ComputeDragStep(const DragInput& input);

// eye = eye + (eye - centre) × t. False, eye untouched, when that would put the eye on or past the
// centre (t of -1 or below, or not a number).
bool MoveEyeAlongSight(const double centre[3], double eye[3], double t);

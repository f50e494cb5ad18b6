#pragma once
// The keyboard of the scene canvas, apart from any window: what each character key does. Key
// codes are the toolkit's (letters as typed, so "x" and "X" differ); the header needs none of its
// declarations.

enum class KeyCommand {
    None,            // no action: the key goes on to the toolkit
    NextMouseMode,   // Tab
    ClearSelection,  // Esc
    TogglePlay,      // Space
    ZoomIn,
    ZoomOut,
    ToggleCull,
    ResetView,
    ToggleSmooth,
    ToggleWire,
    RotateView,      // the camera about `axis` by `amount` radians
    LastFrame,
    FirstFrame,
    PreviousEvent,
    PreviousFrame,
    NextEvent,
    NextFrame,
    Dolly,           // `amount` of the way towards the centre
    RotateObject,    // the scene object a quarter turn about `axis` (x or y)
};

struct KeyAction {
    KeyCommand command = KeyCommand::None;
    int axis = 0;
    double amount = 0;
    // Then the owner frame's Update and a repaint. The frame keys need neither: the change of
    // time repaints.
    bool update = false;
};

KeyAction LookUpKey(int keyCode, bool controlDown);

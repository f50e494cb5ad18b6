#include "view/KeyTable.h"

#include <wx/defs.h>

namespace {

constexpr double kPi = 3.14159265358979323846;
// A key press turns the view by half a degree.
constexpr double kViewTurn = kPi / 360;
// Up and Down move the eye a tenth of the way to the centre.
constexpr double kKeyDolly = 0.1;

KeyAction Do(KeyCommand command, bool update, int axis = 0, double amount = 0) {
    KeyAction action;
    action.command = command;
    action.axis = axis;
    action.amount = amount;
    action.update = update;
    return action;
}

}  // namespace

KeyAction LookUpKey(int keyCode, bool controlDown) {
    switch (keyCode) {
        case WXK_TAB:
            return Do(KeyCommand::NextMouseMode, true);
        case WXK_ESCAPE:
            return Do(KeyCommand::ClearSelection, true);
        case WXK_SPACE:
            return Do(KeyCommand::TogglePlay, true);
        case '+':
            return Do(KeyCommand::ZoomIn, true);
        case '-':
            return Do(KeyCommand::ZoomOut, true);
        case 'C':
        case 'c':
            return Do(KeyCommand::ToggleCull, true);
        case 'R':
        case 'r':
            return Do(KeyCommand::ResetView, true);
        case 'S':
        case 's':
            return Do(KeyCommand::ToggleSmooth, true);
        case 'W':
        case 'w':
            return Do(KeyCommand::ToggleWire, true);
        case 'x':
        case 'y':
        case 'z':
            return Do(KeyCommand::RotateView, true, keyCode - 'x', kViewTurn);
        case 'X':
        case 'Y':
        case 'Z':
            return Do(KeyCommand::RotateView, true, keyCode - 'X', -kViewTurn);
        case WXK_END:
            return Do(KeyCommand::LastFrame, false);
        case WXK_HOME:
            return Do(KeyCommand::FirstFrame, false);
        case WXK_LEFT:
            return Do(controlDown ? KeyCommand::PreviousEvent : KeyCommand::PreviousFrame, false);
        case WXK_RIGHT:
            return Do(controlDown ? KeyCommand::NextEvent : KeyCommand::NextFrame, false);
        case WXK_UP:
            return Do(KeyCommand::Dolly, true, 0, kKeyDolly);
        case WXK_DOWN:
            return Do(KeyCommand::Dolly, true, 0, -kKeyDolly);
        // F12, Page Up and Page Down are the main window's menu keys (full screen, play, play
        // backward): the view leaves them alone so that they mean one thing wherever the focus is.
        case WXK_F10:
        case WXK_F11:
            return Do(KeyCommand::RotateObject, true, keyCode - WXK_F10, kPi / 2);
        default:
            return KeyAction();
    }
}

#include "app/AnimationControls.h"

#include <wx/defs.h>

#include "app/FrameIds.h"
#include "platform/NumberText.h"

const int kAnimationCommands[kAnimationCommandCount] = {
    kIdPlay,       kIdPlayBackward, kIdStop,          kIdPreviousFrame, kIdNextFrame,
    kIdFirstFrame, kIdLastFrame,    kIdSetFirstFrame, kIdSetLastFrame,  kIdResetFirstLast,
};

bool HasPlayableMotion(bool hasCanvas, bool hasSceneObject, bool canvasHasMotion, int frameCount) {
    return hasCanvas && hasSceneObject && canvasHasMotion && frameCount > 2;
}

bool IsAnimationCommandEnabled(int id, bool playableMotion, bool playing) {
    bool animation = false;
    for (int command : kAnimationCommands) animation = animation || command == id;
    if (!animation) return true;
    if (!playableMotion) return false;
    return playing ? id == kIdStop : id != kIdStop;
}

int SpaceCommand(bool playing) { return playing ? kIdStop : kIdPlay; }

bool IsTextEditingKey(int keyCode, int modifiers, bool controlPages) {
    if ((modifiers & (wxMOD_ALT | wxMOD_CONTROL)) != 0) return false;
    switch (keyCode) {
        case WXK_PAGEUP:
        case WXK_PAGEDOWN:
            return controlPages;
        case WXK_LEFT:
        case WXK_RIGHT:
        case WXK_UP:
        case WXK_DOWN:
        case WXK_HOME:
        case WXK_END:
        case WXK_DELETE:
        case WXK_BACK:
            return true;
        default:
            // Space and the printable characters up to Latin-1; the function keys lie above.
            return (keyCode >= WXK_SPACE && keyCode < WXK_DELETE) ||
                   (keyCode > WXK_DELETE && keyCode <= 0xFF);
    }
}

double SpeedFromSliderPosition(int position) { return position * 0.25; }

std::string SpeedText(double speed) { return dez::Format("%1.2fx ", speed); }

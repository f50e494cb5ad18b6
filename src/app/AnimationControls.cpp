#include "app/AnimationControls.h"

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

double SpeedFromSliderPosition(int position) { return position * 0.25; }

std::string SpeedText(double speed) { return dez::Format("%1.2fx ", speed); }

#pragma once
// What the animation menu and toolbar offer in each playback state, and the speed slider's
// mapping: the rules behind the main window's controls, kept free of the toolkit so they can be
// checked on their own.
#include <string>

// The ten animation commands, each both an "&Animation" menu item and a tool. The other commands
// of the window (open, save image, reset view, full screen, recent files, exit, about) are never
// disabled.
inline constexpr int kAnimationCommandCount = 10;
extern const int kAnimationCommands[kAnimationCommandCount];

// A recording of one or two frames has nothing to play: the controls need more than two frames
// in the current scene object.
bool HasPlayableMotion(bool hasCanvas, bool hasSceneObject, bool canvasHasMotion, int frameCount);

// Whether the animation command `id` is enabled: none without playable motion; only stop while
// playing; everything but stop while stopped. Ids that are not animation commands are always
// enabled.
bool IsAnimationCommandEnabled(int id, bool playableMotion, bool playing);

// The command Space runs: stop while playing, else play forward.
int SpaceCommand(bool playing);

// Whether a key is one that a focused text box or the property grid uses for its own editing
// or caret and row moves (printable characters, Space, arrows, Home, End, Delete, Backspace, and
// the page keys where the control pages), with no Alt or Ctrl among the modifiers (the toolkit's
// key codes and modifier flags). Such keys stay with those controls; every other menu key still
// reaches the menus.
bool IsTextEditingKey(int keyCode, int modifiers, bool controlPages);

// The speed slider runs from 1 to 8; position p plays at p x 0.25 (4 is normal speed).
inline constexpr int kSpeedSliderMin = 1;
inline constexpr int kSpeedSliderMax = 8;
inline constexpr int kSpeedSliderInitial = 4;
double SpeedFromSliderPosition(int position);
// The speed text beside the slider: two decimals, an "x" and a blank ("0.25x "), with "." as the
// decimal point whatever the locale.
std::string SpeedText(double speed);

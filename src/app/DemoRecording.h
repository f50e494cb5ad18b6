#pragma once
// A small recording written by the program itself, for trying the viewer without data of one's
// own: a fourteen-marker figure walking straight ahead for four seconds at 50 Hz, with its stick
// figure in a marker-set file (.mkr) beside it.
#include <string>

inline constexpr int kDemoMarkers = 14;
inline constexpr int kDemoFrames = 200;
inline constexpr float kDemoRate = 50.0f;

// Writes the demo recording as a C3D file and its marker-set file (same name, ".mkr"). False when
// either cannot be written, with the reason in `error` when given.
bool WriteDemoRecording(const std::string& path, std::string* error = nullptr);

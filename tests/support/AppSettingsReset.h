#pragma once
// Puts the program-wide settings back at their start values (those AppSettings.cpp gives them),
// so that no test sees the edits of another. Tests that use it link the gl library.
#include "gl/AppSettings.h"

namespace testsupport {

inline void RestoreAppSettings() {
    camera_zoom_factor = 250.0;
    camera_zoom_inc = 0.05;
    camera_move = 200.0;
    camera_default_lens = 45.0;
    bvh_inch_unit = true;
    bvh_scale = 10.0;
}

}  // namespace testsupport

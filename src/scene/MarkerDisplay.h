#pragma once
// How one marker of a motion scene is shown: colour, size, labels, trajectory window, selection,
// and the position the scene computed for the current frame. Drawing, selection, the links and
// the display-settings files read and write the fields directly.
#include <cstdint>
#include <string>

struct MarkerDisplay {
    // The defaults a scene gives every record when it (re)builds them; `label` is the point label.
    void SetDefaults(const std::string& label);

    float red = 1.0f;
    float green = 1.0f;
    float blue = 0.0f;
    float alpha = 1.0f;
    int32_t selectionOrder = 0;  // 0 = not selected, else 1, 2, ... in the order of selection
    uint8_t highlighted = 0;
    float radius = 0.015f;       // scene units
    std::string name;            // the point label as stored in the recording
    uint8_t visible = 1;
    uint8_t showName = 0;
    uint8_t showNumber = 0;
    float zoom = 3.0f;           // box size (and twice the label offset) as a multiple of radius
    uint8_t trajectory = 0;
    float trajectoryWidth = 2.0f;
    int32_t before = 0;          // frames of the trajectory after the current one; < 0: to the end
    int32_t after = 0;           // frames before the current one; < 0: from the first frame
    double position[3] = {};     // current frame, scene units, relative to the reference if set
    uint8_t moveFlag = 0;        // moved by the manipulator drag
};

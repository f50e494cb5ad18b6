#pragma once
// The lights and the ground plane of a 3-D canvas. The application shell edits them in place
// through the canvas's getters, so their layout is part of the canvas's interface.

// One GL light. A position with w = 0 is a directional light; the colour is the diffuse colour.
struct CanvasLight {
    float position[4] = {0, 0, 0, 0};
    float colour[4] = {0, 0, 0, 1};
};

// The ground plane, its grid and its axes.
// More grid lines than this make the evaluated mesh of the plane too slow to draw.
constexpr int kMaxGridDivisions = 200;

struct GroundPlaneSettings {
    float colour[4] = {0, 0, 0, 1};  // drawing uses red, green and blue
    float position[3] = {0, 0, 0};   // translation of the plane
    int type = 0;                    // 0 XY plane, 1 YZ plane, 2 XZ plane, other: no grid
    float size = 4;                  // side length
    int gridDivisions = 20;
    bool visible = true;
    bool showAxis = true;
    bool autoPlace = false;  // put the plane under a recording when one is loaded
    float axisSize = 0.5f;   // length of the plane's axes; 0 draws none
};

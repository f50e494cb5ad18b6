#pragma once
// Arrows, the manipulator gizmo, axes and ground-plane grids, drawn in immediate mode in the
// current model-view frame. Every function leaves the matrix stacks balanced; the ground planes
// leave the line width at 2 and the current colour is whatever was drawn last.

// An arrow from the origin to (x, y, z); nothing below a length of 1e-5. `scale` (when not 0)
// multiplies the head length and the shaft radius.
void DrawArrow(float x, float y, float z, bool solid, bool head, float scale);

// The three axis arrows of length L (GL names 2, 3, 4) and, when `rings`, the three rotation rings
// (names 5, 6, 7). Names are pushed only in GL_SELECT mode when `pickable`. The element whose
// index (0 to 5, in name order) equals `activeHandle` is drawn yellow.
void DrawManipulatorGizmo(float length, int renderMode, int activeHandle, bool rings,
                          bool pickable);

// X, Y, Z axes of length L (red, green, blue) as lines with arrowheads and letters.
void DrawLineAxes(float length);
// The same axes as solid arrows, with letters.
void DrawArrowAxes(float length);
// The letters X, Y, Z just beyond the tips of axes of length L.
void DrawAxisLetters(float length);

// A square grid of side `size` with a border and centre lines, in the plane z = position (XY),
// x = position (YZ) or y = position (XZ). Fewer than 1 division draws the border and centre lines
// only.
void DrawGroundPlaneXY(double size, double position, int divisions);
void DrawGroundPlaneYZ(double size, double position, int divisions);
void DrawGroundPlaneXZ(double size, double position, int divisions);

// A divisions x divisions grid of lines over the bilinear patch of the corners c0 (u, v = 0, 0),
// c1 (1, 0), c2 (0, 1), c3 (1, 1); nothing for fewer than 1 division.
void DrawGridPatch(const double c0[3], const double c1[3], const double c2[3], const double c3[3],
                   int divisions);

// Sizes of an arrow body, for callers and tests that need them without drawing.
struct ArrowBodySize {
    float headLength = 0;
    float shaftLength = 0;
    float shaftRadius = 0;
    float headRadius = 0;  // base radius of the head cone
};
ArrowBodySize ArrowBodySizeFor(float length, bool head, float scale);

// The two turns (degrees) that carry +Z onto (x, y, z): first `tilt` about X, then `turn` about
// Z (the GL calls come in the opposite order). `drawn` is false below a length of 1e-5.
struct ArrowTurns {
    bool drawn = false;
    float length = 0;
    float turn = 0;
    float tilt = 0;
};
ArrowTurns ArrowTurnsFor(float x, float y, float z);

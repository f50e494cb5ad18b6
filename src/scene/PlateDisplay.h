#pragma once
// How one force platform of a motion scene is shown, and the geometry drawing stored for it.
#include <cstdint>

struct PlateDisplay {
    float plateColour[4] = {0.4f, 0.8f, 0.8f, 0.7f};  // alpha below 1 draws it blended
    float forceDivisor = 600.0f;  // newtons per scene unit of a force arrow; 0 = not divided
    float forceColour[4] = {1.0f, 1.0f, 0.0f, 1.0f};
    uint8_t showPlate = 1;
    uint8_t showForceVector = 1;
    uint8_t showNumber = 0;
    float centre[3] = {};     // mean of the corners, scene units; stored when drawn
    float size[2] = {};       // side lengths, scene units; stored when drawn
    float thickness = 0.0f;   // stored when drawn
    uint8_t showForceHistory = 0;
    float forceThreshold = 10.0f;  // forces of this magnitude or less are not drawn
    uint8_t showAxes = 0;
    uint8_t showCorners = 0;
};

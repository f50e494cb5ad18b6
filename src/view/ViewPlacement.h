#pragma once
// Where the camera goes when a recording is opened: centred on the recording's bounding box, on the
// side its screen x-axis names, high enough to see it whole, with the ground plane slid under it.
#include <string>

#include "view/CanvasSettings.h"
#include "motion/geometry.h"

struct ViewPlacement {
    Point3D centre;
    Point3D eye;
};

// bounds: x min, x max, y min, y max, z min, z max, in scene units. An axis whose extent is 0.001
// or less (all markers in one plane) is widened in place by 0.1 on either side. upAxis is the
// recording's vertical axis (0 x, 1 y, 2 z); xScreen its screen x-axis text ("+X", "-X", "+Y",
// "-Y"; any other text counts as "+X"). When the plane's auto-place flag is set the plane becomes
// an XY plane under the recording, sized to it.
ViewPlacement PlaceViewOnBounds(float bounds[6], int upAxis, const std::string& xScreen,
                                GroundPlaneSettings& plane);

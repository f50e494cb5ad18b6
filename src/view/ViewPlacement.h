#pragma once
// Where the camera goes when a recording is opened: centred on the recording's bounding box, on the
// side its screen x-axis names, high enough to see it whole, with the ground plane slid under it.
#include <string>
#include <vector>

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

// The view of an empty scene: from the front and a little above, the floor and its axes at the
// origin in sight.
ViewPlacement DefaultView();

// Where the camera goes for a recording with no measured sample: there is nothing to frame, so it
// gets the default view, and an auto-placed plane goes back to where an empty scene has it.
ViewPlacement PlaceViewOnNothing(GroundPlaneSettings& plane);

// Where the camera goes when a mesh, a drawing or a skeleton is opened or the view is reset:
// looking along `direction` (from the eye towards the centre; the view's up is +Z) at the centre
// of the points' box, from just far enough for every point to lie within `fill` (0 to 1) of the
// half-width and half-height of a perspective view of the vertical lens angle (degrees) and
// aspect (width / height) given. A flat object that `direction` would see edge-on is looked at
// along its thinnest axis instead (from -X or -Y; from above, tilted towards +Y, when it lies in
// an XY plane). No points, or none finite: nothing to frame, the result is false.
bool FrameObjectView(const std::vector<Point3D>& points, Point3D direction, double lensDegrees,
                     double aspect, double fill, ViewPlacement& view);

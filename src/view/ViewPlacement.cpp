#include "view/ViewPlacement.h"

#include <algorithm>
#include <cmath>

ViewPlacement PlaceViewOnBounds(float bounds[6], int upAxis, const std::string& xScreen,
                                GroundPlaneSettings& plane) {
    float extent[3];
    for (int axis = 0; axis < 3; ++axis) {
        float& low = bounds[2 * axis];
        float& high = bounds[2 * axis + 1];
        extent[axis] = std::fabs(high - low);
        // A flat recording still gets some depth, so the camera has something to frame.
        if (extent[axis] <= 0.001f) {
            high = high + 0.1f;
            low = low - 0.1f;
            extent[axis] = 0.2f;
        }
    }
    const double cx = (double(bounds[0]) + bounds[1]) / 2;
    const double cy = (double(bounds[2]) + bounds[3]) / 2;
    const double cz = (double(bounds[4]) + bounds[5]) / 2;
    const double s = 1.25 * std::max({extent[0], extent[1], extent[2]});

    if (plane.autoPlace) {
        // 15 mm under the lowest point, so the markers of the feet stay above the grid.
        switch (upAxis) {
            case 2:
                plane.position[0] = float(cx);
                plane.position[1] = float(cy);
                plane.position[2] = bounds[4] + 0.015f;
                break;
            case 1:
                plane.position[0] = float(cx);
                plane.position[1] = float(cz);
                plane.position[2] = bounds[2] + 0.015f;
                break;
            case 0:
                plane.position[0] = float(cy);
                plane.position[1] = float(cz);
                plane.position[2] = bounds[0] + 0.015f;
                break;
            default:
                break;
        }
        plane.type = 0;
        const double side = std::floor(s + 0.5);
        plane.size = side > 0 ? float(side) : 1.0f;
    }

    ViewPlacement view;
    view.centre.Set(cx, cy, cz);
    const double z = cz + s / 3;
    if (xScreen == "-X")
        view.eye.Set(cx - 1.25 * s - 0.6, 1.5 * cy, z);
    else if (xScreen == "+Y")
        view.eye.Set(cx, 1.5 * cy + 1.25 * s - 0.6, z);
    else if (xScreen == "-Y")
        view.eye.Set(cx, 1.5 * cy - 1.25 * s - 0.6, z);
    else
        view.eye.Set(cx + 1.25 * s - 0.6, 1.5 * cy, z);
    return view;
}

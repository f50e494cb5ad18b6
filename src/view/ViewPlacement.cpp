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

ViewPlacement DefaultView() {
    ViewPlacement view;
    view.centre.Set(0, 0, 0.5);
    view.eye.Set(0, -4, 1);
    return view;
}

ViewPlacement PlaceViewOnNothing(GroundPlaneSettings& plane) {
    if (plane.autoPlace) {
        const GroundPlaneSettings empty;
        std::copy(empty.position, empty.position + 3, plane.position);
        plane.type = empty.type;
        plane.size = empty.size;
    }
    return DefaultView();
}

namespace {

constexpr double kPi = 3.14159265358979323846;

double Dot(const Point3D& a, const Point3D& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The view's right and up axes for a line of sight, with +Z as the up vector.
void ViewAxes(const Point3D& forward, Point3D& right, Point3D& up) {
    right = forward.CrossProduct(Point3D(0, 0, 1));
    right.Normalize();
    up = right.CrossProduct(forward);
}

}  // namespace

bool FrameObjectView(const std::vector<Point3D>& points, Point3D direction, double lensDegrees,
                     double aspect, double fill, ViewPlacement& view) {
    Point3D low, high;
    bool any = false;
    for (const Point3D& p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) continue;
        for (int a = 0; a < 3; ++a) {
            low[a] = any ? std::min(low[a], p[a]) : p[a];
            high[a] = any ? std::max(high[a], p[a]) : p[a];
        }
        any = true;
    }
    if (!any) return false;
    const Point3D extent = high - low;
    const Point3D centre = (low + high) * 0.5;
    const double largest = std::max({extent.x, extent.y, extent.z});

    // A direction along Z leaves the up vector undefined: never look straight down or up.
    if (direction.Length() == 0 || !std::isfinite(direction.Length())) direction.Set(0, 1, 0);
    direction.Normalize();
    if (std::fabs(direction.z) > 0.99) direction.Set(0, 1, 0);
    Point3D forward = direction, right, up;
    ViewAxes(forward, right, up);
    // What the view shows of the box across and upwards; a sliver of it means seen edge-on.
    const auto across = [&](const Point3D& axis) {
        return std::fabs(extent.x * axis.x) + std::fabs(extent.y * axis.y) + std::fabs(extent.z * axis.z);
    };
    if (largest > 0 && std::min(across(right), across(up)) < 0.05 * largest) {
        int thinnest = 0;
        for (int a = 1; a < 3; ++a)
            if (extent[a] < extent[thinnest]) thinnest = a;
        if (thinnest == 0)
            forward.Set(1, 0, 0);
        else if (thinnest == 1)
            forward.Set(0, 1, 0);
        else
            forward.Set(0, 0.25, -1);  // a plan: from above, its +Y upwards in the view
        forward.Normalize();
        ViewAxes(forward, right, up);
    }

    const double tanUp = std::tan(std::clamp(lensDegrees, 1.0, 170.0) / 2 * kPi / 180) * fill;
    const double tanAcross = tanUp * (aspect > 0 && std::isfinite(aspect) ? aspect : 1.0);
    // Distance from the centre to the eye: every corner of the box within the view, and in
    // front of the near plane (0.1) with room to spare.
    double distance = 0;
    for (int k = 0; k < 8; ++k) {
        const Point3D corner((k & 1) ? high.x : low.x, (k & 2) ? high.y : low.y, (k & 4) ? high.z : low.z);
        const Point3D v = corner - centre;
        const double depth = Dot(v, forward);
        distance = std::max({distance, std::fabs(Dot(v, right)) / tanAcross - depth,
                             std::fabs(Dot(v, up)) / tanUp - depth, 0.2 - depth});
    }
    view.centre = centre;
    view.eye = centre - forward * distance;
    return true;
}

#include "app/DemoRecording.h"

#include <algorithm>
#include <cmath>

#include "motion/TDataFile.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct DemoMarker {
    const char* label;
    double side;    // lateral offset from the body's centre line, mm
    double height;  // height above the floor when standing, mm
    double swing;   // fore-aft swing amplitude, mm
    double phase;   // swing phase: the left limbs move against the right ones
};

const DemoMarker kMarkers[kDemoMarkers] = {
    {"HEAD", 0, 1700, 0, 0},        {"LSHO", -180, 1450, 20, kPi}, {"RSHO", 180, 1450, 20, 0},
    {"LELB", -220, 1150, 120, kPi}, {"RELB", 220, 1150, 120, 0},   {"LWRA", -240, 880, 220, kPi},
    {"RWRA", 240, 880, 220, 0},     {"LASI", -120, 1000, 0, 0},    {"RASI", 120, 1000, 0, 0},
    {"SACR", 0, 1020, 0, 0},        {"LKNE", -110, 520, 180, 0},   {"RKNE", 110, 520, 180, kPi},
    {"LANK", -100, 90, 320, 0},     {"RANK", 100, 90, 320, kPi},
};

}  // namespace

bool WriteDemoRecording(const std::string& path) {
    TDataFile data(kDemoMarkers, kDemoFrames, kDemoRate, 0, 0, 3);
    if (data.points == nullptr) return false;
    for (int m = 0; m < kDemoMarkers; ++m)
        data.SetPointLabel(kMarkers[m].label, m, "mm", kMarkers[m].label);

    const double circleRadius = 1500;  // mm, the path walked
    const double stepRate = 1.8;       // steps per second
    for (int f = 0; f < kDemoFrames; ++f) {
        const double t = f / double(kDemoRate);
        const double heading = 2 * kPi * t / (kDemoFrames / double(kDemoRate));  // one lap
        const double gait = 2 * kPi * stepRate * t / 2;
        const double bob = 25 * std::cos(2 * gait);  // the body rises twice per stride
        // The walking direction is the circle's tangent; the figure's right is towards the centre.
        const double cx = circleRadius * std::cos(heading), cy = circleRadius * std::sin(heading);
        const double fx = -std::sin(heading), fy = std::cos(heading);
        const double rx = -std::cos(heading), ry = -std::sin(heading);
        for (int m = 0; m < kDemoMarkers; ++m) {
            const DemoMarker& marker = kMarkers[m];
            const double forward = marker.swing * std::sin(gait + marker.phase);
            double z = marker.height + bob;
            // A foot lifts while it swings forward.
            if (marker.height < 100)
                z = marker.height + std::max(0.0, 80 * std::cos(gait + marker.phase));
            const double x = cx + marker.side * rx + forward * fx;
            const double y = cy + marker.side * ry + forward * fy;
            const int row = m * data.dimension;
            data.points->SetValue(row, f, x);
            data.points->SetValue(row + 1, f, y);
            data.points->SetValue(row + 2, f, z);
        }
    }
    return data.SaveFile(path.c_str(), kFileC3D);
}

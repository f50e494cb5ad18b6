#include "app/DemoRecording.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "motion/TDataFile.h"
#include "platform/Paths.h"
#include "platform/SafeWriter.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Marker order of the recording.
enum Marker { HEAD, LSHO, RSHO, LELB, RELB, LWRA, RWRA, LASI, RASI, SACR, LKNE, RKNE, LANK, RANK };
const char* const kLabels[kDemoMarkers] = {"HEAD", "LSHO", "RSHO", "LELB", "RELB", "LWRA", "RWRA",
                                           "LASI", "RASI", "SACR", "LKNE", "RKNE", "LANK", "RANK"};

// The stick figure: head to shoulders, the arms, the trunk, the pelvis and the legs.
const char* const kLinks[] = {"HEAD,LSHO", "HEAD,RSHO", "LSHO,RSHO", "LSHO,LELB", "LELB,LWRA",
                              "RSHO,RELB", "RELB,RWRA", "LSHO,LASI", "RSHO,RASI", "LASI,RASI",
                              "LASI,SACR", "RASI,SACR", "LASI,LKNE", "LKNE,LANK", "RASI,RKNE",
                              "RKNE,RANK"};

// Body sizes in mm.
constexpr double kThigh = 440, kShank = 420, kAnkleHeight = 80;
constexpr double kHipHalfWidth = 90, kShoulderHalfWidth = 180;
constexpr double kUpperArm = 300, kForearm = 270;
constexpr double kSpeed = 900;      // mm/s, a slow walk that stays on the ground plane
constexpr double kStrideRate = 0.8;  // strides per second (1.6 steps)

struct Leg {
    double hipFlexion;   // thigh angle forward of the vertical, rad
    double kneeFlexion;  // shank angle behind the thigh, rad
};

// One leg at gait phase p (0..2π, heel strike at 0): the thigh swings ±25°, the knee bends a
// little in stance and about 60° in swing.
Leg LegAt(double p) {
    Leg leg;
    leg.hipFlexion = 0.44 * std::cos(p);
    const double swing = std::max(0.0, std::sin(p - 0.9 * kPi));  // late stance to mid swing
    const double loading = 0.25 * std::max(0.0, std::sin(2 * p));   // knee give after heel strike
    leg.kneeFlexion = 0.05 + loading + 1.0 * swing;
    return leg;
}

// Vertical drop from hip to ankle and forward reach of the ankle for a leg.
void Reach(const Leg& leg, double* down, double* forward) {
    const double shank = leg.hipFlexion - leg.kneeFlexion;
    *down = kThigh * std::cos(leg.hipFlexion) + kShank * std::cos(shank);
    *forward = kThigh * std::sin(leg.hipFlexion) + kShank * std::sin(shank);
}

bool WriteMarkerSet(const std::string& path, std::string* error) {
    std::string text = "!MKR#2\n[Autolabel]\n";
    for (const char* label : kLabels) text += std::string(label) + "\n";
    for (const char* link : kLinks) text += std::string(link) + "\n";
    return dez::WriteFileAtomically(path, text.data(), text.size(), error);
}

}  // namespace

bool WriteDemoRecording(const std::string& path, std::string* error) {
    TDataFile data(kDemoMarkers, kDemoFrames, kDemoRate, 0, 0, 3);
    if (data.points == nullptr) return false;
    for (int m = 0; m < kDemoMarkers; ++m) data.SetPointLabel(kLabels[m], m, "mm", kLabels[m]);

    // The figure walks along +y, its left side towards -x: the view's own placement, which looks
    // along the x axis, shows it from the side, the far limbs behind the near ones.
    const double duration = kDemoFrames / double(kDemoRate);
    for (int f = 0; f < kDemoFrames; ++f) {
        const double t = f / double(kDemoRate);
        const double y = kSpeed * (t - duration / 2);
        const double p = 2 * kPi * kStrideRate * t;
        const Leg legs[2] = {LegAt(p), LegAt(p + kPi)};  // left, right
        double down[2], reach[2];
        for (int s = 0; s < 2; ++s) Reach(legs[s], &down[s], &reach[s]);
        // The pelvis rides on the longer leg, whose ankle stays on the floor.
        const double hipZ = kAnkleHeight + std::max(down[0], down[1]);
        const double pelvisY = y;

        auto set = [&](int m, double mx, double my, double mz) {
            const int row = m * data.dimension;
            data.points->SetValue(row, f, mx);
            data.points->SetValue(row + 1, f, my);
            data.points->SetValue(row + 2, f, mz);
        };
        const double side[2] = {-1, 1};
        for (int s = 0; s < 2; ++s) {
            const double x = side[s] * kHipHalfWidth;
            const Leg& leg = legs[s];
            set(s ? RKNE : LKNE, x * 1.1, pelvisY + kThigh * std::sin(leg.hipFlexion),
                hipZ - kThigh * std::cos(leg.hipFlexion));
            set(s ? RANK : LANK, x, pelvisY + reach[s], hipZ - down[s]);
            set(s ? RASI : LASI, side[s] * 125, pelvisY + 60, hipZ + 60);
            // Arms swing against the leg of their side.
            const double shoulder[3] = {side[s] * kShoulderHalfWidth, pelvisY - 10, hipZ + 500};
            const double arm = -0.35 * std::cos(p + s * kPi);
            const double elbow[3] = {shoulder[0] * 1.1, shoulder[1] + kUpperArm * std::sin(arm),
                                     shoulder[2] - kUpperArm * std::cos(arm)};
            const double fore = arm + 0.35;
            set(s ? RSHO : LSHO, shoulder[0], shoulder[1], shoulder[2]);
            set(s ? RELB : LELB, elbow[0], elbow[1], elbow[2]);
            set(s ? RWRA : LWRA, elbow[0] * 1.05, elbow[1] + kForearm * std::sin(fore),
                elbow[2] - kForearm * std::cos(fore));
        }
        set(SACR, 0, pelvisY - 110, hipZ + 80);
        set(HEAD, 0, pelvisY + 20, hipZ + 760);
    }
    if (!data.SaveFile(path.c_str(), kFileC3D)) {
        if (error) *error = data.GetErrorText();
        return false;
    }
    // The stick figure comes from a marker-set file beside the recording.
    return WriteMarkerSet(dez::ReplaceExtension(path, ".mkr"), error);
}

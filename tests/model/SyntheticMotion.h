#pragma once
// Synthetic recordings for the model tests: rigid bodies carrying markers, moved by rotations
// built here from plain matrices (independently of the geometry code under test).
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "motion/TDataFile.h"
#include "motion/geometry.h"

namespace synthetic {

constexpr double kPi = 3.14159265358979323846;
using Vec = std::array<double, 3>;
using Mat = std::array<Vec, 3>;  // rows

// The kinematics run sets the process-wide geometry tolerance; every test puts it back.
class ToleranceGuard {
public:
    ~ToleranceGuard() { SetGeometryTolerance(saved_); }

private:
    double saved_ = gGeometryTolerance;
};

inline Mat Mul(const Mat& a, const Mat& b) {
    Mat r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r[i][j] += a[i][k] * b[k][j];
    return r;
}
inline Vec Apply(const Mat& m, const Vec& v) {
    Vec r{};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) r[i] += m[i][k] * v[k];
    return r;
}
inline Mat Rx(double a) {
    const double c = std::cos(a), s = std::sin(a);
    return Mat{Vec{1, 0, 0}, Vec{0, c, -s}, Vec{0, s, c}};
}
inline Mat Ry(double a) {
    const double c = std::cos(a), s = std::sin(a);
    return Mat{Vec{c, 0, s}, Vec{0, 1, 0}, Vec{-s, 0, c}};
}
inline Mat Rz(double a) {
    const double c = std::cos(a), s = std::sin(a);
    return Mat{Vec{c, -s, 0}, Vec{s, c, 0}, Vec{0, 0, 1}};
}
// Cardan x, y, z: the segment frame is Rx(a) Ry(b) Rz(c).
inline Mat Cardan(double a, double b, double c) { return Mul(Mul(Rx(a), Ry(b)), Rz(c)); }

// Rotates v by the unit quaternion (w, x, y, z): v + 2 w (u x v) + 2 u x (u x v).
inline Vec RotateByQuaternion(const double* q, const Vec& v) {
    const Vec u{q[1], q[2], q[3]};
    auto cross = [](const Vec& a, const Vec& b) {
        return Vec{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    };
    const Vec t = cross(u, v);
    const Vec tt = cross(u, t);
    return Vec{v[0] + 2 * q[0] * t[0] + 2 * tt[0], v[1] + 2 * q[0] * t[1] + 2 * tt[1],
               v[2] + 2 * q[0] * t[2] + 2 * tt[2]};
}

struct Pose {
    Mat rotation;
    Vec origin;  // metres
};

// A rigid body carrying markers at local positions (metres), recorded in millimetres.
struct Body {
    std::vector<Vec> local;
    std::function<Pose(double)> pose;  // by time, seconds
};

// A recording of the given bodies' markers, in body order; markers numbered from 1 ("M1", ...).
inline std::unique_ptr<TDataFile> Record(const std::vector<Body>& bodies, int frames, float rate) {
    int count = 0;
    for (const Body& b : bodies) count += int(b.local.size());
    auto data = std::make_unique<TDataFile>(count, frames, rate, 0, 1, 3);
    for (int f = 0; f < frames; ++f) {
        int p = 0;
        for (const Body& b : bodies) {
            const Pose pose = b.pose(f / double(rate));
            for (const Vec& l : b.local) {
                const Vec r = Apply(pose.rotation, l);
                for (int c = 0; c < 3; ++c) data->points->SetValue(3 * p + c, f, 1000.0 * (r[c] + pose.origin[c]));
                ++p;
            }
        }
    }
    return data;
}

inline void Remove(TDataFile& data, int marker, int from, int to) {
    for (int f = from; f <= to; ++f)
        for (int c = 0; c < 3; ++c) data.points->SetValue(3 * (marker - 1) + c, f, 0.0);
}

// Segment frame: z along P1 -> P2 (local z), x towards P3 (local x).
inline const std::vector<Vec> kTriad = {Vec{0, 0, 0}, Vec{0, 0, 0.4}, Vec{0.1, 0, 0}};

template <class Segment>
void UseMarkers(Segment& s, int p1, int p2, int p3) {
    s.P1 = p1;
    s.P2 = p2;
    s.P3 = p3;
}

}  // namespace synthetic

#include "motion/SkeletonMath.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

Quaternion Make(double x, double y, double z, double w) {
    Quaternion q;
    q.x = x;
    q.y = y;
    q.z = z;
    q.w = w;
    return q;
}

}  // namespace

Quaternion AxisAngleToQuaternion(const Point3D& axis, double angle) {
    const double l = axis.Length();
    if (l < 1e-8) return Quaternion();
    const double s = std::sin(angle / 2) / l;
    return Make(axis.x * s, axis.y * s, axis.z * s, std::cos(angle / 2));
}

Quaternion QuaternionProduct(const Quaternion& p, const Quaternion& q) {
    return Make(p.w * q.x + p.x * q.w + p.y * q.z - p.z * q.y,
                p.w * q.y + p.y * q.w + p.z * q.x - p.x * q.z,
                p.w * q.z + p.z * q.w + p.x * q.y - p.y * q.x,
                p.w * q.w - p.x * q.x - p.y * q.y - p.z * q.z);
}

Point3D RotateByQuaternion(const Point3D& v, const Quaternion& q) {
    const Quaternion conjugate = Make(-q.x, -q.y, -q.z, q.w);
    const Quaternion r = QuaternionProduct(QuaternionProduct(q, Make(v.x, v.y, v.z, 0)), conjugate);
    return Point3D(r.x, r.y, r.z);
}

Quaternion QuaternionSlerp(const Quaternion& q0, const Quaternion& q1, double t) {
    double d = q0.x * q1.x + q0.y * q1.y + q0.z * q1.z + q0.w * q1.w;
    const double sign = d < 0 ? -1.0 : 1.0;
    d = std::fabs(d);
    double w0 = 1 - t, w1 = t;
    // The threshold is a single-precision constant; sin(theta) near 0 would blow up below it.
    if (!(1 - d < double(0.05f))) {
        const double theta = std::acos(d > 1 ? 1.0 : d);
        const double s = std::sin(theta);
        w0 = std::sin((1 - t) * theta) / s;
        w1 = std::sin(t * theta) / s;
    }
    w1 *= sign;
    return Make(w0 * q0.x + w1 * q1.x, w0 * q0.y + w1 * q1.y, w0 * q0.z + w1 * q1.z,
                w0 * q0.w + w1 * q1.w);
}

void QuaternionToEuler(const Quaternion& q, double out[3]) {
    const double x = q.x, y = q.y, z = q.z, w = q.w;
    const double s = 2 * (w * y - x * z);
    double c2 = 1 - s * s;
    if (std::fabs(c2) < 1e-7) c2 = 0;
    const double c = std::sqrt(c2 < 0 ? 0 : c2);
    out[1] = std::atan2(s, c);
    if (s == 1 || s == -1 || c == 0) {
        out[0] = std::atan2(2 * (w * x - y * z), 1 - 2 * x * x - 2 * z * z);
        out[2] = 0;
    } else {
        out[0] = std::atan2(2 * (w * x + y * z) / c, (1 - 2 * x * x - 2 * y * y) / c);
        out[2] = std::atan2(2 * (w * z + x * y) / c, (1 - 2 * y * y - 2 * z * z) / c);
    }
}

bool PointsDiffer(const Point3D& a, const Point3D& b) {
    const Point3D d = a - b;
    return !(d.x * d.x + d.y * d.y + d.z * d.z < 1e-8);
}

void DirectionAngles(const Point3D& d, double* length, double* pitch, double* yaw) {
    *length = d.Length();
    const double h = std::sqrt(d.x * d.x + d.z * d.z);
    if (std::fabs(h) < 1e-8) {
        *pitch = d.y > 0 ? -kPi / 2 : kPi / 2;
        *yaw = 0;
        return;
    }
    *pitch = std::atan(-d.y / h);
    double a = d.x / h;
    if (a > 1) a = 1;
    if (a < -1) a = -1;
    *yaw = std::asin(a);
    if (d.z < 0) *yaw = kPi - *yaw;
}

#include "motion/geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

double gGeometryTolerance = 1e-8;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// asin/acos of a value pushed just past +-1 by rounding would give NaN.
double Clamp1(double v) { return std::min(1.0, std::max(-1.0, v)); }

// Rx(a) Ry(b) Rz(c) as R[row][col].
void EulerXYZMatrix(double a, double b, double c, double R[3][3]) {
    const double ca = std::cos(a), sa = std::sin(a);
    const double cb = std::cos(b), sb = std::sin(b);
    const double cc = std::cos(c), sc = std::sin(c);
    R[0][0] = cb * cc;
    R[0][1] = -cb * sc;
    R[0][2] = sb;
    R[1][0] = ca * sc + sa * sb * cc;
    R[1][1] = ca * cc - sa * sb * sc;
    R[1][2] = -sa * cb;
    R[2][0] = sa * sc - ca * sb * cc;
    R[2][1] = sa * cc + ca * sb * sc;
    R[2][2] = ca * cb;
}

// R(q) of a unit quaternion as R[row][col].
void QuaternionMatrix(const Quaternion& q, double R[3][3]) {
    const double x = q.x, y = q.y, z = q.z, w = q.w;
    R[0][0] = 1.0 - 2.0 * (y * y + z * z);
    R[0][1] = 2.0 * (x * y - z * w);
    R[0][2] = 2.0 * (x * z + y * w);
    R[1][0] = 2.0 * (x * y + z * w);
    R[1][1] = 1.0 - 2.0 * (x * x + z * z);
    R[1][2] = 2.0 * (y * z - x * w);
    R[2][0] = 2.0 * (x * z - y * w);
    R[2][1] = 2.0 * (y * z + x * w);
    R[2][2] = 1.0 - 2.0 * (x * x + y * y);
}

// Axes are 0, 1, 2; anything else would index outside a frame.
bool ValidAxis(int a) { return a >= 0 && a <= 2; }

// Frame, quaternion, normalise, hand out as w, x, y, z.
void FrameToArray(const double* frame, double* q) {
    Quaternion r;
    r.FromRotation3x3(frame, 3);
    r.Normalize();
    r.ToArray(q);
}

// atan2 of an Euler-angle pair, 0 when both terms vanish (gimbal lock: the angle is undefined).
double EulerAtan2(double num, double den, double eps) {
    if (std::fabs(num) <= eps && std::fabs(den) <= eps)
        return 0.0;
    return std::atan2(num, den);
}

inline double& At(double* G, int stride, int r, int c) {
    return G[static_cast<std::size_t>(r) * static_cast<std::size_t>(stride) +
             static_cast<std::size_t>(c)];
}

inline double At(const double* G, int stride, int r, int c) {
    return G[static_cast<std::size_t>(r) * static_cast<std::size_t>(stride) +
             static_cast<std::size_t>(c)];
}

}  // namespace

bool SetGeometryTolerance(double value) {
    if (!(value >= 0.0))
        return false;
    gGeometryTolerance = value;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Point3D

void Point3D::Set(double px, double py, double pz) {
    x = px;
    y = py;
    z = pz;
}

Point3D& Point3D::SetZero() {
    x = y = z = 0.0;
    return *this;
}

void Point3D::Get(Point3D& out) const { out = *this; }

double& Point3D::operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }

double Point3D::operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

Point3D Point3D::operator+(const Point3D& o) const { return Point3D(x + o.x, y + o.y, z + o.z); }

Point3D Point3D::operator-(const Point3D& o) const { return Point3D(x - o.x, y - o.y, z - o.z); }

Point3D Point3D::operator*(double f) const { return Point3D(x * f, y * f, z * f); }

Point3D& Point3D::operator*=(double f) {
    x *= f;
    y *= f;
    z *= f;
    return *this;
}

Point3D Point3D::CrossProduct(const Point3D& o) const {
    return Point3D(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x);
}

void Point3D::Cross(const Point3D& o, Point3D& out) const { out = CrossProduct(o); }

double Point3D::Length() const { return std::sqrt(x * x + y * y + z * z); }

void Point3D::Normalize() {
    const double len = Length();
    if (len != 0.0) {
        x /= len;
        y /= len;
        z /= len;
    }
}

double Point3D::GetNormalized(Point3D& out) const {
    const double len = Length();
    if (len > gGeometryTolerance) {
        out.Set(x / len, y / len, z / len);
        return len;
    }
    out.SetZero();
    return 0.0;
}

bool Point3D::Differs(const Point3D& o) const {
    return std::fabs(x - o.x) > gGeometryTolerance || std::fabs(y - o.y) > gGeometryTolerance ||
           std::fabs(z - o.z) > gGeometryTolerance;
}

void Point3D::SetSpherical(double r, double theta, double phi) {
    x = r * std::sin(theta) * std::cos(phi);
    y = r * std::sin(theta) * std::sin(phi);
    z = r * std::cos(theta);
}

void Point3D::GetSpherical(double* r, double* theta, double* phi) const {
    const double len = Length();
    double t = 0.0, p = 0.0;
    if (len != 0.0) {
        t = std::acos(Clamp1(z / len));
        if (std::fabs(t) < 0.017)
            t = 0.017;
        if (x != 0.0)
            p = std::atan2(y, x);
        else
            p = y > 0.0 ? kPi / 2.0 : (y < 0.0 ? -kPi / 2.0 : 0.0);
    }
    if (r)
        *r = len;
    if (theta)
        *theta = t;
    if (phi)
        *phi = p;
}

int Point3D::FrameFromVectors(const Point3D& w, int a, int b, double* frame, int stride) const {
    if (a == b || !ValidAxis(a) || !ValidAxis(b) || !frame || stride < 3)
        return 0;
    Point3D u;
    if (GetNormalized(u) == 0.0)
        return 0;
    // These orders put b one step after a (cyclically), so u x w points along the third axis.
    const bool cyclic = (a == 0 && b == 1) || (a == 1 && b == 2) || (a == 2 && b == 0);
    Point3D n = cyclic ? u.CrossProduct(w) : w.CrossProduct(u);
    if (!(n.Length() > gGeometryTolerance))
        return 0;
    n.Normalize();
    const Point3D q = cyclic ? n.CrossProduct(u) : u.CrossProduct(n);
    const int third = 3 - a - b;
    for (int r = 0; r < 3; ++r) {
        frame[r * stride + a] = u[r];
        frame[r * stride + b] = q[r];
        frame[r * stride + third] = n[r];
    }
    return 1;
}

int Point3D::FrameFromTriad(const Point3D& p1, const Point3D& p2, int a, int b, double* frame,
                            int stride) const {
    if (a == b || !ValidAxis(a) || !ValidAxis(b))
        return 0;
    return (p1 - *this).FrameFromVectors(p2 - *this, a, b, frame, stride);
}

int Point3D::AxesQuaternion(const Point3D& w, double* q) const {
    double frame[9];
    if (!q || !FrameFromVectors(w, 0, 1, frame, 3))
        return 0;
    FrameToArray(frame, q);
    return 1;
}

int Point3D::TriadQuaternion(const Point3D& p1, const Point3D& p2, double* q, int a,
                             int b) const {
    double frame[9];
    if (!q || !FrameFromTriad(p1, p2, a, b, frame, 3))
        return 0;
    FrameToArray(frame, q);
    return 1;
}

int Point3D::DirectionQuaternion(const Point3D& p1, double* q, int a, int b) const {
    Point3D d = p1 - *this;
    d.Normalize();
    Point3D p, c;
    MakePerpendicular(d, p, c);
    double frame[9];
    if (!q || !d.FrameFromVectors(p, a, b, frame, 3))
        return 0;
    FrameToArray(frame, q);
    return 1;
}

int Point3D::TriadEulerAngles(const Point3D& p1, const Point3D& p2, double* out, int a, int b,
                              bool second) const {
    if (!out)
        return 0;
    double frame[9];
    double s1[3], s2[3];
    if (!FrameFromTriad(p1, p2, a, b, frame, 3) ||
        !RotationToEulerAngles(frame, 3, 0, 1, 2, s1, s2)) {
        out[0] = out[1] = out[2] = 0.0;
        return 0;
    }
    const double* s = second ? s2 : s1;
    out[0] = s[0];
    out[1] = s[1];
    out[2] = s[2];
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Matrix4x4

Matrix4x4::Matrix4x4() { SetIdentity(); }

void Matrix4x4::SetIdentity() {
    for (int i = 0; i < 16; ++i)
        m[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

Matrix4x4 Matrix4x4::operator*(const Matrix4x4& other) const {
    Matrix4x4 out;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += m[4 * i + k] * other.m[4 * k + j];
            out.m[4 * i + j] = sum;
        }
    return out;
}

void Matrix4x4::Multiply(const Matrix4x4& other, Matrix4x4& out) const { out = *this * other; }

Matrix4x4 Matrix4x4::operator-(const Matrix4x4& other) const {
    Matrix4x4 out;
    for (int i = 0; i < 16; ++i)
        out.m[i] = m[i] - other.m[i];
    return out;
}

void Matrix4x4::Subtract(const Matrix4x4& other, Matrix4x4& out) const { out = *this - other; }

Point3D Matrix4x4::Transform(const Point3D& p) const {
    return Point3D(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12],
                   m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                   m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]);
}

void Matrix4x4::Transform(const Point3D& p, Point3D& out) const { out = Transform(p); }

void Matrix4x4::RigidInverse(Matrix4x4& out) const {
    Matrix4x4 r;
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            r.m[4 * col + row] = m[4 * row + col];
    for (int row = 0; row < 3; ++row)
        r.m[12 + row] = -(m[4 * row] * m[12] + m[4 * row + 1] * m[13] + m[4 * row + 2] * m[14]);
    r.m[3] = m[3];
    r.m[7] = m[7];
    r.m[11] = m[11];
    r.m[15] = m[15];
    out = r;
}

void Matrix4x4::SetRotation(double a, double b, double c) {
    double R[3][3];
    EulerXYZMatrix(a, b, c, R);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            m[4 * col + row] = R[row][col];
    m[3] = m[7] = m[11] = 0.0;
    m[12] = m[13] = m[14] = 0.0;
    m[15] = 1.0;
}

void Matrix4x4::ToEulerAngles(double* pa, double* pb, double* pc) const {
    double a, b, c;
    if (m[8] >= 1.0)
        b = kPi / 2.0;
    else if (m[8] <= -1.0)
        b = -kPi / 2.0;
    else
        b = std::asin(m[8]);
    const double cb = std::cos(b);
    if (std::fabs(cb) > 0.005) {
        a = std::atan2(-m[9] / cb, m[10] / cb);
        c = std::atan2(-m[4] / cb, m[0] / cb);
    } else {
        a = 0.0;
        c = std::atan2(m[1], m[5]);
    }
    double* angles[3] = {&a, &b, &c};
    for (double* v : angles) {
        if (*v < 0.0)
            *v += kTwoPi;
        if (*v == kTwoPi)
            *v = 0.0;
    }
    if (pa)
        *pa = a;
    if (pb)
        *pb = b;
    if (pc)
        *pc = c;
}

void Matrix4x4::GetEulerAngles(double* angles) const {
    if (angles)
        ToEulerAngles(&angles[0], &angles[1], &angles[2]);
}

void Matrix4x4::RotateX(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    for (int r = 0; r < 3; ++r) {
        const double c1 = m[4 + r], c2 = m[8 + r];
        m[4 + r] = c * c1 + s * c2;
        m[8 + r] = -s * c1 + c * c2;
    }
}

void Matrix4x4::RotateY(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    for (int r = 0; r < 3; ++r) {
        const double c0 = m[r], c2 = m[8 + r];
        m[r] = c * c0 + s * c2;
        m[8 + r] = -s * c0 + c * c2;
    }
}

void Matrix4x4::RotateZ(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    for (int r = 0; r < 3; ++r) {
        const double c0 = m[r], c1 = m[4 + r];
        m[r] = c * c0 + s * c1;
        m[4 + r] = -s * c0 + c * c1;
    }
}

void Matrix4x4::Rotate(int axis, double angle) {
    switch (axis) {
    case 0:
        RotateX(angle);
        break;
    case 1:
        RotateY(angle);
        break;
    case 2:
        RotateZ(angle);
        break;
    default:
        break;
    }
}

void Matrix4x4::PreRotateX(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    for (int col = 0; col < 3; ++col) {
        const double r1 = m[4 * col + 1], r2 = m[4 * col + 2];
        m[4 * col + 1] = c * r1 - s * r2;
        m[4 * col + 2] = s * r1 + c * r2;
    }
}

void Matrix4x4::PreRotateZ(double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    for (int col = 0; col < 3; ++col) {
        const double r0 = m[4 * col], r1 = m[4 * col + 1];
        m[4 * col] = c * r0 - s * r1;
        m[4 * col + 1] = s * r0 + c * r1;
    }
}

// ---------------------------------------------------------------------------------------------
// Quaternion

void Quaternion::Set(const double* q) {
    if (!q)
        return;
    w = q[0];
    x = q[1];
    y = q[2];
    z = q[3];
    Normalize();
}

void Quaternion::ToArray(double* q) const {
    if (!q)
        return;
    q[0] = w;
    q[1] = x;
    q[2] = y;
    q[3] = z;
}

void Quaternion::Normalize() {
    const double norm = std::sqrt(x * x + y * y + z * z + w * w);
    if (norm == 0.0) {
        x = y = z = 0.0;
        w = 1.0;
        return;
    }
    x /= norm;
    y /= norm;
    z /= norm;
    w /= norm;
}

Quaternion Quaternion::operator*(const Quaternion& o) const {
    Quaternion r;
    r.w = w * o.w - (x * o.x + y * o.y + z * o.z);
    r.x = x * o.w + o.x * w + y * o.z - o.y * z;
    r.y = y * o.w + o.y * w + z * o.x - x * o.z;
    r.z = z * o.w + o.z * w + x * o.y - o.x * y;
    r.Normalize();
    return r;
}

Quaternion& Quaternion::FromAxisAngle(double ax, double ay, double az, double angle) {
    const double len = std::sqrt(ax * ax + ay * ay + az * az);
    if (len > 1e-7) {
        const double s = std::sin(angle / 2.0) / len;
        x = ax * s;
        y = ay * s;
        z = az * s;
        w = std::cos(angle / 2.0);
    } else {
        x = y = z = 0.0;
        w = 1.0;
    }
    Normalize();
    return *this;
}

Quaternion& Quaternion::SetEulerAngles(double a, double b, double c) {
    const double sa = std::sin(a / 2.0), ca = std::cos(a / 2.0);
    const double sb = std::sin(b / 2.0), cb = std::cos(b / 2.0);
    const double sc = std::sin(c / 2.0), cc = std::cos(c / 2.0);
    x = cc * cb * sa - sc * sb * ca;
    y = cc * sb * ca + sc * cb * sa;
    z = sc * cb * ca - cc * sb * sa;
    w = cc * cb * ca + sc * sb * sa;
    Normalize();
    return *this;
}

Quaternion& Quaternion::FromEulerAngles(double a, double b, double c) {
    return SetEulerAngles(a, b, c);
}

Quaternion& Quaternion::FromRotation3x3(const double* frame, int stride) {
    if (!frame || stride < 3)
        return *this;
    auto R = [frame, stride](int r, int c) { return frame[r * stride + c]; };
    const double t = R(0, 0) + R(1, 1) + R(2, 2);
    if (1.0 + t > 0.0) {
        const double S = 2.0 * std::sqrt(1.0 + t);
        w = S / 4.0;
        x = (R(2, 1) - R(1, 2)) / S;
        y = (R(0, 2) - R(2, 0)) / S;
        z = (R(1, 0) - R(0, 1)) / S;
    } else if (R(0, 0) > R(1, 1) && R(0, 0) > R(2, 2)) {
        // Only half turns (trace -1) come here and below: the largest diagonal term picks the
        // component that is far from zero.
        const double S = 2.0 * std::sqrt(std::fabs(1.0 + R(0, 0) - R(1, 1) - R(2, 2)));
        x = S / 4.0;
        y = (R(0, 1) + R(1, 0)) / S;
        z = (R(0, 2) + R(2, 0)) / S;
        w = (R(2, 1) - R(1, 2)) / S;
    } else if (R(1, 1) > R(2, 2)) {
        const double S = 2.0 * std::sqrt(std::fabs(1.0 + R(1, 1) - R(0, 0) - R(2, 2)));
        x = (R(0, 1) + R(1, 0)) / S;
        y = S / 4.0;
        z = (R(1, 2) + R(2, 1)) / S;
        w = (R(0, 2) - R(2, 0)) / S;
    } else {
        const double S = 2.0 * std::sqrt(std::fabs(1.0 + R(2, 2) - R(0, 0) - R(1, 1)));
        x = (R(0, 2) + R(2, 0)) / S;
        y = (R(1, 2) + R(2, 1)) / S;
        z = S / 4.0;
        w = (R(1, 0) - R(0, 1)) / S;
    }
    return *this;
}

Quaternion& Quaternion::FromMatrix(const Matrix4x4& matrix) {
    double frame[9];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            frame[3 * r + c] = matrix.m[4 * c + r];
    return FromRotation3x3(frame, 3);
}

void Quaternion::ToMatrix(Matrix4x4& out) const {
    double R[3][3];
    QuaternionMatrix(*this, R);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out.m[4 * c + r] = R[r][c];
    out.m[3] = out.m[7] = out.m[11] = 0.0;
    out.m[12] = out.m[13] = out.m[14] = 0.0;
    out.m[15] = 1.0;
}

void Quaternion::GetAxisAngle(double* ax, double* ay, double* az, double* angle) const {
    Quaternion q = *this;
    q.Normalize();
    const double w1 = Clamp1(q.w);
    double s = std::sqrt(std::fabs(1.0 - w1 * w1));
    if (std::fabs(s) < 5e-4)
        s = 1.0;
    if (ax)
        *ax = q.x / s;
    if (ay)
        *ay = q.y / s;
    if (az)
        *az = q.z / s;
    if (angle)
        *angle = 2.0 * std::acos(w1);
}

void Quaternion::ToAxisAngle(double* axisAngle) const {
    if (axisAngle)
        GetAxisAngle(&axisAngle[0], &axisAngle[1], &axisAngle[2], &axisAngle[3]);
}

void Quaternion::GetEulerAngles(double* angles) const {
    if (!angles)
        return;
    Quaternion q = *this;
    q.Normalize();
    const double s = 2.0 * (q.w * q.y - q.x * q.z);
    double d = std::fabs(1.0 - s * s);
    if (d < 1e-7)
        d = 0.0;
    const double k = std::sqrt(d);
    const double b = std::atan2(s, k);
    double a, c;
    if (s != 1.0 && s != -1.0 && k != 0.0) {
        a = std::atan2(2.0 * (q.w * q.x + q.y * q.z), 1.0 - 2.0 * (q.x * q.x + q.y * q.y));
        c = std::atan2(2.0 * (q.w * q.z + q.x * q.y), 1.0 - 2.0 * (q.y * q.y + q.z * q.z));
    } else {
        // Gimbal lock: the turns about x and z share one axis, so all of it goes to a.
        a = std::atan2(2.0 * (q.w * q.x - q.y * q.z), 1.0 - 2.0 * (q.x * q.x + q.z * q.z));
        c = 0.0;
    }
    angles[0] = a;
    angles[1] = b;
    angles[2] = c;
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(angles[i] - kTwoPi) < 1e-6)
            angles[i] = 0.0;
        if (std::fabs(angles[i]) < 1e-6)
            angles[i] = 0.0;
    }
}

// ---------------------------------------------------------------------------------------------
// Free functions

void RotatePointByQuaternion(double* x, double* y, double* z, const double* q) {
    if (!x || !y || !z || !q)
        return;
    Quaternion r;
    r.Set(q);
    double R[3][3];
    QuaternionMatrix(r, R);
    const double px = *x, py = *y, pz = *z;
    *x = R[0][0] * px + R[0][1] * py + R[0][2] * pz;
    *y = R[1][0] * px + R[1][1] * py + R[1][2] * pz;
    *z = R[2][0] * px + R[2][1] * py + R[2][2] * pz;
}

void RotatePointByInverseQuaternion(double* x, double* y, double* z, const double* q) {
    if (!x || !y || !z || !q)
        return;
    Quaternion r;
    r.Set(q);
    double R[3][3];
    QuaternionMatrix(r, R);
    const double px = *x, py = *y, pz = *z;
    *x = R[0][0] * px + R[1][0] * py + R[2][0] * pz;
    *y = R[0][1] * px + R[1][1] * py + R[2][1] * pz;
    *z = R[0][2] * px + R[1][2] * py + R[2][2] * pz;
}

void RotatePointByInverseEuler(double* x, double* y, double* z, double a, double b, double c) {
    if (!x || !y || !z)
        return;
    double R[3][3];
    EulerXYZMatrix(a, b, c, R);
    const double px = *x, py = *y, pz = *z;
    *x = R[0][0] * px + R[1][0] * py + R[2][0] * pz;
    *y = R[0][1] * px + R[1][1] * py + R[2][1] * pz;
    *z = R[0][2] * px + R[1][2] * py + R[2][2] * pz;
}

void MakePerpendicular(const Point3D& d, Point3D& p, Point3D& c) {
    if (std::fabs(d.x) > std::fabs(d.y)) {
        const double len = std::sqrt(d.z * d.z + d.x * d.x);
        p.Set(d.z / len, 0.0, -d.x / len);
    } else {
        const double len = std::sqrt(d.z * d.z + d.y * d.y);
        // Only the zero direction gets here with len 0; give it no perpendicular rather than NaN.
        if (len == 0.0)
            p.SetZero();
        else
            p.Set(0.0, -d.z / len, d.y / len);
    }
    d.Cross(p, c);
}

int RotationToEulerAngles(const double* frame, int stride, int i, int j, int k, double* first,
                          double* second) {
    if (!ValidAxis(i) || !ValidAxis(j) || !ValidAxis(k) || i == j || j == k || !frame ||
        stride < 3 || !first || !second)
        return 0;
    auto M = [frame, stride](int r, int c) { return frame[r * stride + c]; };
    const double sigma = ((j - i + 3) % 3 == 1) ? 1.0 : -1.0;
    const int m = 3 - i - j;
    if (k == i) {
        const double beta = std::acos(Clamp1(M(i, i)));
        first[0] = std::atan2(M(j, i), -sigma * M(m, i));
        first[1] = beta;
        first[2] = std::atan2(M(i, j), sigma * M(i, m));
        second[0] = std::atan2(-M(j, i), sigma * M(m, i));
        second[1] = -beta;
        second[2] = std::atan2(-M(i, j), -sigma * M(i, m));
        return 1;
    }
    const double eps = gGeometryTolerance;
    const double e = Clamp1(sigma * M(i, k));
    const double asinE = std::asin(e);
    first[0] = EulerAtan2(-sigma * M(j, k), M(k, k), eps);
    first[1] = std::fabs(e) > eps ? asinE : 0.0;
    first[2] = EulerAtan2(-sigma * M(i, j), M(i, i), eps);
    second[0] = EulerAtan2(sigma * M(j, k), -M(k, k), eps);
    second[1] = std::fmod(2.0 * kPi - asinE, 2.0 * kPi) - kPi;
    second[2] = EulerAtan2(sigma * M(i, j), -M(i, i), eps);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Linear solver

int FindPivot(const double* G, int stride, int rowBegin, int rowEnd, int colBegin, int colEnd,
              int* pivotRow, int* pivotCol) {
    if (!G || rowBegin < 0 || colBegin < 0 || rowBegin >= rowEnd || colBegin >= colEnd ||
        colEnd > stride)
        return 0;
    int bestRow = rowBegin, bestCol = colBegin;
    double best = std::fabs(At(G, stride, rowBegin, colBegin));
    for (int r = rowBegin; r < rowEnd; ++r)
        for (int c = colBegin; c < colEnd; ++c) {
            const double v = std::fabs(At(G, stride, r, c));
            if (v > best) {
                best = v;
                bestRow = r;
                bestCol = c;
            }
        }
    if (pivotRow)
        *pivotRow = bestRow;
    if (pivotCol)
        *pivotCol = bestCol;
    return 1;
}

void SwapRows(double* G, int stride, int r1, int r2, int ncols) {
    if (!G || r1 == r2)
        return;
    for (int c = 0; c < ncols; ++c)
        std::swap(At(G, stride, r1, c), At(G, stride, r2, c));
}

void SwapColumns(double* G, int stride, int c1, int c2, int nrows, int* perm) {
    if (!G || c1 == c2)
        return;
    for (int r = 0; r < nrows; ++r)
        std::swap(At(G, stride, r, c1), At(G, stride, r, c2));
    if (perm)
        std::swap(perm[c1], perm[c2]);
}

void EliminateColumn(double* G, int stride, int nrows, int i, int ncols) {
    if (!G)
        return;
    const double pivot = At(G, stride, i, i);
    for (int r = 0; r < nrows; ++r) {
        if (r == i)
            continue;
        const double f = At(G, stride, r, i) / pivot;
        for (int c = i; c < ncols; ++c)
            At(G, stride, r, c) -= f * At(G, stride, i, c);
    }
}

bool GaussJordanEliminate(double* G, int rows, int stride, int nrows, int ncols, int nrhs,
                          int* perm, int* rank, double* pivotMagnitude, const int* presets) {
    if (rank)
        *rank = 0;
    if (!G || !perm || nrows < 0 || ncols < 0 || nrhs < 0 || nrows > rows ||
        static_cast<long long>(ncols) + nrhs > stride)
        return false;
    const int width = ncols + nrhs;
    // A pivot smaller than this share of the first (largest) one is rounding noise.
    const double tau = 5.0 * std::numeric_limits<double>::epsilon();

    for (int c = 0; c < ncols; ++c)
        perm[c] = c;

    // Preset columns go to the end of the block and leave it, so they never become pivots.
    int eligibleEnd = ncols;
    if (presets) {
        for (const int* p = presets; *p != -1; ++p) {
            for (int pos = 0; pos < eligibleEnd; ++pos)
                if (perm[pos] == *p) {
                    SwapColumns(G, stride, pos, eligibleEnd - 1, nrows, perm);
                    --eligibleEnd;
                    break;
                }
        }
    }

    double threshold = 0.0;
    const int steps = std::min(nrows, ncols);
    for (int i = 0; i < steps; ++i) {
        int pr = 0, pc = 0;
        if (!FindPivot(G, stride, i, nrows, i, eligibleEnd, &pr, &pc))
            break;
        const double pivot = At(G, stride, pr, pc);
        const double magnitude = std::fabs(pivot);
        if (pivotMagnitude)
            *pivotMagnitude = magnitude;
        if (i == 0)
            threshold = magnitude * tau * nrows;
        // !(magnitude > 0) also stops on a NaN pivot instead of spreading it as a full rank.
        if (!(magnitude > 0.0) || threshold > magnitude)
            break;
        if (rank)
            *rank = i + 1;
        SwapRows(G, stride, i, pr, width);
        SwapColumns(G, stride, i, pc, nrows, perm);
        EliminateColumn(G, stride, nrows, i, width);
        for (int c = 0; c < width; ++c)
            At(G, stride, i, c) /= pivot;
    }
    return true;
}

int SolveLinearSystem(const double* A, const double* b, double* x, int n) {
    if (!A || !b || !x || n < 1 || n == INT_MAX)
        return 0;
    try {
        const int stride = n + 1;
        const std::size_t nn = static_cast<std::size_t>(n);
        std::vector<double> G(nn * static_cast<std::size_t>(stride));
        std::vector<int> perm(nn);
        for (int r = 0; r < n; ++r) {
            for (int c = 0; c < n; ++c)
                At(G.data(), stride, r, c) = A[static_cast<std::size_t>(r) * nn + c];
            At(G.data(), stride, r, n) = b[r];
        }
        int rank = 0;
        double magnitude = 0.0;
        GaussJordanEliminate(G.data(), n, stride, n, n, 1, perm.data(), &rank, &magnitude,
                             nullptr);
        for (int r = 0; r < n; ++r)
            x[perm[r]] = At(G.data(), stride, r, n);
        return rank;
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (const std::length_error&) {
        return 0;
    }
}

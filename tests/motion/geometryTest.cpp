// Geometry values, frames, Euler angles and the linear solver. Expected values are worked out by
// hand from the elementary rotations (the derivation is noted next to each table) or come from
// identities that an independent construction checks (products of elementary rotations).
#include "motion/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEps = 1e-12;
const double kS45 = std::sqrt(0.5);  // sin 45 deg = cos 45 deg

// Puts the process-wide tolerance back whatever a test did to it.
class ToleranceGuard {
public:
    ToleranceGuard() : saved_(gGeometryTolerance) {}
    ~ToleranceGuard() { SetGeometryTolerance(saved_); }
    ToleranceGuard(const ToleranceGuard&) = delete;
    ToleranceGuard& operator=(const ToleranceGuard&) = delete;

private:
    double saved_;
};

void ExpectPoint(const Point3D& p, double x, double y, double z, double tol = kEps) {
    EXPECT_NEAR(p.x, x, tol);
    EXPECT_NEAR(p.y, y, tol);
    EXPECT_NEAR(p.z, z, tol);
}

void ExpectMatrixNear(const Matrix4x4& a, const Matrix4x4& b, double tol = kEps) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

// q as (x, y, z, w).
void ExpectQuat(const Quaternion& q, double x, double y, double z, double w, double tol = kEps) {
    EXPECT_NEAR(q.x, x, tol);
    EXPECT_NEAR(q.y, y, tol);
    EXPECT_NEAR(q.z, z, tol);
    EXPECT_NEAR(q.w, w, tol);
}

// Same rotation: q and -q are equal rotations.
void ExpectSameRotation(const Quaternion& a, const Quaternion& b, double tol = 1e-12) {
    const double dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    EXPECT_NEAR(std::fabs(dot), 1.0, tol);
}

// Angle difference folded into (-pi, pi].
double AngleDiff(double a, double b) {
    double d = std::fmod(a - b, 2.0 * kPi);
    if (d > kPi)
        d -= 2.0 * kPi;
    if (d <= -kPi)
        d += 2.0 * kPi;
    return d;
}

// Seeded uniform in [lo, hi) without std distributions (they differ between libraries).
class Uniform {
public:
    explicit Uniform(std::uint32_t seed) : gen_(seed) {}
    double operator()(double lo, double hi) { return lo + (hi - lo) * (gen_() / 4294967296.0); }

private:
    std::mt19937 gen_;
};

// Elementary right-handed rotation about axis 0/1/2, row-major 3 x 3; built independently of
// the code under test.
void Elementary(int axis, double t, double R[9]) {
    const double c = std::cos(t), s = std::sin(t);
    for (int i = 0; i < 9; ++i)
        R[i] = 0.0;
    const int p = (axis + 1) % 3, q = (axis + 2) % 3;
    R[axis * 3 + axis] = 1.0;
    R[p * 3 + p] = c;
    R[p * 3 + q] = -s;
    R[q * 3 + p] = s;
    R[q * 3 + q] = c;
}

void Mul3(const double A[9], const double B[9], double out[9]) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            double s = 0.0;
            for (int k = 0; k < 3; ++k)
                s += A[r * 3 + k] * B[k * 3 + c];
            out[r * 3 + c] = s;
        }
}

// R_i(a) R_j(b) R_k(c), row-major.
void EulerProduct(int i, int j, int k, double a, double b, double c, double out[9]) {
    double A[9], B[9], C[9], AB[9];
    Elementary(i, a, A);
    Elementary(j, b, B);
    Elementary(k, c, C);
    Mul3(A, B, AB);
    Mul3(AB, C, out);
}

// ---------------------------------------------------------------------------------------------
// Point3D

TEST(Point3D, ConstructIndexAndArithmetic) {
    Point3D p;
    ExpectPoint(p, 0, 0, 0, 0.0);
    Point3D q(1, 2, 3);
    q[0] = 4;
    EXPECT_EQ(q[0], 4.0);
    EXPECT_EQ(q[1], 2.0);
    EXPECT_EQ(q[2], 3.0);
    ExpectPoint(q + Point3D(1, 1, 1), 5, 3, 4, 0.0);
    ExpectPoint(q - Point3D(1, 1, 1), 3, 1, 2, 0.0);  // this - other
    ExpectPoint(q * 2.0, 8, 4, 6, 0.0);
    q *= 0.5;
    ExpectPoint(q, 2, 1, 1.5, 0.0);
    Point3D out;
    q.Get(out);
    ExpectPoint(out, 2, 1, 1.5, 0.0);
    ExpectPoint(out.SetZero(), 0, 0, 0, 0.0);
    EXPECT_DOUBLE_EQ(Point3D(3, 4, 12).Length(), 13.0);  // 9 + 16 + 144 = 169
}

TEST(Point3D, CrossProduct) {
    struct Case {
        Point3D a, b, expected;
    };
    // Axis cycle x y z, and (1,2,3) x (4,5,6) = (2*6-3*5, 3*4-1*6, 1*5-2*4).
    const Case cases[] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
        {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},
        {{1, 2, 3}, {4, 5, 6}, {-3, 6, -3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.a.x) + "," + std::to_string(c.a.y) + "," +
                     std::to_string(c.a.z));
        const Point3D r = c.a.CrossProduct(c.b);
        ExpectPoint(r, c.expected.x, c.expected.y, c.expected.z, 0.0);
        Point3D out;
        c.a.Cross(c.b, out);
        ExpectPoint(out, c.expected.x, c.expected.y, c.expected.z, 0.0);
    }
}

TEST(Point3D, Spherical) {
    struct Case {
        Point3D p;
        double r, theta, phi;
    };
    const Case cases[] = {
        {{0, 0, 5}, 5, 0.017, 0},                       // on the pole: theta raised to 0.017
        {{0, -2, 0}, 2, kPi / 2, -kPi / 2},             // x = 0: phi = sign(y) pi/2
        {{0, 0, 0}, 0, 0, 0},                           // zero vector: all zeros
        {{0, 0, -3}, 3, kPi, 0},                        // acos(-1) = pi; x = y = 0 gives phi 0
        {{1, 1, 0}, std::sqrt(2.0), kPi / 2, kPi / 4},  // atan2(1, 1)
        {{-1, 0, 1}, std::sqrt(2.0), kPi / 4, kPi},     // acos(1/sqrt2), atan2(0, -1)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.p.x) + "," + std::to_string(c.p.y) + "," +
                     std::to_string(c.p.z));
        double r = -1, theta = -1, phi = -1;
        c.p.GetSpherical(&r, &theta, &phi);
        EXPECT_NEAR(r, c.r, kEps);
        EXPECT_NEAR(theta, c.theta, kEps);
        EXPECT_NEAR(phi, c.phi, kEps);
    }
    // r = 2, theta = 60 deg, phi = 30 deg: (2 sin60 cos30, 2 sin60 sin30, 2 cos60).
    Point3D s;
    s.SetSpherical(2, kPi / 3, kPi / 6);
    ExpectPoint(s, 1.5, std::sqrt(3.0) / 2, 1.0);
}

TEST(Point3D, NormalizeAndGetNormalized) {
    Point3D tiny(1e-9, 0, 0);
    Point3D out(7, 7, 7);
    // 1e-9 is not above the tolerance 1e-8: length reported as 0 and out zeroed.
    EXPECT_EQ(tiny.GetNormalized(out), 0.0);
    ExpectPoint(out, 0, 0, 0, 0.0);
    // Normalize only skips an exactly zero length.
    tiny.Normalize();
    ExpectPoint(tiny, 1, 0, 0);

    Point3D zero;
    zero.Normalize();
    ExpectPoint(zero, 0, 0, 0, 0.0);

    EXPECT_DOUBLE_EQ(Point3D(3, 4, 0).GetNormalized(out), 5.0);  // 3-4-5 triangle
    ExpectPoint(out, 0.6, 0.8, 0);
}

TEST(Point3D, ToleranceChangesDecisions) {
    ToleranceGuard guard;
    ASSERT_EQ(gGeometryTolerance, 1e-8);  // value at start

    const Point3D tiny(1e-9, 0, 0);
    const Point3D origin;
    const Point3D v(1, 0, 0), nearlyParallel(1, 1e-9, 0);  // |v x w| = 1e-9
    double frame[9];
    Point3D out;

    struct Case {
        double tolerance;
        bool normalizes;  // GetNormalized of 1e-9 accepted
        bool differs;     // (1e-9, 0, 0) differs from the origin
        int frameOk;      // frame of v and the nearly parallel w
    };
    const Case cases[] = {
        {1e-8, false, false, 0},
        {1e-12, true, true, 1},
        {0.0, true, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tolerance);
        ASSERT_TRUE(SetGeometryTolerance(c.tolerance));
        EXPECT_EQ(gGeometryTolerance, c.tolerance);
        EXPECT_EQ(tiny.GetNormalized(out) != 0.0, c.normalizes);
        if (c.normalizes)
            ExpectPoint(out, 1, 0, 0);
        EXPECT_EQ(tiny.Differs(origin), c.differs);
        EXPECT_EQ(v.FrameFromVectors(nearlyParallel, 0, 1, frame, 3), c.frameOk);
    }

    // A negative or NaN tolerance would let a zero vector be "normalised": refused, unchanged.
    ASSERT_TRUE(SetGeometryTolerance(1e-6));
    EXPECT_FALSE(SetGeometryTolerance(-1.0));
    EXPECT_FALSE(SetGeometryTolerance(std::nan("")));
    EXPECT_EQ(gGeometryTolerance, 1e-6);
}

TEST(Point3D, DiffersPerCoordinate) {
    const Point3D base(1, 2, 3);
    struct Case {
        Point3D other;
        bool differs;
    };
    const Case cases[] = {
        {{1, 2, 3}, false},
        {{1 + 5e-9, 2 - 5e-9, 3 + 5e-9}, false},  // every coordinate within 1e-8
        {{1, 2, 3 + 2e-8}, true},
        {{1, 2 - 2e-8, 3}, true},
        {{1 + 2e-8, 2, 3}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.other.x) + "," + std::to_string(c.other.y) + "," +
                     std::to_string(c.other.z));
        EXPECT_EQ(base.Differs(c.other), c.differs);
    }
}

// ---------------------------------------------------------------------------------------------
// Frames

TEST(Frame, RefusalsWriteNothing) {
    struct Case {
        const char* name;
        Point3D v, w;
        int a, b;
    };
    const Case cases[] = {
        {"a equals b", {1, 0, 0}, {0, 1, 0}, 1, 1},
        {"a above 2", {1, 0, 0}, {0, 1, 0}, 3, 1},
        {"b negative", {1, 0, 0}, {0, 1, 0}, 0, -1},
        {"w parallel to v", {1, 2, 3}, {-2, -4, -6}, 0, 1},
        {"zero v", {0, 0, 0}, {0, 1, 0}, 0, 1},
        {"zero w", {1, 0, 0}, {0, 0, 0}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        double frame[12];
        for (double& f : frame)
            f = 42.0;
        EXPECT_EQ(c.v.FrameFromVectors(c.w, c.a, c.b, frame, 4), 0);
        for (double f : frame)
            EXPECT_EQ(f, 42.0);
    }
    double frame[9];
    EXPECT_EQ(Point3D(1, 0, 0).FrameFromVectors(Point3D(0, 1, 0), 0, 1, frame, 2), 0);  // stride
}

TEST(Frame, HandCases) {
    // Each set-up lays axis a along a lab axis and w towards the lab axis of b, so the frame
    // is the identity (columns = lab axes).
    struct Case {
        Point3D v, w;
        int a, b;
    };
    const Case cases[] = {
        {{2, 0, 0}, {1, 1, 0}, 0, 1},
        {{0, 3, 0}, {0, 1, 5}, 1, 2},
        {{0, 0, 3}, {1, 0, 1}, 2, 0},
        {{0, 1, 0}, {1, 0, 0}, 1, 0},
        {{0, 0, 0.5}, {0, 2, 0}, 2, 1},
        {{4, 0, 0}, {0.5, 0, 1}, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("a=" + std::to_string(c.a) + " b=" + std::to_string(c.b));
        double frame[12];
        ASSERT_EQ(c.v.FrameFromVectors(c.w, c.a, c.b, frame, 4), 1);
        for (int r = 0; r < 3; ++r)
            for (int col = 0; col < 3; ++col)
                EXPECT_NEAR(frame[r * 4 + col], r == col ? 1.0 : 0.0, kEps);
    }
}

TEST(Frame, RightHandedForEveryAxisPair) {
    const Point3D v(1, 2, 3), w(-1, 0.5, 2);
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            if (a == b)
                continue;
            SCOPED_TRACE("a=" + std::to_string(a) + " b=" + std::to_string(b));
            double F[9];
            ASSERT_EQ(v.FrameFromVectors(w, a, b, F, 3), 1);
            Point3D col[3];
            for (int c = 0; c < 3; ++c)
                col[c] = Point3D(F[c], F[3 + c], F[6 + c]);
            // Orthonormal.
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) {
                    const double dot =
                        col[i].x * col[j].x + col[i].y * col[j].y + col[i].z * col[j].z;
                    EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, kEps);
                }
            // Right-handed: x cross y = z, i.e. determinant +1.
            const Point3D z = col[0].CrossProduct(col[1]);
            ExpectPoint(z, col[2].x, col[2].y, col[2].z);
            // Axis a along v, axis b on the side of w, the third axis normal to v and w.
            const double len = v.Length();
            ExpectPoint(col[a], v.x / len, v.y / len, v.z / len);
            EXPECT_GT(col[b].x * w.x + col[b].y * w.y + col[b].z * w.z, 0.0);
            const Point3D& n = col[3 - a - b];
            EXPECT_NEAR(n.x * w.x + n.y * w.y + n.z * w.z, 0.0, kEps);
        }
}

TEST(Frame, Triad) {
    // p1 - p0 = (2, 0, 0), p2 - p0 = (0, 4, 0): the identity frame.
    const Point3D p0(1, 1, 1), p1(3, 1, 1), p2(1, 5, 1);
    double F[9];
    ASSERT_EQ(p0.FrameFromTriad(p1, p2, 0, 1, F, 3), 1);
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(F[i], i % 4 == 0 ? 1.0 : 0.0, kEps);
    EXPECT_EQ(p0.FrameFromTriad(p1, p2, 2, 2, F, 3), 0);
    EXPECT_EQ(p0.FrameFromTriad(p1, p2, 0, 5, F, 3), 0);
    EXPECT_EQ(p0.FrameFromTriad(p1, p1 * 2.0 - p0, 0, 1, F, 3), 0);  // collinear
}

TEST(Frame, Quaternions) {
    double q[4];
    // x' = +y, y' = -x: the frame is Rz(90 deg), q = (cos45, 0, 0, sin45) as w, x, y, z.
    ASSERT_EQ(Point3D(0, 1, 0).AxesQuaternion(Point3D(-1, 0, 0), q), 1);
    EXPECT_NEAR(q[0], kS45, kEps);
    EXPECT_NEAR(q[1], 0.0, kEps);
    EXPECT_NEAR(q[2], 0.0, kEps);
    EXPECT_NEAR(q[3], kS45, kEps);

    ASSERT_EQ(Point3D(0, 0, 0).TriadQuaternion(Point3D(0, 2, 0), Point3D(-1, 1, 0), q, 0, 1), 1);
    EXPECT_NEAR(q[0], kS45, kEps);
    EXPECT_NEAR(q[3], kS45, kEps);

    // d = +z, MakePerpendicular gives p = (0, -1, 0); with axis 2 along d and axis 0 towards
    // p the frame is x' = -y, y' = x, z' = z: Rz(-90 deg), q = (cos45, 0, 0, -sin45).
    ASSERT_EQ(Point3D(1, 1, 1).DirectionQuaternion(Point3D(1, 1, 4), q, 2, 0), 1);
    EXPECT_NEAR(q[0], kS45, kEps);
    EXPECT_NEAR(q[1], 0.0, kEps);
    EXPECT_NEAR(q[2], 0.0, kEps);
    EXPECT_NEAR(q[3], -kS45, kEps);

    // Failures return 0 and leave q alone.
    double untouched[4] = {9, 9, 9, 9};
    EXPECT_EQ(Point3D(1, 0, 0).AxesQuaternion(Point3D(2, 0, 0), untouched), 0);
    EXPECT_EQ(Point3D(1, 1, 1).DirectionQuaternion(Point3D(1, 1, 1), untouched, 2, 0), 0);
    EXPECT_EQ(Point3D().TriadQuaternion(Point3D(1, 0, 0), Point3D(2, 0, 0), untouched, 0, 1), 0);
    EXPECT_EQ(Point3D(1, 1, 1).DirectionQuaternion(Point3D(1, 1, 4), untouched, 1, 1), 0);
    for (double v : untouched)
        EXPECT_EQ(v, 9.0);
}

TEST(Frame, TriadEulerAngles) {
    struct Case {
        double a, b, c;
    };
    const Case cases[] = {{0.3, 0.2, 0.1}, {-1.0, 0.7, 2.5}, {kPi / 2, 0.4, -0.3}, {0, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.a) + "," + std::to_string(c.b) + "," + std::to_string(c.c));
        double R[9];
        EulerProduct(0, 1, 2, c.a, c.b, c.c, R);
        // p1 along column 0, p2 in the plane of columns 0 and 1 towards column 1.
        const Point3D o(1, -2, 3);
        const Point3D e0(R[0], R[3], R[6]), e1(R[1], R[4], R[7]);
        const Point3D p1 = o + e0 * 2.0, p2 = o + e0 + e1 * 3.0;
        double first[3], second[3];
        ASSERT_EQ(o.TriadEulerAngles(p1, p2, first, 0, 1, false), 1);
        EXPECT_NEAR(first[0], c.a, 1e-12);
        EXPECT_NEAR(first[1], c.b, 1e-12);
        EXPECT_NEAR(first[2], c.c, 1e-12);
        // Second solution: (a + pi, pi - b, c + pi), each folded into (-pi, pi].
        ASSERT_EQ(o.TriadEulerAngles(p1, p2, second, 0, 1, true), 1);
        EXPECT_NEAR(AngleDiff(second[0], c.a + kPi), 0.0, 1e-12);
        EXPECT_NEAR(AngleDiff(second[1], kPi - c.b), 0.0, 1e-12);
        EXPECT_NEAR(AngleDiff(second[2], c.c + kPi), 0.0, 1e-12);
    }
    double out[3] = {5, 5, 5};
    EXPECT_EQ(Point3D().TriadEulerAngles(Point3D(1, 0, 0), Point3D(3, 0, 0), out, 0, 1, false), 0);
    EXPECT_EQ(out[0], 0.0);
    EXPECT_EQ(out[1], 0.0);
    EXPECT_EQ(out[2], 0.0);
}

// ---------------------------------------------------------------------------------------------
// Matrix4x4

TEST(Matrix4x4, IdentityAndColumns) {
    Matrix4x4 m;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m.m[i], i % 5 == 0 ? 1.0 : 0.0);
    m.m[13] = 7.0;
    EXPECT_EQ(m[3][1], 7.0);  // column 3, row 1 = element 13
    m.SetIdentity();
    EXPECT_EQ(m.m[13], 0.0);
}

TEST(Matrix4x4, ElementaryRotationsOfIdentity) {
    struct Case {
        const char* name;
        void (*apply)(Matrix4x4&);
        int axis;               // its diagonal element stays 1
        int plusOne, minusOne;  // elements that become +1 and -1 (the others of the 3x3 are 0)
    };
    // Rx(90): column 1 = (0, 0, 1) -> element 6; column 2 = (0, -1, 0) -> element 9.
    // Rz(90): column 0 = (0, 1, 0) -> element 1; column 1 = (-1, 0, 0) -> element 4.
    // RotateY(90) turns the opposite way: column 0 = (0, 0, 1) -> element 2, column 2 =
    // (-1, 0, 0) -> element 8; SetRotation(0, pi/2, 0) = right-handed Ry(90) has them swapped.
    const Case cases[] = {
        {"RotateX", [](Matrix4x4& m) { m.RotateX(kPi / 2); }, 0, 6, 9},
        {"RotateY", [](Matrix4x4& m) { m.RotateY(kPi / 2); }, 1, 2, 8},
        {"RotateZ", [](Matrix4x4& m) { m.RotateZ(kPi / 2); }, 2, 1, 4},
        {"Rotate 0", [](Matrix4x4& m) { m.Rotate(0, kPi / 2); }, 0, 6, 9},
        {"Rotate 1", [](Matrix4x4& m) { m.Rotate(1, kPi / 2); }, 1, 2, 8},
        {"Rotate 2", [](Matrix4x4& m) { m.Rotate(2, kPi / 2); }, 2, 1, 4},
        {"PreRotateX", [](Matrix4x4& m) { m.PreRotateX(kPi / 2); }, 0, 6, 9},
        {"PreRotateZ", [](Matrix4x4& m) { m.PreRotateZ(kPi / 2); }, 2, 1, 4},
        {"SetRotation x", [](Matrix4x4& m) { m.SetRotation(kPi / 2, 0, 0); }, 0, 6, 9},
        {"SetRotation y", [](Matrix4x4& m) { m.SetRotation(0, kPi / 2, 0); }, 1, 8, 2},
        {"SetRotation z", [](Matrix4x4& m) { m.SetRotation(0, 0, kPi / 2); }, 2, 1, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Matrix4x4 m;
        c.apply(m);
        for (int col = 0; col < 3; ++col)
            for (int row = 0; row < 3; ++row) {
                const int e = 4 * col + row;
                double expected = 0.0;
                if (e == c.plusOne)
                    expected = 1.0;
                else if (e == c.minusOne)
                    expected = -1.0;
                else if (row == col && row == c.axis)
                    expected = 1.0;
                EXPECT_NEAR(m.m[e], expected, kEps) << "element " << e;
            }
        EXPECT_EQ(m.m[15], 1.0);
    }
}

TEST(Matrix4x4, InPlaceRotationsMatchProducts) {
    // A start matrix with rotation and translation; in-place rotations must keep the translation.
    Matrix4x4 start;
    start.SetRotation(0.1, 0.2, 0.3);
    start.m[12] = 1;
    start.m[13] = 2;
    start.m[14] = 3;
    const double t = 0.7;
    Matrix4x4 rx, ryNeg, rz;
    rx.SetRotation(t, 0, 0);
    ryNeg.SetRotation(0, -t, 0);
    rz.SetRotation(0, 0, t);

    struct Case {
        int axis;
        const Matrix4x4* elementary;  // post-multiplied: M R, which operator* spells R * M
    };
    // RotateY is M Ry(-t), hence ryNeg.
    const Case cases[] = {{0, &rx}, {1, &ryNeg}, {2, &rz}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.axis);
        Matrix4x4 m = start;
        m.Rotate(c.axis, t);
        ExpectMatrixNear(m, *c.elementary * start);
    }
    // Pre-multiplication R M touches only the 3x3 part.
    Matrix4x4 pre = start;
    pre.PreRotateX(t);
    Matrix4x4 rotOnly = start;
    rotOnly.m[12] = rotOnly.m[13] = rotOnly.m[14] = 0;
    Matrix4x4 expected = rotOnly * rx;
    expected.m[12] = 1;
    expected.m[13] = 2;
    expected.m[14] = 3;
    ExpectMatrixNear(pre, expected);
    pre = start;
    pre.PreRotateZ(t);
    expected = rotOnly * rz;
    expected.m[12] = 1;
    expected.m[13] = 2;
    expected.m[14] = 3;
    ExpectMatrixNear(pre, expected);

    // Any other axis leaves the matrix as it was.
    for (int axis : {3, -1, 100}) {
        SCOPED_TRACE(axis);
        Matrix4x4 m = start;
        m.Rotate(axis, t);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(m.m[i], start.m[i]);
    }
}

TEST(Matrix4x4, ProductAppliesLeftOperandFirst) {
    Matrix4x4 shift;  // translate by (1, 2, 3)
    shift.m[12] = 1;
    shift.m[13] = 2;
    shift.m[14] = 3;
    Matrix4x4 turn;
    turn.SetRotation(0, 0, kPi / 2);  // Rz(90): (x, y, z) -> (-y, x, z)
    // (1,0,0) shifted -> (2,2,3), turned -> (-2,2,3).
    ExpectPoint((shift * turn).Transform(Point3D(1, 0, 0)), -2, 2, 3);
    // Turned first -> (0,1,0), shifted -> (1,3,3).
    ExpectPoint((turn * shift).Transform(Point3D(1, 0, 0)), 1, 3, 3);

    // The out forms, also writing over an operand.
    Matrix4x4 out;
    shift.Multiply(turn, out);
    ExpectMatrixNear(out, shift * turn, 0.0);
    Matrix4x4 alias = shift;
    alias.Multiply(turn, alias);
    ExpectMatrixNear(alias, shift * turn, 0.0);

    Matrix4x4 diff = shift - turn;
    shift.Subtract(turn, out);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(diff.m[i], shift.m[i] - turn.m[i]);
        EXPECT_EQ(out.m[i], diff.m[i]);
    }
}

TEST(Matrix4x4, TransformHasNoPerspectiveDivide) {
    Matrix4x4 m;
    for (int i = 0; i < 16; ++i)
        m.m[i] = i + 1;
    // x' = 1*1 + 5*2 + 9*3 + 13, y' = 2 + 6*2 + 10*3 + 14, z' = 3 + 7*2 + 11*3 + 15.
    ExpectPoint(m.Transform(Point3D(1, 2, 3)), 51, 58, 65, 0.0);
    Point3D out;
    m.Transform(Point3D(1, 2, 3), out);
    ExpectPoint(out, 51, 58, 65, 0.0);
}

TEST(Matrix4x4, RigidInverse) {
    Matrix4x4 m;
    m.SetRotation(0, 0, kPi / 2);  // R = [[0,-1,0],[1,0,0],[0,0,1]]
    m.m[12] = 1;
    m.m[13] = 2;
    m.m[14] = 3;
    m.m[3] = 0.25;  // bottom row copied as it is
    m.m[15] = 2.0;
    Matrix4x4 inv;
    m.RigidInverse(inv);
    // R^T = [[0,1,0],[-1,0,0],[0,0,1]]; -R^T t = -(2, -1, 3).
    const double expected[16] = {0, -1, 0, 0.25, 1, 0, 0, 0, 0, 0, 1, 0, -2, 1, -3, 2.0};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(inv.m[i], expected[i], kEps) << "element " << i;

    // Undoes a general rigid transform, also when written over itself.
    Matrix4x4 g;
    g.SetRotation(0.4, -1.1, 2.0);
    g.m[12] = -5;
    g.m[13] = 0.5;
    g.m[14] = 8;
    Matrix4x4 gi = g;
    gi.RigidInverse(gi);
    ExpectPoint(gi.Transform(g.Transform(Point3D(1, 2, 3))), 1, 2, 3);
    ExpectMatrixNear(g * gi, Matrix4x4());
}

TEST(Matrix4x4, ToEulerAngles) {
    struct Case {
        const char* name;
        double a, b, c;     // given to SetRotation
        double ea, eb, ec;  // expected, in [0, 2 pi)
    };
    const double twoPi = 2 * kPi;
    const Case cases[] = {
        {"plain", 1.0, 0.5, 2.0, 1.0, 0.5, 2.0},
        // Negative angles come back shifted by 2 pi.
        {"negative a", -0.5, 0.2, 0.1, twoPi - 0.5, 0.2, 0.1},
        {"all negative", -0.3, -0.2, -0.1, twoPi - 0.3, twoPi - 0.2, twoPi - 0.1},
        // b = pi/2: row 1 of Rx(a) Ry(90) Rz(c) is (sin(a+c), cos(a+c), 0), so a = 0 and
        // c = atan2(m1, m5) = a + c.
        {"gimbal +", 0.3, kPi / 2, 0.2, 0.0, kPi / 2, 0.5},
        // b = -pi/2: row 1 is (sin(c-a), cos(c-a), 0): c = 0.2 - 0.3, shifted by 2 pi.
        {"gimbal -", 0.3, -kPi / 2, 0.2, 0.0, 1.5 * kPi, twoPi - 0.1},
        {"zero", 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Matrix4x4 m;
        m.SetRotation(c.a, c.b, c.c);
        double a = -1, b = -1, cc = -1;
        m.ToEulerAngles(&a, &b, &cc);
        EXPECT_NEAR(a, c.ea, 1e-12);
        EXPECT_NEAR(b, c.eb, 1e-12);
        EXPECT_NEAR(cc, c.ec, 1e-12);
        double arr[3];
        m.GetEulerAngles(arr);
        EXPECT_EQ(arr[0], a);
        EXPECT_EQ(arr[1], b);
        EXPECT_EQ(arr[2], cc);
    }
    // A tiny negative angle plus 2 pi rounds to exactly 2 pi, which becomes 0.
    Matrix4x4 m;
    m.SetRotation(0, 0, -1e-17);
    double a, b, c;
    m.ToEulerAngles(&a, &b, &c);
    EXPECT_EQ(c, 0.0);
}

TEST(Matrix4x4, SetRotationRoundTrip) {
    Uniform u(20240611);
    for (int n = 0; n < 200; ++n) {
        const double a = u(-kPi, kPi), b = u(-1.5, 1.5), c = u(-kPi, kPi);
        SCOPED_TRACE(std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c));
        Matrix4x4 m;
        m.SetRotation(a, b, c);
        double ra, rb, rc;
        m.ToEulerAngles(&ra, &rb, &rc);
        EXPECT_GE(ra, 0.0);
        EXPECT_LT(ra, 2 * kPi);
        EXPECT_NEAR(AngleDiff(ra, a), 0.0, 1e-10);
        EXPECT_NEAR(AngleDiff(rb, b), 0.0, 1e-10);
        EXPECT_NEAR(AngleDiff(rc, c), 0.0, 1e-10);
        // SetRotation is Rx(a) Ry(b) Rz(c) of the independent elementary rotations.
        double R[9];
        EulerProduct(0, 1, 2, a, b, c, R);
        for (int r = 0; r < 3; ++r)
            for (int col = 0; col < 3; ++col)
                EXPECT_NEAR(m.m[4 * col + r], R[3 * r + col], kEps);
    }
}

// ---------------------------------------------------------------------------------------------
// Quaternion

TEST(Quaternion, IdentityNormalizeAndArrays) {
    Quaternion q;
    ExpectQuat(q, 0, 0, 0, 1, 0.0);
    q.x = q.y = q.z = q.w = 0.0;
    q.Normalize();
    ExpectQuat(q, 0, 0, 0, 1, 0.0);  // zero becomes the identity

    const double in[4] = {0, 3, 0, 4};  // w, x, y, z; norm 5
    q.Set(in);
    ExpectQuat(q, 0.6, 0, 0.8, 0);
    double out[4];
    q.ToArray(out);
    EXPECT_NEAR(out[0], 0, kEps);
    EXPECT_NEAR(out[1], 0.6, kEps);
    EXPECT_NEAR(out[2], 0, kEps);
    EXPECT_NEAR(out[3], 0.8, kEps);
}

TEST(Quaternion, FromAxisAngle) {
    struct Case {
        const char* name;
        double ax, ay, az, angle;
        double x, y, z, w;
    };
    const Case cases[] = {
        {"zero axis", 0, 0, 0, 1.0, 0, 0, 0, 1},
        {"axis at the 1e-7 limit", 1e-7, 0, 0, 1.0, 0, 0, 0, 1},
        // Axis normalised, (sin 45, cos 45) for 90 degrees.
        {"z, 90 deg", 0, 0, 2, kPi / 2, 0, 0, kS45, kS45},
        {"x, 180 deg", 3, 0, 0, kPi, 1, 0, 0, 0},
        {"short axis", 2e-7, 0, 0, kPi / 2, kS45, 0, 0, kS45},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Quaternion q;
        q.FromAxisAngle(c.ax, c.ay, c.az, c.angle);
        ExpectQuat(q, c.x, c.y, c.z, c.w);
    }
}

TEST(Quaternion, HamiltonProduct) {
    Quaternion i, j, k;
    i.FromAxisAngle(1, 0, 0, kPi);
    j.FromAxisAngle(0, 1, 0, kPi);
    k.FromAxisAngle(0, 0, 1, kPi);
    ExpectQuat(i * j, 0, 0, 1, 0);   // ij = k
    ExpectQuat(j * i, 0, 0, -1, 0);  // ji = -k
    ExpectQuat(j * k, 1, 0, 0, 0);   // jk = i
    ExpectQuat(i * i, 0, 0, 0, -1);  // i^2 = -1

    Quaternion big;
    big.w = 2.0;  // not normalised; the product is
    ExpectQuat(big * Quaternion(), 0, 0, 0, 1);

    // q1 * q2 applies q2 first: Rx(90) takes (0,0,1) to (0,-1,0), Rz(90) then to (1,0,0).
    Quaternion rz, rx;
    rz.FromAxisAngle(0, 0, 1, kPi / 2);
    rx.FromAxisAngle(1, 0, 0, kPi / 2);
    double q[4];
    (rz * rx).ToArray(q);
    double x = 0, y = 0, z = 1;
    RotatePointByQuaternion(&x, &y, &z, q);
    ExpectPoint(Point3D(x, y, z), 1, 0, 0);
    // Other order: Rz(90) keeps (0,0,1), Rx(90) takes it to (0,-1,0).
    (rx * rz).ToArray(q);
    x = 0, y = 0, z = 1;
    RotatePointByQuaternion(&x, &y, &z, q);
    ExpectPoint(Point3D(x, y, z), 0, -1, 0);
}

TEST(Quaternion, FromRotation3x3Branches) {
    const double r = kS45;
    struct Case {
        const char* name;
        double R[9];  // row-major
        double x, y, z, w;
    };
    // Trace -1 (half turns) skips the first branch; the largest diagonal term picks the branch.
    // diag(1,-1,-1): S = 2 sqrt(1+1+1+1) = 4, x = S/4 = 1.
    // rows (-1,0,0),(0,0,1),(0,1,0): half turn about (0,1,1)/sqrt2, last branch:
    //   S = 2 sqrt(1 + 0 + 1 - 0) = 2 sqrt2, y = (1+1)/S = 1/sqrt2, z = S/4 = 1/sqrt2.
    const Case cases[] = {
        {"identity", {1, 0, 0, 0, 1, 0, 0, 0, 1}, 0, 0, 0, 1},
        {"Rz 90", {0, -1, 0, 1, 0, 0, 0, 0, 1}, 0, 0, r, r},  // S = 2 sqrt2, z = 2/S
        {"half turn x", {1, 0, 0, 0, -1, 0, 0, 0, -1}, 1, 0, 0, 0},
        {"half turn y", {-1, 0, 0, 0, 1, 0, 0, 0, -1}, 0, 1, 0, 0},
        {"half turn z", {-1, 0, 0, 0, -1, 0, 0, 0, 1}, 0, 0, 1, 0},
        {"half turn (0,1,1)", {-1, 0, 0, 0, 0, 1, 0, 1, 0}, 0, r, r, 0},
        {"half turn (1,1,0)", {0, 1, 0, 1, 0, 0, 0, 0, -1}, r, r, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Quaternion q;
        q.FromRotation3x3(c.R, 3);
        ExpectQuat(q, c.x, c.y, c.z, c.w);
        // Same frame with a row stride of 4.
        double padded[12];
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 3; ++col)
                padded[row * 4 + col] = c.R[row * 3 + col];
            padded[row * 4 + 3] = 99.0;
        }
        Quaternion q4;
        q4.FromRotation3x3(padded, 4);
        ExpectQuat(q4, c.x, c.y, c.z, c.w);
    }
}

TEST(Quaternion, MatrixConversions) {
    // Rz(90): column 0 = (0,1,0), column 1 = (-1,0,0).
    Quaternion q;
    q.FromAxisAngle(0, 0, 1, kPi / 2);
    Matrix4x4 m;
    m.m[12] = 5;  // overwritten: translation 0
    q.ToMatrix(m);
    Matrix4x4 expected;
    expected.SetRotation(0, 0, kPi / 2);
    ExpectMatrixNear(m, expected);

    // FromMatrix reads the column-major matrix: Rz(+90) gives +sin45 in z.
    Quaternion back;
    back.FromMatrix(expected);
    back.Normalize();
    ExpectQuat(back, 0, 0, kS45, kS45);

    // Round trip up to sign, half turns included.
    struct Case {
        double ax, ay, az, angle;
    };
    const Case cases[] = {{1, 0, 0, kPi},    {0, 1, 1, kPi},      {1, 2, 3, 0.4},
                          {-1, 0.5, 2, 3.0}, {0.3, -1, 0, 1e-9}, {1, 1, 1, -2.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.angle));
        Quaternion a;
        a.FromAxisAngle(c.ax, c.ay, c.az, c.angle);
        Matrix4x4 am;
        a.ToMatrix(am);
        Quaternion b;
        b.FromMatrix(am);
        b.Normalize();
        ExpectSameRotation(a, b);
    }
    Uniform u(7);
    for (int n = 0; n < 200; ++n) {
        const double in[4] = {u(-1, 1), u(-1, 1), u(-1, 1), u(-1, 1)};
        Quaternion a;
        a.Set(in);
        Matrix4x4 am;
        a.ToMatrix(am);
        Quaternion b;
        b.FromMatrix(am);
        b.Normalize();
        ExpectSameRotation(a, b);
    }
}

TEST(Quaternion, AxisAngle) {
    struct Case {
        const char* name;
        double in[4];  // w, x, y, z
        double ax, ay, az, angle;
    };
    const Case cases[] = {
        {"z 90 deg", {kS45, 0, 0, kS45}, 0, 0, 1, kPi / 2},
        {"x 180 deg", {0, 1, 0, 0}, 1, 0, 0, kPi},
        // s = sqrt(1 - 1) = 0 is below 5e-4: taken as 1, the axis is the raw (0, 0, 0).
        {"identity", {1, 0, 0, 0}, 0, 0, 0, 0},
        // Unnormalised input is normalised first: (2, 0, 2, 0) ~ y 90 deg.
        {"unnormalised", {2, 0, 2, 0}, 0, 1, 0, kPi / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Quaternion q;
        q.w = c.in[0];
        q.x = c.in[1];
        q.y = c.in[2];
        q.z = c.in[3];
        double x, y, z, angle;
        q.GetAxisAngle(&x, &y, &z, &angle);
        EXPECT_NEAR(x, c.ax, kEps);
        EXPECT_NEAR(y, c.ay, kEps);
        EXPECT_NEAR(z, c.az, kEps);
        EXPECT_NEAR(angle, c.angle, kEps);
        double arr[4];
        q.ToAxisAngle(arr);
        EXPECT_EQ(arr[0], x);
        EXPECT_EQ(arr[1], y);
        EXPECT_EQ(arr[2], z);
        EXPECT_EQ(arr[3], angle);
    }
}

TEST(Quaternion, EulerAngles) {
    // SetEulerAngles is Rz(c) Ry(b) Rx(a); with Matrix4x4::operator* applying the left operand
    // first, that is Rx * Ry * Rz of the elementary matrices.
    Uniform u(99);
    for (int n = 0; n < 200; ++n) {
        const double a = u(-3.1, 3.1), b = u(-1.5, 1.5), c = u(-3.1, 3.1);
        SCOPED_TRACE(std::to_string(a) + "," + std::to_string(b) + "," + std::to_string(c));
        Quaternion q;
        q.SetEulerAngles(a, b, c);
        Matrix4x4 qm, rx, ry, rz;
        q.ToMatrix(qm);
        rx.SetRotation(a, 0, 0);
        ry.SetRotation(0, b, 0);
        rz.SetRotation(0, 0, c);
        ExpectMatrixNear(qm, rx * ry * rz);
        Quaternion f;
        f.FromEulerAngles(a, b, c);
        ExpectQuat(f, q.x, q.y, q.z, q.w, 0.0);
        double back[3];
        q.GetEulerAngles(back);
        EXPECT_NEAR(back[0], a, 1e-9);
        EXPECT_NEAR(back[1], b, 1e-9);
        EXPECT_NEAR(back[2], c, 1e-9);
    }

    struct Case {
        const char* name;
        double a, b, c;
        double ea, eb, ec;
    };
    const Case cases[] = {
        // Rz(90) alone: (sin45, cos45) in z, w.
        {"z only", 0, 0, kPi / 2, 0, 0, kPi / 2},
        // Values within 1e-6 of 0 are snapped to 0.
        {"tiny", 1e-7, -5e-7, 2e-7, 0, 0, 0},
        // b = 90: Rz(c) Ry(90) = Ry(90) Rx(-c), so the whole turn is Rx(a - c) and c = 0.
        {"gimbal +", 0.3, kPi / 2, 0.2, 0.1, kPi / 2, 0},
        // b = -90: Rz(c) Ry(-90) = Ry(-90) Rx(c), so a + c about x.
        {"gimbal -", 0.3, -kPi / 2, 0.2, 0.5, -kPi / 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Quaternion q;
        q.SetEulerAngles(c.a, c.b, c.c);
        double back[3];
        q.GetEulerAngles(back);
        EXPECT_NEAR(back[0], c.ea, 1e-9);
        EXPECT_NEAR(back[1], c.eb, 1e-9);
        EXPECT_NEAR(back[2], c.ec, 1e-9);
    }
    Quaternion z90;
    z90.SetEulerAngles(0, 0, kPi / 2);
    ExpectQuat(z90, 0, 0, kS45, kS45);
}

// ---------------------------------------------------------------------------------------------
// Point rotations

TEST(RotatePoint, ByQuaternionAndEuler) {
    struct Case {
        const char* name;
        double q[4];  // w, x, y, z
        double out[3], inverseOut[3];
    };
    // Rz(90) takes (1,0,0) to (0,1,0); its inverse to (0,-1,0).
    const Case cases[] = {
        {"z 90", {kS45, 0, 0, kS45}, {0, 1, 0}, {0, -1, 0}},
        {"unnormalised z 90", {2, 0, 0, 2}, {0, 1, 0}, {0, -1, 0}},
        {"zero = identity", {0, 0, 0, 0}, {1, 0, 0}, {1, 0, 0}},
        // Half turn about y: (1,0,0) -> (-1,0,0) both ways.
        {"y 180", {0, 0, 1, 0}, {-1, 0, 0}, {-1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        double x = 1, y = 0, z = 0;
        RotatePointByQuaternion(&x, &y, &z, c.q);
        ExpectPoint(Point3D(x, y, z), c.out[0], c.out[1], c.out[2]);
        x = 1, y = 0, z = 0;
        RotatePointByInverseQuaternion(&x, &y, &z, c.q);
        ExpectPoint(Point3D(x, y, z), c.inverseOut[0], c.inverseOut[1], c.inverseOut[2]);
    }

    // (Rz 90)^T takes (1,0,0) to (0,-1,0).
    double x = 1, y = 0, z = 0;
    RotatePointByInverseEuler(&x, &y, &z, 0, 0, kPi / 2);
    ExpectPoint(Point3D(x, y, z), 0, -1, 0);
    // Undoes SetRotation for any angles.
    Matrix4x4 m;
    m.SetRotation(0.4, -1.2, 2.2);
    const Point3D p = m.Transform(Point3D(1, 2, 3));
    x = p.x, y = p.y, z = p.z;
    RotatePointByInverseEuler(&x, &y, &z, 0.4, -1.2, 2.2);
    ExpectPoint(Point3D(x, y, z), 1, 2, 3);
}

TEST(MakePerpendicular, Cases) {
    struct Case {
        Point3D d, p, c;
    };
    // |dx| > |dy|: p = (dz, 0, -dx)/|.|; else p = (0, -dz, dy)/|.|; c = d x p.
    const Case cases[] = {
        {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}},
        {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        {{0, 0, 1}, {0, -1, 0}, {1, 0, 0}},
        {{0.6, 0, 0.8}, {0.8, 0, -0.6}, {0, 1, 0}},
        {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}},  // no direction, no perpendicular (not NaN)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.d.x) + "," + std::to_string(c.d.y) + "," +
                     std::to_string(c.d.z));
        Point3D p, cr;
        MakePerpendicular(c.d, p, cr);
        ExpectPoint(p, c.p.x, c.p.y, c.p.z);
        ExpectPoint(cr, c.c.x, c.c.y, c.c.z);
    }
}

// ---------------------------------------------------------------------------------------------
// RotationToEulerAngles

TEST(RotationToEulerAngles, RefusesBadOrders) {
    const double I[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    double f[3], s[3];
    const int orders[][3] = {{0, 1, 1}, {3, 1, 2}, {1, 1, 2}, {-1, 1, 2}, {0, 1, 3}, {0, 3, 0}};
    for (const auto& o : orders) {
        SCOPED_TRACE(std::to_string(o[0]) + std::to_string(o[1]) + std::to_string(o[2]));
        EXPECT_EQ(RotationToEulerAngles(I, 3, o[0], o[1], o[2], f, s), 0);
    }
}

TEST(RotationToEulerAngles, DistinctAxesRecoverAngles) {
    struct Case {
        int i, j, k;
        double a, b, c;
    };
    // first = (a, b, c) of R_i(a) R_j(b) R_k(c); right angles and half turns about the first
    // and last axes included (their cosine terms are zero or negative).
    const Case cases[] = {
        {0, 1, 2, 0.3, 0.2, 0.1},     {0, 1, 2, -1.0, 0.7, 2.5},  {0, 1, 2, kPi / 2, 0.3, 0},
        {0, 1, 2, 0, -0.4, kPi / 2},  {0, 1, 2, kPi, 0.1, -kPi / 2}, {0, 1, 2, 0, 0, 0},
        {2, 1, 0, 0.5, -0.3, 1.2},    {1, 2, 0, -2.0, 0.9, 0.4},   {0, 2, 1, 1.1, -1.0, -0.6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.i) + std::to_string(c.j) + std::to_string(c.k) + " " +
                     std::to_string(c.a) + "," + std::to_string(c.b) + "," + std::to_string(c.c));
        double R[9];
        EulerProduct(c.i, c.j, c.k, c.a, c.b, c.c, R);
        double first[3], second[3];
        ASSERT_EQ(RotationToEulerAngles(R, 3, c.i, c.j, c.k, first, second), 1);
        EXPECT_NEAR(AngleDiff(first[0], c.a), 0.0, 1e-12);
        EXPECT_NEAR(first[1], c.b, 1e-12);
        EXPECT_NEAR(AngleDiff(first[2], c.c), 0.0, 1e-12);
        // The second solution names the same rotation.
        double R2[9];
        EulerProduct(c.i, c.j, c.k, second[0], second[1], second[2], R2);
        for (int e = 0; e < 9; ++e)
            EXPECT_NEAR(R2[e], R[e], 1e-12);
    }
}

TEST(RotationToEulerAngles, RepeatedAxis) {
    struct Case {
        int i, j;
        double a, b, c;
    };
    // first = (a, b, c) of R_i(a) R_j(b) R_i(c) for b in (0, pi).
    const Case cases[] = {{2, 0, 0.4, 1.0, -0.7}, {0, 1, -1.2, 0.5, 2.0}, {1, 2, 2.5, 2.8, 0.3},
                          {0, 2, 0.3, 1.2, 0.1},   {2, 1, -0.2, 0.6, 1.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.i) + std::to_string(c.j));
        double R[9];
        EulerProduct(c.i, c.j, c.i, c.a, c.b, c.c, R);
        double first[3], second[3];
        ASSERT_EQ(RotationToEulerAngles(R, 3, c.i, c.j, c.i, first, second), 1);
        EXPECT_NEAR(first[0], c.a, 1e-12);
        EXPECT_NEAR(first[1], c.b, 1e-12);
        EXPECT_NEAR(first[2], c.c, 1e-12);
        EXPECT_NEAR(second[1], -c.b, 1e-12);
        double R2[9];
        EulerProduct(c.i, c.j, c.i, second[0], second[1], second[2], R2);
        for (int e = 0; e < 9; ++e)
            EXPECT_NEAR(R2[e], R[e], 1e-12);
    }
}

TEST(RotationToEulerAngles, Stride4) {
    double R[9];
    EulerProduct(0, 1, 2, 0.3, -0.2, 0.9, R);
    double padded[12];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c)
            padded[r * 4 + c] = R[r * 3 + c];
        padded[r * 4 + 3] = 1e9;
    }
    double first[3], second[3];
    ASSERT_EQ(RotationToEulerAngles(padded, 4, 0, 1, 2, first, second), 1);
    EXPECT_NEAR(first[0], 0.3, 1e-12);
    EXPECT_NEAR(first[1], -0.2, 1e-12);
    EXPECT_NEAR(first[2], 0.9, 1e-12);
}

// ---------------------------------------------------------------------------------------------
// Linear solver

TEST(LinearSolver, Solutions) {
    struct Case {
        const char* name;
        std::vector<double> A, b, x;
        int rank;
    };
    const Case cases[] = {
        // 2*x1 = 4, 3*x0 = 6; the pivot 3 (row 1, column 0) goes first.
        {"anti-diagonal", {0, 2, 3, 0}, {4, 6}, {2, 2}, 2},
        // 1*1 + 2*2 = 5, 3*1 + 4*2 = 11.
        {"2x2", {1, 2, 3, 4}, {5, 11}, {1, 2}, 2},
        // Textbook example: 2x+y-z = 8, -3x-y+2z = -11, -2x+y+2z = -3 -> (2, 3, -1).
        {"3x3", {2, 1, -1, -3, -1, 2, -2, 1, 2}, {8, -11, -3}, {2, 3, -1}, 3},
        {"1x1", {4}, {2}, {0.5}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int n = static_cast<int>(c.b.size());
        std::vector<double> x(n, -99.0);
        EXPECT_EQ(SolveLinearSystem(c.A.data(), c.b.data(), x.data(), n), c.rank);
        for (int i = 0; i < n; ++i)
            EXPECT_NEAR(x[i], c.x[i], 1e-12) << "x" << i;
    }
}

TEST(LinearSolver, RankOfSingularSystems) {
    struct Case {
        const char* name;
        std::vector<double> A;
        int rank;
    };
    const Case cases[] = {
        {"second row twice the first", {1, 2, 2, 4}, 1},
        {"zero", {0, 0, 0, 0}, 0},
        // Row 3 = 2 * row 2 - row 1; the last pivot is rounding noise, under the threshold.
        {"1..9", {1, 2, 3, 4, 5, 6, 7, 8, 9}, 2},
        {"rows 1 and 2 parallel, row 3 zero", {1, 0, 0, 2, 0, 0, 0, 0, 0}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int n = c.A.size() == 4 ? 2 : 3;
        std::vector<double> b(n, 1.0), x(n);
        EXPECT_EQ(SolveLinearSystem(c.A.data(), b.data(), x.data(), n), c.rank);
    }
}

TEST(LinearSolver, BadArguments) {
    const double A[1] = {1}, b[1] = {1};
    double x[1] = {5};
    EXPECT_EQ(SolveLinearSystem(A, b, x, 0), 0);
    EXPECT_EQ(SolveLinearSystem(A, b, x, -3), 0);
    EXPECT_EQ(SolveLinearSystem(nullptr, b, x, 1), 0);
    EXPECT_EQ(SolveLinearSystem(A, nullptr, x, 1), 0);
    EXPECT_EQ(SolveLinearSystem(A, b, nullptr, 1), 0);
    EXPECT_EQ(x[0], 5.0);
    const double nanA[1] = {std::nan("")};
    EXPECT_EQ(SolveLinearSystem(nanA, b, x, 1), 0);  // a NaN pivot is no pivot
}

TEST(LinearSolver, EliminationSteps) {
    // [[1,2],[3,4]] | [5,11]. Largest element 4 at (1,1): rows and columns swap, perm = (1, 0).
    // After step 0: rows [1, 0.75 | 2.75] and [0, -0.5 | -0.5]; step 1 pivots on -0.5.
    // Result rows: [1,0 | 2], [0,1 | 1] for the unknowns (x1, x0).
    double G[6] = {1, 2, 5, 3, 4, 11};
    int perm[2] = {-1, -1};
    int rank = -1;
    double pivot = -1;
    ASSERT_TRUE(GaussJordanEliminate(G, 2, 3, 2, 2, 1, perm, &rank, &pivot, nullptr));
    EXPECT_EQ(rank, 2);
    EXPECT_EQ(perm[0], 1);
    EXPECT_EQ(perm[1], 0);
    EXPECT_NEAR(pivot, 0.5, kEps);
    const double expected[6] = {1, 0, 2, 0, 1, 1};
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(G[i], expected[i], kEps) << i;

    // A preset column never pivots: only column 1 (moved to position 0) is eligible.
    double P[6] = {5, 1, 0, 1, 2, 0};
    const int presets[] = {0, -1};
    ASSERT_TRUE(GaussJordanEliminate(P, 2, 3, 2, 2, 1, perm, &rank, &pivot, presets));
    EXPECT_EQ(rank, 1);
    EXPECT_EQ(perm[0], 1);
    EXPECT_EQ(perm[1], 0);
    EXPECT_NEAR(pivot, 2.0, kEps);  // largest of column 1 = (1, 2)

    // Inconsistent sizes are refused.
    EXPECT_FALSE(GaussJordanEliminate(G, 1, 3, 2, 2, 1, perm, &rank, &pivot, nullptr));
    EXPECT_EQ(rank, 0);
    EXPECT_FALSE(GaussJordanEliminate(G, 2, 2, 2, 2, 1, perm, &rank, &pivot, nullptr));
}

TEST(LinearSolver, FindPivotAndSwaps) {
    // Magnitudes 1, 3 / 3, 2: the first 3 in scan order (row 0, column 1) wins.
    const double G[4] = {1, -3, 3, 2};
    int r = -1, c = -1;
    ASSERT_EQ(FindPivot(G, 2, 0, 2, 0, 2, &r, &c), 1);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(c, 1);
    ASSERT_EQ(FindPivot(G, 2, 1, 2, 0, 2, &r, &c), 1);
    EXPECT_EQ(r, 1);
    EXPECT_EQ(c, 0);
    EXPECT_EQ(FindPivot(G, 2, 1, 1, 0, 2, &r, &c), 0);   // empty rows
    EXPECT_EQ(FindPivot(G, 2, 0, 2, 2, 1, &r, &c), 0);   // inverted columns
    EXPECT_EQ(FindPivot(G, 2, 0, 2, 0, 3, &r, &c), 0);   // past the stride
    EXPECT_EQ(FindPivot(G, 2, -1, 2, 0, 2, &r, &c), 0);  // negative start

    double M[6] = {1, 2, 3, 4, 5, 6};  // 2 rows, stride 3
    SwapRows(M, 3, 0, 1, 3);
    const double rows[6] = {4, 5, 6, 1, 2, 3};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(M[i], rows[i]);
    int perm[3] = {0, 1, 2};
    SwapColumns(M, 3, 0, 2, 2, perm);
    const double cols[6] = {6, 5, 4, 3, 2, 1};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(M[i], cols[i]);
    EXPECT_EQ(perm[0], 2);
    EXPECT_EQ(perm[2], 0);

    // Pivot 2 at (0,0): row 1 loses 3/2 of row 0 from column 0 on: (3,4,5) - 1.5 (2,1,1).
    double E[6] = {2, 1, 1, 3, 4, 5};
    EliminateColumn(E, 3, 2, 0, 3);
    const double elim[6] = {2, 1, 1, 0, 2.5, 3.5};
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(E[i], elim[i], kEps);
}

}  // namespace

#include "model/InertialParameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRho = 1000.0 / 1.26;

void ExpectNear(double actual, double expected, double rel = 1e-12) {
    EXPECT_NEAR(actual, expected, rel * std::fabs(expected) + 1e-15);
}

struct Inertia {
    double mass = 0.0;
    double com = 0.0;
    double i1 = 0.0;
    double i2 = 0.0;
    double i3 = 0.0;
};

Inertia Frustum(double a0, double b0, double a1, double b1, double length) {
    Inertia r;
    EllipticFrustumInertia(a0, b0, a1, b1, length, kRho, &r.mass, &r.com, &r.i1, &r.i2, &r.i3);
    return r;
}

// Sums elliptic slices numerically (composite Simpson): each slice of semi-axes a (along x), b
// (along y) and thickness dz contributes rho pi a b dz of mass and the disc moments
// rho pi a b^3 / 4 (about x) and rho pi a^3 b / 4 (about y), plus its mass times z^2.
Inertia SliceSum(double a0, double b0, double a1, double b1, double length) {
    const int n = 2000;
    double m = 0.0, mz = 0.0, mzz = 0.0, dx = 0.0, dy = 0.0, dz = 0.0;
    for (int k = 0; k <= n; ++k) {
        const double t = double(k) / n;
        const double w = (k == 0 || k == n) ? 1.0 : (k % 2 ? 4.0 : 2.0);
        const double a = a0 + (a1 - a0) * t;
        const double b = b0 + (b1 - b0) * t;
        const double z = t * length;
        const double area = kPi * a * b;
        m += w * area;
        mz += w * area * z;
        mzz += w * area * z * z;
        dx += w * kPi * a * b * b * b / 4.0;
        dy += w * kPi * a * a * a * b / 4.0;
        dz += w * kPi * a * b * (a * a + b * b) / 4.0;
    }
    const double h = kRho * length / (3.0 * n);
    Inertia r;
    r.mass = m * h;
    r.com = mz * h / r.mass;
    r.i1 = dx * h + mzz * h - r.mass * r.com * r.com;
    r.i2 = dy * h + mzz * h - r.mass * r.com * r.com;
    r.i3 = dz * h;
    return r;
}

TEST(EllipticFrustum, CylinderMatchesTextbook) {
    const double r = 0.06, length = 0.4;
    const Inertia c = Frustum(r, r, r, r, length);
    const double m = kRho * kPi * r * r * length;
    ExpectNear(c.mass, m);
    ExpectNear(c.com, length / 2.0);
    ExpectNear(c.i3, m * r * r / 2.0);
    ExpectNear(c.i1, m * (r * r / 4.0 + length * length / 12.0));
    ExpectNear(c.i2, c.i1);
}

TEST(EllipticFrustum, EllipticCylinderMatchesTextbook) {
    const double a = 0.15, b = 0.09, length = 0.3;
    const Inertia c = Frustum(a, b, a, b, length);
    const double m = kRho * kPi * a * b * length;
    ExpectNear(c.mass, m);
    // About the a axis the section extends along b, and the other way round.
    ExpectNear(c.i1, m * (b * b / 4.0 + length * length / 12.0));
    ExpectNear(c.i2, m * (a * a / 4.0 + length * length / 12.0));
    ExpectNear(c.i3, m * (a * a + b * b) / 4.0);
}

TEST(EllipticFrustum, ConeFrustumMatchesTextbook) {
    // Truncated right circular cone, radii R at end 0 and r at end 1, height h.
    const double R = 0.07, r = 0.04, h = 0.35;
    const Inertia c = Frustum(R, R, r, r, h);
    const double m = kRho * kPi * h * (R * R + R * r + r * r) / 3.0;
    ExpectNear(c.mass, m);
    ExpectNear(c.com, h * (R * R + 2 * R * r + 3 * r * r) / (4.0 * (R * R + R * r + r * r)));
    ExpectNear(c.i3, 0.3 * m * (std::pow(R, 5) - std::pow(r, 5)) / (std::pow(R, 3) - std::pow(r, 3)));

    // A full cone (r = 0) about its centre of mass: 3/20 m R^2 + 3/80 m h^2.
    const Inertia cone = Frustum(R, R, 0.0, 0.0, h);
    const double mc = kRho * kPi * R * R * h / 3.0;
    ExpectNear(cone.mass, mc);
    ExpectNear(cone.com, h / 4.0);
    ExpectNear(cone.i1, 3.0 / 20.0 * mc * R * R + 3.0 / 80.0 * mc * h * h);
    ExpectNear(cone.i3, 0.3 * mc * R * R);
}

TEST(EllipticFrustum, GeneralFrustumMatchesSliceSums) {
    struct Case {
        double a0, b0, a1, b1, length;
    };
    const Case cases[] = {
        {0.05, 0.09, 0.03, 0.04, 0.45},   // thigh-like, both axes shrink
        {0.04, 0.04, 0.06, 0.03, 0.2},    // circular to elliptic
        {0.10, 0.02, 0.01, 0.08, 0.6},    // axes cross over
        {0.05, 0.05, 0.05, 0.05, 1e-3},   // thin disc
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.a0 + k.b1);
        const Inertia got = Frustum(k.a0, k.b0, k.a1, k.b1, k.length);
        const Inertia ref = SliceSum(k.a0, k.b0, k.a1, k.b1, k.length);
        ExpectNear(got.mass, ref.mass, 1e-10);
        ExpectNear(got.com, ref.com, 1e-10);
        ExpectNear(got.i1, ref.i1, 1e-9);
        ExpectNear(got.i2, ref.i2, 1e-9);
        ExpectNear(got.i3, ref.i3, 1e-10);
    }
}

TEST(EllipticFrustum, QuarticIntegralIsExact) {
    // (1 + t)^4 integrates to (32 - 1) / 5; t^4 to 1/5; (2 - t)(3)(t)(1) to 3 (1 - 1/3).
    ExpectNear(FrustumQuarticIntegral(1, 1, 1, 1, 1, 1, 1, 1), 31.0 / 5.0);
    ExpectNear(FrustumQuarticIntegral(0, 1, 0, 1, 0, 1, 0, 1), 0.2);
    ExpectNear(FrustumQuarticIntegral(2, -1, 3, 0, 0, 1, 1, 0), 3.0 * (1.0 - 1.0 / 3.0));
}

TEST(Ellipsoid, SphereAndSpheroidMatchTextbook) {
    double m = 0, i12 = 0, i3 = 0;
    EllipsoidInertia(0.1, 0.1, kRho, &m, &i12, &i3);
    ExpectNear(m, kRho * 4.0 / 3.0 * kPi * 1e-3);
    ExpectNear(i12, 0.4 * m * 0.01);  // 2/5 m R^2, about any axis
    ExpectNear(i3, 0.4 * m * 0.01);

    // Prolate spheroid, semi-axes r, r, c: transverse m (r^2 + c^2) / 5, axial 2 m r^2 / 5.
    EllipsoidInertia(0.08, 0.12, kRho, &m, &i12, &i3);
    ExpectNear(m, kRho * 4.0 / 3.0 * kPi * 0.08 * 0.08 * 0.12);
    ExpectNear(i12, m * (0.0064 + 0.0144) / 5.0);
    ExpectNear(i3, 0.4 * m * 0.0064);
}

// A measurement list with every value distinct, so a wrong index shows.
std::vector<double> Measurements(size_t size) {
    std::vector<double> h(size);
    for (size_t i = 0; i < size; ++i) h[i] = 0.2 + 0.01 * double(i);
    return h;
}

struct Params {
    bool ok = false;
    double mass = -1, com = -1, i1 = -1, i2 = -1, i3 = -1, r1 = -1, r2 = -1, length = -1;
};

Params Get(int kind, int type, double total, const std::vector<double>& h, bool left = false) {
    Params p;
    p.ok = GetInertialParameters(kind, type, total, &p.mass, &p.com, &p.i1, &p.i2, &p.i3, &p.r1, &p.r2, &p.length,
                                 h.empty() ? nullptr : h.data(), int(h.size()), left);
    return p;
}

TEST(InertialParameters, ProportionTableGivesPublishedValues) {
    // Segment mass, CoM and radius of gyration ratios of Winter, "Biomechanics and Motor Control
    // of Human Movement", table 4.1 (head and neck, trunk, upper arm, forearm, hand, thigh, leg,
    // foot).
    const double winter[8][3] = {{0.081, 1.0, 0.495},   {0.497, 0.5, 0.495},   {0.028, 0.436, 0.322},
                                 {0.016, 0.430, 0.303}, {0.006, 0.506, 0.297}, {0.100, 0.433, 0.323},
                                 {0.0465, 0.433, 0.302}, {0.0145, 0.5, 0.475}};
    for (int k = 0; k < 8; ++k) {
        SCOPED_TRACE(k);
        const Params p = Get(k, 2, 70.0, {});
        ASSERT_TRUE(p.ok);
        EXPECT_EQ(p.mass, winter[k][0]);
        EXPECT_EQ(p.com, winter[k][1]);
        EXPECT_EQ(p.i1, winter[k][2]);
        EXPECT_EQ(p.i2, winter[k][2]);
        EXPECT_EQ(p.i3, 0.0);
        EXPECT_EQ(p.r1, -1.0);  // not written by the table model
        EXPECT_EQ(p.length, -1.0);
    }
}

TEST(InertialParameters, RegressionGivesWeightShare) {
    // Trunk: weight = 0.532 x body weight - 6.93 N.
    const Params p = Get(1, 3, 70.0, {});
    ASSERT_TRUE(p.ok);
    ExpectNear(p.mass * 70.0 * 9.81, 0.532 * 70.0 * 9.81 - 6.93);
    EXPECT_EQ(p.com, 0.522);
    EXPECT_EQ(p.i1, 1.0876);
    EXPECT_EQ(p.i3, 0.3785);
}

TEST(InertialParameters, RefusesUnknownKindsTypesAndMasses) {
    const std::vector<double> h = Measurements(41);
    struct Case {
        int kind, type;
        double mass;
    };
    const Case refused[] = {{9, 2, 70}, {8, 3, 70}, {-1, 2, 70}, {10, 4, 70}, {0, 1, 70},
                            {0, 5, 70}, {1, 3, 0},  {1, 4, 0},   {1, 4, -5}};
    for (const Case& c : refused) {
        SCOPED_TRACE(testing::Message() << c.kind << " " << c.type << " " << c.mass);
        const Params p = Get(c.kind, c.type, c.mass, h);
        EXPECT_FALSE(p.ok);
        EXPECT_EQ(p.mass, -1.0);
    }
}

TEST(InertialParameters, HanavanTrunkIsEllipticCylinder) {
    std::vector<double> h = Measurements(41);
    h[10] = 0.3;
    h[35] = h[36] = 0.3;
    h[26] = h[27] = 0.9 * kPi;
    const Params p = Get(1, 4, 70.0, h);
    ASSERT_TRUE(p.ok);
    const double m = kRho * kPi * 0.15 * 0.9 * 0.3;
    ExpectNear(p.mass, m / 70.0);
    ExpectNear(p.com, 0.5);
    ExpectNear(p.i3, m * (0.15 * 0.15 + 0.81) / 4.0);
    ExpectNear(p.r1, (0.15 + 0.9) / 2.0);
    ExpectNear(p.length, 0.3);
}

TEST(InertialParameters, HanavanHeadIsSpheroid) {
    std::vector<double> h = Measurements(41);
    h[8] = 0.24;          // head length: half-length 0.12
    h[25] = 2 * kPi * 0.09;  // circumference of radius 0.09
    const Params p = Get(0, 4, 70.0, h);
    ASSERT_TRUE(p.ok);
    const double m = kRho * 4.0 / 3.0 * kPi * 0.09 * 0.09 * 0.12;
    ExpectNear(p.mass * 70.0, m);
    ExpectNear(p.i1, m * (0.0081 + 0.0144) / 5.0);
    ExpectNear(p.i3, 0.4 * m * 0.0081);
    EXPECT_GT(p.i1, 0.0);
    ExpectNear(p.com, 0.5);
    ExpectNear(p.length, 0.12);
    ExpectNear(p.r1, 0.09);
}

TEST(InertialParameters, HanavanSidesAndListBounds) {
    // Kind 4 (hand): circular frustum of the circumferences o + 17 and o + 16, length H[4].
    for (int size : {41, 82}) {
        for (bool left : {false, true}) {
            SCOPED_TRACE(testing::Message() << size << (left ? " left" : " right"));
            const std::vector<double> h = Measurements(size_t(size));
            const int o = (left && size > 81) ? 41 : 0;
            const double r0 = h[o + 17] / (2 * kPi), r1 = h[o + 16] / (2 * kPi);
            Inertia ref = Frustum(r0, r0, r1, r1, h[4]);
            const Params p = Get(4, 4, 70.0, h, left);
            ASSERT_TRUE(p.ok);
            ExpectNear(p.mass * 70.0, ref.mass);
            ExpectNear(p.com * h[4], ref.com);
            ExpectNear(p.r1, r0);
            ExpectNear(p.r2, r1);
        }
    }
    // Trunk, arm and foot solids read widths beyond index 30; head, hand, forearm, upper arm and
    // leg do not. A list of 41 serves every kind.
    const std::vector<double> shortList = Measurements(30);
    const std::vector<double> full = Measurements(41);
    for (int kind = 0; kind < 10; ++kind) {
        SCOPED_TRACE(kind);
        const bool needsMore = kind == 1 || kind == 2 || kind == 3 || kind == 7 || kind == 9;
        EXPECT_EQ(Get(kind, 4, 70.0, shortList).ok, !needsMore);
        const Params p = Get(kind, 4, 70.0, full);
        EXPECT_TRUE(p.ok);
        EXPECT_TRUE(std::isfinite(p.mass) && std::isfinite(p.i1) && std::isfinite(p.i3));
    }
    EXPECT_FALSE(Get(4, 4, 70.0, {}).ok);
}

}  // namespace

#include "model/InertialParameters.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kG = 9.81;  // the regressions give weights in newtons

struct TableRow {
    double massRatio;
    double comRatio;
    double gyration;
    double a;
    double b;
    double comRegression;
    double i1;
    double i2;
    double i3;
};

// Proportion table (type 2) and weight regressions (type 3) by segment kind.
constexpr TableRow kTable[8] = {
    {0.081, 1.0, 0.495, 0.032, 18.7, 0.663, 0.0164, 0.0171, 0.0201},
    {0.497, 0.5, 0.495, 0.532, -6.93, 0.522, 1.0876, 1.6194, 0.3785},
    {0.028, 0.436, 0.322, 0.022, 4.76, 0.507, 0.0133, 0.0133, 0.0022},
    {0.016, 0.43, 0.303, 0.013, 2.41, 0.417, 0.0065, 0.0067, 0.0009},
    {0.006, 0.506, 0.297, 0.005, 0.75, 0.515, 0.0008, 0.0006, 0.0002},
    {0.1, 0.433, 0.323, 0.127, -14.82, 0.398, 0.1157, 0.1137, 0.0224},
    {0.0465, 0.433, 0.302, 0.044, -1.75, 0.413, 0.0392, 0.0391, 0.0029},
    {0.0145, 0.5, 0.475, 0.009, 2.48, 0.4, 0.003, 0.0034, 0.0007},
};

// Reads measurements by index, remembering whether any asked for lies outside the list.
class Measurements {
public:
    Measurements(const double* list, int size) : list_(list), size_(list ? size : 0) {}
    double operator[](int i) {
        if (i < 0 || i >= size_) {
            bad_ = true;
            return 0.0;
        }
        return list_[i];
    }
    bool bad() const { return bad_; }

private:
    const double* list_;
    int size_;
    bool bad_ = false;
};

double RadiusOf(double circumference) { return circumference / (2.0 * kPi); }

struct Solid {
    double mass = 0.0;
    double comRatio = 0.5;
    double i1 = 0.0;
    double i2 = 0.0;
    double i3 = 0.0;
    double r1 = 0.0;
    double r2 = 0.0;
    double length = 0.0;
};

Solid Ellipsoid(double r, double c) {
    Solid s;
    EllipsoidInertia(r, c, kHanavanDensity, &s.mass, &s.i1, &s.i3);
    s.i2 = s.i1;
    s.comRatio = 0.5;
    s.r1 = s.r2 = r;
    s.length = c;
    return s;
}

Solid Frustum(double a0, double b0, double a1, double b1, double length, double r1, double r2) {
    Solid s;
    double d = 0.0;
    EllipticFrustumInertia(a0, b0, a1, b1, length, kHanavanDensity, &s.mass, &d, &s.i1, &s.i2, &s.i3);
    s.comRatio = length != 0.0 ? d / length : 0.0;
    s.r1 = r1;
    s.r2 = r2;
    s.length = length;
    return s;
}

Solid HanavanSolid(int kind, Measurements& h, int o) {
    switch (kind) {
    case 0:
        return Ellipsoid(RadiusOf(h[25]), h[8] / 2.0);
    case 1: {
        double a = (h[35] + h[36]) / 4.0;
        double b = (h[26] + h[27]) / (2.0 * kPi);
        return Frustum(a, b, a, b, h[10], (a + b) / 2.0, (a + b) / 2.0);
    }
    case 2: {
        double a0 = h[36] / 2.0;
        double b0 = h[27] / kPi;
        double a1 = h[37] / 2.0;
        double b1 = h[28] / kPi - h[37] / 2.0;
        return Frustum(a0, b0, a1, b1, h[11], (a0 + b0) / 2.0, (a1 + b1) / 2.0);
    }
    case 3: {
        double a = (h[37] + h[38]) / 4.0;
        double b = (h[28] + h[29]) / (2.0 * kPi);
        return Frustum(a, b, a, b, h[12], (a + b) / 2.0, (a + b) / 2.0);
    }
    case 4: {
        double r0 = RadiusOf(h[o + 17]);
        double r1 = RadiusOf(h[o + 16]);
        return Frustum(r0, r0, r1, r1, h[4], r0, r1);
    }
    case 5: {
        double r0 = RadiusOf(h[o + 16]);
        double r1 = RadiusOf(h[o + 14]);
        return Frustum(r0, r0, r1, r1, h[2], r0, r1);
    }
    case 6:
        return Ellipsoid(RadiusOf(h[o + 13]), h[o + 1] / 2.0);
    case 7: {
        double a0 = h[o + 24] / kPi - h[o + 34] / 2.0;
        double b0 = h[o + 34] / 2.0;
        double a1 = h[o + 23] / kPi;
        return Frustum(a0, b0, a1, a1, h[o + 7], (a0 + b0) / 2.0, a1);
    }
    case 8: {
        double r0 = RadiusOf(h[o + 23]);
        double r1 = RadiusOf(h[o + 21]);
        return Frustum(r0, r0, r1, r1, h[6], r0, r1);
    }
    default: {  // 9
        double r0 = RadiusOf(h[o + 18]);
        double a1 = (h[o + 32] + h[o + 33]) / 4.0;
        double b1 = (h[o + 19] + h[o + 20]) / (2.0 * kPi) - a1;
        return Frustum(r0, r0, a1, b1, h[5], r0, (a1 + b1) / 2.0);
    }
    }
}

void Store(double* out, double value) {
    if (out) *out = value;
}

}  // namespace

double FrustumQuarticIntegral(double u0, double v0, double u1, double v1, double u2, double v2, double u3, double v3) {
    // Multiply the four linear factors into c0 + c1 t + ... + c4 t^4, then integrate term by term.
    double c[5] = {u0, v0, 0.0, 0.0, 0.0};
    const double u[3] = {u1, u2, u3};
    const double v[3] = {v1, v2, v3};
    for (int f = 0; f < 3; ++f) {
        for (int k = f + 2; k >= 1; --k) c[k] = c[k] * u[f] + c[k - 1] * v[f];
        c[0] *= u[f];
    }
    return c[0] + c[1] / 2.0 + c[2] / 3.0 + c[3] / 4.0 + c[4] / 5.0;
}

void EllipticFrustumInertia(double a0, double b0, double a1, double b1, double length, double density, double* mass,
                            double* comDistance, double* i1, double* i2, double* i3) {
    const double da = a1 - a0;
    const double db = b1 - b0;
    const double p = a0 * b0;
    const double s = db * a0 + da * b0;
    const double q = db * da;
    const double ab = p + s / 2.0 + q / 3.0;
    const double tab = p / 2.0 + s / 3.0 + q / 4.0;
    const double t2ab = p / 3.0 + s / 4.0 + q / 5.0;
    const double abbb = FrustumQuarticIntegral(a0, da, b0, db, b0, db, b0, db);
    const double aaab = FrustumQuarticIntegral(a0, da, a0, da, a0, da, b0, db);

    const double m = density * kPi * length * ab;
    const double d = ab != 0.0 ? length * tab / ab : 0.0;
    const double t = density * kPi * length * length * length * t2ab;
    Store(mass, m);
    Store(comDistance, d);
    Store(i1, density * (kPi / 4.0) * length * abbb + t - m * d * d);
    Store(i2, density * (kPi / 4.0) * length * aaab + t - m * d * d);
    Store(i3, density * (kPi / 4.0) * length * (aaab + abbb));
}

void EllipsoidInertia(double r, double c, double density, double* mass, double* i12, double* i3) {
    const double m = density * (4.0 * kPi / 3.0) * r * r * c;
    Store(mass, m);
    Store(i12, m * (r * r + c * c) / 5.0);
    Store(i3, 2.0 * m * r * r / 5.0);
}

bool GetInertialParameters(int kind, int type, double totalMass, double* massRatio, double* comRatio, double* i1,
                           double* i2, double* i3, double* r1, double* r2, double* length, const double* list,
                           int listSize, bool left) {
    // The ratios of the solids and the regressions are shares of the body mass.
    const bool massKnown = totalMass > 0.0;
    if (kind < 0) return false;
    if (type == 4 && kind < 10) {
        if (!massKnown) return false;
        Measurements h(list, listSize);
        // Lists of more than 81 values carry the right side, then the left from the middle on.
        const int o = (left && listSize > 81) ? listSize / 2 : 0;
        const Solid s = HanavanSolid(kind, h, o);
        if (h.bad()) return false;
        Store(massRatio, s.mass / totalMass);
        Store(comRatio, s.comRatio);
        Store(i1, s.i1);
        Store(i2, s.i2);
        Store(i3, s.i3);
        Store(r1, s.r1);
        Store(r2, s.r2);
        Store(length, s.length);
        return true;
    }
    if (kind >= 8) return false;
    const TableRow& row = kTable[kind];
    if (type == 2) {
        Store(massRatio, row.massRatio);
        Store(comRatio, row.comRatio);
        Store(i1, row.gyration);
        Store(i2, row.gyration);
        Store(i3, 0.0);
        return true;
    }
    if (type == 3 && massKnown) {
        // Segment weight = A x body weight + B newtons.
        Store(massRatio, ((totalMass * kG * row.a + row.b) / kG) / totalMass);
        Store(comRatio, row.comRegression);
        Store(i1, row.i1);
        Store(i2, row.i2);
        Store(i3, row.i3);
        return true;
    }
    return false;
}

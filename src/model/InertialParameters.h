#pragma once
// Mass, centre of mass and principal moments of a body segment: from a proportion table (type 2),
// from weight regressions (type 3), or from the Hanavan model (type 4), where each segment is a
// homogeneous solid sized from the subject's anthropometric measurements.

// Density of every Hanavan solid, kg/m3 (1000 / 1.26).
constexpr double kHanavanDensity = 1000.0 / 1.26;

// Segment kind k (0 to 7 for the tables, 0 to 9 for Hanavan), model type t, body mass M (kg).
// Outputs: mass ratio (of M), CoM ratio (from end 0 along the length), I1, I2, I3 (type 4: kg m2;
// type 2: I1 = I2 = radius-of-gyration ratio), and for type 4 only R1, R2 and the length (m).
// `list` holds `listSize` measurements (lengths, circumferences, widths in metres; element 40 the
// body mass); a list of more than 81 values holds two sides and `left` picks the left half for
// the one-sided kinds. False, outputs untouched, for an unknown kind or type, a body mass not
// above 0 (types 3 and 4), or a measurement the list does not hold.
bool GetInertialParameters(int kind, int type, double totalMass, double* massRatio, double* comRatio, double* i1,
                           double* i2, double* i3, double* r1, double* r2, double* length, const double* list,
                           int listSize, bool left);

// Homogeneous solid whose section at t in [0, 1] is an ellipse with semi-axes
// a(t) = a0 + (a1 - a0) t and b(t) = b0 + (b1 - b0) t, over a length L. Gives its mass, the
// distance of its centre of mass from end 0, and its moments about the a axis (I1), the b axis
// (I2) through the centre of mass and about the long axis (I3).
void EllipticFrustumInertia(double a0, double b0, double a1, double b1, double length, double density, double* mass,
                            double* comDistance, double* i1, double* i2, double* i3);

// Integral over [0, 1] of (u0 + v0 t)(u1 + v1 t)(u2 + v2 t)(u3 + v3 t), exactly.
double FrustumQuarticIntegral(double u0, double v0, double u1, double v1, double u2, double v2, double u3, double v3);

// Solid ellipsoid of revolution: equatorial radius r, half-length c along the axis of
// revolution. Mass, and moments about a transverse axis (I1 = I2) and the axis (I3) through the
// centre.
void EllipsoidInertia(double r, double c, double density, double* mass, double* i12, double* i3);

#pragma once
// Plain 3-D values (point, homogeneous matrix, quaternion), the frame and Euler-angle helpers
// built on them, and a dense linear solver. Angles are radians throughout.
//
// Conventions shared by everything here:
// - Matrix4x4 is column-major (element 4 * column + row, as OpenGL expects); the 3 x 3 rotation
//   sits in elements 0-2, 4-6, 8-10 and the translation in 12-14. A point p maps to R p + t.
// - A Quaternion is stored x, y, z, w, but whenever it crosses an interface as a plain array of
//   four doubles the order is w, x, y, z.
// - A 3 x 3 "frame" is an array with a row stride s: element (row r, column c) is at r * s + c.
//   Its columns are the frame's axes in the outer coordinates. s is 3, or 4 when the 3 x 3 is
//   read out of a Matrix4x4's elements.
// - Functions taking pointer outputs (&x style) skip outputs that are null.

// Process-wide tolerance (1e-8 at start) read by Point3D::Differs, Point3D::GetNormalized,
// Point3D::FrameFromVectors and RotationToEulerAngles. Change it through SetGeometryTolerance.
extern double gGeometryTolerance;

// Sets gGeometryTolerance. A negative or NaN value is refused (false, tolerance unchanged): it
// would let a zero vector pass as normalisable.
bool SetGeometryTolerance(double value);

class Quaternion;

class Point3D {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    Point3D() = default;
    Point3D(double px, double py, double pz) : x(px), y(py), z(pz) {}

    void Set(double px, double py, double pz);
    Point3D& SetZero();
    void Get(Point3D& out) const;

    // 0 = x, 1 = y, 2 = z; any other index gives z (never outside the point).
    double& operator[](int i);
    double operator[](int i) const;

    Point3D operator+(const Point3D& other) const;
    Point3D operator-(const Point3D& other) const;  // this - other
    Point3D operator*(double factor) const;
    Point3D& operator*=(double factor);

    // this x other.
    Point3D CrossProduct(const Point3D& other) const;
    void Cross(const Point3D& other, Point3D& out) const;

    double Length() const;
    // Divides by the length in place unless the length is exactly 0.
    void Normalize();
    // Returns the length L and out = this / L when L > gGeometryTolerance; otherwise out = 0 and
    // the result is 0.
    double GetNormalized(Point3D& out) const;
    // True when any coordinate differs by more than gGeometryTolerance.
    bool Differs(const Point3D& other) const;

    // x = r sin(theta) cos(phi), y = r sin(theta) sin(phi), z = r cos(theta).
    void SetSpherical(double r, double theta, double phi);
    // Radius, polar angle from +Z (never closer than 0.017 rad to the pole, so an orbiting
    // camera keeps a defined azimuth) and azimuth; all 0 for the zero vector.
    void GetSpherical(double* r, double* theta, double* phi) const;

    // Right-handed orthonormal frame with axis a along this vector and axis b in the plane of
    // this and w, on the side of w (a, b in 0-2, a != b). Returns 1, or 0 without writing
    // anything when the axes are invalid, this is (near) zero or w is (near) parallel to it.
    // stride is at least 3.
    int FrameFromVectors(const Point3D& w, int a, int b, double* frame, int stride) const;
    // FrameFromVectors(p1 - this, p2 - this, ...): axis a along this->p1, axis b towards p2.
    int FrameFromTriad(const Point3D& p1, const Point3D& p2, int a, int b, double* frame,
                       int stride) const;
    // Unit quaternion (q as w, x, y, z) of the frame with axis 0 along this and axis 1 towards
    // w. Returns 1, or 0 (q untouched) when the frame cannot be built.
    int AxesQuaternion(const Point3D& w, double* q) const;
    // Quaternion of FrameFromTriad(p1, p2, a, b); 1, or 0 with q untouched.
    int TriadQuaternion(const Point3D& p1, const Point3D& p2, double* q, int a, int b) const;
    // Quaternion of a frame whose axis a runs from this to p1 and whose axis b lies along a
    // perpendicular picked by MakePerpendicular; 1, or 0 with q untouched.
    int DirectionQuaternion(const Point3D& p1, double* q, int a, int b) const;
    // Cardan angles (x, y, z sequence of Matrix4x4::SetRotation) of FrameFromTriad(p1, p2, a, b):
    // the first solution, or the second when `second` is set. 1, or 0 with out = (0, 0, 0).
    int TriadEulerAngles(const Point3D& p1, const Point3D& p2, double* out, int a, int b,
                         bool second) const;
};

class Matrix4x4 {
public:
    // Column-major; identity when constructed.
    double m[16];

    Matrix4x4();
    void SetIdentity();

    // Column i: elements 4i ... 4i + 3.
    double* operator[](int i) { return m + 4 * i; }
    const double* operator[](int i) const { return m + 4 * i; }

    // out[4i + j] = sum_k this[4i + k] * other[4k + j]: as transforms, this applies first and
    // other second. The out form may alias either operand.
    Matrix4x4 operator*(const Matrix4x4& other) const;
    void Multiply(const Matrix4x4& other, Matrix4x4& out) const;
    // Element-wise this - other over all sixteen elements.
    Matrix4x4 operator-(const Matrix4x4& other) const;
    void Subtract(const Matrix4x4& other, Matrix4x4& out) const;

    // R p + t, without division by a fourth coordinate.
    Point3D Transform(const Point3D& p) const;
    void Transform(const Point3D& p, Point3D& out) const;

    // out rotation = R^T, translation = -R^T t; elements 3, 7, 11, 15 copied. out may be this.
    void RigidInverse(Matrix4x4& out) const;

    // R = Rx(a) Ry(b) Rz(c), translation 0, bottom row (0, 0, 0, 1).
    void SetRotation(double a, double b, double c);
    // Inverse of SetRotation, each angle in [0, 2 pi). Near gimbal lock (|cos b| <= 0.005)
    // a = 0 and c carries the whole turn about the shared axis.
    void ToEulerAngles(double* a, double* b, double* c) const;
    void GetEulerAngles(double* angles) const;

    // Post-multiply the rotation part in place (translation untouched). RotateY turns the
    // opposite way from RotateX, RotateZ and the Ry of SetRotation: it is M Ry(-angle).
    void RotateX(double angle);
    void RotateY(double angle);
    void RotateZ(double angle);
    // RotateX / RotateY / RotateZ for axis 0 / 1 / 2; any other axis does nothing.
    void Rotate(int axis, double angle);
    // Pre-multiply the 3 x 3 part by Rx(angle) or Rz(angle); translation untouched.
    void PreRotateX(double angle);
    void PreRotateZ(double angle);
};

class Quaternion {
public:
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double w = 1.0;

    Quaternion() = default;

    // q as w, x, y, z; stores, then Normalize.
    void Set(const double* q);
    // Writes w, x, y, z.
    void ToArray(double* q) const;
    // Divides by the norm; a zero quaternion becomes the identity.
    void Normalize();

    // Normalised Hamilton product this (x) other.
    Quaternion operator*(const Quaternion& other) const;

    // The following set this quaternion and return it.
    // Normalised rotation about the axis; the identity when the axis length is at most 1e-7.
    Quaternion& FromAxisAngle(double ax, double ay, double az, double angle);
    // Rotation Rz(c) Ry(b) Rx(a), normalised. FromEulerAngles is the same operation.
    Quaternion& SetEulerAngles(double a, double b, double c);
    Quaternion& FromEulerAngles(double a, double b, double c);
    // From a rotation frame (see the conventions above). NOT normalised: callers normalise.
    Quaternion& FromRotation3x3(const double* frame, int stride);
    // From the rotation part of a Matrix4x4 (R(r, c) = element 4c + r); not normalised.
    Quaternion& FromMatrix(const Matrix4x4& matrix);

    // out rotation = R(q), translation 0, bottom row (0, 0, 0, 1).
    void ToMatrix(Matrix4x4& out) const;
    // Of the normalised quaternion: angle = 2 acos(w) and axis = (x, y, z) / s with
    // s = sqrt|1 - w^2|, s taken as 1 below 5e-4 (tiny turns keep their raw vector part).
    void GetAxisAngle(double* ax, double* ay, double* az, double* angle) const;
    // Writes x, y, z, angle.
    void ToAxisAngle(double* axisAngle) const;
    // (a, b, c) with R = Rz(c) Ry(b) Rx(a); values within 1e-6 of 0 or 2 pi become 0.
    void GetEulerAngles(double* angles) const;
};

// (x, y, z) <- R(q) (x, y, z), q as w, x, y, z (normalised first).
void RotatePointByQuaternion(double* x, double* y, double* z, const double* q);
// (x, y, z) <- R(q)^T (x, y, z), q as w, x, y, z (normalised first).
void RotatePointByInverseQuaternion(double* x, double* y, double* z, const double* q);
// (x, y, z) <- (Rx(a) Ry(b) Rz(c))^T (x, y, z): the inverse of Matrix4x4::SetRotation.
void RotatePointByInverseEuler(double* x, double* y, double* z, double a, double b, double c);

// p = a unit vector perpendicular to the unit direction d, c = d x p. A zero d gives p = c = 0.
void MakePerpendicular(const Point3D& d, Point3D& p, Point3D& c);

// Two Euler-angle solutions (first[3], second[3]) of a rotation frame for the axis order
// i, j, k (0 x, 1 y, 2 z; k == i for a repeated-axis order). Returns 0 when an axis is outside
// 0-2, i == j or j == k; else 1. For the order 0, 1, 2 and M = Rx(a) Ry(b) Rz(c), first = (a, b, c).
int RotationToEulerAngles(const double* frame, int stride, int i, int j, int k, double* first,
                          double* second);

// Solves A x = b for the n x n row-major A by Gauss-Jordan elimination with full pivoting.
// Returns the rank found; a rank below n means a singular system (x then holds no solution).
// Bad arguments (null arrays, n < 1, sizes that cannot be allocated) give 0.
int SolveLinearSystem(const double* A, const double* b, double* x, int n);

// The solver's steps, on a row-major matrix G with row stride `stride` whose first ncols
// columns are coefficients and next nrhs columns right-hand sides.
//
// Eliminates rows 0 ... nrows - 1 (of `rows` rows) with full pivoting. perm receives the column
// permutation (ncols entries): on return the first `rank` rows hold the identity in the
// coefficient block and the permuted unknowns' solution in the right-hand columns. presets is
// null or a list of columns ended by -1 that are never chosen as pivots. Returns false, doing
// nothing but rank = 0, when the sizes are inconsistent.
bool GaussJordanEliminate(double* G, int rows, int stride, int nrows, int ncols, int nrhs,
                          int* perm, int* rank, double* pivotMagnitude, const int* presets);
// Largest magnitude among rows rowBegin ... rowEnd - 1 and columns colBegin ... colEnd - 1; the
// first of equal candidates wins (rows in order, columns left to right). Returns 1 with the
// position, or 0 when a range is empty or inconsistent.
int FindPivot(const double* G, int stride, int rowBegin, int rowEnd, int colBegin, int colEnd,
              int* pivotRow, int* pivotCol);
// Exchanges two rows over columns 0 ... ncols - 1.
void SwapRows(double* G, int stride, int r1, int r2, int ncols);
// Exchanges two columns over rows 0 ... nrows - 1, and their entries in perm (when not null).
void SwapColumns(double* G, int stride, int c1, int c2, int nrows, int* perm);
// Clears column i in every row r != i of 0 ... nrows - 1 using pivot row i, over columns
// i ... ncols - 1.
void EliminateColumn(double* G, int stride, int nrows, int i, int ncols);

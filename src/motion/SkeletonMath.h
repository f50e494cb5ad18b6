#pragma once
// Vector and quaternion helpers of the BVH skeleton. A Quaternion here is (x, y, z, w) with the
// identity (0, 0, 0, 1); none of these functions normalises its result, so the values match
// what the skeleton was built with sample for sample. Angles are radians.
#include "motion/geometry.h"

// The identity for an axis shorter than 1e-8; the axis need not be unit length.
Quaternion AxisAngleToQuaternion(const Point3D& axis, double angle);
// Hamilton product p q (q applies first).
Quaternion QuaternionProduct(const Quaternion& p, const Quaternion& q);
// Vector part of q (v, 0) q*.
Point3D RotateByQuaternion(const Point3D& v, const Quaternion& q);
// Shortest-arc blend: q1 is negated when the dot product is negative; nearly equal rotations
// (1 - |dot| < 0.05) blend linearly.
Quaternion QuaternionSlerp(const Quaternion& q0, const Quaternion& q1, double t);
// Angles a0 about X, a1 about Y and a2 about Z (out[0..2]) with q = Rz(a2) Ry(a1) Rx(a0); at the
// poles (|sin a1| = 1) the whole turn about the shared axis goes to a0 and a2 is 0.
void QuaternionToEuler(const Quaternion& q, double out[3]);
// True unless the squared distance is below 1e-8.
bool PointsDiffer(const Point3D& a, const Point3D& b);
// Length of d and the pitch (about X) and yaw (about Y) that turn +Z onto d.
void DirectionAngles(const Point3D& d, double* length, double* pitch, double* yaw);

#include "motion/RecordedMotion.h"

#include <cmath>
#include <stdexcept>

#include "motion/SkeletonMath.h"

namespace {

constexpr double kPi = 3.141592653589793;

std::string NoSamples(const std::string& name, const char* kind, int n) {
    return "Creating \"" + name + "\" " + kind + " with no samples (# of samples = " + std::to_string(n) + ")";
}

}  // namespace

void TriDOF::Locate(double x, int* b, double* f) const {
    *f = -1;
    *b = 0;
    if (count_ <= 1 || !(x > 0)) return;  // also NaN
    const double a = static_cast<double>(count_ - 1);
    const double u = a * x;
    if (!(u < a)) {
        *b = static_cast<int>(count_ - 1);
        return;
    }
    *b = static_cast<int>(u);
    *f = u - *b;
}

TranslationalTriDOF::TranslationalTriDOF(const std::string& name, int n, const double* x, const double* y,
                                         const double* z)
    : TriDOF(name) {
    if (n <= 0) throw std::invalid_argument(NoSamples(name, "TranslationalTriDOF", n));
    samples_.reserve(n);
    for (int i = 0; i < n; ++i) samples_.emplace_back(x[i], y[i], z[i]);
    count_ = samples_.size();
}

Point3D TranslationalTriDOF::Interpolate(double x) const {
    int b = 0;
    double f = 0;
    Locate(x, &b, &f);
    if (f < 0) return samples_[b];
    const Point3D& p = samples_[b];
    const Point3D& q = samples_[b + 1];
    return Point3D((1 - f) * p.x + f * q.x, (1 - f) * p.y + f * q.y, (1 - f) * p.z + f * q.z);
}

RotationalTriDOF::RotationalTriDOF(const std::string& name, int n, const double* xAngles, const double* yAngles,
                                   const double* zAngles, int order)
    : TriDOF(name), order_(order) {
    if (n <= 0) throw std::invalid_argument(NoSamples(name, "RotationalTriDOF", n));
    samples_.reserve(n);
    const Point3D ax(1, 0, 0), ay(0, 1, 0), az(0, 0, 1);
    for (int i = 0; i < n; ++i) {
        const Quaternion qx = AxisAngleToQuaternion(ax, xAngles[i] * kPi / 180);
        const Quaternion qy = AxisAngleToQuaternion(ay, yAngles[i] * kPi / 180);
        const Quaternion qz = AxisAngleToQuaternion(az, zAngles[i] * kPi / 180);
        // The channels compose left to right in the order the file lists them.
        const Quaternion* f[3] = {&qx, &qy, &qz};
        switch (order) {
        case kBvhXZY: f[1] = &qz; f[2] = &qy; break;
        case kBvhYZX: f[0] = &qy; f[1] = &qz; f[2] = &qx; break;
        case kBvhYXZ: f[0] = &qy; f[1] = &qx; break;
        case kBvhZXY: f[0] = &qz; f[1] = &qx; f[2] = &qy; break;
        case kBvhZYX: f[0] = &qz; f[2] = &qx; break;
        default: break;
        }
        samples_.push_back(QuaternionProduct(QuaternionProduct(*f[0], *f[1]), *f[2]));
    }
    count_ = samples_.size();
}

Quaternion RotationalTriDOF::Interpolate(double x) const {
    int b = 0;
    double f = 0;
    Locate(x, &b, &f);
    if (f < 0) return samples_[b];
    return QuaternionSlerp(samples_[b], samples_[b + 1], f);
}

Quaternion RotationalTriDOF::GetSample(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= count_)
        throw std::out_of_range("Evaluating " + std::to_string(index) +
                                "-th RotationDOF in recorded motion : size = " + std::to_string(count_));
    return samples_[index];
}

double Motion::NormalisedTime(double t) const {
    if (std::fabs(duration_) < 1e-8) return 0;
    const double u = t / duration_;
    if (!std::isfinite(u)) return 0;
    const double whole = std::round(u);
    // Times are frame x period, so the last frame's ratio lands a rounding error off 1.
    if (whole >= 1 && std::fabs(u - whole) <= 1e-9 * whole) return 1;
    return u - std::floor(u);
}

RecordedMotion::RecordedMotion(const std::string& name, double duration,
                               std::vector<std::unique_ptr<TriDOF>> groups)
    : Motion(name, duration), groups_(std::move(groups)) {}

Point3D RecordedMotion::EvalTranslation(int index, double normalisedTime) const {
    const auto* group = dynamic_cast<const TranslationalTriDOF*>(GetTriDOF(index));
    if (!group)
        throw std::out_of_range("Evaluating " + std::to_string(index) + "-th triDOF in recorded motion " +
                                GetName() + "with " + std::to_string(groups_.size()) + " triDOFs.");
    return group->Interpolate(normalisedTime);
}

Quaternion RecordedMotion::EvalRotation(int index, double normalisedTime) const {
    const auto* group = dynamic_cast<const RotationalTriDOF*>(GetTriDOF(index));
    if (!group)
        throw std::out_of_range("Evaluating " + std::to_string(index) + "-th triDOF in recorded motion " +
                                GetName() + " with " + std::to_string(groups_.size()) + " triDOFs.");
    return group->Interpolate(normalisedTime);
}

const TriDOF* RecordedMotion::GetTriDOF(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= groups_.size()) return nullptr;
    return groups_[index].get();
}

#include "motion/RecordedMotion.h"

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>

#include "motion/SkeletonMath.h"

namespace {

constexpr double kPi = 3.141592653589793;

std::string NoSamples(const std::string& name, const char* kind, long long n) {
    return "Creating \"" + name + "\" " + kind + " with no samples (# of samples = " + std::to_string(n) + ")";
}

// The table of a group given as three arrays: its own, three columns wide.
ChannelTable OwnTable(const std::string& name, const char* kind, int n, const double* x, const double* y,
                      const double* z) {
    if (n <= 0) throw std::invalid_argument(NoSamples(name, kind, n));
    auto table = std::make_shared<std::vector<double>>();
    table->reserve(3 * static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        table->push_back(x[i]);
        table->push_back(y[i]);
        table->push_back(z[i]);
    }
    return table;
}

const int kXYZ[3] = {0, 1, 2};

// Angles in degrees about X, Y and Z, composed in the listed order of the channels.
Quaternion ChannelRotation(double xAngle, double yAngle, double zAngle, int order) {
    const Point3D ax(1, 0, 0), ay(0, 1, 0), az(0, 0, 1);
    const Quaternion qx = AxisAngleToQuaternion(ax, xAngle * kPi / 180);
    const Quaternion qy = AxisAngleToQuaternion(ay, yAngle * kPi / 180);
    const Quaternion qz = AxisAngleToQuaternion(az, zAngle * kPi / 180);
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
    return QuaternionProduct(QuaternionProduct(*f[0], *f[1]), *f[2]);
}

}  // namespace

TriDOF::TriDOF(std::string name, const char* kind, ChannelTable table, std::size_t stride, const int columns[3])
    : name_(std::move(name)), table_(std::move(table)), stride_(stride) {
    const std::size_t size = table_ ? table_->size() : 0;
    count_ = stride_ > 0 ? size / stride_ : 0;
    if (count_ == 0) throw std::invalid_argument(NoSamples(name_, kind, 0));
    if (size % stride_ != 0) throw std::invalid_argument("\"" + name_ + "\" " + kind + ": table of " +
                                                         std::to_string(size) + " values is not whole frames");
    for (int k = 0; k < 3; ++k) {
        if (columns[k] < 0 || static_cast<std::size_t>(columns[k]) >= stride_)
            throw std::invalid_argument("\"" + name_ + "\" " + kind + ": column " + std::to_string(columns[k]) +
                                        " outside " + std::to_string(stride_));
        columns_[k] = columns[k];
    }
}

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
    : TranslationalTriDOF(name, OwnTable(name, "TranslationalTriDOF", n, x, y, z), 3, kXYZ) {}

TranslationalTriDOF::TranslationalTriDOF(const std::string& name, ChannelTable table, std::size_t stride,
                                         const int columns[3])
    : TriDOF(name, "TranslationalTriDOF", std::move(table), stride, columns) {}

Point3D TranslationalTriDOF::Interpolate(double x) const {
    int b = 0;
    double f = 0;
    Locate(x, &b, &f);
    if (f < 0) return Sample(b);
    const Point3D p = Sample(b);
    const Point3D q = Sample(b + 1);
    return Point3D((1 - f) * p.x + f * q.x, (1 - f) * p.y + f * q.y, (1 - f) * p.z + f * q.z);
}

RotationalTriDOF::RotationalTriDOF(const std::string& name, int n, const double* xAngles, const double* yAngles,
                                   const double* zAngles, int order)
    : RotationalTriDOF(name, OwnTable(name, "RotationalTriDOF", n, xAngles, yAngles, zAngles), 3, kXYZ, order) {}

RotationalTriDOF::RotationalTriDOF(const std::string& name, ChannelTable table, std::size_t stride,
                                   const int columns[3], int order)
    : TriDOF(name, "RotationalTriDOF", std::move(table), stride, columns), order_(order) {}

const Quaternion& RotationalTriDOF::Sample(int index) const {
    if (samples_.empty()) {
        Quaternion unmade;
        unmade.w = std::numeric_limits<double>::quiet_NaN();
        samples_.assign(count_, unmade);
    }
    Quaternion& q = samples_[index];
    if (std::isnan(q.w)) q = ChannelRotation(Value(index, 0), Value(index, 1), Value(index, 2), order_);
    return q;
}

Quaternion RotationalTriDOF::Interpolate(double x) const {
    int b = 0;
    double f = 0;
    Locate(x, &b, &f);
    if (f < 0) return Sample(b);
    return QuaternionSlerp(Sample(b), Sample(b + 1), f);
}

Quaternion RotationalTriDOF::GetSample(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= count_)
        throw std::out_of_range("Evaluating " + std::to_string(index) +
                                "-th RotationDOF in recorded motion : size = " + std::to_string(count_));
    return Sample(index);
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

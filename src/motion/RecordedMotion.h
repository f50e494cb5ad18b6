#pragma once
// The sampled motion of a BVH file: one channel group per joint position or rotation (three
// channels, one sample per frame), evaluated at a normalised time 0..1 by linear or spherical
// interpolation between neighbouring frames.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "motion/geometry.h"

// Rotation orders of a CHANNELS statement, by the order its three rotation channels are listed.
enum BvhRotationOrder : int { kBvhXYZ = 0, kBvhXZY = 1, kBvhYZX = 2, kBvhYXZ = 3, kBvhZXY = 4, kBvhZYX = 5 };

// Channel values of every frame, frame after frame: column c of frame i is at
// values[i * columns + c]. The groups of one motion share one table, as the file lists them.
using ChannelTable = std::shared_ptr<const std::vector<double>>;

// A named group of three channels: joint name + ".position" or + ".rotation".
class TriDOF {
public:
    virtual ~TriDOF() = default;
    TriDOF(const TriDOF&) = delete;
    TriDOF& operator=(const TriDOF&) = delete;
    const std::string& GetName() const { return name_; }
    int GetSampleCount() const { return static_cast<int>(count_); }

protected:
    // The channels of x, y and z are columns[0..2] of a table `stride` values wide; throws
    // std::invalid_argument (naming the kind) for a table without a whole sample or a column
    // outside the stride.
    TriDOF(std::string name, const char* kind, ChannelTable table, std::size_t stride, const int columns[3]);
    // Sample index b and fraction f of the normalised time x for interpolation: f < 0 means
    // "sample b exactly".
    void Locate(double x, int* b, double* f) const;
    double Value(std::size_t sample, int axis) const { return table_->data()[sample * stride_ + columns_[axis]]; }
    std::size_t count_ = 0;

private:
    std::string name_;
    ChannelTable table_;
    std::size_t stride_;
    int columns_[3];
};

class TranslationalTriDOF : public TriDOF {
public:
    // Sample i = (x[i], y[i], z[i]); throws std::invalid_argument when n <= 0.
    TranslationalTriDOF(const std::string& name, int n, const double* x, const double* y, const double* z);
    // Sample i = the columns x, y, z of frame i of the table; throws as TriDOF's.
    TranslationalTriDOF(const std::string& name, ChannelTable table, std::size_t stride, const int columns[3]);
    Point3D Interpolate(double x) const;

private:
    Point3D Sample(int index) const { return Point3D(Value(index, 0), Value(index, 1), Value(index, 2)); }
};

class RotationalTriDOF : public TriDOF {
public:
    // Angles in degrees, combined in the listed channel order (see BvhRotationOrder); throws
    // std::invalid_argument when n <= 0.
    RotationalTriDOF(const std::string& name, int n, const double* xAngles, const double* yAngles,
                     const double* zAngles, int order);
    // The angles about x, y, z are those columns of the table; throws as TriDOF's.
    RotationalTriDOF(const std::string& name, ChannelTable table, std::size_t stride, const int columns[3],
                     int order);
    Quaternion Interpolate(double x) const;
    // Throws std::out_of_range outside 0..n-1.
    Quaternion GetSample(int index) const;
    int GetOrder() const { return order_; }

private:
    // A sample's quaternion is made the first time it is asked for and kept: loading stays a
    // matter of reading numbers, and playback only pays for the frames it shows. Not for use
    // from several threads at once.
    const Quaternion& Sample(int index) const;

    int order_;
    mutable std::vector<Quaternion> samples_;  // w is NaN until the sample is made
};

// A named motion of a given duration, evaluated by channel group.
class Motion {
public:
    Motion(std::string name, double duration) : name_(std::move(name)), duration_(duration) {}
    virtual ~Motion() = default;
    Motion(const Motion&) = delete;
    Motion& operator=(const Motion&) = delete;
    virtual Point3D EvalTranslation(int index, double normalisedTime) const = 0;
    virtual Quaternion EvalRotation(int index, double normalisedTime) const = 0;

    const std::string& GetName() const { return name_; }
    double GetDuration() const { return duration_; }
    // Where time t (seconds) falls in the motion, 0..1. The motion loops, but a time on a whole
    // positive multiple of the duration is its end (1), so the last frame shows the last sample.
    double NormalisedTime(double t) const;

private:
    std::string name_;
    double duration_;
};

class RecordedMotion : public Motion {
public:
    RecordedMotion(const std::string& name, double duration, std::vector<std::unique_ptr<TriDOF>> groups);
    // The group's interpolated value; std::out_of_range for a bad index or a group of the other
    // kind.
    Point3D EvalTranslation(int index, double normalisedTime) const override;
    Quaternion EvalRotation(int index, double normalisedTime) const override;
    // Null outside 0..count-1.
    const TriDOF* GetTriDOF(int index) const;
    int GetTriDOFCount() const { return static_cast<int>(groups_.size()); }

private:
    std::vector<std::unique_ptr<TriDOF>> groups_;
};

#pragma once
// Views of the recording's point table and of the model's result tables for the model's inner
// loops: the sizes are checked once when the view is made, the elements are then read without
// per-element checks (callers stay inside the table).
#include <algorithm>
#include <cstddef>
#include <limits>
#include <memory>
#include <vector>

#include "motion/Matrix2D.h"
#include "motion/TDataFile.h"
#include "motion/geometry.h"

// While the model computes, a sample without a result is NaN: never a measurement, so a true 0.0
// is never taken for a gap, and anything computed from it is NaN too. The tables the model keeps
// hold its MissingValue there instead, with a frame mask that says which frames are missing.
constexpr double kGap = std::numeric_limits<double>::quiet_NaN();
inline bool IsGap(double v) { return v != v; }

// Whether frame f of a mask is missing (an empty or short mask has nothing missing).
inline bool Masked(const std::vector<unsigned char>& mask, int f) {
    return f >= 0 && size_t(f) < mask.size() && mask[size_t(f)] != 0;
}

// Rows of `count` contiguous signals of `frames` samples each (row r at rows + r * frames): a frame
// where any of them is a gap becomes missing in all, MissingValue is written there and the mask
// (resized to frames) says so. The mask is left empty when nothing is missing.
inline void SealRows(double* rows, int count, int frames, double missing, std::vector<unsigned char>& mask) {
    mask.assign(static_cast<size_t>(frames), 0);
    bool any = false;
    const size_t width = static_cast<size_t>(frames);
    for (int f = 0; f < frames; ++f) {
        bool gone = false;
        for (int r = 0; r < count && !gone; ++r) gone = IsGap(rows[size_t(r) * width + size_t(f)]);
        if (!gone) continue;
        any = true;
        mask[size_t(f)] = 1;
        for (int r = 0; r < count; ++r) rows[size_t(r) * width + size_t(f)] = missing;
    }
    if (!any) mask.clear();
}

// The reverse: the masked frames of contiguous rows become gaps again.
inline void OpenRows(double* rows, int count, int frames, const std::vector<unsigned char>& mask) {
    if (mask.empty()) return;
    const size_t width = static_cast<size_t>(frames);
    for (int f = 0; f < frames; ++f)
        if (Masked(mask, f))
            for (int r = 0; r < count; ++r) rows[size_t(r) * width + size_t(f)] = kGap;
}

// The recording's point table seen as markers: checked once, read without checks after. A marker
// is missing in a frame when all its coordinates equal the recording's missing value, when one of
// them is NaN, or when its fourth value (the residual) is negative: the recording's mark for a
// point it could not measure, whatever coordinates it kept.
class MarkerTable {
public:
    MarkerTable(const TDataFile& recording, double divide, double missing, bool planar)
        : missing_(missing), scale_(1.0 / divide) {
        const Matrix2D* points = recording.points;
        dim_ = recording.GetDimension();
        if (!points || !points->GetData() || dim_ < 1) return;
        rows_ = points->GetRows();
        frames_ = points->GetCols();
        data_ = points->GetData();
        count_ = rows_ / dim_;
        coords_ = planar ? 2 : std::min(dim_, 3);
        residual_ = !planar && dim_ >= 4;
    }

    int count() const { return count_; }
    int frames() const { return frames_; }
    int dimension() const { return dim_; }
    bool Valid(int p) const { return p >= 1 && p <= count_; }

    // p is a valid 1-based marker, f a frame of the table.
    bool Missing(int p, int f) const {
        const double* v = At(p, f);
        if (residual_ && v[3] < 0.0) return true;
        bool all = true;
        for (int c = 0; c < coords_; ++c) {
            if (IsGap(v[c])) return true;
            all = all && v[c] == missing_;
        }
        return all;
    }
    // Spatial position in metres (needs 3 coordinates per point).
    Point3D Position(int p, int f) const {
        const double* v = At(p, f);
        return Point3D(v[0] * scale_, v[1] * scale_, v[2] * scale_);
    }
    void Prefetch(int p, int f) const { __builtin_prefetch(At(p, f)); }
    // Planar position (x, y) in metres.
    void Planar(int p, int f, double* x, double* y) const {
        const double* v = At(p, f);
        *x = v[0] * scale_;
        *y = v[1] * scale_;
    }

private:
    const double* At(int p, int f) const { return data_ + size_t(f) * size_t(rows_) + size_t(p - 1) * size_t(dim_); }

    const double* data_ = nullptr;
    int rows_ = 0;
    int frames_ = 0;
    int dim_ = 0;
    int count_ = 0;
    int coords_ = 0;
    bool residual_ = false;
    double missing_;
    double scale_;
};

// A segment's markers after label resolution, what can be computed from them, and what the
// kinematics run gathers over the frames.
struct SegmentMarkers {
    int p1 = 0, p2 = 0, p3 = 0;
    bool centre = false;       // P1 and P2 in the recording
    bool orientation = false;  // P1, P2 and P3 in the recording, two of them distinct, valid axes
    double lengthSum = 0.0;
    double radiusSum = 0.0;
    int count = 0;
    double previous[4] = {0.0, 0.0, 0.0, 0.0};  // last quaternion written
};

// Column-major access to the Kinematics table without per-element checks: callers stay inside.
class SignalTable {
public:
    explicit SignalTable(Matrix2D& m) : data_(m.GetData()), rows_(m.GetRows()), cols_(m.GetCols()) {}
    double& operator()(int row, int col) { return data_[size_t(col) * size_t(rows_) + size_t(row)]; }
    int cols() const { return cols_; }
    // Rows first .. first + count - 1 into count contiguous rows of cols() values, and back.
    // Consecutive columns lie a whole table height apart, beyond the reach of the hardware
    // prefetcher on tall tables, so the columns ahead are asked for explicitly; the copy goes
    // eight columns at a time so that each row receives whole cache lines.
    void CopyBlock(int first, int count, double* out) const {
        const size_t height = size_t(rows_), width = size_t(cols_);
        for (int f0 = 0; f0 < cols_; f0 += kTile) {
            const int f1 = std::min(cols_, f0 + kTile);
            for (int f = f0; f < f1; ++f)
                if (f + kAhead < cols_) Prefetch(data_ + size_t(f + kAhead) * height + first, count, false);
            for (int r = 0; r < count; ++r) {
                const double* p = data_ + size_t(f0) * height + size_t(first + r);
                double* o = out + size_t(r) * width;
                for (int f = f0; f < f1; ++f, p += height) o[f] = *p;
            }
        }
    }
    void StoreBlock(int first, int count, const double* in) {
        const size_t height = size_t(rows_), width = size_t(cols_);
        for (int f0 = 0; f0 < cols_; f0 += kTile) {
            const int f1 = std::min(cols_, f0 + kTile);
            for (int f = f0; f < f1; ++f)
                if (f + kAhead < cols_) Prefetch(data_ + size_t(f + kAhead) * height + first, count, true);
            for (int r = 0; r < count; ++r) {
                double* p = data_ + size_t(f0) * height + size_t(first + r);
                const double* i = in + size_t(r) * width;
                for (int f = f0; f < f1; ++f, p += height) *p = i[f];
            }
        }
    }

private:
    static constexpr int kAhead = 16;
    static constexpr int kTile = 8;
    static void Prefetch(const double* p, int count, bool write) {
        for (int r = 0; r < count; r += 8) {  // one 64-byte line holds 8 doubles
            if (write)
                __builtin_prefetch(p + r, 1);
            else
                __builtin_prefetch(p + r, 0);
        }
    }

    double* data_;
    int rows_;
    int cols_;
};

// A rows x cols table left unfilled, for results that write every element: zero-filling tables
// of a long recording costs as much as computing them. Its data is null when it cannot be had.
inline std::unique_ptr<Matrix2D> UnfilledTable(int rows, int cols) {
    auto table = std::make_unique<Matrix2D>();
    table->Resize(rows, cols, false);
    return table;
}

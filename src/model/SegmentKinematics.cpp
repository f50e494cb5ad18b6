// Segment kinematics of TBiomecaModel: centres of mass, lengths, radii and orientations of the
// segments frame by frame from the recording's markers, the whole-body centre of mass, then gap
// filling, angle unwrapping and low-pass filtering of the result.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "model/InertialParameters.h"
#include "model/ModelTables.h"
#include "model/SignalFilter.h"
#include "model/TBiomecaModel.h"
#include "motion/LabelledItem.h"
#include "motion/TDataFile.h"
#include "motion/geometry.h"

namespace {

constexpr double kTwoPi = 6.28318530717958647692;
// Angle steps larger than this between frames are taken as wraps; below pi so that a fast turn
// sampled coarsely is still unwrapped.
constexpr double kWrapStep = 2.5;

// Rows of a Kinematics block.
enum Row { kComX = 0, kAngle1 = 3, kAngle2 = 4, kAngle3 = 5, kLength = 6, kRadius = 7, kAxisX = 8, kQuatW = 12 };

// Cardan angles (x, y, z sequence of Matrix4x4::SetRotation) of a frame whose columns are the
// segment axes: the first solution of RotationToEulerAngles for that order, without the second,
// which would cost three more arc tangents per segment and frame.
double CardanAtan2(double num, double den) {
    const double eps = gGeometryTolerance;
    return (std::fabs(num) <= eps && std::fabs(den) <= eps) ? 0.0 : std::atan2(num, den);
}

void FrameAngles(const double* frame, double* angles) {
    auto m = [frame](int r, int c) { return frame[3 * r + c]; };
    const double e = std::clamp(m(0, 2), -1.0, 1.0);
    angles[0] = CardanAtan2(-m(1, 2), m(2, 2));
    angles[1] = std::fabs(e) > gGeometryTolerance ? std::asin(e) : 0.0;
    angles[2] = CardanAtan2(-m(0, 1), m(0, 0));
}

// Unwraps an angle series over [first, last]: a step above 2.5 rad loses 2 pi, one below -2.5
// gains it. Missing samples are stepped over, so a gap is not taken for a wrap.
void Unwrap(double* v, int first, int last) {
    int prev = -1;
    for (int f = first; f <= last; ++f) {
        if (IsGap(v[f])) continue;
        if (prev >= 0) {
            // Whole turns at once (a long spin is thousands of turns), then the last steps.
            const double step = v[f] - v[prev];
            if (std::fabs(step) > kTwoPi + kWrapStep)
                v[f] -= kTwoPi * std::trunc((step - std::copysign(kWrapStep, step)) / kTwoPi);
            while (v[f] - v[prev] > kWrapStep) v[f] -= kTwoPi;
            while (v[f] - v[prev] < -kWrapStep) v[f] += kTwoPi;
        }
        prev = f;
    }
}

// Fills the gaps of a row as SignalFilter::FillGaps does over the whole row: the same limit on the
// missing samples of the valid span, the same natural cubic spline through the present ones. The
// spline is fitted on windows reaching kFillMargin samples beyond each run of gaps: the influence
// of a knot on a natural spline falls by a factor of 2 - sqrt(3) per knot, so farther knots change
// nothing in double precision, and a long recording with a few gaps is not solved whole per gap.
constexpr int kFillMargin = 64;

void FillRowGaps(const SignalFilter& signal, double* v, int n, int limit) {
    auto missing = [&signal](double x) { return signal.IsMissing(x); };
    int s = 0;
    while (s < n && missing(v[s])) ++s;
    int e = n - 1;
    while (e > s && missing(v[e])) --e;
    if (s >= e) return;
    int gaps = 0;
    for (int i = s; i <= e; ++i)
        if (missing(v[i])) ++gaps;
    if (gaps == 0 || gaps > limit || (e - s + 1) - gaps < 3) return;
    int i = s;
    while (i <= e) {
        if (!missing(v[i])) {
            ++i;
            continue;
        }
        // A run of gaps, extended while the next gap starts within two margins of this one's end.
        const int from = i;
        int to = i;
        for (int j = i; j <= e; ++j) {
            if (!missing(v[j])) continue;
            if (j - to > 2 * kFillMargin) break;
            to = j;
        }
        const int ws = std::max(s, from - kFillMargin);
        const int we = std::min(e, to + kFillMargin);
        if (ws == s && we == e) {
            signal.FillGaps(v, n, limit);
            return;
        }
        signal.FillGaps(v + ws, we - ws + 1, limit);
        i = to + 1;
    }
}

// Whole-body centre of mass, accumulated segment by segment: a frame where a segment is missing
// is missing with the whole-body check, else the centre of the segments present weighted among
// themselves; with none present it is missing. Missing frames are gaps (NaN).
class WholeBodySums {
public:
    explicit WholeBodySums(int frames)
        : sums_(3 * static_cast<size_t>(frames), 0.0),
          mass_(static_cast<size_t>(frames), 0.0),
          present_(static_cast<size_t>(frames), 0),
          missing_(static_cast<size_t>(frames), 0),
          frames_(frames) {}

    void Add(const double* x, const double* y, const double* z, double mass, int first, int last) {
        const size_t n = static_cast<size_t>(frames_);
        for (int f = first; f <= last; ++f) {
            if (IsGap(x[f]) || IsGap(y[f]) || IsGap(z[f])) {
                missing_[size_t(f)] = 1;
                continue;
            }
            sums_[size_t(f)] += mass * x[f];
            sums_[n + size_t(f)] += mass * y[f];
            sums_[2 * n + size_t(f)] += mass * z[f];
            mass_[size_t(f)] += mass;
            ++present_[size_t(f)];
        }
    }

    // Planar data pass the same row as y and z and get x, 0, y.
    void Finish(double* x, double* y, double* z, double ratio, double massSum, bool checkcom, int first, int last,
                bool planar = false) const {
        const size_t n = static_cast<size_t>(frames_);
        for (int f = first; f <= last; ++f) {
            const bool anyMissing = missing_[size_t(f)] != 0;
            double share = ratio;
            bool gone = anyMissing && (checkcom || present_[size_t(f)] == 0);
            if (anyMissing && !gone && massSum != 0.0) {
                share = ratio * mass_[size_t(f)] / massSum;
                if (share == 0.0) gone = true;
            }
            x[f] = gone ? kGap : sums_[size_t(f)] / share;
            y[f] = gone ? kGap : sums_[n + size_t(f)] / share;
            z[f] = gone ? kGap : sums_[2 * n + size_t(f)] / share;
            if (planar && !gone) y[f] = 0.0;
        }
    }

private:
    std::vector<double> sums_;
    std::vector<double> mass_;
    std::vector<int> present_;
    std::vector<char> missing_;
    int frames_;
};

}  // namespace

void TBiomecaModel::ResolveMarkers(const TDataFile* recording, int i, int* p1, int* p2, int* p3) const {
    const BodySegment& s = *Segments[i];
    *p1 = s.P1;
    *p2 = s.P2;
    *p3 = s.P3;
    if (!IsLabel || !recording) return;
    const int n1 = recording->FindPointLabel(s.Name1);
    if (n1 >= 0) *p1 = n1 + 1;
    const int n2 = recording->FindPointLabel(s.Name2);
    *p2 = n2 >= 0 ? n2 + 1 : *p1;
    const int n3 = recording->FindPointLabel(s.Name3);
    *p3 = n3 >= 0 ? n3 + 1 : *p1;
}

void TBiomecaModel::FillSignalGaps(double* row, int n) const {
    const SignalFilter signal;  // gaps are NaN
    FillRowGaps(signal, row, n, n / 10);
}

int TBiomecaModel::FindFirstValidFrame(const TDataFile* recording) {
    if (!recording || !RecordsExist()) return 0;
    const MarkerTable markers(*recording, 1.0, MissingValue, recording->GetDimension() == 2);
    if (markers.count() < 1) return 0;
    int result = 0;
    const int n = SegmentsInUse(nullptr);
    for (int i = 0; i < n; ++i) {
        int p1, p2, p3;
        ResolveMarkers(recording, i, &p1, &p2, &p3);
        if (!markers.Valid(p1)) p1 = 1;
        if (!markers.Valid(p2)) p2 = 1;
        for (int f = 0; f < markers.frames(); ++f) {
            result = std::max(result, f);
            if (!markers.Missing(p1, f) && !markers.Missing(p2, f)) break;
        }
    }
    return result;
}

int TBiomecaModel::FindLastValidFrame(const TDataFile* recording) {
    if (!recording || !RecordsExist()) return 0;
    const MarkerTable markers(*recording, 1.0, MissingValue, recording->GetDimension() == 2);
    int result = markers.frames() - 1;
    if (markers.count() < 1) return result;
    const int n = SegmentsInUse(nullptr);
    for (int i = 0; i < n; ++i) {
        int p1, p2, p3;
        ResolveMarkers(recording, i, &p1, &p2, &p3);
        if (!markers.Valid(p1)) p1 = 1;
        if (!markers.Valid(p2)) p2 = 1;
        for (int f = markers.frames() - 1; f >= 0; --f) {
            result = std::min(result, f);
            if (!markers.Missing(p1, f) && !markers.Missing(p2, f)) break;
        }
    }
    return result;
}

bool TBiomecaModel::ComputeSegments(const TDataFile* recording, int first, int last, LabelledItemList* warnings) {
    Kinematics.reset();
    ResultantForces.reset();
    ResultantMoments.reset();
    Gaps.clear();
    double ratio = TotalMass;
    Kinematics = ComputeKinematics(recording, ratio, Degre, UseSpline, Coupure, Gravity, first, last, warnings,
                                   MissingValue, 1e-5, true, true, true);
    ++KinematicsRevision;
    if (!Kinematics) return false;
    ResultantForces = ComputeResultantForces(false);
    ResultantMoments = ComputeResultantMoments(false);
    return true;
}

std::unique_ptr<Matrix2D> TBiomecaModel::ComputeKinematics(const TDataFile* recording, double& massRatio, bool degrees,
                                                           bool spline, double cutoff, double gravity, int first,
                                                           int last, LabelledItemList* warnings, double missing,
                                                           double tolerance, bool unwrap, bool fillGaps, bool filter) {
    KinematicsDone = false;
    runWarningBase_ = warnings ? warnings->count : 0;
    if (!RecordsExist()) return nullptr;
    SetGeometryTolerance(tolerance);
    MissingValue = missing;
    CheckForceThreshold(warnings);
    Degre = degrees;
    UseSpline = spline;
    Coupure = cutoff;
    Gravity = gravity;
    if (!recording || !recording->points || recording->GetFrameCount() < 1 || recording->GetNumberOfPoints() < 1) {
        Warn(warnings, "No marker data: no kinematics");
        return nullptr;
    }
    const int dim = recording->GetDimension();
    if (dim < 2) {
        Warn(warnings, "Points of " + std::to_string(dim) + " value: no kinematics");
        return nullptr;
    }
    if (!(Divide > 0.0) || !std::isfinite(Divide)) {
        Warn(warnings, "Divide " + std::to_string(Divide) + " refused: units per metre must be above 0");
        return nullptr;
    }
    // Every frame of the range is computed, the last one included.
    const int frames = recording->GetFrameCount();
    FirstFrame = std::clamp(std::min(first, last), 0, frames - 1);
    LastFrame = std::clamp(std::max(first, last), 0, frames - 1);
    SampleRate = recording->GetPointRate();
    if (dim == 2) return ComputeSegments2D(recording, massRatio, unwrap, fillGaps, filter, warnings);
    return ComputeSegments3D(recording, massRatio, unwrap, fillGaps, filter, warnings);
}

void TBiomecaModel::ApplyHanavan(int n, LabelledItemList* warnings) {
    if (Type != 4 || HanavanData.empty()) return;
    if (HanavanSize < 41 || size_t(HanavanSize) > HanavanData.size()) {
        Warn(warnings, "Hanavan list of " + std::to_string(HanavanSize) + " values refused (41 to " +
                           std::to_string(HanavanData.size()) + ")");
        return;
    }
    TotalMass = HanavanData[40];
    for (int i = 0; i < n; ++i) {
        BodySegment& s = *Segments[i];
        if (s.ModelSegment < 0) continue;
        double mass, cg, i1, i2, i3, r1, r2, length;
        if (!GetInertialParameters(s.ModelSegment, Type, TotalMass, &mass, &cg, &i1, &i2, &i3, &r1, &r2, &length,
                                   HanavanData.data(), HanavanSize, s.Left))
            continue;
        s.Long = length;
        s.R1 = r1;
        s.R2 = r2;
        s.Mass = std::fabs(mass);
        s.CG = std::fabs(cg);
        s.Ixx = std::fabs(i1);
        s.Iyy = std::fabs(i2);
        s.Izz = std::fabs(i3);
    }
}

double TBiomecaModel::MassRatio(int n, double input) {
    SegmentMassSum = TotalMass * MassSum(n);
    double ratio = TotalMass != 0.0 ? SegmentMassSum / TotalMass : input;
    if (ratio < 1e-6) ratio = 1.0;
    return ratio;
}

double TBiomecaModel::MassSum(int n) const {
    double sum = 0.0;
    for (int i = 0; i < n; ++i) sum += Segments[i]->Mass;
    return sum;
}

void TBiomecaModel::PlanarWholeBodyCentre(Matrix2D& table, int n, double ratio) {
    SignalTable k(table);
    const int frames = k.cols();
    const size_t width = static_cast<size_t>(frames);
    double* rows = Scratch(3 * width);
    WholeBodySums body(frames);
    // The plane's coordinates are rows 0 and 2 (x, 0, y).
    for (int i = 0; i < n; ++i) {
        k.CopyBlock(kKinematicsRows * i, 3, rows);
        body.Add(rows, rows + 2 * width, rows + 2 * width, Segments[i]->Mass, FirstFrame, LastFrame);
    }
    k.CopyBlock(kKinematicsRows * n, 3, rows);
    body.Finish(rows, rows + width, rows + 2 * width, ratio, MassSum(n), checkcom, FirstFrame, LastFrame, true);
    k.StoreBlock(kKinematicsRows * n, 3, rows);
}

void TBiomecaModel::CheckForceThreshold(LabelledItemList* warnings) {
    if (std::isfinite(FZseuil) && FZseuil >= 0.0) return;
    char text[96];
    std::snprintf(text, sizeof text, "Force threshold %g refused: %g N used", FZseuil, kForceThreshold);
    Warn(warnings, text);
    FZseuil = kForceThreshold;
}

bool TBiomecaModel::FilterUsable(bool filter, LabelledItemList* warnings) {
    if (filter && (!std::isfinite(Coupure) || Coupure < 0.0)) {
        Warn(warnings, "Cut-off frequency " + std::to_string(Coupure) + " refused: no filtering");
        return false;
    }
    return filter;
}

void TBiomecaModel::CleanBlock(double* block, int rows, int frames, bool body, const int* angleRows, int angleCount,
                               bool unwrap, bool fillGaps, bool filter) const {
    SignalFilter signal;  // the rows' gaps are NaN
    const int limit = frames / 10;
    auto isAngle = [&](int r) { return std::find(angleRows, angleRows + angleCount, r) != angleRows + angleCount; };
    for (int r = 0; r < rows; ++r) {
        double* row = block + static_cast<size_t>(r) * static_cast<size_t>(frames);
        // Gaps in angles are bridged only after unwrapping, so that a wrap inside a gap is not
        // interpolated across.
        if (isAngle(r) && unwrap) Unwrap(row, FirstFrame, LastFrame);
        if (fillGaps) FillRowGaps(signal, row, frames, limit);
        if (filter && !body && r <= kAngle3) {
            if (UseSpline)
                signal.GcvsplSmooth(row, frames, SampleRate, 0);
            else
                signal.ButterworthFilter(row, frames, Coupure, SampleRate, false);
        }
    }
}

void TBiomecaModel::CleanUp(Matrix2D& table, int n, const int* angleRows, int angleCount, bool unwrap, bool fillGaps,
                            bool filter, LabelledItemList* warnings) {
    SignalTable k(table);
    const int frames = k.cols();
    filter = FilterUsable(filter, warnings);
    // One block at a time, copied out as contiguous rows in one pass over the frames.
    double* block = Scratch(static_cast<size_t>(kKinematicsRows) * static_cast<size_t>(frames));
    Gaps.assign(static_cast<size_t>(n + 1), BlockGaps());
    for (int b = 0; b <= n; ++b) {
        const bool body = b == n;  // the whole body: centre of mass only, never filtered
        const int rows = body ? 3 : kKinematicsRows;
        k.CopyBlock(kKinematicsRows * b, rows, block);
        CleanBlock(block, rows, frames, body, angleRows, angleCount, unwrap, fillGaps, filter);
        SealBlock(block, frames, b, body);
        k.StoreBlock(kKinematicsRows * b, rows, block);
    }
}

void TBiomecaModel::SealBlock(double* block, int frames, int b, bool body) {
    const size_t width = static_cast<size_t>(frames);
    BlockGaps& gaps = Gaps[size_t(b)];
    // The centre rows 0-2, 6, 7 and the orientation rows 3-5, 8-15, each group missing as a whole.
    auto seal = [&](std::initializer_list<int> rows, FrameMask& mask) {
        mask.assign(width, 0);
        bool any = false;
        for (int f = 0; f < frames; ++f) {
            bool gone = false;
            for (int r : rows) gone = gone || IsGap(block[size_t(r) * width + size_t(f)]);
            if (!gone) continue;
            any = true;
            mask[size_t(f)] = 1;
            for (int r : rows) block[size_t(r) * width + size_t(f)] = MissingValue;
        }
        if (!any) mask.clear();
    };
    if (body) {
        seal({0, 1, 2}, gaps.centre);
        return;
    }
    seal({0, 1, 2, kLength, kRadius}, gaps.centre);
    seal({kAngle1, kAngle2, kAngle3, 8, 9, 10, 11, 12, 13, 14, 15}, gaps.orientation);
}

std::unique_ptr<Matrix2D> TBiomecaModel::NewKinematicsTable(int n, int frames, bool zero, LabelledItemList* warnings) {
    const int rows = kKinematicsRows * (n + 1);
    auto table = zero ? std::make_unique<Matrix2D>(rows, frames) : UnfilledTable(rows, frames);
    if (table->GetRows() != rows || table->GetCols() != frames || !table->GetData()) {
        Warn(warnings, "Unable to allocate the kinematics of " + std::to_string(frames) + " frames");
        return nullptr;
    }
    return table;
}

std::unique_ptr<Matrix2D> TBiomecaModel::ComputeSegments3D(const TDataFile* recording, double& massRatio, bool unwrap,
                                                           bool fillGaps, bool filter, LabelledItemList* warnings) {
    if (!recording || !RecordsExist()) return nullptr;
    const MarkerTable markers(*recording, Divide, MissingValue, false);
    if (markers.dimension() < 3 || markers.frames() < 1) return nullptr;
    const int n = SegmentsInUse(warnings);
    ApplyHanavan(n, warnings);
    const int frames = markers.frames();
    // Every element is written below, block by block (missing outside the computed range).
    std::unique_ptr<Matrix2D> table = NewKinematicsTable(n, frames, false, warnings);
    if (!table) return nullptr;
    SignalTable k(*table);
    const int first = std::min(FirstFrame, frames - 1);
    const int last = std::min(LastFrame, frames - 1);

    std::vector<SegmentMarkers> resolved(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        SegmentMarkers& m = resolved[size_t(i)];
        ResolveMarkers(recording, i, &m.p1, &m.p2, &m.p3);
        const bool oneMarker = m.p1 == m.p2;
        if (!markers.Valid(m.p1) || !markers.Valid(m.p2) || (!oneMarker && !markers.Valid(m.p3)))
            Warn(warnings, "Segment " + std::to_string(i + 1) + " : marker outside the recording");
        m.centre = markers.Valid(m.p1) && markers.Valid(m.p2);
        m.orientation = m.centre && !oneMarker && markers.Valid(m.p3);
        const BodySegment& s = *Segments[i];
        if (!oneMarker &&
            (s.P1P2Axis < 0 || s.P1P2Axis > 2 || s.P3Axis < 0 || s.P3Axis > 2 || s.P1P2Axis == s.P3Axis)) {
            Warn(warnings, "Segment " + std::to_string(i + 1) + " : axes " + std::to_string(s.P1P2Axis) + " and " +
                               std::to_string(s.P3Axis) + " refused, no orientation");
            m.orientation = false;
        }
    }
    massRatio = MassRatio(n, massRatio);
    for (int i = 0; i < n; ++i) {
        const SegmentMarkers& m = resolved[size_t(i)];
        if (m.p3 == m.p1 && warnings) {
            char text[64];
            std::snprintf(text, sizeof text, "Segment %d : 2 markers only", i + 1);
            warnings->Add(LabelledItem(warnings->count - runWarningBase_, text, nullptr, -1));
        }
    }
    filter = FilterUsable(filter, warnings);

    // Segment by segment in one block of contiguous rows: computed, added to the whole-body sums
    // (before any clean-up), cleaned, and stored into the table once.
    const size_t width = static_cast<size_t>(frames);
    double* block = Scratch(static_cast<size_t>(kKinematicsRows) * width);
    WholeBodySums body(frames);
    const int angleRows[] = {kAngle1, kAngle2, kAngle3};
    Gaps.assign(static_cast<size_t>(n + 1), BlockGaps());
    for (int i = 0; i < n; ++i) {
        std::fill(block, block + kKinematicsRows * width, kGap);
        SegmentMarkers& m = resolved[size_t(i)];
        ComputeSegmentBlock(markers, i, m, first, last, block, frames);
        BodySegment& s = *Segments[i];
        if (m.count != 0 && Type != 4) {
            // From here on R1 holds metres.
            s.R1 = s.R2 = m.radiusSum / m.count;
            s.Long = m.lengthSum / m.count;
        }
        body.Add(block, block + width, block + 2 * width, s.Mass, first, last);
        CleanBlock(block, kKinematicsRows, frames, false, angleRows, 3, unwrap, fillGaps, filter);
        SealBlock(block, frames, i, false);
        k.StoreBlock(kKinematicsRows * i, kKinematicsRows, block);
    }
    // The whole body has a centre of mass only: its other rows are 0.
    std::fill(block, block + 3 * width, kGap);
    std::fill(block + 3 * width, block + kKinematicsRows * width, 0.0);
    body.Finish(block, block + width, block + 2 * width, massRatio, MassSum(n), checkcom, first, last);
    CleanBlock(block, 3, frames, true, angleRows, 0, unwrap, fillGaps, false);
    SealBlock(block, frames, n, true);
    k.StoreBlock(kKinematicsRows * n, kKinematicsRows, block);
    KinematicsDone = true;
    return table;
}

void TBiomecaModel::ComputeSegmentBlock(const MarkerTable& markers, int i, SegmentMarkers& m, int first, int last,
                                        double* block, int frames) const {
    if (!m.centre) return;
    const BodySegment& s = *Segments[i];
    const size_t width = static_cast<size_t>(frames);
    auto at = [&](int r, int f) -> double& { return block[size_t(r) * width + size_t(f)]; };
    constexpr int kAhead = 16;  // marker columns lie far apart: ask for them early
    for (int f = first; f <= last; ++f) {
        if (f + kAhead <= last) {
            markers.Prefetch(m.p1, f + kAhead);
            markers.Prefetch(m.p2, f + kAhead);
            if (m.orientation) markers.Prefetch(m.p3, f + kAhead);
        }
        const bool gone1 = markers.Missing(m.p1, f);
        if (m.p1 == m.p2) {
            const Point3D p = markers.Position(m.p1, f);
            for (int c = 0; c < 3; ++c) at(c, f) = gone1 ? kGap : p[c];
            for (int r = kAngle1; r <= kAngle3; ++r) at(r, f) = 0.0;
            for (int r = kAxisX; r < kKinematicsRows; ++r) at(r, f) = 0.0;
            at(kLength, f) = 0.02;
            at(kRadius, f) = 0.02;
            continue;  // no orientation: its rows are 0
        }
        const bool gone2 = markers.Missing(m.p2, f);
        const Point3D p1 = markers.Position(m.p1, f);
        const Point3D p2 = markers.Position(m.p2, f);
        if (gone1 || gone2) {
            for (int r : {0, 1, 2, int(kLength), int(kRadius)}) at(r, f) = kGap;
        } else {
            const Point3D d = p2 - p1;
            const double length = d.Length();
            for (int c = 0; c < 3; ++c) at(c, f) = p1[c] + s.CG * d[c];
            at(kLength, f) = length;
            const double radius = Type < 4 ? length * s.R1 : s.R1;
            at(kRadius, f) = radius;
            m.lengthSum += length;
            m.radiusSum += radius;
            ++m.count;
        }
        if (!m.orientation) continue;
        const bool twoMarkers = m.p3 == m.p1;
        if (gone1 || gone2 || (!twoMarkers && markers.Missing(m.p3, f))) {
            for (int r = kAngle1; r <= kAngle3; ++r) at(r, f) = kGap;
            for (int r = kAxisX; r < kKinematicsRows; ++r) at(r, f) = kGap;
            continue;
        }
        double frame[9];
        int ok = 0;
        if (twoMarkers) {
            // The frame of Point3D::DirectionQuaternion: the long axis and a perpendicular.
            Point3D d = p2 - p1;
            d.Normalize();
            Point3D across, third;
            MakePerpendicular(d, across, third);
            ok = d.FrameFromVectors(across, s.P1P2Axis, s.P3Axis, frame, 3);
        } else {
            ok = p1.FrameFromTriad(p2, markers.Position(m.p3, f), s.P1P2Axis, s.P3Axis, frame, 3);
        }
        if (!ok) {
            for (int r = kAngle1; r <= kAngle3; ++r) at(r, f) = kGap;
            for (int r = kAxisX; r < kKinematicsRows; ++r) at(r, f) = kGap;
            continue;
        }
        Quaternion q;
        q.FromRotation3x3(frame, 3);
        q.Normalize();
        double wxyz[4], axisAngle[4], angles[3];
        q.ToArray(wxyz);
        // q and -q are the same turn: keep each quaternion on the side of the one before, so that
        // its rows stay continuous through gaps and filtering.
        const double* prev = m.previous;
        if (wxyz[0] * prev[0] + wxyz[1] * prev[1] + wxyz[2] * prev[2] + wxyz[3] * prev[3] < 0.0) {
            for (double& v : wxyz) v = -v;
            q.Set(wxyz);
        }
        std::copy(wxyz, wxyz + 4, m.previous);
        q.ToAxisAngle(axisAngle);
        FrameAngles(frame, angles);
        // Two markers fix no turn about the long axis.
        if (twoMarkers) angles[2] = 0.0;
        for (int c = 0; c < 4; ++c) {
            at(kQuatW + c, f) = wxyz[c];
            at(kAxisX + c, f) = axisAngle[c];
        }
        for (int c = 0; c < 3; ++c) at(kAngle1 + c, f) = angles[c];
    }
}

std::unique_ptr<Matrix2D> TBiomecaModel::ComputeSegments2D(const TDataFile* recording, double& massRatio, bool unwrap,
                                                           bool fillGaps, bool filter, LabelledItemList* warnings) {
    if (!recording || !RecordsExist()) return nullptr;
    const MarkerTable markers(*recording, Divide, MissingValue, true);
    if (markers.dimension() != 2 || markers.frames() < 1) return nullptr;
    const int n = SegmentsInUse(warnings);
    std::unique_ptr<Matrix2D> table = NewKinematicsTable(n, markers.frames(), true, warnings);
    if (!table) return nullptr;
    SignalTable k(*table);
    const int frames = markers.frames();
    const int first = std::min(FirstFrame, frames - 1);
    const int last = std::min(LastFrame, frames - 1);
    // Frames outside the computed range have no result; nor has a segment without its markers.
    auto noResult = [&](int row, int rows, int from, int to) {
        for (int f = from; f < to; ++f)
            for (int r = 0; r < rows; ++r) k(row + r, f) = kGap;
    };
    for (int b = 0; b <= n; ++b) {
        const int rows = b == n ? 3 : kKinematicsRows;
        noResult(kKinematicsRows * b, rows, 0, first);
        noResult(kKinematicsRows * b, rows, last + 1, frames);
    }

    for (int i = 0; i < n; ++i) {
        const BodySegment& s = *Segments[i];
        int p1, p2, p3;
        ResolveMarkers(recording, i, &p1, &p2, &p3);
        const int row = kKinematicsRows * i;
        if (!markers.Valid(p1) || !markers.Valid(p2)) {
            Warn(warnings, "Segment " + std::to_string(i + 1) + " : marker outside the recording");
            noResult(row, kKinematicsRows, 0, frames);
            continue;
        }
        for (int f = first; f <= last; ++f) {
            const bool gone = markers.Missing(p1, f) || markers.Missing(p2, f);
            double x1, y1, x2, y2;
            markers.Planar(p1, f, &x1, &y1);
            markers.Planar(p2, f, &x2, &y2);
            if (p1 == p2) {
                k(row + 0, f) = gone ? kGap : x1;
                k(row + 2, f) = gone ? kGap : y1;
                k(row + kLength, f) = 0.025;
                k(row + kRadius, f) = 0.025;
                continue;
            }
            if (gone) {
                for (int r : {0, 2, int(kLength), int(kRadius), int(kAngle2)}) k(row + r, f) = kGap;
                for (int r = kAxisX; r < kKinematicsRows; ++r) k(row + r, f) = kGap;
                continue;
            }
            const double dx = x2 - x1, dy = y2 - y1;
            const double length = std::sqrt(dx * dx + dy * dy);
            k(row + 0, f) = x1 + s.CG * dx;
            k(row + 2, f) = y1 + s.CG * dy;
            k(row + kLength, f) = length;
            k(row + kRadius, f) = 0.1 * length;
            if (length == 0.0) continue;
            double theta = std::fabs(dy / length) <= 1.0 ? std::acos(dy / length) : 0.0;
            if (dx < 0.0) theta = -theta;
            Quaternion q;
            q.FromEulerAngles(0.0, theta, 0.0);
            double wxyz[4];
            q.ToArray(wxyz);
            k(row + kAngle2, f) = theta;
            k(row + kAxisX + 1, f) = 1.0;
            k(row + kAxisX + 3, f) = theta;
            for (int c = 0; c < 4; ++c) k(row + kQuatW + c, f) = wxyz[c];
        }
    }

    massRatio = MassRatio(n, massRatio);
    PlanarWholeBodyCentre(*table, n, massRatio);

    const int angleRows[] = {kAngle2};
    CleanUp(*table, n, angleRows, 1, unwrap, fillGaps, filter, warnings);
    KinematicsDone = true;
    return table;
}

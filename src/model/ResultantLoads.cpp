// Resultant forces and moments of the segments (mass times the acceleration of the centre of
// mass; rate of change of the angular momentum about it), the angular curves of a segment, and
// the external loads read from analog channels.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "model/ModelTables.h"
#include "model/SignalFilter.h"
#include "model/TBiomecaModel.h"

namespace {

constexpr double kDegrees = 57.29577951308232;

// Rotation matrix (row-major) Rx(a) Ry(b) Rz(c) of the Cardan angles (x, y, z sequence,
// Matrix4x4::SetRotation), from their cosines and sines.
void CardanMatrix(double ca, double sa, double cb, double sb, double cc, double sc, double* r) {
    r[0] = cb * cc;
    r[1] = -cb * sc;
    r[2] = sb;
    r[3] = sa * sb * cc + ca * sc;
    r[4] = -sa * sb * sc + ca * cc;
    r[5] = -sa * cb;
    r[6] = -ca * sb * cc + sa * sc;
    r[7] = ca * sb * sc + sa * cc;
    r[8] = ca * cb;
}

void Apply(const double* r, double* v) {
    const double x = v[0], y = v[1], z = v[2];
    v[0] = r[0] * x + r[1] * y + r[2] * z;
    v[1] = r[3] * x + r[4] * y + r[5] * z;
    v[2] = r[6] * x + r[7] * y + r[8] * z;
}

}  // namespace

void BodyToLaboratory(double a, double b, double c, double* v) {
    double r[9];
    CardanMatrix(std::cos(a), std::sin(a), std::cos(b), std::sin(b), std::cos(c), std::sin(c), r);
    Apply(r, v);
}

bool TBiomecaModel::KinematicsReady() const {
    return Kinematics && KinematicsDone && SegmentCount >= 0 && SegmentCount <= kBodySegmentSlots &&
           Kinematics->GetRows() == kKinematicsRows * (SegmentCount + 1) && Kinematics->GetData() && RecordsExist();
}

void TBiomecaModel::Differentiate(double* row, int n, int order) const {
    SignalFilter signal;  // gaps are NaN: kept out of every window, and left as gaps
    const bool cutOff = std::isfinite(Coupure) && Coupure >= 0.0;
    if (UseSpline) {
        signal.GcvsplSmooth(row, n, SampleRate, order);
        return;
    }
    if (cutOff) signal.ButterworthFilter(row, n, Coupure, SampleRate, false);
    for (int k = 0; k < order; ++k) {
        if (UseSplineDerivative) {
            signal.SplineDerivative(row, n, SampleRate, order);
            return;
        }
        signal.FivePointDerivative(row, n, SampleRate);
        if (SmoothDerivative && cutOff) signal.MovingAverage(row, n, Coupure, SampleRate);
    }
}

void TBiomecaModel::LoadExternalForces(const Matrix2D* analog, int frames) {
    const int n = SegmentsInUse(nullptr);
    for (int i = 0; i < n; ++i) {
        BodySegment& s = *Segments[i];
        s.ExtForce.reset();
        s.ExtMoment.reset();
        const int channels[6] = {s.CF0, s.CF1, s.CF2, s.CF3, s.CF4, s.CF5};
        bool any = false;
        for (int c : channels) any = any || c != -1;
        if (!any || !analog || !analog->GetData() || frames < 1) continue;
        auto force = std::make_unique<Matrix2D>(3, frames);
        auto moment = std::make_unique<Matrix2D>(3, frames);
        if (!force->GetData() || !moment->GetData()) continue;
        const int columns = analog->GetCols();
        const int rows = analog->GetRows();
        for (int k = 0; k < frames; ++k) {
            // The analog sample at the point frame's time; round() takes halves away from zero.
            const double at = std::round(double(columns) / double(frames) * k);
            if (!(at < columns)) continue;
            const int column = int(at);
            for (int l = 0; l < 6; ++l) {
                if (channels[l] < 0 || channels[l] >= rows) continue;
                const double v = analog->GetValue(channels[l], column);
                if (v == 0.0) continue;
                if (l < 3)
                    force->SetValue(l, k, v);
                else
                    moment->SetValue(l - 3, k, v);
            }
        }
        s.ExtForce = std::move(force);
        s.ExtMoment = std::move(moment);
    }
}

std::unique_ptr<Matrix2D> TBiomecaModel::ComputeResultantForces(bool addExternal) {
    if (!KinematicsReady()) return nullptr;
    const int n = SegmentCount;
    const int frames = Kinematics->GetCols();
    auto table = UnfilledTable(3 * (n + 1), frames);  // every block is written
    if (!table->GetData()) return nullptr;
    SignalTable kin(*Kinematics);
    SignalTable out(*table);
    double* block = Scratch(static_cast<size_t>(3) * static_cast<size_t>(frames));
    if (Gaps.size() != size_t(n + 1)) Gaps.resize(size_t(n + 1));
    double bodyMass = SegmentMassSum;
    for (int i = 0; i < n; ++i)
        if (Segments[i]->AddMass > 0.0) bodyMass += Segments[i]->AddMass;
    for (int k = 0; k <= n; ++k) {
        double mass = bodyMass;
        const Matrix2D* external = nullptr;
        if (k < n) {
            const BodySegment& s = *Segments[k];
            mass = TotalMass * s.Mass + (s.AddMass > 0.0 ? s.AddMass : 0.0);
            if (addExternal && s.ExtForce && s.ExtForce->GetRows() >= 3 && s.ExtForce->GetCols() >= frames)
                external = s.ExtForce.get();
        }
        kin.CopyBlock(kKinematicsRows * k, 3, block);
        OpenRows(block, 3, frames, Gaps[size_t(k)].centre);
        for (int c = 0; c < 3; ++c) {
            double* row = block + static_cast<size_t>(c) * static_cast<size_t>(frames);
            Differentiate(row, frames, 2);
            for (int f = 0; f < frames; ++f) {
                row[f] *= mass;
                if (external) {
                    const double e = external->GetValue(c, f);
                    if (e != 0.0) row[f] += e;
                }
            }
        }
        SealRows(block, 3, frames, MissingValue, Gaps[size_t(k)].force);
        out.StoreBlock(3 * k, 3, block);
    }
    return table;
}

std::unique_ptr<Matrix2D> TBiomecaModel::ComputeResultantMoments(bool addExternal) {
    if (!KinematicsReady()) return nullptr;
    const int n = SegmentCount;
    const int frames = Kinematics->GetCols();
    auto table = std::make_unique<Matrix2D>(3 * (n + 1), frames);  // the whole body's rows stay 0
    if (!table->GetData()) return nullptr;
    SignalTable out(*table);
    std::vector<double> rows(static_cast<size_t>(3) * static_cast<size_t>(frames));
    if (Gaps.size() != size_t(n + 1)) Gaps.resize(size_t(n + 1));
    for (int k = 0; k < n; ++k) {
        std::unique_ptr<Matrix2D> curve = ComputeSegmentCurve(k, 2, 1, nullptr, &Gaps[size_t(k)].moment);
        if (!curve) continue;
        const BodySegment& s = *Segments[k];
        const Matrix2D* external =
            addExternal && s.ExtMoment && s.ExtMoment->GetRows() >= 3 && s.ExtMoment->GetCols() >= frames
                ? s.ExtMoment.get()
                : nullptr;
        const double* c = curve->GetData();
        for (int f = 0; f < frames; ++f) {
            for (int r = 0; r < 3; ++r) {
                double v = c[size_t(f) * 4 + size_t(r)];
                if (external) v += external->GetValue(r, f);
                rows[size_t(r) * size_t(frames) + size_t(f)] = v;
            }
        }
        out.StoreBlock(3 * k, 3, rows.data());
    }
    return table;
}

std::unique_ptr<Matrix2D> TBiomecaModel::ComputeSegmentCurve(int s, int order, int kind, CurveNames* names,
                                                              FrameMask* missing) {
    if (missing) missing->clear();
    if (!KinematicsReady() || s < 0 || s >= SegmentCount) return nullptr;
    const int frames = Kinematics->GetCols();
    SignalTable kin(*Kinematics);
    const bool omegaForm = order >= 0;
    if (order < 0) {
        order = -order;
        kind = 0;
    }
    if (names) FillCurveNames(s, order, omegaForm, kind, names);

    // Angles, first and second derivatives as contiguous rows.
    const size_t n = static_cast<size_t>(frames);
    double* angles = Scratch(9 * n);  // angles, their rates, their accelerations
    double* rates = angles + 3 * n;
    double* accelerations = rates + 3 * n;
    kin.CopyBlock(kKinematicsRows * s + 3, 3, angles);
    if (size_t(s) < Gaps.size()) OpenRows(angles, 3, frames, Gaps[size_t(s)].orientation);
    // Frames without a result are gaps while computed, then MissingValue in the curve.
    auto seal = [&](SignalTable& table) {
        FrameMask gaps;
        for (int f = 0; f < frames; ++f) {
            bool gone = false;
            for (int r = 0; r < 4; ++r) gone = gone || IsGap(table(r, f));
            if (!gone) continue;
            if (gaps.empty()) gaps.assign(n, 0);
            gaps[size_t(f)] = 1;
            for (int r = 0; r < 4; ++r) table(r, f) = MissingValue;
        }
        if (missing) *missing = std::move(gaps);
    };
    // Orders 1 and 2 write every element; the others leave rows at 0.
    auto result = (order == 1 || order == 2) ? UnfilledTable(4, frames) : std::make_unique<Matrix2D>(4, frames);
    if (!result->GetData()) return nullptr;
    SignalTable out(*result);
    if (order == 0) {
        const double scale = Degre ? kDegrees : 1.0;
        for (int f = 0; f < frames; ++f)
            for (int r = 0; r < 3; ++r) out(r, f) = angles[r * n + size_t(f)] * scale;
        seal(out);
        return result;
    }
    if (order > 2) return result;

    std::copy(angles, angles + 3 * n, rates);
    for (int r = 0; r < 3; ++r) Differentiate(rates + r * n, frames, 1);
    if (order == 2) {
        if (UseSpline) {
            std::copy(angles, angles + 3 * n, accelerations);
            for (int r = 0; r < 3; ++r) Differentiate(accelerations + r * n, frames, 2);
        } else {
            std::copy(rates, rates + 3 * n, accelerations);
            for (int r = 0; r < 3; ++r) Differentiate(accelerations + r * n, frames, 1);
        }
    }

    // Principal moments: per frame only when they follow the frame's length and radius.
    double i1 = 0.0, i2 = 0.0, i3 = 0.0;
    const bool perFrame = IsRadius;
    if (!perFrame) GetSegmentInertia(s, nullptr, &i1, &i2, &i3, -1);

    for (int f = 0; f < frames; ++f) {
        const double t1 = angles[size_t(f)], t2 = angles[n + size_t(f)], t3 = angles[2 * n + size_t(f)];
        const double a = rates[size_t(f)], b = rates[n + size_t(f)], c = rates[2 * n + size_t(f)];
        const double c1 = std::cos(t1), s1 = std::sin(t1);
        const double c2 = std::cos(t2), s2 = std::sin(t2), c3 = std::cos(t3), s3 = std::sin(t3);
        double w[3];
        if (omegaForm) {
            // Body-frame angular velocity of the x, y, z Cardan sequence.
            w[0] = c2 * c3 * a + s3 * b;
            w[1] = -c2 * s3 * a + c3 * b;
            w[2] = s2 * a + c;
        } else {
            w[0] = a;
            w[1] = b;
            w[2] = c;
        }
        if (perFrame && kind != 0) GetSegmentInertia(s, nullptr, &i1, &i2, &i3, f);
        double v[3] = {0.0, 0.0, 0.0};
        double total = 0.0;
        if (order == 1) {
            if (kind == 1) {
                v[0] = i1 * w[0];
                v[1] = i2 * w[1];
                v[2] = i3 * w[2];
                total = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
            } else if (kind == 2) {
                v[0] = 0.5 * i1 * w[0] * w[0];
                v[1] = 0.5 * i2 * w[1] * w[1];
                v[2] = 0.5 * i3 * w[2] * w[2];
                total = v[0] + v[1] + v[2];
            } else {
                v[0] = w[0];
                v[1] = w[1];
                v[2] = w[2];
                total = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
            }
        } else {
            const double da = accelerations[size_t(f)], db = accelerations[n + size_t(f)],
                         dc = accelerations[2 * n + size_t(f)];
            double dw[3];
            if (omegaForm) {
                // Derivative of the body-frame angular velocity above.
                dw[0] = c2 * c3 * da - s2 * c3 * a * b - c2 * s3 * a * c + s3 * db + c3 * b * c;
                dw[1] = s2 * s3 * a * b - c2 * s3 * da - c2 * c3 * a * c + c3 * db - s3 * b * c;
                dw[2] = dc + s2 * da + c2 * a * b;
            } else {
                dw[0] = da;
                dw[1] = db;
                dw[2] = dc;
            }
            if (kind == 0) {
                v[0] = dw[0];
                v[1] = dw[1];
                v[2] = dw[2];
            } else {
                // Euler's equations in the segment's principal axes.
                v[0] = i1 != 0.0 ? i1 * dw[0] - (i2 - i3) * w[1] * w[2] : 0.0;
                v[1] = i2 != 0.0 ? i2 * dw[1] - (i3 - i1) * w[2] * w[0] : 0.0;
                v[2] = i3 != 0.0 ? i3 * dw[2] - (i1 - i2) * w[0] * w[1] : 0.0;
            }
            total = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        }
        if (Degre && kind == 0) {
            for (double& x : v) x *= kDegrees;
            total *= kDegrees;
        }
        // The body-frame vector in laboratory axes.
        double rotation[9];
        CardanMatrix(c1, s1, c2, s2, c3, s3, rotation);
        Apply(rotation, v);
        for (int r = 0; r < 3; ++r) out(r, f) = v[r];
        out(3, f) = total;
    }
    seal(out);
    return result;
}

void TBiomecaModel::FillCurveNames(int s, int order, bool omegaForm, int kind, CurveNames* names) const {
    const char* unit = Degre ? "Deg" : "Rad";
    char quantity[96] = {};
    const char* xyz[3] = {"", "", ""};
    const char* total = "";
    if (order == 0) {
        std::snprintf(quantity, sizeof quantity, "Angular Position (%s)", unit);
        xyz[0] = "Rx", xyz[1] = "Ry", xyz[2] = "Rz";
    } else if (order == 1) {
        if (omegaForm)
            std::snprintf(quantity, sizeof quantity, "[Omega] Angular Velocity (%s/s)", unit);
        else
            std::snprintf(quantity, sizeof quantity, "[R'] Angular Velocity (%s/s)", unit);
        if (kind == 1) {
            xyz[0] = "Qr x", xyz[1] = "Qr y", xyz[2] = "Qr z", total = "|Q|";
        } else if (kind == 2) {
            std::snprintf(quantity, sizeof quantity, "Angular Kinematic Energy");
            xyz[0] = "Er x", xyz[1] = "Er y", xyz[2] = "Er z", total = "Er";
        } else if (omegaForm) {
            xyz[0] = "Omega x", xyz[1] = "Omega y", xyz[2] = "Omega z", total = "|Omega|";
        } else {
            xyz[0] = "Rx'", xyz[1] = "Ry'", xyz[2] = "Rz'", total = "|R'|";
        }
    } else if (order == 2) {
        if (kind != 0) {
            std::snprintf(quantity, sizeof quantity, "Torque (N.m)");
            xyz[0] = "Mx", xyz[1] = "My", xyz[2] = "Mz", total = "|M|";
        } else if (omegaForm) {
            std::snprintf(quantity, sizeof quantity, "[Omega'] Angular Acceleration (%s/s/s)", unit);
            xyz[0] = "Omega' x", xyz[1] = "Omega' y", xyz[2] = "Omega' z", total = "|Omega'|";
        } else {
            std::snprintf(quantity, sizeof quantity, "[Cardan] Angular Acceleration (%s/s/s)", unit);
            xyz[0] = "Rx", xyz[1] = "Ry", xyz[2] = "Rz", total = "|R''|";
        }
    }
    names->name = std::string(Segments[s]->Name) + " - " + quantity;
    names->x = xyz[0];
    names->y = xyz[1];
    names->z = xyz[2];
    names->total = total;
}

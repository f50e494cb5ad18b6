// Joint construction of TBiomecaModel: ground contacts from force platforms or analog channels,
// joints between segments at a marker or at a centre of instantaneous rotation, free ends, and
// the joint frames.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "model/ModelTables.h"
#include "model/SignalFilter.h"
#include "model/TBiomecaModel.h"
#include "motion/TDataFile.h"
#include "motion/geometry.h"

namespace {

constexpr int kOrientationRows = 11;
// Rotations smaller than this between the two poses fix no centre of rotation.
constexpr double kSmallestTurn = 1e-3;

Point3D Cross(const Point3D& a, const Point3D& b) { return a.CrossProduct(b); }

// Rotation matrix (row-major) of a unit quaternion w, x, y, z.
void QuaternionMatrix(const double* q, double* r) {
    const double w = q[0], x = q[1], y = q[2], z = q[3];
    r[0] = 1 - 2 * (y * y + z * z);
    r[1] = 2 * (x * y - w * z);
    r[2] = 2 * (x * z + w * y);
    r[3] = 2 * (x * y + w * z);
    r[4] = 1 - 2 * (x * x + z * z);
    r[5] = 2 * (y * z - w * x);
    r[6] = 2 * (x * z - w * y);
    r[7] = 2 * (y * z + w * x);
    r[8] = 1 - 2 * (x * x + y * y);
}

Point3D Rotate(const double* r, const Point3D& p) {
    return Point3D(r[0] * p.x + r[1] * p.y + r[2] * p.z, r[3] * p.x + r[4] * p.y + r[5] * p.z,
                   r[6] * p.x + r[7] * p.y + r[8] * p.z);
}

Point3D RotateBack(const double* r, const Point3D& p) {
    return Point3D(r[0] * p.x + r[3] * p.y + r[6] * p.z, r[1] * p.x + r[4] * p.y + r[7] * p.z,
                   r[2] * p.x + r[5] * p.y + r[8] * p.z);
}

// A marker as a point in metres; planar data (x, y) become (x, 0, y).
Point3D MarkerAt(const MarkerTable& markers, bool planar, int p, int f) {
    if (!planar) return markers.Position(p, f);
    double x, y;
    markers.Planar(p, f, &x, &y);
    return Point3D(x, 0.0, y);
}

// The third axis of a plate's frame, (c1 - c2) x (c2 - c3) made unit; the laboratory's z for
// corners that span no plane, as the plate results then keep the laboratory's axes.
// A mask kept only when it marks a frame: an empty one says nothing is missing.
void KeepMask(FrameMask& into, FrameMask& mask) {
    if (std::find(mask.begin(), mask.end(), 1) == mask.end()) mask.clear();
    into = std::move(mask);
}

Point3D PlateNormal(const double* corners) {
    const Point3D c1(corners[0], corners[1], corners[2]);
    const Point3D c2(corners[3], corners[4], corners[5]);
    const Point3D c3(corners[6], corners[7], corners[8]);
    const Point3D a = c1 - c2, b = c2 - c3;
    const Point3D n = Cross(a, b);
    const double length = n.Length();
    if (!std::isfinite(length) || !(length > 1e-9 * a.Length() * b.Length())) return Point3D(0.0, 0.0, 1.0);
    return n * (1.0 / length);
}

// Quaternion (w, x, y, z) of the frame of a two- or three-marker set, as the segment kinematics
// builds it.
bool FrameQuaternion(const Point3D& a, const Point3D& b, const Point3D* c, int axis, int toward, double* q) {
    if (c) return a.TriadQuaternion(b, *c, q, axis, toward) != 0;
    return a.DirectionQuaternion(b, q, axis, toward) != 0;
}

}  // namespace

void TBiomecaModel::LowPass(double* row, int n) const {
    SignalFilter signal;  // gaps are NaN, and each run between them is filtered on its own
    if (UseSpline)
        signal.GcvsplSmooth(row, n, SampleRate, 0);
    else if (std::isfinite(Coupure) && Coupure >= 0.0)
        signal.ButterworthFilter(row, n, Coupure, SampleRate, false);
}

std::unique_ptr<Matrix2D> TBiomecaModel::MarkerTrajectory(const TDataFile& recording, int p, bool filtered,
                                                          FrameMask& missing) {
    missing.clear();
    const bool planar = recording.GetDimension() == 2;
    const MarkerTable markers(recording, Divide, MissingValue, planar);
    if (!markers.Valid(p) || (!planar && markers.dimension() < 3)) return nullptr;
    const int frames = markers.frames();
    auto table = UnfilledTable(3, frames);
    if (!table->GetData()) return nullptr;
    double* rows = Scratch(static_cast<size_t>(3) * static_cast<size_t>(frames));
    for (int f = 0; f < frames; ++f) {
        const bool gone = markers.Missing(p, f);
        const Point3D v = MarkerAt(markers, planar, p, f);
        for (int c = 0; c < 3; ++c) rows[size_t(c) * size_t(frames) + size_t(f)] = gone ? kGap : v[c];
    }
    if (filtered) {
        // Gaps are bridged where the fill limit allows before the filter, which never reaches
        // across what is left.
        for (int c = 0; c < 3; ++c) {
            FillSignalGaps(rows + size_t(c) * size_t(frames), frames);
            LowPass(rows + size_t(c) * size_t(frames), frames);
        }
    }
    SealRows(rows, 3, frames, MissingValue, missing);
    SignalTable(*table).StoreBlock(0, 3, rows);
    return table;
}

bool TBiomecaModel::MakeFirstJoint(int pf, double* deltas, const int* channels, int normal, bool useAnalog, bool cop,
                                   TDataFile* recording, int m1, int m2, bool firstPair, int local, int proximal,
                                   const char* t1, const char* t2) {
    if (!Kinematics || !recording || !recording->points || !RecordsExist()) return false;
    if (!IsSegmentInUse(proximal)) {
        Warn(nullptr, "Ground contact on segment " + std::to_string(proximal) + " outside the model refused");
        return false;
    }
    CheckForceThreshold(nullptr);
    const bool planar = recording->GetDimension() == 2;
    const MarkerTable markers(*recording, Divide, MissingValue, planar);
    if (local != 0 && !markers.Valid(std::abs(local))) {
        Warn(nullptr, "Ground contact follows marker " + std::to_string(std::abs(local)) + ", which does not exist");
        return false;
    }
    double d[4] = {0.0, 0.0, 0.0, 0.0};
    if (deltas) {
        for (int k = 0; k < 3; ++k) deltas[k] /= Divide;
        std::copy(deltas, deltas + 4, d);
    }
    int ch[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    if (channels) std::copy(channels, channels + 8, ch);
    const int frames = recording->GetFrameCount();
    auto force = std::make_unique<Matrix2D>(3, frames);
    auto moment = std::make_unique<Matrix2D>(3, frames);
    auto centre = std::make_unique<Matrix2D>(3, frames);
    if (!force->GetData() || !moment->GetData() || !centre->GetData()) return false;
    FrameMask centreMissing(static_cast<size_t>(frames), 0), loadMissing(static_cast<size_t>(frames), 0);

    const Matrix2D* analog = recording->analog;
    bool computedCoP = cop;
    if (!analog)
        computedCoP = false;
    else if (analog->GetRows() < 7 && recording->GetDimension() > 2)
        computedCoP = true;

    // Three rows more in each contact table for this contact.
    int base = 0;
    if (!ContactPoints || !ContactForces || ContactPoints->GetCols() != frames || ContactForces->GetCols() != frames ||
        ContactPoints->GetRows() != ContactForces->GetRows()) {
        ContactPoints = std::make_unique<Matrix2D>(3, frames);
        ContactForces = std::make_unique<Matrix2D>(3, frames);
    } else {
        base = ContactPoints->GetRows();
        if (!ContactPoints->AddRows(3) || !ContactForces->AddRows(3)) return false;
    }

    const bool platform = pf >= 1 && recording->GetPlateCount() > 0;
    const bool ran = analog && useAnalog && analog->GetData();
    if (ran) {
        const double perFrame = recording->GetAnalogSamplesPerFrame();
        const int columns = analog->GetCols();
        const int rows = analog->GetRows();
        // The plate's moments are taken about its transducer origin, ORIGIN's z along the plate's
        // normal from the centre of its corners (the surface); they are moved to the point of
        // application that the contact keeps (its centre of pressure).
        Point3D plateCentre, transducer, up(0.0, 0.0, 1.0);
        if (platform) {
            double corners[12] = {}, origin[3] = {};
            if (recording->GetPlateGeometry(pf - 1, nullptr, nullptr, corners, origin)) {
                const double u = recording->GetUnitFactor(-1);
                for (int c = 0; c < 3; ++c)
                    plateCentre[c] = (corners[c] + corners[3 + c] + corners[6 + c] + corners[9 + c]) / (4.0 * u);
                up = PlateNormal(corners);
                transducer = plateCentre + up * (origin[2] / u);
            }
        }
        for (int f = 0; f < frames; ++f) {
            const int k = int(std::round(f * perFrame));
            Point3D fv, mv, pv;
            if (platform) {
                TPlateForces plate;
                if (recording->GetPlateForces(pf - 1, k, &plate, float(FZseuil), false)) {
                    fv.Set(plate.force[0], plate.force[1], plate.force[2]);
                    mv.Set(plate.moment[0], plate.moment[1], plate.moment[2]);
                    pv.Set(plate.cop[0], plate.cop[1], plate.cop[2]);
                    mv = mv + Cross(transducer - pv, fv);
                    // At a centre of pressure the moment has no part along the surface: what is
                    // left there is the rounding of a centre given in single precision, or the
                    // lever of a plate type whose moments are about another point.
                    const double along = fv.x * up.x + fv.y * up.y + fv.z * up.z;
                    if (std::fabs(along) > FZseuil) mv = up * (mv.x * up.x + mv.y * up.y + mv.z * up.z);
                } else {
                    pv = plateCentre;
                }
            } else {
                auto value = [&](int c) {
                    return (c >= 0 && c < rows && k >= 0 && k < columns) ? analog->GetValue(c, k) : 0.0;
                };
                fv.Set(value(ch[0]), value(ch[1]), value(ch[2]));
                mv.Set(value(ch[3]), value(ch[4]), value(ch[5]));
                if (!computedCoP)
                    pv.Set(value(ch[6]), value(ch[7]), 0.0);
                else if (std::fabs(fv.z) > FZseuil)
                    pv.Set(-mv.y / fv.z, mv.x / fv.z, 0.0);
            }
            Point3D cv(d[0], d[1], d[2]);
            if (planar) {
                pv.Set(pv.x, 0.0, pv.y);
                fv.Set(fv.x, 0.0, fv.y);
                mv.Set(0.0, mv.y, 0.0);
                cv.Set(d[0], 0.0, d[1]);
            }
            if (platform) cv = pv;
            for (int c = 0; c < 3; ++c) {
                ContactPoints->SetValue(base + c, f, pv[c]);
                ContactForces->SetValue(base + c, f, fv[c]);
                force->SetValue(c, f, fv[c]);
                moment->SetValue(c, f, mv[c]);
                centre->SetValue(c, f, cv[c]);
            }
        }

        // Placement of a sensor that moves. A plate's results are already in laboratory axes at
        // its measured centre of pressure, so they stay as they are. A frame where the marker or
        // the carrying segment's orientation is missing has no centre (and, for a sensor carried
        // in the segment's axes, no load in laboratory axes).
        auto noCentre = [&](int f) {
            centreMissing[size_t(f)] = 1;
            for (int c = 0; c < 3; ++c) {
                centre->SetValue(c, f, MissingValue);
                ContactPoints->SetValue(base + c, f, MissingValue);
            }
        };
        if (!platform && local < 0) {
            for (int f = 0; f < frames; ++f) {
                if (markers.Missing(-local, f)) {
                    noCentre(f);
                    continue;
                }
                const Point3D p = MarkerAt(markers, planar, -local, f);
                for (int c = 0; c < 3; ++c) {
                    const double v = p[c] + (planar && c == 1 ? 0.0 : centre->GetValue(c, f));
                    centre->SetValue(c, f, v);
                    ContactPoints->SetValue(base + c, f, v);
                }
            }
        } else if (!platform && local > 0) {
            const double h = d[3];
            const FrameMask* turn = size_t(proximal) < Gaps.size() ? &Gaps[size_t(proximal)].orientation : nullptr;
            for (int f = 0; f < frames; ++f) {
                if ((turn && Masked(*turn, f)) || markers.Missing(local, f)) {
                    noCentre(f);
                    loadMissing[size_t(f)] = 1;
                    for (int c = 0; c < 3; ++c) {
                        force->SetValue(c, f, MissingValue);
                        moment->SetValue(c, f, MissingValue);
                        ContactForces->SetValue(base + c, f, MissingValue);
                    }
                    continue;
                }
                double theta[3];
                for (int c = 0; c < 3; ++c) theta[c] = Kinematics->GetValue(kKinematicsRows * proximal + 3 + c, f);
                double fl[3] = {force->GetValue(0, f), force->GetValue(1, f), force->GetValue(2, f)};
                double ml[3] = {moment->GetValue(0, f), moment->GetValue(1, f), moment->GetValue(2, f)};
                double pl[3] = {0.0, 0.0, 0.0};
                if (normal == 0) {
                    if (std::fabs(fl[0]) > FZseuil) {
                        pl[0] = h;
                        pl[1] = (h * fl[1] + ml[2]) / fl[0];
                        pl[2] = (h * fl[0] - ml[1]) / fl[0];
                    }
                } else if (std::fabs(fl[2]) > FZseuil) {
                    pl[0] = (h * fl[0] - ml[1]) / fl[2];
                    pl[1] = (h * fl[1] + ml[0]) / fl[2];
                    pl[2] = h;
                }
                double offset[3] = {d[0], d[1], d[2]};
                // The sensor measures in the segment's axes.
                BodyToLaboratory(theta[0], theta[1], theta[2], pl);
                BodyToLaboratory(theta[0], theta[1], theta[2], fl);
                BodyToLaboratory(theta[0], theta[1], theta[2], ml);
                BodyToLaboratory(theta[0], theta[1], theta[2], offset);
                const Point3D p = MarkerAt(markers, planar, local, f);
                for (int c = 0; c < 3; ++c) {
                    force->SetValue(c, f, fl[c]);
                    moment->SetValue(c, f, ml[c]);
                    ContactForces->SetValue(base + c, f, fl[c]);
                    centre->SetValue(c, f, p[c] + offset[c]);
                    ContactPoints->SetValue(base + c, f, p[c] + pl[c]);
                }
            }
        }

        // Contact test: no load while the contact marker is away from the plate's surface.
        const int contactMarker = t1 ? recording->FindPointLabel(t1) + 1 : 0;
        double corners[12];
        if (checkcontact && contactdistance > 0.0 && !planar && markers.Valid(contactMarker) && platform &&
            recording->GetPlateGeometry(pf - 1, nullptr, nullptr, corners, nullptr)) {
            for (int f = 0; f < frames; ++f) {
                const int k = int(std::round(f * perFrame));
                TPlateForces plate;
                if (!recording->GetPlateForces(pf - 1, k, &plate, float(FZseuil), false)) continue;
                if (markers.Missing(contactMarker, f)) {
                    // Whether the foot is on the plate cannot be told: no load to pass up.
                    loadMissing[size_t(f)] = 1;
                    for (int c = 0; c < 3; ++c) {
                        force->SetValue(c, f, MissingValue);
                        moment->SetValue(c, f, MissingValue);
                    }
                    continue;
                }
                const double z = markers.Position(contactMarker, f).z;
                if (std::fabs(plate.cop[2] + 0.05 - z) > contactdistance || std::fabs(plate.force[2]) <= FZseuil) {
                    for (int c = 0; c < 3; ++c) {
                        force->SetValue(c, f, 0.0);
                        moment->SetValue(c, f, 0.0);
                    }
                }
            }
        }
    }

    const int m = firstPair ? m1 : m2;
    const char* t = firstPair ? t1 : t2;
    if (!AddJoint(-1, proximal, m - 1, t, std::move(centre), nullptr, 0, std::move(force), std::move(moment), pf,
                  channels, deltas ? d : nullptr, local, base, normal, computedCoP))
        return false;
    KeepMask(Joints[JointCount - 1]->CentreMissing, centreMissing);
    KeepMask(Joints[JointCount - 1]->LoadMissing, loadMissing);
    return true;
}

bool TBiomecaModel::MakeJoint(int distal, int proximal, int position, const char* name, int frameType,
                              const TDataFile* recording) {
    if (!recording || !recording->points || !RecordsExist()) return false;
    if (!IsSegmentInUse(distal) || (proximal != -1 && !IsSegmentInUse(proximal))) {
        Warn(nullptr, "Joint between segments " + std::to_string(distal) + " and " + std::to_string(proximal) +
                          " outside the model refused");
        return false;
    }
    if (!TestJoint(distal, proximal)) return false;
    FrameMask turnMissing, centreMissing;
    std::unique_ptr<Matrix2D> orientation = ComputeJointFrame(recording, distal, proximal, frameType, &turnMissing);
    std::unique_ptr<Matrix2D> centre;
    char text[84];
    std::snprintf(text, sizeof text, "%s", name ? name : "");
    if (position == -2 || position == -3) {
        const bool fixed = position == -2;
        centre = std::make_unique<Matrix2D>(3, recording->GetFrameCount());
        if (!centre->GetData()) return false;
        ComputeCIR(distal, proximal, recording, *centre, fixed, &centreMissing);
        std::snprintf(text, sizeof text, fixed ? "CIRf %d-%d" : "CIRm %d-%d", distal + 1, proximal + 1);
    } else {
        centre = MarkerTrajectory(*recording, position, true, centreMissing);
        if (!centre) {
            Warn(nullptr, "Joint centre at marker " + std::to_string(position) + ", which does not exist");
            return false;
        }
        if (orientation) {
            SignalTable o(*orientation);
            const int frames = o.cols();
            std::vector<double> rows(static_cast<size_t>(3) * static_cast<size_t>(frames));
            o.CopyBlock(0, 3, rows.data());
            OpenRows(rows.data(), 3, frames, turnMissing);
            for (int c = 0; c < 3; ++c) LowPass(rows.data() + size_t(c) * size_t(frames), frames);
            FrameMask same;
            SealRows(rows.data(), 3, frames, MissingValue, same);
            o.StoreBlock(0, 3, rows.data());
        }
    }
    if (!AddJoint(distal, proximal, position - 1, text, std::move(centre), std::move(orientation), frameType, nullptr,
                  nullptr, 0, nullptr, nullptr, 0, -1, 1, true))
        return false;
    BodyJoint& joint = *Joints[JointCount - 1];
    joint.CentreMissing = std::move(centreMissing);
    if (joint.Orientation) joint.OrientationMissing = std::move(turnMissing);
    return true;
}

bool TBiomecaModel::MakeLastJoint(int segment, int position, int frameType, const char* name,
                                  const TDataFile* recording) {
    if (!recording || !RecordsExist()) return false;
    FrameMask centreMissing;
    std::unique_ptr<Matrix2D> centre = MarkerTrajectory(*recording, position, true, centreMissing);
    if (!centre) {
        Warn(nullptr, "Free end at marker " + std::to_string(position) + ", which does not exist");
        return false;
    }
    if (!AddJoint(segment, segment, position - 1, name, std::move(centre), nullptr, frameType, nullptr, nullptr, 0,
                  nullptr, nullptr, 0, -1, 1, true))
        return false;
    Joints[JointCount - 1]->CentreMissing = std::move(centreMissing);
    return true;
}

std::unique_ptr<Matrix2D> TBiomecaModel::ComputeJointFrame(const TDataFile* recording, int distal, int proximal,
                                                           int frameType, FrameMask* missing) {
    if (missing) missing->clear();
    if (!KinematicsReady() || !recording || !recording->points) return nullptr;
    const int frames = recording->GetFrameCount();
    if (frameType == 2 || frameType == 3) {
        const int s = frameType == 2 ? distal : proximal;
        if (!IsSegmentInUse(s) || Kinematics->GetCols() != frames) return nullptr;
        auto table = std::make_unique<Matrix2D>(kOrientationRows, frames);
        if (!table->GetData()) return nullptr;
        SignalTable kin(*Kinematics);
        SignalTable out(*table);
        const int row = kKinematicsRows * s;
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < 4; ++c) {
                out(c, f) = kin(row + 8 + c, f);
                out(4 + c, f) = kin(row + 12 + c, f);
            }
            for (int c = 0; c < 3; ++c) out(8 + c, f) = kin(row + 3 + c, f);
        }
        // The segment's frames without an orientation are the joint's (MissingValue in both).
        if (missing && size_t(s) < Gaps.size()) *missing = Gaps[size_t(s)].orientation;
        return table;
    }
    if (frameType != 1 || !IsSegmentInUse(distal) || !IsSegmentInUse(proximal)) return nullptr;
    const bool planar = recording->GetDimension() == 2;
    const MarkerTable markers(*recording, Divide, MissingValue, planar);
    const BodySegment& ds = *Segments[distal];
    const BodySegment& ps = *Segments[proximal];
    const int a = ds.P1, b = ds.P2, c = ps.P3;
    if (!markers.Valid(a) || !markers.Valid(b) || !markers.Valid(c) || (!planar && markers.dimension() < 3))
        return nullptr;
    auto table = std::make_unique<Matrix2D>(kOrientationRows, frames);
    if (!table->GetData()) return nullptr;
    SignalTable out(*table);
    const bool direction = a == c;
    for (int f = 0; f < frames; ++f) {
        for (int r = 0; r < kOrientationRows; ++r) out(r, f) = kGap;
        if (markers.Missing(a, f) || markers.Missing(b, f) || markers.Missing(c, f)) continue;
        const Point3D pa = MarkerAt(markers, planar, a, f), pb = MarkerAt(markers, planar, b, f);
        const Point3D pc = MarkerAt(markers, planar, c, f);
        double q[4];
        if (!FrameQuaternion(pa, pb, direction ? nullptr : &pc, 2, ps.P3Axis, q)) continue;
        Quaternion quaternion;
        quaternion.Set(q);
        quaternion.ToArray(q);
        double axisAngle[4], angles[3];
        quaternion.ToAxisAngle(axisAngle);
        // The same Cardan angles as the segments' (x, y, z sequence).
        Matrix4x4 m;
        quaternion.ToMatrix(m);
        double frame[9], second[3];
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k) frame[3 * r + k] = m.m[4 * k + r];
        if (!RotationToEulerAngles(frame, 3, 0, 1, 2, angles, second)) angles[0] = angles[1] = angles[2] = 0.0;
        for (int k = 0; k < 4; ++k) {
            out(k, f) = axisAngle[k];
            out(4 + k, f) = q[k];
        }
        for (int k = 0; k < 3; ++k) out(8 + k, f) = angles[k];
    }
    const SignalFilter signal;  // gaps are NaN: a true 0.0 angle is no gap
    std::vector<double> rows(static_cast<size_t>(kOrientationRows) * static_cast<size_t>(frames));
    out.CopyBlock(0, kOrientationRows, rows.data());
    for (int r = 0; r < kOrientationRows; ++r)
        signal.FillGaps(rows.data() + size_t(r) * size_t(frames), frames, frames / 10);
    FrameMask gaps;
    SealRows(rows.data(), kOrientationRows, frames, MissingValue, gaps);
    out.StoreBlock(0, kOrientationRows, rows.data());
    if (missing) *missing = std::move(gaps);
    return table;
}

void TBiomecaModel::ComputeCIR(int distal, int proximal, const TDataFile* recording, Matrix2D& centre, bool fixed,
                               FrameMask* missing) {
    // Whatever is refused leaves every frame without a centre, never a made-up point.
    auto refuse = [&]() {
        if (!centre.GetData()) return;
        for (int f = 0; f < centre.GetCols(); ++f)
            for (int c = 0; c < centre.GetRows(); ++c) centre.SetValue(c, f, MissingValue);
        if (missing) missing->assign(static_cast<size_t>(centre.GetCols()), 1);
    };
    if (missing) missing->clear();
    if (!recording || !recording->points || !IsSegmentInUse(distal) || (proximal >= 0 && !IsSegmentInUse(proximal)))
        return refuse();
    if (proximal >= 0 && !KinematicsReady()) return refuse();
    const bool planar = recording->GetDimension() == 2;
    const MarkerTable markers(*recording, Divide, MissingValue, planar);
    const int frames = std::min(markers.frames(), centre.GetCols());
    if (centre.GetRows() != 3 || frames < 2 || (!planar && markers.dimension() < 3)) return refuse();
    const BodySegment& ds = *Segments[distal];
    const int ma = ds.P1, mb = ds.P2, mc = ds.P3;
    const bool two = mc == ma || mc == mb;
    int pa = 0, pb = 0;
    if (proximal >= 0) {
        pa = Segments[proximal]->P1;
        pb = Segments[proximal]->P2;
    }
    if (!markers.Valid(ma) || !markers.Valid(mb) || (!two && !markers.Valid(mc)) ||
        (proximal >= 0 && (!markers.Valid(pa) || !markers.Valid(pb)))) {
        Warn(nullptr,
             "Centre of rotation of segment " + std::to_string(distal + 1) + " : marker outside the recording");
        return refuse();
    }
    // The window spans two periods of the cut-off frequency.
    const double span = 2.0 * SampleRate / Coupure + 1.0;
    if (!std::isfinite(span) || span < 1.0 || span >= frames) {
        Warn(nullptr,
             "Centre of rotation of segment " + std::to_string(distal + 1) + " : no window for this cut-off and rate");
        return refuse();
    }
    const int w = int(span);

    // The distal markers, in the proximal segment's frame when there is one.
    struct Local {
        Point3D a, b, c;
        Point3D origin;
        double r[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
        bool present = true;  // the distal markers and the proximal pose
        bool pose = true;     // the proximal pose: origin and orientation
    };
    std::vector<Local> local(static_cast<size_t>(frames));
    double extent[3] = {0.0, 0.0, 0.0};
    SignalTable kin = proximal >= 0 ? SignalTable(*Kinematics) : SignalTable(centre);
    for (int f = 0; f < frames; ++f) {
        Local& l = local[size_t(f)];
        l.present = !markers.Missing(ma, f) && !markers.Missing(mb, f) && (two || !markers.Missing(mc, f));
        l.a = MarkerAt(markers, planar, ma, f);
        l.b = MarkerAt(markers, planar, mb, f);
        l.c = two ? l.a : MarkerAt(markers, planar, mc, f);
        if (proximal >= 0) {
            l.pose = !markers.Missing(pa, f) && !markers.Missing(pb, f) &&
                     !(size_t(proximal) < Gaps.size() && Masked(Gaps[size_t(proximal)].orientation, f));
            l.origin = (MarkerAt(markers, planar, pa, f) + MarkerAt(markers, planar, pb, f)) * 0.5;
            double q[4];
            double norm = 0.0;
            for (int k = 0; k < 4; ++k) {
                q[k] = kin(kKinematicsRows * proximal + 12 + k, f);
                norm += q[k] * q[k];
            }
            if (!(norm > 0.0)) l.pose = false;
            l.present = l.present && l.pose;
            if (!l.pose) continue;
            norm = std::sqrt(norm);
            for (double& v : q) v /= norm;
            QuaternionMatrix(q, l.r);
            l.a = RotateBack(l.r, l.a - l.origin);
            l.b = RotateBack(l.r, l.b - l.origin);
            l.c = RotateBack(l.r, l.c - l.origin);
        }
        if (!l.present) continue;
        for (const Point3D* p : {&l.a, &l.b, &l.c})
            for (int k = 0; k < 3; ++k) extent[k] = std::max(extent[k], std::fabs((*p)[k]));
    }

    std::vector<double> rows(static_cast<size_t>(3) * static_cast<size_t>(frames), kGap);
    auto at = [&](int c, int f) -> double& { return rows[size_t(c) * size_t(frames) + size_t(f)]; };
    Point3D sum;
    int accepted = 0;
    for (int f = 0; f + w < frames; ++f) {
        const Local& l1 = local[size_t(f)];
        const Local& l2 = local[size_t(f + w)];
        if (!l1.present || !l2.present) continue;
        const Point3D g1 = two ? (l1.a + l1.b) * 0.5 : (l1.a + l1.b + l1.c) * (1.0 / 3.0);
        const Point3D g2 = two ? (l2.a + l2.b) * 0.5 : (l2.a + l2.b + l2.c) * (1.0 / 3.0);
        double q1[4], q2[4];
        if (!FrameQuaternion(l1.a, l1.b, two ? nullptr : &l1.c, ds.P1P2Axis, ds.P3Axis, q1) ||
            !FrameQuaternion(l2.a, l2.b, two ? nullptr : &l2.c, ds.P1P2Axis, ds.P3Axis, q2))
            continue;
        // Relative turn q2 q1^-1 (from pose f to pose f + w) as axis u and angle.
        const double rw = q2[0] * q1[0] + q2[1] * q1[1] + q2[2] * q1[2] + q2[3] * q1[3];
        const Point3D v1(q1[1], q1[2], q1[3]), v2(q2[1], q2[2], q2[3]);
        const Point3D rv = v2 * q1[0] - v1 * q2[0] - Cross(v2, v1);
        const double s = rv.Length();
        const double angle = 2.0 * std::atan2(s, std::fabs(rw));
        if (!(angle > kSmallestTurn)) continue;  // pure translation or too small a turn
        const Point3D u = rv * ((rw < 0.0 ? -1.0 : 1.0) / s);
        // The points left in place by the motion form the axis; the one nearest the first pose's
        // centroid solves (D - I) y = g1 - g2 with y = x - g1 perpendicular to the axis.
        Point3D bvec = g1 - g2;
        const double along = bvec.x * u.x + bvec.y * u.y + bvec.z * u.z;
        bvec = bvec - u * along;
        const double cosA = std::cos(angle), sinA = std::sin(angle);
        const Point3D y = (bvec * (cosA - 1.0) - Cross(u, bvec) * sinA) * (1.0 / (2.0 - 2.0 * cosA));
        const Point3D x = g1 + y;
        if (std::fabs(x.x) <= 3 * extent[0] && std::fabs(x.y) <= 3 * extent[1] && std::fabs(x.z) <= 3 * extent[2]) {
            for (int c = 0; c < 3; ++c) at(c, f) = x[c];
            sum = sum + x;
            ++accepted;
        }
    }

    const bool mean = fixed && accepted > 0;
    if (mean) {
        const Point3D average = sum * (1.0 / accepted);
        for (int f = 0; f < frames; ++f)
            for (int c = 0; c < 3; ++c) at(c, f) = average[c];
    } else {
        // The last w frames have no pose w frames on, hence no estimate: they stay gaps.
        const SignalFilter signal;  // gaps are NaN: a true 0.0 coordinate is no gap
        for (int c = 0; c < 3; ++c) {
            double* row = rows.data() + size_t(c) * size_t(frames);
            signal.FillGaps(row, frames - w, (frames - w) / 20);
            LowPass(row, frames - w);
        }
    }
    if (proximal >= 0) {
        for (int f = 0; f < frames; ++f) {
            const Local& l = local[size_t(f)];
            if (IsGap(at(0, f)) || IsGap(at(1, f)) || IsGap(at(2, f))) continue;
            if (!l.pose) {  // no proximal pose to carry the centre into the laboratory
                for (int c = 0; c < 3; ++c) at(c, f) = kGap;
                continue;
            }
            const Point3D p = Rotate(l.r, Point3D(at(0, f), at(1, f), at(2, f))) + l.origin;
            for (int c = 0; c < 3; ++c) at(c, f) = p[c];
        }
    }
    FrameMask gaps;
    SealRows(rows.data(), 3, frames, MissingValue, gaps);
    // Columns of the table beyond the recording's frames have no centre either.
    const int columns = centre.GetCols();
    if (columns > frames) {
        gaps.resize(static_cast<size_t>(frames), 0);
        gaps.resize(static_cast<size_t>(columns), 1);
    }
    for (int f = 0; f < columns; ++f)
        for (int c = 0; c < 3; ++c) centre.SetValue(c, f, f < frames ? at(c, f) : MissingValue);
    if (missing) *missing = std::move(gaps);
}

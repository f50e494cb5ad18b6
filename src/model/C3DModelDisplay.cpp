// The side of the model the 3-D view sees: posing and drawing the display objects at a frame,
// centre-of-mass trajectories, selection, drag edits, auto-scaling and item queries.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

#include <GL/gl.h>
#include <wx/intl.h>

#include "model/C3DModel.h"
#include "motion/TDataFile.h"

namespace {

constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;

int StripBase(int id) { return id >= kModelItemBase ? id - kModelItemBase : id; }

// Value of a result table at (row, column); 0 outside it, as the tables answer.
double At(const Matrix2D* m, int row, int col) {
    if (!m || row < 0 || col < 0 || row >= m->GetRows() || col >= m->GetCols()) return 0.0;
    return m->GetValue(row, col);
}

}  // namespace

ModelObject* C3DModel::ItemObject(int k) {
    const int n = SegmentCount;
    if (k >= 0 && k < n) return size_t(k) < segmentObjects.size() ? segmentObjects[size_t(k)].get() : nullptr;
    if (k == n) return KinematicsDone ? &comObject : nullptr;
    const int j = k - n - 1;
    if (j >= 0 && j < JointCount && size_t(j) < jointObjects.size()) return jointObjects[size_t(j)].get();
    return nullptr;
}

void C3DModel::Draw(int frame, int mode, int activeHandle, const double reference[3], bool relative) {
    if (!Kinematics) return;
    if (SegmentCount > 0 && !segmentObjects.empty() && showSegments) {
        for (size_t i = 0; i < segmentObjects.size(); ++i) {
            UpdateSegmentObject(static_cast<int>(i), frame);
            segmentObjects[i]->Draw(mode, activeHandle, reference, relative);
        }
    }
    if (KinematicsDone) {
        UpdateSegmentObject(SegmentCount, frame);
        comObject.id = CentreOfMassItem();
        comObject.wireframe = false;
        comObject.Draw(mode, activeHandle, reference, relative);
    }
    if (JointCount > 0 && !jointObjects.empty() && showJoints) {
        for (size_t j = 0; j < jointObjects.size(); ++j) {
            UpdateJointObject(static_cast<int>(j), frame);
            jointObjects[j]->Draw(mode, activeHandle, reference, relative);
        }
    }
}

void C3DModel::UpdateSegmentObject(int index, int frame) {
    if (!Kinematics || segmentObjects.empty() || index < 0 || index > SegmentCount) return;
    if (frame < 0 || frame >= Kinematics->GetCols()) return;
    ModelObject& o = index < SegmentCount ? *segmentObjects[size_t(index)] : comObject;
    const int r = kKinematicsRows * index;
    if (r + kKinematicsRows > Kinematics->GetRows()) return;
    o.SetPosition(At(Kinematics.get(), r, frame), At(Kinematics.get(), r + 1, frame),
                  At(Kinematics.get(), r + 2, frame));
    o.SetRotation(At(Kinematics.get(), r + 11, frame) * kDegreesPerRadian, At(Kinematics.get(), r + 8, frame),
                  At(Kinematics.get(), r + 9, frame), At(Kinematics.get(), r + 10, frame));
    if (ResultantForces)
        for (int c = 0; c < 3; ++c) o.force[c] = At(ResultantForces.get(), 3 * index + c, frame);
    if (ResultantMoments)
        for (int c = 0; c < 3; ++c) o.moment[c] = At(ResultantMoments.get(), 3 * index + c, frame);
}

void C3DModel::UpdateJointObject(int j, int frame) {
    if (j < 0 || j >= JointCount || size_t(j) >= jointObjects.size() || !Joints[j]) return;
    const BodyJoint& joint = *Joints[j];
    ModelObject& o = *jointObjects[size_t(j)];
    if (joint.Centre)
        o.SetPosition(At(joint.Centre.get(), 0, frame), At(joint.Centre.get(), 1, frame),
                      At(joint.Centre.get(), 2, frame));
    if (joint.Orientation)
        o.SetRotation(At(joint.Orientation.get(), 3, frame) * kDegreesPerRadian, At(joint.Orientation.get(), 0, frame),
                      At(joint.Orientation.get(), 1, frame), At(joint.Orientation.get(), 2, frame));
    if (joint.Force)
        for (int c = 0; c < 3; ++c) o.force[c] = At(joint.Force.get(), c, frame);
    if (joint.Moment)
        for (int c = 0; c < 3; ++c) o.moment[c] = At(joint.Moment.get(), c, frame);
}

void C3DModel::DrawTrajectories(int firstFrame, int lastFrame, const double reference[3], bool relative) {
    if (SegmentCount <= 0 || segmentObjects.empty() || !Kinematics) return;
    const auto selected = [this](int index) {
        if (index == SegmentCount) return KinematicsDone && comObject.selectionOrder != 0;
        return index >= 0 && size_t(index) < segmentObjects.size() && segmentObjects[size_t(index)]->selectionOrder != 0;
    };
    for (auto it = trajectoryPaths_.begin(); it != trajectoryPaths_.end();)
        it = selected(it->first) ? std::next(it) : trajectoryPaths_.erase(it);
    for (size_t i = 0; i < segmentObjects.size(); ++i)
        if (selected(static_cast<int>(i))) DrawTrajectory(static_cast<int>(i), firstFrame, lastFrame, reference, relative);
    if (selected(SegmentCount)) DrawTrajectory(SegmentCount, firstFrame, lastFrame, reference, relative);
}

void C3DModel::DrawTrajectory(int index, int firstFrame, int lastFrame, const double reference[3], bool relative) {
    if (!Kinematics) return;
    const ModelObject& o =
        index >= 0 && index < SegmentCount && size_t(index) < segmentObjects.size() ? *segmentObjects[size_t(index)]
                                                                                     : comObject;
    glColor3fv(o.colour);
    // Built once per item, frame range and computation; only the thinning follows the view.
    uint64_t missingBits = 0;
    std::memcpy(&missingBits, &MissingValue, std::min(sizeof missingBits, sizeof MissingValue));
    const GLThinnedPath::Key key = {static_cast<uint64_t>(static_cast<uint32_t>(index)),
                                    static_cast<uint64_t>(static_cast<uint32_t>(firstFrame)) << 32 |
                                        static_cast<uint32_t>(lastFrame),
                                    KinematicsRevision,
                                    reinterpret_cast<uintptr_t>(Kinematics->GetData()),
                                    static_cast<uint64_t>(static_cast<uint32_t>(Kinematics->GetRows())) << 32 |
                                        static_cast<uint32_t>(Kinematics->GetCols()),
                                    missingBits};
    GLThinnedPath& path = trajectoryPaths_[index];
    if (!path.Holds(key)) {
        path.Begin(key);
        if (lastFrame > std::max(firstFrame, 0))
            path.Reserve(static_cast<size_t>(int64_t(lastFrame) - std::max(firstFrame, 0)));
        const bool inTable = index >= 0 && index < Kinematics->GetRows() / kKinematicsRows;
        for (int f = std::max(firstFrame, 0); f < lastFrame; ++f) {
            double p[3] = {MissingValue, MissingValue, MissingValue};
            if (inTable && f < Kinematics->GetCols())
                for (int c = 0; c < 3; ++c) p[c] = Kinematics->GetValue(kKinematicsRows * index + c, f);
            if (p[0] != MissingValue || p[1] != MissingValue || p[2] != MissingValue) {
                path.Add(p[0], p[1], p[2]);
            } else {
                path.Gap();
            }
        }
    }
    glPushMatrix();
    if (reference && relative) glTranslated(-reference[0], -reference[1], -reference[2]);
    path.Draw();
    glPopMatrix();
}

void C3DModel::OffsetSelectedObjects(double dx, double dy, int mode) {
    if (SegmentCount <= 0) return;
    if (mode >= 0 && mode <= 2 && Divide != 0.0) {
        dx /= Divide;
        dy /= Divide;
    }
    for (auto& o : segmentObjects) {
        if (!o->drag) continue;
        o->Offset(dx, dy, mode);
        o->Rebuild();
    }
}

void C3DModel::AutoScaleObjects(bool on, TDataFile* recording) {
    autoScale = on;
    if (!on || !recording || segmentObjects.empty()) return;
    const Matrix2D* points = recording->points;
    const int d = recording->GetDimension();
    if (!points || !points->GetData() || d < 3 || Divide == 0.0) return;
    const int markers = points->GetRows() / d;
    const int frames = points->GetCols();
    for (size_t i = 0; i < segmentObjects.size(); ++i) {
        const BodySegment* s = Segments[i].get();
        if (!s) continue;
        int p1 = s->P1;
        int p2 = s->P2;
        if (IsLabel) {
            p1 = recording->FindPointLabel(s->Name1) + 1;
            p2 = recording->FindPointLabel(s->Name2) + 1;
        }
        if (p1 == p2 || p1 < 1 || p2 < 1 || p1 > markers || p2 > markers) continue;
        for (int f = 0; f < frames; ++f) {
            double a[3], b[3];
            bool absent = false;
            for (int c = 0; c < 3; ++c) {
                a[c] = points->GetValue(d * (p1 - 1) + c, f);
                b[c] = points->GetValue(d * (p2 - 1) + c, f);
                absent = absent || a[c] == 0.0 || b[c] == 0.0;
            }
            if (absent) continue;
            const double length = std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                                            (a[2] - b[2]) * (a[2] - b[2])) /
                                  Divide;
            if (length > 1e-6) {
                segmentObjects[i]->sizeZ = float(length);
                segmentObjects[i]->Rebuild();
                break;
            }
        }
    }
}

void C3DModel::SetWireframe(bool wireframe) {
    for (auto& o : segmentObjects) {
        o->wireframe = wireframe;
        o->Rebuild();
    }
}

void C3DModel::SelectItem(int id, int order, bool drag) {
    const int k = StripBase(id);
    if (k == SegmentCount && KinematicsDone) {
        comObject.selectionOrder = order;
        return;
    }
    if (k == SegmentCount) return;
    ModelObject* o = ItemObject(k);
    if (!o) return;
    o->drag = drag;
    o->selectionOrder = order;
}

void C3DModel::ClearSelection() {
    for (auto& o : segmentObjects) {
        o->selectionOrder = 0;
        o->drag = false;
    }
    comObject.selectionOrder = 0;
    comObject.drag = false;
    for (auto& o : jointObjects) {
        o->selectionOrder = 0;
        o->drag = false;
    }
}

int C3DModel::CountSelectedSegments() {
    int count = 0;
    for (auto& o : segmentObjects)
        if (o->selectionOrder != 0) ++count;
    if (KinematicsDone && comObject.selectionOrder != 0) ++count;
    return count;
}

int C3DModel::CountSelectedJoints() {
    int count = 0;
    for (auto& o : jointObjects)
        if (o->selectionOrder != 0) ++count;
    return count;
}

int C3DModel::CountSelected() { return CountSelectedSegments() + CountSelectedJoints(); }

void C3DModel::GetSelection(wxArrayInt& list) {
    list.Empty();
    const int count = CountSelected();
    if (count == 0) return;
    list.Add(-1, static_cast<size_t>(count));
    // Orders are shared with the markers: an item whose order lies past the list is left out.
    auto place = [&](const ModelObject& o, int item) {
        const int slot = o.selectionOrder - 1;
        if (o.selectionOrder != 0 && slot >= 0 && slot < count) list[size_t(slot)] = item;
    };
    for (size_t i = 0; i < segmentObjects.size(); ++i) place(*segmentObjects[i], static_cast<int>(i));
    if (KinematicsDone) place(comObject, CentreOfMassItem());
    for (size_t j = 0; j < jointObjects.size(); ++j) place(*jointObjects[j], JointItem(static_cast<int>(j)));
}

bool C3DModel::GetSelectionCentroid(float out[3]) {
    out[0] = out[1] = out[2] = 0.0f;
    int count = 0;
    auto add = [&](const ModelObject& o) {
        if (o.selectionOrder == 0) return;
        for (int c = 0; c < 3; ++c) out[c] += float(o.position[c]);
        ++count;
    };
    for (auto& o : segmentObjects) add(*o);
    if (KinematicsDone) add(comObject);
    for (auto& o : jointObjects) add(*o);
    if (count == 0) return false;
    for (int c = 0; c < 3; ++c) out[c] /= float(count);
    return true;
}

int C3DModel::MapItemIndex(int id) {
    const int k = StripBase(id);
    if (k < 0) return -1;
    if (k <= SegmentCount) return k + 1;
    const int j = k - SegmentCount - 1;
    return j < JointCount ? j + 1 : -1;
}

bool C3DModel::GetItemPosition(int id, float out[3]) {
    out[0] = out[1] = out[2] = 0.0f;
    const int k = StripBase(id);
    const ModelObject* o = nullptr;
    if (k == SegmentCount)
        o = &comObject;
    else
        o = ItemObject(k);
    if (!o) return false;
    for (int c = 0; c < 3; ++c) out[c] = float(o->position[c]);
    return true;
}

wxString C3DModel::GetItemName(int index) {
    const int n = SegmentCount;
    if (index == n && KinematicsDone) return _("CoM");
    if (index >= 0 && index < n) {
        if (size_t(index) < segmentObjects.size()) return segmentObjects[size_t(index)]->name;
        return Segments[index] ? wxString::FromUTF8(Segments[index]->Name) : wxString();
    }
    const int j = index - n - 1;
    return j >= 0 ? GetJointName(j) : wxString();
}

wxString C3DModel::GetItemNameById(int id) { return GetItemName(StripBase(id)); }

wxString C3DModel::GetJointName(int j) {
    if (j < 0 || j >= JointCount || j >= kBodyJointSlots) return wxString();
    if (size_t(j) < jointObjects.size()) return jointObjects[size_t(j)]->name;
    return Joints[j] ? wxString::FromUTF8(Joints[j]->Name) : wxString();
}

ModelObject* C3DModel::GetSegmentObject(int index) {
    if (index < 0 || segmentObjects.empty()) return nullptr;
    if (index < SegmentCount) return size_t(index) < segmentObjects.size() ? segmentObjects[size_t(index)].get() : nullptr;
    if (index == SegmentCount && KinematicsDone) return &comObject;
    return nullptr;
}

ModelObject* C3DModel::GetJointObject(int j) {
    if (j < 0 || j >= JointCount || size_t(j) >= jointObjects.size()) return nullptr;
    return jointObjects[size_t(j)].get();
}

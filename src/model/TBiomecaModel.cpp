#include "model/TBiomecaModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "motion/LabelledItem.h"

namespace {

void CopyName(char* field, size_t size, const char* text) {
    if (!text) text = "";
    std::snprintf(field, size, "%s", text);
}

}  // namespace

TBiomecaModel::TBiomecaModel() { SetDefaults(); }

TBiomecaModel::~TBiomecaModel() { TBiomecaModel::FreeData(); }

void TBiomecaModel::SetDefaults() {
    // Records that exist are set back in place: every build resets the model, so allocating the
    // 512 records anew each time would cost more than the rest of a small build.
    for (int i = 0; i < kBodySegmentSlots; ++i) {
        if (Segments[i])
            *Segments[i] = BodySegment();
        else
            Segments[i] = std::make_unique<BodySegment>();
        std::snprintf(Segments[i]->Name, sizeof Segments[i]->Name, "Body #%d", i);
    }
    for (int i = 0; i < kBodyJointSlots; ++i) {
        if (Joints[i])
            *Joints[i] = BodyJoint();
        else
            Joints[i] = std::make_unique<BodyJoint>();
        Joints[i]->Index = i;
    }
    AngleType = 0;
    TotalMass = 70.0;
    SegmentMassSum = 70.0;
    Divide = 1000.0;
    IsRadius = false;
    KinematicsDone = false;
    SegmentCount = 0;
    JointCount = 0;
    checkmarker = true;
    checkcom = true;
}

void TBiomecaModel::Reset(bool defaults) {
    ClearExternalForces();
    ClearJoints();
    if (!defaults) return;
    SetDefaults();
    Warnings.clear();  // a new model starts without the old one's refusals
}

void TBiomecaModel::FreeData() {
    HanavanData.clear();
    HanavanSize = 0;
    ContactPoints.reset();
    ContactForces.reset();
    Kinematics.reset();
    ++KinematicsRevision;
    ResultantForces.reset();
    ResultantMoments.reset();
    Gaps.clear();
    for (auto& segment : Segments) segment.reset();
    for (auto& joint : Joints) joint.reset();
}

void TBiomecaModel::ClearExternalForces() {
    for (auto& segment : Segments) {
        if (!segment) continue;
        segment->ExtForce.reset();
        segment->ExtMoment.reset();
    }
}

void TBiomecaModel::ClearJoints() {
    for (auto& joint : Joints) {
        if (!joint) continue;
        joint->Force.reset();
        joint->Moment.reset();
        joint->Centre.reset();
        joint->Orientation.reset();
        joint->CentreMissing.clear();
        joint->OrientationMissing.clear();
        joint->LoadMissing.clear();
        joint->Name[0] = '\0';
    }
    // The contact tables belong to the ground contacts: a rebuild starts them afresh.
    ContactPoints.reset();
    ContactForces.reset();
    JointCount = 0;
}

void TBiomecaModel::Warn(LabelledItemList* list, const std::string& text) {
    Warnings.push_back(text);
    if (list) list->Add(LabelledItem(list->count - runWarningBase_, text.c_str(), nullptr, -1));
}

int TBiomecaModel::SegmentsInUse(LabelledItemList* warnings) {
    if (SegmentCount < 0 || SegmentCount > kBodySegmentSlots) {
        Warn(warnings, "Segment count " + std::to_string(SegmentCount) + " outside 0-256: no segment used");
        return 0;
    }
    return SegmentCount;
}

bool TBiomecaModel::RecordsExist() const { return Segments[0] && Joints[0]; }

bool TBiomecaModel::IsSegmentInUse(int i) const {
    return i >= 0 && i < SegmentCount && i < kBodySegmentSlots && Segments[i];
}

bool TBiomecaModel::TestJoint(int distal, int proximal) const {
    if (!RecordsExist()) return false;
    const int count = std::min(std::max(JointCount, 0), kBodyJointSlots);
    for (int j = 0; j < count; ++j)
        if (Joints[j]->Distal == distal && Joints[j]->Proximal == proximal) return false;
    if (count == 0) return true;
    if (distal != -1) {
        for (int j = 0; j < count; ++j)
            if (Joints[j]->Distal == -1 && Joints[j]->NodeCount > 0 && Joints[j]->Proximal == distal) return true;
    }
    return Joints[count - 1]->Proximal == distal;
}

bool TBiomecaModel::AddJoint(int distal, int proximal, int position, const char* name, std::unique_ptr<Matrix2D> centre,
                             std::unique_ptr<Matrix2D> orientation, int frameType, std::unique_ptr<Matrix2D> force,
                             std::unique_ptr<Matrix2D> moment, int pf, const int* channels, const double* deltas,
                             int local, int contactRow, int normal, bool cop) {
    if (!RecordsExist()) return false;
    if (JointCount < 0 || JointCount >= kBodyJointSlots) {
        Warn(nullptr, "Joint table full: joint not added");
        return false;
    }
    if ((distal != -1 && !IsSegmentInUse(distal)) || (proximal != -1 && !IsSegmentInUse(proximal))) {
        Warn(nullptr, "Joint " + std::to_string(JointCount + 1) + " names segment " + std::to_string(distal) + "-" +
                          std::to_string(proximal) + " outside the model: joint not added");
        return false;
    }
    if (distal != -1 && !TestJoint(distal, proximal)) return false;

    BodyJoint& joint = *Joints[JointCount];
    joint.Distal = distal;
    joint.Proximal = proximal;
    joint.Position = position;
    CopyName(joint.Name, sizeof joint.Name, name);
    joint.Force = std::move(force);
    joint.Moment = std::move(moment);
    joint.Centre = std::move(centre);
    joint.FrameType = orientation ? frameType : 0;
    joint.Orientation = std::move(orientation);
    // Tables given here have no missing frames; the builders that know of some set the masks.
    joint.CentreMissing.clear();
    joint.OrientationMissing.clear();
    joint.LoadMissing.clear();
    joint.NodeCount = 0;
    joint.PF = pf;
    joint.Local = local;
    joint.ContactRow = contactRow;
    joint.Normal = normal;
    joint.CoP = cop;
    if (channels) std::memcpy(joint.Channels, channels, sizeof joint.Channels);
    if (deltas) std::memcpy(joint.Deltas, deltas, sizeof joint.Deltas);
    joint.Index = JointCount;
    ++JointCount;
    return true;
}

bool TBiomecaModel::AddNode(int proximal, const int* joints, int count) {
    if (!RecordsExist()) return false;
    if (JointCount < 0 || JointCount >= kBodyJointSlots) {
        Warn(nullptr, "Joint table full: node not added");
        return false;
    }
    if (!joints || count < 1 || count > kBodyNodeSlots) {
        Warn(nullptr, "Node of " + std::to_string(count) + " joints refused (1 to 32)");
        return false;
    }
    if (proximal != -1 && !IsSegmentInUse(proximal)) {
        Warn(nullptr, "Node on segment " + std::to_string(proximal) + " outside the model refused");
        return false;
    }
    for (int k = 0; k < count; ++k) {
        if (joints[k] < 0 || joints[k] >= JointCount) {
            Warn(nullptr, "Node names joint " + std::to_string(joints[k]) + ", which does not exist");
            return false;
        }
    }
    if (proximal != -1) {
        for (int j = 0; j < JointCount; ++j) {
            BodyJoint& node = *Joints[j];
            if (node.Distal != -1 || node.NodeCount <= 0 || node.Proximal != proximal) continue;
            if (node.NodeCount + count > kBodyNodeSlots) {
                Warn(nullptr, "Node on segment " + std::to_string(proximal) + " would exceed 32 joints: refused");
                return false;
            }
            std::memcpy(node.Nodes + node.NodeCount, joints, sizeof(int) * count);
            node.NodeCount += count;
            return true;
        }
    }
    BodyJoint& node = *Joints[JointCount];
    node.Distal = -1;
    node.Proximal = proximal;
    node.Position = -1;
    node.Force.reset();
    node.Moment.reset();
    node.Centre.reset();
    node.Orientation.reset();
    node.FrameType = 0;
    node.NodeCount = count;
    std::memcpy(node.Nodes, joints, sizeof(int) * count);
    node.Index = JointCount;
    ++JointCount;
    return true;
}

bool TBiomecaModel::GetSegmentInertia(int i, double* mass, double* i1, double* i2, double* i3, int f) const {
    if (!Kinematics || !KinematicsDone || SegmentCount < 0 || SegmentCount > kBodySegmentSlots ||
        Kinematics->GetRows() != kKinematicsRows * (SegmentCount + 1) || i < 0 || i >= SegmentCount || !Segments[i])
        return false;
    const BodySegment& s = *Segments[i];
    double m = s.Mass * TotalMass;
    double j1 = 0.0;
    double j2 = 0.0;
    double j3 = 0.0;
    if (!IsRadius) {
        j1 = std::fabs(s.Ixx);
        j2 = std::fabs(s.Iyy);
        j3 = std::fabs(s.Izz);
    } else {
        if (f < 0) f = FirstFrame + 1;
        const double length = Kinematics->GetValue(kKinematicsRows * i + 6, f);
        const double radius = Kinematics->GetValue(kKinematicsRows * i + 7, f);
        j1 = m * (s.Ixx * length) * (s.Ixx * length);
        j2 = m * (s.Iyy * length) * (s.Iyy * length);
        j3 = m * (s.Izz * radius) * (s.Izz * radius);
    }
    if (s.AddMass > 0.0) {
        // Parallel axes: about each axis, the offset perpendicular to it.
        const double dx = s.AddOffsetX;
        const double dy = s.AddOffsetY;
        const double dz = s.AddOffsetZ;
        m += s.AddMass;
        j1 += std::fabs(s.AddIxx) + s.AddMass * (dy * dy + dz * dz);
        j2 += std::fabs(s.AddIyy) + s.AddMass * (dx * dx + dz * dz);
        j3 += std::fabs(s.AddIzz) + s.AddMass * (dx * dx + dy * dy);
    }
    if (mass) *mass = m;
    if (i1) *i1 = j1;
    if (i2) *i2 = j2;
    if (i3) *i3 = j3;
    return true;
}

// Inverse dynamics of TBiomecaModel: the force and moment at every joint, frame by frame, by the
// recursive Newton-Euler method from the ground contacts up the joint table.
#include <vector>

#include "model/ModelTables.h"
#include "model/TBiomecaModel.h"
#include "motion/TDataFile.h"
#include "motion/geometry.h"

namespace {

// A 3-row table of at least `frames` columns, or null.
const Matrix2D* Rows3(const std::unique_ptr<Matrix2D>& table, int frames) {
    return table && table->GetData() && table->GetRows() >= 3 && table->GetCols() >= frames ? table.get() : nullptr;
}

Point3D Column(const Matrix2D* table, int row, int f) {
    const double* v = table->GetData() + size_t(f) * size_t(table->GetRows()) + size_t(row);
    return Point3D(v[0], v[1], v[2]);
}

}  // namespace

bool TBiomecaModel::InverseDynamics(const TDataFile* recording) {
    if (!recording || JointCount <= 0 || !Kinematics || !RecordsExist()) return false;
    if (!KinematicsReady()) return false;
    const int frames = Kinematics->GetCols();
    const bool planar = recording->GetDimension() == 2;
    const Matrix2D* resultantForces =
        ResultantForces && ResultantForces->GetRows() == 3 * (SegmentCount + 1) && ResultantForces->GetCols() == frames
            ? ResultantForces.get()
            : nullptr;
    const Matrix2D* resultantMoments = ResultantMoments && ResultantMoments->GetRows() == 3 * (SegmentCount + 1) &&
                                               ResultantMoments->GetCols() == frames
                                           ? ResultantMoments.get()
                                           : nullptr;
    const int count = std::min(JointCount, kBodyJointSlots);
    for (int j = 0; j < count; ++j) {
        BodyJoint& joint = *Joints[j];
        // A ground contact keeps the point its loads were measured about; a node transmits
        // nothing by itself.
        if (joint.Distal == -1) continue;
        const int d = joint.Distal;
        if (!IsSegmentInUse(d)) continue;
        if (!joint.Centre && joint.Position >= 0)
            joint.Centre = MarkerTrajectory(*recording, joint.Position + 1, false, joint.CentreMissing);
        const Matrix2D* centre = Rows3(joint.Centre, frames);
        if (!resultantForces || !resultantMoments) continue;

        const BodySegment& s = *Segments[d];
        double weight = TotalMass * s.Mass * Gravity;
        if (s.AddMass > 0.0) weight += Gravity * s.AddMass;
        const Matrix2D* extForce = Rows3(s.ExtForce, frames);
        const Matrix2D* extMoment = Rows3(s.ExtMoment, frames);

        // The loads segment d receives at its distal side: the members of its node, or the joint
        // before this one in the chain.
        std::vector<const BodyJoint*> distalLoads;
        const BodyJoint* node = nullptr;
        for (int k = 0; k < count && !node; ++k)
            if (Joints[k]->Distal == -1 && Joints[k]->NodeCount > 0 && Joints[k]->Proximal == d) node = Joints[k].get();
        if (node) {
            const int members = std::min(node->NodeCount, kBodyNodeSlots);
            for (int m = 0; m < members; ++m) {
                const int k = node->Nodes[m];
                if (k >= 0 && k < count) distalLoads.push_back(Joints[k].get());
            }
        } else {
            const BodyJoint* previous = j > 0 ? Joints[j - 1].get() : nullptr;
            if (!previous || previous->Proximal != d || !Rows3(previous->Force, frames) ||
                !Rows3(previous->Moment, frames) || !Rows3(previous->Centre, frames) || !centre)
                continue;  // the joint keeps the loads it has
            distalLoads.push_back(previous);
        }
        if (!centre) continue;

        auto force = UnfilledTable(3, frames);
        auto moment = UnfilledTable(3, frames);
        if (!force->GetData() || !moment->GetData()) continue;
        // The tables of the distal loads, checked once.
        struct Load {
            const Matrix2D* force;
            const Matrix2D* moment;  // null unless the moment and the centre are both there
            const Matrix2D* centre;
            const BodyJoint* joint;
        };
        std::vector<Load> loads;
        for (const BodyJoint* k : distalLoads) {
            const Matrix2D* fk = Rows3(k->Force, frames);
            if (!fk) continue;
            const Matrix2D* mk = Rows3(k->Moment, frames);
            const Matrix2D* ck = Rows3(k->Centre, frames);
            loads.push_back(Load{fk, mk && ck ? mk : nullptr, ck, k});
        }
        // The segment's centre of mass and resultants as contiguous rows: read in place, each
        // frame of these tall tables would be a cache miss.
        const size_t n = static_cast<size_t>(frames);
        double* rows = Scratch(9 * n);
        SignalTable(*Kinematics).CopyBlock(kKinematicsRows * d, 3, rows);
        SignalTable(*ResultantForces).CopyBlock(3 * d, 3, rows + 3 * n);
        SignalTable(*ResultantMoments).CopyBlock(3 * d, 3, rows + 6 * n);
        auto row = [&](int k, int f) {
            return Point3D(rows[k * 3 * n + size_t(f)], rows[(k * 3 + 1) * n + size_t(f)],
                           rows[(k * 3 + 2) * n + size_t(f)]);
        };
        // A frame where any input is missing has no load: the segment's centre of mass or
        // resultants, this joint's centre, or a load (or its point of application) below.
        const BlockGaps none;
        const BlockGaps& gaps = size_t(d) < Gaps.size() ? Gaps[size_t(d)] : none;
        FrameMask loadMissing;
        auto gone = [&](int f) {
            if (Masked(gaps.centre, f) || Masked(gaps.force, f) || Masked(gaps.moment, f) ||
                Masked(joint.CentreMissing, f))
                return true;
            for (const Load& k : loads)
                if (Masked(k.joint->LoadMissing, f) || (k.moment && Masked(k.joint->CentreMissing, f))) return true;
            return false;
        };
        for (int f = 0; f < frames; ++f) {
            if (gone(f)) {
                if (loadMissing.empty()) loadMissing.assign(n, 0);
                loadMissing[size_t(f)] = 1;
                double* fo = force->GetData() + 3 * size_t(f);
                double* mo = moment->GetData() + 3 * size_t(f);
                for (int c = 0; c < 3; ++c) fo[c] = mo[c] = MissingValue;
                continue;
            }
            const Point3D g = row(0, f);
            const Point3D cj = Column(centre, 0, f);
            Point3D fr = row(1, f);
            Point3D sum;
            for (const Load& k : loads) {
                const Point3D load = Column(k.force, 0, f);
                fr = fr - load;
                if (k.moment) sum = sum + Column(k.moment, 0, f) + (Column(k.centre, 0, f) - g).CrossProduct(load);
            }
            fr.z -= weight;
            if (extForce) {
                const Point3D e = Column(extForce, 0, f);
                for (int c = 0; c < 3; ++c)
                    if (e[c] != 0.0) fr[c] -= e[c];
            }
            sum = sum + (cj - g).CrossProduct(fr);
            if (extMoment) sum = sum + Column(extMoment, 0, f);
            Point3D m = (row(2, f) - sum) * -1.0;
            if (planar && !node) m.Set(0.0, m.y, 0.0);
            double* fo = force->GetData() + 3 * size_t(f);
            double* mo = moment->GetData() + 3 * size_t(f);
            for (int c = 0; c < 3; ++c) {
                fo[c] = -fr[c];
                mo[c] = m[c];
            }
        }
        joint.Force = std::move(force);
        joint.Moment = std::move(moment);
        joint.LoadMissing = std::move(loadMissing);
    }
    return true;
}

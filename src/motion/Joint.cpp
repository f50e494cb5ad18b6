#include "motion/Joint.h"

#include <locale>
#include <ostream>
#include <sstream>

#include "motion/RecordedMotion.h"
#include "motion/SkeletonMath.h"

Joint::Joint(std::string name, const Point3D& offset, const Quaternion& restRotation, int translationalIndex,
             int rotationalIndex, double scale)
    : scale_(scale),
      name_(std::move(name)),
      offset_(offset),
      restRotation_(restRotation),
      translationalIndex_(translationalIndex),
      rotationalIndex_(rotationalIndex) {}

double Joint::ScaleFromSettings(double scale, bool inchUnit) {
    // 2.53, not 2.54: stored settings and the scenes users tuned with them rely on it.
    return inchUnit ? scale / 2.53 : scale;
}

void Joint::AddChild(std::unique_ptr<Joint> child) {
    child->parent_ = this;
    children_.push_back(std::move(child));
}

void Joint::UpdatePose(const Motion& motion, double t, const Point3D& parentPosition,
                       const Quaternion& parentRotation) {
    Pose(motion, motion.NormalisedTime(t), parentPosition, parentRotation);
}

void Joint::Pose(const Motion& motion, double x, const Point3D& parentPosition, const Quaternion& parentRotation) {
    const Point3D local = translationalIndex_ < 0 ? offset_ : motion.EvalTranslation(translationalIndex_, x);
    position_ = parentPosition + RotateByQuaternion(local, parentRotation);
    const Quaternion rotation = rotationalIndex_ < 0 ? restRotation_ : motion.EvalRotation(rotationalIndex_, x);
    const Quaternion world = QuaternionProduct(parentRotation, rotation);
    for (auto& child : children_) child->Pose(motion, x, position_, world);
}

void Joint::ExportPovRay(std::ostream& target) const {
    if (parent_ && PointsDiffer(position_, parent_->position_)) {
        // Scene files take "." whatever locale the caller's stream carries.
        std::ostringstream out;
        out.imbue(std::locale::classic());
        const Point3D& p = parent_->position_;
        const Point3D& q = position_;
        out << "cylinder { <" << p.x << ", " << p.y << ", " << p.z << ">, <" << q.x << ", " << q.y << ", " << q.z
            << ">, th, 1 }" << std::endl;
        if (!children_.empty())
            out << "sphere { <" << q.x << ", " << q.y << ", " << q.z << ">, th, jnt }" << std::endl;
        target << out.str() << std::flush;
    }
    for (const auto& child : children_) child->ExportPovRay(target);
}

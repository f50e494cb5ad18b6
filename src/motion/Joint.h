#pragma once
// One joint of a BVH skeleton and, through its children, the whole tree below it. A pose update
// walks the tree from the root and leaves every joint's world position (file units) in it.
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "motion/geometry.h"

class Motion;

class Joint {
public:
    // scale: file units per drawing unit (see ScaleFromSettings). An index of -1 means the joint
    // has no channel group of that kind: the offset or the rest rotation applies instead.
    Joint(std::string name, const Point3D& offset, const Quaternion& restRotation, int translationalIndex,
          int rotationalIndex, double scale = 1.0);
    Joint(const Joint&) = delete;
    Joint& operator=(const Joint&) = delete;

    // The drawing scale of the BVH settings: the scale, divided by 2.53 for files in inches.
    static double ScaleFromSettings(double scale, bool inchUnit);

    // Takes ownership and becomes the child's parent.
    void AddChild(std::unique_ptr<Joint> child);
    // Poses this joint and its subtree at time t (seconds) below a parent at world position
    // parentPosition turned by parentRotation; callers start at the root with the origin and the
    // identity. A position channel replaces the offset.
    void UpdatePose(const Motion& motion, double t, const Point3D& parentPosition,
                    const Quaternion& parentRotation);
    // One "cylinder" line per bone and a "sphere" line per inner joint, of the pose last computed.
    void ExportPovRay(std::ostream& out) const;

    const std::string& GetName() const { return name_; }
    const Joint* GetParent() const { return parent_; }
    int GetChildCount() const { return static_cast<int>(children_.size()); }
    const Joint* GetChild(int i) const { return children_[i].get(); }
    const Point3D& GetPosition() const { return position_; }
    const Point3D& GetOffset() const { return offset_; }
    int GetTranslationalIndex() const { return translationalIndex_; }
    int GetRotationalIndex() const { return rotationalIndex_; }
    double GetScale() const { return scale_; }
    double GetBoneRadius() const { return 0.5 / scale_; }
    double GetJointRadius() const { return 1.0 / scale_; }

private:
    void Pose(const Motion& motion, double x, const Point3D& parentPosition, const Quaternion& parentRotation);

    double scale_;
    std::string name_;
    Joint* parent_ = nullptr;
    std::vector<std::unique_ptr<Joint>> children_;
    Point3D position_;
    Point3D offset_;
    Quaternion restRotation_;
    int translationalIndex_;
    int rotationalIndex_;
};

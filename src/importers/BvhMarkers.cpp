// BVH animations read as markers: every joint becomes a point following its world position, the
// joint tree the stick figure, every joint rotation a point of three angles in degrees. BVH is
// Y-up and the point table Z-up: a triple (a, b, c) is stored as (a, -c, b).
#include "motion/TDataFile.h"

#include <cmath>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "motion/BvhParser.h"
#include "motion/Joint.h"
#include "motion/RecordedMotion.h"
#include "motion/SkeletonMath.h"

namespace {

constexpr double kDegreesPerRadian = 180 / 3.141592653589793;
// 1 GB of point table.
constexpr double kMaxTableCells = 134217728.0;

// Joints depth-first (a joint, then each child's subtree in order) with their parents' indices.
void CollectJoints(const Joint* joint, int parent, std::vector<const Joint*>& joints, std::vector<int>& parents) {
    const int self = static_cast<int>(joints.size());
    joints.push_back(joint);
    parents.push_back(parent);
    for (int i = 0; i < joint->GetChildCount(); ++i) CollectJoints(joint->GetChild(i), self, joints, parents);
}

void StoreTriple(Matrix2D& table, int point, int frame, double a, double b, double c) {
    table.SetValue(3 * point, frame, a);
    table.SetValue(3 * point + 1, frame, -c);
    table.SetValue(3 * point + 2, frame, b);
}

// Appends "a-b," (1-based point numbers of joint and child) for each child of joint k, then the
// same below each child in order. Links go by index, so joints sharing a name cannot cross-link.
// Once a link no longer fits the stick-figure text, the text ends after the last whole one.
void AppendJointLinks(int k, const std::vector<std::vector<int>>& children, std::string& out, bool& full) {
    for (int c : children[k]) {
        const std::string item = std::to_string(k + 1) + "-" + std::to_string(c + 1) + ",";
        if (out.size() + item.size() > static_cast<std::size_t>(kStickTextSize - 1)) {
            full = true;
            return;
        }
        out += item;
    }
    for (int c : children[k]) {
        AppendJointLinks(c, children, out, full);
        if (full) return;
    }
}

}  // namespace

bool TDataFile::ReadBVH(const char* filePath) {
    if (!filePath) return false;
    const double s = bvhScale;
    try {
        BvhParser parser(filePath);
        std::unique_ptr<Joint> root;
        std::unique_ptr<RecordedMotion> motion;
        if (!parser.Load(root, motion)) return false;
        const int32_t n = parser.GetFrameCount();
        const double dt = parser.GetFrameTime();
        std::vector<const Joint*> joints;
        std::vector<int> parents;
        CollectJoints(root.get(), -1, joints, parents);
        const int32_t jointCount = static_cast<int32_t>(joints.size());
        // A frame time of 0 would make an infinite rate.
        if (n <= 0 || jointCount <= 0 || !(dt > 0) || !(1.0 / dt > 0) || !std::isfinite(1.0 / dt)) return false;

        std::vector<const RotationalTriDOF*> rotations;
        std::vector<std::string> rotationLabels;
        for (int g = 0; g < motion->GetTriDOFCount(); ++g) {
            const auto* group = dynamic_cast<const RotationalTriDOF*>(motion->GetTriDOF(g));
            const std::size_t at = group ? group->GetName().find(".rotation") : std::string::npos;
            if (at == std::string::npos) continue;
            rotations.push_back(group);
            rotationLabels.push_back("rot_" + group->GetName().substr(0, at));
        }
        const int32_t pointCount = jointCount + static_cast<int32_t>(rotations.size());

        // End sites carry no channels, so a small file can still ask for a huge table: thousands
        // of joints times a frame per few bytes.
        if (3.0 * pointCount * n > kMaxTableCells) {
            SetErrorText(("BVH file too large to read as markers: " + std::to_string(pointCount) + " points of " +
                          std::to_string(n) + " frames")
                             .c_str());
            return false;
        }
        // Everything is computed before the data object is touched: a failure leaves it as it was.
        auto table = std::make_unique<Matrix2D>(3 * pointCount, n);
        if (table->GetRows() != 3 * pointCount || table->GetCols() != n) return false;
        const Point3D origin;
        const Quaternion identity;
        for (int32_t i = 0; i < n; ++i) {
            root->UpdatePose(*motion, i * dt, origin, identity);
            for (int32_t k = 0; k < jointCount; ++k) {
                const Point3D& p = joints[k]->GetPosition();
                StoreTriple(*table, k, i, s * p.x, s * p.y, s * p.z);
            }
        }
        for (std::size_t r = 0; r < rotations.size(); ++r) {
            const int32_t h = jointCount + static_cast<int32_t>(r);
            for (int32_t j = 0; j < n; ++j) {
                double a[3];
                QuaternionToEuler(rotations[r]->GetSample(j), a);
                StoreTriple(*table, h, j, a[0] * kDegreesPerRadian, a[1] * kDegreesPerRadian,
                            a[2] * kDegreesPerRadian);
            }
        }
        std::vector<std::vector<int>> children(jointCount);
        for (int32_t k = 1; k < jointCount; ++k) children[parents[k]].push_back(k);
        std::string links;
        bool full = false;
        AppendJointLinks(0, children, links, full);

        ClearForLoad(false);
        dimension = 3;
        missingValue = 0.0f;
        pointRate = static_cast<float>(1.0 / dt);
        points = table.release();
        pointLabels = MakeLabelList(pointCount, "Joint_");
        for (int32_t k = 0; k < jointCount; ++k) SetListItem(joints[k]->GetName().c_str(), k, pointLabels);
        for (std::size_t r = 0; r < rotations.size(); ++r) {
            SetListItem(rotationLabels[r].c_str(), jointCount + static_cast<int32_t>(r), pointLabels);
            AddAngle(rotationLabels[r].c_str(), "deg", nullptr);
        }
        stickText[0] = '\0';
        if (links.size() > 1) {
            links.back() = ' ';
            std::strncpy(stickText, links.c_str(), kStickTextSize - 1);
            stickText[kStickTextSize - 1] = '\0';
        }
        firstFrame = 0;
        lastFrame = n - 1;
        modified = false;
        return true;
    } catch (const std::exception&) {
        // Out of memory, or a motion that does not fit its skeleton (the reader never makes one).
        return false;
    }
}

#include "shapes/Shot.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include "gl/GLQuadric.h"
#include "motion/Joint.h"
#include "motion/RecordedMotion.h"
#include "motion/SkeletonMath.h"

namespace {

constexpr double kDegreesPerRadian = 180 / 3.14159265358979323846;

// A cylinder of the bone radius from `from` to `to` (file units, drawn divided by the scale).
void DrawBone(GLUquadric* quadric, const Joint& joint, const Point3D& from, const Point3D& to) {
    const double scale = joint.GetScale();
    const Point3D a = from * (1 / scale);
    const Point3D d = to * (1 / scale) - a;
    double length = 0, pitch = 0, yaw = 0;
    DirectionAngles(d, &length, &pitch, &yaw);
    glPushMatrix();
    glTranslated(a.x, a.y, a.z);
    glRotated(yaw * kDegreesPerRadian, 0, 1, 0);
    glRotated(pitch * kDegreesPerRadian, 1, 0, 0);
    gluCylinder(quadric, joint.GetBoneRadius(), joint.GetBoneRadius(), length, 10, 1);
    glPopMatrix();
}

void DrawJointSphere(GLUquadric* quadric, const Joint& joint) {
    const Point3D p = joint.GetPosition() * (1 / joint.GetScale());
    glPushMatrix();
    glTranslated(p.x, p.y, p.z);
    gluSphere(quadric, joint.GetJointRadius(), 10, 10);
    glPopMatrix();
}

// A bone to the parent unless the joint sits on it, the joint's sphere, then the children.
void DrawJointTree(GLUquadric* quadric, const Joint& joint) {
    const Joint* parent = joint.GetParent();
    if (parent && PointsDiffer(joint.GetPosition(), parent->GetPosition()))
        DrawBone(quadric, joint, parent->GetPosition(), joint.GetPosition());
    DrawJointSphere(quadric, joint);
    for (int i = 0; i < joint.GetChildCount(); ++i) DrawJointTree(quadric, *joint.GetChild(i));
}

}  // namespace

Shot::Shot(std::string name, Joint* root, const RecordedMotion* motion, unsigned char red, unsigned char green,
           unsigned char blue)
    : name_(std::move(name)), root_(root), motion_(motion), colour_{red, green, blue} {}

void Shot::SetColour(unsigned char red, unsigned char green, unsigned char blue) {
    colour_[0] = red;
    colour_[1] = green;
    colour_[2] = blue;
}

void Shot::Pose(double t) {
    if (root_ && motion_) root_->UpdatePose(*motion_, t, Point3D(), Quaternion());
}

void Shot::Draw(double t) {
    glColor3ub(colour_[0], colour_[1], colour_[2]);
    Pose(t);
    if (!root_) return;
    // One quadric for the whole skeleton rather than one per bone and joint.
    QuadricHandle quadric;
    if (quadric) DrawJointTree(quadric.get(), *root_);
}

void Shot::ExportPovRay(std::ostream& out, double t) {
    Pose(t);
    if (root_) root_->ExportPovRay(out);
}

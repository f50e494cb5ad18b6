#pragma once
// A BVH skeleton with its motion and a colour: poses the skeleton for a time and draws it (a
// cylinder per bone, a sphere per joint) or writes the pose as POV-Ray scene text. It owns
// neither the skeleton nor the motion.
#include <iosfwd>
#include <string>

class Joint;
class RecordedMotion;

class Shot {
public:
    Shot(std::string name, Joint* root, const RecordedMotion* motion, unsigned char red, unsigned char green,
         unsigned char blue);
    Shot(const Shot&) = delete;
    Shot& operator=(const Shot&) = delete;

    // Needs a current GL context; sets the GL colour to the shot's.
    void Draw(double t);
    void ExportPovRay(std::ostream& out, double t);
    void SetColour(unsigned char red, unsigned char green, unsigned char blue);
    const std::string& GetName() const { return name_; }
    const unsigned char* GetColour() const { return colour_; }

private:
    void Pose(double t);

    std::string name_;
    Joint* root_;
    const RecordedMotion* motion_;
    unsigned char colour_[3];
};

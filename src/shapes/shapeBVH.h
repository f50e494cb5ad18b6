#pragma once
// A BVH skeleton animation as a scene object: the file's skeleton posed at the current time,
// with the file's frames as its time line. The skeleton stands where its own root coordinates
// put it (Y-up: the view turns it upright).
#include <memory>

#include <wx/string.h>

#include "motion/geometry.h"
#include "objects/shape3D.h"

class BvhParser;
class Joint;
class RecordedMotion;
class Shot;

class shapeBVH : public shape3D {
public:
    shapeBVH();
    ~shapeBVH() override;

    void DrawBoundingBox(bool dashed) override;
    void DrawManipulator(int mode, int activeHandle) override;
    wxString GetTypeName() override;
    // The centre of the pose drawn last (drawing units).
    Point3D* GetWorldPosition() override;
    // Only the orientation: the object's position and offset do not move the skeleton.
    void UpdateTransform() override;
    double GetFramePeriod() override;
    bool SetTime(double& t) override;
    // The frame nearest the current time.
    int GetCurrentFrame() override;
    void Draw() override;
    // Every pose of the motion (the joints' spheres included), frame by frame.
    bool GetDrawnBounds(Point3D& low, Point3D& high) override;
    void Clear() override;
    // Reads the skeleton with the BVH settings' scale; the reader prints why a file fails.
    bool Load(const wxString& path) override;

    // File units per drawing unit of the loaded skeleton (1 before a load).
    double GetScale() const { return m_scale; }
    const Joint* GetRoot() const { return m_root.get(); }
    const RecordedMotion* GetMotion() const { return m_motion.get(); }
    // Colour bytes of the drawing: 256 x the colour, rounded, at most 255.
    static unsigned char ColourByte(float c);

private:
    void UpdateBoundingBox();

    double m_scale = 1.0;
    std::unique_ptr<BvhParser> m_reader;
    std::unique_ptr<Joint> m_root;
    std::unique_ptr<RecordedMotion> m_motion;
    std::unique_ptr<Shot> m_shot;
    Point3D m_boxMax;
    Point3D m_boxMin;
    Point3D m_centre;
};

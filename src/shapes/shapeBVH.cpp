#include "shapes/shapeBVH.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>

#include <wx/filename.h>
#include <wx/intl.h>

#include <GL/gl.h>

#include "gl/AppSettings.h"
#include "motion/BvhParser.h"
#include "motion/Joint.h"
#include "motion/RecordedMotion.h"
#include "motion/SkeletonMath.h"
#include "platform/Paths.h"
#include "shapes/Shot.h"

namespace {

// Raises the maximum and lowers the minimum, per axis, to take p in.
void Extend(const Point3D& p, Point3D& hi, Point3D& lo) {
    for (int i = 0; i < 3; ++i) {
        hi[i] = std::max(hi[i], p[i]);
        lo[i] = std::min(lo[i], p[i]);
    }
}

void ExtendByTree(const Joint& joint, Point3D& hi, Point3D& lo) {
    const Joint* parent = joint.GetParent();
    if (parent && PointsDiffer(parent->GetPosition(), joint.GetPosition())) Extend(parent->GetPosition(), hi, lo);
    Extend(joint.GetPosition(), hi, lo);
    for (int i = 0; i < joint.GetChildCount(); ++i) ExtendByTree(*joint.GetChild(i), hi, lo);
}

}  // namespace

shapeBVH::shapeBVH() {
    m_normaliseOnLoad = false;
    m_currentTime = 0;
    m_useColour = true;
}

shapeBVH::~shapeBVH() { shapeBVH::Clear(); }

void shapeBVH::DrawBoundingBox(bool dashed) {
    glPushMatrix();
    glTranslated(m_centre.x, m_centre.y, m_centre.z);
    object3D::DrawBoundingBox(dashed);
    glPopMatrix();
}

void shapeBVH::DrawManipulator(int mode, int activeHandle) {
    glPushMatrix();
    glTranslated(m_centre.x, m_centre.y, m_centre.z);
    object3D::DrawManipulator(mode, activeHandle);
    glPopMatrix();
}

wxString shapeBVH::GetTypeName() { return "bvh"; }

Point3D* shapeBVH::GetWorldPosition() { return &m_centre; }

void shapeBVH::UpdateTransform() { ComputeTransform(); }

double shapeBVH::GetFramePeriod() {
    if (m_reader) return m_reader->GetFrameTime();
    if (m_duration != 0 && m_frameCount != 0) return m_duration / m_frameCount;
    return 0;
}

bool shapeBVH::SetTime(double& t) {
    object3D::SetTime(t);
    GetCurrentFrame();
    return true;
}

int shapeBVH::GetCurrentFrame() {
    const double p = GetFramePeriod();
    double frame = p != 0 ? std::floor(m_currentTime / p + 0.5) : 0;
    if (!std::isfinite(frame)) frame = 0;
    frame = std::clamp(frame, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max()));
    m_currentFrame = static_cast<int>(frame);
    return m_currentFrame;
}

unsigned char shapeBVH::ColourByte(float c) {
    // 256, not 255, as the colour always scaled; a full 1.0 saturates instead of wrapping to 0.
    const float v = std::floor(256.0f * c + 0.5f);
    if (!(v > 0)) return 0;
    return v >= 255 ? 255 : static_cast<unsigned char>(v);
}

void shapeBVH::Draw() {
    if (!m_shot) return;
    if (m_useColour) glColor4fv(m_colour);
    m_shot->SetColour(ColourByte(m_colour[0]), ColourByte(m_colour[1]), ColourByte(m_colour[2]));
    m_shot->Draw(m_currentTime);
    UpdateBoundingBox();
}

void shapeBVH::UpdateBoundingBox() {
    if (!m_root) return;
    m_boxMax = m_boxMin = m_root->GetPosition();
    ExtendByTree(*m_root, m_boxMax, m_boxMin);
    const double scale = m_root->GetScale();
    for (int i = 0; i < 3; ++i) {
        m_size[i] = static_cast<float>((m_boxMax[i] - m_boxMin[i]) / scale);
        m_centre[i] = (m_boxMax[i] + m_boxMin[i]) / 2 / scale;
    }
}

void shapeBVH::Clear() {
    object3D::Clear();
    m_primitiveType = 10;
    // The shot refers to the skeleton and the motion: it goes first.
    m_reader.reset();
    m_shot.reset();
    m_motion.reset();
    m_root.reset();
    m_name.clear();
    m_fileName.clear();
    m_currentTime = 0;
}

bool shapeBVH::Load(const wxString& path) {
    shapeBVH::Clear();
    m_loaded = false;
    m_loadError.clear();
    const std::string file = dez::AbsolutePath(path.utf8_string());
    {
        // Absolute first: a path relative to the old working directory would not open in the new.
        dez::ScopedWorkingDirectory folder(dez::FolderOf(file));
        const double scale = Joint::ScaleFromSettings(bvh_scale, bvh_inch_unit);
        m_scale = std::isfinite(scale) && scale > 0 ? scale : 1.0;
        m_reader = std::make_unique<BvhParser>(file, m_scale);
        try {
            m_loaded = m_reader->Load(m_root, m_motion);
        } catch (const std::exception&) {
            m_loaded = false;  // out of memory
            m_loadError = "not enough memory";
        }
    }
    if (!m_loaded) {
        if (m_loadError.empty()) m_loadError = wxString::FromUTF8(m_reader->GetError().c_str());
        shapeBVH::Clear();
        return false;
    }
    const float colour[4] = {0.95f, 0.95f, 0.1f, 1.0f};
    SetColour(colour);
    m_shot = std::make_unique<Shot>(m_motion->GetName(), m_root.get(), m_motion.get(), 128, 128, 128);
    m_duration = m_motion->GetDuration();
    m_frameCount = m_reader->GetFrameCount();
    m_framePeriod = m_reader->GetFrameTime();
    m_frameRate = 1.0 / m_framePeriod;
    m_name = wxFileName(path).GetName();
    m_fileName = path;
    m_info = wxString::Format(_("Segments : %d - Frames : %d - duration :%.3f (s)"), m_motion->GetTriDOFCount(),
                              m_frameCount, m_duration);
    SetFirstFrame(0);
    SetLastFrame(m_frameCount - 1);
    return true;
}

bool shapeBVH::GetDrawnBounds(Point3D& low, Point3D& high) {
    if (!m_root || !m_motion || m_frameCount <= 0) return false;
    // Every frame of an ordinary file; a long one is sampled at a few thousand frames.
    constexpr int kMostPoses = 4000;
    const int step = std::max(1, m_frameCount / kMostPoses);
    const double period = GetFramePeriod();
    Point3D hi, lo;
    bool any = false;
    for (int frame = 0; frame < m_frameCount; frame += step) {
        m_root->UpdatePose(*m_motion, frame * period, Point3D(), Quaternion());
        Point3D poseHigh = m_root->GetPosition(), poseLow = poseHigh;
        ExtendByTree(*m_root, poseHigh, poseLow);
        if (!any) {
            hi = poseHigh;
            lo = poseLow;
            any = true;
        }
        Extend(poseHigh, hi, lo);
        Extend(poseLow, hi, lo);
    }
    // Back to the pose of the current time, which the box of the drawn pose follows.
    m_root->UpdatePose(*m_motion, m_currentTime, Point3D(), Quaternion());
    const double scale = m_root->GetScale();
    const double radius = m_root->GetJointRadius();
    for (int a = 0; a < 3; ++a) {
        low[a] = lo[a] / scale - radius;
        high[a] = hi[a] / scale + radius;
        if (!std::isfinite(low[a]) || !std::isfinite(high[a])) return false;
    }
    return true;
}

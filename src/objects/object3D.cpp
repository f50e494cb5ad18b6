#include "objects/object3D.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <wx/intl.h>
#include <wx/log.h>

#include <GL/gl.h>

#include "gl/GLBitmapFont.h"
#include "objects/FileNameText.h"
#include "gl/GLGlyphs.h"
#include "gl/GLPrimitives.h"
#include "platform/Paths.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

std::string Utf8(const wxString& s) { return FileNameBytes(s); }

// Deletes a state file; a failure is logged in the toolkit's usual words.
void RemoveStateFile(const wxString& path) {
    if (!dez::RemoveFile(Utf8(path)))
        wxLogError(_("File '%s' couldn't be removed"), path);
}

}  // namespace

object3D::object3D() { object3D::Clear(); }

object3D::~object3D() = default;  // the records go, their files stay (see ClearUndo)

void object3D::Reset() {
    m_position.SetZero();
    m_freeRotation.SetIdentity();
    const float grey[4] = {0.7f, 0.7f, 0.7f, 1.0f};
    std::copy(grey, grey + 4, m_colour);
    std::fill(m_size, m_size + 3, 1.0f);
    m_showLabel = false;
    UpdateTransform();
}

wxString object3D::GetName(int) { return m_name; }

void object3D::SetName(const wxString& name) { m_name = name; }

int object3D::GetId() { return m_id; }

void object3D::SetId(int id) { m_id = id; }

void object3D::Render(int mode, int activeHandle) {
    const GLuint pickName = static_cast<GLuint>(m_id + 1);
    // Replaces the name the canvas pushed, even for an invisible object.
    if (mode == GL_SELECT) glLoadName(pickName);
    if (!m_visible) return;
    if (mode == GL_SELECT) glPushName(pickName);
    UpdateTransform();
    double ax = 0, ay = 0, az = 0, angle = 0;
    m_worldOrientation.GetAxisAngle(&ax, &ay, &az, &angle);
    glPushMatrix();
    glTranslated(m_worldPosition.x, m_worldPosition.y, m_worldPosition.z);
    // The label sits at the box corner, before the rotation.
    if (m_showLabel && mode == GL_RENDER)
        DrawLabel(m_size[0] * 0.5, m_size[1] * 0.5, m_size[2] * 0.5);
    // The identity comes with a zero axis, which needs no turn.
    if (angle != 0 && (ax != 0 || ay != 0 || az != 0)) glRotated(angle * 180 / kPi, ax, ay, az);
    glPushMatrix();
    if (m_selected) DrawManipulator(mode, activeHandle);
    if (mode == GL_RENDER) {
        if (m_highlighted)
            DrawBoundingBox(true);
        else if (m_selected)
            DrawBoundingBox(false);
    }
    Draw();
    glPopMatrix();
    glPopMatrix();
    if (mode == GL_SELECT) glPopName();
}

void object3D::DrawBoundingBox(bool dashed) {
    const double f = m_highlighted ? 1.05 : 1.0;
    glColor3fv(m_colour);
    if (dashed) {
        glPushAttrib(GL_LINE_BIT);
        glEnable(GL_LINE_STIPPLE);
        glLineStipple(1, 0x0C0F);
    }
    DrawWireBox(f * m_size[0], f * m_size[1], f * m_size[2]);
    if (dashed) glPopAttrib();
}

void object3D::DrawManipulator(int mode, int activeHandle) {
    const float length = std::max({m_size[0], m_size[1], m_size[2]});
    DrawManipulatorGizmo(length, mode, activeHandle, m_rotationRingsAllowed && m_manipulatorActive,
                         m_manipulatorActive);
}

wxString object3D::GetTypeName() { return "3DObject"; }

Quaternion* object3D::GetWorldOrientation() {
    UpdateTransform();
    return &m_worldOrientation;
}

Point3D* object3D::GetWorldPosition() {
    UpdateTransform();
    return &m_worldPosition;
}

void object3D::Rotate(int axis, double angle) {
    m_freeRotation.Rotate(axis, angle);
    UpdateTransform();
}

void object3D::Translate(double dx, double dy, double dz) {
    m_position = m_position + Point3D(dx, dy, dz);
    UpdateTransform();
}

void object3D::SetOffset(double x, double y, double z) {
    m_offset.Set(x, y, z);
    UpdateTransform();
}

void object3D::SetOrientationAngles(double a, double b, double c) {
    m_orientation.SetRotation(a, b, c);
    UpdateTransform();
}

Matrix4x4* object3D::GetOrientationMatrix() { return &m_orientation; }

void object3D::UpdateTransform() {
    m_worldPosition = m_position + m_offset;
    ComputeTransform();
}

int object3D::GetFrameCount() { return m_frameCount; }

double object3D::GetDuration() { return m_duration; }

double object3D::GetFramePeriod() { return m_framePeriod; }

bool object3D::AlwaysFalse() { return false; }

double object3D::GetFrameRate() { return m_frameRate; }

bool object3D::SetTime(double& t) {
    // Past either end the playback loops round.
    if (!std::isfinite(t)) t = m_startTime;
    if (t > m_endTime) t = m_startTime;
    if (m_startTime > t) t = m_endTime;
    double frame = std::floor(m_frameRate * t + 0.5);
    if (!std::isfinite(frame)) frame = 0;
    frame = std::clamp(frame, double(std::numeric_limits<int>::min()),
                       double(std::numeric_limits<int>::max()));
    m_currentFrame = static_cast<int>(frame);
    t = m_currentFrame * m_framePeriod;
    m_currentTime = t;
    return true;
}

double object3D::SetFirstFrame(int n) {
    m_firstFrame = n;
    m_startTime = n * m_framePeriod;
    return m_startTime;
}

double object3D::SetLastFrame(int n) {
    m_lastFrame = n;
    m_endTime = n * m_framePeriod;
    return m_endTime;
}

int object3D::GetFirstFrame() { return m_firstFrame; }

int object3D::GetLastFrame() { return m_lastFrame; }

int object3D::GetCurrentFrame() { return m_currentFrame; }

int object3D::GetSelectionOrder(int) { return m_selected; }

int object3D::IsHighlighted(int) { return m_highlighted; }

void object3D::Select(int order, int, bool manipulate) {
    m_selected = static_cast<unsigned char>(order);
    m_manipulatorActive = manipulate;
}

void object3D::SetHighlighted(bool value, int) { m_highlighted = value ? 1 : 0; }

int object3D::CountSelected() { return m_selected; }

void object3D::GetSelection(wxArrayInt& out) { out.Empty(); }

int object3D::GetMaxSelectionOrder() { return 0; }

void object3D::Draw() {
    if (m_primitiveType == 0) return;
    const bool textured = m_texture != 0 && !m_wireframe;
    const bool transparent = m_colour[3] < 1 && !m_wireframe;
    // The enables, blend function, depth mask and cull face go back to what the caller had; the
    // colour and the bound texture stay, as after any drawing.
    if (textured || transparent)
        glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_POLYGON_BIT);
    if (textured) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, m_texture);
    }
    glColor4fv(m_colour);
    if (transparent) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        glCullFace(GL_BACK);
        glEnable(GL_CULL_FACE);
    }
    const float sx = m_size[0], sy = m_size[1], sz = m_size[2];
    const bool wire = m_wireframe;
    switch (m_primitiveType) {
    case 1:
        if (textured) DrawTexturedCube(sx, 1.0f);
        else if (wire) DrawWireCube(sx);
        else DrawSolidCube(sx);
        break;
    case 2:
        if (textured) DrawTexturedBox(sx, sy, sz, 1.0f);
        else if (wire) DrawWireBox(sx, sy, sz);
        else DrawSolidBox(sx, sy, sz);
        break;
    case 3:
        if (textured) DrawTexturedSphere(sx, 10, 15);
        else if (wire) DrawWireSphere(sx, 10, 15);
        else DrawSolidSphere(sx, 10, 15);
        break;
    case 4:
        if (textured) DrawTexturedCylinder(sx, sy, sz, 10, 15, false);
        else if (wire) DrawWireCylinder(sx, sy, sz, 10, 15, false);
        else DrawSolidCylinder(sx, sy, sz, 10, 15, false);
        break;
    case 5:
        if (textured) DrawTexturedCone(sx, sy);
        else if (wire) DrawWireCone(sx, sy);
        else DrawSolidCone(sx, sy);
        break;
    case 6:
        if (textured) DrawTexturedEllipsoid(sx, sy, sz, 10, 15);
        else if (wire) DrawWireEllipsoid(sx, sy, sz, 10, 15);
        else DrawSolidEllipsoid(sx, sy, sz, 10, 15);
        break;
    case 7:
        if (textured) DrawTexturedTorus(sx, sy);
        else if (wire) DrawWireTorus(sx, sy);
        else DrawSolidTorus(sx, sy);
        break;
    case 8:
        if (textured) DrawTexturedPyramid(sx, sy);
        else if (wire) DrawWirePyramid(sx, sy);
        else DrawSolidPyramid(sx, sy);
        break;
    case 9:
        // No textured teapot: the solid one is drawn with the texture bound.
        if (wire) DrawWireTeapot(sx);
        else DrawSolidTeapot(sx);
        break;
    default:
        break;
    }
    if (textured || transparent) glPopAttrib();
}

bool object3D::IsVisible() { return m_visible; }

void object3D::SetVisible(bool visible) { m_visible = visible; }

bool object3D::IsModified() { return m_modified; }

void object3D::SetModified(bool modified) { m_modified = modified; }

int object3D::GetElementNumber(int id) { return id; }

void object3D::Normalise() {}

void object3D::SetColour(const float rgba[4]) {
    if (rgba) std::copy(rgba, rgba + 4, m_colour);
}

float* object3D::GetColour() { return m_colour; }

bool object3D::GetUseColour() { return m_useColour; }

void object3D::SetUseColour(bool useColour) { m_useColour = useColour; }

bool object3D::IsWireframe() { return m_wireframe; }

void object3D::SetWireframe(bool wireframe) { m_wireframe = wireframe; }

bool object3D::IsManipulatorActive() { return m_manipulatorActive; }

void object3D::SetManipulatorActive(bool active) { m_manipulatorActive = active; }

void object3D::MoveSelection(double, double, int) {}

void object3D::NoOperation() {}

bool object3D::LoadState(const wxString&) { return false; }

bool object3D::SaveState(const wxString&) { return false; }

bool object3D::PushUndo(const wxString& description) {
    // Created exclusively with an unpredictable name, so no other process can slip in a file.
    const std::string path = dez::MakeTempFile("", "mi");
    if (path.empty()) return false;
    const wxString file = wxString::FromUTF8(path);
    if (!SaveState(file)) {
        // No record will name it: remove it now rather than leave it in the temp folder.
        RemoveStateFile(file);
        return false;
    }
    m_undo.Add(UndoRecord(file, description, m_firstFrame, m_lastFrame, m_currentFrame));
    return true;
}

bool object3D::Undo() {
    if (m_undo.IsEmpty()) return false;
    const std::size_t newest = m_undo.GetCount() - 1;
    const UndoRecord record = m_undo[newest];
    bool restored = false;
    if (dez::FileExists(Utf8(record.file))) {
        if (LoadState(record.file)) {
            m_firstFrame = record.firstFrame;
            m_lastFrame = record.lastFrame;
            m_currentFrame = record.currentFrame;
            restored = true;
        }
        RemoveStateFile(record.file);
    }
    m_undo.RemoveAt(newest);
    return restored;
}

int object3D::GetUndoCount() { return static_cast<int>(m_undo.GetCount()); }

void object3D::ClearUndo() {
    for (std::size_t i = 0; i < m_undo.GetCount(); ++i) {
        if (dez::FileExists(Utf8(m_undo[i].file))) RemoveStateFile(m_undo[i].file);
    }
    m_undo.Clear();
}

wxString object3D::GetUndoDescription() {
    return m_undo.IsEmpty() ? wxString() : m_undo.Last().description;
}

void object3D::Clear() {
    m_manipulatorActive = false;
    m_rotationRingsAllowed = true;
    m_freeRotation.SetIdentity();
    m_orientation.SetIdentity();
    m_position.SetZero();
    m_offset.SetZero();
    const float grey[4] = {0.7f, 0.7f, 0.7f, 1.0f};
    std::copy(grey, grey + 4, m_colour);
    m_id = 0;
    std::fill(m_size, m_size + 3, 1.0f);
    m_showLabel = false;
    m_texture = 0;
    m_primitiveType = 0;
    m_name.clear();
    m_selected = 0;
    m_highlighted = 0;
    m_currentTime = 0;
    m_currentFrame = 0;
    m_firstFrame = 0;
    m_lastFrame = 0;
    m_duration = 0;
    m_framePeriod = 0;
    m_startTime = 0;
    m_endTime = 0;
    m_frameCount = 0;
    m_frameRate = 1.0;
    m_visible = true;
}

void object3D::ComputeTransform() {
    // The orientation applies first, the free rotation second.
    const Matrix4x4 m = m_orientation * m_freeRotation;
    m_worldOrientation.FromMatrix(m);
}

void object3D::DrawLabel(double x, double y, double z) {
    if (label_font == nullptr || m_name.empty()) return;
    glPushMatrix();
    glColor3fv(m_colour);
    glRasterPos3d(x, y, z);
    PrintGLBitmapFont(label_font, 1, "%s", m_name.utf8_str().data());
    glPopMatrix();
}

void object3D::EnableLighting(bool on) {
    if (on) {
        glEnable(GL_LIGHT0);
        glEnable(GL_LIGHT1);
        glEnable(GL_LIGHTING);
    } else {
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
        glDisable(GL_LIGHT1);
    }
}

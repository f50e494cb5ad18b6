// shapeC3D: marker positions of the current frame and the drawing of a motion scene (markers,
// names, links, trajectories, force platforms, force vectors and histories).
#include "scene/shapeC3D.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>

#include <GL/gl.h>

#include "gl/AppSettings.h"
#include "model/C3DModel.h"
#include "gl/GLBitmapFont.h"
#include "gl/GLGlyphs.h"
#include "gl/GLPrimitives.h"
#include "motion/TDataFile.h"
#include "scene/wxStructure.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The trajectories of the selected markers are drawn over the whole play range; nothing turns
// this off.
constexpr bool draw_selected_trajectories = true;

// Restores the GL attribute groups it saved, on every path out of a drawing routine.
class AttribGuard {
public:
    explicit AttribGuard(GLbitfield mask) { glPushAttrib(mask); }
    ~AttribGuard() { glPopAttrib(); }
    AttribGuard(const AttribGuard&) = delete;
    AttribGuard& operator=(const AttribGuard&) = delete;
};

class MatrixGuard {
public:
    MatrixGuard() { glPushMatrix(); }
    ~MatrixGuard() { glPopMatrix(); }
    MatrixGuard(const MatrixGuard&) = delete;
    MatrixGuard& operator=(const MatrixGuard&) = delete;
};

// glRotated of a rotation given as a quaternion.
void RotateBy(const Quaternion& q) {
    double ax = 0, ay = 0, az = 0, angle = 0;
    q.GetAxisAngle(&ax, &ay, &az, &angle);
    if (angle != 0 && (ax != 0 || ay != 0 || az != 0)) glRotated(angle * 180 / kPi, ax, ay, az);
}

}  // namespace

// ---- positions of the current frame ----

bool shapeC3D::StoredPosition(int i, int f, double out[3]) const {
    if (!m_data || !m_data->points || i < 0) return false;
    const Matrix2D* table = m_data->points;
    if (f < 0 || f >= table->GetCols()) return false;
    const int dim = m_data->GetDimension();
    const double* column = table->GetData() + static_cast<size_t>(f) * table->GetRows();
    if (dim >= 3) {
        const int64_t row = int64_t(i) * dim;
        if (row + 2 >= table->GetRows()) return false;
        out[0] = column[row];
        out[1] = column[row + 1];
        out[2] = column[row + 2];
    } else {
        // Two-dimensional recordings lie in the x-z plane.
        const int64_t row = int64_t(i) * 2;
        if (row + 1 >= table->GetRows()) return false;
        out[0] = column[row];
        out[1] = 0.0;
        out[2] = column[row + 1];
    }
    const double missing = m_missingValue;
    return !(out[0] == missing && out[1] == missing && out[2] == missing);
}

bool shapeC3D::ScenePosition(int i, int f, double out[3]) const {
    if (!StoredPosition(i, f, out)) return false;
    for (int k = 0; k < 3; ++k) out[k] /= m_divisor;
    return true;
}

void shapeC3D::UpdateTransform() {
    ComputeTransform();
    if (!m_data || !m_data->points) return;
    bool referenceValid = false;
    if (m_referenceMarker >= 0 && m_referenceMarker < m_markerCount) {
        double p[3];
        if (ScenePosition(m_referenceMarker, m_currentFrame, p))
            std::copy(p, p + 3, m_referencePosition);
        referenceValid = true;
    } else if (m_referenceMarker >= kModelItemBase && m_model) {
        float p[3] = {0, 0, 0};
        m_model->GetItemPosition(m_referenceMarker, p);
        for (int k = 0; k < 3; ++k) m_referencePosition[k] = p[k];
        referenceValid = true;
    } else {
        std::fill(m_referencePosition, m_referencePosition + 3, 0.0);
    }
    const bool relative = m_relative && referenceValid;
    const size_t n = m_markers.size();
    if (m_links) m_linkPositions.resize(3 * n);
    for (size_t i = 0; i < n; ++i) {
        double p[3];
        MarkerDisplay& m = m_markers[i];
        if (ScenePosition(static_cast<int>(i), m_currentFrame, p)) {
            if (relative)
                for (int k = 0; k < 3; ++k) p[k] -= m_referencePosition[k];
        } else {
            // A missing sample keeps the missing value itself, which the links recognise.
            p[0] = p[1] = p[2] = m_missingValue;
        }
        std::copy(p, p + 3, m.position);
        if (m_links)
            for (int k = 0; k < 3; ++k) m_linkPositions[3 * i + k] = static_cast<float>(p[k]);
    }
    if (m_links) m_links->SetPositions(m_linkPositions.data(), static_cast<int32_t>(n));
}

// ---- the whole object ----

void shapeC3D::Render(int mode, int activeHandle) {
    if (!m_data || !m_visible) return;
    UpdateTransform();
    // Everything of the recording is drawn in the object's frame, so a recording whose screen
    // axes are not +Z up shows its trajectories and plates under the same turn as its markers.
    MatrixGuard frame;
    RotateBy(m_worldOrientation);
    if (m_model)
        m_model->Draw(m_currentFrame, mode, activeHandle, m_referencePosition,
                      m_relative && m_referenceMarker >= 0);
    DrawMarkers(mode, activeHandle);
    if (mode != GL_RENDER) return;
    DrawTrajectories();
    if (draw_selected_trajectories) DrawSelectedTrajectories();
    if (m_data->GetPlateCount() > 0) DrawPlates(GL_RENDER);
}

bool shapeC3D::IsMarkerDisplayed(int index) {
    if (index < 0 || index >= m_markerCount || index >= static_cast<int>(m_markers.size()))
        return false;
    const size_t i = static_cast<size_t>(index);
    if (m_isModelOutput.size() != m_markers.size()) UpdateMarkerFlags();
    if (m_isModelOutput[i] || !m_markers[i].visible) return false;
    if (m_links) return m_inLink[i] ? m_showLinkedMarkers != 0 : m_showUnlinkedMarkers != 0;
    return m_showUnlinkedMarkers != 0;
}

// ---- markers ----

void shapeC3D::DrawMarkers(int mode, int activeHandle) {
    const int count = std::min<int>(m_data ? m_data->GetNumberOfPoints() : 0,
                                    static_cast<int>(m_markers.size()));
    m_extentReset = 1;
    if (m_inLink.size() != m_markers.size()) UpdateMarkerFlags();
    GLint renderMode = GL_RENDER;
    glGetIntegerv(GL_RENDER_MODE, &renderMode);
    m_sphere.SetRenderMode(renderMode);
    {
        // Spheres are the unit sphere scaled: their normals need normalising for the lighting.
        AttribGuard enables(GL_ENABLE_BIT);
        glEnable(GL_NORMALIZE);
        for (int i = 0; i < count; ++i) {
            if (IsMarkerDisplayed(i))
                DrawMarker(i, mode, m_inLink[static_cast<size_t>(i)] != 0, activeHandle);
        }
        if (m_links) {
            m_links->SetShowMarkers(m_showLinkedMarkers != 0);
            m_links->SetShowLinks(m_showLinks != 0);
            m_links->SetRenderMode(mode);
            m_links->SetSphere(&m_sphere);
            m_links->DrawAll();
        }
    }
    m_drawnCentre.Set((m_drawnExtent[3] + m_drawnExtent[0]) / 2,
                      (m_drawnExtent[4] + m_drawnExtent[1]) / 2,
                      (m_drawnExtent[5] + m_drawnExtent[2]) / 2);
}

void shapeC3D::DrawMarker(int index, int mode, bool inLink, int activeHandle) {
    if (index < 0) {
        if (mode == GL_RENDER) {
            glColor3f(0, 0, 0);
            DrawSolidSphere(0.01f, 10, 15);
        }
        return;
    }
    if (index >= static_cast<int>(m_markers.size())) return;
    double p[3];
    if (!ScenePosition(index, m_currentFrame, p)) return;
    if (m_extentReset) {
        for (int k = 0; k < 3; ++k) m_drawnExtent[k] = m_drawnExtent[k + 3] = p[k];
        m_extentReset = 0;
    } else {
        for (int k = 0; k < 3; ++k) {
            m_drawnExtent[k] = std::max(m_drawnExtent[k], p[k]);
            m_drawnExtent[k + 3] = std::min(m_drawnExtent[k + 3], p[k]);
        }
    }
    if (m_relative && m_referenceMarker >= 0)
        for (int k = 0; k < 3; ++k) p[k] -= m_referencePosition[k];
    const GLuint name = static_cast<GLuint>(m_id + index + 1);
    if (mode == GL_SELECT) {
        glLoadName(name);
        glPushName(name);
    }
    MarkerDisplay& m = m_markers[static_cast<size_t>(index)];
    float r = std::fabs(m.radius);
    if (r < 1e-6f || r > 100.0f) r = 0.05f;
    if (mode == GL_RENDER) glColor3f(m.red, m.green, m.blue);
    float s = std::fabs(m.zoom * r);
    if (s > 0.1f || s < 1e-5f) s = 0.01f;
    m_size[0] = m_size[1] = m_size[2] = s;
    {
        MatrixGuard at;
        glTranslated(p[0], p[1], p[2]);
        const double label = s / 2;
        if ((m.showName || m.highlighted) && mode == GL_RENDER)
            DrawMarkerName(label, label, label, index, m.showNumber != 0);
        else if (m.showNumber && mode == GL_RENDER)
            DrawMarkerNumber(label, label, label, index);
        const bool selected = m.selectionOrder != 0;
        const float factor = (mode == GL_RENDER && selected) ? 1.5f : 1.0f;
        // Links draw the spheres of their markers; in GL_SELECT every marker is drawn here so
        // that each one is picked under its own name.
        if (mode == GL_SELECT || !inLink) m_sphere.Draw(factor * r);
        if (selected) {
            m_rotationRingsAllowed = false;
            m_manipulatorActive = m.moveFlag && selected_trajectory_enabled;
            DrawManipulator(mode, activeHandle);
        }
        if (mode == GL_RENDER) {
            // The box follows the marker's own highlight.
            const unsigned char objectHighlight = m_highlighted;
            m_highlighted = m.highlighted;
            if (m.highlighted)
                DrawBoundingBox(false);
            else if (selected)
                DrawBoundingBox(true);
            m_highlighted = objectHighlight;
        }
    }
    if (mode == GL_SELECT) glPopName();
}

void shapeC3D::DrawMarkerName(double x, double y, double z, int index, bool withNumber) {
    if (!label_font) return;
    std::string text;
    if (index >= 0 && index < static_cast<int>(m_markers.size())) {
        text = m_markers[static_cast<size_t>(index)].name;
        if (withNumber) text += " [" + std::to_string(index + 1) + "]";
    } else {
        text = m_name.utf8_string();
    }
    MatrixGuard at;
    glRasterPos3d(x, y, z);
    // Names come from files: printed as text, never as a format.
    PrintGLBitmapFont(label_font, 1, "%s", text.c_str());
}

void shapeC3D::DrawMarkerNumber(double x, double y, double z, int index) {
    if (!label_font) return;
    if (index >= 0 && index < static_cast<int>(m_markers.size())) {
        const MarkerDisplay& m = m_markers[static_cast<size_t>(index)];
        glColor3f(m.red, m.green, m.blue);
    }
    MatrixGuard at;
    glRasterPos3d(x, y, z);
    PrintGLBitmapFont(label_font, 1, "%d", index + 1);
}

// ---- trajectories ----

void shapeC3D::DrawTrajectories() {
    if (m_isModelOutput.size() != m_markers.size()) UpdateMarkerFlags();
    const int count = std::min<int>(m_markerCount, static_cast<int>(m_markers.size()));
    for (int i = 0; i < count; ++i) {
        const MarkerDisplay& m = m_markers[static_cast<size_t>(i)];
        if (m_isModelOutput[static_cast<size_t>(i)] || !m.trajectory) continue;
        if (m.before == 0 && m.after == 0) continue;
        // `before` reaches towards later frames, `after` towards earlier ones.
        int start = m.after < 0 ? m_firstFrame : m_currentFrame - m.after;
        int end = m.before < 0 ? m_lastFrame : m_currentFrame + m.before;
        start = std::clamp(start, m_firstFrame, std::max(m_firstFrame, m_lastFrame));
        end = std::clamp(end, m_firstFrame, std::max(m_firstFrame, m_lastFrame));
        DrawTrajectory(i, start, end);
    }
}

void shapeC3D::DrawTrajectory(int index, int from, int to) {
    if (index < 0 || index >= m_markerCount || index >= static_cast<int>(m_markers.size())) return;
    const MarkerDisplay& m = m_markers[static_cast<size_t>(index)];
    AttribGuard line(GL_LINE_BIT);
    glColor3f(m.red, m.green, m.blue);
    glLineWidth(m.trajectoryWidth);
    const bool relative = m_relative && m_referenceMarker >= 0;
    bool open = false;
    for (int f = from; f <= to; ++f) {
        double p[3];
        if (!ScenePosition(index, f, p)) {
            if (open) glEnd();
            open = false;
            continue;
        }
        if (!open) glBegin(GL_LINE_STRIP);
        open = true;
        if (relative)
            for (int k = 0; k < 3; ++k) p[k] -= m_referencePosition[k];
        glVertex3dv(p);
    }
    if (open) glEnd();
}

// ScenePosition over a range of frames, with the table looked up once: an hour is a million
// samples for three markers, and selecting them should not stall the view.
void shapeC3D::BuildPath(int index, int from, int to, GLThinnedPath& path) const {
    const Matrix2D* table = m_data && index >= 0 ? m_data->points : nullptr;
    if (!table || to < from) return;
    path.Reserve(static_cast<size_t>(int64_t(to) - from + 1));
    const int dim = m_data->GetDimension();
    const int64_t rows = table->GetRows();
    const int64_t cols = table->GetCols();
    const double* data = table->GetData();
    // Row of x (two-dimensional recordings lie in the x-z plane).
    const int64_t row = int64_t(index) * (dim >= 3 ? dim : 2);
    const bool inTable = row + (dim >= 3 ? 2 : 1) < rows;
    const double missing = m_missingValue;
    const double divisor = m_divisor;
    for (int f = from; f <= to; ++f) {
        if (!inTable || f < 0 || f >= cols) {
            path.Gap();
            continue;
        }
        const double* at = data + static_cast<size_t>(f) * static_cast<size_t>(rows) + row;
        const double x = at[0];
        const double y = dim >= 3 ? at[1] : 0.0;
        const double z = dim >= 3 ? at[2] : at[1];
        if (x == missing && y == missing && z == missing) {
            path.Gap();
            continue;
        }
        path.Add(x / divisor, y / divisor, z / divisor);
    }
}

void shapeC3D::DrawSelectedTrajectories() {
    if (!m_data || !m_data->HasPoints()) return;
    if (m_isModelOutput.size() != m_markers.size()) UpdateMarkerFlags();
    bool any = m_model != nullptr;
    for (const MarkerDisplay& m : m_markers) any = any || m.selectionOrder != 0;
    if (!any) return;
    AttribGuard lighting(GL_ENABLE_BIT);
    EnableLighting(false);
    const Matrix2D* table = m_data->points;
    const bool relative = m_relative && m_referenceMarker >= 0;
    uint64_t divisorBits = 0;
    static_assert(sizeof divisorBits == sizeof m_divisor, "a double in 64 bits");
    std::memcpy(&divisorBits, &m_divisor, sizeof divisorBits);
    const size_t count = std::min(m_markers.size(), static_cast<size_t>(std::max(m_markerCount, 0)));
    for (auto it = m_selectedPaths.begin(); it != m_selectedPaths.end();) {
        const size_t i = static_cast<size_t>(it->first);
        const bool keep = i < count && m_markers[i].selectionOrder != 0 && !m_isModelOutput[i];
        it = keep ? std::next(it) : m_selectedPaths.erase(it);
    }
    for (size_t i = 0; i < count; ++i) {
        if (m_markers[i].selectionOrder == 0 || m_isModelOutput[i]) continue;
        const MarkerDisplay& m = m_markers[i];
        // Built once per marker, play range and data; only the thinning follows the view.
        const GLThinnedPath::Key key = {i,
                                        static_cast<uint64_t>(static_cast<uint32_t>(m_firstFrame)) << 32 |
                                            static_cast<uint32_t>(m_lastFrame),
                                        m_dataGeneration,
                                        static_cast<uint64_t>(table->GetRows()) << 32 |
                                            static_cast<uint32_t>(table->GetCols()),
                                        divisorBits, m_pathRevision};
        GLThinnedPath& path = m_selectedPaths[static_cast<int>(i)];
        if (!path.Holds(key)) {
            path.Begin(key);
            BuildPath(static_cast<int>(i), m_firstFrame, m_lastFrame, path);
        }
        AttribGuard line(GL_LINE_BIT);
        glColor3f(m.red, m.green, m.blue);
        glLineWidth(m.trajectoryWidth);
        MatrixGuard shifted;
        if (relative) glTranslated(-m_referencePosition[0], -m_referencePosition[1], -m_referencePosition[2]);
        path.Draw();
    }
    if (m_model)
        m_model->DrawTrajectories(m_firstFrame, m_lastFrame, m_referencePosition,
                                  m_relative && m_referenceMarker >= 0);
}

// ---- force platforms ----

void shapeC3D::DrawPlates(int mode) {
    if (!m_data || m_data->GetPlateCount() <= 0) return;
    MatrixGuard frame;
    if (m_relative && m_referenceMarker >= 0)
        glTranslated(-m_referencePosition[0], -m_referencePosition[1], -m_referencePosition[2]);
    DrawForcePlates(mode);
    DrawPlateNumbers();
    DrawForceVectors();
}

void shapeC3D::DrawPlateOutline(const float corners[4][3]) {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glBegin(GL_POLYGON);
    for (int c = 0; c < 4; ++c) glVertex3fv(corners[c]);
    glEnd();
    for (int c = 0; c < 4; ++c) {
        glBegin(GL_LINES);
        glVertex3fv(corners[c]);
        glVertex3fv(corners[(c + 1) % 4]);
        glEnd();
    }
}

void shapeC3D::DrawForcePlates(int mode) {
    if (!m_data) return;
    for (int p = 0; p < m_plateCount && p < kMaxPlates; ++p) {
        PlateDisplay& plate = m_plates[p];
        float a = 0, b = 0, centre[3], raw[12];
        if (!plate.showPlate || !m_data->GetPlateSize(p, &a, &b) ||
            !m_data->GetPlateCentre(p, centre) || !m_data->GetPlateCorners(p, raw))
            continue;
        float corners[4][3];
        float mean[3] = {0, 0, 0};
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 3; ++k) {
                corners[c][k] = static_cast<float>(raw[3 * c + k] / m_divisor);
                mean[k] += corners[c][k] / 4;
            }
        const float sizeA = static_cast<float>(a / m_divisor);
        const float sizeB = static_cast<float>(b / m_divisor);
        std::copy(mean, mean + 3, plate.centre);
        {
            AttribGuard state(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT);
            glColor4fv(plate.plateColour);
            if (plate.plateColour[3] < 1.0f) {
                glEnable(GL_BLEND);
                glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
                glDepthMask(GL_FALSE);
            }
            MatrixGuard at;
            DrawPlateOutline(corners);
            if (plate.showAxes) {
                const float length = 0.5f * std::min(sizeA, sizeB);
                auto scaled = [length](Point3D v) {
                    if (v.Length() != 0) v.Normalize();
                    return v * length;
                };
                auto corner = [&corners](int c) {
                    return Point3D(corners[c][0], corners[c][1], corners[c][2]);
                };
                const Point3D x = scaled(corner(0) - corner(1));
                const Point3D y = scaled(corner(1) - corner(2));
                const Point3D z = scaled(x.CrossProduct(y));
                MatrixGuard axes;
                glTranslatef(mean[0], mean[1], mean[2]);
                const float colours[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
                const Point3D* vectors[3] = {&x, &y, &z};
                for (int k = 0; k < 3; ++k) {
                    glColor3fv(colours[k]);
                    DrawArrow(static_cast<float>(vectors[k]->x), static_cast<float>(vectors[k]->y),
                              static_cast<float>(vectors[k]->z), true, true, 1.0f);
                }
            }
            if (plate.showCorners) {
                const float colours[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}};
                for (int c = 0; c < 4; ++c) {
                    MatrixGuard corner;
                    glColor3fv(colours[c]);
                    glTranslatef(corners[c][0], corners[c][1], corners[c][2]);
                    DrawSolidSphere(0.01f, 10, 15);
                }
            }
        }
        plate.thickness = 0.1f;
        plate.size[0] = sizeA;
        plate.size[1] = sizeB;
        if (plate.showForceHistory) DrawForceHistory(p, mode);
    }
}

void shapeC3D::DrawPlateNumbers() {
    if (!m_data) return;
    bool any = false;
    for (int p = 0; p < m_plateCount && p < kMaxPlates; ++p) any = any || m_plates[p].showNumber;
    if (!any) return;
    if (!m_plateFont) {
        const float white[4] = {1, 1, 1, 1};
        m_plateFont = CreateGLBitmapFont("Times", 70, white, 2, 0);
        if (!m_plateFont) return;
    }
    for (int p = 0; p < m_plateCount && p < kMaxPlates; ++p) {
        float centre[3];
        if (!m_plates[p].showNumber || !m_data->GetPlateCentre(p, centre)) continue;
        glColor3f(1, 1, 1);
        glRasterPos3d(centre[0] / m_divisor, centre[1] / m_divisor, centre[2] / m_divisor);
        PrintGLBitmapFont(m_plateFont, 1, "%d", p + 1);
    }
}

int64_t shapeC3D::ForceSample(int frame) const {
    if (!m_data || !m_data->points || !m_data->analog) return -1;
    const int64_t pointColumns = m_data->points->GetCols();
    const int64_t analogColumns = m_data->analog->GetCols();
    if (pointColumns <= 0 || frame < 0) return -1;
    // 64-bit: frame x analog columns overflows 32 bits on long, fast recordings.
    return int64_t(frame) * analogColumns / pointColumns;
}

bool shapeC3D::PlateForceAt(int plate, int frame, float cop[3], float vector[3]) {
    const int64_t sample = ForceSample(frame);
    if (sample < 0 || sample > INT32_MAX) return false;
    const PlateDisplay& record = m_plates[plate];
    TPlateForces forces;
    if (!m_data->GetPlateForces(plate, static_cast<int32_t>(sample), &forces,
                                record.forceThreshold, false))
        return false;
    const float* f = forces.force;
    const float magnitude = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    if (!(magnitude > record.forceThreshold)) return false;
    const float divisor = record.forceDivisor != 0 ? record.forceDivisor : 1.0f;
    for (int k = 0; k < 3; ++k) {
        cop[k] = forces.cop[k];
        vector[k] = f[k] / divisor;
    }
    return true;
}

void shapeC3D::DrawForceVectors() {
    if (!m_data) return;
    for (int p = 0; p < m_plateCount && p < kMaxPlates; ++p) {
        if (!m_plates[p].showForceVector) continue;
        float cop[3], vector[3];
        if (!PlateForceAt(p, m_currentFrame, cop, vector)) continue;
        MatrixGuard at;
        glTranslatef(cop[0], cop[1], cop[2]);
        glColor4fv(m_plates[p].forceColour);
        DrawArrow(vector[0], vector[1], vector[2], true, true, 1.5f);
    }
}

const shapeC3D::ForceHistory& shapeC3D::GetForceHistory(int plate) {
    if (m_forceHistories.size() < kMaxPlates) m_forceHistories.resize(kMaxPlates);
    auto& slot = m_forceHistories[static_cast<size_t>(plate)];
    if (!slot) slot = std::make_unique<ForceHistory>();
    ForceHistory& h = *slot;
    const PlateDisplay& record = m_plates[plate];
    if (h.valid && h.generation == m_dataGeneration && h.first == m_firstFrame &&
        h.last == m_lastFrame && h.threshold == record.forceThreshold &&
        h.divisor == record.forceDivisor)
        return h;
    h.valid = true;
    h.generation = m_dataGeneration;
    h.first = m_firstFrame;
    h.last = m_lastFrame;
    h.threshold = record.forceThreshold;
    h.divisor = record.forceDivisor;
    const size_t n = m_lastFrame >= m_firstFrame ? size_t(m_lastFrame - m_firstFrame) + 1 : 0;
    h.cop.assign(3 * n, 0.0f);
    h.tip.assign(3 * n, 0.0f);
    h.drawn.assign(n, 0);
    for (size_t i = 0; i < n; ++i) {
        float cop[3], vector[3];
        if (!PlateForceAt(plate, m_firstFrame + static_cast<int>(i), cop, vector)) continue;
        h.drawn[i] = 1;
        for (int k = 0; k < 3; ++k) {
            h.cop[3 * i + k] = cop[k];
            h.tip[3 * i + k] = cop[k] + vector[k];
        }
    }
    return h;
}

void shapeC3D::DrawForceHistory(int plate, int) {
    if (!m_data || plate < 0 || plate >= m_plateCount || plate >= kMaxPlates) return;
    const ForceHistory& h = GetForceHistory(plate);
    AttribGuard state(GL_ENABLE_BIT | GL_LINE_BIT);
    glColor3fv(m_plates[plate].forceColour);
    glLineWidth(1.0f);
    glDisable(GL_LIGHTING);
    glBegin(GL_LINES);
    for (size_t i = 0; i < h.drawn.size(); ++i) {
        if (!h.drawn[i]) continue;
        glVertex3fv(&h.cop[3 * i]);
        glVertex3fv(&h.tip[3 * i]);
        // A frame without a drawn force breaks the chain of tips.
        if (i > 0 && h.drawn[i - 1]) {
            glVertex3fv(&h.tip[3 * (i - 1)]);
            glVertex3fv(&h.tip[3 * i]);
        }
    }
    glEnd();
}

void shapeC3D::BuildPlatesList(bool compile) {
    if (!m_data) return;
    if (m_platesList != 0) glDeleteLists(m_platesList, 1);
    m_platesList = 0;
    if (m_plateCount <= 0) return;
    if (compile) {
        m_platesList = glGenLists(1);
        if (m_platesList == 0) return;
        glNewList(m_platesList, GL_COMPILE);
    }
    for (int p = 0; p < m_plateCount && p < kMaxPlates; ++p) {
        float a = 0, b = 0, centre[3], raw[12];
        if (!m_data->GetPlateSize(p, &a, &b) || !m_data->GetPlateCentre(p, centre) ||
            !m_data->GetPlateCorners(p, raw))
            continue;
        float corners[4][3];
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 3; ++k) corners[c][k] = static_cast<float>(raw[3 * c + k] / m_divisor);
        MatrixGuard at;
        DrawPlateOutline(corners);
    }
    for (int p = 0; p < m_plateCount && p < kMaxPlates; ++p)
        if (m_plates[p].showForceHistory) DrawForceHistory(p, GL_RENDER);
    if (compile) glEndList();
}

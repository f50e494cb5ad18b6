#include "shapes/shapeVP.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>

#include <GL/gl.h>

#include "shapes/MeshText.h"

namespace {

void Cross(const float* a, const float* b, const float* c, float out[3]) {
    const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const float v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    out[0] = u[1] * v[2] - u[2] * v[1];
    out[1] = u[2] * v[0] - u[0] * v[2];
    out[2] = u[0] * v[1] - u[1] * v[0];
}

// Divides by the length unless it is zero (or not finite, which would spread non-numbers).
void NormaliseInPlace(float v[3]) {
    const float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len > 0 && std::isfinite(len)) {
        v[0] /= len;
        v[1] /= len;
        v[2] /= len;
    } else if (!std::isfinite(len)) {
        v[0] = v[1] = v[2] = 0;
    }
}

int CornerCount(const int32_t* face) { return std::clamp<int32_t>(face[0], 0, 4); }

}  // namespace

shapeVP::shapeVP() = default;

shapeVP::~shapeVP() { shapeVP::Clear(); }

wxString shapeVP::GetTypeName() { return "Vertex_shape"; }

void shapeVP::Draw() {
    if (m_useColour) glColor4fv(m_colour);
    if (m_useDisplayList && m_displayList != 0) {
        glCallList(m_displayList);
        return;
    }
    DrawPolygons(kColourMaterialOn);
}

void shapeVP::DrawPolygons(unsigned flags) {
    if (m_useColour) {
        if (flags & kColourMaterialOn) glEnable(GL_COLOR_MATERIAL);
        if (flags & kColourMaterialOff) glDisable(GL_COLOR_MATERIAL);
    }
    if (m_vertices.empty() || m_faces.empty()) return;
    if (DrawArrays(flags)) return;

    const bool haveNormals = !m_normals.empty();
    for (int i = 0; i < m_faceCount; ++i) {
        const int32_t* face = &m_faces[size_t(i) * kFaceInts];
        const int corners = CornerCount(face);
        if (m_wireframe) glBegin(GL_LINE_LOOP);
        else if (corners == 3) glBegin(GL_TRIANGLES);
        else if (corners == 4) glBegin(GL_QUADS);
        else glBegin(GL_POLYGON);
        if (!haveNormals) {
            float n[3];
            ComputeFaceNormal(i, n);
            glNormal3fv(n);
        }
        // Emitted from the last corner to the first: the winding the stored files expect.
        for (int j = corners - 1; j >= 0; --j) {
            if (flags & kTexCoords) {
                static const float kTex[4][2] = {{0, 0}, {0, 1}, {1, 1}, {0, 1}};
                glTexCoord2fv(kTex[j]);
            }
            const int32_t v = face[1 + j];
            if (!CornerIsVertex(v)) continue;
            if (haveNormals) glNormal3fv(&m_normals[size_t(v) * 3]);
            glVertex3fv(&m_vertices[size_t(v) * 3]);
        }
        glEnd();
    }
}

bool shapeVP::DrawArrays(unsigned flags) {
    if (m_wireframe || m_normals.empty() || (flags & kTexCoords)) return false;
    if (!m_arraysBuilt) {
        m_arraysBuilt = true;
        m_triangleCorners.clear();
        m_quadCorners.clear();
        for (int i = 0; i < m_faceCount; ++i) {
            const int32_t* face = &m_faces[size_t(i) * kFaceInts];
            const int corners = CornerCount(face);
            // A face with a corner that is not a vertex draws nothing in immediate mode either
            // (too few vertices for its primitive); fewer than 3 corners draw nothing.
            bool valid = corners >= 3;
            for (int j = 0; j < corners; ++j) valid = valid && CornerIsVertex(face[1 + j]);
            if (!valid) continue;
            auto& out = corners == 3 ? m_triangleCorners : m_quadCorners;
            for (int j = corners - 1; j >= 0; --j) out.push_back(uint32_t(face[1 + j]));
        }
    }
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, m_vertices.data());
    glNormalPointer(GL_FLOAT, 0, m_normals.data());
    if (!m_triangleCorners.empty())
        glDrawElements(GL_TRIANGLES, GLsizei(m_triangleCorners.size()), GL_UNSIGNED_INT,
                       m_triangleCorners.data());
    if (!m_quadCorners.empty())
        glDrawElements(GL_QUADS, GLsizei(m_quadCorners.size()), GL_UNSIGNED_INT,
                       m_quadCorners.data());
    glPopClientAttrib();
    return true;
}

void shapeVP::ForgetArrays() {
    m_arraysBuilt = false;
    m_triangleCorners.clear();
    m_triangleCorners.shrink_to_fit();
    m_quadCorners.clear();
    m_quadCorners.shrink_to_fit();
}

void shapeVP::ComputeFaceNormal(int face, float out[3]) {
    out[0] = out[1] = out[2] = 0;
    if (m_faces.empty() || face < 0 || face >= m_faceCount) return;
    const int32_t* f = &m_faces[size_t(face) * kFaceInts];
    if (!CornerIsVertex(f[1]) || !CornerIsVertex(f[2]) || !CornerIsVertex(f[3])) return;
    Cross(&m_vertices[size_t(f[1]) * 3], &m_vertices[size_t(f[2]) * 3],
          &m_vertices[size_t(f[3]) * 3], out);
    NormaliseInPlace(out);
}

void shapeVP::ComputeVertexNormals() {
    if (m_vertices.empty() || m_faces.empty()) return;
    std::vector<float> normals(size_t(m_vertexCount) * 3, 0.0f);
    for (int i = 0; i < m_faceCount; ++i) {
        const int32_t* f = &m_faces[size_t(i) * kFaceInts];
        if (!CornerIsVertex(f[1]) || !CornerIsVertex(f[2]) || !CornerIsVertex(f[3])) continue;
        float n[3];
        Cross(&m_vertices[size_t(f[1]) * 3], &m_vertices[size_t(f[2]) * 3],
              &m_vertices[size_t(f[3]) * 3], n);
        NormaliseInPlace(n);
        for (int c = 1; c <= 3; ++c) {
            float* acc = &normals[size_t(f[c]) * 3];
            acc[0] += n[0];
            acc[1] += n[1];
            acc[2] += n[2];
        }
    }
    for (int v = 0; v < m_vertexCount; ++v) NormaliseInPlace(&normals[size_t(v) * 3]);
    SetNormals(std::move(normals));
}

void shapeVP::Normalise() {
    if (m_vertices.empty()) return;
    float lo[3], hi[3];
    for (int a = 0; a < 3; ++a) lo[a] = hi[a] = m_vertices[size_t(a)];
    for (int v = 1; v < m_vertexCount; ++v) {
        const float* p = &m_vertices[size_t(v) * 3];
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], p[a]);
            hi[a] = std::max(hi[a], p[a]);
        }
    }
    float extent[3];
    double scale = std::numeric_limits<double>::infinity();
    for (int a = 0; a < 3; ++a) {
        extent[a] = hi[a] - lo[a];
        // A zero extent (flat mesh) gives no ratio; the largest extent ends equal to the size.
        if (extent[a] > 0 && std::isfinite(extent[a]))
            scale = std::min(scale, double(m_normaliseSize) / extent[a]);
    }
    // One distinct point (or no finite extent at all): keep the scale, only centre it.
    if (!std::isfinite(scale)) scale = 1.0;
    const float s = float(scale);
    float centre[3];
    for (int a = 0; a < 3; ++a) centre[a] = lo[a] + extent[a] * 0.5f;
    for (int v = 0; v < m_vertexCount; ++v) {
        float* p = &m_vertices[size_t(v) * 3];
        for (int a = 0; a < 3; ++a) p[a] = (p[a] - centre[a]) * s;
    }
    for (int a = 0; a < 3; ++a) m_size[a] = s * extent[a];
    m_info = wxString::Format(_("v : %d  f : %d"), m_vertexCount, m_faceCount);
    if (m_useDisplayList) BuildDisplayList(kColourMaterialOn);
}

void shapeVP::BuildDisplayList(unsigned flags) {
    ReleaseDisplayList();
    // No list can be made inside another one being compiled, nor without a context (0 back):
    // drawing then goes through DrawPolygons each frame.
    GLint compiling = 0;
    glGetIntegerv(GL_LIST_INDEX, &compiling);
    if (compiling != 0) return;
    m_displayList = glGenLists(1);
    if (m_displayList == 0) return;
    glNewList(m_displayList, GL_COMPILE);
    DrawPolygons(flags);
    glEndList();
}

void shapeVP::ReleaseDisplayList() {
    if (m_displayList != 0) glDeleteLists(m_displayList, 1);
    m_displayList = 0;
}

void shapeVP::SetWireframe(bool wireframe) {
    if (wireframe == m_wireframe) return;
    m_wireframe = wireframe;
    if (m_useDisplayList) {
        glPushMatrix();
        BuildDisplayList(kColourMaterialOn);
        glPopMatrix();
    }
}

void shapeVP::Clear() {
    ReleaseDisplayList();
    m_vertices.clear();
    m_vertices.shrink_to_fit();
    m_normals.clear();
    m_normals.shrink_to_fit();
    m_faces.clear();
    m_faces.shrink_to_fit();
    m_vertexCount = 0;
    m_faceCount = 0;
    ForgetArrays();
    m_fileName.clear();
}

void shapeVP::SetMesh(std::vector<float> vertices, std::vector<int32_t> faces) {
    m_vertices = std::move(vertices);
    m_faces = std::move(faces);
    m_vertexCount = int(m_vertices.size() / 3);
    m_faceCount = int(m_faces.size() / kFaceInts);
    m_vertices.resize(size_t(m_vertexCount) * 3);
    m_faces.resize(size_t(m_faceCount) * kFaceInts);
    m_normals.clear();
    ForgetArrays();
}

void shapeVP::SetNormals(std::vector<float> normals) {
    if (normals.size() != size_t(m_vertexCount) * 3) normals.clear();
    m_normals = std::move(normals);
    ForgetArrays();
}

void shapeVP::SetPart(int part) { m_part = part; }
int shapeVP::GetPart() { return m_part; }
float* shapeVP::GetVertices() { return m_vertices.empty() ? nullptr : m_vertices.data(); }
float* shapeVP::GetNormals() { return m_normals.empty() ? nullptr : m_normals.data(); }
int32_t* shapeVP::GetFaces() { return m_faces.empty() ? nullptr : m_faces.data(); }
int shapeVP::GetVertexCount() { return m_vertexCount; }
int shapeVP::GetFaceCount() { return m_faceCount; }
void shapeVP::SetUseDisplayList(bool use) { m_useDisplayList = use; }
bool shapeVP::GetUseDisplayList() { return m_useDisplayList; }

bool shapeVP::LoadMeshText(const wxString& path, const char* function,
                           const std::function<bool(std::string_view, const wxString&)>& parse) {
    Clear();
    m_loaded = false;
    m_loadError.clear();
    std::string text, error;
    if (!dez::ReadMeshFile(path.utf8_string(), text, error)) {
        LogLoadError(function, wxString(), wxString(_("Unable to open ")) + path);
        if (!error.empty()) m_loadError = wxString::FromUTF8(error.c_str());
        return false;
    }
    if (parse(text, path)) {
        m_name = wxFileName(path).GetName();
        m_fileName = path;
    } else if (m_loadError.empty()) {
        m_loadError = _("no vertices or no faces");
    }
    return m_loaded;
}

void shapeVP::LogLoadError(const char* function, const wxString& source, const wxString& text) {
    const wxString prefix = source.empty() ? wxString() : source + ": ";
    m_loadError = text;
    wxLogger(wxLOG_Error, __FILE__, __LINE__, function, wxLOG_COMPONENT).Log("%s", prefix + text);
}

bool shapeVP::GetDrawnBounds(Point3D& low, Point3D& high) {
    if (!m_loaded) return false;
    return BoundsOfPoints(m_vertices.data(), std::min(m_vertices.size() / 3, size_t(std::max(m_vertexCount, 0))),
                          low, high);
}

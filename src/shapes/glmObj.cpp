#include "shapes/glmObj.h"

#include <algorithm>
#include <iostream>
#include <vector>

#include <wx/filename.h>
#include <wx/log.h>

#include <GL/gl.h>

#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "platform/Paths.h"
#include "platform/TextEncoding.h"

void glmDraw(const ObjMtlModel& model, unsigned mode, bool wireframe) {
    mode = glmCheckMode(model, mode);
    // Materials and the colour-material switch stay with the model, not with what is drawn next.
    glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_CURRENT_BIT);
    if (mode & GLM_COLOR) glEnable(GL_COLOR_MATERIAL);
    if (mode & GLM_MATERIAL) glDisable(GL_COLOR_MATERIAL);
    glPushMatrix();
    glTranslatef(model.position[0], model.position[1], model.position[2]);
    // A wireframe triangle is its three edges. They are separate lines rather than a line loop
    // per triangle: Mesa joins consecutive line loops of a display list into one.
    glBegin(wireframe ? GL_LINES : GL_TRIANGLES);
    // Newest group first.
    for (auto g = model.groups.rbegin(); g != model.groups.rend(); ++g) {
        if (!g->enabled) continue;
        if (g->material < model.materials.size()) {
            const ObjMtlMaterial& m = model.materials[g->material];
            if (mode & GLM_MATERIAL) {
                // Material changes are allowed between glBegin and glEnd.
                glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m.ambient);
                glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m.diffuse);
                glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.specular);
                glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
            }
            if (mode & GLM_COLOR) glColor3fv(m.diffuse);
        }
        for (unsigned i : g->triangles) {
            const ObjMtlTriangle& t = model.triangles[i];
            if (mode & GLM_FLAT) glNormal3fv(&model.facetnorms[3 * size_t(t.findex)]);
            const auto corner = [&](int j) {
                if (mode & GLM_SMOOTH) glNormal3fv(&model.normals[3 * size_t(t.nindices[j])]);
                if (mode & GLM_TEXTURE) glTexCoord2fv(&model.texcoords[2 * size_t(t.tindices[j])]);
                glVertex3fv(&model.vertices[3 * size_t(t.vindices[j])]);
            };
            if (wireframe) {
                for (int j = 0; j < 3; ++j) {
                    corner(j);
                    corner((j + 1) % 3);
                }
            } else {
                for (int j = 0; j < 3; ++j) corner(j);
            }
        }
    }
    glEnd();
    glPopMatrix();
    glPopAttrib();
}

unsigned glmCompileList(const ObjMtlModel& model, unsigned mode, bool wireframe) {
    const GLuint list = glGenLists(1);
    if (list == 0) return 0;
    glNewList(list, GL_COMPILE);
    glmDraw(model, mode, wireframe);
    glEndList();
    return list;
}

glmObj::glmObj() = default;

glmObj::~glmObj() { glmObj::Clear(); }

wxString glmObj::GetTypeName() { return "glm"; }

void glmObj::DeleteList() {
    if (m_displayList != 0) glDeleteLists(m_displayList, 1);
    m_displayList = 0;
}

namespace {

// The list of a smooth-shaded model compiled from vertex arrays: every normal the model's
// normals step made belongs to one vertex, so one index per corner, the normal's, serves for
// both arrays. Null when the model's normals do not allow it (then the immediate path serves).
unsigned CompileSmoothArrays(const ObjMtlModel& model, bool materials) {
    const size_t normals = model.NormalCount() + size_t(1);
    std::vector<float> positions(3 * normals, 0.0f);
    std::vector<unsigned char> seen(normals, 0);
    for (const ObjMtlTriangle& t : model.triangles)
        for (int j = 0; j < 3; ++j) {
            const unsigned n = t.nindices[j], v = t.vindices[j];
            if (n == 0 || n >= normals) return 0;
            const float* p = &model.vertices[3 * size_t(v)];
            float* out = &positions[3 * size_t(n)];
            if (seen[n] && (out[0] != p[0] || out[1] != p[1] || out[2] != p[2])) return 0;
            seen[n] = 1;
            std::copy(p, p + 3, out);
        }
    const GLuint list = glGenLists(1);
    if (list == 0) return 0;
    glNewList(list, GL_COMPILE);
    glPushAttrib(GL_ENABLE_BIT | GL_LIGHTING_BIT | GL_CURRENT_BIT);
    if (materials) glDisable(GL_COLOR_MATERIAL);
    glPushMatrix();
    glTranslatef(model.position[0], model.position[1], model.position[2]);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions.data());
    glNormalPointer(GL_FLOAT, 0, model.normals.data());
    std::vector<GLuint> corners;
    // Newest group first, as the immediate path draws them.
    for (auto g = model.groups.rbegin(); g != model.groups.rend(); ++g) {
        if (!g->enabled || g->triangles.empty()) continue;
        if (materials && g->material < model.materials.size()) {
            const ObjMtlMaterial& m = model.materials[g->material];
            glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m.ambient);
            glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m.diffuse);
            glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m.specular);
            glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
        }
        corners.clear();
        corners.reserve(3 * g->triangles.size());
        for (unsigned i : g->triangles)
            for (unsigned n : model.triangles[i].nindices) corners.push_back(n);
        glDrawElements(GL_TRIANGLES, GLsizei(corners.size()), GL_UNSIGNED_INT, corners.data());
    }
    glPopClientAttrib();
    glPopMatrix();
    glPopAttrib();
    glEndList();
    return list;
}

}  // namespace

void glmObj::RebuildList() {
    if (!m_model) return;
    DeleteList();
    const unsigned mode = GLM_SMOOTH | (m_useMaterials ? GLM_MATERIAL : 0u);
    if (!m_wireframe && glmCheckMode(*m_model, mode) == mode)
        m_displayList = CompileSmoothArrays(*m_model, (mode & GLM_MATERIAL) != 0);
    if (m_displayList == 0) m_displayList = glmCompileList(*m_model, mode, m_wireframe);
}

void glmObj::Draw() {
    if (!m_model || m_displayList == 0) return;
    if (m_useColour) glColor4fv(m_colour);
    glCallList(m_displayList);
}

void glmObj::SetUseColour(bool useColour) {
    m_useColour = useColour;
    if (!useColour) m_useMaterials = false;
}

void glmObj::SetWireframe(bool wireframe) {
    m_wireframe = wireframe;
    RebuildList();
}

void glmObj::Clear() {
    if (m_model) {
        DeleteList();
        glmFreeModel(m_model);
    }
    m_fileName.clear();
    m_info.clear();
}

namespace {

float Largest(const float e[3]) { return std::max({e[0], e[1], e[2]}); }

}  // namespace

bool glmObj::Load(const wxString& path) {
    std::cout << "glm reading " << path.utf8_string() << "\n";
    Clear();
    m_loaded = false;
    m_loadError.clear();
    // An absolute path finds a material library named without a folder beside the model, wherever
    // the working directory is.
    const std::string file = dez::AbsolutePath(path.utf8_string());
    std::vector<uint8_t> bytes;
    std::string error;
    if (!dez::ReadWholeFile(file, bytes, &error)) {
        std::cout << "glmReadOBJ() failed: can't open data file " << file << " (" << error << ")\n";
        m_loadError = wxString::FromUTF8(error.c_str());
        return false;
    }
    std::unique_ptr<ObjMtlModel> model = glmParseOBJ(
        file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (model->TriangleCount() == 0) {
        // Say why nothing can be drawn: a text in another encoding reads as no statements at all.
        const dez::TextEncoding encoding = dez::DetectTextEncoding(bytes.data(), bytes.size());
        if (encoding == dez::TextEncoding::Utf16LE || encoding == dez::TextEncoding::Utf16BE)
            m_loadError = "UTF-16 text: OBJ files are read as 8-bit text (ASCII or UTF-8)";
        else if (model->VertexCount() > 0)
            m_loadError = "only points or lines, no faces to draw";
        else
            m_loadError = "no faces to draw, no vertices";
        wxLogger(wxLOG_Error, __FILE__, __LINE__, "glmObj::Load", wxLOG_COMPONENT)
            .Log("No faces to draw in %s: %s", path, m_loadError);
        return false;
    }
    m_model = std::move(model);
    m_unitizeFactor = glmFitToUnitBox(*m_model);
    glmMakeFaceNormals(*m_model);
    float e[3];
    glmExtents(*m_model, e);
    // The largest dimension becomes half the shape's size; a flat model has no depth to divide by.
    if (Largest(e) > 0) glmScaleVertices(*m_model, m_normaliseSize / Largest(e) * 0.5f);
    glmExtents(*m_model, m_size);
    glmVertexNormals(*m_model, float(m_smoothingAngle));
    if (m_model->MaterialCount() > 0) m_useMaterials = true;
    RebuildList();
    m_name = wxFileName(path).GetName();
    m_loaded = true;
    m_fileName = path;
    m_info = wxString::FromUTF8(
        dez::Format("v : %u  f : %u", m_model->VertexCount(), m_model->TriangleCount()).c_str());
    return m_loaded;
}

void glmObj::SetSize(float size) {
    if (!m_model || !(size > 0)) return;
    float e[3];
    glmExtents(*m_model, e);
    m_normaliseSize = size;
    if (Largest(e) > 0) glmScaleVertices(*m_model, size / Largest(e));
    RebuildList();
    glmExtents(*m_model, m_size);
}

bool glmObj::GetDrawnBounds(Point3D& low, Point3D& high) {
    if (!m_loaded || !m_model || m_model->vertices.size() < 6) return false;
    // Entry 0 is the unused slot of 1-based indices.
    if (!BoundsOfPoints(m_model->vertices.data() + 3, m_model->vertices.size() / 3 - 1, low, high)) return false;
    const Point3D shift(m_model->position[0], m_model->position[1], m_model->position[2]);
    low = low + shift;
    high = high + shift;
    return true;
}

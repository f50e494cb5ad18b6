#include "shapes/isosurface.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include <wx/filename.h>
#include <wx/log.h>

#include <GL/gl.h>

#include "platform/GuardedRead.h"
#include "platform/NumberText.h"
#include "shapes/ShapeText.h"

namespace {

// The whole word must be a finite number ("." as the decimal separator, a leading "+" allowed).
bool ParseWholeNumber(std::string_view word, float& out) {
    const char* p = word.data();
    const char* end = p + word.size();
    if (p < end && *p == '+') ++p;
    if (p == end || *p == '+') return false;
    double value = 0;
    const auto r = std::from_chars(p, end, value);
    if (r.ec != std::errc() || r.ptr != end) return false;
    out = float(value);
    return std::isfinite(out);
}

}  // namespace

isosurface::isosurface() = default;

isosurface::~isosurface() { isosurface::Clear(); }

wxString isosurface::GetTypeName() { return "iso_surface"; }

void isosurface::DeleteList() {
    if (m_displayList != 0) glDeleteLists(m_displayList, 1);
    m_displayList = 0;
}

void isosurface::Clear() {
    DeleteList();
    m_loaded = false;
    m_vertices.clear();
    m_vertices.shrink_to_fit();
    m_normals.clear();
    m_normals.shrink_to_fit();
    m_fileName.clear();
}

bool isosurface::Load(const wxString& path) {
    Clear();
    m_loaded = false;
    m_loadError.clear();
    if (!ReadData(path)) {
        wxLogger(wxLOG_Error, __FILE__, __LINE__, "isosurface::Load", wxLOG_COMPONENT)
            .Log("%s", wxString::FromUTF8(m_error.c_str()));
        return false;
    }
    m_info = wxString::FromUTF8(dez::Format("v : %d", GetCount()).c_str());
    m_fileName = path;
    m_name = wxFileName(path).GetName();
    return m_loaded;
}

bool isosurface::ReadData(const wxString& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    const std::string file = path.utf8_string();
    if (!dez::ReadWholeFile(file, bytes, &error)) {
        m_error = "Unable to open " + file;
        m_loadError = wxString::FromUTF8(error.c_str());
        return m_loaded;
    }
    if (!ParseText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()))) {
        // ".dat" names many formats: say what this reader expected.
        m_loadError = wxString::FromUTF8(("not an isosurface text: " + m_error).c_str());
        m_error = file + ": " + m_error;
        return m_loaded;
    }
    if (GetCount() == 0) {
        m_loadError = "not an isosurface text: no vertices";
        m_error = file + ": no vertices";
        return m_loaded;
    }
    m_loaded = true;
    if (m_normaliseOnLoad) Normalise();
    return m_loaded;
}

bool isosurface::ParseText(std::string_view text) {
    std::vector<float> vertices, normals;
    dez::ShapeWords lines(dez::SkipByteOrderMark(text));
    std::string_view line;
    size_t lineNo = 0;
    while (lines.NextLine(line)) {
        ++lineNo;
        dez::ShapeWords words(line);
        float v[6];
        int n = 0;
        for (std::string_view w = words.Next(); !w.empty(); w = words.Next()) {
            if (n == 6 || !ParseWholeNumber(w, v[n])) {
                n = -1;
                break;
            }
            ++n;
        }
        if (n == 0) continue;
        if (n != 6) {
            m_error = dez::Format("line %zu does not hold six numbers (a vertex and its normal)",
                                  lineNo);
            return false;
        }
        vertices.insert(vertices.end(), v, v + 3);
        normals.insert(normals.end(), v + 3, v + 6);
    }
    m_vertices.swap(vertices);
    m_normals.swap(normals);
    return true;
}

void isosurface::Normalise() {
    if (!m_loaded || m_vertices.empty()) return;
    double lo[3], hi[3];
    for (int a = 0; a < 3; ++a) lo[a] = hi[a] = m_vertices[a];
    for (size_t i = 0; i < m_vertices.size(); i += 3)
        for (int a = 0; a < 3; ++a) {
            lo[a] = std::min(lo[a], double(m_vertices[i + a]));
            hi[a] = std::max(hi[a], double(m_vertices[i + a]));
        }
    // The largest extent fits the size: a flat surface has no depth to divide by, and one whose
    // vertices all coincide keeps its scale.
    double extent[3], largest = 0;
    for (int a = 0; a < 3; ++a) {
        extent[a] = hi[a] - lo[a];
        largest = std::max(largest, extent[a]);
    }
    const double k = largest > 0 ? double(GetSize()) / largest : 1.0;
    for (size_t i = 0; i < m_vertices.size(); i += 3)
        for (int a = 0; a < 3; ++a)
            m_vertices[i + a] = float((m_vertices[i + a] - (extent[a] / 2 + lo[a])) * k);
    for (int a = 0; a < 3; ++a) m_size[a] = float(k * extent[a]);
    BuildDisplayList();
}

void isosurface::BuildDisplayList() {
    DeleteList();
    m_displayList = glGenLists(1);
    if (m_displayList == 0) return;
    glNewList(m_displayList, GL_COMPILE);
    DrawTriangles();
    glEndList();
}

void isosurface::DrawTriangles() {
    if (!m_loaded) return;
    const size_t count = m_vertices.size() / 3;
    glColor4fv(m_colour);
    if (!m_wireframe) {
        glBegin(GL_TRIANGLE_STRIP);
        for (size_t i = 0; i < count; ++i) {
            glNormal3fv(&m_normals[3 * i]);
            glVertex3fv(&m_vertices[3 * i]);
        }
        glEnd();
        return;
    }
    // Every third triangle of the strip: the outline of each run of three vertices (0-2, 3-5,
    // ...; a last run of two is one edge drawn both ways, of one nothing). Separate lines rather
    // than line loops: Mesa joins consecutive line loops of a display list into one.
    const auto vertex = [&](size_t j) {
        glNormal3fv(&m_normals[3 * j]);
        glVertex3fv(&m_vertices[3 * j]);
    };
    glBegin(GL_LINES);
    for (size_t i = 0; i < count; i += 3) {
        const size_t n = std::min<size_t>(3, count - i);
        if (n < 2) break;
        for (size_t j = 0; j < n; ++j) {
            vertex(i + j);
            vertex(i + (j + 1) % n);
        }
    }
    glEnd();
}

void isosurface::Draw() {
    if (m_displayList == 0) {
        DrawTriangles();
        return;
    }
    glColor3f(0.9f, 0.9f, 0.9f);
    glCallList(m_displayList);
}

void isosurface::SetWireframe(bool wireframe) {
    m_wireframe = wireframe;
    BuildDisplayList();
}

bool isosurface::GetDrawnBounds(Point3D& low, Point3D& high) {
    return m_loaded && BoundsOfPoints(m_vertices.data(), m_vertices.size() / 3, low, high);
}

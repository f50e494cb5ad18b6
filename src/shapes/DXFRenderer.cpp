#include "shapes/DXFRenderer.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <wx/filename.h>
#include <wx/log.h>

#include <GL/gl.h>

#include "platform/NumberText.h"
#include "shapes/MeshText.h"
#include "shapes/ShapeText.h"

namespace {

// Entity colour numbers that are no palette entry.
constexpr int kByBlock = 0;
constexpr int kByLayer = 256;
constexpr int kWhite = 7;

bool Same(const float a[3], const float b[3]) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

}  // namespace

// Group pairs: a code line and a value line, both trimmed. Lines end at LF, CR LF or CR.
class DXFRenderer::PairReader {
public:
    explicit PairReader(std::string_view text) : lines_(dez::SkipByteOrderMark(text), true) {}
    // False at the end of the text (also when a code has no value line).
    bool Next() {
        std::string_view code, value;
        if (!lines_.NextLine(code) || !lines_.NextLine(value)) return false;
        code_ = dez::TrimBlanks(code);
        value_ = dez::TrimBlanks(value);
        return true;
    }
    bool Is(std::string_view code, std::string_view value) const {
        return code_ == code && value_ == value;
    }
    std::string_view code() const { return code_; }
    std::string_view value() const { return value_; }

private:
    dez::ShapeWords lines_;
    std::string_view code_, value_;
};

wxColour ACIColourToRGB(int index) {
    if (index < 0 || index > 255) index = kWhite;
    static const unsigned char kFirst[10][3] = {
        {255, 255, 255}, {255, 0, 0},   {255, 255, 0}, {0, 255, 0},     {0, 255, 255},
        {0, 0, 255},     {255, 0, 255}, {255, 255, 255}, {128, 128, 128}, {192, 192, 192}};
    if (index < 10) return wxColour(kFirst[index][0], kFirst[index][1], kFirst[index][2]);
    if (index >= 250) {
        static const unsigned char kGrey[6] = {51, 91, 132, 173, 214, 255};
        const unsigned char g = kGrey[index - 250];
        return wxColour(g, g, g);
    }
    // 24 hues of 10 entries: five levels, each full and pale.
    const int n = (index - 10) / 10, k = (index - 10) % 10;
    static const int kLevel[5] = {255, 204, 153, 127, 76};
    const double level = kLevel[k / 2];
    const bool pale = k % 2 == 1;
    const double t = (n % 4) / 4.0;
    double f[3];
    switch (n / 4) {
    case 0: f[0] = 1; f[1] = t; f[2] = 0; break;
    case 1: f[0] = 1 - t; f[1] = 1; f[2] = 0; break;
    case 2: f[0] = 0; f[1] = 1; f[2] = t; break;
    case 3: f[0] = 0; f[1] = 1 - t; f[2] = 1; break;
    case 4: f[0] = t; f[1] = 0; f[2] = 1; break;
    default: f[0] = 1; f[1] = 0; f[2] = 1 - t; break;
    }
    unsigned char c[3];
    for (int i = 0; i < 3; ++i)
        c[i] = static_cast<unsigned char>(std::floor(pale ? level * (1 + f[i]) / 2 : level * f[i]));
    return wxColour(c[0], c[1], c[2]);
}

DXFRenderer::DXFRenderer() = default;

DXFRenderer::~DXFRenderer() { DXFRenderer::Clear(); }

wxString DXFRenderer::GetTypeName() { return "dxf"; }

void DXFRenderer::Clear() {
    m_loaded = false;
    m_layers.clear();
    m_layerColours.clear();
    m_entities.clear();
    m_fileName.clear();
    m_info.clear();
}

bool DXFRenderer::Load(const wxString& path) {
    Clear();
    std::string text;
    m_loadError.clear();
    // The whole file through the guarded read, inflated when the name ends in ".gz" in any case.
    if (!dez::ReadMeshFile(path.utf8_string(), text, m_error) || !ParseText(text)) {
        m_loadError = wxString::FromUTF8(m_error.c_str());
        wxLogger(wxLOG_Error, __FILE__, __LINE__, "DXFRenderer::Load", wxLOG_COMPONENT)
            .Log("%s", m_loadError);
        return false;
    }
    // x.dxf.gz is named x.dxf.
    m_name = wxFileName(path).GetName();
    m_fileName = path;
    return true;
}

bool DXFRenderer::ParseText(std::string_view text) {
    Clear();
    m_error.clear();
    PairReader in(text);
    return ParseSections(in);
}

bool DXFRenderer::ParseSections(PairReader& in) {
    while (in.Next()) {
        if (!in.Is("0", "SECTION")) continue;
        if (!in.Next()) break;
        if (in.code() != "2") continue;
        const std::string_view name = in.value();
        bool ok = true;
        if (name == "HEADER")
            ok = SkipSection(in);
        else if (name == "TABLES")
            ok = ParseTables(in);
        else if (name == "ENTITIES")
            ok = ParseEntities(in);
        else
            continue;  // its content is scanned for the next section
        if (!ok) {
            m_error = "the " + std::string(name) + " section is not closed by ENDSEC";
            return false;
        }
    }
    if (m_normaliseOnLoad) NormaliseEntities();
    m_loaded = true;
    return true;
}

bool DXFRenderer::SkipSection(PairReader& in) {
    while (in.Next())
        if (in.Is("0", "ENDSEC")) return true;
    return false;
}

bool DXFRenderer::ParseTables(PairReader& in) {
    bool inLayer = false;
    std::string name;
    int colour = 0;
    bool hasColour = false;
    while (in.Next()) {
        if (in.code() == "0" && inLayer) {
            if (!name.empty() && hasColour) {
                m_layers.push_back({name, colour});
                m_layerColours.emplace(name, colour);
            }
            name.clear();
            hasColour = false;
            inLayer = false;
        }
        if (in.Is("0", "ENDSEC")) return true;
        if (in.Is("0", "LAYER")) {
            inLayer = true;
        } else if (inLayer && in.code() == "2") {
            name = std::string(in.value());
        } else if (inLayer && in.code() == "62") {
            colour = dez::ShapeInteger(in.value());
            hasColour = true;
        }
    }
    return false;
}

int DXFRenderer::GetLayerColour(std::string_view name) const {
    const auto found = m_layerColours.find(std::string(name));
    if (found == m_layerColours.end()) return kWhite;
    // A switched-off layer keeps its colour as a negative number.
    const long long c = found->second < 0 ? -(long long)found->second : found->second;
    return c >= 1 && c <= 255 ? int(c) : kWhite;
}

bool DXFRenderer::ParseEntities(PairReader& in) {
    bool pending = false;
    DXFEntity e;
    int colour = 0;
    bool hasColour = false;  // a code 62 was read
    std::string layer;
    const auto finish = [&] {
        if (!pending) return;
        if (e.kind == DXFEntity::Face) {
            // Newell's sum over the whole outline: two coinciding corners (a face closed on a
            // pole) add nothing, where the cross product of the first three would vanish.
            double n[3] = {0, 0, 0};
            for (int i = 0; i < 4; ++i) {
                const float* a = e.corners[i];
                const float* b = e.corners[(i + 1) % 4];
                n[0] += (double(a[1]) - b[1]) * (double(a[2]) + b[2]);
                n[1] += (double(a[2]) - b[2]) * (double(a[0]) + b[0]);
                n[2] += (double(a[0]) - b[0]) * (double(a[1]) + b[1]);
            }
            const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            for (int i = 0; i < 3; ++i)
                e.normal[i] = length > 0 && std::isfinite(length) ? float(n[i] / length) : 0.0f;
        }
        // By layer when no number was given or 256; by block (0) outside any block is white.
        if (!hasColour || colour == kByLayer)
            e.colour = GetLayerColour(layer);
        else if (colour == kByBlock || colour < 0 || colour > 255)
            e.colour = kWhite;
        else
            e.colour = colour;
        m_entities.push_back(e);
    };
    while (in.Next()) {
        if (in.code() == "0") {
            finish();
            pending = false;
            e = DXFEntity();
            hasColour = false;
            layer.clear();
            if (in.value() == "ENDSEC") return true;
            if (in.value() == "3DFACE") {
                pending = true;
                e.kind = DXFEntity::Face;
            } else if (in.value() == "LINE") {
                pending = true;
                e.kind = DXFEntity::Line;
            }
            continue;
        }
        if (!pending) continue;
        const std::string_view code = in.code();
        if (code == "8") {
            layer = std::string(in.value());
        } else if (code == "62") {
            colour = dez::ShapeInteger(in.value());
            hasColour = true;
        } else if (code.size() == 2 && code[0] >= '1' && code[0] <= '3' && code[1] >= '0' &&
                   code[1] <= '3') {
            // 10..13 x, 20..23 y, 30..33 z of corners 0..3.
            e.corners[code[1] - '0'][code[0] - '1'] = dez::ShapeNumber(in.value());
        }
    }
    return false;
}

void DXFRenderer::NormaliseEntities() {
    double lo[3] = {1e21, 1e21, 1e21}, hi[3] = {-1e21, -1e21, -1e21};
    int vertices = 0, faces = 0;
    for (const DXFEntity& e : m_entities) {
        const int n = e.kind == DXFEntity::Face ? 4 : 2;
        vertices += n;
        if (e.kind == DXFEntity::Face) ++faces;
        for (int c = 0; c < n; ++c)
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], double(e.corners[c][a]));
                hi[a] = std::max(hi[a], double(e.corners[c][a]));
            }
    }
    m_info = wxString::FromUTF8(dez::Format("v : %d  f : %d", vertices, faces).c_str());
    if (m_entities.empty()) return;
    // The largest extent fits the size: a flat drawing has no depth to divide by, and a drawing
    // whose corners all coincide keeps its scale.
    double extent[3], largest = 0;
    for (int a = 0; a < 3; ++a) {
        extent[a] = hi[a] - lo[a];
        largest = std::max(largest, extent[a]);
    }
    const double k = largest > 0 ? double(GetSize()) / largest : 1.0;
    for (DXFEntity& e : m_entities) {
        const int n = e.kind == DXFEntity::Face ? 4 : 2;
        for (int c = 0; c < n; ++c)
            for (int a = 0; a < 3; ++a)
                e.corners[c][a] = float((e.corners[c][a] - (lo[a] + extent[a] / 2)) * k);
    }
    for (int a = 0; a < 3; ++a) m_size[a] = float(extent[a] * k);
}

void DXFRenderer::Draw() {
    if (!m_loaded) return;
    for (const DXFEntity& e : m_entities) {
        const wxColour colour = ACIColourToRGB(e.colour);
        const auto setColour = [&] {
            if (m_useColour) glColor3f(colour.Red() / 255.0f, colour.Green() / 255.0f, colour.Blue() / 255.0f);
        };
        if (e.kind == DXFEntity::Line) {
            glBegin(GL_LINES);
            setColour();
            glVertex3fv(e.corners[0]);
            glVertex3fv(e.corners[1]);
            glEnd();
            continue;
        }
        // A fourth corner other than the third makes a quadrilateral: two triangles, or one
        // outline in wireframe.
        const bool quad = !Same(e.corners[2], e.corners[3]);
        glBegin(m_wireframe ? GL_LINE_LOOP : GL_TRIANGLES);
        setColour();
        glNormal3fv(e.normal);
        glVertex3fv(e.corners[0]);
        glVertex3fv(e.corners[1]);
        glVertex3fv(e.corners[2]);
        if (quad) {
            if (!m_wireframe) {
                glVertex3fv(e.corners[0]);
                glVertex3fv(e.corners[2]);
            }
            glVertex3fv(e.corners[3]);
        }
        glEnd();
    }
}

bool DXFRenderer::GetDrawnBounds(Point3D& low, Point3D& high) {
    if (!m_loaded) return false;
    bool any = false;
    for (const DXFEntity& e : m_entities) {
        Point3D lo, hi;
        // A face's fourth corner is drawn only when it differs from the third: it is within
        // what the face spans either way.
        if (!BoundsOfPoints(&e.corners[0][0], e.kind == DXFEntity::Face ? 4 : 2, lo, hi)) continue;
        for (int a = 0; a < 3; ++a) {
            low[a] = any ? std::min(low[a], lo[a]) : lo[a];
            high[a] = any ? std::max(high[a], hi[a]) : hi[a];
        }
        any = true;
    }
    return any;
}

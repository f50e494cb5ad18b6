#include "shapes/shapeOBJ.h"

#include <string>
#include <utility>
#include <vector>

#include <wx/log.h>

#include "shapes/objloader.h"

shapeOBJ::shapeOBJ() {
    m_part = -1;
    m_normaliseSize = 1.0f;
}

shapeOBJ::~shapeOBJ() = default;

wxString shapeOBJ::GetTypeName() { return "obj"; }

bool shapeOBJ::Load(const wxString& path) {
    Clear();
    m_loaded = false;
    m_fileName = path;
    objloader loader(path.utf8_string(), true);
    if (!loader.IsOpen()) return false;
    m_partCount = loader.CountGroups();
    std::vector<float> vertices;
    std::vector<int32_t> faces;
    // Part 0, or one past the groups, reads the whole file; a part below 0 names no group.
    const bool ok = m_part != 0 && m_part <= m_partCount
                        ? loader.ReadGroup(m_part, vertices, faces, true)
                        : loader.ReadAll(vertices, faces);
    if (!ok || vertices.empty()) {
        const std::string why = loader.Error().empty() ? "no vertices in " + path.utf8_string()
                                                       : loader.Error();
        wxLogger(wxLOG_Error, __FILE__, __LINE__, "shapeOBJ::Load", wxLOG_COMPONENT)
            .Log("%s", wxString::FromUTF8(why));
        return false;
    }
    SetMesh(std::move(vertices), std::move(faces));
    ComputeVertexNormals();
    m_loaded = true;
    return true;
}

void shapeOBJ::GetPartNames(wxArrayString* out) {
    if (out == nullptr) return;
    out->Empty();
    objloader loader(m_fileName.utf8_string(), true);
    for (int n = 1; n <= m_partCount; ++n) {
        ObjGroupInfo info;
        out->Add(loader.GetGroupInfo(n, info) ? wxString::FromUTF8(info.name) : wxString());
    }
}

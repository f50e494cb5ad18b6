#include "shapes/shape3DS.h"

#include <string>
#include <utility>
#include <vector>

#include <wx/filename.h>
#include <wx/log.h>

#include "shapes/Reader3DS.h"

void shape3DS::Report(const wxString& text) {
    wxLogger(wxLOG_Error, __FILE__, __LINE__, "shape3DS::Load", wxLOG_COMPONENT).Log("%s", text);
    // The reader's own reason comes first and says most.
    if (m_loadError.empty()) m_loadError = text;
}

shape3DS::shape3DS() {
    m_part = -1;
    m_useDisplayList = false;
}

shape3DS::~shape3DS() = default;

wxString shape3DS::GetTypeName() { return "3ds"; }

bool shape3DS::Load(const wxString& path) {
    Clear();
    m_loaded = false;
    m_loadError.clear();
    dez::Reader3DS reader;
    if (!reader.Open3DSFile(path.utf8_string())) {
        m_loadError = wxString::FromUTF8(reader.Error());
        Report("Unable to open 3DS file");
        return false;
    }
    m_partCount = reader.Count3DSObjects();
    if (!reader.Select3DSObject(m_part, nullptr)) {
        if (!reader.Error().empty()) Report(wxString::FromUTF8(reader.Error()));
        Report("Unable to read 3DS object");
        return false;
    }
    int vertexCount = 0, faceCount = 0;
    if (!reader.Get3DSVertices(&vertexCount) || !reader.Get3DSFaces(&faceCount) ||
        vertexCount == 0 || faceCount == 0) {
        Report("Empty file - Unable to read 3DS file");
        return false;
    }
    std::vector<float> vertices;
    std::vector<int32_t> faces;
    reader.TakeSelection(vertices, faces);
    SetMesh(std::move(vertices), std::move(faces));
    // Always, whatever the normalise-on-load flag: 3DS coordinates come in any unit.
    Normalise();
    ComputeVertexNormals();
    m_loaded = true;
    m_fileName = path;
    m_name = wxFileName(path).GetName();
    return true;
}

void shape3DS::GetPartNames(wxArrayString* out) {
    if (out == nullptr) return;
    out->Empty();
    dez::Reader3DS reader;
    const bool open = !m_fileName.empty() && reader.Open3DSFile(m_fileName.utf8_string());
    for (int i = 0; i < m_partCount; ++i)
        out->Add(open ? wxString::FromUTF8(reader.ObjectName(i)) : wxString());
}

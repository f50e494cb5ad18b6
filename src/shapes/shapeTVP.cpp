#include "shapes/shapeTVP.h"

#include <istream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>

#include "platform/TextUtil.h"
#include "shapes/MeshText.h"

namespace {

constexpr const char* kFunction = "shapeTVP::Load";

void LogError(const wxString& text) {
    wxLogger(wxLOG_Error, __FILE__, __LINE__, kFunction, wxLOG_COMPONENT).Log("%s", text);
}

wxString Prefix(const wxString& source) { return source.empty() ? wxString() : source + ": "; }

}  // namespace

shapeTVP::shapeTVP() = default;

shapeTVP::~shapeTVP() = default;

wxString shapeTVP::GetTypeName() { return "tvp"; }

bool shapeTVP::Load(const wxString& path) {
    Clear();
    m_loaded = false;
    std::string text, error;
    if (!dez::ReadMeshFile(path.utf8_string(), text, error)) {
        LogError(wxString(_("Unable to open ")) + path);
        return false;
    }
    if (Parse(text, path)) {
        m_name = wxFileName(path).GetName();
        m_fileName = path;
    }
    return m_loaded;
}

bool shapeTVP::Load(std::istream& in) {
    m_loaded = false;
    if (!in) return false;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return Parse(text, wxString());
}

bool shapeTVP::Parse(std::string_view text, const wxString& source) {
    m_loaded = false;
    dez::MeshWords words(text);
    if (!dez::EqualsNoCase(words.FirstLine(), "#vertex and polygon text file")) {
        LogError(_("This file is not a vertex and polygon text file."));
        return false;
    }
    const long long v = words.NextInt();
    const long long f = words.NextInt();
    if (v == 0 || f == 0) return false;
    // Each count needs at least one word per item: a larger one cannot be this file's.
    const auto room = static_cast<long long>(words.Remaining());
    if (v < 0 || f < 0 || v > room || f > room) {
        LogError(Prefix(source) +
                 wxString::Format("counts %lld vertices, %lld faces do not fit the file", v, f));
        return false;
    }
    std::vector<float> vertices(size_t(v) * 3);
    std::vector<float> normals(size_t(v) * 3);
    for (long long i = 0; i < v; ++i) {
        for (int a = 0; a < 3; ++a) vertices[size_t(i) * 3 + a] = float(words.NextReal());
        for (int a = 0; a < 3; ++a) normals[size_t(i) * 3 + a] = float(words.NextReal());
    }
    std::vector<int32_t> faces;
    std::string error;
    if (!dez::ReadTextFaces(words, f, v, faces, error)) {
        LogError(Prefix(source) + wxString::FromUTF8(error));
        return false;
    }
    SetMesh(std::move(vertices), std::move(faces));
    SetNormals(std::move(normals));
    Normalise();
    m_loaded = true;
    return true;
}

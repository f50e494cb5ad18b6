#include "shapes/shapeTVP.h"

#include <istream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <wx/intl.h>

#include "platform/TextUtil.h"
#include "shapes/MeshText.h"

constexpr const char* kFunction = "shapeTVP::Load";

shapeTVP::shapeTVP() = default;

shapeTVP::~shapeTVP() = default;

wxString shapeTVP::GetTypeName() { return "tvp"; }

bool shapeTVP::Load(const wxString& path) {
    return LoadMeshText(path, kFunction, [this](std::string_view text, const wxString& source) {
        return Parse(text, source);
    });
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
        LogLoadError(kFunction, wxString(), _("This file is not a vertex and polygon text file."));
        return false;
    }
    const long long v = words.NextInt();
    const long long f = words.NextInt();
    if (v == 0 || f == 0) return false;
    // Each count needs at least one word per item: a larger one cannot be this file's.
    const auto room = static_cast<long long>(words.Remaining());
    if (v < 0 || f < 0 || v > room || f > room) {
        LogLoadError(kFunction, source,
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
        LogLoadError(kFunction, source, wxString::FromUTF8(error));
        return false;
    }
    SetMesh(std::move(vertices), std::move(faces));
    SetNormals(std::move(normals));
    Normalise();
    m_loaded = true;
    return true;
}

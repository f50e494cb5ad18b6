#include "shapes/shapeSHL.h"

#include <istream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <wx/intl.h>

#include "platform/TextUtil.h"
#include "shapes/MeshText.h"

constexpr const char* kFunction = "shapeSHL::Load";

shapeSHL::shapeSHL() = default;

shapeSHL::~shapeSHL() = default;

wxString shapeSHL::GetTypeName() { return "shl"; }

bool shapeSHL::Load(const wxString& path) {
    return LoadMeshText(path, kFunction, [this](std::string_view text, const wxString& source) {
        return Parse(text, source);
    });
}

bool shapeSHL::Load(std::istream& in) {
    if (!in) return m_loaded;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return Parse(text, wxString());
}

bool shapeSHL::Parse(std::string_view text, const wxString& source) {
    dez::MeshWords words(text);
    if (!dez::EqualsNoCase(words.FirstLine(), "Version: 2")) {
        LogLoadError(kFunction, wxString(), _("This is not a valid SHL file"));
        return false;
    }
    const long long v = words.NextInt();
    const long long f = words.NextInt();
    const long long n = words.NextInt();
    const double scale = words.NextReal();
    if (v == 0 || f == 0 || scale == 0) return false;
    // Each count needs at least one word per item: a larger one cannot be this file's.
    const auto room = static_cast<long long>(words.Remaining());
    if (v < 0 || f < 0 || n < 0 || v > room || f > room || n > room) {
        LogLoadError(kFunction, source,
                     wxString::Format("counts %lld vertices, %lld faces, %lld normals "
                                      "do not fit the file",
                                      v, f, n));
        return false;
    }
    std::vector<float> vertices(size_t(v) * 3);
    for (float& c : vertices) c = float(words.NextReal() * scale);
    std::vector<int32_t> faces;
    std::string error;
    if (!dez::ReadTextFaces(words, f, v, faces, error)) {
        LogLoadError(kFunction, source, wxString::FromUTF8(error));
        return false;
    }
    std::vector<float> normals;
    if (n >= v) {
        normals.resize(size_t(v) * 3);
        for (float& c : normals) c = float(words.NextReal());
    }
    SetMesh(std::move(vertices), std::move(faces));
    if (n >= v) SetNormals(std::move(normals));
    // Fewer normals than vertices would leave some vertices unlit: all come from the faces then.
    else if (n > 0) ComputeVertexNormals();
    Normalise();
    m_loaded = true;
    return true;
}

#include "shapes/ObjMtlModel.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <unordered_map>

#include "platform/GuardedRead.h"
#include "platform/Memory.h"
#include "platform/NumberText.h"
#include "shapes/ShapeText.h"

namespace {

using dez::ShapeWords;

// Marks a corner index that no array can hold (negative, or beyond 32 bits): checked and refused
// with the triangle once the whole file is read.
constexpr unsigned kBadIndex = UINT_MAX;

// The face forms; the first corner decides the form of the whole face.
enum class CornerForm { Vertex, VertexTexture, VertexTextureNormal, VertexNormal };

// A corner index as written: an optional sign and decimal digits, the whole of `text`.
bool ParseIndex(std::string_view text, unsigned& out) {
    if (text.empty()) return false;
    bool negative = false;
    size_t i = 0;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size()) return false;
    uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return false;
        if (value <= UINT32_MAX) value = value * 10 + unsigned(c - '0');
    }
    // Relative (negative) indices are not interpreted: they are refused with their triangle.
    out = (negative && value != 0) || value >= kBadIndex ? kBadIndex : unsigned(value);
    return true;
}

CornerForm FormOf(std::string_view corner) {
    if (corner.find("//") != std::string_view::npos) return CornerForm::VertexNormal;
    const size_t slashes = size_t(std::count(corner.begin(), corner.end(), '/'));
    if (slashes >= 2) return CornerForm::VertexTextureNormal;
    if (slashes == 1) return CornerForm::VertexTexture;
    return CornerForm::Vertex;
}

struct Corner {
    unsigned v = 0, t = 0, n = 0;
};

bool ParseCorner(std::string_view word, CornerForm form, Corner& c) {
    switch (form) {
    case CornerForm::Vertex:
        return ParseIndex(word, c.v);
    case CornerForm::VertexNormal: {
        const size_t at = word.find("//");
        return at != std::string_view::npos && ParseIndex(word.substr(0, at), c.v) &&
               ParseIndex(word.substr(at + 2), c.n);
    }
    case CornerForm::VertexTexture: {
        const size_t at = word.find('/');
        return at != std::string_view::npos && ParseIndex(word.substr(0, at), c.v) &&
               ParseIndex(word.substr(at + 1), c.t);
    }
    case CornerForm::VertexTextureNormal: {
        const size_t a = word.find('/');
        if (a == std::string_view::npos) return false;
        const size_t b = word.find('/', a + 1);
        return b != std::string_view::npos && ParseIndex(word.substr(0, a), c.v) &&
               ParseIndex(word.substr(a + 1, b - a - 1), c.t) && ParseIndex(word.substr(b + 1), c.n);
    }
    }
    return false;
}

class ObjReader {
public:
    explicit ObjReader(ObjMtlModel& model) : model_(model) {}

    void Read(std::string_view text) {
        text_ = text;
        Reserve(text);
        current_ = GroupNamed("default");
        ShapeWords lines(text);
        std::string_view line;
        while (lines.NextLine(line)) {
            ++lineNo_;
            ShapeWords words(line);
            const std::string_view word = words.Next();
            if (word.empty()) continue;
            switch (word[0]) {
            case 'v':
                ReadVertexLine(word, words);
                break;
            case 'f':
                ReadFace(words);
                break;
            case 'g': {
                current_ = GroupNamed(std::string(words.Next()));
                model_.groups[current_].material = material_;
                break;
            }
            case 'm':
                if (word == "mtllib") ReadLibrary(std::string(words.Next()));
                break;
            case 'u':
                if (word == "usemtl") {
                    usedNames_.emplace_back(words.Next());
                    material_ = unsigned(usedNames_.size());
                    model_.groups[current_].material = material_;
                }
                break;
            default:
                break;
            }
        }
        DropBadTriangles();
        ResolveMaterials();
        if (shortFaces_ > 0)
            std::cout << "glmReadOBJ(): " << shortFaces_
                      << " faces with fewer than three corners dropped (first at line "
                      << firstShortFace_ << ").\n";
    }

private:
    void ReadVertexLine(std::string_view word, ShapeWords& words) {
        if (word == "v") {
            for (int i = 0; i < 3; ++i) model_.vertices.push_back(dez::ShapeNumber(words.Next()));
        } else if (word == "vn") {
            for (int i = 0; i < 3; ++i) model_.normals.push_back(dez::ShapeNumber(words.Next()));
        } else if (word == "vt") {
            for (int i = 0; i < 2; ++i) model_.texcoords.push_back(dez::ShapeNumber(words.Next()));
        } else {
            std::cout << "_glmFirstPass(): Unknown token \"" << word << "\".\n";
        }
    }

    void ReadFace(ShapeWords& words) {
        corners_.clear();
        std::string_view word = words.Next();
        const CornerForm form = FormOf(word);
        Corner c;
        while (!word.empty() && ParseCorner(word, form, c)) {
            corners_.push_back(c);
            c = Corner();
            word = words.Next();
        }
        if (corners_.size() < 3) {
            if (shortFaces_++ == 0) firstShortFace_ = lineNo_;
            return;
        }
        // A fan around the first corner.
        for (size_t k = 2; k < corners_.size(); ++k) {
            const Corner* abc[3] = {&corners_[0], &corners_[k - 1], &corners_[k]};
            ObjMtlTriangle t;
            for (int j = 0; j < 3; ++j) {
                t.vindices[j] = abc[j]->v;
                t.nindices[j] = abc[j]->n;
                t.tindices[j] = abc[j]->t;
            }
            model_.groups[current_].triangles.push_back(unsigned(model_.triangles.size()));
            model_.triangles.push_back(t);
        }
    }

    // The arrays sized once from a count of the line keywords (a face is at least one triangle),
    // in large pages: a model of millions of triangles otherwise spends its load growing them.
    void Reserve(std::string_view text) {
        size_t v = 0, vn = 0, vt = 0, f = 0;
        for (size_t i = 0; i + 1 < text.size();) {
            const char a = text[i], b = text[i + 1];
            if (a == 'v') {
                v += b == ' ' || b == '\t';
                vn += b == 'n';
                vt += b == 't';
            } else if (a == 'f') {
                f += b == ' ' || b == '\t';
            }
            const void* end = std::memchr(text.data() + i, '\n', text.size() - i);
            if (!end) break;
            i = size_t(static_cast<const char*>(end) - text.data()) + 1;
        }
        const auto reserve = [](auto& vector, size_t n) {
            vector.reserve(vector.size() + n);
            dez::AdviseLargeBlock(vector.data(), vector.capacity() * sizeof(vector[0]));
        };
        reserve(model_.vertices, 3 * v);
        reserve(model_.normals, 3 * vn);
        reserve(model_.texcoords, 2 * vt);
        reserve(model_.triangles, f);
    }

    // The line of triangle `index`, found again by counting the faces: only messages need it.
    unsigned LineOfTriangle(size_t index) const {
        ShapeWords lines(text_);
        std::string_view line;
        unsigned number = 0;
        size_t triangles = 0;
        std::vector<Corner> corners;
        while (lines.NextLine(line)) {
            ++number;
            ShapeWords words(line);
            const std::string_view word = words.Next();
            if (word.empty() || word[0] != 'f') continue;
            std::string_view corner = words.Next();
            const CornerForm form = FormOf(corner);
            size_t n = 0;
            Corner c;
            while (!corner.empty() && ParseCorner(corner, form, c)) {
                ++n;
                c = Corner();
                corner = words.Next();
            }
            if (n >= 3) triangles += n - 2;
            if (triangles > index) return number;
        }
        return number;
    }

    // Indices may point forward in the file, so they are checked once every array is complete.
    // A normal or texture index 0 means the face gave none: entry 0 exists for it.
    void DropBadTriangles() {
        const unsigned nv = model_.VertexCount(), nn = model_.NormalCount(),
                       nt = model_.TexCoordCount();
        std::vector<unsigned> newNumber(model_.triangles.size(), kBadIndex);
        unsigned kept = 0, dropped = 0, firstLine = 0;
        for (size_t i = 0; i < model_.triangles.size(); ++i) {
            const ObjMtlTriangle& t = model_.triangles[i];
            bool ok = true;
            for (int j = 0; j < 3; ++j)
                ok = ok && t.vindices[j] >= 1 && t.vindices[j] <= nv && t.nindices[j] <= nn &&
                     t.tindices[j] <= nt;
            if (ok) {
                newNumber[i] = kept;
                model_.triangles[kept++] = t;
            } else if (dropped++ == 0) {
                firstLine = LineOfTriangle(i);
            }
        }
        if (dropped == 0) return;
        model_.triangles.resize(kept);
        for (ObjMtlGroup& g : model_.groups) {
            size_t out = 0;
            for (unsigned t : g.triangles)
                if (newNumber[t] != kBadIndex) g.triangles[out++] = newNumber[t];
            g.triangles.resize(out);
        }
        std::cout << "glmReadOBJ(): " << dropped
                  << " triangles dropped: a corner names a vertex, normal or texture coordinate "
                     "the file does not have (first at line "
                  << firstLine << ").\n";
    }

    unsigned GroupNamed(const std::string& name) {
        const auto found = groupIndex_.find(name);
        if (found != groupIndex_.end()) return found->second;
        model_.groups.emplace_back();
        model_.groups.back().name = name;
        groupIndex_.emplace(name, unsigned(model_.groups.size() - 1));
        return unsigned(model_.groups.size() - 1);
    }

    void ReadLibrary(const std::string& name) {
        model_.mtllibname = name;
        // A library named without a folder lies beside the OBJ file.
        std::string path = name;
        const size_t slash = model_.path.rfind('/');
        if (slash != std::string::npos && (name.empty() || name[0] != '/'))
            path = model_.path.substr(0, slash + 1) + name;
        std::vector<uint8_t> bytes;
        std::string why = "no file name";
        if (name.empty() || !dez::ReadWholeFile(path, bytes, &why)) {
            std::cout << "_glmReadMTL() failed: can't open material file << " << path << " (" << why << ")\n";
            return;
        }
        glmParseMTL(model_, std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                             bytes.size()));
    }

    // usemtl lines may come before the library is read: groups hold the number of the usemtl
    // line (0 = none) until the end of the file, when names become material indices.
    void ResolveMaterials() {
        std::unordered_map<std::string, unsigned> byName;
        for (size_t i = 0; i < model_.materials.size(); ++i)
            byName.emplace(model_.materials[i].name, unsigned(i));
        std::vector<unsigned> index(usedNames_.size() + 1, 0);
        std::unordered_map<std::string, bool> reported;
        for (size_t i = 0; i < usedNames_.size(); ++i) {
            const auto found = byName.find(usedNames_[i]);
            if (found != byName.end()) {
                index[i + 1] = found->second;
            } else if (reported.emplace(usedNames_[i], true).second) {
                // Once per name: a file may name a missing material on every other line.
                std::cout << "_glmFindMaterial():  can't find material \"" << usedNames_[i]
                          << "\".\n";
            }
        }
        for (ObjMtlGroup& g : model_.groups) g.material = index[g.material];
    }

    ObjMtlModel& model_;
    unsigned current_ = 0;
    unsigned material_ = 0;
    unsigned lineNo_ = 0;
    unsigned shortFaces_ = 0;
    unsigned firstShortFace_ = 0;
    std::vector<Corner> corners_;
    std::string_view text_;
    std::vector<std::string> usedNames_;
    std::unordered_map<std::string, unsigned> groupIndex_;
};

}  // namespace

namespace {

// `v` becomes n copies of `value`, in large pages when it is large.
template <typename Vector>
void AssignLarge(Vector& v, size_t n, typename Vector::value_type value) {
    Vector fresh;
    fresh.reserve(n);
    dez::AdviseLargeBlock(fresh.data(), n * sizeof(value));
    fresh.assign(n, value);
    v.swap(fresh);
}

}  // namespace

ObjMtlModel::ObjMtlModel() : vertices(3, 0.0f), normals(3, 0.0f), texcoords(2, 0.0f), facetnorms(3, 0.0f) {}

std::unique_ptr<ObjMtlModel> glmParseOBJ(const std::string& path, std::string_view text) {
    auto model = std::make_unique<ObjMtlModel>();
    model->path = path;
    ObjReader reader(*model);
    reader.Read(dez::SkipByteOrderMark(text));
    return model;
}

std::unique_ptr<ObjMtlModel> glmReadOBJ(const std::string& path) {
    dez::FileBytes bytes;
    std::string why;
    if (!dez::ReadWholeFile(path, bytes, &why)) {
        std::cout << "glmReadOBJ() failed: can't open data file " << path << " (" << why << ")\n";
        return nullptr;
    }
    return glmParseOBJ(path, bytes.text());
}

void glmParseMTL(ObjMtlModel& model, std::string_view text) {
    model.materials.assign(1, ObjMtlMaterial());
    model.materials[0].name = "default";
    ObjMtlMaterial* current = &model.materials[0];
    ShapeWords lines(dez::SkipByteOrderMark(text));
    std::string_view line;
    while (lines.NextLine(line)) {
        ShapeWords words(line);
        const std::string_view word = words.Next();
        float* colour = nullptr;
        if (word == "newmtl") {
            model.materials.emplace_back();
            current = &model.materials.back();
            current->name = std::string(words.Next());
        } else if (word == "Ka") {
            colour = current->ambient;
        } else if (word == "Kd") {
            colour = current->diffuse;
        } else if (word == "Ks") {
            colour = current->specular;
        } else if (word == "Ns") {
            // Exponents run 0 to 1000 in MTL files, 0 to 128 in OpenGL, which refuses others.
            const float s = dez::ShapeNumber(words.Next()) / 1000.0f * 128.0f;
            current->shininess = std::clamp(s, 0.0f, 128.0f);
        }
        if (colour == nullptr) continue;
        for (int i = 0; i < 3; ++i) {
            const std::string_view value = words.Next();
            if (!value.empty()) colour[i] = dez::ShapeNumber(value);
        }
    }
}

void glmFreeModel(std::unique_ptr<ObjMtlModel>& model) { model.reset(); }

void glmMakeFaceNormals(ObjMtlModel& model) {
    AssignLarge(model.facetnorms, 3 * (size_t(model.TriangleCount()) + 1), 0.0f);
    for (size_t i = 0; i < model.triangles.size(); ++i) {
        ObjMtlTriangle& t = model.triangles[i];
        t.findex = unsigned(i + 1);
        const float* a = &model.vertices[3 * size_t(t.vindices[0])];
        const float* b = &model.vertices[3 * size_t(t.vindices[1])];
        const float* c = &model.vertices[3 * size_t(t.vindices[2])];
        const double u[3] = {double(b[0]) - a[0], double(b[1]) - a[1], double(b[2]) - a[2]};
        const double w[3] = {double(c[0]) - a[0], double(c[1]) - a[1], double(c[2]) - a[2]};
        const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                             u[0] * w[1] - u[1] * w[0]};
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        // A triangle without area has no direction: its normal stays 0.
        if (!(length > 0) || !std::isfinite(length)) continue;
        float* out = &model.facetnorms[3 * (i + 1)];
        for (int k = 0; k < 3; ++k) out[k] = float(n[k] / length);
    }
}

void glmVertexNormals(ObjMtlModel& model, float angle) {
    const double cosAngle = std::cos(double(angle) * M_PI / 180.0);
    const unsigned nv = model.VertexCount();
    // The corners at each vertex, from its last triangle back to its first: (triangle, corner).
    std::vector<unsigned> start(size_t(nv) + 2, 0);
    for (const ObjMtlTriangle& t : model.triangles)
        for (unsigned v : t.vindices) ++start[v + 1];
    for (size_t v = 1; v < start.size(); ++v) start[v] += start[v - 1];
    std::vector<uint64_t> corners;
    AssignLarge(corners, start.back(), 0);
    std::vector<unsigned> fill(start.begin(), start.end() - 1);
    for (size_t i = model.triangles.size(); i-- > 0;)
        for (unsigned j = 0; j < 3; ++j)
            corners[fill[model.triangles[i].vindices[j]]++] = (uint64_t(i) << 2) | j;

    model.normals.assign(3, 0.0f);
    model.normals.reserve(3 * (size_t(model.TriangleCount()) * 3 + 1));
    dez::AdviseLargeBlock(model.normals.data(), model.normals.capacity() * sizeof(float));
    std::vector<char> averaged;
    unsigned lonely = 0;
    for (unsigned v = 1; v <= nv; ++v) {
        const size_t begin = start[v], end = start[v + 1];
        if (begin == end) {
            // Once, with a count at the end: point clouds have nothing but such vertices.
            if (lonely++ == 0) std::cout << "glmVertexNormals(): vertex w/o a triangle\n";
            continue;
        }
        const float* ref = &model.facetnorms[3 * size_t(model.triangles[corners[begin] >> 2].findex)];
        averaged.assign(end - begin, 0);
        double sum[3] = {0, 0, 0};
        bool any = false;
        for (size_t k = begin; k < end; ++k) {
            const float* f = &model.facetnorms[3 * size_t(model.triangles[corners[k] >> 2].findex)];
            if (double(f[0]) * ref[0] + double(f[1]) * ref[1] + double(f[2]) * ref[2] > cosAngle) {
                averaged[k - begin] = 1;
                any = true;
                for (int a = 0; a < 3; ++a) sum[a] += f[a];
            }
        }
        unsigned avg = 0;
        if (any) {
            const double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
            // Opposite faces may cancel out: such a vertex has no direction, its normal is 0.
            for (int a = 0; a < 3; ++a)
                model.normals.push_back(length > 0 ? float(sum[a] / length) : 0.0f);
            avg = model.NormalCount();
        }
        for (size_t k = begin; k < end; ++k) {
            ObjMtlTriangle& t = model.triangles[corners[k] >> 2];
            const unsigned corner = unsigned(corners[k] & 3);
            if (averaged[k - begin]) {
                t.nindices[corner] = avg;
            } else {
                const float* f = &model.facetnorms[3 * size_t(t.findex)];
                model.normals.insert(model.normals.end(), f, f + 3);
                t.nindices[corner] = model.NormalCount();
            }
        }
    }
    model.normals.shrink_to_fit();
    if (lonely > 1) std::cout << "glmVertexNormals(): " << lonely << " vertices w/o a triangle\n";
    std::cout << "glmVertexNormals(): " << model.NormalCount() << " normals generated\n";
}

namespace {

void Bounds(const ObjMtlModel& model, double lo[3], double hi[3]) {
    for (int a = 0; a < 3; ++a) lo[a] = hi[a] = 0;
    const unsigned nv = model.VertexCount();
    if (nv == 0) return;
    for (int a = 0; a < 3; ++a) lo[a] = hi[a] = model.vertices[3 + a];
    for (unsigned v = 2; v <= nv; ++v)
        for (int a = 0; a < 3; ++a) {
            const double x = model.vertices[3 * size_t(v) + a];
            lo[a] = std::min(lo[a], x);
            hi[a] = std::max(hi[a], x);
        }
}

}  // namespace

float glmFitToUnitBox(ObjMtlModel& model) {
    double lo[3], hi[3];
    Bounds(model, lo, hi);
    // The extent is max - min: adding the absolute values is right only for a model that
    // straddles the origin.
    double largest = 0;
    for (int a = 0; a < 3; ++a) largest = std::max(largest, hi[a] - lo[a]);
    const double factor = largest > 0 && std::isfinite(largest) ? 2.0 / largest : 1.0;
    const unsigned nv = model.VertexCount();
    for (unsigned v = 1; v <= nv; ++v)
        for (int a = 0; a < 3; ++a) {
            float& x = model.vertices[3 * size_t(v) + a];
            x = float((x - (hi[a] + lo[a]) * 0.5) * factor);
        }
    return float(factor);
}

void glmExtents(const ObjMtlModel& model, float out[3]) {
    double lo[3], hi[3];
    Bounds(model, lo, hi);
    for (int a = 0; a < 3; ++a) out[a] = float(std::abs(hi[a]) + std::abs(lo[a]));
}

void glmScaleVertices(ObjMtlModel& model, float factor) {
    for (size_t i = 3; i < model.vertices.size(); ++i) model.vertices[i] *= factor;
}

unsigned glmCheckMode(const ObjMtlModel& model, unsigned mode) {
    const auto drop = [&mode](unsigned bit, const char* warning) {
        mode &= ~bit;
        std::cout << "glmDraw() warning: " << warning << "\n";
    };
    if ((mode & GLM_FLAT) && model.FacetNormalCount() == 0)
        drop(GLM_FLAT, "flat render mode requested with no facet normals defined.");
    if ((mode & GLM_SMOOTH) && model.NormalCount() == 0)
        drop(GLM_SMOOTH, "smooth render mode requested with no normals defined.");
    if ((mode & GLM_TEXTURE) && model.TexCoordCount() == 0)
        drop(GLM_TEXTURE, "texture render mode requested with no texture coordinates defined.");
    if ((mode & GLM_FLAT) && (mode & GLM_SMOOTH))
        drop(GLM_FLAT,
             "flat render mode requested and smooth render mode requested (using smooth).");
    if ((mode & GLM_COLOR) && model.MaterialCount() == 0)
        drop(GLM_COLOR, "color render mode requested with no materials defined.");
    if ((mode & GLM_MATERIAL) && model.MaterialCount() == 0)
        drop(GLM_MATERIAL, "material render mode requested with no materials defined.");
    if ((mode & GLM_COLOR) && (mode & GLM_MATERIAL))
        drop(GLM_COLOR, "color and material render mode requested using only material mode");
    return mode;
}

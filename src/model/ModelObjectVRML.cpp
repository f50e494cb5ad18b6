// The VRML97 node of one model glyph and the interpolator values of its pose.
#include "model/ModelObject.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <string>

#include "model/VrmlText.h"
#include "motion/geometry.h"
#include "shapes/shapeVP.h"

namespace {

constexpr double kRadiansPerDegree = M_PI / 180.0;

// What a reader gets for a value that has no number: a missing sample is written far away, as
// missing markers are, rather than as "nan" that no VRML reader takes.
constexpr double kFarAway = 99999.0;

void Line(std::ostream& out, int level) { vrml::Indent(out, level); }

const shapeVP* MeshOf(const ModelObject& o) { return dynamic_cast<const shapeVP*>(o.GetMesh()); }

bool MeshHasData(const ModelObject& o) {
    auto* mesh = const_cast<shapeVP*>(MeshOf(o));
    return mesh && mesh->GetVertices() && mesh->GetFaces() && mesh->GetVertexCount() > 0 &&
           mesh->GetFaceCount() > 0;
}

void CloseNode(std::ostream& out, int* level) {
    const int l = *level - 3;
    Line(out, l + 2);
    out << "}" << std::endl;
    Line(out, l + 1);
    out << "]" << std::endl;
    Line(out, l);
    out << "}" << std::endl;
    *level = l;
}

void WriteTriple(std::ostream& out, float a, float b, float c) { out << a << " " << b << " " << c; }

// Five points or vectors as the pyramid lays them out: two, two and one per line.
void WritePyramidRows(std::ostream& out, int level, const float (*p)[3]) {
    Line(out, level);
    WriteTriple(out, p[0][0], p[0][1], p[0][2]);
    out << ",";
    WriteTriple(out, p[1][0], p[1][1], p[1][2]);
    out << " , " << std::endl;
    Line(out, level);
    WriteTriple(out, p[2][0], p[2][1], p[2][2]);
    out << " , ";
    WriteTriple(out, p[3][0], p[3][1], p[3][2]);
    out << " , " << std::endl;
    Line(out, level);
    WriteTriple(out, p[4][0], p[4][1], p[4][2]);
    out << std::endl;
}

void Normalised(float v[3]) {
    const float n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (n == 0.0f) return;
    for (int k = 0; k < 3; ++k) v[k] /= n;
}

// "<node> { <field> [ rows ] }" at `level`; `rows` writes the values one level deeper.
template <class Rows>
void WriteValueNode(std::ostream& out, int level, const char* node, const char* field, Rows rows) {
    Line(out, level);
    out << node << " { " << std::endl;
    Line(out, level + 1);
    out << field << " [ " << std::endl;
    rows(level + 2);
    Line(out, level + 1);
    out << "]" << std::endl;
    Line(out, level);
    out << "}" << std::endl;
}

// The end of a face set after its index list: the list's bracket, "solid TRUE", the brace.
void CloseFaceSet(std::ostream& out, int l) {
    Line(out, l + 4);
    out << "]" << std::endl;
    Line(out, l + 4);
    out << "solid TRUE" << std::endl;
    Line(out, l + 3);
    out << "}" << std::endl;
}

void WritePyramid(std::ostream& out, int l, float sizeX, float sizeZ) {
    const float X = sizeX, Z = sizeZ;
    const float h = Z / 2.0f, d = h - X;
    const float points[5][3] = {{0, 0, h}, {0, -X, d}, {0, X, d}, {X, 0, d}, {0, 0, -h}};
    const float q = Z - X;
    float vectors[5][3] = {{-1, 1, -1}, {1, -1, 1}, {q, q, -X}, {q, q, -X}, {-q, q, X}};
    for (auto& v : vectors) Normalised(v);
    out << "geometry IndexedFaceSet {" << std::endl;
    WriteValueNode(out, l + 4, "coord Coordinate", "point", [&](int level) { WritePyramidRows(out, level, points); });
    WriteValueNode(out, l + 4, "normal Normal", "vector", [&](int level) {
        WritePyramidRows(out, level, vectors);
        out << std::endl;
    });
    Line(out, l + 4);
    out << "coordIndex [" << std::endl;
    Line(out, l + 5);
    out << "0 1 3 -1 0 3 2 -1 1 4 3 -1 2 3 4 -1 0 2 4 1 -1" << std::endl;
    out << std::endl;
    CloseFaceSet(out, l);
}

// Triples three to a line, each followed by " , ".
void WriteTriples(std::ostream& out, int level, const float* values, int count) {
    Line(out, level);
    for (int i = 0; i < count; ++i) {
        WriteTriple(out, values[3 * i], values[3 * i + 1], values[3 * i + 2]);
        out << " , ";
        if ((i + 1) % 3 == 0 && i + 1 < count) {
            out << std::endl;
            Line(out, level);
        }
    }
    out << std::endl;
}

void WriteMesh(std::ostream& out, int l, shapeVP& mesh) {
    const int vertices = mesh.GetVertexCount();
    const int faces = mesh.GetFaceCount();
    out << "geometry IndexedFaceSet {" << std::endl;
    WriteValueNode(out, l + 4, "coord Coordinate", "point",
                   [&](int level) { WriteTriples(out, level, mesh.GetVertices(), vertices); });
    if (mesh.GetNormals())
        WriteValueNode(out, l + 4, "normal Normal", "vector",
                       [&](int level) { WriteTriples(out, level, mesh.GetNormals(), vertices); });
    Line(out, l + 4);
    out << "coordIndex [" << std::endl;
    Line(out, l + 5);
    const int32_t* face = mesh.GetFaces();
    int written = 0;
    for (int f = 0; f < faces; ++f, face += shapeVP::kFaceInts) {
        // Corners that are no vertex would make the whole file unreadable: they are left out, and
        // so is a face left with fewer than three corners.
        int corners[4];
        int n = 0;
        const int count = std::clamp<int32_t>(face[0], 0, shapeVP::kFaceInts - 1);
        for (int c = 0; c < count; ++c)
            if (face[1 + c] >= 0 && face[1 + c] < vertices) corners[n++] = face[1 + c];
        if (n < 3) continue;
        if (written > 0 && written % 3 == 0) {
            out << std::endl;
            Line(out, l + 5);
        }
        for (int c = 0; c < n; ++c) out << corners[c] << " ";
        out << "-1 , ";
        ++written;
    }
    out << std::endl;
    CloseFaceSet(out, l);
}

}  // namespace

bool ModelObject::WritesVRMLNode() const {
    switch (type) {
    case kSphere:
    case kCylinder:
    case kBox:
    case kPyramid:
        return true;
    case kMesh:
        return MeshHasData(*this);
    default:
        return false;
    }
}

void ModelObject::WriteVRML(std::ostream& out, int index, const wxString& prefix, int* level) {
    vrml::ClassicNumbers numbers(out);
    const int l = *level;
    out << std::endl;
    out << "# -----------------[ " << vrml::Identifier(name.utf8_string()) << " ]------------------" << std::endl;
    Line(out, l);
    out << "DEF " << prefix.utf8_string() << "_" << index << " Transform {" << std::endl;
    Line(out, l + 1);
    if (ownTransform) {
        out << "translation  ";
        WriteVRMLTransform(out, true);
        out << std::endl;
    } else {
        out << "translation  0 0 0 " << std::endl;
    }
    Line(out, l + 1);
    out << "rotation 1 0 0 0" << std::endl;
    Line(out, l + 1);
    out << "children [" << std::endl;
    Line(out, l + 2);
    out << "Shape {" << std::endl;
    Line(out, l + 3);
    out << "appearance Appearance {" << std::endl;
    Line(out, l + 4);
    out << "material Material {" << std::endl;
    Line(out, l + 5);
    out << "diffuseColor " << colour[0] << " " << colour[1] << " " << colour[2] << std::endl;
    Line(out, l + 5);
    out << "transparency " << (colour[3] < 1.0f ? 1.0f - colour[3] / 2.0f : 0.0f) << std::endl;
    Line(out, l + 5);
    out << "shininess " << std::min(1.0f, shininess / 128.0f) << std::endl;
    Line(out, l + 5);
    out << "ambientIntensity 0.4" << std::endl;
    Line(out, l + 4);
    out << "}" << std::endl;
    Line(out, l + 3);
    out << "}" << std::endl;
    Line(out, l + 3);
    *level = l + 3;
}

void ModelObject::WriteVRMLGeometry(std::ostream& out, int index, const wxString& prefix, int* level) {
    if (!WritesVRMLNode()) return;
    vrml::ClassicNumbers numbers(out);
    WriteVRML(out, index, prefix, level);
    const int l = *level - 3;
    switch (type) {
    case kSphere:
        out << "geometry Sphere {" << std::endl;
        Line(out, l + 4);
        out << "radius " << sizeZ / 2.0f << std::endl;
        break;
    case kCylinder:
        out << "geometry Cylinder {" << std::endl;
        Line(out, l + 4);
        out << "radius " << sizeX << std::endl;
        Line(out, l + 4);
        out << "height " << sizeZ << std::endl;
        Line(out, l + 4);
        out << "bottom TRUE" << std::endl;
        Line(out, l + 4);
        out << "top TRUE" << std::endl;
        break;
    case kBox:
        out << "geometry Box {" << std::endl;
        Line(out, l + 4);
        out << "size " << sizeX << " " << sizeY << " " << sizeZ << std::endl;
        break;
    case kPyramid:
        WritePyramid(out, l, sizeX, sizeZ);
        CloseNode(out, level);
        return;
    case kMesh:
        WriteMesh(out, l, *const_cast<shapeVP*>(MeshOf(*this)));
        CloseNode(out, level);
        return;
    default:
        break;
    }
    Line(out, l + 3);
    out << "}" << std::endl;
    CloseNode(out, level);
}

void ModelObject::WriteVRMLTransform(std::ostream& out, bool translation) {
    vrml::ClassicNumbers numbers(out);
    if (translation) {
        double p[3] = {offsetX + position[0], offsetY + position[1], offsetZ + position[2]};
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) p[0] = p[1] = p[2] = kFarAway;
        out << p[0] << " " << p[1] << " " << p[2] << " ";
        return;
    }
    double value[4] = {poseAxis[0], poseAxis[1], poseAxis[2], poseAngle * kRadiansPerDegree};
    if (rotationX != 0.0f || rotationY != 0.0f || rotationZ != 0.0f) {
        Quaternion pose, qx, qy, qz;
        pose.FromAxisAngle(poseAxis[0], poseAxis[1], poseAxis[2], poseAngle * kRadiansPerDegree);
        qx.FromAxisAngle(1, 0, 0, rotationX * kRadiansPerDegree);
        qy.FromAxisAngle(0, 1, 0, rotationY * kRadiansPerDegree);
        qz.FromAxisAngle(0, 0, 1, rotationZ * kRadiansPerDegree);
        (qz * qy * qx * pose).ToAxisAngle(value);
    }
    bool finite = true;
    for (double v : value) finite = finite && std::isfinite(v);
    if (!finite) std::fill(value, value + 4, 0.0);
    out << value[0] << " " << value[1] << " " << value[2] << " " << value[3] << " ";
}

void ModelObject::WriteVRMLUnposed(std::ostream& out, bool translation) {
    vrml::ClassicNumbers numbers(out);
    if (translation)
        out << kFarAway << " " << kFarAway << " " << kFarAway << " ";
    else
        out << "0 0 1 0 ";
}

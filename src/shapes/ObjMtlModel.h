#pragma once
// A Wavefront OBJ model with its MTL materials as triangles collected in groups, and the plain
// functions that read it, give it normals and fit it to a size. Drawing it is in glmObj.h.
//
// Every array is 1-based as the file's indices are: entry 0 of the vertex, normal,
// texture-coordinate and facet-normal arrays exists and is never used, so indices are stored as
// read. Arrays grow with the file; the reader checks every index before a triangle is kept.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct ObjMtlTriangle {
    unsigned vindices[3] = {0, 0, 0};
    unsigned nindices[3] = {0, 0, 0};  // 0: the face gave no normal
    unsigned tindices[3] = {0, 0, 0};  // 0: the face gave no texture coordinate
    unsigned findex = 0;               // facet normal, once computed
};

struct ObjMtlMaterial {
    std::string name;
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    float specular[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float emissive[4] = {0.0f, 0.0f, 0.0f, 1.0f};  // read by nothing
    float shininess = 0.0f;                          // OpenGL scale, 0 to 128
};

struct ObjMtlGroup {
    std::string name;
    std::vector<unsigned> triangles;  // 0-based triangle numbers
    unsigned material = 0;
    bool enabled = true;  // drawing skips a group without it
};

struct ObjMtlModel {
    ObjMtlModel();

    unsigned VertexCount() const { return unsigned(vertices.size() / 3 - 1); }
    unsigned NormalCount() const { return unsigned(normals.size() / 3 - 1); }
    unsigned TexCoordCount() const { return unsigned(texcoords.size() / 2 - 1); }
    unsigned FacetNormalCount() const { return unsigned(facetnorms.size() / 3 - 1); }
    unsigned TriangleCount() const { return unsigned(triangles.size()); }
    unsigned MaterialCount() const { return unsigned(materials.size()); }
    unsigned GroupCount() const { return unsigned(groups.size()); }

    std::string path;
    std::string mtllibname;       // "" when the file names no library
    std::vector<float> vertices;  // x y z per entry
    std::vector<float> normals;
    std::vector<float> texcoords;  // u v per entry
    std::vector<float> facetnorms;
    std::vector<ObjMtlTriangle> triangles;
    // Empty when no library was read; else entry 0 is "default".
    std::vector<ObjMtlMaterial> materials;
    // In creation order; drawing walks them newest first.
    std::vector<ObjMtlGroup> groups;
    float position[3] = {0.0f, 0.0f, 0.0f};  // translation when drawing
};

// Render mode bits of glmDraw and glmCompileList.
enum : unsigned {
    GLM_NONE = 0,
    GLM_FLAT = 1,      // one facet normal per triangle
    GLM_SMOOTH = 2,    // vertex normals
    GLM_TEXTURE = 4,   // texture coordinates
    GLM_COLOR = 8,     // each group's diffuse colour as the current colour
    GLM_MATERIAL = 16  // each group's material as the OpenGL material
};

// Reads the OBJ file and the material library it names (looked for beside it). None, after
// "glmReadOBJ() failed: can't open data file <path>" on standard output, when the file cannot be
// read. Diagnostics go to standard output.
std::unique_ptr<ObjMtlModel> glmReadOBJ(const std::string& path);
// The same over text already in memory; `path` only places the material library.
std::unique_ptr<ObjMtlModel> glmParseOBJ(const std::string& path, std::string_view text);
// Replaces the model's materials by those of an MTL text ("default" first).
void glmParseMTL(ObjMtlModel& model, std::string_view text);
void glmFreeModel(std::unique_ptr<ObjMtlModel>& model);

// Facet normal of every triangle: (B - A) x (C - A), unit length; a degenerate triangle gets 0.
void glmMakeFaceNormals(ObjMtlModel& model);
// Vertex normals from the facet normals: at each vertex the triangles whose facet normal is
// within `angle` degrees of the vertex's reference triangle share one averaged normal, every other
// triangle keeps its own facet normal. Needs glmMakeFaceNormals first.
void glmVertexNormals(ObjMtlModel& model, float angle);
// Centres the model on the origin and scales it so its largest extent is 2; returns the factor
// (1 when every extent is 0).
float glmFitToUnitBox(ObjMtlModel& model);
// The dimension per axis, |max| + |min|: the extent of a model centred by glmFitToUnitBox.
void glmExtents(const ObjMtlModel& model, float out[3]);
void glmScaleVertices(ObjMtlModel& model, float factor);
// The render mode made consistent with what the model has, each correction's warning written to
// standard output.
unsigned glmCheckMode(const ObjMtlModel& model, unsigned mode);

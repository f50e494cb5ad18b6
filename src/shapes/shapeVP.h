#pragma once
// The indexed polygon mesh behind the 3DS, OBJ, SHL and TXV shapes, read back by the model's
// display objects and its VRML writer. Only its subclasses are created: their Load fills the
// arrays through SetMesh.
//
// Faces take 5 ints each: the corner count (at most 4), then the 0-based vertex indices of the
// corners in stored order, unused slots 0. Corners whose index is not a vertex are skipped when
// drawing, and the face is left out of the vertex normals.
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include <wx/string.h>

#include "objects/shape3D.h"

class shapeVP : public shape3D {
public:
    // Flags of DrawPolygons and BuildDisplayList; the colour-material bits act only while the
    // object colour is in use.
    enum : unsigned {
        kTexCoords = 4,
        kColourMaterialOn = 8,
        kColourMaterialOff = 16,
    };
    static constexpr int kFaceInts = 5;

    shapeVP();
    ~shapeVP() override;

    wxString GetTypeName() override;
    void Draw() override;
    bool GetDrawnBounds(Point3D& low, Point3D& high) override;
    // Centres the mesh on the origin and scales it so that its largest extent equals the size;
    // sets the box size and the information text and rebuilds the display list when lists are on.
    void Normalise() override;
    void SetWireframe(bool wireframe) override;
    // Frees the mesh and its display list and empties the file name; the placement, colour and
    // loaded flag stay.
    void Clear() override;

    // Which object or group of the file the next Load reads; its meaning is the subclass's.
    virtual void SetPart(int part);
    virtual int GetPart();
    // The arrays themselves, valid until the next Clear, Load or destruction; null when empty.
    virtual float* GetVertices();
    virtual float* GetNormals();
    virtual int32_t* GetFaces();
    virtual int GetVertexCount();
    virtual int GetFaceCount();
    // Takes effect at the next rebuild (normalise, wireframe change) and the next draw.
    virtual void SetUseDisplayList(bool use);
    virtual bool GetUseDisplayList();
    virtual void BuildDisplayList(unsigned flags);
    virtual void DrawPolygons(unsigned flags);
    // Per-vertex normals: the normalised, unweighted sum of the unit normals of the faces using
    // the vertex (first three corners); zero for a vertex no face uses.
    virtual void ComputeVertexNormals();
    // Unit normal of (B - A) x (C - A) over the first three corners; zero for a degenerate face or
    // one whose corners are not vertices.
    virtual void ComputeFaceNormal(int face, float out[3]);

protected:
    // Replaces the mesh (normals dropped; vertices 3 floats each, faces kFaceInts ints each).
    void SetMesh(std::vector<float> vertices, std::vector<int32_t> faces);
    void SetNormals(std::vector<float> normals);
    // Load(path) of the text mesh shapes: clears the mesh, reads the file (inflated when the name
    // ends in ".gz") and hands its bytes and the path to `parse`, which sets m_loaded; names the
    // shape after the file when that succeeds. An unreadable file is logged under `function`.
    bool LoadMeshText(const wxString& path, const char* function,
                      const std::function<bool(std::string_view, const wxString&)>& parse);
    // Logs a load error under `function`, after "<source>: " when a source is given; the text is
    // the load's reason (GetLoadError).
    void LogLoadError(const char* function, const wxString& source, const wxString& text);

    std::vector<float> m_vertices;
    std::vector<float> m_normals;
    std::vector<int32_t> m_faces;
    int m_vertexCount = 0;
    int m_faceCount = 0;
    int m_part = 0;
    bool m_useDisplayList = true;
    unsigned m_displayList = 0;

private:
    void ReleaseDisplayList();
    bool CornerIsVertex(int32_t index) const {
        return index >= 0 && index < m_vertexCount;
    }
    // Vertex-array drawing for the common case (filled triangles and quads with vertex normals):
    // the corner indices in emitted order, made on first use after the mesh changed.
    bool DrawArrays(unsigned flags);
    void ForgetArrays();
    bool m_arraysBuilt = false;
    std::vector<uint32_t> m_triangleCorners;
    std::vector<uint32_t> m_quadCorners;
};

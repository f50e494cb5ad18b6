#pragma once
// An isosurface read from a text data file: one vertex per line, six numbers (x y z of the vertex,
// then x y z of its normal), drawn as one triangle strip from a display list.
#include <string>
#include <string_view>
#include <vector>

#include <wx/string.h>

#include "objects/shape3D.h"

class isosurface : public shape3D {
public:
    isosurface();
    ~isosurface() override;

    wxString GetTypeName() override;
    // Draws the list when there is one (after setting a light grey), else the strip directly.
    void Draw() override;
    bool GetDrawnBounds(Point3D& low, Point3D& high) override;
    void Normalise() override;
    // Stores the flag and compiles the list again, loaded or not.
    void SetWireframe(bool wireframe) override;
    void Clear() override;
    bool Load(const wxString& path) override;

    // Reads the file's vertices; the loaded flag.
    virtual bool ReadData(const wxString& path);
    virtual void BuildDisplayList();
    // The strip, or in wireframe a line loop for each run of three vertices.
    virtual void DrawTriangles();

    // Replaces the vertices by those of the text: false, with the line named in GetError, when a
    // line holds anything but six numbers. Blank lines are skipped.
    bool ParseText(std::string_view text);
    int GetCount() const { return int(m_vertices.size() / 3); }
    const std::vector<float>& GetVertices() const { return m_vertices; }
    const std::vector<float>& GetNormals() const { return m_normals; }
    unsigned GetDisplayList() const { return m_displayList; }
    const std::string& GetError() const { return m_error; }

private:
    void DeleteList();

    std::vector<float> m_vertices;  // x y z per vertex
    std::vector<float> m_normals;   // x y z per vertex
    unsigned m_displayList = 0;
    std::string m_error;
};

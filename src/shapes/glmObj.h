#pragma once
// The scene shape of an OBJ model with its MTL materials: read, fitted to the shape's size, given
// smoothed normals and compiled into one display list, which drawing calls.
#include <memory>

#include <wx/string.h>

#include "objects/shape3D.h"
#include "shapes/ObjMtlModel.h"

// Immediate-mode drawing of the model in the render mode (GLM_* bits, corrected by glmCheckMode),
// each triangle as a line loop when `wireframe`. The GL state it changes is restored.
void glmDraw(const ObjMtlModel& model, unsigned mode, bool wireframe);
// A new display list holding glmDraw with the same arguments.
unsigned glmCompileList(const ObjMtlModel& model, unsigned mode, bool wireframe);

class glmObj : public shape3D {
public:
    glmObj();
    ~glmObj() override;

    wxString GetTypeName() override;
    void Draw() override;
    bool GetDrawnBounds(Point3D& low, Point3D& high) override;
    // Turning the object colour off also stops the materials from the next rebuild on.
    void SetUseColour(bool useColour) override;
    // Rebuilds the list, even when the flag is unchanged.
    void SetWireframe(bool wireframe) override;
    void Clear() override;
    bool Load(const wxString& path) override;
    // Scales the model so its largest dimension becomes `size` (> 0).
    void SetSize(float size) override;

    double GetUnitizeFactor() const { return m_unitizeFactor; }
    double GetSmoothingAngle() const { return m_smoothingAngle; }
    const ObjMtlModel* GetModel() const { return m_model.get(); }
    bool GetUseMaterials() const { return m_useMaterials; }
    unsigned GetDisplayList() const { return m_displayList; }

private:
    void RebuildList();
    void DeleteList();

    std::unique_ptr<ObjMtlModel> m_model;
    unsigned m_displayList = 0;
    bool m_useMaterials = false;
    double m_unitizeFactor = 1.0;
    // Crease angle (degrees) of the smoothed normals.
    double m_smoothingAngle = 90.0;
};

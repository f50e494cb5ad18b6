#include "shapes/DXFRenderer.h"

#include "shapes/ShapeReadRefusal.h"

DXFRenderer::DXFRenderer() = default;

DXFRenderer::~DXFRenderer() = default;

wxString DXFRenderer::GetTypeName() { return "dxf"; }

bool DXFRenderer::Load(const wxString& path) {
    return RefuseShapeFile("DXFRenderer::Load", "DXF drawing", path);
}

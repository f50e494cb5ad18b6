#include "shapes/isosurface.h"

#include "shapes/ShapeReadRefusal.h"

isosurface::isosurface() = default;

isosurface::~isosurface() = default;

wxString isosurface::GetTypeName() { return "iso_surface"; }

bool isosurface::Load(const wxString& path) {
    return RefuseShapeFile("isosurface::Load", "Isosurface", path);
}

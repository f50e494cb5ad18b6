#include "shapes/shapeSHL.h"

#include "shapes/ShapeReadRefusal.h"

shapeSHL::shapeSHL() = default;

shapeSHL::~shapeSHL() = default;

wxString shapeSHL::GetTypeName() { return "shl"; }

bool shapeSHL::Load(const wxString& path) {
    return RefuseShapeFile("shapeSHL::Load", "SHL mesh", path);
}

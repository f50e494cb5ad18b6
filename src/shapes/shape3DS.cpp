#include "shapes/shape3DS.h"

#include "shapes/ShapeReadRefusal.h"

shape3DS::shape3DS() = default;

shape3DS::~shape3DS() = default;

wxString shape3DS::GetTypeName() { return "3ds"; }

bool shape3DS::Load(const wxString& path) {
    return RefuseShapeFile("shape3DS::Load", "3DS mesh", path);
}

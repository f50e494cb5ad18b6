#include "shapes/shapeBVH.h"

#include "shapes/ShapeReadRefusal.h"

shapeBVH::shapeBVH() = default;

shapeBVH::~shapeBVH() = default;

wxString shapeBVH::GetTypeName() { return "bvh"; }

bool shapeBVH::Load(const wxString& path) {
    return RefuseShapeFile("shapeBVH::Load", "BVH skeleton", path);
}

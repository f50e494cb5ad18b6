#include "shapes/shapeTVP.h"

#include "shapes/ShapeReadRefusal.h"

shapeTVP::shapeTVP() = default;

shapeTVP::~shapeTVP() = default;

wxString shapeTVP::GetTypeName() { return "tvp"; }

bool shapeTVP::Load(const wxString& path) {
    return RefuseShapeFile("shapeTVP::Load", "TXV mesh", path);
}

#include "shapes/shapeVP.h"

shapeVP::shapeVP() = default;

shapeVP::~shapeVP() = default;

wxString shapeVP::GetTypeName() { return "Vertex_shape"; }

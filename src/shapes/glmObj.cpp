#include "shapes/glmObj.h"

#include "shapes/ShapeReadRefusal.h"

glmObj::glmObj() = default;

glmObj::~glmObj() = default;

wxString glmObj::GetTypeName() { return "glm"; }

bool glmObj::Load(const wxString& path) {
    return RefuseShapeFile("glmObj::Load", "OBJ model", path);
}

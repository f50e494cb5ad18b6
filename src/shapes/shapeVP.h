#pragma once
// The indexed polygon mesh behind the 3DS, SHL and TXV shapes. Only its subclasses are created.
// The mesh arrays arrive with the mesh readers; until then it holds nothing.
#include <wx/string.h>

#include "objects/shape3D.h"

class shapeVP : public shape3D {
public:
    shapeVP();
    ~shapeVP() override;

    wxString GetTypeName() override;
};

#pragma once
// A polygon mesh read from one group of a Wavefront OBJ file (the part, 1-based), or from the
// whole file with part 0 or a part beyond the group count; the model's display objects use it for
// their mesh files. The load neither normalises nor names the shape: its users do.
#include <wx/arrstr.h>
#include <wx/string.h>

#include "shapes/shapeVP.h"

class shapeOBJ : public shapeVP {
public:
    shapeOBJ();
    ~shapeOBJ() override;

    wxString GetTypeName() override;
    bool Load(const wxString& path) override;
    // The group names, in file order.
    void GetPartNames(wxArrayString* out) override;
};

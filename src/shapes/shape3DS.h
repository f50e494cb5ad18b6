#pragma once
// A polygon mesh read from a 3DS file.
// The reader is not part of this build yet: Load refuses every file with a logged error.
#include <wx/string.h>

#include "shapes/shapeVP.h"

class shape3DS : public shapeVP {
public:
    shape3DS();
    ~shape3DS() override;

    wxString GetTypeName() override;
    bool Load(const wxString& path) override;
};

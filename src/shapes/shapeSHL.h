#pragma once
// A polygon mesh read from an SHL text file, plain or gzip-compressed.
// The reader is not part of this build yet: Load refuses every file with a logged error.
#include <wx/string.h>

#include "shapes/shapeVP.h"

class shapeSHL : public shapeVP {
public:
    shapeSHL();
    ~shapeSHL() override;

    wxString GetTypeName() override;
    bool Load(const wxString& path) override;
};

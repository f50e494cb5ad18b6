#pragma once
// An isosurface read from a text data file.
// The reader is not part of this build yet: Load refuses every file with a logged error.
#include <wx/string.h>

#include "objects/shape3D.h"

class isosurface : public shape3D {
public:
    isosurface();
    ~isosurface() override;

    wxString GetTypeName() override;
    bool Load(const wxString& path) override;
};

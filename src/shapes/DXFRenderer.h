#pragma once
// A DXF drawing (layers and entities, plain or gzip-compressed).
// The reader is not part of this build yet: Load refuses every file with a logged error.
#include <wx/string.h>

#include "objects/shape3D.h"

class DXFRenderer : public shape3D {
public:
    DXFRenderer();
    ~DXFRenderer() override;

    wxString GetTypeName() override;
    bool Load(const wxString& path) override;
};

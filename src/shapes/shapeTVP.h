#pragma once
// A polygon mesh read from a vertex-and-polygon text file (TXV), plain or gzip-compressed.
// The reader is not part of this build yet: Load refuses every file with a logged error.
#include <wx/string.h>

#include "shapes/shapeVP.h"

class shapeTVP : public shapeVP {
public:
    shapeTVP();
    ~shapeTVP() override;

    wxString GetTypeName() override;
    bool Load(const wxString& path) override;
};

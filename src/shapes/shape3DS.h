#pragma once
// A polygon mesh read from a 3DS file: one object of the file (the part, 0-based) or, with any
// other part (-1 by default), all objects merged. Each object is one part of the shape. It draws
// without a display list and is always normalised on load.
#include <wx/arrstr.h>
#include <wx/string.h>

#include "shapes/shapeVP.h"

class shape3DS : public shapeVP {
public:
    shape3DS();
    ~shape3DS() override;

    wxString GetTypeName() override;
    // Failures are reported through the toolkit's log ("Unable to open 3DS file", "Unable to read
    // 3DS object", "Empty file - Unable to read 3DS file"), preceded by the cause when the file is
    // malformed.
    bool Load(const wxString& path) override;
    // The names of the file's objects, in file order.
    void GetPartNames(wxArrayString* out) override;

private:
    // Logs a failure; the first one of a load becomes its reason.
    void Report(const wxString& text);
};

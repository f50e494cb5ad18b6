#include "shapes/ShapeReadRefusal.h"

#include <wx/log.h>
#include <wx/string.h>

bool RefuseShapeFile(const char* function, const char* what, const wxString& path) {
    wxLogger(wxLOG_Error, __FILE__, __LINE__, function, wxLOG_COMPONENT)
        .Log("%s files cannot be read yet: %s", what, path);
    return false;
}

#pragma once
// One saved state of a scene object: the temporary file holding it, what the edit was, and the
// play range and frame at the moment it was saved.
#include <wx/string.h>

struct UndoRecord {
    UndoRecord(const wxString& path, const wxString& what, int first, int last, int current)
        : file(path), description(what), firstFrame(first), lastFrame(last),
          currentFrame(current) {}

    wxString file;
    wxString description;
    int firstFrame = 0;
    int lastFrame = 0;
    int currentFrame = 0;
};

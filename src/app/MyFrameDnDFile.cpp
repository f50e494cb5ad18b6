#include "app/MyFrameDnDFile.h"

#include "app/MyFrame.h"

bool MyFrameDnDFile::OnDropFiles(wxCoord, wxCoord, const wxArrayString& paths) {
    if (m_frame == nullptr) return false;
    for (const wxString& path : paths)
        if (m_frame->OpenFile(path)) return true;
    return false;
}

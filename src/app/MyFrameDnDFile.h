#pragma once
// Files dropped on the main window open as the command line's do: in the order given, until one
// opens.
#include <wx/dnd.h>

class MyFrame;

class MyFrameDnDFile : public wxFileDropTarget {
public:
    explicit MyFrameDnDFile(MyFrame* frame) : m_frame(frame) {}

    // True when one of the files opened (the drop position plays no part).
    bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& paths) override;

private:
    MyFrame* m_frame;
};

#pragma once
// What an item of the model tree stands for; owned by the tree item it is attached to.
#include <cstdint>

#include <wx/clntdata.h>
#include <wx/string.h>

class My3DItemData : public wxClientData {
public:
    enum : int32_t { kSegment = 100, kJoint = 101 };

    // The last two texts come in the order third, second.
    My3DItemData(int32_t type, int32_t index, const wxString& name, const wxString& third, const wxString& second);
    ~My3DItemData() override;

    int32_t type;     // kSegment (a segment or the centre of mass) or kJoint
    int32_t index;    // 0-based in the model; the centre of mass has the segment count
    wxString name;
    wxString second;  // empty here
    wxString third;   // empty here
};

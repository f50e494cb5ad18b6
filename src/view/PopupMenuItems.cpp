#include "view/PopupMenuItems.h"

#include "view/PickProcessing.h"

namespace {

void Add(std::vector<PopupMenuItem>& items, int id, const char* text, const std::string& name = "",
         const char* suffix = "") {
    PopupMenuItem item;
    item.id = id;
    item.text = text;
    item.name = name;
    item.suffix = suffix;
    items.push_back(item);
}

void Separator(std::vector<PopupMenuItem>& items) { items.push_back(PopupMenuItem()); }

}  // namespace

std::vector<PopupMenuItem> BuildPopupMenuItems(const PopupMenuContext& c) {
    std::vector<PopupMenuItem> items;
    if (c.hasObject) {
        if (c.isRecording) {
            if (!c.markers.empty()) {
                Add(items, kCmdAddMarkers, "And marker(s) to the display list");
                if (c.markers.size() > 1)
                    Add(items, kCmdAddMarkersAndLink, "And markers and link to the display list");
                Separator(items);
                if (c.markers.size() == 1 && !c.firstMarkerName.empty()) {
                    Add(items, kCmdFollow, "Follow <", c.firstMarkerName, "> Position");
                    Add(items, kCmdFreeze, "Freeze <", c.firstMarkerName, "> Position");
                }
            }
            if (c.referenceMarker >= 0) Add(items, kCmdFree, "Free <", c.referenceName, "> Position");
        }
        if (c.hasCentre) {
            Add(items, kCmdCentreView, "Center View");
            Separator(items);
        }
        Add(items, kCmdVerticalAxisX, "Change Vertical axis Ox Rotation");
        Add(items, kCmdVerticalAxisY, "Change Vertical axis Oy Rotation");
        Add(items, kCmdVerticalAxisZ, "Change Vertical axis Oz Rotation");
        Separator(items);
        Add(items, kCmdResetVerticalAxis, "Reset Vertical axis");
        Separator(items);
    }
    Add(items, kCmdResetView, "Reset View");
    Separator(items);
    Add(items, kCmdFrontView, "Front View");
    Add(items, kCmdBackView, "Back View");
    Add(items, kCmdLeftView, "Left View");
    Add(items, kCmdRightView, "Right View");
    Add(items, kCmdTopView, "Top View");
    Add(items, kCmdBottomView, "Bottom View");
    Separator(items);
    Add(items, kCmdCopyImage, "Copy Image to the clipboard");
    return items;
}

std::vector<int> SelectedMarkerIndices(const std::vector<int>& selection) {
    std::vector<int> markers;
    for (int entry : selection)
        if (entry >= 0 && entry < kModelItemBase) markers.push_back(entry);
    return markers;
}

#pragma once
// The context menu of the scene canvas as a list of items, apart from any window, and the command
// ids of the canvas. The canvas turns the list into a toolkit menu, translating the fixed texts.
#include <string>
#include <vector>

// Commands of the popup menu, handled by the canvas itself.
enum CanvasCommand {
    kCmdFollow = 7006,
    kCmdFreeze = 7007,
    kCmdFree = 7008,
    kCmdVerticalAxisX = 10999,
    kCmdVerticalAxisY = 11000,
    kCmdVerticalAxisZ = 11001,
    kCmdResetVerticalAxis = 11002,
    kCmdResetView = 11003,
    kCmdFrontView = 11004,
    kCmdLeftView = 11005,
    kCmdRightView = 11006,
    kCmdTopView = 11007,
    kCmdBottomView = 11008,
    kCmdBackView = 11009,
    kCmdCopyImage = 11012,
    kCmdAddMarkers = 11013,
    kCmdAddMarkersAndLink = 11014,
    kCmdCentreView = 11015,
};

// An item's text is text + name + suffix: text and suffix are translated, the name (a marker's)
// is shown as it is. A separator has id 0 and no text.
struct PopupMenuItem {
    int id = 0;
    std::string text;
    std::string name;
    std::string suffix;

    bool IsSeparator() const { return id == 0; }
};

struct PopupMenuContext {
    bool hasObject = false;
    // The object is a motion recording ("c3d").
    bool isRecording = false;
    // Selected marker indices in selection order (see SelectedMarkerIndices), and the name of the
    // first one.
    std::vector<int> markers;
    std::string firstMarkerName;
    // The followed or frozen marker, -1 for none, and its name.
    int referenceMarker = -1;
    std::string referenceName;
    // The canvas has a selection centre to centre the view on.
    bool hasCentre = false;
};

std::vector<PopupMenuItem> BuildPopupMenuItems(const PopupMenuContext& context);

// The marker indices of a recording's selection list (marker indices in selection order, then
// model items + 100000): model items and the -1 of orders that left a gap are dropped, so that
// the commands on "the selected marker" never take a model item or a gap for a marker.
std::vector<int> SelectedMarkerIndices(const std::vector<int>& selection);

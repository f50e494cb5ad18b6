#pragma once
// Command and window identifiers of the main window, and the texts that name the program. The
// canvas has identifiers of its own (its mode buttons reuse 6000 to 6004, but as toggle-button
// events, which never match the frame's menu commands).

enum FrameId : int {
    kIdOpen = 5000,
    kIdExit = 5006,
    kIdAbout = 5009,
    kIdNextFrame = 6000,
    kIdRecentFirst = 6001,  // recent-file items use 6001 to 6009
    kIdRecentLast = 6009,
    kIdRecentRangeEnd = 6010,  // the handler's range reaches one id further
    kIdPreviousFrame = 6012,
    kIdPlay = 6013,
    kIdPlayBackward = 6014,
    kIdStop = 6015,
    kIdSaveImage = 6016,
    kIdResetView = 6017,
    kIdFirstFrame = 6018,
    kIdLastFrame = 6019,
    kIdFullScreen = 6020,
    kIdSetFirstFrame = 6021,
    kIdSetLastFrame = 6022,
    kIdResetFirstLast = 6023,
    kIdMainNotebook = 1001,
    kIdPropertyGrid = 1002,
    kIdToolbar = 11111,
    kIdTimeText = 11112,
    kIdFrameSlider = 11113,
    kIdSpeedSlider = 11114,
    kIdSpeedText = 11115,
};

// The program's name and version: the title of a window with nothing open, the first part of the
// title once a file is open, and the about box's second line.
inline constexpr const char kVersionText[] = "Dezozuza version 1.9";
// Vendor and application names under which the configuration store and the message catalog live.
inline constexpr const char kVendorName[] = "Vederiz";
inline constexpr const char kAppName[] = "Dezozuza";

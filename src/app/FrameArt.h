#pragma once
// The pictures of the main window: 16 x 16 menu and toolbar images and the 32 x 32 window icon.
#include <wx/bitmap.h>
#include <wx/icon.h>

enum class FrameImage {
    Open,
    Stop,
    SetFirst,
    SetLast,
    Play,
    PlayBackward,
    FirstFrame,
    LastFrame,
    PreviousFrame,
    NextFrame,
};

wxBitmap FrameBitmap(FrameImage image);
wxIcon FrameIcon();

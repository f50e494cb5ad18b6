#pragma once
// What the toolkit leaves to the desktop and the desktop may not do: full screen needs a window
// manager that offers it, and GTK lets toolbar buttons take the keyboard focus.
class wxToolBar;

// Whether a running window manager offers full screen (_NET_WM_STATE_FULLSCREEN). Without one the
// toolkit moves the X window behind GTK's back and cannot reliably give it its place back.
bool WindowManagerOffersFullScreen();

// Keeps the toolbar's buttons out of the keyboard focus, by Tab as by a click: a focused GTK
// button takes Space (and Enter) as a press of itself before the window sees the key.
void KeepToolButtonsFromFocus(wxToolBar& toolbar);

#pragma once
// The main window's stored place: position of the frame and size of its client area, and whether
// it was maximized (1), not maximized (0) or never stored (-1). The defaults are the first start's
// (1000 wide: the whole toolbar, time readout included, fits).

struct WindowGeometry {
    int x = 50;
    int y = 50;
    int width = 1000;
    int height = 800;
    int maximized = -1;
};

// The geometry brought inside a screen of screenWidth x screenHeight pixels, so that a setting
// stored on a larger or another display never leaves the window out of reach: a size larger than
// the screen becomes the screen's less 100 pixels (a size below 1 is taken as the default size
// first); a position left of or above the screen, or beyond it, becomes 50; then the window is
// moved left or up, not below 0, until its client area ends on the screen.
WindowGeometry ClampToScreen(WindowGeometry geometry, int screenWidth, int screenHeight);

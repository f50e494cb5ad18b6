#include "app/WindowGeometry.h"

#include <algorithm>

namespace {

constexpr int kDefaultPosition = 50;
constexpr int kScreenMargin = 100;

// One axis: position and size against a screen extent.
void ClampAxis(int& position, int& size, int screen, int defaultSize) {
    if (screen < 1) return;  // no screen to measure against
    if (size < 1) size = defaultSize;
    if (size > screen) size = screen > kScreenMargin ? screen - kScreenMargin : screen;
    if (position < 0 || position > screen) position = kDefaultPosition;
    if (position > screen - size) position = std::max(0, screen - size);
}

}  // namespace

WindowGeometry ClampToScreen(WindowGeometry geometry, int screenWidth, int screenHeight) {
    const WindowGeometry first;
    ClampAxis(geometry.x, geometry.width, screenWidth, first.width);
    ClampAxis(geometry.y, geometry.height, screenHeight, first.height);
    return geometry;
}

#pragma once
// What the GL driver of the current context says about itself; the extension list decides which
// optional entry points may be used.
#include <string>
#include <vector>

struct GLDriverInfo {
    std::string vendor;
    std::string renderer;
    std::string version;
    std::vector<std::string> extensions;  // sorted ascending
    int redBits = 0;
    int greenBits = 0;
    int blueBits = 0;
    int alphaBits = 0;
    int depthBits = 0;
    int stencilBits = 0;
    int maxTextureSize = 0;
    int maxLights = 0;
    int maxAttribStackDepth = 0;
    int maxModelviewStackDepth = 0;
    int maxProjectionStackDepth = 0;
    int maxClipPlanes = 0;
    int maxTextureStackDepth = 0;

    // Reads everything from the current context; false (fields partly filled) when there is
    // none or the driver withholds one of its texts.
    bool Gather();
    // True when an extension of the list has exactly this name (a prefix is not enough).
    bool HasExtension(const std::string& name) const;
};

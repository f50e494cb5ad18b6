#include "view/GLDriverInfo.h"

#include <algorithm>
#include <sstream>

#include <GL/gl.h>

namespace {

bool ReadText(GLenum name, std::string& out) {
    const GLubyte* text = glGetString(name);
    if (text == nullptr) return false;
    out = reinterpret_cast<const char*>(text);
    return true;
}

}  // namespace

bool GLDriverInfo::Gather() {
    // Without a current context glGetString answers null, which ends the gathering here.
    if (!ReadText(GL_VENDOR, vendor) || !ReadText(GL_RENDERER, renderer) ||
        !ReadText(GL_VERSION, version))
        return false;
    std::string all;
    if (!ReadText(GL_EXTENSIONS, all)) return false;
    extensions.clear();
    std::istringstream words(all);
    for (std::string word; words >> word;) extensions.push_back(word);
    std::sort(extensions.begin(), extensions.end());

    const struct {
        GLenum name;
        int* value;
    } integers[] = {
        {GL_RED_BITS, &redBits},
        {GL_GREEN_BITS, &greenBits},
        {GL_BLUE_BITS, &blueBits},
        {GL_ALPHA_BITS, &alphaBits},
        {GL_DEPTH_BITS, &depthBits},
        {GL_STENCIL_BITS, &stencilBits},
        {GL_MAX_TEXTURE_SIZE, &maxTextureSize},
        {GL_MAX_LIGHTS, &maxLights},
        {GL_MAX_ATTRIB_STACK_DEPTH, &maxAttribStackDepth},
        {GL_MAX_MODELVIEW_STACK_DEPTH, &maxModelviewStackDepth},
        {GL_MAX_PROJECTION_STACK_DEPTH, &maxProjectionStackDepth},
        {GL_MAX_CLIP_PLANES, &maxClipPlanes},
        {GL_MAX_TEXTURE_STACK_DEPTH, &maxTextureStackDepth},
    };
    for (const auto& entry : integers) {
        GLint value = 0;
        glGetIntegerv(entry.name, &value);
        *entry.value = value;
    }
    return true;
}

bool GLDriverInfo::HasExtension(const std::string& name) const {
    return std::find(extensions.begin(), extensions.end(), name) != extensions.end();
}

#include "view/GLBinding.h"

#include <GL/glx.h>

wxGLAttributes CanvasVisualAttributes() {
    wxGLAttributes attributes;
    attributes.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).EndList();
    return attributes;
}

bool MakeCanvasCurrent(wxGLCanvas& canvas, const wxGLContext* context) {
    if (context == nullptr || !context->IsOK()) return false;
    if (canvas.GetXWindow() == 0) return false;
    return context->SetCurrent(canvas);
}

bool EnsureCanvasCurrent(wxGLCanvas& canvas, const wxGLContext* context) {
    if (context == nullptr || !context->IsOK()) return false;
    const unsigned long window = canvas.GetXWindow();
    if (window == 0) return false;
    if (glXGetCurrentContext() != nullptr && glXGetCurrentDrawable() == window) return true;
    return context->SetCurrent(canvas);
}

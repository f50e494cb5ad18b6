#pragma once
// Where the canvases meet the window system's GL binding: the pixel format they ask for and the
// checked ways of making their context current.
#include <wx/glcanvas.h>

// RGBA, double buffered, a 24-bit depth buffer. The toolkit's defaults give no depth buffer on
// some X servers (Xvfb among them), so everything is requested explicitly.
wxGLAttributes CanvasVisualAttributes();

// Makes the context current on the canvas. False, with nothing changed, when there is no context,
// the context could not be created, or the canvas has no window on the screen yet (GTK realises a
// GL window only once it is mapped; binding to an unmapped one is an error).
bool MakeCanvasCurrent(wxGLCanvas& canvas, const wxGLContext* context);

// As MakeCanvasCurrent, but without binding again when the canvas's window already is the
// current drawable (each canvas draws to its window through its own context only).
bool EnsureCanvasCurrent(wxGLCanvas& canvas, const wxGLContext* context);

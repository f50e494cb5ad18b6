#pragma once
// The OpenGL window of the program: its one GL context, the camera, two lights, a ground plane
// with grid and axes, a small axes gizmo, fog, the background colour, the render flags, the label
// font, the pick state handed from the mouse to the next paint, and the settings it keeps under
// "/3DCanvas/" in the configuration store. It paints the frame (clear, decor, scene, swap) but has
// no scene of its own: myGLCanvas fills the scene, picking and popup-menu hooks.
//
// GL work happens only while the canvas's context is current on its window. When the context
// could not be created the canvas logs "OpenGL Error" once and stays an ordinary window that
// paints nothing.
#include <memory>

#include <wx/bitmap.h>
#include <wx/glcanvas.h>
#include <wx/image.h>
#include <wx/string.h>

#include "view/CanvasSettings.h"
#include "motion/geometry.h"
#include "gl/wxGLCamera.h"

class wxConfigBase;
struct GLBitmapFont;

// A translucent square under an XY grid, a little darker than a light background or a little
// lighter than a dark one: side s centred on the origin at height z.
void DrawGroundBackdrop(float side, float z, const float background[4]);
// Its colour: each of red, green and blue moved by -0.2 when the background's mean is below 0.5,
// else by +0.2, clamped to 0..1; alpha 0.5.
void GroundBackdropColour(const float background[4], float out[4]);

// The fixed render sizes of the image read-back, by preset (1 to 7); false for any other preset,
// which renders at the client size.
bool RenderSizeForPreset(int preset, int* width, int* height);

class my3DCanvas : public wxGLCanvas {
public:
    // Indices into the block of render flags that GetRenderFlags hands out.
    enum RenderFlag { kGLInitialised = 0, kSmooth = 1, kWire = 2, kCull = 3 };

    // contextAttributes: null for the default context; tests pass impossible ones to see the
    // canvas cope with a context that cannot be made.
    my3DCanvas(wxWindow* parent, wxWindowID id = wxID_ANY,
               const wxPoint& position = wxDefaultPosition, const wxSize& size = wxDefaultSize,
               long style = 0, const wxString& name = "my3DCanvas",
               const wxGLContextAttrs* contextAttributes = nullptr);
    ~my3DCanvas() override;

    // Render, glFlush and a swap of the buffers.
    virtual void RenderAndSwap();
    // Clear to the background, then PreRender, the camera's view, the decor and the scene.
    virtual void Render();
    virtual void PreRender(bool flag);
    virtual void DrawScene();
    virtual void DrawDecor();
    virtual void DrawAxesGizmo();
    // Lights, background, fog and ground plane back to their defaults, then ResetCamera.
    virtual void ResetDefaults();
    // The camera looking from the default eye at the default centre, clipped to ±3 scene sizes.
    virtual void ResetCamera();
    virtual wxGLCamera* GetCamera();
    virtual float GetSceneSize();
    // Takes effect at the next ResetCamera.
    virtual void SetSceneSize(float size);
    // The two lights, edited in place by the shell (count is set to 2).
    virtual CanvasLight* GetLights(int* count);
    // Red, green, blue and alpha of the clear colour, edited in place.
    virtual float* GetBackgroundColour();
    virtual GroundPlaneSettings* GetGroundPlane();
    // GL initialised, smooth, wire and cull, in that order (see RenderFlag).
    virtual bool* GetRenderFlags();
    // The default centre; always true.
    virtual bool GetCentre(float out[3]);
    virtual void SaveConfig(wxConfigBase* config);
    // Missing keys keep the current values; applies nothing to GL (the caller follows with the
    // render-state operations and a repaint).
    virtual void LoadConfig(wxConfigBase* config);

    // Image output: the clipboard (a screen grab, or with `render` the view read back),
    // a file by its extension (asking for a path when it is empty; false when the dialog is
    // cancelled, the picture cannot be had or the save fails, each but the cancel logged as
    // "Failed to save image: " with the path and the cause), a screen grab, the view as an image,
    // the program's own PPM writer, and the save by extension (PNG options asked unless quiet).
    virtual void CopyImage(bool render, bool even);
    virtual bool SaveImage(const wxString& path, bool grab, bool even);
    virtual wxBitmap GrabScreen();
    // Draws the view again and reads it before any swap: into the window's back buffer at the
    // client size, or into the off-screen target at its size once one was created. `even` rounds
    // the size down to even numbers and then scales the image to the render size of a preset
    // other than 0. An invalid image when there is no context, no pixel or the read fails.
    virtual wxImage RenderToImage(bool even);
    virtual bool WritePPM(const wxImage& image, const wxString& path);
    virtual bool DoSaveImage(const wxString& path, const wxImage& image, bool quiet);

    // Sends both lights' positions and colours to GL and switches lighting on.
    virtual void SetLights();
    // Wire or fill, smooth or flat shading, face culling, from the render flags.
    virtual void ApplyPolygonMode();
    virtual void FrontView();
    virtual void BackView();
    virtual void TopView();
    virtual void BottomView();
    virtual void LeftView();
    virtual void RightView();
    virtual void ResetView();
    // Whether the main window must stop playback before it closes: never for this canvas.
    virtual bool ShouldStopOnClose();
    // Fog, shading and smoothing from the render flags.
    virtual void ApplyRenderState();
    virtual int GetFontSize();
    // A new label font of n pixels; false for n below 1 or when the font cannot be made, in
    // which case the old font (and size) stay.
    virtual bool SetFontSize(int n);
    virtual bool GetWire();
    virtual void SetWire(bool wire);
    virtual void EnableLighting(bool on);
    // Null when the context could not be created.
    virtual wxGLContext* GetContext();
    // Off-screen render target through the framebuffer-object extension: entry points looked up
    // (true only when the driver lists the extension and has all of them; the answer is not
    // kept), the target created at the render size (a framebuffer only while framebuffer objects
    // are switched on for the canvas, which they are not by default), deleted, and the
    // completeness of the bound framebuffer.
    virtual bool InitFramebufferExt();
    virtual void CreateRenderTarget();
    virtual void DeleteRenderTarget();
    virtual bool FramebufferComplete();
    // The render size from the preset; preset 0 (and any unknown one) takes the client size.
    virtual void ApplyRenderSize();
    virtual void OnPaint(wxPaintEvent& event);
    // The pick pass of a pending pick request; nothing here.
    virtual void Pick();
    virtual void InitGL();
    // Viewport and camera to the client size.
    virtual void Resize();
    virtual void ShowPopupMenu(const wxPoint& point);

    // The render-size preset (0 = client size, 1 to 7 fixed sizes).
    int GetRenderSizePreset() const { return m_renderSizePreset; }
    void SetRenderSizePreset(int preset) { m_renderSizePreset = preset; }
    void GetRenderSize(int* width, int* height) const;
    // Fog: mode -1 off, 0 GL_EXP, 1 GL_EXP2, 2 GL_LINEAR.
    int GetFogMode() const { return m_fogMode; }
    const float* GetFogColour() const { return m_fogColour; }
    int GetVerticalAxis() const { return m_verticalAxis; }
    const Point3D& GetDefaultCentre() const { return m_defaultCentre; }
    const Point3D& GetDefaultEye() const { return m_defaultEye; }
    GLBitmapFont* GetLabelFont() const { return m_labelFont; }
    bool IsPickRequested() const { return m_pickRequest; }

protected:
    // The context made current on this window, if it can be (see GLBinding.h).
    bool MakeCurrent();
    bool& GLInitialised() { return m_renderFlags[kGLInitialised]; }
    bool& Smooth() { return m_renderFlags[kSmooth]; }
    bool& Wire() { return m_renderFlags[kWire]; }
    bool& Cull() { return m_renderFlags[kCull]; }
    // The plane, its backdrop and its axes, shifted by `offset`, the axes turned by the given
    // angle (degrees) about the axis; shared with the scene canvas's decor.
    void DrawGroundPlane(const float offset[3], float axisSize, double angle, const double axis[3]);

    bool m_framebufferObjects = false;
    bool m_renderTargetCreated = false;
    bool m_showAxesGizmo = true;
    unsigned int m_framebuffer = 0;
    unsigned int m_colourTexture = 0;
    unsigned int m_depthRenderbuffer = 0;
    int m_targetWidth = 0;
    int m_targetHeight = 0;
    wxGLCamera m_camera;
    bool m_renderFlags[4] = {false, true, false, false};
    float m_lastMouse[2] = {0, 0};
    // 0 none, 1 Ox, 2 Oy, 3 Oz; kept in the configuration for the view commands.
    int m_verticalAxis = 0;
    int m_renderSizePreset = 0;
    int m_renderWidth = 720;
    int m_renderHeight = 576;
    GLBitmapFont* m_labelFont = nullptr;
    int m_pickX = 0;
    int m_pickY = 0;
    int m_pickMode = 0;
    bool m_keepSelection = false;
    bool m_altDown = false;
    bool m_controlDown = false;
    bool m_shiftDown = false;
    bool m_pickRequest = false;
    CanvasLight m_lights[2];
    GroundPlaneSettings m_groundPlane;
    float m_background[4] = {0.2f, 0.3f, 0.5f, 1.0f};
    float m_sceneSize = 1000;
    Point3D m_defaultCentre{0, 0, 0.5};
    Point3D m_defaultEye{0, -4, 1};
    double m_panScale = 2.0;
    bool m_dragInProgress = false;
    float m_fogColour[4] = {0.2f, 0.3f, 0.5f, 1.0f};
    int m_fogMode = -1;
    double m_fogDensity = 0.05;
    double m_fogStart = 0;
    double m_fogEnd = 0;
    bool m_groundBackdrop = true;
    int m_fontSize = 20;
    int m_fontWeight = 0;
    int m_fontItalic = 0;
    std::unique_ptr<wxGLContext> m_context;
    bool m_resizeOnPaint = true;

private:
    void ReleaseLabelFont();
    void OnEraseBackground(wxEraseEvent& event);
};

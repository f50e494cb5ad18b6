#include "view/my3DCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <wx/confbase.h>
#include <wx/dcclient.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include "view/GLBinding.h"
#include "gl/GLBitmapFont.h"
#include "view/GLDriverInfo.h"
#include "view/GLFramebufferExt.h"
#include "gl/GLGlyphs.h"
#include "view/ImageOutput.h"
#include "gl/ReadConfigDouble.h"
#include "view/ViewPlacement.h"

namespace {

const float kWhite[4] = {1, 1, 1, 1};

// The light keys are "/3DCanvas/light_<light>_position_<component>" and "..._color_...".
wxString LightKey(int light, const char* part, int component) {
    return wxString::Format("/3DCanvas/light_%d_%s%d", light, part, component);
}

wxString ComponentKey(const char* prefix, int component) {
    return wxString::Format("/3DCanvas/%s%d", prefix, component);
}

// Positions and sizes beyond a kilometre-scale scene are damage, not settings.
constexpr double kLargest = 1e6;

void LoadReal(wxConfigBase* config, const wxString& key, float& value, double low = -kLargest,
              double high = kLargest) {
    value = static_cast<float>(ReadConfigDoubleIn(config, key, value, low, high));
}

void LoadInt(wxConfigBase* config, const wxString& key, int& value, long low, long high) {
    value = static_cast<int>(ReadConfigLongIn(config, key, value, low, high));
}

// Stored as integers 0 or 1; only the low byte counts, as it always has.
void LoadFlag(wxConfigBase* config, const wxString& key, bool& value) {
    long read = value ? 1 : 0;
    config->Read(key, &read, read);
    value = (read & 0xff) != 0;
}

}  // namespace

void GroundBackdropColour(const float background[4], float out[4]) {
    const float mean = (background[0] + background[1] + background[2]) / 3;
    const float tint = mean < 0.5f ? -0.2f : 0.2f;
    for (int i = 0; i < 3; ++i) out[i] = std::clamp(background[i] + tint, 0.0f, 1.0f);
    out[3] = 0.5f;
}

void DrawGroundBackdrop(float side, float z, const float background[4]) {
    float colour[4];
    GroundBackdropColour(background, colour);
    glColor4fv(colour);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    // The grid drawn next must show through: the backdrop leaves no depth behind.
    glDepthMask(GL_FALSE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    const float h = side / 2;
    glBegin(GL_POLYGON);
    glVertex3f(-h, -h, z);
    glVertex3f(h, -h, z);
    glVertex3f(h, h, z);
    glVertex3f(-h, h, z);
    glEnd();
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
}

bool RenderSizeForPreset(int preset, int* width, int* height) {
    static const int sizes[7][2] = {{640, 512}, {720, 576},  {720, 480},  {640, 480},
                                     {352, 240}, {1440, 960}, {1920, 1080}};
    if (preset < 1 || preset > 7) return false;
    *width = sizes[preset - 1][0];
    *height = sizes[preset - 1][1];
    return true;
}

my3DCanvas::my3DCanvas(wxWindow* parent, wxWindowID id, const wxPoint& position,
                       const wxSize& size, long style, const wxString& name,
                       const wxGLContextAttrs* contextAttributes)
    : wxGLCanvas(parent, CanvasVisualAttributes(), id, position, size,
                 style | wxFULL_REPAINT_ON_RESIZE, name) {
    m_defaultCentre.SetZero();
    m_defaultEye.SetZero();
    // Without a visual (the display offers none with a depth buffer) no context can be made.
    if (GetXVisualInfo() != nullptr) {
        m_context = std::make_unique<wxGLContext>(this, nullptr, contextAttributes);
        if (!m_context->IsOK()) m_context.reset();
    }
    if (!m_context) wxLogError(_("OpenGL Error"));
    ResetDefaults();
    ApplyRenderSize();
    Bind(wxEVT_PAINT, &my3DCanvas::OnPaint, this);
    Bind(wxEVT_ERASE_BACKGROUND, &my3DCanvas::OnEraseBackground, this);
}

my3DCanvas::~my3DCanvas() {
    const bool current = MakeCurrent();
    if (m_labelFont != nullptr) {
        if (label_font == m_labelFont) label_font = nullptr;
        // The font's lists belong to this context; without it current they die with it.
        if (current)
            DeleteGLBitmapFont(m_labelFont);
        else
            delete m_labelFont;
        m_labelFont = nullptr;
    }
    if (current) DeleteRenderTarget();
    m_context.reset();
}

bool my3DCanvas::MakeCurrent() { return EnsureCanvasCurrent(*this, m_context.get()); }

void my3DCanvas::OnEraseBackground(wxEraseEvent&) {
    // Nothing: the paint clears the whole window, and an erase first would flicker.
}

void my3DCanvas::RenderAndSwap() {
    if (!MakeCurrent()) return;
    Render();
    glFlush();
    SwapBuffers();
}

void my3DCanvas::Render() {
    if (!m_context) return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    // The lit parts of the decor (floor backdrop, arrow heads) take the current normal. Every
    // paint starts from GL's initial one: the pick pass leaves its last normal current even
    // through its attribute pop (Mesa), and floor and axes would come out darker ever after.
    glNormal3f(0, 0, 1);
    glClearColor(m_background[0], m_background[1], m_background[2], m_background[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    PreRender(true);
    m_camera.ApplyView();
    DrawDecor();
    DrawScene();
    glPopAttrib();
}

void my3DCanvas::PreRender(bool) {}

void my3DCanvas::DrawScene() {}

void my3DCanvas::DrawGroundPlane(const float offset[3], float axisSize, double angle,
                                 const double axis[3]) {
    const GroundPlaneSettings& plane = m_groundPlane;
    if (plane.visible) {
        glColor3fv(plane.colour);
        glPushMatrix();
        glTranslatef(plane.position[0] + offset[0], plane.position[1] + offset[1],
                     plane.position[2] + offset[2]);
        switch (plane.type) {
            case 0:
                if (m_groundBackdrop) {
                    DrawGroundBackdrop(plane.size, 0, m_background);
                    glColor3fv(plane.colour);
                }
                DrawGroundPlaneXY(plane.size, 0, plane.gridDivisions);
                break;
            case 1:
                DrawGroundPlaneYZ(plane.size, 0, plane.gridDivisions);
                break;
            case 2:
                DrawGroundPlaneXZ(plane.size, 0, plane.gridDivisions);
                break;
            default:
                break;
        }
        glPopMatrix();
    }
    if (plane.showAxis && axisSize > 0) {
        glPushMatrix();
        if (angle != 0) glRotated(angle, axis[0], axis[1], axis[2]);
        DrawArrowAxes(axisSize);
        glPopMatrix();
    }
}

void my3DCanvas::DrawDecor() {
    if (m_showAxesGizmo) DrawAxesGizmo();
    const float none[3] = {0, 0, 0};
    const double zAxis[3] = {0, 0, 1};
    DrawGroundPlane(none, m_groundPlane.axisSize, 0, zAxis);
}

void my3DCanvas::DrawAxesGizmo() {
    EnableLighting(false);
    GLint viewport[4];
    GLdouble modelview[16], projection[16];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    // A twentieth of the window's height, in the lower left corner whatever the zoom.
    const double s = std::abs(viewport[3] - viewport[1]) / 20.0;
    const double ax = viewport[0] + 1.5 * s;
    const double ay = 1.5 * s;
    // Drawn right after the clear, so this normally reads the far value.
    GLfloat depth = 1;
    glReadPixels(static_cast<GLint>(ax), static_cast<GLint>(ay), 1, 1, GL_DEPTH_COMPONENT,
                 GL_FLOAT, &depth);
    double p0[3], p1[3];
    if (gluUnProject(ax, ay, depth, modelview, projection, viewport, &p0[0], &p0[1], &p0[2]) ==
            GL_TRUE &&
        gluUnProject(ax + s, ay, depth, modelview, projection, viewport, &p1[0], &p1[1],
                     &p1[2]) == GL_TRUE) {
        const double length =
            std::sqrt((p1[0] - p0[0]) * (p1[0] - p0[0]) + (p1[1] - p0[1]) * (p1[1] - p0[1]) +
                      (p1[2] - p0[2]) * (p1[2] - p0[2]));
        glPushMatrix();
        glDisable(GL_DEPTH_TEST);
        glEnable(GL_LINE_SMOOTH);
        glLineWidth(1.5f);
        glTranslated(p0[0], p0[1], p0[2]);
        DrawLineAxes(static_cast<float>(length));
        glLineWidth(1);
        glEnable(GL_DEPTH_TEST);
        glPopMatrix();
    }
    EnableLighting(true);
}

void my3DCanvas::ResetDefaults() {
    m_sceneSize = 1000;
    const ViewPlacement view = DefaultView();
    m_defaultCentre = view.centre;
    m_defaultEye = view.eye;
    m_lights[0] = CanvasLight{{-10, -50, 50, 0}, {0.7f, 0.7f, 0.9f, 1}};
    m_lights[1] = CanvasLight{{10, 50, 50, 0}, {0.8f, 0.8f, 1, 1}};
    const float background[4] = {0.2f, 0.3f, 0.5f, 1};
    std::copy(background, background + 4, m_background);
    std::copy(background, background + 4, m_fogColour);
    m_fogMode = -1;
    m_fogDensity = 0.05;
    m_fogStart = 0;
    m_fogEnd = 0;
    const bool autoPlace = m_groundPlane.autoPlace;
    m_groundPlane = GroundPlaneSettings();
    m_groundPlane.autoPlace = autoPlace;
    ResetCamera();
}

void my3DCanvas::ResetCamera() {
    // The camera sends its projection to the current context: let that be ours when it can.
    MakeCurrent();
    const double s = m_sceneSize;
    m_camera.Reset();
    m_camera.SetCentre(m_defaultCentre);
    m_camera.SetEye(m_defaultEye);
    m_camera.SetClipping(-3 * s, 3 * s, -3 * s, 3 * s);
}

wxGLCamera* my3DCanvas::GetCamera() { return &m_camera; }

float my3DCanvas::GetSceneSize() { return m_sceneSize; }

void my3DCanvas::SetSceneSize(float size) { m_sceneSize = size; }

CanvasLight* my3DCanvas::GetLights(int* count) {
    if (count != nullptr) *count = 2;
    return m_lights;
}

float* my3DCanvas::GetBackgroundColour() { return m_background; }

GroundPlaneSettings* my3DCanvas::GetGroundPlane() { return &m_groundPlane; }

bool* my3DCanvas::GetRenderFlags() { return m_renderFlags; }

bool my3DCanvas::GetCentre(float out[3]) {
    out[0] = static_cast<float>(m_defaultCentre.x);
    out[1] = static_cast<float>(m_defaultCentre.y);
    out[2] = static_cast<float>(m_defaultCentre.z);
    return true;
}

void my3DCanvas::SaveConfig(wxConfigBase* config) {
    if (config == nullptr) return;
    config->Write("/3DCanvas/smooth", Smooth());
    config->Write("/3DCanvas/wire", Wire());
    config->Write("/3DCanvas/render_w", static_cast<long>(m_renderWidth));
    config->Write("/3DCanvas/render_h", static_cast<long>(m_renderHeight));
    config->Write("/3DCanvas/orientation", static_cast<long>(m_verticalAxis));
    // Only x, y, z of the positions and red, green, blue of the colours are kept.
    for (int light = 0; light < 2; ++light) {
        for (int i = 0; i < 3; ++i)
            config->Write(LightKey(light, "position_", i), double(m_lights[light].position[i]));
        for (int i = 0; i < 3; ++i)
            config->Write(LightKey(light, "color_", i), double(m_lights[light].colour[i]));
    }
    for (int i = 0; i < 3; ++i)
        config->Write(ComponentKey("background_color_", i), double(m_background[i]));
    for (int i = 0; i < 3; ++i)
        config->Write(ComponentKey("plane_color_", i), double(m_groundPlane.colour[i]));
    for (int i = 0; i < 3; ++i)
        config->Write(ComponentKey("plane_position_", i), double(m_groundPlane.position[i]));
    config->Write("/3DCanvas/plane_size", double(m_groundPlane.size));
    config->Write("/3DCanvas/plane_type", static_cast<long>(m_groundPlane.type));
    config->Write("/3DCanvas/plane_grid", static_cast<long>(m_groundPlane.gridDivisions));
    // The key's spelling is what existing configurations hold.
    config->Write("/3DCanvas/plane_visble", static_cast<long>(m_groundPlane.visible ? 1 : 0));
    config->Write("/3DCanvas/plane_show_axis", static_cast<long>(m_groundPlane.showAxis ? 1 : 0));
    config->Write("/3DCanvas/plane_auto_calc", static_cast<long>(m_groundPlane.autoPlace ? 1 : 0));
    config->Write("/3DCanvas/plane_axis_size", double(m_groundPlane.axisSize));
}

void my3DCanvas::LoadConfig(wxConfigBase* config) {
    if (config == nullptr) return;
    config->Read("/3DCanvas/smooth", &Smooth(), Smooth());
    config->Read("/3DCanvas/wire", &Wire(), Wire());
    // Every number is kept to a range the view can draw: an off-screen image up to 16384 pixels a
    // side, an axis index, colours 0 to 1, a grid of at most kMaxGridDivisions lines a side.
    LoadInt(config, "/3DCanvas/render_w", m_renderWidth, 1, 16384);
    LoadInt(config, "/3DCanvas/render_h", m_renderHeight, 1, 16384);
    LoadInt(config, "/3DCanvas/orientation", m_verticalAxis, 0, 2);
    for (int light = 0; light < 2; ++light) {
        for (int i = 0; i < 3; ++i)
            LoadReal(config, LightKey(light, "position_", i), m_lights[light].position[i]);
        for (int i = 0; i < 3; ++i)
            LoadReal(config, LightKey(light, "color_", i), m_lights[light].colour[i], 0, 1);
    }
    for (int i = 0; i < 3; ++i)
        LoadReal(config, ComponentKey("background_color_", i), m_background[i], 0, 1);
    for (int i = 0; i < 3; ++i)
        LoadReal(config, ComponentKey("plane_color_", i), m_groundPlane.colour[i], 0, 1);
    for (int i = 0; i < 3; ++i)
        LoadReal(config, ComponentKey("plane_position_", i), m_groundPlane.position[i]);
    LoadReal(config, "/3DCanvas/plane_size", m_groundPlane.size, 0, kLargest);
    if (!(m_groundPlane.size > 0)) m_groundPlane.size = 1;
    LoadInt(config, "/3DCanvas/plane_type", m_groundPlane.type, -1000, 1000);  // others: no grid
    LoadInt(config, "/3DCanvas/plane_grid", m_groundPlane.gridDivisions, 1, kMaxGridDivisions);
    LoadFlag(config, "/3DCanvas/plane_visble", m_groundPlane.visible);
    LoadFlag(config, "/3DCanvas/plane_show_axis", m_groundPlane.showAxis);
    LoadFlag(config, "/3DCanvas/plane_auto_calc", m_groundPlane.autoPlace);
    LoadReal(config, "/3DCanvas/plane_axis_size", m_groundPlane.axisSize, 0, kLargest);
}

void my3DCanvas::CopyImage(bool render, bool even) {
    if (render) {
        const wxImage image = RenderToImage(even);
        CopyImageToClipboard(image);
    } else {
        CopyBitmapToClipboard(GrabScreen());
    }
    Refresh();
}

bool my3DCanvas::SaveImage(const wxString& path, bool grab, bool even) {
    wxString target = path;
    if (target.empty()) target = AskImageSavePath(this);
    if (target.empty()) return false;
    wxBusyCursor busy;
    wxImage image;
    if (grab) {
        const wxBitmap bitmap = GrabScreen();
        if (bitmap.IsOk()) image = bitmap.ConvertToImage();
    } else {
        image = RenderToImage(even);
    }
    // A failed grab or read-back reaches the save as an empty image, which it refuses.
    const bool result = DoSaveImage(target, image, true);
    Refresh();
    return result;
}

wxBitmap my3DCanvas::GrabScreen() { return GrabWindowArea(this); }

wxImage my3DCanvas::RenderToImage(bool even) {
    if (!MakeCurrent()) return wxImage();
    if (!GLInitialised()) {
        InitGL();
        GLInitialised() = true;
    }
    // After a swap the back buffer holds nothing defined, so the frame is drawn again here and
    // read before any swap; the window keeps showing the frame of its last paint.
    const GLFramebufferExt& f = gl_framebuffer_ext;
    const bool offScreen = m_renderTargetCreated && m_framebuffer != 0 && f.Complete();
    wxSize size = offScreen ? wxSize(m_targetWidth, m_targetHeight) : GetClientSize();
    if (even) size = EvenSize(size);
    if (size.x < 1 || size.y < 1) return wxImage();
    if (offScreen) {
        f.BindFramebuffer(GL_FRAMEBUFFER_EXT, m_framebuffer);
        m_camera.Resize(m_targetWidth, m_targetHeight);
    } else {
        Resize();
    }
    Render();
    wxImage image = ReadFrameImage(size.x, size.y);
    if (offScreen) {
        f.BindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
        Resize();
    }
    if (image.IsOk() && even) {
        ApplyRenderSize();
        if (m_renderSizePreset != 0 &&
            (image.GetWidth() != m_renderWidth || image.GetHeight() != m_renderHeight))
            image.Rescale(m_renderWidth, m_renderHeight, wxIMAGE_QUALITY_HIGH);
    }
    return image;
}

bool my3DCanvas::WritePPM(const wxImage& image, const wxString& path) {
    return ::WritePPM(image, path);
}

bool my3DCanvas::DoSaveImage(const wxString& path, const wxImage& image, bool quiet) {
    if (quiet) return SaveImageFile(path, image, kQuietPngChoice);
    return SaveImageFileAsking(path, image, this);
}

void my3DCanvas::SetLights() {
    if (!MakeCurrent()) return;
    glLightfv(GL_LIGHT0, GL_POSITION, m_lights[0].position);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, m_lights[0].colour);
    glLightfv(GL_LIGHT1, GL_POSITION, m_lights[1].position);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, m_lights[1].colour);
    EnableLighting(true);
}

void my3DCanvas::ApplyPolygonMode() {
    if (!MakeCurrent()) return;
    if (Wire()) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    } else {
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glShadeModel(GL_SMOOTH);
        glEnable(GL_DEPTH_TEST);
    }
    if (Smooth()) {
        glShadeModel(GL_SMOOTH);
        glEnable(GL_POLYGON_SMOOTH);
        glEnable(GL_LINE_SMOOTH);
        glEnable(GL_POINT_SMOOTH);
    } else {
        glShadeModel(GL_FLAT);
    }
    if (Cull())
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
}

void my3DCanvas::FrontView() {
    m_pickRequest = false;
    MakeCurrent();
    m_camera.ViewFront();
    Refresh(false);
}

void my3DCanvas::BackView() {
    m_pickRequest = false;
    MakeCurrent();
    m_camera.ViewBack();
    Refresh(false);
}

void my3DCanvas::TopView() {
    m_pickRequest = false;
    MakeCurrent();
    m_camera.ViewTop();
    Refresh(false);
}

void my3DCanvas::BottomView() {
    m_pickRequest = false;
    MakeCurrent();
    m_camera.ViewBottom();
    Refresh(false);
}

void my3DCanvas::LeftView() {
    m_pickRequest = false;
    MakeCurrent();
    m_camera.ViewLeft();
    Refresh(false);
}

void my3DCanvas::RightView() {
    m_pickRequest = false;
    MakeCurrent();
    m_camera.ViewRight();
    Refresh(false);
}

void my3DCanvas::ResetView() {
    m_pickRequest = false;
    ResetCamera();
    Resize();
    Refresh(false);
}

bool my3DCanvas::ShouldStopOnClose() { return false; }

void my3DCanvas::ApplyRenderState() {
    if (!MakeCurrent()) return;
    glDisable(GL_FOG);
    if (m_fogMode >= 0) {
        glEnable(GL_FOG);
        static const GLint modes[3] = {GL_EXP, GL_EXP2, GL_LINEAR};
        if (m_fogMode < 3) glFogi(GL_FOG_MODE, modes[m_fogMode]);
        glFogfv(GL_FOG_COLOR, m_fogColour);
        glFogf(GL_FOG_DENSITY, static_cast<float>(m_fogDensity));
        glHint(GL_FOG_HINT, GL_DONT_CARE);
        glFogf(GL_FOG_START, static_cast<float>(m_fogStart));
        glFogf(GL_FOG_END, static_cast<float>(m_fogEnd));
    }
    if (Wire()) {
        if (Smooth()) {
            glShadeModel(GL_SMOOTH);
            glEnable(GL_POLYGON_SMOOTH);
            glEnable(GL_LINE_SMOOTH);
            glEnable(GL_POINT_SMOOTH);
            glHint(GL_LINE_SMOOTH_HINT, GL_FASTEST);
        } else {
            glShadeModel(GL_FLAT);
        }
        return;
    }
    glDepthFunc(GL_LEQUAL);
    if (Smooth()) {
        glShadeModel(GL_SMOOTH);
        glEnable(GL_POLYGON_SMOOTH);
        glEnable(GL_LINE_SMOOTH);
        glEnable(GL_POINT_SMOOTH);
        glDisable(GL_CULL_FACE);
    } else {
        glShadeModel(GL_FLAT);
        glCullFace(GL_BACK);
    }
    EnableLighting(true);
}

int my3DCanvas::GetFontSize() { return m_fontSize; }

bool my3DCanvas::SetFontSize(int n) {
    if (n < 1 || !MakeCurrent()) return false;
    GLBitmapFont* font = CreateGLBitmapFont("Times", n, kWhite, m_fontWeight, m_fontItalic);
    // A font that cannot be made leaves the labels as they were rather than without a font.
    if (font == nullptr) return false;
    ReleaseLabelFont();
    m_fontSize = n;
    m_labelFont = font;
    label_font = font;
    return true;
}

void my3DCanvas::ReleaseLabelFont() {
    if (m_labelFont == nullptr) return;
    if (label_font == m_labelFont) label_font = nullptr;
    DeleteGLBitmapFont(m_labelFont);
    m_labelFont = nullptr;
}

bool my3DCanvas::GetWire() { return Wire(); }

void my3DCanvas::SetWire(bool wire) {
    Wire() = wire;
    ApplyRenderState();
    Refresh(false);
}

void my3DCanvas::EnableLighting(bool on) {
    if (!MakeCurrent()) return;
    if (on) {
        glEnable(GL_LIGHT0);
        glEnable(GL_LIGHT1);
        glEnable(GL_LIGHTING);
    } else {
        glDisable(GL_LIGHTING);
        glDisable(GL_LIGHT0);
        glDisable(GL_LIGHT1);
    }
}

wxGLContext* my3DCanvas::GetContext() { return m_context.get(); }

bool my3DCanvas::InitFramebufferExt() {
    if (!MakeCurrent()) return false;
    GLDriverInfo info;
    if (!info.Gather()) return false;
    return ResolveFramebufferExt(info);
}

void my3DCanvas::CreateRenderTarget() {
    if (!MakeCurrent()) return;
    DeleteRenderTarget();
    ApplyRenderSize();
    m_targetWidth = m_renderWidth;
    m_targetHeight = m_renderHeight;
    glGenTextures(1, &m_colourTexture);
    glBindTexture(GL_TEXTURE_2D, m_colourTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, m_targetWidth, m_targetHeight, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    // The entry points are used only once the driver vouched for them.
    const GLFramebufferExt& f = gl_framebuffer_ext;
    if (!m_framebufferObjects || !f.Complete()) return;
    f.GenFramebuffers(1, &m_framebuffer);
    f.BindFramebuffer(GL_FRAMEBUFFER_EXT, m_framebuffer);
    f.GenRenderbuffers(1, &m_depthRenderbuffer);
    f.BindRenderbuffer(GL_RENDERBUFFER_EXT, m_depthRenderbuffer);
    f.RenderbufferStorage(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT, m_targetWidth, m_targetHeight);
    f.BindRenderbuffer(GL_RENDERBUFFER_EXT, 0);
    f.FramebufferTexture2D(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                           m_colourTexture, 0);
    f.FramebufferRenderbuffer(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                              m_depthRenderbuffer);
    m_renderTargetCreated = FramebufferComplete();
    f.BindFramebuffer(GL_FRAMEBUFFER_EXT, 0);
}

void my3DCanvas::DeleteRenderTarget() {
    if (!MakeCurrent()) return;
    if (m_colourTexture != 0) {
        glDeleteTextures(1, &m_colourTexture);
        m_colourTexture = 0;
    }
    // An incomplete target has its names too: they are freed as well, not only a created one's.
    const GLFramebufferExt& f = gl_framebuffer_ext;
    if (m_framebufferObjects && f.Complete()) {
        if (m_framebuffer != 0) f.DeleteFramebuffers(1, &m_framebuffer);
        if (m_depthRenderbuffer != 0) f.DeleteRenderbuffers(1, &m_depthRenderbuffer);
        m_framebuffer = 0;
        m_depthRenderbuffer = 0;
    }
    m_renderTargetCreated = false;
}

bool my3DCanvas::FramebufferComplete() {
    const GLFramebufferExt& f = gl_framebuffer_ext;
    if (!f.Complete() || !MakeCurrent()) return false;
    return f.CheckFramebufferStatus(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
}

void my3DCanvas::ApplyRenderSize() {
    if (RenderSizeForPreset(m_renderSizePreset, &m_renderWidth, &m_renderHeight)) return;
    const wxSize size = GetClientSize();
    m_renderWidth = size.x;
    m_renderHeight = size.y;
}

void my3DCanvas::GetRenderSize(int* width, int* height) const {
    *width = m_renderWidth;
    *height = m_renderHeight;
}

void my3DCanvas::OnPaint(wxPaintEvent&) {
    // The paint context validates the damaged area, also when nothing can be drawn.
    wxPaintDC dc(this);
    if (!MakeCurrent()) return;
    if (!GLInitialised()) {
        InitGL();
        Resize();
        GLInitialised() = true;
    }
    if (m_resizeOnPaint) Resize();
    if (m_pickRequest) {
        Pick();
        m_pickRequest = false;
    }
    Render();
    glFlush();
    SwapBuffers();
}

void my3DCanvas::Pick() {}

void my3DCanvas::InitGL() {
    if (!MakeCurrent()) return;
    if (m_labelFont == nullptr)
        m_labelFont = CreateGLBitmapFont("Times", m_fontSize, kWhite, m_fontWeight, m_fontItalic);
    label_font = m_labelFont;
    SetLights();
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_DITHER);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_FASTEST);
    glHint(GL_LINE_SMOOTH_HINT, GL_FASTEST);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
}

void my3DCanvas::Resize() {
    const wxSize size = GetClientSize();
    if (!MakeCurrent()) {
        // Done again at the first paint that can draw.
        m_resizeOnPaint = true;
        return;
    }
    m_resizeOnPaint = !IsShownOnScreen();
    glViewport(0, 0, size.x, size.y);
    m_camera.Resize(size.x, size.y);
    m_camera.ApplyView();
}

void my3DCanvas::ShowPopupMenu(const wxPoint&) {}

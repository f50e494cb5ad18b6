// The canvases in a real window under Xvfb: what a paint shows, the defaults, the configuration
// keys, the label font, the status bar, the GL binding, and a canvas without a context.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/fileconf.h>
#include <wx/glcanvas.h>
#include <wx/log.h>
#include <wx/statusbr.h>

#include <GL/gl.h>

#include "view/CanvasGuiFixture.h"
#include "gl/GLBitmapFont.h"
#include "view/GLDriverInfo.h"
#include "view/GLFramebufferExt.h"
#include "support/TestSupport.h"

namespace {

class LogCapture : public wxLog {
public:
    std::vector<std::string> errors;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo&) override {
        if (level <= wxLOG_Error) errors.push_back(message.utf8_string());
    }
};

// Routes the toolkit's log into a capture for the scope.
class ScopedLogCapture {
public:
    ScopedLogCapture() : previous_(wxLog::SetActiveTarget(&log)) {}
    ~ScopedLogCapture() { wxLog::SetActiveTarget(previous_); }
    LogCapture log;

private:
    wxLog* previous_;
};

TEST_F(CanvasGuiTest, PaintsTheBackgroundColour) {
    float* background = canvas->GetBackgroundColour();
    background[0] = 0.8f;
    background[1] = 0.1f;
    background[2] = 0.2f;
    canvas->GetGroundPlane()->visible = false;
    canvas->GetGroundPlane()->showAxis = false;
    canvas->SetShowAxesGizmo(false);
    const testsupport::PixelBlock pixels = Paint();
    ASSERT_EQ(pixels.width, kWidth);
    EXPECT_EQ(pixels.CountNear(204, 26, 51, 2), kWidth * kHeight);
    EXPECT_TRUE(canvas->GetRenderFlags()[my3DCanvas::kGLInitialised]);
    EXPECT_EQ(testsupport::TakeGLErrors(), "");
}

TEST_F(CanvasGuiTest, DecorOverTheBackground) {
    // The default view: grid, backdrop and axes in the middle, the gizmo in the lower left, the
    // background in the upper corners.
    const testsupport::PixelBlock pixels = Paint();
    ASSERT_EQ(pixels.width, kWidth);
    const int bg[3] = {51, 77, 128};
    for (const auto& corner : {std::pair{2, kHeight - 3}, std::pair{kWidth - 3, kHeight - 3}}) {
        const unsigned char* p = pixels.at(corner.first, corner.second);
        EXPECT_NEAR(p[0], bg[0], 2);
        EXPECT_NEAR(p[1], bg[1], 2);
        EXPECT_NEAR(p[2], bg[2], 2);
    }
    EXPECT_GT(pixels.CountDifferentFrom(bg[0], bg[1], bg[2], 4), kWidth * kHeight / 20);
    // The gizmo's lines start 1.5 x 12 pixels from the corner.
    int gizmo = 0;
    for (int y = 10; y < 40; ++y)
        for (int x = 10; x < 40; ++x) {
            const unsigned char* p = pixels.at(x, y);
            gizmo += std::abs(p[0] - bg[0]) + std::abs(p[1] - bg[1]) + std::abs(p[2] - bg[2]) > 30;
        }
    EXPECT_GT(gizmo, 10);
}

TEST_F(CanvasGuiTest, FreshCanvasDefaults) {
    const bool* flags = canvas->GetRenderFlags();
    EXPECT_TRUE(flags[my3DCanvas::kSmooth]);
    EXPECT_FALSE(flags[my3DCanvas::kWire]);
    EXPECT_FALSE(flags[my3DCanvas::kCull]);
    EXPECT_EQ(canvas->GetFogMode(), -1);
    const float* bg = canvas->GetBackgroundColour();
    EXPECT_FLOAT_EQ(bg[0], 0.2f);
    EXPECT_FLOAT_EQ(bg[1], 0.3f);
    EXPECT_FLOAT_EQ(bg[2], 0.5f);
    EXPECT_FLOAT_EQ(bg[3], 1);
    EXPECT_FLOAT_EQ(canvas->GetFogColour()[2], 0.5f);
    const GroundPlaneSettings* plane = canvas->GetGroundPlane();
    EXPECT_TRUE(plane->visible);
    EXPECT_EQ(plane->type, 0);
    EXPECT_FLOAT_EQ(plane->size, 4);
    EXPECT_EQ(plane->gridDivisions, 20);
    EXPECT_FLOAT_EQ(plane->axisSize, 0.5f);
    int count = 0;
    const CanvasLight* lights = canvas->GetLights(&count);
    EXPECT_EQ(count, 2);
    EXPECT_FLOAT_EQ(lights[1].position[1], 50);
    EXPECT_FLOAT_EQ(lights[0].colour[2], 0.9f);
    double e[3], c[3];
    canvas->GetCamera()->GetEye(&e[0], &e[1], &e[2]);
    canvas->GetCamera()->GetCentre(&c[0], &c[1], &c[2]);
    EXPECT_EQ((std::vector<double>{e[0], e[1], e[2]}), (std::vector<double>{0, -4, 1}));
    EXPECT_EQ((std::vector<double>{c[0], c[1], c[2]}), (std::vector<double>{0, 0, 0.5}));
    float centre[3];
    EXPECT_FALSE(canvas->GetCentre(centre));  // the scene canvas: no recording, no centre
    EXPECT_EQ(canvas->GetMouseMode(), 0);
    EXPECT_EQ(canvas->GetSpeed(), 1.0);
    EXPECT_EQ(canvas->GetObject(), nullptr);
    // The render size follows the client size.
    int w = 0, h = 0;
    canvas->ApplyRenderSize();
    canvas->GetRenderSize(&w, &h);
    EXPECT_EQ(w, kWidth);
    EXPECT_EQ(h, kHeight);
    canvas->SetRenderSizePreset(6);
    canvas->ApplyRenderSize();
    canvas->GetRenderSize(&w, &h);
    EXPECT_EQ(w, 1440);
    EXPECT_EQ(h, 960);
}

TEST_F(CanvasGuiTest, ForwardersWithoutAnObject) {
    EXPECT_EQ(canvas->GetFirstFrame(), 0);
    EXPECT_EQ(canvas->GetLastFrame(), 0);
    EXPECT_EQ(canvas->GetFrameCount(), 0);
    EXPECT_FALSE(canvas->IsModified());
    EXPECT_FALSE(canvas->IsShapeModified());
    EXPECT_FALSE(canvas->Save());
    EXPECT_FALSE(canvas->PushUndo("x"));
    EXPECT_FALSE(canvas->Undo());
    EXPECT_EQ(canvas->GetUndoCount(), 0);
    EXPECT_EQ(canvas->GetUndoDescription(), "");
    EXPECT_FALSE(canvas->HasMotion());
    EXPECT_EQ(canvas->GetCurrentFrame(), 0);
    EXPECT_EQ(canvas->GetTimeText(), "");
    canvas->ClearUndo();
    canvas->SetModified(true);
    canvas->Play();
    EXPECT_FALSE(canvas->IsPlaying());
    EXPECT_FALSE(canvas->IsTimerRunning());
}

TEST_F(CanvasGuiTest, MarkersAppearAtTheirProjectedPixels) {
    const std::vector<Point3D> markers = {
        {0.1, 0.1, 0.7}, {0.6, 0.2, 0.9}, {-0.7, -0.3, 0.2}, {0.3, 0.5, 1.3}, {-0.4, 0.8, 0.05}};
    // Magenta: the decor has red, green and blue, never both red and blue.
    auto* cloud = new MarkerCloud({markers}, 100);
    cloud->colour[2] = 255;
    canvas->Adopt(cloud);
    const testsupport::PixelBlock pixels = Paint();
    ASSERT_EQ(pixels.width, kWidth);
    EXPECT_GT(cloud->draws, 0);
    int red = 0;
    for (const Point3D& m : markers) {
        const Pixel at = Project(*canvas->GetCamera(), kWidth, kHeight, m);
        SCOPED_TRACE(testing::Message() << m.x << " " << m.y << " " << m.z << " at " << at.x
                                        << ", " << at.y);
        ASSERT_GT(at.x, 4);
        ASSERT_LT(at.x, kWidth - 4);
        ASSERT_GT(at.y, 4);
        ASSERT_LT(at.y, kHeight - 4);
        const unsigned char* p = pixels.at(int(at.x), int(at.y));
        EXPECT_GE(p[0], 250);
        EXPECT_LE(p[1], 5);
        EXPECT_GE(p[2], 250);
    }
    // Nothing else is magenta: five points of 7 x 7 pixels.
    for (int i = 0; i + 3 < int(pixels.rgba.size()); i += 4)
        red += pixels.rgba[i] >= 250 && pixels.rgba[i + 1] <= 5 && pixels.rgba[i + 2] >= 250;
    EXPECT_GE(red, 5 * 30);
    EXPECT_LE(red, 5 * 49);
}

TEST_F(CanvasGuiTest, ConfigurationKeysAndRoundTrip) {
    testsupport::TempDir dir;
    const wxString path = wxString::FromUTF8((dir.path() + "/canvas.ini").c_str());
    wxFileConfig config("test", "test", path, "", wxCONFIG_USE_LOCAL_FILE);

    CanvasLight* lights = canvas->GetLights(nullptr);
    lights[1].colour[0] = 0.25f;
    lights[1].position[3] = 1;  // w is not stored
    lights[0].colour[3] = 0.5f; // nor alpha
    canvas->GetBackgroundColour()[1] = 0.75f;
    GroundPlaneSettings* plane = canvas->GetGroundPlane();
    plane->position[2] = -0.125f;
    plane->size = 6.5f;
    plane->type = 2;
    plane->gridDivisions = 8;
    plane->visible = false;
    plane->autoPlace = true;
    plane->axisSize = 0.75f;
    canvas->GetRenderFlags()[my3DCanvas::kWire] = true;
    canvas->SaveConfig(&config);

    double real = 0;
    long integer = 0;
    EXPECT_TRUE(config.Read("/3DCanvas/light_1_color_0", &real));
    EXPECT_DOUBLE_EQ(real, 0.25);
    EXPECT_TRUE(config.Read("/3DCanvas/light_0_position_2", &real));
    EXPECT_DOUBLE_EQ(real, 50);
    EXPECT_FALSE(config.Exists("/3DCanvas/light_1_position_3"));
    EXPECT_FALSE(config.Exists("/3DCanvas/light_0_color_3"));
    EXPECT_TRUE(config.Read("/3DCanvas/background_color_1", &real));
    EXPECT_DOUBLE_EQ(real, 0.75);
    EXPECT_TRUE(config.Read("/3DCanvas/plane_visble", &integer));
    EXPECT_EQ(integer, 0);
    EXPECT_TRUE(config.Read("/3DCanvas/plane_auto_calc", &integer));
    EXPECT_EQ(integer, 1);
    EXPECT_TRUE(config.Read("/3DCanvas/plane_grid", &integer));
    EXPECT_EQ(integer, 8);
    EXPECT_TRUE(config.Exists("/3DCanvas/smooth"));
    EXPECT_TRUE(config.Exists("/3DCanvas/render_w"));
    EXPECT_TRUE(config.Exists("/3DCanvas/orientation"));
    EXPECT_TRUE(config.Exists("/3DCanvas/plane_axis_size"));
    EXPECT_TRUE(config.Exists("/GLcanvas/save_config"));

    // Back to the defaults, then load: every stored value returns; w and alpha keep their values.
    canvas->ResetDefaults();
    lights[1].position[3] = 0;
    lights[0].colour[3] = 1;
    canvas->GetRenderFlags()[my3DCanvas::kWire] = false;
    canvas->LoadConfig(&config);
    EXPECT_FLOAT_EQ(lights[1].colour[0], 0.25f);
    EXPECT_FLOAT_EQ(lights[1].position[3], 0);
    EXPECT_FLOAT_EQ(lights[0].colour[3], 1);
    EXPECT_FLOAT_EQ(canvas->GetBackgroundColour()[1], 0.75f);
    EXPECT_FLOAT_EQ(plane->position[2], -0.125f);
    EXPECT_FLOAT_EQ(plane->size, 6.5f);
    EXPECT_EQ(plane->type, 2);
    EXPECT_EQ(plane->gridDivisions, 8);
    EXPECT_FALSE(plane->visible);
    EXPECT_TRUE(plane->autoPlace);
    EXPECT_FLOAT_EQ(plane->axisSize, 0.75f);
    EXPECT_TRUE(canvas->GetWire());
}

TEST_F(CanvasGuiTest, LoadingConfigurationKeepsWhatIsMissing) {
    testsupport::TempDir dir;
    const wxString path = wxString::FromUTF8((dir.path() + "/canvas.ini").c_str());
    wxFileConfig config("test", "test", path, "", wxCONFIG_USE_LOCAL_FILE);
    config.Write("/3DCanvas/plane_size", -2.0);
    config.Write("/3DCanvas/plane_type", 5L);
    config.Write("/3DCanvas/plane_show_axis", 256L);  // only the low byte counts
    config.Write("/3DCanvas/light_0_position_0", "not a number");
    canvas->LoadConfig(&config);
    const GroundPlaneSettings* plane = canvas->GetGroundPlane();
    EXPECT_FLOAT_EQ(plane->size, 1);
    EXPECT_EQ(plane->type, 5);
    EXPECT_FALSE(plane->showAxis);
    EXPECT_FLOAT_EQ(canvas->GetLights(nullptr)[0].position[0], -10);
    EXPECT_FLOAT_EQ(canvas->GetBackgroundColour()[2], 0.5f);
    EXPECT_TRUE(canvas->GetRenderFlags()[my3DCanvas::kSmooth]);
    EXPECT_EQ(plane->gridDivisions, 20);
    // A plane type without a grid still paints.
    Paint();
    EXPECT_EQ(testsupport::TakeGLErrors(), "");
}

// A damaged or hand-edited store cannot hang or break the view: numbers are clamped to what the
// view can draw, and NaN or infinity keep the current value. Saving writes the sane values back.
TEST_F(CanvasGuiTest, DamagedNumbersAreClampedWhenRead) {
    testsupport::TempDir dir;
    const wxString path = wxString::FromUTF8((dir.path() + "/canvas.ini").c_str());
    wxFileConfig config("test", "test", path, "", wxCONFIG_USE_LOCAL_FILE);
    config.Write("/3DCanvas/plane_grid", 2000L);
    config.Write("/3DCanvas/render_w", 1000000000L);
    config.Write("/3DCanvas/render_h", -4L);
    config.Write("/3DCanvas/orientation", 9L);
    config.Write("/3DCanvas/background_color_0", "nan");
    config.Write("/3DCanvas/background_color_1", "7");
    config.Write("/3DCanvas/plane_size", "inf");
    config.Write("/3DCanvas/plane_axis_size", "-3");
    config.Write("/3DCanvas/light_0_position_1", "1e300");
    const float red = canvas->GetBackgroundColour()[0];
    canvas->LoadConfig(&config);
    const GroundPlaneSettings* plane = canvas->GetGroundPlane();
    EXPECT_EQ(plane->gridDivisions, kMaxGridDivisions);
    EXPECT_EQ(canvas->GetVerticalAxis(), 2);
    EXPECT_FLOAT_EQ(canvas->GetBackgroundColour()[0], red);
    EXPECT_FLOAT_EQ(canvas->GetBackgroundColour()[1], 1.0f);
    EXPECT_FLOAT_EQ(plane->size, 4.0f);
    EXPECT_FLOAT_EQ(plane->axisSize, 0.0f);
    EXPECT_FLOAT_EQ(canvas->GetLights(nullptr)[0].position[1], 1e6f);
    Paint();
    EXPECT_EQ(testsupport::TakeGLErrors(), "");
    canvas->SaveConfig(&config);
    long integer = 0;
    EXPECT_TRUE(config.Read("/3DCanvas/plane_grid", &integer));
    EXPECT_EQ(integer, kMaxGridDivisions);
    EXPECT_TRUE(config.Read("/3DCanvas/render_w", &integer));
    EXPECT_EQ(integer, 16384);
    EXPECT_TRUE(config.Read("/3DCanvas/render_h", &integer));
    EXPECT_EQ(integer, 1);
    config.Write("/3DCanvas/plane_grid", 0L);
    canvas->LoadConfig(&config);
    EXPECT_EQ(plane->gridDivisions, 1);
}

TEST_F(CanvasGuiTest, FontSize) {
    Paint();  // the first paint makes the label font
    GLBitmapFont* first = canvas->GetLabelFont();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(label_font, first);
    EXPECT_EQ(canvas->GetFontSize(), 20);

    EXPECT_FALSE(canvas->SetFontSize(0));
    EXPECT_EQ(canvas->GetLabelFont(), first);
    EXPECT_EQ(canvas->GetFontSize(), 20);

    ASSERT_TRUE(canvas->SetFontSize(14));
    GLBitmapFont* second = canvas->GetLabelFont();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(label_font, second);
    EXPECT_EQ(second->height, 14);
    EXPECT_EQ(canvas->GetFontSize(), 14);

    // GL makes no display lists between glBegin and glEnd: the font cannot be made, and the
    // labels keep the font they have.
    ASSERT_TRUE(canvas->MakeCurrent());
    glBegin(GL_POINTS);
    const bool made = canvas->SetFontSize(30);
    glEnd();
    testsupport::TakeGLErrors();
    EXPECT_FALSE(made);
    EXPECT_EQ(canvas->GetLabelFont(), second);
    EXPECT_EQ(label_font, second);
    EXPECT_EQ(canvas->GetFontSize(), 14);
}

TEST_F(CanvasGuiTest, ResetViewRestoresRenderFlags) {
    Paint();
    bool* flags = canvas->GetRenderFlags();
    flags[my3DCanvas::kWire] = true;
    flags[my3DCanvas::kCull] = true;
    flags[my3DCanvas::kSmooth] = false;
    canvas->GetCamera()->SetEye(3, 3, 3);
    canvas->ResetView();
    EXPECT_TRUE(flags[my3DCanvas::kSmooth]);
    EXPECT_FALSE(flags[my3DCanvas::kWire]);
    EXPECT_FALSE(flags[my3DCanvas::kCull]);
    EXPECT_FALSE(flags[my3DCanvas::kGLInitialised]);
    double e[3];
    canvas->GetCamera()->GetEye(&e[0], &e[1], &e[2]);
    EXPECT_EQ((std::vector<double>{e[0], e[1], e[2]}), (std::vector<double>{0, -4, 1}));
    Paint();
    EXPECT_TRUE(flags[my3DCanvas::kGLInitialised]);
}

TEST_F(CanvasGuiTest, RenderStateOperationsLeaveNoGLError) {
    Paint();
    bool* flags = canvas->GetRenderFlags();
    for (int fog : {-1, 0, 1, 2, 3}) {
        for (bool wire : {false, true}) {
            for (bool smooth : {false, true}) {
                SCOPED_TRACE(testing::Message() << fog << wire << smooth);
                canvas->SetFog(fog);
                flags[my3DCanvas::kWire] = wire;
                flags[my3DCanvas::kSmooth] = smooth;
                flags[my3DCanvas::kCull] = !smooth;
                canvas->ApplyRenderState();
                canvas->ApplyPolygonMode();
                ASSERT_TRUE(canvas->MakeCurrent());
                EXPECT_EQ(glIsEnabled(GL_FOG), fog >= 0 ? GL_TRUE : GL_FALSE);
                EXPECT_EQ(glIsEnabled(GL_CULL_FACE), !smooth ? GL_TRUE : GL_FALSE);
                GLint mode[2];
                glGetIntegerv(GL_POLYGON_MODE, mode);
                EXPECT_EQ(mode[0], wire ? GL_LINE : GL_FILL);
                EXPECT_EQ(testsupport::TakeGLErrors(), "");
            }
        }
    }
}

TEST_F(CanvasGuiTest, StatusBarFields) {
    wxStatusBar* bar = frame->GetStatusBar();
    canvas->SetStatusBar(bar);
    auto* cloud = new MarkerCloud({{Point3D(0, 0, 1)}}, 50);
    cloud->SetFileName("/data/walk.c3d");
    canvas->Adopt(cloud);
    canvas->UpdateStatusBar();
    EXPECT_EQ(bar->GetStatusText(1), "/data/walk.c3d");
    // A resize of the canvas alone reaches GTK's allocation only with the next layout; the
    // handler is what matters here.
    canvas->SetSize(kWidth - 20, kHeight - 10);
    wxSizeEvent resized(canvas->GetSize(), canvas->GetId());
    resized.SetEventObject(canvas);
    canvas->ProcessWindowEvent(resized);
    EXPECT_EQ(bar->GetStatusText(0), wxString::Format("window size %dx%d", kWidth - 20, kHeight - 10));
    canvas->ClearScene();
    for (int field = 0; field < 4; ++field) EXPECT_EQ(bar->GetStatusText(field), " ");
}

TEST_F(CanvasGuiTest, FramebufferEntryPointsFollowTheExtensionList) {
    Paint();
    ASSERT_TRUE(canvas->MakeCurrent());
    GLDriverInfo info;
    ASSERT_TRUE(info.Gather());
    EXPECT_GE(info.depthBits, 24);
    EXPECT_FALSE(info.vendor.empty());
    EXPECT_TRUE(std::is_sorted(info.extensions.begin(), info.extensions.end()));
    const bool listed = info.HasExtension("GL_EXT_framebuffer_object");
    EXPECT_EQ(canvas->InitFramebufferExt(), listed);
    EXPECT_EQ(gl_framebuffer_ext.Complete(), listed);
    // No operation switches the off-screen target on: only its texture is made and freed.
    canvas->CreateRenderTarget();
    canvas->DeleteRenderTarget();
    EXPECT_EQ(testsupport::TakeGLErrors(), "");
}

TEST_F(CanvasGuiTest, ReadBackOfTheFrame) {
    canvas->GetGroundPlane()->visible = false;
    canvas->GetGroundPlane()->showAxis = false;
    canvas->SetShowAxesGizmo(false);
    Paint();
    const wxImage image = canvas->RenderToImage(false);
    ASSERT_TRUE(image.IsOk());
    EXPECT_EQ(image.GetWidth(), kWidth);
    EXPECT_EQ(image.GetHeight(), kHeight);
    EXPECT_NEAR(image.GetRed(5, 5), 51, 2);
    EXPECT_NEAR(image.GetBlue(kWidth - 5, kHeight - 5), 128, 2);
}

// A window whose context cannot be made (a GL version no driver has) logs once and stays a
// window: it paints nothing and refuses the GL operations.
TEST(CanvasWithoutContext, StaysUsable) {
    testsupport::GLTestHarness& harness = testsupport::GLTestHarness::Get();
    ASSERT_TRUE(harness.ok()) << harness.error();
    ScopedLogCapture capture;
    wxGLContextAttrs impossible;
    impossible.PlatformDefaults().CoreProfile().OGLVersion(99, 0).EndList();
    auto* window = new wxFrame(nullptr, wxID_ANY, "no context");
    auto* canvas = new TestCanvas(window, wxID_ANY, wxDefaultPosition, wxSize(100, 80), 0,
                                  "myGLCanvas", &impossible);
    window->Show();
    for (int i = 0; i < 50; ++i) wxTheApp->Yield(true);
    EXPECT_EQ(canvas->GetContext(), nullptr);
    int openGLErrors = 0;
    for (const std::string& e : capture.log.errors) openGLErrors += e == "OpenGL Error";
    EXPECT_EQ(openGLErrors, 1);
    canvas->Refresh();
    canvas->Update();
    for (int i = 0; i < 10; ++i) wxTheApp->Yield(true);
    EXPECT_FALSE(canvas->GetRenderFlags()[my3DCanvas::kGLInitialised]);
    EXPECT_FALSE(canvas->SetFontSize(12));
    EXPECT_FALSE(canvas->RenderToImage(false).IsOk());
    EXPECT_FALSE(canvas->InitFramebufferExt());
    canvas->ResetView();
    canvas->SetWire(true);
    canvas->SetLights();
    canvas->Adopt(new MarkerCloud({{Point3D(0, 0, 0)}, {Point3D(0, 0, 1)}}, 10));
    canvas->NextFrame();
    EXPECT_EQ(canvas->GetObject()->GetCurrentFrame(), 1);
    window->Destroy();
    for (int i = 0; i < 10; ++i) wxTheApp->Yield(true);
    EXPECT_EQ(openGLErrors, 1);
}

}  // namespace

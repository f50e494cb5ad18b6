// Image output of the scene canvas in a real window under Xvfb: the view drawn again and read
// back (window or off-screen target), saved by extension, copied to the clipboard, grabbed from
// the screen, the save and PNG-format dialogs, and the refusals of pictures that cannot be had.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <wx/app.h>
#include <wx/choicdlg.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/modalhook.h>
#include <wx/timer.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include "view/CanvasTestObjects.h"
#include "view/GLFramebufferExt.h"
#include "support/GLTestHarness.h"
#include "view/ImageOutput.h"
#include "support/TestSupport.h"
#include "platform/Paths.h"

namespace {

// Odd on purpose, so the even rounding shows.
constexpr int kW = 161;
constexpr int kH = 121;

// The view's own background for these tests, far from the default one.
constexpr float kBackground[3] = {0.1f, 0.6f, 0.3f};

using testsupport::ColourByte;
using testsupport::CountImagePixelsOff;

int CountOffBackground(const wxImage& image, int tol = 1) {
    return CountImagePixelsOff(image, ColourByte(kBackground[0]), ColourByte(kBackground[1]),
                               ColourByte(kBackground[2]), tol);
}

class ErrorLog : public wxLog {
public:
    std::vector<std::string> errors;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo&) override {
        if (level <= wxLOG_Error) errors.push_back(message.utf8_string());
    }
};

class ScopedErrorLog {
public:
    ScopedErrorLog() : previous_(wxLog::SetActiveTarget(&log)) {}
    ~ScopedErrorLog() { wxLog::SetActiveTarget(previous_); }
    ErrorLog log;

private:
    wxLog* previous_;
};

// Answers the next modal dialog of type D from inside its own event loop: `answer` checks it and
// ends it. The dialog is caught as it is shown (the native file dialog is not among the top-level
// windows) and answered from a timer (that dialog's loop never idles).
template <typename D>
class DialogAnswer : public wxTimer, public wxModalDialogHook {
public:
    explicit DialogAnswer(std::function<void(D*)> answer) : answer_(std::move(answer)) {
        Register();
        Start(20);
    }
    ~DialogAnswer() override {
        Stop();
        Unregister();
    }
    void Notify() override {
        if (dialog_ == nullptr || !dialog_->IsModal()) return;
        Stop();
        D* dialog = dialog_;
        dialog_ = nullptr;
        answer_(dialog);
    }

protected:
    int Enter(wxDialog* dialog) override {
        if (D* wanted = dynamic_cast<D*>(dialog)) dialog_ = wanted;
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}

private:
    std::function<void(D*)> answer_;
    D* dialog_ = nullptr;
};

// The scene canvas with the off-screen target reachable: the tests switch framebuffer objects on
// (nothing in the program does) and can force the render size the target is made at.
class ImageCanvas : public TestCanvas {
public:
    ImageCanvas(wxWindow* parent, const wxSize& size, const wxGLContextAttrs* attrs = nullptr)
        : TestCanvas(parent, wxID_ANY, wxDefaultPosition, size, 0, "myGLCanvas", attrs) {}
    void UseFramebufferObjects(bool on) { m_framebufferObjects = on; }
    bool TargetCreated() const { return m_renderTargetCreated; }
    unsigned Framebuffer() const { return m_framebuffer; }
    unsigned DepthRenderbuffer() const { return m_depthRenderbuffer; }
    unsigned ColourTexture() const { return m_colourTexture; }
    void ForceRenderSize(int width, int height) {
        forced_ = true;
        forcedW_ = width;
        forcedH_ = height;
    }
    void ApplyRenderSize() override {
        if (!forced_) return TestCanvas::ApplyRenderSize();
        m_renderWidth = forcedW_;
        m_renderHeight = forcedH_;
    }

private:
    bool forced_ = false;
    int forcedW_ = 0;
    int forcedH_ = 0;
};

class CanvasImageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // GTK's accessibility bridge wants a D-Bus session that Xvfb runs lack.
        setenv("NO_AT_BRIDGE", "1", 0);
        // Nor is there a settings daemon: the file dialog would retry saving its settings
        // without end and keep the event loop from ever idling.
        setenv("GSETTINGS_BACKEND", "memory", 0);
    }

    void SetUp() override {
        testsupport::GLTestHarness& harness = testsupport::GLTestHarness::Get();
        ASSERT_TRUE(harness.ok()) << harness.error();
        RegisterImageHandlers();
        frame = new wxFrame(nullptr, wxID_ANY, "image test", wxPoint(0, 0));
        canvas = new ImageCanvas(frame, wxSize(kW, kH));
        frame->SetClientSize(kW, kH);
        frame->Show();
        ASSERT_TRUE(testsupport::WaitUntil([&] { return canvas->IsShownOnScreen(); }));
        ASSERT_EQ(canvas->GetClientSize(), wxSize(kW, kH));
        // Nothing but the background: every pixel of a picture can be checked.
        canvas->GetGroundPlane()->visible = false;
        canvas->GetGroundPlane()->showAxis = false;
        canvas->SetShowAxesGizmo(false);
        std::copy(kBackground, kBackground + 3, canvas->GetBackgroundColour());
        Paint();
        testsupport::TakeGLErrors();
    }

    void TearDown() override {
        if (canvas != nullptr && canvas->MakeCurrent()) {
            EXPECT_EQ(testsupport::TakeGLErrors(), "");
        }
        if (frame != nullptr) frame->Destroy();
        for (int i = 0; i < 10; ++i) wxTheApp->Yield(true);
    }

    void Paint() {
        canvas->Refresh(false);
        canvas->Update();
        wxTheApp->Yield(true);
    }

    // A marker at the point the camera looks at, the middle of the view: a big red point.
    void AddMarker() { canvas->Adopt(new MarkerCloud({{canvas->GetDefaultCentre()}}, 100)); }

    wxFrame* frame = nullptr;
    ImageCanvas* canvas = nullptr;
};

// The read-back draws the view it shows, whatever the back buffer held after the last swap.
TEST_F(CanvasImageTest, ReadBackDrawsTheViewAgainBeforeAnySwap) {
    ASSERT_TRUE(canvas->MakeCurrent());
    glClearColor(1, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const wxImage image = canvas->RenderToImage(false);
    ASSERT_TRUE(image.IsOk());
    EXPECT_EQ(image.GetSize(), wxSize(kW, kH));
    EXPECT_EQ(CountOffBackground(image), 0);

    // A change not yet painted is in the picture too.
    canvas->GetBackgroundColour()[0] = 0.9f;
    EXPECT_EQ(CountImagePixelsOff(canvas->RenderToImage(false), ColourByte(0.9f),
                                  ColourByte(kBackground[1]), ColourByte(kBackground[2])),
              0);
}

// What is on the screen after a paint and what the read-back draws are the same picture.
TEST_F(CanvasImageTest, ScreenGrabAndReadBackShowTheSameView) {
    AddMarker();
    Paint();
    const wxBitmap grab = canvas->GrabScreen();
    ASSERT_TRUE(grab.IsOk());
    EXPECT_EQ(grab.GetWidth(), kW);
    EXPECT_EQ(grab.GetHeight(), kH);
    const wxImage screen = grab.ConvertToImage();
    const wxImage read = canvas->RenderToImage(false);
    ASSERT_TRUE(read.IsOk());
    ASSERT_EQ(read.GetSize(), screen.GetSize());
    int red = 0, different = 0;
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            red += read.GetRed(x, y) == 255 && read.GetGreen(x, y) == 0;
            different += std::abs(read.GetRed(x, y) - screen.GetRed(x, y)) > 1 ||
                         std::abs(read.GetGreen(x, y) - screen.GetGreen(x, y)) > 1 ||
                         std::abs(read.GetBlue(x, y) - screen.GetBlue(x, y)) > 1;
        }
    }
    EXPECT_GT(red, 0);
    EXPECT_EQ(different, 0);
}

// Saved through the canvas: the client size, rounded down to even numbers and scaled to a
// preset's render size only with `even`; the background everywhere; the file as its extension
// asks (16-bit colour PNG, the own PPM writer's exact bytes, 24-bit BMP, JPEG by the toolkit).
TEST_F(CanvasImageTest, SavedViewHasTheCanvasSizeAndBackground) {
    struct Case {
        const char* name;
        bool even;
        int preset;
        int w, h;
        int tol;
    };
    const Case cases[] = {
        {"odd.png", false, 0, kW, kH, 1},         {"odd.ppm", false, 0, kW, kH, 1},
        {"even.png", true, 0, kW - 1, kH - 1, 1}, {"even.ppm", true, 0, kW - 1, kH - 1, 1},
        {"even.bmp", true, 0, kW - 1, kH - 1, 1}, {"preset.png", true, 4, 640, 480, 1},
        {"preset.ppm", true, 5, 352, 240, 1},     {"odd-preset.ppm", false, 4, kW, kH, 1},
        {"view.jpg", false, 0, kW, kH, 4},
    };
    testsupport::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        canvas->SetRenderSizePreset(c.preset);
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(canvas->SaveImage(path, false, c.even));
        const std::string bytes = testsupport::ReadFileBytes(path);
        const std::string ext = wxFileName(path).GetExt().utf8_string();
        if (ext == "ppm") {
            const std::string header = "P6\n" + std::to_string(c.w) + " " + std::to_string(c.h) +
                                       "\n255\n";
            EXPECT_EQ(bytes.substr(0, header.size()), header);
            EXPECT_EQ(bytes.size(), header.size() + std::size_t(c.w) * c.h * 3);
        } else if (ext == "png") {
            ASSERT_GT(bytes.size(), 26u);
            EXPECT_EQ(static_cast<unsigned char>(bytes[24]), 16);  // bits per sample
            EXPECT_EQ(static_cast<unsigned char>(bytes[25]), 2);   // colour
        } else if (ext == "bmp") {
            ASSERT_GT(bytes.size(), 30u);
            EXPECT_EQ(static_cast<unsigned char>(bytes[28]), 24);  // bits per pixel
        }
        wxImage saved;
        ASSERT_TRUE(saved.LoadFile(path));
        EXPECT_EQ(saved.GetSize(), wxSize(c.w, c.h));
        EXPECT_EQ(CountOffBackground(saved, c.tol), 0);
    }
    // The view on the screen was left as it was: no read-back resized it.
    EXPECT_EQ(canvas->GetClientSize(), wxSize(kW, kH));
}

// Each grab shows the screen as it is at that moment, after the canvas repainted itself.
TEST_F(CanvasImageTest, EveryGrabShowsTheViewAsItIsNow) {
    for (float blue : {0.1f, 0.9f, 0.5f, 0.9f}) {
        SCOPED_TRACE(blue);
        canvas->GetBackgroundColour()[2] = blue;
        const wxBitmap grab = canvas->GrabScreen();
        ASSERT_TRUE(grab.IsOk());
        EXPECT_EQ(grab.GetWidth(), kW);
        EXPECT_EQ(grab.GetHeight(), kH);
        EXPECT_EQ(CountImagePixelsOff(grab.ConvertToImage(), ColourByte(kBackground[0]),
                                      ColourByte(kBackground[1]), ColourByte(blue)),
                  0);
    }
    // Saved, a grab is never rounded nor scaled.
    canvas->SetRenderSizePreset(4);
    testsupport::TempDir dir;
    ASSERT_TRUE(canvas->SaveImage(dir.file("grab.ppm"), true, true));
    wxImage saved;
    ASSERT_TRUE(saved.LoadFile(dir.file("grab.ppm")));
    EXPECT_EQ(saved.GetSize(), wxSize(kW, kH));
    EXPECT_EQ(CountImagePixelsOff(saved, ColourByte(kBackground[0]), ColourByte(kBackground[1]),
                                  ColourByte(0.9f)),
              0);
}

TEST_F(CanvasImageTest, CopyPutsTheViewOnTheClipboard) {
    struct Case {
        bool render, even;
        int w, h;
    };
    for (const Case& c : {Case{false, false, kW, kH}, Case{false, true, kW, kH},
                          Case{true, false, kW, kH}, Case{true, true, kW - 1, kH - 1}}) {
        SCOPED_TRACE(std::string(c.render ? "read back" : "grab") + (c.even ? ", even" : ""));
        ScopedErrorLog capture;
        if (wxTheClipboard->Open()) {
            wxTheClipboard->Clear();
            wxTheClipboard->Close();
        }
        canvas->CopyImage(c.render, c.even);
        EXPECT_TRUE(capture.log.errors.empty());
        ASSERT_TRUE(wxTheClipboard->Open());
        wxBitmapDataObject data;
        const bool got = wxTheClipboard->IsSupported(wxDF_BITMAP) && wxTheClipboard->GetData(data);
        wxTheClipboard->Close();
        ASSERT_TRUE(got);
        EXPECT_EQ(data.GetBitmap().GetWidth(), c.w);
        EXPECT_EQ(data.GetBitmap().GetHeight(), c.h);
        EXPECT_EQ(CountOffBackground(data.GetBitmap().ConvertToImage(), 2), 0);
    }
}

// The save by extension through the canvas: PNG options asked unless quiet, capital extensions
// to the toolkit's handlers with the image's own options, the own PPM writer as a member.
TEST_F(CanvasImageTest, SaveByExtension) {
    const wxImage image = canvas->RenderToImage(true);
    ASSERT_TRUE(image.IsOk());
    testsupport::TempDir dir;
    auto pngType = [&](const char* name) {
        const std::string bytes = testsupport::ReadFileBytes(dir.file(name));
        if (bytes.size() < 26) return std::pair<int, int>(-1, -1);
        return std::pair<int, int>(static_cast<unsigned char>(bytes[24]),
                                   static_cast<unsigned char>(bytes[25]));
    };
    ASSERT_TRUE(canvas->DoSaveImage(dir.file("quiet.png"), image, true));
    EXPECT_EQ(pngType("quiet.png"), std::make_pair(16, 2));

    {
        DialogAnswer<wxSingleChoiceDialog> grey([](wxSingleChoiceDialog* d) {
            EXPECT_EQ(d->GetTitle(), "Image Format");
            EXPECT_EQ(d->GetSelection(), 0);
            d->SetSelection(2);
            d->EndModal(wxID_OK);
        });
        ASSERT_TRUE(canvas->DoSaveImage(dir.file("grey.png"), image, false));
    }
    EXPECT_EQ(pngType("grey.png"), std::make_pair(8, 0));

    // Cancelled: the image's own options, 8-bit colour.
    {
        DialogAnswer<wxSingleChoiceDialog> cancel(
            [](wxSingleChoiceDialog* d) { d->EndModal(wxID_CANCEL); });
        ASSERT_TRUE(canvas->DoSaveImage(dir.file("own.png"), image, false));
    }
    EXPECT_EQ(pngType("own.png"), std::make_pair(8, 2));

    ASSERT_TRUE(canvas->DoSaveImage(dir.file("capital.PNG"), image, true));
    EXPECT_EQ(pngType("capital.PNG"), std::make_pair(8, 2));

    ASSERT_TRUE(canvas->WritePPM(image, dir.file("member.ppm")));
    const std::string header = wxString::Format("P6\n%d %d\n255\n", kW - 1, kH - 1).utf8_string();
    const std::string ppm = testsupport::ReadFileBytes(dir.file("member.ppm"));
    EXPECT_EQ(ppm.size(), header.size() + std::size_t(kW - 1) * (kH - 1) * 3);
    EXPECT_EQ(ppm.substr(0, header.size()), header);
    ASSERT_TRUE(canvas->DoSaveImage(dir.file("capital.PPM"), image, true));
    wxImage pnm;
    ASSERT_TRUE(pnm.LoadFile(dir.file("capital.PPM")));
    EXPECT_EQ(CountOffBackground(pnm), 0);
}

// A cancelled dialog saves nothing and answers false.
TEST_F(CanvasImageTest, EmptyPathAsksForOne) {
    testsupport::TempDir dir;
    {
        DialogAnswer<wxFileDialog> cancel([](wxFileDialog* d) {
            EXPECT_EQ(d->GetMessage(), "Save Image");
            EXPECT_EQ(d->GetWildcard(), kImageSaveFilter);
            // The default extension picks the JPEG filter, the first.
            EXPECT_EQ(d->GetFilterIndex(), 0);
            EXPECT_TRUE(d->HasFlag(wxFD_SAVE));
            EXPECT_TRUE(d->HasFlag(wxFD_OVERWRITE_PROMPT));
            d->EndModal(wxID_CANCEL);
        });
        EXPECT_FALSE(canvas->SaveImage("", false, false));
    }
    EXPECT_TRUE(dez::ListMatchingFiles(dir.path(), "*").empty());
}

// A picture that cannot be had, or a name the toolkit cannot save, is refused with the message
// naming the file and the cause, and no file (temporary or not) is left behind.
TEST_F(CanvasImageTest, RefusalsLeaveNoFiles) {
    testsupport::TempDir dir;
    const std::string temp = wxFileName::GetTempDir().utf8_string();
    const std::vector<std::string> tempBefore = dez::ListMatchingFiles(temp, "~tmp*");
    {
        ScopedErrorLog capture;
        EXPECT_FALSE(canvas->SaveImage(dir.file("no-extension"), false, false));
        EXPECT_FALSE(canvas->SaveImage(dir.file("unknown.xyz"), false, false));
        EXPECT_FALSE(canvas->SaveImage(dir.file("missing/view.png"), false, false));
        EXPECT_FALSE(canvas->SaveImage(dir.file("missing/view.ppm"), false, false));
        const std::string noFolder = std::strerror(ENOENT);
        const std::vector<std::string> expected = {
            "Failed to save image: No image format for '" + dir.file("no-extension") +
                "': the name has no extension",
            "Failed to save image: No image format for '" + dir.file("unknown.xyz") +
                "': the extension \"xyz\" is unknown",
            "Failed to save image: Cannot create a temporary file for '" +
                dir.file("missing/view.png") + "': " + noFolder,
            // The own PPM writer reports its failures too.
            "Failed to save image: Cannot create a temporary file for '" +
                dir.file("missing/view.ppm") + "': " + noFolder,
        };
        EXPECT_EQ(capture.log.errors, expected);
    }
    EXPECT_TRUE(dez::ListMatchingFiles(dir.path(), "*").empty());
    // The read-back goes straight into memory.
    EXPECT_TRUE(canvas->SaveImage(dir.file("view.png"), false, false));
    EXPECT_EQ(dez::ListMatchingFiles(temp, "~tmp*"), tempBefore);
}

TEST_F(CanvasImageTest, WithoutAContextNothingIsSavedOrCopied) {
    wxGLContextAttrs impossible;
    impossible.PlatformDefaults().CoreProfile().OGLVersion(99, 0).EndList();
    ImageCanvas* broken = nullptr;
    {
        ScopedErrorLog capture;
        broken = new ImageCanvas(frame, wxSize(50, 40), &impossible);
        for (int i = 0; i < 20; ++i) wxTheApp->Yield(true);
        ASSERT_EQ(broken->GetContext(), nullptr);
    }
    testsupport::TempDir dir;
    ScopedErrorLog capture;
    EXPECT_FALSE(broken->RenderToImage(false).IsOk());
    EXPECT_FALSE(broken->RenderToImage(true).IsOk());
    EXPECT_FALSE(broken->SaveImage(dir.file("none.png"), false, true));
    EXPECT_FALSE(broken->SaveImage(dir.file("none.ppm"), false, false));
    broken->CopyImage(true, false);
    const std::vector<std::string> expected = {
        "Failed to save image: Nothing to write to '" + dir.file("none.png") +
            "': the image is empty",
        "Failed to save image: Nothing to write to '" + dir.file("none.ppm") +
            "': the image is empty",
        "Failed to copy bitmap to clipboard"};
    EXPECT_EQ(capture.log.errors, expected);
    EXPECT_TRUE(dez::ListMatchingFiles(dir.path(), "*").empty());
    EXPECT_FALSE(broken->InitFramebufferExt());
    broken->CreateRenderTarget();
    EXPECT_FALSE(broken->FramebufferComplete());
    broken->Destroy();
    ASSERT_TRUE(canvas->MakeCurrent());
}

// The off-screen target: drawn into and read back at its own size, larger than the window, with
// the window's buffers, the bound framebuffer and the viewport left as they were.
TEST_F(CanvasImageTest, OffScreenTargetRendersAtTheRenderSize) {
    ASSERT_TRUE(canvas->MakeCurrent());
    if (!canvas->InitFramebufferExt()) GTEST_SKIP() << "no GL_EXT_framebuffer_object";
    const GLFramebufferExt& f = gl_framebuffer_ext;
    canvas->UseFramebufferObjects(true);
    AddMarker();
    canvas->SetRenderSizePreset(4);  // 640 x 480
    canvas->CreateRenderTarget();
    ASSERT_TRUE(canvas->TargetCreated());
    ASSERT_NE(canvas->Framebuffer(), 0u);

    // The window's back buffer holds magenta; the off-screen render must not touch it.
    ASSERT_TRUE(canvas->MakeCurrent());
    glClearColor(1, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    const wxImage image = canvas->RenderToImage(false);
    ASSERT_TRUE(image.IsOk());
    EXPECT_EQ(image.GetSize(), wxSize(640, 480));
    EXPECT_EQ(image.GetRed(320, 240), 255);
    EXPECT_EQ(image.GetGreen(320, 240), 0);
    EXPECT_EQ(CountOffBackground(image.GetSubImage(wxRect(0, 0, 100, 100))), 0);
    EXPECT_EQ(CountOffBackground(image.GetSubImage(wxRect(540, 380, 100, 100))), 0);

    GLint binding = -1, viewport[4] = {};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &binding);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(binding, 0);
    EXPECT_EQ(viewport[2], kW);
    EXPECT_EQ(viewport[3], kH);
    unsigned char pixel[4] = {};
    glReadBuffer(GL_BACK);
    glReadPixels(3, 3, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 255);
    EXPECT_EQ(pixel[1], 0);
    EXPECT_EQ(pixel[2], 255);

    // Another preset scales the target's picture to its size; the target keeps its own.
    canvas->SetRenderSizePreset(5);  // 352 x 240
    const wxImage scaled = canvas->RenderToImage(true);
    EXPECT_EQ(scaled.GetSize(), wxSize(352, 240));
    EXPECT_EQ(CountOffBackground(scaled.GetSubImage(wxRect(0, 0, 50, 50))), 0);

    // Deleting frees every name and brings the read-back back to the window.
    const unsigned texture = canvas->ColourTexture();
    const unsigned depth = canvas->DepthRenderbuffer();
    canvas->DeleteRenderTarget();
    EXPECT_FALSE(canvas->TargetCreated());
    EXPECT_EQ(canvas->Framebuffer(), 0u);
    EXPECT_EQ(glIsTexture(texture), GL_FALSE);
    EXPECT_EQ(f.IsRenderbuffer(depth), GL_FALSE);
    EXPECT_EQ(canvas->RenderToImage(false).GetSize(), wxSize(kW, kH));
}

// A target that cannot be completed (no pixel to render into) is not used, and its framebuffer
// and depth buffer are freed all the same.
TEST_F(CanvasImageTest, IncompleteTargetIsNotUsedAndIsFreed) {
    ASSERT_TRUE(canvas->MakeCurrent());
    if (!canvas->InitFramebufferExt()) GTEST_SKIP() << "no GL_EXT_framebuffer_object";
    const GLFramebufferExt& f = gl_framebuffer_ext;
    canvas->UseFramebufferObjects(true);
    canvas->ForceRenderSize(0, 0);
    canvas->CreateRenderTarget();
    EXPECT_FALSE(canvas->TargetCreated());
    const unsigned depth = canvas->DepthRenderbuffer();
    ASSERT_NE(depth, 0u);
    ASSERT_NE(canvas->Framebuffer(), 0u);
    EXPECT_EQ(canvas->RenderToImage(false).GetSize(), wxSize(kW, kH));
    canvas->DeleteRenderTarget();
    EXPECT_EQ(canvas->Framebuffer(), 0u);
    EXPECT_EQ(canvas->DepthRenderbuffer(), 0u);
    EXPECT_EQ(f.IsRenderbuffer(depth), GL_FALSE);
}

}  // namespace

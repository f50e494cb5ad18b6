// The frame read back from a real GL context (Xvfb with Mesa): WindowDump in every variant, the
// read-back into an image saved as PNG and PPM with the canvas's size and background, the stereo
// refusal of a mono context, restored GL state, the clipboard and the screen grab.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/choicdlg.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/glcanvas.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <GL/gl.h>

#include "dumper/FramePixels.h"
#include "view/ImageOutput.h"
#include "support/GLTestHarness.h"
#include "support/TestSupport.h"
#include "dumper/WindowDump.h"
#include "dumper/WriteBitmap.h"
#include "platform/Paths.h"

namespace {

// An odd client size, so the even rounding of the read-back shows.
constexpr int kCanvasW = 161;
constexpr int kCanvasH = 121;

// The canvas's default background, (0.2, 0.3, 0.5).
constexpr float kBackground[3] = {0.2f, 0.3f, 0.5f};

class LogCapture : public wxLog {
public:
    std::vector<std::string> errors;

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message, const wxLogRecordInfo&) override {
        if (level <= wxLOG_Error) errors.push_back(message.ToStdString());
    }
};

void Clear(float r, float g, float b) {
    glDisable(GL_SCISSOR_TEST);
    glClearColor(r, g, b, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}
// Fills a rectangle of window pixels (origin bottom left) with an exact byte colour.
void Fill(int x, int y, int w, int h, int r, int g, int b) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, y, w, h);
    glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
}

// One frame with a GL canvas (RGBA, double buffer, 24-bit depth) and its context for the whole
// suite. GTK gives a GL window its X window only once it is mapped, so the frame is shown; under
// Xvfb nobody sees it.
class FrameReadBackTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char arg0[] = "view-frame-read-back";
        static char* argv[] = {arg0, nullptr};
        // GTK's accessibility bridge talks to a D-Bus session that Xvfb runs lack, and leaks a
        // buffer of libdbus doing so; the tests need no accessibility.
        setenv("NO_AT_BRIDGE", "1", 0);
        wxApp::SetInstance(new wxApp);
        if (!wxEntryStart(argc, argv)) {
            error_ = "the toolkit could not start (no display?)";
            return;
        }
        started_ = true;
        if (!wxTheApp->CallOnInit()) {
            error_ = "the application did not initialise";
            return;
        }
        RegisterImageHandlers();
        wxGLAttributes attrs;
        attrs.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).EndList();
        if (!wxGLCanvas::IsDisplaySupported(attrs)) {
            error_ = "no RGBA double-buffered visual with a 24-bit depth buffer";
            return;
        }
        frame_ = new wxFrame(nullptr, wxID_ANY, "read-back test", wxPoint(0, 0));
        canvas_ = new wxGLCanvas(frame_, attrs, wxID_ANY, wxDefaultPosition,
                                 wxSize(kCanvasW, kCanvasH));
        frame_->SetClientSize(kCanvasW, kCanvasH);
        context_ = new wxGLContext(canvas_);
        // A paint clears to the paint colour and swaps, as the canvas's own paint does.
        canvas_->Bind(wxEVT_PAINT, [](wxPaintEvent&) {
            wxPaintDC dc(canvas_);
            if (!context_ || !canvas_->SetCurrent(*context_)) return;
            glViewport(0, 0, kCanvasW, kCanvasH);
            glClearColor(paintColour_[0], paintColour_[1], paintColour_[2], 1);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glFlush();
            canvas_->SwapBuffers();
        });
        frame_->Show();
        for (int i = 0; i < 200 && !canvas_->IsShownOnScreen(); ++i) wxTheApp->Yield(true);
        for (int i = 0; i < 20; ++i) wxTheApp->Yield(true);
        if (!context_->IsOK() || !canvas_->IsShownOnScreen() || !canvas_->SetCurrent(*context_)) {
            error_ = "no current GL context on a shown canvas";
            return;
        }
        if (canvas_->GetClientSize() != wxSize(kCanvasW, kCanvasH)) {
            error_ = "the canvas did not get its size";
            return;
        }
        ok_ = true;
    }

    static void TearDownTestSuite() {
        if (frame_) frame_->Destroy();
        if (started_) {
            for (int i = 0; i < 5; ++i) wxTheApp->Yield(true);
        }
        delete context_;
        context_ = nullptr;
        frame_ = nullptr;
        canvas_ = nullptr;
        if (started_) wxEntryCleanup();
        started_ = false;
    }

    void SetUp() override {
        previousLog_ = wxLog::SetActiveTarget(&log_);
        if (!ok_) FAIL() << error_;
        ASSERT_TRUE(canvas_->SetCurrent(*context_));
        glViewport(0, 0, kCanvasW, kCanvasH);
        glDisable(GL_SCISSOR_TEST);
        glDrawBuffer(GL_BACK);
        glReadBuffer(GL_BACK);
        while (glGetError() != GL_NO_ERROR) {
        }
    }
    void TearDown() override {
        wxLog::SetActiveTarget(previousLog_);
        if (ok_) {
            EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        }
    }

    static bool ok_;
    static bool started_;
    static std::string error_;
    static wxFrame* frame_;
    static wxGLCanvas* canvas_;
    static wxGLContext* context_;
    static float paintColour_[3];
    LogCapture log_;
    wxLog* previousLog_ = nullptr;
};
bool FrameReadBackTest::ok_ = false;
bool FrameReadBackTest::started_ = false;
std::string FrameReadBackTest::error_;
wxFrame* FrameReadBackTest::frame_ = nullptr;
wxGLCanvas* FrameReadBackTest::canvas_ = nullptr;
wxGLContext* FrameReadBackTest::context_ = nullptr;
float FrameReadBackTest::paintColour_[3] = {0, 0, 0};

using testsupport::ColourByte;
using testsupport::CountImagePixelsOff;

TEST_F(FrameReadBackTest, SavedViewHasTheCanvasSizeAndBackground) {
    Clear(kBackground[0], kBackground[1], kBackground[2]);
    testsupport::TempDir dir;
    for (bool even : {true, false}) {
        const wxSize client = canvas_->GetClientSize();
        const wxSize size = even ? EvenSize(client) : client;
        const wxImage image = ReadFrameImage(size.x, size.y);
        ASSERT_TRUE(image.IsOk());
        for (const char* name : {"view.png", "view.ppm"}) {
            SCOPED_TRACE(std::string(name) + (even ? ", even" : ", odd"));
            const std::string path = dir.file(name);
            ASSERT_TRUE(SaveImageFile(path, image));
            wxImage saved;
            ASSERT_TRUE(saved.LoadFile(path));
            EXPECT_EQ(saved.GetWidth(), even ? kCanvasW - 1 : kCanvasW);
            EXPECT_EQ(saved.GetHeight(), even ? kCanvasH - 1 : kCanvasH);
            EXPECT_EQ(CountImagePixelsOff(saved, ColourByte(kBackground[0]), ColourByte(kBackground[1]),
                                          ColourByte(kBackground[2])),
                      0);
        }
    }
}

TEST_F(FrameReadBackTest, ReadBackIsUprightFromTheDrawnBufferAndRestoresState) {
    // The front buffer shows blue; the frame being drawn in the back buffer is another.
    Clear(0, 0, 1);
    glFlush();
    canvas_->SwapBuffers();
    Clear(0, 0, 0);
    Fill(0, 0, 10, 10, 255, 0, 0);                          // bottom left
    Fill(kCanvasW - 10, kCanvasH - 10, 10, 10, 0, 255, 0);  // top right
    // The caller's read buffer and pack state must not matter, and must survive.
    glReadBuffer(GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 8);
    glPixelStorei(GL_PACK_ROW_LENGTH, 500);
    const wxImage image = ReadFrameImage(kCanvasW, kCanvasH);
    GLint readBuffer = 0, alignment = 0, rowLength = 0;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
    EXPECT_EQ(readBuffer, GL_FRONT);
    EXPECT_EQ(alignment, 8);
    EXPECT_EQ(rowLength, 500);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);

    ASSERT_TRUE(image.IsOk());
    // Image row 0 is the top.
    EXPECT_EQ(image.GetRed(0, kCanvasH - 1), 255);
    EXPECT_EQ(image.GetGreen(0, kCanvasH - 1), 0);
    EXPECT_EQ(image.GetGreen(kCanvasW - 1, 0), 255);
    EXPECT_EQ(image.GetRed(kCanvasW - 1, 0), 0);
    EXPECT_EQ(image.GetRed(kCanvasW / 2, kCanvasH / 2), 0);
    EXPECT_EQ(image.GetBlue(kCanvasW / 2, kCanvasH / 2), 0);
}

TEST_F(FrameReadBackTest, EmptyOrFailedReadBacksAreRefused) {
    Clear(1, 1, 1);
    for (const wxSize& size :
         {wxSize(0, 10), wxSize(10, 0), wxSize(-1, 5), wxSize(INT_MAX, INT_MAX)}) {
        SCOPED_TRACE(std::to_string(size.x) + " x " + std::to_string(size.y));
        EXPECT_FALSE(ReadFrameImage(size.x, size.y).IsOk());
    }
    // A mono context has no right buffer: the read fails, and leaves the read buffer alone.
    std::vector<unsigned char> rgba(4 * 4 * 4, 0xAB);
    EXPECT_FALSE(CurrentContextHasStereo());
    EXPECT_FALSE(ReadFramePixels(4, 4, FrameBuffer::Right, rgba.data()));
    GLint readBuffer = 0;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    EXPECT_EQ(readBuffer, GL_BACK);
    EXPECT_TRUE(ReadFramePixels(4, 4, FrameBuffer::Current, rgba.data()));
    EXPECT_EQ(rgba[0], 255);

    // Neither an empty nor a failed read-back is saved or copied.
    testsupport::TempDir dir;
    EXPECT_FALSE(SaveImageFile(dir.file("empty.png"), ReadFrameImage(0, 0)));
    EXPECT_FALSE(CopyImageToClipboard(ReadFrameImage(0, 0)));
    ASSERT_EQ(log_.errors.size(), 2u);
    EXPECT_EQ(log_.errors[0], "Failed to save image: Nothing to write to '" +
                                  dir.file("empty.png") + "': the image is empty");
    EXPECT_EQ(log_.errors[1], "Failed to copy bitmap to clipboard");
    EXPECT_TRUE(dez::ListMatchingFiles(dir.path(), "*").empty());
}

// A 4 x 3 frame of distinct colours at the window's origin; (x, y) counts from the bottom left.
struct Pattern {
    static constexpr int w = 4;
    static constexpr int h = 3;
    static int R(int x, int y) { return 10 + 60 * x + y; }
    static int G(int x, int y) { return 200 - 50 * y + x; }
    static int B(int x, int y) { return 30 * x + 40 * y + 5; }
    static void Draw() {
        Clear(0, 0, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) Fill(x, y, 1, 1, R(x, y), G(x, y), B(x, y));
    }
    // As GL returns it: rows bottom to top, alpha 255 (cleared with 1).
    static std::vector<unsigned char> Rgba() {
        std::vector<unsigned char> p;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int v : {R(x, y), G(x, y), B(x, y), 255})
                    p.push_back(static_cast<unsigned char>(v));
        return p;
    }
};

TEST_F(FrameReadBackTest, WindowDumpWritesTheFrameInEveryVariant) {
    testsupport::TempDir dir;
    dez::ScopedWorkingDirectory cwd(dir.path());
    ASSERT_TRUE(cwd.ok());
    Pattern::Draw();
    const std::vector<unsigned char> expected = Pattern::Rgba();
    for (int magnitude : {1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13}) {
        for (int code : {magnitude, -magnitude}) {
            SCOPED_TRACE("code " + std::to_string(code));
            const std::string name = "frame" + std::to_string(code);
            ASSERT_TRUE(WindowDump(name, Pattern::w, Pattern::h, code, false));
            const std::string path = name + "." + BitmapExtension(code);
            std::FILE* f = std::fopen("expected", "wb");
            ASSERT_TRUE(f);
            ASSERT_TRUE(WriteBitmap(f, expected.data(), Pattern::w, Pattern::h, code));
            std::fclose(f);
            EXPECT_EQ(testsupport::ReadFileBytes(path), testsupport::ReadFileBytes("expected"));
        }
    }
    // The formats the toolkit reads come back upright with the sign of their origin.
    for (int code : {1, 11, 12, 13, -2, -5, 9}) {
        SCOPED_TRACE("decoding code " + std::to_string(code));
        wxImage image;
        ASSERT_TRUE(image.LoadFile("frame" + std::to_string(code) + "." + BitmapExtension(code)));
        ASSERT_EQ(image.GetWidth(), Pattern::w);
        ASSERT_EQ(image.GetHeight(), Pattern::h);
        for (int y = 0; y < Pattern::h; ++y) {
            for (int x = 0; x < Pattern::w; ++x) {
                const int row = Pattern::h - 1 - y;
                EXPECT_EQ(image.GetRed(x, row), Pattern::R(x, y));
                EXPECT_EQ(image.GetGreen(x, row), Pattern::G(x, y));
                EXPECT_EQ(image.GetBlue(x, row), Pattern::B(x, y));
            }
        }
    }
}

TEST_F(FrameReadBackTest, MonoContextRefusesAStereoDump) {
    testsupport::TempDir dir;
    dez::ScopedWorkingDirectory cwd(dir.path());
    ASSERT_TRUE(cwd.ok());
    Pattern::Draw();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(WindowDump("", Pattern::w, Pattern::h, -6, true));
    EXPECT_FALSE(WindowDump("pair", Pattern::w, Pattern::h, 1, true));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "WindowDump - No stereo buffers in the GL context\n"
              "WindowDump - No stereo buffers in the GL context\n");
    EXPECT_TRUE(dez::ListMatchingFiles("", "*").empty());
    GLint readBuffer = 0;
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    EXPECT_EQ(readBuffer, GL_BACK);

    // Refusals come before the read: a frame far larger than the window is never read.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(WindowDump("", 70000, 1, 1, false));
    EXPECT_FALSE(WindowDump("", 4, 3, 10, false));
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "WindowDump - Image size not supported by the format\n"
              "WindowDump - Unknown image format code\n");
    EXPECT_TRUE(dez::ListMatchingFiles("", "*").empty());
}

TEST_F(FrameReadBackTest, ClipboardTakesTheReadBack) {
    Clear(kBackground[0], kBackground[1], kBackground[2]);
    const wxImage image = ReadFrameImage(kCanvasW, kCanvasH);
    ASSERT_TRUE(image.IsOk());
    ASSERT_TRUE(CopyImageToClipboard(image));
    EXPECT_TRUE(log_.errors.empty());
    ASSERT_TRUE(wxTheClipboard->Open());
    const bool supported = wxTheClipboard->IsSupported(wxDF_BITMAP);
    wxBitmapDataObject data;
    const bool got = supported && wxTheClipboard->GetData(data);
    wxTheClipboard->Close();
    EXPECT_TRUE(supported);
    ASSERT_TRUE(got);
    EXPECT_EQ(data.GetBitmap().GetWidth(), kCanvasW);
    EXPECT_EQ(data.GetBitmap().GetHeight(), kCanvasH);
    EXPECT_EQ(CountImagePixelsOff(data.GetBitmap().ConvertToImage(), ColourByte(kBackground[0]),
                                  ColourByte(kBackground[1]), ColourByte(kBackground[2])),
              0);
}

TEST_F(FrameReadBackTest, ScreenGrabShowsThePaintedWindow) {
    paintColour_[0] = 0.8f;
    paintColour_[1] = 0.4f;
    paintColour_[2] = 0.1f;
    EXPECT_FALSE(GrabWindowArea(nullptr).IsOk());
    const wxBitmap grab = GrabWindowArea(canvas_);
    ASSERT_TRUE(grab.IsOk());
    EXPECT_EQ(grab.GetWidth(), kCanvasW);
    EXPECT_EQ(grab.GetHeight(), kCanvasH);
    const wxImage image = grab.ConvertToImage();
    const int r = ColourByte(0.8f), g = ColourByte(0.4f), b = ColourByte(0.1f);
    EXPECT_EQ(CountImagePixelsOff(image, r, g, b, 2), 0)
        << "centre pixel " << int(image.GetRed(kCanvasW / 2, kCanvasH / 2)) << " "
        << int(image.GetGreen(kCanvasW / 2, kCanvasH / 2)) << " "
        << int(image.GetBlue(kCanvasW / 2, kCanvasH / 2));
    ASSERT_TRUE(canvas_->SetCurrent(*context_));
}

// Answers the next modal dialog of type D from inside its own event loop: `answer` checks it and
// ends it. Until the dialog shows up the search is posted again.
template <typename D>
void AnswerDialog(std::function<void(D*)> answer, int attempts = 2000) {
    wxTheApp->CallAfter([answer, attempts] {
        for (wxWindow* window : wxTopLevelWindows) {
            if (D* dialog = dynamic_cast<D*>(window); dialog && dialog->IsModal()) {
                answer(dialog);
                return;
            }
        }
        if (attempts > 0) AnswerDialog<D>(answer, attempts - 1);
    });
}

TEST_F(FrameReadBackTest, PngFormatDialog) {
    AnswerDialog<wxSingleChoiceDialog>([](wxSingleChoiceDialog* d) {
        EXPECT_EQ(d->GetTitle(), "Image Format");
        EXPECT_EQ(d->GetSelection(), 0);
        d->SetSelection(3);
        d->EndModal(wxID_OK);
    });
    EXPECT_EQ(AskPngFormat(frame_), 3);
    AnswerDialog<wxSingleChoiceDialog>([](wxSingleChoiceDialog* d) { d->EndModal(wxID_CANCEL); });
    EXPECT_EQ(AskPngFormat(frame_), kKeepPngOptions);

    // Saving a PNG asks; the answer sets the format (grey, 16 bits).
    testsupport::TempDir dir;
    wxImage image(2, 2);
    AnswerDialog<wxSingleChoiceDialog>([](wxSingleChoiceDialog* d) {
        d->SetSelection(3);
        d->EndModal(wxID_OK);
    });
    ASSERT_TRUE(SaveImageFileAsking(dir.file("asked.png"), image, frame_));
    const std::string png = testsupport::ReadFileBytes(dir.file("asked.png"));
    ASSERT_GT(png.size(), 26u);
    EXPECT_EQ(static_cast<unsigned char>(png[24]), 16);
    EXPECT_EQ(static_cast<unsigned char>(png[25]), 0);
    // Other extensions do not ask.
    EXPECT_TRUE(SaveImageFileAsking(dir.file("quiet.bmp"), image, frame_));
}

}  // namespace

#pragma once
// A real OpenGL context for the display tests (run under xvfb-run with Mesa's software renderer).
// The toolkit is started on first use from a fixture, never from main, so listing the tests needs
// no display.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <wx/event.h>
#include <wx/eventfilter.h>

class wxGLCanvas;
class wxImage;

namespace testsupport {

// Makes every failed toolkit assertion a failure of the running test, and sends the toolkit's
// log to standard error instead of message boxes.
void InstallWxTestHandlers();

// Runs the toolkit's events until `done` answers true, and answers whether it did before `seconds`
// passed. The bound only stops a case that would otherwise hang: a loaded machine gets all of
// it, so a case waits on what it needs, never on a fixed time.
bool WaitUntil(const std::function<bool()>& done, double seconds = 60);

// Counts the events of one type that the toolkit delivers to any window while it lives (key
// releases, timer ticks): what a case waits on when the event's effect cannot be seen.
class EventCounter : public wxEventFilter {
public:
    explicit EventCounter(wxEventType type) : type_(type) { wxEvtHandler::AddFilter(this); }
    ~EventCounter() override { wxEvtHandler::RemoveFilter(this); }
    EventCounter(const EventCounter&) = delete;
    EventCounter& operator=(const EventCounter&) = delete;
    int FilterEvent(wxEvent& event) override {
        if (event.GetEventType() == type_) ++count_;
        return Event_Skip;
    }
    int count() const { return count_; }

private:
    wxEventType type_;
    int count_ = 0;
};

// The byte GL stores for a colour component in [0, 1].
int ColourByte(float v);
// Number of pixels of an RGB image whose red, green or blue differs from the colour by more than
// tol.
int CountImagePixelsOff(const wxImage& image, int r, int g, int b, int tol = 1);

// RGBA bytes read back from the framebuffer, bottom row first as OpenGL returns them.
struct PixelBlock {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;

    const std::uint8_t* at(int x, int y) const { return &rgba[(std::size_t(y) * width + x) * 4]; }
    // Number of pixels whose red, green or blue differs from the given colour by more than tol.
    int CountDifferentFrom(int r, int g, int b, int tol = 8) const;
    // Number of pixels close to the given colour.
    int CountNear(int r, int g, int b, int tol = 8) const;
};

// One small top-level frame holding a wxGLCanvas with RGBA, double buffering and a 24-bit depth
// buffer, and its wxGLContext. It is shown, because GTK gives a GL window its X window only once
// mapped; under Xvfb nobody sees it. Created once per process, on first use.
class GLTestHarness {
public:
    static GLTestHarness& Get();

    bool ok() const { return ok_; }
    const std::string& error() const { return error_; }
    bool MakeCurrent();
    int width() const { return width_; }
    int height() const { return height_; }
    wxGLCanvas* canvas() const { return canvas_; }

    // Viewport over the whole canvas, identity matrices, black clear colour, depth test off,
    // buffers cleared.
    void ResetState();
    // Pixels of the back buffer (where drawing goes before a swap).
    PixelBlock ReadPixels(int x, int y, int w, int h) const;
    PixelBlock ReadAll() const { return ReadPixels(0, 0, width_, height_); }

    GLTestHarness(const GLTestHarness&) = delete;
    GLTestHarness& operator=(const GLTestHarness&) = delete;
    ~GLTestHarness();

private:
    GLTestHarness();
    bool ok_ = false;
    std::string error_;
    int width_ = 0;
    int height_ = 0;
    wxGLCanvas* canvas_ = nullptr;
    struct Impl;
    Impl* impl_ = nullptr;
};

// Fixture of the GL tests: every test starts with the context current and a reset state, and
// fails when it leaves a GL error, unbalanced matrix or attribute stacks, or another matrix mode
// than GL_MODELVIEW behind.
class GLTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    GLTestHarness& gl() { return GLTestHarness::Get(); }
};

// The current matrix stack depths and attribute stack depths, for balance checks.
struct GLStackDepths {
    int modelview = 0;
    int projection = 0;
    int texture = 0;
    int attrib = 0;
    int clientAttrib = 0;
    int nameStack = 0;
    static GLStackDepths Current();
    bool operator==(const GLStackDepths& o) const {
        return modelview == o.modelview && projection == o.projection && texture == o.texture &&
               attrib == o.attrib && clientAttrib == o.clientAttrib && nameStack == o.nameStack;
    }
};
std::ostream& operator<<(std::ostream& out, const GLStackDepths& d);

// One hit record of GL_SELECT mode: the depth range and the name stack at the hit.
struct SelectHit {
    unsigned minDepth = 0;
    unsigned maxDepth = 0;
    std::vector<unsigned> names;
};
// Runs draw() in GL_SELECT mode with a 2048-entry buffer and returns the hit records in the order
// GL reported them. The projection and model-view are those current; draw() sets up its names.
// A buffer overflow is reported as a test failure.
std::vector<SelectHit> RenderSelect(const std::function<void()>& draw);

// Every error GL has queued, as text ("" when none); clears them.
std::string TakeGLErrors();

}  // namespace testsupport

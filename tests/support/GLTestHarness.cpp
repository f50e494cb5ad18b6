#include "support/GLTestHarness.h"

#include <cstdlib>
#include <memory>
#include <ostream>
#include <sstream>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/glcanvas.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/time.h>
#include <wx/utils.h>

#include <GL/gl.h>

namespace testsupport {

namespace {

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
    ADD_FAILURE_AT(file.utf8_str().data(), line)
        << "toolkit assertion \"" << cond.utf8_str().data() << "\" failed in "
        << func.utf8_str().data() << ": " << msg.utf8_str().data();
}

constexpr int kCanvasSize = 256;

}  // namespace

void InstallWxTestHandlers() {
    wxSetAssertHandler(FailOnAssert);
    delete wxLog::SetActiveTarget(new wxLogStderr);
}

bool WaitUntil(const std::function<bool()>& done, double seconds) {
    const wxLongLong end = wxGetLocalTimeMillis() + static_cast<long>(seconds * 1000);
    for (;;) {
        wxTheApp->Yield(true);
        if (done()) return true;
        if (wxGetLocalTimeMillis() >= end) return false;
        wxMilliSleep(2);
    }
}

int ColourByte(float v) { return static_cast<int>(v * 255.0f + 0.5f); }

int CountImagePixelsOff(const wxImage& image, int r, int g, int b, int tol) {
    int off = 0;
    const unsigned char* p = image.GetData();
    for (int i = 0; i < image.GetWidth() * image.GetHeight(); ++i, p += 3)
        if (std::abs(p[0] - r) > tol || std::abs(p[1] - g) > tol || std::abs(p[2] - b) > tol) ++off;
    return off;
}

int PixelBlock::CountDifferentFrom(int r, int g, int b, int tol) const {
    int n = 0;
    for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
        if (std::abs(rgba[i] - r) > tol || std::abs(rgba[i + 1] - g) > tol ||
            std::abs(rgba[i + 2] - b) > tol)
            ++n;
    }
    return n;
}

int PixelBlock::CountNear(int r, int g, int b, int tol) const {
    return width * height - CountDifferentFrom(r, g, b, tol);
}

struct GLTestHarness::Impl {
    wxFrame* frame = nullptr;
    std::unique_ptr<wxGLContext> context;
    bool started = false;
};

GLTestHarness& GLTestHarness::Get() {
    // Deliberately never destroyed: tearing GTK down from a static destructor after main is
    // fragile, and the process ends right after the tests anyway.
    static GLTestHarness* harness = new GLTestHarness;
    return *harness;
}

GLTestHarness::GLTestHarness() : impl_(new Impl) {
    static int argc = 1;
    static char arg0[] = "dez-gl-test";
    static char* argv[] = {arg0, nullptr};
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(argc, argv)) {
        error_ = "the toolkit could not start (no display?)";
        return;
    }
    impl_->started = true;
    InstallWxTestHandlers();
    if (!wxTheApp->CallOnInit()) {
        error_ = "the toolkit's application did not initialise";
        return;
    }

    wxGLAttributes attrs;
    // The default attributes give no depth buffer under Xvfb: ask for everything explicitly.
    attrs.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).EndList();
    if (!wxGLCanvas::IsDisplaySupported(attrs)) {
        error_ = "no visual with RGBA, double buffering and a 24-bit depth buffer";
        return;
    }
    impl_->frame = new wxFrame(nullptr, wxID_ANY, "GL test", wxPoint(0, 0), wxDefaultSize);
    canvas_ = new wxGLCanvas(impl_->frame, attrs, wxID_ANY, wxDefaultPosition,
                             wxSize(kCanvasSize, kCanvasSize));
    impl_->frame->SetClientSize(kCanvasSize, kCanvasSize);
    impl_->frame->Show();
    // Let GTK map the window; the context can be made current only on a realised widget.
    for (int i = 0; i < 200 && !canvas_->IsShownOnScreen(); ++i) wxTheApp->Yield(true);
    for (int i = 0; i < 20; ++i) wxTheApp->Yield(true);
    if (!canvas_->IsShownOnScreen()) {
        error_ = "the GL canvas never appeared on the screen";
        return;
    }
    impl_->context = std::make_unique<wxGLContext>(canvas_);
    if (!impl_->context->IsOK()) {
        error_ = "the GL context could not be created";
        return;
    }
    if (!canvas_->SetCurrent(*impl_->context)) {
        error_ = "the GL context could not be made current";
        return;
    }
    const wxSize size = canvas_->GetClientSize();
    width_ = size.x;
    height_ = size.y;
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    if (depthBits < 24) {
        error_ = "the context has a depth buffer of " + std::to_string(depthBits) + " bits";
        return;
    }
    if (width_ <= 0 || height_ <= 0) {
        error_ = "the GL canvas has no size";
        return;
    }
    TakeGLErrors();
    ok_ = true;
}

GLTestHarness::~GLTestHarness() { delete impl_; }

bool GLTestHarness::MakeCurrent() {
    return ok_ && canvas_->SetCurrent(*impl_->context);
}

void GLTestHarness::ResetState() {
    glViewport(0, 0, width_, height_);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glColor4f(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

PixelBlock GLTestHarness::ReadPixels(int x, int y, int w, int h) const {
    PixelBlock block;
    if (w <= 0 || h <= 0) return block;
    block.width = w;
    block.height = h;
    block.rgba.assign(std::size_t(w) * std::size_t(h) * 4, 0);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glReadBuffer(GL_BACK);
    glFinish();
    glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, block.rgba.data());
    glPopClientAttrib();
    return block;
}

GLStackDepths GLStackDepths::Current() {
    GLStackDepths d;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &d.modelview);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &d.projection);
    glGetIntegerv(GL_TEXTURE_STACK_DEPTH, &d.texture);
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &d.attrib);
    glGetIntegerv(GL_CLIENT_ATTRIB_STACK_DEPTH, &d.clientAttrib);
    glGetIntegerv(GL_NAME_STACK_DEPTH, &d.nameStack);
    return d;
}

std::ostream& operator<<(std::ostream& out, const GLStackDepths& d) {
    return out << "{modelview " << d.modelview << ", projection " << d.projection << ", texture "
               << d.texture << ", attrib " << d.attrib << ", client attrib " << d.clientAttrib
               << ", names " << d.nameStack << "}";
}

std::vector<SelectHit> RenderSelect(const std::function<void()>& draw) {
    std::vector<GLuint> buffer(2048, 0);
    glSelectBuffer(static_cast<GLsizei>(buffer.size()), buffer.data());
    glRenderMode(GL_SELECT);
    glInitNames();
    draw();
    const GLint count = glRenderMode(GL_RENDER);
    std::vector<SelectHit> hits;
    if (count < 0) {
        ADD_FAILURE() << "the selection buffer overflowed";
        return hits;
    }
    std::size_t at = 0;
    for (GLint i = 0; i < count; ++i) {
        if (at + 3 > buffer.size()) break;
        const GLuint n = buffer[at];
        SelectHit hit;
        hit.minDepth = buffer[at + 1];
        hit.maxDepth = buffer[at + 2];
        at += 3;
        for (GLuint k = 0; k < n && at < buffer.size(); ++k) hit.names.push_back(buffer[at++]);
        hits.push_back(hit);
    }
    return hits;
}

std::string TakeGLErrors() {
    std::ostringstream text;
    for (int i = 0; i < 32; ++i) {
        const GLenum e = glGetError();
        if (e == GL_NO_ERROR) break;
        text << (i ? ", " : "") << "0x" << std::hex << e << std::dec;
    }
    return text.str();
}

void GLTest::SetUp() {
    GLTestHarness& h = gl();
    ASSERT_TRUE(h.ok()) << h.error();
    ASSERT_TRUE(h.MakeCurrent());
    TakeGLErrors();
    h.ResetState();
    ASSERT_EQ(TakeGLErrors(), "");
}

void GLTest::TearDown() {
    if (!gl().ok()) return;
    EXPECT_EQ(TakeGLErrors(), "") << "GL errors left behind";
    const GLStackDepths d = GLStackDepths::Current();
    EXPECT_EQ(d, (GLStackDepths{1, 1, 1, 0, 0, 0})) << "unbalanced GL stacks";
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW) << "matrix mode left changed";
    // Leave a clean slate for the next test even after a failure.
    while (GLStackDepths::Current().attrib > 0) glPopAttrib();
    while (GLStackDepths::Current().clientAttrib > 0) glPopClientAttrib();
    glMatrixMode(GL_MODELVIEW);
    TakeGLErrors();
}

}  // namespace testsupport

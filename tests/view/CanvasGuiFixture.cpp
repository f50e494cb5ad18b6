#include "view/CanvasGuiFixture.h"

#include <cmath>

#include <wx/app.h>
#include <wx/utils.h>

#include <GL/gl.h>

#include "gl/wxGLCamera.h"

Pixel Project(const wxGLCamera& camera, int width, int height, const Point3D& p) {
    constexpr double kPi = 3.14159265358979323846;
    double e[3], c[3];
    camera.GetEye(&e[0], &e[1], &e[2]);
    camera.GetCentre(&c[0], &c[1], &c[2]);
    const Point3D up = camera.GetUp();
    auto normalise = [](double v[3]) {
        const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int i = 0; i < 3; ++i) v[i] /= n;
    };
    double f[3] = {c[0] - e[0], c[1] - e[1], c[2] - e[2]};
    normalise(f);
    double s[3] = {f[1] * up.z - f[2] * up.y, f[2] * up.x - f[0] * up.z, f[0] * up.y - f[1] * up.x};
    normalise(s);
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2],
                         s[0] * f[1] - s[1] * f[0]};
    const double d[3] = {p.x - e[0], p.y - e[1], p.z - e[2]};
    const double xc = s[0] * d[0] + s[1] * d[1] + s[2] * d[2];
    const double yc = u[0] * d[0] + u[1] * d[1] + u[2] * d[2];
    const double depth = f[0] * d[0] + f[1] * d[1] + f[2] * d[2];
    const double fy = 1 / std::tan(camera.GetLens() / 2 * kPi / 180);
    const double aspect = double(width) / height;
    return {(fy / aspect * xc / depth + 1) / 2 * width, (fy * yc / depth + 1) / 2 * height, depth};
}

void CanvasGuiTest::SetUp() {
    testsupport::GLTestHarness& harness = testsupport::GLTestHarness::Get();
    ASSERT_TRUE(harness.ok()) << harness.error();
    frame = new OwnerFrame("canvas test");
    frame->CreateStatusBar(4);
    canvas = new TestCanvas(frame, wxID_ANY, wxDefaultPosition, wxSize(kWidth, kHeight));
    frame->SetClientSize(kWidth, kHeight);
    frame->Show();
    ASSERT_TRUE(testsupport::WaitUntil([&] { return canvas->IsShownOnScreen(); }));
    ASSERT_EQ(canvas->GetClientSize(), wxSize(kWidth, kHeight));
}

void CanvasGuiTest::TearDown() {
    if (frame != nullptr) frame->Destroy();
    for (int i = 0; i < 10; ++i) wxTheApp->Yield(true);
    frame = nullptr;
    canvas = nullptr;
}

testsupport::PixelBlock CanvasGuiTest::Paint() {
    canvas->Refresh(false);
    canvas->Update();
    wxTheApp->Yield(true);
    testsupport::PixelBlock block;
    if (!canvas->MakeCurrent()) return block;
    block.width = kWidth;
    block.height = kHeight;
    block.rgba.assign(std::size_t(kWidth) * kHeight * 4, 0);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // After the swap the frame is on the front buffer (the window).
    glReadBuffer(GL_BACK);
    glFinish();
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, block.rgba.data());
    glReadBuffer(GL_BACK);
    glPopClientAttrib();
    return block;
}

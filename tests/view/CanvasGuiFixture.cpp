#include "CanvasGuiFixture.h"

#include <wx/app.h>
#include <wx/utils.h>

#include <GL/gl.h>

void CanvasGuiTest::SetUp() {
    testsupport::GLTestHarness& harness = testsupport::GLTestHarness::Get();
    ASSERT_TRUE(harness.ok()) << harness.error();
    frame = new OwnerFrame("canvas test");
    frame->CreateStatusBar(4);
    canvas = new TestCanvas(frame, wxID_ANY, wxDefaultPosition, wxSize(kWidth, kHeight));
    frame->SetClientSize(kWidth, kHeight);
    frame->Show();
    for (int i = 0; i < 200 && !canvas->IsShownOnScreen(); ++i) wxTheApp->Yield(true);
    for (int i = 0; i < 20; ++i) wxTheApp->Yield(true);
    ASSERT_TRUE(canvas->IsShownOnScreen());
    ASSERT_EQ(canvas->GetClientSize(), wxSize(kWidth, kHeight));
}

void CanvasGuiTest::TearDown() {
    if (frame != nullptr) frame->Destroy();
    for (int i = 0; i < 10; ++i) wxTheApp->Yield(true);
    frame = nullptr;
    canvas = nullptr;
}

void CanvasGuiTest::RunEvents(int ms) {
    const wxLongLong end = wxGetLocalTimeMillis() + ms;
    while (wxGetLocalTimeMillis() < end) {
        wxTheApp->Yield(true);
        wxMilliSleep(2);
    }
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

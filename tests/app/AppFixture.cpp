#include "app/AppFixture.h"

#include <cstdlib>
#include <fstream>
#include <memory>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/slider.h>

#include "support/GLTestHarness.h"
#include "app/MyApp.h"
#include "app/MyFrame.h"
#include "support/TestSupport.h"
#include "view/myGLCanvas.h"

namespace apptest {

namespace {

testsupport::TempDir*& HomeDirSlot() {
    static testsupport::TempDir* dir = nullptr;
    return dir;
}

// Removes the temporary HOME once every case of the program has run. The application is never
// ended here (the toolkit is not shut down inside a test program), so nothing writes there after.
class HomeRemoval : public testing::Environment {
public:
    void TearDown() override {
        delete HomeDirSlot();
        HomeDirSlot() = nullptr;
    }
};

testsupport::TempDir& HomeDir() {
    if (HomeDirSlot() == nullptr) {
        HomeDirSlot() = new testsupport::TempDir;
        testing::AddGlobalTestEnvironment(new HomeRemoval);
    }
    return *HomeDirSlot();
}

bool started = false;
std::string startError;

void Start() {
    const std::string home = HomeDir().path();
    setenv("HOME", home.c_str(), 1);
    // GTK's accessibility bridge wants a D-Bus session that Xvfb runs lack.
    setenv("NO_AT_BRIDGE", "1", 1);
    std::ofstream(FileInHome("kept.c3d")) << "not really a recording";
    std::ofstream store(home + "/.Dezozuza");
    store << "[History]\nCount=2\nFile0=" << FileInHome("kept.c3d") << "\nFile1=" << MissingFile()
          << "\n[MainFrame/camera]\ncamera_zoom_inc=0.1\n";
    store.close();

    static int argc = 1;
    static char arg0[] = "dezozuza-test";
    static char* argv[] = {arg0, nullptr};
    wxApp::SetInstance(MyApp::Create());
    if (!wxEntryStart(argc, argv)) {
        startError = "the toolkit could not start (no display?)";
        return;
    }
    testsupport::InstallWxTestHandlers();
    if (!wxTheApp->CallOnInit()) {
        startError = "MyApp::OnInit failed";
        return;
    }
    started = true;
}

}  // namespace

std::string Home() { return HomeDir().path(); }
std::string FileInHome(const std::string& name) { return HomeDir().file(name); }
std::string MissingFile() { return HomeDir().file("gone/missing.c3d"); }

void AppTest::SetUpTestSuite() {
    static bool once = [] {
        Start();
        return true;
    }();
    (void)once;
}

void AppTest::SetUp() {
    ASSERT_TRUE(started) << startError;
    ASSERT_NE(app().GetFrame(), nullptr);
    // Every test starts with nothing open, whatever the one before it showed.
    if (myGLCanvas* canvas = frame().GetCanvas()) canvas->LoadShapeAndMotion(wxString(), false);
    frame().SetTitle("Dezozuza version 1.9");
    frame().UpdateControls();
}

MyApp& AppTest::app() { return *static_cast<MyApp*>(wxTheApp); }

MyFrame& AppTest::frame() { return *app().GetFrame(); }

void AppTest::Command(int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    event.SetEventObject(&frame());
    frame().ProcessWindowEvent(event);
}

void AppTest::Scroll(const wxEventType& type, int sliderId, int position) {
    auto* slider = wxDynamicCast(frame().FindWindow(sliderId), wxSlider);
    ASSERT_NE(slider, nullptr);
    slider->SetValue(position);
    wxScrollEvent event(type, sliderId, position, wxHORIZONTAL);
    event.SetEventObject(slider);
    slider->GetEventHandler()->ProcessEvent(event);
}

void AppTest::Yield() {
    for (int i = 0; i < 5; ++i) wxTheApp->Yield(true);
}

}  // namespace apptest

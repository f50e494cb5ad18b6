#pragma once
// The real application, started once per test program under Xvfb with a temporary HOME (so the
// configuration store is a fresh ~/.Dezozuza), and the helpers the main-window tests share.
#include <string>

#include <gtest/gtest.h>

#include <wx/event.h>

class MyApp;
class MyFrame;

namespace apptest {

// The temporary HOME, with the store the fixture prepared before start-up: two history entries
// (FileInHome("kept.c3d"), which exists, and a missing file) and "camera/camera_zoom_inc" = 0.1.
std::string Home();
std::string FileInHome(const std::string& name);
std::string MissingFile();

class AppTest : public testing::Test {
public:
    static void SetUpTestSuite();
    void SetUp() override;

    static MyApp& app();
    static MyFrame& frame();

    // Sends a menu or tool command to the main window as a click would.
    static void Command(int id);
    // Sends a scroll event of the given type from one of the toolbar sliders, after moving it.
    static void Scroll(const wxEventType& type, int sliderId, int position);
    // Lets the toolkit run what is pending.
    static void Yield();
};

}  // namespace apptest

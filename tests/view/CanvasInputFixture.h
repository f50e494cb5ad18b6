#pragma once
// Canvas tests that feed the scene canvas mouse events, keys and menu commands as the toolkit
// would, on a shown canvas wired to its owner frame and status bar.
#include <cmath>
#include <string>
#include <vector>

#include <wx/menu.h>
#include <wx/statusbr.h>

#include "gl/AppSettings.h"
#include "view/CanvasGuiFixture.h"
#include "view/PopupMenuItems.h"
#include "gl/wxGLCamera.h"

struct Buttons {
    bool left = false, middle = false, right = false;
    bool ctrl = false, alt = false;
};

class CanvasInputTest : public CanvasGuiTest {
protected:
    void SetUp() override {
        CanvasGuiTest::SetUp();
        if (HasFatalFailure()) return;
        savedTrajectoryFlag_ = selected_trajectory_enabled;
        canvas->SetOwnerFrame(frame);
        canvas->SetStatusBar(frame->GetStatusBar());
        canvas->SetStatusBarInUse(true);
    }
    void TearDown() override {
        selected_trajectory_enabled = savedTrajectoryFlag_;
        CanvasGuiTest::TearDown();
    }

    // Three markers apart, seen by the default camera.
    PickableCloud* AdoptCloud() {
        auto* cloud = new PickableCloud({kMarkers}, {"LASI", "RASI", "LKNE"});
        canvas->Adopt(cloud);
        Paint();
        return cloud;
    }

    // The window position (origin top left) where a scene point is drawn.
    wxPoint At(const Point3D& p) const {
        const Pixel pixel = Project(*canvas->GetCamera(), kWidth, kHeight, p);
        return wxPoint(int(std::lround(pixel.x)), int(std::lround(kHeight - pixel.y)));
    }

    // Sends a mouse event to the canvas as the toolkit would.
    bool Mouse(wxEventType type, wxPoint at, Buttons b = Buttons(), int wheel = 0) {
        wxMouseEvent event(type);
        event.SetEventObject(canvas);
        event.SetId(canvas->GetId());
        event.SetPosition(at);
        event.SetLeftDown(b.left);
        event.SetMiddleDown(b.middle);
        event.SetRightDown(b.right);
        event.SetControlDown(b.ctrl);
        event.SetAltDown(b.alt);
        event.m_wheelRotation = wheel;
        event.m_wheelDelta = 120;
        return canvas->GetEventHandler()->ProcessEvent(event);
    }
    void Press(wxEventType down, wxPoint at, Buttons b) { Mouse(down, at, b); }
    void MoveTo(wxPoint at, Buttons b) { Mouse(wxEVT_MOTION, at, b); }

    // A character key; true when the canvas passed it on.
    bool Key(int code, bool ctrl = false) {
        wxKeyEvent event(wxEVT_CHAR);
        event.SetEventObject(canvas);
        event.m_keyCode = code;
        event.SetControlDown(ctrl);
        canvas->GetEventHandler()->ProcessEvent(event);
        return event.GetSkipped();
    }
    void Command(int id) {
        wxCommandEvent event(wxEVT_MENU, id);
        event.SetEventObject(canvas);
        canvas->GetEventHandler()->ProcessEvent(event);
    }

    std::vector<int> Selection(object3D* object) {
        wxArrayInt selection;
        object->GetSelection(selection);
        return std::vector<int>(selection.begin(), selection.end());
    }
    wxString Status() { return frame->GetStatusBar()->GetStatusText(0); }

    static Point3D Eye(const wxGLCamera& c) {
        Point3D p;
        c.GetEye(&p.x, &p.y, &p.z);
        return p;
    }
    static Point3D Centre(const wxGLCamera& c) {
        Point3D p;
        c.GetCentre(&p.x, &p.y, &p.z);
        return p;
    }
    static double Distance(const wxGLCamera& c) { return (Centre(c) - Eye(c)).Length(); }
    static void ExpectSamePoint(const Point3D& a, const Point3D& b, double tolerance = 1e-9) {
        EXPECT_NEAR(a.x, b.x, tolerance);
        EXPECT_NEAR(a.y, b.y, tolerance);
        EXPECT_NEAR(a.z, b.z, tolerance);
    }

    const std::vector<Point3D> kMarkers = {{0.1, 0.1, 0.7}, {0.6, 0.2, 0.9}, {-0.7, -0.3, 0.2}};

private:
    unsigned char savedTrajectoryFlag_ = 0;
};

// "id label" per item of a toolkit menu, "-" per separator.
inline std::vector<std::string> MenuItems(wxMenu& menu) {
    std::vector<std::string> out;
    for (wxMenuItem* item : menu.GetMenuItems())
        out.push_back(item->IsSeparator()
                          ? "-"
                          : std::to_string(item->GetId()) + " " +
                                item->GetItemLabel().utf8_string());
    return out;
}

// The same form of the menu builder's items, untranslated.
inline std::vector<std::string> Expected(const PopupMenuContext& context) {
    std::vector<std::string> out;
    for (const PopupMenuItem& item : BuildPopupMenuItems(context))
        out.push_back(item.IsSeparator() ? "-"
                                         : std::to_string(item.id) + " " + item.text + item.name +
                                               item.suffix);
    return out;
}


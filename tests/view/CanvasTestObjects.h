#pragma once
// Scene objects and windows for the canvas tests: a recording-like object that draws its markers
// as big points in one colour, a canvas that can be handed such an object directly, and an owner
// frame that records the canvas's notifications and Update calls.
#include <vector>

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/string.h>

#include <GL/gl.h>

#include "geometry.h"
#include "myGLCanvas.h"
#include "shape3D.h"

// frames[f][m] is marker m at frame f, in scene units.
class MarkerCloud : public shape3D {
public:
    MarkerCloud(std::vector<std::vector<Point3D>> frames, double rate, const wxString& type = "c3d")
        : frames_(std::move(frames)), type_(type) {
        m_primitiveType = 11;
        m_frameCount = static_cast<int>(frames_.size());
        m_frameRate = rate;
        m_framePeriod = rate > 0 ? 1.0 / rate : 0.0;
        m_duration = m_frameCount * m_framePeriod;
        SetFirstFrame(0);
        SetLastFrame(m_frameCount - 1);
        m_loaded = true;
    }
    wxString GetTypeName() override { return type_; }
    void Draw() override {
        if (m_currentFrame < 0 || m_currentFrame >= static_cast<int>(frames_.size())) return;
        glPushAttrib(GL_ENABLE_BIT | GL_POINT_BIT | GL_CURRENT_BIT);
        glDisable(GL_LIGHTING);
        glDisable(GL_POINT_SMOOTH);
        glDisable(GL_FOG);
        glPointSize(pointSize);
        glColor3ub(colour[0], colour[1], colour[2]);
        glBegin(GL_POINTS);
        for (const Point3D& p : frames_[m_currentFrame]) glVertex3d(p.x, p.y, p.z);
        glEnd();
        glPopAttrib();
        ++draws;
    }
    unsigned char colour[3] = {255, 0, 0};
    float pointSize = 7;
    int draws = 0;

private:
    std::vector<std::vector<Point3D>> frames_;
    wxString type_;
};

// The scene canvas with a way in for objects the factory does not know.
class TestCanvas : public myGLCanvas {
public:
    using myGLCanvas::myGLCanvas;
    // Replaces the scene by the object (owned from now on), as a load does.
    void Adopt(object3D* object) {
        ClearScene();
        m_object = object;
        UpdateRange();
        ResetCamera();
        Resize();
    }
    using my3DCanvas::MakeCurrent;
    void SetShowAxesGizmo(bool show) { m_showAxesGizmo = show; }
    void SetFog(int mode) { m_fogMode = mode; }
};

// Records the command ids the canvas sends through the frame and its Update calls.
class OwnerFrame : public wxFrame {
public:
    explicit OwnerFrame(const wxString& title) : wxFrame(nullptr, wxID_ANY, title) {
        auto* menu = new wxMenu;
        for (int id : {6851, 6854, 6879, 6880, 6886, 7014}) menu->Append(id, wxString::Format("%d", id));
        auto* bar = new wxMenuBar;
        bar->Append(menu, "Notifications");
        SetMenuBar(bar);
        Bind(wxEVT_MENU, [this](wxCommandEvent& e) { commands.push_back(e.GetId()); });
    }
    void Update() override {
        ++updates;
        wxFrame::Update();
    }
    int Count(int id) const {
        int n = 0;
        for (int c : commands) n += c == id;
        return n;
    }
    std::vector<int> commands;
    int updates = 0;
};

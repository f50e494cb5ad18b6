#pragma once
// Scene objects and windows for the canvas tests: a recording-like object that draws its markers
// as big points in one colour, one that can also be picked and selected, a canvas that can be
// handed such an object directly, and an owner frame that records the canvas's notifications and
// Update calls.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/string.h>

#include <GL/gl.h>

#include "motion/geometry.h"
#include "view/myGLCanvas.h"
#include "objects/shape3D.h"

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

protected:
    std::vector<std::vector<Point3D>> frames_;
    wxString type_;
};

// A marker cloud that names its markers in GL_SELECT as the motion object does (marker number i + 1
// loaded and pushed), optionally with model items named 100000 + k, and a manipulator handle drawn
// as a point beside a selected marker whose move flag is set. It keeps selection orders,
// highlights and move flags per marker and records what the canvas asks of it.
class PickableCloud : public MarkerCloud {
public:
    PickableCloud(std::vector<std::vector<Point3D>> frames, std::vector<wxString> names,
                  double rate = 100, const wxString& type = "c3d")
        : MarkerCloud(std::move(frames), rate, type), names_(std::move(names)),
          order_(names_.size(), 0), highlighted_(names_.size(), 0), move_(names_.size(), false) {
        SetName("cloud");
    }

    void Render(int mode, int activeHandle) override {
        lastActiveHandle = activeHandle;
        if (mode != GL_SELECT) {
            MarkerCloud::Render(mode, activeHandle);
            return;
        }
        ++selectPasses;
        if (m_currentFrame < 0 || m_currentFrame >= static_cast<int>(frames_.size())) return;
        const std::vector<Point3D>& markers = frames_[m_currentFrame];
        for (std::size_t i = 0; i < markers.size(); ++i) {
            const GLuint name = static_cast<GLuint>(m_id + i + 1);
            glLoadName(name);
            glPushName(name);
            Point(markers[i]);
            if (i < move_.size() && order_[i] != 0 && move_[i]) {
                glPushName(handleName);
                Point(markers[i] + handleOffset);
                glPopName();
            }
            glPopName();
        }
        for (std::size_t k = 0; k < modelItems.size(); ++k) {
            const GLuint name = static_cast<GLuint>(100000 + k);
            glLoadName(name);
            glPushName(name);
            Point(modelItems[k]);
            glPopName();
        }
    }

    void Select(int order, int n, bool manipulate) override {
        selects.push_back({order, n, manipulate});
        if (n < 0) {
            std::fill(order_.begin(), order_.end(), 0);
            std::fill(move_.begin(), move_.end(), false);
            modelSelection.clear();
        } else if (n >= 100000) {
            modelSelection.push_back(n);
        } else if (n >= 1 && n <= static_cast<int>(order_.size())) {
            order_[n - 1] = order;
            move_[n - 1] = manipulate;
        }
    }
    void SetHighlighted(bool value, int n) override {
        if (n < 0)
            std::fill(highlighted_.begin(), highlighted_.end(), 0);
        else if (n >= 1 && n <= static_cast<int>(highlighted_.size()))
            highlighted_[n - 1] = value;
    }
    int IsHighlighted(int n) override {
        return n >= 1 && n <= static_cast<int>(highlighted_.size()) ? highlighted_[n - 1] : 0;
    }
    int GetSelectionOrder(int n) override {
        return n >= 1 && n <= static_cast<int>(order_.size()) ? order_[n - 1] : 0;
    }
    int CountSelected() override {
        return static_cast<int>(std::count_if(order_.begin(), order_.end(),
                                              [](int o) { return o != 0; }));
    }
    int GetMaxSelectionOrder() override {
        return std::max(*std::max_element(order_.begin(), order_.end()), 0) +
               static_cast<int>(modelSelection.size());
    }
    // Marker indices by selection order, then the model items.
    void GetSelection(wxArrayInt& out) override {
        out.Empty();
        std::vector<std::pair<int, int>> byOrder;
        for (std::size_t i = 0; i < order_.size(); ++i)
            if (order_[i] != 0) byOrder.push_back({order_[i], static_cast<int>(i)});
        std::sort(byOrder.begin(), byOrder.end());
        for (const auto& entry : byOrder) out.Add(entry.second);
        for (int item : modelSelection) out.Add(item);
    }
    wxString GetName(int n) override {
        if (n >= 1 && n <= static_cast<int>(names_.size())) return names_[n - 1];
        if (n >= 100000) return wxString::Format("item%d", n - 100000);
        return m_name;
    }
    int GetElementNumber(int id) override { return id >= 100000 ? id - 100000 + 1 : id; }
    void MoveSelection(double dx, double dy, int axis) override {
        moves.push_back({dx, dy, double(axis)});
    }
    bool PushUndo(const wxString& description) override {
        undoTexts.push_back(description.utf8_string());
        return true;
    }
    void Rotate(int axis, double angle) override {
        rotations.push_back({axis, angle});
        MarkerCloud::Rotate(axis, angle);
    }

    struct SelectCall {
        int order, n;
        bool manipulate;
    };
    std::vector<SelectCall> selects;
    std::vector<int> modelSelection;
    std::vector<std::vector<double>> moves;
    std::vector<std::string> undoTexts;
    std::vector<std::pair<int, double>> rotations;
    std::vector<Point3D> modelItems;
    GLuint handleName = 3;
    Point3D handleOffset{0.25, 0, 0};
    int selectPasses = 0;
    int lastActiveHandle = -1;

private:
    static void Point(const Point3D& p) {
        glBegin(GL_POINTS);
        glVertex3d(p.x, p.y, p.z);
        glEnd();
    }

    std::vector<wxString> names_;
    std::vector<int> order_;
    std::vector<int> highlighted_;
    std::vector<bool> move_;
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
    using myGLCanvas::CreatePopupMenu;
    void SetShowAxesGizmo(bool show) { m_showAxesGizmo = show; }
    void SetFog(int mode) { m_fogMode = mode; }
    void SetElementToolTips(bool on) { m_elementToolTips = on; }
    bool IsDragInProgress() const { return m_dragInProgress; }
    int GetPickMode() const { return m_pickMode; }
    // The popup menu is modal: the tests record where it would open instead.
    void ShowPopupMenu(const wxPoint& point) override {
        m_pickRequest = false;
        popups.push_back(point);
    }
    std::vector<wxPoint> popups;
    // Repaint requests, counted: GTK drops those made while a paint runs, so they cannot be seen
    // as paints.
    void Refresh(bool eraseBackground = true, const wxRect* rect = nullptr) override {
        ++refreshes;
        myGLCanvas::Refresh(eraseBackground, rect);
    }
    int refreshes = 0;
};

// Records the command ids the canvas sends through the frame and its Update calls.
class OwnerFrame : public wxFrame {
public:
    explicit OwnerFrame(const wxString& title) : wxFrame(nullptr, wxID_ANY, title) {
        auto* menu = new wxMenu;
        for (int id : {6851, 6854, 6879, 6880, 6886, 6887, 6895, 7014})
            menu->Append(id, wxString::Format("%d", id));
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

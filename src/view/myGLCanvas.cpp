#include "myGLCanvas.h"

#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <wx/config.h>
#include <wx/frame.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/slider.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>
#include <wx/utils.h>

#include <GL/gl.h>

#include "AppSettings.h"
#include "MotionSceneLink.h"
#include "ShapeFactory.h"
#include "TC3DData.h"
#include "TimeDisplay.h"
#include "ViewPlacement.h"
#include "object3D.h"
#include "platform/TextEncoding.h"
#include "shape3D.h"

unsigned char show_mode_buttons = 0;

wxIMPLEMENT_CLASS(myGLCanvas, wxGLCanvas);

namespace {

constexpr double kPi = 3.14159265358979323846;

// Popup-menu commands the canvas answers itself.
enum {
    kMenuResetView = 11003,
    kMenuFrontView = 11004,
    kMenuLeftView = 11005,
    kMenuRightView = 11006,
    kMenuTopView = 11007,
    kMenuBottomView = 11008,
    kMenuBackView = 11009,
    kMenuCopyImage = 11012,
};

bool IsOfType(object3D* object, const char* typeName) {
    return object != nullptr && object->GetTypeName() == typeName;
}

void LogErrorFrom(const char* function, const wxString& text) {
    wxLogger(wxLOG_Error, __FILE__, __LINE__, function, wxLOG_COMPONENT).Log("%s", text);
}

// Recording texts are 8-bit; most are UTF-8 nowadays, older ones Latin-1.
wxString RecordingText(const char* text) {
    if (text == nullptr) return wxString();
    const size_t n = std::strlen(text);
    if (dez::IsValidUtf8(text, n)) return wxString::FromUTF8(text, n);
    return wxString::FromUTF8(
        dez::Latin1ToUtf8(reinterpret_cast<const uint8_t*>(text), n).c_str());
}

struct ModeButton {
    const char* label;
    const char* toolTip;
    wxStockCursor cursor;
};
const ModeButton kModeButtons[5] = {
    {"D", "Default mouse cursor", wxCURSOR_ARROW},
    {"T", "Translation cursor", wxCURSOR_SIZING},
    {"R", "Rotation cursor", wxCURSOR_BULLSEYE},
    {"Z", "Zoom cursor", wxCURSOR_MAGNIFIER},
    {"M", "Move cursor", wxCURSOR_SIZENS},
};

}  // namespace

myGLCanvas::myGLCanvas(wxWindow* parent, wxWindowID id, const wxPoint& position,
                       const wxSize& size, long style, const wxString& name,
                       const wxGLContextAttrs* contextAttributes)
    : my3DCanvas(parent, id, position, size, style, name, contextAttributes) {
    ResetDefaults();
    wxConfigBase* config = wxConfigBase::Get(true);
    if (config != nullptr) {
        config->Read("/GLcanvas/save_config", &m_saveConfig, m_saveConfig);
        if (m_saveConfig) my3DCanvas::LoadConfig(config);
    }

    wxPoint at = wxDefaultPosition;
    for (int i = 0; i < 5; ++i) {
        auto* button = new wxToggleButton(this, kModeButtonFirstId + i,
                                          wxGetTranslation(kModeButtons[i].label), at);
        button->SetToolTip(wxGetTranslation(kModeButtons[i].toolTip));
        button->SetCursor(wxCursor(kModeButtons[i].cursor));
        const wxRect r = button->GetRect();
        at = wxPoint(r.x + r.width, r.y);
        m_modeButtons[i] = button;
    }

    Bind(wxEVT_SIZE, &myGLCanvas::OnSize, this);
    Bind(wxEVT_TIMER, &myGLCanvas::OnTimer, this, kTimerId);
    Bind(wxEVT_TOGGLEBUTTON, &myGLCanvas::OnModeButton, this, kModeButtonFirstId,
         kModeButtonFirstId + 4);
    Bind(wxEVT_MENU, &myGLCanvas::OnMenuResetView, this, kMenuResetView);
    Bind(wxEVT_MENU, &myGLCanvas::OnMenuView, this, kMenuFrontView, kMenuBackView);
    Bind(wxEVT_MENU, &myGLCanvas::OnMenuCopyImage, this, kMenuCopyImage);

    SetMouseMode(m_mouseMode);
    SetShowButtons(show_mode_buttons != 0);
}

myGLCanvas::~myGLCanvas() {
    if (m_timer.IsRunning()) m_timer.Stop();
    if (m_saveConfig) {
        wxConfigBase* config = wxConfigBase::Get(true);
        if (config != nullptr) SaveConfig(config);
    }
    // The object may own display lists of this context.
    MakeCurrent();
    delete m_object;
    m_object = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Drawing

void myGLCanvas::PreRender(bool flag) {
    if (!flag || m_object == nullptr || !ObjectIs("c3d")) return;
    if (MotionReferenceMarker(m_object) < 0) return;
    if (MotionRelativeToReference(m_object))
        m_defaultCentre.SetZero();
    else
        m_defaultCentre = MotionReferencePosition(m_object);
    m_camera.SetCentre(m_defaultCentre);
}

void myGLCanvas::DrawScene() {
    if (m_object != nullptr) m_object->Render(GL_RENDER, m_activeHandle);
}

void myGLCanvas::DrawDecor() {
    if (m_showAxesGizmo) DrawAxesGizmo();
    float axisSize = m_groundPlane.axisSize;
    float offset[3] = {0, 0, 0};
    if (m_object != nullptr && ObjectIs("c3d") && MotionReferenceMarker(m_object) >= 0 &&
        MotionRelativeToReference(m_object)) {
        // The scene is drawn around a frozen marker: the ground moves under it instead.
        const Point3D reference = MotionReferencePosition(m_object);
        offset[0] = -static_cast<float>(reference.x);
        offset[1] = -static_cast<float>(reference.y);
        offset[2] = -static_cast<float>(reference.z);
        if (m_groundPlane.visible) axisSize = 0.15f;
    }
    double axis[3] = {0, 0, 1};
    double angle = 0;
    if (m_object != nullptr) {
        if (const Matrix4x4* orientation = m_object->GetOrientationMatrix()) {
            Quaternion q;
            q.FromMatrix(*orientation);
            q.Normalize();
            q.GetAxisAngle(&axis[0], &axis[1], &axis[2], &angle);
            angle = angle * 180 / kPi;
        }
    }
    DrawGroundPlane(offset, axisSize, angle, axis);
}

bool myGLCanvas::GetCentre(float out[3]) {
    if (m_object == nullptr || !ObjectIs("c3d")) return false;
    return MotionSelectionCentre(m_object, out);
}

void myGLCanvas::SaveConfig(wxConfigBase* config) {
    if (config == nullptr) return;
    config->Write("/GLcanvas/save_config", m_saveConfig);
    my3DCanvas::SaveConfig(config);
}

void myGLCanvas::LoadConfig(wxConfigBase* config) { my3DCanvas::LoadConfig(config); }

void myGLCanvas::ResetView() {
    StopPlayback(true);
    m_lastMouse[0] = 0;
    m_lastMouse[1] = 0;
    m_pickRequest = false;
    Smooth() = true;
    Wire() = false;
    Cull() = false;
    GLInitialised() = false;
    ResetCamera();
    if (MakeCurrent()) {
        glDisable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glShadeModel(GL_SMOOTH);
    }
    Resize();
    Refresh(false);
}

void myGLCanvas::SetWire(bool wire) {
    if (m_object != nullptr) m_object->SetWireframe(wire);
    my3DCanvas::SetWire(wire);
}

// ---------------------------------------------------------------------------------------------
// Forwarders and settings

int myGLCanvas::GetFirstFrame() { return m_object ? m_object->GetFirstFrame() : 0; }

int myGLCanvas::GetLastFrame() { return m_object ? m_object->GetLastFrame() : 0; }

int myGLCanvas::GetFrameCount() { return m_object ? m_object->GetFrameCount() : 0; }

bool myGLCanvas::IsModified() { return m_object ? m_object->IsModified() : false; }

bool myGLCanvas::Save() {
    auto* shape = dynamic_cast<shape3D*>(m_object);
    return shape ? shape->Save() : false;
}

void myGLCanvas::SetSpeed(double speed) { m_clock.SetSpeed(speed); }

double myGLCanvas::GetSpeed() { return m_clock.GetSpeed(); }

bool myGLCanvas::PushUndo(const wxString& description) {
    return m_object ? m_object->PushUndo(description) : false;
}

bool myGLCanvas::Undo() {
    if (GetUndoCount() < 1) return false;
    const bool restored = m_object->Undo();
    if (restored) {
        const int first = m_object->GetFirstFrame();
        const int last = m_object->GetLastFrame();
        const int current = m_object->GetCurrentFrame();
        SetFirstFrame(first);
        SetLastFrame(last);
        GoToFrame(current, true);
    }
    return restored;
}

int myGLCanvas::GetUndoCount() { return m_object ? m_object->GetUndoCount() : 0; }

void myGLCanvas::ClearUndo() {
    if (m_object != nullptr) m_object->ClearUndo();
}

wxString myGLCanvas::GetUndoDescription() {
    return m_object ? m_object->GetUndoDescription() : wxString();
}

void myGLCanvas::SetModified(bool modified) {
    if (m_object != nullptr) m_object->SetModified(modified);
}

void myGLCanvas::SetSliderTracking(bool tracking) { m_sliderTracking = tracking; }

bool myGLCanvas::GetSliderTracking() { return m_sliderTracking; }

bool myGLCanvas::IsShapeModified() { return IsModified(); }

double myGLCanvas::GetRangeStart() { return m_rangeStart; }

double myGLCanvas::GetRangeEnd() { return m_rangeEnd; }

double myGLCanvas::GetRangeLength() { return m_rangeEnd - m_rangeStart; }

void myGLCanvas::SetMouseMode(int mode) {
    for (wxToggleButton* button : m_modeButtons)
        if (button != nullptr) button->SetValue(false);
    m_mouseMode = mode >= 0 && mode <= 4 ? mode : 0;
    if (m_mouseMode == 0)
        SetCursor(wxNullCursor);
    else
        SetCursor(wxCursor(kModeButtons[m_mouseMode].cursor));
    if (m_modeButtons[m_mouseMode] != nullptr) m_modeButtons[m_mouseMode]->SetValue(true);
}

int myGLCanvas::GetMouseMode() { return m_mouseMode; }

bool myGLCanvas::GetShowButtons() { return m_buttonsShown; }

void myGLCanvas::SetShowButtons(bool show) {
    m_buttonsShown = show;
    show_mode_buttons = show ? 1 : 0;
    for (wxToggleButton* button : m_modeButtons)
        if (button != nullptr) button->Show(show);
}

// ---------------------------------------------------------------------------------------------
// Loading

bool myGLCanvas::ObjectIs(const char* typeName) { return IsOfType(m_object, typeName); }

void myGLCanvas::UpdateRange() {
    const double period = m_object ? m_object->GetFramePeriod() : 0;
    m_rangeStart = FrameTime(GetFirstFrame(), period);
    m_rangeEnd = FrameTime(GetLastFrame(), period);
}

void myGLCanvas::PlaceViewOnRecording(object3D* recordingObject) {
    float* bounds = MotionBounds(recordingObject);
    if (bounds == nullptr) return;
    std::string xScreen;
    if (const TC3DData* recording = MotionRecording(recordingObject))
        xScreen.assign(recording->xScreen, strnlen(recording->xScreen, sizeof recording->xScreen));
    const ViewPlacement view =
        PlaceViewOnBounds(bounds, MotionUpAxis(recordingObject), xScreen, m_groundPlane);
    m_defaultCentre = view.centre;
    m_defaultEye = view.eye;
    MakeCurrent();
    m_camera.SetCentre(m_defaultCentre);
    m_camera.SetEye(m_defaultEye);
}

shape3D* myGLCanvas::LoadShape(const wxString& path, bool importFile) {
    m_defaultCentre.Set(0, 0, 0);
    m_defaultEye.Set(0, -3, 0);
    wxBusyCursor busy;
    if (path.empty()) return nullptr;

    const ShapeKind kind = ShapeKindForPath(path);
    if (kind == ShapeKind::Skeleton) {
        m_defaultCentre.Set(0, 0, 1);
        m_defaultEye.Set(0, -3, 1.5);
        m_groundPlane.visible = true;
    } else if (kind == ShapeKind::Motion) {
        m_defaultCentre.Set(0, 0, 1.25);
        m_defaultEye.Set(0, -5, 1.5);
        m_groundPlane.visible = true;
        m_elementToolTips = element_tooltips_enabled != 0;
    }
    shape3D* shape = CreateShape(kind);
    if (shape == nullptr) return nullptr;

    // Meshes build display lists while they load: let them land in this context.
    MakeCurrent();
    const bool loaded = importFile ? shape->Import(path) : shape->Load(path);
    if (loaded && shape->IsLoaded()) {
        shape->SetId(0);
        if (IsOfType(shape, "c3d")) PlaceViewOnRecording(shape);
        UpdateRange();
        std::cout << wxGetTranslation("Loading ").utf8_string() << path.utf8_string() << std::endl;
        return shape;
    }
    LogErrorFrom("myGLCanvas::LoadShape", wxGetTranslation("Unable to load : ") + path);
    delete shape;
    return nullptr;
}

bool myGLCanvas::LoadShapeAndMotion(const wxString& path, bool importFile) {
    ClearScene();
    Resize();
    if (!path.empty()) {
        m_elementToolTips = false;
        m_object = LoadShape(path, importFile);
        if (m_object == nullptr) {
            LogErrorFrom("myGLCanvas::LoadShapeAndMotion",
                         wxGetTranslation("Format not supported : ") + path);
            return false;
        }
        UpdateRange();
        ResetCamera();
    }
    Resize();
    m_pickRequest = false;
    if (m_object != nullptr) m_object->SetWireframe(Wire());
    my3DCanvas::SetWire(Wire());
    if (ObjectIs("bvh")) {
        // Skeletons are Y-up: a quarter turn about x stands them on the ground.
        m_verticalAxis = 1;
        m_pickRequest = false;
        m_object->SetOrientationAngles(kPi / 2, 0, 0);
        Refresh(true);
    }
    Refresh(true);
    return m_object != nullptr;
}

void myGLCanvas::ClearScene() {
    if (m_timer.IsRunning()) m_timer.Stop();
    m_playing = false;
    m_time = 0;
    if (m_statusBar != nullptr && m_statusBarInUse)
        for (int field = 0; field < 4; ++field) SetStatusField(field, " ");
    MakeCurrent();
    delete m_object;
    m_object = nullptr;
    ResetView();
    m_rangeStart = 0;
    m_rangeEnd = 0;
}

bool myGLCanvas::HasMotion() { return m_object != nullptr && m_object->GetFrameCount() != 0; }

void myGLCanvas::SetStatusField(int field, const wxString& text) {
    // The main window's bar has four fields; a smaller one gets only those it has.
    if (m_statusBar != nullptr && field < m_statusBar->GetFieldsCount())
        m_statusBar->SetStatusText(text, field);
}

void myGLCanvas::UpdateStatusBar() {
    auto* shape = dynamic_cast<shape3D*>(m_object);
    if (m_object == nullptr || m_statusBar == nullptr) return;
    m_statusBarInUse = true;
    if (shape != nullptr) {
        SetStatusField(1, shape->GetFileName());
        SetStatusField(2, shape->GetInfo());
    }
    UpdateTimeDisplay();
}

void myGLCanvas::SetFrameSlider(wxSlider* slider) {
    m_frameSlider = slider;
    if (m_object != nullptr && slider != nullptr && m_object->GetFrameCount() != 0)
        slider->SetRange(m_object->GetFirstFrame(), m_object->GetLastFrame());
}

// ---------------------------------------------------------------------------------------------
// Playback

void myGLCanvas::Notify(int id) {
    if (m_ownerFrame != nullptr) m_ownerFrame->ProcessCommand(id);
}

void myGLCanvas::UpdateOwner() {
    if (m_ownerFrame != nullptr) m_ownerFrame->Update();
}

void myGLCanvas::StopPlayback(bool notify) {
    if (m_timer.IsRunning()) {
        m_timer.Stop();
        if (notify) Notify(kNotifyStop);
    }
    // Whatever stopped the timer, playback is over: Play must start it again, and the main
    // window's controls read this flag.
    m_playing = false;
}

void myGLCanvas::StartTimer() {
    if (m_object == nullptr) return;
    m_timer.SetOwner(this, kTimerId);
    const bool followsFrameRate = ObjectIs("bvh") || ObjectIs("c3d");
    const double interval = m_clock.Start(followsFrameRate, m_object->GetFramePeriod());
    m_timer.Start(TimerMilliseconds(interval), wxTIMER_CONTINUOUS);
}

void myGLCanvas::Play() {
    if (m_object == nullptr) return;
    if (!m_playing) StartTimer();
    m_playing = true;
}

void myGLCanvas::PlayBackward() {
    if (m_object == nullptr) return;
    if (!m_timer.IsRunning()) StartTimer();
    m_playing = true;
    m_clock.SetReverse(true);
}

void myGLCanvas::Stop() { StopPlayback(false); }

void myGLCanvas::TogglePlay() {
    if (m_object == nullptr || m_object->GetFrameCount() == 0 || m_ownerFrame == nullptr) return;
    Notify(m_playing ? kNotifyStop : kNotifyPlay);
    UpdateOwner();
}

void myGLCanvas::OnTimer(wxTimerEvent&) {
    double start = 0, end = 0;
    if (m_object != nullptr) {
        const double period = m_object->GetFramePeriod();
        start = FrameTime(m_object->GetFirstFrame(), period);
        end = FrameTime(m_object->GetLastFrame(), period);
    }
    SetTime(m_clock.Tick(m_time, m_object != nullptr, start, end), false);
}

void myGLCanvas::SetTime(double time, bool stop) {
    if (m_object == nullptr) return;
    if (stop) StopPlayback(true);
    double snapped = time;
    if (!m_object->SetTime(snapped)) return;
    m_time = time;
    Refresh(false);
    UpdateTimeDisplay();
}

void myGLCanvas::GoToFrame(int frame, bool stop) {
    if (m_object == nullptr || m_object->GetFrameCount() == 0) return;
    if (frame < m_object->GetFirstFrame() || frame > m_object->GetLastFrame()) return;
    SetTime(FrameTime(frame, m_object->GetFramePeriod()), stop);
}

void myGLCanvas::FirstFrame() {
    StopPlayback(true);
    if (m_object != nullptr) GoToFrame(m_object->GetFirstFrame(), true);
}

void myGLCanvas::LastFrame() {
    StopPlayback(true);
    if (m_object != nullptr) GoToFrame(m_object->GetLastFrame(), true);
}

void myGLCanvas::NextFrame(double step) {
    StopPlayback(true);
    if (m_object == nullptr || m_object->GetFrameCount() == 0) return;
    SetTime(StepForwardTime(m_time, step, m_clock.GetSpeed(), m_object->GetFramePeriod(),
                            m_rangeStart, m_rangeEnd),
            true);
}

void myGLCanvas::PreviousFrame(double step) {
    StopPlayback(true);
    if (m_object == nullptr || m_object->GetFrameCount() == 0) return;
    SetTime(StepBackwardTime(m_time, step, m_clock.GetSpeed(), m_object->GetFramePeriod(),
                             m_rangeStart, m_rangeEnd),
            true);
}

void myGLCanvas::GetEventFrames(wxArrayInt& frames) {
    frames.Empty();
    if (!ObjectIs("c3d")) return;
    const TC3DData* recording = MotionRecording(m_object);
    if (recording == nullptr) return;
    for (int frame : CollectEventFrames(*recording)) frames.Add(frame);
}

namespace {

std::vector<int> ToVector(const wxArrayInt& frames) {
    return std::vector<int>(frames.begin(), frames.end());
}

}  // namespace

void myGLCanvas::NextEvent() {
    wxArrayInt frames;
    GetEventFrames(frames);
    if (frames.empty() || !ObjectIs("c3d")) return;
    const std::optional<int> frame = NextEventFrame(
        ToVector(frames), m_object->GetCurrentFrame(), m_object->GetLastFrame());
    if (!frame) return;
    StopPlayback(true);
    GoToFrame(*frame, true);
}

void myGLCanvas::PreviousEvent() {
    wxArrayInt frames;
    GetEventFrames(frames);
    if (frames.empty() || !ObjectIs("c3d")) return;
    const std::optional<int> frame = PreviousEventFrame(
        ToVector(frames), m_object->GetCurrentFrame(), m_object->GetFirstFrame());
    if (!frame) return;
    StopPlayback(true);
    GoToFrame(*frame, true);
}

void myGLCanvas::SetFirstFrame(int frame) {
    if (m_object == nullptr) return;
    m_object->SetFirstFrame(frame);
    if (m_frameSlider != nullptr) m_frameSlider->SetRange(GetFirstFrame(), GetLastFrame());
    FirstFrame();
    Notify(kNotifyRange);
    UpdateRange();
    UpdateOwner();
}

void myGLCanvas::SetLastFrame(int frame) {
    if (m_object == nullptr) return;
    m_object->SetLastFrame(frame);
    if (m_frameSlider != nullptr) m_frameSlider->SetRange(GetFirstFrame(), GetLastFrame());
    LastFrame();
    Notify(kNotifyRange);
    UpdateRange();
    UpdateOwner();
}

int myGLCanvas::GetCurrentFrame() {
    if (m_object == nullptr || m_object->GetFrameCount() == 0) return 0;
    return NearestFrame(m_time, m_object->GetFramePeriod());
}

void myGLCanvas::UpdateTimeDisplay() {
    if (m_object != nullptr && m_frameSlider != nullptr) {
        const int value = m_object->GetFrameCount() != 0 ? m_object->GetCurrentFrame()
                                                         : m_frameSlider->GetValue();
        if (value != m_sliderFrame && m_sliderTracking) m_frameSlider->SetValue(value);
        m_sliderFrame = value;
    }
    if (m_ownerFrame != nullptr) {
        Notify(kNotifyTime1);
        Notify(kNotifyTime2);
        Notify(kNotifyTime3);
    }
    if (m_timeText != nullptr && m_object != nullptr) m_timeText->SetValue(GetTimeText());
}

wxString myGLCanvas::GetTimeText() {
    if (m_object == nullptr) return wxString();
    const int frame = m_object->GetCurrentFrame();
    wxString text = wxString::FromUTF8(FormatTimeText(m_time, frame).c_str());
    if (ObjectIs("c3d")) {
        if (const TC3DData* recording = MotionRecording(m_object)) {
            if (const char* label = EventLabelAt(*recording, frame))
                text += " " + RecordingText(label);
        }
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// Events

void myGLCanvas::OnSize(wxSizeEvent&) {
    Resize();
    if (m_statusBar != nullptr) {
        const wxSize size = GetClientSize();
        SetStatusField(0, wxString::Format(wxGetTranslation("window size %dx%d"), size.x, size.y));
    }
}

void myGLCanvas::OnModeButton(wxCommandEvent& event) {
    SetMouseMode(event.GetId() - kModeButtonFirstId);
}

void myGLCanvas::OnMenuResetView(wxCommandEvent&) { ResetView(); }

void myGLCanvas::OnMenuView(wxCommandEvent& event) {
    switch (event.GetId()) {
        case kMenuFrontView:
            FrontView();
            break;
        case kMenuBackView:
            BackView();
            break;
        case kMenuLeftView:
            LeftView();
            break;
        case kMenuRightView:
            RightView();
            break;
        case kMenuTopView:
            TopView();
            break;
        case kMenuBottomView:
            BottomView();
            break;
        default:
            break;
    }
}

void myGLCanvas::OnMenuCopyImage(wxCommandEvent&) { CopyImage(false, false); }

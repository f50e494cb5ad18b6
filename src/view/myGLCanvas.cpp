#include "view/myGLCanvas.h"

#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <wx/config.h>
#include <wx/event.h>
#include <wx/frame.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/slider.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>
#include <wx/utils.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include "gl/AppSettings.h"
#include "view/KeyTable.h"
#include "view/MotionSceneLink.h"
#include "view/MouseModes.h"
#include "view/PickProcessing.h"
#include "view/PopupMenuItems.h"
#include "view/ShapeFactory.h"
#include "motion/TC3DData.h"
#include "view/TimeDisplay.h"
#include "view/ViewPlacement.h"
#include "objects/FileNameText.h"
#include "objects/object3D.h"
#include "platform/Paths.h"
#include "platform/TextEncoding.h"
#include "objects/shape3D.h"

unsigned char show_mode_buttons = 0;

wxIMPLEMENT_CLASS(myGLCanvas, wxGLCanvas);

namespace {

constexpr double kPi = 3.14159265358979323846;

bool IsOfType(object3D* object, const char* typeName) {
    return object != nullptr && object->GetTypeName() == typeName;
}

void LogErrorFrom(const char* function, const wxString& text) {
    wxLogger(wxLOG_Error, __FILE__, __LINE__, function, wxLOG_COMPONENT).Log("%s", text);
}

// " (reason)" after a failure's path, nothing when no reason is known.
wxString WithReason(const wxString& reason) { return reason.empty() ? wxString() : " (" + reason + ")"; }

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
    Bind(wxEVT_MENU, &myGLCanvas::OnMenuResetView, this, kCmdResetView);
    Bind(wxEVT_MENU, &myGLCanvas::OnMenuView, this, kCmdFrontView, kCmdBackView);
    Bind(wxEVT_MENU, &myGLCanvas::OnMenuCopyImage, this, kCmdCopyImage);
    Bind(wxEVT_MENU, &myGLCanvas::OnCentreView, this, kCmdCentreView);
    Bind(wxEVT_MENU, &myGLCanvas::OnVerticalAxisX, this, kCmdVerticalAxisX);
    Bind(wxEVT_MENU, &myGLCanvas::OnVerticalAxisY, this, kCmdVerticalAxisY);
    Bind(wxEVT_MENU, &myGLCanvas::OnVerticalAxisZ, this, kCmdVerticalAxisZ);
    Bind(wxEVT_MENU, &myGLCanvas::OnResetVerticalAxis, this, kCmdResetVerticalAxis);
    Bind(wxEVT_MENU, &myGLCanvas::OnAddMarkers, this, kCmdAddMarkers);
    Bind(wxEVT_MENU, &myGLCanvas::OnAddMarkersAndLink, this, kCmdAddMarkersAndLink);
    Bind(wxEVT_MENU, &myGLCanvas::OnFollow, this, kCmdFollow);
    Bind(wxEVT_MENU, &myGLCanvas::OnFreeze, this, kCmdFreeze);
    Bind(wxEVT_MENU, &myGLCanvas::OnFree, this, kCmdFree);
    for (const wxEventTypeTag<wxMouseEvent>& type :
         {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_DCLICK, wxEVT_MIDDLE_DOWN, wxEVT_MIDDLE_UP,
          wxEVT_MIDDLE_DCLICK, wxEVT_RIGHT_DOWN, wxEVT_RIGHT_UP, wxEVT_RIGHT_DCLICK,
          wxEVT_AUX1_DOWN, wxEVT_AUX1_UP, wxEVT_AUX1_DCLICK, wxEVT_AUX2_DOWN, wxEVT_AUX2_UP,
          wxEVT_AUX2_DCLICK, wxEVT_MOTION, wxEVT_LEAVE_WINDOW, wxEVT_ENTER_WINDOW,
          wxEVT_MOUSEWHEEL, wxEVT_MAGNIFY})
        Bind(type, &myGLCanvas::OnMouse, this);
    Bind(wxEVT_CHAR, &myGLCanvas::OnChar, this);

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
    // The reference position is brought to the current frame by the object's transform, which
    // its render would update only after the camera is placed: one frame late.
    m_object->UpdateTransform();
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

void myGLCanvas::ResetCamera() {
    PlaceViewOnShape();
    my3DCanvas::ResetCamera();
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
    m_mouseMode = ValidMouseMode(mode);
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
    // A recording with nothing measured (every point flagged invalid) has nothing to frame: its
    // box is the origin alone, and a view on that would show a speck of the floor or none of it.
    const ViewPlacement view =
        MotionBoundsMeasured(recordingObject)
            ? PlaceViewOnBounds(bounds, MotionUpAxis(recordingObject), xScreen, m_groundPlane)
            : PlaceViewOnNothing(m_groundPlane);
    m_defaultCentre = view.centre;
    m_defaultEye = view.eye;
    MakeCurrent();
    m_camera.SetCentre(m_defaultCentre);
    m_camera.SetEye(m_defaultEye);
}

void myGLCanvas::PlaceViewOnShape() {
    auto* shape = dynamic_cast<shape3D*>(m_object);
    if (shape == nullptr || ObjectIs("c3d") || !shape->IsLoaded()) return;
    Point3D corners[8];
    if (!shape->GetPlacedBoundsCorners(corners)) return;
    // The directions the kinds have always been seen from: skeletons from the front and a little
    // above, meshes and drawings level from the front.
    const Point3D direction = ObjectIs("bvh") ? Point3D(0, 3, -0.5) : Point3D(0, 3, 0);
    const wxSize size = GetClientSize();
    const double aspect = size.x > 0 && size.y > 0 ? double(size.x) / size.y : 1.0;
    const double lens = camera_default_lens > 0 ? camera_default_lens : 45.0;
    ViewPlacement view;
    if (!FrameObjectView(std::vector<Point3D>(corners, corners + 8), direction, lens, aspect, 0.85, view)) return;
    m_defaultCentre = view.centre;
    m_defaultEye = view.eye;
}

shape3D* myGLCanvas::LoadShape(const wxString& path, bool importFile) {
    m_defaultCentre.Set(0, 0, 0);
    m_defaultEye.Set(0, -3, 0);
    wxBusyCursor busy;
    m_loadFailure.clear();
    m_openFailed = false;
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
    // Nothing is opened that cannot be read: a FIFO or a device would block the program. A file
    // that is missing or cannot be opened is reported as such whatever its name says; an empty
    // one opens but holds no format.
    const std::string bytes = FileNameBytes(path);
    const std::string unreadable = dez::UnreadableReason(bytes);
    if (!unreadable.empty()) {
        m_loadFailure = wxString::FromUTF8(unreadable.c_str());
        m_openFailed = dez::FileSize(bytes) != 0;
        return nullptr;
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
    m_loadFailure = shape->GetLoadError();
    LogErrorFrom("myGLCanvas::LoadShape", wxGetTranslation("Unable to load : ") + path + WithReason(m_loadFailure));
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
            const wxString what = m_openFailed ? wxGetTranslation("Could not open : ")
                                               : wxGetTranslation("Format not supported : ");
            LogErrorFrom("myGLCanvas::LoadShapeAndMotion", what + path + WithReason(m_loadFailure));
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
        // Framed again now that it stands.
        ResetCamera();
        Resize();
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
    // A handle of the old object must not steer a drag of the next one.
    m_activeHandle = -1;
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
    const bool wasPlaying = m_playing || m_timer.IsRunning();
    if (m_timer.IsRunning()) {
        m_timer.Stop();
        if (notify) Notify(kNotifyStop);
    }
    // Whatever stopped the timer, playback is over: Play must start it again, and the main
    // window's controls read this flag.
    m_playing = false;
    // The clock stood somewhere between two frames; stopped, the time is that of the frame on
    // screen, as a step would show it. The frame itself does not change.
    if (wasPlaying && m_object != nullptr && m_object->GetFrameCount() != 0) {
        m_time = FrameTime(m_object->GetCurrentFrame(), m_object->GetFramePeriod());
        if (m_timeText != nullptr) m_timeText->SetValue(GetTimeText());
    }
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
    if (m_object == nullptr || m_object->GetFrameCount() == 0) return;
    // The notifications alone would start nothing: no window has commands with their ids.
    if (m_playing) {
        StopPlayback(true);
    } else {
        Play();
        Notify(kNotifyPlay);
    }
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
        case kCmdFrontView:
            FrontView();
            break;
        case kCmdBackView:
            BackView();
            break;
        case kCmdLeftView:
            LeftView();
            break;
        case kCmdRightView:
            RightView();
            break;
        case kCmdTopView:
            TopView();
            break;
        case kCmdBottomView:
            BottomView();
            break;
        default:
            break;
    }
}

void myGLCanvas::OnMenuCopyImage(wxCommandEvent&) { CopyImage(false, false); }

// ---------------------------------------------------------------------------------------------
// Picking and the popup menu

void myGLCanvas::Pick() {
    m_pickRequest = false;
    if (m_object == nullptr || !MakeCurrent()) return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLuint buffer[kPickBufferSize];
    glSelectBuffer(static_cast<GLsizei>(kPickBufferSize), buffer);
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(0);

    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    // The camera as it is now: it may have moved since the last paint (a wheel turn, a key), and
    // the pick must find what this paint is about to draw.
    m_camera.ApplyView();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPickMatrix(m_pickX, viewport[3] - m_pickY, m_pickSize, m_pickSize, viewport);
    m_camera.ApplyProjection(false);
    m_object->Render(GL_SELECT, m_activeHandle);
    glFlush();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glFlush();

    const GLint hits = glRenderMode(GL_RENDER);
    ProcessHits(hits, buffer, kPickBufferSize);
    Resize();
    glPopAttrib();
    // No repaint of its own: the pick runs inside a paint, which draws right after it.
}

void myGLCanvas::ProcessHits(int hits, const unsigned int* buffer, std::size_t size) {
    if (m_object == nullptr) return;
    const bool statusInUse = m_statusBar != nullptr && m_statusBarInUse;
    m_object->SetHighlighted(false, -1);
    m_activeHandle = -1;
    if (statusInUse) SetStatusField(0, " ");

    PickContext context;
    context.hits = hits;
    context.mode = m_pickMode;
    context.keepSelection = m_keepSelection;
    context.altDown = m_altDown;
    context.controlDown = m_controlDown;
    context.trajectoryMoveEnabled = selected_trajectory_enabled != 0;
    const PickResult result = ProcessPick(context, FindPickHit(hits, buffer, size));

    if (result.clearSelection) m_object->Select(0, -1, false);
    if (result.select) {
        m_object->Select(m_object->GetMaxSelectionOrder() + 1, result.element, result.manipulate);
        if (statusInUse) SetStatusField(0, m_object->GetName(result.element));
    }
    if (result.highlight) {
        m_object->SetHighlighted(true, result.element);
        ShowPickedElement(m_object, result.element);
    }
    m_activeHandle = result.activeHandle;
    if (result.updateOwner) UpdateOwner();
    if (result.clearToolTip) SetToolTip(wxString());
    m_pickMode = kPickNone;
}

void myGLCanvas::ShowPickedElement(object3D* object, int element) {
    if (m_statusBar == nullptr || !m_statusBarInUse || object == nullptr) return;
    const wxString name = object->GetName(element);
    SetStatusField(0, name);
    if (m_elementToolTips)
        SetToolTip(name + wxString::Format(" [%d]", object->GetElementNumber(element)));
}

std::vector<int> myGLCanvas::SelectedMarkers() {
    if (m_object == nullptr || !ObjectIs("c3d")) return {};
    wxArrayInt selection;
    m_object->GetSelection(selection);
    return SelectedMarkerIndices(std::vector<int>(selection.begin(), selection.end()));
}

namespace {

wxString MenuText(const PopupMenuItem& item) {
    wxString text;
    if (!item.text.empty()) text += wxGetTranslation(wxString::FromUTF8(item.text));
    wxString name = wxString::FromUTF8(item.name);
    // An ampersand in a marker name is shown, not taken for a mnemonic.
    name.Replace("&", "&&");
    text += name;
    if (!item.suffix.empty()) text += wxGetTranslation(wxString::FromUTF8(item.suffix));
    return text;
}

}  // namespace

std::unique_ptr<wxMenu> myGLCanvas::CreatePopupMenu() {
    PopupMenuContext context;
    context.hasObject = m_object != nullptr;
    if (m_object != nullptr) {
        context.isRecording = ObjectIs("c3d");
        if (context.isRecording) {
            context.markers = SelectedMarkers();
            if (!context.markers.empty())
                context.firstMarkerName = MotionMarkerName(m_object, context.markers[0]).utf8_string();
            context.referenceMarker = MotionReferenceMarker(m_object);
            if (context.referenceMarker >= 0)
                context.referenceName =
                    MotionMarkerName(m_object, context.referenceMarker).utf8_string();
        }
        float centre[3];
        context.hasCentre = GetCentre(centre);
    }
    auto menu = std::make_unique<wxMenu>();
    for (const PopupMenuItem& item : BuildPopupMenuItems(context)) {
        if (item.IsSeparator())
            menu->AppendSeparator();
        else
            menu->Append(item.id, MenuText(item), wxString());
    }
    return menu;
}

void myGLCanvas::ShowPopupMenu(const wxPoint& point) {
    m_pickRequest = false;
    std::unique_ptr<wxMenu> menu = CreatePopupMenu();
    // Returns when the menu has closed and its command has been handled.
    PopupMenu(menu.get(), point);
}

// ---------------------------------------------------------------------------------------------
// Mouse and keys

namespace {

MouseEventKind Classify(const wxMouseEvent& event) {
    if (event.Dragging()) return MouseEventKind::Drag;
    if (event.RightDown()) return MouseEventKind::RightDown;
    if (event.LeftDown()) return MouseEventKind::LeftDown;
    if (event.MiddleDown()) return MouseEventKind::MiddleDown;
    if (event.Moving()) return MouseEventKind::Hover;
    if (event.LeftDClick()) return MouseEventKind::LeftDoubleClick;
    if (event.GetEventType() == wxEVT_MOUSEWHEEL && event.GetWheelRotation() != 0)
        return MouseEventKind::Wheel;
    return MouseEventKind::Other;
}

}  // namespace

void myGLCanvas::OnMouse(wxMouseEvent& event) {
    const wxPoint at = event.GetPosition();
    m_pickX = at.x;
    m_pickY = at.y;
    m_keepSelection = true;
    m_altDown = event.AltDown();
    m_controlDown = event.ControlDown();
    m_shiftDown = event.ShiftDown();

    const MouseEventKind kind = Classify(event);
    if (kind == MouseEventKind::Drag) {
        OnDrag(event);
    } else {
        const MouseResponse response = RespondToMouse(kind, m_mouseMode, event.ControlDown());
        if (response.setFocus) SetFocus();
        if (response.endDrag) m_dragInProgress = false;
        m_keepSelection = response.keepSelection;
        if (response.showPopup) {
            ShowPopupMenu(at);
            m_pickRequest = false;
        }
        if (response.requestPick) m_pickRequest = true;
        if (response.pickMode >= 0) m_pickMode = response.pickMode;
        if (kind == MouseEventKind::Wheel) {
            const WheelStep step =
                WheelAction(event.GetWheelRotation(), event.GetWheelDelta(), event.ControlDown());
            if (step.dolly) {
                MakeCurrent();
                m_camera.Dolly(step.amount);
            } else if (step.frameStep < 0) {
                PreviousFrame(0);
            } else if (step.frameStep > 0) {
                NextFrame(0);
            }
        }
        if (response.repaint) Refresh(false);
    }
    m_lastMouse[0] = static_cast<float>(at.x);
    m_lastMouse[1] = static_cast<float>(at.y);
}

void myGLCanvas::OnDrag(wxMouseEvent& event) {
    m_pickMode = kPickDrag;
    DragInput input;
    input.mouseMode = m_mouseMode;
    input.left = event.LeftIsDown();
    input.middle = event.MiddleIsDown();
    input.right = event.RightIsDown();
    input.altDown = event.AltDown();
    input.dx = event.GetX() - m_lastMouse[0];
    input.dy = event.GetY() - m_lastMouse[1];
    input.lens = m_camera.GetLens();
    input.panScale = m_panScale;
    // A handle left by a pick on an object that has gone since moves nothing.
    input.activeHandle = m_object != nullptr ? m_activeHandle : -1;
    float centre[3] = {0, 0, 0};
    if (ChooseDragAction(input.mouseMode, input.left, input.middle, input.right,
                         input.activeHandle) == DragAction::Orbit)
        input.hasCentre = GetCentre(centre);
    const DragStep step = ComputeDragStep(input);

    MakeCurrent();
    switch (step.op) {
        case DragOp::MoveSelection:
            // One saved state per drag: only its first event saves.
            if (!m_dragInProgress) PushUndo(wxGetTranslation("Move object"));
            m_object->MoveSelection(step.a, step.b, input.activeHandle);
            Notify(kNotifySelectionMoved);
            break;
        case DragOp::Pan:
            m_camera.Pan(step.a, step.b);
            break;
        case DragOp::Dolly:
            // The camera refuses a step onto or past its centre.
            m_camera.Dolly(step.a);
            break;
        case DragOp::OrbitAround: {
            double eye[3], target[3];
            m_camera.GetEye(&eye[0], &eye[1], &eye[2]);
            m_camera.OrbitAround(step.a, step.b, centre[0], centre[1], centre[2]);
            // Turning about a pivot other than the camera's centre could bring the eye onto it.
            double moved[3];
            m_camera.GetEye(&moved[0], &moved[1], &moved[2]);
            m_camera.GetCentre(&target[0], &target[1], &target[2]);
            if (moved[0] == target[0] && moved[1] == target[1] && moved[2] == target[2])
                m_camera.SetEye(eye[0], eye[1], eye[2]);
            break;
        }
        case DragOp::Rotate:
            m_camera.Rotate(step.a, step.b);
            break;
        case DragOp::ZoomIn:
            m_camera.ZoomIn();
            break;
        case DragOp::ZoomOut:
            m_camera.ZoomOut();
            break;
        case DragOp::MoveEyeAlongSight: {
            double eye[3], target[3];
            m_camera.GetEye(&eye[0], &eye[1], &eye[2]);
            m_camera.GetCentre(&target[0], &target[1], &target[2]);
            if (MoveEyeAlongSight(target, eye, step.a)) m_camera.SetEye(eye[0], eye[1], eye[2]);
            break;
        }
        case DragOp::None:
            break;
    }
    m_pickMode = step.pickMode;
    Refresh(false);
    m_dragInProgress = true;
}

void myGLCanvas::OnChar(wxKeyEvent& event) {
    const KeyAction action = LookUpKey(event.GetKeyCode(), event.ControlDown());
    if (action.command == KeyCommand::None) {
        event.Skip();
        return;
    }
    MakeCurrent();
    switch (action.command) {
        case KeyCommand::NextMouseMode:
            SetMouseMode(NextMouseMode(m_mouseMode));
            break;
        case KeyCommand::ClearSelection:
            if (m_object != nullptr) m_object->Select(0, -1, false);
            break;
        case KeyCommand::TogglePlay:
            TogglePlay();
            break;
        case KeyCommand::ZoomIn:
            m_camera.ZoomIn();
            break;
        case KeyCommand::ZoomOut:
            m_camera.ZoomOut();
            break;
        case KeyCommand::ToggleCull:
            Cull() = !Cull();
            ApplyRenderState();
            break;
        case KeyCommand::ResetView:
            ResetView();
            break;
        case KeyCommand::ToggleSmooth:
            Smooth() = !Smooth();
            ApplyPolygonMode();
            break;
        case KeyCommand::ToggleWire:
            SetWire(!Wire());
            break;
        case KeyCommand::RotateView:
            m_camera.RotateAxis(action.axis, action.amount);
            break;
        case KeyCommand::LastFrame:
            LastFrame();
            break;
        case KeyCommand::FirstFrame:
            FirstFrame();
            break;
        case KeyCommand::PreviousEvent:
            PreviousEvent();
            break;
        case KeyCommand::PreviousFrame:
            PreviousFrame(0);
            break;
        case KeyCommand::NextEvent:
            NextEvent();
            break;
        case KeyCommand::NextFrame:
            NextFrame(0);
            break;
        case KeyCommand::Dolly:
            m_camera.Dolly(action.amount);
            break;
        case KeyCommand::RotateObject:
            if (m_object != nullptr) m_object->Rotate(action.axis, action.amount);
            break;
        case KeyCommand::None:
            break;
    }
    if (action.update) {
        UpdateOwner();
        Refresh(false);
    }
}

// ---------------------------------------------------------------------------------------------
// Commands of the popup menu

void myGLCanvas::OnCentreView(wxCommandEvent&) {
    float centre[3];
    if (m_object != nullptr && GetCentre(centre)) {
        m_defaultCentre.Set(centre[0], centre[1], centre[2]);
        MakeCurrent();
        m_camera.SetCentre(m_defaultCentre);
    }
    Refresh(true);
}

void myGLCanvas::SetVerticalAxis(int axis) {
    if (m_object == nullptr) return;
    m_verticalAxis = axis;
    m_pickRequest = false;
    // The angles replace the earlier ones: the commands never add up.
    const double quarter = kPi / 2;
    m_object->SetOrientationAngles(axis == 1 ? quarter : 0, axis == 2 ? quarter : 0,
                                   axis == 3 ? quarter : 0);
    Refresh(true);
}

void myGLCanvas::OnVerticalAxisX(wxCommandEvent&) { SetVerticalAxis(1); }

void myGLCanvas::OnVerticalAxisY(wxCommandEvent&) { SetVerticalAxis(2); }

void myGLCanvas::OnVerticalAxisZ(wxCommandEvent&) { SetVerticalAxis(3); }

void myGLCanvas::OnResetVerticalAxis(wxCommandEvent&) { SetVerticalAxis(0); }

void myGLCanvas::AddSelectionToDisplayList(bool asOneLink) {
    if (m_object != nullptr) {
        const std::vector<int> markers = SelectedMarkers();
        // A link needs two ends.
        const std::size_t needed = asOneLink ? 2 : 1;
        if (markers.size() >= needed) {
            PushUndo(wxGetTranslation(asOneLink ? "View link" : "View marker"));
            MotionAddToDisplayList(m_object, markers, asOneLink);
            Notify(kNotifyDisplayList);
        }
    }
    Refresh(true);
}

void myGLCanvas::OnAddMarkers(wxCommandEvent&) { AddSelectionToDisplayList(false); }

void myGLCanvas::OnAddMarkersAndLink(wxCommandEvent&) { AddSelectionToDisplayList(true); }

void myGLCanvas::SetReferenceToSelection(bool relative) {
    const std::vector<int> markers = SelectedMarkers();
    if (markers.empty()) return;
    MotionSetReferenceMarker(m_object, markers.front(), relative);
    Refresh(false);
}

void myGLCanvas::OnFollow(wxCommandEvent&) { SetReferenceToSelection(false); }

void myGLCanvas::OnFreeze(wxCommandEvent&) { SetReferenceToSelection(true); }

void myGLCanvas::OnFree(wxCommandEvent&) {
    if (m_object == nullptr || !ObjectIs("c3d")) return;
    MotionSetReferenceMarker(m_object, -1, false);
    Refresh(false);
}

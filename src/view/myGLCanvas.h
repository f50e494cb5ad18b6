#pragma once
// The 3-D view of the main window: the base canvas plus one scene object at a time. It opens
// files through the shape factory (by extension), places the view on a recording, draws the
// object inside the base canvas's render pass with the decor shifted and turned with it, and
// plays the object back in real time with a timer, frame and event steps, a play range and a
// time display (frame slider and time text of the main window). The mouse orbits, pans, zooms
// and dollies the camera (or drags the selection's manipulator) by the five mouse modes; clicks
// and hovering pick elements of the object at the next paint; the keys and the popup menu run the
// view commands and follow, freeze or add the selected markers.
//
// The main window wires itself in after construction (owner frame, time text, frame slider,
// status bar), then drives the canvas through the operations below. The canvas reports back by
// command ids sent through the owner frame's command processing and by calling the frame's
// Update, which the main window overrides to refresh its animation controls.
#include <cstddef>
#include <memory>
#include <vector>

#include <wx/arrstr.h>
#include <wx/glcanvas.h>
#include <wx/string.h>
#include <wx/timer.h>

#include "view/PlaybackClock.h"
#include "view/my3DCanvas.h"

class object3D;
class shape3D;
class wxFrame;
class wxKeyEvent;
class wxMenu;
class wxMouseEvent;
class wxSlider;
class wxStatusBar;
class wxTextCtrl;
class wxToggleButton;

// Whether the mouse-mode buttons were last shown; a new canvas starts that way.
extern unsigned char show_mode_buttons;

class myGLCanvas : public my3DCanvas {
public:
    // Command ids of the canvas: the playback timer, and the notifications sent to the owner
    // frame.
    enum {
        kTimerId = 11010,
        kNotifyPlay = 6851,
        kNotifyStop = 6854,
        kNotifyTime1 = 6880,
        kNotifyTime2 = 6879,
        kNotifyTime3 = 7014,
        kNotifyRange = 6886,
        kNotifySelectionMoved = 6887,
        kNotifyDisplayList = 6895,
        kModeButtonFirstId = 6000,
    };

    myGLCanvas(wxWindow* parent, wxWindowID id = wxID_ANY,
               const wxPoint& position = wxDefaultPosition, const wxSize& size = wxDefaultSize,
               long style = 0, const wxString& name = "myGLCanvas",
               const wxGLContextAttrs* contextAttributes = nullptr);
    ~myGLCanvas() override;

    // A followed reference marker stays at the centre of the view.
    void PreRender(bool flag) override;
    void DrawScene() override;
    // Gizmo, ground plane (shifted with a frozen reference marker) and axes turned with the
    // object.
    void DrawDecor() override;
    // The selection centre of a recording; false for anything else.
    bool GetCentre(float out[3]) override;
    void SaveConfig(wxConfigBase* config) override;
    void LoadConfig(wxConfigBase* config) override;
    // Stops playback, resets render flags and camera; GL is initialised again at the next paint.
    void ResetView() override;
    // A mesh, drawing or skeleton is framed whole from its bounds first (the view direction of
    // its kind kept); a recording keeps the view its load placed.
    void ResetCamera() override;
    void SetWire(bool wire) override;
    // The pick pass of a pending pick request: the object rendered in GL_SELECT mode over a small
    // square around the cursor, the hits turned into selection, highlight, active handle and the
    // status text. Runs in the paint, with the context current.
    void Pick() override;
    // The context menu at a point of the window; its commands come back to the canvas.
    void ShowPopupMenu(const wxPoint& point) override;

    // Play range: the object's first or last frame, then the view shows it (playback stops).
    virtual void SetFirstFrame(int frame);
    virtual void SetLastFrame(int frame);
    // These forward to the current object; 0, false or "" without one.
    virtual int GetFirstFrame();
    virtual int GetLastFrame();
    virtual int GetFrameCount();
    virtual bool IsModified();
    virtual bool Save();
    // Only positive speeds are taken; a running timer keeps its interval until the next start.
    virtual void SetSpeed(double speed);
    virtual double GetSpeed();
    virtual bool PushUndo(const wxString& description);
    // Restores the newest saved state, with its play range and frame.
    virtual bool Undo();
    virtual int GetUndoCount();
    virtual void ClearUndo();
    virtual wxString GetUndoDescription();
    virtual void SetModified(bool modified);
    virtual void SetSliderTracking(bool tracking);
    virtual bool GetSliderTracking();
    virtual bool IsShapeModified();
    virtual double GetRangeStart();
    virtual double GetRangeEnd();
    virtual double GetRangeLength();
    // 0 default, 1 translate, 2 rotate, 3 zoom, 4 move; anything else is 0.
    virtual void SetMouseMode(int mode);
    virtual int GetMouseMode();
    virtual bool GetShowButtons();
    virtual void SetShowButtons(bool show);

    // Clears the scene and opens a file as the new object; false (empty scene) when no class
    // opens it or its load fails. importFile asks the object to import the file instead.
    bool LoadShapeAndMotion(const wxString& path, bool importFile);
    // The factory: a new, loaded object for the file (the caller owns it), or null.
    shape3D* LoadShape(const wxString& path, bool importFile);
    void ClearScene();
    bool HasMotion();
    // File name and information text of the object into the status bar, then the time display.
    void UpdateStatusBar();
    void SetFrameSlider(wxSlider* slider);

    void Play();
    void PlayBackward();
    // Stops the timer without notifying the owner frame.
    void Stop();
    // Space: stops playback when playing, else plays forward (with a motion); the owner frame
    // is told and updated.
    void TogglePlay();
    void StartTimer();
    // Moves to a time (seconds); with stop, playback stops first. The object snaps it to a frame;
    // the canvas keeps the time unrounded.
    void SetTime(double time, bool stop);
    // Frames outside the object's first .. last frame are ignored.
    void GoToFrame(int frame, bool stop);
    void FirstFrame();
    void LastFrame();
    // A step of `step` seconds times the speed, or one frame for 0 or less, wrapping in the range.
    void NextFrame(double step = 0);
    void PreviousFrame(double step = 0);
    void NextEvent();
    void PreviousEvent();
    // Frames of the recording's events, sorted; empty for anything but a recording.
    void GetEventFrames(wxArrayInt& frames);
    // The frame nearest the current time; 0 without a motion.
    int GetCurrentFrame();
    void UpdateTimeDisplay();
    // "1.500 (s)  [151] LHS": time, frame from 1 and the event on the frame, if any.
    wxString GetTimeText();

    // Wiring by the main window.
    void SetOwnerFrame(wxFrame* frame) { m_ownerFrame = frame; }
    void SetTimeText(wxTextCtrl* text) { m_timeText = text; }
    void SetStatusBar(wxStatusBar* statusBar) { m_statusBar = statusBar; }
    void SetStatusBarInUse(bool inUse) { m_statusBarInUse = inUse; }
    object3D* GetObject() const { return m_object; }
    bool IsPlaying() const { return m_playing; }
    bool IsReverse() const { return m_clock.IsReverse(); }
    bool IsTimerRunning() const { return m_timer.IsRunning(); }
    // The timer interval of the running playback, in seconds.
    double GetTimerInterval() const { return m_clock.GetInterval(); }
    double GetTime() const { return m_time; }
    bool GetElementToolTips() const { return m_elementToolTips; }
    // -1, or the manipulator handle a click took: 0 to 2 the arrows, 3 to 5 the rings.
    int GetActiveHandle() const { return m_activeHandle; }

protected:
    // Stops a running timer (telling the owner frame when `notify`); playback is over either way.
    void StopPlayback(bool notify);
    // Sends a command id through the owner frame's command processing.
    void Notify(int id);
    // The owner frame's Update (the main window refreshes its animation controls there).
    void UpdateOwner();
    void SetStatusField(int field, const wxString& text);
    // The object's first and last frame in seconds.
    void UpdateRange();
    // Whether the current object is a recording or a skeleton, by its type name.
    bool ObjectIs(const char* typeName);
    // Default centre and eye (and the camera) on a recording's bounds.
    void PlaceViewOnRecording(object3D* recording);
    // Default centre and eye that show the current shape whole, when it has bounds.
    void PlaceViewOnShape();

    // The hit records of a pick pass (`size` words): selection, highlight, active handle, status
    // text and tool tip by the pick mode; the pick mode is over afterwards.
    void ProcessHits(int hits, const unsigned int* buffer, std::size_t size);
    // The name of a hovered element in the status bar and, with element tool tips, as tool tip
    // followed by its number.
    void ShowPickedElement(object3D* object, int element);
    // The popup menu for the current object and selection.
    std::unique_ptr<wxMenu> CreatePopupMenu();

    bool m_elementToolTips = true;
    bool m_statusBarInUse = false;
    bool m_sliderTracking = false;
    object3D* m_object = nullptr;
    // Why the last LoadShape failed (the system's or the reader's words), "" when unknown.
    wxString m_loadFailure;
    // The last LoadShape failed because the file could not be opened (missing, a folder, no
    // permission, not a regular file), not because of what it holds.
    bool m_openFailed = false;
    float m_pickSize = 10;
    bool m_playing = false;
    wxTimer m_timer;
    double m_time = 0;
    double m_rangeStart = 0;
    double m_rangeEnd = 0;
    wxFrame* m_ownerFrame = nullptr;
    bool m_saveConfig = false;
    wxStatusBar* m_statusBar = nullptr;
    wxTextCtrl* m_timeText = nullptr;
    wxSlider* m_frameSlider = nullptr;
    int m_activeHandle = -1;
    int m_mouseMode = 0;
    int m_sliderFrame = -1;
    // Speed, direction, interval and the tick clock of playback.
    PlaybackClock m_clock;
    wxToggleButton* m_modeButtons[5] = {};
    bool m_buttonsShown = false;

private:
    void OnTimer(wxTimerEvent& event);
    void OnSize(wxSizeEvent& event);
    void OnModeButton(wxCommandEvent& event);
    void OnMenuResetView(wxCommandEvent& event);
    void OnMenuView(wxCommandEvent& event);
    void OnMenuCopyImage(wxCommandEvent& event);
    void OnMouse(wxMouseEvent& event);
    // A motion event with a button down.
    void OnDrag(wxMouseEvent& event);
    void OnChar(wxKeyEvent& event);
    void OnCentreView(wxCommandEvent& event);
    void OnVerticalAxisX(wxCommandEvent& event);
    void OnVerticalAxisY(wxCommandEvent& event);
    void OnVerticalAxisZ(wxCommandEvent& event);
    void OnResetVerticalAxis(wxCommandEvent& event);
    void OnAddMarkers(wxCommandEvent& event);
    void OnAddMarkersAndLink(wxCommandEvent& event);
    void OnFollow(wxCommandEvent& event);
    void OnFreeze(wxCommandEvent& event);
    void OnFree(wxCommandEvent& event);
    // The object turned so that axis 1, 2 or 3 is vertical (0 restores it).
    void SetVerticalAxis(int axis);
    // "View marker" or "View link": the selected markers into the drawn links.
    void AddSelectionToDisplayList(bool asOneLink);
    // Follow (relative false) or freeze on the first selected marker.
    void SetReferenceToSelection(bool relative);
    // The marker indices of the current recording's selection.
    std::vector<int> SelectedMarkers();

    wxDECLARE_CLASS(myGLCanvas);
};

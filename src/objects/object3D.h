#pragma once
// The interface of everything drawn in the 3-D view. object3D holds the placement (position, a
// free rotation, an offset and an orientation), colour and size, a built-in primitive body, the
// time range of a motion with its current frame, selection, highlight and manipulator state, a
// name, an id (its GL pick name is id + 1) and the stack of saved states for undo. Views drive
// scene objects only through these virtual operations.
//
// Drawing operations need the canvas's GL context current. GL render modes are passed as the
// GLenum values (GL_RENDER, GL_SELECT) in an int.
#include <wx/arrstr.h>
#include <wx/dynarray.h>
#include <wx/string.h>

#include "objects/ArrayOfUndoRef.h"
#include "motion/geometry.h"

class object3D {
public:
    object3D();
    virtual ~object3D();
    object3D(const object3D&) = delete;
    object3D& operator=(const object3D&) = delete;

    // Position 0, free rotation identity, default colour and size, no label; orientation and
    // offset stay.
    virtual void Reset();
    virtual wxString GetName(int index);
    virtual void SetName(const wxString& name);
    virtual int GetId();
    // The id must be set after loading: loading clears it.
    virtual void SetId(int id);
    // Draws (GL_RENDER) or names (GL_SELECT) the object; see DrawManipulator for activeHandle.
    virtual void Render(int mode, int activeHandle);
    virtual void DrawBoundingBox(bool dashed);
    // The manipulator gizmo sized to the largest extent; activeHandle (0-5) is drawn yellow.
    virtual void DrawManipulator(int mode, int activeHandle);
    virtual wxString GetTypeName();
    virtual Quaternion* GetWorldOrientation();
    virtual Point3D* GetWorldPosition();
    // Turns the free rotation about axis 0, 1 or 2 (radians); other axes only update.
    virtual void Rotate(int axis, double angle);
    virtual void Translate(double dx, double dy, double dz);
    virtual void SetOffset(double x, double y, double z);
    virtual void SetOrientationAngles(double a, double b, double c);
    virtual Matrix4x4* GetOrientationMatrix();
    virtual void UpdateTransform();
    // 0 for a static object.
    virtual int GetFrameCount();
    virtual double GetDuration();
    virtual double GetFramePeriod();
    virtual bool AlwaysFalse();
    virtual double GetFrameRate();
    // Moves to the frame nearest t, wrapping past either end of the play range; t receives the
    // frame's time. Always true.
    virtual bool SetTime(double& t);
    // Returns the start time.
    virtual double SetFirstFrame(int n);
    // Returns the end time.
    virtual double SetLastFrame(int n);
    virtual int GetFirstFrame();
    virtual int GetLastFrame();
    virtual int GetCurrentFrame();
    virtual int GetSelectionOrder(int index);
    virtual int IsHighlighted(int index);
    virtual void Select(int order, int index, bool manipulate);
    virtual void SetHighlighted(bool value, int index);
    virtual int CountSelected();
    virtual void GetSelection(wxArrayInt& out);
    virtual int GetMaxSelectionOrder();
    // The body of the primitive type.
    virtual void Draw();
    virtual bool IsVisible();
    virtual void SetVisible(bool visible);
    virtual bool IsModified();
    virtual void SetModified(bool modified);
    virtual int GetElementNumber(int id);
    virtual void Normalise();
    virtual void SetColour(const float rgba[4]);
    virtual float* GetColour();
    virtual bool GetUseColour();
    virtual void SetUseColour(bool useColour);
    virtual bool IsWireframe();
    virtual void SetWireframe(bool wireframe);
    virtual bool IsManipulatorActive();
    virtual void SetManipulatorActive(bool active);
    virtual void MoveSelection(double dx, double dy, int axis);
    virtual void NoOperation();
    // Write or read the whole state of the object to or from a file; the base has none (false).
    virtual bool LoadState(const wxString& path);
    virtual bool SaveState(const wxString& path);
    // Saves the state into a new temporary file and pushes its record; false (nothing pushed,
    // no file left) when the state could not be saved.
    virtual bool PushUndo(const wxString& description);
    // Restores the newest state and drops it (its file is deleted either way); false when
    // nothing was restored.
    virtual bool Undo();
    virtual int GetUndoCount();
    // Deletes every saved state and its file.
    virtual void ClearUndo();
    virtual wxString GetUndoDescription();
    virtual void Clear();
    virtual void ComputeTransform();
    // The name at (x, y, z) in the label font; nothing without one or without a name.
    virtual void DrawLabel(double x, double y, double z);
    virtual void EnableLighting(bool on);

protected:
    wxString m_name;
    Point3D m_position;
    Matrix4x4 m_freeRotation;
    Point3D m_offset;
    Matrix4x4 m_orientation;
    Point3D m_worldPosition;
    Quaternion m_worldOrientation;
    float m_colour[4] = {0.7f, 0.7f, 0.7f, 1.0f};
    int m_id = 0;
    // 0 none, 1 cube, 2 box, 3 sphere, 4 cylinder, 5 cone, 6 ellipsoid, 7 torus, 8 pyramid
    // glyph, 9 teapot; 10 file shapes and 11 motion shapes draw their own bodies.
    int m_primitiveType = 0;
    bool m_rotationRingsAllowed = true;
    float m_size[3] = {1, 1, 1};
    bool m_showLabel = false;
    unsigned int m_texture = 0;
    bool m_wireframe = false;
    unsigned char m_selected = 0;
    unsigned char m_highlighted = 0;
    bool m_visible = true;
    bool m_manipulatorActive = false;
    double m_currentTime = 0;
    int m_currentFrame = 0;
    int m_firstFrame = 0;
    int m_lastFrame = 0;
    double m_duration = 0;
    double m_endTime = 0;
    double m_startTime = 0;
    double m_framePeriod = 0;
    int m_frameCount = 0;
    double m_frameRate = 1.0;
    bool m_useColour = true;
    bool m_modified = false;
    ArrayOfUndoRef m_undo;
};

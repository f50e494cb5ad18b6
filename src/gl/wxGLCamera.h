#pragma once
// The viewing camera of the 3-D view: eye, centre and up vector, perspective or orthographic
// projection with a lens angle, and the orbit, pan, dolly, zoom, preset and step operations the
// mouse, keys and menus apply. The scene's vertical axis is +Z.
//
// The GL operations (projection, view, viewport, unprojection) act on the current context and do
// nothing when no context is current, so the camera's arithmetic works without a window.
// Zoom, step and pan steps are tuned by the settings values of AppSettings.h, read at each call.
#include <iosfwd>

#include <wx/string.h>

#include "motion/geometry.h"

class wxConfigBase;
class wxDataInputStream;
class wxDataOutputStream;
class wxTextInputStream;
class wxTextOutputStream;

class wxGLCamera {
public:
    wxGLCamera();
    virtual ~wxGLCamera();

    // direction = centre - eye, step length = 1, previous eye = eye, then the projection.
    void Update();

    virtual void SetCentre(double x, double y, double z);
    virtual void GetCentre(float* x, float* y, float* z) const;
    virtual void GetCentre(double* x, double* y, double* z) const;
    // Sets the centre and the direction only (no projection).
    virtual void SetCentre(const Point3D& centre);
    virtual void SetEye(double x, double y, double z);
    virtual void GetEye(float* x, float* y, float* z) const;
    virtual void GetEye(double* x, double* y, double* z) const;
    virtual void SetEye(const Point3D& eye);

    // Viewport of the window size; a height <= 0 keeps the aspect, a width <= 0 the pan scale.
    virtual void Resize(int width, int height);
    // Loads the projection (onto the identity, or onto the current matrix when picking).
    virtual void ApplyProjection(bool loadIdentity);
    virtual void SetPerspective(bool perspective);
    virtual bool IsPerspective() const;
    virtual void SetOrbital(bool orbital);
    virtual bool IsOrbital() const;
    // Loads the model-view matrix of the look-at (times the scene rotation when not orbital).
    virtual void ApplyView();
    virtual void SetClipping(double cmin, double cmax, double znear, double zfar);
    // Widens the clipping values to take in [low, high].
    virtual void GrowClipping(double low, double high);

    // Moves the eye around a pivot by azimuth and polar steps (radians); the centre stays.
    virtual void OrbitAround(double azimuthStep, double polarStep, double px, double py,
                             double pz);
    virtual void Orbit(double azimuthStep, double polarStep);
    virtual void Rotate(double a, double b);
    virtual void RotateAxis(int axis, double angle);
    virtual void ResetOrientation();
    virtual void ResetLens();
    virtual void ZoomOut();
    virtual void ZoomIn();
    virtual double GetLens() const;
    // Values <= 0 are ignored.
    virtual void SetLens(double lens);

    virtual void ViewTop();
    virtual void ViewLeft();
    virtual void ViewRight();
    virtual void ViewFront();
    virtual void ViewBack();
    virtual void ViewBottom();

    // Fixed steps of (cmax - cmin) / camera_move along an axis; the centre follows the eye
    // when asked (always for StepZPlus).
    virtual void StepXMinus(bool moveCentre);
    virtual void StepXPlus(bool moveCentre);
    virtual void StepZPlus();
    virtual void StepZMinus(bool moveCentre);
    virtual void StepYPlus(bool moveCentre);
    virtual void StepYMinus(bool moveCentre);

    // Moves the eye t times the way to the centre (negative t backs away). A t of 1 or more,
    // which would put the eye on or past the centre, is ignored.
    virtual void Dolly(double t);
    virtual void MoveEye(const Point3D& v);
    virtual void MoveEye(double dx, double dy, double dz);
    // Places the eye; with `aim`, the camera then looks along the way it moved.
    virtual void MoveEyeTo(double x, double y, double z, bool aim);
    // Moves the eye by `length` along v (normalised in place and returned to the caller).
    virtual void StepEye(Point3D& v, double length);
    // Centre on a target; `storeOffset` keeps the eye and stores eye - centre, otherwise the eye
    // is put at centre + the stored offset.
    virtual void FollowTarget(double x, double y, double z, bool storeOffset);
    virtual void Pan(double dx, double dy);
    // Sets the centre and applies the projection, keeping the previous eye and step length.
    virtual void PlaceCentre(double x, double y, double z);
    virtual void MoveCentre(double dx, double dy, double dz);

    // Six lines of tab-separated values (eye; centre; perspective, lens; cmin, cmax, znear,
    // zfar; orbital; show camera, show field), numbers in the stream's format but always with
    // a decimal point.
    virtual std::ostream& WriteStream(std::ostream& out) const;
    virtual void WriteTextStream(wxTextOutputStream& out) const;
    // Reads that text form back; when a value is missing or not a number the camera is left
    // unchanged (and the std::istream is left failed).
    virtual void ReadStream(std::istream& in);
    virtual void ReadTextStream(wxTextInputStream& in);
    // Binary form through the toolkit's data streams; false (camera unchanged when reading) for a
    // null or failed stream.
    virtual bool WriteDataStream(wxDataOutputStream* out) const;
    virtual bool ReadDataStream(wxDataInputStream* in);
    // Keys under basePath + "/Camera"; a null configuration writes nothing / only updates.
    virtual void SaveConfig(wxConfigBase* config, const wxString& basePath) const;
    virtual void LoadConfig(wxConfigBase* config, const wxString& basePath);

    virtual double GetNegatedFar() const;
    virtual int GetMode() const;
    virtual void SetMode(int mode);
    virtual void Reset();
    // Five VRML97 Viewpoint nodes (the scene's Z-up frame written Y-up); nothing on a failed
    // stream.
    virtual void WriteVRMLViewpoints(std::ostream& out) const;
    // "E : x  y  z - C : x  y  z  L : distance", three decimals.
    virtual wxString Description() const;
    // Scene point at a window position (y from the top edge) at a depth near the front plane;
    // GL_TRUE on success, GL_FALSE (outputs untouched) on failure or without a current context.
    virtual int UnProject(int windowX, int windowY, double* x, double* y, double* z) const;
    // Scene x and y (truncated) of a GL window position (y from the bottom); untouched on
    // failure.
    virtual void UnProjectToInt(double windowX, double windowY, int* x, int* y) const;

    // Read-only views of the state, for the owner's displays and for tests.
    void GetClipping(double* cmin, double* cmax, double* znear, double* zfar) const;
    double GetClipRange() const { return crange_; }
    double GetAspect() const { return aspect_; }
    double GetPanScale() const { return panScale_; }
    const Point3D& GetUp() const { return up_; }
    const Matrix4x4& GetRotation() const { return rotation_; }
    const Point3D& GetFollowOffset() const { return followOffset_; }
    double GetStepLength() const { return stepLength_; }
    bool GetShowCamera() const { return showCamera_; }
    bool GetShowField() const { return showField_; }
    void SetShowFlags(bool showCamera, bool showField);

private:
    void PlaceEyeForPreset(double dx, double dy, double dz, int turnAxis, double turnAngle);
    void Step(int axis, double sign, bool moveCentre);
    // The values the text, data-stream and configuration forms carry.
    struct Record;
    Record Save() const;
    void Restore(const Record& r);

    Point3D eye_;
    Point3D centre_;
    Point3D direction_;
    Point3D up_;
    Point3D previousEye_;
    Point3D followOffset_;
    double lens_ = 0;
    bool orbital_ = true;
    bool perspective_ = true;
    double znear_ = 0;
    double zfar_ = 0;
    double cmin_ = 0;
    double cmax_ = 0;
    double crange_ = 0;
    double aspect_ = 1;
    double stepLength_ = 1;
    double panScale_ = 1;
    Matrix4x4 rotation_;
    bool showCamera_ = false;
    bool showField_ = false;
    int mode_ = 0;
};

// The rotation (axis, returned angle in radians) that turns a camera looking down -Z with +Y up
// so that it looks from eye to centre with the given up vector.
double LookAtToAxisAngle(const double eye[3], const double centre[3], const double up[3],
                         double axis[3]);

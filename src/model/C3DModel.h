#pragma once
// The body model of one recording, as the motion scene object sees it: build, draw, pick and
// select its items (segments, the whole-body centre of mass, joints), drag them, undo.
//
// This is the stand-in until the model itself is built: BuildModel always answers "no model", so
// a model never holds a segment or a joint and every item query answers "no such item".
#include <vector>

#include <wx/dynarray.h>
#include <wx/string.h>

class TDataFile;
struct BodySegment;

// Model item ids handed to the canvas start here (ids below are markers).
constexpr int kModelItemBase = 100000;
constexpr int kMaxModelSegments = 256;

class C3DModel {
public:
    C3DModel();
    virtual ~C3DModel();
    C3DModel(const C3DModel&) = delete;
    C3DModel& operator=(const C3DModel&) = delete;

    // With defaults, also drops the display objects and returns every setting to its default.
    virtual void Reset(bool defaults);

    // Saved states of the model, kept beside those of the scene object.
    void ClearUndo();
    bool PushUndo(const wxString& description, TDataFile* recording);
    bool Undo(TDataFile* recording);
    int GetUndoCount() const;

    // Builds the model for the recording from `path`, or from the model files the recording names
    // when `path` is empty. False when no model could be built or it has no segment.
    bool BuildModel(TDataFile* recording, const wxString& path, bool showWarnings);

    // Drawing at a frame; in GL_SELECT mode items are named id + kModelItemBase. `reference` is
    // subtracted when `relative` is set.
    void Draw(int frame, int mode, int activeHandle, const double reference[3], bool relative);
    void DrawTrajectories(int firstFrame, int lastFrame, const double reference[3], bool relative);

    // Items: 0 .. SegmentCount - 1 segments, SegmentCount the centre of mass, then the joints.
    // Ids of kModelItemBase and more are reduced by it first.
    bool GetItemPosition(int id, float out[3]);
    void OffsetSelectedObjects(double dx, double dy, int axis);
    // 1-based number of the item within its table; -1 out of range.
    int MapItemIndex(int id);
    void SelectItem(int id, int order, bool manipulate);
    void ClearSelection();
    int CountSelectedSegments();
    int CountSelectedJoints();
    int CountSelected();
    // Appends the selected item indices in selection order.
    void GetSelection(wxArrayInt& list);
    bool GetSelectionCentroid(float out[3]);
    wxString GetItemName(int index);
    wxString GetItemNameById(int id);
    wxString GetJointName(int index);
    void SetWireframe(bool wireframe);
    wxString GetModelFileName() const { return modelFileName; }

    // Fields the scene object reads or writes directly.
    BodySegment* Segments[kMaxModelSegments] = {};
    int SegmentCount = 0;
    int JointCount = 0;
    unsigned char comComputed = 0;  // the whole-body centre of mass was computed
    unsigned char comSelected = 0;  // its selection order
    wxString modelFileName;
    double Divide = 1000.0;         // recording units per metre
    bool showSegments = true;
    bool showJoints = true;
    bool wireframe = false;

private:
    // Descriptions of the saved states; the stand-in has no state to write.
    std::vector<wxString> undo_;
};

#pragma once
// The scene object of one motion recording: markers drawn as spheres with names, numbers and
// trajectories, the stick-figure links, force platforms with their force vectors and histories,
// events, selection, a reference marker the view can follow, the display-settings file beside
// the recording (.dlp), saved states for undo, the optional body model with its tree listing, and
// the VRML97 export of the whole scene.
//
// Numbering: a marker index is 0-based; a marker number is index + 1 and is the GL pick name of
// the marker when the object's id is 0; model items are named kModelItemBase + item index.
// Scene coordinates are the recording's values divided by the divisor (recording units per
// scene unit). Drawing needs the canvas's GL context current; nothing else does.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <wx/arrstr.h>
#include <wx/dynarray.h>
#include <wx/string.h>

#include "gl/GLThinnedPath.h"
#include "gl/GLUnitSphere.h"
#include "scene/MarkerDisplay.h"
#include "scene/PlateDisplay.h"
#include "objects/shape3D.h"

class C3DModel;
class ModelObject;
class TDataFile;
class wxConfigBase;
class wxDataViewTreeCtrl;
class wxGauge;
class wxStructure;
struct BodySegment;
struct GLBitmapFont;

class shapeC3D : public shape3D {
public:
    shapeC3D();
    ~shapeC3D() override;

    // ---- scene-object interface ----
    wxString GetTypeName() override;  // "c3d"
    // Centre of the markers drawn by the last render.
    Point3D* GetWorldPosition() override;
    // Object transform, reference position and marker positions of the current frame.
    void UpdateTransform() override;
    void Clear() override;
    // Loads a recording of any motion format; false (and empty) when it has no points.
    bool Load(const wxString& path) override;
    // Reads an analog-only file as a recording with one point of its own.
    bool Import(const wxString& path) override;
    // Writes the display settings and the recording to their own files.
    bool Save() override;
    // Writes the recording as C3D to `path` and adopts that path.
    bool SaveAs(const wxString& path) override;
    void SetFileName(const wxString& path) override;
    double SetFirstFrame(int n) override;
    double SetLastFrame(int n) override;
    // Saved states are C3D files of the recording.
    bool LoadState(const wxString& path) override;
    bool SaveState(const wxString& path) override;
    bool PushUndo(const wxString& description) override;
    bool Undo() override;
    void ClearUndo() override;
    void SetWireframe(bool wireframe) override;
    void Render(int mode, int activeHandle) override;
    // Selection and highlight take marker numbers (Select also model item ids; a negative number
    // clears every marker).
    void Select(int order, int number, bool manipulate) override;
    void SetHighlighted(bool value, int number) override;
    int IsHighlighted(int number) override;
    int GetSelectionOrder(int number) override;
    int CountSelected() override;
    int GetMaxSelectionOrder() override;
    // Selected marker indices in selection order, then the selected model items (+ kModelItemBase).
    void GetSelection(wxArrayInt& out) override;
    // Drag of the manipulator: moves the trajectories of the markers with the move flag.
    void MoveSelection(double dx, double dy, int axis) override;
    wxString GetName(int number) override;
    int GetElementNumber(int id) override;

    // ---- selection ----
    // Mean scene position of the selected markers at the current frame (else of the selected
    // model items); false when nothing is selected.
    virtual bool GetSelectionCentre(float out[3]);
    // Index, order (and, when `texts` is given, the file name) of each selected marker in index
    // order; returns how many.
    virtual int GetSelectedMarkers(wxArrayInt& indices, wxArrayInt& orders, bool clear,
                                   wxArrayString* texts = nullptr);

    // ---- display settings (.dlp) ----
    virtual void SaveDisplaySettings();
    virtual void SaveDisplaySettingsFile(const wxString& path);
    virtual void WriteDisplaySettings(wxConfigBase* config);
    virtual void LoadDisplaySettingsFile(const wxString& path);
    // Replaces the links by those of the configuration, then reads the marker settings.
    virtual void ReadDisplaySettings(wxConfigBase* config);

    // ---- movies ----
    virtual wxArrayString GetVideoFiles();
    virtual float GetMovieDelay(int i);
    virtual bool SetMovieDelay(int i, float delay);

    virtual int GetUpAxis() { return m_upAxis; }
    // Re-derives counts, times and the info text; with reset also the marker records and links.
    virtual void Refresh(bool reset);
    // Rebuilds the marker records and links from a .vsk or .mkr file; false when the file does
    // not exist, there are no markers or the file could not be read.
    virtual bool ResetStructure(const wxString& path);

    // ---- events ----
    // Labels of all events in frame order (the frames too when asked).
    virtual wxArrayString GetEventLabels(wxArrayInt* frames = nullptr);
    virtual int FindEvent(const wxString& label, int* context, int* icon);
    virtual int GetEvent(int k, int* context, int* icon);
    virtual int FindEventIndex(int frame, int* context, int* icon);
    virtual wxString GetEventLabel(int frame, int* context, int* icon);
    virtual bool FindEventByLabel(const wxString& label, int* frame, int* index);
    // Adds an event, replacing the one of that label; false when it was not added (the old
    // event is then kept).
    virtual bool AddEvent(const wxString& label, const wxString& name, int frame, int context,
                          int icon);

    // ---- body model ----
    virtual BodySegment* GetModelSegment(int i);
    virtual C3DModel* GetModel() { return m_model.get(); }
    virtual void DropModel();
    virtual bool CreateModel();
    virtual bool LoadModel(const wxString& path);

    // Lists the model in the tree: a root named after the model file, "Segments [n]" with one item
    // per segment (and the centre of mass), "Joints [m]" with one per joint, each item carrying a
    // My3DItemData. False (the tree then empty) without a tree or a model.
    virtual bool FillModelTree(wxDataViewTreeCtrl* tree);

    // ---- VRML97 export ----
    // Writes the shown plates, markers, link pieces and model glyphs as VRML97 nodes, each moving
    // node with interpolators keyed over the play range every max(1, sampling / frame rate)
    // frames, a looping timer and the routes; no file header and no viewpoints. The progress
    // control, when given, follows the markers, links and glyphs. True when the stream took
    // everything, or when there is nothing to write (no recording, hidden object).
    virtual bool ExportVRML(std::ostream& out, double sampling, wxGauge* progress = nullptr);
    // What the interpolators animate.
    enum VrmlKind { kVrmlMarker = 0, kVrmlLink = 1, kVrmlSegmentObject = 2, kVrmlJointObject = 3 };
    virtual void WriteVRMLPlates(std::ostream& out);
    virtual void WriteVRMLMarkers(std::ostream& out, double sampling, wxGauge* progress);
    virtual void WriteVRMLSegmentObjects(std::ostream& out, double sampling, wxGauge* progress);
    virtual void WriteVRMLJointObjects(std::ostream& out, double sampling, wxGauge* progress);
    virtual void WriteVRMLRoutes(std::ostream& out);
    // Interpolator blocks of one node: `index` names it (prefix_index), `glyph` is the node's
    // glyph, and a link piece gives its two marker indices.
    virtual void WriteVRMLPositionInterpolator(std::ostream& out, int index, const wxString& prefix,
                                               VrmlKind kind, ModelObject* glyph, double sampling,
                                               int markerA = -1, int markerB = -1);
    virtual void WriteVRMLOrientationInterpolator(std::ostream& out, int index, const wxString& prefix,
                                                  VrmlKind kind, ModelObject* glyph, double sampling,
                                                  int markerA = -1, int markerB = -1);
    virtual void WriteVRMLKeys(std::ostream& out, double sampling);
    // Values of a marker (index) or a model glyph (index of the segment or joint).
    virtual void WriteVRMLKeyValues(std::ostream& out, VrmlKind kind, int index, ModelObject* glyph,
                                    double sampling, bool translation);
    virtual void WriteVRMLLinkKeyValues(std::ostream& out, int markerA, int markerB, ModelObject* glyph,
                                        double sampling, bool translation);
    virtual void WriteIndent(std::ostream& out);

    // ---- reference marker ----
    virtual int GetReferenceMarker() { return m_referenceMarker; }
    virtual bool IsRelativeToReference() { return m_relative != 0; }
    // A marker index or a model item id; anything else clears the reference.
    virtual void SetReferenceMarker(int index, bool relative);
    virtual double* GetReferencePosition() { return m_referencePosition; }
    virtual wxString GetMarkerName(int index);
    virtual double MeanDistance(int a, int b);
    virtual bool FalseQueryA() { return false; }
    virtual bool FalseQueryB() { return false; }
    virtual int GetLoadedFirstFrame() { return m_loadedFirstFrame; }
    virtual int GetLoadedFrameCount() { return m_loadedFrameCount; }
    virtual void GetEventContexts(wxArrayString& out);
    virtual void GetEventIconNames(wxArrayString& out);

    // ---- drawing ----
    virtual void DrawForceHistory(int plate, int mode);
    virtual void DrawForcePlates(int mode);
    virtual void DrawPlates(int mode);
    virtual void DrawMarkers(int mode, int activeHandle);
    virtual void DrawMarker(int index, int mode, bool inLink, int activeHandle);
    virtual void DrawMarkerName(double x, double y, double z, int index, bool withNumber);
    virtual void DrawMarkerNumber(double x, double y, double z, int index);
    // Plate outlines and force histories, into the plates list when `compile` is set; the list
    // is meant to be called in the object's own frame, as Render draws the plates.
    virtual void BuildPlatesList(bool compile);
    virtual void DrawPlateNumbers();
    virtual void DrawForceVectors();
    virtual void DrawPlateOutline(const float corners[4][3]);
    virtual void DrawTrajectories();
    virtual void DrawTrajectory(int index, int from, int to);
    virtual void DrawSelectedTrajectories();
    // Adds `length` (recording units) to one coordinate of a marker over the play range.
    virtual void OffsetMarkerTrajectory(int index, double length, int axis);
    virtual bool IsMarkerDisplayed(int index);
    // Re-derives everything from the recording in memory.
    virtual void Reload(const wxString& path);
    virtual double Distance(int a, int b, int frame);
    virtual bool IsMarkerValid(int index, int frame);
    // Builds the default model the recording names; warns when it names one that fails.
    virtual void check_model();

    // Adds markers to the links (one link or single-marker links).
    void AddToDisplayList(const wxArrayInt& markers, bool asOneLink);

    // ---- direct access for the views ----
    TDataFile* GetData() { return m_data.get(); }
    // x min, x max, y min, y max, z min, z max in scene units; the canvas may widen them.
    float* GetBounds() { return m_bounds; }
    // False when no sample of the recording was measured: the bounds are then the origin alone.
    bool AreBoundsMeasured() const { return m_boundsMeasured; }
    int GetMarkerCount() const { return m_markerCount; }
    int GetPlateCount() const { return m_plateCount; }
    double GetDivisor() const { return m_divisor; }
    float GetMissingValue() const { return m_missingValue; }
    // Null outside the markers / the 64 plate records.
    MarkerDisplay* GetMarkerDisplay(int index);
    PlateDisplay* GetPlateDisplay(int plate);
    wxStructure* GetLinks() { return m_links.get(); }
    const wxString& GetDisplaySettingsPath() const { return m_displaySettingsFile; }
    // max x, max y, max z, min x, min y, min z of the markers drawn by the last render.
    const double* GetDrawnExtent() const { return m_drawnExtent; }
    bool GetShowLinkedMarkers() const { return m_showLinkedMarkers != 0; }
    void SetShowLinkedMarkers(bool show) { m_showLinkedMarkers = show ? 1 : 0; }
    bool GetShowLinks() const { return m_showLinks != 0; }
    void SetShowLinks(bool show) { m_showLinks = show ? 1 : 0; }
    bool GetShowUnlinkedMarkers() const { return m_showUnlinkedMarkers != 0; }
    void SetShowUnlinkedMarkers(bool show) { m_showUnlinkedMarkers = show ? 1 : 0; }
    bool IsLoading() const { return m_loading != 0; }

private:
    // Scene coordinates of marker i at frame f; false when the sample is missing or outside
    // the table.
    bool ScenePosition(int i, int f, double out[3]) const;
    // The stored values; false when missing or outside the table.
    bool StoredPosition(int i, int f, double out[3]) const;
    // Adds ScenePosition of frames from..to to `path`, a gap for each missing one.
    void BuildPath(int index, int from, int to, GLThinnedPath& path) const;
    // Frame count, rates, duration, missing value, marker and plate counts from the recording.
    void TakeCounts();
    void RebuildMarkerRecords();
    // Colours and radii of the marker records from the links (or the no-links colours).
    void ApplyLinks();
    // Binds the records to the links and refreshes what drawing keeps per marker.
    void BindLinks();
    void UpdateMarkerFlags();
    void DeleteModel();
    // VRML export: the frames keyed, the link pieces (link, marker a, marker b, mean distance) in
    // the order they are numbered, the model glyphs that get a node, a marker's exported position
    // at a frame, the plate records filled from the recording, and the safe yield.
    std::vector<int> VrmlKeyFrames(double sampling);
    struct VrmlPiece {
        int link, a, b;
        double length;
    };
    std::vector<VrmlPiece> VrmlLinkPieces();
    ModelObject* VrmlSegmentGlyph(int i);
    ModelObject* VrmlJointGlyph(int j);
    // "Group { children [ ... ] }" around what `children` writes, one level deeper.
    void WriteVRMLGroup(std::ostream& out, const std::function<void()>& children);
    bool VrmlMarkerPosition(int index, int frame, double out[3]);
    bool VrmlPlateGeometry(int plate);
    // Arrays of keys or values: the head line, then entries whose lines break after the `first`
    // entries and then after every `then`, then "]".
    void VrmlArrayBegin(std::ostream& out, const char* head);
    void VrmlArrayNext(std::ostream& out, int written, int first, int then);
    void VrmlArrayEnd(std::ostream& out);
    void NewLinks();
    // Analog column of frame f, or -1 when there is none.
    int64_t ForceSample(int frame) const;
    // The force arrow of plate p at frame f: centre of pressure and the divided force.
    bool PlateForceAt(int plate, int frame, float cop[3], float vector[3]);
    // Forces of one plate over the play range, kept until the range, threshold, divisor or the
    // recording changes: a history is drawn at every paint and its forces never change.
    struct ForceHistory {
        bool valid = false;
        uint64_t generation = 0;
        int first = 0;
        int last = -1;
        float threshold = 0.0f;
        float divisor = 0.0f;
        std::vector<float> cop;  // 3 per frame
        std::vector<float> tip;  // 3 per frame
        std::vector<uint8_t> drawn;
    };
    const ForceHistory& GetForceHistory(int plate);

    std::unique_ptr<TDataFile> m_data;
    int32_t m_markerCount = 0;
    double m_divisor = 1000.0;
    float m_missingValue = 0.0f;
    int32_t m_plateCount = 0;
    unsigned int m_platesList = 0;
    // The selected markers' paths over the play range, by marker; rebuilt when the recording
    // (m_dataGeneration), the range or m_pathRevision (raised by in-place edits of the samples)
    // change.
    std::map<int, GLThinnedPath> m_selectedPaths;
    uint64_t m_pathRevision = 0;
    uint8_t m_showLinkedMarkers = 1;
    uint8_t m_showLinks = 1;
    uint8_t m_showUnlinkedMarkers = 0;
    PlateDisplay m_plates[64];
    std::vector<MarkerDisplay> m_markers;
    float m_bounds[6] = {};
    bool m_boundsMeasured = false;
    double m_drawnExtent[6] = {};
    uint8_t m_extentReset = 1;
    Point3D m_drawnCentre;
    std::unique_ptr<wxStructure> m_links;
    wxString m_displaySettingsFile;
    int32_t m_upAxis = 2;
    uint8_t m_loading = 0;
    std::unique_ptr<C3DModel> m_model;
    GLBitmapFont* m_plateFont = nullptr;
    double m_referencePosition[3] = {};
    int32_t m_referenceMarker = -1;
    uint8_t m_relative = 0;
    uint8_t m_modelInSavedState = 0;
    int32_t m_loadedFirstFrame = 0;
    int32_t m_loadedFrameCount = 0;
    int m_vrmlIndent = 0;  // nesting level of the VRML export, four spaces a level

    // What drawing keeps per marker between frames; rebuilt when labels or links change.
    std::vector<uint8_t> m_isModelOutput;
    std::vector<uint8_t> m_inLink;
    // Positions handed to the links each frame (x, y, z per marker).
    std::vector<float> m_linkPositions;
    GLUnitSphere m_sphere;
    // Bumped whenever the recording is replaced, so cached force histories are dropped.
    uint64_t m_dataGeneration = 0;
    std::vector<std::unique_ptr<ForceHistory>> m_forceHistories;

    // Texts handed out by value but kept between calls.
    wxArrayString m_eventLabels;
    wxString m_markerNameText;
    wxString m_eventLabelText;
    wxArrayString m_videoFiles;
};

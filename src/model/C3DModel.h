#pragma once
// The body model of one recording as the viewer has it: the computational core plus the model
// files it is built from and saved to, the build pipeline (files, kinematics, resultants, joints,
// inverse dynamics), the display objects of its items and their picking, selection and drag
// edits, and a stack of saved states for undo.
//
// Model items: segments 0 .. SegmentCount - 1, the whole-body centre of mass SegmentCount, joint j
// SegmentCount + 1 + j (TBiomecaModel::JointItem), so that every item has its own number. Item ids
// may carry kModelItemBase (the GL pick name of an object); every operation taking an id strips it.
//
// Nothing here needs a GL context except Draw and DrawTrajectories: display objects make their GL
// lists on their first draw.
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <wx/dynarray.h>
#include <wx/string.h>

#include "gl/GLThinnedPath.h"
#include "model/ModelObject.h"
#include "model/TBiomecaModel.h"
#include "objects/ArrayOfUndoRef.h"

class TDataFile;
class wxConfigBase;

// Model item ids handed to the canvas start here (ids below are markers).
constexpr int kModelItemBase = ModelObject::kPickBase;
constexpr int kMaxModelSegments = kBodySegmentSlots;

class C3DModel : public TBiomecaModel {
public:
    C3DModel();
    ~C3DModel() override;

    // With defaults, also returns every setting to its default. Display objects always go.
    void Reset(bool defaults) override;
    void FreeData() override;
    virtual void FreeJoints();

    // ---- saved states ----
    virtual bool IsModified() { return modified; }
    virtual bool PushUndo(const wxString& description, TDataFile* recording);
    // Rebuilds the model from its last saved state; a failed rebuild keeps the model as it was.
    virtual bool Undo(TDataFile* recording);
    virtual int GetUndoCount() { return static_cast<int>(undo_.GetCount()); }
    virtual void ClearUndo();
    virtual wxString GetUndoDescription();

    // ---- build and run ----
    // Builds the model for the recording from `path` (one combined file), or from the model files
    // the recording names (".dfn" entries) when `path` is empty. True also when no model file is
    // named or found (the model then has no segment); false when a named model cannot be built.
    bool BuildModel(TDataFile* recording, const wxString& path, bool showWarnings);
    bool RunSegmentModel(TDataFile* recording, bool showWarnings);
    void CreateModelObjects();
    void CopySegmentNames(TDataFile* recording);

    // ---- model files ----
    bool LoadSegmentModel(const wxString& path, TDataFile* data);
    bool LoadJointModel(const wxString& path, TDataFile* data);
    void LoadDisplayModel(const wxString& path);
    void LoadSegmentObject(const wxString& path, int i);
    void LoadJointObject(const wxString& path, int j);
    void ReadModelObject(const wxString& path, const wxString& group, ModelObject* object, bool joint);
    // Writes the combined file (all three parts); an empty path writes to the model file name.
    // The file is replaced only once the new one is complete: false leaves the old one.
    bool SaveModel(const wxString& path);
    void SaveModelObject(wxConfigBase& config, const wxString& group, ModelObject& object);

    // ---- display, picking and selection ----
    void Draw(int frame, int mode, int activeHandle, const double reference[3], bool relative);
    void UpdateSegmentObject(int index, int frame);
    void UpdateJointObject(int j, int frame);
    void DrawTrajectories(int firstFrame, int lastFrame, const double reference[3], bool relative);
    void DrawTrajectory(int index, int firstFrame, int lastFrame, const double reference[3], bool relative);
    void OffsetSelectedObjects(double dx, double dy, int mode);
    void AutoScaleObjects(bool on, TDataFile* recording);
    void SetWireframe(bool wireframe);
    void SelectItem(int id, int order, bool drag);
    void ClearSelection();
    int CountSelectedSegments();
    int CountSelectedJoints();
    int CountSelected();
    // The selected item indices (without kModelItemBase) at their selection order - 1.
    void GetSelection(wxArrayInt& list);
    bool GetSelectionCentroid(float out[3]);
    // 1-based number of the item within its table (segments then the centre of mass, or joints);
    // -1 out of range.
    int MapItemIndex(int id);
    bool GetItemPosition(int id, float out[3]);
    wxString GetItemName(int index);
    wxString GetItemNameById(int id);
    wxString GetJointName(int j);
    ModelObject* GetSegmentObject(int index);
    ModelObject* GetJointObject(int j);
    wxString GetModelFileName() const { return modelFileName; }

    wxString modelFileName;
    std::vector<std::unique_ptr<ModelObject>> segmentObjects;  // empty, or one per segment
    std::vector<std::unique_ptr<ModelObject>> jointObjects;    // empty, or one per joint
    wxString modelFolder;
    wxString tempFileName;
    bool showSegments = true;
    bool showJoints = true;
    bool autoScale = false;
    ModelObject comObject;
    bool modelTree = false;
    bool modified = false;
    bool quiet = false;

private:
    // Values of the files that a run overwrites in the records (inertial values, radii and lengths
    // in metres, the frame range, joint deltas in metres...), kept as read so that a save writes
    // back what was read.
    struct SegmentAsRead {
        double Mass, CG, Ixx, Iyy, Izz, R1, R2, Long;
    };
    struct JointAsRead {
        int Distal = 0, Proximal = 0, Position = 0, PF = -1, Normal = 1, Type = 2, Local = 0;
        bool CoP = true;
        int Nodes = 0;
        std::array<int, kBodyNodeSlots> node{};
        std::array<int, 8> channels{};
        std::array<double, 4> deltas{};
    };
    void KeepSegmentsAsRead();
    void DeleteObjects();
    // Sends the model's refusals not yet sent to the Log (counted only in quiet mode).
    void LogWarnings();
    ModelObject* ItemObject(int k);
    bool WriteCombinedFile(const wxString& target, std::string* error);
    // The store of a model file to read. During a build each file is parsed once: the combined
    // file serves as segment, joint and display file without being read three times.
    std::shared_ptr<wxConfigBase> ReadStore(const wxString& path);
    struct ReadCache {
        bool active = false;
        wxString path;
        std::shared_ptr<wxConfigBase> store;
    };
    ReadCache readCache_;
    // One object group from a store already read (a display file is read once for all objects).
    void ReadModelObject(wxConfigBase& config, const wxString& path, const wxString& group, ModelObject* object,
                         bool joint);

    ArrayOfUndoRef undo_;
    // Selected items' paths over the play range, by item (SegmentCount: the centre of mass).
    std::map<int, GLThinnedPath> trajectoryPaths_;
    std::vector<SegmentAsRead> segmentsAsRead_;
    std::vector<JointAsRead> jointsAsRead_;  // one per built joint
    int firstFrameAsRead_ = 0;
    int lastFrameAsRead_ = 0;
    double totalMassAsRead_ = 70.0;
    size_t loggedWarnings_ = 0;  // entries of Warnings already sent to the Log
};

// A model file's groups and entries as the model reads them: LF, CR LF or CR line ends, UTF-8
// (with or without a byte-order mark), Latin-1, or UTF-16 (with a byte-order mark, or known by its
// zero bytes). Read-only; never null. A file that yields no entry is reported in the Log with its
// name and the reason.
std::unique_ptr<wxConfigBase> OpenModelFileForReading(const wxString& path);

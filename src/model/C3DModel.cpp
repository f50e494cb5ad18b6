#include "model/C3DModel.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>

#include "motion/LabelledItem.h"
#include "motion/TDataFile.h"
#include "platform/Paths.h"

namespace {

// The file name of a ".dfn" model entry placed in the model folder (any folder in the entry is
// dropped); empty for an empty entry.
wxString ModelFileIn(const wxString& folder, const char* entry) {
    if (!entry) return wxString();
    const wxString text = wxString::FromUTF8(entry).Trim(true).Trim(false);
    if (text.empty()) return wxString();
    // Entries written on Windows carry backslashes.
    wxString name = text;
    name.Replace("\\", "/");
    name = name.AfterLast('/');
    if (name.empty()) return wxString();
    return wxFileName(folder, name).GetFullPath();
}

}  // namespace

C3DModel::C3DModel() {
    MissingValue = 0.0;
    autoScale = false;
    tempFileName = wxString::FromUTF8(dez::MakeTempFile("", "~md"));
    comObject.Setup(-1, _("CoM"), 0.0f, 1.0f, 0.0f, 0.03f, 0.03f, 0.03f, ModelObject::kSphere);
}

C3DModel::~C3DModel() {
    if (!tempFileName.empty() && wxFileExists(tempFileName)) wxRemoveFile(tempFileName);
    C3DModel::FreeData();
}

void C3DModel::DeleteObjects() {
    segmentObjects.clear();
    jointObjects.clear();
}

void C3DModel::Reset(bool defaults) {
    DeleteObjects();
    modified = false;
    jointsAsRead_.clear();
    if (defaults) {
        loggedWarnings_ = 0;  // the reset empties Warnings
        segmentsAsRead_.clear();
        firstFrameAsRead_ = 0;
        lastFrameAsRead_ = 0;
        totalMassAsRead_ = 70.0;
    }
    TBiomecaModel::Reset(defaults);
}

void C3DModel::FreeData() {
    TBiomecaModel::FreeData();
    DeleteObjects();
    jointsAsRead_.clear();
}

void C3DModel::FreeJoints() {
    if (JointCount == 0) return;
    jointObjects.clear();
    const int count = std::clamp(JointCount, 0, kBodyJointSlots);
    for (int j = 0; j < count; ++j) Joints[j].reset();
    JointCount = 0;
    jointsAsRead_.clear();
}

void C3DModel::KeepSegmentsAsRead() {
    firstFrameAsRead_ = FirstFrame;
    lastFrameAsRead_ = LastFrame;
    totalMassAsRead_ = TotalMass;
    segmentsAsRead_.clear();
    const int n = std::clamp(SegmentCount, 0, kBodySegmentSlots);
    for (int i = 0; i < n; ++i) {
        const BodySegment& s = *Segments[i];
        segmentsAsRead_.push_back({s.Mass, s.CG, s.Ixx, s.Iyy, s.Izz, s.R1, s.R2, s.Long});
    }
}

bool C3DModel::BuildModel(TDataFile* recording, const wxString& path, bool showWarnings) {
    if (!recording) return false;
    // The files are read once each for this build, and released with it.
    struct CacheScope {
        ReadCache& cache;
        explicit CacheScope(ReadCache& c) : cache(c) { cache = ReadCache{true, wxString(), nullptr}; }
        ~CacheScope() { cache = ReadCache(); }
    } cacheScope(readCache_);
    Reset(true);
    wxString segmentFile, jointFile, displayFile;
    if (!path.empty()) {
        const wxString full = wxFileName(path).GetAbsolutePath();
        segmentFile = jointFile = displayFile = full;
        modelFolder = wxFileName(full).GetPath();
    } else {
        const std::string own = recording->GetPath();
        modelFolder = wxFileName(wxString::FromUTF8(dez::AbsolutePath(own))).GetPath();
        segmentFile = ModelFileIn(modelFolder, recording->dfnModel);
        jointFile = ModelFileIn(modelFolder, recording->dfnJoint);
        displayFile = ModelFileIn(modelFolder, recording->dfnIn3);
    }
    // A named file that is not there is worth a word; the recording stays without that part.
    if (!quiet) {
        for (const wxString* file : {&segmentFile, &jointFile, &displayFile}) {
            if (!file->empty() && !wxFileExists(*file) && (file == &segmentFile || *file != segmentFile))
                wxLogWarning(_("Unable to find the model file %s"), *file);
        }
    }
    // No model named, or the named one is not there: a recording without a model.
    if (segmentFile.empty() || !wxFileExists(segmentFile)) return true;

    if (!LoadSegmentModel(segmentFile, recording)) {
        wxLogError(_("Unable to load model : ") + segmentFile);
        return false;
    }
    if (SegmentCount == 0) return false;
    KeepSegmentsAsRead();
    if (!RunSegmentModel(recording, showWarnings)) {
        if (!quiet) wxLogError(_("Unable to calculate model"));
        return false;
    }
    // A joint file that is missing or wrong only costs the inverse dynamics.
    if (LoadJointModel(jointFile, recording)) {
        if (!InverseDynamics(recording) && !quiet) wxLogError(_("Error in Inverse Dynamics method"));
    }
    LogWarnings();
    CreateModelObjects();
    LoadDisplayModel(displayFile);
    CopySegmentNames(recording);
    return true;
}

bool C3DModel::RunSegmentModel(TDataFile* recording, bool showWarnings) {
    Reset(false);
    if (!recording || SegmentCount <= 0) return false;
    const int frames = recording->GetFrameCount();
    // Missing samples read and come out as the recording's own missing value.
    MissingValue = recording->missingValue;
    if (recording->analog) LoadExternalForces(recording->analog, frames);
    int first = 0;
    int last = frames - 1;
    if (checkmarker) {
        first = FindFirstValidFrame(recording);
        last = FindLastValidFrame(recording);
        if (recording->points) last = std::min(last, recording->points->GetCols() - 1);
        if (first >= last) first = last - 1;
        first = std::max(first, 0);
    }
    LogWarnings();
    LabelledItemList warnings;
    ComputeSegments(recording, first, last, &warnings);
    if (warnings.count > 0 && showWarnings && !quiet) {
        for (int i = 0; i < warnings.count; ++i)
            wxLogWarning("Warning %d : %s", i + 1, wxString::FromUTF8(warnings.items[i]->name));
        loggedWarnings_ = Warnings.size();  // the run's refusals were in that list
    }
    LogWarnings();
    return Kinematics != nullptr && SegmentCount > 0;
}

void C3DModel::LogWarnings() {
    if (loggedWarnings_ > Warnings.size()) loggedWarnings_ = 0;
    for (; loggedWarnings_ < Warnings.size(); ++loggedWarnings_)
        if (!quiet) wxLogWarning("%s", wxString::FromUTF8(Warnings[loggedWarnings_]));
}

void C3DModel::CreateModelObjects() {
    DeleteObjects();
    const int n = std::clamp(SegmentCount, 0, kBodySegmentSlots);
    if (n > 0) {
        for (int i = 0; i < n; ++i) {
            const BodySegment& s = *Segments[i];
            auto object = std::make_unique<ModelObject>(i, wxString::FromUTF8(s.Name), 0.0f, 0.0f, 0.75f,
                                                        float(s.R1), float(s.R2), float(s.Long),
                                                        ModelObject::kPyramid);
            object->cgRatio = float(s.CG);
            segmentObjects.push_back(std::move(object));
        }
        comObject.Setup(CentreOfMassItem(), _("CoM"), 0.0f, 1.0f, 0.0f, 0.03f, 0.03f, 0.03f, ModelObject::kSphere);
    }
    const int joints = std::clamp(JointCount, 0, kBodyJointSlots);
    for (int j = 0; j < joints; ++j) {
        jointObjects.push_back(std::make_unique<ModelObject>(JointItem(j), wxString::FromUTF8(Joints[j]->Name),
                                                             0.5f, 0.2f, 0.0f, 0.05f, 0.05f, 0.05f,
                                                             ModelObject::kSphere));
    }
}

void C3DModel::CopySegmentNames(TDataFile* recording) {
    for (size_t i = 0; i < segmentObjects.size(); ++i)
        std::snprintf(Segments[i]->Name, sizeof Segments[i]->Name, "%s",
                      static_cast<const char*>(segmentObjects[i]->name.utf8_str()));
    if (autoScale) AutoScaleObjects(true, recording);
}

// ---- saved states ----

bool C3DModel::PushUndo(const wxString& description, TDataFile*) {
    wxLogNull silence;
    const std::string temp = dez::MakeTempFile("", "mi");
    const wxString previousName = modelFileName;
    const bool previousModified = modified;
    bool saved = !temp.empty() && SaveModel(wxString::FromUTF8(temp));
    if (saved) {
        undo_.Add(UndoRecord(wxString::FromUTF8(temp), description, 0, 1, 1), 1);
    } else {
        if (!temp.empty()) dez::RemoveFile(temp);
        std::cout << _("Unable to save model for undo") << "\n";
    }
    modified = previousModified;
    modelFileName = previousName;
    return saved;
}

bool C3DModel::Undo(TDataFile* recording) {
    wxLogNull silence;
    quiet = true;
    const wxString previousName = modelFileName;
    bool result = false;
    if (!undo_.IsEmpty()) {
        const wxString file = undo_.Last().file;
        if (wxFileExists(file)) {
            // Tried aside first: a state that no longer builds leaves the model as it is.
            C3DModel trial;
            trial.quiet = true;
            if (recording) trial.Divide = Divide;
            result = trial.BuildModel(recording, file, false);
            if (result) {
                result = BuildModel(recording, file, false);
                if (result && SegmentCount == 0) {
                    Reset(true);
                    SetDefaults();
                }
            }
            wxRemoveFile(file);
        } else {
            std::cout << _("Undo Error on ") << file << "\n";
        }
        undo_.RemoveAt(undo_.GetCount() - 1, 1);
    }
    modified = true;
    modelFileName = previousName;
    quiet = false;
    return result;
}

void C3DModel::ClearUndo() {
    wxLogNull silence;
    for (size_t i = 0; i < undo_.GetCount(); ++i)
        if (wxFileExists(undo_[i].file)) wxRemoveFile(undo_[i].file);
    undo_.Clear();
}

wxString C3DModel::GetUndoDescription() {
    return undo_.IsEmpty() ? wxString() : undo_.Last().description;
}

#include "model/C3DModel.h"

#include <wx/intl.h>

C3DModel::C3DModel() = default;

C3DModel::~C3DModel() = default;

void C3DModel::Reset(bool defaults) {
    if (!defaults) return;
    SegmentCount = 0;
    JointCount = 0;
    comComputed = 0;
    comSelected = 0;
    Divide = 1000.0;
}

void C3DModel::ClearUndo() { undo_.clear(); }

bool C3DModel::PushUndo(const wxString& description, TDataFile*) {
    undo_.push_back(description);
    return true;
}

bool C3DModel::Undo(TDataFile*) {
    if (undo_.empty()) return false;
    undo_.pop_back();
    return true;
}

int C3DModel::GetUndoCount() const { return static_cast<int>(undo_.size()); }

bool C3DModel::BuildModel(TDataFile*, const wxString& path, bool) {
    // No model files are read yet: "no model", whatever the recording names.
    modelFileName = path;
    SegmentCount = 0;
    JointCount = 0;
    comComputed = 0;
    return false;
}

void C3DModel::Draw(int, int, int, const double*, bool) {}

void C3DModel::DrawTrajectories(int, int, const double*, bool) {}

bool C3DModel::GetItemPosition(int, float out[3]) {
    if (out) out[0] = out[1] = out[2] = 0.0f;
    return false;
}

void C3DModel::OffsetSelectedObjects(double, double, int) {}

int C3DModel::MapItemIndex(int id) {
    if (id >= kModelItemBase) id -= kModelItemBase;
    const int segments = SegmentCount + (comComputed ? 1 : 0);
    if (id < 0) return -1;
    if (id < segments) return id + 1;
    if (id - segments < JointCount) return id - segments + 1;
    return -1;
}

void C3DModel::SelectItem(int id, int order, bool) {
    if (id >= kModelItemBase) id -= kModelItemBase;
    if (comComputed && id == SegmentCount) comSelected = static_cast<unsigned char>(order);
}

void C3DModel::ClearSelection() { comSelected = 0; }

int C3DModel::CountSelectedSegments() { return comComputed && comSelected ? 1 : 0; }

int C3DModel::CountSelectedJoints() { return 0; }

int C3DModel::CountSelected() { return CountSelectedSegments() + CountSelectedJoints(); }

void C3DModel::GetSelection(wxArrayInt& list) {
    if (comComputed && comSelected) list.Add(SegmentCount);
}

bool C3DModel::GetSelectionCentroid(float out[3]) {
    if (out) out[0] = out[1] = out[2] = 0.0f;
    return false;
}

wxString C3DModel::GetItemName(int index) {
    if (comComputed && index == SegmentCount) return _("CoM");
    return wxString();
}

wxString C3DModel::GetItemNameById(int id) {
    return GetItemName(id >= kModelItemBase ? id - kModelItemBase : id);
}

wxString C3DModel::GetJointName(int) { return wxString(); }

void C3DModel::SetWireframe(bool on) { wireframe = on; }

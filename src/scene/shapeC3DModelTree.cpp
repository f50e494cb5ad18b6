// The body model listed in a host window's tree control.
#include "scene/shapeC3D.h"

#include <wx/dataview.h>
#include <wx/filename.h>
#include <wx/intl.h>

#include "model/C3DModel.h"
#include "scene/My3DItemData.h"

namespace {

// Icons of the host's image list.
constexpr int kSegmentIcon = 1;
constexpr int kJointIcon = 2;
constexpr int kCentreOfMassIcon = 4;

// The host's icon, or none when it gave the tree no image of that number (an index without an
// image is a toolkit assertion).
int Icon(wxDataViewTreeCtrl* tree, int icon) {
    return tree->HasImages() && icon < tree->GetImageCount() ? icon : wxWithImages::NO_IMAGE;
}

}  // namespace

bool shapeC3D::FillModelTree(wxDataViewTreeCtrl* tree) {
    if (!tree) return false;
    tree->Freeze();
    tree->DeleteAllItems();
    if (!m_model) {
        tree->Thaw();
        return false;
    }
    const int n = m_model->SegmentCount;
    wxString label = _("NoName");
    if (!m_model->GetModelFileName().empty()) label = wxFileName(m_model->GetModelFileName()).GetName();
    const wxDataViewItem root = tree->AppendContainer(wxDataViewItem(nullptr), label);
    const wxDataViewItem segments = tree->AppendContainer(root, wxString::Format(_("Segments [%d]"), n));
    for (int i = 0; i < n; ++i) {
        const wxString name = m_model->GetItemName(i);
        tree->AppendItem(segments, wxString::Format("%s [%d]", name, i + 1), Icon(tree, kSegmentIcon),
                         new My3DItemData(My3DItemData::kSegment, i, name, wxString(), wxString()));
    }
    if (m_model->KinematicsDone) {
        const wxString name = m_model->GetItemName(n);
        tree->AppendItem(segments, wxString::Format("%s [%d]", name, n + 1), Icon(tree, kCentreOfMassIcon),
                         new My3DItemData(My3DItemData::kSegment, n, name, wxString(), wxString()));
    }
    // Parents first: a toolkit may not open a row whose parent is closed.
    tree->Expand(root);
    tree->Expand(segments);
    const int m = m_model->JointCount;
    if (m > 0) {
        const wxDataViewItem joints = tree->AppendContainer(root, wxString::Format(_("Joints [%d]"), m));
        for (int j = 0; j < m; ++j) {
            const wxString name = m_model->GetJointName(j);
            tree->AppendItem(joints, wxString::Format("%s [%d]", name, j + 1), Icon(tree, kJointIcon),
                             new My3DItemData(My3DItemData::kJoint, j, name, wxString(), wxString()));
        }
        tree->Expand(joints);
    }
    tree->Thaw();
    return true;
}

// shapeC3D: selection and highlight, moving trajectories, distances, the reference marker, names,
// the event lists of the recording and adding markers to the links.
#include "scene/shapeC3D.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <utility>
#include <vector>

#include <wx/intl.h>

#include "model/C3DModel.h"
#include "scene/LabelText.h"
#include "motion/TDataFile.h"
#include "scene/wxStructure.h"
#include "platform/TextUtil.h"

namespace {

// Context index and icon of an event with no context information.
constexpr int kDefaultContext = 2;
constexpr int kDefaultIcon = 0;

void SetDefaults(int* context, int* icon) {
    if (context) *context = kDefaultContext;
    if (icon) *icon = kDefaultIcon;
}

int CountOf(const LabelledItemList* list) { return list ? list->count : 0; }

}  // namespace

// ---- selection and highlight ----

void shapeC3D::Select(int order, int number, bool manipulate) {
    if (number < 0) {
        if (!m_markers.empty()) {
            for (MarkerDisplay& m : m_markers) {
                m.selectionOrder = 0;
                m.moveFlag = 0;
            }
            if (m_model) m_model->ClearSelection();
        }
        return;
    }
    if (number >= kModelItemBase) {
        if (m_model) m_model->SelectItem(number, order, manipulate);
        return;
    }
    if (number >= 1 && number <= static_cast<int>(m_markers.size())) {
        MarkerDisplay& m = m_markers[static_cast<size_t>(number - 1)];
        m.selectionOrder = order;
        m.moveFlag = manipulate ? 1 : 0;
    }
}

void shapeC3D::SetHighlighted(bool value, int number) {
    if (number < 0) {
        for (MarkerDisplay& m : m_markers) m.highlighted = 0;
        return;
    }
    if (number >= 1 && number <= static_cast<int>(m_markers.size()))
        m_markers[static_cast<size_t>(number - 1)].highlighted = value ? 1 : 0;
}

int shapeC3D::IsHighlighted(int number) {
    if (number >= 1 && number <= static_cast<int>(m_markers.size()))
        return m_markers[static_cast<size_t>(number - 1)].highlighted;
    return 0;
}

int shapeC3D::GetSelectionOrder(int number) {
    if (number >= 1 && number <= static_cast<int>(m_markers.size()))
        return m_markers[static_cast<size_t>(number - 1)].selectionOrder;
    return 0;
}

int shapeC3D::CountSelected() {
    return static_cast<int>(std::count_if(m_markers.begin(), m_markers.end(),
                                          [](const MarkerDisplay& m) { return m.selectionOrder != 0; }));
}

int shapeC3D::GetMaxSelectionOrder() {
    int highest = 0;
    for (const MarkerDisplay& m : m_markers) highest = std::max(highest, m.selectionOrder);
    if (m_model) highest += m_model->CountSelectedSegments() + m_model->CountSelectedJoints();
    return highest;
}

void shapeC3D::GetSelection(wxArrayInt& out) {
    out.Empty();
    // Orders grow with every pick (model items included), so they need not be 1 .. count: the
    // markers are listed by their order, every one of them.
    std::vector<std::pair<int, int>> selected;
    for (size_t i = 0; i < m_markers.size(); ++i) {
        if (m_markers[i].selectionOrder != 0)
            selected.emplace_back(m_markers[i].selectionOrder, static_cast<int>(i));
    }
    std::stable_sort(selected.begin(), selected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& entry : selected) out.Add(entry.second);
    if (m_model && m_model->CountSelected() > 0) {
        wxArrayInt items;
        m_model->GetSelection(items);
        for (size_t i = 0; i < items.GetCount(); ++i) out.Add(items[i] + kModelItemBase);
    }
}

int shapeC3D::GetSelectedMarkers(wxArrayInt& indices, wxArrayInt& orders, bool clear,
                                 wxArrayString* texts) {
    if (clear) {
        indices.Empty();
        orders.Empty();
        if (texts) texts->Empty();
    }
    int found = 0;
    for (size_t i = 0; i < m_markers.size(); ++i) {
        if (m_markers[i].selectionOrder == 0) continue;
        indices.Add(static_cast<int>(i));
        orders.Add(m_markers[i].selectionOrder);
        if (texts) texts->Add(GetFileName());
        ++found;
    }
    return found;
}

bool shapeC3D::GetSelectionCentre(float out[3]) {
    if (!out) return false;
    out[0] = out[1] = out[2] = 0.0f;
    double sum[3] = {0, 0, 0};
    int count = 0;
    if (m_data && m_data->points) {
        const int dim = m_data->GetDimension();
        for (size_t i = 0; i < m_markers.size(); ++i) {
            if (m_markers[i].selectionOrder == 0) continue;
            // Missing samples count as they are stored.
            const int row = static_cast<int>(i) * (dim >= 3 ? dim : 2);
            double p[3];
            if (dim >= 3) {
                for (int k = 0; k < 3; ++k) p[k] = m_data->points->GetValue(row + k, m_currentFrame);
            } else {
                p[0] = m_data->points->GetValue(row, m_currentFrame);
                p[1] = 0.0;
                p[2] = m_data->points->GetValue(row + 1, m_currentFrame);
            }
            for (int k = 0; k < 3; ++k) sum[k] += p[k] / m_divisor;
            ++count;
        }
    }
    if (count > 0) {
        for (int k = 0; k < 3; ++k) out[k] = static_cast<float>(sum[k] / count);
        return true;
    }
    if (m_model) return m_model->GetSelectionCentroid(out);
    return false;
}

// ---- moving trajectories ----

void shapeC3D::MoveSelection(double dx, double dy, int axis) {
    if (axis < 0) return;
    dy = -dy;
    if (!m_markers.empty() && m_data) {
        const double sx = dx < 0 ? -1.0 : 1.0;
        const double sy = dy < 0 ? -1.0 : 1.0;
        const double d = std::sqrt(dx * dx + dy * dy) * sx * sy;
        for (size_t i = 0; i < m_markers.size(); ++i)
            if (m_markers[i].moveFlag) OffsetMarkerTrajectory(static_cast<int>(i), d, axis);
    }
    if (m_model) m_model->OffsetSelectedObjects(dx, dy, axis);
    m_modified = true;
}

void shapeC3D::OffsetMarkerTrajectory(int index, double length, int axis) {
    if (axis < 0 || axis > 2 || !m_data || !m_data->points) return;
    if (index < 0 || index >= m_markerCount) return;
    const int dim = m_data->GetDimension();
    int row;
    if (dim >= 3) {
        row = index * dim + axis;
    } else {
        if (axis == 1) return;  // a two-dimensional recording has no y
        row = index * 2 + (axis == 0 ? 0 : 1);
    }
    Matrix2D* table = m_data->points;
    if (row >= table->GetRows()) return;
    const int first = std::max(m_firstFrame, 0);
    const int last = std::min(m_lastFrame, table->GetCols() - 1);
    for (int f = first; f <= last; ++f) {
        const double v = table->GetValue(row, f);
        if (v != m_missingValue) table->SetValue(row, f, v + length);
    }
    m_data->SetModified(true);
    ++m_pathRevision;
}

// ---- distances ----

double shapeC3D::Distance(int a, int b, int frame) {
    if (!m_data || a < 0 || b < 0 || a >= m_markerCount || b >= m_markerCount) return 0.0;
    double pa[3], pb[3];
    if (!StoredPosition(a, frame, pa) || !StoredPosition(b, frame, pb)) return 0.0;
    const double dx = pa[0] - pb[0], dy = pa[1] - pb[1], dz = pa[2] - pb[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz) / m_divisor;
}

double shapeC3D::MeanDistance(int a, int b) {
    if (!m_data || a < 0 || b < 0 || a >= m_markerCount || b >= m_markerCount) return 0.0;
    double sum = 0.0;
    int count = 0;
    for (int f = m_firstFrame; f <= m_lastFrame; ++f) {
        double pa[3], pb[3];
        if (!StoredPosition(a, f, pa) || !StoredPosition(b, f, pb)) continue;
        const double dx = pa[0] - pb[0], dy = pa[1] - pb[1], dz = pa[2] - pb[2];
        sum += std::sqrt(dx * dx + dy * dy + dz * dz) / m_divisor;
        ++count;
    }
    return count > 0 ? sum / count : 0.0;
}

bool shapeC3D::IsMarkerValid(int index, int frame) {
    if (!m_data || index < 0 || index >= m_markerCount) return false;
    double p[3];
    return StoredPosition(index, frame, p);
}

// ---- reference marker ----

void shapeC3D::SetReferenceMarker(int index, bool relative) {
    if ((m_data && index >= 0 && index < m_markerCount) || index >= kModelItemBase) {
        m_referenceMarker = index;
        m_relative = relative ? 1 : 0;
    } else {
        m_referenceMarker = -1;
        m_relative = 0;
    }
}

// ---- names and numbers ----

wxString shapeC3D::GetName(int number) {
    if (number >= 1 && number <= static_cast<int>(m_markers.size()))
        return LabelToWx(m_markers[static_cast<size_t>(number - 1)].name);
    if (number >= kModelItemBase && m_model) {
        const wxString name = m_model->GetItemName(number - kModelItemBase);
        if (!name.empty()) return name;
    }
    return m_name;
}

wxString shapeC3D::GetMarkerName(int index) {
    m_markerNameText.clear();
    if (index >= 0 && index < static_cast<int>(m_markers.size()))
        m_markerNameText = LabelToWx(m_markers[static_cast<size_t>(index)].name);
    else if (index >= kModelItemBase && m_model)
        m_markerNameText = m_model->GetItemNameById(index);
    return m_markerNameText;
}

int shapeC3D::GetElementNumber(int id) {
    if (id >= kModelItemBase && m_model) return m_model->MapItemIndex(id);
    return id;
}

// ---- events ----

void shapeC3D::GetEventContexts(wxArrayString& out) {
    if (!m_data || !m_data->eventContextLabels) return;
    const LabelledItemList* list = m_data->eventContextLabels;
    for (int i = 0; i < list->count; ++i) {
        const LabelledItem* item = list->GetItem(i);
        out.Add(item ? LabelToWx(item->name) : wxString());
    }
}

void shapeC3D::GetEventIconNames(wxArrayString& out) {
    if (!m_data) return;
    for (int k = 1; k <= m_data->contextIconIdCount; ++k)
        out.Add(wxString::Format(_("Icon #%d"), k));
}

wxArrayString shapeC3D::GetEventLabels(wxArrayInt* frames) {
    m_eventLabels.Empty();
    if (!m_data) return m_eventLabels;
    std::vector<int> ids;
    for (const LabelledItemList* list : {m_data->headerEvents, m_data->events}) {
        for (int i = 0; i < CountOf(list); ++i) {
            const LabelledItem* item = list->GetItem(i);
            if (item && item->id >= 0) ids.push_back(item->id);
        }
    }
    std::stable_sort(ids.begin(), ids.end());
    char text[256];
    for (int id : ids) {
        if (m_data->GetHeaderEventById(text, id) || m_data->GetEventById(text, id)) {
            m_eventLabels.Add(LabelToWx(text));
            if (frames) frames->Add(id);
        }
    }
    return m_eventLabels;
}

int shapeC3D::GetEvent(int k, int* context, int* icon) {
    SetDefaults(context, icon);
    if (!m_data || k < 0) return -1;
    const int headers = CountOf(m_data->headerEvents);
    if (k < headers) {
        const LabelledItem* item = m_data->headerEvents->GetItem(k);
        return item ? item->id : -1;
    }
    k -= headers;
    if (k >= CountOf(m_data->events)) return -1;
    const LabelledItem* item = m_data->events->GetItem(k);
    if (!item) return -1;
    if (icon) *icon = item->value;
    if (context) *context = m_data->FindEventContext(item->context);
    return item->id;
}

int shapeC3D::FindEventIndex(int frame, int* context, int* icon) {
    SetDefaults(context, icon);
    if (!m_data) return -1;
    for (int i = 0; i < CountOf(m_data->headerEvents); ++i) {
        const LabelledItem* item = m_data->headerEvents->GetItem(i);
        if (item && item->id == frame) return i;
    }
    for (int i = 0; i < CountOf(m_data->events); ++i) {
        const LabelledItem* item = m_data->events->GetItem(i);
        if (!item || item->id != frame) continue;
        if (icon) *icon = item->value;
        if (context) *context = m_data->FindEventContext(item->context);
        return i;
    }
    return -1;
}

bool shapeC3D::FindEventByLabel(const wxString& label, int* frame, int* index) {
    if (!m_data) return false;
    const std::string wanted = WxToLabel(label);
    for (int i = 0; i < CountOf(m_data->events); ++i) {
        const LabelledItem* item = m_data->events->GetItem(i);
        if (!item || item->id < 0 || !dez::EqualsNoCase(item->name, wanted)) continue;
        if (frame) *frame = item->id;
        if (index) *index = i;
        return true;
    }
    return false;
}

int shapeC3D::FindEvent(const wxString& label, int* context, int* icon) {
    SetDefaults(context, icon);
    if (!m_data) return -1;
    int frame = -1, index = -1;
    if (FindEventByLabel(label, &frame, &index)) {
        const LabelledItem* item = m_data->events->GetItem(index);
        if (icon) *icon = item->value;
        if (context) *context = m_data->FindEventContext(item->context);
        return frame;
    }
    return m_data->FindHeaderEvent(WxToLabel(label).c_str());
}

wxString shapeC3D::GetEventLabel(int frame, int* context, int* icon) {
    m_eventLabelText.clear();
    if (m_data && frame >= 0) {
        char text[256];
        if (m_data->GetHeaderEventById(text, frame) || m_data->GetEventById(text, frame)) {
            m_eventLabelText = LabelToWx(text);
            FindEvent(m_eventLabelText, context, icon);
        }
    }
    return m_eventLabelText;
}

bool shapeC3D::AddEvent(const wxString& label, const wxString& name, int frame, int context,
                        int icon) {
    if (!m_data || label.empty()) return false;
    // The new event must be addable before the old one goes, or an edit with a bad frame would
    // lose the event it meant to replace.
    const bool frameOk = frame >= 0 && frame <= m_data->GetFrameCount();
    bool added = false;
    if (frameOk) {
        const int old = FindEvent(label, nullptr, nullptr);
        bool removed = true;
        if (old >= 0) {
            int oldFrame = -1, index = -1;
            if (FindEventByLabel(label, &oldFrame, &index)) {
                // This very item, not merely the first event at its frame.
                removed = m_data->events->RemoveAt(index);
            } else {
                removed = false;
                const std::string wanted = WxToLabel(label);
                LabelledItemList* headers = m_data->headerEvents;
                for (int i = 0; i < CountOf(headers); ++i) {
                    const LabelledItem* item = headers->GetItem(i);
                    if (item && item->id == old && dez::EqualsNoCase(item->name, wanted)) {
                        removed = headers->RemoveAt(i);
                        break;
                    }
                }
                if (!removed) removed = m_data->RemoveHeaderEvent(old);
            }
        }
        if (removed)
            added = m_data->AddEvent(frame, WxToLabel(name).c_str(), context, icon, true);
    }
    m_data->SetModified(true);
    if (!added) {
        std::cout << _("Error seting new events : ").utf8_str().data() << WxToLabel(name)
                  << _(" @ ").utf8_str().data() << frame << _(", contextId=").utf8_str().data()
                  << context << _(" , iconId=").utf8_str().data() << icon << std::endl;
    }
    return added;
}

// ---- links ----

void shapeC3D::AddToDisplayList(const wxArrayInt& markers, bool asOneLink) {
    if (markers.IsEmpty()) return;
    if (!m_links) NewLinks();
    m_links->AppendLinkArray(markers, asOneLink, false);
    BindLinks();
}

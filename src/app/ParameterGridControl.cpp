#include "app/ParameterGridControl.h"

#include <map>
#include <string>
#include <variant>
#include <vector>

#include <wx/colour.h>
#include <wx/intl.h>
#include <wx/propgrid/advprops.h>
#include <wx/propgrid/propgrid.h>
#include <wx/propgrid/props.h>

#include "view/myGLCanvas.h"

float* CanvasParameters::GetBackgroundColour() { return m_canvas.GetBackgroundColour(); }
CanvasLight* CanvasParameters::GetLights(int* count) { return m_canvas.GetLights(count); }
void CanvasParameters::SetLights() { m_canvas.SetLights(); }
GroundPlaneSettings* CanvasParameters::GetGroundPlane() { return m_canvas.GetGroundPlane(); }
wxGLCamera* CanvasParameters::GetCamera() { return m_canvas.GetCamera(); }
bool CanvasParameters::GetWire() { return m_canvas.GetWire(); }
void CanvasParameters::SetWire(bool wire) { m_canvas.SetWire(wire); }
bool CanvasParameters::GetShowButtons() { return m_canvas.GetShowButtons(); }
void CanvasParameters::SetShowButtons(bool show) { m_canvas.SetShowButtons(show); }

namespace {

wxString Label(const GridRow& row) {
    const wxString text = wxGetTranslation(wxString::FromUTF8(row.label));
    return row.number > 0 ? wxString::Format(text, row.number) : text;
}

wxPGProperty* MakeProperty(const GridRow& row, const ParameterGrid& rules) {
    const wxString label = Label(row);
    const wxString name = wxString::FromUTF8(row.name);
    GridValue value;
    const bool known = rules.Value(row.name, &value);
    switch (row.kind) {
    case GridRowKind::Category:
        // Categories other than the lights' are named by their (translated) label.
        return new wxPropertyCategory(label, row.name != row.label ? name : wxString(wxPG_LABEL));
    case GridRowKind::Colour: {
        const GridColour c = known ? std::get<GridColour>(value) : GridColour();
        return new wxColourProperty(label, name, wxColour(c.red, c.green, c.blue, 255));
    }
    case GridRowKind::Bool:
        return new wxBoolProperty(label, name, known && std::get<bool>(value));
    case GridRowKind::Float:
        return new wxFloatProperty(label, name, known ? std::get<double>(value) : 0.0);
    case GridRowKind::Int:
        return new wxIntProperty(label, name, known ? std::get<long>(value) : 0);
    case GridRowKind::Enum: {
        wxPGChoices choices;
        for (int i = 0; i < 3; ++i) choices.Add(wxGetTranslation(kPlaneTypeLabels[i]), i);
        return new wxEnumProperty(label, name, choices, known ? std::get<long>(value) : 0);
    }
    }
    return nullptr;
}

}  // namespace

void FillParameterGrid(wxPropertyGrid& grid, ParameterCanvas& canvas) {
    const ParameterGrid rules(canvas);
    int lightCount = 0;
    canvas.GetLights(&lightCount);

    // The spin control is not among the editors the grid registers by itself.
    wxPropertyGrid::RegisterAdditionalEditors();
    grid.Freeze();
    grid.Clear();
    // Rows by the name the rules give them, so that children find their category whatever the
    // category's (translated) label is.
    std::map<std::string, wxPGProperty*> appended;
    std::vector<wxPGProperty*> folded;
    for (const GridRow& row : ParameterGrid::Rows(lightCount)) {
        wxPGProperty* property = MakeProperty(row, rules);
        const auto parent = appended.find(row.parent);
        property = parent == appended.end() ? grid.Append(property)
                                            : grid.AppendIn(parent->second, property);
        appended[row.name] = property;
        if (row.collapsed) folded.push_back(property);
        if (row.kind == GridRowKind::Int) grid.SetPropertyEditor(property, wxPGEditor_SpinCtrl);
    }
    for (wxPGProperty* property : folded) grid.Collapse(property);
    grid.SetPropertyAttributeAll(wxPG_BOOL_USE_CHECKBOX, true);
    grid.Thaw();
}

void RefreshParameterGrid(wxPropertyGrid& grid, ParameterCanvas& canvas) {
    const ParameterGrid rules(canvas);
    const wxPGProperty* edited = grid.IsEditorFocused() ? grid.GetSelection() : nullptr;
    // Folded categories too: the eye and centre rows start folded.
    for (wxPropertyGridIterator it = grid.GetIterator(wxPG_ITERATE_ALL); !it.AtEnd(); ++it) {
        wxPGProperty* property = *it;
        if (property == edited || property->IsCategory()) continue;
        GridValue now;
        if (!rules.Value(property->GetName().utf8_string(), &now)) continue;
        GridValue shown;
        if (GridValueFromVariant(property->GetValue(), &shown) && shown == now) continue;
        wxVariant value;
        if (const auto* colour = std::get_if<GridColour>(&now))
            value = WXVARIANT(wxColour(colour->red, colour->green, colour->blue, 255));
        else if (const bool* flag = std::get_if<bool>(&now))
            value = *flag;
        else if (const long* whole = std::get_if<long>(&now))
            value = *whole;
        else
            value = std::get<double>(now);
        grid.SetPropertyValue(property, value);
    }
}

bool GridValueFromVariant(const wxVariant& variant, GridValue* out) {
    const wxString type = variant.GetType();
    if (type == "bool") {
        *out = variant.GetBool();
    } else if (type == "long") {
        *out = variant.GetLong();
    } else if (type == "double") {
        *out = variant.GetDouble();
    } else if (type == "wxColour") {
        wxColour colour;
        colour << variant;
        *out = GridColour{colour.Red(), colour.Green(), colour.Blue()};
    } else if (type == "wxColourPropertyValue") {
        wxColourPropertyValue value;
        value << variant;
        const wxColour& colour = value.m_colour;
        *out = GridColour{colour.Red(), colour.Green(), colour.Blue()};
    } else {
        return false;
    }
    return true;
}

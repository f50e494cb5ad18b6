#pragma once
// The "3D Parameters" grid control and the scene canvas as the grid's rules see them: the rows of
// ParameterGrid built as toolkit properties, and an edited property's value handed back to the
// rules.
#include "app/ParameterGrid.h"

class myGLCanvas;
class wxPropertyGrid;
class wxVariant;

// The scene canvas behind the ParameterCanvas interface.
class CanvasParameters : public ParameterCanvas {
public:
    explicit CanvasParameters(myGLCanvas& canvas) : m_canvas(canvas) {}
    float* GetBackgroundColour() override;
    CanvasLight* GetLights(int* count) override;
    void SetLights() override;
    GroundPlaneSettings* GetGroundPlane() override;
    wxGLCamera* GetCamera() override;
    bool GetWire() override;
    void SetWire(bool wire) override;
    bool GetShowButtons() override;
    void SetShowButtons(bool show) override;

private:
    myGLCanvas& m_canvas;
};

// Clears the grid and builds every row with the value it has now; labels pass through the
// translation lookup, names never do. Boolean rows show check boxes, the grid number a spin
// control; "Lights" and the position categories of the plane, eye and centre start folded.
void FillParameterGrid(wxPropertyGrid& grid, ParameterCanvas& canvas);

// Sets every row whose value differs from the view's now (a key or the view's menu changed it),
// without the grid's change events; the row being edited keeps what is typed in it.
void RefreshParameterGrid(wxPropertyGrid& grid, ParameterCanvas& canvas);

// A property's value as the rules take it: check boxes as bool, whole numbers and choices as
// long, reals as double, colours as GridColour. False for any other kind of value.
bool GridValueFromVariant(const wxVariant& variant, GridValue* out);

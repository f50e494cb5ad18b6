#pragma once
// The rules of the "3D Parameters" grid, kept free of the grid control so they can be checked on
// their own: which rows it holds and in what order, the value each row shows, which entries it
// refuses, and what an accepted entry changes in the view, the camera or a settings value.
// MyFrame turns the rows into grid properties and hands every edit to ParameterGrid::Apply.
#include <string>
#include <variant>
#include <vector>

#include "view/CanvasSettings.h"

struct CanvasLight;
struct GroundPlaneSettings;
class wxGLCamera;

// What of the 3-D view the grid reads and edits. The lights, the background colour and the
// ground plane are edited in place; a light edit is followed by SetLights.
class ParameterCanvas {
public:
    virtual ~ParameterCanvas() = default;
    virtual float* GetBackgroundColour() = 0;
    virtual CanvasLight* GetLights(int* count) = 0;
    virtual void SetLights() = 0;
    virtual GroundPlaneSettings* GetGroundPlane() = 0;
    virtual wxGLCamera* GetCamera() = 0;
    virtual bool GetWire() = 0;
    virtual void SetWire(bool wire) = 0;
    virtual bool GetShowButtons() = 0;
    virtual void SetShowButtons(bool show) = 0;
};

// A colour as the grid shows it: 0..255 per channel.
struct GridColour {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const GridColour& o) const {
        return red == o.red && green == o.green && blue == o.blue;
    }
};

// A row's value: a check box, a whole number (the grid number, and the plane type's choice), a
// real, or a colour.
using GridValue = std::variant<bool, long, double, GridColour>;

enum class GridRowKind { Category, Colour, Bool, Float, Int, Enum };

struct GridRow {
    // The text shown, before translation; a "%d" format filled with `number` when that is above 0
    // (the light categories).
    std::string label;
    int number = 0;
    // The internal name, never translated, by which an edit is recognised.
    std::string name;
    GridRowKind kind = GridRowKind::Category;
    // The name of the category the row is appended into; empty for the top level.
    std::string parent;
    // Categories built folded.
    bool collapsed = false;
};

// The plane type's choices, in the order of their values 0, 1, 2 (labels before translation).
extern const char* const kPlaneTypeLabels[3];

// The largest grid number the grid takes: the limit the view keeps when it reads the settings.
inline constexpr long kGridMaxDivisions = kMaxGridDivisions;

// A float 0..1 as a channel of the grid: times 255, truncated (0.3 shows as 76); values outside
// 0..1, and NaN, are shown as the nearest end.
int ColourChannelToGrid(float value);

enum class GridEdit {
    Applied,  // the view, the camera or a settings value took the entry
    Refused,  // nothing changed; Check says why
    Unknown,  // no row of that name: nothing changed
};

class ParameterGrid {
public:
    explicit ParameterGrid(ParameterCanvas& canvas) : m_canvas(canvas) {}

    // The rows in the order they are built, the light rows repeated for each of lightCount lights.
    static std::vector<GridRow> Rows(int lightCount);
    // An event may name a row with a parent prefix ("Plane.plane_X"): the part after the last ".".
    static std::string BaseName(const std::string& name);

    // The value a row shows now; false for categories and unknown names.
    bool Value(const std::string& name, GridValue* out) const;
    // Why an entry is refused, or "" when it is taken (unknown names included). Values that are
    // divisors, scales, sizes, angles or counts must be finite and above 0 (the lens also below
    // 180 degrees, the grid number at most kGridMaxDivisions); positions must be finite, and the
    // eye may not be put on the centre or the centre on the eye.
    std::string Check(const std::string& name, const GridValue& value) const;
    // Applies one entry. Only the row named changes: the other coordinates of the eye or centre
    // and the other rows are taken from the view as it is now, not from what the grid shows.
    GridEdit Apply(const std::string& name, const GridValue& value);

private:
    // False for a light row whose index names no light of the view; true for any other name.
    bool IsLightOfView(const std::string& name) const;

    ParameterCanvas& m_canvas;
};

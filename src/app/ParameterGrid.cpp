#include "app/ParameterGrid.h"

#include <cfloat>
#include <cmath>
#include <string_view>

#include "app/ShellSettings.h"
#include "gl/AppSettings.h"
#include "gl/wxGLCamera.h"
#include "platform/NumberText.h"
#include "view/CanvasSettings.h"

const char* const kPlaneTypeLabels[3] = {"Horizontal", "Frontal", "Saggital"};

namespace {

const char kMustBePositive[] = "The value must be a number above 0.";
const char kMustBeFinite[] = "The value must be a finite number.";
const char kLensRange[] = "The lens angle must be above 0 and below 180 degrees.";
const char kPlaneTypeRange[] = "The plane type must be Horizontal, Frontal or Saggital.";
const char kEyeOnCentre[] = "The camera's eye and centre must differ.";
const char kWrongKind[] = "The value is not of the row's kind.";

// The rows whose value is a light's: the prefix, then the zero-based light index.
const char kLightColour[] = "light_color ";
const char kLightPosition[3][20] = {"light_position_x ", "light_position_y ", "light_position_z "};

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The light index after the prefix; -1 when the rest is not a whole number.
int LightIndex(const std::string& name, size_t prefixLength) {
    const std::string digits = name.substr(prefixLength);
    if (digits.empty() || digits.size() > 3 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    long index = -1;
    return dez::ParseInt(digits, index) ? static_cast<int>(index) : -1;
}

// Which part of a light a row names: 0 its colour, 1 to 3 its position x, y or z; -1 none.
int LightPart(const std::string& name, size_t* prefixLength) {
    if (StartsWith(name, kLightColour)) {
        *prefixLength = sizeof(kLightColour) - 1;
        return 0;
    }
    for (int axis = 0; axis < 3; ++axis) {
        if (StartsWith(name, kLightPosition[axis])) {
            *prefixLength = std::string_view(kLightPosition[axis]).size();
            return axis + 1;
        }
    }
    return -1;
}

// The coordinate a row ending in "_X", "_Y" or "_Z" names, after the given stem; -1 otherwise.
int Coordinate(const std::string& name, std::string_view stem) {
    if (name.size() != stem.size() + 2 || !StartsWith(name, stem) || name[stem.size()] != '_')
        return -1;
    switch (name.back()) {
    case 'X': return 0;
    case 'Y': return 1;
    case 'Z': return 2;
    default: return -1;
    }
}

bool AsReal(const GridValue& value, double* out) {
    if (const double* d = std::get_if<double>(&value)) *out = *d;
    else if (const long* l = std::get_if<long>(&value)) *out = static_cast<double>(*l);
    else return false;
    return true;
}

bool IsFiniteFloat(double value) { return std::isfinite(value) && std::fabs(value) <= FLT_MAX; }
bool IsPositiveFloat(double value) { return IsFiniteFloat(value) && value > 0; }
bool IsPositive(double value) { return std::isfinite(value) && value > 0; }

GridColour ToGrid(const float* rgb) {
    return {ColourChannelToGrid(rgb[0]), ColourChannelToGrid(rgb[1]), ColourChannelToGrid(rgb[2])};
}

void FromGrid(const GridColour& colour, float* rgb) {
    const int channels[3] = {colour.red, colour.green, colour.blue};
    for (int i = 0; i < 3; ++i) {
        const int c = channels[i] < 0 ? 0 : channels[i] > 255 ? 255 : channels[i];
        rgb[i] = static_cast<float>(c) / 255.0f;
    }
}

enum class Rule { None, Colour, Bool, FiniteFloat, PositiveFloat, ZoomFactor, ZoomIncrement,
                  CameraMove, Lens, BvhScale, GridNumber, PlaneType, Eye, Centre };

// The rule each real-valued, whole-numbered, boolean or colour row follows.
Rule RuleOf(const std::string& name) {
    size_t prefix = 0;
    const int lightPart = LightPart(name, &prefix);
    if (lightPart == 0) return Rule::Colour;
    if (lightPart > 0) return Rule::FiniteFloat;
    if (name == "BKCOLOR" || name == "Plane Colour") return Rule::Colour;
    if (name == "Wire Mode" || name == "Show Plane" || name == "Show main axis" ||
        name == "Show Buttons" || name == "BVH_ICNH")
        return Rule::Bool;
    if (name == "camera_zoom_factor") return Rule::ZoomFactor;
    if (name == "camera_zoom_inc") return Rule::ZoomIncrement;
    if (name == "camera_move") return Rule::CameraMove;
    if (name == "camera_default_lens") return Rule::Lens;
    if (name == "BVH_SCALE") return Rule::BvhScale;
    if (name == "Plane Size" || name == "Axis Size") return Rule::PositiveFloat;
    if (name == "Grid number") return Rule::GridNumber;
    if (name == "Plane Type") return Rule::PlaneType;
    if (Coordinate(name, "plane") >= 0) return Rule::FiniteFloat;
    if (Coordinate(name, "eye") >= 0) return Rule::Eye;
    if (Coordinate(name, "center") >= 0) return Rule::Centre;
    return Rule::None;
}

GridRow Category(const char* label, const std::string& parent = std::string(),
                 bool collapsed = false) {
    return {label, 0, label, GridRowKind::Category, parent, collapsed};
}

GridRow Row(const char* label, const std::string& name, GridRowKind kind,
            const std::string& parent) {
    return {label, 0, name, kind, parent, false};
}

// A folded category holding the X, Y and Z rows of one point, named "<stem>_X" and so on.
void AddPointRows(std::vector<GridRow>& rows, const char* category, const char* parent,
                  const std::string& stem) {
    rows.push_back(Category(category, parent, true));
    for (const char* axis : {"X", "Y", "Z"})
        rows.push_back(Row(axis, stem + "_" + axis, GridRowKind::Float, category));
}

// The light a light row names and which part of it (*part as LightPart gives); null when the
// row is no light's or names a light the view does not have.
CanvasLight* LightOf(ParameterCanvas& canvas, const std::string& name, int* part) {
    size_t prefix = 0;
    *part = LightPart(name, &prefix);
    if (*part < 0) return nullptr;
    int count = 0;
    CanvasLight* lights = canvas.GetLights(&count);
    const int index = LightIndex(name, prefix);
    if (lights == nullptr || index < 0 || index >= count) return nullptr;
    return &lights[index];
}

// The camera's eye (or centre) point.
void CameraPoint(wxGLCamera& camera, bool eye, double p[3]) {
    if (eye) camera.GetEye(&p[0], &p[1], &p[2]);
    else camera.GetCentre(&p[0], &p[1], &p[2]);
}

}  // namespace

int ColourChannelToGrid(float value) {
    if (!(value > 0)) return 0;
    if (value >= 1) return 255;
    return static_cast<int>(value * 255.0f);
}

std::vector<GridRow> ParameterGrid::Rows(int lightCount) {
    std::vector<GridRow> rows;
    rows.push_back(Category("3D Workspace"));
    rows.push_back(Row("Background colour", "BKCOLOR", GridRowKind::Colour, "3D Workspace"));
    rows.push_back(Row("Wire mode", "Wire Mode", GridRowKind::Bool, "3D Workspace"));

    rows.push_back(Category("Lights", std::string(), true));
    for (int n = 1; n <= lightCount; ++n) {
        const std::string light = dez::Format("Light_%d", n);
        const std::string position = dez::Format("Position_Light_%d", n);
        rows.push_back({"Light_%d", n, light, GridRowKind::Category, "Lights", false});
        rows.push_back(
            Row("Colour", dez::Format("light_color %d", n - 1), GridRowKind::Colour, light));
        rows.push_back({"Position", 0, position, GridRowKind::Category, light, false});
        const char* axes[3] = {"X", "Y", "Z"};
        for (int axis = 0; axis < 3; ++axis)
            rows.push_back(Row(axes[axis], kLightPosition[axis] + std::to_string(n - 1),
                               GridRowKind::Float, position));
    }

    rows.push_back(Category("Plane"));
    rows.push_back(Row("Show Plane", "Show Plane", GridRowKind::Bool, "Plane"));
    rows.push_back(Row("Plane Colour", "Plane Colour", GridRowKind::Colour, "Plane"));
    rows.push_back(Row("Plane Size", "Plane Size", GridRowKind::Float, "Plane"));
    rows.push_back(Row("Grid number", "Grid number", GridRowKind::Int, "Plane"));
    rows.push_back(Row("Plane Type", "Plane Type", GridRowKind::Enum, "Plane"));
    AddPointRows(rows, "Position", "Plane", "plane");

    rows.push_back(Category("Axis"));
    rows.push_back(Row("Show main axis", "Show main axis", GridRowKind::Bool, "Axis"));
    rows.push_back(Row("Axis Size", "Axis Size", GridRowKind::Float, "Axis"));
    rows.push_back(Row("Show buttons", "Show Buttons", GridRowKind::Bool, "Axis"));

    rows.push_back(Category("Camera"));
    rows.push_back(Row("Zoom Increment", "camera_zoom_inc", GridRowKind::Float, "Camera"));
    rows.push_back(Row("Zoom Factor", "camera_zoom_factor", GridRowKind::Float, "Camera"));
    rows.push_back(Row("Move Factor", "camera_move", GridRowKind::Float, "Camera"));
    rows.push_back(Row("Lens angle", "camera_default_lens", GridRowKind::Float, "Camera"));
    AddPointRows(rows, "Eye Position", "Camera", "eye");
    AddPointRows(rows, "Center Position", "Camera", "center");

    rows.push_back(Category("BVH Import Parameters"));
    rows.push_back(Row("Inch unit", "BVH_ICNH", GridRowKind::Bool, "BVH Import Parameters"));
    rows.push_back(Row("Scale", "BVH_SCALE", GridRowKind::Float, "BVH Import Parameters"));
    return rows;
}

std::string ParameterGrid::BaseName(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

bool ParameterGrid::Value(const std::string& fullName, GridValue* out) const {
    const std::string name = BaseName(fullName);
    int lightPart = -1;
    const CanvasLight* light = LightOf(m_canvas, name, &lightPart);
    if (lightPart >= 0) {
        if (light == nullptr) return false;
        if (lightPart == 0) *out = ToGrid(light->colour);
        else *out = static_cast<double>(light->position[lightPart - 1]);
        return true;
    }
    const GroundPlaneSettings& plane = *m_canvas.GetGroundPlane();
    wxGLCamera& camera = *m_canvas.GetCamera();
    double eye[3], centre[3];
    camera.GetEye(&eye[0], &eye[1], &eye[2]);
    camera.GetCentre(&centre[0], &centre[1], &centre[2]);

    if (name == "BKCOLOR") *out = ToGrid(m_canvas.GetBackgroundColour());
    else if (name == "Wire Mode") *out = m_canvas.GetWire();
    else if (name == "Show Plane") *out = plane.visible;
    else if (name == "Plane Colour") *out = ToGrid(plane.colour);
    else if (name == "Plane Size") *out = static_cast<double>(plane.size);
    else if (name == "Grid number") *out = static_cast<long>(plane.gridDivisions);
    else if (name == "Plane Type") *out = static_cast<long>(plane.type);
    else if (Coordinate(name, "plane") >= 0)
        *out = static_cast<double>(plane.position[Coordinate(name, "plane")]);
    else if (name == "Show main axis") *out = plane.showAxis;
    else if (name == "Axis Size") *out = static_cast<double>(plane.axisSize);
    else if (name == "Show Buttons") *out = m_canvas.GetShowButtons();
    else if (name == "camera_zoom_inc") *out = camera_zoom_inc;
    else if (name == "camera_zoom_factor") *out = camera_zoom_factor;
    else if (name == "camera_move") *out = camera_move;
    // The lens the view has now, which a zoom may have moved away from the default.
    else if (name == "camera_default_lens") *out = camera.GetLens();
    else if (Coordinate(name, "eye") >= 0) *out = eye[Coordinate(name, "eye")];
    else if (Coordinate(name, "center") >= 0) *out = centre[Coordinate(name, "center")];
    else if (name == "BVH_ICNH") *out = bvh_inch_unit;
    else if (name == "BVH_SCALE") *out = bvh_scale;
    else return false;
    return true;
}

std::string ParameterGrid::Check(const std::string& fullName, const GridValue& value) const {
    const std::string name = BaseName(fullName);
    const Rule rule = RuleOf(name);
    if (rule == Rule::None || !IsLightOfView(name)) return std::string();
    if (rule == Rule::Colour)
        return std::holds_alternative<GridColour>(value) ? std::string() : kWrongKind;
    if (rule == Rule::Bool)
        return std::holds_alternative<bool>(value) ? std::string() : kWrongKind;
    if (rule == Rule::GridNumber || rule == Rule::PlaneType) {
        const long* whole = std::get_if<long>(&value);
        if (whole == nullptr) return kWrongKind;
        if (rule == Rule::GridNumber)
            return *whole >= 1 && *whole <= kGridMaxDivisions
                       ? std::string()
                       : dez::Format("The grid number must be a whole number from 1 to %ld.",
                                     kGridMaxDivisions);
        return *whole >= 0 && *whole <= 2 ? std::string() : kPlaneTypeRange;
    }
    double real = 0;
    if (!AsReal(value, &real)) return kWrongKind;
    switch (rule) {
    case Rule::FiniteFloat: return IsFiniteFloat(real) ? std::string() : kMustBeFinite;
    case Rule::PositiveFloat: return IsPositiveFloat(real) ? std::string() : kMustBePositive;
    case Rule::ZoomFactor: return IsAcceptedZoomFactor(real) ? std::string() : kMustBePositive;
    // A zoom step of 0 or less would be replaced by the camera's own at the next zoom: refused
    // here rather than shown but not used.
    case Rule::ZoomIncrement:
        return IsAcceptedZoomIncrement(real) && IsPositive(real) ? std::string() : kMustBePositive;
    case Rule::CameraMove: return IsAcceptedCameraMove(real) ? std::string() : kMustBePositive;
    case Rule::Lens: return IsAcceptedDefaultLens(real) ? std::string() : kLensRange;
    case Rule::BvhScale: return IsAcceptedBvhScale(real) ? std::string() : kMustBePositive;
    case Rule::Eye:
    case Rule::Centre: {
        if (!std::isfinite(real)) return kMustBeFinite;
        // The view looks from the eye towards the centre: the two on one point leave it no
        // direction.
        wxGLCamera& camera = *m_canvas.GetCamera();
        const bool eye = rule == Rule::Eye;
        double moved[3], other[3];
        CameraPoint(camera, eye, moved);
        CameraPoint(camera, !eye, other);
        moved[eye ? Coordinate(name, "eye") : Coordinate(name, "center")] = real;
        const bool same = moved[0] == other[0] && moved[1] == other[1] && moved[2] == other[2];
        return same ? kEyeOnCentre : std::string();
    }
    default: return std::string();
    }
}

bool ParameterGrid::IsLightOfView(const std::string& name) const {
    int part = -1;
    const CanvasLight* light = LightOf(m_canvas, name, &part);
    return part < 0 || light != nullptr;
}

GridEdit ParameterGrid::Apply(const std::string& fullName, const GridValue& value) {
    const std::string name = BaseName(fullName);
    if (RuleOf(name) == Rule::None || !IsLightOfView(name)) return GridEdit::Unknown;
    if (!Check(name, value).empty()) return GridEdit::Refused;

    int lightPart = -1;
    CanvasLight* light = LightOf(m_canvas, name, &lightPart);
    if (lightPart >= 0) {
        double real = 0;
        if (lightPart == 0) FromGrid(std::get<GridColour>(value), light->colour);
        else if (AsReal(value, &real)) light->position[lightPart - 1] = static_cast<float>(real);
        m_canvas.SetLights();
        return GridEdit::Applied;
    }

    GroundPlaneSettings& plane = *m_canvas.GetGroundPlane();
    wxGLCamera& camera = *m_canvas.GetCamera();
    double real = 0;
    AsReal(value, &real);
    const bool* flag = std::get_if<bool>(&value);
    const long* whole = std::get_if<long>(&value);

    if (name == "BKCOLOR") FromGrid(std::get<GridColour>(value), m_canvas.GetBackgroundColour());
    else if (name == "camera_zoom_factor") camera_zoom_factor = real;
    else if (name == "camera_zoom_inc") camera_zoom_inc = real;
    else if (name == "camera_move") camera_move = real;
    // The view's lens only: the lens a reset restores stays.
    else if (name == "camera_default_lens") camera.SetLens(real);
    else if (name == "Show Plane") plane.visible = *flag;
    else if (name == "Plane Size") plane.size = static_cast<float>(real);
    else if (name == "Grid number") plane.gridDivisions = static_cast<int>(*whole);
    else if (name == "Plane Type") plane.type = static_cast<int>(*whole);
    else if (name == "Show main axis") plane.showAxis = *flag;
    else if (name == "Show Buttons") m_canvas.SetShowButtons(*flag);
    else if (name == "Axis Size") plane.axisSize = static_cast<float>(real);
    else if (name == "Plane Colour") FromGrid(std::get<GridColour>(value), plane.colour);
    else if (Coordinate(name, "plane") >= 0)
        plane.position[Coordinate(name, "plane")] = static_cast<float>(real);
    else if (Coordinate(name, "eye") >= 0 || Coordinate(name, "center") >= 0) {
        const bool eye = Coordinate(name, "eye") >= 0;
        double p[3];
        CameraPoint(camera, eye, p);
        p[eye ? Coordinate(name, "eye") : Coordinate(name, "center")] = real;
        if (eye) camera.SetEye(p[0], p[1], p[2]);
        else camera.SetCentre(p[0], p[1], p[2]);
    } else if (name == "Wire Mode") m_canvas.SetWire(*flag);
    else if (name == "BVH_ICNH") bvh_inch_unit = *flag;
    else if (name == "BVH_SCALE") bvh_scale = real;
    else return GridEdit::Unknown;
    return GridEdit::Applied;
}

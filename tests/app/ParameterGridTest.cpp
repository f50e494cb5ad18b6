// The rules of the "3D Parameters" grid against a plain stand-in for the canvas: the values the
// rows show, what each kind of entry changes, which entries are refused (and then change nothing),
// and that an edit never writes other rows' values back.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "app/ParameterGrid.h"
#include "gl/AppSettings.h"
#include "gl/wxGLCamera.h"
#include "platform/NumberText.h"
#include "support/AppSettingsReset.h"
#include "support/WxBaseFixture.h"
#include "view/CanvasSettings.h"

namespace {

// The canvas's defaults, a camera like the canvas's after its reset, and counts of the calls the
// rules must make.
class FakeCanvas : public ParameterCanvas {
public:
    FakeCanvas() {
        lights[0] = {{-10, -50, 50, 0}, {0.7f, 0.7f, 0.9f, 1}};
        lights[1] = {{10, 50, 50, 0}, {0.8f, 0.8f, 1, 1}};
        camera.SetCentre(0, 0, 0.5);
        camera.SetEye(0, -4, 1);
    }
    float* GetBackgroundColour() override { return background; }
    CanvasLight* GetLights(int* count) override {
        *count = 2;
        return lights;
    }
    void SetLights() override { ++setLightsCalls; }
    GroundPlaneSettings* GetGroundPlane() override { return &plane; }
    wxGLCamera* GetCamera() override { return &camera; }
    bool GetWire() override { return wire; }
    void SetWire(bool on) override {
        wire = on;
        ++setWireCalls;
    }
    bool GetShowButtons() override { return buttons; }
    void SetShowButtons(bool show) override { buttons = show; }

    // Everything an edit may change, exactly, for before/after comparisons.
    std::string Describe() {
        std::string text;
        auto add = [&text](const char* what, double v) { text += dez::Format("%s=%a ", what, v); };
        for (int i = 0; i < 4; ++i) add("bg", background[i]);
        for (const CanvasLight& light : lights)
            for (int i = 0; i < 4; ++i) {
                add("lp", light.position[i]);
                add("lc", light.colour[i]);
            }
        for (int i = 0; i < 4; ++i) add("pc", plane.colour[i]);
        for (int i = 0; i < 3; ++i) add("pp", plane.position[i]);
        add("type", plane.type);
        add("size", plane.size);
        add("grid", plane.gridDivisions);
        add("visible", plane.visible);
        add("axis", plane.showAxis);
        add("auto", plane.autoPlace);
        add("axisSize", plane.axisSize);
        add("wire", wire);
        add("buttons", buttons);
        double p[3];
        camera.GetEye(&p[0], &p[1], &p[2]);
        for (double v : p) add("eye", v);
        camera.GetCentre(&p[0], &p[1], &p[2]);
        for (double v : p) add("centre", v);
        add("lens", camera.GetLens());
        add("zoomFactor", camera_zoom_factor);
        add("zoomInc", camera_zoom_inc);
        add("move", camera_move);
        add("defaultLens", camera_default_lens);
        add("inch", bvh_inch_unit);
        add("scale", bvh_scale);
        return text;
    }

    float background[4] = {0.2f, 0.3f, 0.5f, 1};
    CanvasLight lights[2];
    GroundPlaneSettings plane;
    wxGLCamera camera;
    bool wire = false;
    bool buttons = true;
    int setLightsCalls = 0;
    int setWireCalls = 0;
};

class ParameterGridTest : public WxBaseTest {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() { testsupport::RestoreAppSettings(); }
    GridValue ValueOf(const std::string& name) {
        GridValue value;
        EXPECT_TRUE(ParameterGrid(canvas).Value(name, &value)) << name;
        return value;
    }

    FakeCanvas canvas;
};

TEST_F(ParameterGridTest, ColoursShowTruncatedAndComeBackAsChannelsOver255) {
    EXPECT_EQ(std::get<GridColour>(ValueOf("BKCOLOR")), (GridColour{51, 76, 127}));
    // Written back unchanged: red is exactly 0.2 again, the others what the grid could show.
    ParameterGrid grid(canvas);
    EXPECT_EQ(grid.Apply("BKCOLOR", GridColour{51, 76, 127}), GridEdit::Applied);
    EXPECT_EQ(canvas.background[0], 0.2f);
    EXPECT_EQ(canvas.background[1], 76 / 255.0f);
    EXPECT_EQ(canvas.background[2], 127 / 255.0f);
    EXPECT_EQ(canvas.background[3], 1.0f);

    // Stored colours outside 0..1 show as the nearest end instead of wrapping around a byte.
    const struct {
        float value;
        int shown;
    } channels[] = {{0, 0}, {1, 255}, {0.999f, 254}, {1.5f, 255}, {-0.2f, 0},
                    {std::numeric_limits<float>::quiet_NaN(), 0}};
    for (const auto& c : channels) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(ColourChannelToGrid(c.value), c.shown);
    }
}

TEST_F(ParameterGridTest, TheLensRowShowsTheViewsLensAndEditsOnlyIt) {
    canvas.camera.SetLens(30);
    EXPECT_EQ(std::get<double>(ValueOf("camera_default_lens")), 30.0);
    ParameterGrid grid(canvas);
    EXPECT_EQ(grid.Apply("camera_default_lens", 60.0), GridEdit::Applied);
    EXPECT_EQ(canvas.camera.GetLens(), 60.0);
    EXPECT_EQ(camera_default_lens, 45.0);
}

// One accepted entry per row kind and per kind of target (view, lights, plane, camera, settings
// values): what it changes, read back through the row.
TEST_F(ParameterGridTest, EachRowEditsWhatItNames) {
    struct Case {
        const char* name;
        GridValue value;
        std::function<bool(FakeCanvas&)> changed;
    };
    const std::vector<Case> cases = {
        {"Wire Mode", true, [](FakeCanvas& c) { return c.wire && c.setWireCalls == 1; }},
        {"light_color 1", GridColour{255, 0, 51},
         [](FakeCanvas& c) {
             return c.lights[1].colour[0] == 1 && c.lights[1].colour[1] == 0 &&
                    c.lights[1].colour[2] == 0.2f && c.lights[0].colour[0] == 0.7f &&
                    c.setLightsCalls == 1;
         }},
        {"light_position_x 0", 3.5,
         [](FakeCanvas& c) { return c.lights[0].position[0] == 3.5f && c.setLightsCalls == 1; }},
        {"light_position_y 1", -2.0, [](FakeCanvas& c) { return c.lights[1].position[1] == -2; }},
        {"light_position_z 1", 7.0,
         [](FakeCanvas& c) {
             return c.lights[1].position[2] == 7 && c.lights[1].position[3] == 0;
         }},
        {"Show Plane", false, [](FakeCanvas& c) { return !c.plane.visible; }},
        {"Plane Colour", GridColour{255, 255, 255},
         [](FakeCanvas& c) { return c.plane.colour[0] == 1 && c.plane.colour[2] == 1; }},
        {"Plane Size", 2.5, [](FakeCanvas& c) { return c.plane.size == 2.5f; }},
        {"Grid number", 200L, [](FakeCanvas& c) { return c.plane.gridDivisions == 200; }},
        {"Plane Type", 2L, [](FakeCanvas& c) { return c.plane.type == 2; }},
        {"plane_X", 1.0, [](FakeCanvas& c) { return c.plane.position[0] == 1; }},
        {"plane_Y", -1.0, [](FakeCanvas& c) { return c.plane.position[1] == -1; }},
        {"plane_Z", 0.25, [](FakeCanvas& c) { return c.plane.position[2] == 0.25f; }},
        {"Show main axis", false, [](FakeCanvas& c) { return !c.plane.showAxis; }},
        {"Axis Size", 1.5, [](FakeCanvas& c) { return c.plane.axisSize == 1.5f; }},
        {"Show Buttons", false, [](FakeCanvas& c) { return !c.buttons; }},
        {"camera_zoom_inc", 0.2, [](FakeCanvas&) { return camera_zoom_inc == 0.2; }},
        {"camera_zoom_factor", 100.0, [](FakeCanvas&) { return camera_zoom_factor == 100; }},
        {"camera_move", 50.0, [](FakeCanvas&) { return camera_move == 50; }},
        {"center_Z", 2.0,
         [](FakeCanvas& c) {
             double x, y, z;
             c.camera.GetCentre(&x, &y, &z);
             return x == 0 && y == 0 && z == 2;
         }},
        {"eye_X", 3.0,
         [](FakeCanvas& c) {
             double x, y, z;
             c.camera.GetEye(&x, &y, &z);
             return x == 3 && y == -4 && z == 1;
         }},
        {"BVH_ICNH", false, [](FakeCanvas&) { return !bvh_inch_unit; }},
        {"BVH_SCALE", 2.54, [](FakeCanvas&) { return bvh_scale == 2.54; }},
        // Names may come with their category in front.
        {"Plane.Position.plane_X", 4.0, [](FakeCanvas& c) { return c.plane.position[0] == 4; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeCanvas fresh;
        Reset();
        ParameterGrid grid(fresh);
        EXPECT_EQ(grid.Check(c.name, c.value), "");
        EXPECT_EQ(grid.Apply(c.name, c.value), GridEdit::Applied);
        EXPECT_TRUE(c.changed(fresh)) << fresh.Describe();
        // The row shows what it was given.
        GridValue shown;
        ASSERT_TRUE(grid.Value(c.name, &shown));
        if (std::holds_alternative<double>(c.value) && std::holds_alternative<double>(shown))
            EXPECT_NEAR(std::get<double>(shown), std::get<double>(c.value), 1e-6);
        else
            EXPECT_EQ(shown, c.value);
    }
}

TEST_F(ParameterGridTest, RefusedEntriesChangeNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* name;
        GridValue value;
    };
    std::vector<Case> cases;
    for (const char* positive : {"camera_zoom_inc", "camera_zoom_factor", "camera_move",
                                 "camera_default_lens", "BVH_SCALE", "Plane Size", "Axis Size"})
        for (double bad : {0.0, -1.0, nan, inf, -inf}) cases.push_back({positive, bad});
    // The lens is an angle of a perspective: 180 degrees and more have none.
    cases.push_back({"camera_default_lens", 180.0});
    // Sizes are floats in the view: a double beyond their range is no size.
    cases.push_back({"Plane Size", 1e39});
    for (long bad : {0L, -5L, kGridMaxDivisions + 1, 2000000000L})
        cases.push_back({"Grid number", bad});
    for (long bad : {-1L, 3L}) cases.push_back({"Plane Type", bad});
    for (const char* position : {"light_position_x 0", "light_position_z 1", "plane_X", "plane_Z",
                                 "eye_X", "eye_Z", "center_Y"})
        for (double bad : {nan, inf, -inf}) cases.push_back({position, bad});
    cases.push_back({"plane_Y", -1e39});
    // Values of another kind than the row's.
    cases.push_back({"BKCOLOR", true});
    cases.push_back({"Show Plane", 1.0});
    cases.push_back({"Grid number", 12.0});
    cases.push_back({"plane_X", GridColour{1, 2, 3}});

    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.value.index()));
        FakeCanvas fresh;
        Reset();
        ParameterGrid grid(fresh);
        const std::string before = fresh.Describe();
        EXPECT_FALSE(grid.Check(c.name, c.value).empty());
        EXPECT_EQ(grid.Apply(c.name, c.value), GridEdit::Refused);
        EXPECT_EQ(fresh.Describe(), before);
        EXPECT_EQ(fresh.setLightsCalls, 0);
    }
}

// The view looks from the eye to the centre: one coordinate may not bring them onto one point.
TEST_F(ParameterGridTest, TheEyeAndTheCentreStayApart) {
    ParameterGrid grid(canvas);
    canvas.camera.SetEye(0, 0, 1);  // centre (0, 0, 0.5)
    const std::string before = canvas.Describe();
    EXPECT_FALSE(grid.Check("eye_Z", 0.5).empty());
    EXPECT_EQ(grid.Apply("Eye Position.eye_Z", 0.5), GridEdit::Refused);
    EXPECT_EQ(grid.Apply("center_Z", 1.0), GridEdit::Refused);
    EXPECT_EQ(canvas.Describe(), before);
    // Through each other is fine.
    EXPECT_EQ(grid.Apply("center_Z", 1.5), GridEdit::Applied);
    EXPECT_EQ(grid.Apply("eye_Z", 0.5), GridEdit::Applied);
}

TEST_F(ParameterGridTest, NamesOfNoRowChangeNothing) {
    ParameterGrid grid(canvas);
    const std::string before = canvas.Describe();
    for (const char* name : {"", "Lights", "Plane", "light_color 2", "light_color x",
                             "light_color ", "light_position_x -1", "plane_W", "eye_x",
                             "Auto Calc plane", "bkcolor"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(grid.Apply(name, GridColour{1, 2, 3}), GridEdit::Unknown);
        EXPECT_EQ(grid.Apply(name, 1.0), GridEdit::Unknown);
        EXPECT_EQ(grid.Apply(name, true), GridEdit::Unknown);
        GridValue value;
        EXPECT_FALSE(grid.Value(name, &value));
    }
    EXPECT_EQ(canvas.Describe(), before);
    EXPECT_EQ(canvas.setLightsCalls, 0);
}

// The grid is a snapshot: after the camera moved with the mouse, an edit of one coordinate or of
// another row leaves the rest of the camera where the mouse put it.
TEST_F(ParameterGridTest, AnEditKeepsWhatChangedSinceTheGridWasFilled) {
    ParameterGrid grid(canvas);
    const GridValue shownEyeX = ValueOf("eye_X");
    canvas.camera.SetEye(2, -3, 4);
    canvas.camera.SetCentre(1, 1, 1);
    canvas.camera.SetLens(20);

    EXPECT_EQ(grid.Apply("eye_Y", -6.0), GridEdit::Applied);
    double x, y, z;
    canvas.camera.GetEye(&x, &y, &z);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, -6);
    EXPECT_EQ(z, 4);
    canvas.camera.GetCentre(&x, &y, &z);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(z, 1);
    EXPECT_EQ(canvas.camera.GetLens(), 20);
    EXPECT_EQ(std::get<double>(shownEyeX), 0.0);

    EXPECT_EQ(grid.Apply("BKCOLOR", GridColour{0, 0, 0}), GridEdit::Applied);
    EXPECT_EQ(grid.Apply("camera_move", 10.0), GridEdit::Applied);
    canvas.camera.GetEye(&x, &y, &z);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(canvas.camera.GetLens(), 20);
}

}  // namespace

// The "3D Parameters" grid of the running application: its rows in order with the view's values,
// edits of each kind of row as the grid makes them (through validation and the change event)
// changing the view and what it draws, refused entries, the rebuild after an open, and edited
// values coming back from ~/.Dezozuza.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <wx/config.h>
#include <wx/fileconf.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/propgrid/advprops.h>
#include <wx/propgrid/propgrid.h>
#include <wx/statusbr.h>

#include "app/AppFixture.h"
#include "app/DemoRecording.h"
#include "app/MyFrame.h"
#include "app/ParameterGrid.h"
#include "app/ParameterGridControl.h"
#include "app/SettingsStore.h"
#include "gl/AppSettings.h"
#include "gl/wxGLCamera.h"
#include "objects/object3D.h"
#include "support/AppSettingsReset.h"
#include "support/TestSupport.h"
#include "view/CanvasTestObjects.h"
#include "view/myGLCanvas.h"

namespace {

using apptest::AppTest;

wxVariant ColourValue(int red, int green, int blue) {
    wxVariant value;
    value << wxColour(red, green, blue);
    return value;
}

// Every test starts from the view's and the settings' defaults, the grid built from them.
class GridTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        if (HasFatalFailure()) return;
        canvas = frame().GetCanvas();
        ASSERT_NE(canvas, nullptr);
        grid = frame().GetPropertyGrid();
        ASSERT_NE(grid, nullptr);
        canvas->ResetDefaults();
        canvas->SetWire(false);
        canvas->SetShowButtons(true);
        testsupport::RestoreAppSettings();
        camera_zoom_inc = 0.1;  // what the fixture's store holds
        frame().FillPropertyGrid();
        Yield();
    }

    wxPGProperty* Row(const char* name) {
        wxPGProperty* property = grid->GetPropertyByName(name);
        EXPECT_NE(property, nullptr) << name;
        return property;
    }
    // An entry as the user's editor hands it over: validated, then applied.
    bool Edit(const char* name, const wxVariant& value) {
        const bool taken = grid->ChangePropertyValue(name, value);
        Yield();
        return taken;
    }
    wxImage Picture() {
        const wxImage image = canvas->RenderToImage(false);
        EXPECT_TRUE(image.IsOk());
        return image;
    }
    // Pixels of the lower half (where the ground plane lies) that are not the background.
    static int GroundPixels(const wxImage& image, const wxColour& background) {
        int count = 0;
        for (int y = image.GetHeight() / 2; y < image.GetHeight(); ++y)
            for (int x = image.GetWidth() / 8; x < image.GetWidth(); ++x)
                count += std::abs(image.GetRed(x, y) - background.Red()) > 3 ||
                         std::abs(image.GetGreen(x, y) - background.Green()) > 3 ||
                         std::abs(image.GetBlue(x, y) - background.Blue()) > 3;
        return count;
    }
    static wxColour TopLeft(const wxImage& image) {
        return wxColour(image.GetRed(3, 3), image.GetGreen(3, 3), image.GetBlue(3, 3));
    }
    GridValue Shown(const char* name) {
        GridValue value;
        wxPGProperty* property = Row(name);
        if (property != nullptr) {
            EXPECT_TRUE(GridValueFromVariant(property->GetValue(), &value));
        }
        return value;
    }

    myGLCanvas* canvas = nullptr;
    wxPropertyGrid* grid = nullptr;
};

// The rows depth first, each as "depth|class|label|name|value", categories with "folded" or
// "open".
std::vector<std::string> Describe(wxPGProperty* parent, int depth) {
    std::vector<std::string> rows;
    for (unsigned i = 0; i < parent->GetChildCount(); ++i) {
        wxPGProperty* p = parent->Item(i);
        std::ostringstream row;
        row << depth << '|' << wxString(p->GetClassInfo()->GetClassName()).utf8_string() << '|'
            << p->GetLabel().utf8_string() << '|'
            << p->GetName().utf8_string() << '|';
        GridValue value;
        if (p->IsCategory()) row << (p->IsExpanded() ? "open" : "folded");
        else if (GridValueFromVariant(p->GetValue(), &value))
            std::visit(
                [&row](const auto& v) {
                    using T = std::decay_t<decltype(v)>;
                    if constexpr (std::is_same_v<T, GridColour>)
                        row << v.red << ',' << v.green << ',' << v.blue;
                    else
                        row << v;
                },
                value);
        rows.push_back(row.str());
        for (const std::string& child : Describe(p, depth + 1)) rows.push_back(child);
    }
    return rows;
}

TEST_F(GridTest, RowsInOrderWithTheViewsValues) {
    const std::vector<std::string> expected = {
        "0|wxPropertyCategory|3D Workspace|3D Workspace|open",
        "1|wxColourProperty|Background colour|BKCOLOR|51,76,127",
        "1|wxBoolProperty|Wire mode|Wire Mode|0",
        "0|wxPropertyCategory|Lights|Lights|folded",
        "1|wxPropertyCategory|Light_1|Light_1|open",
        "2|wxColourProperty|Colour|light_color 0|178,178,229",
        "2|wxPropertyCategory|Position|Position_Light_1|open",
        "3|wxFloatProperty|X|light_position_x 0|-10",
        "3|wxFloatProperty|Y|light_position_y 0|-50",
        "3|wxFloatProperty|Z|light_position_z 0|50",
        "1|wxPropertyCategory|Light_2|Light_2|open",
        "2|wxColourProperty|Colour|light_color 1|204,204,255",
        "2|wxPropertyCategory|Position|Position_Light_2|open",
        "3|wxFloatProperty|X|light_position_x 1|10",
        "3|wxFloatProperty|Y|light_position_y 1|50",
        "3|wxFloatProperty|Z|light_position_z 1|50",
        "0|wxPropertyCategory|Plane|Plane|open",
        "1|wxBoolProperty|Show Plane|Show Plane|1",
        "1|wxColourProperty|Plane Colour|Plane Colour|0,0,0",
        "1|wxFloatProperty|Plane Size|Plane Size|4",
        "1|wxIntProperty|Grid number|Grid number|20",
        "1|wxEnumProperty|Plane Type|Plane Type|0",
        "1|wxPropertyCategory|Position|Position|folded",
        "2|wxFloatProperty|X|plane_X|0",
        "2|wxFloatProperty|Y|plane_Y|0",
        "2|wxFloatProperty|Z|plane_Z|0",
        "0|wxPropertyCategory|Axis|Axis|open",
        "1|wxBoolProperty|Show main axis|Show main axis|1",
        "1|wxFloatProperty|Axis Size|Axis Size|0.5",
        "1|wxBoolProperty|Show buttons|Show Buttons|1",
        "0|wxPropertyCategory|Camera|Camera|open",
        "1|wxFloatProperty|Zoom Increment|camera_zoom_inc|0.1",
        "1|wxFloatProperty|Zoom Factor|camera_zoom_factor|250",
        "1|wxFloatProperty|Move Factor|camera_move|200",
        "1|wxFloatProperty|Lens angle|camera_default_lens|45",
        "1|wxPropertyCategory|Eye Position|Eye Position|folded",
        "2|wxFloatProperty|X|eye_X|0",
        "2|wxFloatProperty|Y|eye_Y|-4",
        "2|wxFloatProperty|Z|eye_Z|1",
        "1|wxPropertyCategory|Center Position|Center Position|folded",
        "2|wxFloatProperty|X|center_X|0",
        "2|wxFloatProperty|Y|center_Y|0",
        "2|wxFloatProperty|Z|center_Z|0.5",
        "0|wxPropertyCategory|BVH Import Parameters|BVH Import Parameters|open",
        "1|wxBoolProperty|Inch unit|BVH_ICNH|1",
        "1|wxFloatProperty|Scale|BVH_SCALE|10",
    };
    const std::vector<std::string> rows = Describe(grid->GetRoot(), 0);
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], expected[i]) << "row " << i;

    for (const char* name :
         {"Wire Mode", "Show Plane", "Show main axis", "Show Buttons", "BVH_ICNH"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Row(name)->GetAttribute(wxPG_BOOL_USE_CHECKBOX).GetBool());
        EXPECT_EQ(Row(name)->GetHelpString(), "");
    }
    EXPECT_EQ(Row("Grid number")->GetEditorClass(), wxPGEditor_SpinCtrl);
    const wxPGChoices& types = Row("Plane Type")->GetChoices();
    ASSERT_EQ(types.GetCount(), 3u);
    EXPECT_EQ(types.GetLabel(0), "Horizontal");
    EXPECT_EQ(types.GetLabel(1), "Frontal");
    EXPECT_EQ(types.GetLabel(2), "Saggital");
    EXPECT_EQ(types.GetValue(2), 2);
}

// The lens row shows the view's lens, not the lens a reset restores.
TEST_F(GridTest, TheLensRowShowsTheLensAfterAZoom) {
    canvas->GetCamera()->ZoomIn();
    const double lens = canvas->GetCamera()->GetLens();
    ASSERT_NE(lens, 45.0);
    frame().FillPropertyGrid();
    EXPECT_EQ(std::get<double>(Shown("camera_default_lens")), lens);
    EXPECT_TRUE(Edit("camera_default_lens", 30.0));
    EXPECT_EQ(canvas->GetCamera()->GetLens(), 30.0);
    EXPECT_EQ(camera_default_lens, 45.0);
}

// A colour, a check box, a real, a whole number and a choice: each changes the view and what it
// draws.
TEST_F(GridTest, EditsChangeTheViewAndThePicture) {
    const wxImage start = Picture();
    const wxColour background = TopLeft(start);
    EXPECT_NEAR(background.Red(), 51, 2);
    EXPECT_NEAR(background.Blue(), 127, 2);
    const int ground = GroundPixels(start, background);
    ASSERT_GT(ground, 100);

    // The camera moved since the grid was filled: no edit below may put it back.
    canvas->GetCamera()->SetEye(0, -5, 1.5);

    EXPECT_TRUE(Edit("BKCOLOR", ColourValue(255, 0, 0)));
    EXPECT_EQ(canvas->GetBackgroundColour()[0], 1.0f);
    EXPECT_EQ(canvas->GetBackgroundColour()[1], 0.0f);
    const wxImage red = Picture();
    EXPECT_EQ(TopLeft(red), wxColour(255, 0, 0));

    EXPECT_TRUE(Edit("Plane Size", 1.0));
    EXPECT_EQ(canvas->GetGroundPlane()->size, 1.0f);
    const int smaller = GroundPixels(Picture(), *wxRED);
    EXPECT_LT(smaller, GroundPixels(red, *wxRED));

    EXPECT_TRUE(Edit("Grid number", 2L));
    EXPECT_EQ(canvas->GetGroundPlane()->gridDivisions, 2);
    EXPECT_LT(GroundPixels(Picture(), *wxRED), smaller);

    EXPECT_TRUE(Edit("Plane Type", 1L));  // an upright plane seen edge on, without backdrop
    EXPECT_EQ(canvas->GetGroundPlane()->type, 1);
    const int upright = GroundPixels(Picture(), *wxRED);

    EXPECT_TRUE(Edit("Show Plane", false));
    EXPECT_FALSE(canvas->GetGroundPlane()->visible);
    EXPECT_TRUE(Edit("Show main axis", false));
    EXPECT_FALSE(canvas->GetGroundPlane()->showAxis);
    const int none = GroundPixels(Picture(), *wxRED);
    EXPECT_LT(none, upright);
    EXPECT_LT(none, 20);  // what the axes gizmo leaves

    EXPECT_TRUE(Edit("Wire Mode", true));
    EXPECT_TRUE(canvas->GetWire());
    EXPECT_TRUE(Edit("Show Buttons", false));
    EXPECT_FALSE(canvas->GetShowButtons());
    EXPECT_TRUE(Edit("light_color 1", ColourValue(0, 255, 0)));
    int lights = 0;
    EXPECT_EQ(canvas->GetLights(&lights)[1].colour[1], 1.0f);
    EXPECT_TRUE(Edit("Axis Size", 2.0));
    EXPECT_EQ(canvas->GetGroundPlane()->axisSize, 2.0f);
    EXPECT_TRUE(Edit("camera_move", 50.0));
    EXPECT_EQ(camera_move, 50.0);
    EXPECT_TRUE(Edit("BVH_SCALE", 2.5));
    EXPECT_EQ(bvh_scale, 2.5);

    double x, y, z;
    canvas->GetCamera()->GetEye(&x, &y, &z);
    EXPECT_EQ(y, -5);
    EXPECT_EQ(z, 1.5);
    EXPECT_TRUE(Edit("eye_X", 1.0));
    canvas->GetCamera()->GetEye(&x, &y, &z);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, -5);
    EXPECT_EQ(z, 1.5);
}

// Refused entries: the row shows the old value again, the view and the settings are unchanged,
// and the status bar says why (no message box).
TEST_F(GridTest, RefusedEntriesLeaveRowAndViewAsTheyWere) {
    struct Case {
        const char* name;
        wxVariant value;
    };
    const Case cases[] = {
        {"Plane Size", 0.0},         {"Plane Size", -2.0},       {"Axis Size", 0.0},
        {"camera_default_lens", 0.0}, {"camera_default_lens", -10.0},
        {"camera_default_lens", 200.0}, {"BVH_SCALE", 0.0},      {"BVH_SCALE", -1.0},
        {"camera_zoom_factor", 0.0}, {"camera_move", -5.0},      {"camera_zoom_inc", 0.0},
        {"Grid number", 0L},         {"Grid number", 100000L},   {"eye_Y", 0.0},
    };
    canvas->GetCamera()->SetEye(0, -4, 0.5);  // eye_Y = 0 would put the eye on the centre
    frame().FillPropertyGrid();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.value.GetString().utf8_string());
        frame().GetStatusBar()->SetStatusText("", 0);
        const GridValue before = Shown(c.name);
        const float size = canvas->GetGroundPlane()->size;
        const double lens = canvas->GetCamera()->GetLens();
        const double scale = bvh_scale;
        EXPECT_FALSE(Edit(c.name, c.value));
        EXPECT_EQ(Shown(c.name), before);
        EXPECT_EQ(canvas->GetGroundPlane()->size, size);
        EXPECT_EQ(canvas->GetCamera()->GetLens(), lens);
        EXPECT_EQ(bvh_scale, scale);
        EXPECT_NE(frame().GetStatusBar()->GetStatusText(0), "");
    }
    double x, y, z;
    canvas->GetCamera()->GetEye(&x, &y, &z);
    EXPECT_EQ(y, -4);
    EXPECT_FALSE(Edit("Plane Size", 0.0));
    EXPECT_EQ(frame().GetStatusBar()->GetStatusText(0), "The value must be a number above 0.");
}

// A wire-mode edit draws a solid body as its edges.
TEST_F(GridTest, WireModeDrawsEdges) {
    auto* window = new wxFrame(nullptr, wxID_ANY, "wire", wxDefaultPosition, wxSize(200, 200));
    auto* view = new TestCanvas(window, wxID_ANY, wxDefaultPosition, wxSize(160, 160));
    window->Show();
    Yield();
    struct Cube : object3D {
        Cube() { m_primitiveType = 1; }
    };
    view->Adopt(new Cube);
    view->SetShowAxesGizmo(false);
    view->GetGroundPlane()->visible = false;
    view->GetGroundPlane()->showAxis = false;
    CanvasParameters parameters(*view);
    ParameterGrid rules(parameters);
    const auto middle = [view] {
        const wxImage image = view->RenderToImage(false);
        return wxColour(image.GetRed(image.GetWidth() / 2, image.GetHeight() / 2),
                        image.GetGreen(image.GetWidth() / 2, image.GetHeight() / 2),
                        image.GetBlue(image.GetWidth() / 2, image.GetHeight() / 2));
    };
    const wxColour solid = middle();
    EXPECT_GT(std::abs(solid.Blue() - 127), 10) << "the cube covers the middle";
    EXPECT_EQ(rules.Apply("Wire Mode", true), GridEdit::Applied);
    EXPECT_TRUE(view->GetWire());
    const wxColour wire = middle();
    EXPECT_NEAR(wire.Red(), 51, 2);
    EXPECT_NEAR(wire.Blue(), 127, 2);
    EXPECT_EQ(rules.Apply("Wire Mode", false), GridEdit::Applied);
    EXPECT_EQ(middle(), solid);
    window->Destroy();
    Yield();
}

// After an open the grid describes the new view, folded as at start.
TEST_F(GridTest, AnOpenRebuildsTheGrid) {
    const std::string path = apptest::FileInHome("grid-walk.c3d");
    ASSERT_TRUE(WriteDemoRecording(path));
    grid->Expand("Eye Position");
    ASSERT_TRUE(frame().OpenFile(wxString::FromUTF8(path)));
    double x, y, z;
    canvas->GetCamera()->GetEye(&x, &y, &z);
    ASSERT_NE(y, -4) << "the view is placed on the recording";
    EXPECT_EQ(std::get<double>(Shown("eye_Y")), y);
    EXPECT_FALSE(Row("Eye Position")->IsExpanded());
}

// Edited values are kept in the store with the other settings and come back at the next start.
TEST_F(GridTest, EditedValuesSurviveARestart) {
    EXPECT_TRUE(Edit("BKCOLOR", ColourValue(255, 0, 51)));
    EXPECT_TRUE(Edit("Show Plane", false));
    EXPECT_TRUE(Edit("Plane Size", 2.5));
    EXPECT_TRUE(Edit("Grid number", 30L));
    EXPECT_TRUE(Edit("Plane Type", 2L));
    EXPECT_TRUE(Edit("Wire Mode", true));
    EXPECT_TRUE(Edit("Show Buttons", false));
    EXPECT_TRUE(Edit("light_position_z 1", 12.5));
    EXPECT_TRUE(Edit("camera_zoom_factor", 125.5));
    EXPECT_TRUE(Edit("camera_move", 50.0));
    EXPECT_TRUE(Edit("BVH_ICNH", false));
    EXPECT_TRUE(Edit("BVH_SCALE", 2.5));

    wxConfigBase* config = wxConfigBase::Get();
    ASSERT_NE(config, nullptr);
    frame().SaveSettings(config);
    // Written as the exit writes it: the store has no file of its own to flush to.
    auto* fileStore = dynamic_cast<wxFileConfig*>(config);
    ASSERT_NE(fileStore, nullptr);
    const std::string store = apptest::Home() + "/.Dezozuza";
    std::string error;
    ASSERT_TRUE(WriteSettingsStore(*fileStore, wxString::FromUTF8(store), &error)) << error;
    {
        const std::string text = testsupport::ReadFileBytes(store);
        EXPECT_NE(text.find("camera_zoom_factor=125.5"), std::string::npos) << text;
        EXPECT_NE(text.find("scale=2.5"), std::string::npos);
    }

    // The next run: everything back to the start values, then the store read from its file.
    canvas->ResetDefaults();
    canvas->SetWire(false);
    canvas->SetShowButtons(true);
    camera_zoom_factor = 250;
    camera_move = 200;
    bvh_inch_unit = true;
    bvh_scale = 10;
    wxFileConfig next("", "", wxString::FromUTF8(store), "", wxCONFIG_USE_LOCAL_FILE);
    frame().LoadSettings(&next);
    frame().FillPropertyGrid();

    EXPECT_EQ(std::get<GridColour>(Shown("BKCOLOR")), (GridColour{255, 0, 51}));
    EXPECT_EQ(Shown("Show Plane"), GridValue(false));
    EXPECT_EQ(Shown("Plane Size"), GridValue(2.5));
    EXPECT_EQ(Shown("Grid number"), GridValue(30L));
    EXPECT_EQ(Shown("Plane Type"), GridValue(2L));
    EXPECT_EQ(Shown("Wire Mode"), GridValue(true));
    EXPECT_EQ(Shown("Show Buttons"), GridValue(false));
    EXPECT_EQ(Shown("light_position_z 1"), GridValue(12.5));
    EXPECT_EQ(Shown("camera_zoom_factor"), GridValue(125.5));
    EXPECT_EQ(Shown("camera_move"), GridValue(50.0));
    EXPECT_EQ(Shown("BVH_ICNH"), GridValue(false));
    EXPECT_EQ(Shown("BVH_SCALE"), GridValue(2.5));

    // Back to what the other tests expect of the store.
    canvas->ResetDefaults();
    frame().SaveSettings(config);
    EXPECT_TRUE(WriteSettingsStore(*fileStore, wxString::FromUTF8(store), &error)) << error;
}

}  // namespace

// OBJ models, DXF drawings and isosurfaces drawn in a real GL context under Xvfb: what reaches
// the primitives and the pixels, and the display lists behind them.
#include <iostream>
#include <sstream>
#include <string>

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <wx/log.h>

#include "shapes/DXFRenderer.h"
#include "shapes/glmObj.h"
#include "shapes/isosurface.h"
#include "support/GLFeedback.h"
#include "support/GLTestHarness.h"
#include "support/TestSupport.h"

namespace {

using testsupport::TempDir;

class ModelDraw : public testsupport::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        if (HasFatalFailure()) return;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        quiet_ = std::cout.rdbuf(log_.rdbuf());
    }
    void TearDown() override {
        std::cout.rdbuf(quiet_);
        GLTest::TearDown();
    }
    wxString Write(const std::string& name, const std::string& text) {
        const std::string path = dir_.file(name);
        EXPECT_TRUE(testsupport::WriteFileBytes(path, text));
        return wxString::FromUTF8(path.c_str());
    }
    std::ostringstream log_;
    TempDir dir_;

private:
    std::streambuf* quiet_ = nullptr;
};

// Two unit squares side by side in the z = 0 plane facing +z, one per group and material.
const char* kTwoSquares =
    "mtllib two.mtl\n"
    "v -2 -1 0\nv 0 -1 0\nv 0 1 0\nv -2 1 0\nv 0.01 -1 0\nv 2 -1 0\nv 2 1 0\nv 0.01 1 0\n"
    "g left\nusemtl red\nf 1 2 3 4\n"
    "g right\nusemtl blue\nf 5 6 7 8\n";
const char* kTwoMaterials =
    "newmtl red\nKa 0 0 0\nKd 1 0 0\nKs 0 0 0\n"
    "newmtl blue\nKa 0 0 0\nKd 0 0 1\nKs 0 0 0\n";

// Counts of red-dominant and blue-dominant pixels.
std::pair<int, int> RedAndBlue(const testsupport::PixelBlock& p) {
    int red = 0, blue = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const auto* c = p.at(x, y);
            if (c[0] > 100 && c[1] < 40 && c[2] < 40) ++red;
            if (c[2] > 100 && c[0] < 40 && c[1] < 40) ++blue;
        }
    return {red, blue};
}

TEST_F(ModelDraw, MaterialColoursReachThePixels) {
    Write("two.mtl", kTwoMaterials);
    glmObj model;
    ASSERT_TRUE(model.Load(Write("two.obj", kTwoSquares)));
    EXPECT_TRUE(model.GetUseMaterials());
    EXPECT_EQ(model.GetInfo(), "v : 8  f : 4");
    EXPECT_NE(log_.str().find("glm reading "), std::string::npos);
    // Lit from the viewer, as the canvas lights its scene.
    const GLfloat white[] = {1, 1, 1, 1}, toViewer[] = {0, 0, 1, 0};
    glPushAttrib(GL_LIGHTING_BIT | GL_ENABLE_BIT);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_NORMALIZE);  // the scaling below would shorten the normals
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_POSITION, toViewer);
    // The model is half the size wide: scale it to fill the view.
    glScalef(3.5f, 3.5f, 3.5f);
    glClear(GL_COLOR_BUFFER_BIT);
    model.Draw();
    const auto [red, blue] = RedAndBlue(gl().ReadAll());
    const int area = gl().width() * gl().height();
    EXPECT_GT(red, area / 8);
    EXPECT_GT(blue, area / 8);
    // Without the object colour the materials go at the next rebuild: no colour is left.
    model.SetUseColour(false);
    EXPECT_FALSE(model.GetUseMaterials());
    model.SetWireframe(false);
    glClear(GL_COLOR_BUFFER_BIT);
    model.Draw();
    const auto [red2, blue2] = RedAndBlue(gl().ReadAll());
    EXPECT_EQ(red2, 0);
    EXPECT_EQ(blue2, 0);
    // The material mode's switches stay inside the model's list.
    GLboolean colourMaterial = GL_FALSE;
    glGetBooleanv(GL_COLOR_MATERIAL, &colourMaterial);
    EXPECT_EQ(colourMaterial, GL_TRUE);
    glPopAttrib();
}

TEST_F(ModelDraw, LoadFitsHalfTheSizeAndSetSizeTheWholeSize) {
    glmObj model;
    // 4 x 2 x 1 off the origin, without a material library.
    ASSERT_TRUE(model.Load(Write("brick.obj", "v 10 0 0\nv 14 0 0\nv 14 2 0\nv 10 2 1\n"
                                              "f 1 2 3\nf 1 3 4\n")));
    EXPECT_FALSE(model.GetUseMaterials());
    float e[3];
    glmExtents(*model.GetModel(), e);
    EXPECT_NEAR(e[0], 0.5f, 1e-6f);
    EXPECT_NEAR(e[1], 0.25f, 1e-6f);
    EXPECT_NEAR(e[2], 0.125f, 1e-6f);
    EXPECT_EQ(model.GetName(0), "brick");
    model.SetSize(2.0f);
    glmExtents(*model.GetModel(), e);
    EXPECT_NEAR(e[0], 2.0f, 1e-6f);
    EXPECT_FLOAT_EQ(model.GetSize(), 2.0f);
    model.SetSize(-1.0f);  // refused
    EXPECT_FLOAT_EQ(model.GetSize(), 2.0f);
    // Smooth only: two lit triangles.
    const FeedbackCounts solid = Feedback([&] { model.Draw(); });
    EXPECT_EQ(solid.polygons, 2);
    EXPECT_EQ(log_.str().find("warning"), std::string::npos) << log_.str();
}

TEST_F(ModelDraw, WireframeRecompilesEvenWhenUnchanged) {
    glmObj model;
    ASSERT_TRUE(model.Load(Write("sq.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n")));
    EXPECT_TRUE(glIsList(model.GetDisplayList()));
    model.SetWireframe(true);
    FeedbackCounts c = Feedback([&] { model.Draw(); });
    EXPECT_EQ(c.polygons, 0);
    EXPECT_EQ(c.lines, 6);
    const unsigned before = model.GetDisplayList();
    model.SetWireframe(true);
    EXPECT_TRUE(glIsList(model.GetDisplayList()));
    // The old list is gone (its name may be handed out again for the new one).
    if (model.GetDisplayList() != before) {
        EXPECT_FALSE(glIsList(before));
    }
    c = Feedback([&] { model.Draw(); });
    EXPECT_EQ(c.lines, 6);
    const unsigned list = model.GetDisplayList();
    model.Clear();
    EXPECT_FALSE(glIsList(list));
    EXPECT_EQ(model.GetFileName(), "");
    c = Feedback([&] { model.Draw(); });
    EXPECT_EQ(c.lines + c.polygons, 0);
}

TEST_F(ModelDraw, ModelsWithoutFacesAreRefused) {
    wxLogNull quiet;
    // Points only, nothing, and UTF-16 text.
    for (const std::string& text : {std::string("v 0 0 0\nv 1 1 1\n"), std::string(),
                                    std::string("\xFE\xFF\0v\0 \0\x31\0\n", 10)}) {
        SCOPED_TRACE(testing::PrintToString(text));
        glmObj model;
        EXPECT_FALSE(model.Load(Write("none.obj", text)));
        EXPECT_FALSE(model.IsLoaded());
        EXPECT_EQ(model.GetModel(), nullptr);
    }
    glmObj model;
    EXPECT_FALSE(model.Load(dir_.file("absent.obj")));
    EXPECT_NE(log_.str().find("glmReadOBJ() failed: can't open data file "), std::string::npos);
}

TEST_F(ModelDraw, DrawingsDrawBothTrianglesOfAQuadInTheirColours) {
    DXFRenderer d;
    const std::string text =
        "0\nSECTION\n2\nENTITIES\n"
        "0\n3DFACE\n62\n1\n10\n0\n20\n0\n30\n0\n11\n1\n21\n0\n31\n0\n12\n1\n22\n1\n32\n0\n"
        "13\n0\n23\n1\n33\n0\n"
        "0\n3DFACE\n62\n5\n10\n0\n20\n0\n30\n0\n11\n-1\n21\n0\n31\n0\n12\n-1\n22\n-1\n32\n0\n"
        "13\n-1\n23\n-1\n33\n0\n"
        "0\nLINE\n62\n3\n10\n-1\n20\n0.5\n30\n0\n11\n1\n21\n0.5\n31\n0\n0\nENDSEC\n";
    ASSERT_TRUE(d.ParseText(text));
    FeedbackCounts c = Feedback([&] { d.Draw(); });
    EXPECT_EQ(c.polygons, 3);
    EXPECT_EQ(c.lines, 1);
    d.SetWireframe(true);
    c = Feedback([&] { d.Draw(); });
    EXPECT_EQ(c.polygons, 0);
    EXPECT_EQ(c.lines, 4 + 3 + 1);
    d.SetWireframe(false);
    glClear(GL_COLOR_BUFFER_BIT);
    glScalef(1.8f, 1.8f, 1.8f);
    d.Draw();
    const testsupport::PixelBlock p = gl().ReadAll();
    EXPECT_GT(p.CountNear(255, 0, 0), p.width * p.height / 8);
    EXPECT_GT(p.CountNear(0, 0, 255), p.width * p.height / 16);
    EXPECT_GT(p.CountNear(0, 255, 0), 0);
    // Without the use-colour flag the drawing takes the current colour.
    d.SetUseColour(false);
    glColor3f(1, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    d.Draw();
    EXPECT_EQ(gl().ReadAll().CountNear(255, 0, 0), 0);
}

TEST_F(ModelDraw, DrawingSamplesDrawTheirTriangles) {
    const struct {
        const char* file;
        int triangles;
        int lines;
    } cases[] = {{"dxf/lineTest.dxf", 3, 1}, {"dxf/PinkEggFromLW.dxf", 576, 0}, {"dxf/issue_2229.dxf", 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = testsupport::SampleFile(c.file);
        if (path.empty()) FAIL() << "sample file missing";
        DXFRenderer d;
        ASSERT_TRUE(d.Load(wxString::FromUTF8(path.c_str())));
        const FeedbackCounts f = Feedback([&] { d.Draw(); });
        EXPECT_FALSE(f.overflow);
        // Triangles without area may be dropped on the way to feedback.
        EXPECT_LE(f.polygons, c.triangles);
        EXPECT_GE(f.polygons, c.triangles * 9 / 10);
        EXPECT_EQ(f.lines, c.lines);
    }
}

TEST_F(ModelDraw, IsosurfaceStripFromEveryLine) {
    isosurface iso;
    ASSERT_TRUE(iso.Load(Write("sq.dat", "0 0 0  0 0 1\n2 0 0  0 0 1\n0 2 0  0 0 1\n2 2 0  0 0 1\n")));
    EXPECT_EQ(iso.GetCount(), 4);
    EXPECT_EQ(iso.GetInfo(), "v : 4");
    EXPECT_NE(iso.GetDisplayList(), 0u);
    // Normalised into 1 x 1 around the origin; the flat z does not count.
    EXPECT_FLOAT_EQ(iso.GetVertices()[0], -0.5f);
    EXPECT_FLOAT_EQ(iso.GetVertices()[9], 0.5f);
    FeedbackCounts c = Feedback([&] { iso.Draw(); });
    EXPECT_EQ(c.polygons, 2);
    // In wireframe: a loop of vertices 0 to 2 and one of vertex 3 alone, which shows nothing.
    iso.SetWireframe(true);
    c = Feedback([&] { iso.Draw(); });
    EXPECT_EQ(c.polygons, 0);
    EXPECT_EQ(c.lines, 3);
    const unsigned list = iso.GetDisplayList();
    iso.Clear();
    EXPECT_FALSE(glIsList(list));
    EXPECT_FALSE(iso.IsLoaded());
}

TEST_F(ModelDraw, ObjSamplesLoadOrAreRefused) {
    const struct {
        const char* file;
        bool loads;
        unsigned vertices, triangles;
    } cases[] = {
        {"obj/box.obj", true, 8, 12},          {"obj/box_without_lineending.obj", true, 8, 12},
        {"obj/concave_polygon.obj", true, 64, 64}, {"obj/cube_usemtl.obj", true, 8, 12},
        {"obj/empty_mat.obj", true, 130, 256}, {"obj/number_formats.obj", true, 15, 1},
        {"obj/regr01.obj", true, 2108, 2710},  {"obj/spider.obj", true, 762, 1368},
        {"obj/point_cloud.obj", false, 0, 0},  {"obj/box_UTF16BE.obj", false, 0, 0},
    };
    wxLogNull quiet;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = testsupport::SampleFile(c.file);
        if (path.empty()) FAIL() << "sample file missing";
        glmObj model;
        EXPECT_EQ(model.Load(wxString::FromUTF8(path.c_str())), c.loads);
        if (!c.loads) continue;
        EXPECT_EQ(model.GetInfo(), wxString::Format("v : %u  f : %u", c.vertices, c.triangles));
        const FeedbackCounts f = Feedback([&] { model.Draw(); });
        EXPECT_FALSE(f.overflow);
        EXPECT_GT(f.polygons, 0);
        EXPECT_LE(f.polygons, int(c.triangles));
    }
}

}  // namespace

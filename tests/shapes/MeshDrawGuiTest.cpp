// Drawing the mesh base in a real GL context: corner order, primitives, wireframe, display lists,
// and the colour and silhouette of loaded meshes.
#include "shapes/shapeVP.h"

#include <memory>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "shapes/Mesh3DSBuilder.h"
#include "shapes/MeshTestSupport.h"
#include "shapes/shape3DS.h"
#include "shapes/shapeSHL.h"
#include "support/GLFeedback.h"
#include "support/GLTestHarness.h"
#include "support/TestSupport.h"

namespace {

class ListMesh : public TestMesh {
public:
    ListMesh() { m_useDisplayList = true; }
    unsigned List() const { return m_displayList; }
};

// A unit square in z = 0 as one quad over vertices 0..3.
void SetQuad(TestMesh& m) { m.Set({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {4, 0, 1, 2, 3}); }

class MeshDraw : public testsupport::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        if (HasFatalFailure()) return;
        Reset();
    }
    // Cleared, with one unit per 50 pixels around the origin along the window's x and y.
    void Reset() {
        gl().ResetState();
        glMatrixMode(GL_PROJECTION);
        glOrtho(-gl().width() / 100.0, gl().width() / 100.0, -gl().height() / 100.0,
                gl().height() / 100.0, -10, 10);
        glMatrixMode(GL_MODELVIEW);
    }
    void TearDown() override {
        glDisable(GL_COLOR_MATERIAL);
        GLTest::TearDown();
    }
    // Window position of a point at (x, y) under this projection.
    double WinX(double x) { return gl().width() / 2.0 + 50 * x; }
    double WinY(double y) { return gl().height() / 2.0 + 50 * y; }
};

// Corners go out from the last stored to the first, with or without vertex normals (immediate
// mode or vertex arrays).
TEST_F(MeshDraw, QuadCornersAreEmittedLastToFirst) {
    for (bool normals : {false, true}) {
        SCOPED_TRACE(normals ? "vertex normals" : "face normal");
        TestMesh m;
        SetQuad(m);
        if (normals) m.ComputeVertexNormals();
        const FeedbackCounts c = Feedback([&] { m.DrawPolygons(shapeVP::kColourMaterialOn); });
        ASSERT_FALSE(c.overflow);
        ASSERT_GE(c.polygons, 1);
        // The first vertex out is corner 3 (0, 1), the second corner 2 (1, 1).
        ASSERT_GE(c.vertices.size(), 6u);
        EXPECT_NEAR(c.vertices[0], WinX(0), 0.5);
        EXPECT_NEAR(c.vertices[1], WinY(1), 0.5);
        EXPECT_NEAR(c.vertices[3], WinX(1), 0.5);
        EXPECT_NEAR(c.vertices[4], WinY(1), 0.5);
    }
}

TEST_F(MeshDraw, WireframeDrawsEachFaceAsALineLoop) {
    TestMesh m;
    // A quad, a triangle, and a triangle whose second corner is not a vertex (its other two
    // corners still make one line of the loop).
    m.Set({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0},
          {4, 0, 1, 2, 3, /**/ 3, 0, 1, 2, 0, /**/ 3, 0, 4, 2, 0});
    m.ComputeVertexNormals();
    m.SetWireframe(true);
    const FeedbackCounts wire = Feedback([&] { m.Draw(); });
    EXPECT_EQ(wire.polygons, 0);
    EXPECT_EQ(wire.lines, 4 + 3 + 2);
    m.SetWireframe(false);
    const FeedbackCounts filled = Feedback([&] { m.Draw(); });
    EXPECT_EQ(filled.lines, 0);
    // Quad and good triangle; the broken triangle draws nothing filled.
    EXPECT_GE(filled.polygons, 2);
    EXPECT_EQ(filled.polygonVertices, filled.polygons == 2 ? 7 : 9);
}

TEST_F(MeshDraw, DisplayListIsBuiltOnNormaliseAndRebuiltOnlyOnAWireframeChange) {
    ListMesh m;
    SetQuad(m);
    m.Normalise();
    const unsigned first = m.List();
    ASSERT_NE(first, 0u);
    EXPECT_TRUE(glIsList(first));
    m.SetWireframe(false);  // unchanged: no rebuild
    EXPECT_EQ(m.List(), first);
    m.SetWireframe(true);
    EXPECT_NE(m.List(), 0u);
    EXPECT_EQ(Feedback([&] { m.Draw(); }).lines, 4);
    m.Clear();
    EXPECT_EQ(m.List(), 0u);
    EXPECT_EQ(Feedback([&] { m.Draw(); }).lines, 0);
}

// The same mesh drawn through its list and directly gives the same pixels: the object colour
// inside the projected box, background outside.
TEST_F(MeshDraw, MeshRendersItsColourInsideItsBounds) {
    for (bool lists : {true, false}) {
        SCOPED_TRACE(lists ? "display list" : "direct");
        Reset();
        ListMesh m;
        m.SetUseDisplayList(lists);
        // Two triangles making a 2 x 1 rectangle, normalised to size 2: x [-1, 1], y [-0.5, 0.5].
        m.Set({5, 5, 0, 7, 5, 0, 7, 6, 0, 5, 6, 0}, {3, 0, 1, 2, 0, 3, 0, 2, 3, 0});
        m.ComputeVertexNormals();
        m.SetSize(2.0f);
        m.Normalise();
        const float green[4] = {0, 1, 0, 1};
        m.SetColour(green);
        m.Draw();
        const auto inside = gl().ReadPixels(int(WinX(-0.9)), int(WinY(-0.4)), 90, 40);
        EXPECT_EQ(inside.CountDifferentFrom(0, 255, 0), 0);
        const auto all = gl().ReadAll();
        EXPECT_NEAR(all.CountNear(0, 255, 0), 100 * 50, 2 * (100 + 50));
    }
}

TEST_F(MeshDraw, LoadedMeshesFillTheirProjectedBox) {
    testsupport::TempDir dir;
    const std::string shl = dir.file("tri.shl");
    // A right triangle with its right angle at the origin, flat in z.
    ASSERT_TRUE(testsupport::WriteFileBytes(shl, "Version: 2\n3 1 0 1\n0 0 0\n4 0 0\n0 4 0\n3 1 2 3\n"));
    const std::string tds = dir.file("two.3ds");
    ASSERT_TRUE(testsupport::WriteFileBytes(tds, mesh3ds::TwoObjects()));
    struct Case {
        std::string path;
        std::unique_ptr<shapeVP> shape;
    };
    std::vector<Case> cases;
    cases.push_back({shl, std::make_unique<shapeSHL>()});
    cases.push_back({tds, std::make_unique<shape3DS>()});
    for (auto& c : cases) {
        SCOPED_TRACE(c.path);
        Reset();
        LogCapture log;
        c.shape->SetSize(3.0f);
        ASSERT_TRUE(c.shape->Load(c.path)) << log.All();
        const float red[4] = {1, 0, 0, 1};
        c.shape->SetColour(red);
        c.shape->Draw();
        const auto all = gl().ReadAll();
        const int lit = all.CountNear(255, 0, 0);
        EXPECT_GT(lit, 0);
        EXPECT_EQ(lit, all.CountDifferentFrom(0, 0, 0, 8)) << "only the object colour is drawn";
        // Nothing outside the box [-1.5, 1.5]^2 of a mesh normalised to size 3.
        int outside = 0;
        for (int y = 0; y < all.height; ++y)
            for (int x = 0; x < all.width; ++x) {
                const bool in = x >= WinX(-1.5) - 1 && x <= WinX(1.5) + 1 && y >= WinY(-1.5) - 1 &&
                                y <= WinY(1.5) + 1;
                if (!in && all.at(x, y)[0] > 8) ++outside;
            }
        EXPECT_EQ(outside, 0);
        // The triangle covers half its 150 x 150 pixel box; the 3DS square and triangle overlap
        // in the square's 150 x 150 box.
        const int expected = c.path == shl ? 150 * 150 / 2 : 150 * 150;
        EXPECT_NEAR(lit, expected, 0.02 * expected);
    }
}

}  // namespace

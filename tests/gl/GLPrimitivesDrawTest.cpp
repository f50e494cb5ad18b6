#include "gl/GLGlyphs.h"
#include "gl/GLPrimitives.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "support/GLFeedback.h"
#include "support/GLTestHarness.h"

namespace {

using testsupport::GLTest;

// A view of the box [-2, 2]^3 from slightly above and aside, so no face of the test bodies is seen
// edge-on.
void ObliqueView() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-2, 2, -2, 2, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(-30, 1, 0, 0);
    glRotatef(20, 0, 1, 0);
}

void TopView(double half = 2) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-half, half, -half, half, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// Enables that the drawing functions touch for their own use and must hand back unchanged.
struct EnableState {
    static constexpr GLenum kCaps[] = {GL_TEXTURE_2D, GL_NORMALIZE,  GL_MAP2_VERTEX_3,
                                       GL_MAP2_TEXTURE_COORD_2, GL_LIGHTING, GL_BLEND,
                                       GL_CULL_FACE, GL_DEPTH_TEST, GL_AUTO_NORMAL};
    std::vector<bool> on;
    static EnableState Current() {
        EnableState s;
        for (GLenum cap : kCaps) s.on.push_back(glIsEnabled(cap) == GL_TRUE);
        return s;
    }
};

struct Shape {
    const char* name;
    std::function<void()> draw;
};

std::vector<Shape> AllShapes() {
    return {
        {"SolidPyramid", [] { DrawSolidPyramid(1.5f, 0.4f); }},
        {"TexturedPyramid", [] { DrawTexturedPyramid(1.5f, 0.4f); }},
        {"WirePyramid", [] { DrawWirePyramid(1.5f, 0.4f); }},
        {"SolidBox", [] { DrawSolidBox(1, 0.5, 0.8); }},
        {"TexturedBox", [] { DrawTexturedBox(1, 0.5, 0.8, 2); }},
        {"WireBox", [] { DrawWireBox(1, 0.5, 0.8); }},
        {"SolidCube", [] { DrawSolidCube(1); }},
        {"TexturedCube", [] { DrawTexturedCube(1, 1); }},
        {"WireCube", [] { DrawWireCube(1); }},
        {"SolidCone", [] { DrawSolidCone(0.5, 1); }},
        {"TexturedCone", [] { DrawTexturedCone(0.5, 1); }},
        {"WireCone", [] { DrawWireCone(0.5, 1); }},
        {"SolidCylinder", [] { DrawSolidCylinder(1, 0.3f, 0.5f, 10, 15, false); }},
        {"TexturedCylinder", [] { DrawTexturedCylinder(1, 0.3f, 0.5f, 10, 15, false); }},
        {"WireCylinder", [] { DrawWireCylinder(1, 0.3f, 0.5f, 10, 15, false); }},
        {"LowDetailCylinder", [] { DrawSolidCylinder(1, 0.3f, 0.5f, 10, 15, true); }},
        {"SolidEllipsoid", [] { DrawSolidEllipsoid(1, 0.5f, 0.3f, 10, 15); }},
        {"TexturedEllipsoid", [] { DrawTexturedEllipsoid(1, 0.5f, 0.3f, 10, 15); }},
        {"WireEllipsoid", [] { DrawWireEllipsoid(1, 0.5f, 0.3f, 10, 15); }},
        {"SolidSphere", [] { DrawSolidSphere(0.8f, 10, 15); }},
        {"TexturedSphere", [] { DrawTexturedSphere(0.8f, 0, 0); }},
        {"WireSphere", [] { DrawWireSphere(0.8f, 10, 15); }},
        {"SolidTorus", [] { DrawSolidTorus(0.2, 1); }},
        {"TexturedTorus", [] { DrawTexturedTorus(0.2, 1); }},
        {"WireTorus", [] { DrawWireTorus(0.2, 1); }},
        {"SolidTeapot", [] { DrawSolidTeapot(0.8); }},
        {"WireTeapot", [] { DrawWireTeapot(0.8); }},
        {"Arrow", [] { DrawArrow(1, 1, 0.5f, true, true, 1); }},
        {"LineArrow", [] { DrawArrow(-1, 0.5f, 0.5f, false, true, 2); }},
        {"Gizmo", [] { DrawManipulatorGizmo(1, GL_RENDER, -1, true, true); }},
        {"LineAxes", [] { DrawLineAxes(1); }},
        {"ArrowAxes", [] { DrawArrowAxes(1); }},
        {"AxisLetters", [] { DrawAxisLetters(1.5f); }},
        {"GroundPlaneXY", [] { DrawGroundPlaneXY(2, 0, 10); }},
        {"GroundPlaneYZ", [] { DrawGroundPlaneYZ(2, 0.1, 10); }},
        {"GroundPlaneXZ", [] { DrawGroundPlaneXZ(2, -0.1, 10); }},
    };
}

class EveryShape : public GLTest, public testing::WithParamInterface<Shape> {};

TEST_P(EveryShape, DrawsPixelsAndHandsTheStateBack) {
    for (bool preset : {false, true}) {
        SCOPED_TRACE(preset ? "with the toggles on" : "with the toggles off");
        gl().ResetState();
        ObliqueView();
        if (preset) {
            glEnable(GL_NORMALIZE);
            glEnable(GL_MAP2_VERTEX_3);
            glEnable(GL_AUTO_NORMAL);
        }
        const EnableState before = EnableState::Current();
        GLdouble modelview[16], after[16];
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glColor3f(1, 1, 1);
        GetParam().draw();
        EXPECT_EQ(testsupport::TakeGLErrors(), "");
        EXPECT_EQ(EnableState::Current().on, before.on);
        glGetDoublev(GL_MODELVIEW_MATRIX, after);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], modelview[i]) << "element " << i;
        const testsupport::PixelBlock pixels = gl().ReadAll();
        EXPECT_GT(pixels.CountDifferentFrom(0, 0, 0), 20);
        glDisable(GL_NORMALIZE);
        glDisable(GL_MAP2_VERTEX_3);
        glDisable(GL_AUTO_NORMAL);
    }
}

INSTANTIATE_TEST_SUITE_P(Glyphs, EveryShape, testing::ValuesIn(AllShapes()),
                         [](const testing::TestParamInfo<Shape>& param) {
                             return std::string(param.param.name);
                         });

using Primitives = GLTest;

TEST_F(Primitives, NegativeBoxSizeDrawsTheSameBox) {
    ObliqueView();
    const FeedbackCounts a = Feedback([] { DrawSolidBox(-1, 2, 3); });
    const FeedbackCounts b = Feedback([] { DrawSolidBox(1, 2, 3); });
    ASSERT_FALSE(a.overflow);
    EXPECT_EQ(a.polygons, 6 * 2);  // feedback returns each quad as two triangles
    EXPECT_EQ(a.vertices, b.vertices);
}

TEST_F(Primitives, ZeroCountsTakeTheDefaultTessellation) {
    ObliqueView();
    EXPECT_EQ(Feedback([] { DrawWireSphere(1, 0, 0); }).vertices,
              Feedback([] { DrawWireSphere(1, 15, 10); }).vertices);
    EXPECT_EQ(Feedback([] { DrawSolidEllipsoid(1, 0.5f, 0.7f, 0, 0); }).vertices,
              Feedback([] { DrawSolidEllipsoid(1, 0.5f, 0.7f, 15, 10); }).vertices);
}

TEST_F(Primitives, CylinderCapsOnlyWhereTheRadiusIsNotZero) {
    ObliqueView();
    const int both = Feedback([] { DrawSolidCylinder(1, 0.5f, 0.5f, 10, 4, false); }).polygons;
    const int topOnly = Feedback([] { DrawSolidCylinder(1, 0.f, 0.5f, 10, 4, false); }).polygons;
    const int none = Feedback([] { DrawSolidCylinder(1, 0.f, 0.f, 10, 4, false); }).polygons;
    EXPECT_GT(both, topOnly);
    EXPECT_GT(topOnly, none);
    EXPECT_EQ(both - topOnly, topOnly - none);  // the two caps are alike
}

TEST_F(Primitives, LowDetailCylinderIsASevenSliceTubeWithoutCaps) {
    ObliqueView();
    const FeedbackCounts low = Feedback([] { DrawSolidCylinder(1, 0.5f, 0.3f, 20, 20, true); });
    const FeedbackCounts tube = Feedback([] {
        GLUquadric* q = gluNewQuadric();
        gluQuadricDrawStyle(q, GLU_FILL);
        gluQuadricNormals(q, GLU_SMOOTH);
        gluCylinder(q, 0.5, 0.3, 1, 7, 3);
        gluDeleteQuadric(q);
    });
    EXPECT_EQ(low.vertices, tube.vertices);
}

TEST_F(Primitives, TorusFormsHaveTheirSidesAndRings) {
    TopView();
    // Feedback returns each quad as two triangles.
    EXPECT_EQ(Feedback([] { DrawSolidTorus(0.2, 1); }).polygons, 8 * 30 * 2);
    EXPECT_EQ(Feedback([] { DrawTexturedTorus(0.2, 1); }).polygons, 8 * 15 * 2);
    EXPECT_EQ(Feedback([] { DrawWireTorus(0.2, 1); }).lines, 5 * 10 * 4);
}

TEST_F(Primitives, GroundPlaneDrawsTheGridBorderAndCentreLines) {
    TopView();
    // A 20 x 20 grid has 21 lines of 20 segments each way; then 4 border and 2 centre lines.
    const FeedbackCounts c = Feedback([] { DrawGroundPlaneXY(3, 0, 20); });
    EXPECT_EQ(c.lines, 2 * 21 * 20 + 6);
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 2.0f);
    glLineWidth(1);
}

TEST_F(Primitives, GroundPlaneWithoutDivisionsDrawsOnlyItsFrame) {
    TopView();
    for (int divisions : {0, -3}) {
        SCOPED_TRACE(divisions);
        EXPECT_EQ(Feedback([=] { DrawGroundPlaneXZ(3, 0, divisions); }).lines, 6);
        EXPECT_EQ(testsupport::TakeGLErrors(), "");
    }
    glLineWidth(1);
}

TEST_F(Primitives, LineAxesAreTwentySegments) {
    TopView();
    // Each axis: shaft and three head lines; letters X 2, Y 3, Z 3.
    EXPECT_EQ(Feedback([] { DrawLineAxes(1); }).lines, 4 * 3 + 2 + 3 + 3);
    EXPECT_EQ(Feedback([] { DrawAxisLetters(1); }).lines, 2 + 3 + 3);
}

// Arrows are thin (a shaft radius of at most 0.004): look at them closely.
constexpr double kCloseView = 0.2;

TEST_F(Primitives, ArrowPointsWhereItIsAimed) {
    TopView(kCloseView);
    DrawArrow(0.18f, 0, 0, true, true, 1);
    const testsupport::PixelBlock all = gl().ReadAll();
    const int w = gl().width(), h = gl().height();
    const testsupport::PixelBlock left = gl().ReadPixels(0, 0, w / 2 - 2, h);
    const testsupport::PixelBlock right = gl().ReadPixels(w / 2 + 2, 0, w / 2 - 2, h);
    EXPECT_GT(right.CountDifferentFrom(0, 0, 0), 10);
    EXPECT_EQ(left.CountDifferentFrom(0, 0, 0), 0);
    EXPECT_GT(all.CountDifferentFrom(0, 0, 0), 10);
}

// ---- manipulator gizmo -----------------------------------------------------------------------

std::set<unsigned> LeafNames(const std::vector<testsupport::SelectHit>& hits) {
    std::set<unsigned> names;
    for (const auto& h : hits)
        if (!h.names.empty()) names.insert(h.names.back());
    return names;
}

struct GizmoCase {
    const char* what;
    bool rings;
    bool pickable;
    std::set<unsigned> names;
};

TEST_F(Primitives, GizmoNamesItsHandlesOnlyWhenPickable) {
    const GizmoCase cases[] = {
        {"arrows and rings", true, true, {2, 3, 4, 5, 6, 7}},
        {"arrows only", false, true, {2, 3, 4}},
        {"not pickable", true, false, {1}},
    };
    for (const GizmoCase& c : cases) {
        SCOPED_TRACE(c.what);
        ObliqueView();
        const auto hits = testsupport::RenderSelect([&] {
            glPushName(1);  // the owner's name, as an object pushes its own
            DrawManipulatorGizmo(1, GL_SELECT, -1, c.rings, c.pickable);
            glPopName();
        });
        EXPECT_EQ(LeafNames(hits), c.names);
        for (const auto& h : hits) {
            ASSERT_FALSE(h.names.empty());
            EXPECT_EQ(h.names.front(), 1u);
            EXPECT_LE(h.names.size(), 2u);
        }
    }
}

TEST_F(Primitives, GizmoPushesNoNamesWhenRendering) {
    ObliqueView();
    glPushName(9);  // ignored outside selection mode
    DrawManipulatorGizmo(1, GL_RENDER, -1, true, true);
    glPopName();
    EXPECT_EQ(testsupport::TakeGLErrors(), "");
    EXPECT_EQ(testsupport::GLStackDepths::Current().nameStack, 0);
}

TEST_F(Primitives, ActiveGizmoHandleIsYellow) {
    TopView(kCloseView);
    DrawManipulatorGizmo(0.18f, GL_RENDER, 0, false, false);
    const testsupport::PixelBlock pixels = gl().ReadAll();
    EXPECT_GT(pixels.CountNear(255, 255, 0, 40), 10);
    EXPECT_EQ(pixels.CountNear(255, 0, 0, 40), 0);  // the X arrow is the active one
    EXPECT_GT(pixels.CountNear(0, 255, 0, 40), 10);

    gl().ResetState();
    TopView(kCloseView);
    DrawManipulatorGizmo(0.18f, GL_RENDER, -1, false, false);
    const testsupport::PixelBlock plain = gl().ReadAll();
    EXPECT_EQ(plain.CountNear(255, 255, 0, 40), 0);
    EXPECT_GT(plain.CountNear(255, 0, 0, 40), 10);
}

}  // namespace

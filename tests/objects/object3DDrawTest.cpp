#include "objects/object3D.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gl/GLBitmapFont.h"
#include "support/GLFeedback.h"
#include "support/GLTestHarness.h"
#include "objects/SceneTestObjects.h"

namespace {

class SceneDraw : public testsupport::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        if (HasFatalFailure()) return;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-2, 2, -2, 2, -10, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glRotatef(-30, 1, 0, 0);
        glRotatef(20, 0, 0, 1);
    }
    // Renders in selection mode inside the name the canvas pushes for every object.
    std::vector<testsupport::SelectHit> Pick(object3D& o, int activeHandle = -1) {
        return testsupport::RenderSelect([&] {
            glPushName(0);
            o.Render(GL_SELECT, activeHandle);
            glPopName();
        });
    }
};

std::set<std::vector<unsigned>> NameStacks(const std::vector<testsupport::SelectHit>& hits) {
    std::set<std::vector<unsigned>> s;
    for (const auto& h : hits) s.insert(h.names);
    return s;
}

TEST_F(SceneDraw, PicksTheObjectByIdPlusOne) {
    TestObject o;
    o.SetPrimitive(1, 1, 1, 1);
    o.SetId(1000);
    const auto hits = Pick(o);
    EXPECT_EQ(NameStacks(hits), (std::set<std::vector<unsigned>>{{1001, 1001}}));
}

TEST_F(SceneDraw, SelectedObjectOffersTheManipulatorHandles) {
    TestObject o;
    o.SetPrimitive(0, 0.5f, 1.5f, 0.5f);
    o.Select(1, -1, true);
    const auto names = NameStacks(Pick(o));
    std::set<std::vector<unsigned>> expected;
    for (unsigned handle = 2; handle <= 7; ++handle) expected.insert({1, 1, handle});
    EXPECT_EQ(names, expected);

    o.SetRotationRingsAllowed(false);  // as a motion object does
    std::set<std::vector<unsigned>> arrows;
    for (unsigned handle = 2; handle <= 4; ++handle) arrows.insert({1, 1, handle});
    EXPECT_EQ(NameStacks(Pick(o)), arrows);

    o.Select(1, -1, false);  // selected without manipulation: the gizmo shows, unnamed
    EXPECT_EQ(NameStacks(Pick(o)), (std::set<std::vector<unsigned>>{{1, 1}}));
}

TEST_F(SceneDraw, InvisibleObjectStillRenamesButDrawsNothing) {
    TestObject o;
    o.SetPrimitive(1, 1, 1, 1);
    o.SetId(4);
    o.SetVisible(false);
    const auto hits = testsupport::RenderSelect([&] {
        glPushName(0);
        o.Render(GL_SELECT, -1);
        // Whatever is drawn next is picked under the name the object loaded.
        glBegin(GL_QUADS);
        glVertex2f(-1, -1);
        glVertex2f(1, -1);
        glVertex2f(1, 1);
        glVertex2f(-1, 1);
        glEnd();
        glPopName();
    });
    EXPECT_EQ(NameStacks(hits), (std::set<std::vector<unsigned>>{{5}}));
}

// Extent of the line vertices a render emits, in window x.
double LineSpan(const FeedbackCounts& c) {
    double lo = 1e9, hi = -1e9;
    for (std::size_t i = 0; i + 2 < c.lineVertices.size(); i += 3) {
        lo = std::min<double>(lo, c.lineVertices[i]);
        hi = std::max<double>(hi, c.lineVertices[i]);
    }
    return hi - lo;
}

TEST_F(SceneDraw, BoundingBoxIsSolidWhenSelectedAndDashedLargerWhenHighlighted) {
    TestObject o;
    o.SetPrimitive(0, 1, 1, 1);
    o.Select(1, -1, false);
    const FeedbackCounts solid = Feedback([&] { o.Render(GL_RENDER, -1); });
    EXPECT_EQ(solid.lines, 24);  // one box: six faces of four lines
    o.SetHighlighted(true, -1);
    const FeedbackCounts dashed = Feedback([&] { o.Render(GL_RENDER, -1); });
    EXPECT_EQ(dashed.lines, 24);
    EXPECT_NEAR(LineSpan(dashed) / LineSpan(solid), 1.05, 1e-3);
    EXPECT_EQ(glIsEnabled(GL_LINE_STIPPLE), GL_FALSE);

    o.Select(0, -1, false);  // highlighted alone still shows the dashed box
    EXPECT_EQ(Feedback([&] { o.Render(GL_RENDER, -1); }).lines, 24);
    o.SetHighlighted(false, -1);
    EXPECT_EQ(Feedback([&] { o.Render(GL_RENDER, -1); }).lines, 0);
}

TEST_F(SceneDraw, NoBoxIsPickedInSelectionMode) {
    TestObject o;
    o.SetPrimitive(0, 1, 1, 1);
    o.SetHighlighted(true, -1);
    EXPECT_TRUE(Pick(o).empty());
}

TEST_F(SceneDraw, PrimitiveTypesDrawTheirBodies) {
    for (int type = 0; type <= 12; ++type) {
        SCOPED_TRACE(type);
        TestObject o;
        o.SetPrimitive(type, 0.8f, 0.4f, 0.3f);
        const FeedbackCounts c = Feedback([&] { o.Draw(); });
        const int emitted = c.lines + c.polygons + c.points;
        if (type >= 1 && type <= 9)
            EXPECT_GT(emitted, 0);
        else
            EXPECT_EQ(emitted, 0);
    }
}

TEST_F(SceneDraw, TypeZeroTouchesNoState) {
    TestObject o;
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
    o.Draw();
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.1f);
}

struct Texture {
    GLuint name = 0;
    Texture() {
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        const unsigned char white[4] = {255, 255, 255, 255};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    ~Texture() { glDeleteTextures(1, &name); }
};

GLint BoundTexture() {
    GLint b = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &b);
    return b;
}

TEST_F(SceneDraw, TextureAndTransparencyFollowTheFlags) {
    Texture tex;
    struct Case {
        const char* what;
        int type;
        bool wire;
        float alpha;
        bool binds;
    };
    const Case cases[] = {
        {"textured cube", 1, false, 1.0f, true},
        {"textured teapot uses the solid one", 9, false, 1.0f, true},
        {"wireframe never binds", 1, true, 1.0f, false},
        {"transparent wireframe never blends", 2, true, 0.5f, false},
        {"transparent textured", 3, false, 0.5f, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        glBindTexture(GL_TEXTURE_2D, 0);
        TestObject o;
        o.SetPrimitive(k.type, 0.8f, 0.4f, 0.3f);
        o.SetTexture(tex.name);
        o.SetWireframe(k.wire);
        float colour[4] = {1, 0, 0, k.alpha};
        o.SetColour(colour);
        o.Draw();
        EXPECT_EQ(BoundTexture(), k.binds ? GLint(tex.name) : 0);
        // The enables and depth mask are the caller's again.
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), GL_FALSE);
        EXPECT_EQ(glIsEnabled(GL_BLEND), GL_FALSE);
        EXPECT_EQ(glIsEnabled(GL_CULL_FACE), GL_FALSE);
        GLboolean mask = GL_FALSE;
        glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
        EXPECT_EQ(mask, GL_TRUE);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

TEST_F(SceneDraw, TransparentObjectsBlendWithTheBackground) {
    TestObject o;
    o.SetPrimitive(2, 3, 3, 0.1f);
    float colour[4] = {1, 1, 1, 0.5f};
    o.SetColour(colour);
    glLoadIdentity();
    o.Draw();
    const testsupport::PixelBlock centre = gl().ReadPixels(gl().width() / 2, gl().height() / 2, 1, 1);
    EXPECT_NEAR(centre.at(0, 0)[0], 128, 2);
}

class LabelFont {
public:
    LabelFont() {
        const float white[4] = {1, 1, 1, 1};
        label_font = CreateGLBitmapFont("Times", 20, white, 0, 0);
    }
    ~LabelFont() {
        DeleteGLBitmapFont(label_font);
        label_font = nullptr;
    }
    LabelFont(const LabelFont&) = delete;
    LabelFont& operator=(const LabelFont&) = delete;
};

TEST_F(SceneDraw, LabelIsPrintedAtTheBoxCornerInTheObjectColour) {
    TestObject o;
    o.SetName("Marker 100%");
    o.SetShowLabel(true);
    const float green[4] = {0, 1, 0, 1};
    o.SetColour(green);
    o.Render(GL_RENDER, -1);
    EXPECT_EQ(gl().ReadAll().CountDifferentFrom(0, 0, 0), 0) << "no label font: no label";

    LabelFont font;
    ASSERT_NE(label_font, nullptr);
    o.Render(GL_RENDER, -1);
    const testsupport::PixelBlock pixels = gl().ReadAll();
    EXPECT_GT(pixels.CountNear(0, 255, 0), 20);

    gl().ResetState();
    SetUp();
    o.SetName("");
    o.Render(GL_RENDER, -1);
    EXPECT_EQ(gl().ReadAll().CountDifferentFrom(0, 0, 0), 0) << "no name: no label";
}

TEST_F(SceneDraw, LightingSwitchesBothLights) {
    TestObject o;
    o.EnableLighting(true);
    EXPECT_EQ(glIsEnabled(GL_LIGHTING), GL_TRUE);
    EXPECT_EQ(glIsEnabled(GL_LIGHT0), GL_TRUE);
    EXPECT_EQ(glIsEnabled(GL_LIGHT1), GL_TRUE);
    o.EnableLighting(false);
    EXPECT_EQ(glIsEnabled(GL_LIGHTING), GL_FALSE);
    EXPECT_EQ(glIsEnabled(GL_LIGHT0), GL_FALSE);
    EXPECT_EQ(glIsEnabled(GL_LIGHT1), GL_FALSE);
}

TEST_F(SceneDraw, RenderPlacesTheBodyAtTheWorldPosition) {
    TestObject o;
    o.SetPrimitive(1, 0.2f, 0.2f, 0.2f);
    o.Translate(1, 0, 0);
    o.SetOffset(0, 0, 0);
    glLoadIdentity();
    o.Render(GL_RENDER, -1);
    const int w = gl().width(), h = gl().height();
    // x = 1 of [-2, 2] is three quarters across.
    EXPECT_GT(gl().ReadPixels(3 * w / 4 - 2, h / 2 - 2, 4, 4).CountDifferentFrom(0, 0, 0), 0);
    EXPECT_EQ(gl().ReadPixels(w / 2 - 2, h / 2 - 2, 4, 4).CountDifferentFrom(0, 0, 0), 0);
}

}  // namespace

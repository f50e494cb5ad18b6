#include "gl/GLBitmapFont.h"

#include <string>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "support/GLTestHarness.h"

namespace {

class BitmapFont : public testsupport::GLTest {
protected:
    void SetUp() override {
        GLTest::SetUp();
        if (HasFatalFailure()) return;
        const float white[4] = {1, 1, 1, 1};
        font_ = CreateGLBitmapFont("Times", 20, white, 0, 0);
        ASSERT_NE(font_, nullptr);
        // Window coordinates: one unit per pixel, origin at the bottom left.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, gl().width(), 0, gl().height(), -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override {
        DeleteGLBitmapFont(font_);
        GLTest::TearDown();
    }
    static float RasterX() {
        GLfloat pos[4];
        glGetFloatv(GL_CURRENT_RASTER_POSITION, pos);
        return pos[0];
    }
    GLBitmapFont* font_ = nullptr;
};

TEST_F(BitmapFont, WidthsAreTheFontsAdvances) {
    EXPECT_EQ(font_->height, 20);
    EXPECT_EQ(font_->colour[0], 1.0f);
    EXPECT_NE(font_->listBase, 0);
    EXPECT_GT(font_->widths[int('A')], 0);
    EXPECT_GT(font_->widths[int(' ')], 0);
    EXPECT_GT(font_->widths[int('W')], font_->widths[int('i')]);  // a proportional face
    EXPECT_LT(font_->widths[int('W')], 40);
    EXPECT_GT(font_->widths[0xE9], 0);  // e acute of the upper half
    EXPECT_EQ(font_->widths[int('\n')], 0);
}

TEST_F(BitmapFont, LabelRendersPixelsWhereTheTextStarts) {
    glColor3f(1, 1, 1);
    glRasterPos2i(40, 100);
    PrintGLBitmapFont(font_, 1, "%s", "Label 42%");
    const testsupport::PixelBlock right = gl().ReadPixels(40, 90, 150, 30);
    const testsupport::PixelBlock left = gl().ReadPixels(0, 80, 36, 50);
    EXPECT_GT(right.CountDifferentFrom(0, 0, 0), 40);
    EXPECT_EQ(left.CountDifferentFrom(0, 0, 0), 0);
}

TEST_F(BitmapFont, TextTakesTheRasterColour) {
    glColor3f(1, 0, 0);  // latched by glRasterPos, as GL does for bitmaps
    glRasterPos2i(40, 100);
    PrintGLBitmapFont(font_, 1, "HHH");
    const testsupport::PixelBlock pixels = gl().ReadPixels(30, 80, 120, 50);
    EXPECT_GT(pixels.CountNear(255, 0, 0), 20);
    EXPECT_EQ(pixels.CountNear(255, 255, 255), 0);
}

TEST_F(BitmapFont, AlignmentMovesTheRasterPositionByTheTextWidth) {
    const int wA = font_->widths[int('A')], wB = font_->widths[int('B')];
    const int wHigh = font_->widths[0xE9];
    struct Case {
        int align;
        const char* text;
        int move;
    };
    const Case cases[] = {
        {1, "AB", 0},
        {-1, "AB", -(wA + wB)},
        {0, "AB", -((wA + wB) / 2)},
        {-5, "A\xE9", -(wA + wHigh)},  // codes above 127 count by their unsigned value
        {0, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "align " << c.align << " text " << c.text);
        glRasterPos2i(120, 100);
        PrintGLBitmapFont(font_, c.align, "%s", c.text);
        EXPECT_FLOAT_EQ(RasterX(), 120.0f + c.move);
    }
}

TEST_F(BitmapFont, OverlongTextIsCutAt1023Bytes) {
    const std::string text(3000, 'A');
    glRasterPos2i(120, 100);
    PrintGLBitmapFont(font_, -1, "%s", text.c_str());
    EXPECT_FLOAT_EQ(RasterX(), 120.0f - 1023.0f * font_->widths[int('A')]);
}

TEST_F(BitmapFont, PrintingHandsBackTheStateItFound) {
    for (bool on : {false, true}) {
        SCOPED_TRACE(on ? "lighting and texturing on" : "lighting and texturing off");
        if (on) {
            glEnable(GL_LIGHTING);
            glEnable(GL_TEXTURE_2D);
        }
        glListBase(7);
        glColor4f(0.25f, 0.5f, 0.75f, 1);
        glRasterPos2i(10, 10);
        PrintGLBitmapFont(font_, 1, "state");
        EXPECT_EQ(glIsEnabled(GL_LIGHTING), on ? GL_TRUE : GL_FALSE);
        EXPECT_EQ(glIsEnabled(GL_TEXTURE_2D), on ? GL_TRUE : GL_FALSE);
        GLint base = 0;
        glGetIntegerv(GL_LIST_BASE, &base);
        EXPECT_EQ(base, 7);
        GLfloat colour[4];
        glGetFloatv(GL_CURRENT_COLOR, colour);
        EXPECT_FLOAT_EQ(colour[1], 0.5f);
        GLint align = 0;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
        EXPECT_EQ(align, 4);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glListBase(0);
    }
}

TEST_F(BitmapFont, NullFontOrFormatPrintsNothing) {
    glRasterPos2i(50, 50);
    PrintGLBitmapFont(nullptr, 1, "text");
    PrintGLBitmapFont(font_, -1, nullptr);
    EXPECT_FLOAT_EQ(RasterX(), 50.0f);
    EXPECT_EQ(gl().ReadAll().CountDifferentFrom(0, 0, 0), 0);
    DeleteGLBitmapFont(nullptr);
}

TEST_F(BitmapFont, OtherFacesWeightsAndSizesBuild) {
    const float c[4] = {1, 1, 0, 1};
    struct Case {
        const char* face;
        int height, weight, italic;
    };
    const Case cases[] = {{"Symbol", 16, 0, 0}, {"Times", 70, 2, 0}, {"Times", 12, 700, 1},
                          {"NoSuchFaceAnywhere", 14, 400, 0}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.face);
        GLBitmapFont* f = CreateGLBitmapFont(k.face, k.height, c, k.weight, k.italic);
        ASSERT_NE(f, nullptr);
        EXPECT_GT(f->widths[int('a')], 0);
        glRasterPos2i(10, 150);
        PrintGLBitmapFont(f, 1, "abc");
        DeleteGLBitmapFont(f);
    }
    EXPECT_GT(gl().ReadAll().CountDifferentFrom(0, 0, 0), 10);
    EXPECT_EQ(CreateGLBitmapFont("Times", 0, c, 0, 0), nullptr);
    EXPECT_EQ(CreateGLBitmapFont(nullptr, 10, c, 0, 0), nullptr);
}

TEST_F(BitmapFont, LargerFontsHaveWiderAdvances) {
    const float c[4] = {1, 1, 1, 1};
    GLBitmapFont* big = CreateGLBitmapFont("Times", 60, c, 0, 0);
    ASSERT_NE(big, nullptr);
    EXPECT_GT(big->widths[int('M')], 2 * font_->widths[int('M')]);
    DeleteGLBitmapFont(big);
}

}  // namespace

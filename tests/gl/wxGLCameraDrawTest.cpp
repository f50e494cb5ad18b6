#include "gl/wxGLCamera.h"

#include <cmath>

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "support/GLTestHarness.h"

namespace {

using CameraGL = testsupport::GLTest;

void ExpectMatrix(GLenum which, const GLdouble expected[16], double tol = 1e-5) {
    GLdouble m[16];
    glGetDoublev(which, m);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], tol) << "element " << i;
}

TEST_F(CameraGL, PerspectiveProjectionAndLookAt) {
    wxGLCamera c;
    c.Resize(gl().width(), gl().height());
    c.ApplyView();
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(45, 1, static_cast<double>(0.1f), 30);
    GLdouble projection[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glLoadIdentity();
    gluLookAt(0, -5, 0, 0, 0, 0, 0, 0, 1);
    GLdouble view[16];
    glGetDoublev(GL_PROJECTION_MATRIX, view);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);

    // The camera's own matrices were loaded before the comparison matrices were built on a
    // pushed copy: re-apply and compare.
    c.ApplyProjection(true);
    ExpectMatrix(GL_PROJECTION_MATRIX, projection);
    c.ApplyView();
    ExpectMatrix(GL_MODELVIEW_MATRIX, view);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], gl().width());
    EXPECT_EQ(viewport[3], gl().height());
}

TEST_F(CameraGL, PickingMultipliesOntoTheCurrentProjection) {
    wxGLCamera c;
    c.Resize(gl().width(), gl().height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glScaled(2, 2, 1);  // stands for a pick matrix
    c.ApplyProjection(false);
    GLdouble picked[16];
    glGetDoublev(GL_PROJECTION_MATRIX, picked);
    c.ApplyProjection(true);
    GLdouble plain[16];
    glGetDoublev(GL_PROJECTION_MATRIX, plain);
    EXPECT_NEAR(picked[0], 2 * plain[0], 1e-9);
    EXPECT_NEAR(picked[5], 2 * plain[5], 1e-9);
    EXPECT_NEAR(picked[10], plain[10], 1e-9);
}

TEST_F(CameraGL, OrthographicViewFramesTheCentre) {
    wxGLCamera c;
    c.Resize(gl().width(), gl().height());
    c.SetPerspective(false);
    c.SetCentre(3, 4, 0);
    c.SetEye(3, -1, 0);
    c.ApplyView();
    EXPECT_EQ(testsupport::TakeGLErrors(), "");
    // The centre lands in the middle of the window.
    GLdouble mv[16], pr[16];
    GLint vp[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, mv);
    glGetDoublev(GL_PROJECTION_MATRIX, pr);
    glGetIntegerv(GL_VIEWPORT, vp);
    GLdouble wx = 0, wy = 0, wz = 0;
    ASSERT_EQ(gluProject(3, 4, 0, mv, pr, vp, &wx, &wy, &wz), GL_TRUE);
    EXPECT_NEAR(wx, gl().width() / 2.0, 1e-6);
    EXPECT_NEAR(wy, gl().height() / 2.0, 1e-6);
    EXPECT_GT(wz, 0.0);
    EXPECT_LT(wz, 1.0);
}

TEST_F(CameraGL, UnProjectCountsWindowRowsFromTheTop) {
    wxGLCamera c;
    c.Resize(gl().width(), gl().height());
    c.ApplyView();
    double x = 0, y = 0, z = 0;
    ASSERT_EQ(c.UnProject(0, 0, &x, &y, &z), GL_TRUE);
    // Top left of the window: left (-x) and up (+z) of the line of sight, near the eye.
    EXPECT_LT(x, 0.0);
    EXPECT_GT(z, 0.0);
    EXPECT_LT(y, -4.8);
    double bx = 0, by = 0, bz = 0;
    ASSERT_EQ(c.UnProject(0, gl().height(), &bx, &by, &bz), GL_TRUE);
    EXPECT_LT(bz, 0.0);

    int ix = 99, iy = 99;
    c.UnProjectToInt(gl().width() / 2.0, gl().height() / 2.0, &ix, &iy);
    EXPECT_EQ(ix, 0);
    EXPECT_EQ(iy, -4);
}

}  // namespace

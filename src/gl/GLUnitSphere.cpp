#include "gl/GLUnitSphere.h"

#include <GL/gl.h>

#include "gl/GLPrimitives.h"

GLUnitSphere::~GLUnitSphere() { Release(); }

void GLUnitSphere::Release() {
    if (list_ != 0) glDeleteLists(list_, 1);
    list_ = 0;
}

void GLUnitSphere::SetRenderMode(int glRenderMode) { direct_ = glRenderMode != GL_RENDER; }

void GLUnitSphere::Draw(float radius) {
    if (direct_) {
        DrawSolidSphere(radius, 10, 15);
        return;
    }
    if (list_ == 0 || !glIsList(list_)) {
        // Lists cannot be built while another one is being compiled: draw the sphere itself.
        GLint compiling = 0;
        glGetIntegerv(GL_LIST_INDEX, &compiling);
        list_ = compiling != 0 ? 0 : glGenLists(1);
        if (list_ == 0) {
            DrawSolidSphere(radius, 10, 15);
            return;
        }
        glNewList(list_, GL_COMPILE);
        DrawSolidSphere(1.0f, 10, 15);
        glEndList();
    }
    glPushMatrix();
    glScalef(radius, radius, radius);
    glCallList(list_);
    glPopMatrix();
}

#include "scene/wxSegment.h"

#include <algorithm>

#include <GL/gl.h>

#include "gl/GLGlyphs.h"
#include "gl/GLPrimitives.h"
#include "gl/GLUnitSphere.h"
#include "scene/MarkerDisplay.h"

const SegmentColour default_link_colour{0, 0, 255};

wxSegment::wxSegment(const char* text, int32_t pointCount, int32_t capacity, float missingValue)
    : TSegment(text, pointCount, capacity, missingValue), renderMode(GL_RENDER) {
    colour_ = default_link_colour;
}

void wxSegment::Draw(int32_t, int32_t, int32_t) {
    if (GetCount() < 2) return;
    bool runStart = true;
    for (int32_t k = 0; k < GetCount(); ++k) {
        const size_t i = static_cast<size_t>(k);
        if (IsMissing(x_[i], y_[i], z_[i])) {
            runStart = true;
            continue;
        }
        DrawMarker(k, x_[i], y_[i], z_[i]);
        if (runStart)
            runStart = false;
        else if (show && showLinks)
            DrawLink(x_[i - 1], y_[i - 1], z_[i - 1], x_[i], y_[i], z_[i]);
    }
}

void wxSegment::DrawMarker(int32_t k, float x, float y, float z) {
    if (!showMarkers || renderMode == GL_SELECT) return;
    if (markerTable && k >= 0) {
        if (k >= GetCount()) return;
        const int32_t n = numbers_[static_cast<size_t>(k)] - 1;
        if (n < 0 || n >= markerTableSize || !markerTable[n].visible) return;
    }
    if (IsMissing(x, y, z)) return;
    if (x == 0.0f && y == 0.0f && z == 0.0f) return;
    glPushMatrix();
    glTranslatef(x, y, z);
    DrawPointSphere(k);
    glPopMatrix();
}

void wxSegment::DrawPointSphere(int32_t k) {
    if (k < 0 || k >= GetCount()) return;
    const size_t i = static_cast<size_t>(k);
    float size = attributes_[i].size;
    float factor = 1.0f;
    if (markerTable) {
        const int32_t n = numbers_[i] - 1;
        if (n < 0 || n >= markerTableSize) return;
        const MarkerDisplay& m = markerTable[n];
        float rgb[3] = {m.red, m.green, m.blue};
        size = m.radius;
        if (m.selectionOrder != 0) {
            for (float& c : rgb) c = std::min(c + 0.5f, 1.0f);
            factor = 1.5f;
        }
        glColor3fv(rgb);
    } else {
        const MarkerAttribute& a = attributes_[i];
        glColor3ub(static_cast<GLubyte>(a.red), static_cast<GLubyte>(a.green),
                   static_cast<GLubyte>(a.blue));
    }
    if (sphere)
        sphere->Draw(factor * size);
    else
        DrawSolidSphere(factor * size, 10, 15);
}

void wxSegment::DrawLink(float x1, float y1, float z1, float x2, float y2, float z2) {
    if (IsMissing(x1, y1, z1)) return;
    if (IsMissing(x2, y2, z2) || renderMode != GL_RENDER) return;
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
    glColor3ub(static_cast<GLubyte>(colour_.red), static_cast<GLubyte>(colour_.green),
               static_cast<GLubyte>(colour_.blue));
    if (lineStyle) {
        const float a[3] = {x1, y1, z1};
        const float b[3] = {x2, y2, z2};
        DrawLinkLine(a, b);
    } else {
        glPushMatrix();
        glTranslatef(x1, y1, z1);
        DrawArrow(x2 - x1, y2 - y1, z2 - z1, true, false, 1.0f);
        glPopMatrix();
    }
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHT1);
    glEnable(GL_LIGHTING);
}

void wxSegment::SetPositions(const float* xyz, int32_t markerCount) {
    if (!xyz) return;
    for (size_t k = 0; k < numbers_.size(); ++k) {
        const int32_t n = numbers_[k] - 1;
        if (n < 0 || n >= markerCount) continue;
        const float* p = xyz + 3 * static_cast<size_t>(n);
        x_[k] = p[0];
        y_[k] = p[1];
        z_[k] = p[2];
    }
}

void DrawLinkLine(const float a[3], const float b[3]) {
    glLineWidth(2.5f);
    glBegin(GL_LINES);
    glVertex3fv(a);
    glVertex3fv(b);
    glEnd();
    glLineWidth(1.0f);
}

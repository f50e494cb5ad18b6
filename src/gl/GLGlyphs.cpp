#include "gl/GLGlyphs.h"

#include <algorithm>
#include <cmath>

#include <GL/gl.h>
#include <GL/glu.h>

#include "gl/GLPrimitives.h"
#include "gl/GLQuadric.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Set by DrawArrow for the span of one call; 1 otherwise.
float gArrowScale = 1.0f;

class ArrowScaleGuard {
public:
    explicit ArrowScaleGuard(float scale) { gArrowScale = scale; }
    ~ArrowScaleGuard() { gArrowScale = 1.0f; }
    ArrowScaleGuard(const ArrowScaleGuard&) = delete;
    ArrowScaleGuard& operator=(const ArrowScaleGuard&) = delete;
};

void DrawArrowBody(float length, bool solid, bool head) {
    const ArrowBodySize size = ArrowBodySizeFor(length, head, gArrowScale);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    {
        QuadricHandle q;
        if (q) {
            if (solid) {
                gluQuadricDrawStyle(q.get(), GLU_FILL);
                gluQuadricNormals(q.get(), GLU_SMOOTH);
            } else {
                gluQuadricDrawStyle(q.get(), GLU_LINE);
                gluQuadricNormals(q.get(), GLU_NONE);
            }
            glPushMatrix();
            gluCylinder(q.get(), size.shaftRadius, size.shaftRadius, size.shaftLength, 7, 3);
            glPopMatrix();
            if (head) {
                glPushMatrix();
                glTranslatef(0, 0, size.shaftLength);
                gluCylinder(q.get(), size.headRadius, 0, size.headLength, 7, 3);
                glPopMatrix();
            }
        }
    }
    glPopAttrib();
}

// Pushes a GL name for the span of one gizmo element when names are wanted.
class NameScope {
public:
    NameScope(bool active, GLuint name) : active_(active) {
        if (active_) glPushName(name);
    }
    ~NameScope() {
        if (active_) glPopName();
    }
    NameScope(const NameScope&) = delete;
    NameScope& operator=(const NameScope&) = delete;

private:
    bool active_;
};

void Line(float x0, float y0, float z0, float x1, float y1, float z1) {
    glVertex3f(x0, y0, z0);
    glVertex3f(x1, y1, z1);
}

void LetterX(float length) {
    const float s = 0.05f * length;
    glPushMatrix();
    glTranslatef(length + s, 0, 0);
    glBegin(GL_LINES);
    Line(0, 0, 0, s, 0, s);
    Line(0, 0, s, s, 0, 0);
    glEnd();
    glPopMatrix();
}

void LetterY(float length) {
    const float s = 0.05f * length;
    glPushMatrix();
    glTranslatef(0, length + s, 0);
    glBegin(GL_LINES);
    Line(0, 0, 0, 0, 0, -s);
    Line(0, 0, 0, 0, -s / 2, s / 2);
    Line(0, 0, 0, 0, s / 2, s / 2);
    glEnd();
    glPopMatrix();
}

void LetterZ(float length) {
    const float s = 0.05f * length;
    glPushMatrix();
    glTranslatef(0, 0, length + s);
    glBegin(GL_LINES);
    Line(-s / 2, 0, 0, s / 2, 0, 0);
    Line(-s / 2, 0, 0, s / 2, 0, s);
    Line(-s / 2, 0, s, s / 2, 0, s);
    glEnd();
    glPopMatrix();
}

// Grid, border and centre lines of a ground plane; `point` maps the in-plane coordinates (u, v)
// to scene coordinates, in the corner order the grid patch expects.
template <typename Point>
void GroundPlane(double size, int divisions, Point point) {
    const double h = size / 2;
    double c[4][3];
    point(-h, -h, c[0]);
    point(h, -h, c[1]);
    point(-h, h, c[2]);
    point(h, h, c[3]);
    glLineWidth(1);
    DrawGridPatch(c[0], c[1], c[2], c[3], divisions);
    glLineWidth(2);
    const double lines[6][4] = {{-h, -h, h, -h}, {-h, -h, -h, h}, {-h, h, h, h},
                                {h, -h, h, h},   {0, -h, 0, h},   {-h, 0, h, 0}};
    glBegin(GL_LINES);
    for (const auto& l : lines) {
        double a[3], b[3];
        point(l[0], l[1], a);
        point(l[2], l[3], b);
        glVertex3dv(a);
        glVertex3dv(b);
    }
    glEnd();
}

}  // namespace

ArrowBodySize ArrowBodySizeFor(float length, bool head, float scale) {
    ArrowBodySize s;
    s.headLength = std::min(length / 5, 0.05f);
    if (scale != 0) s.headLength *= scale;
    s.shaftLength = head ? length - s.headLength : length;
    s.shaftRadius = std::clamp(length / 90, 0.0005f, 0.004f);
    if (scale != 0) s.shaftRadius *= scale;
    s.headRadius = 5 * s.shaftRadius;
    return s;
}

ArrowTurns ArrowTurnsFor(float x, float y, float z) {
    ArrowTurns t;
    if (x < 0) y = -y;
    const double f = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (f < 1e-5) return t;
    t.drawn = true;
    t.length = static_cast<float>(f);
    const double theta = std::acos(std::clamp(z / f, -1.0, 1.0));
    double psi = 0;
    const double st = std::sin(theta);
    if (st != 0) {
        double l = y / (f * st);
        if (std::fabs(l) > 1) l = l > 0 ? 1 : -1;
        psi = std::asin(-l);
    }
    double tilt = theta * 180 / kPi;
    if (x < 0) tilt = -tilt;
    t.tilt = static_cast<float>(tilt);
    t.turn = static_cast<float>(90 - psi * 180 / kPi);
    return t;
}

void DrawArrow(float x, float y, float z, bool solid, bool head, float scale) {
    const ArrowTurns t = ArrowTurnsFor(x, y, z);
    if (!t.drawn) return;
    ArrowScaleGuard scaleGuard(scale);
    glPushMatrix();
    glRotatef(t.turn, 0, 0, 1);
    glRotatef(t.tilt, 1, 0, 0);
    DrawArrowBody(t.length, solid, head);
    glPopMatrix();
}

void DrawManipulatorGizmo(float length, int renderMode, int activeHandle, bool rings,
                          bool pickable) {
    const bool names = renderMode == GL_SELECT && pickable;
    const float colours[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    auto colour = [&](int index) {
        if (index == activeHandle)
            glColor3f(1, 1, 0);
        else
            glColor3fv(colours[index % 3]);
    };
    const float tips[3][3] = {{length, 0, 0}, {0, length, 0}, {0, 0, length}};
    for (int i = 0; i < 3; ++i) {
        NameScope name(names, GLuint(2 + i));
        colour(i);
        DrawArrow(tips[i][0], tips[i][1], tips[i][2], true, true, 1);
    }
    if (!rings) return;
    const double ringRadius = 2.0 * length / 3;
    // Ring about X lies in the YZ plane, about Y in the XZ plane, about Z in the XY plane.
    const float turns[3][4] = {{90, 0, 1, 0}, {90, 1, 0, 0}, {0, 0, 0, 1}};
    for (int i = 0; i < 3; ++i) {
        NameScope name(names, GLuint(5 + i));
        colour(3 + i);
        glPushMatrix();
        if (turns[i][0] != 0) glRotatef(turns[i][0], turns[i][1], turns[i][2], turns[i][3]);
        DrawTorus(ringRadius / 100, ringRadius, 8, 30, GL_QUADS, false);
        glPopMatrix();
    }
}

void DrawAxisLetters(float length) {
    glColor3f(1, 0, 0);
    LetterX(length);
    glColor3f(0, 1, 0);
    LetterY(length);
    glColor3f(0, 0, 1);
    LetterZ(length);
}

void DrawLineAxes(float length) {
    const float L = length, s = 0.05f * length, t = 0.9f * length;
    glColor3f(1, 0, 0);
    glBegin(GL_LINES);
    Line(0, 0, 0, t, 0, 0);
    Line(t, 0, s, L, 0, 0);
    Line(t, 0, -s, L, 0, 0);
    Line(t, 0, s, t, 0, -s);
    glEnd();
    LetterX(L);
    glColor3f(0, 1, 0);
    glBegin(GL_LINES);
    Line(0, 0, 0, 0, t, 0);
    Line(0, t, s, 0, L, 0);
    Line(0, t, -s, 0, L, 0);
    Line(0, t, s, 0, t, -s);
    glEnd();
    LetterY(L);
    glColor3f(0, 0, 1);
    glBegin(GL_LINES);
    Line(0, 0, 0, 0, 0, t);
    Line(-s, 0, t, 0, 0, L);
    Line(s, 0, t, 0, 0, L);
    Line(-s, 0, t, s, 0, t);
    glEnd();
    LetterZ(L);
}

void DrawArrowAxes(float length) {
    glColor3f(1, 0, 0);
    DrawArrow(length, 0, 0, true, true, 1);
    glColor3f(0, 1, 0);
    DrawArrow(0, length, 0, true, true, 1);
    glColor3f(0, 0, 1);
    DrawArrow(0, 0, length, true, true, 1);
    DrawAxisLetters(length);
}

void DrawGridPatch(const double c0[3], const double c1[3], const double c2[3], const double c3[3],
                   int divisions) {
    if (divisions < 1) return;
    // u runs from c0 to c1 (stride 3), v from c0 to c2 (stride 6).
    GLfloat points[12];
    const double* corners[4] = {c0, c1, c2, c3};
    for (int k = 0; k < 4; ++k)
        for (int a = 0; a < 3; ++a) points[3 * k + a] = static_cast<GLfloat>(corners[k][a]);
    glPushAttrib(GL_EVAL_BIT | GL_ENABLE_BIT);
    glEnable(GL_MAP2_VERTEX_3);
    glMap2f(GL_MAP2_VERTEX_3, 0, 1, 3, 2, 0, 1, 6, 2, points);
    glMapGrid2f(divisions, 0, 1, divisions, 0, 1);
    glEvalMesh2(GL_LINE, 0, divisions, 0, divisions);
    glPopAttrib();
}

void DrawGroundPlaneXY(double size, double position, int divisions) {
    GroundPlane(size, divisions, [position](double u, double v, double* out) {
        out[0] = u;
        out[1] = v;
        out[2] = position;
    });
}

void DrawGroundPlaneYZ(double size, double position, int divisions) {
    GroundPlane(size, divisions, [position](double u, double v, double* out) {
        out[0] = position;
        out[1] = v;
        out[2] = u;
    });
}

void DrawGroundPlaneXZ(double size, double position, int divisions) {
    GroundPlane(size, divisions, [position](double u, double v, double* out) {
        out[0] = v;
        out[1] = position;
        out[2] = u;
    });
}

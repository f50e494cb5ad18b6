#include "gl/GLPrimitives.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include <GL/gl.h>
#include <GL/glu.h>

#include "gl/GLQuadric.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---- box -------------------------------------------------------------------------------------

// The standard box of GLUT: corner k has the low (-) or high (+) coordinate per axis.
constexpr int kCornerSigns[8][3] = {{0, 0, 0}, {0, 0, 1}, {0, 1, 1}, {0, 1, 0},
                                    {1, 0, 0}, {1, 0, 1}, {1, 1, 1}, {1, 1, 0}};
constexpr int kFaces[6][4] = {{0, 1, 2, 3}, {3, 2, 6, 7}, {7, 6, 5, 4},
                              {4, 5, 1, 0}, {5, 6, 2, 1}, {7, 4, 0, 3}};
constexpr double kFaceNormals[6][3] = {{-1, 0, 0}, {0, 1, 0}, {1, 0, 0},
                                       {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};

enum class Form { Solid, Textured, Wire };

void DrawBoxForm(double sx, double sy, double sz, Form form, float repeat) {
    const double size[3] = {sx, sy, sz};
    double lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        lo[a] = -size[a] / 2;
        hi[a] = size[a] / 2;
        if (lo[a] > hi[a]) std::swap(lo[a], hi[a]);
    }
    double corner[8][3];
    for (int k = 0; k < 8; ++k)
        for (int a = 0; a < 3; ++a) corner[k][a] = kCornerSigns[k][a] ? hi[a] : lo[a];
    const float tex[4][2] = {{0, 0}, {repeat, 0}, {repeat, repeat}, {0, repeat}};
    for (int f = 0; f < 6; ++f) {
        glBegin(form == Form::Wire ? GL_LINE_LOOP : GL_QUADS);
        for (int v = 0; v < 4; ++v) {
            glNormal3dv(kFaceNormals[f]);
            if (form == Form::Textured) glTexCoord2fv(tex[v]);
            glVertex3dv(corner[kFaces[f][v]]);
        }
        glEnd();
    }
}

// ---- quadrics ----------------------------------------------------------------------------------

// Filled and textured as the three forms of a quadric shape ask.
void SetQuadricStyle(GLUquadric* q, bool filled, bool textured) {
    if (filled) {
        gluQuadricDrawStyle(q, GLU_FILL);
        gluQuadricNormals(q, GLU_SMOOTH);
    } else {
        gluQuadricDrawStyle(q, GLU_LINE);
        gluQuadricNormals(q, GLU_NONE);
    }
    gluQuadricTexture(q, textured ? GL_TRUE : GL_FALSE);
}

void CylinderRoutine(float length, float r0, float r1, float slices, float stacks, bool filled,
                     bool textured, bool lowDetail) {
    QuadricHandle q;
    if (!q) return;
    int n = static_cast<int>(slices);
    int m = static_cast<int>(stacks);
    if (lowDetail) {
        n = 7;
        m = 3;
    }
    // GLU refuses fewer than 2 slices or 1 stack with an error of its own; draw nothing instead.
    if (n < 2 || m < 1) return;
    glPushMatrix();
    SetQuadricStyle(q.get(), filled, textured);
    gluCylinder(q.get(), r0, r1, length, n, m);
    if (!lowDetail) {
        if (r0 != 0) gluDisk(q.get(), 0, r0, n, 10);
        glTranslatef(0, 0, length);
        if (r1 != 0) gluDisk(q.get(), 0, r1, n, 10);
    }
    glPopMatrix();
}

int SlicesOr(float value, int fallback) {
    const int n = static_cast<int>(value);
    return n == 0 ? fallback : n;
}

// A GLU sphere with the stored slice and stack counts (15 and 10 for 0), drawn inside a matrix
// push; with `axes` (x, y, z) the unit sphere is stretched into that ellipsoid.
void QuadricSphere(float radius, const float* axes, float slices, float stacks, bool filled,
                   bool textured) {
    QuadricHandle q;
    if (!q) return;
    const int n = SlicesOr(slices, 15);
    const int m = SlicesOr(stacks, 10);
    if (n < 2 || m < 2) return;
    glPushMatrix();
    SetQuadricStyle(q.get(), filled, textured);
    GLboolean normalize = GL_TRUE;
    if (axes) {
        // The scale would shear the sphere's normals; normalise them, then put the caller's
        // setting back.
        normalize = glIsEnabled(GL_NORMALIZE);
        glEnable(GL_NORMALIZE);
        glScalef(axes[0], axes[1], axes[2]);
    }
    gluSphere(q.get(), radius, n, m);
    if (!normalize) glDisable(GL_NORMALIZE);
    glPopMatrix();
}

void SphereRoutine(float radius, float slices, float stacks, bool filled, bool textured) {
    QuadricSphere(radius, nullptr, slices, stacks, filled, textured);
}

void EllipsoidRoutine(float zAxis, float xAxis, float yAxis, float slices, float stacks,
                      bool filled, bool textured) {
    const float axes[3] = {xAxis, yAxis, zAxis};
    QuadricSphere(1, axes, slices, stacks, filled, textured);
}

void ConeRoutine(double baseRadius, double height, bool filled, bool textured) {
    QuadricHandle q;
    if (!q) return;
    SetQuadricStyle(q.get(), filled, textured);
    gluCylinder(q.get(), baseRadius, 0, height, 15, 10);
}

// ---- pyramid glyph -----------------------------------------------------------------------------

struct Vec3 {
    double x, y, z;
};

Vec3 FaceNormal(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& inside) {
    const Vec3 u{b.x - a.x, b.y - a.y, b.z - a.z};
    const Vec3 v{c.x - a.x, c.y - a.y, c.z - a.z};
    Vec3 n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
    const double len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (len == 0) return {0, 0, 1};
    n = {n.x / len, n.y / len, n.z / len};
    // Point the normal away from the inside of the glyph whatever the winding of the face.
    const double side = (a.x - inside.x) * n.x + (a.y - inside.y) * n.y + (a.z - inside.z) * n.z;
    if (side < 0) n = {-n.x, -n.y, -n.z};
    return n;
}

void PyramidRoutine(float length, float width, bool filled, bool textured) {
    const double a = length, b = width;
    const Vec3 A{0, 0, a / 2}, C{0, 0, -a / 2}, B{0, b, a / 2 - b}, D{0, -b, a / 2 - b},
        P{b, 0, a / 2 - b};
    // A point inside the solid for orienting the face normals: the mean of the five vertices.
    const Vec3 inside{(A.x + B.x + C.x + D.x + P.x) / 5, (A.y + B.y + C.y + D.y + P.y) / 5,
                      (A.z + B.z + C.z + D.z + P.z) / 5};
    struct Face {
        Vec3 v[3];
        float t[3][2];
    };
    const Face tris[4] = {
        {{A, D, P}, {{0, 0}, {1, 0}, {1, 1}}},
        {{A, P, B}, {{0, 0}, {0, 1}, {1, 1}}},
        {{D, C, P}, {{0, 0}, {0, 1}, {1, 1}}},
        {{B, P, C}, {{0, 0}, {1, 0}, {1, 1}}},
    };
    // Each face carries its own normal, so the lit glyph shows flat facets.
    glBegin(filled ? GL_TRIANGLES : GL_LINE_LOOP);
    for (const Face& f : tris) {
        const Vec3 n = FaceNormal(f.v[0], f.v[1], f.v[2], inside);
        for (int i = 0; i < 3; ++i) {
            glNormal3d(n.x, n.y, n.z);
            if (textured) glTexCoord2fv(f.t[i]);
            glVertex3d(f.v[i].x, f.v[i].y, f.v[i].z);
        }
    }
    glEnd();
    const Vec3 quad[4] = {A, B, C, D};
    const float quadTex[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    const Vec3 n = FaceNormal(A, B, C, inside);
    glBegin(filled ? GL_QUADS : GL_LINE_LOOP);
    for (int i = 0; i < 4; ++i) {
        glNormal3d(n.x, n.y, n.z);
        if (textured) glTexCoord2fv(quadTex[i]);
        glVertex3d(quad[i].x, quad[i].y, quad[i].z);
    }
    glEnd();
}

}  // namespace

// ---- public entry points ---------------------------------------------------------------------

void DrawSolidPyramid(float length, float width) { PyramidRoutine(length, width, true, false); }
void DrawTexturedPyramid(float length, float width) { PyramidRoutine(length, width, true, true); }
void DrawWirePyramid(float length, float width) { PyramidRoutine(length, width, false, false); }

void DrawSolidBox(double sx, double sy, double sz) { DrawBoxForm(sx, sy, sz, Form::Solid, 1); }
void DrawTexturedBox(double sx, double sy, double sz, float textureRepeat) {
    DrawBoxForm(sx, sy, sz, Form::Textured, textureRepeat);
}
void DrawWireBox(double sx, double sy, double sz) { DrawBoxForm(sx, sy, sz, Form::Wire, 1); }

void DrawSolidCube(double size) { DrawBoxForm(size, size, size, Form::Solid, 1); }
void DrawTexturedCube(double size, float textureRepeat) {
    DrawBoxForm(size, size, size, Form::Textured, textureRepeat);
}
void DrawWireCube(double size) { DrawBoxForm(size, size, size, Form::Wire, 1); }

void DrawSolidCone(double baseRadius, double height) { ConeRoutine(baseRadius, height, true, false); }
void DrawTexturedCone(double baseRadius, double height) {
    ConeRoutine(baseRadius, height, true, true);
}
void DrawWireCone(double baseRadius, double height) { ConeRoutine(baseRadius, height, false, false); }

void DrawSolidCylinder(float length, float baseRadius, float topRadius, float slices, float stacks,
                       bool lowDetail) {
    CylinderRoutine(length, baseRadius, topRadius, slices, stacks, true, false, lowDetail);
}
void DrawTexturedCylinder(float length, float baseRadius, float topRadius, float slices,
                          float stacks, bool lowDetail) {
    CylinderRoutine(length, baseRadius, topRadius, slices, stacks, true, true, lowDetail);
}
void DrawWireCylinder(float length, float baseRadius, float topRadius, float slices, float stacks,
                      bool lowDetail) {
    CylinderRoutine(length, baseRadius, topRadius, slices, stacks, false, false, lowDetail);
}

void DrawSolidEllipsoid(float zAxis, float xAxis, float yAxis, float slices, float stacks) {
    EllipsoidRoutine(zAxis, xAxis, yAxis, slices, stacks, true, false);
}
void DrawTexturedEllipsoid(float zAxis, float xAxis, float yAxis, float slices, float stacks) {
    EllipsoidRoutine(zAxis, xAxis, yAxis, slices, stacks, true, true);
}
void DrawWireEllipsoid(float zAxis, float xAxis, float yAxis, float slices, float stacks) {
    EllipsoidRoutine(zAxis, xAxis, yAxis, slices, stacks, false, false);
}

void DrawSolidSphere(float radius, float slices, float stacks) {
    SphereRoutine(radius, slices, stacks, true, false);
}
void DrawTexturedSphere(float radius, float slices, float stacks) {
    SphereRoutine(radius, slices, stacks, true, true);
}
void DrawWireSphere(float radius, float slices, float stacks) {
    SphereRoutine(radius, slices, stacks, false, false);
}

void DrawTorus(double tubeRadius, double ringRadius, int sides, int rings, int mode,
               bool textured) {
    const double r = tubeRadius, R = ringRadius;
    const float tex[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    for (int i = 0; i < rings; ++i) {
        const double phi[2] = {2 * kPi * i / rings, 2 * kPi * (i + 1) / rings};
        for (int j = 0; j < sides; ++j) {
            const double theta[2] = {2 * kPi * j / sides, 2 * kPi * (j + 1) / sides};
            // Vertex order (phi0, theta1), (phi1, theta1), (phi1, theta0), (phi0, theta0).
            const int order[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
            glBegin(static_cast<GLenum>(mode));
            for (int v = 0; v < 4; ++v) {
                const double p = phi[order[v][0]], t = theta[order[v][1]];
                const double cp = std::cos(p), sp = std::sin(p), ct = std::cos(t),
                             st = std::sin(t);
                if (textured) glTexCoord2fv(tex[v]);
                glNormal3d(cp * ct, -sp * ct, st);
                glVertex3d(cp * (R + r * ct), -sp * (R + r * ct), r * st);
            }
            glEnd();
        }
    }
}

void DrawSolidTorus(double tubeRadius, double ringRadius) {
    DrawTorus(tubeRadius, ringRadius, 8, 30, GL_QUADS, false);
}
void DrawTexturedTorus(double tubeRadius, double ringRadius) {
    DrawTorus(tubeRadius, ringRadius, 8, 15, GL_QUADS, true);
}
void DrawWireTorus(double tubeRadius, double ringRadius) {
    DrawTorus(tubeRadius, ringRadius, 5, 10, GL_LINE_LOOP, false);
}

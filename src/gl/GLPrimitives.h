#pragma once
// Immediate-mode OpenGL bodies that scene objects draw as glyphs: pyramid glyph, box, cube, cone,
// cylinder, ellipsoid, sphere, torus and teapot, each in a solid (filled, with normals), textured
// (filled, with texture coordinates) and wire form. They draw in the current model-view frame
// with a current context, leave the matrix stacks and the enable state as they found them, and
// own nothing between calls.

// Pyramid glyph along Z: tips at z = +-length/2, a triangle of half-width `width` near the +Z tip.
void DrawSolidPyramid(float length, float width);
void DrawTexturedPyramid(float length, float width);
void DrawWirePyramid(float length, float width);

// Box centred on the origin; a negative size gives the same box as its absolute value.
void DrawSolidBox(double sx, double sy, double sz);
void DrawTexturedBox(double sx, double sy, double sz, float textureRepeat);
void DrawWireBox(double sx, double sy, double sz);

void DrawSolidCube(double size);
void DrawTexturedCube(double size, float textureRepeat);
void DrawWireCube(double size);

// Open cone along +Z from the base circle at z = 0 to the apex at z = height.
void DrawSolidCone(double baseRadius, double height);
void DrawTexturedCone(double baseRadius, double height);
void DrawWireCone(double baseRadius, double height);

// Cylinder along +Z from z = 0 to z = length with end caps where a radius is not 0; the counts
// are truncated to integers. Low detail: 7 slices, 3 stacks, no caps.
void DrawSolidCylinder(float length, float baseRadius, float topRadius, float slices, float stacks,
                       bool lowDetail);
void DrawTexturedCylinder(float length, float baseRadius, float topRadius, float slices,
                          float stacks, bool lowDetail);
void DrawWireCylinder(float length, float baseRadius, float topRadius, float slices, float stacks,
                      bool lowDetail);

// Ellipsoid with semi-axes given in the order z, x, y; slices 0 means 15 and stacks 0 means 10.
void DrawSolidEllipsoid(float zAxis, float xAxis, float yAxis, float slices, float stacks);
void DrawTexturedEllipsoid(float zAxis, float xAxis, float yAxis, float slices, float stacks);
void DrawWireEllipsoid(float zAxis, float xAxis, float yAxis, float slices, float stacks);

// Sphere; slices 0 means 15 and stacks 0 means 10.
void DrawSolidSphere(float radius, float slices, float stacks);
void DrawTexturedSphere(float radius, float slices, float stacks);
void DrawWireSphere(float radius, float slices, float stacks);

// Torus around the Z axis.
void DrawSolidTorus(double tubeRadius, double ringRadius);
void DrawTexturedTorus(double tubeRadius, double ringRadius);
void DrawWireTorus(double tubeRadius, double ringRadius);
// The shared torus routine: `mode` is the GL primitive of every quad (GL_QUADS, GL_LINE_LOOP).
void DrawTorus(double tubeRadius, double ringRadius, int sides, int rings, int mode, bool textured);

// The Utah teapot of the GLUT library scaled by size / 2, lid towards +Z.
void DrawSolidTeapot(double size);
void DrawWireTeapot(double size);

#include "model/ModelObject.h"

#include <cmath>
#include <iostream>

#include <GL/gl.h>
#include <GL/glx.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>

#include "gl/GLGlyphs.h"
#include "gl/GLPrimitives.h"
#include "shapes/shape3DS.h"
#include "shapes/shapeOBJ.h"
#include "shapes/shapeSHL.h"
#include "shapes/shapeTVP.h"

namespace {

// GL calls without a current context are lost at best: lists are made and freed only with one.
bool HaveContext() { return glXGetCurrentContext() != nullptr; }

bool InsideListCompile() {
    GLint compiling = 0;
    glGetIntegerv(GL_LIST_INDEX, &compiling);
    return compiling != 0;
}

float Sign(double v) { return v < 0.0 ? -1.0f : 1.0f; }

}  // namespace

ModelObject::ModelObject() {
    Setup(-1, wxString(), 0.5f, 0.5f, 0.5f, 0.01f, 0.01f, 0.01f, kSphere);
    // Every user sets the object up again before drawing it.
    type = kPyramid;
}

ModelObject::ModelObject(int id_, const wxString& name_, float red, float green, float blue, float sx, float sy,
                         float sz, int type_) {
    Setup(id_, name_, red, green, blue, sx, sy, sz, type_);
}

ModelObject::~ModelObject() { DeleteLists(); }

void ModelObject::Setup(int id_, const wxString& name_, float red, float green, float blue, float sx, float sy,
                        float sz, int type_) {
    wireframe = false;
    textureFile.clear();
    vectogram = positionVectogram = momentVectogram = velocityVectogram = accelerationVectogram = false;
    missingValue = 0.0;
    colour[0] = red;
    colour[1] = green;
    colour[2] = blue;
    colour[3] = 1.0f;
    for (float& s : specular) s = 1.0f;
    shininess = 64.0f;
    type = type_;
    id = id_;
    name = name_;
    sizeX = sx;
    sizeY = sy;
    sizeZ = sz;
    cgRatio = 0.5f;
    for (int c = 0; c < 3; ++c) {
        force[c] = moment[c] = velocity[c] = acceleration[c] = position[c] = 0.0;
        poseAxis[c] = c == 2 ? 1.0 : 0.0;
    }
    poseAngle = 0.0;
    selectionOrder = 0;
    show = true;
    centralForce = forceArrow = momentArrow = drawCM = trajectory = false;
    velocityArrow = accelerationArrow = spare = false;
    rotationX = rotationY = rotationZ = 0.0f;
    offsetX = offsetY = offsetZ = 0.0f;
    glyphLength = type == kSphere ? 2.0f * sizeZ : sizeZ;
    CompileLists();
}

void ModelObject::DeleteLists() {
    if ((glyphList_ != 0 || axesList_ != 0 || texture != 0) && HaveContext()) {
        if (glyphList_ != 0) glDeleteLists(glyphList_, 1);
        if (axesList_ != 0) glDeleteLists(axesList_, 1);
        if (texture != 0) {
            const GLuint name_ = texture;
            glDeleteTextures(1, &name_);
        }
    }
    glyphList_ = 0;
    axesList_ = 0;
    texture = 0;
    listsStale_ = true;
}

void ModelObject::CompileLists() { DeleteLists(); }

void ModelObject::Rebuild() {
    glyphLength = type == kSphere ? 2.0f * sizeZ : sizeZ;
    CompileLists();
}

void ModelObject::MakeLists() {
    listsStale_ = false;
    // No list can be made inside another one being compiled: the glyph is then drawn directly.
    if (InsideListCompile()) return;
    glyphList_ = glGenLists(1);
    if (glyphList_ != 0) {
        glNewList(glyphList_, GL_COMPILE);
        DrawGlyph();
        glEndList();
    }
    axesList_ = glGenLists(1);
    if (axesList_ != 0) {
        glNewList(axesList_, GL_COMPILE);
        DrawLineAxes(glyphLength);
        glEndList();
    }
}

void ModelObject::DrawGlyph() {
    glColor4fv(colour);
    const bool translucent = colour[3] < 1.0f;
    if (translucent) {
        if (type == kMesh) glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
    }
    glPushMatrix();
    if (type == kCylinder) glTranslatef(0.0f, 0.0f, -sizeZ / 2.0f);
    if (cgRatio != 0.5f) glTranslatef(0.0f, 0.0f, (0.5f - cgRatio) * sizeZ);
    if (offsetX != 0.0f || offsetY != 0.0f || offsetZ != 0.0f) glTranslatef(offsetX, offsetY, offsetZ);
    if (rotationX != 0.0f) glRotatef(rotationX, 1.0f, 0.0f, 0.0f);
    if (rotationY != 0.0f) glRotatef(rotationY, 0.0f, 1.0f, 0.0f);
    if (rotationZ != 0.0f) glRotatef(rotationZ, 0.0f, 0.0f, 1.0f);
    switch (type) {
    case kSphere:
        if (wireframe)
            DrawWireSphere(sizeZ / 2.0f, 10, 15);
        else
            DrawSolidSphere(sizeZ / 2.0f, 10, 15);
        break;
    case kCylinder:
        if (wireframe)
            DrawWireCylinder(sizeZ, sizeX, sizeY, 10, 15, false);
        else
            DrawSolidCylinder(sizeZ, sizeX, sizeY, 10, 15, false);
        break;
    case kBox:
        if (wireframe)
            DrawWireBox(sizeX, sizeY, sizeZ);
        else
            DrawSolidBox(sizeX, sizeY, sizeZ);
        break;
    case kPyramid:
        if (wireframe)
            DrawWirePyramid(sizeZ, sizeX);
        else
            DrawSolidPyramid(sizeZ, sizeX);
        break;
    case kMesh:
        if (mesh) {
            mesh->SetWireframe(wireframe);
            mesh->Draw();
        }
        break;
    default:
        break;
    }
    if (translucent) {
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
    }
    glPopMatrix();
}

void ModelObject::Draw(int mode, int activeHandle, const double* reference, bool relative) {
    if (!show) return;
    if (!HasPose()) return;
    if (listsStale_) {
        DeleteLists();
        MakeLists();
    }
    // Only what the glyph, its arrows and the gizmo change: a full push costs more than the glyph.
    glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_LINE_BIT |
                 GL_POLYGON_BIT | GL_LIGHTING_BIT);
    const bool naming = mode == GL_SELECT;
    if (naming) glPushName(static_cast<GLuint>(id + kPickBase));
    float at[3];
    for (int c = 0; c < 3; ++c)
        at[c] = static_cast<float>(reference && relative ? position[c] - reference[c] : position[c]);
    glPushMatrix();
    glTranslatef(at[0], at[1], at[2]);
    if (forceArrow) {
        glColor3f(1.0f, 0.0f, 0.0f);
        DrawArrow(float(force[0] / 600.0), float(force[1] / 600.0), float(force[2] / 600.0), true, true, 1.0f);
    }
    if (velocityArrow) {
        glColor3f(1.0f, 0.0f, 1.0f);
        DrawArrow(float(velocity[0]), float(velocity[1]), float(velocity[2]), true, true, 1.0f);
    }
    if (accelerationArrow) {
        glColor3f(0.0f, 1.0f, 1.0f);
        DrawArrow(float(acceleration[0] / 10.0), float(acceleration[1] / 10.0), float(acceleration[2] / 10.0), true,
                  true, 1.0f);
    }
    glPushMatrix();
    glRotated(poseAngle, poseAxis[0], poseAxis[1], poseAxis[2]);
    // Mesa's software renderer crashed replaying these lists in GL_SELECT mode: picking draws the
    // glyph itself.
    if (glyphList_ != 0 && !naming)
        glCallList(glyphList_);
    else
        DrawGlyph();
    if (selectionOrder != 0) DrawManipulatorGizmo(sizeZ, mode, activeHandle, drag, drag);
    glPopMatrix();
    glPopMatrix();
    if (naming) glPopName();
    glPopAttrib();
}

bool ModelObject::LoadShapeFile(const wxString& path, double size, int number) {
    if (mesh) {
        mesh.reset();
        type = kPyramid;
    }
    if (!wxFileExists(path)) return false;
    part = number + 1;
    const wxString ext = wxFileName(path).GetExt().Lower();
    const wxString lower = path.Lower();
    std::unique_ptr<shapeVP> shape;
    if (ext == "obj") {
        shape = std::make_unique<shapeOBJ>();
        shape->SetPart(part);
    } else if (ext == "3ds") {
        shape = std::make_unique<shape3DS>();
    } else if (lower.EndsWith(".txv.gz") || ext == "txv") {
        shape = std::make_unique<shapeTVP>();
    } else if (lower.EndsWith(".shl.gz") || ext == "shl") {
        shape = std::make_unique<shapeSHL>();
    } else {
        return false;
    }
    // The glyph list holds the mesh: a second list of its own would only be nested.
    shape->SetUseDisplayList(false);
    sizeZ = static_cast<float>(size);
    shape->SetSize(sizeZ);
    shape->Load(path);
    if (shape->IsLoaded()) {
        shape->SetUseColour(false);
        shape->Normalise();
        type = kMesh;
        shape->SetSize(sizeZ);
        mesh = std::move(shape);
        return true;
    }
    std::cout << _("Unable to load shape ") << path << std::endl;
    return false;
}

void ModelObject::Offset(double dx, double dy, int mode) {
    const float length = static_cast<float>(std::sqrt(dx * dx + dy * dy)) * Sign(dx) * Sign(dy);
    switch (mode) {
    case 0: offsetX += length; break;
    case 1: offsetY += length; break;
    case 2: offsetZ += length; break;
    case 3: rotationX += length; break;
    case 4: rotationY += length; break;
    case 5: rotationZ += length; break;
    default: break;
    }
}

void ModelObject::SetPosition(double x, double y, double z) {
    position[0] = x;
    position[1] = y;
    position[2] = z;
}

void ModelObject::SetRotation(double angle, double x, double y, double z) {
    poseAngle = angle;
    poseAxis[0] = x;
    poseAxis[1] = y;
    poseAxis[2] = z;
}

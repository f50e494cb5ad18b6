#pragma once
// The drawable glyph of one model item (a body segment, a joint or the whole-body centre of mass):
// its shape (sphere, cylinder, box, pyramid or a mesh file), colour and sizes, the glyph's own
// rotation and offset inside the item's frame, the item's pose at the current frame, its force
// vectors and its selection state.
//
// The GL display lists are made lazily by the first Draw with a current context: constructing,
// setting up and rebuilding only mark them stale, so a model and its objects can be built, queried
// and saved without a display. Destruction frees the lists only when a context is current (a list
// made in a context that is gone is gone with it).
#include <iosfwd>
#include <memory>

#include <wx/string.h>

class shape3D;

class ModelObject {
public:
    // Glyph types, as stored in the display model files.
    enum { kSphere = 0, kCylinder = 1, kBox = 2, kPyramid = 3, kMesh = 4 };
    // Pick names of model items are their id plus this.
    static constexpr int kPickBase = 100000;

    ModelObject();
    ModelObject(int id, const wxString& name, float red, float green, float blue, float sizeX, float sizeY,
                float sizeZ, int type);
    ~ModelObject();
    ModelObject(const ModelObject&) = delete;
    ModelObject& operator=(const ModelObject&) = delete;

    // Sets every glyph value to the given ones or its default; the drag flag, part, axis and mesh
    // stay.
    void Setup(int id, const wxString& name, float red, float green, float blue, float sizeX, float sizeY,
               float sizeZ, int type);
    // Frees the lists (when a context is current) and marks them to be made again.
    void DeleteLists();
    void CompileLists();
    // Glyph length from the sizes, then new lists at the next draw: every change of the glyph
    // (type, sizes, rotations, offsets, colour, wireframe, mesh) is followed by one.
    void Rebuild();
    // The glyph itself in the current frame (the content of the glyph list).
    void DrawGlyph();
    // Draws the object at its pose; in GL_SELECT mode under the name id + kPickBase. A given
    // reference position is subtracted when `relative` is set.
    void Draw(int mode, int activeHandle, const double* reference, bool relative);
    // Attaches the mesh of an OBJ (group number + 1), 3DS, SHL or TXV file (".gz" allowed for the
    // last two), normalised to `size`. False when the file is missing, of another kind or does not
    // load; a mesh attached before is dropped in any case.
    bool LoadShapeFile(const wxString& path, double size, int number);
    // A drag edit: the signed length of (dx, dy) is added to offset X, Y, Z (modes 0-2) or to
    // rotation X, Y, Z in degrees (modes 3-5).
    void Offset(double dx, double dy, int mode);
    void SetPosition(double x, double y, double z);
    void SetRotation(double angle, double x, double y, double z);

    // ---- VRML97 ----
    // The object as a Transform node named prefix_index with its appearance and its geometry;
    // `level` is the caller's indentation (four spaces a level) and is left as found. A mesh glyph
    // without vertices or faces, or an unknown type, writes nothing (see WritesVRMLNode).
    void WriteVRMLGeometry(std::ostream& out, int index, const wxString& prefix, int* level);
    // The node head and appearance; the level is left 3 deeper, on the line of the geometry node.
    void WriteVRML(std::ostream& out, int index, const wxString& prefix, int* level);
    // An interpolator value without end of line: the translation (offset plus position) or the
    // rotation (axis and angle in radians, glyph rotations included), each number followed by " ".
    void WriteVRMLTransform(std::ostream& out, bool translation);
    // The value of a key at which the item has no pose: far out of sight (as a missing marker) and
    // an identity rotation, without end of line.
    void WriteVRMLUnposed(std::ostream& out, bool translation);
    // False when the item has no position at the frame it was posed for (all three coordinates are
    // the missing value): the view draws nothing then.
    bool HasPose() const {
        return position[0] != missingValue || position[1] != missingValue || position[2] != missingValue;
    }
    // Whether WriteVRMLGeometry writes a node, so that nothing routes to a node never written.
    bool WritesVRMLNode() const;

    shape3D* GetMesh() const { return mesh.get(); }
    // Whether lists are waiting to be made (tests and the owner's bookkeeping).
    bool ListsStale() const { return listsStale_; }
    unsigned GlyphList() const { return glyphList_; }

    double force[3] = {0, 0, 0};
    double moment[3] = {0, 0, 0};
    double velocity[3] = {0, 0, 0};
    double acceleration[3] = {0, 0, 0};
    double missingValue = 0.0;
    wxString name;
    int selectionOrder = 0;  // 0 not selected, else the 1-based order of selection
    bool show = true;
    bool centralForce = false;
    bool forceArrow = false;
    bool momentArrow = false;
    bool drawCM = false;
    bool trajectory = false;
    bool velocityArrow = false;
    bool accelerationArrow = false;
    bool spare = false;
    bool vectogram = false;
    bool positionVectogram = false;
    bool momentVectogram = false;
    bool velocityVectogram = false;
    bool accelerationVectogram = false;
    int id = -1;
    int type = kSphere;
    float colour[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    float specular[4] = {1, 1, 1, 1};
    float shininess = 64.0f;
    float cgRatio = 0.5f;  // where the item's reference point lies along the glyph (0.5 middle)
    float sizeX = 0.01f;
    float sizeY = 0.01f;
    float sizeZ = 0.01f;  // the length along the item's axis
    unsigned texture = 0;
    wxString textureFile;
    float rotationX = 0, rotationY = 0, rotationZ = 0;  // degrees
    float offsetX = 0, offsetY = 0, offsetZ = 0;
    float glyphLength = 0.01f;
    bool wireframe = false;
    std::unique_ptr<shape3D> mesh;
    int part = -1;  // mesh part: the display file's "Number" + 1
    int axis = 2;
    bool ownTransform = false;  // the VRML node carries the position itself (nothing animates it)
    bool drag = false;
    double poseAngle = 0.0;  // degrees
    double poseAxis[3] = {0, 0, 1};
    double position[3] = {0, 0, 0};

private:
    void MakeLists();

    unsigned glyphList_ = 0;
    unsigned axesList_ = 0;
    bool listsStale_ = true;
};

#pragma once
// Which scene object opens a file, chosen by its name: the extension in any letter case, the
// suffixes ".dxf.gz", ".txv.gz" and ".shl.gz" in any letter case, and the prefix "c#" (exactly)
// of recordings named by their acquisition system, which wins over any extension.
#include <wx/string.h>

class shape3D;

enum class ShapeKind {
    Unsupported,
    DxfDrawing,   // DXFRenderer, "dxf"
    IsoSurface,   // isosurface, "iso_surface"
    ObjModel,     // glmObj, "glm"
    Mesh3DS,      // shape3DS, "3ds"
    MeshTXV,      // shapeTVP, "tvp"
    MeshSHL,      // shapeSHL, "shl"
    Skeleton,     // shapeBVH, "bvh"
    Motion,       // the motion-capture scene object, "c3d"
};

ShapeKind ShapeKindForPath(const wxString& path);

// A new, empty scene object of the kind; null for Unsupported.
shape3D* CreateShape(ShapeKind kind);

#include "view/ShapeFactory.h"

#include <wx/filename.h>

#include "shapes/DXFRenderer.h"
#include "view/MotionSceneLink.h"
#include "shapes/glmObj.h"
#include "shapes/isosurface.h"
#include "shapes/shape3DS.h"
#include "shapes/shapeBVH.h"
#include "shapes/shapeSHL.h"
#include "shapes/shapeTVP.h"

namespace {

// Compressed files have the extension "gz": only the suffix tells what they hold.
bool EndsWithLower(const wxString& path, const char* suffix) {
    const size_t n = wxStrlen(suffix);
    return path.length() >= n && path.Right(n).Lower() == suffix;
}

}  // namespace

ShapeKind ShapeKindForPath(const wxString& path) {
    wxString folder, name, extension;
    wxFileName::SplitPath(path, &folder, &name, &extension);
    const wxString ext = extension.Lower();

    // Acquisition systems name their recordings "c#NNNN" with any extension, ".dat" included:
    // the name decides before the extension does.
    if (name.StartsWith("c#")) return ShapeKind::Motion;
    if (EndsWithLower(path, ".dxf.gz") || ext == "dxf") return ShapeKind::DxfDrawing;
    if (ext == "dat") return ShapeKind::IsoSurface;
    if (ext == "obj") return ShapeKind::ObjModel;
    if (ext == "3ds") return ShapeKind::Mesh3DS;
    if (EndsWithLower(path, ".txv.gz") || ext == "txv") return ShapeKind::MeshTXV;
    if (EndsWithLower(path, ".shl.gz") || ext == "shl") return ShapeKind::MeshSHL;
    if (ext == "bvh") return ShapeKind::Skeleton;
    static const char* const motionExtensions[] = {"c3d", "mdf", "mpc", "cme", "ric", "rif", "raw",
                                                   "rah", "trt", "txt", "trb", "trc", "taf"};
    for (const char* motion : motionExtensions)
        if (ext == motion) return ShapeKind::Motion;
    // The other trajectory and table files the program reads and writes itself (".trx", ".tr3",
    // ".tx" ...): a recording saved in them must open again.
    if ((ext.StartsWith("tr") || ext.StartsWith("tx")) && ext.length() <= 3) return ShapeKind::Motion;
    return ShapeKind::Unsupported;
}

shape3D* CreateShape(ShapeKind kind) {
    switch (kind) {
        case ShapeKind::DxfDrawing:
            return new DXFRenderer;
        case ShapeKind::IsoSurface:
            return new isosurface;
        case ShapeKind::ObjModel:
            return new glmObj;
        case ShapeKind::Mesh3DS:
            return new shape3DS;
        case ShapeKind::MeshTXV:
            return new shapeTVP;
        case ShapeKind::MeshSHL:
            return new shapeSHL;
        case ShapeKind::Skeleton:
            return new shapeBVH;
        case ShapeKind::Motion:
            return CreateMotionShape();
        case ShapeKind::Unsupported:
            break;
    }
    return nullptr;
}

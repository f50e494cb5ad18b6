#include "MotionSceneLink.h"

#include "TDataFile.h"
#include "geometry.h"
#include "shapeC3D.h"

namespace {

shapeC3D* AsMotion(object3D* object) { return dynamic_cast<shapeC3D*>(object); }

}  // namespace

shape3D* CreateMotionShape() { return new shapeC3D; }

const TC3DData* MotionRecording(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    return motion ? motion->GetData() : nullptr;
}

float* MotionBounds(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    return motion ? motion->GetBounds() : nullptr;
}

int MotionUpAxis(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    return motion ? motion->GetUpAxis() : 2;
}

int MotionReferenceMarker(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    return motion ? motion->GetReferenceMarker() : -1;
}

bool MotionRelativeToReference(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    return motion ? motion->IsRelativeToReference() : false;
}

Point3D MotionReferencePosition(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    if (motion == nullptr) return Point3D();
    const double* p = motion->GetReferencePosition();
    return p ? Point3D(p[0], p[1], p[2]) : Point3D();
}

bool MotionSelectionCentre(object3D* object, float out[3]) {
    shapeC3D* motion = AsMotion(object);
    return motion ? motion->GetSelectionCentre(out) : false;
}

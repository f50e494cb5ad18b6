#include "view/MotionSceneLink.h"

#include <wx/dynarray.h>

#include "motion/TDataFile.h"
#include "motion/geometry.h"
#include "objects/shape3D.h"
#include "scene/shapeC3D.h"

namespace {

shapeC3D* AsMotion(object3D* object) { return dynamic_cast<shapeC3D*>(object); }

}  // namespace

shape3D* CreateMotionShape() { return new shapeC3D(); }

const TC3DData* MotionRecording(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    return motion != nullptr ? motion->GetData() : nullptr;
}

float* MotionBounds(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    return motion != nullptr ? motion->GetBounds() : nullptr;
}

bool MotionBoundsMeasured(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    return motion != nullptr && motion->AreBoundsMeasured();
}

int MotionUpAxis(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    return motion != nullptr ? motion->GetUpAxis() : 2;
}

int MotionReferenceMarker(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    return motion != nullptr ? motion->GetReferenceMarker() : -1;
}

bool MotionRelativeToReference(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    return motion != nullptr && motion->IsRelativeToReference();
}

Point3D MotionReferencePosition(object3D* object) {
    shapeC3D* motion = AsMotion(object);
    if (motion == nullptr) return Point3D();
    const double* p = motion->GetReferencePosition();
    return p ? Point3D(p[0], p[1], p[2]) : Point3D();
}

bool MotionSelectionCentre(object3D* object, float out[3]) {
    shapeC3D* motion = AsMotion(object);
    return motion != nullptr && motion->GetSelectionCentre(out);
}

wxString MotionMarkerName(object3D* object, int index) {
    shapeC3D* motion = AsMotion(object);
    return motion != nullptr ? motion->GetMarkerName(index) : wxString();
}

void MotionSetReferenceMarker(object3D* object, int index, bool relative) {
    if (shapeC3D* motion = AsMotion(object)) motion->SetReferenceMarker(index, relative);
}

void MotionAddToDisplayList(object3D* object, const std::vector<int>& markers, bool asOneLink) {
    shapeC3D* motion = AsMotion(object);
    if (motion == nullptr) return;
    wxArrayInt list;
    for (int marker : markers) list.Add(marker);
    motion->AddToDisplayList(list, asOneLink);
}

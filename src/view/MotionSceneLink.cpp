#include "MotionSceneLink.h"

#include "geometry.h"
#include "shape3D.h"

// The motion-capture scene object joins the scene library later; until then motion files find
// no class to open them and no object answers as one.
shape3D* CreateMotionShape() { return nullptr; }

const TC3DData* MotionRecording(object3D*) { return nullptr; }

float* MotionBounds(object3D*) { return nullptr; }

int MotionUpAxis(object3D*) { return 2; }

int MotionReferenceMarker(object3D*) { return -1; }

bool MotionRelativeToReference(object3D*) { return false; }

Point3D MotionReferencePosition(object3D*) { return Point3D(); }

bool MotionSelectionCentre(object3D*, float*) { return false; }

wxString MotionMarkerName(object3D*, int) { return wxString(); }

void MotionSetReferenceMarker(object3D*, int, bool) {}

void MotionAddToDisplayList(object3D*, const std::vector<int>&, bool) {}

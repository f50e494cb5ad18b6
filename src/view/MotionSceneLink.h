#pragma once
// What the view reads of the motion-capture scene object besides the scene-object interface: its
// recording (events and screen axes), its bounds, up axis, reference marker and selection centre,
// and the marker operations of the canvas's popup menu (names, follow or freeze, links).
// Every function answers "nothing" (null, -1, false, the z axis, an empty name) and does nothing
// for any other object, so callers only need the object's type name to be "c3d" before they ask.
#include <vector>

#include <wx/string.h>

class object3D;
class shape3D;
class TC3DData;
class Point3D;

// A new, empty motion-capture scene object.
shape3D* CreateMotionShape();

const TC3DData* MotionRecording(object3D* object);
// x min, x max, y min, y max, z min, z max, in scene units; writable (the view widens a flat box).
float* MotionBounds(object3D* object);
// False when nothing of the recording was measured: its bounds say nothing of where it lies.
bool MotionBoundsMeasured(object3D* object);
// 0 x, 1 y, 2 z.
int MotionUpAxis(object3D* object);
// The followed marker (or model item), -1 for none.
int MotionReferenceMarker(object3D* object);
bool MotionRelativeToReference(object3D* object);
Point3D MotionReferencePosition(object3D* object);
// Mean position of the selected elements; false when none is selected.
bool MotionSelectionCentre(object3D* object, float out[3]);
// The name of marker `index` (0-based) or of a model item id; empty for anything else.
wxString MotionMarkerName(object3D* object, int index);
// Follows (relative false) or freezes the view on a marker; -1 frees it.
void MotionSetReferenceMarker(object3D* object, int index, bool relative);
// Adds markers (0-based indices) to the drawn links, as separate markers or as one link.
void MotionAddToDisplayList(object3D* object, const std::vector<int>& markers, bool asOneLink);

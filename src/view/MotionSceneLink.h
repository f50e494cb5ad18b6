#pragma once
// What the view reads of the motion-capture scene object besides the scene-object interface: its
// recording (events and screen axes), its bounds, up axis, reference marker and selection centre.
// Every function answers "nothing" (null, -1, false, the z axis) for any other object, so callers
// only need the object's type name to be "c3d" before they ask.
class object3D;
class shape3D;
class TC3DData;
class Point3D;

// A new, empty motion-capture scene object.
shape3D* CreateMotionShape();

const TC3DData* MotionRecording(object3D* object);
// x min, x max, y min, y max, z min, z max, in scene units; writable (the view widens a flat box).
float* MotionBounds(object3D* object);
// 0 x, 1 y, 2 z.
int MotionUpAxis(object3D* object);
// The followed marker (or model item), -1 for none.
int MotionReferenceMarker(object3D* object);
bool MotionRelativeToReference(object3D* object);
Point3D MotionReferencePosition(object3D* object);
// Mean position of the selected elements; false when none is selected.
bool MotionSelectionCentre(object3D* object, float out[3]);

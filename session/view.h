// What the camera keys and the orbit do with the session's objects: frame
// the selection or every object, look at the selection from above, the
// front or the right, orbit about it. None of them changes an object; the
// camera never ends inside an object's box.
#pragma once

#include "base/box.h"
#include "session/editor.h"

// The box the camera keys look at: around the selected objects, or every
// object when nothing visible is selected. Returns false
// (box untouched) when no object draws anything.
bool SelectionBox(const Editor& editor, Box& box);

// Turns the camera, from where it is, toward the box's centre and moves it
// along that line until the box fills kFrameFill of the view. Returns false
// and leaves the camera as it was when the result is not finite.
bool FrameBox(Editor& editor, const Box& box);

// Looks at the box's centre with the given angles (degrees) from the
// distance at which it fills kFrameFill of the view. Returns false and
// leaves the camera as it was when the result is not finite.
bool ViewBoxFrom(Editor& editor, const Box& box, float yaw, float pitch);

// Turns the camera by the given degrees about `centre`, which keeps its
// place in the picture. Leaves the camera as it was when the result is not
// finite.
void OrbitCamera(Editor& editor, const Vec3d& centre, float yaw, float pitch);

// The boxes objects occupy: each shape's own box, the box around an object
// as the window draws it, and how far along a line a point must go to be
// clear of every object. Picking, framing and orbiting share them.
#pragma once

#include "base/box.h"
#include "scene/object.h"

// The box around a shape in its own coordinates: the cube -0.5..0.5, the
// sphere -1..1, the cylinder -1..1 across and z from -1 to 0. Returns false
// (box untouched) for shapes that draw nothing.
bool ShapeBox(char shape, Box& box);

// The axis-aligned box, in scene coordinates, around the object as drawn
// (its shape's box through DrawnObjectMatrix, so kViewOffset along -z
// included). Returns false (box untouched) when the object draws nothing or
// its box is not finite.
bool DrawnBox(const SceneObject& object, Box& box);

// The drawn boxes of every object of the list joined; empty when none has
// one.
Box DrawnBox(const ObjectList& list);

// The least distance d >= `distance` at which from + d * direction (a unit
// vector) lies outside every object's drawn box, and far enough outside for
// a camera there to see none of them cut by its near plane. Never fails;
// returns `distance` when nothing is in the way.
double ClearDistance(const ObjectList& list, const Vec3d& from, const Vec3d& direction,
                     double distance);

// Which objects can show in the window: a bounding sphere per shape tested
// against the view frustum. Pure maths, no GL. Every doubt (non-finite or
// huge values, rounding at the edges) counts as visible.
#pragma once

#include "base/mat4.h"
#include "scene/object.h"

// The six planes around what the window shows, in scene coordinates (before
// the drawn offset along -z): a point p is inside a plane when
// a*p.x + b*p.y + c*p.z + d >= 0, with (a, b, c) of unit length. The sides
// lie a few pixels outside the window's edges.
struct Frustum {
  double planes[6][4] = {};
  double slack = 0;     // extra distance every test allows for float rounding
  bool usable = false;  // false when the matrices hold non-finite values
};

// The frustum of a window of width x height pixels that draws through
// `projection` after `view`. Never fails; odd input gives an unusable
// frustum, which shows everything.
Frustum MakeFrustum(const Mat4& projection, const Mat4& view, int width, int height);

// The sphere around all of a shape's geometry in its own coordinates.
// Returns false for shapes that draw nothing.
bool ShapeBounds(char shape, Vec3d& centre, double& radius);

// False only when the object draws nothing or its drawn geometry lies
// wholly outside the frustum; true whenever that is in doubt.
bool MayBeVisible(const SceneObject& object, const Frustum& frustum);

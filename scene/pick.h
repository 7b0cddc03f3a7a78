// Picking: which objects lie under a pixel of the window, worked out exactly
// from the frame's projection, the camera's view and each object's drawn
// transform and shape. Pure maths; no window needed.
#pragma once

#include <vector>

#include "base/mat4.h"
#include "scene/object.h"

// A ray in scene coordinates from the near plane (t = 0) to the far plane
// (t = 1): origin + t * direction.
struct Ray {
  Vec3d origin;
  Vec3d direction;
};

// The ray through the centre of window pixel (x, y) (y grows downward) of a
// width x height window drawn with `projection` and `view`. Returns false
// when the two cannot be inverted.
bool PixelRay(const Mat4& projection, const Mat4& view, int width, int height, int x, int y,
              Ray& ray);

// Where the ray first meets the object's surface as drawn (cube -0.5..0.5,
// sphere of radius 1, closed cylinder of radius 1 from z = 0 to z = -1, in
// its drawn transform), between the near and far planes. Returns false when
// it does not, and for shapes that draw nothing.
bool HitObject(const SceneObject& object, const Ray& ray, double& t);

// Every object the ray meets, nearest first; objects met at the same depth
// keep their list order (the earlier one is drawn in front).
std::vector<SceneObject*> ObjectsUnder(const ObjectList& list, const Ray& ray);

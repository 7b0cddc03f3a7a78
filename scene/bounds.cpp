#include "scene/bounds.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "camera/camera.h"
#include "scene/transform.h"

namespace {
// How far outside an object's box ClearDistance keeps a point: a camera
// there has the box's visible part beyond its near plane, so that nothing it
// backed out of shows cut open.
constexpr double kClearance = 1.2 * kNearPlane;

bool Finite(const Vec3d& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// Narrows [enter, exit] to where origin + t * direction lies within
// [lo, hi] on one axis.
void ClipToSlab(double& enter, double& exit, double origin, double direction, double lo,
                double hi) {
  if (direction == 0) {
    if (origin < lo || origin > hi) enter = exit;
    return;
  }
  double a = (lo - origin) / direction, b = (hi - origin) / direction;
  if (a > b) std::swap(a, b);
  enter = std::max(enter, a);
  exit = std::min(exit, b);
}
}  // namespace

bool ShapeBox(char shape, Box& box) {
  switch (shape) {
    case 'c': box.lo = {-0.5, -0.5, -0.5}, box.hi = {0.5, 0.5, 0.5}; return true;
    case 's': box.lo = {-1, -1, -1}, box.hi = {1, 1, 1}; return true;
    case 'y': box.lo = {-1, -1, -1}, box.hi = {1, 1, 0}; return true;
    default: return false;
  }
}

bool DrawnBox(const SceneObject& object, Box& box) {
  Box local;
  if (!ShapeBox(object.shape, local)) return false;
  const Mat4 m = DrawnObjectMatrix(object);
  Box drawn;
  for (int i = 0; i < 8; ++i) drawn.Add(TransformPoint(m, local.Corner(i)));
  if (!Finite(drawn.lo) || !Finite(drawn.hi)) return false;
  box = drawn;
  return true;
}

Box DrawnBox(const ObjectList& list) {
  Box all, one;
  for (const SceneObject* o = list.first; o != nullptr; o = o->next) {
    if (DrawnBox(*o, one)) all.Add(one);
  }
  return all;
}

double ClearDistance(const ObjectList& list, const Vec3d& from, const Vec3d& direction,
                     double distance) {
  // The stretches of the line inside each box that reach beyond `distance`,
  // walked in the order they begin.
  std::vector<std::pair<double, double>> inside;
  Box box;
  for (const SceneObject* o = list.first; o != nullptr; o = o->next) {
    if (!DrawnBox(*o, box)) continue;
    double enter = -std::numeric_limits<double>::infinity();
    double exit = std::numeric_limits<double>::infinity();
    ClipToSlab(enter, exit, from.x, direction.x, box.lo.x - kClearance, box.hi.x + kClearance);
    ClipToSlab(enter, exit, from.y, direction.y, box.lo.y - kClearance, box.hi.y + kClearance);
    ClipToSlab(enter, exit, from.z, direction.z, box.lo.z - kClearance, box.hi.z + kClearance);
    if (enter < exit && exit > distance) inside.emplace_back(enter, exit);
  }
  std::sort(inside.begin(), inside.end());
  for (const auto& [enter, exit] : inside) {
    if (enter > distance) break;
    distance = std::max(distance, exit);
  }
  return distance;
}

#include "scene/pick.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "scene/bounds.h"
#include "scene/transform.h"

namespace {
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The span [enter, exit] of ray parameters inside a solid; empty when
// enter > exit.
struct Span {
  double enter = -kInfinity, exit = kInfinity;
  void Clip(double a, double b) {
    if (a > b) std::swap(a, b);
    enter = std::max(enter, a);
    exit = std::min(exit, b);
  }
  void Miss() { enter = kInfinity, exit = -kInfinity; }
};

// Keeps the part of the span where origin + t * direction lies between lo
// and hi on one axis.
void ClipSlab(Span& span, double origin, double direction, double lo, double hi) {
  if (direction == 0) {
    if (origin < lo || origin > hi) span.Miss();
    return;
  }
  span.Clip((lo - origin) / direction, (hi - origin) / direction);
}

// Keeps the part of the span where a t^2 + b t + c <= 0 (a >= 0).
void ClipQuadric(Span& span, double a, double b, double c) {
  if (a == 0) {
    if (c > 0) span.Miss();
    return;
  }
  double discriminant = b * b - 4 * a * c;
  if (discriminant < 0) {
    span.Miss();
    return;
  }
  double root = std::sqrt(discriminant);
  // The numerically stable pair of roots.
  double q = -0.5 * (b + (b >= 0 ? root : -root));
  if (q == 0) {
    span.Clip(0, 0);
    return;
  }
  span.Clip(q / a, c / q);
}

// Every shape lies within its box, and the cube is its box.
Span ShapeSpan(char shape, const Vec3d& o, const Vec3d& d) {
  Span span;
  Box box;
  if (!ShapeBox(shape, box)) {
    span.Miss();
    return span;
  }
  ClipSlab(span, o.x, d.x, box.lo.x, box.hi.x);
  ClipSlab(span, o.y, d.y, box.lo.y, box.hi.y);
  ClipSlab(span, o.z, d.z, box.lo.z, box.hi.z);
  if (shape == 's') {
    ClipQuadric(span, d.x * d.x + d.y * d.y + d.z * d.z, 2 * (o.x * d.x + o.y * d.y + o.z * d.z),
                o.x * o.x + o.y * o.y + o.z * o.z - 1);
  } else if (shape == 'y') {
    ClipQuadric(span, d.x * d.x + d.y * d.y, 2 * (o.x * d.x + o.y * d.y), o.x * o.x + o.y * o.y - 1);
  }
  return span;
}

// A flat (zero) size still draws a visible face; give it a sliver of
// thickness so the transform can be inverted.
float Thickened(float size) {
  constexpr float kThinnest = 1e-6f;
  return std::fabs(size) < kThinnest ? (std::signbit(size) ? -kThinnest : kThinnest) : size;
}

// The point of homogeneous clip coordinates (x, y, z, 1) mapped back by `m`.
bool Unproject(const Mat4& m, double x, double y, double z, Vec3d& out) {
  Vec3d p = TransformPoint(m, {x, y, z});
  double w = m.at(3, 0) * x + m.at(3, 1) * y + m.at(3, 2) * z + m.at(3, 3);
  if (w == 0 || !std::isfinite(w)) return false;
  out = {p.x / w, p.y / w, p.z / w};
  return true;
}
}  // namespace

bool PixelRay(const Mat4& projection, const Mat4& view, int width, int height, int x, int y,
              Ray& ray) {
  if (width <= 0 || height <= 0) return false;
  Mat4 inverse;
  if (!Invert(projection * view, inverse)) return false;
  // GL's window y grows upward; pixel centres sit at half-pixel offsets.
  double ndcX = 2 * (x + 0.5) / width - 1;
  double ndcY = 1 - 2 * (y + 0.5) / height;
  Vec3d nearPoint, farPoint;
  if (!Unproject(inverse, ndcX, ndcY, -1, nearPoint) ||
      !Unproject(inverse, ndcX, ndcY, 1, farPoint)) {
    return false;
  }
  ray.origin = nearPoint;
  ray.direction = {farPoint.x - nearPoint.x, farPoint.y - nearPoint.y, farPoint.z - nearPoint.z};
  return true;
}

bool HitObject(const SceneObject& object, const Ray& ray, double& t) {
  if (Box box; !ShapeBox(object.shape, box)) return false;
  SceneObject shaped = object;
  shaped.size = {Thickened(object.size.x), Thickened(object.size.y), Thickened(object.size.z)};
  Mat4 toObject;
  if (!Invert(DrawnObjectMatrix(shaped), toObject)) return false;
  Span span = ShapeSpan(object.shape, TransformPoint(toObject, ray.origin),
                        TransformDirection(toObject, ray.direction));
  if (!(span.enter <= span.exit)) return false;
  // Cut open by the near plane, the object shows its inside far wall.
  double first = span.enter >= 0 ? span.enter : span.exit;
  if (!(first >= 0 && first <= 1)) return false;
  t = first;
  return true;
}

std::vector<SceneObject*> ObjectsUnder(const ObjectList& list, const Ray& ray) {
  std::vector<std::pair<double, SceneObject*>> hits;
  for (SceneObject* o = list.first; o != nullptr; o = o->next) {
    double t;
    if (HitObject(*o, ray, t)) hits.emplace_back(t, o);
  }
  std::stable_sort(hits.begin(), hits.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<SceneObject*> objects;
  for (const auto& hit : hits) objects.push_back(hit.second);
  return objects;
}

#include "scene/cull.h"

#include <algorithm>
#include <cmath>

#include "scene/transform.h"

namespace {
// Pixels the sides are moved outwards: covers lines that light pixels half
// a pixel beside their end points and every rounding between this maths
// and the GL's.
constexpr double kEdgePixels = 2;
// Relative rounding allowed between these doubles and the GL's floats.
constexpr double kRounding = 1e-5;
// Beyond this the GL's float arithmetic may overflow; such objects are drawn.
constexpr double kHuge = 1e15;

double Length(double x, double y, double z) { return std::sqrt(x * x + y * y + z * z); }
}  // namespace

Frustum MakeFrustum(const Mat4& projection, const Mat4& view, int width, int height) {
  Frustum frustum;
  const Mat4 clip = projection * view;
  // A point is inside when -w <= x, y, z <= w in clip coordinates; the x and
  // y sides are widened to -(1 + k) w <= x <= (1 + k) w.
  const double kx = kEdgePixels * 2 / std::max(width, 1);
  const double ky = kEdgePixels * 2 / std::max(height, 1);
  const struct { int row; double sign, widen; } sides[6] = {
      {0, 1, kx}, {0, -1, kx}, {1, 1, ky}, {1, -1, ky}, {2, 1, 0}, {2, -1, 0}};
  bool finite = true;
  for (int i = 0; i < 6; ++i) {
    double* plane = frustum.planes[i];
    for (int col = 0; col < 4; ++col) {
      plane[col] =
          (1 + sides[i].widen) * clip.at(3, col) + sides[i].sign * clip.at(sides[i].row, col);
    }
    double length = Length(plane[0], plane[1], plane[2]);
    for (int col = 0; col < 4; ++col) {
      plane[col] /= length;
      finite = finite && std::isfinite(plane[col]);
    }
  }
  // The eye's distance from the scene origin scales the GL's rounding.
  const double eye = Length(view.at(0, 3), view.at(1, 3), view.at(2, 3));
  frustum.slack = kRounding * (1 + eye);
  frustum.usable = finite && std::isfinite(frustum.slack);
  return frustum;
}

bool ShapeBounds(char shape, Vec3d& centre, double& radius) {
  switch (shape) {
    case 'c':  // edge 1 about the origin
      centre = {0, 0, 0};
      radius = std::sqrt(0.75);
      return true;
    case 's':  // radius 1 about the origin
      centre = {0, 0, 0};
      radius = 1;
      return true;
    case 'y':  // radius 1, from z = 0 to z = -1
      centre = {0, 0, -0.5};
      radius = std::sqrt(1.25);
      return true;
    default:
      return false;
  }
}

bool MayBeVisible(const SceneObject& object, const Frustum& frustum) {
  Vec3d local;
  double localRadius;
  if (!ShapeBounds(object.shape, local, localRadius)) return false;
  if (!frustum.usable) return true;
  const Mat4 m = DrawnObjectMatrix(object);
  const Vec3d centre = TransformPoint(m, local);
  // The longest axis the matrix stretches bounds how far any point moves.
  double stretch = 0;
  for (int col = 0; col < 3; ++col) {
    stretch = std::max(stretch, Length(m.at(0, col), m.at(1, col), m.at(2, col)));
  }
  const double radius = localRadius * stretch;
  const double reach = Length(centre.x, centre.y, centre.z) + radius;
  // Also catches NaN: every comparison with it fails.
  if (!(reach < kHuge)) return true;
  const double allowed = radius + frustum.slack + kRounding * reach;
  for (const double* p : frustum.planes) {
    if (p[0] * centre.x + p[1] * centre.y + p[2] * centre.z + p[3] < -allowed) return false;
  }
  return true;
}

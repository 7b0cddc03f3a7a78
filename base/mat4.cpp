#include "base/mat4.h"

#include <cmath>
#include <utility>

namespace {
constexpr double kPi = 3.14159265358979323846;
}

Mat4 operator*(const Mat4& a, const Mat4& b) {
  Mat4 r;
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += a.at(row, k) * b.at(k, col);
      r.at(row, col) = sum;
    }
  }
  return r;
}

Mat4 Translation(double x, double y, double z) {
  Mat4 r;
  r.at(0, 3) = x;
  r.at(1, 3) = y;
  r.at(2, 3) = z;
  return r;
}

Mat4 Rotation(double degrees, double x, double y, double z) {
  Mat4 r;
  double length = std::sqrt(x * x + y * y + z * z);
  if (length == 0) return r;
  x /= length, y /= length, z /= length;
  double radians = degrees * kPi / 180;
  double c = std::cos(radians), s = std::sin(radians), t = 1 - c;
  r.at(0, 0) = x * x * t + c, r.at(0, 1) = x * y * t - z * s, r.at(0, 2) = x * z * t + y * s;
  r.at(1, 0) = y * x * t + z * s, r.at(1, 1) = y * y * t + c, r.at(1, 2) = y * z * t - x * s;
  r.at(2, 0) = x * z * t - y * s, r.at(2, 1) = y * z * t + x * s, r.at(2, 2) = z * z * t + c;
  return r;
}

Mat4 Scaling(double x, double y, double z) {
  Mat4 r;
  r.at(0, 0) = x;
  r.at(1, 1) = y;
  r.at(2, 2) = z;
  return r;
}

Mat4 Perspective(double fovyDegrees, double aspect, double zNear, double zFar) {
  Mat4 r;
  double f = 1 / std::tan(fovyDegrees * kPi / 360);
  r.at(0, 0) = f / aspect;
  r.at(1, 1) = f;
  r.at(2, 2) = (zFar + zNear) / (zNear - zFar);
  r.at(2, 3) = 2 * zFar * zNear / (zNear - zFar);
  r.at(3, 2) = -1;
  r.at(3, 3) = 0;
  return r;
}

Vec3d TransformPoint(const Mat4& m, const Vec3d& p) {
  return {m.at(0, 0) * p.x + m.at(0, 1) * p.y + m.at(0, 2) * p.z + m.at(0, 3),
          m.at(1, 0) * p.x + m.at(1, 1) * p.y + m.at(1, 2) * p.z + m.at(1, 3),
          m.at(2, 0) * p.x + m.at(2, 1) * p.y + m.at(2, 2) * p.z + m.at(2, 3)};
}

Vec3d TransformDirection(const Mat4& m, const Vec3d& d) {
  return {m.at(0, 0) * d.x + m.at(0, 1) * d.y + m.at(0, 2) * d.z,
          m.at(1, 0) * d.x + m.at(1, 1) * d.y + m.at(1, 2) * d.z,
          m.at(2, 0) * d.x + m.at(2, 1) * d.y + m.at(2, 2) * d.z};
}

bool Invert(const Mat4& m, Mat4& out) {
  // Gauss-Jordan elimination with partial pivoting on [m | I].
  double a[4][8];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      a[r][c] = m.at(r, c);
      a[r][c + 4] = r == c ? 1 : 0;
    }
  }
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int r = col + 1; r < 4; ++r) {
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    }
    if (!(std::fabs(a[pivot][col]) > 0) || !std::isfinite(a[pivot][col])) return false;
    if (pivot != col) {
      for (int c = 0; c < 8; ++c) std::swap(a[col][c], a[pivot][c]);
    }
    double inv = 1 / a[col][col];
    for (int c = 0; c < 8; ++c) a[col][c] *= inv;
    for (int r = 0; r < 4; ++r) {
      if (r == col) continue;
      double factor = a[r][col];
      for (int c = 0; c < 8; ++c) a[r][c] -= factor * a[col][c];
    }
  }
  Mat4 result;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) result.at(r, c) = a[r][c + 4];
  }
  for (double v : result.m) {
    if (!std::isfinite(v)) return false;
  }
  out = result;
  return true;
}

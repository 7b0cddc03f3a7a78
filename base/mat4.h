// A 4x4 matrix in double precision, column-major like OpenGL's, with the
// few operations the fixed-function transforms need. Pure maths: drawing,
// picking, culling and export compute the same transforms with it.
#pragma once

#include "base/vec3.h"

struct Mat4 {
  double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // m[col * 4 + row]
  double& at(int row, int col) { return m[col * 4 + row]; }
  double at(int row, int col) const { return m[col * 4 + row]; }
};

struct Vec3d {
  double x = 0, y = 0, z = 0;
};

// a * b: applying the result applies b first, then a (as glMultMatrix does).
Mat4 operator*(const Mat4& a, const Mat4& b);

Mat4 Translation(double x, double y, double z);
// A rotation by `degrees` about the axis (x, y, z), as glRotate builds it;
// the axis need not be unit length (a zero axis gives the identity).
Mat4 Rotation(double degrees, double x, double y, double z);
Mat4 Scaling(double x, double y, double z);
// The projection gluPerspective builds.
Mat4 Perspective(double fovyDegrees, double aspect, double zNear, double zFar);

// The point p (w = 1) transformed, without the division by w.
Vec3d TransformPoint(const Mat4& m, const Vec3d& p);
// The direction d (w = 0) transformed.
Vec3d TransformDirection(const Mat4& m, const Vec3d& d);
// The general inverse; returns false (and leaves `out` unchanged) when the
// matrix is singular or holds non-finite values.
bool Invert(const Mat4& m, Mat4& out);

inline Vec3d ToDouble(const Vec3& v) { return {v.x, v.y, v.z}; }

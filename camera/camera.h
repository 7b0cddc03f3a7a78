// The fly camera: an eye position, a view direction derived from yaw and
// pitch, and the moves the keys and the mouse make.
#pragma once

#include "base/mat4.h"
#include "base/vec3.h"

// Degrees to radians as the camera has always converted them (slightly less
// than pi / 180; moves and the drawn view agree closely enough).
constexpr double kDegreeFactor = 0.017452925199444445;

// The window's projection: vertical field of view in degrees and the near
// and far planes.
constexpr double kFieldOfViewY = 40;
constexpr double kNearPlane = 0.5;
constexpr double kFarPlane = 200;

// The projection for a window of width x height pixels (a height below 1
// counts as 1).
Mat4 ProjectionMatrix(int width, int height);

struct Camera {
  Vec3 position{0, 0, 0};
  Vec3 view{0, 0, -1};
  bool viewStale = false;  // set by Yaw/Pitch; moves then recompute the view
  float pitch = 0;         // degrees about x; positive looks up
  float yaw = 0;           // degrees about y
  float roll = 0;          // degrees about z; nothing changes it
};

void MoveBy(Camera& camera, float dx, float dy, float dz);
void Yaw(Camera& camera, float degrees);
void Pitch(Camera& camera, float degrees);
// Moves against the view direction: positive goes backwards.
void MoveAlongView(Camera& camera, float distance);
// Moves sideways in the horizontal plane: positive goes right.
void Strafe(Camera& camera, float distance);
void ComputeView(Camera& camera);
// The view transform ApplyView multiplies in: rotate by -pitch about x,
// -yaw about y, -roll about z, then translate by -position.
Mat4 ViewMatrix(const Camera& camera);
// Multiplies the current GL matrix by the camera's inverse transform.
void ApplyView(const Camera& camera);

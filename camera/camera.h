// The fly camera: an eye position, a view direction derived from yaw and
// pitch, and the moves the keys and the mouse make.
#pragma once

#include "base/vec3.h"

// Degrees to radians as the camera has always converted them (slightly less
// than pi / 180; moves and the drawn view agree closely enough).
constexpr double kDegreeFactor = 0.017452925199444445;

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
// Multiplies the current GL matrix by the camera's inverse transform.
void ApplyView(const Camera& camera);

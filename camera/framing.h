// Pointing the camera at things: the start view, turning toward a point,
// the distance at which a box fills the view, and orbiting about a point.
// Pure maths on the camera's angles and position, exact for the view the
// window draws (ApplyView turns by whole degrees).
#pragma once

#include "base/box.h"
#include "base/mat4.h"
#include "camera/camera.h"

// How much of the view's height or width a framed box fills.
constexpr double kFrameFill = 0.8;

// The camera as start-up leaves it: at (0, 0, 4), looking along -z, angles 0.
Camera StartCamera();

// The unit direction the drawn view looks along.
Vec3d LookDirection(const Camera& camera);

// Sets the angles in degrees; the view is recomputed before the next move
// when they changed.
void SetAngles(Camera& camera, float yaw, float pitch);

// Turns the camera to look along `direction`. Straight up or down keeps the
// yaw, so the picture's up direction stays defined. A zero or non-finite
// direction changes nothing.
void TurnToward(Camera& camera, const Vec3d& direction);

// The distance from the box's centre, back along the camera's view, at which
// the box drawn with `projection` fills kFrameFill of the view's height or
// width, whichever binds, with every corner clear of the near plane. Uses
// the camera's angles only. An empty box gives the near plane's clearance.
double FramingDistance(const Camera& camera, const Box& box, const Mat4& projection);

// Puts the camera `distance` back from `target` along its view, so that
// the target shows in the middle of the picture.
void PlaceBefore(Camera& camera, const Vec3d& target, double distance);

// Yaws, then pitches, by the given degrees (as the left drag turns) while
// moving so that `centre` keeps its place in the picture and its distance.
void OrbitAbout(Camera& camera, const Vec3d& centre, float yawDegrees, float pitchDegrees);

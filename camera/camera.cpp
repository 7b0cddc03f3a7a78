#include "camera/camera.h"

#include <cmath>

void MoveBy(Camera& camera, float dx, float dy, float dz) {
  camera.position.x += dx;
  camera.position.y += dy;
  camera.position.z += dz;
}

void Yaw(Camera& camera, float degrees) {
  camera.viewStale = true;
  camera.yaw += degrees;
}

void Pitch(Camera& camera, float degrees) {
  camera.viewStale = true;
  camera.pitch += degrees;
}

void ComputeView(Camera& camera) {
  double heading = (camera.yaw + 90) * kDegreeFactor;
  double pitch = camera.pitch * kDegreeFactor;
  camera.view.x = static_cast<float>(std::cos(heading) * std::cos(pitch));
  camera.view.y = static_cast<float>(std::sin(pitch));
  camera.view.z = static_cast<float>(-std::sin(heading) * std::cos(pitch));
}

void MoveAlongView(Camera& camera, float distance) {
  if (camera.viewStale) ComputeView(camera);
  camera.position.x -= distance * camera.view.x;
  camera.position.y -= distance * camera.view.y;
  camera.position.z -= distance * camera.view.z;
}

void Strafe(Camera& camera, float distance) {
  if (camera.viewStale) ComputeView(camera);
  camera.position.x -= distance * camera.view.z;
  camera.position.z += distance * camera.view.x;
}

Mat4 ViewMatrix(const Camera& camera) {
  return Rotation(-camera.pitch, 1, 0, 0) * Rotation(-camera.yaw, 0, 1, 0) *
         Rotation(-camera.roll, 0, 0, 1) *
         Translation(-camera.position.x, -camera.position.y, -camera.position.z);
}

Mat4 ProjectionMatrix(int width, int height) {
  return Perspective(kFieldOfViewY, static_cast<double>(width) / (height > 0 ? height : 1),
                     kNearPlane, kFarPlane);
}

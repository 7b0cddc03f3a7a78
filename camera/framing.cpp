#include "camera/framing.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;
// A framed box's nearest corner stays this far from the eye, a little
// beyond the near plane, so that nothing of it is cut off.
constexpr double kNearestCorner = 1.1 * kNearPlane;

// The view's rotation: scene directions to the camera's (x right, y up,
// looking along -z).
Mat4 Turn(const Camera& camera) {
  Camera turned = camera;
  turned.position = {};
  return ViewMatrix(turned);
}

// The scene point that lies at `offset` in camera coordinates from `origin`.
Vec3 Behind(const Mat4& turn, const Vec3d& origin, const Vec3d& offset) {
  // The rotation's inverse is its transpose.
  auto along = [&](int axis) {
    return turn.at(0, axis) * offset.x + turn.at(1, axis) * offset.y + turn.at(2, axis) * offset.z;
  };
  return {static_cast<float>(origin.x - along(0)), static_cast<float>(origin.y - along(1)),
          static_cast<float>(origin.z - along(2))};
}
}  // namespace

Camera StartCamera() {
  Camera camera;
  MoveBy(camera, 0, 0, 3);
  MoveAlongView(camera, 1.0f);
  return camera;
}

Vec3d LookDirection(const Camera& camera) {
  const Mat4 turn = Turn(camera);
  return {-turn.at(2, 0), -turn.at(2, 1), -turn.at(2, 2)};
}

void SetAngles(Camera& camera, float yaw, float pitch) {
  if (camera.yaw == yaw && camera.pitch == pitch) return;
  camera.yaw = yaw;
  camera.pitch = pitch;
  camera.viewStale = true;
}

void TurnToward(Camera& camera, const Vec3d& direction) {
  const Vec3d& d = direction;
  const double across = std::hypot(d.x, d.z);
  if (!std::isfinite(across) || !std::isfinite(d.y) || (across == 0 && d.y == 0)) return;
  // The view ApplyView draws looks along
  // (-sin yaw cos pitch, sin pitch, -cos yaw cos pitch).
  const float pitch = static_cast<float>(std::atan2(d.y, across) / kRadiansPerDegree);
  const float yaw =
      across > 0 ? static_cast<float>(std::atan2(-d.x, -d.z) / kRadiansPerDegree) : camera.yaw;
  SetAngles(camera, yaw, pitch);
}

double FramingDistance(const Camera& camera, const Box& box, const Mat4& projection) {
  if (box.Empty()) return kNearestCorner;
  const Mat4 turn = Turn(camera);
  const Vec3d centre = box.Centre();
  // A corner at (x, y) across the view and `depth` in front of the eye shows
  // at projection(0, 0) x / depth across the picture (1 is the edge), and
  // likewise for y.
  const double sx = std::fabs(projection.at(0, 0)), sy = std::fabs(projection.at(1, 1));
  double distance = 0;
  for (int i = 0; i < 8; ++i) {
    const Vec3d c = box.Corner(i);
    const Vec3d v = TransformDirection(turn, {c.x - centre.x, c.y - centre.y, c.z - centre.z});
    const double depth =
        std::max(std::max(sx * std::fabs(v.x), sy * std::fabs(v.y)) / kFrameFill, kNearestCorner);
    // The eye sits `distance` behind the centre; the corner is v.z nearer.
    distance = std::max(distance, depth + v.z);
  }
  return distance;
}

void PlaceBefore(Camera& camera, const Vec3d& target, double distance) {
  camera.position = Behind(Turn(camera), target, {0, 0, -distance});
}

void OrbitAbout(Camera& camera, const Vec3d& centre, float yawDegrees, float pitchDegrees) {
  const Vec3d seen = TransformPoint(ViewMatrix(camera), centre);
  Yaw(camera, yawDegrees);
  Pitch(camera, pitchDegrees);
  camera.position = Behind(Turn(camera), centre, seen);
}

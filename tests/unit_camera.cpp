// The fly camera's moves and turns.
#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera.h"

namespace {
void ExpectNear(const Vec3& v, float x, float y, float z, float tolerance = 1e-4f) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}
}  // namespace

TEST(Camera, StartPositionIsFourUnitsBackWithoutRecomputingTheView) {
  Camera camera;
  MoveBy(camera, 0, 0, 3);
  MoveAlongView(camera, 1.0f);
  ExpectNear(camera.position, 0, 0, 4, 0);
  EXPECT_FALSE(camera.viewStale);
  ExpectNear(camera.view, 0, 0, -1, 0);
}

TEST(Camera, ViewUsesTheEditorsDegreeFactor) {
  Camera camera;
  Yaw(camera, 90);
  ComputeView(camera);
  // With exactly pi/180 the x component would be cos(pi) = -1 and z would be
  // 0 to within 1e-7; the factor leaves a visible remainder.
  double heading = 180 * kDegreeFactor;
  EXPECT_FLOAT_EQ(camera.view.x, static_cast<float>(std::cos(heading)));
  EXPECT_FLOAT_EQ(camera.view.z, static_cast<float>(-std::sin(heading)));
  EXPECT_GT(std::fabs(camera.view.z), 5e-5f);
}

TEST(Camera, YawThenForwardMovesAlongTheTurnedView) {
  Camera camera;
  Yaw(camera, 10);
  MoveAlongView(camera, -0.3f);
  EXPECT_TRUE(camera.viewStale);
  ExpectNear(camera.view, -0.1736f, 0, -0.9848f);
  ExpectNear(camera.position, -0.3f * 0.1736f, 0, -0.3f * 0.9848f);
}

TEST(Camera, PitchStraightUpThenStrafeBarelyMoves) {
  Camera camera;
  Pitch(camera, 90);
  MoveAlongView(camera, -1);
  ExpectNear(camera.position, 0, 1, 0, 1e-3f);
  Vec3 before = camera.position;
  Strafe(camera, 1);
  EXPECT_NEAR(camera.position.x, before.x, 1e-3f);
  EXPECT_FLOAT_EQ(camera.position.y, before.y);  // strafing is horizontal
}

TEST(Camera, StrafeRightFromStartGoesTowardPlusX) {
  Camera camera;
  Strafe(camera, 0.3f);
  ExpectNear(camera.position, 0.3f, 0, 0);
  Strafe(camera, -0.6f);
  ExpectNear(camera.position, -0.3f, 0, 0);
}

TEST(Camera, AnglesAccumulateAndWorkAsTheirEquivalents) {
  Camera wound, plain;
  for (int i = 0; i < 40; ++i) Yaw(wound, 10);  // 400 degrees
  Yaw(plain, 40);
  ComputeView(wound);
  ComputeView(plain);
  EXPECT_FLOAT_EQ(wound.yaw, 400);
  ExpectNear(wound.view, plain.view.x, plain.view.y, plain.view.z, 1e-3f);
}

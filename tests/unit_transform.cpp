// The shared transform maths: matrices as glRotate/glTranslate/glScale and
// gluPerspective build them, objects placed as the window draws them.
#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera.h"
#include "scene/transform.h"

namespace {
void ExpectNear(const Vec3d& got, const Vec3d& want) {
  EXPECT_NEAR(got.x, want.x, 1e-9);
  EXPECT_NEAR(got.y, want.y, 1e-9);
  EXPECT_NEAR(got.z, want.z, 1e-9);
}
}  // namespace

TEST(Transform, ObjectsScaleThenRotateXYZThenTranslate) {
  SceneObject o;
  o.size = {2, 3, 4};
  o.rotation = {90, 0, 0};
  o.position = {1, 0, 0};
  // (0, 1, 0) scales to (0, 3, 0), turns about x to (0, 0, 3), moves to (1, 0, 3).
  ExpectNear(TransformPoint(ObjectMatrix(o), {0, 1, 0}), {1, 0, 3});
  ExpectNear(TransformPoint(DrawnObjectMatrix(o), {0, 1, 0}), {1, 0, 3 - kViewOffset});
  // Rotations apply z first: (1, 0, 0) about z by 90 gives (0, 1, 0), then y by 90 keeps it,
  // then x by 90 gives (0, 0, 1).
  o = SceneObject{};
  o.rotation = {90, 90, 90};
  ExpectNear(TransformPoint(ObjectMatrix(o), {1, 0, 0}), {0, 0, 1});
}

TEST(Transform, InverseUndoesAndSingularIsRefused) {
  SceneObject o;
  o.size = {-2, 0.5f, 3};
  o.rotation = {10, -20, 30};
  o.position = {4, 5, -6};
  Mat4 m = ObjectMatrix(o), inverse;
  ASSERT_TRUE(Invert(m, inverse));
  ExpectNear(TransformPoint(inverse, TransformPoint(m, {0.3, -0.2, 0.7})), {0.3, -0.2, 0.7});
  o.size = {1, 0, 1};
  EXPECT_FALSE(Invert(ObjectMatrix(o), inverse));
}

TEST(Transform, CameraViewAndProjectionMatchTheWindow) {
  Camera camera;
  camera.position = {0, 0, 4};
  ExpectNear(TransformPoint(ViewMatrix(camera), {0, 0, 0}), {0, 0, -4});
  camera.yaw = 90;  // looking along -x: a point at -x lies straight ahead
  ExpectNear(TransformPoint(ViewMatrix(camera), {-1, 0, 4}), {0, 0, -1});
  Mat4 p = ProjectionMatrix(600, 600);
  EXPECT_NEAR(p.at(1, 1), 1 / std::tan(20 * 3.14159265358979323846 / 180), 1e-12);
  EXPECT_DOUBLE_EQ(ProjectionMatrix(600, 0).at(0, 0), ProjectionMatrix(600, 1).at(0, 0));
}

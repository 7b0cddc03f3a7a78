// Framing, the standard views and orbiting, checked by projecting the boxes
// with the window's own projection and view.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "camera/framing.h"
#include "input/commands.h"
#include "scene/bounds.h"
#include "session/view.h"
#include "tests/test_support.h"

namespace {
const double kAny = NAN;  // not checked

// Where a scene point shows: x and y across the picture (-1 to 1), and its
// distance in front of the eye.
Vec3d Seen(const Camera& camera, const Vec3d& p) {
  const Mat4 m = ProjectionMatrix(600, 600) * ViewMatrix(camera);
  const Vec3d c = TransformPoint(m, p);
  const double w = m.at(3, 0) * p.x + m.at(3, 1) * p.y + m.at(3, 2) * p.z + m.at(3, 3);
  return {c.x / w, c.y / w, w};
}

SceneObject Cube(Vec3 size, Vec3 position) { return MakeObject('c', size, {0, 0, 0}, position); }
const SceneObject kUnit = Cube({1, 1, 1}, {0, 0, 0}), kBrick = Cube({2, 1, 0.5f}, {1, 1, 1});

struct ViewCase {
  const char* name;
  std::vector<SceneObject> objects;  // the first is current unless `none`
  bool none;
  Vec3 eye;
  float yaw, pitch;
  char key;         // 'o': orbit by `turn` degrees about the first object
  Vec3 turn;
  bool fills;       // kFrameFill exactly; else less
  double yawAfter, pitchAfter;
};

const ViewCase kViews[] = {
    {"straight ahead", {kUnit}, false, {0, 0, 4}, 0, 0, '.', {}, true, 0, 0},
    {"askew from askew", {MakeObject('y', {0.5f, 0.5f, 3}, {30, 40, 0}, {1, -1, -2})}, false, {3, 2, 1}, 35, -20,
     '.', {}, true, kAny, kAny},
    {"straight above keeps the yaw", {Cube({1, 1, 1}, {0, 6, 9})}, false, {0, 0, 4}, 25, 0, '.', {}, true, 25, 90},
    {"straight below keeps the yaw", {Cube({1, 1, 1}, {0, -6, 9})}, false, {0, 0, 4}, 25, 0, '.', {}, true, 25, -90},
    {"from inside the selection", {Cube({4, 4, 4}, {0, 0, 0})}, false, {0, 0, -5}, 0, 0, '.', {}, true, 0, 0},
    {"a tiny cube stays beyond the near plane", {Cube({0.05f, 0.05f, 0.05f}, {0, 0, 0})}, false, {0, 0, 4}, 0, 0,
     '.', {}, false, 0, 0},
    {"v every object", {kUnit, kBrick}, false, {0, 0, 4}, 0, 0, 'v', {}, true, kAny, kAny},
    {"nothing selected: every object", {kUnit, kBrick}, true, {0, 0, 4}, 0, 0, '9', {}, true, 90, 0},
    {"an object where the camera would land", {kUnit, Cube({3, 3, 1}, {0, 0, 2.2f})}, false, {0, 0, 4}, 0, 0, '.',
     {}, false, 0, 0},
    {"orbit keeps the centre's place", {kUnit}, false, {0.5f, 0.3f, 4}, 5, 0, 'o', {30, 20}, false, 35, 20},
    {"orbit onto an object moves past it", {kUnit, Cube({2, 2, 2}, {9, 0, 0})}, false, {0, 0, 4}, 0, 0, 'o',
     {90, 0}, false, 90, 0},
    {"orbit over the top", {kUnit}, false, {0, 0, 4}, 0, 0, 'o', {0, 90}, false, 0, 90},
};
}  // namespace

TEST(Framing, TheBoxFillsTheViewMidPictureFromOutsideEveryObject) {
  for (const ViewCase& c : kViews) {
    SCOPED_TRACE(c.name);
    Editor editor;
    for (const SceneObject& o : c.objects) CopyAttributes(*CreateObject(editor.objects), o);
    editor.objects.current = c.none ? nullptr : editor.objects.first;
    editor.camera.position = c.eye;
    SetAngles(editor.camera, c.yaw, c.pitch);
    Box box;
    ASSERT_TRUE(c.key == 'v' ? !(box = DrawnBox(editor.objects)).Empty() : SelectionBox(editor, box));
    const Vec3d before = Seen(editor.camera, box.Centre());
    if (c.key == 'o') OrbitCamera(editor, box.Centre(), c.turn.x, c.turn.y);
    else HandleKey(editor, static_cast<unsigned char>(c.key));
    const Vec3d centre = Seen(editor.camera, box.Centre());
    EXPECT_NEAR(centre.x, c.key == 'o' ? before.x : 0, 1e-5);
    EXPECT_NEAR(centre.y, c.key == 'o' ? before.y : 0, 1e-5);
    double fill = 0;
    for (int i = 0; i < 8; ++i) {
      const Vec3d corner = Seen(editor.camera, box.Corner(i));
      fill = std::max({fill, std::fabs(corner.x), std::fabs(corner.y)});
      EXPECT_GT(corner.z, kNearPlane);
    }
    if (c.fills) EXPECT_NEAR(fill, kFrameFill, 1e-5);
    else EXPECT_LT(fill, kFrameFill);
    EXPECT_TRUE(std::isnan(c.yawAfter) || editor.camera.yaw == static_cast<float>(c.yawAfter));
    EXPECT_TRUE(std::isnan(c.pitchAfter) || editor.camera.pitch == static_cast<float>(c.pitchAfter));
    const Vec3& eye = editor.camera.position;
    for (const SceneObject* o = editor.objects.first; o != nullptr; o = o->next) {
      ASSERT_TRUE(DrawnBox(*o, box));
      EXPECT_FALSE(eye.x > box.lo.x && eye.x < box.hi.x && eye.y > box.lo.y && eye.y < box.hi.y &&
                   eye.z > box.lo.z && eye.z < box.hi.z);
    }
    EXPECT_EQ(editor.history.UndoSteps(), 0u);
    EXPECT_FALSE(editor.unsaved);
  }
}

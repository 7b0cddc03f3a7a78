// Framing, the standard views and orbiting, checked by projecting the boxes
// with the window's own projection and view.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
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

struct ViewCase {
  const char* name;
  std::vector<SceneObject> objects;
  int current;  // index of the current object; -1 for none
  Vec3 eye;
  float yaw, pitch;
  std::function<void(Editor&)> act;
  bool all;       // the box checked is every object's, not the selection's
  double fill;    // of the view's height or width; kAny: at most kFrameFill
  bool centred;   // the box's centre ends mid-picture; else it keeps its place
  double yawAfter, pitchAfter;
};

void Key(Editor& e, unsigned char key) { HandleKey(e, key); }
SceneObject Cube(Vec3 size, Vec3 position) { return MakeObject('c', size, {0, 0, 0}, position); }
const SceneObject kUnit = Cube({1, 1, 1}, {0, 0, 0});
const SceneObject kBrick = Cube({2, 1, 0.5f}, {1, 1, 1});
// Turns 30 degrees right and 20 up about the unit cube's drawn centre.
void Orbit(Editor& e) { OrbitCamera(e, {0, 0, -5}, 30, 20); }

const ViewCase kViews[] = {
    {"straight ahead", {kUnit}, 0, {0, 0, 4}, 0, 0, [](Editor& e) { Key(e, '.'); }, false, 0.8, true, 0, 0},
    {"a turned camera turns back", {kBrick}, 0, {1, 1, 4}, 10, 0, [](Editor& e) { Key(e, '.'); }, false, 0.8, true, 0, 0},
    {"askew from askew", {MakeObject('y', {0.5f, 0.5f, 3}, {30, 40, 0}, {1, -1, -2})}, 0, {3, 2, 1}, 35, -20,
     [](Editor& e) { Key(e, '.'); }, false, 0.8, true, kAny, kAny},
    {"straight above keeps the yaw", {Cube({1, 1, 1}, {0, 6, 9})}, 0, {0, 0, 4}, 25, 0,
     [](Editor& e) { Key(e, '.'); }, false, 0.8, true, 25, 90},
    {"straight below keeps the yaw", {Cube({1, 1, 1}, {0, -6, 9})}, 0, {0, 0, 4}, 25, 0,
     [](Editor& e) { Key(e, '.'); }, false, 0.8, true, 25, -90},
    {"from inside the selection", {Cube({4, 4, 4}, {0, 0, 0})}, 0, {0, 0, -5}, 0, 0, [](Editor& e) { Key(e, '.'); },
     false, 0.8, true, 0, 0},
    {"the near plane binds a tiny cube", {Cube({0.05f, 0.05f, 0.05f}, {0, 0, 0})}, 0, {0, 0, 4}, 0, 0,
     [](Editor& e) { Key(e, '.'); }, false, kAny, true, 0, 0},
    {"7 from above", {kBrick}, 0, {0, 0, 4}, 50, 10, [](Editor& e) { Key(e, '7'); }, false, 0.8, true, 0, -90},
    {"8 from the front", {kBrick}, 0, {0, 0, 4}, 50, 10, [](Editor& e) { Key(e, '8'); }, false, 0.8, true, 0, 0},
    {"9 from the right", {kBrick}, 0, {0, 0, 4}, 50, 10, [](Editor& e) { Key(e, '9'); }, false, 0.8, true, 90, 0},
    {"v every object", {kUnit, kBrick}, 0, {0, 0, 4}, 0, 0, [](Editor& e) { Key(e, 'v'); }, true, 0.8, true, kAny, kAny},
    {"nothing selected: every object", {kUnit, kBrick}, -1, {0, 0, 4}, 0, 0, [](Editor& e) { Key(e, '9'); }, true,
     0.8, true, 90, 0},
    {"an object where the camera would land", {kUnit, Cube({3, 3, 1}, {0, 0, 2.2f})}, 0, {0, 0, 4}, 0, 0,
     [](Editor& e) { Key(e, '.'); }, false, kAny, true, 0, 0},
    {"orbit keeps the centre's place", {kUnit}, 0, {0.5f, 0.3f, 4}, 5, 0, Orbit, false, kAny, false, 35, 20},
    {"orbit onto an object moves past it", {kUnit, Cube({2, 2, 2}, {9, 0, 0})}, 0, {0, 0, 4}, 0, 0,
     [](Editor& e) { OrbitCamera(e, {0, 0, -5}, 90, 0); }, false, kAny, true, 90, 0},
    {"orbit over the top", {kUnit}, 0, {0, 0, 4}, 0, 0, [](Editor& e) { OrbitCamera(e, {0, 0, -5}, 0, 90); },
     false, kAny, true, 0, 90},
};
}  // namespace

TEST(Framing, TheBoxFillsTheViewMidPictureFromOutsideEveryObject) {
  for (const ViewCase& c : kViews) {
    SCOPED_TRACE(c.name);
    Editor editor;
    for (const SceneObject& o : c.objects) CopyAttributes(*CreateObject(editor.objects), o);
    editor.objects.current = c.current < 0 ? nullptr : editor.objects.first;
    editor.camera.position = c.eye;
    SetAngles(editor.camera, c.yaw, c.pitch);
    Box box;
    ASSERT_TRUE(c.all ? !(box = DrawnBox(editor.objects)).Empty() : SelectionBox(editor, box));
    const Vec3d before = Seen(editor.camera, box.Centre());
    c.act(editor);
    const Vec3d centre = Seen(editor.camera, box.Centre());
    EXPECT_NEAR(centre.x, c.centred ? 0 : before.x, 1e-5);
    EXPECT_NEAR(centre.y, c.centred ? 0 : before.y, 1e-5);
    double fill = 0;
    for (int i = 0; i < 8; ++i) {
      const Vec3d corner = Seen(editor.camera, box.Corner(i));
      fill = std::max({fill, std::fabs(corner.x), std::fabs(corner.y)});
      EXPECT_GT(corner.z, kNearPlane);
    }
    if (std::isnan(c.fill)) EXPECT_LT(fill, kFrameFill);
    else EXPECT_NEAR(fill, c.fill, 1e-5);
    if (!std::isnan(c.yawAfter)) {
      EXPECT_FLOAT_EQ(editor.camera.yaw, c.yawAfter);
    }
    if (!std::isnan(c.pitchAfter)) {
      EXPECT_FLOAT_EQ(editor.camera.pitch, c.pitchAfter);
    }
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

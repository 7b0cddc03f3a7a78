// Picking: rays against each shape as drawn, the pixel ray, and clicks.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "camera/camera.h"
#include "input/commands.h"
#include "scene/pick.h"
#include "scene/transform.h"
#include "session/selection.h"
#include "tests/test_support.h"

namespace {
// A ray straight down -z from z = 4 to z = -196, through (x, y).
Ray DownZ(double x, double y) { return {{x, y, 4}, {0, 0, -200}}; }

struct RayCase {
  const char* name;
  char shape;
  Vec3 size, rotation, position;
  double x, y;
  bool hit;
  double z;  // where the ray first meets the surface (objects sit 5 further along -z)
};

const RayCase kRays[] = {
    {"cube front face", 'c', {1, 1, 1}, {0, 0, 0}, {0, 0, 0}, 0.4, 0.4, true, -4.5},
    {"cube missed past its edge", 'c', {1, 1, 1}, {0, 0, 0}, {0, 0, 0}, 0.6, 0, false, 0},
    {"cube turned about z reaches its corner", 'c', {1, 1, 1}, {0, 0, 45}, {0, 0, 0}, 0.6, 0, true, -4.5},
    {"cube turned about y shows its edge", 'c', {1, 1, 1}, {0, 45, 0}, {0, 0, 0}, 0, 0, true, -5 + std::sqrt(0.5)},
    {"cube with a negative size", 'c', {-2, 1, 1}, {0, 0, 0}, {0, 0, 0}, 0.9, 0, true, -4.5},
    {"cube moved", 'c', {1, 1, 1}, {0, 0, 0}, {2, 0, 1}, 2.2, -0.3, true, -3.5},
    {"flat cube still shows its face", 'c', {1, 1, 0}, {0, 0, 0}, {0, 0, 0}, 0.2, 0.2, true, -5},
    {"sphere centre", 's', {1, 1, 1}, {0, 0, 0}, {0, 0, 0}, 0, 0, true, -4},
    {"sphere rim", 's', {1, 1, 1}, {0, 0, 0}, {0, 0, 0}, 0.99, 0, true, -5 + std::sqrt(1 - 0.99 * 0.99)},
    {"sphere missed", 's', {1, 1, 1}, {0, 0, 0}, {0, 0, 0}, 1.01, 0, false, 0},
    {"stretched sphere turned upright", 's', {2, 1, 1}, {0, 0, 90}, {0, 0, 0}, 0, 1.9, true, -5 + std::sqrt(1 - 0.95 * 0.95)},
    {"stretched sphere turned, missed across", 's', {2, 1, 1}, {0, 0, 90}, {0, 0, 0}, 1.5, 0, false, 0},
    {"sphere with negative sizes", 's', {-1, -1, -1}, {10, 20, 30}, {0, 0, 0}, 0, 0, true, -4},
    {"cylinder cap, inside the circle", 'y', {1, 1, 1}, {0, 0, 0}, {0, 0, 0}, 0.7, 0.7, true, -5},
    {"cylinder cap is round", 'y', {1, 1, 1}, {0, 0, 0}, {0, 0, 0}, 0.8, 0.8, false, 0},
    {"cylinder on its side", 'y', {1, 1, 1}, {90, 0, 0}, {0, 0, 0}, 0, 0.5, true, -4},
    {"cylinder on its side, below its end", 'y', {1, 1, 1}, {90, 0, 0}, {0, 0, 0}, 0, -0.5, false, 0},
    {"cylinder side near its rim", 'y', {1, 1, 1}, {90, 0, 0}, {0, 0, 0}, 0.99, 0.5, true, -5 + std::sqrt(1 - 0.99 * 0.99)},
    {"cylinder with a negative length", 'y', {1, 1, -1}, {0, 0, 0}, {0, 0, 0}, 0, 0, true, -4},
    {"placeholder is never picked", 'l', {1, 1, 1}, {0, 0, 0}, {0, 0, 0}, 0, 0, false, 0},
    {"cut by the near plane: its far wall", 'c', {1, 1, 1}, {0, 0, 0}, {0, 0, 9}, 0, 0, true, 3.5},
    {"behind the near plane", 'c', {1, 1, 1}, {0, 0, 0}, {0, 0, 10}, 0, 0, false, 0},
    {"beyond the far plane", 'c', {1, 1, 1}, {0, 0, 0}, {0, 0, -200}, 0, 0, false, 0},
};

}  // namespace

TEST(Pick, RaysMeetEachShapeAsDrawn) {
  for (const RayCase& c : kRays) {
    SCOPED_TRACE(c.name);
    Ray ray = DownZ(c.x, c.y);
    double t = -1;
    ASSERT_EQ(HitObject(MakeObject(c.shape, c.size, c.rotation, c.position), ray, t), c.hit);
    if (c.hit) {
      EXPECT_NEAR(ray.origin.z + t * ray.direction.z, c.z, 1e-5);
    }
  }
}

TEST(Pick, WireObjectsArePickedLikeSolidOnes) {
  SceneObject wire = MakeObject('y', {1, 1, 1}, {0, 0, 0}, {0, 0, 0});
  wire.solid = 0;
  double t;
  EXPECT_TRUE(HitObject(wire, DownZ(0.5, 0), t));
}

TEST(Pick, NegativeSizesMirrorTheSameSurface) {
  // A cube is symmetric, so mirroring every axis leaves its surface in place.
  for (double x : {-0.6, -0.2, 0.1, 0.45, 0.7}) {
    SceneObject plus = MakeObject('c', {1, 2, 0.5f}, {30, 60, 10}, {0.1f, 0.2f, 0.3f});
    SceneObject minus = plus;
    minus.size = {-1, -2, -0.5f};
    double a = -1, b = -1;
    bool hitA = HitObject(plus, DownZ(x, 0.1), a);
    EXPECT_EQ(HitObject(minus, DownZ(x, 0.1), b), hitA) << x;
    if (hitA) {
      EXPECT_NEAR(a, b, 1e-9) << x;
    }
  }
}

TEST(Pick, PixelRayRunsFromTheNearToTheFarPlaneThroughThePixelCentre) {
  Camera camera;
  camera.position = {1, -2, 4};
  Yaw(camera, 25);
  Pitch(camera, -15);
  Mat4 projection = ProjectionMatrix(800, 500), view = ViewMatrix(camera);
  Ray ray;
  ASSERT_TRUE(PixelRay(projection, view, 800, 500, 123, 456, ray));
  Mat4 clip = projection * view;
  for (double t : {0.0, 1.0}) {
    Vec3d p{ray.origin.x + t * ray.direction.x, ray.origin.y + t * ray.direction.y,
            ray.origin.z + t * ray.direction.z};
    Vec3d c = TransformPoint(clip, p);
    double w = clip.at(3, 0) * p.x + clip.at(3, 1) * p.y + clip.at(3, 2) * p.z + clip.at(3, 3);
    EXPECT_NEAR(c.x / w, 2 * 123.5 / 800 - 1, 1e-9);
    EXPECT_NEAR(c.y / w, 1 - 2 * 456.5 / 500, 1e-9);
    EXPECT_NEAR(c.z / w, t == 0 ? -1 : 1, 1e-6);
  }
}

TEST(Pick, ObjectsUnderComeNearestFirstAndTiesInListOrder) {
  ObjectList list;
  for (float z : {0.0f, -3.0f, 2.0f, 0.0f, 0.0f}) CreateObject(list)->position = {0, 0, z};
  list.last->shape = 'l';
  std::vector<int> ids;
  for (SceneObject* o : ObjectsUnder(list, DownZ(0, 0))) ids.push_back(o->id);
  EXPECT_EQ(ids, (std::vector<int>{2, 0, 3, 1}));
}

namespace {
// An editor with two cubes one behind the other at the middle of the view
// (ids 0 behind, 1 in front) and a sphere off to the side (id 2).
class Click : public ::testing::Test {
 protected:
  Click() {
    CreateObject(editor.objects)->position = {0, 0, -1};
    CreateObject(editor.objects)->position = {0, 0, 1};
    SceneObject* sphere = CreateObject(editor.objects);
    sphere->shape = 's';
    sphere->position = {-2.5f, 1, 0};
    editor.objects.current = sphere;
    MoveBy(editor.camera, 0, 0, 4);
  }
  // The window pixel showing a point of the object's own space.
  void PixelOf(const SceneObject& o, int& x, int& y) {
    Mat4 m = ProjectionMatrix(600, 600) * ViewMatrix(editor.camera) * DrawnObjectMatrix(o);
    double w = m.at(3, 3);
    x = static_cast<int>((m.at(0, 3) / w + 1) / 2 * 600);
    y = static_cast<int>((1 - m.at(1, 3) / w) / 2 * 600);
  }
  Outcome ClickAt(int x, int y, int wander = 0, int modifiers = 0) {
    HandleMouseButton(editor, kButtonLeft, kMouseDown, x, y, modifiers);
    if (wander != 0) HandleMouseMotion(editor, x + wander, y);
    return HandleMouseButton(editor, kButtonLeft, kMouseUp, x + wander, y);
  }
  int CurrentId() { return editor.objects.current->id; }

  ConsoleCapture console;
  Editor editor;
};

bool SameCamera(const Camera& a, const Camera& b) {
  return a.position.x == b.position.x && a.position.y == b.position.y &&
         a.position.z == b.position.z && a.view.x == b.view.x && a.view.z == b.view.z &&
         a.viewStale == b.viewStale && a.yaw == b.yaw && a.pitch == b.pitch;
}
}  // namespace

TEST_F(Click, SelectsTheFrontObjectThenTheOnesBehindWrappingRound) {
  int x, y;
  PixelOf(*editor.objects.first, x, y);
  EXPECT_EQ(ClickAt(x, y), Outcome::Redraw);
  EXPECT_EQ(ClickAt(x + 2, y - 2), Outcome::Redraw);  // within 2 pixels each way: same spot
  ClickAt(x, y);
  EXPECT_EQ(console.Take(), "Selected object 1\nSelected object 0\nSelected object 1\n");
  HandleSpecialKey(editor, kKeyF2);  // anything pressed between starts afresh
  ClickAt(x, y);
  ClickAt(x, y);
  HandleMouseButton(editor, kButtonRight, kMouseDown, x, y);
  HandleMouseButton(editor, kButtonRight, kMouseUp, x, y);
  ClickAt(x, y);
  ClickAt(x + 4, y);  // another spot, on the same objects
  EXPECT_EQ(console.Take(), "Selected object 1\nSelected object 0\nSelected object 1\nSelected object 1\n");
  SceneObject& sphere = *editor.objects.last;
  PixelOf(sphere, x, y);
  ClickAt(x, y);
  ClickAt(x, y);  // alone under the pointer: selected again
  EXPECT_EQ(console.Take(), "Selected object 2\nSelected object 2\n");
}

TEST_F(Click, EmptySpaceChangesNothing) {
  Camera before = editor.camera;
  EXPECT_EQ(ClickAt(580, 20), Outcome::None);
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(console.Take(), "");
  EXPECT_TRUE(SameCamera(editor.camera, before));
}

TEST_F(Click, AClickLeavesTheCameraExactlyAndADragStillTurnsIt) {
  Camera before = editor.camera;
  int x, y;
  PixelOf(*editor.objects.first, x, y);
  EXPECT_EQ(ClickAt(x, y, 2), Outcome::Redraw);  // wandered 2 pixels: still a click
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_TRUE(SameCamera(editor.camera, before));
  HandleMouseButton(editor, kButtonLeft, kMouseDown, x, y);
  HandleMouseMotion(editor, x, y);  // a motion that goes nowhere
  HandleMouseButton(editor, kButtonLeft, kMouseUp, x, y);
  EXPECT_TRUE(SameCamera(editor.camera, before));
  EXPECT_EQ(console.Take(), "Selected object 1\nSelected object 0\n");

  ClickAt(x, y, -100);  // a drag 100 pixels left: a 10 degree turn, no selection
  EXPECT_FLOAT_EQ(editor.camera.yaw, 10);
  EXPECT_EQ(console.Take(), "");
  EXPECT_EQ(CurrentId(), 0);
}

TEST_F(Click, AKeyDuringThePressMakesItNoClick) {
  int x, y;
  PixelOf(*editor.objects.first, x, y);
  HandleMouseButton(editor, kButtonLeft, kMouseDown, x, y);
  HandleKey(editor, 'w');  // the camera moves forward and stays there
  HandleMouseButton(editor, kButtonLeft, kMouseUp, x, y);
  EXPECT_FLOAT_EQ(editor.camera.position.z, 3.7f);
  EXPECT_EQ(console.Take(), "");
}

TEST_F(Click, MiddleAndRightButtonsDoNotSelect) {
  int x, y;
  PixelOf(*editor.objects.first, x, y);
  for (int button : {kButtonMiddle, kButtonRight}) {
    HandleMouseButton(editor, button, kMouseDown, x, y);
    HandleMouseButton(editor, button, kMouseUp, x, y);
  }
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(console.Take(), "");
}

TEST_F(Click, ShiftClicksToggleCtrlASelectsAllAndPagingOrNewSelectOnlyOne) {
  struct Step {
    const char* action;  // "shift N" / "click N" on object N, or a key
    const char* printed;
    int current;          // -1: nothing
    std::vector<int> selected;  // in list order
  } steps[] = {
      {"shift 1", "Selected 2 objects\n", 1, {1, 2}},
      {"shift 2", "Selected object 1\n", 1, {1}},  // not current: just taken out
      {"shift 2", "Selected 2 objects\n", 2, {1, 2}},
      {"^A", "Selected 3 objects\n", 2, {0, 1, 2}},
      {"shift 2", "Selected 2 objects\n", 1, {0, 1}},  // the newest remaining is current
      {"PgUp", "", 2, {2}},
      {"click 1", "Selected object 1\n", 1, {1}},
      {"shift 1", "Selected 0 objects\n", -1, {}},
      {"^A", "Selected 3 objects\n", 0, {0, 1, 2}},  // nothing current: the first
      {"^N", "New object created!\n", 3, {3}},
  };
  SceneObject* byId[3] = {editor.objects.first, editor.objects.first->next, editor.objects.last};
  editor.objects.first->position = {-2.5f, -1, 0};  // each object alone under its pixel
  for (const Step& step : steps) {
    SCOPED_TRACE(step.action);
    std::string action = step.action;
    if (action == "^A" || action == "^N") {
      EXPECT_EQ(HandleKey(editor, action == "^A" ? 1 : 14), Outcome::Redraw);
    } else if (action == "PgUp") {
      HandleSpecialKey(editor, kKeyPageUp);
    } else {
      int x, y;
      PixelOf(*byId[action.back() - '0'], x, y);
      EXPECT_EQ(ClickAt(x, y, 0, action[0] == 's' ? kModShift : 0), Outcome::Redraw);
    }
    EXPECT_EQ(console.Take(), step.printed);
    EXPECT_EQ(editor.objects.current ? editor.objects.current->id : -1, step.current);
    std::vector<int> ids;
    for (SceneObject* o : SelectedObjects(editor)) ids.push_back(o->id);
    EXPECT_EQ(ids, step.selected);
  }
}

// The camera keys, the orbit and the wheel against the running editor: the
// selected brick's pixels cover exactly where its box projects with the
// camera each should leave.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "base/mat4.h"
#include "tests/e2e_support.h"

namespace {
// A green brick of 2 x 1 x 0.5 at (1, 1, 1), drawn 5 further along -z.
const char kBrick[] = "nextObject\n2 1 0.5\n0 0 0\n1 1 1\nc \x01\n0 1 0\nEOF";
const Vec3d kCentre{1, 1, -4}, kHalf{1, 0.5, 0.25};
// A face as wide as the brick fills 80% of the view this far away; from the
// front and above the width binds, from the right the height (half of it).
const double kWide = kHalf.x / (0.8 * std::tan(20 * M_PI / 180));
const double kFront = kWide + kHalf.z, kTop = kWide + kHalf.y, kRight = kWide / 2 + kHalf.x;

const struct CameraCase {
  const char* name;
  const char* keys;
  int orbit;  // pixels of a Shift+left drag to the left
  int wheel;  // notches, forward when positive
  double yaw, pitch;
  Vec3d eye;
} kCases[] = {
    {"8 from the front", "8", 0, 0, 0, 0, {1, 1, -4 + kFront}},
    {"7 from above", "7", 0, 0, 0, -90, {1, 1 + kTop, -4}},
    {"9 from the right", "9", 0, 0, 90, 0, {1 + kRight, 1, -4}},
    {"turned away, '.' turns back", "8 z z q period", 0, 0, 0, 0, {1, 1, -4 + kFront}},
    {"0 the start view", "8 0", 0, 0, 0, 0, {0, 0, 4}},
    {"Shift+drag orbits", "8", 300, 0, 30, 0, {1 + kFront / 2, 1, -4 + kFront * std::sqrt(0.75)}},
    {"wheel back", "8", 0, -2, 0, 0, {1, 1, -4 + kFront + 1}},
    {"wheel forward", "8", 0, 1, 0, 0, {1, 1, -4 + kFront - 0.5}},
};

// left, top, right, bottom in window pixels
using Rect = std::array<double, 4>;
void Add(Rect& r, double x, double y) {
  r = {std::min(r[0], x), std::min(r[1], y), std::max(r[2], x), std::max(r[3], y)};
}
const Rect kNone{1e9, 1e9, -1e9, -1e9};

// The brick's box seen by the camera the window's view and projection make.
Rect Projected(const CameraCase& c) {
  const Mat4 view = Rotation(-c.pitch, 1, 0, 0) * Rotation(-c.yaw, 0, 1, 0) *
                    Translation(-c.eye.x, -c.eye.y, -c.eye.z);
  Rect rect = kNone;
  for (int i = 0; i < 8; ++i) {
    const Vec3d seen = TransformPoint(view, {kCentre.x + (i & 1 ? kHalf.x : -kHalf.x),
                                             kCentre.y + (i & 2 ? kHalf.y : -kHalf.y),
                                             kCentre.z + (i & 4 ? kHalf.z : -kHalf.z)});
    const Vec3d q = TransformPoint(Perspective(40, 1, 0.5, 200), seen);
    Add(rect, (1 + q.x / -seen.z) * 300, (1 - q.y / -seen.z) * 300);
  }
  return rect;
}
}  // namespace

TEST(CameraKeys, TheBrickShowsWhereTheExpectedCameraProjectsIt) {
  TempDir dir;
  WriteFileBytes(dir.File("init.scene"), kBrick);
  EditorProcess editor(dir.path());
  ASSERT_TRUE(editor.WaitForOutput("Objects loaded: 1\n"));
  for (const CameraCase& c : kCases) {
    SCOPED_TRACE(c.name);
    editor.Keys(c.keys);
    if (c.orbit != 0) editor.Drag(1, 450, 300, 450 - c.orbit, 300, "shift");
    for (int i = 0; i < std::abs(c.wheel); ++i) editor.Click(300, 300, c.wheel > 0 ? 4 : 5);
    const Screenshot shot = editor.Shoot();
    Rect green = kNone;
    for (int y = 0; y < shot.height; ++y) {
      for (int x = 0; x < shot.width; ++x) {
        const Rgb p = shot.At(x, y);
        if (p.g > 30 && p.r < 20 && p.b < 20) Add(green, x + 0.5, y + 0.5);
      }
    }
    const Rect want = Projected(c);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(green[i], want[i], 3) << i;
  }
  EXPECT_EQ(editor.Output().find("Selected"), std::string::npos);  // no wheel notch was a click
  editor.ExpectExitOn("Escape");
}

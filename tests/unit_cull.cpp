// The frustum test that decides which objects the window may skip: only
// objects wholly out of view are skipped, and every doubt keeps an object.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "camera/camera.h"
#include "scene/cull.h"

namespace {
const float kNaN = std::numeric_limits<float>::quiet_NaN();

// The start camera: at (0, 0, 4) looking along -z, in a 600 x 600 window.
Frustum StartView() {
  Camera camera;
  camera.position = {0, 0, 4};
  return MakeFrustum(ProjectionMatrix(600, 600), ViewMatrix(camera), 600, 600);
}

// A unit sphere drawn 9 units ahead touches the right side of the view when
// its centre is this far right: (1 + 9 sin 20) / cos 20.
const float kTouchX =
    static_cast<float>((1 + 9 * std::sin(20 * M_PI / 180)) / std::cos(20 * M_PI / 180));

struct Case {
  const char* what;
  char shape;
  Vec3 size, rotation, position;
  bool visible;
};
}  // namespace

TEST(Cull, SkipsOnlyWhatLiesWhollyOutOfView) {
  const Case cases[] = {
      {"ahead", 's', {1, 1, 1}, {0, 0, 0}, {0, 0, 0}, true},
      {"behind the camera", 's', {1, 1, 1}, {0, 0, 0}, {0, 0, 12}, false},
      {"beyond the far plane", 's', {1, 1, 1}, {0, 0, 0}, {0, 0, -300}, false},
      {"across the far plane", 's', {1, 1, 1}, {0, 0, 0}, {0, 0, -191.5f}, true},
      {"a sliver inside the right edge", 's', {1, 1, 1}, {0, 0, 0}, {kTouchX - 0.01f, 0, 0}, true},
      {"half a pixel outside the right edge", 's', {1, 1, 1}, {0, 0, 0}, {kTouchX + 0.005f, 0, 0},
       true},
      {"well outside the right edge", 's', {1, 1, 1}, {0, 0, 0}, {kTouchX + 0.3f, 0, 0}, false},
      // A long cylinder behind the camera reaches forward into view; turned
      // or mirrored it reaches backwards.
      {"cylinder reaching forward", 'y', {1, 1, 6}, {0, 0, 0}, {0, 0, 14}, true},
      {"cylinder turned backwards", 'y', {1, 1, 6}, {0, 180, 0}, {0, 0, 14}, false},
      {"cylinder mirrored backwards", 'y', {1, 1, -6}, {0, 0, 0}, {0, 0, 14}, false},
      {"zero size ahead", 'c', {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, true},
      {"zero size behind", 'c', {0, 0, 0}, {0, 0, 0}, {0, 0, 12}, false},
      {"huge size behind", 's', {1e30f, 1e30f, 1e30f}, {0, 0, 0}, {0, 0, 40}, true},
      {"huge position", 's', {1, 1, 1}, {0, 0, 0}, {1e20f, 0, 0}, true},
      {"NaN size", 'c', {kNaN, 1, 1}, {0, 0, 0}, {0, 0, 40}, true},
      {"NaN position", 'y', {1, 1, 1}, {0, 0, 0}, {0, 0, kNaN}, true},
      {"placeholder", 'l', {1, 1, 1}, {0, 0, 0}, {0, 0, 0}, false},
      {"unknown shape", 'q', {1, 1, 1}, {0, 0, 0}, {0, 0, 0}, false},
  };
  const Frustum view = StartView();
  for (const Case& c : cases) {
    SceneObject o;
    o.shape = c.shape, o.size = c.size, o.rotation = c.rotation, o.position = c.position;
    EXPECT_EQ(MayBeVisible(o, view), c.visible) << c.what;
  }
}

TEST(Cull, FollowsTheCameraAndTheWindowShape) {
  auto visible = [](Vec3 position, float yaw, float pitch, int width, int height) {
    SceneObject o;
    o.shape = 's', o.position = position;
    Camera camera;
    camera.yaw = yaw, camera.pitch = pitch;
    Mat4 projection = ProjectionMatrix(width, height);
    return MayBeVisible(o, MakeFrustum(projection, ViewMatrix(camera), width, height));
  };
  // Drawn at (-9, 0, 0): out of the start view, ahead once turned to look along -x.
  EXPECT_FALSE(visible({-9, 0, 5}, 0, 0, 600, 600));
  EXPECT_TRUE(visible({-9, 0, 5}, 90, 0, 600, 600));
  // 10 ahead and 9 to the right: outside a square window, inside a wide one.
  EXPECT_FALSE(visible({9, 0, -5}, 0, 0, 600, 600));
  EXPECT_TRUE(visible({9, 0, -5}, 0, 0, 1200, 300));
  // A camera with NaN in it decides nothing: everything is drawn.
  EXPECT_TRUE(visible({0, 0, 40}, 0, kNaN, 600, 600));
}

#include "session/view.h"

#include <cmath>

#include "camera/framing.h"
#include "scene/bounds.h"
#include "session/selection.h"

namespace {
// Moves the candidate camera back along the line from `centre` through it
// until it is clear of every object's box (which keeps `centre` on the same
// pixel), then makes it the editor's camera if it is finite.
bool Settle(Editor& editor, Camera candidate, const Vec3d& centre) {
  Vec3& p = candidate.position;
  const Vec3d away{p.x - centre.x, p.y - centre.y, p.z - centre.z};
  const double length = std::sqrt(away.x * away.x + away.y * away.y + away.z * away.z);
  if (length > 0) {
    const Vec3d unit{away.x / length, away.y / length, away.z / length};
    const double clear = ClearDistance(editor.objects, centre, unit, length);
    if (clear > length) {
      p = {static_cast<float>(centre.x + unit.x * clear), static_cast<float>(centre.y + unit.y * clear),
           static_cast<float>(centre.z + unit.z * clear)};
    }
  }
  if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
  editor.camera = candidate;
  return true;
}

// Places the turned camera where the box fills kFrameFill of the view.
bool Frame(Editor& editor, Camera camera, const Box& box) {
  const Vec3d centre = box.Centre();
  PlaceBefore(camera, centre,
              FramingDistance(camera, box, ProjectionMatrix(editor.windowWidth, editor.windowHeight)));
  return Settle(editor, camera, centre);
}
}  // namespace

bool SelectionBox(const Editor& editor, Box& box) {
  // An invisible selection (the start-up placeholder) looks like none.
  Box selected, one;
  ForEachSelected(editor, [&](const SceneObject& object) {
    if (DrawnBox(object, one)) selected.Add(one);
  });
  if (selected.Empty()) selected = DrawnBox(editor.objects);
  if (selected.Empty()) return false;
  box = selected;
  return true;
}

bool FrameBox(Editor& editor, const Box& box) {
  Camera camera = editor.camera;
  const Vec3d centre = box.Centre();
  const Vec3& eye = camera.position;
  TurnToward(camera, {centre.x - eye.x, centre.y - eye.y, centre.z - eye.z});
  return Frame(editor, camera, box);
}

bool ViewBoxFrom(Editor& editor, const Box& box, float yaw, float pitch) {
  Camera camera = editor.camera;
  SetAngles(camera, yaw, pitch);
  return Frame(editor, camera, box);
}

void OrbitCamera(Editor& editor, const Vec3d& centre, float yaw, float pitch) {
  Camera camera = editor.camera;
  OrbitAbout(camera, centre, yaw, pitch);
  Settle(editor, camera, centre);
}

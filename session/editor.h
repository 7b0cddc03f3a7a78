// The whole state of one editing session: the scene, the camera, the
// textures, the light and what the keys and the mouse are doing. Input,
// history and picking all work on this one record.
#pragma once

#include <vector>

#include "base/vec3.h"
#include "camera/camera.h"
#include "io/textures.h"
#include "scene/history.h"
#include "session/edit_journal.h"
#include "scene/object.h"

struct MouseDrag {
  char mode = 0;  // 0 none, 'l' look, 'm' move, 'r' pan
  int lastX = 0, lastY = 0;
  // The left drag orbits about orbitCentre instead of turning the view.
  bool orbit = false;
  Vec3d orbitCentre;
  // Shift was held when the left button went down: a click then toggles
  // the object under it in the selection instead of selecting only it.
  bool shift = false;
  // A left press that has not moved more than a click may: where it was and
  // the camera then, so that a click leaves the view as it found it.
  bool clickPending = false;
  bool turned = false;  // the camera turned while the click was pending
  int pressX = 0, pressY = 0;
  Camera cameraAtPress;
  // The last click that selected something, for stepping through the objects
  // under the same spot; forgotten when anything else is pressed.
  bool lastClickValid = false;
  int lastClickX = 0, lastClickY = 0;
};

// What is selected besides the list's current object (session/selection.h
// has the operations).
struct Selection {
  // The selected objects besides objects.current, in the order they joined
  // the selection. Never holds the current object, an object twice or one
  // outside the list; empty whenever nothing is current.
  std::vector<SceneObject*> others;
};

struct Editor {
  ObjectList objects;  // objects.current is the current object
  Selection selection;  // the objects selected beside the current one
  Camera camera;
  TextureTable textures;
  TextureBackend textureBackend;
  Vec3 light{0, 0, 0};
  char editMode = 's';  // 's' size, 'p' position, 'r' rotation, 'c' colour
  MouseDrag mouse;
  int windowWidth = 600, windowHeight = 600;  // the window's size in pixels
  // The objects changed since the scene was last loaded or saved.
  bool unsaved = false;
  // Undo and redo of the changes to the objects.
  History history;
  // Every change to the objects as it happens, once started (Start).
  EditJournal journal;
};

#include "input/commands.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/console.h"
#include "camera/framing.h"
#include "io/scene_file.h"
#include "scene/bounds.h"
#include "scene/edit.h"
#include "scene/pick.h"
#include "session/view.h"
#include "session/selection.h"

namespace {
constexpr float kCameraStep = 0.3f;
constexpr float kTurnStep = 10;
constexpr float kEditStep = 0.1f;
constexpr double kMouseScale = 0.01;
constexpr float kLookSensitivity = 10;
constexpr int kClickSlop = 2;  // pixels a click may wander and still be one
constexpr float kWheelStep = 0.5f;  // along the view per wheel notch

// The unsaved flag follows the history: clear exactly when the objects are
// back in their last loaded or saved state.
void NoteChange(Editor& editor) { editor.unsaved = !editor.history.AtSaved(); }

// Opens an undo step on the selected objects, "<verb> object <id>" for one.
void BeginOnSelection(Editor& editor, const char* verb, bool run = false) {
  const auto count = static_cast<std::int32_t>(SelectedCount(editor));
  editor.history.Begin({verb, editor.objects.current->id, count}, editor.objects.current,
                       editor.selection.others, run);
}

// Closes the step with the selection as it is now.
void EndOnSelection(Editor& editor) {
  if (editor.history.End(editor.objects.current, editor.selection.others)) NoteChange(editor);
}

// Anything but an arrow/Home/End press ends a run of edits that undo
// together, and anything pressed between two clicks starts the click cycle
// afresh. A key pressed while the left button is down makes it no click, so
// releasing it keeps whatever the key did to the view.
void Interrupt(Editor& editor) {
  editor.history.EndRun();
  editor.mouse.lastClickValid = false;
  editor.mouse.clickPending = false;
}

Outcome SaveAs(Editor& editor) {
  std::string name;
  if (PromptName("Save scene as: ", name) && SaveSceneWithTextures(editor.objects, editor.textures, name)) {
    editor.history.MarkSaved();
    NoteChange(editor);
    editor.journal.Restart();
  }
  return Outcome::None;
}

// Loads beside the present scene and swaps it in only on success, so the
// replaced scene can come back with an undo.
Outcome LoadAs(Editor& editor) {
  std::string name;
  if (!PromptName("Load scene: ", name)) return Outcome::None;
  ObjectList loaded;
  TextureTable textures = editor.textures;
  if (!LoadSceneWithTextures(loaded, textures, name, editor.textureBackend)) return Outcome::None;
  editor.history.ReplaceScene(editor.objects, loaded, editor.textures, textures,
                              editor.textureBackend.release, "load " + name);
  SelectOnly(editor, editor.objects.current);
  editor.history.MarkSaved();
  NoteChange(editor);
  return Outcome::Redraw;
}

void NewObject(Editor& editor) {
  SceneObject* object = CreateObject(editor.objects);
  editor.history.Begin({"new", object->id}, editor.objects.current, editor.selection.others);
  editor.history.RecordAdd(object);
  SelectOnly(editor, object);
  EndOnSelection(editor);
  Print("New object created!\n");
}

// Ctrl+D: each selected object is copied to the end of the list, in list
// order; the copies become the selection.
Outcome DuplicateSelection(Editor& editor) {
  SceneObject* current = editor.objects.current;
  if (current == nullptr) return Outcome::None;
  BeginOnSelection(editor, "duplicate");
  SceneObject* currentCopy = nullptr;
  std::vector<SceneObject*> otherCopies;
  ForEachSelected(editor, [&](SceneObject& original) {
    SceneObject* copy = DuplicateObject(editor.objects, original);
    editor.history.RecordAdd(copy);
    if (&original == current) {
      currentCopy = copy;
    } else {
      otherCopies.push_back(copy);
    }
    Print("Object duplicated!\n");
  });
  editor.objects.current = currentCopy;
  editor.selection.others = std::move(otherCopies);
  EndOnSelection(editor);
  return Outcome::Redraw;
}

// Ctrl+W: every selected object goes; the first object becomes current.
void DeleteSelection(Editor& editor) {
  const bool any = editor.objects.current != nullptr;
  if (any) BeginOnSelection(editor, "delete");
  ForEachSelected(editor, [&](SceneObject& object) {
    editor.history.Delete(editor.objects, &object);
    Echo("Object deleted!");
  });
  if (!any) Echo("Object deleted!");
  SelectOnly(editor, editor.objects.first);
  if (any) EndOnSelection(editor);
}

// Undoes the last step (`back`) or redoes the last undone one, with the
// selection it was made on.
Outcome UndoOrRedo(Editor& editor, bool back) {
  std::string what;
  std::vector<SceneObject*>* others = &editor.selection.others;
  bool done = back ? editor.history.Undo(editor.objects, what, others)
                   : editor.history.Redo(editor.objects, what, others);
  if (!done) {
    Print("%s", back ? "Nothing to undo!\n" : "Nothing to redo!\n");
    return Outcome::None;
  }
  NoteChange(editor);
  Print(back ? "Undone: %s\n" : "Redone: %s\n", what.c_str());
  return Outcome::Redraw;
}

// '.' frames the selection and 'v' every object from where the camera is;
// '7', '8' and '9' look at the selection from above, the front and the right.
Outcome LookAtSelection(Editor& editor, unsigned char key) {
  Box box;
  if (key == 'v' ? (box = DrawnBox(editor.objects)).Empty() : !SelectionBox(editor, box)) {
    Print("Nothing to frame!\n");
    return Outcome::None;
  }
  bool placed;
  switch (key) {
    case '7': placed = ViewBoxFrom(editor, box, 0, -90); break;
    case '8': placed = ViewBoxFrom(editor, box, 0, 0); break;
    case '9': placed = ViewBoxFrom(editor, box, 90, 0); break;
    default: placed = FrameBox(editor, box); break;
  }
  if (!placed) {
    Print("Too far away to frame!\n");
    return Outcome::None;
  }
  return Outcome::Redraw;
}

void MoveLight(Vec3& light) {
  Print("Move the light where (was %f, %f, %f)?\n", light.x, light.y, light.z);
  ReadFloats(light.x, light.y, light.z);
}

bool SameBits(const void* a, const void* b, std::size_t size) {
  return std::memcmp(a, b, size) == 0;
}

// True when two objects hold the same fields, bit for bit.
bool SameObject(const SceneObject& a, const SceneObject& b) {
  return SameBits(&a.size, &b.size, sizeof(Vec3)) &&
         SameBits(&a.rotation, &b.rotation, sizeof(Vec3)) &&
         SameBits(&a.position, &b.position, sizeof(Vec3)) && a.shape == b.shape &&
         a.solid == b.solid && SameBits(&a.red, &b.red, sizeof(float)) &&
         SameBits(&a.green, &b.green, sizeof(float)) && SameBits(&a.blue, &b.blue, sizeof(float));
}

// Applies `edit` to every selected object in list order and records what
// it changed as one undo step (joining the run of edits before it when
// `run` is set). Nothing when nothing is selected.
template <typename Edit>
void EditSelection(Editor& editor, const char* verb, bool run, Edit edit) {
  if (editor.objects.current == nullptr) return;
  BeginOnSelection(editor, verb, run);
  ForEachSelected(editor, [&](SceneObject& object) {
    const SceneObject before = object;
    edit(object);
    if (!SameObject(object, before)) editor.history.RecordEdit(&object, before);
  });
  EndOnSelection(editor);
}

// `values` with the components ReadFloats set (its bits in `given`) taken
// from `typed`.
Vec3 WithTyped(Vec3 values, const Vec3& typed, int given) {
  if (given & 1) values.x = typed.x;
  if (given & 2) values.y = typed.y;
  if (given & 4) values.z = typed.z;
  return values;
}

// One arrow/Home/End step of the edit mode on the selection.
void StepSelection(Editor& editor, const Vec3& step) {
  const EditMode* mode = FindEditMode(editor.editMode);
  if (mode == nullptr) return;
  const Vec3 change = ArrowChange(*mode, step.x, step.y, step.z);
  EditSelection(editor, mode->verb, true,
                [&](SceneObject& object) { ChangeEditValues(object, *mode, change); });
}

// Enter: prompts for the edit mode's values, showing the current object's;
// the numbers typed replace those of every selected object.
Outcome TypeValues(Editor& editor) {
  SceneObject* current = editor.objects.current;
  const EditMode* mode = FindEditMode(editor.editMode);
  if (current == nullptr || mode == nullptr) return Outcome::None;
  Vec3 typed = mode->get(*current);
  Print("%s [%f, %f, %f]: ", mode->label, typed.x, typed.y, typed.z);
  const int given = ReadFloats(typed.x, typed.y, typed.z);
  if (given == 0) return Outcome::None;
  EditSelection(editor, "type the values of", false, [&](SceneObject& object) {
    SetEditValues(object, *mode, WithTyped(mode->get(object), typed, given));
  });
  return Outcome::Redraw;
}

// Tab: prompts for a change to the edit mode's values, added to those of
// every selected object; numbers left out or mistyped add 0.
Outcome TypeChange(Editor& editor) {
  const EditMode* mode = FindEditMode(editor.editMode);
  if (editor.objects.current == nullptr || mode == nullptr) return Outcome::None;
  Print("%s", mode->byPrompt);
  Vec3 change;
  if (ReadFloats(change.x, change.y, change.z) == 0) return Outcome::None;
  EditSelection(editor, mode->verb, false,
                [&](SceneObject& object) { ChangeEditValues(object, *mode, change); });
  return Outcome::Redraw;
}

// 'g': prompts for a colour once; the numbers typed replace those of every
// selected object.
Outcome TypeColor(Editor& editor) {
  SceneObject* current = editor.objects.current;
  if (current == nullptr) return Outcome::Redraw;
  SceneObject typed = *current;
  const int given = PromptColor(&typed);
  const EditMode& colour = *FindEditMode('c');
  EditSelection(editor, "type the colour of", false, [&](SceneObject& object) {
    colour.set(object, WithTyped(colour.get(object), colour.get(typed), given));
  });
  return Outcome::Redraw;
}

// A key that changes each selected object with `edit` (an operation of
// scene/edit), as one undo step.
template <typename Edit>
Outcome EditKey(Editor& editor, const char* verb, Edit edit) {
  EditSelection(editor, verb, false, [&](SceneObject& object) { edit(&object); });
  return Outcome::Redraw;
}

// After a Shift+click or Ctrl+A: what is selected now.
void ReportSelection(const Editor& editor) {
  const std::size_t count = SelectedCount(editor);
  if (count == 1) {
    Print("Selected object %d\n", editor.objects.current->id);
  } else {
    Print("Selected %d objects\n", static_cast<int>(count));
  }
}

Outcome DispatchKey(Editor& editor, unsigned char key, int modifiers) {
  Camera& camera = editor.camera;
  switch (key) {
    case 1:                                                 // Ctrl+A
      SelectAll(editor);
      ReportSelection(editor);
      break;
    case 4: return DuplicateSelection(editor);              // Ctrl+D
    case 9: return TypeChange(editor);                      // Tab
    case 12: return LoadAs(editor);                         // Ctrl+L
    case 13: return TypeValues(editor);                     // Enter
    case 14: NewObject(editor); break;                      // Ctrl+N
    case 17: return Outcome::Quit;                          // Ctrl+Q
    case 19: return SaveAs(editor);                         // Ctrl+S
    case 23: DeleteSelection(editor); break;                // Ctrl+W
    case 25: return UndoOrRedo(editor, false);              // Ctrl+Y
    case 26:                                                // Ctrl+Z, Ctrl+Shift+Z
      return UndoOrRedo(editor, (modifiers & kModShift) == 0);
    case 27: return Outcome::Quit;                          // ESC
    case '!': case '@': case '#': case '$': case '%': case '^': {  // Shift+1 to Shift+6
      const int slot = static_cast<int>(std::strchr("!@#$%^", key) - "!@#$%^") + 1;
      return EditKey(editor, "texture", [&](SceneObject* o) { SetTextureCode(o, slot); });
    }
    case '1': case '2': case '3': case '4': case '5': case '6':
      return EditKey(editor, "give a material to",
                     [&](SceneObject* o) { SetMaterialCode(o, key - '0'); });
    case '-': return EditKey(editor, "switch solid/wire of", ToggleSolid);
    case 'b': return EditKey(editor, "cycle the colour of", CycleColor);
    case 'g': return TypeColor(editor);
    case 'p': PrintObjectInfo(editor.objects.current); return Outcome::None;
    case '~': SetVerbose(!IsVerbose()); return Outcome::None;
    case 'a': Strafe(camera, -kCameraStep); break;
    case 'd': Strafe(camera, kCameraStep); break;
    case 'w': MoveAlongView(camera, -kCameraStep); break;
    case 's': MoveAlongView(camera, kCameraStep); break;
    case 'r': MoveBy(camera, 0, kCameraStep, 0); break;
    case 'f': MoveBy(camera, 0, -kCameraStep, 0); break;
    case 'q': Pitch(camera, kTurnStep); break;
    case 'x': Pitch(camera, -kTurnStep); break;
    case 'z': Yaw(camera, kTurnStep); break;
    case 'c': Yaw(camera, -kTurnStep); break;
    case '.': case 'v': case '7': case '8': case '9': return LookAtSelection(editor, key);
    case '0': camera = StartCamera(); break;
    default: return Outcome::None;
  }
  return Outcome::Redraw;
}

// The step an arrow, Home or End key makes along x, y or z; false for any
// other key.
bool ArrowStep(int key, Vec3& step) {
  switch (key) {
    case kKeyLeft: step = {-kEditStep, 0, 0}; return true;
    case kKeyRight: step = {kEditStep, 0, 0}; return true;
    case kKeyUp: step = {0, kEditStep, 0}; return true;
    case kKeyDown: step = {0, -kEditStep, 0}; return true;
    case kKeyHome: step = {0, 0, -kEditStep}; return true;
    case kKeyEnd: step = {0, 0, kEditStep}; return true;
    default: return false;
  }
}

// Any special key but the arrows, Home and End.
Outcome DispatchSpecialKey(Editor& editor, int key) {
  ObjectList& objects = editor.objects;
  switch (key) {
    case kKeyF1:
      PrintHelp();
      PrintNewKeysHelp();
      return Outcome::None;
    case kKeyF2: case kKeyF3: case kKeyF4: case kKeyF5:
      editor.editMode = kEditModes[key - kKeyF2].letter;
      return Outcome::None;
    case kKeyF6: MoveLight(editor.light); break;
    case kKeyPageUp:
      if (objects.current != nullptr && objects.current->next != nullptr) {
        objects.current = objects.current->next;
      }
      SelectOnly(editor, objects.current);
      break;
    case kKeyPageDown:
      if (objects.current != nullptr && objects.current->prev != nullptr) {
        objects.current = objects.current->prev;
      }
      SelectOnly(editor, objects.current);
      break;
    case kKeyInsert: EditKey(editor, "change the shape of", CycleShape); break;
    default: return Outcome::None;
  }
  return Outcome::Redraw;
}

}  // namespace

Outcome HandleKey(Editor& editor, unsigned char key, int modifiers) {
  Interrupt(editor);
  Echo("You pressed %d\n", key);
  return DispatchKey(editor, key, modifiers);
}

Outcome HandleSpecialKey(Editor& editor, int key) {
  // A run of arrow, Home and End presses undoes at once; anything else ends it.
  Vec3 step;
  if (!ArrowStep(key, step)) {
    Interrupt(editor);
    return DispatchSpecialKey(editor, key);
  }
  editor.mouse.lastClickValid = false;
  StepSelection(editor, step);
  return Outcome::Redraw;
}

namespace {
// A left drag begun with Shift orbits about the selection's centre, when
// there is one to see.
bool StartsOrbit(const Editor& editor, int modifiers, Vec3d& centre) {
  Box box;
  if ((modifiers & kModShift) == 0 || !SelectionBox(editor, box)) return false;
  centre = box.Centre();
  return true;
}

// Within kClickSlop pixels along each axis.
bool WithinSlop(int dx, int dy) { return std::abs(dx) <= kClickSlop && std::abs(dy) <= kClickSlop; }

// A click at (x, y): selects only the nearest object under the pointer or,
// when the last click was at the same spot, the next one behind the current
// object, wrapping round. With Shift it toggles the nearest object in the
// selection instead. Empty space changes nothing.
Outcome ClickAt(Editor& editor, int x, int y, bool shift) {
  MouseDrag& mouse = editor.mouse;
  Ray ray;
  std::vector<SceneObject*> hits;
  if (PixelRay(ProjectionMatrix(editor.windowWidth, editor.windowHeight), ViewMatrix(editor.camera),
               editor.windowWidth, editor.windowHeight, x, y, ray)) {
    hits = ObjectsUnder(editor.objects, ray);
  }
  bool again = mouse.lastClickValid && WithinSlop(x - mouse.lastClickX, y - mouse.lastClickY);
  mouse.lastClickValid = false;
  if (hits.empty()) return Outcome::None;
  if (shift) {
    ToggleSelected(editor, hits.front());
    ReportSelection(editor);
    return Outcome::Redraw;
  }
  std::size_t index = 0;
  if (again) {
    auto at = std::find(hits.begin(), hits.end(), editor.objects.current);
    if (at != hits.end()) index = static_cast<std::size_t>(at - hits.begin() + 1) % hits.size();
  }
  SelectOnly(editor, hits[index]);
  Print("Selected object %d\n", editor.objects.current->id);
  mouse.lastClickValid = true;
  mouse.lastClickX = x;
  mouse.lastClickY = y;
  return Outcome::Redraw;
}
}  // namespace

Outcome HandleMouseButton(Editor& editor, int button, int state, int x, int y, int modifiers) {
  MouseDrag& mouse = editor.mouse;
  if (button == kButtonWheelForward || button == kButtonWheelBack) {
    if (state != kMouseDown) return Outcome::None;
    // As a key does: a pressed left button is no click any more, so its
    // release keeps the move.
    Interrupt(editor);
    MoveAlongView(editor.camera, button == kButtonWheelForward ? -kWheelStep : kWheelStep);
    return Outcome::Redraw;
  }
  // Any other button's press changes nothing; its release, as any release,
  // ends a drag.
  if (state == kMouseDown && button != kButtonLeft && button != kButtonMiddle &&
      button != kButtonRight) {
    return Outcome::None;
  }
  editor.history.EndRun();
  if (state == kMouseUp) {
    bool click = mouse.clickPending && button == kButtonLeft && mouse.mode == 'l';
    mouse.mode = 0;
    mouse.clickPending = false;
    if (!click) return Outcome::None;
    // A click leaves the view exactly as it was when the button went down.
    bool turned = mouse.turned;
    editor.camera = mouse.cameraAtPress;
    Outcome outcome = ClickAt(editor, mouse.pressX, mouse.pressY, mouse.shift);
    return turned ? Outcome::Redraw : outcome;
  }
  mouse.clickPending = false;
  if (button != kButtonLeft) mouse.lastClickValid = false;
  switch (button) {
    case kButtonLeft:
      mouse.mode = 'l';
      mouse.shift = (modifiers & kModShift) != 0;
      mouse.orbit = StartsOrbit(editor, modifiers, mouse.orbitCentre);
      mouse.clickPending = true;
      mouse.turned = false;
      mouse.pressX = x;
      mouse.pressY = y;
      mouse.cameraAtPress = editor.camera;
      break;
    case kButtonRight: mouse.mode = 'r'; break;
    case kButtonMiddle: mouse.mode = 'm'; break;
    default: return Outcome::None;
  }
  mouse.lastX = x;
  mouse.lastY = y;
  return Outcome::None;
}

Outcome HandleMouseMotion(Editor& editor, int x, int y) {
  MouseDrag& mouse = editor.mouse;
  if (mouse.clickPending) {
    if (WithinSlop(x - mouse.pressX, y - mouse.pressY)) {
      mouse.turned = true;
    } else {
      mouse.clickPending = false;  // a drag, not a click
      mouse.lastClickValid = false;
    }
  }
  // Whole-pixel differences, then scaled.
  float dx = static_cast<float>((mouse.lastX - x) * kMouseScale);
  float dy = static_cast<float>((mouse.lastY - y) * kMouseScale);
  mouse.lastX = x;
  mouse.lastY = y;
  switch (mouse.mode) {
    case 'l':
      if (mouse.orbit) {
        OrbitCamera(editor, mouse.orbitCentre, dx * kLookSensitivity, dy * kLookSensitivity);
        break;
      }
      Yaw(editor.camera, dx * kLookSensitivity);
      Pitch(editor.camera, dy * kLookSensitivity);
      break;
    case 'm': MoveAlongView(editor.camera, -dy); break;
    case 'r':
      Strafe(editor.camera, -dx);
      MoveBy(editor.camera, 0, dy, 0);
      break;
    default: break;
  }
  return Outcome::Redraw;
}

void PrintHelp() {
  Print("%s", "\n\n\n\nQUILLMAR\n\n\nOpenGL 3D modeling program");
  Print("%s", "\n\nUsage:\nYou can cycle through objects and alter them as you wish.\n\nControls:\n\n");
  Print("%s", "help: F1\n\nnew object: CTRL + N\ndelete object: CTRL + W\n"
              "prev/next object: pgup/pgdown\n");
  Print("%s", "\nmodify size: F2\nmodify position: F3\nmodify rotation: F4\nmodify color: F5\n\n");
  Print("%s", "change attribute:\n\tx: left/right\n\ty: up/down\n\tz: home/end\n\n");
  Print("%s", "change shape: INS\n  \nESC: exit\n\n\n\n");
  Print("%s", "CAMERA movement:\nw : forwards\ns : backwards\na : strafe left\nd : strafe right\n"
              "x : turn down\nq : turn up\nz : turn right\nc : turn left\nr : move up\n"
              "f : move down\n\n");
  Print("%s", "Material Properties:\nPress 1 through 6 to choose a preset material:\n");
  for (int n = 1; n <= kMaterialPresets; ++n) Print("%d: %s\n", n, FindPreset(n)->name);
  Print("\n");
  Print("%s", "Textures:\nPress SHIFT+1 through SHIFT+6 to choose a texture:\n"
              "(Texture files are set in the filename.tex file)");
}

void PrintNewKeysHelp() {
  Print("%s",
        "\n\nMore keys:\n"
        "Enter: type the values of the edit mode (F2-F5)\n"
        "Tab: type a change to add to them (move, resize, turn or color by)\n"
        "undo: CTRL + Z\n"
        "redo: CTRL + Y or CTRL + SHIFT + Z\n"
        "duplicate object: CTRL + D\n"
        "select object: click it (click again for the one behind)\n"
        "add or remove an object: SHIFT + click\n"
        "select all: CTRL + A\n"
        "(edits apply to every selected object)\n"
        "pgup: newer object, pgdown: older object\n"
        "solid/wire: -\n"
        "cycle colors: b\n"
        "type a color: g\n"
        "print object: p\n"
        "echo on/off: ~\n"
        "move the light: F6\n"
        "save scene: CTRL + S\n"
        "load scene: CTRL + L\n"
        "exit: ESC or CTRL + Q\n"
        "\nView:\n"
        "frame selection: .\n"
        "frame all: v\n"
        "start view: 0\n"
        "view from above/front/right: 7/8/9\n"
        "(z turns left, c turns right)\n"
        "\nMouse:\n"
        "left drag: turn\n"
        "SHIFT + left drag: orbit the selection\n"
        "middle drag: forwards/backwards\n"
        "right drag: sideways and up/down\n"
        "wheel: forwards/backwards\n");
}

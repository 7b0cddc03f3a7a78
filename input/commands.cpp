#include "input/commands.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/console.h"
#include "io/scene_file.h"
#include "scene/edit.h"
#include "scene/pick.h"

namespace {
constexpr float kCameraStep = 0.3f;
constexpr float kTurnStep = 10;
constexpr float kEditStep = 0.1f;
constexpr float kDegreesPerEditStep = 20;
constexpr double kMouseScale = 0.01;
constexpr float kLookSensitivity = 10;
constexpr int kClickSlop = 2;  // pixels a click may wander and still be one

// The unsaved flag follows the history: clear exactly when the objects are
// back in their last loaded or saved state.
void NoteChange(Editor& editor) { editor.unsaved = !editor.history.AtSaved(); }

// A step's description, such as "move object 3".
std::string Describe(const char* verb, const SceneObject& object) {
  return std::string(verb) + " object " + std::to_string(object.id);
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
  if (PromptName("Save scene as: ", name) && SaveScene(editor.objects, name)) {
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
  if (!LoadSceneWithTextures(loaded, editor.textures, name, editor.textureBackend)) {
    return Outcome::None;
  }
  editor.history.ReplaceScene(editor.objects, loaded, "load " + name);
  editor.history.MarkSaved();
  NoteChange(editor);
  return Outcome::Redraw;
}

void NewObject(Editor& editor) {
  SceneObject* previous = editor.objects.current;
  SceneObject* object = CreateObject(editor.objects);
  editor.objects.current = object;
  editor.history.RecordAdd(object, previous, Describe("new", *object));
  NoteChange(editor);
  Print("New object created!\n");
}

Outcome DuplicateCurrent(Editor& editor) {
  SceneObject* original = editor.objects.current;
  if (original == nullptr) return Outcome::None;
  SceneObject* copy = DuplicateObject(editor.objects, *original);
  editor.objects.current = copy;
  editor.history.RecordAdd(copy, original, Describe("duplicate", *original));
  NoteChange(editor);
  Print("Object duplicated!\n");
  return Outcome::Redraw;
}

void DeleteCurrent(Editor& editor) {
  if (SceneObject* current = editor.objects.current) {
    editor.history.Delete(editor.objects, current, Describe("delete", *current));
    NoteChange(editor);
  }
  Echo("Object deleted!");
  editor.objects.current = editor.objects.first;
}

// Undoes the last step (`back`) or redoes the last undone one.
Outcome UndoOrRedo(Editor& editor, bool back) {
  std::string what;
  bool done = back ? editor.history.Undo(editor.objects, what)
                   : editor.history.Redo(editor.objects, what);
  if (!done) {
    Print("%s", back ? "Nothing to undo!\n" : "Nothing to redo!\n");
    return Outcome::None;
  }
  NoteChange(editor);
  Print(back ? "Undone: %s\n" : "Redone: %s\n", what.c_str());
  return Outcome::Redraw;
}

// Applies one arrow/Home/End step to the current object by edit mode.
void EditCurrent(Editor& editor, float dx, float dy, float dz) {
  SceneObject* current = editor.objects.current;
  if (current == nullptr) return;
  switch (editor.editMode) {
    case 'c': AdjustColor(current, dx, dy, dz); break;
    case 'p':
      Echo("Moving: %f %f %f\n", dx, dy, dz);
      MoveObject(current, dx, dy, dz);
      break;
    case 'r':
      RotateObject(current, -kDegreesPerEditStep * dy, kDegreesPerEditStep * dx,
                   kDegreesPerEditStep * dz);
      break;
    case 's': Resize(current, dx, dy, dz); break;
    default: break;
  }
}

void MoveLight(Vec3& light) {
  Print("Move the light where (was %f, %f, %f)?\n", light.x, light.y, light.z);
  ReadFloats(light.x, light.y, light.z);
}

// The three values Enter shows for an edit mode; no label for other modes.
struct ModeValues {
  const char* label;
  Vec3 values;
};

ModeValues ValuesOf(const SceneObject& object, char mode) {
  switch (mode) {
    case 's': return {"Size (x, y, z)", object.size};
    case 'p': return {"Position (x, y, z)", object.position};
    case 'r': return {"Rotation (x, y, z)", object.rotation};
    case 'c': return {"Color (red, green, blue)", {object.red, object.green, object.blue}};
    default: return {nullptr, {}};
  }
}

// Sets the edit mode's three values of `object` exactly, echoing as an arrow
// step does. The one place where a typed answer changes the scene.
void SetEditValues(SceneObject& object, char mode, const Vec3& v) {
  switch (mode) {
    case 's':
      object.size = v;
      Echo("Resizing: %f %f %f\n", v.x, v.y, v.z);
      break;
    case 'p':
      Echo("Moving: %f %f %f\n", v.x - object.position.x, v.y - object.position.y,
           v.z - object.position.z);
      object.position = v;
      Echo("Moving: %f %f %f\n", v.x, v.y, v.z);
      break;
    case 'r':
      object.rotation = v;
      Echo("Rotating: %f %f %f\n", v.x, v.y, v.z);
      break;
    case 'c':
      object.red = v.x;
      object.green = v.y;
      object.blue = v.z;
      break;
    default: break;
  }
}

// Enter: prompts for the current edit mode's values, showing the current
// ones; those typed replace them.
Outcome TypeValues(Editor& editor) {
  SceneObject* current = editor.objects.current;
  if (current == nullptr) return Outcome::None;
  ModeValues mode = ValuesOf(*current, editor.editMode);
  if (mode.label == nullptr) return Outcome::None;
  Vec3& v = mode.values;
  Print("%s [%f, %f, %f]: ", mode.label, v.x, v.y, v.z);
  if (ReadFloats(v.x, v.y, v.z) == 0) return Outcome::None;
  SetEditValues(*current, editor.editMode, v);
  return Outcome::Redraw;
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

// Runs one command and, when it altered the current object in place, records
// the change as one undo step described as "<verb> object <id>" (joining the
// run of edits before it when `run` is set). Only for commands that neither
// create nor free objects.
template <typename Command>
Outcome WatchingCurrent(Editor& editor, const char* verb, bool run, Command command) {
  SceneObject* current = editor.objects.current;
  const SceneObject before = current != nullptr ? *current : SceneObject{};
  Outcome outcome = command();
  if (current != nullptr && editor.objects.current == current && !SameObject(*current, before)) {
    editor.history.RecordEdit(current, before, Describe(verb, *current), run);
    NoteChange(editor);
  }
  return outcome;
}

// What a character key does to the current object, for its undo step.
const char* KeyVerb(unsigned char key) {
  switch (key) {
    case '!': case '@': case '#': case '$': case '%': case '^': return "texture";
    case '1': case '2': case '3': case '4': case '5': case '6': return "give a material to";
    case '-': return "switch solid/wire of";
    case 'b': return "cycle the colour of";
    case 'g': return "type the colour of";
    case 13: return "type the values of";  // Enter
    default: return "change";
  }
}

// What the arrow, Home and End keys do in an edit mode, for its undo step.
const char* EditVerb(char editMode) {
  switch (editMode) {
    case 's': return "resize";
    case 'p': return "move";
    case 'r': return "rotate";
    case 'c': return "adjust the colour of";
    default: return "change";
  }
}

bool IsEditKey(int key) {
  return key == kKeyLeft || key == kKeyRight || key == kKeyUp || key == kKeyDown ||
         key == kKeyHome || key == kKeyEnd;
}

// The keys that add, free or replace objects, or walk the history, and so
// keep the history themselves.
bool IsStructuralKey(unsigned char key) {
  return key == 4 || key == 12 || key == 14 || key == 19 || key == 23 || key == 25 || key == 26;
}

Outcome DispatchKey(Editor& editor, unsigned char key, int modifiers) {
  Echo("You pressed %d\n", key);
  SceneObject* current = editor.objects.current;
  Camera& camera = editor.camera;
  switch (key) {
    case 4: return DuplicateCurrent(editor);                // Ctrl+D
    case 12: return LoadAs(editor);                         // Ctrl+L
    case 13: return TypeValues(editor);                     // Enter
    case 14: NewObject(editor); break;                      // Ctrl+N
    case 17: return Outcome::Quit;                          // Ctrl+Q
    case 19: return SaveAs(editor);                         // Ctrl+S
    case 23: DeleteCurrent(editor); break;                  // Ctrl+W
    case 25: return UndoOrRedo(editor, false);              // Ctrl+Y
    case 26:                                                // Ctrl+Z, Ctrl+Shift+Z
      return UndoOrRedo(editor, (modifiers & kModShift) == 0);
    case 27: return Outcome::Quit;                          // ESC
    case '!': SetTextureCode(current, 1); break;
    case '@': SetTextureCode(current, 2); break;
    case '#': SetTextureCode(current, 3); break;
    case '$': SetTextureCode(current, 4); break;
    case '%': SetTextureCode(current, 5); break;
    case '^': SetTextureCode(current, 6); break;
    case '1': case '2': case '3': case '4': case '5': case '6':
      SetMaterialCode(current, key - '0');
      break;
    case '-': ToggleSolid(current); break;
    case 'b': CycleColor(current); break;
    case 'g': PromptColor(current); break;
    case 'p': PrintObjectInfo(current); return Outcome::None;
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
    default: return Outcome::None;
  }
  return Outcome::Redraw;
}

Outcome DispatchSpecialKey(Editor& editor, int key) {
  ObjectList& objects = editor.objects;
  switch (key) {
    case kKeyF1:
      PrintHelp();
      PrintNewKeysHelp();
      return Outcome::None;
    case kKeyF2: editor.editMode = 's'; return Outcome::None;
    case kKeyF3: editor.editMode = 'p'; return Outcome::None;
    case kKeyF4: editor.editMode = 'r'; return Outcome::None;
    case kKeyF5: editor.editMode = 'c'; return Outcome::None;
    case kKeyF6: MoveLight(editor.light); break;
    case kKeyLeft: EditCurrent(editor, -kEditStep, 0, 0); break;
    case kKeyRight: EditCurrent(editor, kEditStep, 0, 0); break;
    case kKeyUp: EditCurrent(editor, 0, kEditStep, 0); break;
    case kKeyDown: EditCurrent(editor, 0, -kEditStep, 0); break;
    case kKeyHome: EditCurrent(editor, 0, 0, -kEditStep); break;
    case kKeyEnd: EditCurrent(editor, 0, 0, kEditStep); break;
    case kKeyPageUp:
      if (objects.current != nullptr && objects.current->next != nullptr) {
        objects.current = objects.current->next;
      }
      break;
    case kKeyPageDown:
      if (objects.current != nullptr && objects.current->prev != nullptr) {
        objects.current = objects.current->prev;
      }
      break;
    case kKeyInsert: CycleShape(objects.current); break;
    default: return Outcome::None;
  }
  return Outcome::Redraw;
}

}  // namespace

Outcome HandleKey(Editor& editor, unsigned char key, int modifiers) {
  Interrupt(editor);
  if (IsStructuralKey(key)) return DispatchKey(editor, key, modifiers);
  return WatchingCurrent(editor, KeyVerb(key), false,
                         [&] { return DispatchKey(editor, key, modifiers); });
}

Outcome HandleSpecialKey(Editor& editor, int key) {
  bool edit = IsEditKey(key);
  if (edit) {
    editor.mouse.lastClickValid = false;
  } else {
    Interrupt(editor);
  }
  const char* verb = edit ? EditVerb(editor.editMode) : "change the shape of";
  return WatchingCurrent(editor, verb, edit, [&] { return DispatchSpecialKey(editor, key); });
}

namespace {
// Within kClickSlop pixels along each axis.
bool WithinSlop(int dx, int dy) { return std::abs(dx) <= kClickSlop && std::abs(dy) <= kClickSlop; }

// A click at (x, y): selects the nearest object under the pointer or, when
// the last click was at the same spot, the next one behind the current
// object, wrapping round. Empty space selects nothing.
Outcome ClickAt(Editor& editor, int x, int y) {
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
  std::size_t index = 0;
  if (again) {
    auto at = std::find(hits.begin(), hits.end(), editor.objects.current);
    if (at != hits.end()) index = static_cast<std::size_t>(at - hits.begin() + 1) % hits.size();
  }
  editor.objects.current = hits[index];
  Print("Selected object %d\n", editor.objects.current->id);
  mouse.lastClickValid = true;
  mouse.lastClickX = x;
  mouse.lastClickY = y;
  return Outcome::Redraw;
}
}  // namespace

Outcome HandleMouseButton(Editor& editor, int button, int state, int x, int y) {
  MouseDrag& mouse = editor.mouse;
  editor.history.EndRun();
  if (state == kMouseUp) {
    bool click = mouse.clickPending && button == kButtonLeft && mouse.mode == 'l';
    mouse.mode = 0;
    mouse.clickPending = false;
    if (!click) return Outcome::None;
    // A click leaves the view exactly as it was when the button went down.
    bool turned = mouse.turned;
    editor.camera = mouse.cameraAtPress;
    Outcome outcome = ClickAt(editor, mouse.pressX, mouse.pressY);
    return turned ? Outcome::Redraw : outcome;
  }
  mouse.clickPending = false;
  if (button != kButtonLeft) mouse.lastClickValid = false;
  switch (button) {
    case kButtonLeft:
      mouse.mode = 'l';
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
  Print("%s", "\n\nMore keys:\n");
  Print("%s", "Enter: type the values of the edit mode (F2-F5)\n");
  Print("%s", "undo: CTRL + Z\n");
  Print("%s", "redo: CTRL + Y or CTRL + SHIFT + Z\n");
  Print("%s", "duplicate object: CTRL + D\n");
  Print("%s", "select object: click it (click again for the one behind)\n");
}

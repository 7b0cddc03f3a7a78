#include "input/commands.h"

#include <cstring>
#include <string>

#include "base/console.h"
#include "io/scene_file.h"
#include "scene/edit.h"

namespace {
constexpr float kCameraStep = 0.3f;
constexpr float kTurnStep = 10;
constexpr float kEditStep = 0.1f;
constexpr float kDegreesPerEditStep = 20;
constexpr double kMouseScale = 0.01;
constexpr float kLookSensitivity = 10;

Outcome SaveAs(Editor& editor) {
  std::string name;
  if (PromptName("Save scene as: ", name) && SaveScene(editor.objects, name)) {
    editor.unsaved = false;
  }
  return Outcome::None;
}

Outcome LoadAs(Editor& editor) {
  std::string name;
  if (!PromptName("Load scene: ", name)) return Outcome::None;
  bool loaded = LoadSceneWithTextures(editor.objects, editor.textures, name,
                                      editor.textureBackend);
  if (!loaded) return Outcome::None;
  editor.unsaved = false;
  return Outcome::Redraw;
}

void NewObject(Editor& editor) {
  editor.objects.current = CreateObject(editor.objects);
  editor.unsaved = true;
  Print("New object created!\n");
}

void DeleteCurrent(Editor& editor) {
  if (editor.objects.current != nullptr) editor.unsaved = true;
  DeleteObject(editor.objects, editor.objects.current);
  Echo("Object deleted!");
  editor.objects.current = editor.objects.first;
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

// Runs one command and marks the scene changed when it altered the current
// object in place. Only for commands that neither create nor free objects.
template <typename Command>
Outcome WatchingCurrent(Editor& editor, Command command) {
  SceneObject* current = editor.objects.current;
  const SceneObject before = current != nullptr ? *current : SceneObject{};
  Outcome outcome = command();
  if (current != nullptr && editor.objects.current == current && !SameObject(*current, before)) {
    editor.unsaved = true;
  }
  return outcome;
}

Outcome DispatchKey(Editor& editor, unsigned char key) {
  Echo("You pressed %d\n", key);
  SceneObject* current = editor.objects.current;
  Camera& camera = editor.camera;
  switch (key) {
    case 12: return LoadAs(editor);                         // Ctrl+L
    case 13: return TypeValues(editor);                     // Enter
    case 14: NewObject(editor); break;                      // Ctrl+N
    case 17: return Outcome::Quit;                          // Ctrl+Q
    case 19: return SaveAs(editor);                         // Ctrl+S
    case 23: DeleteCurrent(editor); break;                  // Ctrl+W
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

Outcome HandleKey(Editor& editor, unsigned char key) {
  // Load, new, save and delete set the flag themselves, and may free objects.
  if (key == 12 || key == 14 || key == 19 || key == 23) return DispatchKey(editor, key);
  return WatchingCurrent(editor, [&] { return DispatchKey(editor, key); });
}

Outcome HandleSpecialKey(Editor& editor, int key) {
  return WatchingCurrent(editor, [&] { return DispatchSpecialKey(editor, key); });
}

Outcome HandleMouseButton(Editor& editor, int button, int state, int x, int y) {
  MouseDrag& mouse = editor.mouse;
  if (state == kMouseUp) {
    mouse.mode = 0;
    return Outcome::None;
  }
  switch (button) {
    case kButtonLeft: mouse.mode = 'l'; break;
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
}

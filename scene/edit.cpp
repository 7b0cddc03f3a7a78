#include "scene/edit.h"

#include "base/console.h"
#include "base/number.h"

namespace {
float Clamp01(float value) {
  if (value > 1) value = 1;
  if (value < 0) value = 0;
  return value;
}

void SetColor(SceneObject& object, float r, float g, float b) {
  object.red = r;
  object.green = g;
  object.blue = b;
}

// Stores `v` as the mode's values (clamped for a colour) and echoes them.
void Store(SceneObject& object, const EditMode& mode, Vec3 v) {
  if (mode.clamp) v = {Clamp01(v.x), Clamp01(v.y), Clamp01(v.z)};
  mode.set(object, v);
  if (mode.echo != nullptr) Echo(mode.echo, v.x, v.y, v.z);
}

// Adds `change` to the mode's values: the delta operations of one object.
void AddToValues(SceneObject& object, const EditMode& mode, const Vec3& change) {
  const Vec3 v = mode.get(object);
  Store(object, mode, {v.x + change.x, v.y + change.y, v.z + change.z});
}

void EchoChange(const EditMode& mode, const Vec3& change) {
  if (mode.echoDelta) Echo(mode.echo, change.x, change.y, change.z);
}

const EditMode& Mode(char letter) { return *FindEditMode(letter); }
}  // namespace

const EditMode kEditModes[4] = {
    {'s', "Size (x, y, z)", "Resize by (x, y, z): ", "Resizing: %f %f %f\n", false, false,
     "resize", {0, 1, 2}, {1, 1, 1}, [](const SceneObject& o) { return o.size; },
     [](SceneObject& o, const Vec3& v) { o.size = v; }},
    {'p', "Position (x, y, z)", "Move by (x, y, z): ", "Moving: %f %f %f\n", true, false, "move",
     {0, 1, 2}, {1, 1, 1}, [](const SceneObject& o) { return o.position; },
     [](SceneObject& o, const Vec3& v) { o.position = v; }},
    // Up turns about -x, Right about +y, End about +z: 20 degrees a unit.
    {'r', "Rotation (x, y, z)", "Turn by (x, y, z): ", "Rotating: %f %f %f\n", false, false,
     "rotate", {1, 0, 2}, {-20, 20, 20}, [](const SceneObject& o) { return o.rotation; },
     [](SceneObject& o, const Vec3& v) { o.rotation = v; }},
    {'c', "Color (red, green, blue)", "Change color by (red, green, blue): ", nullptr, false, true,
     "adjust the colour of", {0, 1, 2}, {1, 1, 1},
     [](const SceneObject& o) { return Vec3{o.red, o.green, o.blue}; },
     [](SceneObject& o, const Vec3& v) { SetColor(o, v.x, v.y, v.z); }},
};

const EditMode* FindEditMode(char letter) {
  for (const EditMode& mode : kEditModes) {
    if (mode.letter == letter) return &mode;
  }
  return nullptr;
}

void ChangeEditValues(SceneObject& object, const EditMode& mode, const Vec3& change) {
  EchoChange(mode, change);
  AddToValues(object, mode, change);
}

void SetEditValues(SceneObject& object, const EditMode& mode, const Vec3& values) {
  const Vec3 old = mode.get(object);
  EchoChange(mode, {values.x - old.x, values.y - old.y, values.z - old.z});
  Store(object, mode, values);
}

void Resize(SceneObject* object, float dx, float dy, float dz) {
  if (object != nullptr) AddToValues(*object, Mode('s'), {dx, dy, dz});
}

void MoveObject(SceneObject* object, float dx, float dy, float dz) {
  if (object != nullptr) AddToValues(*object, Mode('p'), {dx, dy, dz});
}

void RotateObject(SceneObject* object, float ax, float ay, float az) {
  if (object != nullptr) AddToValues(*object, Mode('r'), {ax, ay, az});
}

void AdjustColor(SceneObject* object, float dr, float dg, float db) {
  if (object != nullptr) AddToValues(*object, Mode('c'), {dr, dg, db});
}

// Exact comparisons against 0: pure red becomes blue, pure blue becomes green,
// anything else becomes red with its blue kept.
void CycleColor(SceneObject* object) {
  if (object == nullptr) return;
  SceneObject& o = *object;
  if (o.red != 0 && o.blue == 0 && o.green == 0) {
    o.red = 0;
    o.blue = 1;
  } else if (o.red == 0 && o.blue != 0 && o.green == 0) {
    o.blue = 0;
    o.green = 1;
  } else {
    o.green = 0;
    o.red = 1;
  }
}

void CycleShape(SceneObject* object) {
  if (object == nullptr) return;
  switch (object->shape) {
    case 'c': object->shape = 'y'; break;
    case 'y': object->shape = 's'; break;
    case 's': object->shape = 'c'; break;
    default: break;
  }
}

void ToggleSolid(SceneObject* object) {
  if (object == nullptr) return;
  object->solid = object->solid == 0 ? 1 : 0;
}

void SetTextureCode(SceneObject* object, int slot) {
  if (object != nullptr) SetColor(*object, static_cast<float>(-slot), 0, 0);
}

void SetMaterialCode(SceneObject* object, int preset) {
  if (object != nullptr) SetColor(*object, 0, static_cast<float>(-preset), 0);
}

int PromptColor(SceneObject* object) {
  if (object == nullptr) return 0;
  Print("Enter a new color (red, green, blue): ");
  return ReadFloats(object->red, object->green, object->blue);
}

// Formatted by hand: the same bytes as printf's "%d" and "%f", and a load
// prints one description per object.
char* FormatObjectInfo(const SceneObject& o, char* out, const FixedText* texts) {
  auto kept = [texts](int first) { return texts != nullptr ? texts + first : nullptr; };
  out = AppendText(out, "ID: ");
  out = FormatInt(o.id, out);
  out = AppendText(out, "\ninfo-Size: ");
  out = FormatFixed3(o.size.x, o.size.y, o.size.z, ", ", out, kept(0));
  out = AppendText(out, "\ninfo-Rotation: ");
  out = FormatFixed3(o.rotation.x, o.rotation.y, o.rotation.z, ", ", out, kept(3));
  out = AppendText(out, "\ninfo-Position: ");
  out = FormatFixed3(o.position.x, o.position.y, o.position.z, ", ", out, kept(6));
  out = AppendText(out, "\ninfo-Shape: ");
  *out++ = o.shape;
  out = AppendText(out, "\ninfo-Color: ");
  out = FormatFixed3(o.red, o.green, o.blue, ", ", out, kept(9));
  *out++ = '\n';
  return out;
}

void PrintObjectInfo(const SceneObject* object) {
  if (object == nullptr) return;
  char text[kMaxObjectInfoLength];
  Write(text, FormatObjectInfo(*object, text) - text);
}

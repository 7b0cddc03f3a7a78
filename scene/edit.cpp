#include "scene/edit.h"

#include "base/console.h"
#include "base/number.h"

namespace {
void Add(Vec3& v, float dx, float dy, float dz) {
  v.x += dx;
  v.y += dy;
  v.z += dz;
}

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
}  // namespace

void Resize(SceneObject* object, float dx, float dy, float dz) {
  if (object == nullptr) return;
  Add(object->size, dx, dy, dz);
  Echo("Resizing: %f %f %f\n", object->size.x, object->size.y, object->size.z);
}

void MoveObject(SceneObject* object, float dx, float dy, float dz) {
  if (object == nullptr) return;
  Add(object->position, dx, dy, dz);
  Echo("Moving: %f %f %f\n", object->position.x, object->position.y, object->position.z);
}

void RotateObject(SceneObject* object, float ax, float ay, float az) {
  if (object == nullptr) return;
  Add(object->rotation, ax, ay, az);
  Echo("Rotating: %f %f %f\n", object->rotation.x, object->rotation.y, object->rotation.z);
}

void AdjustColor(SceneObject* object, float dr, float dg, float db) {
  if (object == nullptr) return;
  SetColor(*object, Clamp01(object->red + dr), Clamp01(object->green + dg),
           Clamp01(object->blue + db));
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

void PromptColor(SceneObject* object) {
  if (object == nullptr) return;
  Print("Enter a new color (red, green, blue): ");
  ReadFloats(object->red, object->green, object->blue);
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

// Editing operations on one scene object. Each does nothing when given null.
// The delta operations echo the new value while the verbose flag is on.
#pragma once

#include <cstddef>

#include "base/vec3.h"
#include "scene/object.h"

struct FixedText;

// An edit mode (F2-F5): the three values of an object that the arrow keys,
// Enter and Tab change, and the texts that go with them.
struct EditMode {
  char letter;          // 's' size, 'p' position, 'r' rotation, 'c' colour
  const char* label;    // Enter's prompt, before the current values
  const char* byPrompt;  // Tab's prompt for a change to add
  const char* echo;     // the verbose echo of the new values; null for none
  bool echoDelta;       // a change, typed or stepped, is echoed first
  bool clamp;           // each value is kept within 0 to 1
  const char* verb;     // what an undo step of the mode does: "resize object 3"
  // An arrow, Home or End press with the step (dx, dy, dz) changes value i
  // by stepScale[i] times step component stepAxis[i].
  int stepAxis[3];
  float stepScale[3];
  Vec3 (*get)(const SceneObject& object);
  void (*set)(SceneObject& object, const Vec3& values);
};

// The edit modes, in the order of F2 to F5.
extern const EditMode kEditModes[4];
// The mode named by `letter`; null for any other letter.
const EditMode* FindEditMode(char letter);
// The change an arrow, Home or End press with the step (dx, dy, dz) makes
// to the values of `mode`. Cannot fail.
inline Vec3 ArrowChange(const EditMode& mode, float dx, float dy, float dz) {
  const float step[3] = {dx, dy, dz};
  return {mode.stepScale[0] * step[mode.stepAxis[0]], mode.stepScale[1] * step[mode.stepAxis[1]],
          mode.stepScale[2] * step[mode.stepAxis[2]]};
}
// Adds `change` to the mode's values of `object` (clamped for a colour),
// echoing the change first where the mode does and then the new values.
// Cannot fail.
void ChangeEditValues(SceneObject& object, const EditMode& mode, const Vec3& change);
// Sets the mode's values of `object` to `values` (clamped for a colour),
// echoing as ChangeEditValues does.
void SetEditValues(SceneObject& object, const EditMode& mode, const Vec3& values);

void Resize(SceneObject* object, float dx, float dy, float dz);
void MoveObject(SceneObject* object, float dx, float dy, float dz);
void RotateObject(SceneObject* object, float ax, float ay, float az);

// Adds the deltas to the colour, then clamps each component to [0, 1].
void AdjustColor(SceneObject* object, float dr, float dg, float db);
// Steps red -> blue -> green -> red (see the rules in edit.cpp).
void CycleColor(SceneObject* object);
// Steps cube -> cylinder -> sphere -> cube; other shapes stay as they are.
void CycleShape(SceneObject* object);
void ToggleSolid(SceneObject* object);
void SetTextureCode(SceneObject* object, int slot);
void SetMaterialCode(SceneObject* object, int preset);

// Prompts for "r g b" (or "r, g, b") and reads one line; components that are
// missing or fail to parse keep their values. Returns which were typed, as
// ReadFloats does (bit 0 red, 1 green, 2 blue); 0 for null.
int PromptColor(SceneObject* object);
// Prints the object's description; nothing for null.
void PrintObjectInfo(const SceneObject* object);
// The longest description FormatObjectInfo writes.
constexpr std::size_t kMaxObjectInfoLength = 720;
// Writes the description PrintObjectInfo prints to `out` (which needs
// kMaxObjectInfoLength bytes) and returns its end. Given `texts` (the twelve
// numbers in the order the description shows them), numbers whose
// characters they keep are copied, not formatted. Cannot fail.
char* FormatObjectInfo(const SceneObject& object, char* out, const FixedText* texts = nullptr);

// Editing operations on one scene object. Each does nothing when given null.
// The delta operations echo the new value while the verbose flag is on.
#pragma once

#include <cstddef>

#include "scene/object.h"

struct FixedText;

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
// missing or fail to parse keep their values.
void PromptColor(SceneObject* object);
// Prints the object's description; nothing for null.
void PrintObjectInfo(const SceneObject* object);
// The longest description FormatObjectInfo writes.
constexpr std::size_t kMaxObjectInfoLength = 720;
// Writes the description PrintObjectInfo prints to `out` (which needs
// kMaxObjectInfoLength bytes) and returns its end. Given `texts` (the twelve
// numbers in the order the description shows them), numbers whose
// characters they keep are copied, not formatted. Cannot fail.
char* FormatObjectInfo(const SceneObject& object, char* out, const FixedText* texts = nullptr);

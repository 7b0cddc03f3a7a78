// Where an object sits: the one definition of its transform, shared by
// drawing, picking, culling and export.
#pragma once

#include "base/mat4.h"
#include "scene/object.h"

// The window draws every object this many units further along -z than its
// stored position (a look-at from (0, 0, 5) toward the origin).
constexpr float kViewOffset = 5;

// The object's own transform in scene coordinates: translate by the
// position, rotate about x, then y, then z (degrees), scale by the size.
Mat4 ObjectMatrix(const SceneObject& object);

// The transform the window draws the object with: ObjectMatrix moved
// kViewOffset along -z.
Mat4 DrawnObjectMatrix(const SceneObject& object);

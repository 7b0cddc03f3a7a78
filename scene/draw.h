// Drawing of scene objects with the fixed-function pipeline. Needs a
// current GL context.
#pragma once

#include "scene/cull.h"
#include "scene/object.h"

// Draws `object` with its appearance, transform and shape, then resets the
// colour and diffuse material for whatever is drawn next. Unknown shapes draw
// nothing; a texture slot outside the table binds the default texture. The
// shape's geometry is built once (a display list per shape and style, made on
// first use) and replayed.
void DrawObject(const SceneObject& object, const TextureTable& textures);

// The same picture drawn the straightforward way: every vertex sent anew on
// each draw. The reference the faster drawing is checked and measured against.
void DrawObjectImmediate(const SceneObject& object, const TextureTable& textures);

// Draws every object of the list, first to last, as DrawObject does, but
// skips the geometry of objects wholly outside `frustum`. Pixels and the GL
// state left afterwards are those of drawing every object. Flushes after
// each of the first `flushFirst` objects drawn: a software GL then fills
// their pixels on its own threads while it compiles the programs of the
// next kinds of object, which a first frame is mostly made of.
void DrawObjects(const ObjectList& objects, const TextureTable& textures, const Frustum& frustum,
                 int flushFirst = 0);

// How DrawObject and DrawObjects work, for measuring and checking them
// against each other: the straightforward way, retained geometry for every
// object, or retained geometry for what the frustum may show (the default).
enum class DrawPath { Immediate, Retained, Culled };
void SetDrawPath(DrawPath path);

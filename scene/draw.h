// Drawing of one scene object with the fixed-function pipeline. Needs a
// current GL context.
#pragma once

#include "scene/object.h"

// Draws `object` with its appearance, transform and shape, then resets the
// colour and diffuse material for whatever is drawn next. Unknown shapes draw
// nothing; a texture slot outside the table binds the default texture.
void DrawObject(const SceneObject& object, const TextureTable& textures);

// The texture table's loading: TGA files named in a texture list fill slots
// 1, 2, ... of the table.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "io/tga.h"
#include "scene/object.h"

// What loading needs from the graphics side: an upload that turns a decoded
// image into a texture name, a release that frees a name no slot holds any
// more (may be null: nothing to free), and the switch for texture-coordinate
// generation. The editor plugs in the OpenGL versions; tests plug in fakes.
struct TextureBackend {
  unsigned (*upload)(const TgaImage& image) = nullptr;
  void (*enableTexGen)() = nullptr;
  void (*release)(unsigned name) = nullptr;
};

// The longest texture name a list may hold, in bytes; longer ones are
// reported and leave their slot empty.
constexpr std::size_t kMaxTextureName = 4096;

// The OpenGL backend: mip-mapped upload, object-linear s and t generation.
TextureBackend OpenGLTextures();

// Reads the next whitespace-separated name of a texture list, keeping at
// most kMaxTextureName bytes of it so an endless line costs no more memory;
// `tooLong` tells whether bytes were dropped. False at the end of the file.
bool ReadListName(std::FILE* in, std::string& name, bool& tooLong);

// Fills one slot from a TGA file, releasing the texture it replaces. On
// failure prints why, empties the slot and returns false.
bool LoadTexture(TextureTable& table, const std::string& fileName, int slot,
                 const TextureBackend& backend);

// Fills slots 1, 2, ... from the names in an open list file, then closes it.
// Names past the last slot are reported and ignored; so are names longer
// than kMaxTextureName, which still take their slot (left empty).
void LoadTextureList(std::FILE* listFile, TextureTable& table, const TextureBackend& backend);

// Loads the start scene's list "<sceneName>.tex" when it exists; silent when
// it does not.
void LoadStartupTextures(TextureTable& table, const TextureBackend& backend,
                         const std::string& sceneName = "init.scene");

// Loads the scene's texture list ("<scene>.tex"), when there is one, and then
// the scene. A scene that cannot be opened prints "Error opening file %s!\n"
// and changes nothing. Returns true when the scene was loaded.
bool LoadSceneWithTextures(ObjectList& list, TextureTable& table, const std::string& sceneName,
                           const TextureBackend& backend);

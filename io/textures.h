// The texture table's loading: TGA files named in a texture list fill slots
// 1, 2, ... of the table.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
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

// One entry of a texture list; the n-th entry is for slot n.
struct TextureListEntry {
  int slot = 0;      // 1, 2, ...; kTextureSlots and above are past the table
  std::string name;  // the file (at most kMaxTextureName bytes); empty: leave the slot empty
  bool tooLong = false;  // bytes past kMaxTextureName were dropped
};

// Reads an open texture list from where it stands and calls `visit` for each
// entry in order; the caller closes the file. Entries are separated by
// blanks and line ends, so a list may hold several on a line, or blank lines.
// A lone "-" leaves its slot empty; a name in double quotes may hold blanks
// (and \" and \\ stand for " and \ inside it). Never fails: reading ends at
// the end of the file, a name cut short by it included. Each name costs at
// most kMaxTextureName bytes of memory, however long its line.
void WalkTextureList(std::FILE* list, const std::function<void(const TextureListEntry&)>& visit);

// Writes the texture list of `table`: one line per slot from 1 to the last
// filled one, "-" for an empty slot, quoted names where a name needs it.
// With `fullPaths`, names relative to the working directory are written as
// full paths (as they are when the working directory cannot be found).
// Returns false when a write failed.
bool WriteTextureList(const TextureTable& table, std::FILE* file, bool fullPaths);

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

// Loads the scene's texture list ("<scene>.tex"), when there is one, into
// `table` and then the scene into `list`. The textures the list replaces are
// not freed: the caller's table, which `table` was copied from, still holds
// them (an undo may bring them back). A scene that cannot be opened prints
// "Error opening file %s!\n" and changes nothing; `table` is then as it was,
// anything uploaded freed. Returns true when the scene was loaded.
bool LoadSceneWithTextures(ObjectList& list, TextureTable& table, const std::string& sceneName,
                           const TextureBackend& backend);

// Saves the scene as SaveScene does and, when a slot of `table` is filled,
// the texture list "<fileName>.tex" beside it, naming the slots' files as
// the editor named them (relative to the working directory, as lists are
// read). A list there that already fills the slots the same way is left as
// it is; a slot left empty because its listed file cannot be opened counts
// as the same. A list that cannot be written prints
// "Error saving file %s.tex!\n". Returns true when both are saved.
bool SaveSceneWithTextures(const ObjectList& list, const TextureTable& table,
                           const std::string& fileName);

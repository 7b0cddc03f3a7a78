// What every export format starts from: the scene read silently, the
// materials its objects use and the texture images they show.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "scene/mesh.h"
#include "scene/object.h"

struct ExportTexture {
  int slot = 0;
  std::vector<unsigned char> png;  // the TGA image as PNG, bottom row last
};

struct ExportMaterial {
  std::string name;         // unique within the export
  float color[3] = {1, 1, 1};  // base colour, each component in 0..1
  int texture = -1;         // index into ExportInput::textures, -1 for none
};

struct ExportInput {
  ObjectList objects;
  std::vector<ExportMaterial> materials;
  std::vector<int> materialOf;  // material of each object in list order; -1 if not exported
  std::vector<ExportTexture> textures;
};

// Reads the scene file and its "<scenePath>.tex" list (names resolve as the
// editor resolves them, from the working directory) without printing
// anything, and decodes the appearance of every object that exports into a
// material: a plain colour (clamped to 0..1), a preset's colour, or a
// texture slot with its image as PNG. A slot whose image cannot be read, or
// no slot at all, gives a white material without image; an unknown preset
// the grey "default" material. Returns false with a one-line reason when
// the scene cannot be opened.
bool ReadExportScene(const std::string& scenePath, ExportInput& scene, std::string& error);

// The mesh the object exports as, or null for objects that export nothing:
// the placeholder, unknown shapes, and flat or non-finite transforms (no
// inside, no outside, no normals).
const Mesh* ExportedMesh(const SceneObject& object);

// The object's mesh placed in scene coordinates; false where ExportedMesh
// is null.
bool PlaceObject(const SceneObject& object, PlacedMesh& out);

// The texture coordinates the window generates for a point of the object's
// own mesh (object-linear: s follows x, t follows y).
inline float TexS(const Vec3d& own) { return static_cast<float>(own.x); }
inline float TexT(const Vec3d& own) { return static_cast<float>(own.y); }

// Files written beside the main output (material library, textures). Each
// is written whole or not at all; if the export fails later, Discard
// removes those it created, so only complete exports leave files behind.
class SideFiles {
 public:
  // Writes one file safely; returns false on failure.
  bool Write(const std::string& path, const std::function<bool(std::FILE*)>& write);
  bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);
  // Removes the files this object created (an overwritten file stays).
  void Discard();

 private:
  std::vector<std::string> created_;
};

// `path` with its extension (from the last dot of the file name) replaced.
std::string ReplaceExtension(const std::string& path, const std::string& extension);
// The file name of `path` without its folder.
std::string BaseName(const std::string& path);
// The PNG file a texture is written to beside `outPath`: "<stem>_texture<slot>.png".
std::string TextureFileName(const std::string& outPath, int slot);

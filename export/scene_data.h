// What every export format starts from: the scene read silently, the
// materials its objects use and the texture images they show.
#pragma once

#include <string>
#include <vector>

#include "scene/mesh.h"
#include "scene/object.h"

struct ExportTexture {
  int slot = 0;
  std::vector<unsigned char> png;  // the TGA image as PNG, bottom row last
  std::string file;                // the PNG beside the output, once written there
};

struct ExportMaterial {
  std::string name;         // unique within the export
  float color[3] = {1, 1, 1};  // base colour, each component in 0..1
  int texture = -1;         // index into ExportInput::textures, -1 for none
};

// An object that exports, and where its points land in the scene.
struct ExportedObject {
  const SceneObject* object = nullptr;
  int material = 0;        // index into ExportInput::materials
  bool mirrored = false;   // a mirroring transform: corners are reversed
  float low[3] = {}, high[3] = {};  // the smallest and largest exported coordinates
};

struct ExportInput {
  ObjectList objects;
  std::vector<ExportMaterial> materials;
  std::vector<ExportedObject> exported;  // in file order
  std::vector<ExportTexture> textures;
};

// Reads the scene file and its "<scenePath>.tex" list (names resolve as the
// editor resolves them, from the working directory) without printing
// anything, places every object that exports and decodes its appearance
// into a material: a plain colour (clamped to 0..1), a preset's colour, or a
// texture slot with its image as PNG. A slot whose image cannot be read, or
// no slot at all, gives a white material without image; an unknown preset
// the grey "default" material. Objects that export nothing are left out:
// the placeholder, unknown shapes, and flat or non-finite transforms (no
// inside, no outside, no normals). Returns false with a one-line reason
// when the scene cannot be opened, when an object's exported coordinates
// are not finite in single precision (naming its id), or when a signal was
// noted meanwhile.
bool ReadExportScene(const std::string& scenePath, ExportInput& scene, std::string& error);

// The object's mesh placed in scene coordinates; false for objects that
// export nothing.
bool PlaceObject(const SceneObject& object, PlacedMesh& out);

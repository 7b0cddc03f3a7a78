// glTF 2.0, as JSON with its buffer embedded (.gltf) or as one binary file
// (.glb), written through tinygltf.
#pragma once

#include <cstdio>
#include <string>

#include "export/scene_data.h"

// Writes the scene: one node and one mesh "object_<id>" per exported
// object, placed in scene coordinates, with its material. Textures are
// embedded when `binary`, else referenced as the PNG files beside
// `outPath` (see TextureFileName), which the caller writes. False on a
// failed write.
bool WriteGltf(const ExportInput& scene, const std::string& outPath, bool binary,
               std::FILE* file);

// glTF 2.0, as JSON with its buffer embedded (.gltf) or as one binary file
// (.glb), written as it goes: every size follows from the objects' shapes,
// so the JSON is written first and the buffer after it, object by object,
// and memory stays bounded however large the scene.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "export/scene_data.h"

// Where everything goes in the buffer: one view per vertex attribute and
// one for the indices, each holding every object's share in object order,
// then (in a .glb) the texture images.
struct GltfLayout {
  bool binary = false;
  std::uint64_t viewStart[4] = {}, viewLength[4] = {};  // positions, normals, texcoords, indices
  std::uint64_t bufferLength = 0;  // with every view and image padded to 4 bytes
  std::uint64_t jsonLength = 0;    // a .glb's JSON chunk, unpadded
};

// Lays the file out before anything is written. Returns false with a
// one-line reason when the scene does not fit the format: a .glb and its
// chunks must stay below 4 GiB (their lengths are 32-bit), and every number
// in the JSON must be exact (below 2^53).
bool LayOutGltf(const ExportInput& scene, bool binary, GltfLayout& layout, std::string& error);

// Writes the file as laid out: one node and one mesh "object_<id>" per
// exported object, placed in scene coordinates, with its material.
// Textures are embedded in a .glb, else referenced by their PNG file
// (ExportTexture::file, percent-encoded). False on a failed write or a
// noted signal.
bool WriteGltf(const ExportInput& scene, const GltfLayout& layout, std::FILE* file);

// Scenes leave the editor as triangle meshes for other programs.
#pragma once

#include <string>

// Exports the scene file `scenePath`, with its "<scenePath>.tex" texture list
// when one exists, to `outPath`; the extension of `outPath` picks the format:
// ".obj" (with a ".mtl" beside it), ".stl" (binary), ".gltf" or ".glb". Needs
// no display. Returns false with a one-line reason in `error` (no line end),
// leaving no partial output file, when the extension is unknown, the scene
// cannot be read or the output cannot be written.
bool ExportScene(const std::string& scenePath, const std::string& outPath, std::string& error);

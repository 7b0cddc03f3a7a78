// Scenes leave the editor as triangle meshes for other programs.
#pragma once

#include <string>

// Exports the scene file `scenePath`, with its "<scenePath>.tex" texture list
// when one exists, to `outPath`; the extension of `outPath` picks the format:
// ".obj" (with a ".mtl" beside it), ".stl" (binary), ".gltf" or ".glb". Needs
// no display. Files beside the main one (material library, textures) are
// new files that never replace anything (see export/side_files.h). Returns
// false with a one-line reason in `error` (no line end), leaving nothing
// behind and every existing file as it was, when the extension is unknown,
// the scene cannot be read, an object's coordinates overflow single
// precision, the scene exceeds the format's limits, memory runs out, an
// output cannot be written, or a signal is noted (see base/signals.h; the
// caller then ends as the signal asks).
bool ExportScene(const std::string& scenePath, const std::string& outPath, std::string& error);

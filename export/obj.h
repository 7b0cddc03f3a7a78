// Wavefront OBJ with its MTL material library.
#pragma once

#include <cstdio>
#include <string>

#include "export/scene_data.h"

// Writes the material library: one material per entry of scene.materials,
// textured ones naming their PNG (ExportTexture::file). False on a failed
// write.
bool WriteMtl(const ExportInput& scene, std::FILE* file);

// Writes the objects, one group "object_<id>" each, streamed object by
// object, using the library named `mtlName`. Textured objects carry the
// window's texture coordinates. False on a failed write or a noted signal.
bool WriteObj(const ExportInput& scene, const std::string& mtlName, std::FILE* file);

// Binary STL: the whole scene as one solid, geometry only.
#pragma once

#include <cstdio>

#include "export/scene_data.h"

// Writes every exported object's triangles, one object at a time, each
// with its facet normal. Returns false when a write failed or a signal was
// noted.
bool WriteStl(const ExportInput& scene, std::FILE* file);

// The scene file and object descriptions written and read with the C
// library's formatted functions, as the editor first did it: the oracle the
// hand-made reader and writer are compared with, and the benchmarks' baseline.
#pragma once

#include <cctype>
#include <cstdio>
#include <string>

#include "base/console.h"
#include "scene/object.h"

namespace formatted {

inline void PrintObjectInfo(const SceneObject& o, std::FILE* out) {
  std::fprintf(out, "ID: %d\n", o.id);
  std::fprintf(out, "info-Size: %f, %f, %f\n", o.size.x, o.size.y, o.size.z);
  std::fprintf(out, "info-Rotation: %f, %f, %f\n", o.rotation.x, o.rotation.y, o.rotation.z);
  std::fprintf(out, "info-Position: %f, %f, %f\n", o.position.x, o.position.y, o.position.z);
  std::fprintf(out, "info-Shape: %c\n", o.shape);
  std::fprintf(out, "info-Color: %f, %f, %f\n", o.red, o.green, o.blue);
}

inline void WriteScene(const ObjectList& list, std::FILE* file) {
  for (const SceneObject* o = list.first; o != nullptr; o = o->next) {
    std::fputs("nextObject\n", file);
    std::fprintf(file, "%f %f %f\n", o->size.x, o->size.y, o->size.z);
    std::fprintf(file, "%f %f %f\n", o->rotation.x, o->rotation.y, o->rotation.z);
    std::fprintf(file, "%f %f %f\n", o->position.x, o->position.y, o->position.z);
    std::fprintf(file, "%c %c\n", o->shape, o->solid);
    std::fprintf(file, "%f %f %f\n", o->red, o->green, o->blue);
  }
  std::fputs("EOF", file);
}

// One whitespace-delimited token of any length; false at the end.
inline bool ReadToken(std::FILE* in, std::string& token) {
  token.clear();
  int c;
  do {
    c = std::getc(in);
  } while (c != EOF && std::isspace(c));
  while (c != EOF && !std::isspace(c)) {
    token.push_back(static_cast<char>(c));
    c = std::getc(in);
  }
  if (c != EOF) std::ungetc(c, in);
  return !token.empty();
}

inline bool ReadVec3(std::FILE* file, Vec3& v) {
  return std::fscanf(file, "%f %f %f", &v.x, &v.y, &v.z) == 3;
}

// Reads blocks up to "EOF" into `list`, describing each on `console`; a
// block cut short ends the read. Returns the number of objects.
inline int ReadScene(ObjectList& list, std::FILE* file, std::FILE* console) {
  ClearObjects(list);
  std::string keyword, shape, solid;
  while (ReadToken(file, keyword) && keyword != "EOF") {
    SceneObject* o = CreateObject(list);
    if (!(ReadVec3(file, o->size) && ReadVec3(file, o->rotation) &&
          ReadVec3(file, o->position) && ReadToken(file, shape) && ReadToken(file, solid) &&
          std::fscanf(file, "%f %f %f", &o->red, &o->green, &o->blue) == 3)) {
      DeleteObject(list, o);
      break;
    }
    o->shape = shape[0];
    o->solid = solid[0];
    PrintObjectInfo(*o, console);
  }
  list.current = list.first;
  return list.count;
}

}  // namespace formatted

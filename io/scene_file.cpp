#include "io/scene_file.h"

#include <cstdlib>

#include "base/console.h"
#include "base/file.h"
#include "scene/edit.h"

namespace {
bool ReadVec3(std::FILE* file, Vec3& v) {
  return std::fscanf(file, "%f %f %f", &v.x, &v.y, &v.z) == 3;
}

void WriteVec3(std::FILE* file, const Vec3& v) { std::fprintf(file, "%f %f %f\n", v.x, v.y, v.z); }

}  // namespace

void WriteObject(const SceneObject& object, std::FILE* file) {
  WriteVec3(file, object.size);
  WriteVec3(file, object.rotation);
  WriteVec3(file, object.position);
  std::fprintf(file, "%c %c\n", object.shape, object.solid);
  std::fprintf(file, "%f %f %f\n", object.red, object.green, object.blue);
}

bool ReadObject(SceneObject& object, std::FILE* file) {
  object.id = object.prev != nullptr ? object.prev->id + 1 : 0;
  std::string shape, solid;
  bool complete = ReadVec3(file, object.size) && ReadVec3(file, object.rotation) &&
                  ReadVec3(file, object.position) && ReadToken(file, shape) &&
                  ReadToken(file, solid) &&
                  std::fscanf(file, "%f %f %f", &object.red, &object.green, &object.blue) == 3;
  if (!complete) return false;
  object.shape = shape[0];
  object.solid = solid[0];
  PrintObjectInfo(&object);
  return true;
}

int ReadScene(ObjectList& list, std::FILE* file) {
  ClearObjects(list);
  std::string keyword;
  while (ReadToken(file, keyword) && keyword != "EOF") {
    SceneObject* object = CreateObject(list);
    if (!ReadObject(*object, file)) {
      DeleteObject(list, object);  // a half-read block is dropped
      break;
    }
  }
  list.current = list.first;
  return list.count;
}

bool WriteScene(const ObjectList& list, std::FILE* file) {
  for (const SceneObject* o = list.first; o != nullptr; o = o->next) {
    std::fputs("nextObject\n", file);
    WriteObject(*o, file);
  }
  std::fputs("EOF", file);
  return !std::ferror(file);
}
bool SaveScene(const ObjectList& list, const std::string& fileName) {
  bool saved = WriteFileSafely(fileName, [&](std::FILE* file) { return WriteScene(list, file); });
  if (!saved) Print("Error saving file %s!\n", fileName.c_str());
  return saved;
}

bool LoadScene(ObjectList& list, const std::string& fileName) {
  Print("loading %s\n", fileName.c_str());
  std::FILE* file = OpenInputFile(fileName, "r");
  if (file == nullptr) {
    Print("Error opening file %s!\n", fileName.c_str());
    return false;
  }
  int loaded = ReadScene(list, file);
  std::fclose(file);
  Print("Objects loaded: %d\n\n\n", loaded);
  return true;
}

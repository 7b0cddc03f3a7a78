// Files an export writes beside its main file (material library, textures)
// and the names they get.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// The side files of one export. Each is a new file: a name already taken,
// by anything at all (a file, a folder, a symbolic link), is never replaced
// or followed; the file gets the next free name instead ("out-2.mtl",
// "out.obj_texture1-2.png"). If the export fails later, Discard removes
// exactly the files this object created.
class SideFiles {
 public:
  // Writes a new file under `wanted` or the next free name after it and
  // sets `written` to the name used. Returns false on failure, leaving
  // nothing behind.
  bool Write(const std::string& wanted, const std::function<bool(std::FILE*)>& write,
             std::string& written);
  // Removes the files this object created.
  void Discard();

 private:
  std::vector<std::string> created_;
};

// `path` with its extension (from the last dot of the file name) replaced.
std::string ReplaceExtension(const std::string& path, const std::string& extension);
// The file name of `path` without its folder.
std::string BaseName(const std::string& path);
// The PNG a texture slot's image is first offered as beside `outPath`:
// "<outPath>_texture<slot>.png". The output's whole name is kept, so
// exports of one scene to several formats never share an image.
std::string TextureFileName(const std::string& outPath, int slot);

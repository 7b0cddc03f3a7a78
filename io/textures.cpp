#include "io/textures.h"

#include <cctype>

#include "base/console.h"
#include "base/file.h"
#include "io/scene_file.h"

namespace {
// Empties a slot, freeing its texture.
void ClearSlot(TextureTable& table, int slot, const TextureBackend& backend) {
  if (table.names[slot] != 0 && backend.release != nullptr) backend.release(table.names[slot]);
  table.names[slot] = 0;
  table.files[slot].clear();
}

}  // namespace

bool ReadListName(std::FILE* in, std::string& name, bool& tooLong) {
  name.clear();
  tooLong = false;
  int c;
  do {
    c = std::getc(in);
  } while (c != EOF && std::isspace(c));
  for (; c != EOF && !std::isspace(c); c = std::getc(in)) {
    if (name.size() < kMaxTextureName) {
      name.push_back(static_cast<char>(c));
    } else {
      tooLong = true;
    }
  }
  return !name.empty();
}

bool LoadTexture(TextureTable& table, const std::string& fileName, int slot,
                 const TextureBackend& backend) {
  if (fileName.empty() || slot <= 0 || slot >= kTextureSlots) return false;
  TgaImage image;
  TgaError error = ReadTga(fileName, image);
  ClearSlot(table, slot, backend);
  if (error == TgaError::OpenFailed) return false;  // the reader has said so
  if (error != TgaError::None) {
    Print("Cannot use texture %s\n", fileName.c_str());
    return false;
  }
  table.names[slot] = backend.upload(image);
  table.files[slot] = fileName;
  return true;
}

void LoadTextureList(std::FILE* listFile, TextureTable& table, const TextureBackend& backend) {
  std::string name;
  bool tooLong = false;
  for (int slot = 1; ReadListName(listFile, name, tooLong); ++slot) {
    if (tooLong) name.replace(40, std::string::npos, "...");
    if (slot >= kTextureSlots) {
      Print("Too many textures in list, ignoring %s\n", name.c_str());
      continue;
    }
    if (tooLong) {
      Print("Texture name too long (over %zu bytes), ignoring %s\n", kMaxTextureName, name.c_str());
      ClearSlot(table, slot, backend);
      continue;
    }
    Print("Loading texture %s\n", name.c_str());
    LoadTexture(table, name, slot, backend);
    backend.enableTexGen();
  }
  std::fclose(listFile);
}

void LoadStartupTextures(TextureTable& table, const TextureBackend& backend,
                         const std::string& sceneName) {
  if (std::FILE* list = OpenInputFile(sceneName + ".tex", "r")) LoadTextureList(list, table, backend);
}

bool LoadSceneWithTextures(ObjectList& list, TextureTable& table, const std::string& sceneName,
                           const TextureBackend& backend) {
  std::FILE* scene = OpenInputFile(sceneName, "r");
  if (scene == nullptr) {
    Print("Error opening file %s!\n", sceneName.c_str());
    return false;
  }
  std::fclose(scene);
  if (std::FILE* listFile = OpenInputFile(sceneName + ".tex", "r")) {
    Print("Loading textures for %s\n", sceneName.c_str());
    LoadTextureList(listFile, table, backend);
  } else {
    Print("No textures exist for %s!\n", sceneName.c_str());
  }
  return LoadScene(list, sceneName);
}

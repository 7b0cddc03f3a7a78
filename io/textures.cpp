#include "io/textures.h"

#include "base/console.h"
#include "base/file.h"
#include "io/scene_file.h"

bool LoadTexture(TextureTable& table, const std::string& fileName, int slot,
                 const TextureBackend& backend) {
  if (fileName.empty() || slot <= 0 || slot >= kTextureSlots) return false;
  TgaImage image;
  TgaError error = ReadTga(fileName, image);
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
  for (int slot = 1; ReadToken(listFile, name); ++slot) {
    if (slot >= kTextureSlots) {
      Print("Too many textures in list, ignoring %s\n", name.c_str());
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

#include "io/textures.h"

#include <unistd.h>

#include <algorithm>
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

bool IsBlank(int c) { return std::isspace(c) != 0; }

// Reads the next entry's text, unquoted; `quoted` tells whether it was in
// quotes. False at the end of the file.
bool ReadListName(std::FILE* in, std::string& name, bool& tooLong, bool& quoted) {
  name.clear();
  tooLong = false;
  int c;
  do {
    c = std::getc(in);
  } while (c != EOF && IsBlank(c));
  if (c == EOF) return false;
  quoted = c == '"';
  if (quoted) c = std::getc(in);
  for (; c != EOF && (quoted ? c != '"' : !IsBlank(c)); c = std::getc(in)) {
    if (quoted && c == '\\' && (c = std::getc(in)) == EOF) break;
    if (name.size() < kMaxTextureName) {
      name.push_back(static_cast<char>(c));
    } else {
      tooLong = true;
    }
  }
  return true;
}

// A name as a list holds it: in double quotes when read bare it would split
// at a blank or mean something else ("-", a leading quote).
std::string QuoteIfNeeded(const std::string& name) {
  if (name != "-" && name[0] != '"' && std::none_of(name.begin(), name.end(), IsBlank)) return name;
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + '"';
}

std::string FullPath(const std::string& file) {
  char cwd[4096];
  if (file[0] == '/' || getcwd(cwd, sizeof cwd) == nullptr) return file;
  return std::string(cwd) + "/" + file;
}

bool Opens(const std::string& fileName) {
  std::FILE* file = OpenInputFile(fileName, "rb");
  if (file != nullptr) std::fclose(file);
  return file != nullptr;
}

// Whether loading the list `listName` would fill the slots as `table` holds
// them; a slot left empty because its listed file cannot be opened counts
// as the same.
bool ListMatches(const std::string& listName, const TextureTable& table) {
  std::FILE* list = OpenInputFile(listName, "r");
  if (list == nullptr) return false;
  std::string listed[kTextureSlots];
  WalkTextureList(list, [&](const TextureListEntry& entry) {
    if (entry.slot < kTextureSlots && !entry.tooLong) listed[entry.slot] = entry.name;
  });
  std::fclose(list);
  for (int slot = 1; slot < kTextureSlots; ++slot) {
    const std::string& file = table.files[slot];
    if (listed[slot] != file && !(file.empty() && !Opens(listed[slot]))) return false;
  }
  return true;
}
}  // namespace

void WalkTextureList(std::FILE* list, const std::function<void(const TextureListEntry&)>& visit) {
  TextureListEntry entry;
  bool quoted = false;
  for (entry.slot = 1; ReadListName(list, entry.name, entry.tooLong, quoted); ++entry.slot) {
    if (!quoted && entry.name == "-") entry.name.clear();
    visit(entry);
  }
}

bool WriteTextureList(const TextureTable& table, std::FILE* file, bool fullPaths) {
  int last = 0;
  for (int slot = 1; slot < kTextureSlots; ++slot) {
    if (!table.files[slot].empty()) last = slot;
  }
  for (int slot = 1; slot <= last; ++slot) {
    const std::string& name = table.files[slot];
    std::fprintf(file, "%s\n", name.empty() ? "-" : QuoteIfNeeded(fullPaths ? FullPath(name) : name).c_str());
  }
  return !std::ferror(file);
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
  WalkTextureList(listFile, [&](const TextureListEntry& entry) {
    std::string name = entry.name;
    if (entry.tooLong) name.replace(40, std::string::npos, "...");
    if (entry.slot >= kTextureSlots) {
      if (!name.empty()) Print("Too many textures in list, ignoring %s\n", name.c_str());
    } else if (entry.tooLong) {
      Print("Texture name too long (over %zu bytes), ignoring %s\n", kMaxTextureName, name.c_str());
      ClearSlot(table, entry.slot, backend);
    } else if (name.empty()) {
      ClearSlot(table, entry.slot, backend);
    } else {
      Print("Loading texture %s\n", name.c_str());
      LoadTexture(table, name, entry.slot, backend);
      backend.enableTexGen();
    }
  });
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
  const TextureTable before = table;
  TextureBackend keepReplaced = backend;
  keepReplaced.release = nullptr;
  if (std::FILE* listFile = OpenInputFile(sceneName + ".tex", "r")) {
    Print("Loading textures for %s\n", sceneName.c_str());
    LoadTextureList(listFile, table, keepReplaced);
  } else {
    Print("No textures exist for %s!\n", sceneName.c_str());
  }
  if (LoadScene(list, sceneName)) return true;
  for (int slot = 1; slot < kTextureSlots; ++slot) {  // the scene went away meanwhile
    if (table.names[slot] != before.names[slot]) ClearSlot(table, slot, backend);
  }
  table = before;
  return false;
}

bool SaveSceneWithTextures(const ObjectList& list, const TextureTable& table,
                           const std::string& fileName) {
  if (!SaveScene(list, fileName)) return false;
  if (std::all_of(table.files + 1, table.files + kTextureSlots, [](auto& f) { return f.empty(); })) {
    return true;
  }
  const std::string listName = fileName + ".tex";
  if (ListMatches(listName, table) ||
      WriteFileSafely(listName, [&](std::FILE* file) { return WriteTextureList(table, file, false); })) {
    return true;
  }
  Print("Error saving file %s!\n", listName.c_str());
  return false;
}

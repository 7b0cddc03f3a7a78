// libFuzzer entry point for texture lists: any list must load without a
// crash, and afterwards every filled slot holds a live texture and its file
// name, every empty slot neither, and no texture stays alive that no slot
// holds (replaced and failed textures are all released).
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "base/console.h"
#include "io/textures.h"

namespace {
std::set<unsigned> live;
unsigned next = 1;

unsigned Upload(const TgaImage&) {
  live.insert(next);
  return next++;
}
void Release(unsigned name) {
  if (live.erase(name) != 1) std::abort();  // a double or unknown release
}
void TexGen() {}

void Write(const char* name, const std::string& bytes) {
  std::FILE* f = std::fopen(name, "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string folderPath;  // removed at exit
void RemoveFolder() { std::filesystem::remove_all(folderPath); }

// A private folder with a few files the lists can name: good and bad TGAs.
// Lists are loaded inside it; libFuzzer reads its inputs in between, from
// the folder it was started in. Returns the folder's descriptor.
int MakeFolder() {
  char dir[] = "/tmp/quillmar-fuzz-XXXXXX";
  const int home = open(".", O_RDONLY | O_DIRECTORY);
  if (mkdtemp(dir) == nullptr || chdir(dir) != 0) std::abort();
  folderPath = dir;
  std::atexit(RemoveFolder);
  std::string tga(18, '\0');
  tga[2] = 2, tga[12] = 1, tga[14] = 1, tga[16] = 24;
  Write("a.tga", tga + "abc");
  Write("b", tga + "xyz");
  Write("short.tga", tga);
  Write("x", "not an image");
  const int folder = open(".", O_RDONLY | O_DIRECTORY);
  if (home < 0 || folder < 0 || fchdir(home) != 0) std::abort();
  close(home);
  return folder;
}

TextureTable table;  // kept across inputs, as across loads in one session
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::FILE* sink = std::fopen("/dev/null", "w");
  static const int folder = MakeFolder();
  SetConsole(nullptr, sink);
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
  if (file == nullptr) return 0;  // fmemopen refuses empty buffers
  TextureBackend backend;
  backend.upload = Upload;
  backend.release = Release;
  backend.enableTexGen = TexGen;
  const int home = open(".", O_RDONLY | O_DIRECTORY);
  if (home < 0 || fchdir(folder) != 0) std::abort();
  LoadTextureList(file, table, backend);
  if (fchdir(home) != 0) std::abort();
  close(home);

  std::set<unsigned> held;
  for (int slot = 0; slot < kTextureSlots; ++slot) {
    const unsigned name = table.names[slot];
    if ((name != 0) != !table.files[slot].empty() || (slot == 0 && name != 0)) std::abort();
    if (table.files[slot].size() > kMaxTextureName) std::abort();
    if (name != 0 && (!live.count(name) || !held.insert(name).second)) std::abort();
  }
  if (held != live) std::abort();
  return 0;
}

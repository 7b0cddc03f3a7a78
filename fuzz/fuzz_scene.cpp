// libFuzzer entry point for the scene file reader: any bytes must load
// without a crash, a hang or a broken object list.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "base/console.h"
#include "io/scene_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::FILE* sink = std::fopen("/dev/null", "w");
  SetConsole(nullptr, sink);
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
  if (file == nullptr) return 0;  // fmemopen refuses empty buffers
  ObjectList list;
  int loaded = ReadScene(list, file);
  std::fclose(file);

  int seen = 0;
  const SceneObject* previous = nullptr;
  for (const SceneObject* o = list.first; o != nullptr; o = o->next, ++seen) {
    if (o->prev != previous || o->id != seen) std::abort();
    previous = o;
  }
  if (seen != loaded || list.last != previous || list.current != list.first) std::abort();
  return 0;
}

// libFuzzer entry point for the journal reader: any bytes must replay
// without a crash or a hang, to nothing at all or to a sound object list
// (linked both ways, counted, ids unique) that saves.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "io/journal.h"
#include "io/scene_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  JournalScene scene;
  const bool whole = ReplayJournal(data, size, scene);
  int seen = 0;
  std::set<std::int32_t> ids;
  const SceneObject* previous = nullptr;
  for (const SceneObject* o = scene.objects.first; o != nullptr; o = o->next, ++seen) {
    if (o->prev != previous || !ids.insert(o->id).second) std::abort();
    previous = o;
  }
  if (seen != scene.objects.count || scene.objects.last != previous || (!whole && seen != 0)) {
    std::abort();
  }
  static std::FILE* sink = std::fopen("/dev/null", "w");
  if (!WriteScene(scene.objects, sink)) std::abort();
  return 0;
}

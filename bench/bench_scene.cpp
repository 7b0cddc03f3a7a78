// Scene file reading against its floor: the same numbers parsed with
// fscanf alone. The ratio of the two is the cost of tokens, the object list
// and the printed descriptions (sent to /dev/null).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "base/console.h"
#include "io/scene_file.h"

namespace {
constexpr int kObjects = 10000;

std::string MakeScene() {
  ObjectList list;
  for (int i = 0; i < kObjects; ++i) {
    SceneObject* o = CreateObject(list);
    o->position = {i * 0.01f, -i * 0.02f, 1.5f};
    o->rotation = {static_cast<float>(i % 360), 0, 45};
  }
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* file = open_memstream(&buffer, &size);
  for (const SceneObject* o = list.first; o != nullptr; o = o->next) {
    std::fputs("nextObject\n", file);
    WriteObject(*o, file);
  }
  std::fputs("EOF", file);
  std::fclose(file);
  std::string text(buffer, size);
  free(buffer);
  return text;
}

const std::string& Scene() {
  static const std::string text = MakeScene();
  return text;
}

void BM_ReadScene(benchmark::State& state) {
  std::FILE* sink = std::fopen("/dev/null", "w");
  SetConsole(nullptr, sink);
  for (auto _ : state) {
    std::FILE* file = fmemopen(const_cast<char*>(Scene().data()), Scene().size(), "r");
    ObjectList list;
    benchmark::DoNotOptimize(ReadScene(list, file));
    std::fclose(file);
  }
  SetConsole(nullptr, nullptr);
  std::fclose(sink);
  state.SetItemsProcessed(state.iterations() * kObjects);
}

// The floor: 12 floats per object read with fscanf, skipping the keyword,
// shape and flag tokens.
void BM_FscanfFloor(benchmark::State& state) {
  for (auto _ : state) {
    std::FILE* file = fmemopen(const_cast<char*>(Scene().data()), Scene().size(), "r");
    float v[12];
    char shape, flag;
    int objects = 0;
    while (std::fscanf(file, "%*s %f %f %f %f %f %f %f %f %f %c %c %f %f %f", &v[0], &v[1], &v[2],
                       &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &shape, &flag, &v[9], &v[10],
                       &v[11]) == 14) {
      ++objects;
    }
    benchmark::DoNotOptimize(objects);
    std::fclose(file);
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}

void BM_SaveScene(benchmark::State& state) {
  ObjectList list;
  for (int i = 0; i < kObjects; ++i) CreateObject(list);
  for (auto _ : state) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    for (const SceneObject* o = list.first; o != nullptr; o = o->next) WriteObject(*o, file);
    std::fclose(file);
    free(buffer);
  }
  state.SetItemsProcessed(state.iterations() * kObjects);
}
}  // namespace

BENCHMARK(BM_FscanfFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadScene)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveScene)->Unit(benchmark::kMillisecond);

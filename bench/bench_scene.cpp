// Scene files at 1,000,000 objects (QUILLMAR_BENCH_OBJECTS sets another
// count): the editor's buffered reader and writer against the formatted
// fscanf / fprintf code they replaced, kept as the baseline in
// tests/formatted_scene.h. Real files in a temporary folder
// (QUILLMAR_BENCH_DIR, default /tmp); while loading, the console goes to a
// file, as when the editor's output is redirected (argument 1), or to
// /dev/null (argument 0), which leaves the program's own work.
// Every iteration loads (or saves) once each way in turn, so both ways share
// the machine's load of the moment; the counters are the medians and their
// ratios. After timing, both ways must give the same bytes (console and
// file); the memory each object takes is measured while the scene is built.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/console.h"
#include "base/file.h"
#include "bench/timing.h"
#include "io/scene_file.h"
#include "tests/formatted_scene.h"

namespace {
int Objects() {
  const char* count = std::getenv("QUILLMAR_BENCH_OBJECTS");
  return count != nullptr ? std::atoi(count) : 1000000;
}

// A mix of shapes, styles and appearances, with the kind of numbers an
// edited scene holds.
void BuildScene(ObjectList& list, int objects) {
  for (int i = 0; i < objects; ++i) {
    SceneObject* o = CreateObject(list);
    o->size = {1 + (i % 7) * 0.25f, 1 + (i % 3) * 0.1f, 0.5f + (i % 5) * 0.3f};
    o->rotation = {static_cast<float>(i % 360), static_cast<float>(i * 7 % 360), 0};
    o->position = {(i % 1000) * 0.1f - 50, (i / 1000) * 0.1f, -(i % 13) * 1.5f};
    o->shape = "csy"[i % 3];
    o->solid = static_cast<char>(i % 4 != 0);
    switch (i % 3) {
      case 0: o->red = (i % 10) * 0.1f, o->green = 0.5f, o->blue = 0.25f; break;
      case 1: o->red = 0, o->green = -static_cast<float>(i % 6 + 1), o->blue = 0; break;
      default: o->red = -static_cast<float>(i % 5 + 1), o->green = 0, o->blue = 0; break;
    }
  }
}

std::size_t HeapInUse() {
  struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

// The temporary folder, its scene file and its console file.
struct Folder {
  std::string path;
  Folder() {
    const char* where = std::getenv("QUILLMAR_BENCH_DIR");
    std::string pattern = std::string(where != nullptr ? where : "/tmp") + "/quillmar-bench-XXXXXX";
    path = mkdtemp(pattern.data());
    // The first scene of the process: the object memory is all new here.
    std::size_t heap = HeapInUse();
    ObjectList list;
    BuildScene(list, Objects());
    bytesPerObject = double(HeapInUse() - heap) / Objects();
    WriteFileSafely(Scene(), [&](std::FILE* file) { return WriteScene(list, file); });
  }
  ~Folder() {
    for (const char* name : {"/in.scene", "/out.scene", "/console.txt", "/linked.scene", "/link.scene"}) {
      std::remove((path + name).c_str());
    }
    rmdir(path.c_str());
  }
  std::string Scene() const { return path + "/in.scene"; }
  std::string Output() const { return path + "/out.scene"; }
  std::string Console() const { return path + "/console.txt"; }
  double bytesPerObject = 0;  // heap taken per object of the scene
};

const Folder& Files() {
  static const Folder folder;
  return folder;
}

std::string Bytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The formatted load as the editor did it.
bool FormattedLoad(ObjectList& list, const std::string& fileName) {
  Print("loading %s\n", fileName.c_str());
  std::FILE* file = OpenInputFile(fileName, "r");
  if (file == nullptr) return false;
  int loaded = formatted::ReadScene(list, file, ConsoleOut());
  std::fclose(file);
  Print("Objects loaded: %d\n\n\n", loaded);
  return true;
}

// One load with the console going to the console file or to /dev/null.
template <typename Load>
void LoadOnce(Load load, ObjectList& list, bool toFile = true) {
  std::FILE* console = std::fopen(toFile ? Files().Console().c_str() : "/dev/null", "w");
  SetConsole(nullptr, console);
  load(list, Files().Scene());
  SetConsole(nullptr, nullptr);
  std::fclose(console);
}

// The names of the two ways and of their ratio in the counters.
struct Ways {
  std::string first = "formatted", second = "buffered", ratio = "speedup";
};

// Runs the formatted and the buffered way once each per iteration and
// reports their medians in ms and the formatted over the buffered median,
// by wall time ("speedup") and by the thread's CPU time, kernel included
// ("speedup_cpu").
// `prepare` runs untimed before each way.
template <typename Formatted, typename Buffered, typename Prepare>
void InTurn(benchmark::State& state, Formatted formatted, Buffered buffered, Prepare prepare,
            const Ways& ways = {}) {
  std::vector<double> wall[2], cpu[2];
  for (auto _ : state) {
    for (int way = 0; way < 2; ++way) {
      state.PauseTiming();
      prepare();
      state.ResumeTiming();
      double wall0 = Seconds(CLOCK_MONOTONIC), cpu0 = Seconds(CLOCK_THREAD_CPUTIME_ID);
      if (way == 0) formatted(); else buffered();
      wall[way].push_back(Seconds(CLOCK_MONOTONIC) - wall0);
      cpu[way].push_back(Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu0);
    }
  }
  state.counters[ways.first + "_ms"] = Median(wall[0]) * 1e3;
  state.counters[ways.second + "_ms"] = Median(wall[1]) * 1e3;
  state.counters[ways.first + "_cpu_ms"] = Median(cpu[0]) * 1e3;
  state.counters[ways.second + "_cpu_ms"] = Median(cpu[1]) * 1e3;
  state.counters[ways.ratio] = Median(wall[0]) / Median(wall[1]);
  state.counters[ways.ratio + "_cpu"] = Median(cpu[0]) / Median(cpu[1]);
}

void BM_Load(benchmark::State& state) {
  Files();
  bool toFile = state.range(0) != 0;
  auto load = [toFile](auto way) {
    return [way, toFile] {
      ObjectList list;
      LoadOnce(way, list, toFile);
      benchmark::DoNotOptimize(list.count);
    };
  };
  // Emptying the last load's console file is left out of the time: the
  // editor's console is open before it loads.
  auto empty = [toFile] {
    if (toFile) std::fclose(std::fopen(Files().Console().c_str(), "w"));
  };
  InTurn(state, load(FormattedLoad), load(LoadScene), empty);
  state.counters["heap_bytes_per_object"] = Files().bytesPerObject;

  // Checked after timing: the same console bytes.
  ObjectList list;
  LoadOnce(LoadScene, list);
  std::string ours = Bytes(Files().Console());
  ObjectList again;
  LoadOnce(FormattedLoad, again);
  if (ours != Bytes(Files().Console())) state.SkipWithError("console output differs");
}

template <typename Write>
void SaveOnce(Write write, const ObjectList& list) {
  std::FILE* file = std::fopen(Files().Output().c_str(), "w");
  write(list, file);
  std::fclose(file);
}

void FormattedWrite(const ObjectList& list, std::FILE* file) { formatted::WriteScene(list, file); }

void BM_Save(benchmark::State& state) {
  Files();
  ObjectList list;
  BuildScene(list, Objects());
  InTurn(state, [&] { SaveOnce(FormattedWrite, list); }, [&] { SaveOnce(WriteScene, list); },
         [] { std::fclose(std::fopen(Files().Output().c_str(), "w")); });
  SaveOnce(WriteScene, list);
  std::string ours = Bytes(Files().Output());
  SaveOnce(FormattedWrite, list);
  if (ours != Bytes(Files().Output())) state.SkipWithError("scene file differs");
}
// A save that must rewrite the file in place, as it has a second hard link
// (it counts the bytes first, copies the old file to a backup beside it and
// writes over it), against one that writes a new file and renames it over
// the old. Both files hold the scene already, as when a scene is saved again.
void BM_SaveInPlace(benchmark::State& state) {
  Files();
  ObjectList list;
  BuildScene(list, Objects());
  const std::string linked = Files().path + "/linked.scene";
  auto save = [&list](const std::string& name) {
    return [&list, name] { WriteFileSafely(name, [&](std::FILE* file) { return WriteScene(list, file); }); };
  };
  save(linked)();
  save(Files().Output())();
  const std::string second = Files().path + "/link.scene";
  unlink(second.c_str());
  if (link(linked.c_str(), second.c_str()) != 0) return state.SkipWithError("no hard link");
  InTurn(state, save(linked), save(Files().Output()), [] {}, {"in_place", "replace", "cost"});
  if (Bytes(linked) != Bytes(Files().Output())) state.SkipWithError("scene file differs");
}
}  // namespace

BENCHMARK(BM_Load)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveInPlace)->Unit(benchmark::kMillisecond)->UseRealTime();

// Exporting large scenes, against the floor of saving the same scene in its
// own text format (SaveScene: read nothing, write every object's block).
// Every format's run reads the scene file, builds the meshes and writes
// the output to disk, so the ratio to the save is the cost of the
// triangles. Two scenes: 100,000 objects of the default shape (cubes, 12
// triangles each) in all three appearances, and 10,000 objects cycling
// through cube, cylinder and sphere (4.4 million triangles).
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "export/export.h"
#include "io/scene_file.h"

namespace {
namespace fs = std::filesystem;

// The scenes and outputs live in a folder of their own, removed at exit.
struct BenchFolder {
  fs::path path = fs::temp_directory_path() / ("quillmar-bench-" + std::to_string(getpid()));
  BenchFolder() { fs::create_directories(path); }
  ~BenchFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
} g_folder;
const fs::path& Folder() { return g_folder.path; }

// Objects placed apart, turned, in a plain colour, a preset or texture 1.
void Fill(ObjectList& list, int count, const char* shapes) {
  for (int i = 0; i < count; ++i) {
    SceneObject* o = CreateObject(list);
    o->shape = shapes[i % std::char_traits<char>::length(shapes)];
    o->solid = static_cast<char>(i % 2);
    o->size = {1 + (i % 3) * 0.5f, 1, 0.5f};
    o->rotation = {static_cast<float>(i % 360), 0, 45};
    o->position = {(i % 100) * 3.0f, (i / 100 % 100) * 3.0f, (i / 10000) * 3.0f};
    float codes[3][3] = {{0.5f, 0.2f, 0.3f}, {-1, 0, 0}, {0, -2, 0}};
    o->red = codes[i % 3][0];
    o->green = codes[i % 3][1];
    o->blue = codes[i % 3][2];
  }
}

// Writes the scene file with its texture list and an 8 x 8 texture.
std::string MakeScene(const std::string& name, int count, const char* shapes) {
  std::string scene = (Folder() / name).string();
  ObjectList list;
  Fill(list, count, shapes);
  SaveScene(list, scene);
  std::string tga = (Folder() / "bench.tga").string();
  std::FILE* file = std::fopen(tga.c_str(), "wb");
  unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 8, 0, 24, 0};
  std::fwrite(header, 1, sizeof header, file);
  for (int i = 0; i < 64; ++i) std::fputs(i % 2 ? "\xff\x80\x00" : "\x10\x20\x30", file);
  std::fclose(file);
  file = std::fopen((scene + ".tex").c_str(), "w");
  std::fprintf(file, "%s\n", tga.c_str());
  std::fclose(file);
  return scene;
}

const std::string& Cubes() {
  static const std::string scene = MakeScene("cubes.scene", 100000, "c");
  return scene;
}
const std::string& Mixed() {
  static const std::string scene = MakeScene("mixed.scene", 10000, "cys");
  return scene;
}

std::size_t FileSize(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? static_cast<std::size_t>(info.st_size) : 0;
}

void BM_SaveScene(benchmark::State& state, const std::string& (*scene)(), int count,
                  const char* shapes) {
  scene();
  ObjectList list;
  Fill(list, count, shapes);
  std::string out = (Folder() / "saved.scene").string();
  for (auto _ : state) benchmark::DoNotOptimize(SaveScene(list, out));
  state.counters["MB"] = FileSize(out) / 1e6;
}

void BM_Export(benchmark::State& state, const std::string& (*scene)(), const char* extension) {
  std::string out = (Folder() / (std::string("out") + extension)).string();
  std::string error;
  for (auto _ : state) {
    if (!ExportScene(scene(), out, error)) state.SkipWithError(error.c_str());
  }
  state.counters["MB"] = FileSize(out) / 1e6;
  fs::remove(out);
}
}  // namespace

BENCHMARK_CAPTURE(BM_SaveScene, cubes_100k, Cubes, 100000, "c")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Export, cubes_100k_obj, Cubes, ".obj")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Export, cubes_100k_stl, Cubes, ".stl")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Export, cubes_100k_gltf, Cubes, ".gltf")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Export, cubes_100k_glb, Cubes, ".glb")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_SaveScene, mixed_10k, Mixed, 10000, "cys")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Export, mixed_10k_obj, Mixed, ".obj")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Export, mixed_10k_stl, Mixed, ".stl")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Export, mixed_10k_gltf, Mixed, ".gltf")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_Export, mixed_10k_glb, Mixed, ".glb")->Unit(benchmark::kMillisecond)->Iterations(3);

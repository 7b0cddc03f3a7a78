// Whole frames through the editor's display path (DrawFrame, the editor's
// start-up GL state and example textures) in a 600 x 600 GLUT window: the
// straightforward drawing of every object against retained geometry, against
// retained geometry with culling (what the editor does), and against one
// display list holding the whole frame. Needs an X display; run it through
// bench/bench_frame.sh, which runs it with llvmpipe and with GALLIUM_NOOP=1.
// Each scene's counters are the speed-ups of the paths over the baseline.
#include <GL/glut.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "app/frame.h"
#include "bench/timing.h"
#include "scene/draw.h"

namespace {
const int kCounts[] = {100, 1000, 10000};
const char* const kViews[] = {"in-view", "inside"};
const char* const kPaths[] = {"baseline", "retained", "culled", "one_list"};
constexpr int kOneListMax = 1000;  // the whole-frame list of 10,000 objects takes GBs
bool gRasterising = true;          // false under GALLIUM_NOOP=1

// `count` mixed objects on a cubic lattice: cubes, spheres and cylinders,
// solid and wire, plain, preset and textured. In view, the camera sees the
// whole lattice; inside, the lattice is spread wide around the camera.
void MakeScene(Editor& editor, int count, bool inside) {
  ClearObjects(editor.objects);
  const int side = static_cast<int>(std::ceil(std::cbrt(count)));
  const float spacing = inside ? 2.5f : 1.2f;
  const float half = (side - 1) * spacing / 2;
  for (int i = 0; i < count; ++i) {
    SceneObject* o = CreateObject(editor.objects);
    o->shape = "csy"[i % 3];
    o->solid = i / 3 % 2;
    switch (i / 6 % 3) {
      case 0: o->red = 0.2f + i % 5 * 0.15f, o->green = 0.5f, o->blue = 0.3f; break;
      case 1: o->red = 0, o->green = -static_cast<float>(1 + i % 6), o->blue = 0; break;
      default: o->red = -static_cast<float>(1 + i % 3), o->green = 0, o->blue = 0; break;
    }
    float s = 0.3f + i % 3 * 0.1f;
    o->size = {s, s, s};
    o->rotation = {static_cast<float>(i * 37 % 360), static_cast<float>(i * 53 % 360), 0};
    o->position = {i % side * spacing - half, i / side % side * spacing - half,
                   i / (side * side) * spacing - half};
  }
  editor.objects.current = editor.objects.first;
  // Objects are drawn 5 units along -z from their position.
  editor.camera = Camera{};
  editor.camera.position = {0, 0, inside ? -5.0f : -5 + 4 * (half + 0.5f) + 1};
}

// One scene. Every iteration draws one frame by each path in turn, so all
// paths share the machine's load of the moment; the counters are the
// baseline's median over each path's median, by wall time and by the
// drawing thread's CPU time.
void Frame(benchmark::State& state, int count, bool inside) {
  Editor& editor = TheEditor();
  MakeScene(editor, count, inside);
  GLuint list = 0;
  if (count <= kOneListMax) {
    SetDrawPath(DrawPath::Immediate);
    list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    DrawFrame(editor);
    glEndList();
  }
  const DrawPath paths[] = {DrawPath::Immediate, DrawPath::Retained, DrawPath::Culled};
  const int pathCount = list != 0 ? 4 : 3;
  std::vector<double> wall[4], cpu[4], others[4];
  for (auto _ : state) {
    for (int path = 0; path < pathCount; ++path) {
      double wall0 = Seconds(CLOCK_MONOTONIC), cpu0 = Seconds(CLOCK_THREAD_CPUTIME_ID);
      double process0 = Seconds(CLOCK_PROCESS_CPUTIME_ID);
      if (path == 3) {
        glCallList(list);
      } else {
        SetDrawPath(paths[path]);
        DrawFrame(editor);
      }
      glFinish();
      wall[path].push_back(Seconds(CLOCK_MONOTONIC) - wall0);
      cpu[path].push_back(Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu0);
      // The driver's own threads (llvmpipe's rasterisers; none without rasterising).
      others[path].push_back(Seconds(CLOCK_PROCESS_CPUTIME_ID) - process0 - cpu[path].back());
    }
  }
  if (list != 0) glDeleteLists(list, 1);
  SetDrawPath(DrawPath::Culled);
  for (int path = 1; path < pathCount; ++path) {
    state.counters[kPaths[path]] = Median(wall[0]) / Median(wall[path]);
    state.counters[std::string(kPaths[path]) + "_cpu"] = Median(cpu[0]) / Median(cpu[path]);
  }
  // Where the culled frame's time goes: the share of its CPU time spent in
  // the driver's rasterising threads, and their work against the baseline's
  // (about 1 when both rasterise the same visible objects).
  const double culledOthers = std::max(Median(others[2]), 0.0);
  if (gRasterising && culledOthers > 0 && Median(others[0]) > 0) {
    state.counters["culled_raster_share"] = culledOthers / (culledOthers + Median(cpu[2]));
    state.counters["culled_raster_vs_base"] = culledOthers / Median(others[0]);
  }
  const int w = editor.windowWidth, h = editor.windowHeight;
  Frustum frustum = MakeFrustum(ProjectionMatrix(w, h), ViewMatrix(editor.camera), w, h);
  int shown = 0;
  for (const SceneObject* o = editor.objects.first; o != nullptr; o = o->next) {
    shown += MayBeVisible(*o, frustum);
  }
  state.counters["drawn"] = shown;
}
}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "bench_frame needs an X display (see bench/bench_frame.sh)\n");
    return 1;
  }
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH | GLUT_MULTISAMPLE);
  glutInitWindowSize(600, 600);
  glutCreateWindow("frame benchmark");
  // The editor's own start-up, with the example scene's three textures.
  if (chdir(QUILLMAR_SOURCE_DIR "/examples") != 0) return 1;
  InitScene("init.scene");
  OnReshape(600, 600);
  const char* noop = std::getenv("GALLIUM_NOOP");
  gRasterising = !(noop != nullptr && *noop == '1');
  std::printf("GL renderer: %s%s\n", glGetString(GL_RENDERER),
              gRasterising ? "" : " (GALLIUM_NOOP=1: no rasterising)");

  for (int count : kCounts) {
    for (const char* view : kViews) {
      std::string name = std::string("Frame/") + view + "/" + std::to_string(count);
      benchmark::RegisterBenchmark(name.c_str(), Frame, count, view == kViews[1])
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}


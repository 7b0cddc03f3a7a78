// Whole frames through the editor's display path (DrawFrame, the editor's
// start-up GL state and example textures) in a 600 x 600 GLUT window: the
// straightforward drawing of every object against retained geometry, against
// retained geometry with culling (what the editor does), and against one
// display list holding the whole frame. Needs an X display; run it through
// bench/bench_frame.sh, which runs it with llvmpipe and with GALLIUM_NOOP=1.
// After the timings it prints each path's speed-up over the baseline.
#include <GL/glut.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/frame.h"
#include "scene/draw.h"

namespace {
const int kCounts[] = {100, 1000, 10000};
const char* const kViews[] = {"in-view", "inside"};
const char* const kPaths[] = {"baseline", "retained", "culled", "one-list"};
constexpr int kOneListMax = 1000;  // the whole-frame list of 10,000 objects takes GBs

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

void Frame(benchmark::State& state, int count, bool inside, int path) {
  Editor& editor = TheEditor();
  MakeScene(editor, count, inside);
  const DrawPath paths[] = {DrawPath::Immediate, DrawPath::Retained, DrawPath::Culled,
                            DrawPath::Immediate};
  SetDrawPath(paths[path]);
  GLuint list = 0;
  if (path == 3) {
    list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    DrawFrame(editor);
    glEndList();
  }
  for (auto _ : state) {
    if (list != 0) glCallList(list);
    else DrawFrame(editor);
    glFinish();
  }
  if (list != 0) glDeleteLists(list, 1);
  SetDrawPath(DrawPath::Culled);
  const int w = editor.windowWidth, h = editor.windowHeight;
  Frustum frustum = MakeFrustum(ProjectionMatrix(w, h), ViewMatrix(editor.camera), w, h);
  int shown = 0;
  for (const SceneObject* o = editor.objects.first; o != nullptr; o = o->next) {
    shown += MayBeVisible(*o, frustum);
  }
  state.counters["drawn"] = shown;
}

// Prints as the console reporter does and keeps each benchmark's fastest
// repetition, in wall time and in the drawing thread's CPU time, for the
// speed-up tables.
class Reporter : public benchmark::ConsoleReporter {
 public:
  Reporter() : ConsoleReporter(OO_Tabular) {}
  std::map<std::string, double> wall, cpu;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration) continue;
      Keep(wall, run.run_name.function_name, run.GetAdjustedRealTime());
      Keep(cpu, run.run_name.function_name, run.GetAdjustedCPUTime());
    }
    ConsoleReporter::ReportRuns(runs);
  }

 private:
  static void Keep(std::map<std::string, double>& best, const std::string& name, double ms) {
    auto it = best.find(name);
    if (it == best.end() || ms < it->second) best[name] = ms;
  }
};

// Baseline time over each path's time, per scene.
void PrintSpeedUps(const std::map<std::string, double>& ms);

std::string Name(const char* view, int count, const char* path) {
  return std::string("Frame/") + view + "/" + std::to_string(count) + "/" + path;
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
  InitScene();
  OnReshape(600, 600);
  const char* noop = std::getenv("GALLIUM_NOOP");
  std::printf("GL renderer: %s%s\n", glGetString(GL_RENDERER),
              noop != nullptr && *noop == '1' ? " (GALLIUM_NOOP=1: no rasterising)" : "");

  for (int count : kCounts) {
    for (int view = 0; view < 2; ++view) {
      for (int path = 0; path < 4; ++path) {
        if (path == 3 && count > kOneListMax) continue;
        benchmark::RegisterBenchmark(Name(kViews[view], count, kPaths[path]).c_str(), Frame, count,
                                     view == 1, path)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
      }
    }
  }
  Reporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\nSpeed-up over the baseline, wall time (fastest repetition of each):\n");
  PrintSpeedUps(reporter.wall);
  std::printf("\nThe same by the drawing thread's CPU time (the whole cost with GALLIUM_NOOP=1,\n"
              "and steadier than wall time on a busy machine):\n");
  PrintSpeedUps(reporter.cpu);
  return 0;
}

namespace {
void PrintSpeedUps(const std::map<std::string, double>& ms) {
  std::printf("%-10s %7s %10s %10s %10s\n", "view", "objects", "retained", "culled", "one-list");
  for (const char* view : kViews) {
    for (int count : kCounts) {
      auto base = ms.find(Name(view, count, "baseline"));
      if (base == ms.end()) continue;
      std::printf("%-10s %7d", view, count);
      for (int path = 1; path < 4; ++path) {
        auto it = ms.find(Name(view, count, kPaths[path]));
        if (it == ms.end()) std::printf(" %10s", "-");
        else std::printf(" %9.2fx", base->second / it->second);
      }
      std::printf("\n");
    }
  }
}
}  // namespace

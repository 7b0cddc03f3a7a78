// Edits in small and huge scenes: selecting (Page Up / Page Down), editing
// (arrows), creating (Ctrl+N) and deleting (Ctrl+W) through the editor's key
// handlers, with 10 and with 1,000,000 objects (QUILLMAR_BENCH_OBJECTS sets
// the larger count). A key that walked the list would cost 100,000 times
// more in the larger scene; compare each pair of lines. Selecting every
// object (Ctrl+A) and editing them all must walk them: for those, compare
// the time per object ("per_object").
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "base/console.h"
#include "input/commands.h"

namespace {
int LargeScene() {
  const char* count = std::getenv("QUILLMAR_BENCH_OBJECTS");
  return count != nullptr ? std::atoi(count) : 1000000;
}

// An editor holding `objects` cubes with the middle one selected; console
// output is thrown away.
std::unique_ptr<Editor> MakeEditor(int objects) {
  auto editor = std::make_unique<Editor>();
  ObjectList& list = editor->objects;
  for (int i = 0; i < objects; ++i) {
    SceneObject* o = CreateObject(list);
    if (i == objects / 2) list.current = o;
  }
  static std::FILE* sink = std::fopen("/dev/null", "w");
  SetConsole(nullptr, sink);
  return editor;
}

void BM_SelectNextAndBack(benchmark::State& state) {
  auto editor = MakeEditor(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    HandleSpecialKey(*editor, kKeyPageUp);
    HandleSpecialKey(*editor, kKeyPageDown);
  }
  benchmark::DoNotOptimize(editor->objects.current);
}

void BM_ResizeAndBack(benchmark::State& state) {
  auto editor = MakeEditor(static_cast<int>(state.range(0)));
  editor->editMode = 's';
  for (auto _ : state) {
    HandleSpecialKey(*editor, kKeyRight);
    HandleSpecialKey(*editor, kKeyLeft);
  }
  benchmark::DoNotOptimize(editor->objects.current->size);
}

void BM_CreateAndDelete(benchmark::State& state) {
  auto editor = MakeEditor(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    HandleKey(*editor, 14);  // Ctrl+N: a new object, selected
    HandleKey(*editor, 23);  // Ctrl+W: deleted; the first is selected
  }
  if (editor->objects.count != state.range(0)) state.SkipWithError("the scene changed size");
}

// Time per object of `keys` pressed on every object of the scene.
void PerObject(benchmark::State& state, void (*keys)(Editor&)) {
  auto editor = MakeEditor(static_cast<int>(state.range(0)));
  editor->editMode = 'p';
  HandleKey(*editor, 1);  // Ctrl+A
  for (auto _ : state) keys(*editor);
  state.counters["per_object"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * static_cast<double>(state.range(0)),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_SelectAll(benchmark::State& state) {
  PerObject(state, [](Editor& editor) { HandleKey(editor, 1); });
}

void BM_MoveEverySelectedAndBack(benchmark::State& state) {
  PerObject(state, [](Editor& editor) {
    HandleSpecialKey(editor, kKeyRight);
    HandleSpecialKey(editor, kKeyLeft);
  });
}
}  // namespace

BENCHMARK(BM_SelectNextAndBack)->Arg(10)->Arg(LargeScene());
BENCHMARK(BM_ResizeAndBack)->Arg(10)->Arg(LargeScene());
BENCHMARK(BM_CreateAndDelete)->Arg(10)->Arg(LargeScene());
BENCHMARK(BM_SelectAll)->Arg(10)->Arg(LargeScene());
BENCHMARK(BM_MoveEverySelectedAndBack)->Arg(10)->Arg(LargeScene());

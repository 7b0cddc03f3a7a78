// The cost of one undoable step must not grow with the scene. Each benchmark
// runs the same keys on a 10-object scene (the baseline) and on a
// 1,000,000-object scene, through the editor's own key handling; the
// "ratio" counter is the large scene's time per step over the small one's,
// measured in the same run (1.0 means no growth).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

#include "base/console.h"
#include "input/commands.h"

namespace {
// An editor holding `objects` default objects, the middle one current.
std::unique_ptr<Editor> MakeEditor(int objects) {
  auto editor = std::make_unique<Editor>();
  SceneObject* middle = nullptr;
  for (int i = 0; i < objects; ++i) {
    SceneObject* o = CreateObject(editor->objects);
    if (i == objects / 2) middle = o;
  }
  editor->objects.current = middle;
  return editor;
}

Editor& Small() {
  static std::unique_ptr<Editor> editor = MakeEditor(10);
  return *editor;
}

Editor& Large() {
  static std::unique_ptr<Editor> editor = MakeEditor(1000000);
  return *editor;
}

// Seconds per call of `step` on `editor`, over `rounds` calls.
double TimePerStep(Editor& editor, const std::function<void(Editor&)>& step, int rounds) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) step(editor);
  std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  return spent.count() / rounds;
}

// Runs `step` alternately on both scenes and reports both times and the ratio.
void Compare(benchmark::State& state, const std::function<void(Editor&)>& step) {
  std::FILE* sink = std::fopen("/dev/null", "w");
  SetConsole(nullptr, sink);
  Editor& small = Small();
  Editor& large = Large();
  constexpr int kRounds = 2000;
  double smallTotal = 0, largeTotal = 0;
  for (auto _ : state) {
    smallTotal += TimePerStep(small, step, kRounds);
    largeTotal += TimePerStep(large, step, kRounds);
  }
  state.counters["small_ns"] = smallTotal / state.iterations() * 1e9;
  state.counters["large_ns"] = largeTotal / state.iterations() * 1e9;
  state.counters["ratio"] = largeTotal / smallTotal;
  SetConsole(nullptr, nullptr);
  std::fclose(sink);
}

// An arrow press that records a step, then its undo and redo (the redo
// ends the run, so the next press records a new step).
void EditUndoRedo(Editor& editor) {
  HandleSpecialKey(editor, kKeyRight);
  HandleKey(editor, 26);
  HandleKey(editor, 25);
}

// Deleting an object in the middle of the list, then putting it back.
void DeleteUndo(Editor& editor) {
  HandleKey(editor, 23);
  HandleKey(editor, 26);  // the deleted object is current again
}

// A duplicate appended at the end, its undo and redo.
void DuplicateUndoRedo(Editor& editor) {
  HandleKey(editor, 4);
  HandleKey(editor, 26);
  HandleKey(editor, 25);
  HandleKey(editor, 26);
}
}  // namespace

static void BM_EditStep(benchmark::State& state) { Compare(state, EditUndoRedo); }
static void BM_DeleteStep(benchmark::State& state) { Compare(state, DeleteUndo); }
static void BM_DuplicateStep(benchmark::State& state) { Compare(state, DuplicateUndoRedo); }
BENCHMARK(BM_EditStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DuplicateStep)->Unit(benchmark::kMillisecond);

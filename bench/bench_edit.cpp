// Edits in small and huge scenes: selecting (Page Up / Page Down), editing
// (arrows), creating (Ctrl+N) and deleting (Ctrl+W) through the editor's key
// handlers, with 10 and with 1,000,000 objects (QUILLMAR_BENCH_OBJECTS sets
// the larger count). A key that walked the list would cost 100,000 times
// more in the larger scene; compare each pair of lines. Selecting every
// object (Ctrl+A) and editing them all must walk them: for those, compare
// the time per object ("per_object").
//
// BM_JournalCost times the same edits with the edit journal on against off,
// in turn (QUILLMAR_BENCH_DIR holds the journal, default /tmp);
// BM_JournalSync what forcing a journal to disk costs (bench/README.md).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/quit.h"
#include "base/console.h"
#include "bench/timing.h"
#include "input/commands.h"
#include "io/scene_file.h"

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

// A folder for journals, removed with what is left in it.
struct JournalFolder {
  std::string path;
  JournalFolder() {
    const char* where = std::getenv("QUILLMAR_BENCH_DIR");
    std::string pattern = std::string(where != nullptr ? where : "/tmp") + "/quillmar-journal-XXXXXX";
    path = mkdtemp(pattern.data());
  }
  ~JournalFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

// A key as the window's callback handles it (app/frame.cpp) but for GLUT's
// own calls: within the event's lock the command, then the end of the event,
// where the journal learns whether the scene is unsaved and the console is
// flushed.
template <typename Command>
void Event(Editor& editor, Command command) {
  EditingEvent event;
  command();
  editor.journal.NoteUnsaved(editor.unsaved);
  FlushConsole();
}

// One batch of edits as a user makes them: arrow presses (size, then
// position), and a new object deleted again. Returns the thread's CPU time
// per key in ns.
double EditBatch(Editor& editor) {
  constexpr int kPresses = 200;
  const double start = Seconds(CLOCK_THREAD_CPUTIME_ID);
  for (int i = 0; i < kPresses; ++i) {
    editor.editMode = i % 40 < 20 ? 's' : 'p';
    Event(editor, [&] { HandleSpecialKey(editor, i % 2 == 0 ? kKeyRight : kKeyLeft); });
  }
  Event(editor, [&] { HandleKey(editor, 14); });
  Event(editor, [&] { HandleKey(editor, 23); });
  return (Seconds(CLOCK_THREAD_CPUTIME_ID) - start) * 1e9 / (kPresses + 2);
}

// The same edits in two editors of the same scene, one journaling, timed in
// turn batch by batch so both share the machine's load; counters: each
// one's median ns per key, their ratio, and the journal's bytes per key.
void BM_JournalCost(benchmark::State& state) {
  auto plain = MakeEditor(static_cast<int>(state.range(0)));
  auto journaled = MakeEditor(static_cast<int>(state.range(0)));
  JournalFolder folder;
  if (!journaled->journal.Start(folder.path, journaled->history, journaled->objects,
                                journaled->textures)) {
    state.SkipWithError("no journal");
    return;
  }
  const std::size_t base = journaled->journal.Bytes();
  std::vector<double> off, on;
  for (auto _ : state) {
    off.push_back(EditBatch(*plain));
    on.push_back(EditBatch(*journaled));
  }
  state.counters["off_ns"] = Median(off);
  state.counters["on_ns"] = Median(on);
  state.counters["on_vs_off"] = Median(on) / Median(off);
  state.counters["bytes_per_key"] =
      double(journaled->journal.Bytes() - base) / (on.size() * 202.0);
  journaled->journal.Remove();
}

// Forcing a journal to disk as its sync thread does after a burst of edits
// (15 arrow presses, half a second of a held key), against the least any
// forced write costs: 64 bytes written to a file and forced to disk, in
// turn. Counters: the medians in ms and their ratio.
void BM_JournalSync(benchmark::State& state) {
  auto editor = MakeEditor(static_cast<int>(state.range(0)));
  JournalFolder folder;
  if (!editor->journal.Start(folder.path, editor->history, editor->objects, editor->textures)) {
    state.SkipWithError("no journal");
    return;
  }
  const int fd = open((folder.path + "/least").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  const int journal = open(editor->journal.Path().c_str(), O_RDONLY | O_CLOEXEC);
  std::vector<double> least, sync;
  const char bytes[64] = {};
  for (auto _ : state) {
    double start = Seconds(CLOCK_MONOTONIC);
    if (write(fd, bytes, sizeof bytes) != sizeof bytes || fdatasync(fd) != 0) state.SkipWithError("write");
    least.push_back(Seconds(CLOCK_MONOTONIC) - start);
    for (int i = 0; i < 15; ++i) HandleSpecialKey(*editor, i % 2 == 0 ? kKeyRight : kKeyLeft);
    start = Seconds(CLOCK_MONOTONIC);
    fdatasync(journal);
    sync.push_back(Seconds(CLOCK_MONOTONIC) - start);
  }
  state.counters["least_ms"] = Median(least) * 1e3;
  state.counters["journal_ms"] = Median(sync) * 1e3;
  state.counters["journal_vs_least"] = Median(sync) / Median(least);
  close(fd);
  close(journal);
  editor->journal.Remove();
}
// Starting a journal afresh (at a save, a load, or start-up) writes the
// whole scene as its base: timed in turn against saving the same scene to a
// file (what the user waits for then). Counters: the medians in ms and the
// base's share of the two together.
void BM_JournalBase(benchmark::State& state) {
  auto editor = MakeEditor(static_cast<int>(state.range(0)));
  for (SceneObject* o = editor->objects.first; o != nullptr; o = o->next) o->position.x = o->id * 0.001f;
  JournalFolder folder;
  if (!editor->journal.Start(folder.path, editor->history, editor->objects, editor->textures)) {
    state.SkipWithError("no journal");
    return;
  }
  std::vector<double> base, save;
  const std::string scene = folder.path + "/saved.scene";
  for (auto _ : state) {
    double start = Seconds(CLOCK_MONOTONIC);
    editor->journal.Restart();
    base.push_back(Seconds(CLOCK_MONOTONIC) - start);
    start = Seconds(CLOCK_MONOTONIC);
    if (!SaveScene(editor->objects, scene)) state.SkipWithError("save");
    save.push_back(Seconds(CLOCK_MONOTONIC) - start);
  }
  state.counters["base_ms"] = Median(base) * 1e3;
  state.counters["save_ms"] = Median(save) * 1e3;
  state.counters["base_share"] = Median(base) / (Median(base) + Median(save));
  editor->journal.Remove();
}
}  // namespace

BENCHMARK(BM_JournalBase)->Arg(LargeScene())->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_JournalCost)->Arg(10)->Arg(LargeScene())->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JournalSync)->Arg(10)->Arg(LargeScene())->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectNextAndBack)->Arg(10)->Arg(LargeScene());
BENCHMARK(BM_ResizeAndBack)->Arg(10)->Arg(LargeScene());
BENCHMARK(BM_CreateAndDelete)->Arg(10)->Arg(LargeScene());
BENCHMARK(BM_SelectAll)->Arg(10)->Arg(LargeScene());
BENCHMARK(BM_MoveEverySelectedAndBack)->Arg(10)->Arg(LargeScene());

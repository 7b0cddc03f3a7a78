// Start-up to the first frame: the editor on the example scene against an
// empty freeglut window, timed the same way and interleaved run by run. Each
// program is started with a preloaded library that ends it right after its
// first buffer swap has reached the X server; the time is from fork to exit.
// Reports the median of each and their ratio. The editor also starts on an
// empty scene in the same run: what it adds over the empty window with the
// example scene, and not with the empty one, is the example's first frame.
// Needs an X display.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Milliseconds from fork until `program` exits, run in `dir`. Ends this
// process with status 1 when the program fails.
double TimeToFirstFrame(const char* program, const std::string& dir) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    setenv("HOME", dir.c_str(), 1);
    setenv("XDG_STATE_HOME", dir.c_str(), 1);
    setenv("LD_PRELOAD", QUILLMAR_FIRST_SWAP, 1);
    if (freopen("/dev/null", "w", stdout) == nullptr) _exit(126);
    execl(program, program, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return elapsed.count();
  std::fprintf(stderr, "%s did not reach its first frame (status %d)\n", program, status);
  std::exit(1);  // a broken measurement must fail the smoke run
}

void BM_StartUpToFirstFrame(benchmark::State& state) {
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "bench_frame_startup needs an X display (run it under xvfb-run)\n");
    std::exit(1);
  }
  char pattern[] = "/tmp/quillmar-startup-XXXXXX";
  std::string dir = mkdtemp(pattern);
  char blankPattern[] = "/tmp/quillmar-startup-XXXXXX";
  std::string blank = mkdtemp(blankPattern);
  std::string copy = "cp " QUILLMAR_SOURCE_DIR "/examples/* " + dir + " && : > " + blank +
                     "/init.scene && : > " + blank + "/init.scene.tex";
  if (std::system(copy.c_str()) != 0) std::exit(1);
  std::vector<double> editor, empty, editorBlank;
  for (auto _ : state) {
    editor.push_back(TimeToFirstFrame(QUILLMAR_EDITOR, dir));
    empty.push_back(TimeToFirstFrame(QUILLMAR_EMPTY_WINDOW, dir));
    editorBlank.push_back(TimeToFirstFrame(QUILLMAR_EDITOR, blank));
  }
  std::system(("rm -rf " + dir + " " + blank).c_str());
  state.counters["editor_ms"] = Median(editor);
  state.counters["empty_ms"] = Median(empty);
  state.counters["ratio"] = Median(empty) > 0 ? Median(editor) / Median(empty) : 0;
  state.counters["no_scene_ratio"] = Median(empty) > 0 ? Median(editorBlank) / Median(empty) : 0;
}
BENCHMARK(BM_StartUpToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace

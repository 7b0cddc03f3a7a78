// The command line through the real binary: named scenes, snapshots compared
// with the window, exit statuses and messages.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <stb/stb_image.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "app/options.h"
#include "tests/e2e_support.h"

namespace {
struct ProcessResult {
  int status = -1;
  std::string out, err;
};

// The names in a folder.
std::set<std::string> Listing(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

// What a run is given besides its arguments: limits on the size of the
// files it writes and on its data (heap) memory, and a signal sent once it has begun
// writing (a new name has appeared in its folder).
struct Limits {
  rlim_t fileBytes = RLIM_INFINITY, memoryBytes = RLIM_INFINITY;
  int signal = 0;
};

// Runs the editor binary in `workDir` with `args`, HOME and XDG_STATE_HOME
// inside `workDir`, and DISPLAY set to the test display or unset.
ProcessResult RunQuillmar(const std::string& workDir, const std::vector<std::string>& args, bool display,
                          const Limits& limits = {}) {
  const std::set<std::string> before = limits.signal != 0 ? Listing(workDir) : std::set<std::string>();
  TempDir capture;
  std::string outFile = capture.File("out"), errFile = capture.File("err");
  std::string displayName = display ? TestDisplay() : "";
  pid_t pid = fork();
  if (pid == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0), dup2(out, 1), dup2(err, 2);
    if (chdir(workDir.c_str()) != 0) _exit(126);
    setenv("HOME", workDir.c_str(), 1);
    setenv("XDG_STATE_HOME", (workDir + "/state").c_str(), 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    if (display) setenv("DISPLAY", displayName.c_str(), 1);
    else unsetenv("DISPLAY");
    const rlimit file{limits.fileBytes, limits.fileBytes}, memory{limits.memoryBytes, limits.memoryBytes};
    if (setrlimit(RLIMIT_FSIZE, &file) != 0 || setrlimit(RLIMIT_DATA, &memory) != 0) _exit(126);
    std::vector<char*> argv = {const_cast<char*>(QUILLMAR_BINARY)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(QUILLMAR_BINARY, argv.data());
    _exit(127);
  }
  ProcessResult run;
  int status = 0;
  bool signalled = limits.signal == 0;
  for (int i = 0; i < 6000 && waitpid(pid, &status, WNOHANG) == 0; ++i) {
    if (!signalled && Listing(workDir) != before) signalled = kill(pid, limits.signal) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (i == 5999) {
      ADD_FAILURE() << "still running after 60 s";
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
  }
  EXPECT_TRUE(signalled) << "ended before it wrote anything";
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadFileBytes(outFile);
  run.err = ReadFileBytes(errFile);
  return run;
}

bool Exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// A PNG decoded by an independent reader; also reports its channel count.
Screenshot ReadPng(const std::string& path, int* fileChannels = nullptr) {
  Screenshot image;
  int channels = 0;
  unsigned char* data = stbi_load(path.c_str(), &image.width, &image.height, &channels, 3);
  if (data == nullptr) {
    ADD_FAILURE() << "cannot decode " << path;
    return image;
  }
  if (fileChannels != nullptr) *fileChannels = channels;
  image.rgb.assign(data, data + static_cast<std::size_t>(image.width) * image.height * 3);
  stbi_image_free(data);
  return image;
}

int DifferentPixels(const Screenshot& a, const Screenshot& b) {
  if (a.width != b.width || a.height != b.height) return -1;
  int count = 0;
  for (std::size_t i = 0; i < a.rgb.size(); i += 3) {
    count += a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] || a.rgb[i + 2] != b.rgb[i + 2];
  }
  return count;
}

// The example scene (every shape, solid and wire, colours, presets and
// three textures) as scenes/demo.scene with its list; the images stay in the
// working directory, where the list's names are opened.
void CopyExampleAsNamedScene(const TempDir& dir) {
  RunX("cp " + SourcePath("examples") + "/*.tga " + dir.path());
  RunX("mkdir " + dir.File("scenes"));
  WriteFileBytes(dir.File("scenes/demo.scene"), ReadFileBytes(SourcePath("examples/init.scene")));
  WriteFileBytes(dir.File("scenes/demo.scene.tex"), ReadFileBytes(SourcePath("examples/init.scene.tex")));
}

// AddressSanitizer cannot run under a memory limit (its shadow memory alone exceeds it).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // GCC
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);  // clang
#else
constexpr bool kSanitized = false;
#endif

const char kCubeScene[] = "nextObject\n1 1 1\n0 0 0\n0 0 0\nc \x01\n0.2 0.9 0.3\nEOF";
}  // namespace

TEST(CommandLine, NamedSceneOpensWithItsTexturesAndTheSnapshotEqualsTheWindow) {
  TempDir dir;
  CopyExampleAsNamedScene(dir);
  Screenshot window;
  {
    EditorProcess editor(dir.path(), {"scenes/demo.scene"});
    ASSERT_TRUE(editor.WaitForOutput("Objects loaded: 15\n\n\n"));
    std::string out = editor.Output();
    EXPECT_EQ(out.find("Welcome to Quillmar Modeler."), 0u);
    EXPECT_NE(out.find("loading scenes/demo.scene\n"), std::string::npos);
    EXPECT_NE(out.find("Loading texture checker.tga\nLoading texture bricks.tga\nLoading texture waves.tga\n"),
              std::string::npos);
    window = editor.Shoot();
    // The working directory stays: a save lands beside the images, not in scenes/.
    editor.Keys("ctrl+s");
    editor.Type("saved.scene\n");
    editor.Keys("Escape");
    EXPECT_EQ(editor.WaitExit(), 0);
  }
  EXPECT_TRUE(Exists(dir.File("saved.scene")));
  EXPECT_FALSE(Exists(dir.File("scenes/saved.scene")));

  ProcessResult run = RunQuillmar(dir.path(), {"--snapshot", "snap.png", "scenes/demo.scene"}, true);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
  int channels = 0;
  Screenshot snapshot = ReadPng(dir.File("snap.png"), &channels);
  EXPECT_EQ(channels, 3);
  ASSERT_EQ(window.width, 600);
  ASSERT_EQ(window.height, 600);
  EXPECT_EQ(DifferentPixels(snapshot, window), 0);
}

TEST(CommandLine, MissingSceneIsReportedAndTheEditorStartsEmpty) {
  TempDir dir;
  Screenshot empty;
  {
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.WaitForOutput("Error opening file init.scene!\n"));
    // The axes of the first frame keep GL's first state; from the second on,
    // the state the objects leave. One more frame (Page Down redraws) makes
    // the picture the same however often the window was exposed.
    editor.Keys("Next");
    empty = editor.Shoot();
    editor.ExpectExitOn("Escape");
  }
  WriteFileBytes(dir.File("init.scene"), kCubeScene);  // must not be opened instead
  EditorProcess editor(dir.path(), {"nope.scene"});
  ASSERT_TRUE(editor.WaitForOutput("loading nope.scene\nError opening file nope.scene!\n"));
  EXPECT_EQ(editor.Output().find("init.scene"), std::string::npos);
  editor.Keys("Next");
  EXPECT_EQ(DifferentPixels(editor.Shoot(), empty), 0);
  editor.ExpectExitOn("Escape");
}

TEST(CommandLine, GlutOptionsStillReachGlut) {
  TempDir dir;
  EditorProcess editor(dir.path(), {"-geometry", "320x240+0+0", "-display", TestDisplay()});
  Screenshot shot = editor.Shoot();
  EXPECT_EQ(shot.width, 320);
  EXPECT_EQ(shot.height, 240);
  editor.ExpectExitOn("Escape");
}

TEST(CommandLine, SnapshotAspectFollowsTheSizeBeyondTheScreen) {
  // The test display is 800x700: 1200x600 cannot be a window on it.
  TempDir dir;
  CopyExampleAsNamedScene(dir);
  ASSERT_EQ(RunQuillmar(dir.path(), {"--snapshot", "square.png", "scenes/demo.scene"}, true).status, 0);
  ProcessResult run = RunQuillmar(dir.path(), {"--size", "1200x600", "--snapshot", "wide.png", "scenes/demo.scene"}, true);
  ASSERT_EQ(run.status, 0) << run.err;
  Screenshot square = ReadPng(dir.File("square.png"));
  Screenshot wide = ReadPng(dir.File("wide.png"));
  ASSERT_EQ(wide.width, 1200);
  ASSERT_EQ(wide.height, 600);
  // Same vertical field of view: the middle 600 columns show the square
  // picture (up to rounding along a few edges), the sides only the x axis.
  Screenshot middle;
  middle.width = middle.height = 600;
  for (int y = 0; y < 600; ++y) {
    auto row = wide.rgb.begin() + (static_cast<std::ptrdiff_t>(y) * 1200 + 300) * 3;
    middle.rgb.insert(middle.rgb.end(), row, row + 600 * 3);
  }
  EXPECT_LT(DifferentPixels(middle, square), 600 * 600 / 200);
  int lit = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x : {10, 150, 1050, 1190}) lit += wide.At(x, y).r + wide.At(x, y).g + wide.At(x, y).b > 0;
  }
  EXPECT_LE(lit, 4 * 3);  // the x axis, a line at most three pixels high
}

TEST(CommandLine, ExitStatusesAndMessages) {
  TempDir dir;
  WriteFileBytes(dir.File("cube.scene"), kCubeScene);
  RunX("mkdir " + dir.File("taken.png"));
  const std::string noRecovery = "no recovery file in " + dir.File("state/quillmar");
  const struct {
    std::vector<std::string> args;
    bool display;
    int status;
    const char* errorNames;  // in the one stderr line; null: stderr empty
    const char* noFile;      // must not exist afterwards
  } table[] = {
      {{"--bogus"}, false, 2, "'--bogus'", nullptr},
      {{"--snapshot"}, false, 2, "'--snapshot'", nullptr},
      {{"--snapshot", "o.png", "--size", "5000x10", "cube.scene"}, false, 2, "'--size'", "o.png"},
      {{"a.scene", "b.scene"}, false, 2, "'b.scene'", nullptr},
      {{"--snapshot", "o.png", "cube.scene"}, false, 1, "xvfb-run -a quillmar --snapshot", "o.png"},
      {{"--export", "out.xyz", "cube.scene"}, false, 1, "", "out.xyz"},
      {{"--export", "out.obj", "missing.scene"}, false, 1, "", "out.obj"},
      {{"--snapshot", "o.png", "missing.scene"}, true, 1, "'missing.scene'", "o.png"},
      {{"--snapshot", "no-such-dir/o.png", "cube.scene"}, true, 1, "'no-such-dir/o.png'", nullptr},
      {{"--snapshot", "taken.png", "cube.scene"}, true, 1, "'taken.png'", nullptr},
      {{"--recover"}, true, 1, noRecovery.c_str(), nullptr},
      {{"-display", TestDisplay(), "--snapshot", "o.png", "cube.scene"}, false, 0, nullptr, nullptr},
  };
  for (const auto& row : table) {
    std::string command;
    for (const std::string& arg : row.args) command += " " + arg;
    SCOPED_TRACE(command + (row.display ? " (with display)" : " (no display)"));
    ProcessResult run = RunQuillmar(dir.path(), row.args, row.display);
    EXPECT_EQ(run.status, row.status);
    EXPECT_EQ(run.out, "");
    if (row.errorNames == nullptr) {
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_EQ(run.err.find("quillmar: "), 0u) << run.err;
      EXPECT_NE(run.err.find(row.errorNames), std::string::npos) << run.err;
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;  // exactly one line
      if (row.status == 2) {
        EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
      }
    }
    if (row.noFile != nullptr) {
      EXPECT_FALSE(Exists(dir.File(row.noFile)));
    }
  }
  EXPECT_TRUE(Exists(dir.File("o.png")));  // from the -display row, the last
}

TEST(CommandLine, HelpAndVersion) {
  TempDir dir;
  ProcessResult help = RunQuillmar(dir.path(), {"--help"}, false);
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, UsageText());
  EXPECT_EQ(help.err, "");
  ProcessResult shortHelp = RunQuillmar(dir.path(), {"-h"}, false);
  EXPECT_EQ(shortHelp.out, help.out);
  ProcessResult version = RunQuillmar(dir.path(), {"--version"}, false);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "quillmar " QUILLMAR_VERSION "\n");
  EXPECT_EQ(version.err, "");
}

// A server started without -noreset resets whenever its last client leaves
// and refuses connections for that moment; snapshots taken one after
// another must all connect all the same.
TEST(CommandLine, SnapshotsInARowOnAServerThatResets) {
  XvfbServer server(false);
  TempDir dir;
  WriteFileBytes(dir.File("cube.scene"), kCubeScene);
  // One right after the other, as a shell loop runs them.
  std::string out = RunX("cd " + dir.path() + " && export HOME=" + dir.path() + " XDG_STATE_HOME=" +
                         dir.File("state") + " && for i in $(seq 25); do " QUILLMAR_BINARY " -display " +
                         server.display() + " --snapshot o.png cube.scene 2>&1 || echo failed; done");
  EXPECT_EQ(out, "");
}

// A file-size limit, memory running out or a signal end --export and
// --snapshot cleanly: one line on standard error and status 1 (for a
// signal, no line and the signal's own end), and nothing left behind.
TEST(CommandLine, BatchModesEndCleanlyOnLimitsAndSignals) {
  TempDir dir;
  WriteFileBytes(dir.File("cube.scene"), kCubeScene);
  // 100,000 textured cubes take long enough to export for a signal to arrive midway.
  std::string cubes;
  for (int i = 0; i < 100000; ++i) cubes += "nextObject\n1 1 1\n0 0 0\n" + std::to_string(i) + " 0 0\nc \x01\n-1 0 0\n";
  WriteFileBytes(dir.File("big.scene"), cubes + "EOF");
  RunX("cp " + SourcePath("examples/checker.tga") + " " + dir.path());
  WriteFileBytes(dir.File("big.scene.tex"), "checker.tga\n");
  const std::set<std::string> inputs = Listing(dir.path());
  const rlim_t none = RLIM_INFINITY;
  const struct {
    std::vector<std::string> args;
    bool display;
    Limits limits;
    int status;
    const char* errorNames;  // in the one stderr line; null: stderr empty
  } table[] = {
      {{"--export", "out.obj", "big.scene"}, false, {1 << 20, none, 0}, 1, "'out.obj'"},
      {{"--export", "out.glb", "big.scene"}, false, {1 << 20, none, 0}, 1, "'out.glb'"},
      {{"--snapshot", "o.png", "cube.scene"}, true, {1000, none, 0}, 1, "'o.png'"},
      {{"--export", "out.gltf", "big.scene"}, false, {none, 4 << 20, 0}, 1, "not enough memory"},
      {{"--export", "out.obj", "big.scene"}, false, {none, none, SIGINT}, 128 + SIGINT, nullptr},
      {{"--export", "out.gltf", "big.scene"}, false, {none, none, SIGTERM}, 128 + SIGTERM, nullptr},
      {{"--export", "out.glb", "big.scene"}, false, {none, none, SIGHUP}, 128 + SIGHUP, nullptr},
  };
  for (const auto& row : table) {
    if (kSanitized && row.limits.memoryBytes != none) continue;
    SCOPED_TRACE(row.args[0] + " " + row.args[1] + " signal " + std::to_string(row.limits.signal));
    ProcessResult run = RunQuillmar(dir.path(), row.args, row.display, row.limits);
    EXPECT_EQ(run.status, row.status);
    if (row.errorNames == nullptr) {
      EXPECT_EQ(run.err, "");
    } else {
      EXPECT_EQ(run.err.find("quillmar: "), 0u) << run.err;
      EXPECT_NE(run.err.find(row.errorNames), std::string::npos) << run.err;
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
    EXPECT_EQ(Listing(dir.path()), inputs);
  }
}

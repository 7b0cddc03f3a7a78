#include "app/options.h"

namespace {
// The options GLUT reads itself in glutInit; they are handed on untouched.
struct GlutOption {
  const char* name;
  bool takesValue;
};
const GlutOption kGlutOptions[] = {
    {"-display", true}, {"-geometry", true}, {"-direct", false}, {"-indirect", false},
    {"-iconic", false}, {"-gldebug", false}, {"-sync", false},
};

const GlutOption* FindGlutOption(const std::string& arg) {
  for (const GlutOption& option : kGlutOptions) {
    if (arg == option.name) return &option;
  }
  return nullptr;
}

Options Fail(Options options, const std::string& message) {
  options.action = Options::Action::UsageError;
  options.error = message + "; see 'quillmar --help'";
  return options;
}

// Whole decimal numbers of at most four digits, so no overflow is possible.
bool ParseSide(const std::string& text, int& side) {
  if (text.empty() || text.size() > 4) return false;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > kMaxSnapshotSide) return false;
  side = value;
  return true;
}
}  // namespace

bool ParseSize(const std::string& text, int& width, int& height) {
  std::size_t x = text.find('x');
  int w = 0, h = 0;
  if (x == std::string::npos || !ParseSide(text.substr(0, x), w) || !ParseSide(text.substr(x + 1), h)) {
    return false;
  }
  width = w;
  height = h;
  return true;
}

Options ParseOptions(int argc, const char* const* argv) {
  Options options;
  options.glutArgs.push_back(argc > 0 && argv[0] != nullptr ? argv[0] : "quillmar");
  bool snapshot = false, exportMeshes = false, sizeGiven = false, operandsOnly = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (operandsOnly || arg.size() < 2 || arg[0] != '-') {
      if (!options.scene.empty()) return Fail(options, "more than one scene given ('" + arg + "')");
      if (arg.empty()) return Fail(options, "empty scene name");
      options.scene = arg;
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      options.action = Options::Action::Help;
      return options;
    }
    if (arg == "--version") {
      options.action = Options::Action::Version;
      return options;
    }
    if (arg == "--recover") {
      options.recover = true;
      continue;
    }
    if (const GlutOption* glut = FindGlutOption(arg)) {
      options.glutArgs.push_back(arg);
      if (glut->takesValue) {
        if (i + 1 >= argc) return Fail(options, "option '" + arg + "' needs a value");
        options.glutArgs.push_back(argv[++i]);
        if (arg == "-display") options.display = argv[i];
      }
      continue;
    }

    // Our own long options take their value as the next argument or after '='.
    std::string name = arg, value;
    bool inlineValue = false;
    std::size_t equals = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
      inlineValue = true;
    }
    if (name != "--snapshot" && name != "--export" && name != "--size") {
      return Fail(options, "unknown option '" + name + "'");
    }
    if (!inlineValue) {
      if (i + 1 >= argc) return Fail(options, "option '" + name + "' needs a value");
      value = argv[++i];
    }
    if (value.empty()) return Fail(options, "option '" + name + "' needs a value");
    if (name == "--size") {
      if (!ParseSize(value, options.width, options.height)) {
        return Fail(options, "option '--size' wants WIDTHxHEIGHT, each 1 to " +
                                 std::to_string(kMaxSnapshotSide) + ", not '" + value + "'");
      }
      sizeGiven = true;
      continue;
    }
    if (snapshot || exportMeshes) {
      return Fail(options, "option '" + name + "': give only one of --snapshot and --export");
    }
    (name == "--snapshot" ? snapshot : exportMeshes) = true;
    options.output = value;
  }

  if (sizeGiven && !snapshot) return Fail(options, "option '--size' only goes with --snapshot");
  if (options.recover && (snapshot || exportMeshes || !options.scene.empty())) {
    return Fail(options, "option '--recover' opens a recovery file in the editor: give no SCENE, "
                         "--snapshot or --export with it");
  }
  if ((snapshot || exportMeshes) && options.scene.empty()) {
    return Fail(options, std::string("option '") + (snapshot ? "--snapshot" : "--export") +
                             "' needs a SCENE to read");
  }
  if (snapshot) options.action = Options::Action::Snapshot;
  if (exportMeshes) options.action = Options::Action::Export;
  return options;
}

std::string UsageText() {
  return "Usage: quillmar [OPTIONS] [SCENE]\n"
         "       quillmar [OPTIONS] --recover\n"
         "       quillmar --snapshot OUT.png [--size WxH] SCENE\n"
         "       quillmar --export OUT SCENE\n"
         "\n"
         "Opens SCENE (default: init.scene in the working directory) in the editor\n"
         "window, with its texture list SCENE.tex when there is one.\n"
         "\n"
         "Options:\n"
         "  -h, --help          show this summary and exit\n"
         "  --version           show the version and exit\n"
         "  --recover           open the newest recovery file (unsaved changes kept when\n"
         "                      an editor ended) with its texture list\n"
         "  --snapshot OUT.png  draw SCENE once as the window shows it, write a PNG, exit\n"
         "  --size WxH          the --snapshot size: 600x600 by default, 4096x4096 at most\n"
         "  --export OUT        write SCENE as meshes to OUT: .obj, .stl, .gltf or .glb\n"
         "  -display DISPLAY    the X display to use (GLUT)\n"
         "  -geometry WxH+X+Y   the window's size and position (GLUT)\n"
         "  -direct             insist on direct rendering (GLUT)\n"
         "  -indirect           use indirect rendering (GLUT)\n"
         "  -iconic             start with the window iconified (GLUT)\n"
         "  -gldebug            report OpenGL errors (GLUT)\n"
         "  -sync               synchronous X requests, for debugging (GLUT)\n"
         "\n"
         "--snapshot needs an X display like the editor; without one, run it under a\n"
         "virtual one: xvfb-run -a quillmar --snapshot OUT.png SCENE\n"
         "--export needs no display; .obj writes a .mtl beside it.\n"
         "\n"
         "Keys: press F1 in the window for the list of keys; the manual page\n"
         "(man quillmar) tells what each key does.\n"
         "Exit status: 0 done, 1 failure, 2 bad command line.\n";
}

// The command line: what the user asked for, read without side effects.
#pragma once

#include <string>
#include <vector>

struct Options {
  enum class Action {
    Edit,        // open the editor window on `scene`
    Help,        // print the usage summary
    Version,     // print the version
    Snapshot,    // draw `scene` once into the PNG `output`
    Export,      // write `scene` as meshes to `output`
    UsageError,  // `error` says what is wrong
  };
  Action action = Action::Edit;
  std::string scene;   // empty: the start scene "init.scene"
  bool recover = false;  // open the newest recovery file (io/recovery.h)
  std::string output;  // the file --snapshot or --export writes
  int width = 600, height = 600;  // the --snapshot picture size
  std::string display;            // the value of GLUT's -display, if given
  std::string error;              // one line, no line end
  // The program name and GLUT's own options, in order, for glutInit.
  std::vector<std::string> glutArgs;
};

// The largest --size either way.
constexpr int kMaxSnapshotSide = 4096;

// Reads the command line (argv[0] is the program name). Never fails: a bad
// command line gives Action::UsageError with a one-line `error` that names
// the option and points to --help. -h/--help and --version win as soon as
// they are read.
Options ParseOptions(int argc, const char* const* argv);

// Reads "WxH" with both sides 1 to kMaxSnapshotSide. Returns false, leaving
// width and height unchanged, for anything else.
bool ParseSize(const std::string& text, int& width, int& height);

// The usage summary --help prints: one line per option and where the keys
// are explained.
std::string UsageText();

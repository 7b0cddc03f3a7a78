// Runs the real editor under a private Xvfb server: real X key and mouse
// events through xdotool, screenshots through ImageMagick's import.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "tests/test_support.h"

struct Rgb {
  int r = 0, g = 0, b = 0;
};

struct Screenshot {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  Rgb At(int x, int y) const;
  bool operator==(const Screenshot& other) const { return rgb == other.rgb; }
};

// A private Xvfb server, ended on destruction. Without `noReset` it resets
// whenever its last client leaves, as a server started plainly does.
class XvfbServer {
 public:
  explicit XvfbServer(bool noReset);
  ~XvfbServer();
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;
  const std::string& display() const { return display_; }

 private:
  void Start(bool noReset);
  void Stop();
  pid_t pid_ = -1;
  std::string display_;
};

// The X display shared by every end-to-end test; started on first use.
const std::string& TestDisplay();

// Runs a shell command with DISPLAY set to the test display; returns its
// standard output. Fails the test if it exits non-zero.
std::string RunX(const std::string& command);

// One editor process in its own working directory, which is also its HOME;
// XDG_STATE_HOME is the folder "state" in it.
class EditorProcess {
 public:
  // Starts the editor in `workDir` with the command-line arguments `args`
  // and waits for its window. HOME and XDG_STATE_HOME point into `workDir`.
  // With `terminal` its standard input and output are a pseudo-terminal
  // instead of pipes.
  explicit EditorProcess(const std::string& workDir, const std::vector<std::string>& args = {},
                         bool terminal = false);
  ~EditorProcess();
  EditorProcess(const EditorProcess&) = delete;
  EditorProcess& operator=(const EditorProcess&) = delete;

  // Sends keys by xdotool name ("ctrl+n", "exclam", "Prior", "F1", ...).
  void Keys(const std::string& names);
  // Presses `button` (1 left, 2 middle, 3 right) at (x0, y0), moves to
  // (x1, y1) in steps and releases, in window coordinates, holding the key
  // `hold` ("shift") throughout when one is named.
  void Drag(int button, int x0, int y0, int x1, int y1, const std::string& hold = "");
  // Clicks `button` (1 left; 4 and 5 are the wheel's notches forward and
  // back) at (x, y) in window coordinates, without moving between press and
  // release, holding the key `hold` (xdotool name) if any.
  void Click(int x, int y, int button = 1, const std::string& hold = "");
  // Writes to the editor's standard input.
  void Type(const std::string& text);
  void CloseInput();
  // Closes the reading end of the editor's standard output.
  void CloseOutput();
  // Sends the process a signal.
  void Signal(int number);
  // Asks the window to close, as a window manager's close button does.
  void CloseWindow();

  // Waits until the output holds `text` (after `from`); false on timeout.
  bool WaitForOutput(const std::string& text, double seconds = 10, std::size_t from = 0);
  // Everything the editor printed so far.
  std::string Output();

  // A screenshot of the window once the picture has stopped changing.
  Screenshot Shoot();

  // Waits for the process to end; returns its exit status, or -1 if it is
  // still running after `seconds` (it is then killed).
  int WaitExit(double seconds = 10);
  bool Running();
  // Presses an exit key ("Escape" or "ctrl+q") and expects status 0.
  void ExpectExitOn(const std::string& key);

 private:
  void Pump(int timeoutMs);
  Screenshot ShootOnce();

  pid_t pid_ = -1;
  int in_ = -1, out_ = -1;
  std::string window_;
  std::string output_;
  int status_ = -1;
};

// A path in the source tree.
std::string SourcePath(const std::string& relative);

// The description the editor prints for an object ('p', and on loading);
// the vectors are given as "x, y, z" with six decimals.
std::string InfoBlock(int id, const std::string& size, const std::string& rotation,
                      const std::string& position, char shape, const std::string& color);

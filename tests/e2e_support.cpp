#include "tests/e2e_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <X11/Xlib.h>
#include <stb/stb_image.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {
double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void Sleep(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }
}  // namespace

XvfbServer::XvfbServer(bool noReset) {
  for (int attempt = 0; attempt < 3 && display_.empty(); ++attempt) Start(noReset);
  if (display_.empty()) {
    std::fprintf(stderr, "Xvfb did not start (is it installed?); see /tmp/quillmar-xvfb.log\n");
    std::abort();
  }
}

XvfbServer::~XvfbServer() { Stop(); }

// Starts Xvfb on a free display and waits until it answers.
void XvfbServer::Start(bool noReset) {
  int fds[2];
  if (pipe(fds) != 0) std::abort();
  pid_ = fork();
  if (pid_ == 0) {
    close(fds[0]);
    std::string fd = std::to_string(fds[1]);
    int devnull = open("/dev/null", O_RDWR);
    int log = open("/tmp/quillmar-xvfb.log", O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(devnull, 0), dup2(log, 1), dup2(log, 2);
    std::vector<const char*> argv = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x700x24",
                                     "-nolisten", "tcp"};
    if (noReset) argv.push_back("-noreset");
    argv.push_back(nullptr);
    execvp("Xvfb", const_cast<char* const*>(argv.data()));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  std::string candidate = ":" + number;
  std::string probe = "DISPLAY=" + candidate + " xdotool getdisplaygeometry >/dev/null 2>&1";
  for (double end = Now() + 10; !number.empty() && Now() < end; Sleep(0.05)) {
    if (std::system(probe.c_str()) == 0) {
      display_ = candidate;
      return;
    }
  }
  Stop();
}

void XvfbServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

const std::string& TestDisplay() {
  // -noreset: the server stays up between editors instead of resetting (and
  // refusing connections for a moment) whenever its last client leaves.
  static XvfbServer server(true);
  return server.display();
}

std::string RunX(const std::string& command) {
  std::string full = "DISPLAY=" + TestDisplay() + " " + command;
  std::FILE* pipe = popen(full.c_str(), "r");
  std::string out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int status = pclose(pipe);
  EXPECT_EQ(status, 0) << "command failed: " << command;
  return out;
}

std::string SourcePath(const std::string& relative) {
  return std::string(QUILLMAR_SOURCE_DIR) + "/" + relative;
}

std::string InfoBlock(int id, const std::string& size, const std::string& rotation,
                      const std::string& position, char shape, const std::string& color) {
  return "ID: " + std::to_string(id) + "\ninfo-Size: " + size + "\ninfo-Rotation: " + rotation +
         "\ninfo-Position: " + position + "\ninfo-Shape: " + shape + "\ninfo-Color: " + color + "\n";
}

Rgb Screenshot::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1};
  const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
  return {p[0], p[1], p[2]};
}

namespace {
// The ids of the mapped windows named Quillmar, one per line.
std::string EditorWindows() {
  return RunX("xdotool search --onlyvisible --name '^Quillmar$' 2>/dev/null || true");
}
}  // namespace

EditorProcess::EditorProcess(const std::string& workDir, const std::vector<std::string>& args,
                             bool terminal) {
  const std::string& display = TestDisplay();
  // The tests run one editor at a time; wait for any earlier window to go, so
  // the window that appears is this process's.
  for (double end = Now() + 10; !EditorWindows().empty() && Now() < end;) Sleep(0.05);
  int childIn, childOut;  // the editor's standard input and output
  if (terminal) {  // one raw pseudo-terminal for both: no echo, no line-end changes
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) std::abort();
    childIn = childOut = open(ptsname(master), O_RDWR | O_NOCTTY);
    termios raw;
    if (childIn < 0 || tcgetattr(childIn, &raw) != 0) std::abort();
    cfmakeraw(&raw);
    tcsetattr(childIn, TCSANOW, &raw);
    in_ = master;
    out_ = dup(master);
  } else {
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) std::abort();
    childIn = toChild[0], childOut = fromChild[1], in_ = toChild[1], out_ = fromChild[0];
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(childIn, 0);
    dup2(childOut, 1);
    close(childIn), close(childOut), close(in_), close(out_);
    if (chdir(workDir.c_str()) != 0) _exit(126);
    setenv("DISPLAY", display.c_str(), 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    setenv("HOME", workDir.c_str(), 1);
    setenv("XDG_STATE_HOME", (workDir + "/state").c_str(), 1);
    std::vector<char*> argv = {const_cast<char*>(QUILLMAR_BINARY)};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(QUILLMAR_BINARY, argv.data());
    _exit(127);
  }
  close(childIn);
  if (childOut != childIn) close(childOut);
  signal(SIGPIPE, SIG_IGN);
  for (double end = Now() + 20; window_.empty() && Now() < end && Running(); Sleep(0.05)) {
    std::string found = EditorWindows();
    window_ = found.substr(0, found.find('\n'));
  }
  if (window_.empty()) {
    ADD_FAILURE() << "the editor's window did not appear; "
                  << (Running() ? "the editor is still running" : "exit status " + std::to_string(status_))
                  << "; its output: " << Output();
  }
  else RunX("xdotool windowfocus --sync " + window_);
}

EditorProcess::~EditorProcess() {
  if (in_ >= 0) close(in_);
  if (Running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  close(out_);
}

void EditorProcess::Keys(const std::string& names) {
  RunX("xdotool windowfocus --sync " + window_ + " key --delay 30 " + names);
}

void EditorProcess::Drag(int button, int x0, int y0, int x1, int y1, const std::string& hold) {
  std::string b = std::to_string(button);
  std::string cmd = (hold.empty() ? "xdotool" : "xdotool keydown " + hold) + " mousemove --window " +
                    window_ + " " + std::to_string(x0) + " " + std::to_string(y0) +
                    " sleep 0.1 mousedown " + b;
  const int steps = 5;
  for (int i = 1; i <= steps; ++i) {
    cmd += " sleep 0.05 mousemove --window " + window_ + " " +
           std::to_string(x0 + (x1 - x0) * i / steps) + " " + std::to_string(y0 + (y1 - y0) * i / steps);
  }
  RunX(cmd + " sleep 0.1 mouseup " + b + (hold.empty() ? "" : " keyup " + hold));
}

void EditorProcess::Click(int x, int y, int button, const std::string& hold) {
  const std::string click = " click " + std::to_string(button);
  RunX("xdotool mousemove --window " + window_ + " " + std::to_string(x) + " " + std::to_string(y) +
       " sleep 0.1" + (hold.empty() ? click : " keydown " + hold + click + " keyup " + hold));
}

void EditorProcess::Type(const std::string& text) {
  ASSERT_EQ(write(in_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
}

void EditorProcess::CloseInput() {
  close(in_);
  in_ = -1;
}

void EditorProcess::CloseOutput() {
  close(out_);
  out_ = -1;
}

void EditorProcess::Signal(int number) { kill(pid_, number); }

void EditorProcess::CloseWindow() {
  Display* display = XOpenDisplay(TestDisplay().c_str());
  ASSERT_NE(display, nullptr);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = std::stoul(window_);
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
  XCloseDisplay(display);
}

void EditorProcess::Pump(int timeoutMs) {
  pollfd p{out_, POLLIN, 0};
  while (poll(&p, 1, timeoutMs) > 0) {
    char buffer[4096];
    ssize_t n = read(out_, buffer, sizeof buffer);
    if (n <= 0) break;
    output_.append(buffer, static_cast<size_t>(n));
    timeoutMs = 0;
  }
}

bool EditorProcess::WaitForOutput(const std::string& text, double seconds, std::size_t from) {
  for (double end = Now() + seconds; Now() < end;) {
    Pump(50);
    if (output_.find(text, from) != std::string::npos) return true;
  }
  return false;
}

std::string EditorProcess::Output() {
  Pump(0);
  return output_;
}

Screenshot EditorProcess::ShootOnce() {
  TempDir dir;
  std::string file = dir.File("shot.png");
  RunX("import -window " + window_ + " " + file);
  Screenshot shot;
  int channels = 0;
  unsigned char* data = stbi_load(file.c_str(), &shot.width, &shot.height, &channels, 3);
  if (data == nullptr) {
    ADD_FAILURE() << "could not read the screenshot";
    return shot;
  }
  shot.rgb.assign(data, data + static_cast<size_t>(shot.width) * shot.height * 3);
  stbi_image_free(data);
  return shot;
}

Screenshot EditorProcess::Shoot() {
  Sleep(0.2);
  Screenshot last = ShootOnce();
  for (int i = 0; i < 20; ++i) {
    Sleep(0.1);
    Screenshot next = ShootOnce();
    if (next == last) return next;
    last = next;
  }
  return last;
}

bool EditorProcess::Running() {
  if (status_ != -1) return false;
  int status;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
}

int EditorProcess::WaitExit(double seconds) {
  for (double end = Now() + seconds; Now() < end; Sleep(0.05)) {
    Pump(0);
    if (!Running()) {
      Pump(0);
      return status_;
    }
  }
  kill(pid_, SIGKILL);
  return -1;
}

void EditorProcess::ExpectExitOn(const std::string& key) {
  Keys(key);
  EXPECT_EQ(WaitExit(), 0) << "after " << key;
}

// A snapshot draws the start-up frame into an offscreen framebuffer of the
// requested size, so it works for sizes larger than the screen and never
// depends on what a window manager does to a window. A small window still
// has to exist: GLUT's solids draw only while a GLUT window is current, and
// its context has the window's visual, so the offscreen buffer can copy the
// window's sample count.
//
// Pixel for pixel: Mesa keeps a window's buffers with their first row at the
// top, and a framebuffer object with its first row at the bottom, which
// mirrors where the multisample points fall and which edge pixels a
// primitive covers. Drawing with an upper-left clip origin
// (ARB_clip_control, core in OpenGL 4.5) gives the framebuffer object the
// window's orientation; its resolved picture then equals what the window
// shows (checked against screenshots by the end-to-end tests). Without clip
// control the picture is drawn bottom-up and differs only along some edges.
#include "app/snapshot.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glut.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "app/frame.h"
#include "base/console.h"
#include "base/file.h"
#include "base/signals.h"
#include "io/png.h"

// Last: Xlib's macros (None, Status, ...) clash with names in the headers above.
#include <GL/glx.h>
#include <X11/Xlib.h>

void InitGlut(const std::vector<std::string>& glutArgs) {
  static std::deque<std::string> storage;
  static std::vector<char*> argv;
  for (const std::string& arg : glutArgs) {
    storage.push_back(arg);
    argv.push_back(&storage.back()[0]);
  }
  argv.push_back(nullptr);
  int argc = static_cast<int>(glutArgs.size());
  glutInit(&argc, argv.data());
}

namespace {
void Complain(const std::string& line) { std::fprintf(stderr, "quillmar: %s\n", line.c_str()); }

// A connection to the X display, held while GLUT opens its own. GLUT ends
// the process itself when it cannot open the display, so the display is
// tried here first. A server started without -noreset resets whenever its
// last client leaves and refuses connections for that moment: holding this
// connection keeps it from resetting before GLUT has connected, and the
// first attempt is repeated for a while in case a previous client has just
// left.
class DisplayHold {
 public:
  explicit DisplayHold(const std::string& name) {
    const char* wanted = name.empty() ? nullptr : name.c_str();
    const char* set = wanted != nullptr ? wanted : std::getenv("DISPLAY");
    const bool named = set != nullptr && *set != '\0';
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      display_ = XOpenDisplay(wanted);
      if (display_ != nullptr || !named) return;
      usleep(kPauseMicroseconds);
    }
  }
  ~DisplayHold() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  DisplayHold(const DisplayHold&) = delete;
  DisplayHold& operator=(const DisplayHold&) = delete;
  bool Open() const { return display_ != nullptr; }

 private:
  static constexpr int kAttempts = 50;                // a second in all
  static constexpr useconds_t kPauseMicroseconds = 20000;
  Display* display_ = nullptr;
};

// Whether the current context is at least OpenGL major.minor or offers
// `extension`.
bool HasGl(int major, int minor, const char* extension) {
  int haveMajor = 0, haveMinor = 0;
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (version != nullptr && std::sscanf(version, "%d.%d", &haveMajor, &haveMinor) == 2 &&
      (haveMajor > major || (haveMajor == major && haveMinor >= minor))) {
    return true;
  }
  const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  std::size_t length = std::strlen(extension);
  for (const char* p = list; p != nullptr && (p = std::strstr(p, extension)) != nullptr; p += length) {
    bool starts = p == list || p[-1] == ' ';
    bool ends = p[length] == ' ' || p[length] == '\0';
    if (starts && ends) return true;
  }
  return false;
}

template <typename Function>
Function Lookup(const char* name) {
  return reinterpret_cast<Function>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

// The framebuffer-object calls, looked up at run time as extension entry
// points.
struct FramebufferCalls {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC renderbufferStorageMultisample = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
  PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
  PFNGLCLIPCONTROLPROC clipControl = nullptr;  // null when unsupported

  bool Load() {
    if (!HasGl(3, 0, "GL_ARB_framebuffer_object")) return false;
    genFramebuffers = Lookup<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
    bindFramebuffer = Lookup<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
    genRenderbuffers = Lookup<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers");
    bindRenderbuffer = Lookup<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer");
    renderbufferStorageMultisample =
        Lookup<PFNGLRENDERBUFFERSTORAGEMULTISAMPLEPROC>("glRenderbufferStorageMultisample");
    framebufferRenderbuffer = Lookup<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer");
    checkFramebufferStatus = Lookup<PFNGLCHECKFRAMEBUFFERSTATUSPROC>("glCheckFramebufferStatus");
    blitFramebuffer = Lookup<PFNGLBLITFRAMEBUFFERPROC>("glBlitFramebuffer");
    if (HasGl(4, 5, "GL_ARB_clip_control")) clipControl = Lookup<PFNGLCLIPCONTROLPROC>("glClipControl");
    return genFramebuffers && bindFramebuffer && genRenderbuffers && bindRenderbuffer &&
           renderbufferStorageMultisample && framebufferRenderbuffer && checkFramebufferStatus &&
           blitFramebuffer;
  }

  // A complete framebuffer of width x height with `samples` samples (0: one)
  // and, when `depthFormat` is not 0, a depth buffer. Returns 0 on failure.
  GLuint Make(int width, int height, int samples, GLenum depthFormat) const {
    GLuint framebuffer = 0, buffers[2] = {0, 0};
    genFramebuffers(1, &framebuffer);
    bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    genRenderbuffers(2, buffers);
    bindRenderbuffer(GL_RENDERBUFFER, buffers[0]);
    renderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, buffers[0]);
    if (depthFormat != 0) {
      bindRenderbuffer(GL_RENDERBUFFER, buffers[1]);
      renderbufferStorageMultisample(GL_RENDERBUFFER, samples, depthFormat, width, height);
      framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, buffers[1]);
    }
    bool complete = checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    return complete && glGetError() == GL_NO_ERROR ? framebuffer : 0;
  }
};

// Draws the editor's start-up frame at width x height into `rgb`, top row
// first. Returns false with a reason in `error` when the driver cannot.
bool DrawOffscreen(int width, int height, std::vector<unsigned char>& rgb, std::string& error) {
  error = "the OpenGL driver cannot draw a " + std::to_string(width) + "x" + std::to_string(height) +
          " picture offscreen";
  FramebufferCalls gl;
  if (!gl.Load()) return false;
  GLint samples = 0, depthBits = 0, maxSide = 0, maxViewport[2] = {0, 0};
  glGetIntegerv(GL_SAMPLES, &samples);  // the window's, with the window's visual
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxSide);
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, maxViewport);
  if (width > maxSide || height > maxSide || width > maxViewport[0] || height > maxViewport[1]) {
    return false;
  }
  GLenum depthFormat = depthBits > 24 ? GL_DEPTH_COMPONENT32
                       : depthBits > 16 ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT16;
  while (glGetError() != GL_NO_ERROR) {
  }
  GLuint resolved = gl.Make(width, height, 0, 0);
  GLuint drawn = resolved != 0 ? gl.Make(width, height, samples, depthFormat) : 0;
  if (drawn == 0) return false;

  if (gl.clipControl != nullptr) gl.clipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
  OnReshape(width, height);
  DrawFrame(TheEditor(), true);
  glFlush();

  gl.bindFramebuffer(GL_READ_FRAMEBUFFER, drawn);
  gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved);
  gl.blitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  gl.bindFramebuffer(GL_READ_FRAMEBUFFER, resolved);
  const std::size_t row = static_cast<std::size_t>(width) * 3;
  rgb.assign(row * height, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  if (glGetError() != GL_NO_ERROR) return false;
  if (gl.clipControl == nullptr) {  // bottom row first: turn it over
    std::vector<unsigned char> swap(row);
    for (int y = 0; y < height / 2; ++y) {
      unsigned char* top = &rgb[y * row];
      unsigned char* bottom = &rgb[(height - 1 - y) * row];
      std::memcpy(swap.data(), top, row);
      std::memcpy(top, bottom, row);
      std::memcpy(bottom, swap.data(), row);
    }
  }
  return true;
}
}  // namespace

namespace {
int Snapshot(const Options& options) {
  if (std::FILE* scene = OpenInputFile(options.scene, "r")) {
    std::fclose(scene);
  } else {
    Complain("cannot read the scene '" + options.scene + "'");
    return 1;
  }
  const DisplayHold display(options.display);  // until the snapshot is written
  if (!display.Open()) {
    Complain("--snapshot needs an X display and cannot open one; without a screen run it as: "
             "xvfb-run -a quillmar --snapshot OUT.png SCENE");
    return 1;
  }

  // Only errors are printed: the scene's loading texts go nowhere.
  std::FILE* silence = std::fopen("/dev/null", "w");
  SetConsole(nullptr, silence);

  glutInitWindowSize(1, 1);
  InitGlut(options.glutArgs);
  glutInitDisplayMode(kWindowDisplayMode);
  glutCreateWindow("Quillmar snapshot");
  // Only the window's context is needed: take the window off the screen.
  XUnmapWindow(glXGetCurrentDisplay(), glXGetCurrentDrawable());
  XFlush(glXGetCurrentDisplay());
  InitScene(options.scene);

  std::vector<unsigned char> rgb;
  std::string error;
  const bool drawn = DrawOffscreen(options.width, options.height, rgb, error);
  // Ended by a signal before a file was made: nothing to remove.
  if (int signal = PendingSignal()) EndBySignal(signal);
  if (!drawn) {
    Complain(error);
    return 1;
  }
  if (!WritePngFile(options.output, options.width, options.height, 3, rgb.data())) {
    Complain("cannot write the PNG file '" + options.output + "'");
    return 1;
  }
  return 0;
}
}  // namespace

int RunSnapshot(const Options& options) {
  try {
    return Snapshot(options);
  } catch (const std::bad_alloc&) {
    Complain("not enough memory to draw '" + options.output + "'");
    return 1;
  }
}

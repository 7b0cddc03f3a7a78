// Preloaded into a GLUT program to time its start-up: ends the process as
// soon as its first frame has been swapped and has reached the X server.
#include <GL/glx.h>
#include <dlfcn.h>
#include <unistd.h>

extern "C" void glXSwapBuffers(Display* display, GLXDrawable drawable) {
  using Swap = void (*)(Display*, GLXDrawable);
  static Swap real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "glXSwapBuffers"));
  if (real != nullptr) real(display, drawable);
  XSync(display, False);
  _exit(0);
}

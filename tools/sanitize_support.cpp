// Linked, in sanitizer builds only (QUILLMAR_SANITIZE), into every program
// that opens a GL context: the editor, the end-to-end tests, the frame
// benchmarks.
//
// Leak checking runs after everything else at exit, when Mesa has already
// unloaded its GL driver: the driver's leftover memory is then unreachable
// and its allocation sites belong to no known library, so no suppression can
// name them. Keeping the driver loaded lets tools/lsan.supp suppress the GL
// and X libraries' leaks by library name while leaks in our own code are
// still reported. The suppressions file is built in, so the editor uses it
// however it is started.
#include <dlfcn.h>

extern "C" const char* __lsan_default_options() { return "print_suppressions=0:suppressions=" QUILLMAR_LSAN_SUPPRESSIONS; }

namespace {
[[maybe_unused]] const bool kDriverKept = [] {
#ifdef QUILLMAR_GL_DRIVER
  dlopen(QUILLMAR_GL_DRIVER, RTLD_NOW | RTLD_NODELETE);
#endif
  return true;
}();
}  // namespace

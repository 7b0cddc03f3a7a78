#include "app/quit.h"

#include <GL/freeglut.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include "app/frame.h"
#include "base/console.h"
#include "io/recovery.h"

namespace {
constexpr unsigned kSignalCheckMs = 100;
volatile sig_atomic_t g_signal = 0;
volatile sig_atomic_t g_mayBeUnsaved = 0;

// With nothing to keep, or on a second signal, the process ends at once, as
// the signal would end it: a frame that takes long to draw cannot hold it up.
// Otherwise the signal is noted and the event loop keeps the work first.
void NoteSignal(int number) {
  if (!g_mayBeUnsaved || g_signal != 0) {
    signal(number, SIG_DFL);
    raise(number);
    return;
  }
  g_signal = number;
}

void KeepUnsavedWork() {
  static bool kept = false;
  if (kept) return;
  kept = true;
  const Editor& editor = TheEditor();
  if (editor.unsaved) KeepRecovery(editor.objects, editor.textures);
  FlushConsole();
}

void CheckSignals(int) {
  if (int number = g_signal) {
    KeepUnsavedWork();
    signal(number, SIG_DFL);
    raise(number);
    _exit(128 + number);  // not reached: the default action ends the process
  }
  glutTimerFunc(kSignalCheckMs, CheckSignals, 0);
}
}  // namespace

void PrepareProcess() {
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocked console read returns
  for (int number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    if (sigaction(number, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
      sigaction(number, &action, nullptr);
    }
  }
}

void InstallQuitHooks() {
  glutCloseFunc(KeepUnsavedWork);
  glutTimerFunc(kSignalCheckMs, CheckSignals, 0);
}

void NoteUnsavedWork(bool mayBeUnsaved) { g_mayBeUnsaved = mayBeUnsaved ? 1 : 0; }

void QuitEditor(int status) {
  KeepUnsavedWork();
  std::exit(status);
}

#include "app/quit.h"

#include <GL/freeglut.h>
#include <poll.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>

#include "app/frame.h"
#include "base/console.h"
#include "base/signals.h"
#include "io/recovery.h"

namespace {
// Held by each event that may change the editor, and for good by whatever
// ends the process. Recursive: freeglut's own exit handler closes the window,
// within the event that quit.
std::recursive_mutex g_editing;
// What PrepareSession recovered, told at the end of the start-up.
std::string g_recovered;
// Until the start-up is over there is nothing unsaved to keep.
std::atomic<bool> g_starting{true};

// Keeps unsaved changes, once: in a recovery file, after which the journal
// has served; with nothing unsaved the journal simply goes. A recovery file
// that could not be written leaves the journal for the next start. Call
// holding g_editing.
void KeepUnsavedWork() {
  static bool kept = false;
  if (kept) return;
  kept = true;
  Editor& editor = TheEditor();
  if (!editor.unsaved || KeepRecovery(editor.objects, editor.textures)) editor.journal.Remove();
  FlushConsole();
}

// freeglut ends the process once the window has closed.
void OnClose() {
  g_editing.lock();
  KeepUnsavedWork();
}

// The signal thread. During the start-up the process ends at once: nothing
// can be unsaved yet. Later a frame only reads the scene, so the work is kept
// while one draws, however slow; an event that changes it is waited for (a
// prompt sees the signal and returns at once). A second signal changes
// nothing.
void WatchSignals() {
  while (PendingSignal() == 0) {
    pollfd wake{SignalFd(), POLLIN, 0};
    poll(&wake, wake.fd >= 0 ? 1 : 0, wake.fd >= 0 ? -1 : 100);
  }
  if (g_starting) EndBySignal(PendingSignal());
  g_editing.lock();
  KeepUnsavedWork();
  EndBySignal(PendingSignal());
}
}  // namespace

bool PrepareSession(Options& options) {
  const std::string folder = RecoveryFolder();
  g_recovered = RecoverJournals(folder, std::time(nullptr));
  std::thread(WatchSignals).detach();  // a signal meanwhile is acted on now
  if (!options.recover) return true;
  options.scene = NewestRecovery(folder);
  if (!options.scene.empty()) return true;
  std::fprintf(stderr, "quillmar: no recovery file in %s\n",
               folder.empty() ? "the state folder (no home folder)" : folder.c_str());
  return false;
}

void StartSession() {
  Editor& editor = TheEditor();
  editor.journal.Start(RecoveryFolder(), editor.history, editor.objects, editor.textures);
  Print("%s", g_recovered.c_str());
  FlushConsole();
  g_starting = false;
}

void InstallQuitHooks() { glutCloseFunc(OnClose); }

EditingEvent::EditingEvent() {
  if (PendingSignal() != 0) return;
  g_editing.lock();
  held_ = true;
}

EditingEvent::~EditingEvent() {
  if (held_) g_editing.unlock();
}

void QuitEditor(int status) {
  KeepUnsavedWork();
  std::exit(status);
}

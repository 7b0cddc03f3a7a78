// How the editor process ends, and how it takes up what an ended one left.
// The exit keys, the window being closed and the signals that end a session
// all keep unsaved changes in a recovery file first (io/recovery.h); an
// editor that could not (killed, or a power cut) left its journal
// (session/edit_journal.h), which the next start turns into a recovery file.
#pragma once

#include "app/options.h"

// Before the window opens: turns the journals of editors that have ended
// into recovery files, then starts the thread that acts on a noted signal
// (base/signals.h): until StartSession it ends the process at once; later
// it waits for the event under way to end, keeps unsaved changes, and ends
// the process as the signal would have, frames not waited for. For
// --recover, makes the newest recovery file the scene to open. Returns
// false, having said why in one line on standard error, when --recover
// finds none.
bool PrepareSession(Options& options);

// Once the start scene is loaded: starts the session's journal, then prints
// what PrepareSession recovered, the last lines of the start-up.
void StartSession();

// Hooks the window's close into GLUT. Call once the window exists.
void InstallQuitHooks();

// Held while an event may change the editor, so a signal is acted on only
// between events. False, and nothing may be changed, once a signal has been
// noted: the process is about to end.
class EditingEvent {
 public:
  EditingEvent();
  ~EditingEvent();
  EditingEvent(const EditingEvent&) = delete;
  EditingEvent& operator=(const EditingEvent&) = delete;
  explicit operator bool() const { return held_; }

 private:
  bool held_ = false;
};

// Keeps unsaved changes in a recovery file (once per process), flushes the
// console and exits with `status`. Call within an EditingEvent.
[[noreturn]] void QuitEditor(int status);

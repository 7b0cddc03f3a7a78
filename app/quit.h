// How the editor process ends: the exit keys, the window being closed and
// the signals that end a session all keep unsaved changes in a recovery file
// first (io/recovery.h).
#pragma once

// Sets up the editor's own handling of SIGINT, SIGTERM and SIGHUP (unless
// inherited as ignored): noted by a handler that only sets a flag and
// interrupts a pending console read. Call once the process is set up
// (base/signals.h), before the window opens.
void PrepareProcess();

// Hooks the window's close and a short timer that acts on a noted signal
// into GLUT: each keeps unsaved changes, then the process ends as it would
// have without them (freeglut's exit on close; death by the signal). Call
// once the window exists.
void InstallQuitHooks();

// Tells the signal handler whether there may be work to keep: true while an
// event runs (it may change the scene), the unsaved flag once it has ended.
// Without work to keep a signal ends the process at once.
void NoteUnsavedWork(bool mayBeUnsaved);

// Keeps unsaved changes in a recovery file (once per process), flushes the
// console and exits with `status`.
[[noreturn]] void QuitEditor(int status);

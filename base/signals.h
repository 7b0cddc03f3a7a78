// The process's one source of signals. SIGINT, SIGTERM and SIGHUP (unless
// inherited as ignored) are only noted by their handler, which also writes a
// byte to a pipe, so that every wait (the event loop, a prompt's read, a long
// export) can watch for them and act once, in order. SIGPIPE and SIGXFSZ are
// ignored, so a closed console or a file-size limit only make writes fail.
#pragma once

// Installs the handlers and the pipe. Call first thing in main, in every
// mode; a second call does nothing. Without a pipe (no descriptors left)
// signals are still noted, only not woken on.
void InstallSignalSource();

// The first signal noted since start-up, or 0. Cannot fail.
int PendingSignal();

// A descriptor that turns readable once a signal has been noted and stays
// so; -1 when there is none. Never read it: only wait on it.
int SignalFd();

// Ends the process as signal `number` ends it when not caught (the default
// action, re-raised); exits with 128 + number if that does not end it.
[[noreturn]] void EndBySignal(int number);

#include "base/signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace {
volatile sig_atomic_t g_pending = 0;
int g_pipe[2] = {-1, -1};
bool g_installed = false;

// Async-signal-safe: a flag and one byte. The pipe is never read, so its
// read end stays readable once woken; later signals only find it full.
void Note(int number) {
  const int saved = errno;
  if (g_pending == 0) g_pending = number;
  if (g_pipe[1] >= 0) {
    const char byte = static_cast<char>(number);
    [[maybe_unused]] ssize_t n = write(g_pipe[1], &byte, 1);
  }
  errno = saved;
}
}  // namespace

void InstallSignalSource() {
  if (g_installed) return;
  g_installed = true;
  if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  struct sigaction action {};
  action.sa_handler = Note;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocked read returns at once
  for (int number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    if (sigaction(number, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
      sigaction(number, &action, nullptr);
    }
  }
}

int PendingSignal() { return g_pending; }

int SignalFd() { return g_pipe[0]; }

void EndBySignal(int number) {
  signal(number, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, number);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(number);
  _exit(128 + number);
}

#include "base/console.h"

#include <poll.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>

#include "base/signals.h"

namespace {
struct ConsoleState {
  std::FILE* in = nullptr;
  std::FILE* out = nullptr;
  std::FILE* watchedIn = nullptr;  // standard input, watching for signals
  bool verbose = false;
  bool terminal = false;  // standard output is a terminal, shown line by line
};
ConsoleState g_console;

void PrintV(const char* format, va_list args) { std::vfprintf(ConsoleOut(), format, args); }

// Reads the descriptor `cookie` for stdio, failing as interrupted as soon as
// a signal has been noted (base/signals.h), before or while it waits.
ssize_t ReadWatched(void* cookie, char* buffer, std::size_t size) {
  const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(cookie));
  for (;;) {
    if (PendingSignal() != 0) {
      errno = EINTR;
      return -1;
    }
    pollfd fds[2] = {{fd, POLLIN, 0}, {SignalFd(), POLLIN, 0}};
    if (poll(fds, SignalFd() >= 0 ? 2 : 1, -1) < 0 && errno != EINTR) return -1;
    if (fds[0].revents != 0) {
      const ssize_t n = read(fd, buffer, size);
      if (n >= 0 || errno != EINTR) return n;
    }
  }
}
}  // namespace

void SetConsole(std::FILE* in, std::FILE* out) {
  g_console.in = in;
  g_console.out = out;
}

std::FILE* ConsoleIn() {
  if (g_console.in != nullptr) return g_console.in;
  return g_console.watchedIn != nullptr ? g_console.watchedIn : stdin;
}
std::FILE* ConsoleOut() { return g_console.out ? g_console.out : stdout; }

bool IsVerbose() { return g_console.verbose; }
void SetVerbose(bool on) { g_console.verbose = on; }

void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintV(format, args);
  va_end(args);
}

void Echo(const char* format, ...) {
  if (!g_console.verbose) return;
  va_list args;
  va_start(args, format);
  PrintV(format, args);
  va_end(args);
}

void Write(const char* data, std::size_t size) { std::fwrite(data, 1, size, ConsoleOut()); }

void FlushConsole() { std::fflush(ConsoleOut()); }

bool ReadLine(std::FILE* in, std::string& line) {
  line.clear();
  if (PendingSignal() != 0) return false;
  int c = std::getc(in);
  for (; c != EOF && c != '\n'; c = std::getc(in)) {
    if (line.size() < kMaxLineBytes) line.push_back(static_cast<char>(c));
  }
  if (c == EOF && std::ferror(in)) {
    // Interrupted (by a signal): no answer, but later reads may go on.
    std::clearerr(in);
    line.clear();
    return false;
  }
  return c == '\n' || !line.empty();
}

namespace {
bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Splits a line into at most `count` fields: a comma ends a field (blanks
// around it belong to it), and so do blanks between two numbers.
int SplitFields(const std::string& line, std::string* fields, int count) {
  int n = 0;
  std::size_t i = 0;
  while (n < count) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) break;
    std::size_t start = i;
    while (i < line.size() && line[i] != ',' && !IsBlank(line[i])) ++i;
    fields[n++] = line.substr(start, i - start);
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i < line.size() && line[i] == ',') ++i;
  }
  return n;
}

// Sets `value` when the whole of `field` is one number.
bool ParseFloat(const std::string& field, float& value) {
  if (field.empty()) return false;
  char* end = nullptr;
  float parsed = std::strtof(field.c_str(), &end);
  if (end != field.c_str() + field.size()) return false;
  value = parsed;
  return true;
}
}  // namespace

int ReadFloats(float& a, float& b, float& c) {
  FlushConsole();
  std::string line;
  if (!ReadLine(ConsoleIn(), line)) return 0;
  std::string fields[3];
  int count = SplitFields(line, fields, 3);
  float* values[3] = {&a, &b, &c};
  int set = 0;
  for (int i = 0; i < count; ++i) set |= ParseFloat(fields[i], *values[i]) ? 1 << i : 0;
  return set;
}

bool PromptName(const char* prompt, std::string& name) {
  Print("%s", prompt);
  FlushConsole();
  if (!ReadLine(ConsoleIn(), name)) return false;
  std::size_t first = 0, last = name.size();
  while (first < last && IsBlank(name[first])) ++first;
  while (last > first && IsBlank(name[last - 1])) --last;
  name = name.substr(first, last - first);
  return !name.empty();
}

void SetUpConsoleBuffering() {
  g_console.terminal = isatty(fileno(stdout)) != 0;
  std::setvbuf(stdout, nullptr, g_console.terminal ? _IOLBF : _IOFBF, BUFSIZ);
  if (g_console.watchedIn == nullptr) {
    g_console.watchedIn = fopencookie(reinterpret_cast<void*>(std::intptr_t{STDIN_FILENO}), "r",
                                      {ReadWatched, nullptr, nullptr, nullptr});
  }
}

bool ConsoleShowsEachLine() { return g_console.terminal && ConsoleOut() == stdout; }

#include "base/console.h"

#include <cctype>
#include <cstdarg>

namespace {
struct ConsoleState {
  std::FILE* in = nullptr;
  std::FILE* out = nullptr;
  bool verbose = false;
};
ConsoleState g_console;

void PrintV(const char* format, va_list args) { std::vfprintf(ConsoleOut(), format, args); }
}  // namespace

void SetConsole(std::FILE* in, std::FILE* out) {
  g_console.in = in;
  g_console.out = out;
}

std::FILE* ConsoleIn() { return g_console.in ? g_console.in : stdin; }
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

bool ReadToken(std::FILE* in, std::string& token) {
  token.clear();
  int c;
  do {
    c = std::getc(in);
  } while (c != EOF && std::isspace(c));
  while (c != EOF && !std::isspace(c)) {
    token.push_back(static_cast<char>(c));
    c = std::getc(in);
  }
  if (c != EOF) std::ungetc(c, in);
  return !token.empty();
}

int ReadFloats(const char* format, float& a, float& b, float& c) {
  FlushConsole();
  return std::fscanf(ConsoleIn(), format, &a, &b, &c);
}

bool PromptToken(const char* prompt, std::string& token) {
  Print("%s", prompt);
  FlushConsole();
  return ReadToken(ConsoleIn(), token);
}

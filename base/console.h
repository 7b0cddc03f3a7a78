// The console: every message of the editor goes through here, and every
// prompt reads one line from here. Output is buffered and flushed before each
// read and at the end of each event, so prompts show before the program
// waits; on a terminal each line also shows as soon as it is printed.
#pragma once

#include <cstdio>
#include <string>

// Points the console at other streams (tests use memory streams). Null
// restores stdin / stdout.
void SetConsole(std::FILE* in, std::FILE* out);
std::FILE* ConsoleIn();
std::FILE* ConsoleOut();

// The verbose flag gates the echo lines; it starts off.
bool IsVerbose();
void SetVerbose(bool on);

// Prints a message, always.
void Print(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Prints a message only while the verbose flag is on.
void Echo(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Prints `size` bytes as they are, always: a whole block of text in one go.
void Write(const char* data, std::size_t size);
// Sends everything printed so far to the console.
void FlushConsole();

// The longest line a prompt keeps; the rest of a longer line is read and
// dropped, so one answer never outgrows memory.
constexpr std::size_t kMaxLineBytes = std::size_t{1} << 20;

// Reads one line, without its line end, keeping at most kMaxLineBytes of it.
// Returns false, with `line` empty, when the input ends before a line starts
// or a read fails; a failed read can be retried. A signal noted before or
// during the read (base/signals.h) fails it at once, as a cancelled answer.
bool ReadLine(std::FILE* in, std::string& line);

// Flushes, then reads one line of the console input as up to three numbers
// separated by blanks, commas or both ("1 2 3", "1, 2, 3", "1,2,3"; "1,,3"
// skips the second). A number that is missing or does not parse keeps its
// value; the rest of the line is dropped. Returns which were set: bit 0 for
// `a`, 1 for `b`, 2 for `c` (0 when none was).
int ReadFloats(float& a, float& b, float& c);

// Prints `prompt`, flushes, then reads one line as a name: the whole line
// without leading and trailing blanks. Returns false when the input has ended
// or the line is blank.
bool PromptName(const char* prompt, std::string& name);

// Line-buffers standard output when it is a terminal, so each line shows as
// it is printed; otherwise it stays fully buffered and is flushed by
// FlushConsole. The console input becomes standard input read so that a
// noted signal ends any wait for it. Call before the first message.
void SetUpConsoleBuffering();

// True when the console is a terminal that shows each line as it is printed;
// writers that gather many lines into one write then write line by line.
bool ConsoleShowsEachLine();

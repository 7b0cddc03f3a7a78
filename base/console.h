// The console: every message of the editor goes through here, and every
// prompt reads from here. Output is buffered and flushed before each read and
// at the end of each event, so prompts show before the program waits.
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

// Reads one whitespace-delimited token of any length. Returns false, with
// `token` empty, when the stream ends before a token starts.
bool ReadToken(std::FILE* in, std::string& token);

// Flushes, then reads three floats from the console input with `format`.
// Values that fail to parse, or are missing because the input ended, keep
// what they had. Returns how many were read.
int ReadFloats(const char* format, float& a, float& b, float& c);

// Prints `prompt`, flushes, then reads one token from the console input.
// Returns false when the input has ended.
bool PromptToken(const char* prompt, std::string& token);

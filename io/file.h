// Opening the editor's input files.
#pragma once

#include <cstdio>
#include <string>

// Opens a regular file for reading ("r" or "rb"). Returns null when it cannot
// be opened or is not a regular file (a directory, a device, a pipe), so a
// read can neither block nor run forever.
std::FILE* OpenInputFile(const std::string& name, const char* mode);

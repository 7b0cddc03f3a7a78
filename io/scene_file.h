// The plain-text scene file: one six-line block per object, then "EOF".
#pragma once

#include <cstdio>
#include <string>

#include "scene/object.h"

// Numbers longer than this many characters are malformed (scanf would take
// any length); the reader holds no more than one buffer of a file in memory
// however long its tokens or lines are.
constexpr std::size_t kMaxSceneNumberLength = 1024;

// Replaces the list's objects with the blocks read from `file` up to "EOF",
// printing each object's description as it is read. Every token other than
// "EOF" starts a block. Numbers are read as scanf's "%f" reads them; the
// shape and the flag are the first bytes of two tokens. A block cut short or
// a malformed number ends the read; the complete blocks before it stay.
// Returns the number of objects read; selects the first.
int ReadScene(ObjectList& list, std::FILE* file);

// Writes every object's block and the closing "EOF" to an open file.
// Returns false when a write failed.
bool WriteScene(const ObjectList& list, std::FILE* file);

// Saves the whole list. The file is written beside the target under a
// temporary name and renamed over it, so a failed save prints
// "Error saving file %s!\n" and leaves any old file untouched.
bool SaveScene(const ObjectList& list, const std::string& fileName);

// Loads a scene file, replacing the list. Returns false, with the list
// unchanged, when the file cannot be opened.
bool LoadScene(ObjectList& list, const std::string& fileName);

// Helpers shared by the test programs.
#pragma once

#include <cstdio>
#include <string>

#include "scene/object.h"

// Captures everything the console prints and feeds it scripted input while
// alive; restores stdin/stdout on destruction.
class ConsoleCapture {
 public:
  explicit ConsoleCapture(const std::string& input = "");
  ~ConsoleCapture();
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;

  // Everything printed since construction or the last Take().
  std::string Take();

 private:
  std::FILE* in_ = nullptr;
  std::FILE* out_ = nullptr;
  std::size_t taken_ = 0;
};

// A fresh empty directory, removed with its contents on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Runs the Khronos glTF validator (tools/validate-gltf.js under node) over
// a .gltf or .glb, resolving its images beside it, and fails the test on
// any error or warning. Without the validator (tools/setup.sh installs it
// into build/validator) the check is skipped with a message, or fails when
// QUILLMAR_REQUIRE_VALIDATOR=1.
void ExpectValidGltf(const std::string& path);

// A default object with the given shape, size, rotation and position.
SceneObject MakeObject(char shape, Vec3 size, Vec3 rotation, Vec3 position);

#include "tests/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <gtest/gtest.h>

#include "base/console.h"

ConsoleCapture::ConsoleCapture(const std::string& input) {
  in_ = std::tmpfile();
  out_ = std::tmpfile();
  std::fwrite(input.data(), 1, input.size(), in_);
  std::rewind(in_);
  SetConsole(in_, out_);
  SetVerbose(false);
}

ConsoleCapture::~ConsoleCapture() {
  SetConsole(nullptr, nullptr);
  SetVerbose(false);
  std::fclose(in_);
  std::fclose(out_);
}

std::string ConsoleCapture::Take() {
  std::fflush(out_);
  std::string all;
  std::rewind(out_);
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, out_)) > 0) all.append(buffer, n);
  std::fseek(out_, 0, SEEK_END);
  std::string fresh = all.substr(taken_);
  taken_ = all.size();
  return fresh;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quillmar-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  if (made == nullptr) std::abort();
  path_ = made;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

SceneObject MakeObject(char shape, Vec3 size, Vec3 rotation, Vec3 position) {
  SceneObject o;
  o.shape = shape;
  o.size = size;
  o.rotation = rotation;
  o.position = position;
  return o;
}

void ExpectValidGltf(const std::string& path) {
  const bool installed = std::filesystem::exists(QUILLMAR_GLTF_VALIDATOR) &&
                         std::filesystem::exists(QUILLMAR_NODE);
  if (!installed) {
    const char* require = std::getenv("QUILLMAR_REQUIRE_VALIDATOR");
    const char* where = "no glTF validator in " QUILLMAR_GLTF_VALIDATOR " (tools/setup.sh installs it)";
    if (require != nullptr && std::string(require) == "1") ADD_FAILURE() << where;
    else std::printf("[  SKIPPED ] glTF validation of %s: %s\n", path.c_str(), where);
    return;
  }
  std::string command = std::string("'" QUILLMAR_NODE "' '" QUILLMAR_VALIDATE_GLTF "' '" QUILLMAR_GLTF_VALIDATOR "' '") +
                        path + "' 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string report;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) report.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << report;
}

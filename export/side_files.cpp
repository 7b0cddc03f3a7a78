#include "export/side_files.h"

#include <unistd.h>

#include <cerrno>

#include "base/file.h"

namespace {
// The n-th name offered for `wanted`: itself, then "-2", "-3", ... before
// the file name's extension.
std::string Numbered(const std::string& wanted, int n) {
  if (n == 1) return wanted;
  const std::string stem = ReplaceExtension(wanted, "");
  return stem + "-" + std::to_string(n) + wanted.substr(stem.size());
}

constexpr int kMaxNames = 1000;  // "-1000" and no further
}  // namespace

bool SideFiles::Write(const std::string& wanted, const std::function<bool(std::FILE*)>& write,
                      std::string& written) {
  for (int n = 1; n <= kMaxNames; ++n) {
    std::string name = Numbered(wanted, n);
    if (WriteNewFile(name, write)) {
      created_.push_back(name);
      written = name;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

void SideFiles::Discard() {
  for (const std::string& path : created_) unlink(path.c_str());
  created_.clear();
}

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
  std::size_t slash = path.find_last_of('/');
  std::size_t dot = path.find_last_of('.');
  bool hasDot = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasDot ? path.substr(0, dot) : path) + extension;
}

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TextureFileName(const std::string& outPath, int slot) {
  return outPath + "_texture" + std::to_string(slot) + ".png";
}

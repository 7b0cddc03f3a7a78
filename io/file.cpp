#include "io/file.h"

#include <sys/stat.h>

std::FILE* OpenInputFile(const std::string& name, const char* mode) {
  struct stat info;
  // Checked before opening too: opening a pipe would wait for a writer.
  if (stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  std::FILE* file = std::fopen(name.c_str(), mode);
  if (file != nullptr && (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode))) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

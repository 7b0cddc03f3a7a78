#include "base/file.h"

#include <sys/stat.h>
#include <unistd.h>

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

namespace {
// New files get the usual permissions; a replaced file keeps its own.
mode_t ModeFor(const std::string& name) {
  struct stat info;
  if (stat(name.c_str(), &info) == 0) return info.st_mode & 07777;
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}
}  // namespace

bool WriteFileSafely(const std::string& name, const std::function<bool(std::FILE*)>& write) {
  std::string temp = name + ".XXXXXX";
  int fd = mkstemp(temp.data());
  std::FILE* file = fd >= 0 ? fdopen(fd, "w") : nullptr;
  bool written = file != nullptr && fchmod(fd, ModeFor(name)) == 0 && write(file) &&
                 std::fflush(file) == 0 && !std::ferror(file) && fsync(fd) == 0;
  if (file != nullptr) {
    written = std::fclose(file) == 0 && written;
  } else if (fd >= 0) {
    close(fd);
  }
  written = written && std::rename(temp.c_str(), name.c_str()) == 0;
  if (!written && fd >= 0) std::remove(temp.c_str());
  return written;
}

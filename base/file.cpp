#include "base/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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
// The file a name finally refers to: symbolic links are followed, even to a
// target that does not exist yet, so a save replaces the target and keeps
// the link.
std::string ResolveLinks(std::string name) {
  for (int hops = 0; hops < 40; ++hops) {
    char buffer[4096];
    const ssize_t length = readlink(name.c_str(), buffer, sizeof buffer);
    if (length < 0 || length == static_cast<ssize_t>(sizeof buffer)) return name;
    std::string target(buffer, static_cast<std::size_t>(length));
    const std::size_t slash = name.rfind('/');
    if (target[0] != '/' && slash != std::string::npos) target = name.substr(0, slash + 1) + target;
    name = target;
  }
  return name;
}

std::string DirectoryOf(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : name.substr(0, slash);
}

// Runs `write` on a stream over `fd` (which stays open) and forces the
// bytes to disk.
bool WriteAll(int fd, const std::function<bool(std::FILE*)>& write) {
  const int copy = dup(fd);
  std::FILE* file = copy >= 0 ? fdopen(copy, "w") : nullptr;
  if (file == nullptr) {
    if (copy >= 0) close(copy);
    return false;
  }
  bool written = write(file) && std::fflush(file) == 0 && !std::ferror(file);
  written = std::fclose(file) == 0 && written;
  return written && fsync(fd) == 0;
}

bool WriteBytes(int fd, const std::string& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t n = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Rewrites the open file `fd` in place, so its hard links and directory
// entry stay as they are. When the write fails, the old bytes are put back.
bool WriteInPlace(int fd, const std::function<bool(std::FILE*)>& write) {
  std::string old;
  char buffer[65536];
  for (ssize_t n; (n = pread(fd, buffer, sizeof buffer, static_cast<off_t>(old.size()))) != 0;) {
    if (n < 0) return false;
    old.append(buffer, static_cast<std::size_t>(n));
  }
  if (ftruncate(fd, 0) == 0 && lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, write)) return true;
  if (ftruncate(fd, 0) == 0 && WriteBytes(fd, old)) fsync(fd);
  return false;
}

// Writes a temporary file beside `name` and renames it over `name`. The
// temporary name is short, so any name the system allows can be saved.
bool WriteAndReplace(const std::string& name, const struct stat* old,
                     const std::function<bool(std::FILE*)>& write) {
  std::string temp = DirectoryOf(name) + "/.qm-XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  mode_t mode;
  if (old != nullptr) {
    // Keep the owner and group where the process may (the group alone when
    // only that is allowed, else the file is the process's own); the mode
    // comes after, as a change of owner can clear set-id bits.
    if (fchown(fd, old->st_uid, old->st_gid) != 0) {
      [[maybe_unused]] int groupOnly = fchown(fd, static_cast<uid_t>(-1), old->st_gid);
    }
    mode = old->st_mode & 07777;
  } else {
    mode = umask(0);
    umask(mode);
    mode = 0666 & ~mode;
  }
  bool written = fchmod(fd, mode) == 0 && WriteAll(fd, write);
  written = close(fd) == 0 && written;
  written = written && std::rename(temp.c_str(), name.c_str()) == 0;
  if (!written) std::remove(temp.c_str());
  return written;
}
}  // namespace

bool WriteFileSafely(const std::string& name, const std::function<bool(std::FILE*)>& write) {
  const std::string target = ResolveLinks(name);
  struct stat info;
  if (stat(target.c_str(), &info) != 0) return errno == ENOENT && WriteAndReplace(target, nullptr, write);
  if (!S_ISREG(info.st_mode)) return false;
  // Refused exactly when a plain open for writing would refuse it.
  const int check = open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (check < 0) return false;
  close(check);
  if (info.st_nlink == 1 && access(DirectoryOf(target).c_str(), W_OK) == 0) {
    return WriteAndReplace(target, &info, write);
  }
  // Other links would be split off, or no new file can be made beside it.
  const int fd = open(target.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  const bool written = fd >= 0 && WriteInPlace(fd, write);
  if (fd >= 0) close(fd);
  return written;
}

bool WriteNewFile(const std::string& name, const std::function<bool(std::FILE*)>& write) {
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool written = WriteAll(fd, write);
  written = close(fd) == 0 && written;
  if (!written) {
    const int saved = errno == EEXIST ? EIO : errno;  // EEXIST means only "taken"
    unlink(name.c_str());
    errno = saved;
  }
  return written;
}

#include "base/file.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "base/console.h"

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

// Runs `write` on a stream over `fd` (which stays open), from the file's
// offset, and flushes it. Returns the offset where the writing ended, or -1
// when a write failed.
off_t WriteThroughStream(int fd, const std::function<bool(std::FILE*)>& write) {
  const int copy = dup(fd);
  std::FILE* file = copy >= 0 ? fdopen(copy, "w") : nullptr;
  if (file == nullptr) {
    if (copy >= 0) close(copy);
    return -1;
  }
  bool written = write(file) && std::fflush(file) == 0 && !std::ferror(file);
  written = std::fclose(file) == 0 && written;
  return written ? lseek(fd, 0, SEEK_CUR) : -1;  // the copy shared the offset
}

// How many bytes `write` writes, counted without keeping them; -1 when it
// fails.
off_t CountBytes(const std::function<bool(std::FILE*)>& write) {
  off_t count = 0;
  cookie_io_functions_t counter{};
  counter.write = [](void* total, const char*, std::size_t size) -> ssize_t {
    *static_cast<off_t*>(total) += static_cast<off_t>(size);
    return static_cast<ssize_t>(size);
  };
  std::FILE* file = fopencookie(&count, "w", counter);
  if (file == nullptr) return -1;
  bool written = write(file) && std::fflush(file) == 0 && !std::ferror(file);
  written = std::fclose(file) == 0 && written;
  return written ? count : -1;
}

bool WithinSizeLimit(off_t size) {
  rlimit limit{};
  return getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
         static_cast<rlim_t>(size) <= limit.rlim_cur;
}

// Forces a folder's entries to disk, so a file renamed into it stays there
// through a power cut. File systems that cannot sync a folder count as done.
bool SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0 || errno == EINVAL;
  close(fd);
  return synced;
}

// Copies bytes `from`..`to` of file `in` to the same offsets of `out`: in
// the kernel where it can (no copy in this process's memory), else through
// a small buffer.
bool CopyRange(int in, int out, off_t from, off_t to) {
  for (loff_t read = from, written = from; read < to;) {
    const ssize_t n = copy_file_range(in, &read, out, &written, static_cast<std::size_t>(to - read), 0);
    if (n > 0) continue;
    if (n == 0 || (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)) return false;
    char buffer[65536];
    for (off_t at = read; at < to;) {
      const ssize_t got = pread(in, buffer, static_cast<std::size_t>(std::min<off_t>(to - at, sizeof buffer)), at);
      if (got <= 0 || pwrite(out, buffer, static_cast<std::size_t>(got), at) != got) return false;
      at += got;
    }
    return true;
  }
  return true;
}

// Makes `out` hold the first `size` bytes of `in`, copying only the parts
// that hold data, so a sparse file stays sparse and costs no more disk.
bool CopyFile(int in, int out, off_t size) {
  if (ftruncate(out, 0) != 0) return false;
  for (off_t at = 0; at < size;) {
    off_t data = lseek(in, at, SEEK_DATA);
    if (data < 0 && errno == ENXIO) break;  // only a hole is left
    if (data < 0) data = at;                // no hole finding: all data
    if (data >= size) break;
    off_t hole = lseek(in, data, SEEK_HOLE);
    hole = hole < 0 || hole > size ? size : hole;
    if (!CopyRange(in, out, data, hole)) return false;
    at = hole;
  }
  return ftruncate(out, size) == 0 && fsync(out) == 0;
}

// Creates the file that keeps an in-place save's old bytes: beside the file
// in `folder` when a file can be made there, else in $TMPDIR, /var/tmp or
// /tmp, whichever is on the same file system `device` (so it lasts through
// a restart and takes room where the file does, never memory). Returns its
// descriptor and names it in `path`; -1 when there is no such place.
int CreateBackup(const std::string& folder, dev_t device, std::string& path) {
  const char* tmp = std::getenv("TMPDIR");
  for (const std::string& place : {folder, std::string(tmp != nullptr && tmp[0] == '/' ? tmp : ""),
                                   std::string("/var/tmp"), std::string("/tmp")}) {
    struct stat info;
    if (place.empty() || stat(place.c_str(), &info) != 0 || info.st_dev != device) continue;
    path = place + (place == folder ? "/.qm-XXXXXX" : "/quillmar-backup-XXXXXX");
    const int fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd >= 0) return fd;
  }
  return -1;
}

// Rewrites the open file `fd` in place, so its hard links and directory
// entry stay as they are. Nothing touches it before the new bytes are known
// to fit the file-size limit, their room on disk is reserved and the old
// bytes are safe in a backup file; a failed write puts them back from it. A
// backup that cannot be put back stays, and one console line says where.
bool WriteInPlace(int fd, const struct stat& old, const std::string& name,
                  const std::function<bool(std::FILE*)>& write) {
  const off_t size = CountBytes(write);
  if (size < 0 || !WithinSizeLimit(size) || !WithinSizeLimit(old.st_size)) return false;
  std::string backupName;
  const int backup = CreateBackup(DirectoryOf(name), old.st_dev, backupName);
  if (backup < 0) return false;
  const bool kept = CopyFile(fd, backup, old.st_size) && SyncFolder(DirectoryOf(backupName));
  bool written = false, intact = true;  // intact: the file holds its old bytes
  if (kept && (size == 0 || posix_fallocate(fd, 0, size) == 0)) {
    intact = false;
    written = lseek(fd, 0, SEEK_SET) == 0 && WriteThroughStream(fd, write) == size &&
              ftruncate(fd, size) == 0 && fsync(fd) == 0;
  } else if (kept) {
    intact = ftruncate(fd, old.st_size) == 0;  // the reservation may have added room past the end
  }
  const bool restored = written || intact || CopyFile(backup, fd, old.st_size);
  if (!restored) {
    Print("Could not restore %s; its old contents are kept in %s\n", name.c_str(), backupName.c_str());
  }
  close(backup);
  if (restored) unlink(backupName.c_str());
  return written;
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
  bool written = fchmod(fd, mode) == 0 && WriteThroughStream(fd, write) >= 0 && fsync(fd) == 0;
  written = close(fd) == 0 && written;
  written = written && std::rename(temp.c_str(), name.c_str()) == 0;
  if (!written) std::remove(temp.c_str());
  return written && SyncFolder(DirectoryOf(name));
}
}  // namespace

bool WriteFileSafely(const std::string& name, const std::function<bool(std::FILE*)>& write) {
  const std::string target = ResolveLinks(name);
  struct stat info;
  if (stat(target.c_str(), &info) != 0) return errno == ENOENT && WriteAndReplace(target, nullptr, write);
  // Refused when its owner may not write it (even when root runs the
  // editor), or when a plain open for writing would refuse it.
  if (!S_ISREG(info.st_mode) || (info.st_mode & S_IWUSR) == 0) return false;
  const int check = open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (check < 0) return false;
  close(check);
  if (info.st_nlink == 1 && access(DirectoryOf(target).c_str(), W_OK) == 0) {
    return WriteAndReplace(target, &info, write);
  }
  // Other links would be split off, or no new file can be made beside it.
  const int fd = open(target.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  const bool written = fd >= 0 && WriteInPlace(fd, info, target, write);
  if (fd >= 0) close(fd);
  return written;
}

bool WriteNewFile(const std::string& name, const std::function<bool(std::FILE*)>& write) {
  const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool written = WriteThroughStream(fd, write) >= 0 && fsync(fd) == 0;
  written = close(fd) == 0 && written;
  if (!written) {
    const int saved = errno == EEXIST ? EIO : errno;  // EEXIST means only "taken"
    unlink(name.c_str());
    errno = saved;
  }
  return written;
}

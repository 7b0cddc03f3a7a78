#include "io/recovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "base/console.h"
#include "base/file.h"
#include "io/scene_file.h"
#include "io/textures.h"

namespace {
constexpr char kPrefix[] = "recovered-";
constexpr char kSuffix[] = ".scene";
constexpr std::size_t kStampLength = 15;  // YYYYMMDD-HHMMSS
constexpr int kMaxSameSecond = 1000;

bool IsAbsolute(const char* path) { return path != nullptr && path[0] == '/'; }

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](unsigned char c) { return std::isdigit(c) != 0; });
}

// Orders recovery names oldest first: by time stamp, then by the -N that
// tells apart files of the same second (none counts as 1).
struct RecoveryAge {
  std::string stamp;
  long number;
  bool operator<(const RecoveryAge& other) const {
    return stamp != other.stamp ? stamp < other.stamp : number < other.number;
  }
};

// Reads the age from a name of the form recovered-YYYYMMDD-HHMMSS[-N].scene;
// false for any other name.
bool ParseRecoveryName(const std::string& name, RecoveryAge& age) {
  const std::size_t prefix = sizeof kPrefix - 1, suffix = sizeof kSuffix - 1;
  if (name.size() < prefix + kStampLength + suffix || name.compare(0, prefix, kPrefix) != 0 ||
      name.compare(name.size() - suffix, suffix, kSuffix) != 0) {
    return false;
  }
  std::string stamp = name.substr(prefix, kStampLength);
  std::string rest = name.substr(prefix + kStampLength, name.size() - prefix - kStampLength - suffix);
  if (!AllDigits(stamp.substr(0, 8)) || stamp[8] != '-' || !AllDigits(stamp.substr(9)) ||
      !(rest.empty() || (rest[0] == '-' && AllDigits(rest.substr(1)) && rest.size() < 10))) {
    return false;
  }
  age = {stamp, rest.empty() ? 1 : std::atol(rest.c_str() + 1)};
  return true;
}

// Creates `path` and any missing parents, private to the user.
bool MakeFolders(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Claims a fresh recovery name in `folder` by creating the file; returns its
// path, or empty.
std::string ClaimName(const std::string& folder, std::time_t now) {
  std::tm local{};
  char stamp[32];
  if (localtime_r(&now, &local) == nullptr ||
      std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local) != kStampLength) {
    return "";
  }
  for (int n = 1; n <= kMaxSameSecond; ++n) {
    std::string path = folder + "/" + kPrefix + stamp +
                       (n > 1 ? "-" + std::to_string(n) : std::string()) + kSuffix;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd >= 0) {
      close(fd);
      return path;
    }
    if (errno != EEXIST) return "";
  }
  return "";
}

// Removes all but the newest `keep` recovery scenes of `folder`, each with
// its list.
void PruneRecoveries(const std::string& folder, int keep) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::pair<RecoveryAge, std::string>> found;
  while (dirent* entry = readdir(dir)) {
    RecoveryAge age;
    if (ParseRecoveryName(entry->d_name, age)) found.push_back({age, entry->d_name});
  }
  closedir(dir);
  if (found.size() <= static_cast<std::size_t>(keep)) return;
  std::sort(found.begin(), found.end());
  for (std::size_t i = 0; i + keep < found.size(); ++i) {
    std::string path = folder + "/" + found[i].second;
    std::remove(path.c_str());
    std::remove((path + ".tex").c_str());
  }
}
}  // namespace

std::string RecoveryFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (IsAbsolute(state)) return std::string(state) + "/quillmar";
  const char* home = std::getenv("HOME");
  if (IsAbsolute(home)) return std::string(home) + "/.local/state/quillmar";
  return "";
}

std::string WriteRecovery(const ObjectList& list, const TextureTable& textures,
                          const std::string& folder, std::time_t now) {
  if (folder.empty() || !MakeFolders(folder)) return "";
  std::string path = ClaimName(folder, now);
  if (path.empty()) return "";
  bool written =
      WriteFileSafely(path, [&](std::FILE* file) { return WriteScene(list, file); }) &&
      WriteFileSafely(path + ".tex",
                      [&](std::FILE* file) { return WriteTextureList(textures, file, true); });
  if (!written) {
    std::remove(path.c_str());
    std::remove((path + ".tex").c_str());
    return "";
  }
  PruneRecoveries(folder, kRecoveriesKept);
  return path;
}

bool KeepRecovery(const ObjectList& list, const TextureTable& textures) {
  std::string folder = RecoveryFolder();
  std::string path = WriteRecovery(list, textures, folder, std::time(nullptr));
  if (path.empty()) {
    if (folder.empty()) {
      Print("Unsaved changes could not be kept: no home folder\n");
    } else {
      Print("Unsaved changes could not be kept in %s\n", folder.c_str());
    }
    return false;
  }
  Print("Unsaved changes kept in %s\n", path.c_str());
  return true;
}

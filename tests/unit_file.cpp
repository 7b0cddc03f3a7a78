// Saving over existing files with real files on disk: what WriteFileSafely
// refuses, follows and keeps.
#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <functional>
#include <vector>

#include "base/file.h"
#include "tests/test_support.h"

namespace {
namespace fs = std::filesystem;

// Writes "new"; a failing writer gets half-way and gives up.
bool WriteNew(std::FILE* f) { return std::fputs("new", f) >= 0; }
bool FailHalfway(std::FILE* f) { return std::fputs("ne", f) < 0; }

struct stat Stat(const std::string& path) {
  struct stat info{};
  lstat(path.c_str(), &info);
  return info;
}

// Runs `save` in a child process, as the user nobody when this runs as root
// (root may write anything, so refusals need an ordinary user); returns
// what it returned, and the child's peak resident size in `peakKb`.
bool SaveAs(bool dropRoot, const std::function<bool()>& save, long* peakKb = nullptr) {
  pid_t child = fork();
  if (child == 0) {
    const passwd* nobody = getpwnam("nobody");
    if (dropRoot && getuid() == 0 &&
        (nobody == nullptr || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)) {
      _exit(2);
    }
    try {
      _exit(save() ? 0 : 1);
    } catch (...) {  // such as std::bad_alloc: the child must not go on with the test
      _exit(3);
    }
  }
  int status = -1;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  if (peakKb != nullptr) *peakKb = usage.ru_maxrss;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not become nobody";
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
}  // namespace

TEST(WriteFileSafely, MendsForWhatASaveReplaces) {
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  const std::string longName(250, 'n');
  struct Case {
    const char* what;
    std::function<void(const std::string& d)> setup;  // after "d/f" holds "old"
    std::string saved;                                // the name given to the save
    bool fails;                                       // the writer fails half-way
    bool ok;                                          // what the save returns
    std::function<void(const std::string& d)> check;
  } cases[] = {
      {"write-protected file is refused", [](auto& d) { chmod((d + "/f").c_str(), 0444); }, "f", false, false,
       [](auto& d) { EXPECT_EQ(Stat(d + "/f").st_mode & 0777, 0444u); }},
      {"a symlink's target is replaced",
       [](auto& d) { fs::create_directory(d + "/sub"), fs::rename(d + "/f", d + "/sub/f"),
                     fs::create_symlink("sub/f", d + "/link"); },
       "link", false, true,
       [](auto& d) { EXPECT_TRUE(S_ISLNK(Stat(d + "/link").st_mode));
                     EXPECT_EQ(ReadFileBytes(d + "/sub/f"), "new"); }},
      {"hard links are kept", [](auto& d) { fs::create_hard_link(d + "/f", d + "/g"); }, "f", false, true,
       [](auto& d) { EXPECT_EQ(ReadFileBytes(d + "/g"), "new");
                     EXPECT_EQ(Stat(d + "/g").st_ino, Stat(d + "/f").st_ino); }},
      {"a failed in-place write puts the old bytes back", [](auto& d) { fs::create_hard_link(d + "/f", d + "/g"); },
       "f", true, false, [](auto& d) { EXPECT_EQ(ReadFileBytes(d + "/g"), "old"); }},
      {"a read-only folder's writable file is written in place", [](auto& d) { chmod(d.c_str(), 0555); }, "f",
       false, true, [](auto& d) { chmod(d.c_str(), 0755); }},
      {"in place, a failed write puts the old bytes back", [](auto& d) { chmod(d.c_str(), 0555); }, "f", true,
       false, [](auto& d) { chmod(d.c_str(), 0755); }},
      {"a 250-byte name saves", nullptr, longName, false, true, nullptr},
      {"a folder that does not exist is refused", nullptr, "none/f", false, false,
       [](auto& d) { EXPECT_FALSE(fs::exists(d + "/none")); }},
      {"a failed write keeps the old file", [](auto& d) { chmod((d + "/f").c_str(), 0640); }, "f", true, false,
       [](auto& d) { EXPECT_EQ(Stat(d + "/f").st_mode & 0777, 0640u); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string& d = dir.path();
    WriteFileBytes(d + "/f", "old");
    if (c.saved == longName) WriteFileBytes(d + "/" + longName, "old");
    if (c.setup) c.setup(d);
    if (getuid() == 0) {  // the files become nobody's, who then saves
      for (const auto& e : fs::recursive_directory_iterator(d)) lchown(e.path().c_str(), nobody->pw_uid, nobody->pw_gid);
      ASSERT_EQ(chown(d.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    }
    const std::string name = d + "/" + c.saved;
    EXPECT_EQ(SaveAs(true, [&] { return WriteFileSafely(name, c.fails ? FailHalfway : WriteNew); }), c.ok);
    if (c.check) c.check(d);
    if (c.saved != "none/f") {
      EXPECT_EQ(ReadFileBytes(name), c.ok ? "new" : "old");
    }
    int entries = 0;
    for (const auto& e : fs::directory_iterator(d)) entries += e.path().filename().string().rfind(".qm-", 0) == 0;
    EXPECT_EQ(entries, 0) << "temporary file left behind";
  }
}

TEST(WriteFileSafely, RootKeepsTheOwnerAndGroup) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to own a file that is someone else's";
  const passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  TempDir dir;
  const std::string name = dir.File("f");
  WriteFileBytes(name, "old");
  ASSERT_EQ(chown(name.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  ASSERT_EQ(chmod(name.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileSafely(name, WriteNew));
  EXPECT_EQ(ReadFileBytes(name), "new");
  EXPECT_EQ(Stat(name).st_uid, nobody->pw_uid);
  EXPECT_EQ(Stat(name).st_gid, nobody->pw_gid);
  EXPECT_EQ(Stat(name).st_mode & 0777, 0640u);
}

// An in-place save (here over a hard-linked file) that cannot be done leaves
// the old bytes as they were, and never needs them in memory.
TEST(WriteFileSafely, InPlaceSavesCannotDamageTheOldFile) {
  struct Case {
    const char* what;
    off_t oldSize;  // of 'o' bytes; past 200,000 a sparse file
    std::size_t newSize;
    mode_t mode;
    rlim_t fileLimit;  // set as the writer starts its limitRun-th run (1 counts, 2 writes)
    int limitRun;
    bool ok;
  } cases[] = {
      {"ulimit -f 100: 150 KB over 200 KB", 200000, 150000, 0644, 100 * 1024, 1, false},
      {"a 3 GiB file, in far less memory", off_t{3} << 30, 3, 0644, 0, 0, true},
      {"0444 is refused whoever saves", 200000, 3, 0444, 0, 0, false},
      {"a failed put-back keeps the backup and names it", 200000, 150000, 0644, 1000, 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string name = dir.File("f"), old(std::min<off_t>(c.oldSize, 200000), 'o'), fresh(c.newSize, 'n');
    WriteFileBytes(name, old);
    ASSERT_EQ(truncate(name.c_str(), c.oldSize), 0);
    fs::create_hard_link(name, dir.File("g"));
    chmod(name.c_str(), c.mode);
    long peakKb = 0;
    EXPECT_EQ(SaveAs(false, [&] {
                std::signal(SIGXFSZ, SIG_IGN);
                rlimit limit{};
                ConsoleCapture console;
                int runs = 0;
                bool saved = WriteFileSafely(name, [&](std::FILE* f) {
                  if (++runs == c.limitRun && getrlimit(RLIMIT_FSIZE, &limit) == 0) {
                    limit.rlim_cur = c.fileLimit;
                    setrlimit(RLIMIT_FSIZE, &limit);
                  }
                  return std::fwrite(fresh.data(), 1, fresh.size(), f) == fresh.size();
                });
                WriteFileBytes(dir.File("printed"), console.Take());
                return saved;
              }, &peakKb),
              c.ok);
    EXPECT_LT(peakKb, 512 * 1024);
    EXPECT_EQ(Stat(dir.File("g")).st_ino, Stat(name).st_ino);
    std::string backup;  // the file is damaged only when the put-back failed, and then the backup is named
    for (const auto& e : fs::directory_iterator(dir.path())) {
      if (e.path().filename().string().rfind(".qm-", 0) == 0) backup = e.path().string();
    }
    EXPECT_EQ(ReadFileBytes(dir.File("printed")),
              backup.empty() ? "" : "Could not restore " + name + "; its old contents are kept in " + backup + "\n");
    EXPECT_EQ(backup.empty(), c.limitRun != 2);
    EXPECT_EQ(Stat(backup.empty() ? name : backup).st_size, c.ok ? off_t(c.newSize) : c.oldSize);
    EXPECT_TRUE(c.oldSize > 200000 || ReadFileBytes(backup.empty() ? name : backup) == (c.ok ? fresh : old));
  }
}

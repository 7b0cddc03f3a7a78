// Saving over existing files with real files on disk: what WriteFileSafely
// refuses, follows and keeps.
#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

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
// what it returned.
bool SaveAs(bool dropRoot, const std::function<bool()>& save) {
  pid_t child = fork();
  if (child == 0) {
    const passwd* nobody = getpwnam("nobody");
    if (dropRoot && getuid() == 0 &&
        (nobody == nullptr || setgroups(0, nullptr) != 0 || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)) {
      _exit(2);
    }
    _exit(save() ? 0 : 1);
  }
  int status = -1;
  waitpid(child, &status, 0);
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

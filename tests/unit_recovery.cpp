// Recovery files: where they go, how they are named, what they hold, and
// that only the newest are kept.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "io/journal.h"
#include "io/recovery.h"
#include "io/scene_file.h"
#include "tests/test_support.h"

namespace {
std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// 2026-12-08 14:30:05 local time.
std::time_t Noon() {
  std::tm local{};
  local.tm_year = 126, local.tm_mon = 11, local.tm_mday = 8;
  local.tm_hour = 14, local.tm_min = 30, local.tm_sec = 5;
  local.tm_isdst = -1;
  return std::mktime(&local);
}
}  // namespace

TEST(Recovery, FolderFollowsAnAbsoluteXdgStateHomeElseHome) {
  const char* oldHome = std::getenv("HOME");
  std::string home = oldHome != nullptr ? oldHome : "";
  setenv("HOME", "/h", 1);
  for (const char* state : {"", "relative"}) {
    setenv("XDG_STATE_HOME", state, 1);
    EXPECT_EQ(RecoveryFolder(), "/h/.local/state/quillmar") << state;
  }
  setenv("XDG_STATE_HOME", "/s", 1);
  EXPECT_EQ(RecoveryFolder(), "/s/quillmar");
  unsetenv("XDG_STATE_HOME");
  setenv("HOME", home.c_str(), 1);
}

TEST(Recovery, HoldsWhatASaveWritesAndTheSlotsFiles) {
  TempDir dir;
  ObjectList list;
  CreateObject(list)->shape = 's';
  CreateObject(list)->red = -3;
  TextureTable textures;
  textures.files[1] = "/abs/a.tga";
  textures.files[3] = "rel dir/t.tga";  // slot 2 empty between them, 4 on empty after
  std::string folder = dir.File("new/deeper");
  std::string first = WriteRecovery(list, textures, folder, Noon());
  std::string second = WriteRecovery(list, textures, folder, Noon());  // the same second
  EXPECT_EQ(first, folder + "/recovered-20261208-143005.scene");
  EXPECT_EQ(second, folder + "/recovered-20261208-143005-2.scene");

  ASSERT_TRUE(SaveScene(list, dir.File("saved.scene")));
  EXPECT_EQ(ReadFileBytes(first), ReadFileBytes(dir.File("saved.scene")));
  EXPECT_EQ(ReadFileBytes(first + ".tex"), "/abs/a.tga\n-\n\"" +
                                               std::filesystem::current_path().string() + "/rel dir/t.tga\"\n");
  EXPECT_EQ(Names(folder).size(), 4u);
}

TEST(Recovery, OnlyTheNewestTwentyAreKeptAndOtherFilesAreLeftAlone) {
  TempDir dir;
  std::set<std::string> kept = {"notes.txt", "recovered-today.scene"};
  for (const std::string& name : kept) WriteFileBytes(dir.File(name), "mine");
  for (int day = 1; day <= 25; ++day) {  // the 1st to the 25th of November
    std::string name = "recovered-202611" + std::string(day < 10 ? "0" : "") +
                       std::to_string(day) + "-120000" + (day == 25 ? "-2" : "") + ".scene";
    WriteFileBytes(dir.File(name), "");
    WriteFileBytes(dir.File(name + ".tex"), "");
    if (day > 7) kept.insert({name, name + ".tex"});
  }
  kept.insert("recovered-20261125-120000.scene");  // older than its -2, newer than the 24th
  WriteFileBytes(dir.File("recovered-20261125-120000.scene"), "");
  ObjectList list;
  std::string path = WriteRecovery(list, TextureTable{}, dir.path(), Noon());
  ASSERT_FALSE(path.empty());
  kept.insert({"recovered-20261208-143005.scene", "recovered-20261208-143005.scene.tex"});
  EXPECT_EQ(Names(dir.path()), kept);
}

TEST(Recovery, PruningGoesByAgeOnDiskAndNeverTakesTheFileJustWritten) {
  // Twenty files stamped an hour later than now, as another time zone or a
  // clock set back names them, though written earlier.
  TempDir dir;
  const std::time_t later = Noon() + 3600;
  std::tm local{};
  localtime_r(&later, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  for (int i = 1; i <= kRecoveriesKept; ++i) {
    std::string name = dir.File("recovered-" + std::string(stamp) + (i > 1 ? "-" + std::to_string(i) : "") + ".scene");
    WriteFileBytes(name, "");
    const timespec times[2] = {{later - 7200 + i, 0}, {later - 7200 + i, 0}};
    utimensat(AT_FDCWD, name.c_str(), times, 0);
  }
  ObjectList list;
  std::string path = WriteRecovery(list, TextureTable{}, dir.path(), Noon());
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(Names(dir.path()).count("recovered-" + std::string(stamp) + ".scene"), 0u);  // the oldest
  EXPECT_EQ(Names(dir.path()).count(std::filesystem::path(path).filename().string()), 1u);
  EXPECT_EQ(Names(dir.path()).size(), static_cast<std::size_t>(kRecoveriesKept) + 1);  // and its list
}

TEST(Recovery, JournalsOfEndedEditorsBecomeRecoveryFilesAndLiveOnesStay) {
  TempDir dir;
  ObjectList list;
  SceneObject* object = CreateObject(list);
  TextureTable textures;
  textures.files[1] = "/abs/a.tga";
  JournalWriter live, ended, clean;
  ASSERT_TRUE(live.Create(dir.path(), list, textures) && ended.Create(dir.path(), list, textures) &&
              clean.Create(dir.path(), list, textures));
  object->position.x = 0.1f;
  live.Changed(*object);
  ended.Changed(*object);
  ended.Close();  // as its editor's end leaves it, killed
  clean.Close();  // nothing unsaved
  WriteFileBytes(dir.File("damaged.journal"), "not a journal at all");
  ASSERT_TRUE(SaveScene(list, dir.File("saved.scene")));
  const std::string kept = dir.File("recovered-20261208-143005.scene");
  EXPECT_EQ(RecoverJournals(dir.path(), Noon()), "Unsaved changes of an earlier session kept in " + kept + "\n");
  EXPECT_EQ(ReadFileBytes(kept), ReadFileBytes(dir.File("saved.scene")));
  EXPECT_EQ(ReadFileBytes(kept + ".tex"), "/abs/a.tga\n");
  const std::string journal = std::filesystem::path(live.Path()).filename().string();
  EXPECT_EQ(Names(dir.path()), (std::set<std::string>{journal, "recovered-20261208-143005.scene",
                                                        "recovered-20261208-143005.scene.tex", "saved.scene"}));
}

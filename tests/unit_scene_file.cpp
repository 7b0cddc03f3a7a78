// Saving and loading scene files.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include "io/scene_file.h"
#include "scene/edit.h"
#include "tests/test_support.h"

namespace {
// A solid cube and a wire sphere, as the file must hold them.
const std::string kTwoObjects = std::string(
    "nextObject\n"
    "1.000000 1.000000 1.000000\n"
    "0.000000 0.000000 0.000000\n"
    "0.000000 0.000000 0.000000\n"
    "c \x01\n"
    "0.100000 0.100000 0.100000\n"
    "nextObject\n"
    "2.000000 0.500000 1.000000\n"
    "0.000000 45.000000 -10.000000\n"
    "1.500000 -2.000000 0.250000\n"
    "s ") + std::string(1, '\0') + "\n"
    "-3.000000 0.000000 0.000000\n"
    "EOF";

void BuildTwoObjects(ObjectList& list) {
  CreateObject(list);
  SceneObject* sphere = CreateObject(list);
  sphere->shape = 's';
  sphere->solid = 0;
  sphere->size = {2, 0.5f, 1};
  sphere->rotation = {0, 45, -10};
  sphere->position = {1.5f, -2, 0.25f};
  SetTextureCode(sphere, 3);
}

std::string Block(const std::string& keyword) {
  return keyword + "\n1 1 1\n0 0 0\n0 0 0\nc \x01\n0.5 0.5 0.5\n";
}
}  // namespace

TEST(SceneFile, SaveWritesTheExactBytes) {
  TempDir dir;
  ObjectList list;
  BuildTwoObjects(list);
  ConsoleCapture console;
  ASSERT_TRUE(SaveScene(list, dir.File("two.scene")));
  EXPECT_EQ(ReadFileBytes(dir.File("two.scene")), kTwoObjects);
  EXPECT_EQ(console.Take(), "");  // a good save is silent
}

TEST(SceneFile, LoadReadsObjectsPrintsThemAndSelectsTheFirst) {
  TempDir dir;
  WriteFileBytes(dir.File("two.scene"), kTwoObjects);
  ConsoleCapture console;
  ObjectList list;
  CreateObject(list);  // the old scene goes
  ASSERT_TRUE(LoadScene(list, dir.File("two.scene")));
  std::string name = dir.File("two.scene");
  EXPECT_EQ(console.Take(),
            "loading " + name + "\n"
            "ID: 0\ninfo-Size: 1.000000, 1.000000, 1.000000\n"
            "info-Rotation: 0.000000, 0.000000, 0.000000\n"
            "info-Position: 0.000000, 0.000000, 0.000000\n"
            "info-Shape: c\ninfo-Color: 0.100000, 0.100000, 0.100000\n"
            "ID: 1\ninfo-Size: 2.000000, 0.500000, 1.000000\n"
            "info-Rotation: 0.000000, 45.000000, -10.000000\n"
            "info-Position: 1.500000, -2.000000, 0.250000\n"
            "info-Shape: s\ninfo-Color: -3.000000, 0.000000, 0.000000\n"
            "Objects loaded: 2\n\n\n");
  EXPECT_EQ(list.count, 2);
  EXPECT_EQ(list.current, list.first);
  EXPECT_EQ(list.last->solid, 0);
  EXPECT_EQ(DecodeAppearance(*list.last).index, 3);

  ASSERT_TRUE(SaveScene(list, dir.File("again.scene")));  // round trip
  EXPECT_EQ(ReadFileBytes(dir.File("again.scene")), kTwoObjects);
}

TEST(SceneFile, MissingFileKeepsTheScene) {
  ConsoleCapture console;
  ObjectList list;
  SceneObject* kept = CreateObject(list);
  list.current = kept;
  EXPECT_FALSE(LoadScene(list, "/nonexistent/none.scene"));
  EXPECT_EQ(console.Take(),
            "loading /nonexistent/none.scene\nError opening file /nonexistent/none.scene!\n");
  EXPECT_EQ(list.first, kept);
  EXPECT_EQ(list.current, kept);

  // Things that open but are no scene: a directory, an endless device, and
  // a pipe nobody writes to (which must not block the editor).
  TempDir dir;
  mkfifo(dir.File("pipe").c_str(), 0600);
  for (const std::string& name : {dir.path(), std::string("/dev/zero"), dir.File("pipe")}) {
    EXPECT_FALSE(LoadScene(list, name)) << name;
    EXPECT_EQ(console.Take(), "loading " + name + "\nError opening file " + name + "!\n");
    EXPECT_EQ(list.first, kept);
  }
}

// What loading keeps from files that are odd or broken: the objects read
// whole before the fault, never a half-read block.
TEST(SceneFile, OddAndBrokenFilesEndTheLoadCleanly) {
  struct Case {
    const char* what;
    std::string text;
    int objects;
  } cases[] = {
      {"empty scene", "EOF", 0},
      {"empty file", "", 0},
      {"any keyword starts a block", Block("object") + Block("x") + "EOF", 2},
      {"EOF compares exactly", Block("EOFX") + Block("eof") + "EOF", 2},
      {"long keyword", Block(std::string(5000, 'k')) + "EOF", 1},
      {"no EOF at the end", Block("nextObject") + Block("nextObject"), 2},
      {"cut inside a block", Block("nextObject") + "nextObject\n1 1 1\n0 0", 1},
      {"malformed number", Block("nextObject") + "nextObject\n1 x 1\n" + Block("n") + "EOF", 1},
      {"missing colour", Block("nextObject") + "nextObject\n1 1 1\n0 0 0\n0 0 0\nc 1\n", 1},
      {"text after EOF is ignored", Block("a") + "EOF\n" + Block("b"), 1},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteFileBytes(dir.File("s"), c.text);
    ConsoleCapture console;
    ObjectList list;
    ASSERT_TRUE(LoadScene(list, dir.File("s"))) << c.what;
    EXPECT_EQ(list.count, c.objects) << c.what;
    EXPECT_EQ(list.current, list.first) << c.what;
    std::string out = console.Take();
    EXPECT_NE(out.find("Objects loaded: " + std::to_string(c.objects) + "\n\n\n"),
              std::string::npos)
        << c.what;
    int infos = 0;
    for (size_t at = out.find("ID: "); at != std::string::npos; at = out.find("ID: ", at + 1)) ++infos;
    EXPECT_EQ(infos, c.objects) << c.what;
  }
}

TEST(SceneFile, FlagTokenKeepsItsFirstByte) {
  TempDir dir;
  WriteFileBytes(dir.File("s"), "o 1 1 1 0 0 0 0 0 0 sphere 1yes 0.2 0.3 0.4 EOF");
  ConsoleCapture console;
  ObjectList list;
  ASSERT_TRUE(LoadScene(list, dir.File("s")));
  ASSERT_EQ(list.count, 1);
  EXPECT_EQ(list.first->shape, 's');
  EXPECT_EQ(list.first->solid, '1');  // the digit, which is still "solid"
}

TEST(SceneFile, FailedSaveReportsAndKeepsTheOldFile) {
  TempDir dir;
  ObjectList list;
  BuildTwoObjects(list);
  ConsoleCapture console;

  EXPECT_FALSE(SaveScene(list, dir.File("no/such/dir.scene")));
  EXPECT_EQ(console.Take(), "Error saving file " + dir.File("no/such/dir.scene") + "!\n");

  // A directory in the way: the rename fails and nothing is left behind.
  mkdir(dir.File("taken").c_str(), 0755);
  EXPECT_FALSE(SaveScene(list, dir.File("taken")));
  EXPECT_EQ(console.Take(), "Error saving file " + dir.File("taken") + "!\n");

  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    entries += entry.is_directory() ? 1 : 100;
  }
  EXPECT_EQ(entries, 1);  // only "taken": no temporary file left behind
}

TEST(SceneFile, WriteFailureKeepsTheOldFile) {
  TempDir dir;
  ObjectList list;
  BuildTwoObjects(list);
  WriteFileBytes(dir.File("old.scene"), "old contents");
  ConsoleCapture console;

  // A file size limit makes the writes fail, even for root.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit tiny = saved;
  tiny.rlim_cur = 16;
  setrlimit(RLIMIT_FSIZE, &tiny);
  bool ok = SaveScene(list, dir.File("old.scene"));
  setrlimit(RLIMIT_FSIZE, &saved);

  EXPECT_FALSE(ok);
  EXPECT_EQ(console.Take(), "Error saving file " + dir.File("old.scene") + "!\n");
  EXPECT_EQ(ReadFileBytes(dir.File("old.scene")), "old contents");
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) entries += entry.exists();
  EXPECT_EQ(entries, 1);
}

TEST(SceneFile, SaveKeepsTheTargetsPermissions) {
  TempDir dir;
  ObjectList list;
  CreateObject(list);
  WriteFileBytes(dir.File("p.scene"), "x");
  chmod(dir.File("p.scene").c_str(), 0640);
  ConsoleCapture console;
  ASSERT_TRUE(SaveScene(list, dir.File("p.scene")));
  struct stat info;
  ASSERT_EQ(stat(dir.File("p.scene").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

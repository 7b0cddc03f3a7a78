// Saving and loading scene files.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <random>

#include "io/scene_file.h"
#include "scene/edit.h"
#include "tests/formatted_scene.h"
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

namespace {
// A scene holding every kind of value the format must carry: random bits
// (NaN, infinities, huge and tiny numbers), halves of the sixth decimal,
// plain decimals and powers of two.
void BuildVariedScene(ObjectList& list, int objects) {
  std::mt19937 random(2024);
  auto value = [&random]() {
    std::uint32_t bits = random();
    float f;
    switch (bits % 4) {
      case 0: std::memcpy(&f, &bits, sizeof f); return f;
      case 1: return static_cast<float>(static_cast<int>(random() % 20001) - 10000) / 128;
      case 2: return static_cast<float>(random() % 1000000) / 1000 - 500;
      default: return std::ldexp(bits % 8 == 3 ? -1.0f : 1.0f, static_cast<int>(random() % 240) - 120);
    }
  };
  for (int i = 0; i < objects; ++i) {
    SceneObject* o = CreateObject(list);
    for (float* f : {&o->size.x, &o->size.y, &o->size.z, &o->rotation.x, &o->rotation.y,
                     &o->rotation.z, &o->position.x, &o->position.y, &o->position.z, &o->red,
                     &o->green, &o->blue}) {
      *f = value();
    }
    o->shape = "csyl"[i % 4];
    o->solid = static_cast<char>(i % 3 == 0 ? 0 : 1);
  }
}

std::FILE* MemoryFile(const std::string& bytes) {
  std::FILE* file = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  return file;
}

std::string FileText(std::FILE* file) {
  std::string text;
  std::rewind(file);
  for (int c; (c = std::getc(file)) != EOF;) text.push_back(static_cast<char>(c));
  std::fclose(file);
  return text;
}

std::string FormattedSceneText(const ObjectList& list) {
  std::FILE* file = std::tmpfile();
  formatted::WriteScene(list, file);
  return FileText(file);
}

// Where two long texts first differ, for a readable failure.
std::string Difference(const std::string& a, const std::string& b) {
  std::size_t at = std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first - a.begin();
  return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size()) +
         ", first difference at " + std::to_string(at) + ": \"" + a.substr(at, 40) + "\" / \"" +
         b.substr(at, 40) + "\"";
}

// Loads `text` with the editor's reader and with the formatted one; both
// must print the same descriptions and keep the same objects, bit for bit.
void ExpectLoadsLikeTheFormattedReader(const std::string& text, const std::string& what) {
  ObjectList ours, theirs;
  std::string ourOutput;
  {
    ConsoleCapture console;
    std::FILE* file = MemoryFile(text);
    ReadScene(ours, file);
    std::fclose(file);
    ourOutput = console.Take();
  }
  std::FILE* file = MemoryFile(text);
  std::FILE* theirConsole = std::tmpfile();
  formatted::ReadScene(theirs, file, theirConsole);
  std::fclose(file);
  std::string theirOutput = FileText(theirConsole);
  ASSERT_EQ(ours.count, theirs.count) << what;
  ASSERT_TRUE(ourOutput == theirOutput) << what << ": " << Difference(ourOutput, theirOutput);
  for (const SceneObject *a = ours.first, *b = theirs.first; a != nullptr; a = a->next, b = b->next) {
    bool same = std::memcmp(a, b, offsetof(SceneObject, shape)) == 0 && a->shape == b->shape &&
                a->solid == b->solid && std::memcmp(&a->red, &b->red, 3 * sizeof(float)) == 0;
    ASSERT_TRUE(same) << what << ", object " << a->id;
  }
}
}  // namespace

TEST(SceneFile, SavesAndLoadsTheBytesOfTheFormattedFunctions) {
  ObjectList list;
  BuildVariedScene(list, 4000);
  const std::string expected = FormattedSceneText(list);
  TempDir dir;
  ConsoleCapture console;
  ASSERT_TRUE(SaveScene(list, dir.File("v.scene")));
  std::string saved = ReadFileBytes(dir.File("v.scene"));
  ASSERT_TRUE(saved == expected) << Difference(saved, expected);
  ExpectLoadsLikeTheFormattedReader(expected, "the whole scene");
}

// Cuts and stray characters anywhere: the same objects and descriptions as
// the formatted reader, however the text is damaged.
TEST(SceneFile, DamagedFilesLoadLikeTheFormattedReader) {
  ObjectList list;
  BuildVariedScene(list, 12);
  const std::string text = FormattedSceneText(list);
  const std::string junk[] = {"x", "+", "-", "e", "E+", ".", "0x", "0x.p", "inf", "infin", "nan(",
                              " ", "\n", "EOF", "1e", std::string(1, '\0'), "-.5e-3", "9"};
  std::mt19937 random(99);
  for (int i = 0; i < 600; ++i) {
    std::string damaged = text;
    std::size_t at = random() % text.size();
    if (i % 4 == 0) {
      damaged.resize(at);
    } else {
      damaged.insert(at, junk[random() % std::size(junk)]);
    }
    ExpectLoadsLikeTheFormattedReader(damaged, "case " + std::to_string(i));
    if (HasFatalFailure()) return;
  }
}

namespace {
// A read-only stream of `head`, then `count` copies of `fill`, then `tail`,
// made as it is read; it also notes the most heap memory in use meanwhile.
struct HugeStream {
  std::string head;
  std::size_t count;
  char fill;
  std::string tail;
  std::size_t at = 0;
  std::size_t peakHeap = 0;

  static ssize_t Read(void* cookie, char* out, std::size_t size) {
    auto* s = static_cast<HugeStream*>(cookie);
    struct mallinfo2 info = mallinfo2();
    s->peakHeap = std::max(s->peakHeap, info.uordblks + info.hblkhd);
    std::size_t total = s->head.size() + s->count + s->tail.size(), n = 0;
    for (; n < size && s->at < total; ++n, ++s->at) {
      std::size_t i = s->at;
      out[n] = i < s->head.size() ? s->head[i]
               : i < s->head.size() + s->count ? s->fill
                                                : s->tail[i - s->head.size() - s->count];
    }
    return static_cast<ssize_t>(n);
  }
};
}  // namespace

// A 64 MB token or number holds no more memory than an ordinary file: long
// keywords still start a block, long tokens keep their first byte, and an
// over-long number is malformed.
TEST(SceneFile, HugeTokensDoNotGrowMemory) {
  const std::size_t kHuge = std::size_t{64} << 20;
  const std::string block = " 1 1 1 0 0 0 0 0 0 c 1 0.5 0.5 0.5 EOF";
  struct Case {
    const char* what;
    HugeStream stream;
    int objects;
    char shape;
  } cases[] = {
      {"keyword", {"", kHuge, 'k', block}, 1, 'c'},
      {"shape", {"o 1 1 1 0 0 0 0 0 0 ", kHuge, 's', " 1 0 0 0 EOF"}, 1, 's'},
      {"number", {"o 1", kHuge, '0', " 1 1 0 0 0 0 0 0 c 1 0 0 0 EOF"}, 0, 0},
      {"blank line", {"o", kHuge, ' ', block}, 1, 'c'},
  };
  for (Case& c : cases) {
    std::size_t before = mallinfo2().uordblks + mallinfo2().hblkhd;
    std::FILE* file = fopencookie(&c.stream, "r", {HugeStream::Read, nullptr, nullptr, nullptr});
    ConsoleCapture console;
    ObjectList list;
    EXPECT_EQ(ReadScene(list, file), c.objects) << c.what;
    std::fclose(file);
    if (c.objects > 0) {
      EXPECT_EQ(list.first->shape, c.shape) << c.what;
    }
    EXPECT_LT(c.stream.peakHeap, before + (std::size_t{4} << 20)) << c.what;
  }
}

// Texture lists filling the texture table, with a recording fake for the
// graphics side.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <vector>

#include "input/commands.h"
#include "io/textures.h"
#include "tests/test_support.h"

namespace {
std::vector<std::string> g_uploads;  // "WxHxC" of each upload, in order
int g_texGenCalls = 0;
std::set<unsigned> g_live;  // names uploaded and not yet released

unsigned FakeUpload(const TgaImage& image) {
  g_uploads.push_back(std::to_string(image.width) + "x" + std::to_string(image.height) + "x" +
                      std::to_string(image.channels));
  unsigned name = 100 + static_cast<unsigned>(g_uploads.size());
  g_live.insert(name);
  return name;
}
void FakeRelease(unsigned name) {
  if (g_live.erase(name) != 1) ADD_FAILURE() << "released " << name << ", which is not live";
}
void FakeTexGen() { ++g_texGenCalls; }

// A w x h uncompressed TGA of the given depth, every pixel byte = 7.
std::string Tga(int w, int h, int depth) {
  std::string bytes(18, '\0');
  bytes[2] = 2;
  bytes[12] = static_cast<char>(w), bytes[14] = static_cast<char>(h);
  bytes[16] = static_cast<char>(depth);
  return bytes + std::string(static_cast<size_t>(w * h * depth / 8), '\7');
}

// Runs each test inside its own directory, as the editor runs in its
// working directory.
class Textures : public ::testing::Test {
 protected:
  void SetUp() override {
    g_uploads.clear();
    g_texGenCalls = 0;
    g_live.clear();
    backend.upload = FakeUpload;
    backend.release = FakeRelease;
    backend.enableTexGen = FakeTexGen;
    old = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
  }
  void TearDown() override { std::filesystem::current_path(old); }

  void LoadList(const std::string& text) {
    WriteFileBytes("list.tex", text);
    LoadTextureList(std::fopen("list.tex", "r"), table, backend);
  }

  TempDir dir;
  std::filesystem::path old;
  TextureBackend backend;
  TextureTable table;
};
}  // namespace

TEST_F(Textures, ListFillsSlotsInOrderWhateverTheSpacing) {
  WriteFileBytes("a.tga", Tga(2, 3, 24));
  WriteFileBytes("b.tga", Tga(4, 1, 32));
  WriteFileBytes("c.tga", Tga(1, 1, 16));
  ConsoleCapture console;
  LoadList("a.tga\n\n  b.tga c.tga");
  EXPECT_EQ(console.Take(), "Loading texture a.tga\nLoading texture b.tga\nLoading texture c.tga\n");
  EXPECT_EQ(g_uploads, (std::vector<std::string>{"2x3x3", "4x1x4", "1x1x3"}));
  EXPECT_EQ(table.names[0], 0u);
  EXPECT_EQ(table.names[1], 101u);
  EXPECT_EQ(table.names[3], 103u);
  EXPECT_EQ(table.names[4], 0u);
  EXPECT_EQ(g_texGenCalls, 3);
}

TEST_F(Textures, BadFilesAreReportedAndTheListGoesOn) {
  WriteFileBytes("good.tga", Tga(2, 2, 24));
  WriteFileBytes("grey.tga", std::string("\0\0\3\0\0\0\0\0\0\0\0\0\1\0\1\0\x08\0\x7f", 19));
  WriteFileBytes("short.tga", Tga(8, 8, 24).substr(0, 40));
  table.names[2] = 55;  // a slot whose file fails is emptied
  table.files[2] = "old.tga";
  g_live.insert(55);
  ConsoleCapture console;
  LoadList("missing.tga grey.tga short.tga good.tga");
  EXPECT_EQ(console.Take(),
            "Loading texture missing.tga\n\nUnable to load TGA File!\n"
            "Loading texture grey.tga\nCannot use texture grey.tga\n"
            "Loading texture short.tga\nCannot use texture short.tga\n"
            "Loading texture good.tga\n");
  EXPECT_EQ(table.names[1], 0u);
  EXPECT_EQ(table.names[2], 0u);
  EXPECT_EQ(table.files[2], "");
  EXPECT_EQ(table.names[4], 101u);
  EXPECT_EQ(g_live, (std::set<unsigned>{101}));
}

TEST_F(Textures, ReloadsFreeEveryReplacedTexture) {
  WriteFileBytes("t.tga", Tga(1, 1, 24));
  std::string list;
  for (int i = 0; i < 25; ++i) list += "t.tga\n";
  for (int i = 0; i < 100; ++i) LoadList(list);
  EXPECT_EQ(g_uploads.size(), 1900u);
  EXPECT_EQ(g_live.size(), 19u);
}

TEST_F(Textures, OverlongNamesAreReportedWithBoundedMemory) {
  WriteFileBytes("t.tga", Tga(1, 1, 24));
  table.names[1] = 55;
  g_live.insert(55);
  ConsoleCapture console;
  LoadList(std::string(10 << 20, 'x') + "\nt.tga " + std::string(kMaxTextureName, 'y'));
  EXPECT_EQ(console.Take(), "Texture name too long (over 4096 bytes), ignoring " + std::string(40, 'x') +
                                "...\nLoading texture t.tga\nLoading texture " + std::string(kMaxTextureName, 'y') +
                                "\n\nUnable to load TGA File!\n");
  EXPECT_EQ(table.names[1], 0u);
  EXPECT_EQ(table.names[2], 101u);
  EXPECT_EQ(g_live, (std::set<unsigned>{101}));
}

TEST_F(Textures, ExtraNamesPastTheTableAreIgnored) {
  WriteFileBytes("t.tga", Tga(1, 1, 24));
  std::string list;
  for (int i = 0; i < 21; ++i) list += "t.tga\n";
  list += std::string(300, 'n') + "\n";  // long names are read whole
  ConsoleCapture console;
  LoadList(list);
  std::string out = console.Take();
  EXPECT_EQ(g_uploads.size(), 19u);
  EXPECT_NE(table.names[19], 0u);
  EXPECT_NE(out.find("Too many textures in list, ignoring t.tga\nToo many textures in list, ignoring t.tga\n"
                     "Too many textures in list, ignoring " + std::string(300, 'n') + "\n"),
            std::string::npos);
}

TEST_F(Textures, StartupListIsOptionalAndSilent) {
  ConsoleCapture console;
  LoadStartupTextures(table, backend);
  EXPECT_EQ(console.Take(), "");
  WriteFileBytes("t.tga", Tga(1, 1, 24));
  WriteFileBytes("init.scene.tex", "t.tga\n");
  LoadStartupTextures(table, backend);
  EXPECT_EQ(console.Take(), "Loading texture t.tga\n");
  EXPECT_EQ(table.names[1], 101u);
}

TEST_F(Textures, LoadWithTexturesOpensEverySceneButNoListOfAMissingOne) {
  ObjectList list;
  SceneObject* kept = CreateObject(list);
  ConsoleCapture console;
  WriteFileBytes("t.tga", Tga(1, 1, 24));
  WriteFileBytes("gone.tex", "t.tga");
  std::filesystem::create_directory("dir");
  WriteFileBytes("dir.tex", "t.tga");
  for (const std::string name : {"gone", "dir"}) {  // missing, a directory
    EXPECT_FALSE(LoadSceneWithTextures(list, table, name, backend));
    EXPECT_EQ(console.Take(), "Error opening file " + name + "!\n");
  }
  EXPECT_EQ(list.first, kept);
  EXPECT_TRUE(g_uploads.empty());

  table.names[1] = 7;
  WriteFileBytes("s.scene", "EOF");  // no list: the scene loads, the slots stay
  EXPECT_TRUE(LoadSceneWithTextures(list, table, "s.scene", backend));
  EXPECT_EQ(console.Take(), "No textures exist for s.scene!\nloading s.scene\nObjects loaded: 0\n\n\n");
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(table.names[1], 7u);

  WriteFileBytes("s.scene.tex", "");  // an empty list
  EXPECT_TRUE(LoadSceneWithTextures(list, table, "s.scene", backend));
  EXPECT_EQ(console.Take(), "Loading textures for s.scene\nloading s.scene\nObjects loaded: 0\n\n\n");
}

// A new list loads back into the same slots, '-' emptying its slot silently.
TEST_F(Textures, SavesWriteTheListBesideTheSceneUnlessOneThereFillsTheSlotsAlike) {
  const struct {
    const char* what;
    std::vector<std::string> files;  // the table's slots 1, 2, ...
    std::string before, after;       // the list beside the scene; "": none
    bool ok;
  } cases[] = {
      {"no slot filled: no list", {}, "", "", true},
      {"an empty slot between filled ones is '-'", {"a.tga", "", "b.tga"}, "", "a.tga\n-\nb.tga\n", true},
      {"names that would read otherwise are quoted", {"a b.tga", "-", "\"q\\"}, "b.tga\n",
       "\"a b.tga\"\n\"-\"\n\"\\\"q\\\\\"\n", true},
      {"the same names in another layout are left alone", {"a.tga", "", "b.tga"}, "a.tga -\n\n b.tga",
       "a.tga -\n\n b.tga", true},
      {"a listed file that cannot be opened matches its empty slot", {"", "b.tga"}, "gone.tga b.tga",
       "gone.tga b.tga", true},
      {"a list that cannot be written is reported", {"a.tga"}, "<dir>", "<dir>", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all("s.scene.tex");
    if (c.before == "<dir>") std::filesystem::create_directory("s.scene.tex");
    else if (!c.before.empty()) WriteFileBytes("s.scene.tex", c.before);
    TextureTable textures;
    std::string loading;
    for (std::size_t i = 0; i < c.files.size(); ++i) {
      textures.files[i + 1] = c.files[i];
      if (c.files[i].empty()) continue;
      WriteFileBytes(c.files[i], Tga(1, 1, 24));
      loading += "Loading texture " + c.files[i] + "\n";
    }
    ConsoleCapture console;
    EXPECT_EQ(SaveSceneWithTextures(ObjectList{}, textures, "s.scene"), c.ok);
    EXPECT_EQ(console.Take(), c.ok ? "" : "Error saving file s.scene.tex!\n");
    EXPECT_EQ(std::filesystem::is_directory("s.scene.tex") ? "<dir>" : ReadFileBytes("s.scene.tex"), c.after);
    if (c.after != c.before) {  // a new list
      table.names[2] = 55;  // to be emptied by '-'
      g_live.insert(55);
      LoadList(c.after);
      EXPECT_EQ(console.Take(), loading);
      for (int slot = 1; slot < kTextureSlots; ++slot) EXPECT_EQ(table.files[slot], textures.files[slot]);
    }
  }
}

// The load's step owns the texture names the editor's table does not hold,
// and frees them only when it is dropped.
TEST_F(Textures, UndoingALoadBringsItsSlotsBack) {
  WriteFileBytes("r.tga", Tga(1, 1, 24));
  WriteFileBytes("g.scene", "EOF");
  WriteFileBytes("g.scene.tex", "r.tga\n-\n");
  Editor editor;
  editor.textureBackend = backend;
  WriteFileBytes("r.tex", "r.tga r.tga");
  LoadTextureList(std::fopen("r.tex", "r"), editor.textures, backend);  // names 101 and 102
  ConsoleCapture console("g.scene\ng.scene\n");
  const struct {
    int key;  // 0: the history is cleared
    unsigned name1, name2;
    std::set<unsigned> live;
  } steps[] = {
      {12, 103, 0, {101, 102, 103}},  // Ctrl+L keeps what it replaced
      {26, 101, 102, {101, 102, 103}},  // Ctrl+Z brings it back
      {25, 103, 0, {101, 102, 103}},  // Ctrl+Y
      {26, 101, 102, {101, 102, 103}},
      {14, 101, 102, {101, 102}},  // Ctrl+N drops the undone load
      {12, 104, 0, {101, 102, 104}},
      {0, 104, 0, {104}},  // and forgetting an applied load frees what it replaced
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.key);
    if (step.key != 0) HandleKey(editor, static_cast<unsigned char>(step.key));
    else editor.history.Clear();
    EXPECT_EQ(editor.textures.names[1], step.name1);
    EXPECT_EQ(editor.textures.names[2], step.name2);
    EXPECT_EQ(g_live, step.live);
  }
}

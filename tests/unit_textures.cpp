// Texture lists filling the texture table, with a recording fake for the
// graphics side.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <vector>

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

// Textures written by an independent writer, loaded at start-up and on
// Ctrl+L, and shown on objects.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/e2e_support.h"

namespace {
// A cube at x with the given appearance code, drawn 9 units in front of the
// start camera.
std::string Cube(const char* x, const char* color) {
  return std::string("nextObject\n1.2 1.2 1.2\n0 0 0\n") + x + " 0 0\nc \x01\n" + color + "\n";
}

// A w x h 16-bit TGA whose pixels are all `word`.
std::string Tga16(int w, int h, unsigned word) {
  std::string bytes(18, '\0');
  bytes[2] = 2, bytes[12] = static_cast<char>(w), bytes[14] = static_cast<char>(h), bytes[16] = 16;
  for (int i = 0; i < w * h; ++i) bytes += {static_cast<char>(word & 255), static_cast<char>(word >> 8)};
  return bytes;
}

// The colour in the middle of a cube at scene x, just off the x axis.
Rgb CubeColour(const Screenshot& shot, float x) {
  return shot.At(static_cast<int>(300 + x / 8.4f / 0.36397f * 300), 320);
}

void ExpectDominant(Rgb c, char channel) {
  int value = channel == 'r' ? c.r : channel == 'g' ? c.g : c.b;
  EXPECT_GT(value, 70) << channel << ": " << c.r << " " << c.g << " " << c.b;
  EXPECT_LT(c.r + c.g + c.b - value, 60) << channel << ": " << c.r << " " << c.g << " " << c.b;
}
}  // namespace

TEST(TextureFiles, StartupListFillsSlotsAndObjectsShowThem) {
  TempDir dir;
  RunX("convert -size 16x16 xc:'#ff0000' -type TrueColor -compress None " + dir.File("red24.tga"));
  RunX("convert -size 16x16 xc:'#0000ff' -alpha set -type TrueColorAlpha -compress RLE " +
       dir.File("blue32.tga"));
  WriteFileBytes(dir.File("green16.tga"), Tga16(8, 8, 0x03E0));
  WriteFileBytes(dir.File("grey8.tga"), std::string("\0\0\3\0\0\0\0\0\0\0\0\0\1\0\1\0\x08\0\x7f", 19));
  // The ImageMagick files must be what the test means: raw 24 and RLE 32.
  std::string red = ReadFileBytes(dir.File("red24.tga")), blue = ReadFileBytes(dir.File("blue32.tga"));
  ASSERT_GE(red.size(), 18u);
  ASSERT_GE(blue.size(), 18u);
  EXPECT_EQ(red[2], 2);
  EXPECT_EQ(red[16], 24);
  EXPECT_EQ(blue[2], 10);
  EXPECT_EQ(blue[16], 32);

  WriteFileBytes(dir.File("init.scene.tex"),
                 "red24.tga\nmissing.tga\nblue32.tga\n\ngrey8.tga   green16.tga\n");
  WriteFileBytes(dir.File("init.scene"),
                 Cube("-2", "-1 0 0") + Cube("0", "-3 0 0") + Cube("2", "-5 0 0") + "EOF");
  EditorProcess editor(dir.path());
  ASSERT_TRUE(editor.WaitForOutput("Loading texture green16.tga\n"));
  Screenshot shot = editor.Shoot();
  std::string out = editor.Output();
  EXPECT_EQ(out.substr(out.find("Objects loaded: 3\n\n\n")),
            "Objects loaded: 3\n\n\n"
            "Loading texture red24.tga\n"
            "Loading texture missing.tga\n\nUnable to load TGA File!\n"
            "Loading texture blue32.tga\n"
            "Loading texture grey8.tga\nCannot use texture grey8.tga\n"
            "Loading texture green16.tga\n");
  ExpectDominant(CubeColour(shot, -2), 'r');
  ExpectDominant(CubeColour(shot, 0), 'b');
  ExpectDominant(CubeColour(shot, 2), 'g');
  EXPECT_TRUE(editor.Running());

  // Shift+digit selects a slot: slot 3 (blue) on the first cube.
  editor.Keys("numbersign");
  ExpectDominant(CubeColour(editor.Shoot(), -2), 'b');
  editor.ExpectExitOn("Escape");
}

TEST(TextureFiles, LoadWithTexturesReplacesSlotsThenTheScene) {
  TempDir dir;
  RunX("convert -size 4x4 xc:'#00ff00' -type TrueColor -compress None " + dir.File("g.tga"));
  RunX("convert -size 4x4 xc:'#ff0000' -type TrueColor -compress RLE " + dir.File("r.tga"));
  WriteFileBytes(dir.File("init.scene.tex"), "g.tga\n");
  WriteFileBytes(dir.File("init.scene"), Cube("0", "-1 0 0") + "EOF");
  WriteFileBytes(dir.File("other.scene"), Cube("-2", "-1 0 0") + Cube("2", "-2 0 0") + "EOF");
  WriteFileBytes(dir.File("other.scene.tex"), "r.tga g.tga");
  EditorProcess editor(dir.path());
  ASSERT_TRUE(editor.WaitForOutput("Loading texture g.tga\n"));
  ExpectDominant(CubeColour(editor.Shoot(), 0), 'g');

  size_t before = editor.Output().size();
  editor.Type("other.scene\n");
  editor.Keys("ctrl+l");
  ASSERT_TRUE(editor.WaitForOutput("Objects loaded: 2\n\n\n", 10, before));
  EXPECT_NE(editor.Output().find("Load scene: Loading textures for other.scene\n"
                                 "Loading texture r.tga\nLoading texture g.tga\nloading other.scene\n"),
            std::string::npos);
  Screenshot shot = editor.Shoot();
  ExpectDominant(CubeColour(shot, -2), 'r');
  ExpectDominant(CubeColour(shot, 2), 'g');
  editor.ExpectExitOn("Escape");
}

// A saved textured scene reopens textured in a new session, and undoing a
// load brings back the textures it replaced (as the recovery list shows).
TEST(TextureFiles, TexturesComeBackAfterASaveAndAnUndoneLoad) {
  const struct {
    const char* what;
    const char* typed;  // the prompt's answer
    const char* keys;
    const char* list;  // the list then written: the saved scene's, else the recovery file's
  } cases[] = {
      {"Ctrl+S, then a new session", "saved.scene\n", "ctrl+s p", "saved.scene.tex"},
      {"Ctrl+Z of a load whose slot 1 is green", "green.scene\n", "ctrl+l ctrl+z p", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    for (const std::string colour : {"red", "green"}) {
      RunX("convert -size 4x4 xc:" + colour + " -type TrueColor -compress None " + dir.File(colour + ".tga"));
      WriteFileBytes(dir.File(colour == "red" ? "init.scene" : "green.scene"), Cube("0", "-1 0 0") + "EOF");
      WriteFileBytes(dir.File(colour == "red" ? "init.scene.tex" : "green.scene.tex"), colour + ".tga\n");
    }
    auto showsRed = [&](const std::vector<std::string>& args, const std::string& sync) {
      EditorProcess editor(dir.path(), args);
      editor.Type(args.empty() ? c.typed : "");
      if (args.empty()) editor.Keys(c.keys);
      EXPECT_TRUE(editor.WaitForOutput(sync));
      ExpectDominant(CubeColour(editor.Shoot(), 0), 'r');
      editor.ExpectExitOn("Escape");
    };
    showsRed({}, "info-Color: ");
    std::string list = c.list != nullptr ? dir.File(c.list) : "";
    std::error_code none;  // no recovery folder after a save
    for (const auto& e : std::filesystem::directory_iterator(dir.File("state/quillmar"), none)) {
      if (list.empty() && e.path().extension() == ".tex") list = e.path().string();
    }
    EXPECT_EQ(ReadFileBytes(list), c.list != nullptr ? "red.tga\n" : dir.File("red.tga") + "\n");
    if (c.list != nullptr) showsRed({"saved.scene"}, "Loading texture red.tga\n");
  }
}

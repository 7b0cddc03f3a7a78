// The editor started for real: console text, the start-up scene and what the
// window shows.
#include <gtest/gtest.h>

#include "tests/e2e_support.h"

namespace {
const char kWelcome[] = "Welcome to Quillmar Modeler.\n\n  Press F1 for Help.\n\n\n";

// One object block with the given fields, as the editor writes it.
std::string Block(const char* pos, char shape, int solid, const char* color,
                  const char* size = "1.000000 1.000000 1.000000") {
  return std::string("nextObject\n") + size + "\n0.000000 0.000000 0.000000\n" + pos + "\n" +
         shape + " " + static_cast<char>(solid) + "\n" + color + "\n";
}

std::string Info(int id, const char* size, const char* pos, char shape, const char* color) {
  return InfoBlock(id, size, "0.000000, 0.000000, 0.000000", pos, shape, color);
}

// Pixels brighter than the dim axes, anywhere in the window.
int BrightPixels(const Screenshot& shot) {
  int bright = 0;
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      Rgb c = shot.At(x, y);
      bright += std::max({c.r, c.g, c.b}) > 80;
    }
  }
  return bright;
}

// Where a point of the scene lands for the start camera: objects are drawn
// 5 units beyond their position, seen from z = 4 with a 40 degree view.
int ScreenX(float x) { return static_cast<int>(300 + x / 9 / 0.36397f * 300); }
int ScreenY(float y) { return static_cast<int>(300 - y / 9 / 0.36397f * 300); }
}  // namespace

TEST(StartUp, WithoutAStartSceneShowsOnlyTheAxes) {
  TempDir dir;
  EditorProcess editor(dir.path());
  Screenshot shot = editor.Shoot();
  EXPECT_EQ(editor.Output(), std::string(kWelcome) +
                                 "loading init.scene\nError opening file init.scene!\n");
  ASSERT_EQ(shot.width, 600);
  ASSERT_EQ(shot.height, 600);
  EXPECT_EQ(BrightPixels(shot), 0);
  // The axes cross in the middle of the window.
  Rgb axis = shot.At(300, 150), empty = shot.At(150, 150);
  EXPECT_GT(axis.r + axis.g + axis.b, 0);
  EXPECT_EQ(empty.r + empty.g + empty.b, 0);
  editor.ExpectExitOn("Escape");
}

TEST(StartUp, LoadsTheStartSceneAndDrawsItWhereTheCameraPutsIt) {
  TempDir dir;
  WriteFileBytes(dir.File("init.scene"),
                 Block("0.000000 0.000000 0.000000", 'c', 1, "1.000000 0.000000 0.000000") +
                     Block("2.000000 0.000000 0.000000", 's', 1, "0.000000 1.000000 0.000000",
                           "0.500000 0.500000 0.500000") +
                     Block("-2.000000 1.500000 0.000000", 'y', 1, "0.000000 0.000000 1.000000",
                           "0.500000 0.500000 0.500000") +
                     Block("0.000000 -2.000000 0.000000", 'c', 0, "1.000000 1.000000 0.000000") +
                     "EOF");
  EditorProcess editor(dir.path());
  Screenshot shot = editor.Shoot();
  EXPECT_EQ(editor.Output(),
            std::string(kWelcome) + "loading init.scene\n" +
                Info(0, "1.000000, 1.000000, 1.000000", "0.000000, 0.000000, 0.000000", 'c',
                     "1.000000, 0.000000, 0.000000") +
                Info(1, "0.500000, 0.500000, 0.500000", "2.000000, 0.000000, 0.000000", 's',
                     "0.000000, 1.000000, 0.000000") +
                Info(2, "0.500000, 0.500000, 0.500000", "-2.000000, 1.500000, 0.000000", 'y',
                     "0.000000, 0.000000, 1.000000") +
                Info(3, "1.000000, 1.000000, 1.000000", "0.000000, -2.000000, 0.000000", 'c',
                     "1.000000, 1.000000, 0.000000") +
                "Objects loaded: 4\n\n\n");

  // The red cube in the middle, inside its white selection frame.
  Rgb cube = shot.At(ScreenX(0.25f), ScreenY(0.2f));
  EXPECT_GT(cube.r, 120);
  EXPECT_LT(cube.g + cube.b, 60);
  Rgb sphere = shot.At(ScreenX(2), ScreenY(0));
  EXPECT_GT(sphere.g, 120);
  EXPECT_LT(sphere.r + sphere.b, 60);
  // The cylinder's cap faces the camera (it runs from z = 0 to -1).
  Rgb cylinder = shot.At(ScreenX(-2), ScreenY(1.5f));
  EXPECT_GT(cylinder.b, 120);
  EXPECT_LT(cylinder.r + cylinder.g, 60);
  // The wire cube is hollow: its centre shows the background.
  Rgb hollow = shot.At(ScreenX(0.2f), ScreenY(-1.8f));
  EXPECT_EQ(hollow.r + hollow.g + hollow.b, 0);
  // ...but its edges are yellow; scan its top edge's row for one.
  int yellow = 0;
  for (int x = ScreenX(-0.6f); x < ScreenX(0.6f); ++x) {
    for (int y = ScreenY(-1.4f); y < ScreenY(-1.6f); ++y) {
      Rgb c = shot.At(x, y);
      yellow += c.r > 100 && c.g > 100 && c.b < 60;
    }
  }
  EXPECT_GT(yellow, 10);
  // The white selection frame lightens the red cube's outline: pixels with
  // green in them, which the plain red faces lack.
  int white = 0;
  for (int y = ScreenY(0.7f); y < ScreenY(-0.7f); ++y) {
    for (int x = ScreenX(-0.7f); x < ScreenX(0.7f); ++x) {
      Rgb c = shot.At(x, y);
      white += c.g > 40 && c.b > 40;
    }
  }
  EXPECT_GT(white, 100);
  EXPECT_LT(white, 1500);
  editor.ExpectExitOn("ctrl+q");
}

TEST(StartUp, AnEmptySceneDrawsOnlyTheAxesAndAcceptsNewObjects) {
  TempDir dir;
  WriteFileBytes(dir.File("init.scene"), "EOF");
  EditorProcess editor(dir.path());
  EXPECT_EQ(BrightPixels(editor.Shoot()), 0);
  EXPECT_EQ(editor.Output(), std::string(kWelcome) + "loading init.scene\nObjects loaded: 0\n\n\n");

  editor.Keys("ctrl+w ctrl+n");
  ASSERT_TRUE(editor.WaitForOutput("New object created!\n"));
  Screenshot shot = editor.Shoot();
  EXPECT_GT(BrightPixels(shot), 100);  // the white frame of the new, selected cube
  editor.ExpectExitOn("Escape");
}

TEST(StartUp, HostileStartScenesNeitherCrashNorHang) {
  const std::string cases[] = {
      std::string(200000, 'k'),                               // one endless keyword
      "nextObject 1 2",                                       // cut short
      "nextObject 1 1 1 0 0 0 0 0 0 c \x01 nan inf -1e39 EOF",  // odd numbers
      "nextObject 1 1 1 0 0 0 0 0 0 c \x01 -99999999 0 0 EOF",  // texture far past the table
      "x 1 1 1 0 0 0 0 0 0 y \x01 0 -1e30 0 EOF",             // preset far past the table
      std::string("nextObject\n1 1 1\n0 0 0\n0 0 0\n") + '\0' + " 1\n1 1 1\nEOF",
  };
  for (const std::string& scene : cases) {
    SCOPED_TRACE(scene.substr(0, 40));
    TempDir dir;
    WriteFileBytes(dir.File("init.scene"), scene);
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.WaitForOutput("Objects loaded: "));
    editor.Shoot();
    EXPECT_TRUE(editor.Running());
    editor.ExpectExitOn("Escape");
  }
}

TEST(StartUp, TheBundledExampleOpens) {
  TempDir dir;
  for (const char* name : {"init.scene", "init.scene.tex"}) {
    std::string bytes = ReadFileBytes(SourcePath(std::string("examples/") + name));
    if (!bytes.empty()) WriteFileBytes(dir.File(name), bytes);
  }
  EditorProcess editor(dir.path());
  ASSERT_TRUE(editor.WaitForOutput("Objects loaded: "));
  EXPECT_GT(BrightPixels(editor.Shoot()), 20000);
  EXPECT_EQ(editor.Output().find("Error"), std::string::npos);
  editor.ExpectExitOn("Escape");
}

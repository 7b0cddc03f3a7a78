// Real X key and mouse events against the running editor.
#include <gtest/gtest.h>

#include "tests/e2e_support.h"

namespace {
const char kHelp[] =
    "\n\n\n\nQUILLMAR\n\n\nOpenGL 3D modeling program"
    "\n\nUsage:\nYou can cycle through objects and alter them as you wish.\n\nControls:\n\n"
    "help: F1\n\nnew object: CTRL + N\ndelete object: CTRL + W\nprev/next object: pgup/pgdown\n"
    "\nmodify size: F2\nmodify position: F3\nmodify rotation: F4\nmodify color: F5\n\n"
    "change attribute:\n\tx: left/right\n\ty: up/down\n\tz: home/end\n\n"
    "change shape: INS\n  \nESC: exit\n\n\n\n"
    "CAMERA movement:\nw : forwards\ns : backwards\na : strafe left\nd : strafe right\n"
    "x : turn down\nq : turn up\nz : turn right\nc : turn left\nr : move up\nf : move down\n\n"
    "Material Properties:\nPress 1 through 6 to choose a preset material:\n1: Bright Red\n"
    "2: Dark Red\n3: Blue\n4: Shiny Metal\n5: Black\n6: White\n\n"
    "Textures:\nPress SHIFT+1 through SHIFT+6 to choose a texture:\n"
    "(Texture files are set in the filename.tex file)"
    "\n\nMore keys:\n"
    "Enter: type the values of the edit mode (F2-F5)\n"
    "Tab: type a change to add to them (move, resize, turn or color by)\n"
    "undo: CTRL + Z\nredo: CTRL + Y or CTRL + SHIFT + Z\n"
    "duplicate object: CTRL + D\nselect object: click it (click again for the one behind)\n"
    "add or remove an object: SHIFT + click\nselect all: CTRL + A\n"
    "(edits apply to every selected object)\npgup: newer object, pgdown: older object\n"
    "solid/wire: -\ncycle colors: b\ntype a color: g\nprint object: p\necho on/off: ~\n"
    "move the light: F6\nsave scene: CTRL + S\nload scene: CTRL + L\nexit: ESC or CTRL + Q\n"
    "\nView:\nframe selection: .\nframe all: v\nstart view: 0\n"
    "view from above/front/right: 7/8/9\n(z turns left, c turns right)\n"
    "\nMouse:\nleft drag: turn\nSHIFT + left drag: orbit the selection\n"
    "middle drag: forwards/backwards\nright drag: sideways and up/down\nwheel: forwards/backwards\n";

const char kStart[] =
    "Welcome to Quillmar Modeler.\n\n  Press F1 for Help.\n\n\n"
    "loading init.scene\nObjects loaded: 0\n\n\n";

// The editor in a directory whose start scene is empty.
struct EmptyScene {
  TempDir dir;
  EditorProcess editor;
  EmptyScene() : dir(), editor((WriteFileBytes(dir.File("init.scene"), "EOF"), dir.path())) {
    EXPECT_TRUE(editor.WaitForOutput("Objects loaded: 0\n\n\n"));
  }
};

// Just below the middle, off the x axis that crosses it.
const char kZero[] = "0.000000, 0.000000, 0.000000";
const char kOne[] = "1.000000, 1.000000, 1.000000";

Rgb Centre(const Screenshot& shot) { return shot.At(300, 320); }
}  // namespace

TEST(Keys, F1PrintsTheHelpScreenExactly) {
  EmptyScene s;
  s.editor.Keys("F1");
  ASSERT_TRUE(s.editor.WaitForOutput("wheel: forwards/backwards\n"));
  EXPECT_EQ(s.editor.Output(), std::string(kStart) + kHelp);
  s.editor.ExpectExitOn("Escape");
}

TEST(Keys, SceneBuiltWithKeysSavesExactlyAndLoadsBack) {
  EmptyScene s;
  s.editor.Type("built.scene\nnope\nbuilt.scene\nbuilt.scene\n");
  s.editor.Keys("ctrl+n Right F3 Up exclam ctrl+n Insert Insert minus 3 F4 End W");
  s.editor.Keys("ctrl+s");
  ASSERT_TRUE(s.editor.WaitForOutput("Save scene as: "));
  s.editor.Keys("F1");  // keys after the prompt run once the name is read
  ASSERT_TRUE(s.editor.WaitForOutput("filename.tex file)"));
  const std::string expected = std::string(
      "nextObject\n"
      "1.100000 1.000000 1.000000\n"
      "0.000000 0.000000 0.000000\n"
      "0.000000 0.100000 0.000000\n"
      "c \x01\n"
      "-1.000000 0.000000 0.000000\n"
      "nextObject\n"
      "1.000000 1.000000 1.000000\n"
      "0.000000 0.000000 2.000000\n"
      "0.000000 0.000000 0.000000\n"
      "s ") + std::string(1, '\0') + "\n"
      "0.000000 -3.000000 0.000000\n"
      "EOF";
  EXPECT_EQ(ReadFileBytes(s.dir.File("built.scene")), expected);

  size_t before = s.editor.Output().size();
  s.editor.Keys("ctrl+l");  // "nope" does not exist: nothing changes
  ASSERT_TRUE(s.editor.WaitForOutput("Error opening file nope!\n", 10, before));
  EXPECT_EQ(s.editor.Output().substr(before), "Load scene: Error opening file nope!\n");
  const std::string infos =
      InfoBlock(0, "1.100000, 1.000000, 1.000000", kZero, "0.000000, 0.100000, 0.000000", 'c',
                "-1.000000, 0.000000, 0.000000") +
      InfoBlock(1, kOne, "0.000000, 0.000000, 2.000000", kZero, 's', "0.000000, -3.000000, 0.000000");
  before = s.editor.Output().size();
  s.editor.Keys("ctrl+l");  // without a texture list the scene still loads
  ASSERT_TRUE(s.editor.WaitForOutput("Objects loaded: 2\n\n\n", 10, before));
  EXPECT_EQ(s.editor.Output().substr(before), "Load scene: No textures exist for built.scene!\n"
                                              "loading built.scene\n" + infos + "Objects loaded: 2\n\n\n");
  WriteFileBytes(s.dir.File("built.scene.tex"), "");
  before = s.editor.Output().size();
  s.editor.Keys("ctrl+l");
  ASSERT_TRUE(s.editor.WaitForOutput("Objects loaded: 2\n\n\n", 10, before));
  EXPECT_EQ(s.editor.Output().substr(before),
            "Load scene: Loading textures for built.scene\nloading built.scene\n" +
                infos + "Objects loaded: 2\n\n\n");
  s.editor.ExpectExitOn("ctrl+q");
}

TEST(Keys, VerboseEchoesKeysAndBothMovingLines) {
  EmptyScene s;
  s.editor.Keys("ctrl+n asciitilde z F3 Right W p asciitilde z ctrl+w asciitilde ctrl+w");
  ASSERT_TRUE(s.editor.WaitForOutput("Object deleted!"));
  EXPECT_EQ(s.editor.Output(),
            std::string(kStart) +
                "New object created!\n"
                "You pressed 122\n"
                "Moving: 0.100000 0.000000 0.000000\n"
                "Moving: 0.100000 0.000000 0.000000\n"
                "You pressed 87\n"
                "You pressed 112\n" +
                InfoBlock(0, kOne, kZero, "0.100000, 0.000000, 0.000000", 'c',
                          "0.100000, 0.100000, 0.100000") +
                "You pressed 126\n"
                "You pressed 23\nObject deleted!");
  s.editor.ExpectExitOn("Escape");
}

TEST(Keys, PagingSelectsAlongTheListAndColourPromptRecolours) {
  EmptyScene s;
  // Three objects side by side; the first gets a typed colour.
  s.editor.Type("0 1 0\n");
  s.editor.Keys("ctrl+n F3 Left Left Left Left Left Left Left Left Left Left Left Left Left Left Left");
  s.editor.Keys("ctrl+n ctrl+n Right Right Right Right Right Right Right Right Right Right Right Right Right Right Right");
  s.editor.Keys("Next Next g");  // Page Down twice: back to the first
  ASSERT_TRUE(s.editor.WaitForOutput("Enter a new color (red, green, blue): "));
  Screenshot shot = s.editor.Shoot();
  Rgb left = shot.At(300 - 137, 300);
  EXPECT_GT(left.g, 120);
  EXPECT_LT(left.r + left.b, 60);
  s.editor.Keys("Prior Prior Prior p");  // Page Up stops at the last object
  ASSERT_TRUE(s.editor.WaitForOutput("ID: 2\n"));
  s.editor.ExpectExitOn("Escape");
}

TEST(Keys, CommaColourThenSaveAndTypedPosition) {
  EmptyScene s;
  s.editor.Type("0.9, 0.8, 0.5\nmy scene\n2,,-3\n");
  s.editor.Keys("ctrl+n g ctrl+s F3 Return p");
  ASSERT_TRUE(s.editor.WaitForOutput("info-Color: "));
  EXPECT_EQ(ReadFileBytes(s.dir.File("my scene")),
            std::string("nextObject\n1.000000 1.000000 1.000000\n0.000000 0.000000 0.000000\n"
                        "0.000000 0.000000 0.000000\nc \x01\n0.900000 0.800000 0.500000\nEOF"));
  EXPECT_NE(s.editor.Output().find("Enter a new color (red, green, blue): Save scene as: "
                                   "Position (x, y, z) [0.000000, 0.000000, 0.000000]: ID: 0\n"
                                   "info-Size: 1.000000, 1.000000, 1.000000\n"
                                   "info-Rotation: 0.000000, 0.000000, 0.000000\n"
                                   "info-Position: 2.000000, 0.000000, -3.000000\n"),
            std::string::npos);
  s.editor.ExpectExitOn("Escape");
}

TEST(Keys, LightPromptMovesTheLight) {
  EmptyScene s;
  s.editor.Keys("ctrl+n 6");
  Screenshot before = s.editor.Shoot();
  s.editor.Type("0, 0, -30\n1, 2, 3\n");
  s.editor.Keys("F6");
  ASSERT_TRUE(s.editor.WaitForOutput("Move the light where (was 0.000000, 0.000000, 0.000000)?\n"));
  Screenshot after = s.editor.Shoot();  // redrawn at once
  EXPECT_FALSE(before == after);
  // Lit from behind, the front face of the white cube darkens.
  EXPECT_LT(Centre(after).r * 2, Centre(before).r);
  s.editor.Keys("F6");
  ASSERT_TRUE(s.editor.WaitForOutput("(was 0.000000, 0.000000, -30.000000)?\n"));
  s.editor.ExpectExitOn("Escape");
}

TEST(Keys, ClosedInputCancelsPromptsAndTheEditorGoesOn) {
  EmptyScene s;
  s.editor.CloseInput();
  s.editor.Keys("ctrl+n ctrl+s ctrl+l g F6 ctrl+s p");
  ASSERT_TRUE(s.editor.WaitForOutput("info-Color: 0.100000, 0.100000, 0.100000\n"));
  EXPECT_NE(s.editor.Output().find("Save scene as: Load scene: Enter a new color (red, green, blue): "
                                   "Move the light where (was 0.000000, 0.000000, 0.000000)?\n"
                                   "Save scene as: ID: 0\n"),
            std::string::npos);
  EXPECT_TRUE(s.editor.Running());
  s.editor.ExpectExitOn("Escape");
}

TEST(Mouse, DragsMoveTheCamera) {
  EmptyScene s;
  s.editor.Keys("ctrl+n 6");
  Screenshot start = s.editor.Shoot();
  EXPECT_GT(Centre(start).r, 40);  // the white cube in the middle

  s.editor.Drag(1, 300, 300, 100, 300);  // look: 200 px left turns 20 degrees left
  Screenshot turned = s.editor.Shoot();
  EXPECT_FALSE(turned == start);
  EXPECT_EQ(Centre(turned).r, 0);  // the cube has left the middle...
  int cubeRight = 0;                 // ...for the right-hand side
  for (int x = 301; x < 600; ++x) cubeRight += turned.At(x, 320).r > 40;
  EXPECT_GT(cubeRight, 20);

  s.editor.Drag(1, 100, 300, 300, 300);  // and back
  Screenshot back = s.editor.Shoot();
  EXPECT_GT(Centre(back).r, 40);

  s.editor.Drag(2, 300, 300, 300, 100);  // middle drag up: 2 units closer, so bigger
  Screenshot closer = s.editor.Shoot();
  int wide = 0, before = 0;
  for (int x = 0; x < 600; ++x) {
    wide += closer.At(x, 320).r > 40;
    before += back.At(x, 320).r > 40;
  }
  EXPECT_GT(wide, before + 10);
  s.editor.ExpectExitOn("Escape");
}

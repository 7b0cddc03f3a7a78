// The key, special-key and mouse commands, driven without a window.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>
#include <utility>

#include "input/commands.h"
#include "base/console.h"
#include "scene/edit.h"
#include "session/selection.h"
#include "tests/test_support.h"

namespace {
unsigned NoUpload(const TgaImage&) { return 0; }
void NoTexGen() {}

class Commands : public ::testing::Test {
 protected:
  Commands() {
    editor.textureBackend.upload = NoUpload;
    editor.textureBackend.enableTexGen = NoTexGen;
  }
  // Adds n objects; the last one is current.
  void AddObjects(int n) {
    for (int i = 0; i < n; ++i) editor.objects.current = CreateObject(editor.objects);
  }
  SceneObject& Current() { return *editor.objects.current; }
  Editor editor;
};

void ExpectColor(const SceneObject& o, float r, float g, float b) {
  EXPECT_FLOAT_EQ(o.red, r);
  EXPECT_FLOAT_EQ(o.green, g);
  EXPECT_FLOAT_EQ(o.blue, b);
}
}  // namespace

TEST_F(Commands, OnlyTheTabledCodesActAndReportTheirRedraw) {
  ConsoleCapture console;
  AddObjects(1);
  std::string acting;
  for (int key = 0; key < 256; ++key) {
    if (key == 12 || key == 13 || key == 19 || key == 'g') continue;  // prompts, tested below
    Editor scratch;
    scratch.objects.current = CreateObject(scratch.objects);
    Outcome outcome = HandleKey(scratch, static_cast<unsigned char>(key));
    if (outcome != Outcome::None) acting += static_cast<char>(key);
    if (outcome == Outcome::Quit) {
      EXPECT_TRUE(key == 17 || key == 27) << key;
    }
  }
  EXPECT_EQ(acting, "\x01\x04\x0e\x11\x17\x1b!#$%-.0123456789@^abcdfqrsvwxz");
  EXPECT_EQ(HandleKey(editor, 'p'), Outcome::None);  // prints, no redraw
  EXPECT_EQ(HandleKey(editor, '~'), Outcome::None);
}

TEST_F(Commands, UpperCaseLettersDoNothing) {
  AddObjects(1);
  Camera before = editor.camera;
  for (unsigned char key : std::string("WASDQZXCRFBGP")) EXPECT_EQ(HandleKey(editor, key), Outcome::None);
  EXPECT_FLOAT_EQ(editor.camera.position.z, before.position.z);
  EXPECT_FALSE(editor.camera.viewStale);
}

TEST_F(Commands, AppearanceKeysSetTextureAndPresetCodes) {
  AddObjects(1);
  const std::string textures = "!@#$%^";
  for (int i = 0; i < 6; ++i) {
    HandleKey(editor, static_cast<unsigned char>(textures[i]));
    ExpectColor(Current(), static_cast<float>(-(i + 1)), 0, 0);
    HandleKey(editor, static_cast<unsigned char>('1' + i));
    ExpectColor(Current(), 0, static_cast<float>(-(i + 1)), 0);
  }
  HandleKey(editor, '-');
  EXPECT_EQ(Current().solid, 0);
  HandleKey(editor, 'b');  // preset code (0, -6, 0) cycles to red
  ExpectColor(Current(), 1, 0, 0);
}

TEST_F(Commands, CameraKeysMoveAndTurn) {
  HandleKey(editor, 'w');
  EXPECT_FLOAT_EQ(editor.camera.position.z, -0.3f);
  HandleKey(editor, 's');
  HandleKey(editor, 'd');
  EXPECT_FLOAT_EQ(editor.camera.position.x, 0.3f);
  HandleKey(editor, 'a');
  HandleKey(editor, 'r');
  EXPECT_FLOAT_EQ(editor.camera.position.y, 0.3f);
  HandleKey(editor, 'f');
  EXPECT_NEAR(editor.camera.position.x + editor.camera.position.y + editor.camera.position.z, 0, 1e-6);
  HandleKey(editor, 'z');
  HandleKey(editor, 'z');
  HandleKey(editor, 'c');
  EXPECT_FLOAT_EQ(editor.camera.yaw, 10);  // 'z' turns left (+yaw)
  HandleKey(editor, 'q');
  EXPECT_FLOAT_EQ(editor.camera.pitch, 10);
  HandleKey(editor, 'x');
  EXPECT_FLOAT_EQ(editor.camera.pitch, 0);
}

TEST_F(Commands, NewAndDeleteKeepSelectionAndIds) {
  ConsoleCapture console;
  AddObjects(3);  // ids 0 1 2
  editor.objects.current = editor.objects.first->next;
  EXPECT_EQ(HandleKey(editor, 23), Outcome::Redraw);  // delete id 1
  EXPECT_EQ(editor.objects.current, editor.objects.first);
  EXPECT_EQ(HandleKey(editor, 14), Outcome::Redraw);
  EXPECT_EQ(Current().id, 3);
  EXPECT_EQ(editor.objects.last, &Current());
  EXPECT_EQ(console.Take(), "New object created!\n");

  for (int i = 0; i < 3; ++i) HandleKey(editor, 23);
  EXPECT_EQ(editor.objects.current, nullptr);
  EXPECT_EQ(editor.objects.count, 0);

  SetVerbose(true);  // deleting with nothing selected still echoes
  HandleKey(editor, 23);
  EXPECT_EQ(console.Take(), "You pressed 23\nObject deleted!");

  // With nothing selected every object key is harmless.
  for (unsigned char key : std::string("!@#$%^123456-bpg")) HandleKey(editor, key);
  for (int key : {kKeyLeft, kKeyUp, kKeyHome, kKeyEnd, kKeyPageUp, kKeyPageDown, kKeyInsert}) {
    HandleSpecialKey(editor, key);
  }
  SetVerbose(false);
  console.Take();

  HandleKey(editor, 14);  // a new object on an empty list is first, last and current
  EXPECT_EQ(editor.objects.first, &Current());
  EXPECT_EQ(editor.objects.last, &Current());
  EXPECT_EQ(Current().id, 0);
}

TEST_F(Commands, VerboseEchoComesBeforeTheCommand) {
  ConsoleCapture console;
  AddObjects(1);
  HandleKey(editor, '~');
  HandleKey(editor, 'z');
  HandleKey(editor, 'p');
  HandleKey(editor, '~');
  HandleKey(editor, 'z');
  std::string out = console.Take();
  EXPECT_EQ(out.substr(0, 36), "You pressed 122\nYou pressed 112\nID: ");
  EXPECT_EQ(out.substr(out.size() - 16), "You pressed 126\n");
}

TEST_F(Commands, SaveAndLoadPromptsReadWholeNamesAndCancelAtEndOfInput) {
  TempDir dir;
  std::string longName = dir.File(std::string(200, 'L') + ".scene");
  ConsoleCapture console(longName + "\n" + longName + "\n");
  AddObjects(2);
  Current().shape = 's';
  EXPECT_EQ(HandleKey(editor, 19), Outcome::None);
  EXPECT_EQ(console.Take(), "Save scene as: ");
  ASSERT_TRUE(std::filesystem::exists(longName));

  WriteFileBytes(longName + ".tex", "");
  EXPECT_EQ(HandleKey(editor, 12), Outcome::Redraw);
  std::string out = console.Take();
  EXPECT_EQ(out.substr(0, 12), "Load scene: ");
  EXPECT_NE(out.find("Loading textures for " + longName + "\n"), std::string::npos);
  EXPECT_NE(out.find("Objects loaded: 2\n\n\n"), std::string::npos);
  EXPECT_EQ(editor.objects.last->shape, 's');

  // The input is now at its end: both prompts cancel at once.
  EXPECT_EQ(HandleKey(editor, 19), Outcome::None);
  EXPECT_EQ(HandleKey(editor, 12), Outcome::None);
  EXPECT_EQ(console.Take(), "Save scene as: Load scene: ");
  EXPECT_EQ(editor.objects.count, 2);
}

TEST_F(Commands, ColourPromptKeepsValuesAtEndOfInput) {
  ConsoleCapture console("0.2 0.4 0.6\n");
  AddObjects(1);
  EXPECT_EQ(HandleKey(editor, 'g'), Outcome::Redraw);
  ExpectColor(Current(), 0.2f, 0.4f, 0.6f);
  HandleKey(editor, 'g');
  ExpectColor(Current(), 0.2f, 0.4f, 0.6f);
  EXPECT_EQ(console.Take(), "Enter a new color (red, green, blue): Enter a new color (red, green, blue): ");
}

TEST_F(Commands, EditModesApplyArrowsToTheCurrentObject) {
  ConsoleCapture console;
  AddObjects(1);
  EXPECT_EQ(HandleSpecialKey(editor, kKeyRight), Outcome::Redraw);  // starts in size mode
  EXPECT_FLOAT_EQ(Current().size.x, 1.1f);
  HandleSpecialKey(editor, kKeyHome);
  EXPECT_FLOAT_EQ(Current().size.z, 0.9f);

  EXPECT_EQ(HandleSpecialKey(editor, kKeyF4), Outcome::None);
  SetVerbose(true);
  HandleSpecialKey(editor, kKeyUp);
  EXPECT_EQ(console.Take(), "Rotating: -2.000000 0.000000 0.000000\n");
  HandleSpecialKey(editor, kKeyRight);
  HandleSpecialKey(editor, kKeyEnd);
  EXPECT_FLOAT_EQ(Current().rotation.y, 2);
  EXPECT_FLOAT_EQ(Current().rotation.z, 2);
  console.Take();

  HandleSpecialKey(editor, kKeyF3);
  HandleSpecialKey(editor, kKeyLeft);
  EXPECT_EQ(console.Take(), "Moving: -0.100000 0.000000 0.000000\nMoving: -0.100000 0.000000 0.000000\n");
  HandleSpecialKey(editor, kKeyDown);
  EXPECT_EQ(console.Take(), "Moving: 0.000000 -0.100000 0.000000\nMoving: -0.100000 -0.100000 0.000000\n");
  SetVerbose(false);

  HandleSpecialKey(editor, kKeyF5);
  HandleSpecialKey(editor, kKeyUp);
  ExpectColor(Current(), 0.1f, 0.2f, 0.1f);
  for (int i = 0; i < 12; ++i) HandleSpecialKey(editor, kKeyUp);
  EXPECT_FLOAT_EQ(Current().green, 1);

  HandleSpecialKey(editor, kKeyF2);
  HandleSpecialKey(editor, kKeyDown);
  EXPECT_FLOAT_EQ(Current().size.y, 0.9f);

  editor.editMode = '?';  // an unknown mode changes nothing but still redraws
  EXPECT_EQ(HandleSpecialKey(editor, kKeyDown), Outcome::Redraw);
  EXPECT_FLOAT_EQ(Current().size.y, 0.9f);
}

TEST_F(Commands, PagingStepsAlongTheListAndStopsAtTheEnds) {
  AddObjects(3);
  SceneObject* first = editor.objects.first;
  SceneObject* last = editor.objects.last;
  EXPECT_EQ(HandleSpecialKey(editor, kKeyPageUp), Outcome::Redraw);  // already last
  EXPECT_EQ(editor.objects.current, last);
  HandleSpecialKey(editor, kKeyPageDown);
  HandleSpecialKey(editor, kKeyPageDown);
  EXPECT_EQ(editor.objects.current, first);
  EXPECT_EQ(HandleSpecialKey(editor, kKeyPageDown), Outcome::Redraw);
  EXPECT_EQ(editor.objects.current, first);
  HandleSpecialKey(editor, kKeyPageUp);
  EXPECT_EQ(editor.objects.current, first->next);
  HandleSpecialKey(editor, kKeyInsert);
  EXPECT_EQ(first->next->shape, 'y');
}

TEST_F(Commands, OtherSpecialKeysDoNothing) {
  ConsoleCapture console;
  AddObjects(1);
  for (int key : {int{kKeyF7}, int{kKeyF8}, int{kKeyF9}, int{kKeyF10}, int{kKeyF11}, int{kKeyF12}, 0, 13, 99, 109, 112, 1000}) {
    EXPECT_EQ(HandleSpecialKey(editor, key), Outcome::None) << key;
  }
  EXPECT_EQ(console.Take(), "");
  EXPECT_FLOAT_EQ(Current().size.x, 1);
}

TEST_F(Commands, NumberPromptsTakeOneLineEachWithoutCarryOver) {
  const std::string overlong(3 << 20, ' ');
  struct Case {
    std::string line;
    Vec3 light;  // from (7, 8, 9)
  } cases[] = {
      {"1 2 3", {1, 2, 3}},        {"1, 2, 3", {1, 2, 3}},
      {"1,2,3", {1, 2, 3}},        {" 1 ,2\t3 4 5", {1, 2, 3}},  // extra numbers dropped
      {"1", {1, 8, 9}},            {"1,,3", {1, 8, 3}},           // missing ones kept
      {"x 2 0.5y", {7, 2, 9}},     {"", {7, 8, 9}},               // junk, empty
      {"-1e3 , 2", {-1000, 2, 9}}, {"1 2 3" + overlong + "4", {1, 2, 3}},
      {overlong + "1 2 3", {7, 8, 9}},  // past the kept part of the line
  };
  std::string input;
  for (const Case& c : cases) input += c.line + "\n";
  ConsoleCapture console(input);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.substr(0, 20));
    editor.light = {7, 8, 9};
    EXPECT_EQ(HandleSpecialKey(editor, kKeyF6), Outcome::Redraw);
    EXPECT_EQ(console.Take(), "Move the light where (was 7.000000, 8.000000, 9.000000)?\n");
    EXPECT_FLOAT_EQ(editor.light.x, c.light.x);
    EXPECT_FLOAT_EQ(editor.light.y, c.light.y);
    EXPECT_FLOAT_EQ(editor.light.z, c.light.z);
  }
  HandleSpecialKey(editor, kKeyF6);  // closed input keeps the values
  EXPECT_FLOAT_EQ(editor.light.x + editor.light.y + editor.light.z, 24);
}

TEST_F(Commands, NamePromptsTakeTheWholeTrimmedLineAndABlankLineCancels) {
  TempDir dir;
  const std::string spaced = dir.File("my house.scene"), longName = dir.File(std::string(200, 'n'));
  ConsoleCapture console("0.9, 0.8, 0.5\n  " + spaced + " \t\n\n   \n" + longName + "\n");
  AddObjects(1);
  HandleKey(editor, 'g');
  ExpectColor(Current(), 0.9f, 0.8f, 0.5f);
  HandleKey(editor, 19);
  EXPECT_TRUE(std::filesystem::exists(spaced));
  EXPECT_EQ(console.Take(), "Enter a new color (red, green, blue): Save scene as: ");
  HandleKey(editor, 19);  // empty line: cancelled without a word
  EXPECT_EQ(HandleKey(editor, 12), Outcome::None);  // blank line too
  EXPECT_EQ(console.Take(), "Save scene as: Load scene: ");
  HandleKey(editor, 19);
  EXPECT_TRUE(std::filesystem::exists(longName));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST_F(Commands, EnterTypesTheValuesOfTheEditMode) {
  ConsoleCapture console("2 3 4\n, 5\n-90 0 45\n0.2,0.4,0.6\n\n");
  EXPECT_EQ(HandleKey(editor, 13), Outcome::None);  // no object: no prompt
  EXPECT_EQ(console.Take(), "");
  AddObjects(1);
  SetVerbose(true);
  EXPECT_EQ(HandleKey(editor, 13), Outcome::Redraw);
  EXPECT_EQ(console.Take(), "You pressed 13\nSize (x, y, z) [1.000000, 1.000000, 1.000000]: "
                            "Resizing: 2.000000 3.000000 4.000000\n");
  EXPECT_TRUE(editor.unsaved);
  editor.editMode = 'p';
  Current().position = {1, 1, 1};
  HandleKey(editor, 13);
  EXPECT_EQ(console.Take(), "You pressed 13\nPosition (x, y, z) [1.000000, 1.000000, 1.000000]: "
                            "Moving: 0.000000 4.000000 0.000000\n"
                            "Moving: 1.000000 5.000000 1.000000\n");
  editor.editMode = 'r';
  HandleKey(editor, 13);
  EXPECT_EQ(console.Take(), "You pressed 13\nRotation (x, y, z) [0.000000, 0.000000, 0.000000]: "
                            "Rotating: -90.000000 0.000000 45.000000\n");
  SetVerbose(false);
  editor.editMode = 'c';
  HandleKey(editor, 13);
  EXPECT_EQ(console.Take(), "Color (red, green, blue) [0.100000, 0.100000, 0.100000]: ");
  ExpectColor(Current(), 0.2f, 0.4f, 0.6f);
  editor.unsaved = false;
  EXPECT_EQ(HandleKey(editor, 13), Outcome::None);  // empty line: nothing changes
  EXPECT_FALSE(editor.unsaved);
  EXPECT_FLOAT_EQ(Current().size.z, 4);
}

TEST_F(Commands, HelpScreenIsPrintedWhole) {
  ConsoleCapture console;
  EXPECT_EQ(HandleSpecialKey(editor, kKeyF1), Outcome::None);
  std::string help = console.Take();
  EXPECT_EQ(help.substr(0, 15), "\n\n\n\nQUILLMAR\n\n\n");
  EXPECT_NE(help.find("z : turn right\nc : turn left\n"), std::string::npos);
  EXPECT_NE(help.find("prev/next object: pgup/pgdown\n"), std::string::npos);
  // The classic text, unchanged, then the section of newer keys.
  EXPECT_EQ(help.substr(777 - 48, 48), "(Texture files are set in the filename.tex file)");
  EXPECT_EQ(help.substr(777, 13), "\n\nMore keys:\n");  // all of it in Keys.F1PrintsTheHelpScreenExactly
}

TEST_F(Commands, MouseDragsTurnMoveAndPan) {
  EXPECT_EQ(HandleMouseMotion(editor, 10, 10), Outcome::Redraw);  // no drag: redraw only
  EXPECT_FALSE(editor.camera.viewStale);
  EXPECT_FLOAT_EQ(editor.camera.position.y, 0);

  HandleMouseButton(editor, kButtonLeft, kMouseDown, 300, 300);
  HandleMouseMotion(editor, 200, 300);  // 100 px left: yaw +10
  EXPECT_FLOAT_EQ(editor.camera.yaw, 10);
  HandleMouseMotion(editor, 200, 280);  // 20 px up: pitch +2
  EXPECT_FLOAT_EQ(editor.camera.pitch, 2);
  HandleMouseButton(editor, kButtonLeft, kMouseUp, 200, 280);
  EXPECT_EQ(editor.mouse.mode, 0);

  Editor fresh;
  HandleMouseButton(fresh, kButtonMiddle, kMouseDown, 50, 100);
  HandleMouseMotion(fresh, 50, 50);  // 50 px up: 0.5 forward
  EXPECT_NEAR(fresh.camera.position.z, -0.5f, 1e-6);

  HandleMouseButton(fresh, kButtonRight, kMouseDown, 0, 0);
  HandleMouseMotion(fresh, 0, 20);  // 20 px down: 0.2 lower
  EXPECT_NEAR(fresh.camera.position.y, -0.2f, 1e-6);
  HandleMouseMotion(fresh, -30, 20);  // 30 px left: strafe toward -x
  EXPECT_NEAR(fresh.camera.position.x, -0.3f, 1e-6);

  HandleMouseButton(fresh, 3, kMouseDown, 0, 0);  // wheel: drag goes on
  EXPECT_EQ(fresh.mouse.mode, 'r');
  HandleMouseButton(fresh, kButtonMiddle, kMouseUp, 0, 0);  // any release ends it
  EXPECT_EQ(fresh.mouse.mode, 0);
}

TEST_F(Commands, WheelNotchesMoveHalfAUnitAndNoOtherButtonActs) {
  const int down = kMouseDown, up = kMouseUp, left = kButtonLeft, right = kButtonRight;
  const struct {
    const char* name;
    std::vector<std::pair<int, int>> events;  // button, state
    float z;
    char mode;
  } kCases[] = {
      {"forward", {{3, down}, {3, up}}, -0.5f, 0},
      {"back", {{4, down}, {4, up}}, 0.5f, 0},
      {"a drag goes on", {{right, down}, {3, down}, {3, up}}, -0.5f, 'r'},
      {"a click keeps the move and selects nothing", {{left, down}, {4, down}, {4, up}, {left, up}}, 0.5f, 0},
      {"other buttons' presses", {{right, down}, {5, down}, {8, down}}, 0, 'r'},
      {"another button's release ends a drag", {{right, down}, {5, up}}, 0, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Editor fresh;
    CopyAttributes(*CreateObject(fresh.objects), MakeObject('c', {9, 9, 9}, {}, {}));  // under the pointer
    for (const auto& [button, state] : c.events) HandleMouseButton(fresh, button, state, 300, 300);
    EXPECT_FLOAT_EQ(fresh.camera.position.z, c.z);
    EXPECT_EQ(fresh.mouse.mode, c.mode);
    EXPECT_EQ(fresh.objects.current, nullptr);
  }
}

TEST_F(Commands, EditsOfSeveralObjectsApplyToEachInListOrderAsOneStep) {
  const char* const kMovedBy = "Moving: 1.000000 0.000000 2.000000\n";
  struct Case {
    char mode;
    int key;  // special keys from 100
    const char* typed;
    std::string printed;  // with the echo on
    Vec3 first, last;     // the mode's values of objects 0 and 2 afterwards
  } cases[] = {
      {'p', kKeyRight, "", "Moving: 0.100000 0.000000 0.000000\nMoving: 1.100000 0.000000 0.000000\n"
       "Moving: 0.100000 0.000000 0.000000\nMoving: 0.100000 2.000000 0.000000\n", {1.1f, 0, 0}, {0.1f, 2, 0}},
      {'p', 9, "1,,2", std::string("You pressed 9\nMove by (x, y, z): ") + kMovedBy +
       "Moving: 2.000000 0.000000 2.000000\n" + kMovedBy + "Moving: 1.000000 2.000000 2.000000\n", {2, 0, 2}, {1, 2, 2}},
      {'p', 13, "5", "You pressed 13\nPosition (x, y, z) [0.000000, 2.000000, 0.000000]: "
       "Moving: 4.000000 0.000000 0.000000\nMoving: 5.000000 0.000000 0.000000\n"
       "Moving: 5.000000 0.000000 0.000000\nMoving: 5.000000 2.000000 0.000000\n", {5, 0, 0}, {5, 2, 0}},
      {'s', 9, "", "You pressed 9\nResize by (x, y, z): ", {1, 1, 1}, {1, 1, 1}},
      {'s', kKeyRight, "", "Resizing: 1.100000 1.000000 1.000000\nResizing: 1.100000 1.000000 1.000000\n",
       {1.1f, 1, 1}, {1.1f, 1, 1}},
      {'r', 9, "0 90", "You pressed 9\nTurn by (x, y, z): Rotating: 0.000000 90.000000 0.000000\n"
       "Rotating: 0.000000 90.000000 0.000000\n", {0, 90, 0}, {0, 90, 0}},
      {'c', 13, "1.5 -0.5 0.3", "You pressed 13\nColor (red, green, blue) [0.100000, 0.100000, 0.100000]: ",
       {1, 0, 0.3f}, {1, 0, 0.3f}},  // kept within 0 to 1, as the arrows keep it
      {'c', 9, "0.95 x", "You pressed 9\nChange color by (red, green, blue): ", {1, 0.1f, 0.1f}, {1, 0.1f, 0.1f}},
      {'c', 4, "", "You pressed 4\nObject duplicated!\nObject duplicated!\n", {0.1f, 0.1f, 0.1f}, {0.1f, 0.1f, 0.1f}},
  };
  std::string input;
  for (const Case& c : cases) input += c.key == 9 || c.key == 13 ? std::string(c.typed) + "\n" : "";
  ConsoleCapture console(input);
  SetVerbose(true);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.mode) + " " + std::to_string(c.key));
    Editor scratch;
    for (int i = 0; i < 3; ++i) CreateObject(scratch.objects);
    SceneObject& first = *scratch.objects.first;
    SceneObject& last = *scratch.objects.last;
    first.position = {1, 0, 0};
    last.position = {0, 2, 0};
    SelectOnly(scratch, &first);
    ToggleSelected(scratch, &last);  // the last is current, the first listed first
    scratch.editMode = c.mode;
    if (c.key >= 100) HandleSpecialKey(scratch, c.key); else HandleKey(scratch, static_cast<unsigned char>(c.key));
    EXPECT_EQ(console.Take(), c.printed);
    const EditMode& mode = *FindEditMode(c.mode);
    for (auto [object, expected] : {std::pair{&first, c.first}, {&last, c.last}}) {
      const Vec3 v = mode.get(*object);
      EXPECT_FLOAT_EQ(v.x, expected.x);
      EXPECT_FLOAT_EQ(v.y, expected.y);
      EXPECT_FLOAT_EQ(v.z, expected.z);
    }
    EXPECT_FLOAT_EQ(mode.get(*first.next).x, mode.get(SceneObject()).x);  // not selected
    EXPECT_EQ(scratch.history.UndoSteps(), *c.typed == '\0' && c.key == 9 ? 0u : 1u);  // one step
  }
  SetVerbose(false);
}

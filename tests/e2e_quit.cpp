// Ending the editor: every way out keeps unsaved changes in a recovery file
// that reopens as the scene looked; a closed console, a file-size limit and
// a terminal as the console.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "tests/e2e_support.h"

namespace {
// The files of the editor's recovery folder, sorted: scene, then its list.
std::vector<std::string> RecoveryFiles(const TempDir& dir) {
  std::vector<std::string> files;
  std::error_code absent;
  for (const auto& entry : std::filesystem::directory_iterator(dir.File("state/quillmar"), absent)) {
    files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// One way to end the editor: a key, a signal (sent while a prompt waits
// when `atPrompt`; `then` a second one 10 ms later, after closing the
// console's input when `hangUp`, as a closed terminal does), or else closing
// the window. Checks the exit status.
struct WayOut {
  const char* key;
  int signal;
  bool atPrompt;
  int then = 0;
  bool hangUp = false;
};
const WayOut kWaysOut[] = {{"Escape", 0, false},  {"ctrl+q", 0, false},  {nullptr, 0, false},
                           {nullptr, SIGTERM, false}, {nullptr, SIGINT, false},
                           {nullptr, SIGHUP, false},  {nullptr, SIGTERM, true},
                           {nullptr, SIGHUP, false, SIGHUP},  // once ended at once, nothing kept
                           {nullptr, SIGHUP, true, SIGCONT, true}};

void TakeWayOut(EditorProcess& editor, const WayOut& way) {
  std::size_t from = editor.Output().size();
  if (way.atPrompt) {
    editor.Keys("ctrl+s");
    ASSERT_TRUE(editor.WaitForOutput("Save scene as: ", 10, from));
  }
  if (way.hangUp) editor.CloseInput();
  if (way.key != nullptr) editor.Keys(way.key);
  else if (way.signal != 0) editor.Signal(way.signal);
  else editor.CloseWindow();
  if (way.then != 0) {
    usleep(10000);
    editor.Signal(way.then);
  }
  EXPECT_EQ(editor.WaitExit(), way.signal != 0 ? 128 + way.signal : 0);
}

// The editor on an empty start scene, all keys so far handled.
struct Session {
  TempDir dir;
  EditorProcess editor;
  Session() : dir(), editor((WriteFileBytes(dir.File("init.scene"), "EOF"), dir.path())) {}
  void Sync() {
    std::size_t from = editor.Output().size();
    editor.Keys("p");
    ASSERT_TRUE(editor.WaitForOutput("info-Color: ", 10, from));
  }
};
}  // namespace

TEST(Quitting, EveryWayOutKeepsUnsavedChangesAsASaveWouldWriteThem) {
  for (const WayOut& way : kWaysOut) {
    SCOPED_TRACE(std::string(way.key ? way.key : "") + " signal " + std::to_string(way.signal));
    Session s;
    s.editor.Type("saved.scene\n");
    s.editor.Keys("ctrl+n Right Insert ctrl+s minus minus");  // saved, then changed and back
    s.Sync();
    TakeWayOut(s.editor, way);
    std::vector<std::string> files = RecoveryFiles(s.dir);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_TRUE(std::regex_match(files[0], std::regex(".*/recovered-[0-9]{8}-[0-9]{6}\\.scene")));
    EXPECT_EQ(files[1], files[0] + ".tex");
    EXPECT_EQ(ReadFileBytes(files[0]), ReadFileBytes(s.dir.File("saved.scene")));
    EXPECT_EQ(ReadFileBytes(files[1]), "");
    EXPECT_TRUE(EndsWith(s.editor.Output(), "Unsaved changes kept in " + files[0] + "\n"));
  }
}

TEST(Quitting, NothingIsKeptWithoutUnsavedChanges) {
  for (const WayOut& way : {kWaysOut[0], kWaysOut[2], kWaysOut[3]}) {
    Session s;
    s.editor.Type("saved.scene\n1 2 3\n");
    s.editor.Keys("ctrl+n ctrl+s w F3 asciitilde F6");  // saved; then the camera, modes, echo, light
    s.Sync();
    TakeWayOut(s.editor, way);
    EXPECT_TRUE(RecoveryFiles(s.dir).empty());  // nor the journal
    EXPECT_EQ(s.editor.Output().find("Unsaved"), std::string::npos);
  }
}

TEST(Quitting, ASignalEndsTheEditorAtOnceEvenInASlowFrame) {
  // 10,000 small spheres in view: drawing one frame takes seconds.
  TempDir dir;
  std::string scene;
  for (int i = 0; i < 10000; ++i) {
    scene += "nextObject\n0.02 0.02 0.02\n0 0 0\n" + std::to_string((i % 400) * 0.015 - 3) +
             " " + std::to_string((i / 400) * 0.024 - 3) + " 0\ns \x01\n0.5 0.5 0.5\n";
  }
  WriteFileBytes(dir.File("init.scene"), scene + "EOF");
  // Nothing to keep; or a new object (its frame drawing) and Ctrl+S pressed
  // as the signal comes, which once left the editor waiting at the prompt.
  for (bool unsaved : {false, true}) {
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.WaitForOutput("Objects loaded: 10000\n", 60));
    if (unsaved) {
      editor.Keys("ctrl+n");
      ASSERT_TRUE(editor.WaitForOutput("New object created!\n", 120));  // after the first frame
      editor.Keys("ctrl+s");
    }
    editor.Signal(SIGTERM);
    EXPECT_EQ(editor.WaitExit(5), 128 + SIGTERM);
    EXPECT_EQ(RecoveryFiles(dir).size(), unsaved ? 2u : 0u);
  }
}

TEST(Journal, AKilledEditorLosesNothingShownAndTheNextStartKeepsIt) {
  const struct {
    const char* input;  // for the prompts
    const char* keys;
    bool kept;  // else nothing was unsaved
    std::size_t cut = 0;  // the journal cut to this many bytes after the kill
  } table[] = {
      {"", "ctrl+n Right Right Up F3 End ctrl+d minus Insert 3 exclam", true},
      {"", "ctrl+n ctrl+n Prior ctrl+w Left ctrl+z ctrl+z ctrl+y F5 b Down", true},
      {"0.25 0.5 2\n1e-7,,3\n", "ctrl+n F3 Return F4 Return", true},
      {"saved.scene\n", "ctrl+n ctrl+s Right Right", true},
      {"other.scene\n", "Right ctrl+l ctrl+z", true},
      {"other.scene\n", "Right ctrl+l", false},
      {"", "ctrl+n Right", false, 100},  // a damaged journal: the start goes on
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.keys);
    TempDir dir;
    WriteFileBytes(dir.File("init.scene"), "nextObject\n1 1 1\n0 0 0\n0 0 0\nc \x01\n0.1 0.1 0.1\nEOF");
    WriteFileBytes(dir.File("other.scene"), "nextObject\n1 2 3\n4 5 6\n7 8 9\ns \x01\n-2 0 0\nEOF");
    WriteFileBytes(dir.File("init.scene.tex"), "t.tga\n");
    RunX("convert -size 2x2 xc:red -type TrueColor -compress None " + dir.File("t.tga"));
    {
      EditorProcess editor(dir.path());  // the same keys, then Ctrl+S
      editor.Type(row.input + std::string("expected.scene\n"));
      editor.Keys(row.keys + std::string(" ctrl+s"));
      editor.ExpectExitOn("Escape");
    }
    {
      EditorProcess editor(dir.path());
      editor.Type(row.input);
      editor.Keys(row.keys + std::string(" p"));
      ASSERT_TRUE(editor.WaitForOutput("info-Color: "));
      editor.Signal(SIGKILL);
      EXPECT_EQ(editor.WaitExit(), 128 + SIGKILL);
    }
    if (row.cut != 0) std::filesystem::resize_file(RecoveryFiles(dir).at(0), row.cut);
    EditorProcess editor(dir.path(), row.kept ? std::vector<std::string>{"--recover"} : std::vector<std::string>{});
    ASSERT_TRUE(editor.WaitForOutput(row.kept ? "earlier session kept in " : "Objects loaded: "));
    const std::vector<std::string> files = RecoveryFiles(dir);  // and the new editor's journal
    ASSERT_EQ(files.size(), row.kept ? 3u : 1u);
    if (row.kept) {
      EXPECT_EQ(ReadFileBytes(files[1]), ReadFileBytes(dir.File("expected.scene")));
      EXPECT_EQ(ReadFileBytes(files[2]), dir.File("t.tga") + "\n");
      EXPECT_NE(editor.Output().find("loading " + files[1] + "\n"), std::string::npos);
      EXPECT_TRUE(EndsWith(editor.Output(), "\nUnsaved changes of an earlier session kept in " + files[1] + "\n"));
    }
    EXPECT_EQ(editor.Output().find("earlier session") != std::string::npos, row.kept);
    editor.ExpectExitOn("Escape");
  }
}

TEST(Quitting, TheRecoveryReopensAsTheSceneLookedFromAnotherFolder) {
  TempDir dir;
  RunX("convert -size 4x4 xc:'#00ff00' -type TrueColor -compress None " + dir.File("g.tga"));
  RunX("convert -size 4x4 xc:'#ff0000' -type TrueColor -compress None " + dir.File("r.tga"));
  WriteFileBytes(dir.File("init.scene.tex"), "g.tga\nmissing.tga\nr.tga\n");  // slot 2 stays empty
  WriteFileBytes(dir.File("init.scene"), "EOF");
  Screenshot before;
  {
    EditorProcess editor(dir.path());
    editor.Type("-2.5 0 0\n2.5 0 0\n");
    // Textures 1 and 3 left and right, the empty slot 2 in the middle; the
    // first object selected, as after a load.
    editor.Keys("ctrl+n exclam F3 Return ctrl+n numbersign Return ctrl+n at Next Next");
    before = editor.Shoot();
    editor.ExpectExitOn("Escape");
  }
  std::vector<std::string> files = RecoveryFiles(dir);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(ReadFileBytes(files[1]),
            dir.File("g.tga") + "\n-\n" + dir.File("r.tga") + "\n");

  TempDir elsewhere;
  WriteFileBytes(elsewhere.File("init.scene"), "EOF");
  EditorProcess editor(elsewhere.path());
  editor.Type(files[0] + "\n");
  editor.Keys("ctrl+l");
  ASSERT_TRUE(editor.WaitForOutput("Objects loaded: 3\n\n\n"));
  // A textured object's lighting follows the material the frame before left,
  // so the first frame after a load differs; compare the next.
  editor.Keys("Next");
  EXPECT_TRUE(editor.Shoot() == before);
  editor.ExpectExitOn("Escape");
}

TEST(Quitting, AnUnwritableStateFolderIsReportedAndTheEditorStillEnds) {
  for (bool fromStart : {true, false}) {  // no journal either, or once it runs
    TempDir dir;
    WriteFileBytes(dir.File("init.scene"), "EOF");
    if (fromStart) WriteFileBytes(dir.File("state"), "a file where the folder should be");
    EditorProcess editor(dir.path());
    if (!fromStart) {
      std::filesystem::remove_all(dir.File("state"));  // with the journal in it
      WriteFileBytes(dir.File("state"), "a file where the folder should be");
    }
    editor.Keys("ctrl+n p");
    ASSERT_TRUE(editor.WaitForOutput("info-Color: "));
    editor.ExpectExitOn("Escape");
    const std::string folder = dir.File("state/quillmar");
    EXPECT_EQ(editor.Output().find("Unsaved changes cannot be journaled in " + folder + "\n") !=
                  std::string::npos, fromStart);
    EXPECT_TRUE(EndsWith(editor.Output(), "\nUnsaved changes could not be kept in " + folder + "\n"));
  }
}

TEST(Console, AClosedConsoleDoesNotEndTheSession) {
  Session s;
  s.editor.CloseOutput();
  s.editor.Keys("ctrl+n F1 F1 F1 p");  // several buffers' worth of output
  s.editor.ExpectExitOn("Escape");
  EXPECT_EQ(RecoveryFiles(s.dir).size(), 2u);
}

TEST(Saving, AFileSizeLimitFailsTheSaveAndKeepsTheOldFile) {
  TestDisplay();  // started before the limit
  TempDir dir;
  WriteFileBytes(dir.File("init.scene"), "EOF");
  WriteFileBytes(dir.File("big.scene"), "old");
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limit = saved;
  limit.rlim_cur = 1000;  // bytes; the editor inherits it
  setrlimit(RLIMIT_FSIZE, &limit);
  EditorProcess editor(dir.path());
  setrlimit(RLIMIT_FSIZE, &saved);
  editor.Type("big.scene\n");
  editor.Keys("ctrl+n ctrl+n ctrl+n ctrl+n ctrl+n ctrl+n ctrl+n ctrl+n ctrl+n ctrl+n ctrl+s");
  ASSERT_TRUE(editor.WaitForOutput("Error saving file big.scene!\n"));
  EXPECT_EQ(ReadFileBytes(dir.File("big.scene")), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);  // and state/
  editor.ExpectExitOn("Escape");  // the recovery file is too big as well
  EXPECT_NE(editor.Output().find("Unsaved changes could not be kept in "), std::string::npos);
}

TEST(Console, ATerminalShowsEachLineAsItIsPrinted) {
  TempDir dir;
  RunX("convert -size 2048x2048 gradient:red-blue -type TrueColor -compress None " +
       dir.File("big.tga"));  // about 0.1 s to load
  std::string list;
  for (int i = 0; i < 10; ++i) list += "big.tga\n";
  WriteFileBytes(dir.File("slow.scene.tex"), list);
  WriteFileBytes(dir.File("slow.scene"), "EOF");
  EditorProcess editor(dir.path(), {}, true);
  editor.Type("slow.scene\n");
  editor.Keys("ctrl+l");
  // Buffered, the lines would all come at the end of the event, together.
  ASSERT_TRUE(editor.WaitForOutput("Loading texture big.tga\n"));
  EXPECT_EQ(editor.Output().find("loading slow.scene"), std::string::npos);
  ASSERT_TRUE(editor.WaitForOutput("Objects loaded: 0\n\n\n"));
  editor.ExpectExitOn("Escape");
}

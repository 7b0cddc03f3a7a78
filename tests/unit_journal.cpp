// The edit journal: what it replays to, after every kind of change and
// after damage anywhere.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/console.h"
#include "input/commands.h"
#include "io/scene_file.h"
#include "tests/test_support.h"

namespace {
unsigned NoUpload(const TgaImage&) { return 0; }
void NoTexGen() {}

std::string SceneBytes(const ObjectList& list) {
  std::FILE* file = std::tmpfile();
  WriteScene(list, file);
  std::string bytes(static_cast<std::size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  return bytes;
}

// An editor of two objects, journaling into `dir`, that runs a script of
// keys as events: N new, D duplicate, W delete, Z undo, Y redo, S save, L
// load, E Enter, A select all, I Insert, U Page Up, P/C position/colour mode, < > ^ v [ ]
// the arrows, Home and End; any other character as its key. Returns the
// scene after each key, the first before any.
std::vector<std::string> RunKeys(Editor& editor, const TempDir& dir, const std::string& script) {
  editor.textureBackend = {NoUpload, NoTexGen, nullptr};
  for (int i = 0; i < 2; ++i) editor.objects.current = CreateObject(editor.objects);
  editor.textures.files[2] = "relative.tga";
  EXPECT_TRUE(editor.journal.Start(dir.File("state"), editor.history, editor.objects, editor.textures));
  std::vector<std::string> scenes = {SceneBytes(editor.objects)};
  const std::string special = "IU<>^v[]PC";
  const int specialKeys[] = {kKeyInsert, kKeyPageUp, kKeyLeft, kKeyRight, kKeyUp, kKeyDown, kKeyHome,
                             kKeyEnd, kKeyF3, kKeyF5};
  const std::string control = "NDWZYSLEA", controlKeys = "\x0e\x04\x17\x1a\x19\x13\x0c\r\x01";
  for (char key : script) {
    if (special.find(key) != std::string::npos) HandleSpecialKey(editor, specialKeys[special.find(key)]);
    else if (control.find(key) != std::string::npos) HandleKey(editor, controlKeys[control.find(key)]);
    else HandleKey(editor, static_cast<unsigned char>(key));
    editor.journal.NoteUnsaved(editor.unsaved);
    scenes.push_back(SceneBytes(editor.objects));
  }
  return scenes;
}

std::string JournalBytes(const Editor& editor) {
  return ReadFileBytes(editor.journal.Path()).substr(0, editor.journal.Bytes());
}

bool Replay(const std::string& bytes, std::size_t size, JournalScene& scene) {
  return ReplayJournal(reinterpret_cast<const unsigned char*>(bytes.data()), size, scene);
}
}  // namespace

TEST(Journal, ReplaysToExactlyTheSceneItsEditorHeld) {
  std::string held;  // every object moved 5,000 times: the journal starts afresh as it outgrows its base
  for (int i = 0; i < 2500; ++i) held += "><";
  const struct {
    std::string keys;
    const char* input;  // for the prompts; "@" stands for the test's folder
  } table[] = {
      {"N>>^P][D-I3!", ""},                 // new, sizes and moves held, duplicate, wire, shape, presets
      {"NNUUW<ZZYCbv", ""},                 // delete, undo and redo across it, colours
      {"NEPE", "0.25 0.5 2\n1e-7,,3\n"},    // typed values, exact to the bit
      {"N>S>>N", "@/saved.scene\n"},        // a save starts afresh, then more changes
      {"NL>ZZ", "@/other.scene\n"},         // a load, and its undo
      {"N>ZZ", ""},                         // back to the saved scene: nothing unsaved
      {"NDAP>^WZ", ""},                     // several selected: group edits, deletes and their undo
      {"NDAP" + held, ""},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.keys);
    TempDir dir;
    std::string input = row.input;
    for (std::size_t at; (at = input.find('@')) != std::string::npos;) input.replace(at, 1, dir.path());
    WriteFileBytes(dir.File("other.scene"), "nextObject\n1 2 3\n4 5 6\n7 8 9\ns \x01\n-1 0 0\nEOF");
    WriteFileBytes(dir.File("other.scene.tex"), dir.File("a.tga") + "\n");
    ConsoleCapture console(input);
    Editor editor;
    RunKeys(editor, dir, row.keys);
    EXPECT_LT(editor.journal.Bytes(), (1u << 20) + 16384u);
    JournalScene replayed;
    const std::string bytes = JournalBytes(editor);
    ASSERT_TRUE(Replay(bytes, bytes.size(), replayed));
    EXPECT_EQ(SceneBytes(replayed.objects), SceneBytes(editor.objects));
    EXPECT_EQ(replayed.unsaved, editor.unsaved);
    for (int slot = 1; slot < kTextureSlots; ++slot) {
      const std::string& file = editor.textures.files[slot];
      EXPECT_EQ(replayed.textures.files[slot],
                file.empty() || file[0] == '/' ? file : std::filesystem::current_path().string() + "/" + file);
    }
  }
}

TEST(Journal, ACutOrDamagedJournalGivesBackTheScenesBeforeTheDamage) {
  TempDir dir;
  ConsoleCapture console;
  Editor editor;
  const std::vector<std::string> scenes = RunKeys(editor, dir, "N>>>^DW<Z-NN");
  const std::string bytes = JournalBytes(editor);
  // Cut short: nothing before the base is whole, then ever later scenes, the
  // last once it is all there.
  std::size_t last = 0;
  bool based = false;
  for (std::size_t size = 0; size <= bytes.size(); ++size) {
    JournalScene replayed;
    if (!Replay(bytes, size, replayed)) {
      ASSERT_FALSE(based) << size;
      continue;
    }
    based = true;
    auto found = std::find(scenes.begin() + last, scenes.end(), SceneBytes(replayed.objects));
    ASSERT_NE(found, scenes.end()) << size;
    last = found - scenes.begin();
  }
  EXPECT_EQ(last, scenes.size() - 1);
  // A byte changed anywhere: a scene the editor held, or nothing at all.
  for (std::size_t at = 0; at < bytes.size(); ++at) {
    std::string damaged = bytes;
    damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
    JournalScene replayed;
    if (Replay(damaged, damaged.size(), replayed)) {
      EXPECT_NE(std::find(scenes.begin(), scenes.end(), SceneBytes(replayed.objects)), scenes.end()) << at;
    }
  }
}

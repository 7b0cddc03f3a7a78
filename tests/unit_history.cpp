// Undo and redo: through the editor's keys, and the history on its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "base/console.h"
#include "input/commands.h"
#include "io/scene_file.h"
#include "scene/history.h"
#include "session/selection.h"
#include "tests/test_support.h"

namespace {
// Four objects with values that do not round-trip through "%f" exactly.
const char kScene[] =
    "nextObject\n1.3 0.7 2.1\n10.5 -20.25 3.3\n0.1 -0.2 0.3\nc \x01\n0.123 0.456 0.789\n"
    "nextObject\n0.9 0.9 0.9\n0 45 0\n-1.7 1.1 0\ns \x01\n-2.5 0 0\n"
    "nextObject\n1 2 3\n0 0 0\n2 2 -2\ny 0\n0 -4.5 0\n"
    "nextObject\n0.5 0.5 0.5\n1 2 3\n0 -1.3 1.9\nc \x01\n0.3 0.2 0.1\n"
    "EOF";

unsigned NoUpload(const TgaImage&) { return 0; }

std::string Repeat(const std::string& text, int times) {
  std::string all;
  while (times-- > 0) all += text;
  return all;
}
void NoTexGen() {}

// The saved file's bytes.
std::string SavedBytes(const ObjectList& list) {
  char* data = nullptr;
  std::size_t size = 0;
  std::FILE* file = open_memstream(&data, &size);
  WriteScene(list, file);
  std::fclose(file);
  std::string bytes(data, size);
  std::free(data);
  return bytes;
}

// Everything undo must restore, bit for bit: the saved bytes, every object's
// id and raw field bits in list order, and (if asked) which one is current
// and which others are selected.
std::string Snapshot(const ObjectList& list, bool withCurrent = true,
                     const std::vector<SceneObject*>& others = {}) {
  std::string state = SavedBytes(list);
  for (const SceneObject* o = list.first; o != nullptr; o = o->next) {
    auto bits = [&](const void* p, std::size_t n) { state.append(static_cast<const char*>(p), n); };
    bits(&o->id, sizeof o->id);
    bits(&o->size, sizeof o->size);
    bits(&o->rotation, sizeof o->rotation);
    bits(&o->position, sizeof o->position);
    bits(&o->shape, 1);
    bits(&o->solid, 1);
    bits(&o->red, sizeof(float));
    bits(&o->green, sizeof(float));
    bits(&o->blue, sizeof(float));
    if (withCurrent && o == list.current) state += "<current>";
    if (std::count(others.begin(), others.end(), o) != 0) state += "<selected>";
  }
  return state + "count " + std::to_string(list.count);
}

// Follows the list through the history's observer alone: ids and fields in
// list order, as a journal would rebuild them.
class Mirror : public HistoryObserver {
 public:
  explicit Mirror(const ObjectList& list) { Replaced(list); }
  void Changed(const SceneObject& object) override { *Find(object.id) = Fields(object); }
  void Inserted(const SceneObject& object) override {
    auto at = object.prev == nullptr ? objects_.begin() : Find(object.prev->id) + 1;
    objects_.insert(at, Fields(object));
  }
  void Removed(const SceneObject& object) override { objects_.erase(Find(object.id)); }
  void Replaced(const ObjectList& list) override {
    objects_.clear();
    for (const SceneObject* o = list.first; o != nullptr; o = o->next) objects_.push_back(Fields(*o));
  }
  bool Matches(const ObjectList& list) const { return Mirror(list).objects_ == objects_; }

 private:
  static std::string Fields(const SceneObject& o) {
    SceneObject copy;
    CopyAttributes(copy, o);
    return std::to_string(o.id) + ":" +
           std::string(reinterpret_cast<const char*>(&copy.size), offsetof(SceneObject, id)) +
           copy.shape + copy.solid +
           std::string(reinterpret_cast<const char*>(&copy.red), 3 * sizeof(float));
  }
  std::vector<std::string>::iterator Find(std::int32_t id) {
    std::string prefix = std::to_string(id) + ":";
    return std::find_if(objects_.begin(), objects_.end(),
                        [&](const std::string& o) { return o.compare(0, prefix.size(), prefix) == 0; });
  }
  std::vector<std::string> objects_;
};

class Undo : public ::testing::Test {
 protected:
  Undo() : console(Repeat("0.25 0.5 0.75\n", 8)) {
    editor.textureBackend.upload = NoUpload;
    editor.textureBackend.enableTexGen = NoTexGen;
    std::FILE* file = fmemopen(const_cast<char*>(kScene), sizeof kScene - 1, "r");
    ReadScene(editor.objects, file);
    std::fclose(file);
    editor.objects.current = editor.objects.first->next;  // id 1
    console.Take();
  }

  // Presses keys named as in "F3 Right ^W ! Ins": special keys by name, ^X
  // for Ctrl+X, +N for a Shift+click on object N, anything else as its
  // character.
  void Press(const std::string& keys) {
    static const std::map<std::string, int> special = {
        {"F2", kKeyF2}, {"F3", kKeyF3}, {"F4", kKeyF4}, {"F5", kKeyF5},
        {"Left", kKeyLeft}, {"Right", kKeyRight}, {"Up", kKeyUp}, {"Down", kKeyDown},
        {"Home", kKeyHome}, {"End", kKeyEnd}, {"PgUp", kKeyPageUp}, {"PgDn", kKeyPageDown},
        {"Ins", kKeyInsert}};
    std::istringstream in(keys);
    std::string key;
    while (in >> key) {
      if (special.count(key) != 0) {
        HandleSpecialKey(editor, special.at(key));
      } else if (key == "Ret" || key == "Tab") {
        HandleKey(editor, key == "Ret" ? 13 : 9);
      } else if (key[0] == '+' && key.size() > 1) {
        SceneObject* o = editor.objects.first;
        while (o->id != std::stoi(key.substr(1))) o = o->next;
        ToggleSelected(editor, o);
      } else if (key.size() == 2 && key[0] == '^') {
        HandleKey(editor, static_cast<unsigned char>(key[1] & 0x1f));
      } else {
        HandleKey(editor, static_cast<unsigned char>(key[0]));
      }
    }
  }

  ConsoleCapture console;
  Editor editor;
};

struct Sequence {
  const char* name;
  const char* setup;    // keys pressed before the history starts
  const char* changes;  // keys whose steps are undone
  int steps;            // how many undo steps they make
};

const Sequence kSequences[] = {
    {"ten presses of a move are one step", "F3", "Right Right Right Right Right Right Right Right Right Right", 1},
    {"resize on all axes", "", "Home Home End Up Left Down", 1},
    {"rotate", "F4", "Up Right End End", 1},
    {"colour arrows clamp", "F5", "Up Up Up Up Up Up Up Up Up Up Up Up Down Home", 1},
    {"each edit mode starts a step", "", "Right F3 Right F4 Right F5 Right", 4},
    {"paging between presses starts a step", "F3", "Right PgDn PgUp Right", 2},
    {"appearance keys, typed colour and shape", "", "! @ 3 - b g Ins", 7},
    {"a typed colour with no effect is no step", "", "g g", 1},
    {"each typed answer is one step", "", "Ret F3 Ret", 2},
    {"delete in the middle", "", "^W", 1},
    {"delete the first and the last", "PgDn", "^W PgUp PgUp PgUp ^W", 2},
    {"new, duplicate and their edits", "", "^N Right ^D F3 Up ^D", 5},
    {"delete everything", "", "^W ^W ^W ^W ^W", 4},
    {"new objects on an emptied list", "^W ^W ^W ^W", "^N ^N", 2},
    {"camera, mode, print and echo keys are no steps", "", "w z q F2 F5 p ~ ~", 0},
    // Several selected (object 1 is current): each key is one step for all.
    {"a run of group moves", "^A F3", "Right Right Up Home", 1},
    {"group appearance keys, typed colour and shape", "^A", "! 3 - b g Ins", 6},
    {"group typed values and typed changes in each mode",
     "^A", "Ret Tab F3 Ret Tab F4 Ret Tab F5 Ret Tab", 8},
    {"group delete of objects apart", "+3", "^W", 1},
    {"group delete of everything", "^A", "^W", 1},
    {"group duplicate, then the copies edited", "+0 +3", "^D Right Tab", 3},
    {"new and page after a group edit", "^A F3", "Right ^N PgDn Left", 3},
    {"shift-clicks and Ctrl+A between edits are no steps", "+2", "Right +0 Up ^A Left", 3},
};

TEST_F(Undo, SequencesUndoToTheExactBytesAndRedoBack) {
  for (const Sequence& s : kSequences) {
    SCOPED_TRACE(s.name);
    Editor fresh;
    std::FILE* file = fmemopen(const_cast<char*>(kScene), sizeof kScene - 1, "r");
    ReadScene(fresh.objects, file);
    std::fclose(file);
    editor.history.Clear();
    SwapObjects(editor.objects, fresh.objects);
    SelectOnly(editor, editor.objects.first->next);
    editor.editMode = 's';
    std::rewind(ConsoleIn());

    Press(s.setup);
    editor.history.Clear();
    Mirror mirror(editor.objects);
    editor.history.SetObserver(&mirror);
    const std::string before = Snapshot(editor.objects, true, editor.selection.others);
    const std::string savedBefore = SavedBytes(editor.objects);
    Press(s.changes);
    const std::string after = Snapshot(editor.objects, true, editor.selection.others);
    EXPECT_TRUE(mirror.Matches(editor.objects));
    console.Take();

    for (int i = 0; i < s.steps; ++i) EXPECT_EQ(HandleKey(editor, 26), Outcome::Redraw);
    EXPECT_TRUE(mirror.Matches(editor.objects));
    EXPECT_EQ(SavedBytes(editor.objects), savedBefore);
    EXPECT_EQ(Snapshot(editor.objects, true, editor.selection.others), before);
    EXPECT_EQ(HandleKey(editor, 26), Outcome::None);
    // Ctrl+Y and Ctrl+Shift+Z both redo.
    for (int i = 0; i < s.steps; ++i) {
      EXPECT_EQ(HandleKey(editor, i % 2 ? 25 : 26, i % 2 ? 0 : kModShift | kModCtrl), Outcome::Redraw);
    }
    EXPECT_EQ(Snapshot(editor.objects, true, editor.selection.others), after);
    EXPECT_TRUE(mirror.Matches(editor.objects));
    editor.history.SetObserver(nullptr);
    EXPECT_EQ(HandleKey(editor, 25), Outcome::None);
    std::string out = console.Take();
    EXPECT_NE(out.find("Nothing to undo!\nRedone: "), s.steps > 0 ? std::string::npos : 0);
    EXPECT_EQ(out.substr(out.size() - 17), "Nothing to redo!\n");
  }
}

TEST_F(Undo, MessagesNameTheStepAndUndoSelectsTheChangedObject) {
  Press("F3 Right PgUp PgUp");
  ASSERT_EQ(editor.objects.current->id, 3);
  Press("^Z");
  EXPECT_EQ(editor.objects.current->id, 1);
  Press("^Y ^D ^Z ^Z ^Z");
  EXPECT_EQ(console.Take(),
            "Undone: move object 1\nRedone: move object 1\nObject duplicated!\n"
            "Undone: duplicate object 1\nUndone: move object 1\nNothing to undo!\n");
  Press("PgUp ^W ^Z");  // the deleted object comes back in its place, current
  EXPECT_EQ(editor.objects.current->id, 2);
  EXPECT_EQ(editor.objects.current->prev->id, 1);
  EXPECT_EQ(editor.objects.current->next->id, 3);
  EXPECT_EQ(console.Take(), "Undone: delete object 2\n");
}

TEST_F(Undo, ANewChangeDropsTheRedoSteps) {
  Press("Right ^Z Up ^Y");
  EXPECT_EQ(console.Take(), "Undone: resize object 1\nNothing to redo!\n");
  Press("^Z ^N ^Y");  // the undone step's object goes for good
  EXPECT_EQ(editor.objects.count, 5);
  EXPECT_EQ(editor.history.RedoSteps(), 0u);
}

TEST_F(Undo, UndoingBackToTheSavedStateClearsTheUnsavedFlag) {
  TempDir dir;
  ConsoleCapture names(dir.File("a.scene") + "\n");
  EXPECT_FALSE(editor.unsaved);
  Press("Right");
  EXPECT_TRUE(editor.unsaved);
  Press("^Z");
  EXPECT_FALSE(editor.unsaved);
  Press("^Y ^N");
  EXPECT_TRUE(editor.unsaved);
  Press("^S");  // saved after the new object
  EXPECT_FALSE(editor.unsaved);
  Press("^Z");
  EXPECT_TRUE(editor.unsaved);
  Press("^Y");
  EXPECT_FALSE(editor.unsaved);
  Press("^Z Up");  // the saved state cannot come back
  Press("^Z");
  EXPECT_TRUE(editor.unsaved);
}

TEST_F(Undo, LoadIsOneStepThatBringsTheReplacedSceneBack) {
  TempDir dir;
  WriteFileBytes(dir.File("b.scene"), "nextObject\n1 1 1\n0 0 0\n0 0 0\ns \x01\n-3 0 0\nEOF");
  WriteFileBytes(dir.File("b.scene.tex"), "");
  ConsoleCapture names(dir.File("b.scene") + "\n" + dir.File("missing.scene") + "\n");
  Press("! F3 Up");
  const std::string before = Snapshot(editor.objects);
  Press("^L");
  ASSERT_EQ(editor.objects.count, 1);
  const std::string loaded = Snapshot(editor.objects);
  EXPECT_FALSE(editor.unsaved);
  Press("^L");  // a failed load is no step
  Press("^Z");
  EXPECT_EQ(Snapshot(editor.objects), before);
  EXPECT_TRUE(editor.unsaved);
  Press("^Z ^Z");
  EXPECT_EQ(editor.objects.current->red, -2.5f);  // its own texture code again
  Press("^Y ^Y ^Y");
  EXPECT_EQ(Snapshot(editor.objects), loaded);
  EXPECT_FALSE(editor.unsaved);
  EXPECT_NE(names.Take().find("Undone: load " + dir.File("b.scene") + "\n"), std::string::npos);
}

// Random keys, undo and redo among them: every level of the history must
// come back exactly (ids, order and bits) however it is reached.
TEST_F(Undo, RandomSequencesReturnToEveryLevelExactly) {
  const char* keys[] = {"Right", "Left", "Up", "Home", "End", "F2", "F3", "F4", "F5", "PgUp",
                        "PgDn", "Ins", "^W", "^N", "^D", "!", "3", "-", "b", "^Z", "^Z", "^Y"};
  std::srand(12345);
  // Paging moves the selection without a step, so levels leave it out.
  auto state = [&] { return Snapshot(editor.objects, false); };
  std::vector<std::string> levels{state()};
  int walked = 0;
  for (int i = 0; i < 600; ++i) {
    std::string key = keys[std::rand() % (sizeof keys / sizeof *keys)];
    Press(key);
    std::size_t level = editor.history.UndoSteps();
    if (key == "^Z" || key == "^Y") {
      ASSERT_EQ(state(), levels[level]) << "key " << i;
      walked += 1;
    } else if (editor.history.RedoSteps() == 0) {
      levels.resize(level + 1);  // a change drops what was undone
      levels[level] = state();
    } else {
      ASSERT_EQ(state(), levels[level]) << "key " << i;  // no change: redo kept
    }
  }
  EXPECT_GT(walked, 50);
  while (HandleKey(editor, 26) == Outcome::Redraw) {
    ASSERT_EQ(state(), levels[editor.history.UndoSteps()]);
  }
  EXPECT_EQ(state(), levels[0]);
  while (HandleKey(editor, 25) == Outcome::Redraw) {
    ASSERT_EQ(state(), levels[editor.history.UndoSteps()]);
  }
  EXPECT_EQ(editor.history.UndoSteps(), levels.size() - 1);
}

TEST(History, KeepsAtMostItsStepLimitOldestFirst) {
  ObjectList list;
  list.current = CreateObject(list);
  History history(3, History::kMaxBytes);
  for (int i = 1; i <= 5; ++i) {
    SceneObject before = *list.current;
    list.current->size.x = static_cast<float>(i);
    history.RecordEdit(list.current, before, "resize");
  }
  std::string what;
  int undone = 0;
  while (history.Undo(list, what)) ++undone;
  EXPECT_EQ(undone, 3);
  EXPECT_EQ(list.current->size.x, 2);
  EXPECT_FALSE(history.AtSaved());  // the first state was dropped
}

TEST(History, KeepsWithinItsMemoryLimitAndFreesDroppedObjects) {
  ObjectList list;
  list.current = CreateObject(list);
  History history(History::kMaxSteps, 4096);
  for (int i = 0; i < 200; ++i) {
    SceneObject* added = CreateObject(list);
    history.RecordAdd(added, list.current, "new");
    list.current = added;
    history.Delete(list, added, "delete");
  }
  EXPECT_LE(history.Bytes(), 4096u);
  EXPECT_GT(history.UndoSteps(), 0u);
  EXPECT_LT(history.UndoSteps(), 400u);
  EXPECT_EQ(list.count, 1);
  // A replaced scene larger than the whole limit cannot be kept at all.
  for (int i = 0; i < 100; ++i) CreateObject(list);
  ObjectList loaded;
  CreateObject(loaded);
  TextureTable textures;
  history.ReplaceScene(list, loaded, textures, textures, nullptr, "load");
  EXPECT_EQ(list.count, 1);
  EXPECT_EQ(history.UndoSteps(), 0u);
  EXPECT_EQ(history.Bytes(), 0u);
  // Nor can a step of too many objects: the deleted ones are freed at once.
  for (int i = 0; i < 99; ++i) CreateObject(list);
  history.Delete(list, list.last, "delete");
  ASSERT_EQ(history.UndoSteps(), 1u);
  history.Begin({"delete", 0, 99}, list.first);
  while (list.first != nullptr) history.Delete(list, list.first);
  EXPECT_TRUE(history.End(nullptr));
  EXPECT_EQ(list.count, 0);
  EXPECT_EQ(history.UndoSteps(), 0u);
}

TEST(History, RunsJoinOnlyTheSameObjectAndDescription) {
  ObjectList list;
  SceneObject* a = CreateObject(list);
  SceneObject* b = CreateObject(list);
  History history;
  auto edit = [&](SceneObject* o, const char* what, bool run) {
    SceneObject before = *o;
    o->position.x += 1;
    history.RecordEdit(o, before, what, run);
  };
  edit(a, "move", true);
  edit(a, "move", true);
  edit(b, "move", true);
  edit(b, "resize", true);
  edit(b, "resize", false);
  edit(b, "resize", true);
  history.EndRun();
  edit(b, "resize", true);
  EXPECT_EQ(history.UndoSteps(), 6u);
}
}  // namespace

// Undo and redo for the object list. Each step records only what changed:
// the objects edited in place (their attributes on the other side of the
// step), the objects that joined or left the list (kept alive while the step
// may bring them back), or, for a loaded scene, the whole scene and the
// texture slots it replaced; and which objects were selected before and
// after it. A step may change many objects (an edit of several selected
// objects is one step). Steps refer
// to objects by address, so undoing and redoing never searches the list:
// every step costs the same whatever the scene's size.
//
// The history relies on being told of every change to the list's objects;
// anything else that adds, frees or edits objects must Clear() it first.
// In turn it tells an observer (a journal) of each change it records or
// makes, so the observer can follow the scene without asking for it whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "scene/object.h"

// Hears of each change to the list's objects, once it is made. Objects are
// named by their ids, which are unique within the list.
class HistoryObserver {
 public:
  virtual ~HistoryObserver() = default;
  // `object`'s attributes changed in place.
  virtual void Changed(const SceneObject& object) = 0;
  // `object` joined the list, right after object.prev (first when null).
  virtual void Inserted(const SceneObject& object) = 0;
  // `object` left the list.
  virtual void Removed(const SceneObject& object) = 0;
  // The whole list was exchanged for another (a load, or its undo or redo).
  virtual void Replaced(const ObjectList& list) = 0;
};

// What a step of objects did: "<verb> object <id>" for one object,
// "<verb> <count> objects" for several. The verb is a literal (it must live
// as long as the history); the text is only made when it is shown.
struct StepName {
  const char* verb = "change";
  std::int32_t id = 0;
  std::int32_t count = 1;
};

class History {
 public:
  static constexpr std::size_t kMaxSteps = 1000;
  static constexpr std::size_t kMaxBytes = 64u << 20;

  // A history keeping at most `maxSteps` steps and about `maxBytes` bytes;
  // the oldest steps go first.
  explicit History(std::size_t maxSteps = kMaxSteps, std::size_t maxBytes = kMaxBytes);
  ~History();
  History(const History&) = delete;
  History& operator=(const History&) = delete;

  // Opens a step named `name`, made while `current` and `others` were
  // selected. The RecordEdit, RecordAdd and Delete calls up to End make up
  // the step (all of one kind); undoing it takes them back in reverse order.
  // With `run` set, an edit step joins the newest step instead when that
  // edited the same objects in the same order, has the same name and was
  // recorded in the same unbroken run (see EndRun).
  void Begin(const StepName& name, SceneObject* current,
             const std::vector<SceneObject*>& others = {}, bool run = false);
  // Records that `object`, still in the list, was `before` and now holds its
  // current attributes.
  void RecordEdit(SceneObject* object, const SceneObject& before);
  // Records that `object` was just appended to the list.
  void RecordAdd(SceneObject* object);
  // Takes `object` out of the list, keeping it so an undo can put it back in
  // its place. Does not change list.current. Null does nothing.
  void Delete(ObjectList& list, SceneObject* object);
  // Closes the step, which left `current` and `others` selected. A step that
  // recorded nothing is no step; one too large for the memory limit empties
  // the history (see Clear). Returns whether the objects changed.
  bool End(SceneObject* current, const std::vector<SceneObject*>& others = {});

  // One-object steps named "<verb> object <id>", each opened and closed at
  // once. An edit of `object` (selected alone before and after):
  void RecordEdit(SceneObject* object, const SceneObject& before, const char* verb,
                  bool run = false);
  // `object` appended while `previousCurrent` was current; makes nothing
  // current:
  void RecordAdd(SceneObject* object, SceneObject* previousCurrent, const char* verb);
  // `object` (null: nothing) taken out, and the first object made current:
  void Delete(ObjectList& list, SceneObject* object, const char* verb);

  // Swaps `loaded`'s objects into `list`, and the slots of `loadedTextures`
  // that differ from `textures` into `textures`, keeping the replaced scene
  // (left empty in `loaded`) and the replaced slots for an undo. The step
  // owns the texture names not in `textures` and frees them with
  // `releaseTexture` (null: nothing to free) when it is dropped.
  void ReplaceScene(ObjectList& list, ObjectList& loaded, TextureTable& textures,
                    const TextureTable& loadedTextures, void (*releaseTexture)(unsigned),
                    const std::string& what);

  // Undoes the newest step: restores it exactly, with the selection it was
  // made on (list.current, and `*others` when given; a load's undo selects
  // the current object alone). Returns false, with nothing changed, when
  // there is none; `what` gets the step's description.
  bool Undo(ObjectList& list, std::string& what, std::vector<SceneObject*>* others = nullptr);
  // Redoes the step undone last, with the selection it left. Returns false
  // when there is none.
  bool Redo(ObjectList& list, std::string& what, std::vector<SceneObject*>* others = nullptr);

  // Ends the current run of edits: the next RecordEdit starts a new step.
  void EndRun() { runOpen_ = false; }
  // Remembers the present state as the saved one (after a save or a load).
  void MarkSaved();
  // True when the objects are as they were when last marked saved.
  bool AtSaved() const;
  // Forgets every step; the present state counts as unsaved.
  void Clear();

  // Tells `observer` (null: nobody) of every change from now on.
  void SetObserver(HistoryObserver* observer) { observer_ = observer; }

  std::size_t UndoSteps() const { return undo_.size(); }
  std::size_t RedoSteps() const { return redo_.size(); }
  // The memory the steps hold, estimated.
  std::size_t Bytes() const { return bytes_; }

 private:
  enum class Kind : unsigned char { Edit, Add, Delete, Replace };
  // One object a step changed.
  struct Change {
    SceneObject* object = nullptr;
    SceneObject* prev = nullptr;  // Add/Delete: the object it sits after
    SceneObject kept;             // Edit: the attributes on the other side
  };
  // The texture slots a load changed: the editor's table, and the changed
  // slots' other side, which is in no table while the step keeps it.
  struct SlotSwap {
    TextureTable* table = nullptr;
    TextureTable other;
    std::uint32_t changed = 0;  // bit n: slot n
    void (*release)(unsigned) = nullptr;
    void Swap();
  };
  // What a load's step keeps: the scene not in the list, the texture slots
  // it changed (if any), and the step's description.
  struct Replaced {
    ObjectList scene;
    std::unique_ptr<SlotSwap> slots;
    std::string what;
  };
  struct Step {
    Kind kind = Kind::Edit;
    bool run = false;  // an edit that may join the next one
    // The changes in the order made: `first` alone while there is one (the
    // common step needs no allocation of its own), all in `more` beyond.
    std::uint32_t count = 0;
    StepName name;
    long serial = 0;       // names the state this step leads to
    std::size_t cost = 0;  // bytes counted against the limit
    Change first;
    std::vector<Change> more;
    // The selection before and after the step.
    SceneObject* currentBefore = nullptr;
    SceneObject* currentAfter = nullptr;
    std::vector<SceneObject*> othersBefore, othersAfter;
    std::unique_ptr<Replaced> replaced;  // Replace: what is not in the list
  };

  // Adds a change of `object` where it stands in the list to the open step.
  Change& Note(SceneObject* object);
  static Change* Changes(Step& step) { return step.count > 1 ? step.more.data() : &step.first; }
  // The step's description.
  static std::string Describe(const Step& step);
  // True when `step` may take in the edits of `pending_` as part of its run.
  bool Joins(Step& step);
  void Push(Step&& step);
  // Moves the newest step of `from` to `to`, doing it forward or back.
  bool Shift(ObjectList& list, std::deque<Step>& from, std::deque<Step>& to, bool forward,
             std::string& what, std::vector<SceneObject*>* others);
  void Run(ObjectList& list, Step& step, bool forward);
  // Puts a change's object into the list in its place, or takes it out.
  void Place(ObjectList& list, const Change& change, bool in);
  // Frees what a dropped step owns; `applied` tells which side it was on.
  void Release(Step& step, bool applied);
  void DropRedo();
  long StateSerial() const { return undo_.empty() ? baseSerial_ : undo_.back().serial; }

  std::size_t maxSteps_, maxBytes_;
  std::deque<Step> undo_;   // applied steps, oldest first
  std::deque<Step> redo_;   // undone steps, most recently undone last
  std::size_t bytes_ = 0;
  bool runOpen_ = false;
  Step pending_;  // the step between Begin and End
  bool keeping_ = true;  // pending_ fits the memory limit and is kept
  long nextSerial_ = 1;
  long baseSerial_ = 0;    // the state before the oldest kept step
  long savedSerial_ = 0;   // the saved state; -1 when no longer reachable
  HistoryObserver* observer_ = nullptr;
};

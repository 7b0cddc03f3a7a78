// Undo and redo for the object list. Each step records only what changed:
// an object's attributes before and after an in-place edit, an object that
// joined or left the list (kept alive while the step may bring it back), or,
// for a loaded scene, the whole scene and the texture slots it replaced.
// Steps refer to objects by address, so undoing and redoing never searches
// the list: every step costs the same whatever the scene's size.
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

  // Records that `object`, still in the list, was `before` and now holds its
  // current attributes. With `run` set, and the newest step an edit of the
  // same object with the same description recorded in the same unbroken run
  // (see EndRun), the change joins that step instead.
  void RecordEdit(SceneObject* object, const SceneObject& before, const std::string& what,
                  bool run = false);

  // Records that `object` was just appended to the list while
  // `previousCurrent` was current. Makes nothing current.
  void RecordAdd(SceneObject* object, SceneObject* previousCurrent, const std::string& what);

  // Takes `object` out of the list, keeping it so an undo can put it back in
  // its place, and makes the first object current. Null does nothing.
  void Delete(ObjectList& list, SceneObject* object, const std::string& what);

  // Swaps `loaded`'s objects into `list`, and the slots of `loadedTextures`
  // that differ from `textures` into `textures`, keeping the replaced scene
  // (left empty in `loaded`) and the replaced slots for an undo. The step
  // owns the texture names not in `textures` and frees them with
  // `releaseTexture` (null: nothing to free) when it is dropped.
  void ReplaceScene(ObjectList& list, ObjectList& loaded, TextureTable& textures,
                    const TextureTable& loadedTextures, void (*releaseTexture)(unsigned),
                    const std::string& what);

  // Undoes the newest step: restores it exactly and makes the changed object
  // current. Returns false, with nothing changed, when there is none; `what`
  // gets the step's description.
  bool Undo(ObjectList& list, std::string& what);
  // Redoes the step undone last. Returns false when there is none.
  bool Redo(ObjectList& list, std::string& what);

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
  enum class Kind { Edit, Add, Delete, Replace };
  // The texture slots a load changed: the editor's table, and the changed
  // slots' other side, which is in no table while the step keeps it.
  struct SlotSwap {
    TextureTable* table = nullptr;
    TextureTable other;
    std::uint32_t changed = 0;  // bit n: slot n
    void (*release)(unsigned) = nullptr;
    void Swap();
  };
  struct Step {
    Kind kind = Kind::Edit;
    std::string what;
    long serial = 0;      // names the state this step leads to
    std::size_t cost = 0;  // bytes counted against the limit
    SceneObject* object = nullptr;  // the edited, added or deleted object
    SceneObject* prev = nullptr;    // Add/Delete: the object it sits after
    SceneObject* currentBefore = nullptr;  // Add: current before the step
    SceneObject before, after;             // Edit: the attributes
    std::unique_ptr<ObjectList> scene;     // Replace: the scene not in the list
    std::unique_ptr<SlotSwap> slots;       // Replace: changed texture slots, if any
  };

  // A step of `kind` about `object` (null for a replaced scene).
  static Step NewStep(Kind kind, const std::string& what, SceneObject* object);
  void Push(Step step);
  // Moves the newest step of `from` to `to`, doing it forward or back.
  bool Shift(ObjectList& list, std::deque<Step>& from, std::deque<Step>& to, bool forward,
             std::string& what);
  void Run(ObjectList& list, Step& step, bool forward);
  // Frees what a dropped step owns; `applied` tells which side it was on.
  void Release(Step& step, bool applied);
  void DropRedo();
  long StateSerial() const { return undo_.empty() ? baseSerial_ : undo_.back().serial; }

  std::size_t maxSteps_, maxBytes_;
  std::deque<Step> undo_;   // applied steps, oldest first
  std::deque<Step> redo_;   // undone steps, most recently undone last
  std::size_t bytes_ = 0;
  bool runOpen_ = false;
  long nextSerial_ = 1;
  long baseSerial_ = 0;    // the state before the oldest kept step
  long savedSerial_ = 0;   // the saved state; -1 when no longer reachable
  HistoryObserver* observer_ = nullptr;
};

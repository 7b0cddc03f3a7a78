#include "scene/history.h"

#include <utility>

namespace {
// What one object costs when a step keeps it: the record and the allocator's
// bookkeeping.
constexpr std::size_t kObjectCost = sizeof(SceneObject) + 16;
}  // namespace

History::History(std::size_t maxSteps, std::size_t maxBytes)
    : maxSteps_(maxSteps), maxBytes_(maxBytes) {}

History::~History() { Clear(); }

History::Step History::NewStep(Kind kind, const std::string& what, SceneObject* object) {
  Step step;
  step.kind = kind;
  step.what = what;
  step.object = object;
  if (kind == Kind::Add || kind == Kind::Delete) {
    step.prev = object->prev;  // where the object sits in the list
    step.cost = kObjectCost;   // the object is kept while out of the list
  }
  return step;
}

void History::RecordEdit(SceneObject* object, const SceneObject& before, const std::string& what,
                         bool run) {
  if (run && runOpen_ && redo_.empty() && !undo_.empty()) {
    Step& top = undo_.back();
    if (top.kind == Kind::Edit && top.object == object && top.what == what) {
      top.after = *object;
      if (observer_ != nullptr) observer_->Changed(*object);
      // The state this step leads to is a new one.
      top.serial = nextSerial_++;
      return;
    }
  }
  Step step = NewStep(Kind::Edit, what, object);
  step.before = before;
  step.after = *object;
  Push(std::move(step));
  runOpen_ = run;
  if (observer_ != nullptr) observer_->Changed(*object);
}

void History::RecordAdd(SceneObject* object, SceneObject* previousCurrent,
                        const std::string& what) {
  Step step = NewStep(Kind::Add, what, object);
  step.currentBefore = previousCurrent;
  Push(std::move(step));
  if (observer_ != nullptr) observer_->Inserted(*object);
}

void History::Delete(ObjectList& list, SceneObject* object, const std::string& what) {
  if (object == nullptr) return;
  Step step = NewStep(Kind::Delete, what, object);
  Run(list, step, true);
  Push(std::move(step));
}

void History::ReplaceScene(ObjectList& list, ObjectList& loaded, TextureTable& textures,
                           const TextureTable& loadedTextures, void (*releaseTexture)(unsigned),
                           const std::string& what) {
  Step step = NewStep(Kind::Replace, what, nullptr);
  step.scene = std::make_unique<ObjectList>();
  SwapObjects(*step.scene, loaded);
  // What the history holds beside the editor's own scene is the replaced one
  // (once undone, the step holds the loaded scene only until the next change).
  step.cost = static_cast<std::size_t>(list.count) * kObjectCost;
  std::uint32_t changed = 0;
  for (int slot = 1; slot < kTextureSlots; ++slot) {
    if (textures.names[slot] != loadedTextures.names[slot] || textures.files[slot] != loadedTextures.files[slot]) {
      changed |= std::uint32_t{1} << slot;
    }
  }
  if (changed != 0) {
    step.slots.reset(new SlotSwap{&textures, loadedTextures, changed, releaseTexture});
    step.cost += sizeof(SlotSwap);
  }
  Run(list, step, true);
  Push(std::move(step));
}

void History::SlotSwap::Swap() {
  for (int slot = 1; slot < kTextureSlots; ++slot) {
    if ((changed >> slot & 1) == 0) continue;
    std::swap(table->names[slot], other.names[slot]);
    table->files[slot].swap(other.files[slot]);
  }
}

bool History::Undo(ObjectList& list, std::string& what) {
  return Shift(list, undo_, redo_, false, what);
}

bool History::Redo(ObjectList& list, std::string& what) {
  return Shift(list, redo_, undo_, true, what);
}

bool History::Shift(ObjectList& list, std::deque<Step>& from, std::deque<Step>& to, bool forward,
                    std::string& what) {
  runOpen_ = false;
  if (from.empty()) return false;
  Step step = std::move(from.back());
  from.pop_back();
  Run(list, step, forward);
  what = step.what;
  to.push_back(std::move(step));
  return true;
}

void History::MarkSaved() { savedSerial_ = StateSerial(); }

bool History::AtSaved() const { return savedSerial_ == StateSerial(); }

void History::Clear() {
  DropRedo();
  while (!undo_.empty()) {
    Release(undo_.front(), true);
    undo_.pop_front();
  }
  bytes_ = 0;
  runOpen_ = false;
  baseSerial_ = nextSerial_++;
  savedSerial_ = -1;
}

void History::Push(Step step) {
  DropRedo();
  step.serial = nextSerial_++;
  step.cost += sizeof(Step) + step.what.capacity();
  bytes_ += step.cost;
  undo_.push_back(std::move(step));
  runOpen_ = false;
  while (!undo_.empty() && (undo_.size() > maxSteps_ || bytes_ > maxBytes_)) {
    Step& oldest = undo_.front();
    // The state before the oldest step can no longer be reached.
    if (savedSerial_ == baseSerial_) savedSerial_ = -1;
    baseSerial_ = oldest.serial;
    bytes_ -= oldest.cost;
    Release(oldest, true);
    undo_.pop_front();
  }
}

// Does the step forward (the state after it) or takes it back (before it).
void History::Run(ObjectList& list, Step& step, bool forward) {
  switch (step.kind) {
    case Kind::Edit:
      CopyAttributes(*step.object, forward ? step.after : step.before);
      list.current = step.object;
      if (observer_ != nullptr) observer_->Changed(*step.object);
      return;
    case Kind::Add:
    case Kind::Delete:
      // Adding forward and deleting back put the object (back) in its place.
      if ((step.kind == Kind::Add) == forward) {
        LinkObjectAfter(list, step.object, step.prev);
        list.current = step.object;
        if (observer_ != nullptr) observer_->Inserted(*step.object);
      } else {
        UnlinkObject(list, step.object);
        list.current = step.kind == Kind::Add ? step.currentBefore : list.first;
        if (observer_ != nullptr) observer_->Removed(*step.object);
      }
      return;
    case Kind::Replace:
      SwapObjects(list, *step.scene);
      // The slots change before the observer hears of it: it may read them.
      if (step.slots != nullptr) step.slots->Swap();
      if (observer_ != nullptr) observer_->Replaced(list);
      return;
  }
}

void History::Release(Step& step, bool applied) {
  // An applied delete and an undone add hold an object outside the list.
  if ((step.kind == Kind::Delete && applied) || (step.kind == Kind::Add && !applied)) {
    delete step.object;
    step.object = nullptr;
  }
  step.scene.reset();  // a replaced scene frees its objects with it
  // Whichever side the step is on, the slots it holds are in no table.
  if (step.slots != nullptr && step.slots->release != nullptr) {
    for (int slot = 1; slot < kTextureSlots; ++slot) {
      unsigned name = step.slots->other.names[slot];
      if ((step.slots->changed >> slot & 1) != 0 && name != 0) step.slots->release(name);
    }
  }
  step.slots.reset();
}

void History::DropRedo() {
  for (Step& step : redo_) {
    if (savedSerial_ == step.serial) savedSerial_ = -1;
    bytes_ -= step.cost;
    Release(step, false);
  }
  redo_.clear();
}

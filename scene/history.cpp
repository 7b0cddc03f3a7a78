#include "scene/history.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {
// What one object costs when a step keeps it: the record and the allocator's
// bookkeeping.
constexpr std::size_t kObjectCost = sizeof(SceneObject) + 16;
}  // namespace

History::History(std::size_t maxSteps, std::size_t maxBytes)
    : maxSteps_(maxSteps), maxBytes_(maxBytes) {}

History::~History() { Clear(); }

History::Change& History::Note(SceneObject* object) {
  Step& step = pending_;
  Change* change = &step.first;  // also the scratch change of a step not kept
  if (step.count > 0 && keeping_) {
    if (step.count == 1) step.more.assign(1, step.first);
    change = &step.more.emplace_back();
  }
  step.count += 1;
  change->object = object;
  change->prev = object->prev;  // where the object sits in the list
  return *change;
}

void History::Begin(const StepName& name, SceneObject* current,
                    const std::vector<SceneObject*>& others, bool run) {
  pending_.name = name;
  pending_.run = run;
  pending_.currentBefore = current;
  // A step whose changes alone pass the memory limit would push every step
  // out, itself too: it is not kept at all, and costs no copies.
  const std::size_t count = static_cast<std::size_t>(name.count);
  keeping_ = count * sizeof(Change) <= maxBytes_;
  if (!keeping_) return;
  if (count > 1) pending_.more.reserve(count);
  if (!others.empty()) pending_.othersBefore = others;
}

void History::RecordEdit(SceneObject* object, const SceneObject& before) {
  pending_.kind = Kind::Edit;
  CopyAttributes(Note(object).kept, before);
  if (observer_ != nullptr) observer_->Changed(*object);
}

void History::RecordAdd(SceneObject* object) {
  pending_.kind = Kind::Add;
  Note(object);
  pending_.cost += kObjectCost;  // kept while out of the list
  if (observer_ != nullptr) observer_->Inserted(*object);
}

void History::Delete(ObjectList& list, SceneObject* object) {
  if (object == nullptr) return;
  pending_.kind = Kind::Delete;
  pending_.cost += kObjectCost;
  Place(list, Note(object), false);
  if (!keeping_) delete object;
}

bool History::Joins(Step& step) {
  const Change* a = Changes(step);
  const Change* b = Changes(pending_);
  return pending_.run && pending_.kind == Kind::Edit && runOpen_ && redo_.empty() &&
         step.kind == Kind::Edit && step.run && step.count == pending_.count &&
         step.name.id == pending_.name.id && step.name.count == pending_.name.count &&
         std::strcmp(step.name.verb, pending_.name.verb) == 0 &&
         std::equal(a, a + step.count, b,
                    [](const Change& x, const Change& y) { return x.object == y.object; });
}

bool History::End(SceneObject* current, const std::vector<SceneObject*>& others) {
  const bool changed = pending_.count > 0;
  if (!keeping_) {
    if (changed) Clear();
  } else if (!changed || (!undo_.empty() && Joins(undo_.back()))) {
    // Nothing changed, or the run's step already holds the attributes from
    // before the run: the state the step leads to is a new one.
    if (changed) undo_.back().serial = nextSerial_++;
  } else {
    Step& step = pending_;
    step.currentAfter = current;
    if (!others.empty()) step.othersAfter = others;
    const std::size_t selected = step.othersBefore.capacity() + step.othersAfter.capacity();
    step.cost += step.more.capacity() * sizeof(Change) + selected * sizeof(SceneObject*);
    const bool run = step.run && step.kind == Kind::Edit;
    Push(std::move(step));
    runOpen_ = run;
  }
  // Ready for the next step; a run's next press reuses what stays allocated.
  pending_.count = 0;
  pending_.more.clear();
  pending_.othersBefore.clear();
  pending_.othersAfter.clear();
  pending_.cost = 0;
  keeping_ = true;
  return changed;
}

void History::RecordEdit(SceneObject* object, const SceneObject& before, const char* verb,
                         bool run) {
  Begin({verb, object->id}, object, {}, run);
  RecordEdit(object, before);
  End(object);
}

void History::RecordAdd(SceneObject* object, SceneObject* previousCurrent, const char* verb) {
  Begin({verb, object->id}, previousCurrent);
  RecordAdd(object);
  End(object);
}

void History::Delete(ObjectList& list, SceneObject* object, const char* verb) {
  if (object == nullptr) return;
  Begin({verb, object->id}, object);
  Delete(list, object);
  list.current = list.first;
  End(list.first);
}

void History::ReplaceScene(ObjectList& list, ObjectList& loaded, TextureTable& textures,
                           const TextureTable& loadedTextures, void (*releaseTexture)(unsigned),
                           const std::string& what) {
  Step step;
  step.kind = Kind::Replace;
  step.replaced = std::make_unique<Replaced>();
  step.replaced->what = what;
  SwapObjects(step.replaced->scene, loaded);
  // What the history holds beside the editor's own scene is the replaced one
  // (once undone, the step holds the loaded scene only until the next change).
  step.cost = static_cast<std::size_t>(list.count) * kObjectCost;
  std::uint32_t changed = 0;
  for (int slot = 1; slot < kTextureSlots; ++slot) {
    if (textures.names[slot] != loadedTextures.names[slot] ||
        textures.files[slot] != loadedTextures.files[slot]) {
      changed |= std::uint32_t{1} << slot;
    }
  }
  if (changed != 0) {
    step.replaced->slots.reset(new SlotSwap{&textures, loadedTextures, changed, releaseTexture});
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

bool History::Undo(ObjectList& list, std::string& what, std::vector<SceneObject*>* others) {
  return Shift(list, undo_, redo_, false, what, others);
}

bool History::Redo(ObjectList& list, std::string& what, std::vector<SceneObject*>* others) {
  return Shift(list, redo_, undo_, true, what, others);
}

bool History::Shift(ObjectList& list, std::deque<Step>& from, std::deque<Step>& to, bool forward,
                    std::string& what, std::vector<SceneObject*>* others) {
  runOpen_ = false;
  if (from.empty()) return false;
  to.push_back(std::move(from.back()));
  from.pop_back();
  Step& step = to.back();
  Run(list, step, forward);
  const std::vector<SceneObject*>& selected = forward ? step.othersAfter : step.othersBefore;
  if (others != nullptr && !(others->empty() && selected.empty())) *others = selected;
  what = Describe(step);
  return true;
}

std::string History::Describe(const Step& step) {
  if (step.kind == Kind::Replace) return step.replaced->what;
  const bool one = step.name.count == 1;
  std::string text;
  text.reserve(std::strlen(step.name.verb) + 32);
  text += step.name.verb;
  text += one ? " object " : " ";
  text += one ? std::to_string(step.name.id) : std::to_string(step.name.count);
  if (!one) text += " objects";
  return text;
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

void History::Push(Step&& step) {
  DropRedo();
  step.serial = nextSerial_++;
  step.cost += sizeof(Step);
  if (step.replaced != nullptr) step.cost += sizeof(Replaced) + step.replaced->what.capacity();
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
  if (step.kind == Kind::Replace) {
    SwapObjects(list, step.replaced->scene);
    // The slots change before the observer hears of it: it may read them.
    if (step.replaced->slots != nullptr) step.replaced->slots->Swap();
    if (observer_ != nullptr) observer_->Replaced(list);
    return;
  }
  // Forward in the order the changes were made, back in reverse order, so
  // each object goes back beside the neighbour it had.
  Change* changes = Changes(step);
  const std::size_t n = step.count;
  for (std::size_t i = 0; i < n; ++i) {
    Change& change = changes[forward ? i : n - 1 - i];
    if (step.kind == Kind::Edit) {
      SceneObject now;
      CopyAttributes(now, *change.object);
      CopyAttributes(*change.object, change.kept);
      CopyAttributes(change.kept, now);
      if (observer_ != nullptr) observer_->Changed(*change.object);
    } else {
      // Adding forward and deleting back put the object (back) in its place.
      Place(list, change, (step.kind == Kind::Add) == forward);
    }
  }
  list.current = forward ? step.currentAfter : step.currentBefore;
}

void History::Place(ObjectList& list, const Change& change, bool in) {
  if (in) {
    LinkObjectAfter(list, change.object, change.prev);
    if (observer_ != nullptr) observer_->Inserted(*change.object);
  } else {
    UnlinkObject(list, change.object);
    if (observer_ != nullptr) observer_->Removed(*change.object);
  }
}

void History::Release(Step& step, bool applied) {
  // An applied delete and an undone add hold objects outside the list.
  if ((step.kind == Kind::Delete && applied) || (step.kind == Kind::Add && !applied)) {
    Change* changes = Changes(step);
    for (std::size_t i = 0; i < step.count; ++i) {
      delete changes[i].object;
      changes[i].object = nullptr;
    }
  }
  // Whichever side the step is on, the slots it holds are in no table.
  if (step.replaced != nullptr && step.replaced->slots != nullptr) {
    const SlotSwap& slots = *step.replaced->slots;
    for (int slot = 1; slot < kTextureSlots; ++slot) {
      unsigned name = slots.other.names[slot];
      if ((slots.changed >> slot & 1) != 0 && name != 0 && slots.release != nullptr) {
        slots.release(name);
      }
    }
  }
  step.replaced.reset();  // a replaced scene frees its objects with it
}

void History::DropRedo() {
  for (Step& step : redo_) {
    if (savedSerial_ == step.serial) savedSerial_ = -1;
    bytes_ -= step.cost;
    Release(step, false);
  }
  redo_.clear();
}

#include "scene/history.h"

#include <algorithm>
#include <utility>

namespace {
// What one object costs when a step keeps it: the record and the allocator's
// bookkeeping.
constexpr std::size_t kObjectCost = sizeof(SceneObject) + 16;
}  // namespace

History::History(std::size_t maxSteps, std::size_t maxBytes)
    : maxSteps_(maxSteps), maxBytes_(maxBytes) {}

History::~History() { Clear(); }

History::Change History::Note(SceneObject* object) {
  Change change;
  change.object = object;
  change.prev = object->prev;  // where the object sits in the list
  return change;
}

void History::Begin(const std::string& what, SceneObject* current,
                    const std::vector<SceneObject*>& others, bool run) {
  pending_.what = what;
  pending_.run = run;
  pending_.currentBefore = current;
  pending_.othersBefore = others;
}

void History::RecordEdit(SceneObject* object, const SceneObject& before) {
  pending_.kind = Kind::Edit;
  pending_.changes.push_back(Note(object));
  CopyAttributes(pending_.changes.back().kept, before);
  if (observer_ != nullptr) observer_->Changed(*object);
}

void History::RecordAdd(SceneObject* object) {
  pending_.kind = Kind::Add;
  pending_.changes.push_back(Note(object));
  pending_.cost += kObjectCost;  // kept while out of the list
  if (observer_ != nullptr) observer_->Inserted(*object);
}

void History::Delete(ObjectList& list, SceneObject* object) {
  if (object == nullptr) return;
  pending_.kind = Kind::Delete;
  pending_.changes.push_back(Note(object));
  pending_.cost += kObjectCost;
  Place(list, pending_.changes.back(), false);
}

bool History::Joins(const Step& step) const {
  const std::vector<Change>& a = step.changes;
  const std::vector<Change>& b = pending_.changes;
  return pending_.run && pending_.kind == Kind::Edit && runOpen_ && redo_.empty() &&
         step.kind == Kind::Edit && step.run && step.what == pending_.what &&
         a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](const Change& x, const Change& y) { return x.object == y.object; });
}

bool History::End(SceneObject* current, const std::vector<SceneObject*>& others) {
  const bool changed = !pending_.changes.empty();
  if (!changed || (!undo_.empty() && Joins(undo_.back()))) {
    // Nothing changed, or the run's step already holds the attributes from
    // before the run: the state the step leads to is a new one.
    if (changed) undo_.back().serial = nextSerial_++;
    pending_.changes.clear();  // kept allocated for the next press of the run
    pending_.othersBefore.clear();
    pending_.cost = 0;
    return changed;
  }
  Step step = std::move(pending_);
  pending_ = Step();
  step.currentAfter = current;
  step.othersAfter = others;
  step.cost += step.changes.capacity() * sizeof(Change) +
               (step.othersBefore.capacity() + step.othersAfter.capacity()) * sizeof(SceneObject*);
  bool run = step.run && step.kind == Kind::Edit;
  Push(std::move(step));
  runOpen_ = run;
  return true;
}

void History::RecordEdit(SceneObject* object, const SceneObject& before, const std::string& what,
                         bool run) {
  Begin(what, object, {}, run);
  RecordEdit(object, before);
  End(object);
}

void History::RecordAdd(SceneObject* object, SceneObject* previousCurrent,
                        const std::string& what) {
  Begin(what, previousCurrent);
  RecordAdd(object);
  End(object);
}

void History::Delete(ObjectList& list, SceneObject* object, const std::string& what) {
  if (object == nullptr) return;
  Begin(what, object);
  Delete(list, object);
  list.current = list.first;
  End(list.first);
}

void History::ReplaceScene(ObjectList& list, ObjectList& loaded, const std::string& what) {
  Step step;
  step.kind = Kind::Replace;
  step.what = what;
  step.scene = std::make_unique<ObjectList>();
  SwapObjects(*step.scene, loaded);
  // What the history holds beside the editor's own scene is the replaced one
  // (once undone, the step holds the loaded scene only until the next change).
  step.cost = static_cast<std::size_t>(list.count) * kObjectCost;
  Run(list, step, true);
  Push(std::move(step));
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
  Step step = std::move(from.back());
  from.pop_back();
  Run(list, step, forward);
  if (others != nullptr) *others = forward ? step.othersAfter : step.othersBefore;
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
  if (step.kind == Kind::Replace) {
    SwapObjects(list, *step.scene);
    if (observer_ != nullptr) observer_->Replaced(list);
    return;
  }
  // Forward in the order the changes were made, back in reverse order, so
  // each object goes back beside the neighbour it had.
  const std::size_t n = step.changes.size();
  for (std::size_t i = 0; i < n; ++i) {
    Change& change = step.changes[forward ? i : n - 1 - i];
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
    for (Change& change : step.changes) {
      delete change.object;
      change.object = nullptr;
    }
  }
  step.scene.reset();  // a replaced scene frees its objects with it
}

void History::DropRedo() {
  for (Step& step : redo_) {
    if (savedSerial_ == step.serial) savedSerial_ = -1;
    bytes_ -= step.cost;
    Release(step, false);
  }
  redo_.clear();
}

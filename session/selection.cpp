#include "session/selection.h"

#include <algorithm>

#include "session/editor.h"

namespace {
// Ids grow along the list (see scene/object.h), so they give its order.
bool BeforeInList(const SceneObject* a, const SceneObject* b) { return a->id < b->id; }
}  // namespace

void ToggleSelected(Editor& editor, SceneObject* object) {
  if (object == nullptr) return;
  std::vector<SceneObject*>& others = editor.selection.others;
  SceneObject*& current = editor.objects.current;
  if (object == current) {
    current = others.empty() ? nullptr : others.back();
    if (!others.empty()) others.pop_back();
    return;
  }
  auto at = std::find(others.begin(), others.end(), object);
  if (at != others.end()) {
    others.erase(at);
    return;
  }
  if (current != nullptr) others.push_back(current);
  current = object;
}

void SelectAll(Editor& editor) {
  ObjectList& objects = editor.objects;
  if (objects.current == nullptr) objects.current = objects.first;
  std::vector<SceneObject*>& others = editor.selection.others;
  others.clear();
  others.reserve(objects.count > 0 ? static_cast<std::size_t>(objects.count) - 1 : 0);
  for (SceneObject* o = objects.first; o != nullptr; o = o->next) {
    if (o != objects.current) others.push_back(o);
  }
}

std::size_t SelectedCount(const Editor& editor) {
  return editor.objects.current != nullptr ? editor.selection.others.size() + 1 : 0;
}

std::vector<SceneObject*> SelectedObjects(const Editor& editor) {
  SceneObject* current = editor.objects.current;
  if (current == nullptr) return {};
  const std::vector<SceneObject*>& others = editor.selection.others;
  std::vector<SceneObject*> selected;
  selected.reserve(others.size() + 1);
  selected.assign(others.begin(), others.end());
  if (std::is_sorted(selected.begin(), selected.end(), BeforeInList)) {
    selected.insert(std::lower_bound(selected.begin(), selected.end(), current, BeforeInList),
                    current);
  } else {
    selected.push_back(current);
    std::sort(selected.begin(), selected.end(), BeforeInList);
  }
  return selected;
}

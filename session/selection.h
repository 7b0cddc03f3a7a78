// The selection: the list's current object and the other selected objects.
// Every object edit applies to all selected objects; the current one is what
// Page Up/Down step from, what 'p' prints and what the prompts show.
#pragma once

#include <cstddef>
#include <vector>

#include "scene/object.h"
#include "session/editor.h"

// Makes `object` current and the only selected object; null selects nothing.
inline void SelectOnly(Editor& editor, SceneObject* object) {
  editor.objects.current = object;
  editor.selection.others.clear();
}

// Adds `object` to the selection as the current object, or takes it out when
// it is selected already. Taking out the current object makes the most
// recently added remaining one current, or nothing when none remains. Null
// does nothing.
void ToggleSelected(Editor& editor, SceneObject* object);

// Selects every object. The current object stays current; with nothing
// current, the first object becomes current. O(objects), once; an empty
// list selects nothing.
void SelectAll(Editor& editor);

// How many objects are selected; 0 when nothing is.
std::size_t SelectedCount(const Editor& editor);

// The selected objects in list order; empty when nothing is selected. This
// is what the group edits and the camera's framing work on. Cannot fail.
std::vector<SceneObject*> SelectedObjects(const Editor& editor);

// Calls fn(SceneObject&) for each selected object in list order, without
// copying anything when only the current object is selected; nothing when
// nothing is selected. `fn` may add objects to the list or take selected
// ones out.
template <typename Fn>
void ForEachSelected(const Editor& editor, Fn fn) {
  if (editor.selection.others.empty()) {
    if (editor.objects.current != nullptr) fn(*editor.objects.current);
    return;
  }
  for (SceneObject* object : SelectedObjects(editor)) fn(*object);
}

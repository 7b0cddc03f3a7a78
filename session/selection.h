// The selection: the list's current object and the other selected objects.
// Every object edit applies to all selected objects; the current one is what
// Page Up/Down step from, what 'p' prints and what the prompts show.
#pragma once

#include <cstddef>
#include <vector>

#include "scene/object.h"

struct Editor;

struct Selection {
  // The selected objects besides objects.current, in the order they joined
  // the selection. Never holds the current object, an object twice or one
  // outside the list; empty whenever nothing is current.
  std::vector<SceneObject*> others;
};

// Makes `object` current and the only selected object; null selects nothing.
void SelectOnly(Editor& editor, SceneObject* object);

// Adds `object` to the selection as the current object, or takes it out when
// it is selected already. Taking out the current object makes the most
// recently added remaining one current, or nothing when none remains.
void ToggleSelected(Editor& editor, SceneObject* object);

// Selects every object. The current object stays current; with nothing
// current, the first object becomes current. O(objects), once.
void SelectAll(Editor& editor);

// How many objects are selected.
std::size_t SelectedCount(const Editor& editor);

// The selected objects in list order; empty when nothing is selected. This
// is what the group edits and the camera's framing work on. O(1) work beyond
// the copy when only the current object is selected.
std::vector<SceneObject*> SelectedObjects(const Editor& editor);

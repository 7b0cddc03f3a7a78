#include "scene/object.h"

ObjectList::~ObjectList() { ClearObjects(*this); }

SceneObject* CreateObject(ObjectList& list) {
  auto* object = new SceneObject;
  list.count += 1;
  object->prev = list.last;
  if (list.last != nullptr) list.last->next = object;
  object->id = object->prev != nullptr ? object->prev->id + 1 : 0;
  list.last = object;
  if (list.first == nullptr) list.first = object;
  return object;
}

void DeleteObject(ObjectList& list, SceneObject* object) {
  if (object == nullptr) return;
  if (list.first == object) list.first = object->next;
  if (list.last == object) list.last = object->prev;
  if (object->next != nullptr) object->next->prev = object->prev;
  if (object->prev != nullptr) object->prev->next = object->next;
  list.count -= 1;
  delete object;
}

void ClearObjects(ObjectList& list) {
  while (list.first != nullptr) DeleteObject(list, list.first);
  list.current = nullptr;
}

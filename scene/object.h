// Scene objects and the object list: a doubly linked list of primitives with
// one current (selected) object.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/vec3.h"
#include "scene/appearance.h"

struct SceneObject {
  Vec3 size{1, 1, 1};
  Vec3 rotation{0, 0, 0};  // degrees about x, y, z
  Vec3 position{0, 0, 0};
  std::int32_t id = 0;
  char shape = 'c';  // 'c' cube, 's' sphere, 'y' cylinder, 'l' placeholder
  char solid = 1;    // 1 filled, 0 wire frame (stored and saved as a raw byte)
  float red = 0.1f, green = 0.1f, blue = 0.1f;  // appearance code
  SceneObject* next = nullptr;  // newer neighbour
  SceneObject* prev = nullptr;  // older neighbour

  // Objects are carved from blocks of thousands, not allocated one by one:
  // a freed object's place is kept for the next, so loading a scene again
  // reuses the memory of the last (the blocks stay for the program's life,
  // as many as the most objects alive at once needed). Single-threaded, as
  // the editor is. Throws std::bad_alloc when memory runs out.
  static void* operator new(std::size_t size);
  static void operator delete(void* object, std::size_t size) noexcept;
};

// The list owns its objects; destroying it frees them. Ids grow from first
// to last: objects join at the end with the last id plus 1, a load numbers
// them in order, and an object only ever comes back (undo) to its old place.
struct ObjectList {
  SceneObject* first = nullptr;
  SceneObject* last = nullptr;
  SceneObject* current = nullptr;
  int count = 0;

  ObjectList() = default;
  ~ObjectList();
  ObjectList(const ObjectList&) = delete;
  ObjectList& operator=(const ObjectList&) = delete;
};

// Appends a default object at the end of the list and returns it; its id is
// the last object's id plus 1 (0 on an empty list). If the list was empty the
// new object also becomes `first`. Does not change `current`.
SceneObject* CreateObject(ObjectList& list);

// Unlinks and frees one object of the list. Does not change `current`, which
// the caller must repoint if it named the deleted object. Null does nothing.
void DeleteObject(ObjectList& list, SceneObject* object);

// Deletes every object; afterwards first, last and current are null.
void ClearObjects(ObjectList& list);

// Takes `object` out of the list without freeing it; the caller owns it
// afterwards. Its own prev/next links are left as they were. Does not change
// `current`.
void UnlinkObject(ObjectList& list, SceneObject* object);

// Puts a detached object back into the list right after `prev` (at the front
// when `prev` is null); the list owns it again. Its id is kept.
void LinkObjectAfter(ObjectList& list, SceneObject* object, SceneObject* prev);

// Exchanges the whole contents (objects, current, count) of two lists.
void SwapObjects(ObjectList& a, ObjectList& b);

// Copies what an object looks like and where it is (size, rotation, position,
// shape, solid flag, colour) from `from` to `to`; ids and links stay.
void CopyAttributes(SceneObject& to, const SceneObject& from);

// Appends a copy of `object`'s attributes with the next id and returns it.
// Does not change `current`.
SceneObject* DuplicateObject(ObjectList& list, const SceneObject& object);

// The appearance the object's colour triple asks for.
inline Appearance DecodeAppearance(const SceneObject& object) {
  return DecodeAppearance(object.red, object.green);
}

#include "scene/object.h"

#include <sanitizer/asan_interface.h>

#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace {
// Where objects live: blocks of kBlockObjects places, a list of freed
// places (each holds the next one's address) and the untouched rest of the
// newest block.
struct ObjectPool {
  static constexpr std::size_t kBlockObjects = 4096;
  union Place {
    Place* nextFree;
    alignas(SceneObject) unsigned char bytes[sizeof(SceneObject)];
  };
  std::vector<std::unique_ptr<Place[]>> blocks;
  Place* freeList = nullptr;
  Place* fresh = nullptr;  // next untouched place of the newest block
  Place* freshEnd = nullptr;

  void* Take() {
    Place* place = freeList;
    if (place != nullptr) {
      ASAN_UNPOISON_MEMORY_REGION(place, sizeof(Place));
      freeList = place->nextFree;
    } else {
      if (fresh == freshEnd) {
        blocks.emplace_back(new Place[kBlockObjects]);
        fresh = blocks.back().get();
        freshEnd = fresh + kBlockObjects;
      }
      place = fresh++;
    }
    return place;
  }

  void Give(void* object) {
    auto* place = static_cast<Place*>(object);
    place->nextFree = freeList;
    freeList = place;
    // Under AddressSanitizer a freed place stays unreadable until reused, so
    // a use after free is still caught.
    ASAN_POISON_MEMORY_REGION(place, sizeof(Place));
  }
};

// Never destroyed: objects of static lists may be freed after main returns.
ObjectPool& Pool() {
  static ObjectPool& pool = *new ObjectPool;
  return pool;
}
}  // namespace

void* SceneObject::operator new(std::size_t size) {
  if (size != sizeof(SceneObject)) return ::operator new(size);  // a larger derived type
  return Pool().Take();
}

void SceneObject::operator delete(void* object, std::size_t size) noexcept {
  if (object == nullptr) return;
  if (size != sizeof(SceneObject)) return ::operator delete(object);
  Pool().Give(object);
}

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
  UnlinkObject(list, object);
  delete object;
}

void UnlinkObject(ObjectList& list, SceneObject* object) {
  if (list.first == object) list.first = object->next;
  if (list.last == object) list.last = object->prev;
  if (object->next != nullptr) object->next->prev = object->prev;
  if (object->prev != nullptr) object->prev->next = object->next;
  list.count -= 1;
}

void LinkObjectAfter(ObjectList& list, SceneObject* object, SceneObject* prev) {
  object->prev = prev;
  object->next = prev != nullptr ? prev->next : list.first;
  if (object->next != nullptr) object->next->prev = object; else list.last = object;
  if (prev != nullptr) prev->next = object; else list.first = object;
  list.count += 1;
}

void SwapObjects(ObjectList& a, ObjectList& b) {
  std::swap(a.first, b.first);
  std::swap(a.last, b.last);
  std::swap(a.current, b.current);
  std::swap(a.count, b.count);
}

void CopyAttributes(SceneObject& to, const SceneObject& from) {
  to.size = from.size;
  to.rotation = from.rotation;
  to.position = from.position;
  to.shape = from.shape;
  to.solid = from.solid;
  to.red = from.red;
  to.green = from.green;
  to.blue = from.blue;
}

SceneObject* DuplicateObject(ObjectList& list, const SceneObject& object) {
  SceneObject* copy = CreateObject(list);
  CopyAttributes(*copy, object);
  return copy;
}

void ClearObjects(ObjectList& list) {
  while (list.first != nullptr) DeleteObject(list, list.first);
  list.current = nullptr;
}

// Scene objects and the object list: a doubly linked list of primitives with
// one current (selected) object.
#pragma once

#include <cstdint>

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

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
};

// The list owns its objects; destroying it frees them.
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

// What an object's colour triple asks for.
struct Appearance {
  enum Kind { Plain, Texture, Preset } kind;
  int index;  // texture slot or preset number; -1 when outside the table
};

constexpr int kTextureSlots = 20;  // slot 0 is the default texture, never filled
constexpr int kMaterialPresets = 6;

// Decodes the colour triple: red and green not negative give a plain colour;
// negative red a texture slot (-red, truncated); otherwise negative green a
// material preset (-green, truncated). Never fails; odd values give index -1.
Appearance DecodeAppearance(const SceneObject& object);

// The table of OpenGL texture names, one per slot; 0 means none.
struct TextureTable {
  unsigned names[kTextureSlots] = {};
};

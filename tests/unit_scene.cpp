// The object list, appearance decoding and the editing operations.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "base/console.h"
#include "scene/edit.h"
#include "tests/test_support.h"

namespace {
std::vector<int> Ids(const ObjectList& list) {
  std::vector<int> ids;
  for (const SceneObject* o = list.first; o != nullptr; o = o->next) ids.push_back(o->id);
  std::vector<int> backwards;
  for (const SceneObject* o = list.last; o != nullptr; o = o->prev) backwards.insert(backwards.begin(), o->id);
  EXPECT_EQ(ids, backwards) << "next and prev links disagree";
  EXPECT_EQ(static_cast<int>(ids.size()), list.count);
  return ids;
}

void ExpectColor(const SceneObject& o, float r, float g, float b) {
  EXPECT_FLOAT_EQ(o.red, r);
  EXPECT_FLOAT_EQ(o.green, g);
  EXPECT_FLOAT_EQ(o.blue, b);
}
}  // namespace

TEST(ObjectList, IdsFollowTheLastObjectAndKeepGaps) {
  ObjectList list;
  SceneObject* a = CreateObject(list);
  EXPECT_EQ(list.first, a);
  EXPECT_EQ(list.current, nullptr);
  SceneObject* b = CreateObject(list);
  SceneObject* c = CreateObject(list);
  EXPECT_EQ(Ids(list), (std::vector<int>{0, 1, 2}));

  DeleteObject(list, b);  // middle
  EXPECT_EQ(Ids(list), (std::vector<int>{0, 2}));
  CreateObject(list);
  EXPECT_EQ(Ids(list), (std::vector<int>{0, 2, 3}));

  DeleteObject(list, a);  // first moves to the successor
  EXPECT_EQ(list.first, c);
  DeleteObject(list, list.last);  // last moves to the predecessor
  EXPECT_EQ(list.last, c);
  EXPECT_EQ(Ids(list), (std::vector<int>{2}));
}

TEST(ObjectList, DeletingTheOnlyObjectLeavesAnEmptyListThatAcceptsNewObjects) {
  ObjectList list;
  DeleteObject(list, CreateObject(list));
  EXPECT_EQ(list.first, nullptr);
  EXPECT_EQ(list.last, nullptr);
  EXPECT_EQ(list.count, 0);
  DeleteObject(list, nullptr);  // nothing to delete
  EXPECT_EQ(list.count, 0);

  SceneObject* fresh = CreateObject(list);
  EXPECT_EQ(list.first, fresh);
  EXPECT_EQ(list.last, fresh);
  EXPECT_EQ(fresh->id, 0);
  ClearObjects(list);
  ClearObjects(list);  // clearing an empty list is fine
  EXPECT_EQ(list.count, 0);
}

TEST(ObjectList, NewObjectHasTheDefaults) {
  ObjectList list;
  const SceneObject& o = *CreateObject(list);
  EXPECT_EQ(o.shape, 'c');
  EXPECT_EQ(o.solid, 1);
  EXPECT_FLOAT_EQ(o.size.x * o.size.y * o.size.z, 1);
  EXPECT_FLOAT_EQ(o.position.x + o.position.y + o.position.z, 0);
  ExpectColor(o, 0.1f, 0.1f, 0.1f);
}

// Objects share blocks: each keeps its address while thousands more come
// and go, no two overlap, and a deleted object's place serves the next.
TEST(ObjectList, ObjectsKeepTheirPlaceAndFreedPlacesAreReused) {
  ObjectList list;
  std::vector<SceneObject*> kept;
  for (int i = 0; i < 10000; ++i) {
    SceneObject* o = CreateObject(list);
    o->id = i;
    o->position = {static_cast<float>(i), 0, 0};
    if (i % 3 == 0) kept.push_back(o);
  }
  for (SceneObject* o = list.first; o != nullptr;) {  // every object not kept goes
    SceneObject* next = o->next;
    if (o->id % 3 != 0) DeleteObject(list, o);
    o = next;
  }
  std::set<const void*> places;
  int index = 0;
  for (SceneObject* o = list.first; o != nullptr; o = o->next, ++index) {
    ASSERT_EQ(o, kept[index]);
    EXPECT_EQ(o->position.x, static_cast<float>(o->id));
    places.insert(o);
  }
  EXPECT_EQ(index, list.count);
  SceneObject* last = list.last;
  DeleteObject(list, last);
  EXPECT_EQ(CreateObject(list), static_cast<void*>(last));
  for (int i = 0; i < 10000; ++i) {
    SceneObject* o = CreateObject(list);
    EXPECT_TRUE(places.insert(o).second) << "an object overlaps a living one";
    auto here = reinterpret_cast<std::uintptr_t>(o);
    EXPECT_EQ(here % alignof(SceneObject), 0u);
  }
}

TEST(Appearance, ColourTripleChoosesPlainTextureOrPreset) {
  struct Case {
    float r, g, b;
    Appearance::Kind kind;
    int index;
  } cases[] = {
      {0.3f, 0.5f, 0.1f, Appearance::Plain, 0},
      {0, 0, 0, Appearance::Plain, 0},  // black is a colour, not preset 5
      {-2, 0.5f, 0.5f, Appearance::Texture, 2},
      {-1.99f, 0, 0, Appearance::Texture, 1},
      {-0.5f, 0, 0, Appearance::Texture, 0},
      {-1, -3, 0, Appearance::Texture, 1},  // red is tested first
      {-19, 0, 0, Appearance::Texture, 19},
      {-20, 0, 0, Appearance::Texture, -1},  // past the table
      {-1e30f, 0, 0, Appearance::Texture, -1},
      {0.3f, -4, 0.3f, Appearance::Preset, 4},
      {0, -6.5f, 0, Appearance::Preset, 6},
      {0, -7, 0, Appearance::Preset, -1},
      {0, -0.5f, 0, Appearance::Preset, -1},
      {0, -1e30f, 0, Appearance::Preset, -1},
  };
  for (const Case& c : cases) {
    SceneObject o;
    o.red = c.r;
    o.green = c.g;
    o.blue = c.b;
    Appearance look = DecodeAppearance(o);
    EXPECT_EQ(look.kind, c.kind) << c.r << " " << c.g << " " << c.b;
    EXPECT_EQ(look.index, c.index) << c.r << " " << c.g << " " << c.b;
  }
}

TEST(Editing, AdjustColorClampsAfterAdding) {
  SceneObject o;
  o.red = 0.95f, o.green = 0.5f, o.blue = 0.05f;
  AdjustColor(&o, 0.1f, 0, -0.1f);
  ExpectColor(o, 1, 0.5f, 0);

  SetMaterialCode(&o, 4);
  ExpectColor(o, 0, -4, 0);
  AdjustColor(&o, 0, 0.1f, 0);  // a preset turns back into a plain colour
  ExpectColor(o, 0, 0, 0);
}

TEST(Editing, CycleColorFollowsExactZeroRules) {
  SceneObject o;
  CycleColor(&o);  // default grey: rule 3 keeps blue
  ExpectColor(o, 1, 0, 0.1f);
  CycleColor(&o);
  ExpectColor(o, 1, 0, 0.1f);

  o.red = 1, o.green = 0, o.blue = 0;
  CycleColor(&o);
  ExpectColor(o, 0, 0, 1);
  CycleColor(&o);
  ExpectColor(o, 0, 1, 0);
  CycleColor(&o);
  ExpectColor(o, 1, 0, 0);

  SetTextureCode(&o, 3);
  CycleColor(&o);  // a texture code counts as red
  ExpectColor(o, 0, 0, 1);
  SetMaterialCode(&o, 2);
  CycleColor(&o);
  ExpectColor(o, 1, 0, 0);
}

TEST(Editing, CycleShapeAndToggleSolid) {
  SceneObject o;
  std::string seen;
  for (int i = 0; i < 3; ++i) {
    CycleShape(&o);
    seen += o.shape;
  }
  EXPECT_EQ(seen, "ysc");
  o.shape = 'l';
  CycleShape(&o);
  EXPECT_EQ(o.shape, 'l');

  ToggleSolid(&o);
  EXPECT_EQ(o.solid, 0);
  ToggleSolid(&o);
  EXPECT_EQ(o.solid, 1);
  o.solid = '7';  // any non-zero byte counts as solid
  ToggleSolid(&o);
  EXPECT_EQ(o.solid, 0);
}

TEST(Editing, DeltaOperationsEchoOnlyWhenVerbose) {
  ConsoleCapture console;
  SceneObject o;
  Resize(&o, 0.1f, 0, 0);
  MoveObject(&o, 1, 2, 3);
  RotateObject(&o, -2, 0, 0);
  EXPECT_EQ(console.Take(), "");
  EXPECT_FLOAT_EQ(o.size.x, 1.1f);

  SetVerbose(true);
  Resize(&o, 0, -2, 0);  // sizes may go negative
  MoveObject(&o, 1, 0, 0);
  RotateObject(&o, -2, 0, 720);
  EXPECT_EQ(console.Take(),
            "Resizing: 1.100000 -1.000000 1.000000\n"
            "Moving: 2.000000 2.000000 3.000000\n"
            "Rotating: -4.000000 0.000000 720.000000\n");
}

TEST(Editing, NullObjectIsIgnoredEverywhere) {
  ConsoleCapture console("1 2 3\n");
  SetVerbose(true);
  Resize(nullptr, 1, 1, 1);
  MoveObject(nullptr, 1, 1, 1);
  RotateObject(nullptr, 1, 1, 1);
  AdjustColor(nullptr, 1, 1, 1);
  CycleColor(nullptr);
  CycleShape(nullptr);
  ToggleSolid(nullptr);
  SetTextureCode(nullptr, 1);
  SetMaterialCode(nullptr, 1);
  PromptColor(nullptr);
  PrintObjectInfo(nullptr);
  EXPECT_EQ(console.Take(), "");
}

TEST(Editing, PromptColorReadsOneLineOfThreeFloats) {
  ConsoleCapture console("0.5 -3 0.25\n0.7,0.8\n");
  SceneObject o;
  PromptColor(&o);
  EXPECT_EQ(console.Take(), "Enter a new color (red, green, blue): ");
  ExpectColor(o, 0.5f, -3, 0.25f);  // not clamped: a preset code

  PromptColor(&o);  // commas separate too; blue is missing and kept
  ExpectColor(o, 0.7f, 0.8f, 0.25f);

  PromptColor(&o);  // input has ended
  ExpectColor(o, 0.7f, 0.8f, 0.25f);
}

TEST(Editing, PrintObjectInfoOfADefaultCube) {
  ConsoleCapture console;
  ObjectList list;
  PrintObjectInfo(CreateObject(list));
  EXPECT_EQ(console.Take(),
            "ID: 0\n"
            "info-Size: 1.000000, 1.000000, 1.000000\n"
            "info-Rotation: 0.000000, 0.000000, 0.000000\n"
            "info-Position: 0.000000, 0.000000, 0.000000\n"
            "info-Shape: c\n"
            "info-Color: 0.100000, 0.100000, 0.100000\n");
}

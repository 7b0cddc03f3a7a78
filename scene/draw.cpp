#include "scene/draw.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include <algorithm>

#include "scene/mesh.h"
#include "scene/transform.h"

namespace {
DrawPath gPath = DrawPath::Culled;

void ApplyAppearance(const SceneObject& object, const TextureTable& textures) {
  const GLfloat shininess = kShininess;
  Appearance look = DecodeAppearance(object);
  switch (look.kind) {
    case Appearance::Plain: {
      const GLfloat color[4] = {object.red, object.green, object.blue, kPlainAlpha};
      glDisable(GL_TEXTURE_2D);
      glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, color);
      glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, &shininess);
      break;
    }
    case Appearance::Texture:
      // The texture mapping the exports share (scene/mesh.h).
      glTexGendv(GL_S, GL_OBJECT_PLANE, kTexturePlaneS);
      glTexGendv(GL_T, GL_OBJECT_PLANE, kTexturePlaneT);
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, look.index >= 0 ? textures.names[look.index] : 0);
      break;
    case Appearance::Preset: {
      glDisable(GL_TEXTURE_2D);
      const MaterialPreset* preset = FindPreset(look.index);
      if (preset == nullptr) break;
      const GLfloat color[4] = {preset->color[0], preset->color[1], preset->color[2],
                                kPresetAlpha};
      glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, color);
      glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, &shininess);
      glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, kPresetSpecular);
      break;
    }
  }
}

// What every object leaves for whatever is drawn next.
void ResetAfterObject() {
  const GLfloat white[4] = {1, 1, 1, 0};
  glColor4f(1, 1, 1, 1);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
}

// A closed cylinder from z = 0 to z = -1. The quadrics are made once and
// reused; only the side follows the wire flag, the caps are always filled.
// The side and the far cap are drawn after a half turn, in coordinates where
// x is the object's -x; textures follow (scene/mesh.cpp builds the same).
void DrawCylinder(bool wire) {
  static GLUquadric* side = gluNewQuadric();
  static GLUquadric* cap = gluNewQuadric();
  gluQuadricDrawStyle(side, wire ? GLU_LINE : GLU_FILL);
  gluDisk(cap, 0, 1, 25, 25);
  glRotatef(180, 0, 1, 0);
  gluCylinder(side, 1, 1, 1, 25, 25);
  glTranslatef(0, 0, 1);
  gluDisk(cap, 0, 1, 25, 25);
}

// The geometry of a unit shape, vertex by vertex.
void DrawShapeImmediate(char shape, bool wire) {
  switch (shape) {
    case 'c':
      if (wire) glutWireCube(1); else glutSolidCube(1);
      break;
    case 's':
      if (wire) glutWireSphere(1, 25, 25); else glutSolidSphere(1, 25, 25);
      break;
    case 'y':
      DrawCylinder(wire);
      break;
    default:
      break;  // the placeholder 'l' and unknown shapes draw nothing
  }
}

// 0, 1, 2 for the cube, sphere and cylinder; -1 for shapes without geometry.
int ShapeIndex(char shape) {
  switch (shape) {
    case 'c': return 0;
    case 's': return 1;
    case 'y': return 2;
    default: return -1;
  }
}

// One display list per shape and style, built on first use.
GLuint gLists[3][2];

// The shape's display list, built now if needed; 0 when it cannot be built
// (shapes without geometry, or while a display list is being compiled, as
// lists do not nest).
GLuint RetainedList(char shape, bool wire) {
  int index = ShapeIndex(shape);
  if (index < 0) return 0;
  GLuint& list = gLists[index][wire];
  if (list != 0) return list;
  GLint compiling = 0;
  glGetIntegerv(GL_LIST_INDEX, &compiling);
  if (compiling != 0) return 0;
  list = glGenLists(1);
  if (list == 0) return 0;
  glNewList(list, GL_COMPILE);
  DrawShapeImmediate(shape, wire);
  glEndList();
  return list;
}

void DrawWith(const SceneObject& object, const TextureTable& textures, bool retain) {
  glPushMatrix();
  // Objects sit 5 units further along -z than their stored position. (A
  // plain translation instead of the look-at changes the GL's normal matrix
  // in the last bits, and a few pixels with it.)
  gluLookAt(0, 0, kViewOffset, 0, 0, 0, 0, 1, 0);
  ApplyAppearance(object, textures);

  // A rotation by 0 changes no matrix entry; the retained path skips it.
  glTranslatef(object.position.x, object.position.y, object.position.z);
  if (!retain || object.rotation.x != 0) glRotatef(object.rotation.x, 1, 0, 0);
  if (!retain || object.rotation.y != 0) glRotatef(object.rotation.y, 0, 1, 0);
  if (!retain || object.rotation.z != 0) glRotatef(object.rotation.z, 0, 0, 1);
  glScalef(object.size.x, object.size.y, object.size.z);

  bool wire = object.solid == 0;
  GLuint list = retain ? RetainedList(object.shape, wire) : 0;
  if (list != 0) glCallList(list);
  else DrawShapeImmediate(object.shape, wire);
  glPopMatrix();
  ResetAfterObject();
}

// The appearance state a run of skipped objects would have left. For each
// piece of state it keeps the last object of the run that sets it; applying
// those few objects' appearances in list order leaves the same state as
// applying every object's.
class SkippedRun {
 public:
  void Add(const SceneObject& object, long order) {
    Entry entry{&object, order};
    last_ = entry;  // every appearance switches texturing on or off
    Appearance look = DecodeAppearance(object);
    if (look.kind == Appearance::Texture) texture_ = entry;  // the binding
    if (look.kind == Appearance::Plain) material_ = entry;
    if (look.kind == Appearance::Preset && FindPreset(look.index) != nullptr) {
      material_ = specular_ = entry;
    }
  }

  // Sets what the run would have set, then forgets the run.
  void Apply(const TextureTable& textures) {
    if (last_.object == nullptr) return;
    Entry entries[4] = {texture_, material_, specular_, last_};
    std::sort(entries, entries + 4,
              [](const Entry& a, const Entry& b) { return a.order < b.order; });
    for (int i = 0; i < 4; ++i) {
      bool repeat = i > 0 && entries[i].order == entries[i - 1].order;
      if (entries[i].object != nullptr && !repeat) ApplyAppearance(*entries[i].object, textures);
    }
    ResetAfterObject();
    *this = SkippedRun();
  }

 private:
  struct Entry {
    const SceneObject* object = nullptr;
    long order = -1;
  };
  Entry last_, texture_, material_, specular_;
};
}  // namespace

void SetDrawPath(DrawPath path) { gPath = path; }

void DrawObject(const SceneObject& object, const TextureTable& textures) {
  DrawWith(object, textures, gPath != DrawPath::Immediate);
}

void DrawObjectImmediate(const SceneObject& object, const TextureTable& textures) {
  DrawWith(object, textures, false);
}

void DrawObjects(const ObjectList& objects, const TextureTable& textures, const Frustum& frustum,
                 int flushFirst) {
  auto flush = [&flushFirst] {
    if (flushFirst <= 0) return;
    --flushFirst;
    glFlush();
  };
  if (gPath != DrawPath::Culled) {
    for (const SceneObject* o = objects.first; o != nullptr; o = o->next) {
      DrawObject(*o, textures);
      flush();
    }
    return;
  }
  // Skipping geometry changes no normal the next frame's axes are lit with:
  // every frame ends with the normal (0, 0, 1), GL's first one, which the
  // cylinder's last cap sets again, while the GLUT shapes draw from arrays
  // and set none.
  SkippedRun skipped;
  long order = 0;
  for (const SceneObject* o = objects.first; o != nullptr; o = o->next, ++order) {
    if (ShapeIndex(o->shape) >= 0 && MayBeVisible(*o, frustum)) {
      skipped.Apply(textures);
      DrawWith(*o, textures, true);
      flush();
    } else {
      skipped.Add(*o, order);
    }
  }
  skipped.Apply(textures);
}

#include "scene/draw.h"

#include <GL/glu.h>
#include <GL/glut.h>

namespace {
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

// A closed cylinder from z = 0 to z = -1. The quadrics are made once and
// reused; only the side follows the wire flag, the caps are always filled.
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
}  // namespace

void DrawObject(const SceneObject& object, const TextureTable& textures) {
  glPushMatrix();
  // Objects sit 5 units further along -z than their stored position.
  gluLookAt(0, 0, 5, 0, 0, 0, 0, 1, 0);
  ApplyAppearance(object, textures);

  glTranslatef(object.position.x, object.position.y, object.position.z);
  glRotatef(object.rotation.x, 1, 0, 0);
  glRotatef(object.rotation.y, 0, 1, 0);
  glRotatef(object.rotation.z, 0, 0, 1);
  glScalef(object.size.x, object.size.y, object.size.z);

  bool wire = object.solid == 0;
  switch (object.shape) {
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
  glPopMatrix();

  const GLfloat white[4] = {1, 1, 1, 0};
  glColor4f(1, 1, 1, 1);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
}

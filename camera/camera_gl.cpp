#include <GL/gl.h>

#include "camera/camera.h"

void ApplyView(const Camera& camera) {
  glRotatef(-camera.pitch, 1, 0, 0);
  glRotatef(-camera.yaw, 0, 1, 0);
  glRotatef(-camera.roll, 0, 0, 1);
  glTranslatef(-camera.position.x, -camera.position.y, -camera.position.z);
}

#include "scene/transform.h"

Mat4 ObjectMatrix(const SceneObject& object) {
  const SceneObject& o = object;
  return Translation(o.position.x, o.position.y, o.position.z) * Rotation(o.rotation.x, 1, 0, 0) *
         Rotation(o.rotation.y, 0, 1, 0) * Rotation(o.rotation.z, 0, 0, 1) *
         Scaling(o.size.x, o.size.y, o.size.z);
}

Mat4 DrawnObjectMatrix(const SceneObject& object) {
  return Translation(0, 0, -kViewOffset) * ObjectMatrix(object);
}

// Three single-precision floats: sizes, positions, rotations (degrees about
// x, y and z), deltas and the light position.
#pragma once

struct Vec3 {
  float x = 0, y = 0, z = 0;
};

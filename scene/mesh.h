// The shapes as triangle meshes: the same surfaces the window draws, for
// export and for anything else that needs the geometry without OpenGL.
#pragma once

#include <array>
#include <vector>

#include "base/mat4.h"

// One corner of a triangle: a position and a normal, each an index into its
// mesh's table. Positions are welded (each point of the surface appears
// once), so edges can be matched by position index; normals are separate
// because a point on a crease (a cube's edge, a cylinder's rim) has one
// normal per face that meets there.
struct MeshCorner {
  int position;
  int normal;
};
using MeshTriangle = std::array<MeshCorner, 3>;

struct Mesh {
  std::vector<Vec3d> positions;
  std::vector<Vec3d> normals;            // unit length, pointing out of the solid
  std::vector<MeshTriangle> triangles;   // counter-clockwise seen from outside
};

// Slices and stacks of the sphere, slices of the cylinder, as drawn.
constexpr int kRoundSlices = 25;
constexpr int kSphereStacks = 25;

// The closed mesh of a shape code in the object's own coordinates: 'c' the
// unit cube (-0.5 to 0.5), 's' the sphere of radius 1 (slices around z,
// stacks along z, one vertex at each pole), 'y' the cylinder of radius 1
// from z = 0 to z = -1 with both caps. Built once. Null for the placeholder
// 'l' and every other code, which draw nothing.
const Mesh* ShapeMesh(char shape);

// A mesh moved into the scene by an object transform.
struct PlacedMesh {
  std::vector<Vec3d> positions;
  std::vector<Vec3d> normals;           // unit length
  std::vector<MeshTriangle> triangles;  // still counter-clockwise seen from outside
  bool mirrored = false;                // the corners were reversed
};

// Places `mesh` with the transform `m`: positions by m, normals by the
// inverse transpose of m, renormalised; a mirroring transform (negative
// determinant) reverses each triangle's corners so the surface still faces
// out. Returns false, leaving `out` unspecified, when m is singular or not
// finite (a flat object has no inside, outside or normals).
bool PlaceMesh(const Mesh& mesh, const Mat4& m, PlacedMesh& out);

// The shapes as triangle meshes: the same surfaces the window draws, for
// export and for anything else that needs the geometry without OpenGL.
#pragma once

#include <array>
#include <vector>

#include "base/mat4.h"

// One corner of a triangle: a position, a normal and texture coordinates,
// each an index into its mesh's table. Positions are welded (each point of
// the surface appears once), so edges can be matched by position index;
// normals and texture coordinates are separate because a point on a crease
// (a cube's edge, a cylinder's rim) has one of each per face that meets
// there.
struct MeshCorner {
  int position;
  int normal;
  int texcoord = 0;
};
using MeshTriangle = std::array<MeshCorner, 3>;

// Where a texture's (s, t) lands on a surface.
struct TexCoord {
  double s, t;
};

// The texture mapping, one definition for the window and the exports. Each
// surface of a shape is drawn in coordinates of its own (the cylinder's side
// and far cap after a half turn about y, see scene/draw.cpp), and s and t
// are linear in them: OpenGL generates them there (object-linear) with these
// planes, and the meshes below hold the same values.
constexpr double kTexturePlaneS[4] = {1, 0, 0, 0};
constexpr double kTexturePlaneT[4] = {0, 1, 0, 0};

struct Mesh {
  std::vector<Vec3d> positions;
  std::vector<Vec3d> normals;            // unit length, pointing out of the solid
  std::vector<TexCoord> texcoords;       // as the window maps a texture onto the shape
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

// Whether the transform `m` mirrors (a negative determinant of its 3x3 part).
bool Mirrors(const Mat4& m);

// Places `mesh` with the transform `m`: positions by m, normals by the
// inverse transpose of m, renormalised; a mirroring transform (negative
// determinant) reverses each triangle's corners so the surface still faces
// out. Returns false, leaving `out` unspecified, when m is singular or not
// finite (a flat object has no inside, outside or normals).
bool PlaceMesh(const Mesh& mesh, const Mat4& m, PlacedMesh& out);

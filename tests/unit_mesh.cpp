// The shapes' meshes: counts, extents, closedness and orientation, also
// after placement by mirroring and rotating transforms.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "scene/mesh.h"
#include "scene/transform.h"
#include "tests/test_support.h"

namespace {
const double kPi = std::acos(-1.0);

Vec3d Minus(const Vec3d& a, const Vec3d& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3d CrossOf(const Vec3d& a, const Vec3d& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double DotOf(const Vec3d& a, const Vec3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Sum of the tetrahedra from the origin: positive when the closed surface
// is wound counter-clockwise seen from outside.
double SignedVolume(const std::vector<Vec3d>& p, const std::vector<MeshTriangle>& triangles) {
  double volume = 0;
  for (const MeshTriangle& t : triangles) {
    volume += DotOf(p[t[0].position], CrossOf(p[t[1].position], p[t[2].position])) / 6;
  }
  return volume;
}

// Every directed edge once and its reverse once: closed, and consistently
// oriented. Returns a description of the first fault, empty when none.
std::string EdgeFault(const std::vector<MeshTriangle>& triangles) {
  std::map<std::pair<int, int>, int> uses;
  for (const MeshTriangle& t : triangles) {
    for (int k = 0; k < 3; ++k) {
      int a = t[k].position, b = t[(k + 1) % 3].position;
      if (a == b) return "triangle with a repeated corner";
      ++uses[{a, b}];
    }
  }
  for (const auto& [edge, count] : uses) {
    auto back = uses.find({edge.second, edge.first});
    if (count != 1 || back == uses.end() || back->second != 1) {
      return "edge " + std::to_string(edge.first) + "-" + std::to_string(edge.second) + " used " +
             std::to_string(count) + " times, reverse " +
             std::to_string(back == uses.end() ? 0 : back->second);
    }
  }
  return "";
}

// Each triangle has area, and every corner normal is unit length and on the
// side its face looks to.
void ExpectFacesAgreeWithNormals(const std::vector<Vec3d>& p, const std::vector<Vec3d>& n,
                                 const std::vector<MeshTriangle>& triangles) {
  for (const MeshTriangle& t : triangles) {
    Vec3d face = CrossOf(Minus(p[t[1].position], p[t[0].position]),
                         Minus(p[t[2].position], p[t[0].position]));
    ASSERT_GT(std::sqrt(DotOf(face, face)), 1e-9) << "degenerate triangle";
    for (const MeshCorner& c : t) {
      ASSERT_NEAR(DotOf(n[c.normal], n[c.normal]), 1, 1e-9);
      ASSERT_GT(DotOf(face, n[c.normal]), 0) << "normal points inward";
    }
  }
}

struct Box {
  Vec3d low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
};
Box BoundsOf(const std::vector<Vec3d>& points) {
  Box box;
  for (const Vec3d& p : points) {
    box.low = {std::min(box.low.x, p.x), std::min(box.low.y, p.y), std::min(box.low.z, p.z)};
    box.high = {std::max(box.high.x, p.x), std::max(box.high.y, p.y), std::max(box.high.z, p.z)};
  }
  return box;
}

struct ShapeCase {
  char shape;
  std::size_t positions, triangles;
  Box box;
  double volumeLow, volumeHigh;  // exact where the solid is a prism
};

// Extents from the angles as drawn: the sphere's rings start at angle 0,
// the cylinder's (after its half turn) at pi/2, both in steps of 2*pi/25.
std::vector<ShapeCase> Shapes() {
  double c50 = std::cos(kPi / 50), c25 = std::cos(kPi / 25);
  double prism = 25.0 / 2 * std::sin(2 * kPi / 25);  // a 25-gon of radius 1, height 1
  return {
      {'c', 8, 12, {{-0.5, -0.5, -0.5}, {0.5, 0.5, 0.5}}, 1, 1},
      {'s', 602, 1200, {{-c25 * c50, -c50 * c50, -1}, {c50, c50 * c50, 1}}, 4.0, 4 * kPi / 3},
      {'y', 52, 100, {{-c50, -c25, -1}, {c50, 1, 0}}, prism, prism},
  };
}

void ExpectBox(const Box& actual, const Box& expected) {
  EXPECT_NEAR(actual.low.x, expected.low.x, 1e-12);
  EXPECT_NEAR(actual.low.y, expected.low.y, 1e-12);
  EXPECT_NEAR(actual.low.z, expected.low.z, 1e-12);
  EXPECT_NEAR(actual.high.x, expected.high.x, 1e-12);
  EXPECT_NEAR(actual.high.y, expected.high.y, 1e-12);
  EXPECT_NEAR(actual.high.z, expected.high.z, 1e-12);
}

}  // namespace

TEST(ShapeMesh, CountsExtentsAndVolumes) {
  for (const ShapeCase& c : Shapes()) {
    SCOPED_TRACE(std::string("shape ") + c.shape);
    const Mesh* mesh = ShapeMesh(c.shape);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->positions.size(), c.positions);
    EXPECT_EQ(mesh->triangles.size(), c.triangles);
    ExpectBox(BoundsOf(mesh->positions), c.box);
    double volume = SignedVolume(mesh->positions, mesh->triangles);
    EXPECT_GE(volume, c.volumeLow - 1e-12);
    EXPECT_LE(volume, c.volumeHigh + 1e-12);
  }
}

TEST(ShapeMesh, ClosedWeldedAndFacingOut) {
  for (const ShapeCase& c : Shapes()) {
    SCOPED_TRACE(std::string("shape ") + c.shape);
    const Mesh* mesh = ShapeMesh(c.shape);
    EXPECT_EQ(EdgeFault(mesh->triangles), "");
    ExpectFacesAgreeWithNormals(mesh->positions, mesh->normals, mesh->triangles);
    // Euler: a closed surface of genus 0 (so no unwelded duplicate points).
    std::size_t edges = mesh->triangles.size() * 3 / 2;
    EXPECT_EQ(mesh->positions.size() + mesh->triangles.size(), edges + 2);
  }
}

TEST(ShapeMesh, PlaceholderAndUnknownShapesHaveNone) {
  EXPECT_EQ(ShapeMesh('l'), nullptr);
  EXPECT_EQ(ShapeMesh('q'), nullptr);
  EXPECT_EQ(ShapeMesh('\0'), nullptr);
}

// Placement keeps the surface closed and facing out, mirrored or not; the
// volume scales by the absolute determinant (the product of the sizes).
TEST(PlaceMesh, MirroringRotatingAndStretchingKeepTheSurfaceFacingOut) {
  struct Case {
    Vec3 size, rotation;
    bool mirrored;
  } cases[] = {
      {{1, 1, 1}, {0, 0, 0}, false},
      {{2, 0.5, 3}, {30, 45, 60}, false},
      {{-1, 1, 1}, {0, 0, 0}, true},
      {{-2, -1, 1.5}, {10, 20, 30}, false},  // two flips: a half turn
      {{-1, -1, -1}, {90, 0, 45}, true},
      {{1, 3, -0.25}, {-15, 200, 5}, true},
  };
  for (const ShapeCase& shape : Shapes()) {
    const Mesh& own = *ShapeMesh(shape.shape);
    double ownVolume = SignedVolume(own.positions, own.triangles);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string("shape ") + shape.shape + " size " + std::to_string(c.size.x) +
                   " " + std::to_string(c.size.y) + " " + std::to_string(c.size.z));
      PlacedMesh placed;
      ASSERT_TRUE(PlaceMesh(own, ObjectMatrix(MakeObject(shape.shape, c.size, c.rotation, {1, -2, 3})),
                            placed));
      EXPECT_EQ(placed.mirrored, c.mirrored);
      EXPECT_EQ(EdgeFault(placed.triangles), "");
      ExpectFacesAgreeWithNormals(placed.positions, placed.normals, placed.triangles);
      double scale = std::fabs(c.size.x * c.size.y * c.size.z);
      EXPECT_NEAR(SignedVolume(placed.positions, placed.triangles), ownVolume * scale, 1e-9);
    }
  }
}

// Normals follow the inverse transpose: on a sphere stretched to an
// ellipsoid they stay perpendicular to the surface, not radial.
TEST(PlaceMesh, NormalsAreThoseOfTheStretchedSurface) {
  const Mesh& sphere = *ShapeMesh('s');
  PlacedMesh placed;
  ASSERT_TRUE(PlaceMesh(sphere, ObjectMatrix(MakeObject('s', {3, 1, 0.5f}, {0, 0, 0}, {0, 0, 0})), placed));
  for (std::size_t i = 0; i < placed.positions.size(); ++i) {
    const Vec3d& p = placed.positions[i];
    Vec3d gradient{p.x / 9, p.y, p.z / 0.25};  // of x^2/9 + y^2 + z^2/0.25
    double length = std::sqrt(DotOf(gradient, gradient));
    EXPECT_NEAR(DotOf(placed.normals[i], gradient) / length, 1, 1e-9) << "vertex " << i;
  }
}

TEST(PlaceMesh, PositionsFollowTheObjectTransform) {
  // A quarter turn about z then a move: the cube's corner (0.5, 0.5, 0.5)
  // scaled by (2, 1, 1) is (1, 0.5, 0.5), turned (-0.5, 1, 0.5), moved.
  PlacedMesh placed;
  ASSERT_TRUE(PlaceMesh(*ShapeMesh('c'), ObjectMatrix(MakeObject('c', {2, 1, 1}, {0, 0, 90}, {10, 0, -1})),
                        placed));
  ExpectBox(BoundsOf(placed.positions), {{9.5, -1, -1.5}, {10.5, 1, -0.5}});
}

TEST(PlaceMesh, FlatOrNonFiniteTransformsPlaceNothing) {
  PlacedMesh placed;
  const Mesh& cube = *ShapeMesh('c');
  EXPECT_FALSE(PlaceMesh(cube, ObjectMatrix(MakeObject('c', {1, 0, 1}, {0, 0, 0}, {0, 0, 0})), placed));
  EXPECT_FALSE(PlaceMesh(cube, ObjectMatrix(MakeObject('c', {1, 1, 1}, {0, 0, 0}, {NAN, 0, 0})), placed));
  EXPECT_FALSE(PlaceMesh(cube, ObjectMatrix(MakeObject('c', {INFINITY, 1, 1}, {0, 0, 0}, {0, 0, 0})), placed));
}

#include "scene/mesh.h"

#include <cmath>
#include <utility>

namespace {
constexpr double kPi = 3.14159265358979323846;

Vec3d Sub(const Vec3d& a, const Vec3d& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3d Cross(const Vec3d& a, const Vec3d& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const Vec3d& a, const Vec3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The texture coordinates at a point given in the coordinates its surface
// is drawn in; adds them to the mesh and returns their index.
int AddTexCoord(Mesh& mesh, const Vec3d& drawn) {
  auto plane = [&drawn](const double* p) { return p[0] * drawn.x + p[1] * drawn.y + p[2] * drawn.z + p[3]; };
  mesh.texcoords.push_back({plane(kTexturePlaneS), plane(kTexturePlaneT)});
  return static_cast<int>(mesh.texcoords.size()) - 1;
}

// Adds a triangle, putting its corners in the order that is counter-clockwise
// seen from the side its normals point to (outside, for every shape here).
void AddTriangle(Mesh& mesh, MeshCorner a, MeshCorner b, MeshCorner c) {
  const auto& p = mesh.positions;
  const auto& n = mesh.normals;
  Vec3d face = Cross(Sub(p[b.position], p[a.position]), Sub(p[c.position], p[a.position]));
  Vec3d out = n[a.normal];
  out = {out.x + n[b.normal].x + n[c.normal].x, out.y + n[b.normal].y + n[c.normal].y,
         out.z + n[b.normal].z + n[c.normal].z};
  if (Dot(face, out) < 0) std::swap(b, c);
  mesh.triangles.push_back({a, b, c});
}

// A convex planar polygon whose corners all share one normal, as a fan from
// its first corner. Each
// corner's texture coordinates are its position's.
void AddPolygon(Mesh& mesh, const std::vector<int>& ring, int normal) {
  for (std::size_t i = 1; i + 1 < ring.size(); ++i) {
    AddTriangle(mesh, {ring[0], normal, ring[0]}, {ring[i], normal, ring[i]},
                {ring[i + 1], normal, ring[i + 1]});
  }
}

Mesh MakeCube() {
  Mesh mesh;
  for (int i = 0; i < 8; ++i) {
    mesh.positions.push_back({i & 1 ? 0.5 : -0.5, i & 2 ? 0.5 : -0.5, i & 4 ? 0.5 : -0.5});
    AddTexCoord(mesh, mesh.positions.back());  // drawn as they are
  }
  for (int axis = 0; axis < 3; ++axis) {
    int u = 1 << ((axis + 1) % 3), v = 1 << ((axis + 2) % 3), w = 1 << axis;
    for (int side = 0; side < 2; ++side) {
      double normal[3] = {0, 0, 0};
      normal[axis] = side ? 1 : -1;
      mesh.normals.push_back({normal[0], normal[1], normal[2]});
      int base = side ? w : 0;
      AddPolygon(mesh, {base, base | u, base | u | v, base | v},
                 static_cast<int>(mesh.normals.size()) - 1);
    }
  }
  return mesh;
}

// Like the window's sphere: rings of kRoundSlices points at the angles
// 2*pi*j/slices around z, at kSphereStacks - 1 heights between the poles.
Mesh MakeSphere() {
  Mesh mesh;
  mesh.positions.push_back({0, 0, 1});
  for (int i = 1; i < kSphereStacks; ++i) {
    double phi = kPi * i / kSphereStacks;
    for (int j = 0; j < kRoundSlices; ++j) {
      double theta = 2 * kPi * j / kRoundSlices;
      mesh.positions.push_back(
          {std::cos(theta) * std::sin(phi), std::sin(theta) * std::sin(phi), std::cos(phi)});
    }
  }
  mesh.positions.push_back({0, 0, -1});
  mesh.normals = mesh.positions;  // a unit sphere's normal is its point
  for (const Vec3d& p : mesh.positions) AddTexCoord(mesh, p);  // drawn as they are
  const int bottom = static_cast<int>(mesh.positions.size()) - 1;
  auto ring = [](int i, int j) { return 1 + (i - 1) * kRoundSlices + j % kRoundSlices; };
  auto corner = [](int index) { return MeshCorner{index, index, index}; };
  for (int j = 0; j < kRoundSlices; ++j) {
    AddTriangle(mesh, corner(0), corner(ring(1, j)), corner(ring(1, j + 1)));
    for (int i = 1; i + 1 < kSphereStacks; ++i) {
      AddTriangle(mesh, corner(ring(i, j)), corner(ring(i + 1, j)), corner(ring(i + 1, j + 1)));
      AddTriangle(mesh, corner(ring(i, j)), corner(ring(i + 1, j + 1)), corner(ring(i, j + 1)));
    }
    AddTriangle(mesh, corner(bottom), corner(ring(kSphereStacks - 1, j + 1)),
                corner(ring(kSphereStacks - 1, j)));
  }
  return mesh;
}

// Like the window's cylinder: its near cap is drawn as it is, its side and
// far cap after a half turn about y, which maps the quadrics' points
// (sin a, cos a, z) to (-sin a, cos a, -z) for a = 2*pi*j/slices. The flat
// side and caps need no further subdivision: the same surfaces, fewer
// triangles.
Mesh MakeCylinder() {
  Mesh mesh;
  auto turned = [](const Vec3d& q) { return Vec3d{-q.x, q.y, 0 - q.z}; };  // no -0
  for (int end = 0; end < 2; ++end) {
    for (int j = 0; j < kRoundSlices; ++j) {
      double a = 2 * kPi * j / kRoundSlices;
      Vec3d drawn{std::sin(a), std::cos(a), end ? 1.0 : 0.0};  // on the side
      mesh.positions.push_back(turned(drawn));
      if (end == 0) mesh.normals.push_back(turned({drawn.x, drawn.y, 0}));
      AddTexCoord(mesh, drawn);  // the side's: texcoord j + slices * end
    }
  }
  const int topCentre = static_cast<int>(mesh.positions.size());
  mesh.positions.push_back({0, 0, 0});
  mesh.positions.push_back({0, 0, -1});
  const int up = static_cast<int>(mesh.normals.size());
  mesh.normals.push_back({0, 0, 1});
  mesh.normals.push_back({0, 0, -1});
  // The caps' texture coordinates: the near cap's points as they are, the
  // far cap's turned back (its drawn z is 0 after a move along the turned z).
  const int nearCap = static_cast<int>(mesh.texcoords.size()), farCap = nearCap + kRoundSlices + 1;
  for (int cap = 0; cap < 2; ++cap) {
    for (int j = 0; j <= kRoundSlices; ++j) {  // the last is the centre
      const Vec3d& p = mesh.positions[j < kRoundSlices ? cap * kRoundSlices + j : topCentre + cap];
      AddTexCoord(mesh, cap == 0 ? p : Vec3d{-p.x, p.y, 0});
    }
  }
  for (int j = 0; j < kRoundSlices; ++j) {
    int k = (j + 1) % kRoundSlices;
    int top0 = j, top1 = k, bottom0 = kRoundSlices + j, bottom1 = kRoundSlices + k;
    AddTriangle(mesh, {top0, j, top0}, {bottom0, j, bottom0}, {bottom1, k, bottom1});
    AddTriangle(mesh, {top0, j, top0}, {bottom1, k, bottom1}, {top1, k, top1});
    AddTriangle(mesh, {topCentre, up, nearCap + kRoundSlices}, {top0, up, nearCap + j},
                {top1, up, nearCap + k});
    AddTriangle(mesh, {topCentre + 1, up + 1, farCap + kRoundSlices}, {bottom1, up + 1, farCap + k},
                {bottom0, up + 1, farCap + j});
  }
  return mesh;
}
}  // namespace

const Mesh* ShapeMesh(char shape) {
  static const Mesh cube = MakeCube();
  static const Mesh sphere = MakeSphere();
  static const Mesh cylinder = MakeCylinder();
  switch (shape) {
    case 'c': return &cube;
    case 's': return &sphere;
    case 'y': return &cylinder;
    default: return nullptr;
  }
}

bool Mirrors(const Mat4& m) {
  Vec3d x{m.at(0, 0), m.at(1, 0), m.at(2, 0)}, y{m.at(0, 1), m.at(1, 1), m.at(2, 1)},
      z{m.at(0, 2), m.at(1, 2), m.at(2, 2)};
  return Dot(Cross(x, y), z) < 0;
}

bool PlaceMesh(const Mesh& mesh, const Mat4& m, PlacedMesh& out) {
  Mat4 inverse;
  if (!Invert(m, inverse)) return false;
  Mat4 normalMatrix;  // the inverse transpose, without translation
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) normalMatrix.at(r, c) = inverse.at(c, r);
  }
  const bool mirrored = Mirrors(m);

  out.positions.resize(mesh.positions.size());
  for (std::size_t i = 0; i < mesh.positions.size(); ++i) {
    out.positions[i] = TransformPoint(m, mesh.positions[i]);
  }
  out.normals.resize(mesh.normals.size());
  for (std::size_t i = 0; i < mesh.normals.size(); ++i) {
    Vec3d n = TransformDirection(normalMatrix, mesh.normals[i]);
    double length = std::sqrt(Dot(n, n));
    out.normals[i] = {n.x / length, n.y / length, n.z / length};
  }
  out.triangles = mesh.triangles;
  out.mirrored = mirrored;
  if (mirrored) {
    for (MeshTriangle& t : out.triangles) std::swap(t[1], t[2]);
  }
  return true;
}

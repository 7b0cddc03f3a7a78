#include "export/stl.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/signals.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "STL is little-endian; add byte swaps");

namespace {
constexpr std::size_t kTriangleBytes = 50;  // normal, three corners, attribute count

unsigned char* PutFloat(unsigned char* at, double value) {
  float f = static_cast<float>(value);
  std::memcpy(at, &f, 4);
  return at + 4;
}

unsigned char* PutVec(unsigned char* at, const Vec3d& v) {
  return PutFloat(PutFloat(PutFloat(at, v.x), v.y), v.z);
}

Vec3d FacetNormal(const Vec3d& a, const Vec3d& b, const Vec3d& c) {
  Vec3d u{b.x - a.x, b.y - a.y, b.z - a.z}, v{c.x - a.x, c.y - a.y, c.z - a.z};
  Vec3d n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
  double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  if (!(length > 0)) return {0, 0, 0};
  return {n.x / length, n.y / length, n.z / length};
}
}  // namespace

bool WriteStl(const ExportInput& scene, std::FILE* file) {
  std::uint64_t count = 0;
  for (const ExportedObject& e : scene.exported) count += ShapeMesh(e.object->shape)->triangles.size();
  if (count > UINT32_MAX) return false;
  unsigned char header[84] = "Quillmar scene, binary STL";
  std::uint32_t count32 = static_cast<std::uint32_t>(count);
  std::memcpy(header + 80, &count32, 4);
  if (std::fwrite(header, 1, sizeof header, file) != sizeof header) return false;

  PlacedMesh placed;
  std::vector<unsigned char> bytes;
  for (const ExportedObject& e : scene.exported) {
    if (PendingSignal() != 0 || !PlaceObject(*e.object, placed)) return false;
    bytes.assign(placed.triangles.size() * kTriangleBytes, 0);
    unsigned char* at = bytes.data();
    for (const MeshTriangle& t : placed.triangles) {
      const Vec3d& a = placed.positions[t[0].position];
      const Vec3d& b = placed.positions[t[1].position];
      const Vec3d& c = placed.positions[t[2].position];
      at = PutVec(PutVec(PutVec(PutVec(at, FacetNormal(a, b, c)), a), b), c) + 2;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) return false;
  }
  return true;
}

#include "export/obj.h"

#include <charconv>

#include "base/signals.h"
#include "export/side_files.h"

namespace {
// Shortest text that reads back as the same float.
void AppendFloat(std::string& out, double value) {
  char buffer[32];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value)).ptr;
  out.append(buffer, end);
}

void AppendLine(std::string& out, const char* tag, const Vec3d& v) {
  out += tag;
  for (double c : {v.x, v.y, v.z}) {
    out += ' ';
    AppendFloat(out, c);
  }
  out += '\n';
}

void AppendIndex(std::string& out, long index) {
  char buffer[24];
  out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, index).ptr);
}
}  // namespace

bool WriteMtl(const ExportInput& scene, std::FILE* file) {
  std::fputs("# Quillmar scene materials\n", file);
  for (const ExportMaterial& m : scene.materials) {
    std::fprintf(file, "\nnewmtl %s\n", m.name.c_str());
    // The window lights ambient and diffuse alike, with no specular colour.
    std::fprintf(file, "Ka %g %g %g\nKd %g %g %g\nKs 0 0 0\nNs 1\nd 1\nillum 1\n", m.color[0],
                 m.color[1], m.color[2], m.color[0], m.color[1], m.color[2]);
    if (m.texture >= 0) {
      std::string png = BaseName(scene.textures[m.texture].file);
      std::fprintf(file, "map_Ka %s\nmap_Kd %s\n", png.c_str(), png.c_str());
    }
  }
  return !std::ferror(file);
}

bool WriteObj(const ExportInput& scene, const std::string& mtlName, std::FILE* file) {
  std::fprintf(file, "# Quillmar scene\nmtllib %s\n", mtlName.c_str());
  long positions = 0, normals = 0, texcoords = 0;  // written so far; OBJ counts from 1
  PlacedMesh placed;
  std::string out;
  for (const ExportedObject& e : scene.exported) {
    if (PendingSignal() != 0 || !PlaceObject(*e.object, placed)) return false;
    const ExportMaterial& material = scene.materials[e.material];
    const Mesh& own = *ShapeMesh(e.object->shape);
    bool textured = material.texture >= 0;
    out.clear();
    out += "g object_" + std::to_string(e.object->id) + "\nusemtl " + material.name + "\n";
    for (const Vec3d& p : placed.positions) AppendLine(out, "v", p);
    for (const Vec3d& n : placed.normals) AppendLine(out, "vn", n);
    if (textured) {
      for (const TexCoord& t : own.texcoords) {
        out += "vt ";
        AppendFloat(out, t.s);
        out += ' ';
        AppendFloat(out, t.t);
        out += '\n';
      }
    }
    for (const MeshTriangle& t : placed.triangles) {
      out += 'f';
      for (const MeshCorner& c : t) {
        out += ' ';
        AppendIndex(out, positions + c.position + 1);
        out += '/';
        if (textured) AppendIndex(out, texcoords + c.texcoord + 1);
        out += '/';
        AppendIndex(out, normals + c.normal + 1);
      }
      out += '\n';
    }
    positions += static_cast<long>(placed.positions.size());
    normals += static_cast<long>(placed.normals.size());
    if (textured) texcoords += static_cast<long>(own.texcoords.size());
    if (std::fwrite(out.data(), 1, out.size(), file) != out.size()) return false;
  }
  return !std::ferror(file);
}

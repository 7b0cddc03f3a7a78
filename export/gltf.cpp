#include "export/gltf.h"

#include <charconv>
#include <map>
#include <string_view>
#include <tuple>

#include "base/signals.h"
#include "export/side_files.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "glTF buffers are little-endian; add byte swaps");

namespace {
// Codes glTF shares with OpenGL.
constexpr int kFloat = 5126, kUnsignedShort = 5123;
constexpr int kArrayBuffer = 34962, kElementArrayBuffer = 34963;

constexpr std::uint64_t kMaxGlbLength = 0xFFFFFFFF;                     // 32-bit length fields
constexpr std::uint64_t kMaxJsonInteger = (std::uint64_t{1} << 53) - 1;  // exact as a double

std::uint64_t Padded(std::uint64_t n) { return (n + 3) / 4 * 4; }

// glTF vertices carry a position, a normal and texture coordinates
// together, so a point on a crease becomes one vertex per face. The split is
// the same for every object of a shape.
struct GltfShape {
  std::vector<MeshCorner> vertices;
  std::vector<std::uint16_t> indices;  // three per triangle; no shape has 65536 vertices
};

GltfShape SplitVertices(const Mesh& mesh) {
  GltfShape shape;
  std::map<std::tuple<int, int, int>, std::uint16_t> seen;
  for (const MeshTriangle& t : mesh.triangles) {
    for (const MeshCorner& c : t) {
      auto [it, added] = seen.emplace(std::make_tuple(c.position, c.normal, c.texcoord),
                                      static_cast<std::uint16_t>(shape.vertices.size()));
      if (added) shape.vertices.push_back(c);
      shape.indices.push_back(it->second);
    }
  }
  return shape;
}

const GltfShape& ShapeVertices(const Mesh& mesh) {
  static std::map<const Mesh*, GltfShape> shapes;
  auto it = shapes.find(&mesh);
  if (it == shapes.end()) it = shapes.emplace(&mesh, SplitVertices(mesh)).first;
  return it->second;
}

enum Attribute { kPositions, kNormals, kTexcoords, kIndices, kAttributes };
constexpr std::uint64_t kElementBytes[kAttributes] = {12, 12, 8, 2};  // per vertex, or per index
const char* const kTypes[kAttributes] = {"VEC3", "VEC3", "VEC2", "SCALAR"};

// The bytes an object adds to the view of `attribute`.
std::uint64_t Share(const ExportInput& scene, const ExportedObject& e, int attribute) {
  const GltfShape& shape = ShapeVertices(*ShapeMesh(e.object->shape));
  if (attribute == kIndices) return shape.indices.size() * kElementBytes[kIndices];
  if (attribute == kTexcoords && scene.materials[e.material].texture < 0) return 0;
  return shape.vertices.size() * kElementBytes[attribute];
}

// Where the file's bytes go: the file, or nowhere when they are only
// counted. Between StartBase64 and EndBase64, bytes go as base64 text.
class Output {
 public:
  explicit Output(std::FILE* file) : file_(file) {}

  Output& operator<<(std::string_view text) {
    Put(text.data(), text.size());
    return *this;
  }
  Output& operator<<(std::uint64_t number) {
    char text[24];
    Put(text, static_cast<std::size_t>(std::to_chars(text, text + sizeof text, number).ptr - text));
    return *this;
  }
  Output& operator<<(char) = delete;  // would print as a number
  // `value` with `exact`: the shortest decimal of its double value, which
  // reads back as the very number the buffer holds; else the shortest that
  // reads back as the same float (0.2 for a colour of 0.2).
  void Float(float value, bool exact) {
    char text[32];
    char* end = exact ? std::to_chars(text, text + sizeof text, static_cast<double>(value)).ptr
                      : std::to_chars(text, text + sizeof text, value).ptr;
    Put(text, static_cast<std::size_t>(end - text));
  }

  void Bytes(const void* data, std::size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (!base64_) return Put(reinterpret_cast<const char*>(bytes), size);
    char text[4096];
    std::size_t used = 0;
    for (std::size_t i = 0; i < size; ++i) {
      held_[heldCount_++] = bytes[i];
      if (heldCount_ < 3) continue;
      Encode(text + used);
      used += 4;
      if (used == sizeof text) Put(text, used), used = 0;
    }
    Put(text, used);
  }
  void StartBase64() { base64_ = true; }
  void EndBase64() {
    char text[4];
    if (heldCount_ > 0) Encode(text), Put(text, 4);
    base64_ = false;
  }

  std::uint64_t count() const { return count_; }
  bool good() const { return !failed_; }

 private:
  void Put(const char* data, std::size_t size) {
    count_ += size;
    if (file_ != nullptr && !failed_ && std::fwrite(data, 1, size, file_) != size) failed_ = true;
  }
  // The held bytes as four digits, '=' for the missing ones.
  void Encode(char* out) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const unsigned v = held_[0] << 16 | (heldCount_ > 1 ? held_[1] << 8 : 0) | (heldCount_ > 2 ? held_[2] : 0);
    out[0] = kDigits[v >> 18 & 63];
    out[1] = kDigits[v >> 12 & 63];
    out[2] = heldCount_ > 1 ? kDigits[v >> 6 & 63] : '=';
    out[3] = heldCount_ > 2 ? kDigits[v & 63] : '=';
    heldCount_ = 0;
  }

  std::FILE* file_;
  std::uint64_t count_ = 0;
  bool failed_ = false;
  bool base64_ = false;
  unsigned char held_[3] = {};
  int heldCount_ = 0;
};

// A file name as a URI reference: every byte but the unreserved ones
// (letters, digits, "-._~") percent-encoded, so a resolver decodes it back
// to the name.
std::string PercentEncoded(const std::string& name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : name) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) out += static_cast<char>(c);
    else out += {'%', kHex[c >> 4], kHex[c & 15]};
  }
  return out;
}

// The views onto the buffer's geometry, numbered in order, -1 where empty.
void ViewIndices(const GltfLayout& layout, int (&view)[kAttributes], int& count) {
  count = 0;
  for (int a = 0; a < kAttributes; ++a) view[a] = layout.viewLength[a] > 0 ? count++ : -1;
}

void WriteObjects(const ExportInput& scene, const int (&view)[kAttributes], Output& out) {
  const std::vector<ExportedObject>& objects = scene.exported;
  out << R"(,"scene":0,"scenes":[{"nodes":[)";
  for (std::size_t i = 0; i < objects.size(); ++i) out << (i > 0 ? "," : "") << i;
  out << R"(]}],"nodes":[)";
  for (std::size_t i = 0; i < objects.size(); ++i) {
    out << (i > 0 ? "," : "") << R"({"mesh":)" << i << R"(,"name":"object_)"
        << std::to_string(objects[i].object->id) << R"("})";
  }
  out << R"(],"meshes":[)";
  std::uint64_t accessor = 0;
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const bool textured = Share(scene, objects[i], kTexcoords) > 0;
    out << (i > 0 ? "," : "") << R"({"name":"object_)" << std::to_string(objects[i].object->id)
        << R"(","primitives":[{"attributes":{"POSITION":)" << accessor << R"(,"NORMAL":)" << accessor + 1;
    if (textured) out << R"(,"TEXCOORD_0":)" << accessor + 2;
    out << R"(},"indices":)" << accessor + (textured ? 3 : 2) << R"(,"material":)"
        << static_cast<std::uint64_t>(objects[i].material) << R"(,"mode":4}]})";
    accessor += textured ? 4 : 3;
  }
  out << R"(],"accessors":[)";
  std::uint64_t next[kAttributes] = {};  // where each view's next share begins
  const char* separator = "";
  for (const ExportedObject& e : objects) {
    for (int a = 0; a < kAttributes; ++a) {
      const std::uint64_t bytes = Share(scene, e, a);
      if (bytes == 0) continue;
      out << separator << R"({"bufferView":)" << static_cast<std::uint64_t>(view[a]) << R"(,"byteOffset":)"
          << next[a] << R"(,"componentType":)"
          << static_cast<std::uint64_t>(a == kIndices ? kUnsignedShort : kFloat) << R"(,"count":)"
          << bytes / kElementBytes[a] << R"(,"type":")" << kTypes[a] << R"(")";
      if (a == kPositions) {
        for (const float* bound : {e.low, e.high}) {
          out << (bound == e.low ? R"(,"min":[)" : R"(,"max":[)");
          for (int k = 0; k < 3; ++k) out << (k > 0 ? "," : ""), out.Float(bound[k], true);
          out << "]";
        }
      }
      out << "}";
      next[a] += bytes;
      separator = ",";
    }
  }
  out << "]";
}

void WriteMaterials(const ExportInput& scene, bool binary, int firstImageView, Output& out) {
  out << R"(,"materials":[)";
  for (std::size_t i = 0; i < scene.materials.size(); ++i) {
    const ExportMaterial& m = scene.materials[i];
    out << (i > 0 ? "," : "") << R"({"name":")" << m.name << R"(","pbrMetallicRoughness":{"baseColorFactor":[)";
    for (float c : m.color) out.Float(c, false), out << ",";
    out << "1]";
    if (m.texture >= 0) out << R"(,"baseColorTexture":{"index":)" << static_cast<std::uint64_t>(m.texture) << "}";
    out << R"(,"metallicFactor":0,"roughnessFactor":1}})";
  }
  out << "]";
  if (scene.textures.empty()) return;
  // As the window samples: linear, nearest mipmap, repeating.
  out << R"(,"samplers":[{"magFilter":9729,"minFilter":9985,"wrapS":10497,"wrapT":10497}],"textures":[)";
  for (std::size_t i = 0; i < scene.textures.size(); ++i) {
    out << (i > 0 ? "," : "") << R"({"sampler":0,"source":)" << i << "}";
  }
  out << R"(],"images":[)";
  for (std::size_t i = 0; i < scene.textures.size(); ++i) {
    const ExportTexture& t = scene.textures[i];
    out << (i > 0 ? "," : "") << R"({"name":"texture_)" << static_cast<std::uint64_t>(t.slot) << R"(")";
    if (binary) {
      out << R"(,"mimeType":"image/png","bufferView":)" << firstImageView + i << "}";
    } else {
      out << R"(,"uri":")" << PercentEncoded(BaseName(t.file)) << R"("})";
    }
  }
  out << "]";
}

// The JSON up to the buffer's data: all of it but the buffer's "uri" and
// the closing brackets (JsonEnd).
void WriteJsonHead(const ExportInput& scene, const GltfLayout& layout, Output& out) {
  out << R"({"asset":{"generator":"Quillmar","version":"2.0"})";
  int view[kAttributes], views = 0;
  ViewIndices(layout, view, views);
  if (!scene.exported.empty()) WriteObjects(scene, view, out);
  if (layout.bufferLength > 0) {
    out << R"(,"bufferViews":[)";
    const char* separator = "";
    for (int a = 0; a < kAttributes; ++a) {
      if (view[a] < 0) continue;
      out << separator << R"({"buffer":0,"byteLength":)" << layout.viewLength[a] << R"(,"byteOffset":)"
          << layout.viewStart[a];
      if (a != kIndices) out << R"(,"byteStride":)" << kElementBytes[a];
      out << R"(,"target":)" << static_cast<std::uint64_t>(a == kIndices ? kElementArrayBuffer : kArrayBuffer)
          << "}";
      separator = ",";
    }
    std::uint64_t image = layout.viewStart[kIndices] + Padded(layout.viewLength[kIndices]);
    for (std::size_t i = 0; layout.binary && i < scene.textures.size(); ++i) {
      const std::uint64_t size = scene.textures[i].png.size();
      out << R"(,{"buffer":0,"byteLength":)" << size << R"(,"byteOffset":)" << image << "}";
      image += Padded(size);
    }
    out << "]";
  }
  if (!scene.materials.empty()) WriteMaterials(scene, layout.binary, views, out);
  if (layout.bufferLength > 0) out << R"(,"buffers":[{"byteLength":)" << layout.bufferLength;
}

void WriteJsonEnd(const GltfLayout& layout, Output& out) {
  out << (layout.bufferLength > 0 ? "}]}" : "}");
}

// One object's share of a view, as the buffer holds it.
void ShareBytes(const ExportedObject& e, int attribute, PlacedMesh& placed,
                std::vector<unsigned char>& bytes) {
  const Mesh& own = *ShapeMesh(e.object->shape);
  const GltfShape& shape = ShapeVertices(own);
  bytes.clear();
  auto put = [&bytes](auto value) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(&value);
    bytes.insert(bytes.end(), p, p + sizeof value);
  };
  switch (attribute) {
    case kPositions:
    case kNormals:
      PlaceObject(*e.object, placed);
      for (const MeshCorner& c : shape.vertices) {
        const Vec3d& v = attribute == kPositions ? placed.positions[c.position] : placed.normals[c.normal];
        for (double x : {v.x, v.y, v.z}) put(static_cast<float>(x));
      }
      break;
    case kTexcoords:
      // Images run top row first in glTF; the PNG's bottom row is t = 0.
      for (const MeshCorner& c : shape.vertices) {
        put(static_cast<float>(own.texcoords[c.texcoord].s));
        put(1 - static_cast<float>(own.texcoords[c.texcoord].t));
      }
      break;
    default:  // a mirrored object's corners run the other way
      for (std::size_t i = 0; i + 2 < shape.indices.size(); i += 3) {
        put(shape.indices[i]);
        put(shape.indices[i + (e.mirrored ? 2 : 1)]);
        put(shape.indices[i + (e.mirrored ? 1 : 2)]);
      }
  }
}

// The buffer, view by view and object by object, then a .glb's images.
// False when a signal was noted.
bool WriteBuffer(const ExportInput& scene, const GltfLayout& layout, Output& out) {
  static const unsigned char kZeros[3] = {};
  PlacedMesh placed;
  std::vector<unsigned char> bytes;
  for (int a = 0; a < kAttributes; ++a) {
    if (layout.viewLength[a] == 0) continue;
    for (const ExportedObject& e : scene.exported) {
      if (PendingSignal() != 0) return false;
      if (Share(scene, e, a) == 0) continue;
      ShareBytes(e, a, placed, bytes);
      out.Bytes(bytes.data(), bytes.size());
    }
    out.Bytes(kZeros, Padded(layout.viewLength[a]) - layout.viewLength[a]);
  }
  for (std::size_t i = 0; layout.binary && i < scene.textures.size(); ++i) {
    const std::vector<unsigned char>& png = scene.textures[i].png;
    out.Bytes(png.data(), png.size());
    out.Bytes(kZeros, Padded(png.size()) - png.size());
  }
  return true;
}

void PutWord(unsigned char* at, std::uint32_t word) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(word >> (8 * i));
}
}  // namespace

bool LayOutGltf(const ExportInput& scene, bool binary, GltfLayout& layout, std::string& error) {
  layout = GltfLayout();
  layout.binary = binary;
  for (const ExportedObject& e : scene.exported) {
    for (int a = 0; a < kAttributes; ++a) layout.viewLength[a] += Share(scene, e, a);
  }
  std::uint64_t end = 0;
  for (int a = 0; a < kAttributes; ++a) {
    layout.viewStart[a] = end;
    end += Padded(layout.viewLength[a]);
  }
  if (binary) {
    for (const ExportTexture& t : scene.textures) end += Padded(t.png.size());
  }
  layout.bufferLength = end;
  if (end > kMaxJsonInteger) {
    error = "the scene needs a buffer of " + std::to_string(end) + " bytes, more than glTF can describe";
    return false;
  }
  if (!binary) return true;
  Output counter(nullptr);
  WriteJsonHead(scene, layout, counter);
  WriteJsonEnd(layout, counter);
  layout.jsonLength = counter.count();
  const std::uint64_t total = 12 + 8 + Padded(layout.jsonLength) + (end > 0 ? 8 + end : 0);
  if (total > kMaxGlbLength) {
    error = "the scene needs a " + std::to_string(total) + "-byte file, more than the " +
            std::to_string(kMaxGlbLength) + " bytes a .glb can hold";
    return false;
  }
  return true;
}

bool WriteGltf(const ExportInput& scene, const GltfLayout& layout, std::FILE* file) {
  Output out(file);
  if (!layout.binary) {
    WriteJsonHead(scene, layout, out);
    if (layout.bufferLength > 0) {
      out << R"(,"uri":"data:application/octet-stream;base64,)";
      out.StartBase64();
      if (!WriteBuffer(scene, layout, out)) return false;
      out.EndBase64();
      out << R"(")";
    }
    WriteJsonEnd(layout, out);
    return out.good();
  }
  // The header, the JSON chunk padded with spaces, the binary chunk.
  const std::uint64_t json = Padded(layout.jsonLength);
  unsigned char header[20];
  PutWord(header, 0x46546C67);  // "glTF"
  PutWord(header + 4, 2);
  PutWord(header + 8, static_cast<std::uint32_t>(12 + 8 + json + (layout.bufferLength > 0 ? 8 + layout.bufferLength : 0)));
  PutWord(header + 12, static_cast<std::uint32_t>(json));
  PutWord(header + 16, 0x4E4F534A);  // "JSON"
  out.Bytes(header, sizeof header);
  WriteJsonHead(scene, layout, out);
  WriteJsonEnd(layout, out);
  out << std::string_view("   ", json - layout.jsonLength);
  if (out.count() != sizeof header + json) return false;  // not the JSON laid out
  if (layout.bufferLength > 0) {
    PutWord(header, static_cast<std::uint32_t>(layout.bufferLength));
    PutWord(header + 4, 0x004E4942);  // "BIN\0"
    out.Bytes(header, 8);
    if (!WriteBuffer(scene, layout, out)) return false;
  }
  return out.good();
}

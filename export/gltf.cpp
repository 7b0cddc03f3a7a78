#include "export/gltf.h"

#include <tiny_gltf.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <map>
#include <ostream>
#include <utility>

namespace {
// glTF vertices carry a position and a normal together, so a point on a
// crease becomes one vertex per normal. The split is the same for every
// object of a shape.
struct GltfShape {
  std::vector<MeshCorner> vertices;
  std::vector<std::uint32_t> indices;  // three per triangle, counter-clockwise
};

GltfShape SplitVertices(const Mesh& mesh) {
  GltfShape shape;
  std::map<std::pair<int, int>, std::uint32_t> seen;
  for (const MeshTriangle& t : mesh.triangles) {
    for (const MeshCorner& c : t) {
      auto [it, added] = seen.emplace(std::make_pair(c.position, c.normal),
                                      static_cast<std::uint32_t>(shape.vertices.size()));
      if (added) shape.vertices.push_back(c);
      shape.indices.push_back(it->second);
    }
  }
  return shape;
}

const GltfShape& ShapeVertices(const Mesh* mesh) {
  static std::map<const Mesh*, GltfShape> shapes;
  auto it = shapes.find(mesh);
  if (it == shapes.end()) it = shapes.emplace(mesh, SplitVertices(*mesh)).first;
  return it->second;
}

// The vertex data of all objects lies in one buffer, one view per
// attribute (positions, normals, texture coordinates, indices). Each
// object's share is known from its shape, so the views are laid out first
// and every object writes straight to its place.
enum Attribute { kPositions, kNormals, kTexcoords, kIndices, kAttributes };
const std::size_t kBytesPerVertex[3] = {12, 12, 8};
using IndexType = std::uint16_t;  // no shape has 65536 vertices

struct Layout {
  int view[kAttributes] = {-1, -1, -1, -1};
  std::size_t start[kAttributes] = {};  // where each view begins in the buffer
  std::size_t next[kAttributes] = {};   // where the next object's share goes
};

// Copies `count` values to the next free place of `attribute` and adds the
// accessor that describes them; returns its index.
template <typename T>
int Put(tinygltf::Model& model, Layout& layout, Attribute attribute, const T* values,
        std::size_t count, int componentType, int type, std::size_t perElement) {
  std::memcpy(model.buffers[0].data.data() + layout.next[attribute], values, count * sizeof(T));
  tinygltf::Accessor accessor;
  accessor.bufferView = layout.view[attribute];
  accessor.byteOffset = layout.next[attribute] - layout.start[attribute];
  accessor.componentType = componentType;
  accessor.count = count / perElement;
  accessor.type = type;
  model.accessors.push_back(std::move(accessor));
  layout.next[attribute] += count * sizeof(T);
  return static_cast<int>(model.accessors.size()) - 1;
}

// Adds one object's vertex data, mesh and node.
void AddObject(const SceneObject& object, const PlacedMesh& placed, int material, bool textured,
               tinygltf::Model& model, Layout& layout) {
  const Mesh* own = ShapeMesh(object.shape);
  const GltfShape& shape = ShapeVertices(own);
  std::vector<float> values;
  values.reserve(shape.vertices.size() * 3);
  std::vector<double> low(3, 1e300), high(3, -1e300);
  for (const MeshCorner& c : shape.vertices) {
    const Vec3d& p = placed.positions[c.position];
    float f[3] = {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
    for (int k = 0; k < 3; ++k) {
      low[k] = std::min(low[k], static_cast<double>(f[k]));
      high[k] = std::max(high[k], static_cast<double>(f[k]));
      values.push_back(f[k]);
    }
  }
  tinygltf::Primitive primitive;
  primitive.mode = TINYGLTF_MODE_TRIANGLES;
  primitive.material = material;
  primitive.attributes["POSITION"] = Put(model, layout, kPositions, values.data(), values.size(),
                                         TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, 3);
  model.accessors.back().minValues = low;
  model.accessors.back().maxValues = high;

  values.clear();
  for (const MeshCorner& c : shape.vertices) {
    const Vec3d& v = placed.normals[c.normal];
    values.insert(values.end(), {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)});
  }
  primitive.attributes["NORMAL"] = Put(model, layout, kNormals, values.data(), values.size(),
                                       TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3, 3);

  if (textured) {
    values.clear();
    // Images run top row first in glTF; the PNG's bottom row is t = 0.
    for (const MeshCorner& c : shape.vertices) {
      const Vec3d& p = own->positions[c.position];
      values.insert(values.end(), {TexS(p), 1 - TexT(p)});
    }
    primitive.attributes["TEXCOORD_0"] = Put(model, layout, kTexcoords, values.data(), values.size(),
                                             TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC2, 2);
  }

  std::vector<IndexType> indices(shape.indices.begin(), shape.indices.end());
  if (placed.mirrored) {
    for (std::size_t i = 0; i + 2 < indices.size(); i += 3) std::swap(indices[i + 1], indices[i + 2]);
  }
  primitive.indices = Put(model, layout, kIndices, indices.data(), indices.size(),
                          TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT, TINYGLTF_TYPE_SCALAR, 1);

  std::string name = "object_" + std::to_string(object.id);
  tinygltf::Mesh mesh;
  mesh.name = name;
  mesh.primitives.push_back(std::move(primitive));
  model.meshes.push_back(std::move(mesh));
  tinygltf::Node node;
  node.name = name;
  node.mesh = static_cast<int>(model.meshes.size()) - 1;
  model.nodes.push_back(std::move(node));
  model.scenes[0].nodes.push_back(static_cast<int>(model.nodes.size()) - 1);
}

// Sizes the buffer for every exported object's vertex data and makes the
// views onto it.
Layout LayOut(const ExportInput& scene, tinygltf::Model& model) {
  std::size_t bytes[kAttributes] = {}, objects = 0, index = 0;
  for (const SceneObject* o = scene.objects.first; o != nullptr; o = o->next, ++index) {
    const Mesh* mesh = ExportedMesh(*o);
    if (mesh == nullptr) continue;
    const GltfShape& shape = ShapeVertices(mesh);
    bool textured = scene.materials[scene.materialOf[index]].texture >= 0;
    for (int a = kPositions; a <= kTexcoords; ++a) {
      if (a != kTexcoords || textured) bytes[a] += shape.vertices.size() * kBytesPerVertex[a];
    }
    bytes[kIndices] += shape.indices.size() * sizeof(IndexType);
    ++objects;
  }
  model.accessors.reserve(objects * 4);
  model.meshes.reserve(objects);
  model.nodes.reserve(objects);
  model.scenes[0].nodes.reserve(objects);

  Layout layout;
  std::size_t end = 0;
  for (int a = 0; a < kAttributes; ++a) {
    if (bytes[a] == 0) continue;
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = layout.start[a] = layout.next[a] = end;
    view.byteLength = bytes[a];
    view.target = a == kIndices ? TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER : TINYGLTF_TARGET_ARRAY_BUFFER;
    if (a != kIndices) view.byteStride = kBytesPerVertex[a];
    model.bufferViews.push_back(view);
    layout.view[a] = static_cast<int>(model.bufferViews.size()) - 1;
    end += (bytes[a] + 3) / 4 * 4;
  }
  model.buffers[0].data.resize(end);
  return layout;
}

// Appends an image to the buffer as a view of its own; returns the view's index.
int AddImageView(tinygltf::Model& model, const std::vector<unsigned char>& bytes) {
  std::vector<unsigned char>& data = model.buffers[0].data;
  tinygltf::BufferView view;
  view.buffer = 0;
  view.byteOffset = data.size();
  view.byteLength = bytes.size();
  data.insert(data.end(), bytes.begin(), bytes.end());
  data.resize((data.size() + 3) / 4 * 4, 0);  // keep every view 4-byte aligned
  model.bufferViews.push_back(std::move(view));
  return static_cast<int>(model.bufferViews.size()) - 1;
}

// A colour component as the decimal the scene holds (0.2, not the
// 0.20000000298 that widening the float gives).
double Decimal(float value) {
  char text[32];
  *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0';
  return std::strtod(text, nullptr);
}

void AddMaterials(const ExportInput& scene, const std::string& outPath, bool binary,
                  tinygltf::Model& model) {
  if (!scene.textures.empty()) {
    tinygltf::Sampler sampler;  // as the window: linear, mipmaps, repeating
    sampler.magFilter = TINYGLTF_TEXTURE_FILTER_LINEAR;
    sampler.minFilter = TINYGLTF_TEXTURE_FILTER_LINEAR_MIPMAP_NEAREST;
    sampler.wrapS = sampler.wrapT = TINYGLTF_TEXTURE_WRAP_REPEAT;
    model.samplers.push_back(sampler);
  }
  for (const ExportTexture& t : scene.textures) {
    tinygltf::Image image;
    image.name = "texture_" + std::to_string(t.slot);
    if (binary) {
      image.mimeType = "image/png";
      image.bufferView = AddImageView(model, t.png);
    } else {
      image.uri = BaseName(TextureFileName(outPath, t.slot));
    }
    model.images.push_back(std::move(image));
    tinygltf::Texture texture;
    texture.sampler = 0;
    texture.source = static_cast<int>(model.images.size()) - 1;
    model.textures.push_back(std::move(texture));
  }
  for (const ExportMaterial& m : scene.materials) {
    tinygltf::Material material;
    material.name = m.name;
    material.pbrMetallicRoughness.baseColorFactor = {Decimal(m.color[0]), Decimal(m.color[1]),
                                                      Decimal(m.color[2]), 1};
    material.pbrMetallicRoughness.metallicFactor = 0;
    material.pbrMetallicRoughness.roughnessFactor = 1;
    material.pbrMetallicRoughness.baseColorTexture.index = m.texture;
    model.materials.push_back(std::move(material));
  }
}

// An output stream onto a C file, so the library writes straight to the
// temporary file being filled.
class FileBuffer : public std::streambuf {
 public:
  explicit FileBuffer(std::FILE* file) : file_(file) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    return std::fputc(c, file_) == EOF ? traits_type::eof() : c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<std::size_t>(n), file_));
  }

 private:
  std::FILE* file_;
};
}  // namespace

bool WriteGltf(const ExportInput& scene, const std::string& outPath, bool binary,
               std::FILE* file) {
  tinygltf::Model model;
  model.asset.version = "2.0";
  model.asset.generator = "Quillmar";
  model.scenes.resize(1);
  model.defaultScene = 0;
  model.buffers.resize(1);

  Layout layout = LayOut(scene, model);
  PlacedMesh placed;
  std::size_t index = 0;
  for (const SceneObject* o = scene.objects.first; o != nullptr; o = o->next, ++index) {
    if (!PlaceObject(*o, placed)) continue;
    int material = scene.materialOf[index];
    AddObject(*o, placed, material, scene.materials[material].texture >= 0, model, layout);
  }
  AddMaterials(scene, outPath, binary, model);
  if (model.buffers[0].data.empty()) model.buffers.clear();
  if (model.nodes.empty()) {  // a scene needs nodes; a file without one is valid
    model.scenes.clear();
    model.defaultScene = -1;
  }

  tinygltf::TinyGLTF writer;
  writer.SetImageWriter(nullptr, nullptr);  // images are already PNG, in the buffer or beside
  FileBuffer buffer(file);
  std::ostream stream(&buffer);
  bool written = writer.WriteGltfSceneToStream(&model, stream, false, binary);
  stream.flush();
  return written && stream.good() && !std::ferror(file);
}

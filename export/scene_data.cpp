#include "export/scene_data.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

#include "base/console.h"
#include "base/file.h"
#include "base/signals.h"
#include "io/png.h"
#include "io/scene_file.h"
#include "io/textures.h"
#include "io/tga.h"
#include "scene/transform.h"

namespace {
// The console goes quiet while it lives: reading a scene prints an info
// block per object, and a missing texture a line of its own.
class SilentConsole {
 public:
  SilentConsole() : in_(ConsoleIn()), out_(ConsoleOut()), sink_(std::fopen("/dev/null", "w")) {
    if (sink_ != nullptr) SetConsole(in_, sink_);
  }
  ~SilentConsole() {
    if (sink_ == nullptr) return;
    SetConsole(in_, out_);
    std::fclose(sink_);
  }
  SilentConsole(const SilentConsole&) = delete;
  SilentConsole& operator=(const SilentConsole&) = delete;

 private:
  std::FILE* in_;
  std::FILE* out_;
  std::FILE* sink_;
};

std::vector<std::string> ReadTextureList(const std::string& scenePath) {
  std::vector<std::string> names(kTextureSlots);
  std::FILE* list = OpenInputFile(scenePath + ".tex", "r");
  if (list == nullptr) return names;
  WalkTextureList(list, [&](const TextureListEntry& entry) {
    // As in the editor, a cut name leaves its slot empty.
    if (entry.slot < kTextureSlots && !entry.tooLong) names[entry.slot] = entry.name;
  });
  std::fclose(list);
  return names;
}

// The image of a texture slot as PNG; false when it cannot be read. The
// decoded rows run from t = 0 up, so they are stored bottom row last.
bool TextureToPng(const std::string& tgaName, std::vector<unsigned char>& png) {
  TgaImage image;
  if (tgaName.empty() || ReadTga(tgaName, image) != TgaError::None) return false;
  std::size_t row = static_cast<std::size_t>(image.width) * image.channels;
  std::vector<unsigned char> flipped(image.pixels.size());
  for (int y = 0; y < image.height; ++y) {
    std::copy_n(image.pixels.begin() + (image.height - 1 - y) * row, row, flipped.begin() + y * row);
  }
  return EncodePng(image.width, image.height, image.channels, flipped.data(), png);
}

float Clamp01(float v) { return v > 0 ? (v < 1 ? v : 1) : 0; }  // NaN and -0 give 0

// The mesh the object exports as, and its transform; null for objects that
// export nothing (no mesh, or a transform PlaceMesh refuses).
const Mesh* ExportedMesh(const SceneObject& object, Mat4& matrix) {
  Mat4 inverse;
  const Mesh* mesh = ShapeMesh(object.shape);
  matrix = ObjectMatrix(object);
  return mesh != nullptr && Invert(matrix, inverse) ? mesh : nullptr;
}

// Notes where the object's points land, as the single-precision floats
// every format writes. False when one of them is not finite there (its
// normals, unit vectors, always are).
bool Measure(const Mesh& mesh, const Mat4& matrix, ExportedObject& object) {
  std::fill_n(object.low, 3, INFINITY);
  std::fill_n(object.high, 3, -INFINITY);
  for (const Vec3d& own : mesh.positions) {
    const Vec3d p = TransformPoint(matrix, own);
    const float f[3] = {static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z)};
    for (int k = 0; k < 3; ++k) {
      if (!std::isfinite(f[k])) return false;
      object.low[k] = std::min(object.low[k], f[k]);
      object.high[k] = std::max(object.high[k], f[k]);
    }
  }
  object.mirrored = Mirrors(matrix);
  return true;
}
}  // namespace

bool ReadExportScene(const std::string& scenePath, ExportInput& scene, std::string& error) {
  SilentConsole quiet;
  std::FILE* file = OpenInputFile(scenePath, "r");
  if (file == nullptr) {
    error = "cannot read scene '" + scenePath + "'";
    return false;
  }
  ReadScene(scene.objects, file);
  std::fclose(file);

  std::vector<std::string> tgaNames = ReadTextureList(scenePath);
  // Objects that look alike share a material: the key is the kind and the
  // slot or preset number, or the clamped colour.
  std::map<std::tuple<int, int, float, float, float>, int> known;
  Mat4 matrix;
  for (const SceneObject* o = scene.objects.first; o != nullptr; o = o->next) {
    if (PendingSignal() != 0) {
      error = "interrupted";
      return false;
    }
    const Mesh* mesh = ExportedMesh(*o, matrix);
    if (mesh == nullptr) continue;
    ExportedObject exported;
    exported.object = o;
    if (!Measure(*mesh, matrix, exported)) {
      error = "cannot export object " + std::to_string(o->id) +
              ": its coordinates are too large for single-precision numbers";
      return false;
    }
    Appearance look = DecodeAppearance(*o);
    float c[3] = {Clamp01(o->red), Clamp01(o->green), Clamp01(o->blue)};
    int number = look.kind == Appearance::Texture ? std::max(look.index, 0)  // no slot binds none
                 : look.kind == Appearance::Preset && FindPreset(look.index) ? look.index
                                                                             : -1;
    std::tuple<int, int, float, float, float> key{look.kind, number, 0, 0, 0};
    if (look.kind == Appearance::Plain) key = {look.kind, 0, c[0], c[1], c[2]};
    auto [it, added] = known.emplace(key, static_cast<int>(scene.materials.size()));
    exported.material = it->second;
    scene.exported.push_back(exported);
    if (!added) continue;

    ExportMaterial material;
    if (look.kind == Appearance::Plain) {
      material.name = "color_" + std::to_string(scene.materials.size());
      std::copy_n(c, 3, material.color);
    } else if (look.kind == Appearance::Preset && number > 0) {
      material.name = "preset_" + std::to_string(number);
      std::copy_n(FindPreset(number)->color, 3, material.color);
    } else if (look.kind == Appearance::Preset) {
      material.name = "default";  // OpenGL's default diffuse grey
      std::fill_n(material.color, 3, 0.8f);
    } else {
      material.name = "texture_" + std::to_string(number);
      ExportTexture texture;
      texture.slot = number;
      if (TextureToPng(tgaNames[number], texture.png)) {
        material.texture = static_cast<int>(scene.textures.size());
        scene.textures.push_back(std::move(texture));
      }
    }
    scene.materials.push_back(material);
  }
  return true;
}

bool PlaceObject(const SceneObject& object, PlacedMesh& out) {
  const Mesh* mesh = ShapeMesh(object.shape);
  return mesh != nullptr && PlaceMesh(*mesh, ObjectMatrix(object), out);
}

#include "export/scene_data.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

#include "base/console.h"
#include "base/file.h"
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
  for (const SceneObject* o = scene.objects.first; o != nullptr; o = o->next) {
    if (ExportedMesh(*o) == nullptr) {
      scene.materialOf.push_back(-1);
      continue;
    }
    Appearance look = DecodeAppearance(*o);
    float c[3] = {Clamp01(o->red), Clamp01(o->green), Clamp01(o->blue)};
    int number = look.kind == Appearance::Texture ? std::max(look.index, 0)  // no slot binds none
                 : look.kind == Appearance::Preset && FindPreset(look.index) ? look.index
                                                                             : -1;
    std::tuple<int, int, float, float, float> key{look.kind, number, 0, 0, 0};
    if (look.kind == Appearance::Plain) key = {look.kind, 0, c[0], c[1], c[2]};
    auto [it, added] = known.emplace(key, static_cast<int>(scene.materials.size()));
    scene.materialOf.push_back(it->second);
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

const Mesh* ExportedMesh(const SceneObject& object) {
  Mat4 inverse;
  const Mesh* mesh = ShapeMesh(object.shape);
  return mesh != nullptr && Invert(ObjectMatrix(object), inverse) ? mesh : nullptr;
}

bool PlaceObject(const SceneObject& object, PlacedMesh& out) {
  const Mesh* mesh = ShapeMesh(object.shape);
  return mesh != nullptr && PlaceMesh(*mesh, ObjectMatrix(object), out);
}

bool SideFiles::Write(const std::string& path, const std::function<bool(std::FILE*)>& write) {
  struct stat info;
  bool existed = stat(path.c_str(), &info) == 0;
  if (!WriteFileSafely(path, write)) return false;
  if (!existed) created_.push_back(path);
  return true;
}

bool SideFiles::WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  return Write(path, [&](std::FILE* file) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  });
}

void SideFiles::Discard() {
  for (const std::string& path : created_) std::remove(path.c_str());
  created_.clear();
}

std::string ReplaceExtension(const std::string& path, const std::string& extension) {
  std::size_t slash = path.find_last_of('/');
  std::size_t dot = path.find_last_of('.');
  bool hasDot = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasDot ? path.substr(0, dot) : path) + extension;
}

std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string TextureFileName(const std::string& outPath, int slot) {
  return ReplaceExtension(outPath, "_texture" + std::to_string(slot) + ".png");
}

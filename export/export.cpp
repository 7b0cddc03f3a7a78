#include "export/export.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "base/file.h"
#include "base/signals.h"
#include "export/gltf.h"
#include "export/obj.h"
#include "export/scene_data.h"
#include "export/side_files.h"
#include "export/stl.h"

namespace {
enum class Format { Unknown, Obj, Stl, Gltf, Glb };

Format FormatOf(const std::string& path) {
  std::string name = BaseName(path);
  std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return Format::Unknown;
  std::string ext = name.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (ext == "obj") return Format::Obj;
  if (ext == "stl") return Format::Stl;
  if (ext == "gltf") return Format::Gltf;
  if (ext == "glb") return Format::Glb;
  return Format::Unknown;
}

std::string NoMemory(const std::string& outPath) {
  return "not enough memory to export to '" + outPath + "'";
}

// A writer for the file functions, which must not be left by an exception:
// running out of memory fails the write (noted in `outOfMemory`), and so
// does a signal noted while it wrote.
std::function<bool(std::FILE*)> Guarded(std::function<bool(std::FILE*)> write, bool& outOfMemory) {
  return [write, &outOfMemory](std::FILE* file) {
    try {
      return write(file) && PendingSignal() == 0;
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
      return false;
    }
  };
}

// Writes the side files first, each as a new file, and the main file last,
// so the main file appears only when the export is complete. `failed`
// names the file that could not be written.
bool WriteFiles(ExportInput& scene, const std::string& outPath, Format format, const GltfLayout& layout,
                SideFiles& side, std::string& failed, bool& outOfMemory) {
  if (format == Format::Obj || format == Format::Gltf) {
    for (ExportTexture& t : scene.textures) {
      failed = TextureFileName(outPath, t.slot);
      auto png = [&t](std::FILE* f) { return std::fwrite(t.png.data(), 1, t.png.size(), f) == t.png.size(); };
      if (!side.Write(failed, Guarded(png, outOfMemory), t.file)) return false;
    }
  }
  std::string mtl;
  if (format == Format::Obj) {
    failed = ReplaceExtension(outPath, ".mtl");
    auto write = [&scene](std::FILE* f) { return WriteMtl(scene, f); };
    if (!side.Write(failed, Guarded(write, outOfMemory), mtl)) return false;
  }
  failed = outPath;
  return WriteFileSafely(outPath, Guarded([&](std::FILE* f) {
    switch (format) {
      case Format::Obj: return WriteObj(scene, BaseName(mtl), f);
      case Format::Stl: return WriteStl(scene, f);
      default: return WriteGltf(scene, layout, f);
    }
  }, outOfMemory));
}

bool Export(const std::string& scenePath, const std::string& outPath, SideFiles& side,
            std::string& error) {
  Format format = FormatOf(outPath);
  if (format == Format::Unknown) {
    error = "cannot export to '" + outPath + "': unknown format (use .obj, .stl, .gltf or .glb)";
    return false;
  }
  ExportInput scene;
  if (!ReadExportScene(scenePath, scene, error)) return false;
  GltfLayout layout;
  if ((format == Format::Gltf || format == Format::Glb) &&
      !LayOutGltf(scene, format == Format::Glb, layout, error)) {
    error = "cannot export to '" + outPath + "': " + error;
    return false;
  }
  std::string failed;
  bool outOfMemory = false;
  if (WriteFiles(scene, outPath, format, layout, side, failed, outOfMemory)) return true;
  side.Discard();
  error = outOfMemory ? NoMemory(outPath) : "cannot write '" + failed + "'";
  if (!outOfMemory && failed != outPath) error += " beside '" + outPath + "'";
  return false;
}
}  // namespace

bool ExportScene(const std::string& scenePath, const std::string& outPath, std::string& error) {
  SideFiles side;
  try {
    return Export(scenePath, outPath, side, error);
  } catch (const std::bad_alloc&) {
    side.Discard();
    error = NoMemory(outPath);
    return false;
  }
}

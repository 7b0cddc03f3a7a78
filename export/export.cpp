#include "export/export.h"

#include <algorithm>
#include <cctype>

#include "base/file.h"
#include "export/gltf.h"
#include "export/obj.h"
#include "export/scene_data.h"
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

// Writes the side files first and the main file last, so the main file
// appears only when the export is complete. `failed` names the file that
// could not be written.
bool WriteAll(const ExportInput& scene, const std::string& outPath, Format format,
              SideFiles& side, std::string& failed) {
  if (format == Format::Obj || format == Format::Gltf) {
    for (const ExportTexture& t : scene.textures) {
      failed = TextureFileName(outPath, t.slot);
      if (!side.WriteBytes(failed, t.png)) return false;
    }
  }
  std::string mtlPath = ReplaceExtension(outPath, ".mtl");
  if (format == Format::Obj) {
    failed = mtlPath;
    if (!side.Write(mtlPath, [&](std::FILE* f) { return WriteMtl(scene, outPath, f); })) return false;
  }
  failed = outPath;
  return WriteFileSafely(outPath, [&](std::FILE* f) {
    switch (format) {
      case Format::Obj: return WriteObj(scene, BaseName(mtlPath), f);
      case Format::Stl: return WriteStl(scene, f);
      case Format::Gltf: return WriteGltf(scene, outPath, false, f);
      case Format::Glb: return WriteGltf(scene, outPath, true, f);
      default: return false;
    }
  });
}
}  // namespace

bool ExportScene(const std::string& scenePath, const std::string& outPath, std::string& error) {
  Format format = FormatOf(outPath);
  if (format == Format::Unknown) {
    error = "cannot export to '" + outPath + "': unknown format (use .obj, .stl, .gltf or .glb)";
    return false;
  }
  ExportInput scene;
  if (!ReadExportScene(scenePath, scene, error)) return false;
  SideFiles side;
  std::string failed;
  if (!WriteAll(scene, outPath, format, side, failed)) {
    side.Discard();
    error = "cannot write '" + failed + "'";
    if (failed != outPath) error += " beside '" + outPath + "'";
    return false;
  }
  return true;
}

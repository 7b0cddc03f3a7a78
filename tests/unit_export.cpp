// Exports of one scene holding every shape, style and appearance, a
// negative size and rotations, read back by independent programs (assimp,
// admesh) and checked against figures computed here.
#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <tiny_gltf.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "export/export.h"
#include "scene/mesh.h"
#include "scene/transform.h"
#include "tests/test_support.h"

namespace {
namespace fs = std::filesystem;

struct Block {
  Vec3 size, rotation, position;
  char shape, solid;
  float red, green, blue;
};

// Object ids are file order. 3 (placeholder), 4 (unknown shape) and 7
// (flat) export nothing; the rest do not touch one another.
const Block kScene[] = {
    {{1, 1, 1}, {0, 0, 0}, {0, 0, 0}, 'c', 1, 0.25f, 1.5f, -0.5f},     // plain, clamped
    {{1, 1, 1}, {30, 40, 50}, {4, 0, 0}, 's', 0, -1, 0, 0},             // texture 1, wire
    {{-1, 2, 1}, {0, 0, 0}, {0, 4, 0}, 'y', 1, 0, -2, 0},               // preset 2, mirrored
    {{1, 1, 1}, {0, 0, 0}, {0, 0, 0}, 'l', 1, 1, 1, 1},                 // placeholder
    {{1, 1, 1}, {0, 0, 0}, {9, 9, 9}, 'q', 1, 0.5f, 0.5f, 0.5f},        // unknown shape
    {{2, 1, 1}, {0, 0, 90}, {-4, 0, 0}, 'c', 0, -2, 0, 0},              // texture 2, no image
    {{1, 1, 1}, {90, 0, 0}, {0, -4, 0}, 'y', 0, 0, -9, 0},              // unknown preset
    {{1, 0, 1}, {0, 0, 0}, {0, 0, 8}, 's', 1, 0.1f, 0.1f, 0.1f},        // flat
};
const int kExportedIds[] = {0, 1, 2, 5, 6};
const std::size_t kTriangles = 12 + 1200 + 100 + 12 + 100;
const std::size_t kGltfVertices = 24 + 602 + 102 + 24 + 102;  // split at creases

// A 2 x 3 texture, rows in file order (t = 0 first).
const unsigned char kTexels[3][2][3] = {
    {{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 255, 0}}, {{0, 255, 255}, {255, 0, 255}}};

std::string SceneText() {
  std::ostringstream text;
  char line[256];
  for (const Block& b : kScene) {
    text << "nextObject\n";
    for (const Vec3& v : {b.size, b.rotation, b.position}) {
      std::snprintf(line, sizeof line, "%f %f %f\n", v.x, v.y, v.z);
      text << line;
    }
    text << b.shape << ' ' << b.solid << '\n';
    std::snprintf(line, sizeof line, "%f %f %f\n", b.red, b.green, b.blue);
    text << line;
  }
  text << "EOF";
  return text.str();
}

std::string TgaBytes() {
  unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 3, 0, 24, 0};
  std::string bytes(reinterpret_cast<char*>(header), sizeof header);
  for (const auto& row : kTexels) {
    for (const auto& texel : row) bytes += {char(texel[2]), char(texel[1]), char(texel[0])};
  }
  return bytes;
}

SceneObject ObjectOf(int id) {
  SceneObject o;
  o.size = kScene[id].size;
  o.rotation = kScene[id].rotation;
  o.position = kScene[id].position;
  o.shape = kScene[id].shape;
  return o;
}

double Volume(const std::vector<Vec3d>& p, const std::vector<MeshTriangle>& triangles) {
  double v = 0;
  for (const MeshTriangle& t : triangles) {
    const Vec3d &a = p[t[0].position], &b = p[t[1].position], &c = p[t[2].position];
    v += (a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) +
          a.z * (b.x * c.y - b.y * c.x)) / 6;
  }
  return v;
}

// Expected totals, from the meshes placed here.
struct Expected {
  double volume = 0;
  Vec3d low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
};
Expected Figures() {
  Expected e;
  for (int id : kExportedIds) {
    const Mesh& mesh = *ShapeMesh(kScene[id].shape);
    const Vec3& s = kScene[id].size;
    e.volume += Volume(mesh.positions, mesh.triangles) * std::fabs(s.x * s.y * s.z);
    for (const Vec3d& own : mesh.positions) {
      Vec3d p = TransformPoint(ObjectMatrix(ObjectOf(id)), own);
      e.low = {std::min(e.low.x, p.x), std::min(e.low.y, p.y), std::min(e.low.z, p.z)};
      e.high = {std::max(e.high.x, p.x), std::max(e.high.y, p.y), std::max(e.high.z, p.z)};
    }
  }
  return e;
}

// Runs a command, returning its output (both streams).
std::string RunTool(const std::string& command) {
  std::string out;
  std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

// The number after `label` in a tool's report ("Faces:   1424").
double Field(const std::string& report, const std::string& label) {
  std::smatch m;
  std::regex pattern(label + R"(\s*:?\s*(-?[0-9.]+))");
  if (!std::regex_search(report, m, pattern)) {
    ADD_FAILURE() << "no '" << label << "' in:\n" << report;
    return NAN;
  }
  return std::stod(m[1]);
}

// An exported scene in a fresh folder, with its texture list: slot 1 the
// texture above, slot 2 a file that does not exist.
class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scene_ = dir_.File("every.scene");
    WriteFileBytes(scene_, SceneText());
    WriteFileBytes(dir_.File("tex.tga"), TgaBytes());
    WriteFileBytes(scene_ + ".tex", dir_.File("tex.tga") + "\n" + dir_.File("missing.tga") + "\n");
  }
  std::string Export(const std::string& name) {
    std::string error;
    EXPECT_TRUE(ExportScene(scene_, dir_.File(name), error)) << error;
    EXPECT_EQ(error, "");
    return dir_.File(name);
  }
  // What `assimp info` reports: counts, extents and mesh names.
  void ExpectAssimpReport(const std::string& path, const Expected& e) {
    std::string report = RunTool("assimp info '" + path + "'");
    ASSERT_NE(report.find("Importing file ...                   OK"), std::string::npos) << report;
    EXPECT_EQ(Field(report, "Meshes"), 5);
    EXPECT_EQ(Field(report, "Faces"), kTriangles);
    EXPECT_NE(report.find("Primitive Types:    triangles\n"), std::string::npos);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(report, m, std::regex(
        R"(Minimum point\s+\((\S+) (\S+) (\S+)\)\s+Maximum point\s+\((\S+) (\S+) (\S+)\))")));
    double box[6] = {e.low.x, e.low.y, e.low.z, e.high.x, e.high.y, e.high.z};
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(std::stod(m[k + 1]), box[k], 1e-5) << report;
    int mesh = 0;
    for (int id : kExportedIds) {
      std::string faces = std::to_string(ShapeMesh(kScene[id].shape)->triangles.size());
      std::regex line(std::to_string(mesh++) + R"( \(object_)" + std::to_string(id) +
                      R"(\): \[\d+ / 0 / )" + faces + R"( \| triangle\])");
      EXPECT_TRUE(std::regex_search(report, line)) << "object " << id << " in:\n" << report;
    }
  }
  TempDir dir_;
  std::string scene_;
};
}  // namespace

TEST_F(ExportTest, StlIsClosedFacesOutAndHoldsTheExpectedVolume) {
  std::string stl = Export("every.stl");
  std::string bytes = ReadFileBytes(stl);
  ASSERT_EQ(bytes.size(), 84 + 50 * kTriangles);
  std::uint32_t count;
  std::memcpy(&count, bytes.data() + 80, 4);
  EXPECT_EQ(count, kTriangles);
  // Each facet normal agrees with its corners' winding.
  for (std::size_t i = 0; i < kTriangles; ++i) {
    float f[12];
    std::memcpy(f, bytes.data() + 84 + 50 * i, sizeof f);
    float u[3] = {f[6] - f[3], f[7] - f[4], f[8] - f[5]}, v[3] = {f[9] - f[3], f[10] - f[4], f[11] - f[5]};
    float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    ASSERT_GT(n[0] * f[0] + n[1] * f[1] + n[2] * f[2], 0) << "facet " << i;
  }

  Expected e = Figures();
  std::string report = RunTool("admesh '" + stl + "'");
  ASSERT_NE(report.find("Binary STL file"), std::string::npos) << report;
  EXPECT_EQ(Field(report, "Number of facets"), kTriangles);
  EXPECT_EQ(Field(report, "Number of parts"), 5);
  EXPECT_EQ(Field(report, "Total disconnected facets"), 0);
  EXPECT_EQ(Field(report, "Degenerate facets"), 0);
  EXPECT_EQ(Field(report, "Facets reversed"), 0);
  EXPECT_EQ(Field(report, "Backwards edges"), 0);
  EXPECT_EQ(Field(report, "Normals fixed"), 0);
  EXPECT_NEAR(Field(report, "Volume"), e.volume, 1e-4);
  EXPECT_NEAR(Field(report, "Min X ="), e.low.x, 1e-5);
  EXPECT_NEAR(Field(report, "Max Y ="), e.high.y, 1e-5);
  EXPECT_NEAR(Field(report, "Min Z ="), e.low.z, 1e-5);
}

TEST_F(ExportTest, ObjGroupsMaterialsAndTexturesReadBack) {
  std::string obj = Export("every.obj");
  ExpectAssimpReport(obj, Figures());

  std::string mtl = ReadFileBytes(dir_.File("every.mtl"));
  EXPECT_NE(mtl.find("newmtl color_0\nKa 0.25 1 0\nKd 0.25 1 0\n"), std::string::npos) << mtl;
  EXPECT_NE(mtl.find("newmtl preset_2\nKa 0.1 0 0\nKd 0.1 0 0\n"), std::string::npos) << mtl;
  EXPECT_NE(mtl.find("newmtl default\nKa 0.8 0.8 0.8\n"), std::string::npos) << mtl;
  EXPECT_NE(mtl.find("map_Kd every.obj_texture1.png\n"), std::string::npos) << mtl;
  EXPECT_EQ(mtl.find("_texture2.png"), std::string::npos) << "slot 2 has no image";
  EXPECT_FALSE(fs::exists(dir_.File("every.obj_texture2.png")));

  // The sphere (object 1) carries the window's coordinates: s and t are its
  // own x and y, before its rotation and move.
  std::istringstream lines(ReadFileBytes(obj));
  std::string line, group;
  std::vector<Vec3d> v;
  std::vector<std::pair<double, double>> vt;
  std::map<std::string, std::string> materials;
  while (std::getline(lines, line)) {
    std::istringstream in(line);
    std::string tag;
    in >> tag;
    if (tag == "g") in >> group;
    if (tag == "usemtl") in >> materials[group];
    if (tag == "v") v.push_back({}), in >> v.back().x >> v.back().y >> v.back().z;
    if (tag == "vt") vt.push_back({}), in >> vt.back().first >> vt.back().second;
  }
  EXPECT_EQ(materials, (std::map<std::string, std::string>{{"object_0", "color_0"},
                                                           {"object_1", "texture_1"},
                                                           {"object_2", "preset_2"},
                                                           {"object_5", "texture_2"},
                                                           {"object_6", "default"}}));
  ASSERT_EQ(vt.size(), 602u);  // only the sphere is textured with an image
  Mat4 back;
  ASSERT_TRUE(Invert(ObjectMatrix(ObjectOf(1)), back));
  for (std::size_t i = 0; i < vt.size(); ++i) {
    Vec3d own = TransformPoint(back, v[8 + i]);  // the cube's 8 points come first
    EXPECT_NEAR(vt[i].first, own.x, 1e-5);
    EXPECT_NEAR(vt[i].second, own.y, 1e-5);
  }
}

TEST_F(ExportTest, GltfAndGlbReadBackWithNodesMaterialsAndTheTexture) {
  Expected e = Figures();
  for (bool binary : {false, true}) {
    SCOPED_TRACE(binary ? "glb" : "gltf");
    std::string path = Export(binary ? "every.glb" : "every.gltf");
    ExpectValidGltf(path);
    ExpectAssimpReport(path, e);
    std::string report = RunTool("assimp info '" + path + "'");
    EXPECT_EQ(Field(report, "Vertices"), kGltfVertices);
    EXPECT_EQ(Field(report, "Textures \\(embed\\.\\)"), binary ? 1 : 0);

    tinygltf::TinyGLTF loader;
    tinygltf::Model model;
    std::string error, warning;
    ASSERT_TRUE(binary ? loader.LoadBinaryFromFile(&model, &error, &warning, path)
                       : loader.LoadASCIIFromFile(&model, &error, &warning, path))
        << error;
    ASSERT_EQ(model.nodes.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(model.nodes[i].name, "object_" + std::to_string(kExportedIds[i]));
    ASSERT_EQ(model.materials.size(), 5u);
    EXPECT_EQ(model.materials[0].pbrMetallicRoughness.baseColorFactor,
              (std::vector<double>{0.25, 1, 0, 1}));
    EXPECT_EQ(model.materials[0].pbrMetallicRoughness.metallicFactor, 0);
    ASSERT_EQ(model.samplers.size(), 1u);
    EXPECT_EQ(model.samplers[0].wrapS, TINYGLTF_TEXTURE_WRAP_REPEAT);
    EXPECT_EQ(model.samplers[0].wrapT, TINYGLTF_TEXTURE_WRAP_REPEAT);
    EXPECT_EQ(model.images.at(0).uri, binary ? "" : "every.gltf_texture1.png");

    // The image shows the TGA with t = 0 at the bottom: its top row is the
    // TGA's last row in file order.
    const tinygltf::Image& image = model.images[0];
    ASSERT_EQ(image.width, 2);
    ASSERT_EQ(image.height, 3);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 2; ++x) {
        for (int c = 0; c < 3; ++c) {
          EXPECT_EQ(image.image[(y * 2 + x) * image.component + c], kTexels[2 - y][x][c]);
        }
      }
    }

    // The sphere's texture coordinates: (own x, 1 - own y), glTF images
    // running top down.
    const tinygltf::Primitive& sphere = model.meshes[1].primitives[0];
    ASSERT_EQ(sphere.attributes.count("TEXCOORD_0"), 1u);
    EXPECT_EQ(model.meshes[0].primitives[0].attributes.count("TEXCOORD_0"), 0u);
    auto floats = [&](int accessor) {
      const tinygltf::Accessor& a = model.accessors[accessor];
      const tinygltf::BufferView& view = model.bufferViews[a.bufferView];
      return reinterpret_cast<const float*>(model.buffers[view.buffer].data.data() +
                                            view.byteOffset + a.byteOffset);
    };
    const float* p = floats(sphere.attributes.at("POSITION"));
    const float* uv = floats(sphere.attributes.at("TEXCOORD_0"));
    Mat4 back;
    ASSERT_TRUE(Invert(ObjectMatrix(ObjectOf(1)), back));
    for (std::size_t i = 0; i < model.accessors[sphere.attributes.at("POSITION")].count; ++i) {
      Vec3d own = TransformPoint(back, {p[3 * i], p[3 * i + 1], p[3 * i + 2]});
      EXPECT_NEAR(uv[2 * i], own.x, 1e-5);
      EXPECT_NEAR(uv[2 * i + 1], 1 - own.y, 1e-5);
    }
  }
  // The .gltf's image beside it is the same picture as the one in the .glb.
  int w, h, channels;
  unsigned char* png = stbi_load(dir_.File("every.gltf_texture1.png").c_str(), &w, &h, &channels, 3);
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(std::memcmp(png, kTexels[2], 6), 0);
  stbi_image_free(png);
}

TEST_F(ExportTest, PrintsNothing) {
  ConsoleCapture console;
  Export("quiet.stl");
  EXPECT_EQ(console.Take(), "");
}

// A failed export leaves every name in the folder as it was.
TEST_F(ExportTest, FailuresLeaveNoFilesBehind) {
  // An object beyond single precision (3e38 + 3e38 / 2), after one that fits.
  WriteFileBytes(dir_.File("huge.scene"), "nextObject\n1 1 1\n0 0 0\n0 0 0\nc \x01\n0 0 0\n"
                                          "nextObject\n3e38 1 1\n0 0 0\n3e38 0 0\nc \x01\n0 0 0\nEOF");
  // 170,000 textured spheres: a .glb of more than 4 GiB.
  std::string spheres;
  for (int i = 0; i < 170000; ++i) spheres += "nextObject\n1 1 1\n0 0 0\n0 0 0\ns \x01\n-1 0 0\n";
  WriteFileBytes(dir_.File("spheres.scene"), spheres + "EOF");
  WriteFileBytes(dir_.File("spheres.scene.tex"), dir_.File("tex.tga") + "\n");
  struct Case {
    std::string scene, out, reason;
  } cases[] = {
      {scene_, dir_.File("every.ply"), "unknown format"},
      {scene_, dir_.File("every"), "unknown format"},
      {dir_.File("absent.scene"), dir_.File("out.stl"), "cannot read scene"},
      {dir_.path(), dir_.File("out.stl"), "cannot read scene"},  // a folder
      {scene_, dir_.File("no/such/folder/out.glb"), "cannot write"},
      // The main file cannot replace a folder; the side files written
      // before it must go again, and a link where the material library
      // would go must stay as it was.
      {scene_, dir_.File("taken.obj"), "cannot write"},
      {scene_, dir_.File("taken.gltf"), "cannot write"},
      {dir_.File("huge.scene"), dir_.File("huge.obj"), "cannot export object 1"},
      {dir_.File("huge.scene"), dir_.File("huge.glb"), "cannot export object 1"},
      {dir_.File("spheres.scene"), dir_.File("spheres.glb"), "bytes a .glb can hold"},
  };
  fs::create_directory(dir_.File("taken.obj"));
  fs::create_directory(dir_.File("taken.gltf"));
  fs::create_symlink("real.mtl", dir_.File("taken.mtl"));
  auto listing = [this] {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_.path())) names.insert(entry.path().filename());
    return names;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.out);
    auto before = listing();
    std::string error;
    EXPECT_FALSE(ExportScene(c.scene, c.out, error));
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_EQ(listing(), before);
  }
  EXPECT_EQ(fs::read_symlink(dir_.File("taken.mtl")), "real.mtl");
}

// Files beside the main one are new files with names of their own: exports
// of one scene to several formats keep their own images, and a name that
// is taken gets the next free one. Image addresses are percent-encoded.
TEST_F(ExportTest, SideFilesReplaceNothing) {
  WriteFileBytes(dir_.File("x y.gltf_texture1.png"), "mine");
  fs::create_symlink("real.mtl", dir_.File("x y.mtl"));
  const struct {
    const char* out;
    const char* names;  // in the exported file
  } rows[] = {
      {"x y.obj", "mtllib x y-2.mtl\n"},
      {"x y.gltf", R"("uri":"x%20y.gltf_texture1-2.png")"},
      {"x y.glb", R"("mimeType":"image/png")"},
  };
  for (const auto& row : rows) {
    std::string path = Export(row.out);
    EXPECT_NE(ReadFileBytes(path).find(row.names), std::string::npos) << row.out;
    if (row.out != std::string("x y.obj")) ExpectValidGltf(path);
  }
  EXPECT_NE(ReadFileBytes(dir_.File("x y-2.mtl")).find("map_Kd x y.obj_texture1.png\n"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(dir_.File("x y.gltf_texture1.png")), "mine");
  EXPECT_EQ(fs::read_symlink(dir_.File("x y.mtl")), "real.mtl");
  EXPECT_FALSE(fs::exists(dir_.File("real.mtl")));
}

TEST_F(ExportTest, ExtensionsAreMatchedWhateverTheirCase) {
  std::string error;
  EXPECT_TRUE(ExportScene(scene_, dir_.File("UPPER.STL"), error)) << error;
  EXPECT_EQ(ReadFileBytes(dir_.File("UPPER.STL")).size(), 84 + 50 * kTriangles);
}

TEST_F(ExportTest, AnEmptySceneExportsEmptyFiles) {
  WriteFileBytes(scene_, "EOF");
  std::string stl = Export("empty.stl");
  EXPECT_EQ(ReadFileBytes(stl).size(), 84u);
  tinygltf::TinyGLTF loader;
  tinygltf::Model model;
  std::string error, warning;
  EXPECT_TRUE(loader.LoadBinaryFromFile(&model, &error, &warning, Export("empty.glb"))) << error;
  EXPECT_TRUE(model.nodes.empty());
  for (const char* name : {"empty.glb", "empty.gltf"}) ExpectValidGltf(Export(name));
}

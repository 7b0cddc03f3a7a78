// Frames drawn in this process through DrawFrame, on a window of the
// editor's size and mode on the test display: retained geometry and skipping
// what cannot be seen must give exactly the pixels of drawing every object
// vertex by vertex.
#include <GL/glut.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "app/frame.h"
#include "export/export.h"
#include "io/scene_file.h"
#include "scene/draw.h"
#include "scene/transform.h"
#include "tests/e2e_support.h"

namespace {
using Pixels = std::vector<unsigned char>;

// The window and the editor's start-up (GL state, the example textures), once
// per process.
Editor& Window() {
  static bool open = [] {
    setenv("DISPLAY", TestDisplay().c_str(), 1);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    int argc = 1;
    char name[] = "e2e_draw";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH | GLUT_MULTISAMPLE);
    glutInitWindowSize(600, 600);
    glutCreateWindow("pixel check");
    char* cwd = getcwd(nullptr, 0);
    EXPECT_EQ(chdir(SourcePath("examples").c_str()), 0);
    InitScene("init.scene");
    EXPECT_EQ(chdir(cwd), 0);
    free(cwd);
    OnReshape(600, 600);
    return true;
  }();
  (void)open;
  return TheEditor();
}

Pixels Frame(const Editor& editor, bool firstFrame = false) {
  DrawFrame(editor, firstFrame);
  glFinish();
  Pixels pixels(600 * 600 * 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, 600, 600, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// Two frames the straightforward way, then two the fast way, the first of
// them flushing as a window's first frame does. The second frame of each
// pair shows the axes lit with the state the first left, so both fast
// frames must equal the second straightforward one.
void ExpectSamePixels(const Editor& editor, const std::string& what) {
  SetDrawPath(DrawPath::Immediate);
  Frame(editor);
  Pixels want = Frame(editor);
  SetDrawPath(DrawPath::Culled);
  Pixels first = Frame(editor, true);
  Pixels second = Frame(editor);
  EXPECT_TRUE(first == want) << what << ": first frame";
  EXPECT_TRUE(second == want) << what << ": second frame";
  int lit = 0;
  for (std::size_t i = 0; i < want.size(); i += 4) lit += want[i] + want[i + 1] + want[i + 2] > 0;
  EXPECT_GT(lit, 0) << what << ": nothing drawn";
}

SceneObject* Add(Editor& editor, char shape, char solid, float r, float g, float b, Vec3 position) {
  SceneObject* o = CreateObject(editor.objects);
  o->shape = shape, o->solid = solid, o->red = r, o->green = g, o->blue = b;
  o->position = position;
  o->rotation = {static_cast<float>(o->id * 37 % 360), static_cast<float>(o->id * 53 % 360), 0};
  return o;
}

// The appearances a colour triple can ask for: plain, every preset and one
// outside the table, textures of the list, the default one and one outside.
const float kColors[][3] = {{0.8f, 0.3f, 0.1f}, {0, 0, 0},  {0, -1, 0},  {0, -2, 0}, {0, -3, 0},
                            {0, -4, 0},         {0, -5, 0}, {0, -6, 0},  {0, -9, 0}, {-1, 0, 0},
                            {-2, 0.5f, 0},      {-3, 0, 0}, {-0.5f, 0, 0}, {-25, 0, 0}};
}  // namespace

TEST(DrawPixels, EveryShapeStyleAppearanceAndSelection) {
  Editor& editor = Window();
  ClearObjects(editor.objects);
  editor.camera = Camera{};
  editor.camera.position = {0, 0, 9};
  const char shapes[] = {'c', 's', 'y', 'l', 'q'};
  int i = 0;
  for (char shape : shapes) {
    for (char solid : {0, 1, 2}) {
      for (const float* c : kColors) {
        float x = (i % 14) * 0.9f - 5.85f, y = (i / 14) * 0.75f - 5.2f;
        Add(editor, shape, solid, c[0], c[1], c[2], {x, y, 0})->size = {0.4f, 0.4f, 0.4f};
        ++i;
      }
    }
  }
  // The selection frame over each kind of shape and style.
  for (SceneObject* o = editor.objects.first; o != nullptr; o = o->next) {
    if (o->id % 42 != 0 && o->next != nullptr) continue;
    editor.objects.current = o;
    ExpectSamePixels(editor, "current object " + std::to_string(o->id));
  }
}

TEST(DrawPixels, CameraInsideAndOutsideAScene) {
  Editor& editor = Window();
  ClearObjects(editor.objects);
  // A lattice around the origin, every appearance and shape mixed.
  int i = 0;
  for (int x = -6; x <= 6; x += 2) {
    for (int y = -6; y <= 6; y += 2) {
      for (int z = -6; z <= 6; z += 2, ++i) {
        const float* c = kColors[i % 14];
        SceneObject* o = Add(editor, "csy"[i % 3], i / 3 % 2, c[0], c[1], c[2],
                             {static_cast<float>(x), static_cast<float>(y), z + 5.0f});
        o->size = {0.3f + i % 5 * 0.2f, 0.5f, 0.3f + i % 7 * 0.1f};
      }
    }
  }
  // Odd sizes: negative, zero, a flat slab, huge; and NaN fields.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  Add(editor, 'c', 1, 0.2f, 0.9f, 0.2f, {3, 1, 5})->size = {-1, -2, -0.5f};
  Add(editor, 's', 1, 0.9f, 0.9f, 0.2f, {-3, 1, 5})->size = {0, 0, 0};
  Add(editor, 'c', 1, 0.9f, 0.2f, 0.9f, {0, -9, 5})->size = {40, 0.1f, 40};
  Add(editor, 's', 0, 0.2f, 0.2f, 0.9f, {0, 0, -1000})->size = {1e4f, 1e4f, 1e4f};
  Add(editor, 'y', 1, 0.5f, 0.5f, 0.9f, {nan, 0, 0});
  Add(editor, 'c', 1, 0.5f, 0.5f, 0.9f, {1, 1, 1})->size = {nan, 1, 1};
  SceneObject* last = Add(editor, 'c', 0, 0.9f, 0.5f, 0.2f, {0.5f, 0.5f, 6});
  Add(editor, 'l', 1, -1, 0, 0, {0, 0, 0});  // draws nothing, leaves texturing on

  struct View { Vec3 position; float yaw, pitch; const char* what; };
  const View views[] = {{{0, 0, 40}, 0, 0, "outside, looking at it all"},
                        {{0, 0, 5}, 0, 0, "inside, looking along -z"},
                        {{0.5f, -0.5f, 5}, 30, 10, "inside, turned"},
                        {{1, 1, 5}, 170, -35, "inside, looking back and down"},
                        {{0, 0, 5}, 90, 89, "inside, looking almost straight up"}};
  for (const View& v : views) {
    editor.camera = Camera{};
    editor.camera.position = v.position;
    editor.camera.yaw = v.yaw, editor.camera.pitch = v.pitch;
    // The last object with geometry in view and out of it, selected or not.
    for (int variant = 0; variant < 3; ++variant) {
      last->position.z = variant == 0 ? 6 : -500;
      editor.objects.current = variant == 0 ? editor.objects.first : variant == 1 ? last : nullptr;
      ExpectSamePixels(editor, v.what + std::string(" variant ") + std::to_string(variant));
    }
    // Inside the lattice most objects are out of view and really skipped.
    Frustum frustum = MakeFrustum(ProjectionMatrix(600, 600), ViewMatrix(editor.camera), 600, 600);
    int shown = 0;
    for (const SceneObject* o = editor.objects.first; o != nullptr; o = o->next) {
      shown += MayBeVisible(*o, frustum);
    }
    EXPECT_TRUE(v.position.z > 10 || shown < editor.objects.count / 2) << v.what;
  }
}

// Skipping an object may leave out its geometry only because no shape
// changes the normal GL starts with, which the next frame's axes are lit by.
TEST(DrawPixels, EveryShapeLeavesTheFirstNormal) {
  Editor& editor = Window();
  for (DrawPath path : {DrawPath::Immediate, DrawPath::Culled}) {
    SetDrawPath(path);
    for (int i = 0; i < 6; ++i) {
      SceneObject o;
      o.shape = "csy"[i % 3], o.solid = i / 3;
      glNormal3f(0, 0, 1);
      DrawObject(o, editor.textures);
      GLfloat n[3];
      glGetFloatv(GL_CURRENT_NORMAL, n);
      EXPECT_TRUE(n[0] == 0 && n[1] == 0 && n[2] == 1) << o.shape << int{o.solid};
    }
  }
}

// Textures lie on the window's shapes where the export's texture coordinates
// put them. Each object is drawn through the editor's own code with a
// texture whose texels show their column (red) and row (green); every face
// turned to the eye is looked up at its centre and must show the texel its
// exported coordinates name there.
TEST(DrawPixels, ExportedTextureCoordinatesMatchTheWindow) {
  Editor& editor = Window();
  constexpr int kTexels = 32;
  std::vector<unsigned char> texels;
  for (int i = 0; i < kTexels * kTexels; ++i) {
    texels.insert(texels.end(), {static_cast<unsigned char>(i % kTexels * 8 + 4), static_cast<unsigned char>(i / kTexels * 8 + 4), 0});
  }
  TextureTable table;
  glGenTextures(1, &table.names[1]);
  glBindTexture(GL_TEXTURE_2D, table.names[1]);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kTexels, kTexels, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);  // the texel itself, unlit
  glDisable(GL_MULTISAMPLE);
  editor.textureBackend.enableTexGen();
  TempDir dir;
  WriteFileBytes(dir.File("t.tga"), std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0\0\0\0", 21));
  WriteFileBytes(dir.File("t.scene.tex"), dir.File("t.tga") + "\n");
  GLdouble view[16], projection[16];
  GLint viewport[4];
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(0, 0, kViewOffset, 0, 0, 0, 0, 1, 0);  // where DrawObject puts objects
  glGetDoublev(GL_MODELVIEW_MATRIX, view);
  glLoadIdentity();
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);

  // Every side of each shape, the cylinder's caps and side, and a mirror.
  const struct { char shape; Vec3 size, rotation; } objects[] = {
      {'c', {2, 2, 2}, {30, 40, 0}},  {'c', {2, 2, 2}, {-30, 220, 0}}, {'s', {1, 1, 1}, {20, 30, 0}},
      {'s', {1, 1, 1}, {200, 10, 0}}, {'y', {1, 1, 1}, {0, 0, 0}},     {'y', {1, 1, 1}, {0, 180, 0}},
      {'y', {1, 1, 1}, {90, 0, 0}},   {'y', {1, 1, 1}, {0, 100, 0}},   {'y', {-1, 1, 1}, {20, 150, 0}}};
  for (const auto& row : objects) {
    SCOPED_TRACE(std::string(1, row.shape) + " turned " + std::to_string(row.rotation.y));
    ObjectList list;
    SceneObject& object = *CreateObject(list);
    object = MakeObject(row.shape, row.size, row.rotation, {0, 0, 0});
    object.red = -1;  // texture slot 1
    std::string error;
    ASSERT_TRUE(SaveScene(list, dir.File("t.scene")));
    ASSERT_TRUE(ExportScene(dir.File("t.scene"), dir.File("t.obj"), error)) << error;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawObjectImmediate(object, table);
    glFinish();

    // Each triangle of the export turned well towards the eye, at its centre
    // and three points between the centre and its corners.
    std::istringstream obj(ReadFileBytes(dir.File("t.obj")));
    std::vector<Vec3d> v, vt;
    int checked = 0;
    for (std::string line, tag; std::getline(obj, line);) {
      std::istringstream in(line);
      in >> tag;
      if (tag == "v" || tag == "vt") {
        std::vector<Vec3d>& list = tag == "v" ? v : vt;
        list.emplace_back();
        in >> list.back().x >> list.back().y >> list.back().z;  // a "vt" has no z: 0
      }
      if (tag != "f") continue;
      Vec3d p[3], st[3];
      for (int k = 0; k < 3; ++k) {
        int position = 0, texcoord = 0;
        char slash;
        in >> position >> slash >> texcoord >> line;
        p[k] = v[position - 1], st[k] = vt[texcoord - 1];
      }
      auto sub = [](const Vec3d& a, const Vec3d& b) { return Vec3d{a.x - b.x, a.y - b.y, a.z - b.z}; };
      auto dot = [](const Vec3d& a, const Vec3d& b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
      Vec3d u = sub(p[1], p[0]), w = sub(p[2], p[0]), eye = sub({0, 0, kViewOffset}, p[0]);
      Vec3d n{u.y * w.z - u.z * w.y, u.z * w.x - u.x * w.z, u.x * w.y - u.y * w.x};
      const bool facing = dot(n, eye) > 0.3 * std::sqrt(dot(n, n) * dot(eye, eye));
      for (int point = 0; point < 4 && facing; ++point) {
        double weight[3] = {1 / 3.0, 1 / 3.0, 1 / 3.0};
        if (point > 0) weight[0] = weight[1] = weight[2] = 1 / 6.0, weight[point - 1] = 2 / 3.0;
        Vec3d at, want;
        for (int k = 0; k < 3; ++k) {
          at = {at.x + weight[k] * p[k].x, at.y + weight[k] * p[k].y, at.z + weight[k] * p[k].z};
          want = {want.x + weight[k] * st[k].x, want.y + weight[k] * st[k].y};
        }
        GLdouble x, y, z;
        gluProject(at.x, at.y, at.z, view, projection, viewport, &x, &y, &z);
        unsigned char pixel[3];
        glReadPixels(static_cast<int>(x), static_cast<int>(y), 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel);
        auto texel = [](double c) { return static_cast<int>(std::floor((c - std::floor(c)) * kTexels)); };
        auto near = [](int a, int b) { return (a - b + kTexels + 1) % kTexels <= 2; };  // a texel either way
        EXPECT_TRUE(near(pixel[0] / 8, texel(want.x)) && near(pixel[1] / 8, texel(want.y)))
            << "at (" << at.x << ", " << at.y << ", " << at.z << "): window texel " << pixel[0] / 8 << ", "
            << pixel[1] / 8 << ", exported " << texel(want.x) << ", " << texel(want.y);
        ++checked;
      }
    }
    EXPECT_GT(checked, 8);
  }
  glDeleteTextures(1, &table.names[1]);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_MULTISAMPLE);
}

// Undo and redo, click to select and the selection frame, through real X
// events against the running editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "camera/camera.h"
#include "scene/transform.h"
#include "tests/e2e_support.h"

namespace {
constexpr int kSize = 600;  // the window is 600 x 600

// Where points of one object's space land in the window, as the editor
// draws it from its start view at (0, 0, 4).
struct Projector {
  Mat4 toClip, toWorld;
  explicit Projector(const SceneObject& object) : toWorld(DrawnObjectMatrix(object)) {
    Camera camera;
    camera.position = {0, 0, 4};
    toClip = ProjectionMatrix(kSize, kSize) * ViewMatrix(camera) * toWorld;
  }
  // Window coordinates (y down), continuous: pixel (i, j) covers [i, i + 1).
  void Window(const Vec3d& p, double& x, double& y) const {
    Vec3d c = TransformPoint(toClip, p);
    double w = toClip.at(3, 0) * p.x + toClip.at(3, 1) * p.y + toClip.at(3, 2) * p.z + toClip.at(3, 3);
    x = (c.x / w + 1) / 2 * kSize;
    y = (1 - c.y / w) / 2 * kSize;
  }
  // True when the surface with object-space normal n at p faces the eye.
  bool Faces(const Vec3d& p, const Vec3d& n) const {
    Vec3d at = TransformPoint(toWorld, p), dir = TransformDirection(toWorld, n);
    return dir.x * (0 - at.x) + dir.y * (0 - at.y) + dir.z * (4 - at.z) > 0;
  }
};

SceneObject Object(char shape, Vec3 rotation, Vec3 position) {
  SceneObject o;
  o.shape = shape;
  o.rotation = rotation;
  o.position = position;
  return o;
}

std::string Block(const SceneObject& o, const char* color) {
  auto v = [](const Vec3& a) {
    return std::to_string(a.x) + " " + std::to_string(a.y) + " " + std::to_string(a.z) + "\n";
  };
  return "nextObject\n" + v(o.size) + v(o.rotation) + v(o.position) + o.shape + " \x01\n" + color +
         "\n";
}

int Brightness(const Rgb& c) { return c.r + c.g + c.b; }

// One line of a wire frame in object space, sampled: points, and whether
// the surface there faces the eye.
struct FrameLine {
  std::vector<Vec3d> points;
  std::vector<bool> facing;
};

// The cube's twelve edges; an edge faces the eye when one of its two faces does.
std::vector<FrameLine> CubeEdges(const Projector& view) {
  std::vector<FrameLine> lines;
  for (int axis = 0; axis < 3; ++axis) {
    for (double sb : {-0.5, 0.5}) {
      for (double sc : {-0.5, 0.5}) {
        auto at = [&](double a) {
          double v[3];
          v[axis] = a, v[(axis + 1) % 3] = sb, v[(axis + 2) % 3] = sc;
          return Vec3d{v[0], v[1], v[2]};
        };
        double nb[3] = {0, 0, 0}, nc[3] = {0, 0, 0};
        nb[(axis + 1) % 3] = sb * 2, nc[(axis + 2) % 3] = sc * 2;
        Vec3d faceB{nb[0] / 2, nb[1] / 2, nb[2] / 2}, faceC{nc[0] / 2, nc[1] / 2, nc[2] / 2};
        bool facing = view.Faces(faceB, {nb[0], nb[1], nb[2]}) || view.Faces(faceC, {nc[0], nc[1], nc[2]});
        FrameLine line;
        for (int i = 0; i <= 40; ++i) {
          line.points.push_back(at(-0.5 + i / 40.0));
          line.facing.push_back(facing && i >= 4 && i <= 36);  // away from the corners
        }
        lines.push_back(line);
      }
    }
  }
  return lines;
}

// The wire sphere's 24 parallels and 25 meridians (its pole along z).
std::vector<FrameLine> SphereLines(const Projector& view) {
  const double pi = std::acos(-1.0);
  auto line = [&](const std::function<Vec3d(double)>& point) {
    FrameLine l;
    for (int i = 0; i <= 200; ++i) {
      Vec3d p = point(i / 200.0);
      l.points.push_back(p);
      // Clearly facing the eye, not grazing the outline.
      Vec3d at = TransformPoint(view.toWorld, p);
      double ex = -at.x, ey = -at.y, ez = 4 - at.z, len = std::sqrt(ex * ex + ey * ey + ez * ez);
      l.facing.push_back(view.Faces(p, p) &&
                         (p.x * ex + p.y * ey + p.z * ez) / len > 0.5);
    }
    return l;
  };
  std::vector<FrameLine> lines;
  for (int i = 1; i < 25; ++i) {
    double theta = pi * i / 25;
    lines.push_back(line([=](double u) {
      return Vec3d{std::sin(theta) * std::cos(2 * pi * u), std::sin(theta) * std::sin(2 * pi * u),
                   std::cos(theta)};
    }));
  }
  for (int j = 0; j < 25; ++j) {
    double phi = 2 * pi * j / 25;
    lines.push_back(line([=](double u) {
      return Vec3d{std::sin(pi * u) * std::cos(phi), std::sin(pi * u) * std::sin(phi), std::cos(pi * u)};
    }));
  }
  return lines;
}

double DistanceToSegment(double px, double py, double ax, double ay, double bx, double by) {
  double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
  double t = len2 > 0 ? std::fmax(0, std::fmin(1, ((px - ax) * dx + (py - ay) * dy) / len2)) : 0;
  return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// Checks a frame drawn over an object: `framed` against `plain`, the same
// view without it. Every changed pixel lies on or next to one of the frame's
// lines, and every line facing the eye shows lighter along most of it.
void ExpectFrame(const Screenshot& framed, const Screenshot& plain, const Projector& view,
                 const std::vector<FrameLine>& lines) {
  std::vector<std::array<double, 4>> segments;
  for (const FrameLine& line : lines) {
    for (std::size_t i = 1; i < line.points.size(); ++i) {
      std::array<double, 4> s;
      view.Window(line.points[i - 1], s[0], s[1]);
      view.Window(line.points[i], s[2], s[3]);
      segments.push_back(s);
    }
  }
  int changed = 0, stray = 0;
  for (int y = 0; y < framed.height; ++y) {
    for (int x = 0; x < framed.width; ++x) {
      const Rgb a = framed.At(x, y), b = plain.At(x, y);
      if (a.r == b.r && a.g == b.g && a.b == b.b) continue;
      ++changed;
      double nearest = 1e9;
      for (const auto& s : segments) {
        nearest = std::fmin(nearest, DistanceToSegment(x + 0.5, y + 0.5, s[0], s[1], s[2], s[3]));
      }
      if (nearest > 2) ++stray;
    }
  }
  EXPECT_GT(changed, 0);
  EXPECT_EQ(stray, 0) << "pixels changed away from the frame";

  for (std::size_t n = 0; n < lines.size(); ++n) {
    int samples = 0, shown = 0;
    for (std::size_t i = 0; i < lines[n].points.size(); ++i) {
      if (!lines[n].facing[i]) continue;
      double wx, wy;
      view.Window(lines[n].points[i], wx, wy);
      int x = static_cast<int>(wx), y = static_cast<int>(wy);
      // Lines are a pixel wide: the one under the point or a neighbour.
      int lighter = -1000;
      for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
          lighter = std::max(lighter, Brightness(framed.At(x + dx, y + dy)) -
                                          Brightness(plain.At(x + dx, y + dy)));
        }
      }
      ++samples;
      if (lighter >= 60) ++shown;
    }
    if (samples < 10) continue;  // a line too short in view to judge
    EXPECT_GE(shown, samples * 8 / 10) << "line " << n << ": " << shown << " of " << samples;
  }
}
}  // namespace

TEST(Selection, FrameShowsAlongEveryFacingLineAndNothingElseChanges) {
  TempDir dir;
  // Below the axes, which would otherwise cross in front of the frames.
  SceneObject cube = Object('c', {30, 40, 0}, {-1.5f, -1.2f, 0});
  SceneObject sphere = Object('s', {0, 0, 0}, {1.5f, -1.2f, 0});
  SceneObject nothing = Object('l', {0, 0, 0}, {0, 0, 0});
  WriteFileBytes(dir.File("init.scene"), Block(cube, "0.2 0.4 0.8") +
                                             Block(sphere, "0.8 0.3 0.2") +
                                             Block(nothing, "1 1 1") + "EOF");
  EditorProcess editor(dir.path());
  ASSERT_TRUE(editor.WaitForOutput("Objects loaded: 3\n\n\n"));
  // The first frame places the light before any view is set; from the
  // second frame on every picture is lit alike.
  editor.Keys("Next");
  Screenshot cubeFramed = editor.Shoot();  // the first object is current
  editor.Keys("Prior");
  Screenshot sphereFramed = editor.Shoot();
  editor.Keys("Prior");
  Screenshot plain = editor.Shoot();  // the placeholder draws no frame
  {
    SCOPED_TRACE("cube");
    ExpectFrame(cubeFramed, plain, Projector(cube), CubeEdges(Projector(cube)));
  }
  {
    SCOPED_TRACE("sphere");
    ExpectFrame(sphereFramed, plain, Projector(sphere), SphereLines(Projector(sphere)));
  }
  editor.Keys("ctrl+a");  // every selected object shows its frame, each as when alone
  Screenshot allFramed = editor.Shoot();
  int differing = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      auto same = [&](const Screenshot& a, const Screenshot& b) {
        Rgb p = a.At(x, y), q = b.At(x, y);
        return p.r == q.r && p.g == q.g && p.b == q.b;
      };
      const Screenshot& alone = !same(cubeFramed, plain) ? cubeFramed : sphereFramed;
      differing += !same(allFramed, alone);
    }
  }
  EXPECT_EQ(differing, 0);
  editor.ExpectExitOn("Escape");
}

TEST(Selection, ClicksSelectTheObjectUnderThePointerAndThenTheOneBehind) {
  TempDir dir;
  SceneObject back = Object('c', {0, 0, 0}, {0, 0, -1});
  SceneObject front = Object('c', {0, 0, 0}, {0.3f, 0.2f, 1});
  SceneObject ball = Object('s', {0, 0, 0}, {-2.5f, 1, 0});
  WriteFileBytes(dir.File("init.scene"),
                 Block(back, "0.5 0.5 0.5") + Block(front, "0.1 0.6 0.1") + Block(ball, "0.7 0.7 0.1") + "EOF");
  EditorProcess editor(dir.path());
  ASSERT_TRUE(editor.WaitForOutput("Objects loaded: 3\n\n\n"));
  double x, y, bx, by;
  Projector(front).Window({0, 0, 0}, x, y);  // the front cube's centre; the back one is behind it
  Projector(ball).Window({0, 0, 0.9}, bx, by);
  std::size_t from = editor.Output().size();
  editor.Click(static_cast<int>(x), static_cast<int>(y));
  ASSERT_TRUE(editor.WaitForOutput("Selected object 1\n", 10, from));
  editor.Click(static_cast<int>(x), static_cast<int>(y));
  ASSERT_TRUE(editor.WaitForOutput("Selected object 0\n", 10, from));
  editor.Click(static_cast<int>(bx), static_cast<int>(by));
  ASSERT_TRUE(editor.WaitForOutput("Selected object 2\n", 10, from));

  Screenshot before = editor.Shoot();
  editor.Click(590, 10);  // empty space: nothing printed, nothing moves
  editor.Keys("p");
  ASSERT_TRUE(editor.WaitForOutput("ID: 2\n", 10, from));
  EXPECT_EQ(editor.Output().substr(from),
            "Selected object 1\nSelected object 0\nSelected object 2\n" +
                InfoBlock(2, "1.000000, 1.000000, 1.000000", "0.000000, 0.000000, 0.000000",
                          "-2.500000, 1.000000, 0.000000", 's', "0.700000, 0.700000, 0.100000"));
  EXPECT_TRUE(editor.Shoot() == before);
  editor.ExpectExitOn("Escape");
}

TEST(Undo, KeysUndoAndRedoToByteIdenticalSaves) {
  TempDir dir;
  WriteFileBytes(dir.File("init.scene"),
                 "nextObject\n1.3 0.7 2.1\n10.5 -20.25 3.3\n0.1 -0.2 0.3\nc \x01\n0.123 0.456 0.789\n"
                 "nextObject\n0.9 0.9 0.9\n0 45 0\n-1.7 1.1 0\ns \x01\n-2.5 0 0\nEOF");
  EditorProcess editor(dir.path());
  ASSERT_TRUE(editor.WaitForOutput("Objects loaded: 2\n\n\n"));
  editor.Type("a.scene\nb.scene\nc.scene\nd.scene\n");
  std::size_t from = editor.Output().size();
  editor.Keys("ctrl+s Prior ctrl+w ctrl+d F3 Right Right Right Up ctrl+n exclam ctrl+s");
  editor.Keys("ctrl+z ctrl+z ctrl+z ctrl+z ctrl+z ctrl+z ctrl+s");
  editor.Keys("ctrl+y ctrl+shift+z ctrl+y ctrl+shift+z ctrl+y ctrl+y ctrl+s");
  ASSERT_TRUE(editor.WaitForOutput("Nothing to redo!\nSave scene as: ", 10, from));
  editor.Keys("F1");
  ASSERT_TRUE(editor.WaitForOutput("(click again for the one behind)\n", 10, from));
  std::string a = ReadFileBytes(dir.File("a.scene")), b = ReadFileBytes(dir.File("b.scene"));
  EXPECT_NE(a, b);
  EXPECT_EQ(ReadFileBytes(dir.File("c.scene")), a);
  EXPECT_EQ(ReadFileBytes(dir.File("d.scene")), b);
  std::string out = editor.Output().substr(from);
  EXPECT_NE(out.find("Undone: texture object 2\nUndone: new object 2\nUndone: move object 1\n"
                     "Undone: duplicate object 0\nUndone: delete object 1\nNothing to undo!\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("Redone: delete object 1\nRedone: duplicate object 0\nRedone: move object 1\n"
                     "Redone: new object 2\nRedone: texture object 2\nNothing to redo!\n"),
            std::string::npos)
      << out;
  editor.ExpectExitOn("Escape");
}

// Two of three objects selected (Ctrl+A, then a Shift+click takes the middle
// one out): each group of keys must save the bytes the same keys give each
// object on its own, and undo at once.
TEST(GroupEdits, SaveWhatTheSameKeysGiveEachObjectAloneAndUndoAsOneStepEach) {
  struct Case {
    const char* keys;
    const char* typed;  // the prompts' answers
    int steps;
  } cases[] = {
      {"F3 Right Right Up Home F2 Left End F4 Up Right End F5 Up Down Home", "", 4},
      {"3 numbersign b minus Insert 6", "", 6},
      {"g", "0.5,,0.25\n", 1},
      {"F2 Return F3 Return F4 Return F5 Return", "2 3\n, 7\n90\n1.5 -0.5 0.3\n", 4},
      {"F3 Tab F2 Tab F4 Tab F5 Tab", "2\n0.5 0.5 0.5\n0 90 0\n0.9 x 0.9\n", 4},
  };
  SceneObject middle = Object('s', {0, 0, 0}, {0, 1, 0});
  middle.size = {0.5f, 0.5f, 0.5f};
  const std::string scene = "nextObject\n1 2 0.5\n10 20 30\n-2 -1 0\nc \x01\n0.2 0.4 0.6\n" +
                            Block(middle, "0.9 0.1 0.3") + "nextObject\n0.7 0.7 1.5\n0 45 0\n2 -1 0\ny " +
                            std::string(1, '\0') + "\n0 -3 0\nEOF";
  double x, y;
  Projector(middle).Window({0, 0, 0}, x, y);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    TempDir dir;
    WriteFileBytes(dir.File("init.scene"), scene);
    EditorProcess editor(dir.path());
    ASSERT_TRUE(editor.WaitForOutput("Objects loaded: 3\n\n\n"));
    editor.Type(std::string("start.scene\n") + c.typed + "group.scene\nundone.scene\n" + c.typed + c.typed +
                "alone.scene\n");
    std::size_t from = editor.Output().size();
    editor.Keys("ctrl+s ctrl+a");
    editor.Click(static_cast<int>(x), static_cast<int>(y), 1, "shift");
    ASSERT_TRUE(editor.WaitForOutput("Selected 3 objects\nSelected 2 objects\n", 10, from));
    editor.Keys(std::string(c.keys) + " ctrl+s");
    for (int i = 0; i <= c.steps; ++i) editor.Keys("ctrl+z");
    editor.Keys(std::string("ctrl+s Next ") + c.keys + " Prior Prior " + c.keys + " ctrl+s");
    editor.ExpectExitOn("Escape");  // after every key before it
    const std::string out = editor.Output().substr(from);
    EXPECT_EQ(out.find("Nothing to undo!"), out.rfind("Nothing to undo!"));  // one undo a group
    const std::string group = ReadFileBytes(dir.File("group.scene"));
    EXPECT_NE(group, ReadFileBytes(dir.File("start.scene")));
    EXPECT_EQ(group, ReadFileBytes(dir.File("alone.scene")));
    EXPECT_EQ(ReadFileBytes(dir.File("undone.scene")), ReadFileBytes(dir.File("start.scene")));
  }
}

#include "app/frame.h"

#include <GL/glu.h>
#include <GL/glut.h>

#include "base/console.h"
#include "camera/framing.h"
#include "io/scene_file.h"
#include "scene/draw.h"

Editor& TheEditor() {
  static Editor editor;
  return editor;
}

void InitScene(const std::string& sceneName) {
  Editor& editor = TheEditor();
  editor.textureBackend = OpenGLTextures();
  Print("Welcome to Quillmar Modeler.\n\n  Press F1 for Help.\n\n\n");
  glClearColor(0, 0, 0, 0);
  glShadeModel(GL_SMOOTH);
  // Every material the editor sets has this shininess. Starting with it
  // lets the first frame's axes share their lighting program with the
  // objects, one program fewer for the GL to compile; it shows nowhere,
  // since no material has a specular colour before a preset gives one.
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, kShininess);

  // An invisible placeholder stays current until a scene is loaded.
  SceneObject* placeholder = CreateObject(editor.objects);
  editor.objects.current = placeholder;
  placeholder->shape = 'l';
  placeholder->red = placeholder->green = placeholder->blue = 1;

  glEnable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  LoadScene(editor.objects, sceneName);
  LoadStartupTextures(editor.textures, editor.textureBackend, sceneName);
  FlushConsole();

  editor.camera = StartCamera();
  glutPostRedisplay();
}

void OnReshape(int width, int height) {
  TheEditor().windowWidth = width;
  TheEditor().windowHeight = height;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(kFieldOfViewY, static_cast<double>(width) / (height > 0 ? height : 1),
                 kNearPlane, kFarPlane);
  glMatrixMode(GL_MODELVIEW);
  glViewport(0, 0, width, height);
}

// The editor's key and button codes mirror GLUT's.
static_assert(kKeyF1 == GLUT_KEY_F1 && kKeyF12 == GLUT_KEY_F12, "function keys");
static_assert(kKeyLeft == GLUT_KEY_LEFT && kKeyUp == GLUT_KEY_UP && kKeyRight == GLUT_KEY_RIGHT &&
                  kKeyDown == GLUT_KEY_DOWN, "arrow keys");
static_assert(kKeyPageUp == GLUT_KEY_PAGE_UP && kKeyPageDown == GLUT_KEY_PAGE_DOWN &&
                  kKeyHome == GLUT_KEY_HOME && kKeyEnd == GLUT_KEY_END &&
                  kKeyInsert == GLUT_KEY_INSERT, "paging keys");
static_assert(kButtonLeft == GLUT_LEFT_BUTTON && kButtonMiddle == GLUT_MIDDLE_BUTTON &&
                  kButtonRight == GLUT_RIGHT_BUTTON && kMouseDown == GLUT_DOWN &&
                  kMouseUp == GLUT_UP, "mouse buttons");
static_assert(kModShift == GLUT_ACTIVE_SHIFT && kModCtrl == GLUT_ACTIVE_CTRL &&
                  kModAlt == GLUT_ACTIVE_ALT, "key modifiers");

namespace {
// The selection frame is drawn at this fraction of its distance from the eye.
constexpr double kFramePull = 0.995;
// A first frame flushes after each of its first objects; past these, new
// kinds of object (and compiling for them) are rare.
constexpr int kFirstFrameFlushes = 64;
}  // namespace

void DrawFrame(const Editor& editor, bool firstFrame) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // Placed before the model-view reset, so the light lives in the previous
  // frame's camera space.
  const GLfloat light[4] = {editor.light.x, editor.light.y, editor.light.z, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, light);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  glLoadIdentity();
  ApplyView(editor.camera);

  // The axes take whatever colour and material the last frame left.
  glBegin(GL_LINES);
  glVertex3f(-99, 0, 0);
  glVertex3f(99, 0, 0);
  glVertex3f(0, -99, 0);
  glVertex3f(0, 99, 0);
  glVertex3f(0, 0, -99);
  glVertex3f(0, 0, 99);
  glEnd();

  glColor3f(0.5f, 0.5f, 0.5f);
  const int width = editor.windowWidth, height = editor.windowHeight;
  const Mat4 projection = ProjectionMatrix(width, height);
  DrawObjects(editor.objects, editor.textures,
              MakeFrustum(projection, ViewMatrix(editor.camera), width, height),
              firstFrame ? kFirstFrameFlushes : 0);
  // Every selected object again, as a white wire frame. Its lines lie on the
  // object's own faces and would lose many of their depth tests to them,
  // so the frames alone are pulled a hair toward the eye: scaling eye space
  // about the eye keeps every point on its pixel and changes only its depth.
  // The frame's filled parts (a cylinder's caps) coincide with the object's
  // and never showed; they are culled rather than pulled over it. Frames
  // out of view are skipped, but the current object's is drawn last and
  // always, so every frame leaves the GL state as one frame would.
  const SceneObject* current = editor.objects.current;
  if (current == nullptr) return;
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glScaled(kFramePull, kFramePull, kFramePull);
  glMatrixMode(GL_MODELVIEW);
  GLboolean culling = glIsEnabled(GL_CULL_FACE);
  GLint cullMode = GL_BACK;
  glGetIntegerv(GL_CULL_FACE_MODE, &cullMode);
  glEnable(GL_CULL_FACE);
  glCullFace(GL_FRONT_AND_BACK);
  const Frustum pulled = MakeFrustum(projection * Scaling(kFramePull, kFramePull, kFramePull),
                                     ViewMatrix(editor.camera), width, height);
  auto drawFrame = [&](const SceneObject& object) {
    SceneObject overlay = object;
    overlay.solid = 0;
    overlay.red = overlay.green = overlay.blue = 1;
    DrawObject(overlay, editor.textures);
  };
  for (const SceneObject* other : editor.selection.others) {
    if (MayBeVisible(*other, pulled)) drawFrame(*other);
  }
  drawFrame(*current);
  glCullFace(static_cast<GLenum>(cullMode));
  if (!culling) glDisable(GL_CULL_FACE);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

void OnDisplay() {
  static bool shown = false;
  DrawFrame(TheEditor(), !shown);
  shown = true;
  glFlush();
  glutSwapBuffers();
}

namespace {
// The end of an event: the journal learns whether the scene is unsaved, and
// the console shows what the event printed before the window redraws.
void Finish(Outcome outcome) {
  Editor& editor = TheEditor();
  editor.journal.NoteUnsaved(editor.unsaved);
  FlushConsole();
  if (outcome == Outcome::Quit) QuitEditor(0);
  if (outcome == Outcome::Redraw) glutPostRedisplay();
}
}  // namespace

void OnKeyboard(unsigned char key, int, int) {
  EditingEvent event;
  if (!event) return;
  int modifiers = glutGetModifiers();
  Finish(HandleKey(TheEditor(), key, modifiers));
}

void OnSpecialKey(int key, int, int) {
  EditingEvent event;
  if (!event) return;
  glutGetModifiers();
  Finish(HandleSpecialKey(TheEditor(), key));
}

void OnMouseButton(int button, int state, int x, int y) {
  EditingEvent event;
  if (!event) return;
  Finish(HandleMouseButton(TheEditor(), button, state, x, y, glutGetModifiers()));
}

void OnMouseMotion(int x, int y) {
  EditingEvent event;
  if (!event) return;
  Finish(HandleMouseMotion(TheEditor(), x, y));
}

void RegisterCallbacks() {
  glutMotionFunc(OnMouseMotion);
  glutSpecialFunc(OnSpecialKey);
  glutMouseFunc(OnMouseButton);
  glutDisplayFunc(OnDisplay);
  glutReshapeFunc(OnReshape);
  glutKeyboardFunc(OnKeyboard);
  InstallQuitHooks();
}

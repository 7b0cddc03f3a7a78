// Quillmar: an interactive editor for scenes of cubes, spheres and cylinders.
#include <GL/glut.h>

#include "app/frame.h"

int main(int argc, char** argv) {
  PrepareProcess();
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH | GLUT_MULTISAMPLE);
  glutInitWindowSize(600, 600);
  glutInitWindowPosition(20, 20);
  glutCreateWindow("Quillmar");

  InitScene();

  // Start from (0, 0, 4), looking along -z.
  Camera& camera = TheEditor().camera;
  MoveBy(camera, 0, 0, 3);
  MoveAlongView(camera, 1.0f);

  RegisterCallbacks();
  glutMainLoop();
  return 0;
}

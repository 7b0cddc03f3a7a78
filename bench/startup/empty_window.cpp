// The floor for start-up timing: an empty freeglut window of the editor's
// size and mode that clears and swaps.
#include <GL/glut.h>

int main(int argc, char** argv) {
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH | GLUT_MULTISAMPLE);
  glutInitWindowSize(600, 600);
  glutInitWindowPosition(20, 20);
  glutCreateWindow("empty");
  glutDisplayFunc([] {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
  });
  glutMainLoop();
  return 0;
}

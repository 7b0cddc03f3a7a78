// Quillmar: an interactive editor for scenes of cubes, spheres and cylinders.
#include <GL/glut.h>

#include <cstdio>

#include "app/frame.h"
#include "app/options.h"
#include "app/quit.h"
#include "app/snapshot.h"
#include "base/console.h"
#include "base/signals.h"
#include "export/export.h"

int main(int argc, char** argv) {
  // Every mode starts the same way: the console's buffering, and the
  // signals that end a session only noted, for each mode's waits to watch.
  SetUpConsoleBuffering();
  InstallSignalSource();
  Options options = ParseOptions(argc, argv);
  switch (options.action) {
    case Options::Action::Help:
      std::fputs(UsageText().c_str(), stdout);
      return 0;
    case Options::Action::Version:
      std::printf("quillmar %s\n", QUILLMAR_VERSION);
      return 0;
    case Options::Action::UsageError:
      std::fprintf(stderr, "quillmar: %s\n", options.error.c_str());
      return 2;
    case Options::Action::Export: {
      std::string error;
      if (ExportScene(options.scene, options.output, error)) return 0;
      if (int signal = PendingSignal()) EndBySignal(signal);  // its files are gone
      std::fprintf(stderr, "quillmar: %s\n", error.c_str());
      return 1;
    }
    case Options::Action::Snapshot:
      return RunSnapshot(options);
    case Options::Action::Edit:
      break;
  }

  if (!PrepareSession(options)) return 1;
  // Set before glutInit, so GLUT's -geometry can override them.
  glutInitWindowSize(600, 600);
  glutInitWindowPosition(20, 20);
  InitGlut(options.glutArgs);
  glutInitDisplayMode(kWindowDisplayMode);
  glutCreateWindow("Quillmar");

  InitScene(options.scene.empty() ? "init.scene" : options.scene);
  StartSession();
  RegisterCallbacks();
  glutMainLoop();
  return 0;
}

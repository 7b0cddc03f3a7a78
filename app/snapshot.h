// Pictures of scenes without the editor's window: --snapshot.
#pragma once

#include <string>
#include <vector>

#include "app/options.h"

// Hands the program name and GLUT's own options to glutInit. The strings are
// copied into storage that lives for the whole run.
void InitGlut(const std::vector<std::string>& glutArgs);

// Runs --snapshot: draws options.scene and its texture list once, exactly as
// the editor's window shows them at start-up, at options.width x
// options.height, and writes options.output as an 8-bit RGB PNG. Prints
// nothing on success; on failure one line on standard error and no file
// under the output name. Returns the exit status: 0 written, 1 failed (no X
// display, unreadable scene, no offscreen drawing, no memory left, PNG not
// written). A signal noted (base/signals.h) before the PNG is written ends
// the process as the signal does, leaving no file.
int RunSnapshot(const Options& options);

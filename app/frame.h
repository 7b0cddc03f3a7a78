// The window side of the editor: start-up, the frame and the GLUT callbacks.
#pragma once

#include <GL/glut.h>

#include <string>


#include "app/quit.h"

#include "input/commands.h"

// The window's GLUT display mode.
constexpr unsigned kWindowDisplayMode = GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH | GLUT_MULTISAMPLE;

// The editor state of this process.
Editor& TheEditor();

// Start-up after the window exists: welcome text, GL state, the placeholder
// object, then the scene `sceneName` and its list "<sceneName>.tex" if
// present, and the camera at its start position (0, 0, 4). A scene that
// cannot be opened is reported and the placeholder stays.
void InitScene(const std::string& sceneName);

// Registers the display, reshape, keyboard, special-key and mouse callbacks,
// and the quit hooks (app/quit.h).
void RegisterCallbacks();

// Draws one whole frame of `editor` into the current GL buffer: light, view,
// axes, every object and the selection frame. No swap; the first frame of
// a window flushes as it goes, so its pixels are filled while the GL
// compiles what the frame needs.
void DrawFrame(const Editor& editor, bool firstFrame = false);

void OnDisplay();
void OnReshape(int width, int height);
void OnKeyboard(unsigned char key, int x, int y);
void OnSpecialKey(int key, int x, int y);
void OnMouseButton(int button, int state, int x, int y);
void OnMouseMotion(int x, int y);

// The window side of the editor: start-up, the frame and the GLUT callbacks.
#pragma once

#include "app/quit.h"
#include "input/commands.h"

// The editor state of this process.
Editor& TheEditor();

// Start-up after the window exists: welcome text, GL state, the placeholder
// object, then "init.scene" and "init.scene.tex" if present.
void InitScene();

// Registers the display, reshape, keyboard, special-key and mouse callbacks,
// and the quit hooks (app/quit.h).
void RegisterCallbacks();

// Draws one whole frame of `editor` into the current GL buffer: light, view,
// axes, every object and the selection frame. No flush, no swap.
void DrawFrame(const Editor& editor);

void OnDisplay();
void OnReshape(int width, int height);
void OnKeyboard(unsigned char key, int x, int y);
void OnSpecialKey(int key, int x, int y);
void OnMouseButton(int button, int state, int x, int y);
void OnMouseMotion(int x, int y);

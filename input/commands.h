// The editor's commands: what each key, special key and mouse event does to
// the editor state. The GLUT callbacks only translate their arguments into
// these calls, so everything here runs without a window.
#pragma once

#include "session/editor.h"

// What the window should do after a command.
enum class Outcome { None, Redraw, Quit };

// Special keys, with GLUT's codes.
enum SpecialKey {
  kKeyF1 = 1, kKeyF2, kKeyF3, kKeyF4, kKeyF5, kKeyF6, kKeyF7, kKeyF8, kKeyF9, kKeyF10, kKeyF11,
  kKeyF12,
  kKeyLeft = 100, kKeyUp, kKeyRight, kKeyDown, kKeyPageUp, kKeyPageDown, kKeyHome, kKeyEnd,
  kKeyInsert,
};

// Mouse buttons and button states, with GLUT's codes; a notch of the wheel
// comes as a press and release of button 3 (forward) or 4 (back).
enum MouseButton {
  kButtonLeft = 0, kButtonMiddle = 1, kButtonRight = 2, kButtonWheelForward = 3, kButtonWheelBack = 4
};
enum MouseState { kMouseDown = 0, kMouseUp = 1 };

// Modifier bits of a key press, with GLUT's values.
enum KeyModifier { kModShift = 1, kModCtrl = 2, kModAlt = 4 };

// A character key (letters, digits, punctuation, control codes, ESC), with
// the modifiers held (KeyModifier bits; Shift turns Ctrl+Z into redo).
Outcome HandleKey(Editor& editor, unsigned char key, int modifiers = 0);
// A function, arrow, paging or Insert key.
Outcome HandleSpecialKey(Editor& editor, int key);
// A mouse button press or release starts or ends a drag; a left press and
// release without moving is a click that selects the object under it, or
// with Shift (`modifiers` at the press, KeyModifier bits) adds it to the
// selection or takes it out. A left drag begun with Shift orbits about the
// selection. A wheel notch moves the camera and neither starts nor ends a
// drag; other buttons' presses do nothing, and any release ends a drag.
Outcome HandleMouseButton(Editor& editor, int button, int state, int x, int y, int modifiers = 0);
// Pointer motion while a button is held.
Outcome HandleMouseMotion(Editor& editor, int x, int y);

// The help screen printed by F1.
void PrintHelp();
// The keys added since that screen, which F1 prints after it.
void PrintNewKeysHelp();

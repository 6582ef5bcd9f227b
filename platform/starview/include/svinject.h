// Input for the headless windows: calls that post events to the application's queue, as a user
// would make them. The event loop dispatches them in order; an event for a window deleted in the
// meantime is dropped. The same input comes line by line from the script named by SV_SCRIPT (see
// the README).
#pragma once

#include <cstdint>

#include "svevent.h"
#include "svstring.h"

class Window;

// Mouse events go to the deepest visible child under the point (the point is in the window's
// pixels); nothing reaches a disabled window. A button going down on a control gives it the focus.
void SvPostMouseMove(Window* window, const MouseEvent& event);
void SvPostMouseButtonDown(Window* window, const MouseEvent& event);
void SvPostMouseButtonUp(Window* window, const MouseEvent& event);
// Button down and up at the point.
void SvPostClick(Window* window, const Point& pos, uint16_t buttons = MOUSE_LEFT, uint16_t clicks = 1);
// A click on the centre of the text as last drawn in the paint log of the window or of one of its
// visible children (the one that drew it gets the click); false when none drew it.
bool SvPostClickText(Window* window, const String& text, uint16_t buttons = MOUSE_LEFT, uint16_t clicks = 1);
// A key goes to an accelerator of the application that has it, else to the window that has the
// focus when it is this window or inside it, else to this window.
void SvPostKey(Window* window, const KeyEvent& event);
void SvPostResize(Window* window, const Size& size);
void SvPostMove(Window* window, const Point& pos);
void SvPostClose(Window* window);
void SvPostFocus(Window* window);
// Chooses an item of the application's menu bar.
void SvPostMenu(uint16_t itemId);
// Presses a key of the application's accelerators.
void SvPostAccelerator(const KeyCode& key);

// In place of the file named by SV_SCRIPT: a script text, with the name its messages give.
void SvSetScript(const String& text, const String& name);
// The font file of the pictures (null: DejaVu Sans Mono of the system).
void SvSetFontFile(const char* path);

// Pointer events: finger movement on the projected surface moves the pointer
// and taps click. The two button keys of the layout hold their buttons
// through keystate.h, so that moves in between drag.
#ifndef ORVIK_INPUT_MOUSE_H
#define ORVIK_INPUT_MOUSE_H

#include <windows.h>

#include "../../common/packet.h"

extern volatile LONG bTapEnabled;  // tap-to-click on (1) or off (0)

// Relative move by the record's X and Y, unscaled.
void ProcessMouseMoveEvent(const InputEvent* event);
// A whole click, press and release in one call; the pointer stays where it is.
void ProcessMouseLClickEvent(const InputEvent* event);
void ProcessMouseRClickEvent(const InputEvent* event);

#endif

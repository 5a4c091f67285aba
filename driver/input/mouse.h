// Pointer events: finger movement on the projected surface moves the pointer,
// taps click, and two keys of the layout act as mouse buttons whose press and
// release travel apart, so that moves in between drag.
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

// Key codes 1 (VK_LBUTTON) and 2 (VK_RBUTTON) are the button keys.
int IsMouseButtonKey(BYTE key);
// Press or release of a button key's button; a refusal is traced with tracePrefix.
void SendMouseButtonKey(BYTE key, int press, const InputEvent* event, const char* tracePrefix);
// Releases the buttons that button keys hold down (a drag in progress).
void ReleaseButtonKeys();

#endif

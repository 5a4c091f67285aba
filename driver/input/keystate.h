// What the driver holds down, and the key layers.
//
// Every key the driver presses without releasing it at once (Tab, Enter,
// Insert, the modifiers, the Fn layer's Alt) and every mouse button that a
// button key holds is recorded here as it is sent, and forgotten as its
// release is sent. The release sweep lets go of exactly these. The key
// handlers, key repeat, the click sounds and the launch keys read Shift,
// Ctrl, Caps Lock and the layers from here, never from the system:
// GetAsyncKeyState answers only on the input desktop, and GetKeyState of a
// thread that reads no input is stale.
//
// All key and button input of the driver is sent through these functions
// under one lock, so a repeated keystroke can never overtake a newer key.
#ifndef ORVIK_INPUT_KEYSTATE_H
#define ORVIK_INPUT_KEYSTATE_H

#include <windows.h>

#include "../../common/packet.h"

// The press alone; the key is held until ReleaseKey.
void PressKey(BYTE key, const char* tracePrefix);
// The release; the key is no longer held.
void ReleaseKey(BYTE key, const char* tracePrefix);
// Press and release in one call: nothing stays held.
void TypeKey(BYTE key, const char* tracePrefix);
// `modifier`+`key` typed in one call, e.g. Ctrl+Q; a modifier that is held
// already stays held.
void TypeShortcut(BYTE modifier, BYTE key, const char* tracePrefix);

// Key codes 1 (VK_LBUTTON) and 2 (VK_RBUTTON) are the button keys: their
// press and release travel apart, so moves in between drag.
int IsMouseButtonKey(BYTE key);
void PressButton(BYTE buttonKey, const InputEvent* event, const char* tracePrefix);
void ReleaseButton(BYTE buttonKey, const InputEvent* event, const char* tracePrefix);

bool IsKeyHeld(BYTE key);
bool IsShiftHeld();
bool IsCtrlHeld();
// Caps Lock as the driver last set it: read from the system once, then
// flipped by every Caps Lock the driver types.
bool IsCapsLockOn();

// Ctrl, Shift and Alt as the device sends them: VK_CONTROL and the left and
// right forms.
int IsModifierKey(BYTE key);

// Fn layer (special key 26 held) and arrow layer (special key 27 held).
void SetFnLayer(bool on);
bool IsFnLayerOn();
void SetArrowLayer(bool on);
bool IsArrowLayerOn();

// The key that key repeat types while the device reports it held; 0 = none.
void SetRepeatKey(BYTE key);
BYTE RepeatKey();
// Types `key` once, if it is still the repeat key. 1 when it was typed.
int TypeRepeatedKey(BYTE key);

// The release sweep: the layers go off, the repeat key is forgotten, and
// every key and button the driver holds is released.
void ReleaseEverythingHeld();

#endif

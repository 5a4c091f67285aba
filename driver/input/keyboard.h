// Key event translation: the device reports keys as Windows virtual-key
// codes, so there is no translation table. This file's job is the batch
// dispatcher, the two small remapping layers (Fn: F1 to F10, a latched Alt and
// close-application; arrow: I/J/K/L as arrows) and the split between keys
// typed whole at the press and keys whose press and release travel apart.
// What is held down lives in keystate.h; key repeat in keyrepeat.h.
//
// The dispatcher and the key handlers run on the depacketizer thread.
#ifndef ORVIK_INPUT_KEYBOARD_H
#define ORVIK_INPUT_KEYBOARD_H

#include <windows.h>

#include "../../common/packet.h"

// One event group from the depacketizer: `count` records, in order, each
// allocated with `new InputEvent`. The dispatcher frees them.
const int MAX_BATCH_EVENTS = 20;
struct InputEventBatch {
    int count;
    InputEvent* events[MAX_BATCH_EVENTS];
};

// Posted to the registered settings window when the device reports its power state.
const UINT WM_POWER_MODE = WM_USER + 20;
enum PowerModeNotice { POWER_MODE_NOT_STARTED = 0, POWER_MODE_NORMAL = 1, POWER_MODE_STANDBY = 2 };
// Where the device's power-state reports go, on the depacketizer's thread;
// the service passes them on to its settings window. None when 0.
typedef void (*PowerModeListener)(PowerModeNotice mode);
extern PowerModeListener gpfnPowerModeListener;

// Handles the batch's records in order, frees each one and clears its slot;
// leaves the batch empty. A count above MAX_BATCH_EVENTS is cut to it.
void DispatchInputEvents(InputEventBatch* batch);

void ProcessKeyDownEvent(const InputEvent* event);
void ProcessKeyUpEvent(const InputEvent* event);

// Lets go of everything the driver holds down for the device (keys,
// button-key buttons, the latched Alt), turns the Fn and arrow layers off and
// ends key repeat. Run whenever the link stops, since the releases the device
// would have sent can no longer come.
void ReleaseStuckKeys();

#endif

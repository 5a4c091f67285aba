// Device event records as the depacketizer hands them over, and a way to
// send a batch of them through the dispatcher.
#ifndef ORVIK_TESTS_INPUT_EVENTS_H
#define ORVIK_TESTS_INPUT_EVENTS_H

#include <initializer_list>

#include "../../../common/packet.h"

struct DeviceEvent {
    unsigned char kind;
    unsigned char key;
    unsigned char special;
    short x, y;
};

DeviceEvent Press(unsigned char key);
DeviceEvent Release(unsigned char key);
DeviceEvent Held(unsigned char key);
DeviceEvent PressSpecial(unsigned char special);
DeviceEvent ReleaseSpecial(unsigned char special);
DeviceEvent Move(short x, short y);
DeviceEvent OfKind(unsigned char kind);

// A record allocated as the depacketizer allocates it, with `new`.
InputEvent* NewRecord(const DeviceEvent& event);

// One batch through DispatchInputEvents.
void Dispatch(std::initializer_list<DeviceEvent> events);

// Layers off, no repeat, nothing latched or held: the state of a freshly
// started driver (what a test left held is released).
void ResetKeyboardState();

#endif

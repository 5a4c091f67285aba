#include "events.h"

#include <cstring>

#include "../../../driver/input/keyboard.h"
#include "../../../driver/input/launchkeys.h"

DeviceEvent Press(unsigned char key) { return {EVENT_KEY_DOWN, key, 0, 0, 0}; }
DeviceEvent Release(unsigned char key) { return {EVENT_KEY_UP, key, 0, 0, 0}; }
DeviceEvent Held(unsigned char key) { return {EVENT_KEY_HELD, key, 0, 0, 0}; }
DeviceEvent PressSpecial(unsigned char special) { return {EVENT_KEY_DOWN, SPECIAL_KEY_CODE, special, 0, 0}; }
DeviceEvent ReleaseSpecial(unsigned char special) { return {EVENT_KEY_UP, SPECIAL_KEY_CODE, special, 0, 0}; }
DeviceEvent Move(short x, short y) { return {EVENT_MOUSE_MOVE, 0, 0, x, y}; }
DeviceEvent OfKind(unsigned char kind) { return {kind, 0, 0, 0, 0}; }

InputEvent* NewRecord(const DeviceEvent& event) {
    InputEvent* record = new InputEvent;
    std::memset(record, 0, sizeof *record);
    std::memcpy(record->layoutId, EXPECTED_LAYOUT_ID, sizeof record->layoutId);
    record->kind = event.kind;
    record->x = event.x;
    record->y = event.y;
    record->keyCode = event.key;
    record->specialCode = event.special;
    return record;
}

void Dispatch(std::initializer_list<DeviceEvent> events) {
    InputEventBatch batch = {};
    for (const DeviceEvent& event : events) batch.events[batch.count++] = NewRecord(event);
    DispatchInputEvents(&batch);
}

void ResetKeyboardState() { ReleaseStuckKeys(); }

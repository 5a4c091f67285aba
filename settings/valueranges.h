// The arithmetic of the device-value pages (Mouse, Power Save, Projector):
// which range a control offers, where its ticks go, how a field's unit maps
// to the device's milliseconds, and how a device reply becomes a value.
//
// The installation stores each range in a "\Default" key; an absent limit
// reads as 0. A page never offers, nor sends, a value outside the range
// chosen here, so a missing installation cannot make it send 0 or a value
// the command cannot carry.
//
// Platform-free: the settings program and the native tests compile it.
#ifndef ORVIK_SETTINGS_VALUERANGES_H
#define ORVIK_SETTINGS_VALUERANGES_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct ValueRange {
    long min;
    long max;
};

inline bool operator==(const ValueRange& a, const ValueRange& b) { return a.min == b.min && a.max == b.max; }

// Ranges used when the installation stores none (in the unit of the control).
// Each holds the page's default and stays small enough for any device scale
// that has that default in it.
const ValueRange MOUSE_SENSITIVITY_FALLBACK = {1, 5};
const ValueRange TAP_SPEED_FALLBACK = {1, 10};
const ValueRange NO_ACTIVITY_FALLBACK = {5, 600};     // seconds
const ValueRange REACTION_FALLBACK = {50, 1000};      // milliseconds
const ValueRange STANDBY_FALLBACK = {1, 60};          // minutes
const ValueRange NORMAL_LEVEL_FALLBACK = {1, 31};     // "Dim" is never dark
const ValueRange STANDBY_LEVEL_FALLBACK = {0, 31};    // "Off" is 0

// What a value sent to the device can carry, in the unit of its control.
const ValueRange SWITCH_VALUES = {0, 1};
const ValueRange BYTE_VALUES = {0, 0xFF};
const ValueRange WORD_VALUES = {0, 0xFFFF};
const ValueRange SECONDS_IN_32_BITS = {0, 0xFFFFFFFFul / 1000};
const ValueRange MINUTES_IN_32_BITS = {0, 0xFFFFFFFFul / 60000};

// The range a control offers: the stored limits cut to what the value can
// carry, or `fallback` when they leave no room to move (an absent pair reads
// as 0..0; a maximum below the minimum is no better).
ValueRange ChooseRange(uint32_t storedMin, uint32_t storedMax, const ValueRange& fallback, const ValueRange& carried);

long ClampToRange(long value, const ValueRange& range);

// A stored default: 0 (absent) stands for `zeroMeans`; the result lies in `range`.
long DefaultInRange(uint32_t stored, long zeroMeans, const ValueRange& range);

// Whether a control at `position` was moved off the held device value. A
// held value outside the range is shown at the range's nearer end; a control
// left there asks for no change.
bool PositionDiffersFromHeld(long position, uint32_t held, const ValueRange& range);

// Where a trackbar gets its ticks.
enum TickRule {
    TICKS_FROM_MIN,     // every whole step from the minimum to the maximum minus 1
    TICKS_INSIDE,       // every whole step from the minimum plus 1 to the maximum minus 1
};
std::vector<long> TickPositions(const ValueRange& range, TickRule rule);

// The unit a Power Save field shows; the device counts milliseconds.
enum FieldUnit { UNIT_SECONDS, UNIT_MILLISECONDS, UNIT_MINUTES };

// A field's number as the device's milliseconds (milliseconds travel in 16 bits).
uint32_t FieldToMilliseconds(long field, FieldUnit unit);
// The device's milliseconds as the whole number a field shows.
long MillisecondsToField(uint32_t milliseconds, FieldUnit unit);
// Whether the number in a field asks for something else than the device
// holds. Compared in the field's unit: a device value between two whole
// units is not changed by a scroll of another row.
bool FieldDiffersFromHeld(long field, uint32_t heldMilliseconds, FieldUnit unit);

// The value in the first `width` bytes of a reply area, little-endian; a
// width above 4 (or "any length") reads 4. The area must hold at least 4
// bytes: the pages zero a whole reply area before each query, and the control
// client accepts only replies of the command's stated length, so a short
// reply is refused before it is read.
uint32_t ReplyValue(const unsigned char* reply, size_t width);

#endif

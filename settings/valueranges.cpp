#include "valueranges.h"

namespace {

const uint32_t MS_PER_SECOND = 1000;
const uint32_t MS_PER_MINUTE = 60000;

uint32_t MillisecondsPerUnit(FieldUnit unit) {
    switch (unit) {
        case UNIT_SECONDS: return MS_PER_SECOND;
        case UNIT_MINUTES: return MS_PER_MINUTE;
        case UNIT_MILLISECONDS: break;
    }
    return 1;
}

// A stored number cut into `range`; compared unsigned, so that a stored
// limit beyond what a long holds still counts as "above".
long CutToRange(uint32_t stored, const ValueRange& range) {
    if (stored > static_cast<uint32_t>(range.max)) return range.max;
    return ClampToRange(static_cast<long>(stored), range);
}

}  // namespace

ValueRange ChooseRange(uint32_t storedMin, uint32_t storedMax, const ValueRange& fallback, const ValueRange& carried) {
    if (storedMax <= storedMin) return fallback;
    const ValueRange cut = {CutToRange(storedMin, carried), CutToRange(storedMax, carried)};
    return cut.max > cut.min ? cut : fallback;
}

long ClampToRange(long value, const ValueRange& range) {
    if (value < range.min) return range.min;
    if (value > range.max) return range.max;
    return value;
}

long DefaultInRange(uint32_t stored, long zeroMeans, const ValueRange& range) {
    return stored == 0 ? ClampToRange(zeroMeans, range) : CutToRange(stored, range);
}

bool PositionDiffersFromHeld(long position, uint32_t held, const ValueRange& range) {
    return position != CutToRange(held, range);
}

std::vector<long> TickPositions(const ValueRange& range, TickRule rule) {
    std::vector<long> ticks;
    for (long position = rule == TICKS_INSIDE ? range.min + 1 : range.min; position < range.max; ++position)
        ticks.push_back(position);
    return ticks;
}

uint32_t FieldToMilliseconds(long field, FieldUnit unit) {
    const uint32_t number = static_cast<uint32_t>(field);
    if (unit == UNIT_MILLISECONDS) return number & 0xFFFF;
    return number * MillisecondsPerUnit(unit);
}

long MillisecondsToField(uint32_t milliseconds, FieldUnit unit) {
    return static_cast<long>(milliseconds / MillisecondsPerUnit(unit));
}

bool FieldDiffersFromHeld(long field, uint32_t heldMilliseconds, FieldUnit unit) {
    return field != MillisecondsToField(heldMilliseconds, unit);
}

uint32_t ReplyValue(const unsigned char* reply, size_t width) {
    const size_t bytes = width < sizeof(uint32_t) ? width : sizeof(uint32_t);
    uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i) value |= static_cast<uint32_t>(reply[i]) << (8 * i);
    return value;
}

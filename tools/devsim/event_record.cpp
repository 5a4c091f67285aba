#include "event_record.h"

#include <algorithm>

namespace devsim {
namespace {

constexpr std::size_t kMoreFollowsOffset = 4;
constexpr std::size_t kKindOffset = 5;
constexpr std::size_t kXOffset = 6;
constexpr std::size_t kYOffset = 8;
constexpr std::size_t kKeyCodeOffset = 17;
constexpr std::size_t kSpecialCodeOffset = 18;

void WriteLe16(Bytes& bytes, std::size_t offset, std::int16_t value) {
  const auto bits = static_cast<std::uint16_t>(value);
  bytes[offset] = bits & 0xFF;
  bytes[offset + 1] = bits >> 8;
}

EventRecord RecordOfKind(std::uint8_t kind) {
  EventRecord record;
  record.kind = kind;
  return record;
}

}  // namespace

Bytes EncodeEventRecord(const EventRecord& record) {
  Bytes bytes(kEventRecordSize, 0);
  std::copy(record.layoutId.begin(), record.layoutId.end(), bytes.begin());
  bytes[kMoreFollowsOffset] = record.moreFollows;
  bytes[kKindOffset] = record.kind;
  WriteLe16(bytes, kXOffset, record.x);
  WriteLe16(bytes, kYOffset, record.y);
  bytes[kKeyCodeOffset] = record.keyCode;
  bytes[kSpecialCodeOffset] = record.specialCode;
  return bytes;
}

EventRecord KeyRecord(KeyAction action, std::uint8_t virtualKey) {
  EventRecord record = RecordOfKind(static_cast<std::uint8_t>(action));
  record.keyCode = virtualKey;
  return record;
}

EventRecord SpecialKeyRecord(KeyAction action, std::uint8_t specialCode) {
  EventRecord record = KeyRecord(action, kSpecialKey);
  record.specialCode = specialCode;
  return record;
}

EventRecord PointerMoveRecord(std::int16_t x, std::int16_t y) {
  EventRecord record = RecordOfKind(kKindPointerMoved);
  record.x = x;
  record.y = y;
  return record;
}

EventRecord LeftTapRecord() { return RecordOfKind(kKindLeftTap); }

EventRecord RightTapRecord() { return RecordOfKind(kKindRightTap); }

EventRecord PowerStateRecord(std::uint8_t powerState) { return RecordOfKind(powerState); }

}  // namespace devsim

#pragma once

// The 37-byte record carried by input events and power notices.

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol.h"

namespace devsim {

inline constexpr std::size_t kEventRecordSize = 37;

using LayoutId = std::array<std::uint8_t, 4>;  // in wire order
inline constexpr LayoutId kInputLayoutId{0x01, 0xFF, 0xFF, 0xFF};

// Record kinds for keys; their values are the kind byte on the wire.
enum class KeyAction : std::uint8_t { Release = 0, Press = 1, Hold = 2 };
inline constexpr std::uint8_t kKindPointerMoved = 6;
inline constexpr std::uint8_t kKindLeftTap = 7;
inline constexpr std::uint8_t kKindRightTap = 8;

// Key code announcing that the special-key code field names the key.
inline constexpr std::uint8_t kSpecialKey = 255;

struct EventRecord {
  LayoutId layoutId = kInputLayoutId;
  std::uint8_t moreFollows = 0;  // non-zero: more records of this group follow
  std::uint8_t kind = 0;
  std::int16_t x = 0;
  std::int16_t y = 0;
  std::uint8_t keyCode = 0;      // Windows virtual-key code, or kSpecialKey
  std::uint8_t specialCode = 0;  // meaningful when keyCode is kSpecialKey
};

Bytes EncodeEventRecord(const EventRecord& record);

EventRecord KeyRecord(KeyAction action, std::uint8_t virtualKey);
EventRecord SpecialKeyRecord(KeyAction action, std::uint8_t specialCode);
EventRecord PointerMoveRecord(std::int16_t x, std::int16_t y);
EventRecord LeftTapRecord();
EventRecord RightTapRecord();
EventRecord PowerStateRecord(std::uint8_t powerState);

}  // namespace devsim

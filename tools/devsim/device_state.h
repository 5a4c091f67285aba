#pragma once

// What the device remembers between commands, and how the host and the
// control language reach each piece of it.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "protocol.h"

namespace devsim {

inline constexpr std::uint32_t kMaxLayoutIndex = 30;

// Values are kept as the unsigned numbers that travel on the wire.
struct DeviceState {
  std::uint32_t keySensitivity = 5;
  std::uint32_t mouseSensitivity = 5;
  std::uint32_t tapSpeed = 150;
  std::uint32_t powerMode = 0;
  std::uint32_t noActivityPeriod = 60000;  // ms
  std::uint32_t standbyPeriod = 600000;    // ms
  std::uint32_t reactionTime = 40;         // ms
  std::uint32_t projectorSwitch = 1;
  std::uint32_t projectorNormalLevel = 80;
  std::uint32_t projectorStandbyLevel = 20;
  std::uint32_t powerState = kPowerNotStarted;
  std::uint32_t projectedLayoutNum = 0;
  // Bits 5..9 carry the device's layout index (5 here).
  std::uint32_t deviceId = 0x00A0;
  std::uint32_t activeLayout = 0;
};

enum class Radix { Decimal, Hex };

struct StateField {
  std::string_view name;
  std::uint32_t DeviceState::*member;
  std::uint8_t width;                      // bytes on the wire
  std::optional<std::uint16_t> setOpcode;  // command that stores the value as sent
  std::optional<std::uint16_t> getOpcode;  // command that answers with the value
  Radix radix;                             // how people read and write it
};

const std::vector<StateField>& StateFields();
const StateField* FindStateField(std::string_view name);
const StateField* FindFieldSetBy(std::uint16_t opcode);
const StateField* FindFieldReadBy(std::uint16_t opcode);
std::uint32_t MaxValue(const StateField& field);

}  // namespace devsim

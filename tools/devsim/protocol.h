#pragma once

// Wire format of the device: framing of host commands, the command table and
// the packets the device sends (responses and events).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace devsim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kStatusSuccess = 1;
inline constexpr std::uint8_t kStatusFailure = 0;
// Status byte of packets the device sends on its own; hosts only fold it into
// the checksum.
inline constexpr std::uint8_t kEventStatus = 0;

// Command length field that means "no payload"; in the command table the same
// value as a response length means "any length".
inline constexpr std::uint16_t kNoPayload = 0xFFFF;
inline constexpr std::uint16_t kAnyLength = 0xFFFF;
// What the device answers for commands whose response may have any length.
inline constexpr std::size_t kDefaultAnyLengthResponse = 2;

// No command in the table carries more than a dozen payload bytes. A frame
// announcing more than this is taken for line noise, so that one corrupt
// length field cannot swallow the commands that follow it.
inline constexpr std::size_t kMaxCommandPayload = 64;

inline constexpr std::uint8_t kPowerNormal = 0xFB;
inline constexpr std::uint8_t kPowerStandby = 0xFC;
inline constexpr std::uint8_t kPowerNotStarted = 0xFD;

namespace opcode {
inline constexpr std::uint16_t kSetKeySensitivity = 0x0101;
inline constexpr std::uint16_t kSetProjectorSwitch = 0x0104;
inline constexpr std::uint16_t kSetActiveLayout = 0x010A;
inline constexpr std::uint16_t kSetNoActivityPeriod = 0x010B;
inline constexpr std::uint16_t kSetStandbyPeriod = 0x010C;
inline constexpr std::uint16_t kSetReactionTime = 0x010E;
inline constexpr std::uint16_t kSetPowerMode = 0x010F;
inline constexpr std::uint16_t kSetProjectorNormalLevel = 0x0112;
inline constexpr std::uint16_t kSetProjectorStandbyLevel = 0x0113;
inline constexpr std::uint16_t kSetMouseSensitivity = 0x011C;
inline constexpr std::uint16_t kSetTapSpeed = 0x0125;
inline constexpr std::uint16_t kSetPowerState = 0x012F;
inline constexpr std::uint16_t kGetKeySensitivity = 0x0201;
inline constexpr std::uint16_t kGetProjectorSwitch = 0x0204;
inline constexpr std::uint16_t kGetDeviceId = 0x020B;
inline constexpr std::uint16_t kGetNoActivityPeriod = 0x0213;
inline constexpr std::uint16_t kGetStandbyPeriod = 0x0214;
inline constexpr std::uint16_t kGetReactionTime = 0x0216;
inline constexpr std::uint16_t kGetPowerMode = 0x0217;
inline constexpr std::uint16_t kGetProjectorNormalLevel = 0x021A;
inline constexpr std::uint16_t kGetProjectorStandbyLevel = 0x021B;
inline constexpr std::uint16_t kGetPowerState = 0x021C;
inline constexpr std::uint16_t kGetMouseSensitivity = 0x0226;
inline constexpr std::uint16_t kGetTapSpeed = 0x0234;
inline constexpr std::uint16_t kGetProjectedLayoutNum = 0x023F;
inline constexpr std::uint16_t kStartZsm = 0x0680;

// Packets the device sends on its own. Hosts classify them by the low byte.
inline constexpr std::uint16_t kInputEvent = 0x0001;
inline constexpr std::uint16_t kLayoutNotice = 0x00D1;
inline constexpr std::uint16_t kLayoutLoadError = 0x00E5;
}  // namespace opcode

// Value lengths of one command: what the host sends, what the device answers.
struct CommandLengths {
  std::uint16_t requestLength;   // kNoPayload: length field 0xFFFF
  std::uint16_t responseLength;  // kAnyLength: any
};

std::optional<CommandLengths> FindCommandLengths(std::uint16_t opcode);

// Whether a command's length field fits what the table says it carries.
bool IsRequestLengthAccepted(std::uint16_t opcode, const CommandLengths& lengths, std::uint16_t lengthField);

// One framed command from the host, kept whole for the log.
struct HostCommand {
  Bytes bytes;  // the frame exactly as received
  std::uint16_t opcode = 0;
  std::uint16_t lengthField = 0;
  Bytes payload;
  bool checksumOk = false;
};

// The little-endian value after the payload's two leading zero bytes; values
// wider than 32 bits are cut to their low 32 bits.
std::uint32_t CommandValue(const HostCommand& command);

// Cuts the host's byte stream into commands. Bytes that cannot start a frame
// are dropped, and a frame may arrive in any number of pieces.
class CommandFramer {
 public:
  void Append(const std::uint8_t* data, std::size_t size);
  std::optional<HostCommand> Next();

 private:
  bool StartsLikeFrame() const;

  Bytes buffer_;
};

// A response or event packet with a correct checksum.
// Throws std::length_error when the payload does not fit the length field.
Bytes BuildDevicePacket(std::uint16_t opcode, std::uint8_t status, const Bytes& payload);

}  // namespace devsim

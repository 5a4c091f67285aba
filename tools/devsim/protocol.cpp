#include "protocol.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace devsim {
namespace {

// Every opcode the device knows, as runs of consecutive opcodes that share
// their lengths.
struct CommandRange {
  std::uint16_t first;
  std::uint16_t last;
  CommandLengths lengths;
};

constexpr std::uint16_t kNone = kNoPayload;
constexpr std::uint16_t kAny = kAnyLength;

constexpr CommandRange kCommandTable[] = {
    {0x0000, 0x0000, {0, 0}},    {0x0101, 0x0101, {1, 0}},        {0x0102, 0x0102, {kNone, 0}},
    {0x0103, 0x0108, {1, 0}},    {0x0109, 0x0109, {kNone, 0}},    {0x010A, 0x010A, {1, 0}},
    {0x010B, 0x010C, {4, 0}},    {0x010D, 0x010E, {2, 0}},        {0x010F, 0x0110, {1, 0}},
    {0x0111, 0x0111, {4, 0}},    {0x0112, 0x0113, {1, 0}},        {0x0118, 0x011B, {0, 0}},
    {0x011C, 0x011C, {1, 0}},    {0x011D, 0x011E, {2, 0}},        {0x011F, 0x011F, {1, 0}},
    {0x0120, 0x0120, {4, 0}},    {0x0121, 0x0121, {kNone, 0}},    {0x0122, 0x0124, {0, 0}},
    {0x0125, 0x0125, {2, 0}},    {0x0126, 0x0127, {1, 0}},        {0x0128, 0x0128, {0, 0}},
    {0x0129, 0x0129, {1, 0}},    {0x012A, 0x012B, {2, 0}},        {0x012C, 0x012F, {1, 0}},
    {0x0130, 0x0130, {4, 0}},    {0x0131, 0x0132, {1, 0}},        {0x0133, 0x0134, {0, 0}},
    {0x0135, 0x0135, {0, 1}},    {0x0136, 0x0136, {2, 0}},        {0x0201, 0x0208, {0, 1}},
    {0x0209, 0x0209, {1, kAny}}, {0x020A, 0x020A, {0, 1}},        {0x020B, 0x020B, {0, kAny}},
    {0x020C, 0x020D, {1, kAny}}, {0x020E, 0x020E, {0, 1}},        {0x020F, 0x020F, {0, 2}},
    {0x0210, 0x0211, {0, 1}},    {0x0212, 0x0212, {0, 12}},       {0x0213, 0x0214, {0, 4}},
    {0x0215, 0x0215, {0, 1}},    {0x0216, 0x0216, {0, 2}},        {0x0217, 0x0218, {0, 1}},
    {0x0219, 0x0219, {0, 4}},    {0x021A, 0x021C, {0, 1}},        {0x021E, 0x021E, {0, kAny}},
    {0x0222, 0x0226, {0, 1}},    {0x0227, 0x0228, {0, 2}},        {0x0229, 0x0229, {0, 1}},
    {0x022A, 0x022A, {0, 4}},    {0x022B, 0x022B, {0, kAny}},     {0x022C, 0x022C, {0, 1}},
    {0x022D, 0x022D, {0, kAny}}, {0x022E, 0x022E, {0, 1}},        {0x022F, 0x022F, {0, kAny}},
    {0x0230, 0x0232, {0, 1}},    {0x0233, 0x0234, {0, 2}},        {0x0235, 0x0239, {0, 1}},
    {0x023A, 0x023A, {1, 4}},    {0x023B, 0x023C, {0, 2}},        {0x023D, 0x023D, {0, 1}},
    {0x023E, 0x023E, {0, 8}},    {0x023F, 0x023F, {0, 1}},        {0x0240, 0x0240, {0, 4}},
    {0x0241, 0x0241, {0, 1}},    {0x0242, 0x0242, {1, 1}},        {0x0243, 0x0246, {0, 1}},
    {0x0247, 0x0247, {0, 2}},    {0x0500, 0x0500, {kNone, kAny}}, {0x0680, 0x0681, {0, 0}},
    {0x0A01, 0x0A01, {0, 1}},    {0x0A02, 0x0A02, {0, 10}},       {0x0A03, 0x0A03, {10, 0}},
    {0x0A04, 0x0A04, {0, 0}},    {0x0A07, 0x0A07, {kNone, kAny}}, {0xFF01, 0xFF06, {0, 0}},
    {0xFFFB, 0xFFFF, {0, 0}},    {0x0001, 0x0001, {0, 0}},
};

constexpr std::uint8_t kFramePrefix[] = {0xA5, 0xA5, 0x01, 0x00, 0x00, 0x00};
constexpr std::size_t kSyncSize = 2;
constexpr std::size_t kOpcodeOffset = 6;
constexpr std::size_t kLengthOffset = 8;
constexpr std::size_t kCommandHeaderSize = 10;
// Command values follow two zero bytes inside the payload.
constexpr std::size_t kValueOffset = 2;
constexpr unsigned kCommandChecksumSeed = 0x4B;
constexpr unsigned kDeviceChecksumSeed = 0x4A;

std::uint8_t LowByte(std::uint16_t value) { return value & 0xFF; }
std::uint8_t HighByte(std::uint16_t value) { return value >> 8; }

std::uint16_t ReadLe16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::size_t PayloadSize(std::uint16_t lengthField) { return lengthField == kNoPayload ? 0 : lengthField; }

std::uint16_t LengthFieldFor(std::uint16_t valueLength) {
  if (valueLength == 0 || valueLength == kNoPayload) return valueLength;
  return static_cast<std::uint16_t>(valueLength + kValueOffset);
}

std::uint8_t CommandChecksum(std::uint16_t opcode, std::uint16_t lengthField, const Bytes& payload) {
  // The length's high byte is deliberately not part of the sum.
  unsigned sum = kCommandChecksumSeed + LowByte(opcode) + HighByte(opcode) + LowByte(lengthField);
  for (std::uint8_t byte : payload) sum += byte;
  return static_cast<std::uint8_t>(sum);
}

HostCommand ParseFrame(const std::uint8_t* frame, std::size_t frameSize) {
  HostCommand command;
  command.bytes.assign(frame, frame + frameSize);
  command.opcode = ReadLe16(frame + kOpcodeOffset);
  command.lengthField = ReadLe16(frame + kLengthOffset);
  command.payload.assign(frame + kCommandHeaderSize, frame + frameSize - 1);
  command.checksumOk =
      frame[frameSize - 1] == CommandChecksum(command.opcode, command.lengthField, command.payload);
  return command;
}

}  // namespace

std::optional<CommandLengths> FindCommandLengths(std::uint16_t opcode) {
  const auto* range =
      std::find_if(std::begin(kCommandTable), std::end(kCommandTable),
                   [opcode](const CommandRange& r) { return r.first <= opcode && opcode <= r.last; });
  if (range == std::end(kCommandTable)) return std::nullopt;
  return range->lengths;
}

bool IsRequestLengthAccepted(std::uint16_t opcode, const CommandLengths& lengths, std::uint16_t lengthField) {
  if (lengthField == LengthFieldFor(lengths.requestLength)) return true;
  // Some host drivers send the reaction time as a single byte.
  return opcode == opcode::kSetReactionTime && lengthField == LengthFieldFor(1);
}

std::uint32_t CommandValue(const HostCommand& command) {
  const Bytes& payload = command.payload;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4 && kValueOffset + i < payload.size(); ++i) {
    value |= std::uint32_t{payload[kValueOffset + i]} << (8 * i);
  }
  return value;
}

void CommandFramer::Append(const std::uint8_t* data, std::size_t size) {
  buffer_.insert(buffer_.end(), data, data + size);
}

std::optional<HostCommand> CommandFramer::Next() {
  while (!buffer_.empty()) {
    if (!StartsLikeFrame()) {
      buffer_.erase(buffer_.begin());
      continue;
    }
    if (buffer_.size() < kCommandHeaderSize) return std::nullopt;
    const std::size_t payloadSize = PayloadSize(ReadLe16(&buffer_[kLengthOffset]));
    if (payloadSize > kMaxCommandPayload) {
      buffer_.erase(buffer_.begin());
      continue;
    }
    const std::size_t frameSize = kCommandHeaderSize + payloadSize + 1;
    if (buffer_.size() < frameSize) return std::nullopt;
    HostCommand command = ParseFrame(buffer_.data(), frameSize);
    buffer_.erase(buffer_.begin(), buffer_.begin() + frameSize);
    return command;
  }
  return std::nullopt;
}

// True while the buffered bytes agree with the fixed start of a frame, so far
// as they go.
bool CommandFramer::StartsLikeFrame() const {
  const std::size_t count = std::min(buffer_.size(), std::size(kFramePrefix));
  return std::equal(buffer_.begin(), buffer_.begin() + count, kFramePrefix);
}

Bytes BuildDevicePacket(std::uint16_t opcode, std::uint8_t status, const Bytes& payload) {
  if (payload.size() > 0xFFFF) throw std::length_error("device packet payload too long");
  const auto length = static_cast<std::uint16_t>(payload.size());
  Bytes packet{0xA5,
               0xA5,
               0x01,
               0x00,
               0x00,
               0x00,
               LowByte(opcode),
               HighByte(opcode),
               status,
               LowByte(length),
               HighByte(length)};
  packet.insert(packet.end(), payload.begin(), payload.end());
  // Everything after the sync bytes is summed: header, opcode, status,
  // length and payload.
  unsigned sum = kDeviceChecksumSeed;
  for (std::size_t i = kSyncSize; i < packet.size(); ++i) sum += packet[i];
  packet.push_back(static_cast<std::uint8_t>(sum));
  return packet;
}

}  // namespace devsim

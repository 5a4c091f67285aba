// Tests of the device simulator, driven from the host's end of its pty.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "control_commands.h"
#include "device_simulator.h"

namespace {

using namespace std::chrono_literals;
using devsim::Bytes;
using devsim::DeviceSimulator;
using devsim::KeyAction;

constexpr std::size_t kHeaderSize = 11;  // device packet up to and including its length
constexpr std::size_t kRecordPacketSize = 12 + 37;
constexpr auto kAnswerTimeout = 1000ms;
constexpr auto kQuietPeriod = 150ms;

std::uint8_t Low(std::uint16_t value) { return value & 0xFF; }
std::uint8_t High(std::uint16_t value) { return value >> 8; }

// Host commands and device packets are built here independently of the
// simulator's own code, so that the two check each other.
Bytes Command(std::uint16_t opcode, std::uint16_t lengthField, const Bytes& payload = {}) {
  Bytes bytes{
      0xA5, 0xA5, 0x01, 0x00, 0x00, 0x00, Low(opcode), High(opcode), Low(lengthField), High(lengthField)};
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  unsigned sum = 0x4B + Low(opcode) + High(opcode) + Low(lengthField);
  for (std::uint8_t byte : payload) sum += byte;
  bytes.push_back(sum & 0xFF);
  return bytes;
}

Bytes SetCommand(std::uint16_t opcode, std::size_t width, std::uint32_t value) {
  Bytes payload{0x00, 0x00};
  for (std::size_t i = 0; i < width; ++i) payload.push_back((value >> (8 * i)) & 0xFF);
  return Command(opcode, static_cast<std::uint16_t>(payload.size()), payload);
}

Bytes DevicePacket(std::uint16_t opcode, std::uint8_t status, const Bytes& payload) {
  const auto length = static_cast<std::uint16_t>(payload.size());
  Bytes bytes{0xA5,        0xA5,         0x01,   0x00,        0x00,        0x00,
              Low(opcode), High(opcode), status, Low(length), High(length)};
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  unsigned sum = 0x4A;
  for (std::size_t i = 2; i < bytes.size(); ++i) sum += bytes[i];
  bytes.push_back(sum & 0xFF);
  return bytes;
}

Bytes Success(std::uint16_t opcode, const Bytes& payload = {}) { return DevicePacket(opcode, 1, payload); }
Bytes Failure(std::uint16_t opcode) { return DevicePacket(opcode, 0, {}); }

struct ParsedPacket {
  std::uint16_t opcode;
  std::uint8_t status;
  Bytes payload;
  bool checksumOk;
};

// Cuts a stream of device packets apart; fails the test on a malformed one.
std::vector<ParsedPacket> ParsePackets(const Bytes& stream) {
  std::vector<ParsedPacket> packets;
  std::size_t at = 0;
  while (at < stream.size()) {
    if (stream.size() - at < kHeaderSize + 1 || stream[at] != 0xA5 || stream[at + 1] != 0xA5) {
      ADD_FAILURE() << "malformed packet at offset " << at;
      break;
    }
    const std::size_t length = stream[at + 9] | (stream[at + 10] << 8);
    const std::size_t size = kHeaderSize + length + 1;
    if (stream.size() - at < size) {
      ADD_FAILURE() << "truncated packet at offset " << at;
      break;
    }
    const Bytes packet(stream.begin() + at, stream.begin() + at + size);
    const Bytes payload(packet.begin() + kHeaderSize, packet.end() - 1);
    const auto opcode = static_cast<std::uint16_t>(packet[6] | (packet[7] << 8));
    packets.push_back({opcode, packet[8], payload, DevicePacket(opcode, packet[8], payload) == packet});
    at += size;
  }
  return packets;
}

// The host's end of the serial port.
class HostPort {
 public:
  explicit HostPort(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    if (fd_ < 0) throw std::runtime_error("cannot open " + path);
    termios settings{};
    tcgetattr(fd_, &settings);
    cfmakeraw(&settings);
    tcsetattr(fd_, TCSANOW, &settings);
  }
  HostPort(const HostPort&) = delete;
  HostPort& operator=(const HostPort&) = delete;
  ~HostPort() { close(fd_); }

  int Fd() const { return fd_; }

  void Write(const Bytes& bytes) {
    ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  // What one read() returns once bytes are there; empty on timeout.
  Bytes ReadOnce(std::chrono::milliseconds timeout) {
    pollfd watch{fd_, POLLIN, 0};
    if (poll(&watch, 1, static_cast<int>(timeout.count())) <= 0) return {};
    Bytes bytes(4096);
    const ssize_t size = read(fd_, bytes.data(), bytes.size());
    bytes.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return bytes;
  }

  Bytes ReadExactly(std::size_t count, std::chrono::milliseconds timeout = kAnswerTimeout) {
    Bytes bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (bytes.size() < count) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left <= 0ms) break;
      pollfd watch{fd_, POLLIN, 0};
      if (poll(&watch, 1, static_cast<int>(left.count())) <= 0) break;
      std::uint8_t chunk[256];
      const ssize_t size = read(fd_, chunk, std::min(sizeof chunk, count - bytes.size()));
      if (size <= 0) break;
      bytes.insert(bytes.end(), chunk, chunk + size);
    }
    return bytes;
  }

  // The next whole device packet, or whatever arrived before the timeout.
  Bytes ReadPacket() {
    Bytes packet = ReadExactly(kHeaderSize);
    if (packet.size() < kHeaderSize) return packet;
    const Bytes rest = ReadExactly((packet[9] | (packet[10] << 8)) + 1u);
    packet.insert(packet.end(), rest.begin(), rest.end());
    return packet;
  }

  bool StaysQuiet() { return ReadOnce(kQuietPeriod).empty(); }

 private:
  int fd_;
};

class DevsimTest : public ::testing::Test {
 protected:
  DeviceSimulator simulator;
  HostPort host{simulator.SlavePath()};

  Bytes Ask(const Bytes& command) {
    host.Write(command);
    return host.ReadPacket();
  }
};

TEST(DevsimHelpers, BuildTheDocumentedFrames) {
  EXPECT_EQ(Command(0x0680, 0), (Bytes{0xA5, 0xA5, 0x01, 0x00, 0x00, 0x00, 0x80, 0x06, 0x00, 0x00, 0xD1}));
  EXPECT_EQ(SetCommand(0x010A, 1, 5),
            (Bytes{0xA5, 0xA5, 0x01, 0x00, 0x00, 0x00, 0x0A, 0x01, 0x03, 0x00, 0x00, 0x00, 0x05, 0x5E}));
}

TEST(DevsimProtocol, CommandTableHoldsEveryListedOpcode) {
  int known = 0;
  for (std::uint32_t opcode = 0; opcode <= 0xFFFF; ++opcode) {
    if (devsim::FindCommandLengths(static_cast<std::uint16_t>(opcode))) ++known;
  }
  EXPECT_EQ(known, 138);
  EXPECT_FALSE(devsim::FindCommandLengths(0x0114));
  EXPECT_FALSE(devsim::FindCommandLengths(0x021D));
  EXPECT_EQ(devsim::FindCommandLengths(0x023A)->requestLength, 1);
  EXPECT_EQ(devsim::FindCommandLengths(0x023A)->responseLength, 4);
  EXPECT_EQ(devsim::FindCommandLengths(0x0A03)->requestLength, 10);
  EXPECT_EQ(devsim::FindCommandLengths(0x0500)->requestLength, 0xFFFF);
}

TEST_F(DevsimTest, AnswersProjectedLayoutNumWithTheDocumentedBytes) {
  simulator.UpdateState([](devsim::DeviceState& s) { s.projectedLayoutNum = 2; });
  host.Write({0xA5, 0xA5, 0x01, 0x00, 0x00, 0x00, 0x3F, 0x02, 0x00, 0x00, 0x8C});
  EXPECT_EQ(host.ReadExactly(13),
            (Bytes{0xA5, 0xA5, 0x01, 0x00, 0x00, 0x00, 0x3F, 0x02, 0x01, 0x01, 0x00, 0x02, 0x90}));
  EXPECT_TRUE(host.StaysQuiet());
}

TEST_F(DevsimTest, StartZsmStartsTheDevice) {
  EXPECT_EQ(simulator.State().powerState, devsim::kPowerNotStarted);
  EXPECT_EQ(Ask(Command(0x0680, 0)),
            (Bytes{0xA5, 0xA5, 0x01, 0x00, 0x00, 0x00, 0x80, 0x06, 0x01, 0x00, 0x00, 0xD2}));
  EXPECT_EQ(simulator.State().powerState, devsim::kPowerNormal);
}

TEST_F(DevsimTest, SetActiveLayoutStoresTheIndexAndRefusesOutOfRange) {
  EXPECT_EQ(Ask({0xA5, 0xA5, 0x01, 0x00, 0x00, 0x00, 0x0A, 0x01, 0x03, 0x00, 0x00, 0x00, 0x05, 0x5E}),
            Success(0x010A));
  EXPECT_EQ(simulator.State().activeLayout, 5u);
  EXPECT_EQ(Ask(SetCommand(0x010A, 1, 31)), Failure(0x010A));
  EXPECT_EQ(simulator.State().activeLayout, 5u);
}

TEST_F(DevsimTest, GetReturnsWhatSetStored) {
  EXPECT_EQ(Ask(SetCommand(0x010C, 4, 0x00012345)), Success(0x010C));
  EXPECT_EQ(Ask(Command(0x0214, 0)), Success(0x0214, {0x45, 0x23, 0x01, 0x00}));
  EXPECT_EQ(Ask(SetCommand(0x0101, 1, 9)), Success(0x0101));
  EXPECT_EQ(Ask(Command(0x0201, 0)), Success(0x0201, {9}));
}

TEST_F(DevsimTest, ReactionTimeTakesOneOrTwoBytes) {
  EXPECT_EQ(Ask(SetCommand(0x010E, 2, 0x0123)), Success(0x010E));
  EXPECT_EQ(Ask(Command(0x0216, 0)), Success(0x0216, {0x23, 0x01}));
  EXPECT_EQ(Ask(SetCommand(0x010E, 1, 0x42)), Success(0x010E));
  EXPECT_EQ(Ask(Command(0x0216, 0)), Success(0x0216, {0x42, 0x00}));
}

TEST_F(DevsimTest, SetPowerStateWakesFromStandby) {
  simulator.UpdateState([](devsim::DeviceState& s) { s.powerState = devsim::kPowerStandby; });
  EXPECT_EQ(Ask(SetCommand(0x012F, 1, 0xFB)), Success(0x012F));
  EXPECT_EQ(Ask(Command(0x021C, 0)), Success(0x021C, {0xFB}));
}

TEST_F(DevsimTest, DeviceIdAndAnyLengthAnswersAreTwoBytes) {
  EXPECT_EQ(Ask(Command(0x020B, 0)), Success(0x020B, {0xA0, 0x00}));
  EXPECT_EQ(Ask(Command(0x021E, 0)), Success(0x021E, {0x00, 0x00}));
  EXPECT_EQ(Ask(Command(0x0212, 0)), Success(0x0212, Bytes(12, 0)));
}

TEST_F(DevsimTest, UnknownOpcodeAndWrongLengthAreRefused) {
  EXPECT_EQ(Ask(Command(0x0300, 0)), Failure(0x0300));
  EXPECT_EQ(Ask(SetCommand(0x0201, 1, 1)), Failure(0x0201));
  EXPECT_EQ(Ask(Command(0x0101, 0)), Failure(0x0101));
}

TEST_F(DevsimTest, SilentForOneOpcodeOnlyIsStillLogged) {
  simulator.SetSilent(0x023F);
  host.Write(Command(0x023F, 0));
  EXPECT_TRUE(host.StaysQuiet());
  EXPECT_EQ(Ask(Command(0x0201, 0)), Success(0x0201, {5}));
  ASSERT_EQ(simulator.ReceivedCommands().size(), 2u);
  EXPECT_EQ(simulator.ReceivedCommands()[0].opcode, 0x023F);

  simulator.ClearBehaviour(devsim::Behaviour::Silent);
  EXPECT_EQ(Ask(Command(0x023F, 0)), Success(0x023F, {0}));
}

TEST_F(DevsimTest, SilentOnceAnswersTheSecondTime) {
  simulator.SetSilent(devsim::kAllOpcodes, devsim::Repeat::Once);
  host.Write(Command(0x0201, 0));
  EXPECT_TRUE(host.StaysQuiet());
  EXPECT_EQ(Ask(Command(0x0201, 0)), Success(0x0201, {5}));
}

TEST_F(DevsimTest, FailureLeavesStateAlone) {
  simulator.SetFailure(devsim::kAllOpcodes);
  EXPECT_EQ(Ask(SetCommand(0x0101, 1, 9)), Failure(0x0101));
  EXPECT_EQ(simulator.State().keySensitivity, 5u);
  simulator.SetFailure(0x0201, 0x07);
  EXPECT_EQ(Ask(Command(0x0201, 0)), DevicePacket(0x0201, 0x07, {}));
  simulator.ClearAllBehaviours();
  EXPECT_EQ(Ask(Command(0x0201, 0)), Success(0x0201, {5}));
}

TEST_F(DevsimTest, BadLengthAnswersWithAConsistentButWrongLength) {
  simulator.UpdateState([](devsim::DeviceState& s) { s.projectedLayoutNum = 2; });
  simulator.SetBadLength(0x023F, 3);
  EXPECT_EQ(Ask(Command(0x023F, 0)), Success(0x023F, {0x02, 0x00, 0x00}));
  simulator.SetBadLength(0x023F, 0);
  EXPECT_EQ(Ask(Command(0x023F, 0)), Success(0x023F));
  // Past 255 bytes the length's high byte enters the checksum as well.
  simulator.SetBadLength(0x023F, 300);
  Bytes padded(300, 0);
  padded[0] = 0x02;
  EXPECT_EQ(Ask(Command(0x023F, 0)), Success(0x023F, padded));
}

TEST_F(DevsimTest, DelayHoldsTheAnswerBack) {
  simulator.SetDelay(0x0201, 400ms);
  host.Write(Command(0x0201, 0));
  EXPECT_TRUE(host.ReadOnce(250ms).empty());
  EXPECT_EQ(host.ReadPacket(), Success(0x0201, {5}));
}

TEST_F(DevsimTest, SplitEmissionArrivesAsSeparateReads) {
  simulator.SetSplitGap(200ms);
  simulator.SplitNextWrite({5, 20, 500});
  // Emitting blocks through the gaps, so the host reads meanwhile.
  std::thread emitter(
      [this] { EXPECT_TRUE(simulator.EmitRecord(devsim::KeyRecord(KeyAction::Press, 0x41))); });
  EXPECT_EQ(host.ReadOnce(kAnswerTimeout).size(), 5u);
  EXPECT_EQ(host.ReadOnce(kAnswerTimeout).size(), 15u);
  EXPECT_EQ(host.ReadOnce(kAnswerTimeout).size(), kRecordPacketSize - 20);
  emitter.join();
}

TEST_F(DevsimTest, SplitAppliesToTheNextResponseToo) {
  simulator.SetSplitGap(200ms);
  simulator.SplitNextWrite({4});
  host.Write(Command(0x0201, 0));
  EXPECT_EQ(host.ReadOnce(kAnswerTimeout).size(), 4u);
  EXPECT_EQ(host.ReadOnce(kAnswerTimeout).size(), 9u);
}

TEST_F(DevsimTest, JunkAndSplitHostCommandsAreFramed) {
  const Bytes first = Command(0x0201, 0);
  Bytes chunk{0x00, 0xA5, 0x13, 0xA5, 0xA5, 0x02, 0xA5};
  chunk.insert(chunk.end(), first.begin(), first.begin() + 4);
  host.Write(chunk);
  std::this_thread::sleep_for(50ms);
  Bytes rest(first.begin() + 4, first.end());
  const Bytes second = Command(0x0204, 0);
  rest.insert(rest.end(), second.begin(), second.end());
  host.Write(rest);

  EXPECT_EQ(host.ReadPacket(), Success(0x0201, {5}));
  EXPECT_EQ(host.ReadPacket(), Success(0x0204, {1}));
  const auto log = simulator.ReceivedCommands();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0].bytes, first);
  EXPECT_TRUE(log[0].checksumOk);
  EXPECT_EQ(log[1].bytes, second);
}

TEST_F(DevsimTest, ImplausibleLengthIsTakenForNoise) {
  host.Write({0xA5, 0xA5, 0x01, 0x00, 0x00, 0x00, 0x3F, 0x02, 0x00, 0x10});
  EXPECT_EQ(Ask(Command(0x0201, 0)), Success(0x0201, {5}));
}

TEST_F(DevsimTest, BadChecksumIsLoggedButNotAnswered) {
  Bytes corrupt = SetCommand(0x0101, 1, 9);
  corrupt.back() ^= 0x01;
  host.Write(corrupt);
  ASSERT_TRUE(simulator.WaitForCommandCount(1, kAnswerTimeout));
  EXPECT_TRUE(host.StaysQuiet());
  const auto log = simulator.ReceivedCommands();
  EXPECT_EQ(log[0].bytes, corrupt);
  EXPECT_EQ(log[0].opcode, 0x0101);
  EXPECT_FALSE(log[0].checksumOk);
  EXPECT_EQ(simulator.State().keySensitivity, 5u);
  EXPECT_EQ(Ask(Command(0x0201, 0)), Success(0x0201, {5}));
}

TEST_F(DevsimTest, EventGroupFlagsAllButTheLastRecord) {
  ASSERT_TRUE(simulator.EmitGroup({devsim::KeyRecord(KeyAction::Press, 0x41),
                                   devsim::SpecialKeyRecord(KeyAction::Press, 26),
                                   devsim::PointerMoveRecord(-2, 300)}));
  const auto packets = ParsePackets(host.ReadExactly(3 * kRecordPacketSize));
  ASSERT_EQ(packets.size(), 3u);
  const std::uint8_t expectedMore[] = {1, 1, 0};
  for (std::size_t i = 0; i < packets.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(packets[i].checksumOk);
    EXPECT_EQ(packets[i].opcode, 0x0001);
    ASSERT_EQ(packets[i].payload.size(), 37u);
    EXPECT_EQ(Bytes(packets[i].payload.begin(), packets[i].payload.begin() + 4),
              (Bytes{0x01, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(packets[i].payload[4], expectedMore[i]);
  }
  const Bytes& key = packets[0].payload;
  EXPECT_EQ(key[5], 1);
  EXPECT_EQ(key[17], 0x41);
  const Bytes& special = packets[1].payload;
  EXPECT_EQ(special[17], 255);
  EXPECT_EQ(special[18], 26);
  const Bytes& move = packets[2].payload;
  EXPECT_EQ(move[5], 6);
  EXPECT_EQ(Bytes(move.begin() + 6, move.begin() + 10), (Bytes{0xFE, 0xFF, 0x2C, 0x01}));
  EXPECT_EQ(Bytes(move.begin() + 19, move.end()), Bytes(18, 0));
}

TEST_F(DevsimTest, PacketOptionsChangeOnlyWhatTheySay) {
  devsim::EventRecord record = devsim::LeftTapRecord();
  record.layoutId = {0x02, 0x00, 0x00, 0x00};
  devsim::PacketOptions options;
  options.opcode = 0x0105;
  options.status = 0x01;
  options.extraPayloadBytes = 3;
  ASSERT_TRUE(simulator.EmitRecord(record, options));
  const auto packets = ParsePackets(host.ReadExactly(kRecordPacketSize + 3));
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_TRUE(packets[0].checksumOk);
  EXPECT_EQ(packets[0].opcode, 0x0105);
  EXPECT_EQ(packets[0].status, 0x01);
  ASSERT_EQ(packets[0].payload.size(), 40u);
  EXPECT_EQ(packets[0].payload[0], 0x02);
  EXPECT_EQ(packets[0].payload[5], 7);

  devsim::PacketOptions corrupt;
  corrupt.badChecksum = true;
  ASSERT_TRUE(simulator.EmitLayoutNotice({0x03}, corrupt));
  Bytes bad = host.ReadExactly(13);
  const Bytes good = DevicePacket(0x00D1, 0, {0x03});
  ASSERT_EQ(bad.size(), good.size());
  EXPECT_NE(bad.back(), good.back());
  bad.back() = good.back();
  EXPECT_EQ(bad, good);
}

TEST_F(DevsimTest, PowerNoticeCarriesTheNewState) {
  ASSERT_TRUE(simulator.EmitPowerNotice(devsim::kPowerStandby));
  const auto packets = ParsePackets(host.ReadExactly(kRecordPacketSize));
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_TRUE(packets[0].checksumOk);
  EXPECT_EQ(packets[0].opcode, 0x00FC);
  EXPECT_EQ(packets[0].payload[4], 0);
  EXPECT_EQ(packets[0].payload[5], 0xFC);
  EXPECT_EQ(simulator.State().powerState, devsim::kPowerStandby);
}

class LinkedDevsimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/devsim-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory = pattern;
    link = directory + "/com5";
  }
  void TearDown() override {
    unlink(link.c_str());
    rmdir(directory.c_str());
  }
  static bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
  }

  std::string directory;
  std::string link;
};

TEST_F(LinkedDevsimTest, UnplugHangsUpOnTheHostAndPlugRelinks) {
  DeviceSimulator simulator;
  simulator.LinkSlaveAt(link);
  {
    HostPort host(link);
    simulator.Unplug();
    EXPECT_FALSE(Exists(link));
    EXPECT_FALSE(simulator.EmitRaw({0x00}));
    pollfd watch{host.Fd(), POLLIN, 0};
    ASSERT_EQ(poll(&watch, 1, 1000), 1);
    std::uint8_t byte;
    EXPECT_LE(read(host.Fd(), &byte, 1), 0);
  }
  simulator.Plug();
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), simulator.SlavePath());
  HostPort host(link);
  host.Write(Command(0x0201, 0));
  EXPECT_EQ(host.ReadPacket(), Success(0x0201, {5}));
}

TEST_F(LinkedDevsimTest, DestructionRemovesTheLink) {
  {
    DeviceSimulator simulator;
    simulator.LinkSlaveAt(link);
    EXPECT_TRUE(Exists(link));
  }
  EXPECT_FALSE(Exists(link));
}

class ControlTest : public DevsimTest {
 protected:
  devsim::ControlReply Run(const std::string& line) { return devsim::ExecuteControlCommand(simulator, line); }
};

TEST_F(ControlTest, SetAndGetUseTheFieldsRadix) {
  EXPECT_FALSE(Run("set powerstate FC").error);
  EXPECT_FALSE(Run("set standbyperiod 0x10").error);
  EXPECT_EQ(Run("get powerstate").lines, std::vector<std::string>{"powerstate 0xFC"});
  EXPECT_EQ(Run("get standbyperiod").lines, std::vector<std::string>{"standbyperiod 16"});
  EXPECT_EQ(devsim::FormatReply(Run("get deviceid")), "deviceid 0x00A0\nok\n");
}

TEST_F(ControlTest, BadInputIsRefusedWithoutEffect) {
  for (const char* line :
       {"set powerstate 1FF", "set nosuchfield 1", "press", "press 100", "move 1", "move 40000 0",
        "group press:41 bogus", "raw A", "split 5 5", "delay all 99999999", "silent 0x", "event layout=01FF",
        "press 41 stauts=1", "frobnicate", "fail 023F 1 twice"}) {
    SCOPED_TRACE(line);
    const auto reply = Run(line);
    ASSERT_TRUE(reply.error);
    EXPECT_EQ(devsim::FormatReply(reply).rfind("err ", 0), 0u);
  }
  EXPECT_TRUE(host.StaysQuiet());
  EXPECT_EQ(simulator.State().powerState, devsim::kPowerNotStarted);
}

TEST_F(ControlTest, GroupLineEmitsOneGroup) {
  ASSERT_FALSE(Run("group press:41 move:-1,2 release:41 layout=01FFFFFF").error);
  const auto packets = ParsePackets(host.ReadExactly(3 * kRecordPacketSize));
  ASSERT_EQ(packets.size(), 3u);
  EXPECT_EQ(packets[0].payload[4], 1);
  EXPECT_EQ(packets[1].payload[5], 6);
  EXPECT_EQ(packets[2].payload[4], 0);
  EXPECT_EQ(packets[2].payload[5], 0);
}

TEST_F(ControlTest, LogShowsOpcodeVerdictAndBytes) {
  Bytes corrupt = Command(0x0201, 0);
  corrupt.back() ^= 0xFF;
  host.Write(Command(0x0680, 0));
  host.Write(corrupt);
  ASSERT_TRUE(simulator.WaitForCommandCount(2, kAnswerTimeout));
  EXPECT_EQ(Run("log").lines, (std::vector<std::string>{"0680 ok A5 A5 01 00 00 00 80 06 00 00 D1",
                                                        "0201 badsum A5 A5 01 00 00 00 01 02 00 00 B1"}));
}

TEST_F(ControlTest, BehaviourLinesReachTheDevice) {
  ASSERT_FALSE(Run("fail 0201 once").error);
  EXPECT_EQ(Ask(Command(0x0201, 0)), Failure(0x0201));
  EXPECT_EQ(Ask(Command(0x0201, 0)), Success(0x0201, {5}));
  ASSERT_FALSE(Run("silent all").error);
  host.Write(Command(0x0201, 0));
  EXPECT_TRUE(host.StaysQuiet());
  ASSERT_FALSE(Run("silent off").error);
  EXPECT_EQ(Ask(Command(0x0201, 0)), Success(0x0201, {5}));
}

TEST_F(ControlTest, MarkerIsTheLoneGroupOfAPressOfF23) {
  ASSERT_FALSE(Run("marker").error);
  const auto packets = ParsePackets(host.ReadExactly(kRecordPacketSize));
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(packets[0].opcode, 0x0001);
  EXPECT_EQ(packets[0].payload[4], 0) << "the last record of its group";
  EXPECT_EQ(packets[0].payload[5], 1) << "a press";
  EXPECT_EQ(packets[0].payload[17], 0x86) << "VK_F23";
  EXPECT_TRUE(host.StaysQuiet());
}

// The port guard's log, written here as the guard writes it.
class RefusalsTest : public LinkedDevsimTest {
 protected:
  void TearDown() override {
    unlink(GuardLog().c_str());
    LinkedDevsimTest::TearDown();
  }
  std::string GuardLog() const { return directory + "/port-guard.log"; }
  void LogRefusal(const std::string& slave) {
    std::ofstream(GuardLog(), std::ios::app) << "2026-01-31T12:00:00.000Z " << slave << " " << link << "\n";
  }
  std::vector<std::string> Refusals() { return devsim::ExecuteControlCommand(simulator, "refusals").lines; }

  DeviceSimulator simulator;
};

TEST_F(RefusalsTest, NeedTheGuardLog) {
  EXPECT_TRUE(devsim::ExecuteControlCommand(simulator, "refusals").error);
  simulator.SetPortGuardLog(GuardLog());
  EXPECT_EQ(Refusals(), std::vector<std::string>{"refused 0"}) << "no refusal logged yet";
}

TEST_F(RefusalsTest, CountLinesNamingAnySlaveTheDeviceUsed) {
  simulator.SetPortGuardLog(GuardLog());
  const std::string first = simulator.SlavePath();
  LogRefusal(first);
  LogRefusal(first + "0");  // another pty
  HostPort host(first);     // keeps the old pty's number taken, as a host that missed the unplug does
  simulator.Unplug();
  simulator.Plug();
  ASSERT_NE(simulator.SlavePath(), first);
  LogRefusal(simulator.SlavePath());
  LogRefusal(first);
  EXPECT_EQ(Refusals(), std::vector<std::string>{"refused 3"});
}

}  // namespace

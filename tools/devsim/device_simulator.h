#pragma once

// Plays the device on a pseudo-terminal: answers host commands from its state
// and sends events on request, with ways to misbehave for tests.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device_state.h"
#include "event_record.h"
#include "protocol.h"
#include "pseudo_terminal.h"
#include "unique_fd.h"

namespace devsim {

using OpcodeFilter = std::optional<std::uint16_t>;  // nullopt: every opcode
inline constexpr OpcodeFilter kAllOpcodes = std::nullopt;

enum class Repeat { UntilCleared, Once };
enum class Behaviour { Silent, Fail, BadLength, Delay };

// Deviations for one emitted packet.
struct PacketOptions {
  std::optional<std::uint16_t> opcode;  // instead of the emission's own opcode
  std::optional<std::uint8_t> status;   // instead of kEventStatus
  bool badChecksum = false;
  std::uint16_t extraPayloadBytes = 0;  // zero bytes appended to the payload and counted in its length
};

inline constexpr std::chrono::milliseconds kDefaultSplitGap{30};

class DeviceSimulator {
 public:
  // Plugs in straight away. Throws std::system_error when no pty can be had.
  DeviceSimulator();
  ~DeviceSimulator();
  DeviceSimulator(const DeviceSimulator&) = delete;
  DeviceSimulator& operator=(const DeviceSimulator&) = delete;

  // The host's end of the pty; empty while unplugged.
  std::string SlavePath() const;
  // Keeps a symlink to the slave at linkPath while plugged in.
  void LinkSlaveAt(const std::string& linkPath);
  // Closes the pty and removes the symlink: the host sees the device vanish.
  void Unplug();
  // Opens a fresh pty and links it again.
  void Plug();
  bool IsPlugged() const;

  // The log where the port guard (tools/portguard) notes each open of a pty
  // it refused, one line naming the slave.
  void SetPortGuardLog(std::string path);
  // Lines of that log naming any slave this simulator has plugged in (a
  // missing log has none); nullopt when no log was set.
  std::optional<std::size_t> PortRefusals() const;

  DeviceState State() const;
  // change runs under the state lock and must not call back into the simulator.
  void UpdateState(const std::function<void(DeviceState&)>& change);
  // State, behaviours, pending split and gap back to their defaults; clears the log.
  void Reset();

  // Every command received since the last ClearLog, in order, bad ones included.
  std::vector<HostCommand> ReceivedCommands() const;
  void ClearLog();
  bool WaitForCommandCount(std::size_t count, std::chrono::milliseconds timeout) const;
  // Called on the reader thread for each received command.
  void SetCommandObserver(std::function<void(const HostCommand&)> observer);

  // Later settings for the same behaviour and opcode replace earlier ones; a
  // setting for one opcode wins over one for all opcodes.
  void SetSilent(OpcodeFilter opcode, Repeat repeat = Repeat::UntilCleared);
  void SetFailure(OpcodeFilter opcode, std::uint8_t status = kStatusFailure,
                  Repeat repeat = Repeat::UntilCleared);
  void SetBadLength(std::uint16_t opcode, std::uint16_t payloadLength, Repeat repeat = Repeat::UntilCleared);
  void SetDelay(OpcodeFilter opcode, std::chrono::milliseconds delay, Repeat repeat = Repeat::UntilCleared);
  void ClearBehaviour(Behaviour behaviour);
  void ClearAllBehaviours();

  // The next packet the device writes (emission or response) goes out in
  // pieces cut at these offsets, with the split gap between the writes.
  // Offsets must rise strictly and be above 0; those past the end are ignored.
  // Throws std::invalid_argument.
  void SplitNextWrite(std::vector<std::size_t> offsets);
  void SetSplitGap(std::chrono::milliseconds gap);

  // Emissions return false when unplugged or when the host stops reading.
  bool EmitRaw(const Bytes& bytes);
  bool EmitPacket(std::uint16_t opcode, const Bytes& payload, const PacketOptions& options = {});
  // One record as given, its more-follows flag untouched.
  bool EmitRecord(const EventRecord& record, const PacketOptions& options = {});
  // One packet per record, more-follows set on all but the last, in one write.
  // Throws std::invalid_argument for an empty group.
  bool EmitGroup(std::vector<EventRecord> records, const PacketOptions& options = {});
  // Also records powerState as the device's state.
  bool EmitPowerNotice(std::uint8_t powerState, const PacketOptions& options = {});
  bool EmitLayoutNotice(const Bytes& payload = {}, const PacketOptions& options = {});
  bool EmitLayoutLoadError(const Bytes& payload = {}, const PacketOptions& options = {});

 private:
  struct Rule {
    Behaviour behaviour;
    OpcodeFilter opcode;
    std::uint32_t parameter;  // status, payload length or milliseconds
    Repeat repeat;
  };
  struct Reply {
    std::uint8_t status;
    Bytes payload;
  };
  struct Answer {
    Bytes packet;
    std::chrono::milliseconds delay;
  };

  void StopReader();
  void ReadHostCommands(int masterFd, int wakeFd);
  void HandleCommand(const HostCommand& command);
  // The following expect stateMutex_ to be held.
  std::optional<Answer> PrepareAnswer(const HostCommand& command);
  Reply ExecuteCommand(const HostCommand& command);
  bool ApplyToState(const HostCommand& command);
  void AddRule(const Rule& rule);
  std::optional<Rule> TakeRule(Behaviour behaviour, std::uint16_t opcode);

  bool SleepUnlessStopping(std::chrono::milliseconds delay);
  bool WriteToHost(const Bytes& bytes);

  mutable std::mutex plugMutex_;  // Plug, Unplug and the link
  std::optional<PtyConnection> pty_;
  UniqueFd wakeReader_;
  std::thread reader_;
  std::string linkPath_;
  std::vector<std::string> slavePathsUsed_;
  std::string portGuardLog_;

  mutable std::mutex stateMutex_;
  mutable std::condition_variable stateChanged_;  // log growth and stop requests
  DeviceState state_;
  std::vector<Rule> rules_;
  std::vector<HostCommand> log_;
  std::function<void(const HostCommand&)> observer_;
  bool stopping_ = false;

  std::mutex writeMutex_;  // keeps packets whole on the wire
  int masterFd_ = -1;
  std::vector<std::size_t> pendingSplit_;
  std::chrono::milliseconds splitGap_ = kDefaultSplitGap;
};

}  // namespace devsim

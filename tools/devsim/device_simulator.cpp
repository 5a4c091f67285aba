#include "device_simulator.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace devsim {
namespace {

Bytes LittleEndian(std::uint32_t value, std::size_t width) {
  Bytes bytes(width);
  for (std::size_t i = 0; i < width; ++i) bytes[i] = (value >> (8 * i)) & 0xFF;
  return bytes;
}

Bytes ResponsePayload(const DeviceState& state, std::uint16_t opcode, const CommandLengths& lengths) {
  if (const StateField* field = FindFieldReadBy(opcode)) {
    return LittleEndian(state.*(field->member), field->width);
  }
  return Bytes(lengths.responseLength == kAnyLength ? kDefaultAnyLengthResponse : lengths.responseLength, 0);
}

Bytes BuildEmission(std::uint16_t defaultOpcode, Bytes payload, const PacketOptions& options) {
  payload.resize(payload.size() + options.extraPayloadBytes, 0);
  Bytes packet = BuildDevicePacket(options.opcode.value_or(defaultOpcode),
                                   options.status.value_or(kEventStatus), payload);
  if (options.badChecksum) packet.back() ^= 0xFF;
  return packet;
}

// Waits until the master has bytes; false once the wake fd is signalled.
bool WaitForHostBytes(int masterFd, int wakeFd) {
  std::array<pollfd, 2> watch{{{masterFd, POLLIN, 0}, {wakeFd, POLLIN, 0}}};
  int ready;
  do {
    ready = poll(watch.data(), watch.size(), -1);
  } while (ready < 0 && errno == EINTR);
  return ready > 0 && watch[1].revents == 0;
}

bool LineNamesAny(const std::string& line, const std::vector<std::string>& names) {
  std::istringstream words(line);
  for (std::string word; words >> word;) {
    if (std::find(names.begin(), names.end(), word) != names.end()) return true;
  }
  return false;
}

}  // namespace

DeviceSimulator::DeviceSimulator() { Plug(); }

DeviceSimulator::~DeviceSimulator() { Unplug(); }

std::string DeviceSimulator::SlavePath() const {
  std::lock_guard lock(plugMutex_);
  return pty_ ? pty_->slavePath : std::string();
}

void DeviceSimulator::LinkSlaveAt(const std::string& linkPath) {
  std::lock_guard lock(plugMutex_);
  if (pty_ && !linkPath_.empty()) RemoveSymlinkIfPointsTo(linkPath_, pty_->slavePath);
  linkPath_ = linkPath;
  if (pty_) ReplaceSymlink(pty_->slavePath, linkPath_);
}

void DeviceSimulator::Plug() {
  std::lock_guard lock(plugMutex_);
  if (pty_) return;
  PtyConnection pty = OpenRawPty();
  UniqueFd wake(eventfd(0, EFD_CLOEXEC));
  if (!wake) throw std::system_error(errno, std::generic_category(), "eventfd");
  {
    std::lock_guard stateLock(stateMutex_);
    stopping_ = false;
  }
  {
    std::lock_guard writeLock(writeMutex_);
    masterFd_ = pty.master.Get();
  }
  reader_ = std::thread(&DeviceSimulator::ReadHostCommands, this, pty.master.Get(), wake.Get());
  pty_ = std::move(pty);
  wakeReader_ = std::move(wake);
  slavePathsUsed_.push_back(pty_->slavePath);
  if (!linkPath_.empty()) ReplaceSymlink(pty_->slavePath, linkPath_);
}

void DeviceSimulator::Unplug() {
  std::lock_guard lock(plugMutex_);
  if (!pty_) return;
  // Unlink first so that the host cannot reopen the old pty.
  if (!linkPath_.empty()) RemoveSymlinkIfPointsTo(linkPath_, pty_->slavePath);
  StopReader();
  {
    std::lock_guard writeLock(writeMutex_);
    masterFd_ = -1;
  }
  pty_.reset();
  wakeReader_.Reset();
}

bool DeviceSimulator::IsPlugged() const {
  std::lock_guard lock(plugMutex_);
  return pty_.has_value();
}

void DeviceSimulator::SetPortGuardLog(std::string path) {
  std::lock_guard lock(plugMutex_);
  portGuardLog_ = std::move(path);
}

std::optional<std::size_t> DeviceSimulator::PortRefusals() const {
  std::lock_guard lock(plugMutex_);
  if (portGuardLog_.empty()) return std::nullopt;
  std::ifstream log(portGuardLog_);
  std::size_t refusals = 0;
  for (std::string line; std::getline(log, line);) refusals += LineNamesAny(line, slavePathsUsed_);
  return refusals;
}

void DeviceSimulator::StopReader() {
  {
    std::lock_guard stateLock(stateMutex_);
    stopping_ = true;
  }
  stateChanged_.notify_all();
  const std::uint64_t one = 1;
  if (write(wakeReader_.Get(), &one, sizeof one) != sizeof one) {
    throw std::system_error(errno, std::generic_category(), "eventfd write");
  }
  reader_.join();
}

DeviceState DeviceSimulator::State() const {
  std::lock_guard lock(stateMutex_);
  return state_;
}

void DeviceSimulator::UpdateState(const std::function<void(DeviceState&)>& change) {
  std::lock_guard lock(stateMutex_);
  change(state_);
}

void DeviceSimulator::Reset() {
  {
    std::lock_guard lock(stateMutex_);
    state_ = DeviceState{};
    rules_.clear();
    log_.clear();
  }
  std::lock_guard writeLock(writeMutex_);
  pendingSplit_.clear();
  splitGap_ = kDefaultSplitGap;
}

std::vector<HostCommand> DeviceSimulator::ReceivedCommands() const {
  std::lock_guard lock(stateMutex_);
  return log_;
}

void DeviceSimulator::ClearLog() {
  std::lock_guard lock(stateMutex_);
  log_.clear();
}

bool DeviceSimulator::WaitForCommandCount(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(stateMutex_);
  return stateChanged_.wait_for(lock, timeout, [&] { return log_.size() >= count; });
}

void DeviceSimulator::SetCommandObserver(std::function<void(const HostCommand&)> observer) {
  std::lock_guard lock(stateMutex_);
  observer_ = std::move(observer);
}

void DeviceSimulator::SetSilent(OpcodeFilter opcode, Repeat repeat) {
  AddRule({Behaviour::Silent, opcode, 0, repeat});
}

void DeviceSimulator::SetFailure(OpcodeFilter opcode, std::uint8_t status, Repeat repeat) {
  AddRule({Behaviour::Fail, opcode, status, repeat});
}

void DeviceSimulator::SetBadLength(std::uint16_t opcode, std::uint16_t payloadLength, Repeat repeat) {
  AddRule({Behaviour::BadLength, opcode, payloadLength, repeat});
}

void DeviceSimulator::SetDelay(OpcodeFilter opcode, std::chrono::milliseconds delay, Repeat repeat) {
  if (delay.count() < 0 || delay.count() > UINT32_MAX) {
    throw std::invalid_argument("delay out of range");
  }
  AddRule({Behaviour::Delay, opcode, static_cast<std::uint32_t>(delay.count()), repeat});
}

void DeviceSimulator::ClearBehaviour(Behaviour behaviour) {
  std::lock_guard lock(stateMutex_);
  rules_.erase(std::remove_if(rules_.begin(), rules_.end(),
                              [behaviour](const Rule& r) { return r.behaviour == behaviour; }),
               rules_.end());
}

void DeviceSimulator::ClearAllBehaviours() {
  std::lock_guard lock(stateMutex_);
  rules_.clear();
}

void DeviceSimulator::AddRule(const Rule& rule) {
  std::lock_guard lock(stateMutex_);
  rules_.erase(std::remove_if(rules_.begin(), rules_.end(),
                              [&rule](const Rule& r) {
                                return r.behaviour == rule.behaviour && r.opcode == rule.opcode;
                              }),
               rules_.end());
  rules_.push_back(rule);
}

std::optional<DeviceSimulator::Rule> DeviceSimulator::TakeRule(Behaviour behaviour, std::uint16_t opcode) {
  auto findFor = [&](OpcodeFilter filter) {
    return std::find_if(rules_.begin(), rules_.end(),
                        [&](const Rule& r) { return r.behaviour == behaviour && r.opcode == filter; });
  };
  auto found = findFor(opcode);
  if (found == rules_.end()) found = findFor(kAllOpcodes);
  if (found == rules_.end()) return std::nullopt;
  const Rule rule = *found;
  if (rule.repeat == Repeat::Once) rules_.erase(found);
  return rule;
}

void DeviceSimulator::SplitNextWrite(std::vector<std::size_t> offsets) {
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    if (offsets[i] == 0 || (i > 0 && offsets[i] <= offsets[i - 1])) {
      throw std::invalid_argument("split offsets must rise strictly from above 0");
    }
  }
  std::lock_guard lock(writeMutex_);
  pendingSplit_ = std::move(offsets);
}

void DeviceSimulator::SetSplitGap(std::chrono::milliseconds gap) {
  if (gap.count() < 0) throw std::invalid_argument("negative split gap");
  std::lock_guard lock(writeMutex_);
  splitGap_ = gap;
}

bool DeviceSimulator::EmitRaw(const Bytes& bytes) { return WriteToHost(bytes); }

bool DeviceSimulator::EmitPacket(std::uint16_t opcode, const Bytes& payload, const PacketOptions& options) {
  return WriteToHost(BuildEmission(opcode, payload, options));
}

bool DeviceSimulator::EmitRecord(const EventRecord& record, const PacketOptions& options) {
  return EmitPacket(opcode::kInputEvent, EncodeEventRecord(record), options);
}

bool DeviceSimulator::EmitGroup(std::vector<EventRecord> records, const PacketOptions& options) {
  if (records.empty()) throw std::invalid_argument("empty event group");
  Bytes packets;
  for (std::size_t i = 0; i < records.size(); ++i) {
    records[i].moreFollows = i + 1 < records.size() ? 1 : 0;
    const Bytes packet = BuildEmission(opcode::kInputEvent, EncodeEventRecord(records[i]), options);
    packets.insert(packets.end(), packet.begin(), packet.end());
  }
  return WriteToHost(packets);
}

bool DeviceSimulator::EmitPowerNotice(std::uint8_t powerState, const PacketOptions& options) {
  UpdateState([powerState](DeviceState& state) { state.powerState = powerState; });
  // A power notice's opcode is the new state itself.
  return EmitPacket(powerState, EncodeEventRecord(PowerStateRecord(powerState)), options);
}

bool DeviceSimulator::EmitLayoutNotice(const Bytes& payload, const PacketOptions& options) {
  return EmitPacket(opcode::kLayoutNotice, payload, options);
}

bool DeviceSimulator::EmitLayoutLoadError(const Bytes& payload, const PacketOptions& options) {
  return EmitPacket(opcode::kLayoutLoadError, payload, options);
}

void DeviceSimulator::ReadHostCommands(int masterFd, int wakeFd) {
  CommandFramer framer;
  std::array<std::uint8_t, 256> chunk;
  while (WaitForHostBytes(masterFd, wakeFd)) {
    const ssize_t size = read(masterFd, chunk.data(), chunk.size());
    if (size < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (size <= 0) return;
    framer.Append(chunk.data(), static_cast<std::size_t>(size));
    while (auto command = framer.Next()) HandleCommand(*command);
  }
}

void DeviceSimulator::HandleCommand(const HostCommand& command) {
  std::optional<Answer> answer;
  std::function<void(const HostCommand&)> observer;
  {
    std::lock_guard lock(stateMutex_);
    log_.push_back(command);
    observer = observer_;
    // A real device drops a corrupt command without a word.
    if (command.checksumOk) answer = PrepareAnswer(command);
  }
  stateChanged_.notify_all();
  if (observer) observer(command);
  if (answer && SleepUnlessStopping(answer->delay)) WriteToHost(answer->packet);
}

std::optional<DeviceSimulator::Answer> DeviceSimulator::PrepareAnswer(const HostCommand& command) {
  // Silence means the command never reached the device: state stays as it was.
  if (TakeRule(Behaviour::Silent, command.opcode)) return std::nullopt;
  Reply reply;
  if (const auto failure = TakeRule(Behaviour::Fail, command.opcode)) {
    reply = {static_cast<std::uint8_t>(failure->parameter), {}};
  } else {
    reply = ExecuteCommand(command);
  }
  if (const auto badLength = TakeRule(Behaviour::BadLength, command.opcode)) {
    reply.payload.resize(badLength->parameter, 0);
  }
  const auto delay = TakeRule(Behaviour::Delay, command.opcode);
  return Answer{BuildDevicePacket(command.opcode, reply.status, reply.payload),
                std::chrono::milliseconds(delay ? delay->parameter : 0)};
}

DeviceSimulator::Reply DeviceSimulator::ExecuteCommand(const HostCommand& command) {
  // Unknown opcodes and malformed lengths are refused with an empty failure.
  const auto lengths = FindCommandLengths(command.opcode);
  if (!lengths || !IsRequestLengthAccepted(command.opcode, *lengths, command.lengthField) ||
      !ApplyToState(command)) {
    return {kStatusFailure, {}};
  }
  return {kStatusSuccess, ResponsePayload(state_, command.opcode, *lengths)};
}

bool DeviceSimulator::ApplyToState(const HostCommand& command) {
  const std::uint32_t value = CommandValue(command);
  switch (command.opcode) {
    case opcode::kStartZsm:
      if (state_.powerState == kPowerNotStarted) state_.powerState = kPowerNormal;
      return true;
    case opcode::kSetPowerState:
      // Only the moves between normal and standby are the host's to make.
      if (value == kPowerNormal && state_.powerState == kPowerStandby) state_.powerState = kPowerNormal;
      if (value == kPowerStandby && state_.powerState == kPowerNormal) state_.powerState = kPowerStandby;
      return true;
    case opcode::kSetActiveLayout:
      if (value > kMaxLayoutIndex) return false;
      break;
  }
  if (const StateField* field = FindFieldSetBy(command.opcode)) state_.*(field->member) = value;
  return true;
}

bool DeviceSimulator::SleepUnlessStopping(std::chrono::milliseconds delay) {
  std::unique_lock lock(stateMutex_);
  return !stateChanged_.wait_for(lock, delay, [this] { return stopping_; });
}

bool DeviceSimulator::WriteToHost(const Bytes& bytes) {
  std::lock_guard lock(writeMutex_);
  const std::vector<std::size_t> offsets = std::exchange(pendingSplit_, {});
  if (masterFd_ < 0) return false;
  std::size_t start = 0;
  for (std::size_t offset : offsets) {
    if (offset >= bytes.size()) break;
    if (!WriteAll(masterFd_, bytes.data() + start, offset - start)) return false;
    std::this_thread::sleep_for(splitGap_);
    start = offset;
  }
  return WriteAll(masterFd_, bytes.data() + start, bytes.size() - start);
}

}  // namespace devsim

#include "control_commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <utility>

namespace devsim {
namespace {

constexpr std::size_t kMaxEmittedBytes = 4096;
constexpr std::uint32_t kMaxDelayMs = 60000;
constexpr std::uint32_t kMaxGapMs = 10000;
constexpr std::uint32_t kMaxSplitOffset = 0xFFFF;
constexpr std::uint8_t kVirtualKeySpace = 0x20;
// VK_F23: no test types it, so its arrival marks the end of what came before.
constexpr std::uint8_t kMarkerKey = 0x86;
// Contains a lone sync byte, to tempt a careless host framer.
const Bytes kDefaultJunk = {0x00, 0x13, 0xA5, 0x7E, 0xFF};

// Bad input on the control line; the text becomes the "err" reason.
class CommandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::vector<std::string> SplitWords(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsSpace(line[i])) ++i;
    if (i > start) words.emplace_back(line.substr(start, i - start));
  }
  return words;
}

// The arguments of one command, consumed from the front.
class Words {
 public:
  explicit Words(std::vector<std::string> words) : words_(std::move(words)) {}

  bool Empty() const { return next_ == words_.size(); }
  bool NextIs(std::string_view word) const { return !Empty() && words_[next_] == word; }
  std::string Take(std::string_view what) {
    if (Empty()) throw CommandError("missing " + std::string(what));
    return words_[next_++];
  }
  bool TakeIf(std::string_view word) {
    if (!NextIs(word)) return false;
    ++next_;
    return true;
  }
  std::vector<std::string> TakeRest() {
    std::vector<std::string> rest(words_.begin() + static_cast<std::ptrdiff_t>(next_), words_.end());
    next_ = words_.size();
    return rest;
  }
  void ExpectEnd() const {
    if (!Empty()) throw CommandError("unexpected " + Quoted(words_[next_]));
  }

 private:
  std::vector<std::string> words_;
  std::size_t next_ = 0;
};

// key=value words and the flag "badsum" given to an emission command.
class Options {
 public:
  // Moves the option words out of words, leaving the positional ones.
  static Options Extract(std::vector<std::string>& words) {
    Options options;
    std::vector<std::string> positional;
    for (const std::string& word : words) {
      const std::size_t equals = word.find('=');
      if (word == "badsum") {
        options.badChecksum_ = true;
      } else if (equals == std::string::npos) {
        positional.push_back(word);
      } else if (!options.values_.emplace(word.substr(0, equals), word.substr(equals + 1)).second) {
        throw CommandError("option " + Quoted(word.substr(0, equals)) + " given twice");
      }
    }
    words = std::move(positional);
    return options;
  }

  std::optional<std::string> Take(const std::string& key) {
    const auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    std::string value = found->second;
    values_.erase(found);
    return value;
  }
  bool TakeBadChecksum() { return std::exchange(badChecksum_, false); }
  void ExpectAllTaken() const {
    if (badChecksum_) throw CommandError("badsum does not apply here");
    if (!values_.empty()) throw CommandError("unknown option " + Quoted(values_.begin()->first));
  }

 private:
  std::map<std::string, std::string> values_;
  bool badChecksum_ = false;
};

int DigitValue(char c, unsigned base) {
  int value = -1;
  if (c >= '0' && c <= '9') value = c - '0';
  if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

std::uint32_t ParseDigits(std::string_view text, unsigned base, std::uint32_t max, std::string_view what) {
  if (text.empty()) throw CommandError("empty " + std::string(what));
  std::uint64_t value = 0;
  for (char c : text) {
    const int digit = DigitValue(c, base);
    if (digit < 0) throw CommandError("bad " + std::string(what) + " " + Quoted(text));
    value = value * base + static_cast<unsigned>(digit);
    if (value > max) throw CommandError(std::string(what) + " " + Quoted(text) + " out of range");
  }
  return static_cast<std::uint32_t>(value);
}

bool StripHexPrefix(std::string_view& text) {
  if (text.size() <= 2 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
  text.remove_prefix(2);
  return true;
}

// Codes (opcodes, key codes, status, kinds, power states): hex, "0x" optional.
std::uint32_t ParseHex(std::string_view text, std::uint32_t max, std::string_view what) {
  StripHexPrefix(text);
  return ParseDigits(text, 16, max, what);
}

// Quantities (lengths, milliseconds, offsets, special-key codes): decimal,
// hex when written with "0x".
std::uint32_t ParseNumber(std::string_view text, std::uint32_t max, std::string_view what) {
  const unsigned base = StripHexPrefix(text) ? 16 : 10;
  return ParseDigits(text, base, max, what);
}

std::int16_t ParseCoordinate(std::string_view text) {
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  const auto magnitude = static_cast<std::int32_t>(ParseNumber(text, negative ? 32768 : 32767, "coordinate"));
  return static_cast<std::int16_t>(negative ? -magnitude : magnitude);
}

std::uint16_t ParseOpcode(std::string_view text) {
  return static_cast<std::uint16_t>(ParseHex(text, 0xFFFF, "opcode"));
}

std::uint8_t ParseCode(std::string_view text, std::string_view what) {
  return static_cast<std::uint8_t>(ParseHex(text, 0xFF, what));
}

// Each word is one or more bytes written as pairs of hex digits.
Bytes ParseHexBytes(const std::vector<std::string>& words) {
  Bytes bytes;
  for (std::string_view word : words) {
    StripHexPrefix(word);
    if (word.size() % 2 != 0) throw CommandError("odd number of hex digits in " + Quoted(word));
    for (std::size_t i = 0; i < word.size(); i += 2) {
      bytes.push_back(static_cast<std::uint8_t>(ParseDigits(word.substr(i, 2), 16, 0xFF, "byte")));
    }
    if (bytes.size() > kMaxEmittedBytes) throw CommandError("too many bytes");
  }
  return bytes;
}

LayoutId ParseLayoutId(const std::string& text) {
  const Bytes bytes = ParseHexBytes({text});
  if (bytes.size() != LayoutId{}.size()) throw CommandError("layout needs 4 bytes, e.g. 01FFFFFF");
  LayoutId layout;
  std::copy(bytes.begin(), bytes.end(), layout.begin());
  return layout;
}

std::optional<KeyAction> KeyActionNamed(std::string_view name) {
  if (name == "press") return KeyAction::Press;
  if (name == "release") return KeyAction::Release;
  if (name == "hold") return KeyAction::Hold;
  return std::nullopt;
}

// One record of a "group" line: press:VK release:VK hold:VK spress:CODE
// srelease:CODE shold:CODE move:X,Y lefttap righttap.
EventRecord ParseRecordWord(const std::string& word) {
  const std::size_t colon = word.find(':');
  const std::string name = word.substr(0, colon);
  const std::string argument = colon == std::string::npos ? "" : word.substr(colon + 1);
  if (const auto action = KeyActionNamed(name)) return KeyRecord(*action, ParseCode(argument, "key code"));
  if (name.size() > 1 && name[0] == 's') {
    if (const auto action = KeyActionNamed(name.substr(1))) {
      return SpecialKeyRecord(*action,
                              static_cast<std::uint8_t>(ParseNumber(argument, 0xFF, "special-key code")));
    }
  }
  if (name == "move") {
    const std::size_t comma = argument.find(',');
    if (comma == std::string::npos) throw CommandError("move needs move:X,Y");
    return PointerMoveRecord(ParseCoordinate(argument.substr(0, comma)),
                             ParseCoordinate(argument.substr(comma + 1)));
  }
  if (name == "lefttap" && argument.empty()) return LeftTapRecord();
  if (name == "righttap" && argument.empty()) return RightTapRecord();
  throw CommandError("bad record " + Quoted(word));
}

std::uint8_t VirtualKeyOf(char c) {
  if (c == ' ') return kVirtualKeySpace;
  return static_cast<std::uint8_t>(std::toupper(static_cast<unsigned char>(c)));
}

bool IsTypeable(char c) {
  return c == ' ' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string FormatHexBytes(const Bytes& bytes) {
  std::string text;
  char pair[4];
  for (std::uint8_t byte : bytes) {
    std::snprintf(pair, sizeof pair, text.empty() ? "%02X" : " %02X", byte);
    text += pair;
  }
  return text;
}

std::string FormatLogLine(const HostCommand& command) {
  char opcode[8];
  std::snprintf(opcode, sizeof opcode, "%04X", command.opcode);
  return std::string(opcode) + (command.checksumOk ? " ok " : " badsum ") + FormatHexBytes(command.bytes);
}

std::string FormatValue(const StateField& field, std::uint32_t value) {
  if (field.radix == Radix::Decimal) return std::to_string(value);
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", field.width * 2, value);
  return text;
}

struct Context {
  DeviceSimulator& simulator;
  Words& words;
  Options& options;
  ControlReply& reply;
};

void RequireSent(bool sent) {
  if (!sent) throw CommandError("not sent: device unplugged or host not reading");
}

PacketOptions TakePacketOptions(Options& options) {
  PacketOptions packet;
  if (const auto value = options.Take("opcode")) packet.opcode = ParseOpcode(*value);
  if (const auto value = options.Take("status")) packet.status = ParseCode(*value, "status");
  if (const auto value = options.Take("extra")) {
    packet.extraPayloadBytes =
        static_cast<std::uint16_t>(ParseNumber(*value, kMaxEmittedBytes, "extra length"));
  }
  packet.badChecksum = options.TakeBadChecksum();
  return packet;
}

void EmitGroups(Context& c, const std::vector<std::vector<EventRecord>>& groups) {
  c.words.ExpectEnd();
  const auto layoutText = c.options.Take("layout");
  const LayoutId layout = layoutText ? ParseLayoutId(*layoutText) : kInputLayoutId;
  const PacketOptions packet = TakePacketOptions(c.options);
  c.options.ExpectAllTaken();
  for (std::vector<EventRecord> group : groups) {
    for (EventRecord& record : group) record.layoutId = layout;
    RequireSent(c.simulator.EmitGroup(std::move(group), packet));
  }
}

OpcodeFilter ParseTarget(const std::string& word) {
  return word == "all" ? kAllOpcodes : OpcodeFilter(ParseOpcode(word));
}

Repeat TakeRepeat(Words& words) {
  const Repeat repeat = words.TakeIf("once") ? Repeat::Once : Repeat::UntilCleared;
  words.ExpectEnd();
  return repeat;
}

// Handles "<behaviour> off"; true when it did.
bool TakeOff(Context& c, Behaviour behaviour) {
  if (!c.words.TakeIf("off")) return false;
  c.words.ExpectEnd();
  c.simulator.ClearBehaviour(behaviour);
  return true;
}

const StateField& FieldNamed(const std::string& name) {
  const StateField* field = FindStateField(name);
  if (!field) throw CommandError("unknown state field " + Quoted(name));
  return *field;
}

void RunHelp(Context& c);

void RunGet(Context& c) {
  const DeviceState state = c.simulator.State();
  if (c.words.Empty()) {
    for (const StateField& field : StateFields()) {
      c.reply.lines.push_back(std::string(field.name) + " " + FormatValue(field, state.*(field.member)));
    }
    return;
  }
  const StateField& field = FieldNamed(c.words.Take("field"));
  c.words.ExpectEnd();
  c.reply.lines.push_back(std::string(field.name) + " " + FormatValue(field, state.*(field.member)));
}

void RunSet(Context& c) {
  const StateField& field = FieldNamed(c.words.Take("field"));
  const std::string text = c.words.Take("value");
  c.words.ExpectEnd();
  const std::uint32_t value = field.radix == Radix::Hex ? ParseHex(text, MaxValue(field), field.name)
                                                        : ParseNumber(text, MaxValue(field), field.name);
  c.simulator.UpdateState([&field, value](DeviceState& state) { state.*(field.member) = value; });
}

void RunLog(Context& c) {
  for (const HostCommand& command : c.simulator.ReceivedCommands()) {
    c.reply.lines.push_back(FormatLogLine(command));
  }
}

void RunSilent(Context& c) {
  if (TakeOff(c, Behaviour::Silent)) return;
  const OpcodeFilter target = ParseTarget(c.words.Take("all or opcode"));
  c.simulator.SetSilent(target, TakeRepeat(c.words));
}

void RunFail(Context& c) {
  if (TakeOff(c, Behaviour::Fail)) return;
  const OpcodeFilter target = ParseTarget(c.words.Take("all or opcode"));
  std::uint8_t status = kStatusFailure;
  if (!c.words.Empty() && !c.words.NextIs("once")) status = ParseCode(c.words.Take("status"), "status");
  c.simulator.SetFailure(target, status, TakeRepeat(c.words));
}

void RunBadLength(Context& c) {
  if (TakeOff(c, Behaviour::BadLength)) return;
  const std::uint16_t target = ParseOpcode(c.words.Take("opcode"));
  const auto length = static_cast<std::uint16_t>(
      ParseNumber(c.words.Take("payload length"), kMaxEmittedBytes, "payload length"));
  c.simulator.SetBadLength(target, length, TakeRepeat(c.words));
}

void RunDelay(Context& c) {
  if (TakeOff(c, Behaviour::Delay)) return;
  const OpcodeFilter target = ParseTarget(c.words.Take("all or opcode"));
  const std::chrono::milliseconds delay(ParseNumber(c.words.Take("milliseconds"), kMaxDelayMs, "delay"));
  c.simulator.SetDelay(target, delay, TakeRepeat(c.words));
}

void RunKey(Context& c, KeyAction action) {
  const std::uint8_t key = ParseCode(c.words.Take("key code"), "key code");
  EmitGroups(c, {{KeyRecord(action, key)}});
}

void RunTap(Context& c) {
  const std::uint8_t key = ParseCode(c.words.Take("key code"), "key code");
  EmitGroups(c, {{KeyRecord(KeyAction::Press, key)}, {KeyRecord(KeyAction::Release, key)}});
}

void RunSpecial(Context& c) {
  const auto action = KeyActionNamed(c.words.Take("press, release or hold"));
  if (!action) throw CommandError("special needs press, release or hold");
  const auto code =
      static_cast<std::uint8_t>(ParseNumber(c.words.Take("special-key code"), 0xFF, "special-key code"));
  EmitGroups(c, {{SpecialKeyRecord(*action, code)}});
}

void RunMove(Context& c) {
  const std::int16_t x = ParseCoordinate(c.words.Take("x"));
  const std::int16_t y = ParseCoordinate(c.words.Take("y"));
  EmitGroups(c, {{PointerMoveRecord(x, y)}});
}

void RunGroup(Context& c) {
  std::vector<EventRecord> records;
  for (const std::string& word : c.words.TakeRest()) records.push_back(ParseRecordWord(word));
  if (records.empty()) throw CommandError("missing records");
  EmitGroups(c, {records});
}

void RunEvent(Context& c) {
  c.words.ExpectEnd();
  EventRecord record;
  Options& o = c.options;
  if (const auto v = o.Take("kind")) record.kind = ParseCode(*v, "kind");
  if (const auto v = o.Take("key")) record.keyCode = ParseCode(*v, "key code");
  if (const auto v = o.Take("special"))
    record.specialCode = static_cast<std::uint8_t>(ParseNumber(*v, 0xFF, "special-key code"));
  if (const auto v = o.Take("more")) record.moreFollows = ParseCode(*v, "more-follows flag");
  if (const auto v = o.Take("x")) record.x = ParseCoordinate(*v);
  if (const auto v = o.Take("y")) record.y = ParseCoordinate(*v);
  if (const auto v = o.Take("layout")) record.layoutId = ParseLayoutId(*v);
  const PacketOptions packet = TakePacketOptions(o);
  o.ExpectAllTaken();
  RequireSent(c.simulator.EmitRecord(record, packet));
}

void RunPower(Context& c) {
  const std::uint8_t state = ParseCode(c.words.Take("power state"), "power state");
  if (state != kPowerNormal && state != kPowerStandby && state != kPowerNotStarted) {
    throw CommandError("power state must be FB, FC or FD");
  }
  c.words.ExpectEnd();
  const PacketOptions packet = TakePacketOptions(c.options);
  c.options.ExpectAllTaken();
  RequireSent(c.simulator.EmitPowerNotice(state, packet));
}

void RunNotice(Context& c) {
  const std::uint8_t code = ParseCode(c.words.Take("D1 or E5"), "notice");
  if (code != (opcode::kLayoutNotice & 0xFF) && code != (opcode::kLayoutLoadError & 0xFF)) {
    throw CommandError("notice must be D1 or E5");
  }
  const Bytes payload = ParseHexBytes(c.words.TakeRest());
  const PacketOptions packet = TakePacketOptions(c.options);
  c.options.ExpectAllTaken();
  RequireSent(code == (opcode::kLayoutNotice & 0xFF) ? c.simulator.EmitLayoutNotice(payload, packet)
                                                     : c.simulator.EmitLayoutLoadError(payload, packet));
}

void RunRaw(Context& c) {
  const Bytes bytes = ParseHexBytes(c.words.TakeRest());
  if (bytes.empty()) throw CommandError("missing bytes");
  RequireSent(c.simulator.EmitRaw(bytes));
}

void RunJunk(Context& c) {
  const Bytes bytes = ParseHexBytes(c.words.TakeRest());
  RequireSent(c.simulator.EmitRaw(bytes.empty() ? kDefaultJunk : bytes));
}

void RunSplit(Context& c) {
  std::vector<std::size_t> offsets;
  for (const std::string& word : c.words.TakeRest())
    offsets.push_back(ParseNumber(word, kMaxSplitOffset, "offset"));
  if (offsets.empty()) throw CommandError("missing offsets");
  c.simulator.SplitNextWrite(std::move(offsets));
}

void RunGap(Context& c) {
  const std::chrono::milliseconds gap(ParseNumber(c.words.Take("milliseconds"), kMaxGapMs, "gap"));
  c.words.ExpectEnd();
  c.simulator.SetSplitGap(gap);
}

void RunType(Context& c) {
  std::string text;
  for (const std::string& word : c.words.TakeRest()) text += (text.empty() ? "" : " ") + word;
  if (text.empty()) throw CommandError("missing text");
  const auto bad = std::find_if_not(text.begin(), text.end(), IsTypeable);
  if (bad != text.end()) throw CommandError("cannot type " + Quoted(std::string(1, *bad)));
  for (char character : text) {
    const std::uint8_t key = VirtualKeyOf(character);
    RequireSent(c.simulator.EmitGroup({KeyRecord(KeyAction::Press, key)}));
    RequireSent(c.simulator.EmitGroup({KeyRecord(KeyAction::Release, key)}));
  }
}

void RunRefusals(Context& c) {
  const std::optional<std::size_t> refusals = c.simulator.PortRefusals();
  if (!refusals) throw CommandError("no guard log (--guard-log)");
  c.reply.lines.push_back("refused " + std::to_string(*refusals));
}

// What may follow a command's name.
enum class Takes { Nothing, Arguments, Options };  // Options: arguments and options

struct ControlCommand {
  std::string_view name;
  std::string_view usage;
  Takes takes;
  void (*run)(Context&);
};

const std::vector<ControlCommand>& Commands() {
  static const std::vector<ControlCommand> commands = {
      {"help", "help", Takes::Nothing, RunHelp},
      {"reset", "reset", Takes::Nothing, [](Context& c) { c.simulator.Reset(); }},
      {"get", "get [FIELD]", Takes::Arguments, RunGet},
      {"set", "set FIELD VALUE", Takes::Arguments, RunSet},
      {"log", "log", Takes::Nothing, RunLog},
      {"clearlog", "clearlog", Takes::Nothing, [](Context& c) { c.simulator.ClearLog(); }},
      {"silent", "silent all|OPCODE [once] | silent off", Takes::Arguments, RunSilent},
      {"fail", "fail all|OPCODE [STATUS] [once] | fail off", Takes::Arguments, RunFail},
      {"badlen", "badlen OPCODE LENGTH [once] | badlen off", Takes::Arguments, RunBadLength},
      {"delay", "delay all|OPCODE MS [once] | delay off", Takes::Arguments, RunDelay},
      {"press", "press VK [options]", Takes::Options, [](Context& c) { RunKey(c, KeyAction::Press); }},
      {"release", "release VK [options]", Takes::Options, [](Context& c) { RunKey(c, KeyAction::Release); }},
      {"hold", "hold VK [options]", Takes::Options, [](Context& c) { RunKey(c, KeyAction::Hold); }},
      {"tap", "tap VK [options]", Takes::Options, RunTap},
      {"special", "special press|release|hold CODE [options]", Takes::Options, RunSpecial},
      {"move", "move X Y [options]", Takes::Options, RunMove},
      {"lefttap", "lefttap [options]", Takes::Options,
       [](Context& c) { EmitGroups(c, {{LeftTapRecord()}}); }},
      {"righttap", "righttap [options]", Takes::Options,
       [](Context& c) { EmitGroups(c, {{RightTapRecord()}}); }},
      {"power", "power FB|FC|FD [options]", Takes::Options, RunPower},
      {"notice", "notice D1|E5 [HEX...] [options]", Takes::Options, RunNotice},
      {"group", "group RECORD... [options]", Takes::Options, RunGroup},
      {"event", "event [kind=] [key=] [special=] [more=] [x=] [y=] [options]", Takes::Options, RunEvent},
      {"raw", "raw HEX...", Takes::Arguments, RunRaw},
      {"junk", "junk [HEX...]", Takes::Arguments, RunJunk},
      {"split", "split OFFSET...", Takes::Arguments, RunSplit},
      {"gap", "gap MS", Takes::Arguments, RunGap},
      {"type", "type TEXT", Takes::Arguments, RunType},
      {"marker", "marker", Takes::Nothing,
       [](Context& c) { RequireSent(c.simulator.EmitGroup({KeyRecord(KeyAction::Press, kMarkerKey)})); }},
      {"refusals", "refusals", Takes::Nothing, RunRefusals},
      {"unplug", "unplug", Takes::Nothing, [](Context& c) { c.simulator.Unplug(); }},
      {"plug", "plug", Takes::Nothing, [](Context& c) { c.simulator.Plug(); }},
      {"quit", "quit", Takes::Nothing, [](Context& c) { c.reply.quit = true; }},
  };
  return commands;
}

void RunHelp(Context& c) {
  for (const ControlCommand& command : Commands()) c.reply.lines.emplace_back(command.usage);
  c.reply.lines.emplace_back("options: badsum opcode=HEX status=HEX extra=N layout=HEX8");
}

const ControlCommand& CommandNamed(const std::string& name) {
  const auto& commands = Commands();
  const auto found = std::find_if(commands.begin(), commands.end(),
                                  [&name](const ControlCommand& c) { return c.name == name; });
  if (found == commands.end()) throw CommandError("unknown command " + Quoted(name) + " (try help)");
  return *found;
}

}  // namespace

ControlReply ExecuteControlCommand(DeviceSimulator& simulator, std::string_view line) {
  ControlReply reply;
  std::vector<std::string> words = SplitWords(line);
  if (words.empty() || words.front().front() == '#') return reply;
  try {
    const ControlCommand& command = CommandNamed(words.front());
    words.erase(words.begin());
    Options options = command.takes == Takes::Options ? Options::Extract(words) : Options{};
    Words arguments(std::move(words));
    if (command.takes == Takes::Nothing) arguments.ExpectEnd();
    Context context{simulator, arguments, options, reply};
    command.run(context);
  } catch (const std::exception& error) {
    reply.lines.clear();
    reply.error = error.what();
  }
  return reply;
}

std::string FormatReply(const ControlReply& reply) {
  std::string text;
  for (const std::string& line : reply.lines) text += line + "\n";
  std::string verdict = reply.error ? "err " + *reply.error : "ok";
  // The verdict must stay one line whatever an error message holds.
  std::replace(verdict.begin(), verdict.end(), '\n', ' ');
  return text + verdict + "\n";
}

}  // namespace devsim

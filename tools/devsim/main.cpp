// orvik-devsim: plays the keyboard device on a pty for the host software.
// See README.md for the arguments and the control language.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "control_commands.h"
#include "control_server.h"
#include "device_simulator.h"

namespace {

const char kUsage[] =
    "usage: orvik-devsim [--link PATH] [--control PORT] [--state KEY=VALUE...]\n"
    "                    [--ready-file PATH] [--guard-log PATH] [--no-stdin] [--verbose]\n"
    "  --link PATH        symlink to the device's serial port (e.g. $WINEPREFIX/dosdevices/com5)\n"
    "  --control PORT     serve control commands on 127.0.0.1:PORT (0: any free port)\n"
    "  --state KEY=VALUE  initial state, as with the control command 'set KEY VALUE'\n"
    "  --ready-file PATH  written (slave=, link=, port=) once everything is up\n"
    "  --guard-log PATH   the port guard's log, for the control command 'refusals'\n"
    "  --no-stdin         do not take control commands from stdin\n"
    "  --verbose          print every command from the host on stderr\n";

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ProgramOptions {
  std::string linkPath;
  std::optional<std::uint16_t> controlPort;
  std::vector<std::string> stateAssignments;
  std::string readyFile;
  std::string guardLog;
  bool readStdin = true;
  bool verbose = false;
  bool help = false;
};

std::uint16_t ParsePort(const std::string& text) {
  if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos ||
      std::stoul(text) > 0xFFFF) {
    throw UsageError("bad port '" + text + "'");
  }
  return static_cast<std::uint16_t>(std::stoul(text));
}

ProgramOptions ParseArguments(int argc, char** argv) {
  ProgramOptions options;
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
      return args[++i];
    };
    if (arg == "--link") {
      options.linkPath = value();
    } else if (arg == "--control") {
      options.controlPort = ParsePort(value());
    } else if (arg == "--ready-file") {
      options.readyFile = value();
    } else if (arg == "--guard-log") {
      options.guardLog = value();
    } else if (arg == "--state") {
      options.stateAssignments.push_back(value());
      while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0)
        options.stateAssignments.push_back(args[++i]);
    } else if (arg == "--no-stdin") {
      options.readStdin = false;
    } else if (arg == "--verbose") {
      options.verbose = true;
    } else if (arg == "--help" || arg == "-h") {
      options.help = true;
    } else {
      throw UsageError("unknown argument '" + arg + "'");
    }
  }
  return options;
}

void ApplyInitialState(devsim::DeviceSimulator& simulator, const std::vector<std::string>& assignments) {
  for (const std::string& assignment : assignments) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string::npos) throw UsageError("--state needs KEY=VALUE, not '" + assignment + "'");
    const auto reply = devsim::ExecuteControlCommand(
        simulator, "set " + assignment.substr(0, equals) + " " + assignment.substr(equals + 1));
    if (reply.error) throw UsageError("--state " + assignment + ": " + *reply.error);
  }
}

// Blocked before any thread starts, so that only the control server's
// signalfd sees them and the simulator's threads inherit the mask.
void BlockTerminationSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigprocmask(SIG_BLOCK, &signals, nullptr);
  // A control client that hangs up early must not kill the simulator.
  signal(SIGPIPE, SIG_IGN);
}

bool StdinCanCarryCommands() {
  struct stat info {};
  return fstat(STDIN_FILENO, &info) == 0 && (isatty(STDIN_FILENO) || S_ISFIFO(info.st_mode));
}

void PrintCommand(const devsim::HostCommand& command) {
  std::fprintf(stderr, "orvik-devsim: host sent %04X%s (%zu bytes)\n", command.opcode,
               command.checksumOk ? "" : " with a bad checksum", command.bytes.size());
}

// Written whole under a temporary name, so a waiting script never reads half of it;
// removed again when the program ends.
class ReadyFile {
 public:
  ReadyFile(std::string path, const std::string& contents) : path_(std::move(path)) {
    const std::string temporary = path_ + ".tmp";
    std::ofstream out(temporary);
    out << contents;
    out.close();
    if (!out || std::rename(temporary.c_str(), path_.c_str()) != 0) {
      throw std::runtime_error("cannot write ready file " + path_ + ": " + std::strerror(errno));
    }
  }
  ReadyFile(const ReadyFile&) = delete;
  ReadyFile& operator=(const ReadyFile&) = delete;
  ~ReadyFile() { std::remove(path_.c_str()); }

 private:
  std::string path_;
};

std::string DescribeReadiness(const devsim::DeviceSimulator& simulator, const ProgramOptions& options,
                              const devsim::ControlServer& server) {
  std::string text = "slave=" + simulator.SlavePath() + "\n";
  if (!options.linkPath.empty()) text += "link=" + options.linkPath + "\n";
  if (server.Port()) text += "port=" + std::to_string(*server.Port()) + "\n";
  return text;
}

int Run(const ProgramOptions& options) {
  BlockTerminationSignals();
  devsim::DeviceSimulator simulator;
  ApplyInitialState(simulator, options.stateAssignments);
  if (options.verbose) simulator.SetCommandObserver(PrintCommand);
  if (!options.guardLog.empty()) simulator.SetPortGuardLog(options.guardLog);
  if (!options.linkPath.empty()) simulator.LinkSlaveAt(options.linkPath);
  const bool readStdin = options.readStdin && StdinCanCarryCommands();
  devsim::ControlServer server(simulator, options.controlPort, readStdin);
  const std::string readiness = DescribeReadiness(simulator, options, server);
  std::optional<ReadyFile> readyFile;
  if (!options.readyFile.empty()) readyFile.emplace(options.readyFile, readiness);
  std::fprintf(stderr, "orvik-devsim: ready\n%s%s", readiness.c_str(),
               readStdin ? "type 'help' for commands\n" : "");
  server.Run();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const ProgramOptions options = ParseArguments(argc, argv);
    if (options.help) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    return Run(options);
  } catch (const UsageError& error) {
    std::fprintf(stderr, "orvik-devsim: %s\n%s", error.what(), kUsage);
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "orvik-devsim: %s\n", error.what());
    return 1;
  }
}

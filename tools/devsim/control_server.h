#pragma once

// Serves the control language on a loopback TCP port and on stdin.

#include <cstdint>
#include <optional>
#include <string>

#include "device_simulator.h"
#include "unique_fd.h"

namespace devsim {

// Collects bytes into lines; overlong lines are reported instead of kept.
class LineBuffer {
 public:
  struct Line {
    std::string text;
    bool tooLong = false;
  };

  void Append(const char* data, std::size_t size);
  std::optional<Line> Next();

 private:
  std::string buffer_;
  bool discarding_ = false;  // inside an overlong line, up to its newline
};

class ControlServer {
 public:
  // Listens on 127.0.0.1:port when a port is given (0 picks a free one).
  // SIGINT and SIGTERM must already be blocked; Run() takes them as "quit".
  ControlServer(DeviceSimulator& simulator, std::optional<std::uint16_t> port, bool readStdin);

  std::optional<std::uint16_t> Port() const { return port_; }
  // Serves commands until "quit", SIGINT or SIGTERM.
  void Run();

 private:
  void AcceptClient();
  void ServeClient();
  void ServeStdin();
  // Runs every complete line; false when replying failed.
  bool ServeLines(LineBuffer& lines, int replyFd);

  DeviceSimulator& simulator_;
  UniqueFd signals_;
  UniqueFd listener_;
  UniqueFd client_;
  std::optional<std::uint16_t> port_;
  LineBuffer clientLines_;
  LineBuffer stdinLines_;
  bool readStdin_;
  bool quit_ = false;
};

}  // namespace devsim

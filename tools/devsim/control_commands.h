#pragma once

// The line-based control language of the simulator program (see README.md).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device_simulator.h"

namespace devsim {

struct ControlReply {
  std::vector<std::string> lines;    // data lines that come before the verdict
  std::optional<std::string> error;  // set: the verdict is "err <error>"
  bool quit = false;                 // the command asked the program to end
};

// Runs one control line against the simulator. Never throws for bad input.
ControlReply ExecuteControlCommand(DeviceSimulator& simulator, std::string_view line);

// The reply as sent: the data lines, then "ok" or "err <reason>", each ending in '\n'.
std::string FormatReply(const ControlReply& reply);

}  // namespace devsim

#pragma once

// The pseudo-terminal that stands in for the device's serial port.

#include <cstddef>
#include <cstdint>
#include <string>

#include "unique_fd.h"

namespace devsim {

struct PtyConnection {
  UniqueFd master;  // the device's end, non-blocking
  // Held open so that the master keeps working while no host has the port open.
  UniqueFd slave;
  std::string slavePath;
};

// Opens a pty in raw mode at 19200 baud. Throws std::system_error.
PtyConnection OpenRawPty();

// Points linkPath at target, replacing an earlier symlink there in one step.
// Throws std::system_error, also when linkPath is something else than a symlink.
void ReplaceSymlink(const std::string& target, const std::string& linkPath);

// Removes linkPath if it is a symlink to target, so that a link someone else
// made in the meantime survives.
void RemoveSymlinkIfPointsTo(const std::string& linkPath, const std::string& target);

// Writes everything unless the reader stalls for longer than a second.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size);

}  // namespace devsim

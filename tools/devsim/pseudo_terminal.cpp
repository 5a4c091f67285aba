#include "pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace devsim {
namespace {

constexpr int kWriteStallTimeoutMs = 1000;

[[noreturn]] void ThrowErrno(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void MakeRaw(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) ThrowErrno("tcgetattr");
  cfmakeraw(&settings);
  cfsetispeed(&settings, B19200);
  cfsetospeed(&settings, B19200);
  if (tcsetattr(fd, TCSANOW, &settings) != 0) ThrowErrno("tcsetattr");
}

void AddFdFlags(int fd, int fdFlags, int statusFlags) {
  if (fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | fdFlags) != 0) ThrowErrno("fcntl");
  if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | statusFlags) != 0) ThrowErrno("fcntl");
}

std::string SlavePathOf(int master) {
  char path[128];
  const int error = ptsname_r(master, path, sizeof path);
  if (error != 0) throw std::system_error(error, std::generic_category(), "ptsname_r");
  return path;
}

std::string ReadSymlink(const std::string& path) {
  std::vector<char> target(4096);
  const ssize_t size = readlink(path.c_str(), target.data(), target.size());
  if (size < 0 || static_cast<std::size_t>(size) == target.size()) return {};
  return std::string(target.data(), static_cast<std::size_t>(size));
}

bool WaitWritable(int fd) {
  pollfd watch{fd, POLLOUT, 0};
  int ready;
  do {
    ready = poll(&watch, 1, kWriteStallTimeoutMs);
  } while (ready < 0 && errno == EINTR);
  return ready > 0 && (watch.revents & POLLOUT);
}

}  // namespace

PtyConnection OpenRawPty() {
  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) ThrowErrno("openpty");
  PtyConnection pty{UniqueFd(master), UniqueFd(slave), {}};
  MakeRaw(slave);
  AddFdFlags(master, FD_CLOEXEC, O_NONBLOCK);
  AddFdFlags(slave, FD_CLOEXEC, 0);
  pty.slavePath = SlavePathOf(master);
  return pty;
}

void ReplaceSymlink(const std::string& target, const std::string& linkPath) {
  struct stat existing {};
  if (lstat(linkPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
    throw std::system_error(EEXIST, std::generic_category(), linkPath + " exists and is not a symlink");
  }
  const std::string temporary = linkPath + ".devsim-new";
  unlink(temporary.c_str());
  if (symlink(target.c_str(), temporary.c_str()) != 0) ThrowErrno("symlink " + temporary);
  if (rename(temporary.c_str(), linkPath.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    throw std::system_error(error, std::generic_category(), "rename to " + linkPath);
  }
}

void RemoveSymlinkIfPointsTo(const std::string& linkPath, const std::string& target) {
  if (ReadSymlink(linkPath) == target) unlink(linkPath.c_str());
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written > 0) {
      data += written;
      size -= static_cast<std::size_t>(written);
    } else if (written < 0 && errno == EINTR) {
      continue;
    } else if (written < 0 && errno == EAGAIN) {
      if (!WaitWritable(fd)) return false;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace devsim

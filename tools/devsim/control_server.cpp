#include "control_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

#include "control_commands.h"
#include "pseudo_terminal.h"

namespace devsim {
namespace {

constexpr std::size_t kMaxLineLength = 4096;
constexpr int kClientSendTimeoutSeconds = 5;

[[noreturn]] void ThrowErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

UniqueFd OpenTerminationSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  UniqueFd fd(signalfd(-1, &signals, SFD_CLOEXEC));
  if (!fd) ThrowErrno("signalfd");
  return fd;
}

UniqueFd ListenOnLoopback(std::uint16_t port) {
  UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd) ThrowErrno("socket");
  const int yes = 1;
  setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) ThrowErrno("bind");
  if (listen(fd.Get(), 8) != 0) ThrowErrno("listen");
  return fd;
}

std::uint16_t BoundPort(int fd) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) ThrowErrno("getsockname");
  return ntohs(address.sin_port);
}

// Reads what is there into lines; false at end of input or on error.
bool ReadInto(int fd, LineBuffer& lines) {
  std::array<char, 1024> chunk;
  ssize_t size;
  do {
    size = read(fd, chunk.data(), chunk.size());
  } while (size < 0 && errno == EINTR);
  if (size <= 0) return false;
  lines.Append(chunk.data(), static_cast<std::size_t>(size));
  return true;
}

}  // namespace

void LineBuffer::Append(const char* data, std::size_t size) { buffer_.append(data, size); }

std::optional<LineBuffer::Line> LineBuffer::Next() {
  for (;;) {
    const std::size_t newline = buffer_.find('\n');
    if (discarding_) {
      if (newline == std::string::npos) {
        buffer_.clear();
        return std::nullopt;
      }
      buffer_.erase(0, newline + 1);
      discarding_ = false;
      continue;
    }
    if (newline == std::string::npos) {
      if (buffer_.size() <= kMaxLineLength) return std::nullopt;
      buffer_.clear();
      discarding_ = true;
      return Line{{}, true};
    }
    if (newline > kMaxLineLength) {
      buffer_.erase(0, newline + 1);
      return Line{{}, true};
    }
    std::string text = buffer_.substr(0, newline);
    buffer_.erase(0, newline + 1);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return Line{std::move(text), false};
  }
}

ControlServer::ControlServer(DeviceSimulator& simulator, std::optional<std::uint16_t> port, bool readStdin)
    : simulator_(simulator), signals_(OpenTerminationSignals()), readStdin_(readStdin) {
  if (port) {
    listener_ = ListenOnLoopback(*port);
    port_ = BoundPort(listener_.Get());
  }
}

void ControlServer::Run() {
  while (!quit_) {
    // One client at a time: the next waits in the listen queue.
    std::array<pollfd, 4> watch{{
        {signals_.Get(), POLLIN, 0},
        {client_ ? -1 : listener_.Get(), POLLIN, 0},
        {client_.Get(), POLLIN, 0},
        {readStdin_ ? STDIN_FILENO : -1, POLLIN, 0},
    }};
    if (poll(watch.data(), watch.size(), -1) < 0) {
      if (errno == EINTR) continue;
      ThrowErrno("poll");
    }
    if (watch[0].revents) return;
    if (watch[1].revents) AcceptClient();
    if (watch[2].revents) ServeClient();
    if (watch[3].revents) ServeStdin();
  }
}

void ControlServer::AcceptClient() {
  UniqueFd client(accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
  if (!client) return;
  // A client that stops reading must not stall the simulator for good.
  const timeval timeout{kClientSendTimeoutSeconds, 0};
  setsockopt(client.Get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  client_ = std::move(client);
  clientLines_ = LineBuffer{};
}

void ControlServer::ServeClient() {
  if (!ReadInto(client_.Get(), clientLines_) || !ServeLines(clientLines_, client_.Get())) {
    client_.Reset();
  }
}

void ControlServer::ServeStdin() {
  // At the end of stdin the TCP port goes on serving.
  if (!ReadInto(STDIN_FILENO, stdinLines_)) {
    readStdin_ = false;
    return;
  }
  ServeLines(stdinLines_, STDOUT_FILENO);
}

bool ControlServer::ServeLines(LineBuffer& lines, int replyFd) {
  while (!quit_) {
    const auto line = lines.Next();
    if (!line) return true;
    ControlReply reply;
    if (line->tooLong) {
      reply.error = "line too long";
    } else {
      reply = ExecuteControlCommand(simulator_, line->text);
    }
    const std::string text = FormatReply(reply);
    quit_ = reply.quit;
    if (!WriteAll(replyFd, reinterpret_cast<const std::uint8_t*>(text.data()), text.size())) return false;
  }
  return true;
}

}  // namespace devsim

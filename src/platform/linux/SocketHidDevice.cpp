#include "platform/linux/SocketHidDevice.h"

#include "protocol/HIDPPError.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace flitbar {
namespace {

constexpr std::size_t largestReport = 64;
// A peer that stops reading fills the socket; a write then gives up rather than block its caller.
constexpr int writeWaitMs = 1000;

}  // namespace

std::unique_ptr<SocketHidDevice> SocketHidDevice::connect(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) throw HIDPPError::openFailed(ENAMETOOLONG);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

  const int socket = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (socket < 0) throw HIDPPError::openFailed(errno);
  auto device = std::make_unique<SocketHidDevice>(socket);
  int result;
  do {
    result = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
  } while (result < 0 && errno == EINTR);
  if (result < 0) throw HIDPPError::openFailed(errno);
  return device;
}

SocketHidDevice::SocketHidDevice(int socket) : socket_(socket) {}

SocketHidDevice::~SocketHidDevice() { close(); }

HidRead SocketHidDevice::read(std::chrono::milliseconds timeout) {
  const int socket = socket_.load();
  if (socket < 0) return {HidRead::Status::disconnected, {}};

  pollfd ready{socket, POLLIN, 0};
  const int polled = ::poll(&ready, 1, static_cast<int>(timeout.count()));
  if (polled == 0 || (polled < 0 && errno == EINTR)) return {};
  if (polled < 0) return {HidRead::Status::disconnected, {}};

  // One byte more than a report may have: a longer packet is cut there and MSG_TRUNC tells us.
  std::vector<std::uint8_t> bytes(largestReport + 1);
  const ssize_t length = ::recv(socket, bytes.data(), bytes.size(), MSG_TRUNC | MSG_DONTWAIT);
  if (length < 0) {
    if (errno == EAGAIN || errno == EINTR) return {};
    return {HidRead::Status::disconnected, {}};
  }
  // An empty packet and a hang-up both read as zero bytes; only a hang-up also sets POLLHUP.
  if (length == 0 && (ready.revents & POLLHUP)) return {HidRead::Status::disconnected, {}};
  bytes.resize(std::min(static_cast<std::size_t>(length), bytes.size()));
  return {HidRead::Status::report, std::move(bytes)};
}

int SocketHidDevice::write(std::span<const std::uint8_t> report) {
  if (report.empty() || report.size() > largestReport) return EMSGSIZE;
  const int socket = socket_.load();
  if (socket < 0) return EBADF;
  pollfd ready{socket, POLLOUT, 0};
  int polled;
  do {
    polled = ::poll(&ready, 1, writeWaitMs);
  } while (polled < 0 && errno == EINTR);
  if (polled == 0) return ETIMEDOUT;
  ssize_t written;
  do {
    written = ::send(socket, report.data(), report.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (written < 0 && errno == EINTR);
  if (written < 0) return errno;
  return static_cast<std::size_t>(written) == report.size() ? 0 : EIO;
}

void SocketHidDevice::close() {
  const int socket = socket_.exchange(-1);
  if (socket >= 0) ::close(socket);
}

}  // namespace flitbar

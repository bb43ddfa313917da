#include "platform/linux/HidrawDevice.h"

#include "protocol/HIDPPError.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace flitbar {
namespace {

constexpr std::size_t largestReport = 64;
// How long a write waits for the node to take a report before it reports ETIMEDOUT.
constexpr int writeWaitMs = 1000;

}  // namespace

std::unique_ptr<HidrawDevice> HidrawDevice::open(const std::string& path) {
  int descriptor;
  do {
    descriptor = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) throw HIDPPError::openFailed(errno);
  return std::make_unique<HidrawDevice>(descriptor);
}

HidrawDevice::HidrawDevice(int descriptor) : descriptor_(descriptor) {}

HidrawDevice::~HidrawDevice() { close(); }

HidRead HidrawDevice::read(std::chrono::milliseconds timeout) {
  const int descriptor = descriptor_.load();
  if (descriptor < 0) return {HidRead::Status::disconnected, {}};

  pollfd ready{descriptor, POLLIN, 0};
  const int polled = ::poll(&ready, 1, static_cast<int>(timeout.count()));
  if (polled == 0 || (polled < 0 && errno == EINTR)) return {};
  // An unplugged receiver shows as an error or hang-up on the node.
  if (polled < 0 || (ready.revents & (POLLERR | POLLHUP | POLLNVAL))) return {HidRead::Status::disconnected, {}};

  std::vector<std::uint8_t> bytes(largestReport + 1);
  const ssize_t length = ::read(descriptor, bytes.data(), bytes.size());
  if (length < 0) {
    if (errno == EAGAIN || errno == EINTR) return {};
    return {HidRead::Status::disconnected, {}};
  }
  bytes.resize(static_cast<std::size_t>(length));
  return {HidRead::Status::report, std::move(bytes)};
}

int HidrawDevice::write(std::span<const std::uint8_t> report) {
  const int descriptor = descriptor_.load();
  if (descriptor < 0) return EBADF;
  pollfd ready{descriptor, POLLOUT, 0};
  int polled;
  do {
    polled = ::poll(&ready, 1, writeWaitMs);
  } while (polled < 0 && errno == EINTR);
  if (polled == 0) return ETIMEDOUT;
  if (ready.revents & (POLLERR | POLLHUP | POLLNVAL)) return ENODEV;
  ssize_t written;
  do {
    written = ::write(descriptor, report.data(), report.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0) return errno;
  return static_cast<std::size_t>(written) == report.size() ? 0 : EIO;
}

void HidrawDevice::close() {
  const int descriptor = descriptor_.exchange(-1);
  if (descriptor >= 0) ::close(descriptor);
}

}  // namespace flitbar

#pragma once

#include "support/ProcessRunner.h"
#include "support/TemporaryDirectory.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace flitbar::testing {

// A dbus-daemon of the test's own, so tests that own well-known names never meet each other.
// Throws when the daemon cannot be started: a D-Bus test without a bus must fail, not skip.
class PrivateBus {
 public:
  PrivateBus() {
    const auto socket = folder_ / "bus";
    address_ = "unix:path=" + socket.string();
    daemon_ = std::make_unique<RunningProcess>(
        "/usr/bin/dbus-daemon",
        std::vector<std::string>{"--session", "--nofork", "--nopidfile", "--address=" + address_});
    for (int attempt = 0; attempt < 200 && !accepts(socket); ++attempt)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!accepts(socket)) throw std::runtime_error("dbus-daemon did not start");
  }
  ~PrivateBus() {
    daemon_->signal(SIGTERM);
    daemon_->wait(std::chrono::seconds(10));
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  const std::string& address() const { return address_; }

 private:
  // The socket file appears before the daemon listens on it.
  static bool accepts(const std::filesystem::path& socket) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socket.string().copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
  }

  TemporaryDirectory folder_;
  std::string address_;
  std::unique_ptr<RunningProcess> daemon_;
};

}  // namespace flitbar::testing

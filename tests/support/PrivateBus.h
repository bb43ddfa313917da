#pragma once

#include "support/ProcessRunner.h"
#include "support/TemporaryDirectory.h"

#include <csignal>
#include <optional>
#include <stdexcept>
#include <string>

namespace flitbar::testing {

// A dbus-daemon of the test's own, so tests that own well-known names never meet each other.
// Throws when the daemon cannot be started: a D-Bus test without a bus must fail, not skip.
class PrivateBus {
 public:
  PrivateBus() : address_("unix:path=" + (folder_ / "bus").string()) {
    // The daemon prints its address once it listens.
    daemon_.emplace("/usr/bin/dbus-daemon", std::vector<std::string>{"--session", "--nofork", "--nopidfile",
                                                                     "--print-address", "--address=" + address_});
    if (!daemon_->waitForOutput("\n", std::chrono::seconds(20))) throw std::runtime_error("dbus-daemon did not start");
  }
  ~PrivateBus() {
    daemon_->signal(SIGTERM);
    daemon_->wait(std::chrono::seconds(10));
  }

  const std::string& address() const { return address_; }

 private:
  TemporaryDirectory folder_;
  std::string address_;
  std::optional<RunningProcess> daemon_;
};

}  // namespace flitbar::testing

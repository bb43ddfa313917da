#pragma once

#include "cli/CLI.h"
#include "cli/FakeReceiverSession.h"

#include <gtest/gtest.h>

namespace flitbar::testing {

// An environment over a fake receiver that counts how often the receiver was opened and records
// relayed switch requests.
struct FakeEnvironment {
  std::shared_ptr<FakeReceiverSession> session = std::make_shared<FakeReceiverSession>();
  std::vector<DeviceInfo> devices;
  std::optional<HIDPPError> openError;
  bool guiRunning = false;
  int opens = 0;
  std::vector<std::uint8_t> relayed;
  bool relayAccepts = true;

  CLIEnvironment environment() {
    return {
        [this]() -> OpenedReceiver {
          ++opens;
          if (openError) throw *openError;
          return {session, devices};
        },
        [this] { return guiRunning; },
        [this](std::uint8_t host) {
          relayed.push_back(host);
          return relayAccepts;
        },
    };
  }

  CommandResult run(const std::vector<std::string>& arguments) { return CLI::run(arguments, environment()); }

  // Every opened receiver has been stopped again.
  bool receiverClosed() const { return session->scriptedTransport->stopCalls() == opens; }
};

inline DeviceInfo keyboard(std::uint8_t index, std::string name, std::uint8_t hostCount, std::uint8_t current) {
  DeviceInfo device;
  device.index = index;
  device.name = std::move(name);
  device.changeHostFeature = 0x09;
  device.hostCount = hostCount;
  device.currentHost = current;
  return device;
}

inline DeviceInfo plainDevice(std::uint8_t index, std::string name) {
  DeviceInfo device;
  device.index = index;
  device.name = std::move(name);
  return device;
}

}  // namespace flitbar::testing

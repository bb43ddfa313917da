#pragma once

#include "cli/SwitchRelay.h"
#include "platform/RunningApplications.h"

#include <QVariantMap>

#include <cstdint>
#include <optional>
#include <string>

namespace flitbar {

// The switch request relay on the session bus.
//
// The running application owns the well-known name equal to the bundle identifier and serves
// `RequestSwitch(a{sv} userInfo)` with userInfo {"host": int} on the object path and interface
// below (see ApplicationBus). A request is a method call on that owner, so the sender learns
// whether it arrived. Bus calls time out, so a wedged bus cannot hang a command.
class SwitchIPC : public SwitchRelay {
 public:
  static constexpr const char* objectPath = "/dev/flitbar/Application";
  static constexpr const char* interfaceName = "dev.flitbar.Application";

  // `ownProcessId` is the process that does not count as the running application.
  SwitchIPC(RunningApplications& runningApplications, std::string bundleIdentifier, int ownProcessId);

  bool isGUIRunning() override;
  bool send(std::uint8_t host) override;

  // The host of a received request: a number (not a Boolean) that is a whole 1, 2 or 3.
  static std::optional<std::uint8_t> host(const QVariantMap& userInfo);

 private:
  RunningApplications& runningApplications_;
  std::string bundleIdentifier_;
  int ownProcessId_;
};

}  // namespace flitbar

#pragma once

#include "cli/SwitchRelay.h"
#include "platform/RunningApplications.h"

#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <optional>
#include <string>

namespace flitbar {

// The switch request relay on the session bus.
//
// The running menu-bar application owns the well-known name equal to the bundle identifier.
// A request is the broadcast signal `Posted(s name, a{sv} userInfo)` on the object path and
// interface below, with name = bundle identifier + ".switch-request" and userInfo {"host": int}.
// Without a session bus nothing is running and sending does nothing; bus calls time out after
// one second, so a wedged bus cannot hang a command.
class SwitchIPC : public SwitchRelay {
 public:
  static constexpr const char* objectPath = "/dev/flitbar/DistributedNotifications";
  static constexpr const char* interfaceName = "dev.flitbar.DistributedNotifications";
  static constexpr const char* signalName = "Posted";

  // `ownProcessId` is the process that does not count as the running application.
  SwitchIPC(RunningApplications& runningApplications, std::string bundleIdentifier, int ownProcessId);

  bool isGUIRunning() override;
  void send(std::uint8_t host) override;

  // bundle identifier + ".switch-request".
  static QString notificationName(const std::string& bundleIdentifier);
  // The host of a received request: a number (not a Boolean) that is a whole 1, 2 or 3.
  static std::optional<std::uint8_t> host(const QVariantMap& userInfo);

 private:
  RunningApplications& runningApplications_;
  std::string bundleIdentifier_;
  int ownProcessId_;
};

}  // namespace flitbar

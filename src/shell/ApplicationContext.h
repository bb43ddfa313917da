#pragma once

#include "logging/Logging.h"
#include "shell/AppIdentity.h"
#include "shell/LaunchAtLogin.h"
#include "shell/NotificationService.h"
#include "shell/StatusHost.h"

#include <memory>

namespace flitbar {

// What the coordinator is started with. The host owns everything here and outlives the
// coordinator's run; `host` is weak because the coordinator must not keep the host alive.
struct ApplicationContext {
  AppIdentity identity;
  Logging& logger;
  NotificationService& notifications;
  LaunchAtLogin& launchAtLogin;
  std::weak_ptr<StatusHost> host;

  // Sets the status item's tool tip while the host exists.
  void updateStatusToolTip(const std::string& text) const {
    if (const auto shown = host.lock()) shown->updateStatusToolTip(text);
  }
};

}  // namespace flitbar

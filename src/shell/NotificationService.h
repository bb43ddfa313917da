#pragma once

#include "config/UserDefaults.h"
#include "shell/AppIdentity.h"
#include "shell/UserNotificationDelivering.h"

#include <functional>
#include <optional>
#include <string>

namespace flitbar {

// Gates and posts the application's notifications. The user's switch is stored in `defaults`
// under bundle identifier + ".notifications-enabled" (absent means off). Main thread only.
class NotificationService {
 public:
  using Completion = UserNotificationDelivering::Completion;
  // The identifier of the installation the process runs from, if any.
  using BundleIdentifierReader = std::function<std::optional<std::string>()>;

  NotificationService(AppIdentity identity, UserDefaults& defaults, UserNotificationDelivering& center,
                      BundleIdentifierReader bundleIdentifier);

  bool isEnabled() const;
  // Turning off always succeeds. Turning on needs the installed application and a centre that
  // grants authorization; on failure the switch stays as it was.
  void setEnabled(bool enabled, Completion done);
  // With the switch off this succeeds without posting.
  void post(const std::string& title, const std::string& body, const std::string& identifier, InterruptionLevel level,
            Completion done);

 private:
  std::string switchKey() const;

  AppIdentity identity_;
  UserDefaults& defaults_;
  UserNotificationDelivering& center_;
  BundleIdentifierReader bundleIdentifier_;
};

}  // namespace flitbar

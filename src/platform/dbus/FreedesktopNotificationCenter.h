#pragma once

#include "shell/UserNotificationDelivering.h"

#include <QDBusConnection>
#include <QObject>

#include <map>
#include <string>

namespace flitbar {

// Notifications through org.freedesktop.Notifications on the session bus.
//
// The server numbers every notification it shows; a later request with the same identifier
// passes the number it got for the earlier one as `replaces_id`, so it takes that one's place.
// Authorization means that a server answers. Passive requests are sent with low urgency, active
// ones with normal urgency; `desktop-entry` names the installed desktop file. Calls time out after
// five seconds, so a wedged server costs a log line, not a hang.
class FreedesktopNotificationCenter : public UserNotificationDelivering {
 public:
  static constexpr const char* service = "org.freedesktop.Notifications";
  static constexpr const char* path = "/org/freedesktop/Notifications";

  // `applicationName` is the product name; `desktopEntry` the bundle identifier.
  FreedesktopNotificationCenter(QDBusConnection bus, std::string applicationName, std::string desktopEntry);

  void requestAuthorization(AuthorizationCompletion done) override;
  void add(const NotificationRequest& request, Completion done) override;

 private:
  QDBusConnection bus_;
  std::string applicationName_;
  std::string desktopEntry_;
  // Pending calls live as its children, so none completes once the centre is gone.
  QObject calls_;
  std::map<std::string, uint> shownIds_;
};

}  // namespace flitbar

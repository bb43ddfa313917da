#pragma once

#include <string>

namespace flitbar::NotificationServiceError {

// Enabling was asked of a process that is not the installed application.
inline std::string requiresApplicationBundle(const std::string& productName) {
  return "Notifications can only be enabled from the installed " + productName + ".";
}

// No notification server answers on the session bus.
inline std::string authorizationDenied() {
  return "Notifications were not authorized. No notification service answers on the session bus.";
}

}  // namespace flitbar::NotificationServiceError

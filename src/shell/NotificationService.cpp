#include "shell/NotificationService.h"

#include "config/Settings.h"
#include "shell/NotificationServiceError.h"

namespace flitbar {

NotificationService::NotificationService(AppIdentity identity, UserDefaults& defaults,
                                         UserNotificationDelivering& center, BundleIdentifierReader bundleIdentifier)
    : identity_(std::move(identity)),
      defaults_(defaults),
      center_(center),
      bundleIdentifier_(std::move(bundleIdentifier)) {}

std::string NotificationService::switchKey() const {
  return Settings::notificationsEnabledKey(identity_.bundleIdentifier);
}

bool NotificationService::isEnabled() const { return defaults_.boolean(switchKey()).value_or(false); }

void NotificationService::setEnabled(bool enabled, Completion done) {
  if (!enabled) {
    defaults_.set(switchKey(), false);
    done(std::nullopt);
    return;
  }
  if (bundleIdentifier_() != identity_.bundleIdentifier) {
    done(NotificationServiceError::requiresApplicationBundle(identity_.name));
    return;
  }
  center_.requestAuthorization([this, done = std::move(done)](bool granted, std::optional<std::string> error) {
    if (error) return done(std::move(error));
    if (!granted) return done(NotificationServiceError::authorizationDenied());
    defaults_.set(switchKey(), true);
    done(std::nullopt);
  });
}

void NotificationService::post(const std::string& title, const std::string& body, const std::string& identifier,
                               InterruptionLevel level, Completion done) {
  if (!isEnabled()) {
    done(std::nullopt);
    return;
  }
  center_.add({identifier, title, body, identity_.bundleIdentifier + ".status", level}, std::move(done));
}

}  // namespace flitbar

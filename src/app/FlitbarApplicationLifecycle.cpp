#include "app/FlitbarApplication.h"

#include "config/LegacyInstallImporter.h"
#include "config/Settings.h"

#include <stdexcept>

namespace flitbar {

// Engine shutdown may take this long before the application gives up waiting.
constexpr double engineStopTimeoutSeconds = 8.0;

Logging* FlitbarApplication::logger() const { return context_ ? &context_->logger : nullptr; }

void FlitbarApplication::start(const ApplicationContext& context) {
  if (!makeEngine_ || !observeDesktop_) throw std::logic_error("the running application needs an engine and a desktop");
  context_.emplace(context);
  auto& log = context_->logger;
  LegacyInstallImporter::importIfNeeded(defaults_, identity_.bundleIdentifier,
                                        [&log](const std::string& line) { log.info(line); });
  if (Settings::shouldMigrateLegacyNotifications(identity_.bundleIdentifier, defaults_)) migrateNotificationSwitch();

  engine_ = makeEngine_(log);
  desktop_ = observeDesktop_(guarded([this] { receiveScreenLocked(); }), guarded([this] { receiveWake(); }), log);
  const auto destination = Settings::destinationHost(defaults_);
  engine_->start(Settings::autoSwitchBoth(defaults_),
                 destination ? std::optional<std::uint8_t>(*destination) : std::nullopt,
                 Settings::hiddenHosts(defaults_), guarded([this](const EngineEvent& event) { receive(event); }));
  observeBindingsFile();
}

void FlitbarApplication::observeBindingsFile() {
  configWatcher_ = std::make_unique<ConfigurationFileWatcher>(bindings_.path, guarded([this] { reload(); }));
  configWatcher_->start();
}

void FlitbarApplication::stop() {
  desktop_.reset();
  if (configWatcher_) configWatcher_->stop();
  configWatcher_.reset();
  if (!engine_) return;
  if (!engine_->stopAndWait(std::chrono::duration<double>(engineStopTimeoutSeconds)) && logger())
    logger()->error("Engine shutdown timed out");
  engine_.reset();
}

void FlitbarApplication::migrateNotificationSwitch() {
  auto failed = guarded([this](const std::string& description) {
    defaults_.set(Settings::notificationsEnabledKey(identity_.bundleIdentifier), false);
    if (logger()) logger()->warning("Notifications need to be enabled again: " + description);
    refreshPanel();
  });
  context_->notifications.setEnabled(true, guarded([this, failed](std::optional<std::string> error) {
                                       if (error) return failed(*error);
                                       context_->notifications.post(
                                           identity_.name, "Notifications are working.", "flitbar-notification-test",
                                           InterruptionLevel::active,
                                           guarded([this, failed](std::optional<std::string> error) {
                                             if (error) return failed(*error);
                                             refreshPanel();
                                           }));
                                     }));
}

std::vector<StatusMenuSetting> FlitbarApplication::contextMenuSettings(const ApplicationContext& context) {
  auto& launchAtLogin = context.launchAtLogin;
  auto& log = context.logger;
  auto toggleLaunchAtLogin = [&launchAtLogin, &log] {
    try {
      launchAtLogin.setEnabled(!launchAtLogin.isEnabled());
    } catch (const std::exception& error) {
      log.warning(std::string("Could not change Launch at Login: ") + error.what());
    }
  };
  return {
      {"Launch at Login", launchAtLogin.isEnabled(), true, toggleLaunchAtLogin},
      {"Enable Notifications", context.notifications.isEnabled(), true, guarded([this] { toggleNotifications(); })},
  };
}

void FlitbarApplication::toggleNotifications() {
  if (!context_) return;
  const bool wasOn = context_->notifications.isEnabled();
  // There is no settings page to open on this desktop; the log says what went wrong.
  auto failed = guarded([this](const std::string& description) {
    if (logger()) logger()->warning("Could not change notifications: " + description);
    refreshPanel();
  });
  context_->notifications.setEnabled(!wasOn, guarded([this, wasOn, failed](std::optional<std::string> error) {
    if (error) return failed(*error);
    if (wasOn) return refreshPanel();
    context_->notifications.post(identity_.name, "Notifications are working.", "flitbar-notification-test",
                                 InterruptionLevel::active, guarded([this, failed](std::optional<std::string> error) {
                                   if (error) return failed(*error);
                                   refreshPanel();
                                 }));
  }));
}

}  // namespace flitbar

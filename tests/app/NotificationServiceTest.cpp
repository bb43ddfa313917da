#include "app/FakeDesktopServices.h"
#include "config/InMemoryUserDefaults.h"
#include "config/Settings.h"
#include "platform/dbus/FreedesktopNotificationCenter.h"
#include "shell/NotificationService.h"
#include "support/PrivateBus.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using namespace flitbar::testing;

class NotificationsOnAPrivateBus : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ensureQtApplication(); }

  // The completion's error, once it arrived.
  std::optional<std::string> settle(const std::function<void(NotificationService::Completion)>& call) {
    std::optional<std::optional<std::string>> result;
    call([&result](std::optional<std::string> error) { result = std::move(error); });
    EXPECT_TRUE(eventually([&] { return result.has_value(); }));
    return result.value_or("no answer");
  }
  std::optional<std::string> post(const std::string& identifier, InterruptionLevel level) {
    return settle([&](auto done) { service.post("Flitbar", "body", identifier, level, done); });
  }
  bool enabled() const { return service.isEnabled(); }

  PrivateBus bus;
  AppIdentity identity = AppIdentity::running(MainBundle{});
  std::optional<std::string> bundleIdentifier = identity.bundleIdentifier;
  InMemoryUserDefaults defaults;
  FreedesktopNotificationCenter center{QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "app"),
                                       identity.name, identity.bundleIdentifier};
  NotificationService service{identity, defaults, center, [this] { return bundleIdentifier; }};
};

TEST_F(NotificationsOnAPrivateBus, EnablingNeedsTheInstallationAndAServer) {
  bundleIdentifier.reset();
  EXPECT_EQ(settle([&](auto done) { service.setEnabled(true, done); }),
            "Notifications can only be enabled from the installed Flitbar.");
  bundleIdentifier = identity.bundleIdentifier;
  EXPECT_EQ(settle([&](auto done) { service.setEnabled(true, done); }),
            "Notifications were not authorized. No notification service answers on the session bus.");
  EXPECT_FALSE(enabled());
  EXPECT_EQ(post("flitbar-switch", InterruptionLevel::active), std::nullopt) << "posting while off is no error";

  FakePeer server(bus.address(), FreedesktopNotificationCenter::service, FreedesktopNotificationCenter::path,
                  notificationServer());
  EXPECT_EQ(settle([&](auto done) { service.setEnabled(true, done); }), std::nullopt);
  EXPECT_TRUE(enabled());
  EXPECT_TRUE(server.calls("Notify").empty());
}

TEST_F(NotificationsOnAPrivateBus, FixedIdentifiersReplaceTheirEarlierNotification) {
  FakePeer server(bus.address(), FreedesktopNotificationCenter::service, FreedesktopNotificationCenter::path,
                  notificationServer());
  defaults.set(Settings::notificationsEnabledKey(identity.bundleIdentifier), true);
  struct Case {
    std::string identifier;
    InterruptionLevel level;
    uint replaces;
    uchar urgency;
  };
  const std::vector<Case> cases{
      {"flitbar-battery-2:9C:51:7E:02", InterruptionLevel::passive, 0, 0},
      {"flitbar-switch", InterruptionLevel::active, 0, 1},
      {"flitbar-battery-2:9C:51:7E:02", InterruptionLevel::passive, 1, 0},
      {"5E0C…-action", InterruptionLevel::active, 0, 1},
      {"flitbar-switch", InterruptionLevel::active, 2, 1},
  };
  for (const auto& [identifier, level, replaces, urgency] : cases) {
    ASSERT_EQ(post(identifier, level), std::nullopt);
    const auto call = server.calls("Notify").back().arguments();
    EXPECT_EQ(call.at(0).toString(), "Flitbar");
    EXPECT_EQ(call.at(1).toUInt(), replaces) << identifier;
    const auto hints = qdbus_cast<QVariantMap>(call.at(6));
    EXPECT_EQ(hints.value("urgency").value<uchar>(), urgency) << identifier;
    EXPECT_EQ(hints.value("desktop-entry").toString(), "dev.flitbar.flitbar");
  }
}

TEST_F(NotificationsOnAPrivateBus, AServerErrorReachesTheCaller) {
  defaults.set(Settings::notificationsEnabledKey(identity.bundleIdentifier), true);
  EXPECT_NE(post("flitbar-switch", InterruptionLevel::active), std::nullopt) << "no server at all";
  FakePeer server(bus.address(), FreedesktopNotificationCenter::service, FreedesktopNotificationCenter::path,
                  notificationServer(true));
  EXPECT_EQ(post("flitbar-switch", InterruptionLevel::active), "server is broken");
}

}  // namespace
}  // namespace flitbar

#include "config/InMemoryUserDefaults.h"
#include "config/Settings.h"
#include "platform/dbus/FreedesktopNotificationCenter.h"
#include "shell/NotificationService.h"
#include "support/FakeDesktopServices.h"
#include "support/PrivateBus.h"

#include <QDBusArgument>

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
  std::optional<std::string> enable() {
    return settle([&](auto done) { service.setEnabled(true, done); });
  }
  std::optional<std::string> post(const std::string& identifier, InterruptionLevel level) {
    return settle([&](auto done) { service.post("Flitbar", "body", identifier, level, done); });
  }
  std::unique_ptr<FakePeer> serve(bool failing = false) {
    return std::make_unique<FakePeer>(bus.address(), FreedesktopNotificationCenter::service,
                                      FreedesktopNotificationCenter::path, notificationServer(failing));
  }

  PrivateBus bus;
  AppIdentity identity = AppIdentity::running(MainBundle{});
  std::optional<std::string> bundleIdentifier = identity.bundleIdentifier;
  InMemoryUserDefaults defaults;
  FreedesktopNotificationCenter center{connectTo(bus.address()), identity.name, identity.bundleIdentifier};
  NotificationService service{identity, defaults, center, [this] { return bundleIdentifier; }};
};

TEST_F(NotificationsOnAPrivateBus, EnablingNeedsTheInstallationAndAServer) {
  bundleIdentifier.reset();
  EXPECT_EQ(enable(), "Notifications can only be enabled from the installed Flitbar.");
  bundleIdentifier = identity.bundleIdentifier;
  EXPECT_EQ(enable(), "Notifications were not authorized. No notification service answers on the session bus.");
  EXPECT_FALSE(service.isEnabled());
  EXPECT_EQ(post("flitbar-switch", InterruptionLevel::active), std::nullopt) << "posting while off is no error";

  const auto server = serve();
  EXPECT_EQ(enable(), std::nullopt);
  EXPECT_TRUE(service.isEnabled());
  EXPECT_TRUE(server->calls("Notify").empty());
}

TEST_F(NotificationsOnAPrivateBus, FixedIdentifiersReplaceTheirEarlierNotificationAndErrorsReachTheCaller) {
  defaults.set(Settings::notificationsEnabledKey(identity.bundleIdentifier), true);
  EXPECT_NE(post("flitbar-switch", InterruptionLevel::active), std::nullopt) << "no server at all";
  auto server = serve();
  const std::vector<std::tuple<std::string, InterruptionLevel, uint, uchar>> cases{
      {"flitbar-battery-2:9C:51:7E:02", InterruptionLevel::passive, 0, 0},
      {"flitbar-switch", InterruptionLevel::active, 0, 1},
      {"flitbar-battery-2:9C:51:7E:02", InterruptionLevel::passive, 1, 0},
      {"5E0C…-action", InterruptionLevel::active, 0, 1},
      {"flitbar-switch", InterruptionLevel::active, 2, 1},
  };
  for (const auto& [identifier, level, replaces, urgency] : cases) {
    SCOPED_TRACE(identifier);
    ASSERT_EQ(post(identifier, level), std::nullopt);
    const auto call = server->calls("Notify").back().arguments();
    EXPECT_EQ(call.at(0).toString(), "Flitbar");
    EXPECT_EQ(call.at(1).toUInt(), replaces);
    const auto hints = qdbus_cast<QVariantMap>(call.at(6));
    EXPECT_EQ(hints.value("urgency").value<uchar>(), urgency);
    EXPECT_EQ(hints.value("desktop-entry").toString(), "dev.flitbar.flitbar");
  }
  server.reset();
  server = serve(true);
  EXPECT_EQ(post("flitbar-switch", InterruptionLevel::active), "server is broken");
}

}  // namespace
}  // namespace flitbar

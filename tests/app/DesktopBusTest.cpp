// The desktop's services as the application reaches them on a private bus: lock and sleep signals,
// and notifications.
#include "app/ApplicationFakes.h"
#include "config/InMemoryUserDefaults.h"
#include "platform/dbus/DesktopSignals.h"
#include "platform/dbus/FreedesktopNotificationCenter.h"
#include "shell/NotificationService.h"
#include "support/FakeDesktopServices.h"
#include "support/PrivateBus.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using namespace flitbar::testing;

class LockSources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ensureQtApplication(); }

  std::unique_ptr<DesktopSignals> observe(const std::string& systemAddress) {
    return std::make_unique<DesktopSignals>(
        connectTo(session.address()), connectTo(systemAddress), [this] { ++locks; }, [this] { ++wakes; }, logger);
  }
  void saver(const char* interface, bool active) {
    screenSaver.emitSignal("/ScreenSaver", interface, "ActiveChanged", {active});
  }
  // Lets everything sent so far arrive.
  static void settle() {
    eventually([] { return false; }, std::chrono::milliseconds(400));
  }

  PrivateBus session;
  PrivateBus system;
  FakePeer screenSaver{session.address(), "org.freedesktop.ScreenSaver", "/ScreenSaver", logind()};
  FakePeer login{system.address(), "org.freedesktop.login1", "/org/freedesktop/login1", logind()};
  RecordingLogger logger;
  int locks = 0;
  int wakes = 0;
};

TEST_F(LockSources, EverySourceOfOneLockMakesOneEdge) {
  const auto observing = observe(system.address());
  ASSERT_TRUE(eventually([&] { return !login.calls("GetSessionByPID").empty(); }));
  settle();  // the session's watch is in place once the answer was handled

  const QString manager = "/org/freedesktop/login1";
  const QString session1 = "/org/freedesktop/login1/session/c1";
  // One sender keeps its order: the lock is seen after going to sleep was.
  login.emitSignal(manager, "org.freedesktop.login1.Manager", "PrepareForSleep", {true});
  login.emitSignal(session1, "org.freedesktop.login1.Session", "Lock", {});
  ASSERT_TRUE(eventually([&] { return locks == 1; }));
  EXPECT_EQ(wakes, 0) << "going to sleep is no wake";
  login.emitSignal(session1, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                   {"org.freedesktop.login1.Session", QVariantMap{{"LockedHint", true}}, QStringList()});
  login.emitSignal(manager, "org.freedesktop.login1.Manager", "PrepareForSleep", {false});
  for (const char* interface : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver", "org.xfce.ScreenSaver"})
    for (int storm = 0; storm < 20; ++storm) saver(interface, true);
  ASSERT_TRUE(eventually([&] { return wakes == 1; }));

  // Unlocked, then locked again: a second edge, after everything above was delivered.
  saver("org.gnome.ScreenSaver", false);
  saver("org.xfce.ScreenSaver", true);
  ASSERT_TRUE(eventually([&] { return locks >= 2; }));
  settle();
  EXPECT_EQ(locks, 2);
  EXPECT_EQ(wakes, 1);
  EXPECT_TRUE(logger.lines.empty());
}

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

TEST_F(NotificationsOnAPrivateBus, EnablingNeedsTheInstallationAndAServerAndPostingErrorsReachTheCaller) {
  bundleIdentifier.reset();
  EXPECT_EQ(enable(), "Notifications can only be enabled from the installed Flitbar.");
  bundleIdentifier = identity.bundleIdentifier;
  EXPECT_EQ(enable(), "Notifications were not authorized. No notification service answers on the session bus.");
  EXPECT_FALSE(service.isEnabled());
  EXPECT_EQ(post("flitbar-switch", InterruptionLevel::active), std::nullopt) << "posting while off is no error";

  auto server = serve();
  EXPECT_EQ(enable(), std::nullopt);
  EXPECT_TRUE(service.isEnabled());
  ASSERT_EQ(post("flitbar-switch", InterruptionLevel::active), std::nullopt);
  ASSERT_EQ(post("flitbar-switch", InterruptionLevel::active), std::nullopt);
  EXPECT_EQ(server->calls("Notify").back().arguments().at(1).toUInt(), 1u) << "the second replaces the first";
  server.reset();
  server = serve(true);
  EXPECT_EQ(post("flitbar-switch", InterruptionLevel::active), "server is broken");
}

}  // namespace
}  // namespace flitbar

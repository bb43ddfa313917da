#include "app/ApplicationFakes.h"
#include "platform/dbus/DesktopSignals.h"
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

  const QString session1 = "/org/freedesktop/login1/session/c1";
  login.emitSignal(session1, "org.freedesktop.DBus.Properties", "PropertiesChanged",
                   {"org.freedesktop.login1.Session", QVariantMap{{"LockedHint", true}}, QStringList()});
  login.emitSignal(session1, "org.freedesktop.login1.Session", "Lock", {});
  login.emitSignal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", {true});
  login.emitSignal("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", {false});
  for (const char* interface : {"org.freedesktop.ScreenSaver", "org.gnome.ScreenSaver", "org.xfce.ScreenSaver"})
    for (int storm = 0; storm < 20; ++storm) saver(interface, true);
  ASSERT_TRUE(eventually([&] { return locks == 1 && wakes == 1; }));

  // Unlocked, then locked again: a second edge, after everything above was delivered.
  saver("org.gnome.ScreenSaver", false);
  saver("org.xfce.ScreenSaver", true);
  ASSERT_TRUE(eventually([&] { return locks >= 2; }));
  settle();
  EXPECT_EQ(locks, 2);
  EXPECT_EQ(wakes, 1);
  EXPECT_TRUE(logger.lines.empty());
}

TEST_F(LockSources, WithoutASystemBusTheScreenSaversStillLock) {
  const auto observing = observe("unix:path=/nonexistent/flitbar-system-bus");
  EXPECT_EQ(logger.lines,
            std::vector<std::string>{"warning No system bus: wake from sleep and logind's screen locks are not seen"});
  saver("org.freedesktop.ScreenSaver", true);
  EXPECT_TRUE(eventually([&] { return locks == 1; }));
}

}  // namespace
}  // namespace flitbar

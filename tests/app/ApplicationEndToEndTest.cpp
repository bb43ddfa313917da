#include "app/FakeDesktopServices.h"
#include "platform/dbus/FreedesktopNotificationCenter.h"
#include "support/PrivateBus.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>

namespace flitbar {
namespace {

using namespace flitbar::testing;

// Repeats `action` until `condition` follows it: the application may still be reconnecting.
template <typename Action, typename Condition>
bool retried(Action action, Condition condition) {
  for (int attempt = 0; attempt < 6; ++attempt) {
    action();
    if (eventually(condition, std::chrono::seconds(5))) return true;
  }
  return false;
}

// `flitbar` with no arguments, on computer 1 of a virtual world, with fake notification, screen
// saver and logind peers on buses of its own.
class RunningApplication : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ensureQtApplication(); }
  void SetUp() override {
    world = std::make_unique<RunningProcess>(
        FLITBAR_VIRTUAL_RECEIVER,
        std::vector<std::string>{"serve", "--rig", FLITBAR_SOURCE_DIR "/src/virtual/rigs/default.json", "--dir",
                                 (folder / "world").string()});
    ASSERT_TRUE(world->waitForOutput("serving", std::chrono::seconds(10)));
    std::filesystem::create_directories(folder / "config");
    writeFile(folder / "config" / "dev.flitbar.flitbar.json", R"({"dev.flitbar.flitbar.notifications-enabled": true})");
  }
  void TearDown() override {
    world->signal(SIGTERM);
    world->wait(std::chrono::seconds(10));
  }

  nlohmann::json devices() {
    return nlohmann::json::parse(
        runProcess(FLITBAR_VIRTUAL_RECEIVER, {"ctl", "--dir", (folder / "world").string(), "state"})
            .standardOutput)["devices"];
  }
  void control(const std::vector<std::string>& words) {
    std::vector<std::string> arguments{"ctl", "--dir", (folder / "world").string()};
    arguments.insert(arguments.end(), words.begin(), words.end());
    ASSERT_EQ(runProcess(FLITBAR_VIRTUAL_RECEIVER, arguments).status, 0);
  }
  bool everyDeviceOn(int host) {
    for (const auto& device : devices())
      if (device["host"] != host) return false;
    return true;
  }
  // Whether `cid` of `device` is diverted; with no device, whether any control is.
  bool diverted(const std::string& device = "", const std::string& cid = "") {
    for (const auto& entry : devices())
      for (const auto& control : entry["controls"])
        if (control["diverted"] == true && (device.empty() || (entry["id"] == device && control["cid"] == cid)))
          return true;
    return false;
  }
  void sendHome() {
    control({"switch", "keyboard", "1"});
    control({"switch", "mouse", "1"});
  }
  bool notified(const QString& bodyStart) {
    for (const auto& call : notifications.calls("Notify"))
      if (call.arguments().at(4).toString().startsWith(bodyStart)) return true;
    return false;
  }

  TemporaryDirectory folder;
  PrivateBus session;
  PrivateBus system;
  FakePeer notifications{session.address(), FreedesktopNotificationCenter::service, FreedesktopNotificationCenter::path,
                         notificationServer()};
  FakePeer screenSaver{session.address(), "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", logind()};
  FakePeer login{system.address(), "org.freedesktop.login1", "/org/freedesktop/login1", logind()};
  std::unique_ptr<RunningProcess> world;
  const std::map<std::string, std::string> environment{{"DBUS_SESSION_BUS_ADDRESS", session.address()},
                                                       {"DBUS_SYSTEM_BUS_ADDRESS", system.address()},
                                                       {"FLITBAR_VIRTUAL_HID", (folder / "world" / "host1").string()},
                                                       {"HOME", folder.path().string()},
                                                       {"XDG_CONFIG_HOME", (folder / "config").string()},
                                                       {"XDG_STATE_HOME", (folder / "state").string()},
                                                       {"QT_QPA_PLATFORM", "offscreen"}};
};

TEST_F(RunningApplication, KeysRelayedRequestsAndLocksMoveEveryDevice) {
  RunningProcess application(FLITBAR_EXECUTABLE, {}, environment);
  ASSERT_TRUE(eventually([&] { return diverted("keyboard", "0x00D2"); }, std::chrono::seconds(30)));

  EXPECT_TRUE(retried([&] { control({"click", "keyboard", "0x00D2"}); }, [&] { return everyDeviceOn(2); }));
  EXPECT_TRUE(eventually([&] { return notified("Moving everything to "); }));

  sendHome();
  std::string relayed;
  EXPECT_TRUE(retried(
      [&] {
        relayed = runProcess(FLITBAR_EXECUTABLE, {"switch", "3"}, environment).standardOutput;
      },
      [&] { return everyDeviceOn(3); }));
  EXPECT_EQ(relayed, "Requested running Flitbar to switch all capable devices to host 3.\n");

  sendHome();
  EXPECT_TRUE(retried(
      [&] {
        screenSaver.emitSignal("/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", {false});
        screenSaver.emitSignal("/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "ActiveChanged", {true});
      },
      [&] { return everyDeviceOn(2); }))
      << "the lowest other host";
  application.signal(SIGTERM);
  EXPECT_EQ(application.wait(std::chrono::seconds(20)).status, 0);
}

TEST_F(RunningApplication, ASecondStartHandsOverAndQuittingGivesEveryControlBack) {
  RunningProcess application(FLITBAR_EXECUTABLE, {}, environment);
  ASSERT_TRUE(eventually([&] { return diverted(); }, std::chrono::seconds(30)));
  EXPECT_EQ(runProcess(FLITBAR_EXECUTABLE, {}, environment).status, 0);

  application.signal(SIGTERM);
  const auto outcome = application.wait(std::chrono::seconds(20));
  EXPECT_EQ(outcome.status, 0) << outcome.standardError;
  EXPECT_FALSE(diverted());
  const auto log = readFile(folder / "state" / "flitbar" / "Flitbar.log");
  EXPECT_NE(log.find("[INFO] Stopped Flitbar\n"), std::string::npos) << log;
  EXPECT_EQ(std::filesystem::status(folder / "state" / "flitbar" / "Flitbar.log").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

}  // namespace
}  // namespace flitbar

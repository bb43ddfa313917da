// The built flitbar running as the tray application on computer 1 of a virtual world served over
// real sockets, with fake screen saver and logind peers on buses of its own.
#include "support/FakeDesktopServices.h"
#include "support/PrivateBus.h"
#include "support/ProcessRunner.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <optional>

namespace flitbar {
namespace {

using namespace flitbar::testing;
using namespace std::chrono_literals;

// Repeats `action` until `condition` follows it: the application may still be reconnecting.
template <typename Action, typename Condition>
bool retried(Action action, Condition condition) {
  for (int attempt = 0; attempt < 6; ++attempt) {
    action();
    if (eventually(condition, 5s)) return true;
  }
  return false;
}

class RunningApplication : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ensureQtApplication(); }
  void SetUp() override {
    world.emplace(FLITBAR_VIRTUAL_RECEIVER,
                  std::vector<std::string>{"serve", "--rig", FLITBAR_SOURCE_DIR "/src/virtual/rigs/default.json",
                                           "--dir", (folder / "world").string()});
    ASSERT_TRUE(world->waitForOutput("serving", 20s));
  }
  void TearDown() override {
    world->signal(SIGTERM);
    world->wait(20s);
  }

  // What the world's control command printed.
  std::string control(const std::vector<std::string>& words) {
    std::vector<std::string> arguments{"ctl", "--dir", (folder / "world").string()};
    arguments.insert(arguments.end(), words.begin(), words.end());
    const auto outcome = runProcess(FLITBAR_VIRTUAL_RECEIVER, arguments);
    EXPECT_EQ(outcome.status, 0);
    return outcome.standardOutput;
  }
  nlohmann::json devices() { return nlohmann::json::parse(control({"state"}))["devices"]; }
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
  TemporaryDirectory folder;
  std::optional<RunningProcess> world;
  PrivateBus session;
  PrivateBus system;
  FakePeer screenSaver{session.address(), "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", logind()};
  FakePeer login{system.address(), "org.freedesktop.login1", "/org/freedesktop/login1", logind()};
  const std::map<std::string, std::string> environment{{"DBUS_SESSION_BUS_ADDRESS", session.address()},
                                                       {"DBUS_SYSTEM_BUS_ADDRESS", system.address()},
                                                       {"FLITBAR_VIRTUAL_HID", (folder / "world" / "host1").string()},
                                                       {"HOME", folder.path().string()},
                                                       {"XDG_CONFIG_HOME", (folder / "config").string()},
                                                       {"XDG_STATE_HOME", (folder / "state").string()},
                                                       {"QT_QPA_PLATFORM", "offscreen"}};
};

TEST_F(RunningApplication, KeysRequestsAndLocksMoveEveryDeviceAndTerminatingGivesEveryControlBack) {
  RunningProcess application(FLITBAR_EXECUTABLE, {}, environment);
  ASSERT_TRUE(eventually([&] { return diverted("keyboard", "0x00D2"); }, 30s));

  // A second start hands over to this one.
  EXPECT_EQ(runProcess(FLITBAR_EXECUTABLE, {}, environment).status, 0);

  EXPECT_TRUE(retried([&] { control({"click", "keyboard", "0x00D2"}); }, [&] { return everyDeviceOn(2); }));

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

  // Back on this computer, its controls are diverted again before quitting hands them back.
  sendHome();
  ASSERT_TRUE(eventually([&] { return diverted("keyboard", "0x00D2"); }, 30s));
  application.signal(SIGTERM);
  const auto outcome = application.wait(20s);
  EXPECT_EQ(outcome.status, 0) << outcome.standardError;
  EXPECT_FALSE(diverted());
  const auto log = folder / "state" / "flitbar" / "Flitbar.log";
  EXPECT_NE(readFile(log).find("[INFO] Stopped Flitbar\n"), std::string::npos) << readFile(log);
}

}  // namespace
}  // namespace flitbar

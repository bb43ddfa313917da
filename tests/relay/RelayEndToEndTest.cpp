#include "support/ProcessRunner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace flitbar {
namespace {

using testing::RunningProcess;
using testing::runProcess;

// A folder that offers no receiver interface: a command that opened the receiver would fail.
std::string emptyVirtualHid() {
  const auto folder = std::filesystem::temp_directory_path() / ("flitbar-relay-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  return folder.string();
}

TEST(RelayEndToEnd, SwitchHandsTheRequestToTheRunningApplication) {
  if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "no session bus";
  RunningProcess owner(RELAY_STAND_IN, {});
  ASSERT_TRUE(owner.waitForOutput("ready\n", std::chrono::seconds(10)));

  const std::map<std::string, std::string> environment{{"FLITBAR_VIRTUAL_HID", emptyVirtualHid()}};
  const auto refused = runProcess(FLITBAR_EXECUTABLE, {"list"}, environment);
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.standardError,
            "error: The Flitbar menubar app is running and owns the receiver. Use `flitbar switch <1|2|3>` for host "
            "changes, or quit Flitbar before direct diagnostics and restore.\n");

  const auto relayed = runProcess(FLITBAR_EXECUTABLE, {"switch", "2"}, environment);
  EXPECT_EQ(relayed.status, 0) << relayed.standardError;
  EXPECT_EQ(relayed.standardOutput, "Requested running Flitbar to switch all capable devices to host 2.\n");
  EXPECT_EQ(relayed.standardError, "");

  const auto outcome = owner.wait(std::chrono::seconds(10));
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.standardOutput, "ready\nhost 2\n");
}

TEST(RelayEndToEnd, WithoutASessionBusCommandsRunOnTheirOwn) {
  const std::map<std::string, std::string> environment{
      {"FLITBAR_VIRTUAL_HID", emptyVirtualHid()}, {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/flitbar-bus"}};
  const auto result = runProcess(FLITBAR_EXECUTABLE, {"switch", "2"}, environment, std::chrono::seconds(20));
  EXPECT_FALSE(result.timedOut);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.standardError, "error: No Logitech receiver found. Plug in the Unifying/Bolt dongle.\n");
}

}  // namespace
}  // namespace flitbar

#include "support/PrivateBus.h"
#include "support/ProcessRunner.h"
#include "support/TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <csignal>

namespace flitbar {
namespace {

using namespace flitbar::testing;

TEST(RelayEndToEnd, ARequestFromAnotherUserIsRefusedAndReportedAsNotDelivered) {
  PrivateBus bus;
  const TemporaryDirectory noReceiver;  // a command that opened the receiver would fail differently
  const std::map<std::string, std::string> environment{{"FLITBAR_VIRTUAL_HID", noReceiver.path().string()},
                                                       {"DBUS_SESSION_BUS_ADDRESS", bus.address()}};
  RunningProcess owner(RELAY_STAND_IN, {}, environment);
  ASSERT_TRUE(owner.waitForOutput("ready\n", std::chrono::seconds(10)));

  const auto relayed = runProcess(FLITBAR_EXECUTABLE, {"switch", "2"}, environment);
  EXPECT_EQ(relayed.status, 1);
  EXPECT_EQ(relayed.standardOutput, "");
  EXPECT_EQ(relayed.standardError, "error: The running Flitbar did not accept the switch request.\n");

  owner.signal(SIGTERM);
  EXPECT_EQ(owner.wait(std::chrono::seconds(10)).standardOutput, "ready\n") << "nothing may have been switched";
}

}  // namespace
}  // namespace flitbar

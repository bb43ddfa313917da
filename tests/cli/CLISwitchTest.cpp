#include "cli/CLITestSupport.h"

namespace flitbar {
namespace {

using testing::FakeEnvironment;
using testing::keyboard;
using testing::plainDevice;

TEST(CLISwitch, MovesOnlyDevicesThatCanReachTheHost) {
  FakeEnvironment fake;
  fake.devices = {keyboard(1, "K850", 3, 0), keyboard(2, "M720", 2, 0), plainDevice(3, "Pad")};
  EXPECT_EQ(fake.run({"switch", "3"}), (CommandResult{0, "Switching K850 to host 3.\n", ""}));
  ASSERT_EQ(fake.session->hostMultiCalls.size(), 1u);
  EXPECT_EQ(fake.session->hostMultiCalls[0].first, (std::vector<HostTarget>{{1, 0x09}}));
  EXPECT_EQ(fake.session->hostMultiCalls[0].second, 2) << "zero-based on the wire";
  EXPECT_TRUE(fake.receiverClosed());

  FakeEnvironment both;
  both.devices = fake.devices;
  both.devices[1].changeHostFeature = 0x0B;
  EXPECT_EQ(both.run({"switch", "+2"}), (CommandResult{0, "Switching K850, M720 to host 2.\n", ""}));
  EXPECT_EQ(both.session->hostMultiCalls[0].first, (std::vector<HostTarget>{{1, 0x09}, {2, 0x0B}}));
  EXPECT_EQ(both.session->hostMultiCalls[0].second, 1);
}

TEST(CLISwitch, FailsWhenNoDeviceReachesTheHost) {
  FakeEnvironment fake;
  fake.devices = {keyboard(2, "M720", 2, 0), plainDevice(3, "Pad")};
  EXPECT_EQ(fake.run({"switch", "3"}), (CommandResult{1, "", "error: no connected device supports host 3\n"}));
  EXPECT_TRUE(fake.session->hostMultiCalls.empty());
  EXPECT_TRUE(fake.receiverClosed());
}

TEST(CLISwitch, AFailedWriteEndsWithTheHidppTextAndClosesTheReceiver) {
  FakeEnvironment fake;
  fake.devices = {keyboard(1, "K850", 3, 0)};
  fake.session->hostMultiError = HIDPPError::writeFailed(19);
  EXPECT_EQ(fake.run({"switch", "1"}),
            (CommandResult{1, "", "error: Could not write to the receiver (errno 0x00000013).\n"}));
  EXPECT_TRUE(fake.receiverClosed());
}

TEST(CLISwitch, RelaysToTheRunningApplicationWithoutOpeningTheReceiver) {
  FakeEnvironment fake;
  fake.guiRunning = true;
  EXPECT_EQ(fake.run({"switch", "2"}),
            (CommandResult{0, "Requested running Flitbar to switch all capable devices to host 2.\n", ""}));
  EXPECT_EQ(fake.relayed, std::vector<std::uint8_t>{2});
  EXPECT_EQ(fake.opens, 0);

  fake.relayAccepts = false;
  EXPECT_EQ(fake.run({"switch", "3"}),
            (CommandResult{1, "", "error: The running Flitbar did not accept the switch request.\n"}));
  EXPECT_EQ(fake.opens, 0) << "an undelivered request must not fall back to opening the receiver";
}

}  // namespace
}  // namespace flitbar

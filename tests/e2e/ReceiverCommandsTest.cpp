// The built flitbar against the built virtual receiver, over real sockets.
#include "e2e/VirtualWorldFixture.h"

namespace flitbar {
namespace {

class ReceiverCommands : public testing::VirtualWorldFixture {};

TEST_F(ReceiverCommands, SwitchMovesBothDevicesToTheOtherComputer) {
  const auto result = testing::runProcess(FLITBAR_EXECUTABLE, {"switch", "2"}, {{"FLITBAR_VIRTUAL_HID", receiverOf(1)}},
                                          std::chrono::seconds(60));
  EXPECT_EQ(result.status, 0) << result.standardError;
  EXPECT_EQ(result.standardOutput, "Switching MX Keys S, MX Master 3S to host 2.\n");
  EXPECT_TRUE(testing::eventually([&] { return everyDeviceOn(2); }, std::chrono::seconds(30)));
}

}  // namespace
}  // namespace flitbar

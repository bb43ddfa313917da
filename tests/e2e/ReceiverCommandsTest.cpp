// The built flitbar against the built virtual receiver, over real sockets.
#include "e2e/VirtualWorldFixture.h"

namespace flitbar {
namespace {

using testing::listHeader;

class ReceiverCommands : public testing::VirtualWorldFixture {};

TEST_F(ReceiverCommands, ListAndBatteryReadTheDevices) {
  const auto list = flitbar({"list"});
  EXPECT_EQ(list.status, 0) << list.standardError;
  EXPECT_EQ(list.standardOutput, std::string(listHeader) +
                                     "    1  MX Keys S                       1 of 3 \u201Cstudio-desktop\u201D\n"
                                     "    2  MX Master 3S                    1 of 3 \u201Cstudio-desktop\u201D\n");
  control({"battery", "mouse", "12", "charging"});
  EXPECT_EQ(flitbar({"battery"}).standardOutput, "MX Keys S: 60%\nMX Master 3S: 12%\n");
}

TEST_F(ReceiverCommands, SwitchMovesBothDevicesToTheOtherComputer) {
  const auto result = flitbar({"switch", "2"});
  EXPECT_EQ(result.status, 0) << result.standardError;
  EXPECT_EQ(result.standardOutput, "Switching MX Keys S, MX Master 3S to host 2.\n");
  EXPECT_EQ(listWhenSettled("host2", 4),
            std::string(listHeader) +
                "    1  MX Keys S                       2 of 3 \u201Ctravel-laptop\u201D\n"
                "    2  MX Master 3S                    2 of 3 \u201Ctravel-laptop\u201D\n");
  EXPECT_EQ(flitbar({"list"}, "host1").standardOutput, listHeader);
}

TEST_F(ReceiverCommands, ASilentOrMissingReceiverEndsWithStatusOne) {
  control({"fault", "silent-receiver", "host1", "on"});
  const auto silent = flitbar({"switch", "2"});
  EXPECT_EQ(silent.status, 1);
  EXPECT_EQ(silent.standardError, "error: no connected device supports host 2\n");

  stopWorld();
  const auto gone = flitbar({"list"});
  EXPECT_EQ(gone.status, 1);
  EXPECT_EQ(gone.standardError, "error: No Logitech receiver found. Plug in the Unifying/Bolt dongle.\n");
}

}  // namespace
}  // namespace flitbar

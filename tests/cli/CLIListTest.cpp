#include "cli/CLITestSupport.h"

namespace flitbar {
namespace {

using testing::FakeEnvironment;
using testing::keyboard;
using testing::plainDevice;

constexpr const char* header =
    "  idx  device                          host\n"
    "  ---  ------------------------------  ----\n";

TEST(CLIList, PrintsOneAlignedRowPerDevice) {
  FakeEnvironment fake;
  auto named = keyboard(1, std::string(30, 'K'), 3, 1);
  named.hostNames = std::vector<std::string>{"Desk", "Studio", ""};
  auto unnamedHost = keyboard(2, std::string(31, 'M'), 2, 0);
  unnamedHost.hostNames = std::vector<std::string>{"", "Laptop"};
  fake.devices = {named, unnamedHost, plainDevice(6, "Caf\u00E9 Pad")};

  const auto result = fake.run({"list"});
  EXPECT_EQ(result,
            (CommandResult{0,
                           std::string(header) + "    1  KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK  2 of 3 \u201CStudio\u201D\n"
                                                 "    2  MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM  1 of 2\n"
                                                 "    6  Caf\u00E9 Pad                        -\n",
                           ""}));
  EXPECT_TRUE(fake.receiverClosed());
}

TEST(CLIList, WithNoDevicesPrintsOnlyTheHeader) {
  FakeEnvironment fake;
  EXPECT_EQ(fake.run({"list"}).standardOutput, header);
  EXPECT_EQ(fake.run({"list", "--json"}).standardOutput, "[]\n");
  EXPECT_TRUE(fake.receiverClosed());
}

TEST(CLIList, JsonHasSortedKeysZeroBasedHostsAndOmitsWhatIsUnknown) {
  FakeEnvironment fake;
  auto full = keyboard(1, "K850", 3, 0);
  full.unitID = "AA:BB:CC:DD";
  full.hostNames = std::vector<std::string>{"Desk", ""};
  full.battery = DeviceBattery{80, true};
  fake.devices = {full, plainDevice(3, "(unknown)")};

  const std::string expected = R"json([
  {
    "batteryPercent": 80,
    "charging": true,
    "host": 0,
    "hostCount": 3,
    "hostNames": [
      "Desk",
      ""
    ],
    "index": 1,
    "name": "K850",
    "unitId": "AA:BB:CC:DD"
  },
  {
    "index": 3,
    "name": "(unknown)"
  }
]
)json";
  EXPECT_EQ(fake.run({"list", "--json"}), (CommandResult{0, expected, ""}));
  EXPECT_EQ(fake.run({"list"}).standardOutput, std::string(header) +
                                                   "    1  K850                            1 of 3 \u201CDesk\u201D\n" +
                                                   "    3  (unknown)                       -\n");
  EXPECT_TRUE(fake.receiverClosed());
}

TEST(CLIList, ReceiverFailuresEndWithTheirTextAndStatusOne) {
  for (const auto& error : {HIDPPError::noReceiver(), HIDPPError::accessDenied(), HIDPPError::silentReceiver(1)}) {
    for (const char* command : {"list", "battery", "switch"}) {
      FakeEnvironment fake;
      fake.openError = error;
      std::vector<std::string> arguments{command};
      if (arguments.front() == "switch") arguments.push_back("1");
      EXPECT_EQ(fake.run(arguments), (CommandResult{1, "", "error: " + error.description() + "\n"}));
    }
  }
}

TEST(CLIBattery, PrintsEachReadingAndSkipsDevicesWithout) {
  FakeEnvironment fake;
  fake.devices = {keyboard(1, "K850", 3, 0), plainDevice(2, "M720"), plainDevice(4, "Pad")};
  fake.session->batteries[1] = DeviceBattery{80, false};
  fake.session->batteries[4] = DeviceBattery{5, true};
  EXPECT_EQ(fake.run({"battery"}), (CommandResult{0, "K850: 80%\nPad: 5%, charging\n", ""}));
  EXPECT_TRUE(fake.receiverClosed());

  FakeEnvironment none;
  none.devices = {plainDevice(2, "M720")};
  EXPECT_EQ(none.run({"battery"}), (CommandResult{0, "no connected device reports a battery\n", ""}));
  EXPECT_TRUE(none.receiverClosed());
}

}  // namespace
}  // namespace flitbar

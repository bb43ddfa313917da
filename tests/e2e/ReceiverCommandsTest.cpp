#include "e2e/VirtualWorldFixture.h"

#include <thread>

namespace flitbar {
namespace {

using testing::listHeader;

class ReceiverCommands : public testing::VirtualWorldFixture {};

TEST_F(ReceiverCommands, ListAndBatteryDescribeTheDefaultRig) {
  serveDefaultRig();
  const auto list = flitbar({"list"});
  EXPECT_EQ(list.status, 0) << list.standardError;
  EXPECT_EQ(list.standardOutput, std::string(listHeader) +
                                     "    1  MX Keys S                       1 of 3 \u201Cstudio-desktop\u201D\n"
                                     "    2  MX Master 3S                    1 of 3 \u201Cstudio-desktop\u201D\n");
  EXPECT_EQ(list.standardError, "");

  const auto json = flitbar({"list", "--json"});
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.standardOutput, R"json([
  {
    "batteryPercent": 60,
    "charging": false,
    "host": 0,
    "hostCount": 3,
    "hostNames": [
      "studio-desktop",
      "travel-laptop",
      "office-pc"
    ],
    "index": 1,
    "name": "MX Keys S",
    "unitId": "4F:2A:11:C0"
  },
  {
    "batteryPercent": 85,
    "charging": false,
    "host": 0,
    "hostCount": 3,
    "hostNames": [
      "studio-desktop",
      "travel-laptop",
      "office-pc"
    ],
    "index": 2,
    "name": "MX Master 3S",
    "unitId": "9C:51:7E:02"
  }
]
)json");

  control({"battery", "mouse", "12", "charging"});
  const auto battery = flitbar({"battery"});
  EXPECT_EQ(battery.status, 0);
  EXPECT_EQ(battery.standardOutput, "MX Keys S: 60%\nMX Master 3S: 12%\n");
}

TEST_F(ReceiverCommands, SwitchMovesBothDevicesToTheOtherComputer) {
  serveDefaultRig();
  const auto result = flitbar({"switch", "2"});
  EXPECT_EQ(result.status, 0) << result.standardError;
  EXPECT_EQ(result.standardOutput, "Switching MX Keys S, MX Master 3S to host 2.\n");

  EXPECT_EQ(listWhenSettled("host2", 2),
            std::string(listHeader) +
                "    1  MX Keys S                       2 of 3 \u201Ctravel-laptop\u201D\n"
                "    2  MX Master 3S                    2 of 3 \u201Ctravel-laptop\u201D\n");
  EXPECT_EQ(flitbar({"list"}, "host1").standardOutput, listHeader);
  const auto nothing = flitbar({"switch", "1"}, "host1");
  EXPECT_EQ(nothing.status, 1);
  EXPECT_EQ(nothing.standardError, "error: no connected device supports host 1\n");
}

constexpr const char* keyboardAndTwoHostMouse = R"json({
  "computers": [
    {"id": "host1", "name": "desk", "receiver": "unifying"},
    {"id": "host2", "name": "laptop", "receiver": "unifying"},
    {"id": "host3", "name": "tablet", "receiver": "unifying"}
  ],
  "devices": [
    {"id": "keyboard", "slot": 1, "kind": "keyboard", "name": "K850 Performance Wireless Keys!",
     "wpid": "0x4069", "hosts": ["host1", "host2", "host3"]},
    {"id": "mouse", "slot": 3, "kind": "mouse", "name": "M720 Triathlon Multi-Device Mo",
     "wpid": "0x405E", "hosts": ["host1", "host2"]},
    {"id": "pad", "slot": 5, "kind": "keyboard", "name": "K270", "wpid": "0x4003", "hosts": ["host1"],
     "changeHost": false, "battery": {"features": ["unified", "status"], "percent": 30, "reportsPercent": false}}
  ],
  "timing": {"answerMs": 0, "receiverErrorMs": 0, "departureNoticeMs": 0, "arrivalMs": 0}
})json";

TEST_F(ReceiverCommands, SwitchThreeMovesOnlyTheDevicesThatReachHostThree) {
  serveRig(keyboardAndTwoHostMouse);
  EXPECT_EQ(flitbar({"list"}).standardOutput, std::string(listHeader) +
                                                  "    1  K850 Performance Wireless Keys!  1 of 3 \u201Cdesk\u201D\n"
                                                  "    3  M720 Triathlon Multi-Device Mo  1 of 2 \u201Cdesk\u201D\n"
                                                  "    5  K270                            -\n");
  const auto json = flitbar({"list", "--json"}).standardOutput;
  EXPECT_NE(json.find("{\n    \"batteryPercent\": 30,\n    \"charging\": false,\n    \"index\": 5,\n    \"name\": "
                      "\"K270\"\n  }"),
            std::string::npos)
      << json;

  const auto result = flitbar({"switch", "3"});
  EXPECT_EQ(result.status, 0) << result.standardError;
  EXPECT_EQ(result.standardOutput, "Switching K850 Performance Wireless Keys! to host 3.\n");
  EXPECT_EQ(listWhenSettled("host3", 1),
            std::string(listHeader) + "    1  K850 Performance Wireless Keys!  3 of 3 \u201Ctablet\u201D\n");
  EXPECT_EQ(flitbar({"list"}).standardOutput, std::string(listHeader) +
                                                  "    3  M720 Triathlon Multi-Device Mo  1 of 2 \u201Cdesk\u201D\n"
                                                  "    5  K270                            -\n");
}

TEST_F(ReceiverCommands, UsageErrorsNeverOpenTheReceiver) {
  serveDefaultRig();
  for (const char* host : {"0", "4", "two"}) {
    const auto result = flitbar({"switch", host});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.standardError, "error: usage: switch <1|2|3>\n");
  }
  EXPECT_EQ(flitbar({"switch"}).standardError, "error: usage: switch <1|2|3>\n");
  EXPECT_EQ(flitbar({"list", "--JSON"}).standardError, "error: usage: list [--json]\n");
  EXPECT_EQ(flitbar({"battery", "now"}).standardError, "error: usage: battery\n");
  EXPECT_EQ(flitbar({"list"}).standardOutput,
            std::string(listHeader) +
                "    1  MX Keys S                       1 of 3 \u201Cstudio-desktop\u201D\n"
                "    2  MX Master 3S                    1 of 3 \u201Cstudio-desktop\u201D\n")
      << "both devices are still on computer 1";
}

TEST_F(ReceiverCommands, AReceiverThatAnswersGarbageOrNothingEndsCleanly) {
  serveDefaultRig();
  control({"latency", "0", "0"});
  control({"fault", "malformed", "host1", "1000"});
  const auto garbage = flitbar({"list"});
  EXPECT_FALSE(garbage.timedOut);
  EXPECT_EQ(garbage.status, 0) << "discovery leaves out what it cannot read";
  EXPECT_EQ(garbage.standardOutput, listHeader);

  control({"fault", "clear"});
  control({"fault", "silent-receiver", "host1", "on"});
  const auto silent = flitbar({"switch", "2"});
  EXPECT_FALSE(silent.timedOut);
  EXPECT_EQ(silent.status, 1);
  EXPECT_EQ(silent.standardError, "error: no connected device supports host 2\n");
}

TEST_F(ReceiverCommands, AReceiverThatDisappearsGivesTheHidppText) {
  serveDefaultRig();
  control({"latency", "150", "2"});
  std::thread stopper([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    stopWorld();
  });
  const auto midway = flitbar({"switch", "2"});
  stopper.join();
  EXPECT_FALSE(midway.timedOut);
  EXPECT_EQ(midway.status, 1);
  EXPECT_EQ(midway.standardError.rfind("error: ", 0), 0u) << midway.standardError;
  EXPECT_EQ(midway.standardOutput, "");

  const auto gone = flitbar({"list"});
  EXPECT_EQ(gone.status, 1);
  EXPECT_EQ(gone.standardError, "error: No Logitech receiver found. Plug in the Unifying/Bolt dongle.\n");
}

}  // namespace
}  // namespace flitbar

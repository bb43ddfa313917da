#include "cli/CLI.h"
#include "cli/CommandResultPrinting.h"
#include "protocol/HIDPPError.h"
#include "support/VirtualDesk.h"

#include <gtest/gtest.h>

namespace flitbar {
namespace {

using testing::VirtualDesk;
using Rig = virtualhid::VirtualRig;

constexpr const char* header =
    "  idx  device                          host\n"
    "  ---  ------------------------------  ----\n";

// `rigFile` with `change` applied.
VirtualDesk deskOf(
    const std::string& rigFile, const std::function<void(Rig&)>& change = [](Rig&) {}) {
  auto rig = VirtualDesk::rig(rigFile);
  change(rig);
  return VirtualDesk(std::move(rig));
}

// Runs a command on the first computer of `desk`; every receiver it opened must be let go again.
CommandResult run(
    const VirtualDesk& desk, const std::vector<std::string>& arguments,
    const std::function<void()>& afterOpening = [] {}) {
  std::vector<std::weak_ptr<ReceiverSession>> opened;
  auto environment = desk.environment();
  environment.openReceiver = [&, open = environment.openReceiver] {
    auto receiver = open();
    opened.push_back(receiver.session);
    afterOpening();
    return receiver;
  };
  const auto result = CLI::run(arguments, environment);
  for (const auto& session : opened) EXPECT_TRUE(session.expired()) << "the receiver was left open";
  return result;
}

TEST(CLIDeviceCommands, ListAlignsOneRowPerDeviceAndJsonOmitsWhatIsUnknown) {
  const auto longNames = deskOf("default.json", [](Rig& rig) {
    rig.devices[0].name = std::string(30, 'K');
    rig.devices[1].name = std::string(31, 'M');
  });
  EXPECT_EQ(run(longNames, {"list"}),
            (CommandResult{0,
                           std::string(header) +
                               "    1  KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK  1 of 3 \u201Cstudio-desktop\u201D\n" +
                               "    2  MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM  1 of 3 \u201Cstudio-desktop\u201D\n",
                           ""}));

  // A keyboard that cannot change hosts and tells neither its serial nor its battery level, and a
  // mouse without a battery.
  const auto partial = deskOf("no-change-host.json");
  EXPECT_EQ(run(partial, {"list"}).standardOutput,
            std::string(header) +
                "    1  K270                            -\n"
                "    3  M590                            1 of 2 \u201Cworkstation\u201D\n");
  EXPECT_EQ(run(partial, {"list", "--json"}), (CommandResult{0, R"json([
  {
    "batteryPercent": 30,
    "charging": false,
    "index": 1,
    "name": "K270"
  },
  {
    "host": 0,
    "hostCount": 2,
    "hostNames": [
      "workstation",
      "notebook"
    ],
    "index": 3,
    "name": "M590",
    "unitId": "0A:0B:0C:0D"
  }
]
)json",
                                                             ""}));
  const auto empty = deskOf("default.json", [](Rig& rig) { rig.devices.clear(); });
  EXPECT_EQ(run(empty, {"list"}).standardOutput, header);
  EXPECT_EQ(run(empty, {"list", "--json"}).standardOutput, "[]\n");
}

TEST(CLIDeviceCommands, BatteryPrintsEachReadingAndSkipsDevicesWithout) {
  const VirtualDesk desk;
  EXPECT_EQ(run(desk, {"battery"}).standardOutput, "MX Keys S: 60%\nMX Master 3S: 85%\n");
  // The keyboard reports through the battery status feature, the mouse through the unified one.
  desk.world->setBattery("keyboard", 12, true);
  desk.world->setBattery("mouse", 100, true);
  EXPECT_EQ(run(desk, {"battery"}), (CommandResult{0, "MX Keys S: 12%, charging\nMX Master 3S: 100%, charging\n", ""}));
  EXPECT_EQ(run(deskOf("no-change-host.json"), {"battery"}).standardOutput, "K270: 30%\n");
  const auto none = deskOf("default.json", [](Rig& rig) {
    for (auto& device : rig.devices) device.battery.reset();
  });
  EXPECT_EQ(run(none, {"battery"}), (CommandResult{0, "no connected device reports a battery\n", ""}));
}

TEST(CLIDeviceCommands, SwitchMovesOnlyDevicesThatCanReachTheHost) {
  const VirtualDesk desk;
  EXPECT_EQ(run(desk, {"switch", "+2"}), (CommandResult{0, "Switching MX Keys S, MX Master 3S to host 2.\n", ""}));
  EXPECT_EQ(desk.computerOf("keyboard"), "host2");
  EXPECT_EQ(desk.computerOf("mouse"), "host2");

  const auto partial = deskOf("no-change-host.json");
  EXPECT_EQ(run(partial, {"switch", "2"}), (CommandResult{0, "Switching M590 to host 2.\n", ""}));
  EXPECT_EQ(partial.computerOf("keyboard"), "host1");
  EXPECT_EQ(partial.computerOf("mouse"), "host2");

  const auto twoHosts = deskOf("two-host-mouse.json");
  EXPECT_EQ(run(twoHosts, {"switch", "3"}), (CommandResult{1, "", "error: no connected device supports host 3\n"}));
  EXPECT_EQ(twoHosts.computerOf("mouse"), "host1");
}

TEST(CLIDeviceCommands, ReceiverFailuresEndWithTheirTextAndStatusOne) {
  const VirtualDesk desk;
  const auto unplugged = run(desk, {"switch", "2"}, [&] { desk.world->unplug("host1"); });
  EXPECT_EQ(unplugged.status, 1);
  EXPECT_TRUE(unplugged.standardError.starts_with("error: Could not write to the receiver (errno 0x"))
      << unplugged.standardError;

  for (const auto& error : {HIDPPError::noReceiver(), HIDPPError::accessDenied(), HIDPPError::silentReceiver(1)}) {
    const CLIEnvironment failing{[&]() -> OpenedReceiver { throw error; }, [] { return false; },
                                 [](std::uint8_t) { return false; }};
    for (const auto& arguments : std::vector<std::vector<std::string>>{{"list"}, {"battery"}, {"switch", "1"}})
      EXPECT_EQ(CLI::run(arguments, failing), (CommandResult{1, "", "error: " + error.description() + "\n"}));
  }
}

TEST(CLIDeviceCommands, SwitchIsRelayedToTheRunningApplicationWithoutOpeningTheReceiver) {
  std::vector<std::uint8_t> relayed;
  bool accepts = true;
  const CLIEnvironment environment{[]() -> OpenedReceiver {
                                     ADD_FAILURE() << "opened the receiver";
                                     throw HIDPPError::noReceiver();
                                   },
                                   [] { return true; },
                                   [&](std::uint8_t host) {
                                     relayed.push_back(host);
                                     return accepts;
                                   }};
  EXPECT_EQ(CLI::run({"switch", "2"}, environment),
            (CommandResult{0, "Requested running Flitbar to switch all capable devices to host 2.\n", ""}));
  accepts = false;
  EXPECT_EQ(CLI::run({"switch", "3"}, environment),
            (CommandResult{1, "", "error: The running Flitbar did not accept the switch request.\n"}));
  EXPECT_EQ(relayed, (std::vector<std::uint8_t>{2, 3}));
}

}  // namespace
}  // namespace flitbar

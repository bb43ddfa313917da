#include "cli/CLI.h"
#include "protocol/HIDPPError.h"
#include "support/VirtualDesk.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace flitbar {

// Readable failure messages for comparisons of whole results.
void PrintTo(const CommandResult& result, std::ostream* out) {
  *out << "{" << result.status << ", " << ::testing::PrintToString(result.standardOutput) << ", "
       << ::testing::PrintToString(result.standardError) << "}";
}

namespace {

// With the application running, every command word ends before the receiver or the relay is touched.
CommandResult runBesideTheApplication(const std::vector<std::string>& arguments) {
  return CLI::run(arguments, {[]() -> OpenedReceiver {
                                ADD_FAILURE() << "opened the receiver";
                                throw HIDPPError::noReceiver();
                              },
                              [] { return true; },
                              [](std::uint8_t) {
                                ADD_FAILURE() << "relayed a request";
                                return false;
                              }});
}

TEST(CLIArguments, ViolationsPrintTheirUsageAndAcceptedFormsDeferToTheApplication) {
  const std::string owned =
      "The Flitbar menubar app is running and owns the receiver. Use `flitbar switch <1|2|3>` for host changes, or "
      "quit Flitbar before direct diagnostics and restore.";
  const std::string smartshift = "usage: smartshift [--set N] (-1 disables SmartShift)";
  const std::string watch = "usage: watch [-d <1...6>]";
  const std::string switching = "usage: switch <1|2|3>";
  // The outermost rejected and accepted values of each range, and one row per kind of usage error.
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
      {{}, "missing command"},
      {{"List"}, "unknown command: List"},
      {{"list", "--JSON"}, "usage: list [--json]"},
      {{"battery", "now"}, "usage: battery"},
      {{"smartshift", "--set", "-2"}, smartshift},
      {{"watch", "-d", "0"}, watch},
      {{"watch", "-d", "7"}, watch},
      {{"switch", "0"}, switching},
      {{"switch", "4"}, switching},
      {{"switch", "99999999999999999999"}, switching},
      {{"smartshift", "--set", "-1"}, owned},
      {{"watch", "-d", "6"}, owned},
  };
  for (const auto& [arguments, error] : cases) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    EXPECT_EQ(runBesideTheApplication(arguments), (CommandResult{2, "", "error: " + error + "\n"}));
  }
}

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
  // A keyboard that cannot change hosts and tells neither its serial nor its battery level, and a
  // mouse without a battery.
  const auto partial = deskOf("no-change-host.json");
  EXPECT_EQ(run(partial, {"list"}).standardOutput,
            std::string(header) +
                "    1  K270                            -\n"
                "    3  M590                            1 of 2 \u201Cworkstation\u201D\n");
  // Compared as documents: what scripts rely on are the keys present, not the indentation.
  const auto listed = run(partial, {"list", "--json"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(nlohmann::json::parse(listed.standardOutput), nlohmann::json::parse(R"([
    {"batteryPercent": 30, "charging": false, "index": 1, "name": "K270"},
    {"host": 0, "hostCount": 2, "hostNames": ["workstation", "notebook"], "index": 3, "name": "M590",
     "unitId": "0A:0B:0C:0D"}])"));
  const auto empty = deskOf("default.json", [](Rig& rig) { rig.devices.clear(); });
  EXPECT_EQ(run(empty, {"list"}).standardOutput, header);
  EXPECT_EQ(run(empty, {"list", "--json"}).standardOutput, "[]\n");
}

TEST(CLIDeviceCommands, BatteryPrintsEachReadingAndSkipsDevicesWithout) {
  const VirtualDesk desk;
  // The keyboard reports through the battery status feature, the mouse through the unified one.
  desk.world->setBattery("keyboard", 12, true);
  desk.world->setBattery("mouse", 100, true);
  EXPECT_EQ(run(desk, {"battery"}), (CommandResult{0, "MX Keys S: 12%, charging\nMX Master 3S: 100%, charging\n", ""}));
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

}  // namespace
}  // namespace flitbar

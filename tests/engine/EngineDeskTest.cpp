#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <iterator>

namespace flitbar::testing {
namespace {

using Planned = std::vector<std::pair<std::uint16_t, std::optional<std::uint8_t>>>;

Planned planned(const EngineSnapshot& snapshot) {
  Planned result;
  for (const auto& binding : snapshot.bindings) result.emplace_back(binding.cid, binding.switchToHost);
  return result;
}

TEST(EngineOnDesk, AutomaticBindingsDivertTheEasySwitchKeysAndTheTopButtonAndAKeyMovesBothDevices) {
  EngineHarness harness;
  const auto& desk = harness.desk;
  EXPECT_EQ(planned(harness.start()), (Planned{{0xD1, 1}, {0xD2, 2}, {0xD3, 3}, {0xC4, 2}}));
  for (const std::uint16_t cid : {0xD1, 0xD2, 0xD3}) EXPECT_TRUE(desk.diverted("keyboard", cid)) << cid;
  EXPECT_TRUE(desk.diverted("mouse", 0xC4));
  EXPECT_FALSE(desk.diverted("mouse", 0xC3));

  desk.click("keyboard", 0xD1);
  harness.waitUntil([&] { return harness.logged("Already on host 1; ignoring MX Keys S Easy-Switch 1") == 1; });
  desk.click("keyboard", 0xD2);
  harness.waitUntil([&] { return !harness.eventsOf<SwitchReport>().empty() && harness.shows(0); });
  EXPECT_EQ(
      harness.eventsOf<SwitchReport>(),
      (std::vector<SwitchReport>{
          {2, {"MX Keys S", "MX Master 3S"}, SwitchReason::binding("MX Keys S Easy-Switch 2"), "travel-laptop"}}));
  EXPECT_EQ(desk.computerOf("keyboard"), "host2");
  EXPECT_EQ(desk.computerOf("mouse"), "host2");
}

// The mouse's control list fails to read at the start, so its top button gets no binding yet.
TEST(EngineOnDesk, ReplanningReadsAFailedInventoryAgainReachesTheDevicesAndAStopHandsAllBack) {
  EngineHarness harness;
  const auto& desk = harness.desk;
  desk.world->setFeatureError("mouse", 0x1B04, 0x05);
  EXPECT_EQ(planned(harness.start()), (Planned{{0xD1, 1}, {0xD2, 2}, {0xD3, 3}}));
  desk.world->setFeatureError("mouse", 0x1B04, std::nullopt);
  harness.run([](Engine& engine) { return engine.setDestinationHost(3); });
  EXPECT_EQ(planned(harness.snapshot()), (Planned{{0xD1, 1}, {0xD2, 2}, {0xD3, 3}, {0xC4, 3}}));
  EXPECT_TRUE(desk.diverted("mouse", 0xC4));
  harness.run([](Engine& engine) { return engine.setHiddenHosts({2}); });
  EXPECT_EQ(planned(harness.snapshot()), (Planned{{0xD1, 1}, {0xD3, 3}, {0xC4, 3}}));
  EXPECT_FALSE(desk.diverted("keyboard", 0xD2)) << "a key no binding wants any more is given back";

  harness.stop();
  for (const std::uint16_t cid : {0xD1, 0xD3}) EXPECT_FALSE(desk.diverted("keyboard", cid)) << cid;
  EXPECT_FALSE(desk.diverted("mouse", 0xC4));
  EXPECT_TRUE(harness.lastSnapshot().devices.empty());
}

TEST(EngineOnDesk, AReconnectFindingTheMouseInAnotherSlotStillDivertedHandsItBackThere) {
  EngineHarness harness;
  harness.start();
  auto rig = VirtualDesk::rig("default.json");
  rig.devices.at(1).slot = 3;
  const VirtualDesk moved(rig);
  const auto other = moved.open();  // the mouse kept its diversion across the reconnect
  other.session->setDivert(3, *other.devices.at(1).reprogFeature, 0xC4, true);
  other.session->stop();
  harness.receivers.openFrom(moved);
  harness.desk.world->setAwake("mouse", false);  // the old receiver cannot hand it back
  harness.run([](Engine& engine) { return engine.handleWake(); });
  harness.waitUntil([&] { return harness.shows(2); });

  harness.stop();
  EXPECT_FALSE(moved.diverted("mouse", 0xC4));
}

// Each press of the back button starts a command that notes its process and sleeps until ended.
TEST(EngineOnDesk, CommandBindingsReportFailuresRunFourAtOnceEndWithTheStopAndStayDivertedWhenForgotten) {
  EngineHarness harness({.maintenanceInterval = 1ms});
  const auto& desk = harness.desk;
  const auto running = harness.directory / "running";
  harness.writeBindings({{{"device", 2}, {"cid", 0xC3}, {"command", "exit 3"}, {"name", "Fail"}},
                         {{"device", 2},
                          {"cid", 0x53},
                          {"command", "echo $$ >> '" + running.string() + "'; exec sleep 100"},
                          {"name", "Hold"}}});
  ASSERT_EQ(harness.start().bindingSource, BindingSource::manual);
  EXPECT_FALSE(desk.diverted("keyboard", 0xD2));

  // The link drops and comes back: the device forgot the diversion, the next rounds restore it.
  desk.world->setAwake("mouse", false);
  desk.world->setAwake("mouse", true);
  harness.waitUntil([&] { return desk.diverted("mouse", 0xC3) && desk.diverted("mouse", 0x53); });

  desk.click("mouse", 0xC3);
  harness.waitUntil([&] { return harness.eventsOf<EngineEvent::ActionFailed>().size() == 1; });
  for (int press = 0; press < 5; ++press) desk.click("mouse", 0x53);
  harness.waitUntil([&] { return harness.eventsOf<EngineEvent::ActionFailed>().size() == 2; });
  EXPECT_EQ(harness.eventsOf<EngineEvent::ActionFailed>(),
            (std::vector<EngineEvent::ActionFailed>{{"Fail", "exited with status 3"},
                                                    {"Hold", "could not launch: four commands are already running"}}));
  std::vector<pid_t> commands;
  harness.waitUntil([&] {
    std::ifstream file(running);
    commands.assign(std::istream_iterator<pid_t>(file), std::istream_iterator<pid_t>());
    return commands.size() == 4;
  });
  harness.stop();
  harness.waitUntil([&] {
    return std::none_of(commands.begin(), commands.end(), [](pid_t command) { return ::kill(command, 0) == 0; });
  });
}

TEST(EngineOnDesk, AReloadAdoptsTheFileReleasingWhatTheOldBindingsHeldOrReconnects) {
  EngineHarness harness;
  harness.start();
  harness.writeBindings({{{"device", 2}, {"cid", 195}, {"switchToHost", 3}}});
  harness.run([](Engine& engine) { return engine.reload(); });
  EXPECT_EQ(planned(harness.snapshot()), (Planned{{0xC3, 3}}));
  EXPECT_TRUE(harness.desk.diverted("mouse", 0xC3));
  EXPECT_FALSE(harness.desk.diverted("mouse", 0xC4));
  EXPECT_FALSE(harness.desk.diverted("keyboard", 0xD2));

  EngineHarness disconnected;
  disconnected.receivers.failOpens(HIDPPError::noReceiver(), 5);
  ASSERT_TRUE(disconnected.start().lastError);
  disconnected.run([](Engine& engine) { return engine.reload(); });
  EXPECT_TRUE(disconnected.shows(2));
}

}  // namespace
}  // namespace flitbar::testing

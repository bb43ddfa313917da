#include "EngineHarness.h"
#include "support/VirtualDesk.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <fstream>

namespace flitbar::testing {
namespace {

using Planned = std::vector<std::pair<std::uint16_t, std::optional<std::uint8_t>>>;

Planned planned(const EngineSnapshot& snapshot) {
  Planned result;
  for (const auto& binding : snapshot.bindings) result.emplace_back(binding.cid, binding.switchToHost);
  return result;
}

void writeBindings(const EngineHarness& harness, const nlohmann::json& bindings) {
  std::ofstream(harness.configPath()) << nlohmann::json{{"bindings", bindings}};
}

TEST(EngineOnDesk, AutomaticBindingsDivertTheEasySwitchKeysAndTheTopButtonAndAKeyMovesBothDevices) {
  VirtualDesk desk;
  EngineHarness harness(desk.opener());
  const auto running = harness.start();
  EXPECT_EQ(running.bindingSource, BindingSource::automatic);
  EXPECT_EQ(running.destinationHost, std::optional<std::uint8_t>(2));
  EXPECT_EQ(planned(running), (Planned{{0xD1, 1}, {0xD2, 2}, {0xD3, 3}, {0xC4, 2}}));
  for (const std::uint16_t cid : {0xD1, 0xD2, 0xD3}) EXPECT_TRUE(desk.diverted("keyboard", cid)) << cid;
  EXPECT_TRUE(desk.diverted("mouse", 0xC4));
  EXPECT_FALSE(desk.diverted("mouse", 0xC3));

  desk.click("keyboard", 0xD1);
  harness.waitOrFail([&] { return harness.logs().count("Already on host 1; ignoring MX Keys S Easy-Switch 1") == 1; });
  desk.click("keyboard", 0xD2);
  harness.waitOrFail([&] { return !harness.switches().empty() && harness.shows(0); });
  EXPECT_EQ(
      harness.switches(),
      (std::vector<SwitchReport>{
          {2, {"MX Keys S", "MX Master 3S"}, SwitchReason::binding("MX Keys S Easy-Switch 2"), "travel-laptop"}}));
  EXPECT_EQ(desk.computerOf("keyboard"), "host2");
  EXPECT_EQ(desk.computerOf("mouse"), "host2");
}

TEST(EngineOnDesk, ChangedDestinationOrHiddenHostsReplanTheBindingsOnTheDevicesAndAStopHandsAllBack) {
  VirtualDesk desk;
  EngineHarness harness(desk.opener());
  harness.start();
  const auto snapshot = [&] { return harness.run([](Engine& engine) { return engine.snapshot(); }); };

  harness.run([](Engine& engine) { return engine.setDestinationHost(3); });
  EXPECT_EQ(planned(snapshot()), (Planned{{0xD1, 1}, {0xD2, 2}, {0xD3, 3}, {0xC4, 3}}));
  harness.run([](Engine& engine) { return engine.setHiddenHosts({2}); });
  EXPECT_EQ(planned(snapshot()), (Planned{{0xD1, 1}, {0xD3, 3}, {0xC4, 3}}));
  EXPECT_FALSE(desk.diverted("keyboard", 0xD2)) << "a key no binding wants any more is given back";
  harness.run([](Engine& engine) { return engine.setHiddenHosts({}); });
  EXPECT_TRUE(desk.diverted("keyboard", 0xD2));

  harness.stop();
  for (const std::uint16_t cid : {0xD1, 0xD2, 0xD3}) EXPECT_FALSE(desk.diverted("keyboard", cid)) << cid;
  EXPECT_FALSE(desk.diverted("mouse", 0xC4));
}

TEST(EngineOnDesk, AnInventoryThatFailedToReadIsReadAgainNextTime) {
  VirtualDesk desk;
  desk.world->setFeatureError("mouse", 0x1B04, 0x05);
  EngineHarness harness(desk.opener());
  EXPECT_EQ(planned(harness.start()), (Planned{{0xD1, 1}, {0xD2, 2}, {0xD3, 3}}));

  desk.world->setFeatureError("mouse", 0x1B04, std::nullopt);
  harness.run([](Engine& engine) { return engine.setHiddenHosts({}); });
  EXPECT_TRUE(desk.diverted("mouse", 0xC4));
}

TEST(EngineOnDesk, CommandBindingsRunReportFailuresEndWithTheStopAndStayDivertedWhenTheDeviceForgets) {
  VirtualDesk desk;
  EngineHarness harness(desk.opener(), {.maintenanceInterval = 1ms});
  const auto directory = harness.configPath().parent_path();
  writeBindings(harness,
                {{{"device", 2}, {"cid", 0xC4}, {"command", "touch '" + (directory / "pressed").string() + "'"}},
                 {{"device", 2}, {"cid", 0xC3}, {"command", "exit 3"}, {"name", "Fail"}},
                 {{"device", 2},
                  {"cid", 0x53},
                  {"command", "echo $$ > '" + (directory / "running").string() + "'; exec sleep 100"}}});
  ASSERT_EQ(harness.start().bindingSource, BindingSource::manual);
  EXPECT_FALSE(desk.diverted("keyboard", 0xD2));

  desk.click("mouse", 0xC4);
  harness.waitOrFail([&] { return std::filesystem::exists(directory / "pressed"); });
  desk.click("mouse", 0xC3);
  harness.waitOrFail([&] { return !harness.failures().empty(); });
  EXPECT_EQ(harness.failures(), (std::vector<EngineEvent::ActionFailed>{{"Fail", "exited with status 3"}}));

  // The link drops and comes back: the device forgot the diversion, the next rounds restore it.
  desk.world->setAwake("mouse", false);
  desk.world->setAwake("mouse", true);
  harness.waitOrFail(
      [&] { return desk.diverted("mouse", 0xC4) && desk.diverted("mouse", 0xC3) && desk.diverted("mouse", 0x53); });

  desk.click("mouse", 0x53);
  harness.waitOrFail([&] {
    return std::filesystem::exists(directory / "running") && std::filesystem::file_size(directory / "running") > 0;
  });
  pid_t command = 0;
  std::ifstream(directory / "running") >> command;
  ASSERT_GT(command, 0);
  harness.stop();
  harness.waitOrFail([&] { return ::kill(command, 0) != 0; });
}

TEST(EngineOnDesk, AReloadAdoptsTheFileReleasingWhatTheOldBindingsHeldOrReconnects) {
  VirtualDesk desk;
  EngineHarness harness(desk.opener());
  harness.start();
  writeBindings(harness, {{{"device", 2}, {"cid", 195}, {"switchToHost", 3}}});
  harness.run([](Engine& engine) { return engine.reload(); });
  const auto reloaded = harness.run([](Engine& engine) { return engine.snapshot(); });
  EXPECT_EQ(reloaded.bindingSource, BindingSource::manual);
  EXPECT_EQ(reloaded.destinationHost, std::nullopt);
  EXPECT_EQ(planned(reloaded), (Planned{{0xC3, 3}}));
  EXPECT_TRUE(desk.diverted("mouse", 0xC3));
  EXPECT_FALSE(desk.diverted("mouse", 0xC4));
  EXPECT_FALSE(desk.diverted("keyboard", 0xD2));

  VirtualDesk closed;
  closed.world->setRefusingOpen("host1", true);
  EngineHarness disconnected(closed.opener());
  ASSERT_TRUE(disconnected.start().lastError);
  closed.world->setRefusingOpen("host1", false);
  disconnected.run([](Engine& engine) { return engine.reload(); });
  EXPECT_TRUE(disconnected.shows(2));
}

}  // namespace
}  // namespace flitbar::testing

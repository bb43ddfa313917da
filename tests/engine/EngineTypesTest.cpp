#include "engine/Engine.h"
#include "engine/EngineSnapshot.h"
#include "engine/SwitchReport.h"
#include "protocol/HIDPPError.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace flitbar {
namespace {

DeviceInfo device(std::uint8_t index, std::optional<std::uint8_t> changeHost, std::uint8_t count, std::uint8_t current,
                  std::optional<std::string> unit = std::nullopt) {
  DeviceInfo info;
  info.index = index;
  info.name = "device " + std::to_string(index);
  info.changeHostFeature = changeHost;
  info.hostCount = count;
  info.currentHost = current;
  info.unitID = std::move(unit);
  return info;
}

Binding bindingFor(std::uint8_t index, std::optional<std::string> unit = std::nullopt) {
  Binding binding;
  binding.device = index;
  binding.cid = 0xC4;
  binding.unitId = std::move(unit);
  binding.switchToHost = 2;
  return binding;
}

TEST(EngineSnapshot, HostCountAndThisHostCountOnlyChangeHostDevices) {
  EngineSnapshot snapshot;
  EXPECT_EQ(snapshot.hostCount(), 0);
  EXPECT_EQ(snapshot.thisHost(), std::nullopt);

  // A device without change-host never votes, whatever its fields say.
  snapshot.devices = {device(1, std::nullopt, 3, 2), device(2, 7, 2, 1), device(3, 7, 3, 0)};
  EXPECT_EQ(snapshot.hostCount(), 3);
  EXPECT_EQ(snapshot.thisHost(), 1) << "a tie goes to the smaller host";

  snapshot.devices.push_back(device(4, 7, 3, 1));
  EXPECT_EQ(snapshot.thisHost(), 2);

  snapshot.devices = {device(1, std::nullopt, 3, 2)};
  EXPECT_EQ(snapshot.hostCount(), 0);
  EXPECT_EQ(snapshot.thisHost(), std::nullopt);
}

TEST(EngineSnapshot, BindingsReachTheirIndexOrEveryDeviceWithTheirUnitId) {
  EngineSnapshot snapshot;
  snapshot.devices = {device(1, 7, 3, 0, "AA:AA:AA:AA"), device(3, 7, 3, 0, "BB:BB:BB:BB"),
                      device(5, 7, 3, 0, "AA:AA:AA:AA")};
  EXPECT_EQ(snapshot.targetIndexes(bindingFor(4)), (std::vector<std::uint8_t>{4}));
  EXPECT_EQ(snapshot.targetIndexes(bindingFor(4, "")), (std::vector<std::uint8_t>{4}));
  EXPECT_EQ(snapshot.targetIndexes(bindingFor(2, "AA:AA:AA:AA")), (std::vector<std::uint8_t>{1, 5}));
  EXPECT_TRUE(snapshot.targetIndexes(bindingFor(3, "CC:CC:CC:CC")).empty());

  snapshot.bindings = {bindingFor(6), bindingFor(2, "AA:AA:AA:AA"), bindingFor(3, "CC:CC:CC:CC")};
  EXPECT_EQ(snapshot.boundIndexes(), (std::set<std::uint8_t>{1, 5, 6}));
  EXPECT_EQ(EngineSnapshot::empty(), EngineSnapshot{});
  EXPECT_EQ(lifecycleName(EngineSnapshot::Lifecycle::stopping), "stopping");
}

TEST(SwitchReport, NotificationBodiesNameTheDestination) {
  SwitchReport report{2, {"K", "M"}, SwitchReason::menu(), std::nullopt};
  EXPECT_EQ(report.notificationBody(), "Moving everything to host 2.");
  report.destinationName = "";
  EXPECT_EQ(report.notificationBody(), "Moving everything to host 2.");
  report.destinationName = "Desk";
  EXPECT_EQ(report.notificationBody(), "Moving everything to \u201CDesk\u201D.");

  report.reason = SwitchReason::screenLocked();
  report.destinationName.reset();
  EXPECT_EQ(report.notificationBody(), "This computer locked. Moving everything to host 2.");
  report.reason = SwitchReason::followLeader("M");
  EXPECT_EQ(report.notificationBody(), "Following M to host 2.");
  report.reason = SwitchReason::binding("K Easy-Switch 2");
  EXPECT_EQ(report.notificationBody(), "Moving everything to host 2.");
}

TEST(Engine, ProblemsClassifyConnectionErrors) {
  EXPECT_EQ(Engine::problem(HIDPPError::noReceiver()), EngineSnapshot::Problem::noReceiver);
  EXPECT_EQ(Engine::problem(HIDPPError::accessDenied()), EngineSnapshot::Problem::accessDenied);
  EXPECT_EQ(Engine::problem(HIDPPError::silentReceiver(1)), EngineSnapshot::Problem::silentReceiver);
  EXPECT_EQ(Engine::problem(HIDPPError::silentReceiver(4)), EngineSnapshot::Problem::silentReceiver);
  EXPECT_EQ(Engine::problem(HIDPPError::openFailed(13)), EngineSnapshot::Problem::other);
  EXPECT_EQ(Engine::problem(std::runtime_error("disk on fire")), EngineSnapshot::Problem::other);
}

TEST(Engine, BatteriesCarryOverByUnitIdOnly) {
  auto charged = device(1, 7, 3, 0, "AA:AA:AA:AA");
  charged.battery = DeviceBattery{80, false};
  auto twin = device(4, 7, 3, 0, "AA:AA:AA:AA");
  twin.battery = DeviceBattery{20, true};
  auto anonymous = device(2, 7, 3, 0);
  anonymous.battery = DeviceBattery{55, false};
  const std::vector<DeviceInfo> previous{charged, twin, anonymous};

  auto moved = device(3, 7, 3, 0, "AA:AA:AA:AA");  // same unit, new slot, no reading this time
  auto fresh = device(5, 7, 3, 0, "AA:AA:AA:AA");
  fresh.battery = DeviceBattery{10, false};  // its own reading wins
  const auto slotOnly = device(2, 7, 3, 0);  // no unit id: nothing to match by
  const auto carried = Engine::carryingBatteries(previous, {moved, fresh, slotOnly});

  ASSERT_EQ(carried.size(), 3u);
  EXPECT_EQ(carried[0].battery, (DeviceBattery{80, false})) << "the first device of a repeated unit id wins";
  EXPECT_EQ(carried[1].battery, (DeviceBattery{10, false}));
  EXPECT_EQ(carried[2].battery, std::nullopt);
  EXPECT_EQ(Engine::carryingBatteries({anonymous}, {moved}), (std::vector<DeviceInfo>{moved}));
}

}  // namespace
}  // namespace flitbar

#include "engine/Engine.h"
#include "engine/SwitchReport.h"
#include "protocol/HIDPPError.h"
#include "support/Builders.h"

#include <gtest/gtest.h>

namespace flitbar::testing {
namespace {

TEST(EngineSnapshot, OnlyChangeHostDevicesVoteForHostCountAndThisHost) {
  auto plain = device(1, 0);
  plain.hostCount = 3;  // a device without change-host never votes, whatever its fields say
  plain.currentHost = 2;
  struct Case {
    std::vector<DeviceInfo> devices;
    int hostCount;
    std::optional<int> thisHost;
  };
  for (const auto& [devices, hostCount, thisHost] : std::vector<Case>{
           {{}, 0, std::nullopt},
           {{plain}, 0, std::nullopt},
           {{plain, device(2, 2, 1), device(3, 3, 0)}, 3, 1},  // a tie goes to the smaller host
           {{plain, device(2, 2, 1), device(3, 3, 0), device(4, 3, 1)}, 3, 2},
       }) {
    const auto snapshot = runningWith(devices);
    EXPECT_EQ(snapshot.hostCount(), hostCount) << devices.size();
    EXPECT_EQ(snapshot.thisHost(), thisHost) << devices.size();
  }
}

TEST(SwitchReport, NotificationBodiesNameTheReasonAndTheDestination) {
  struct Case {
    SwitchReason reason;
    std::optional<std::string> destination;
    std::string body;
  };
  for (const auto& [reason, destination, body] : std::vector<Case>{
           {SwitchReason::menu(), std::nullopt, "Moving everything to host 2."},
           {SwitchReason::menu(), "", "Moving everything to host 2."},
           {SwitchReason::screenLocked(), std::nullopt, "This computer locked. Moving everything to host 2."},
           {SwitchReason::followLeader("M"), std::nullopt, "Following M to host 2."},
           {SwitchReason::binding("K Easy-Switch 2"), std::nullopt, "Moving everything to host 2."},
       }) {
    EXPECT_EQ((SwitchReport{2, {"K", "M"}, reason, destination}.notificationBody()), body);
  }
}

TEST(Engine, BatteriesCarryOverByUnitIdOnly) {
  const auto withBattery = [](DeviceInfo info, std::optional<DeviceBattery> battery) {
    info.battery = battery;
    return info;
  };
  const std::vector<DeviceInfo> previous{withBattery(device(1, 3, 0, "AA"), DeviceBattery{80, false}),
                                         withBattery(device(4, 3, 0, "AA"), DeviceBattery{20, true}),
                                         withBattery(device(2), DeviceBattery{55, false})};
  const auto carried = Engine::carryingBatteries(
      previous, {device(3, 3, 0, "AA"), withBattery(device(5, 3, 0, "AA"), DeviceBattery{10, false}), device(2)});
  ASSERT_EQ(carried.size(), 3u);
  EXPECT_EQ(carried[0].battery, (DeviceBattery{80, false})) << "the first device of a repeated unit id wins";
  EXPECT_EQ(carried[1].battery, (DeviceBattery{10, false})) << "a fresh reading wins";
  EXPECT_EQ(carried[2].battery, std::nullopt) << "no unit id, nothing to match by";
}

// The problem picks the panel's explanation and its buttons.
TEST(Engine, ProblemsClassifyConnectionErrors) {
  using Problem = EngineSnapshot::Problem;
  EXPECT_EQ(Engine::problem(HIDPPError::noReceiver()), Problem::noReceiver);
  EXPECT_EQ(Engine::problem(HIDPPError::accessDenied()), Problem::accessDenied);
  EXPECT_EQ(Engine::problem(HIDPPError::silentReceiver(4)), Problem::silentReceiver);
  EXPECT_EQ(Engine::problem(HIDPPError::openFailed(13)), Problem::other);
  EXPECT_EQ(Engine::problem(std::runtime_error("disk on fire")), Problem::other);
}

}  // namespace
}  // namespace flitbar::testing

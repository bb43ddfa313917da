#include "engine/Engine.h"
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
           {{plain}, 0, std::nullopt},
           {{plain, device(2, 2, 1), device(3, 3, 0)}, 3, 1},  // a tie goes to the smaller host
           {{plain, device(2, 2, 1), device(3, 3, 0), device(4, 3, 1)}, 3, 2},
       }) {
    const auto snapshot = runningWith(devices);
    EXPECT_EQ(snapshot.hostCount(), hostCount) << devices.size();
    EXPECT_EQ(snapshot.thisHost(), thisHost) << devices.size();
  }
}

// The tray keeps showing a reconnected device's battery until it is read again.
TEST(Engine, BatteriesCarryOverByUnitIdOnly) {
  auto known = device(1, 3, 0, "AA");
  known.battery = DeviceBattery{80, false};
  auto anonymous = device(2);
  anonymous.battery = DeviceBattery{55, false};
  auto fresh = device(5, 3, 0, "AA");
  fresh.battery = DeviceBattery{10, false};
  const auto carried = Engine::carryingBatteries({known, anonymous}, {device(3, 3, 0, "AA"), fresh, device(2)});
  ASSERT_EQ(carried.size(), 3u);
  EXPECT_EQ(carried[0].battery, known.battery) << "carried to the unit's new slot";
  EXPECT_EQ(carried[1].battery, fresh.battery) << "a fresh reading wins";
  EXPECT_EQ(carried[2].battery, std::nullopt) << "no unit id, nothing to match by";
}

}  // namespace
}  // namespace flitbar::testing

#include "engine/EngineSnapshot.h"
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

}  // namespace
}  // namespace flitbar::testing
